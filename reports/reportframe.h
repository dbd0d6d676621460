#pragma once
#include "reportside.h"
#include "statservice.h"

#include <QWidget>

class Connection;
class DataGrid;
class DataSet;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;
class TDFMProxy;
class TTrendChart;

// The statistics of one side (purchases or sales), described by its
// TReportSide: a per-product tab with totals in the footer and a trend tab
// with a chart and a data list. Nothing is read until a button is pressed.
class TReportFrame : public QWidget {
    Q_OBJECT
public:
    TReportFrame(const TReportSide& side, Connection& conn, TDFMProxy& labels, QWidget* parent = nullptr);

    const TReportSide& Side() const { return m_side; }

    // The product scope and the two day ranges of one tab. Control names
    // follow the side: chkInputDate / chkOutputDate, with "TD" on the trend
    // tab.
    struct CriteriaPanel {
        QWidget* panel;
        QComboBox* edtProductSearchScope;
        QLineEdit* edtProductSearchKey;
        QRadioButton* chkDocDate; // chkInputDate
        QDateEdit* edtDocDateStart;
        QDateEdit* edtDocDateEnd;
        QRadioButton* chkCreateDate;
        QDateEdit* edtCreateDateStart;
        QDateEdit* edtCreateDateEnd;
    };

    QTabWidget* PageControl1;
    QWidget *tsStat, *tsTrend;

    DataSet* queryStat;    // queryInputStat
    DataSet* queryStatSum; // queryInputStatSum
    DataSet* queryTrend;   // queryInputTrend

    QToolButton *btnToDay, *btnThisWeek, *btnThisMonth, *btnThisSeason, *btnThisYear;
    CriteriaPanel Stat{};
    QPushButton* JvImgBtn1; // 开始分析
    QPushButton* btnStatExport;
    DataGrid* gridStat;

    QToolButton *btnThisWeekTD, *btnThisMonthTD, *btnThisYearTD;
    CriteriaPanel Trend{};
    QComboBox* edtPeriodTD; // 天 / 月
    QPushButton* btnAnalysisTD;
    QPushButton* btnTrendExport;
    QTabWidget* pcTrend; // 趋势图 / 数据列表
    TTrendChart* TrendChart;
    DataGrid* gridTrend;

    // Once, when the window is made: exporters, pickers, field labels.
    void Prepare();
    // The per-product statistics and their totals (sales repair missing
    // costs first).
    void RunProductStats();
    // A period button: all products, the document date over period kind
    // (0 today ... 4 this year).
    void SetStatPeriod(int kind);
    void RunTrend();
    // A trend button: all products, the document date over period kind,
    // grouped by day for a week or a month and by month for a year.
    void SetTrendPeriod(int kind);

    static StatService::TStatFilter FilterOf(const CriteriaPanel& panel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CriteriaPanel buildCriteria(QWidget* parent, const QString& suffix);
    QWidget* buildStatTab();
    QWidget* buildTrendTab();
    QToolButton* periodButton(QWidget* parent, const char* name, const QString& text);
    void setPanelPeriod(CriteriaPanel& panel, int kind);
    void showTotals();
    void drawTrend();
    static void openQuery(DataSet* ds, const StatService::TStatQuery& q);

    const TReportSide& m_side;
    Connection& m_conn;
    TDFMProxy& m_labels;
};

// "进货分析": the purchase side.
class TReportInputFrame : public TReportFrame {
    Q_OBJECT
public:
    TReportInputFrame(Connection& conn, TDFMProxy& labels, QWidget* parent = nullptr)
        : TReportFrame(TReportSide::Purchase(), conn, labels, parent) {}
};

// "销售分析": the sales side, with cost and profit.
class TReportOutputFrame : public TReportFrame {
    Q_OBJECT
public:
    TReportOutputFrame(Connection& conn, TDFMProxy& labels, QWidget* parent = nullptr)
        : TReportFrame(TReportSide::Sale(), conn, labels, parent) {}
};
