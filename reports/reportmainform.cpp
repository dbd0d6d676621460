#include "reportmainform.h"

#include "reportframe.h"

#include <QTabWidget>
#include <QVBoxLayout>

TReportMainForm::TReportMainForm(Connection& conn, TDFMProxy& labels, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("ReportMainForm"));
    setWindowTitle(QStringLiteral("统计分析"));
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    ReportInputFrame1 = new TReportInputFrame(conn, labels);
    ReportInputFrame1->setObjectName(QStringLiteral("ReportInputFrame1"));
    ReportOutputFrame1 = new TReportOutputFrame(conn, labels);
    ReportOutputFrame1->setObjectName(QStringLiteral("ReportOutputFrame1"));
    tsInput = ReportInputFrame1;
    tsOutput = ReportOutputFrame1;
    PageControl1->addTab(tsInput, QStringLiteral("进货分析"));
    PageControl1->addTab(tsOutput, QStringLiteral("销售分析"));
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(4, 4, 4, 4);
    l->addWidget(PageControl1);
    resize(1200, 760);
    // Every showing, the first one included, is maximized.
    setWindowState(Qt::WindowMaximized);
}

void TReportMainForm::Prepare() {
    ReportInputFrame1->Prepare();
    ReportOutputFrame1->Prepare();
}

void TReportMainForm::ShowAnalysisPage(bool sales) {
    PageControl1->setCurrentWidget(sales ? tsOutput : tsInput);
}
