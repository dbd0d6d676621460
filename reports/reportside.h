#pragma once
#include "statservice.h"

#include <QList>
#include <QString>
#include <QStringList>

// What differs between the purchase and the sales statistics: tables and
// names, captions, grid columns and display patterns, export names and the
// chart. The one frame class builds either side from this.
struct TReportSide {
    struct Column {
        const char* field;
        QString title;
        int width; // pixels: the grid opens empty, with nothing to fit to
    };
    StatService::Side side;
    QString prefix;        // "Input": chkInputDate, gridInputStat, queryInputTrend ...
    QString verb;          // "进货": 当天进货, 本周进货趋势, 进货时间
    QString statCaption;   // "进货统计"
    QList<Column> statColumns;
    QList<Column> trendColumns;
    QStringList sumFields;   // the totals' columns, as shown in the footer
    QStringList statFormats; // "#.##" in the per-product grid
    QStringList trendFormats;
    QString statExportName;
    QString trendExportName;
    QString amountTitle;  // the chart's amount series
    QString revenueTitle; // empty: no profit series
    QString chartFooter;
    bool repairsCosts;

    static const TReportSide& Purchase();
    static const TReportSide& Sale();
};
