#pragma once
#include "connection.h"
#include "liststatements.h"

#include <QDate>
#include <QList>
#include <QString>

// The statistics without widgets: what a criteria panel holds becomes a
// statement with its bound values, missing sale costs are filled in, and the
// trend rows become chart points. The windows read their controls into a
// TStatFilter and show what comes back; the tests drive the same calls.
namespace StatService {

using StatStatements::Grouping;
using StatStatements::Side;

// One tab's criteria panel: the product scope and key, and one day range on
// either the document's date or the day it was entered.
struct TStatFilter {
    int scopeIndex = 0; // 0 "<全部商品>", then name, model, 规格, code
    QString key;        // the key box as typed (may still be the placeholder)
    bool byCreateDate = false;
    QDate start, end;
};

struct TStatQuery {
    QString sql;
    SqlParams params;
};

// inputDate or outputDate.
QString DocumentDateColumn(Side side);

TStatQuery ProductStats(Side side, const TStatFilter& filter);
TStatQuery Totals(Side side, const TStatFilter& filter);
// Rows in ascending fDate; a day or month without documents has no row.
TStatQuery Trend(Side side, Grouping grouping, const TStatFilter& filter);

// The trend buttons: week and month by day, the year by month.
Grouping TrendGroupingFor(int periodKind);
// The period buttons' day range (0 today ... 4 this year) from today.
void PeriodDays(int periodKind, QDate& start, QDate& end);

// Gives every sale line without a positive unit cost the product's average
// purchase price over all its purchase lines, audited or not (0 when its
// quantities sum to 0 or it was never bought). Lines with a positive cost
// are never touched; a line without a product is left as it is. One
// statement in one transaction, so a shop with years of such lines is
// repaired at once, and an error leaves every line as it was. Returns the
// number of lines whose cost changed.
int RepairSaleCosts(Connection& conn);
// Whether any sale line would be visited by the repair.
bool HasMissingSaleCosts(Connection& conn);

// One row of the trend as the chart draws it.
struct TTrendPoint {
    qint64 date = 0; // 20100305 or 201003
    double amount = 0;
    double revenue = 0; // sales only
};
// The value axis: 110 % of the largest and of the smallest amount, each
// taken together with 0, so that positive amounts run from 0 up.
struct TAxisRange {
    double min = 0;
    double max = 0;
};
TAxisRange AxisRange(const QList<TTrendPoint>& points);
// 20100305 -> "2010-03-05", 201003 -> "2010-03": the chart's x labels.
QString PeriodLabel(qint64 date);

} // namespace StatService
