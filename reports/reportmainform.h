#pragma once
#include <QWidget>

class Connection;
class QTabWidget;
class TDFMProxy;
class TReportInputFrame;
class TReportOutputFrame;

// "统计分析": the purchase and the sales statistics on two pages. Made once
// and kept; it always opens maximized, on the page the menu asked for.
class TReportMainForm : public QWidget {
    Q_OBJECT
public:
    TReportMainForm(Connection& conn, TDFMProxy& labels, QWidget* parent = nullptr);

    QTabWidget* PageControl1;
    QWidget *tsInput, *tsOutput;
    TReportInputFrame* ReportInputFrame1;
    TReportOutputFrame* ReportOutputFrame1;

    void Prepare();
    // "销售分析" when sales, else "进货分析". Runs nothing.
    void ShowAnalysisPage(bool sales);
};
