#include "clock.h"
#include "controlplacement.h"
#include "datagrid.h"
#include "dataset.h"
#include "displayformat.h"
#include "dynamicfield.h"
#include "exporter.h"
#include "mainform.h"
#include "reportframe.h"
#include "reportmainform.h"
#include "reports.h"
#include "shellsupport.h"
#include "statshop.h"
#include "trendchart.h"
#include "wiring.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

namespace {

// The seeded shop behind a statistics window, with the clock on a known day.
struct ReportShell : TestShell {
    TDFMProxy labels{dm.MainConn};
    std::unique_ptr<TReportMainForm> form;
    explicit ReportShell(const QDateTime& now = QDateTime(QDate(2010, 3, 10), QTime(15, 0))) : TestShell({1, 1, "admin"}) {
        StatShop::Seed(db.conn());
        TClock::setFixed(now);
        form = std::make_unique<TReportMainForm>(dm.MainConn, labels);
        form->Prepare();
    }
    ~ReportShell() { TClock::reset(); }
    TReportFrame* frame(bool sales) {
        return sales ? static_cast<TReportFrame*>(form->ReportOutputFrame1) : form->ReportInputFrame1;
    }
    // The side's sum of a column by plain SQL over a day range of the
    // document date.
    // Whether a footer cell holds the side's sum of a column over a day
    // range: empty when there are no lines, else the number, without the
    // binary noise of adding many amounts (at most two decimals, as every
    // line of this shop has).
    bool footerHolds(const QString& text, bool sales, const QString& column, QDate a, QDate b) {
        const bool none = count(QString(sales ? "select count(*) from OutputForm where substr(outputDate, 1, 10) between '%1' and '%2'"
                                              : "select count(*) from InputForm where substr(inputDate, 1, 10) between '%1' and '%2'")
                                    .arg(a.toString("yyyy-MM-dd"), b.toString("yyyy-MM-dd"))) == 0;
        if (none) return text.isEmpty();
        const int point = int(text.indexOf('.'));
        return std::abs(text.toDouble() - sum(sales, column, a, b)) < 1e-6 && (point < 0 || text.size() - point <= 3);
    }
    double sum(bool sales, const QString& column, QDate a, QDate b) {
        const QString sql = sales ? "select sum(d.%1) from OutputDetail d join OutputForm f on f.outputNO = d.outputNO "
                                    "where substr(f.outputDate, 1, 10) between '%2' and '%3'"
                                  : "select sum(d.%1) from InputDetail d join InputForm f on f.inputNO = d.inputNO "
                                    "where substr(f.inputDate, 1, 10) between '%2' and '%3'";
        return db.scalar(sql.arg(column, a.toString("yyyy-MM-dd"), b.toString("yyyy-MM-dd"))).toDouble();
    }
};

QDate d(int y, int m, int day) { return QDate(y, m, day); }

void saveShot(QWidget* w, const QString& name) {
    QDir().mkpath(QStringLiteral(MORVANE_SCREENSHOT_DIR));
    QVERIFY(w->grab().save(QStringLiteral(MORVANE_SCREENSHOT_DIR) + "/" + name + ".png"));
}

} // namespace

class TestReportForm : public QObject {
    Q_OBJECT
private slots:
    void namesOfBothSides_data();
    void namesOfBothSides();
    void nothingRunsUntilAButton();
    void periodButtons_data();
    void periodButtons();
    void criteriaPanel();
    void footer_data();
    void footer();
    void onlySalesStatisticsRepairCosts();
    void trend_data();
    void trend();
    void fieldLabelsApply();
    void menuOpensTheRightPage();
    void byKeyboard();
    void screenshots();
};

void TestReportForm::namesOfBothSides_data() {
    QTest::addColumn<bool>("sales");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("exports"); // base name, grid, button
    QTest::newRow("purchases") << false
                               << QStringList{"chkInputDate", "edtInputDateStart", "edtInputDateEnd", "chkInputDateTD",
                                              "edtInputDateStartTD", "edtInputDateEndTD", "InputTrendChart",
                                              "queryInputStat", "queryInputStatSum", "queryInputTrend"}
                               << QStringList{"进货统计数据", "gridInputStat", "btnInputStatExport",
                                              "进货趋势分析数据", "gridInputTrend", "btnInputTrendExport"};
    QTest::newRow("sales") << true
                           << QStringList{"chkOutputDate", "edtOutputDateStart", "edtOutputDateEnd", "chkOutputDateTD",
                                          "edtOutputDateStartTD", "edtOutputDateEndTD", "OutputTrendChart",
                                          "queryOutputStat", "queryOutputStatSum", "queryOutputTrend"}
                           << QStringList{"销售统计数据", "gridOutputStat", "btnOutputStatExport",
                                          "销售趋势分析数据", "gridOutputTrend", "btnOutputTrendExport"};
}

// Each side's controls carry their own names, and each grid exports
// through its own button under its own file name.
void TestReportForm::namesOfBothSides() {
    QFETCH(bool, sales);
    QFETCH(QStringList, names);
    QFETCH(QStringList, exports);
    ReportShell s;
    TReportFrame* f = s.frame(sales);
    for (const QString& n : names) QVERIFY2(f->findChild<QObject*>(n), qPrintable(n));
    const QList<TExporter*> exporters = f->findChildren<TExporter*>();
    QCOMPARE(exporters.size(), 2);
    for (int i = 0; i < 2; ++i) {
        TExporter* e = exporters[i]->Grid()->objectName() == exports[3 * i + 1] ? exporters[i] : exporters[1 - i];
        QCOMPARE(e->BaseFileName(), exports[3 * i]);
        QCOMPARE(e->Grid()->objectName(), exports[3 * i + 1]);
        QCOMPARE(e->InstalledControl()->objectName(), exports[3 * i + 2]);
    }
    QCOMPARE(f->gridStat->column("ftotalCost") != nullptr, sales);
    QCOMPARE(f->TrendChart->RevenueSeries != nullptr, sales);
}

void TestReportForm::nothingRunsUntilAButton() {
    ReportShell s;
    s.form->show();
    for (bool sales : {false, true}) {
        s.form->ShowAnalysisPage(sales);
        TReportFrame* f = s.frame(sales);
        f->PageControl1->setCurrentWidget(f->tsTrend);
        QCoreApplication::processEvents();
        for (DataSet* q : {f->queryStat, f->queryStatSum, f->queryTrend}) QVERIFY(!q->isActive());
        // Per-product pickers on today, trend pickers on this month.
        QCOMPARE(f->Stat.edtDocDateStart->date(), d(2010, 3, 10));
        QCOMPARE(f->Stat.edtCreateDateEnd->date(), d(2010, 3, 10));
        QCOMPARE(f->Trend.edtDocDateStart->date(), d(2010, 3, 1));
        QCOMPARE(f->Trend.edtCreateDateEnd->date(), d(2010, 3, 31));
        QCOMPARE(f->Stat.edtProductSearchKey->text(), QString("请输入关键字"));
        QVERIFY(f->TrendChart->ShowsEmptyText());
    }
    QCOMPARE(s.count("select count(*) from OutputDetail where unitStorageCost is null") > 0, true);
}

void TestReportForm::periodButtons_data() {
    QTest::addColumn<bool>("sales");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    const QDate wed = d(2010, 3, 10);
    QTest::newRow("当天进货") << false << wed << "btnToDay" << "当天进货" << wed << wed;
    QTest::newRow("本周进货") << false << wed << "btnThisWeek" << "本周进货" << d(2010, 3, 8) << d(2010, 3, 14);
    QTest::newRow("本月进货") << false << wed << "btnThisMonth" << "本月进货" << d(2010, 3, 1) << d(2010, 3, 31);
    QTest::newRow("本季度进货") << false << wed << "btnThisSeason" << "本季度进货" << d(2010, 1, 1) << d(2010, 3, 31);
    QTest::newRow("本年进货") << false << wed << "btnThisYear" << "本年进货" << d(2010, 1, 1) << d(2010, 12, 31);
    QTest::newRow("本周销售 on a Sunday")
        << true << d(2010, 3, 14) << "btnThisWeek" << "本周销售" << d(2010, 3, 8) << d(2010, 3, 14);
    QTest::newRow("本周销售 on a Monday")
        << true << d(2010, 3, 8) << "btnThisWeek" << "本周销售" << d(2010, 3, 8) << d(2010, 3, 14);
    QTest::newRow("本季度销售 on 15 May")
        << true << d(2010, 5, 15) << "btnThisSeason" << "本季度销售" << d(2010, 4, 1) << d(2010, 6, 30);
    QTest::newRow("当天销售") << true << wed << "btnToDay" << "当天销售" << wed << wed;
}

// A period button drops the product filter, takes the document date over
// its period and runs at once.
void TestReportForm::periodButtons() {
    QFETCH(bool, sales);
    QFETCH(QDate, today);
    QFETCH(QString, button);
    QFETCH(QString, caption);
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    ReportShell s(QDateTime(today, QTime(23, 59, 59)));
    TReportFrame* f = s.frame(sales);
    f->Stat.edtProductSearchScope->setCurrentIndex(1);
    f->Stat.edtProductSearchKey->setText("nothing like this");
    f->Stat.chkCreateDate->setChecked(true);
    auto* b = f->findChild<QToolButton*>(button);
    QCOMPARE(b->text(), caption);
    b->click();
    QCOMPARE(f->Stat.edtProductSearchScope->currentIndex(), 0);
    QVERIFY(f->Stat.edtProductSearchKey->isHidden());
    QVERIFY(f->Stat.chkDocDate->isChecked());
    QVERIFY(f->Stat.edtDocDateStart->isEnabled());
    QVERIFY(!f->Stat.edtCreateDateStart->isEnabled());
    QCOMPARE(f->Stat.edtDocDateStart->date(), start);
    QCOMPARE(f->Stat.edtDocDateEnd->date(), end);
    QVERIFY(f->queryStat->isActive());
    QVERIFY2(s.footerHolds(f->gridStat->footerText("fquantity"), sales, "quantity", start, end),
             qPrintable(f->gridStat->footerText("fquantity")));
    QCOMPARE(f->gridStat->footerText("productName"), QString("合计:"));
    QVERIFY(TQuickMessageDlg::ShownTexts().isEmpty());
}

void TestReportForm::criteriaPanel() {
    ReportShell s;
    TReportFrame* f = s.frame(false);
    s.form->show();
    auto& p = f->Stat;
    QVERIFY(p.edtProductSearchKey->isHidden());
    p.edtProductSearchScope->setCurrentIndex(4);
    QVERIFY(!p.edtProductSearchKey->isHidden());
    p.edtProductSearchScope->setCurrentIndex(0);
    QVERIFY(p.edtProductSearchKey->isHidden());
    // The placeholder alone filters nothing.
    p.edtProductSearchScope->setCurrentIndex(1);
    p.edtDocDateStart->setDate(StatShop::kFirst);
    p.edtDocDateEnd->setDate(StatShop::kLast);
    f->JvImgBtn1->click();
    QCOMPARE(f->queryStat->recordCount(), 11);
    p.edtProductSearchKey->setText(QStringLiteral(" 笔 "));
    f->JvImgBtn1->click();
    QCOMPARE(f->queryStat->recordCount(), 3);
    // The entry-date range replaces the document-date range.
    p.chkCreateDate->setChecked(true);
    QVERIFY(!p.edtDocDateStart->isEnabled());
    QVERIFY(p.edtCreateDateStart->isEnabled());
    p.edtCreateDateStart->setDate(d(2010, 6, 3));
    p.edtCreateDateEnd->setDate(d(2010, 6, 30));
    f->JvImgBtn1->click();
    QCOMPARE(f->queryStat->recordCount(), 0);
}

void TestReportForm::footer_data() {
    QTest::addColumn<bool>("sales");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::newRow("purchases, 2010") << false << d(2010, 1, 1) << d(2010, 12, 31);
    QTest::newRow("sales, 2010") << true << d(2010, 1, 1) << d(2010, 12, 31);
    QTest::newRow("purchases, June without documents") << false << d(2010, 6, 1) << d(2010, 6, 30);
    QTest::newRow("sales, June without documents") << true << d(2010, 6, 1) << d(2010, 6, 30);
}

// The footer holds the period's totals as plain numbers, not rounded to
// cents; a period without documents leaves the cells empty.
void TestReportForm::footer() {
    QFETCH(bool, sales);
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    ReportShell s;
    TReportFrame* f = s.frame(sales);
    f->Stat.edtDocDateStart->setDate(start);
    f->Stat.edtDocDateEnd->setDate(end);
    f->JvImgBtn1->click();
    DataGrid* g = f->gridStat;
    QCOMPARE(g->footerText("productName"), QString("合计:"));
    const bool empty = f->queryStat->isEmpty();
    QCOMPARE(empty, start.month() == 6);
    for (const char* column : {"quantity", "totalPrice"}) {
        const QString field = QString("f") + column;
        QVERIFY2(s.footerHolds(g->footerText(field), sales, column, start, end), qPrintable(g->footerText(field)));
    }
    if (!sales) {
        QVERIFY(g->footerText("ftotalCost").isEmpty());
        return;
    }
    if (empty) {
        QVERIFY(g->footerText("ftotalCost").isEmpty());
        QVERIFY(g->footerText("ftotalRevenue").isEmpty());
        return;
    }
    // The sales run repaired the costs first; cost and profit match them.
    const double cost = s.db.scalar(QString("select sum(d.unitStorageCost * d.quantity) from OutputDetail d join "
                                            "OutputForm f on f.outputNO = d.outputNO where substr(f.outputDate, 1, 10) "
                                            "between '%1' and '%2'")
                                        .arg(start.toString("yyyy-MM-dd"), end.toString("yyyy-MM-dd")))
                             .toDouble();
    const double amount = s.sum(true, "totalPrice", start, end);
    QVERIFY(std::abs(g->footerText("ftotalCost").toDouble() - cost) <= 0.005);
    QVERIFY(std::abs(g->footerText("ftotalRevenue").toDouble() - (amount - cost)) <= 0.0051);
    // A row's price shows at most two decimals.
    QTableView* v = g->view();
    const int col = g->viewColumn("funitPrice");
    for (int r = 0; r < v->model()->rowCount(); ++r) {
        const QString t = v->model()->index(r, col).data().toString();
        QVERIFY2(t.indexOf('.') < 0 || t.size() - t.indexOf('.') <= 3, qPrintable(t));
    }
}

// Missing sale costs are filled in by the per-product sales run only; the
// purchase run and the trend leave them.
void TestReportForm::onlySalesStatisticsRepairCosts() {
    ReportShell s;
    const QString missing = "select count(*) from OutputDetail where unitStorageCost is null or unitStorageCost <= 0";
    const int before = s.count(missing);
    QVERIFY(before > 5);
    s.frame(false)->btnThisYear->click();
    s.frame(true)->btnThisYearTD->click();
    QCOMPARE(s.count(missing), before);
    s.frame(true)->btnToDay->click();
    // Every product of the shop has been bought; the one deleted too.
    QCOMPARE(s.count(missing), 0);
}

void TestReportForm::trend_data() {
    QTest::addColumn<bool>("sales");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("firstLabel"); // "2010-03-__": a day of March
    QTest::newRow("本月进货趋势") << false << "btnThisMonthTD" << "天" << "2010-03-__";
    QTest::newRow("本周销售趋势") << true << "btnThisWeekTD" << "天" << "2010-03-__";
    QTest::newRow("本年销售趋势") << true << "btnThisYearTD" << "月" << "2010-01";
    QTest::newRow("本年进货趋势") << false << "btnThisYearTD" << "月" << "2010-01";
}

// The chart has one point per row of the data list, in ascending order;
// days or months without documents are gaps, not zeros.
void TestReportForm::trend() {
    QFETCH(bool, sales);
    QFETCH(QString, button);
    QFETCH(QString, unit);
    QFETCH(QString, firstLabel);
    ReportShell s;
    TReportFrame* f = s.frame(sales);
    f->Trend.edtProductSearchScope->setCurrentIndex(2);
    f->findChild<QToolButton*>(button)->click();
    QCOMPARE(f->edtPeriodTD->currentText(), unit);
    QCOMPARE(f->Trend.edtProductSearchScope->currentIndex(), 0);
    const int rows = f->queryTrend->recordCount();
    QVERIFY(rows > 0);
    QCOMPARE(f->TrendChart->PointCount(), rows);
    QCOMPARE(f->TrendChart->PriceSeries->count(), rows);
    if (sales) QCOMPARE(f->TrendChart->RevenueSeries->count(), rows);
    QVERIFY(!f->TrendChart->ShowsEmptyText());
    const QString first = f->TrendChart->AxisLabels().value(0);
    QCOMPARE(first.size(), firstLabel.size());
    QVERIFY2(first.startsWith(firstLabel.section('_', 0, 0)), qPrintable(first));
    qint64 last = 0;
    for (int i = 0; i < rows; ++i) {
        const qint64 date = f->queryTrend->valueAt(i, "fDate").toLongLong();
        QVERIFY(date > last);
        last = date;
        QCOMPARE(f->TrendChart->PriceSeries->at(i).y(), f->queryTrend->valueAt(i, "ftotalPrice").toDouble());
    }
    if (unit == "月") {
        QCOMPARE(rows, 11); // no June
        QVERIFY(!f->TrendChart->AxisLabels().contains("2010-06"));
    }
    // A period without documents says so on the chart.
    f->Trend.edtDocDateStart->setDate(d(2010, 6, 1));
    f->Trend.edtDocDateEnd->setDate(d(2010, 6, 30));
    f->btnAnalysisTD->click();
    QCOMPARE(f->TrendChart->PointCount(), 0);
    QVERIFY(f->TrendChart->ShowsEmptyText());
    QCOMPARE(f->TrendChart->EmptyText(), QString("所选时间内没有%1单据").arg(sales ? "销售" : "进货"));
}

// A renamed product field shows in the statistics grid's title at once.
void TestReportForm::fieldLabelsApply() {
    ReportShell s;
    QCOMPARE(s.frame(true)->gridStat->column("product_model")->title, QString("型号"));
    s.db.exec("update FieldConfig set fieldNewName = '款号' where tableName = 'Product' and TableField = 'product_model'");
    s.db.exec("update FieldConfig set enabled = 0 where tableName = 'Product' and TableField = 'product_spec'");
    s.labels.Refresh("Product");
    for (bool sales : {false, true}) {
        QCOMPARE(s.frame(sales)->gridStat->column("product_model")->title, QString("款号"));
        QVERIFY(!s.frame(sales)->gridStat->column("product_spec")->visible);
    }
}

// The two menu items open the one window, maximized, on their page, and
// compute nothing.
void TestReportForm::menuOpensTheRightPage() {
    TestShell s({1, 1, "admin"});
    TControlPlacement placement(s.ctx.PlacementFile());
    TWiring program(s.dm, s.ctx, placement);
    TMainForm& m = program.MainForm();
    QVERIFY(m.miOutputReport->isEnabled());
    m.miOutputReport->trigger();
    TReportMainForm* w = program.Reports().ReportMainForm();
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QString("统计分析"));
    QVERIFY(w->windowState() & Qt::WindowMaximized);
    QCOMPARE(w->PageControl1->currentWidget(), w->tsOutput);
    QCOMPARE(w->PageControl1->tabText(1), QString("销售分析"));
    w->close();
    m.miInputReport->trigger();
    QCOMPARE(program.Reports().ReportMainForm(), w);
    QVERIFY(w->isVisible());
    QVERIFY(w->windowState() & Qt::WindowMaximized);
    QCOMPARE(w->PageControl1->currentWidget(), w->tsInput);
    QCOMPARE(w->PageControl1->tabText(0), QString("进货分析"));
    QVERIFY(!w->ReportInputFrame1->queryStat->isActive());
    QVERIFY(!w->ReportOutputFrame1->queryStat->isActive());
}

// The per-product tab worked without the mouse: the scope box, the key
// (its prompt goes on entering), Enter to run, Tab through the buttons and
// Space on a period button.
void TestReportForm::byKeyboard() {
    ReportShell s;
    s.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.form.get()));
    TReportFrame* f = s.frame(false);
    auto& p = f->Stat;
    p.edtDocDateStart->setDate(StatShop::kFirst);
    p.edtDocDateEnd->setDate(StatShop::kLast);
    QApplication::setActiveWindow(s.form.get());
    QVERIFY(QTest::qWaitForWindowActive(s.form.get()));
    p.edtProductSearchScope->setFocus();
    QTest::keyClick(p.edtProductSearchScope, Qt::Key_Down);
    QCOMPARE(p.edtProductSearchScope->currentIndex(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), p.edtProductSearchKey);
    QCOMPARE(p.edtProductSearchKey->text(), QString());
    QTest::keyClicks(p.edtProductSearchKey, "neil");
    QTest::keyClick(p.edtProductSearchKey, Qt::Key_Return);
    QCOMPARE(f->queryStat->recordCount(), 1);
    QCOMPARE(f->queryStat->valueAt(0, "productName").toString(), QStringLiteral("O'Neil 笔记本"));
    // Back from the key box to the period buttons, then Space on 本月进货.
    f->btnToDay->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), f->btnThisMonth);
    QTest::keyClick(f->btnThisMonth, Qt::Key_Space);
    QCOMPARE(f->Stat.edtDocDateStart->date(), d(2010, 3, 1));
    QVERIFY(s.footerHolds(f->gridStat->footerText("fquantity"), false, "quantity", d(2010, 3, 1), d(2010, 3, 31)));
}

// Both pages as a shop owner sees them: this year's purchases per product
// with the footer, and this year's sales by month on the chart.
void TestReportForm::screenshots() {
    ReportShell s(QDateTime(QDate(2010, 12, 20), QTime(17, 0)));
    s.form->setWindowState(Qt::WindowNoState);
    s.form->resize(1280, 760);
    s.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.form.get()));
    s.form->ShowAnalysisPage(false);
    s.frame(false)->btnThisYear->click();
    QCoreApplication::processEvents();
    saveShot(s.form.get(), "stats-purchase-per-product");
    s.form->ShowAnalysisPage(true);
    s.frame(true)->btnThisYear->click();
    QCoreApplication::processEvents();
    saveShot(s.form.get(), "stats-sales-per-product");
    TReportFrame* f = s.frame(true);
    f->PageControl1->setCurrentWidget(f->tsTrend);
    f->btnThisYearTD->click();
    QCoreApplication::processEvents();
    saveShot(s.form.get(), "stats-sales-trend-by-month");
    f->pcTrend->setCurrentIndex(1);
    QCoreApplication::processEvents();
    saveShot(s.form.get(), "stats-sales-trend-list");
    TReportFrame* in = s.frame(false);
    s.form->ShowAnalysisPage(false);
    in->PageControl1->setCurrentWidget(in->tsTrend);
    in->btnThisMonthTD->click();
    QCoreApplication::processEvents();
    saveShot(s.form.get(), "stats-purchase-trend-by-day");
    in->Trend.edtDocDateStart->setDate(d(2010, 6, 1));
    in->Trend.edtDocDateEnd->setDate(d(2010, 6, 30));
    in->btnAnalysisTD->click();
    QCoreApplication::processEvents();
    saveShot(s.form.get(), "stats-purchase-trend-empty");
}

QTEST_MAIN(TestReportForm)
#include "tst_reportform.moc"
