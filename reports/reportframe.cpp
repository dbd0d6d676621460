#include "reportframe.h"

#include "clock.h"
#include "datagrid.h"
#include "dataset.h"
#include "displayformat.h"
#include "dynamicfield.h"
#include "exporter.h"
#include "formkit.h"
#include "guard.h"
#include "trendchart.h"

#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

using StatService::Grouping;

namespace {
const QString kNumberPattern = QStringLiteral("#.##");

QString name(const char* prefix, const QString& middle, const char* suffix, const QString& tail = QString()) {
    return QLatin1String(prefix) + middle + QLatin1String(suffix) + tail;
}

QDateEdit* datePicker(QWidget* parent, const QString& objectName) {
    auto* d = new QDateEdit(parent);
    d->setObjectName(objectName);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return d;
}

DataGrid* statGrid(QWidget* parent, const QString& objectName, const QList<TReportSide::Column>& columns) {
    auto* g = new DataGrid(parent);
    g->setObjectName(objectName);
    g->setReadOnly(true);
    g->setRowSelect(true);
    g->view()->setAlternatingRowColors(true);
    for (const auto& c : columns) g->addColumn(QString::fromLatin1(c.field), c.title, c.width);
    return g;
}
} // namespace

TReportFrame::TReportFrame(const TReportSide& side, Connection& conn, TDFMProxy& labels, QWidget* parent)
    : QWidget(parent), m_side(side), m_conn(conn), m_labels(labels) {
    setObjectName(QStringLiteral("Report") + side.prefix + QStringLiteral("Frame"));
    queryStat = new DataSet(&conn, this);
    queryStat->setObjectName(name("query", side.prefix, "Stat"));
    queryStatSum = new DataSet(&conn, this);
    queryStatSum->setObjectName(name("query", side.prefix, "StatSum"));
    queryTrend = new DataSet(&conn, this);
    queryTrend->setObjectName(name("query", side.prefix, "Trend"));
    // The chart draws every row at once.
    queryTrend->setFetchBlock(0);
    for (const QString& f : side.statFormats) queryStat->setDisplayFormat(f, kNumberPattern);
    for (const QString& f : side.trendFormats) queryTrend->setDisplayFormat(f, kNumberPattern);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    tsStat = buildStatTab();
    tsTrend = buildTrendTab();
    PageControl1->addTab(tsStat, side.statCaption);
    PageControl1->addTab(tsTrend, QStringLiteral("趋势分析"));
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addWidget(PageControl1);
}

QToolButton* TReportFrame::periodButton(QWidget* parent, const char* objectName, const QString& text) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(objectName));
    b->setText(text);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setMinimumWidth(80);
    b->setFocusPolicy(Qt::StrongFocus);
    return b;
}

TReportFrame::CriteriaPanel TReportFrame::buildCriteria(QWidget* parent, const QString& sfx) {
    CriteriaPanel p;
    p.panel = new QWidget(parent);
    p.panel->setObjectName(QStringLiteral("pCriteria") + sfx);
    auto* lbScope = new QLabel(QStringLiteral("商    品:"), p.panel);
    p.edtProductSearchScope = new QComboBox(p.panel);
    p.edtProductSearchScope->setObjectName(QStringLiteral("edtProductSearchScope") + sfx);
    p.edtProductSearchScope->addItems({QStringLiteral("<全部商品>"), QStringLiteral("商品名称"),
                                       QStringLiteral("商品型号"), QStringLiteral("商品规格"),
                                       QStringLiteral("商品编码")});
    lbScope->setBuddy(p.edtProductSearchScope);
    p.edtProductSearchKey = new QLineEdit(StatStatements::KeyPlaceholder(), p.panel);
    p.edtProductSearchKey->setObjectName(QStringLiteral("edtProductSearchKey") + sfx);
    p.edtProductSearchKey->setFixedWidth(140);
    p.edtProductSearchKey->hide();
    p.edtProductSearchKey->installEventFilter(this);

    // The two ranges exclude each other: their radio buttons share a parent.
    p.chkDocDate = new QRadioButton(m_side.verb + QStringLiteral("时间"), p.panel);
    p.chkDocDate->setObjectName(name("chk", m_side.prefix, "Date", sfx));
    p.chkDocDate->setChecked(true);
    p.edtDocDateStart = datePicker(p.panel, name("edt", m_side.prefix, "DateStart", sfx));
    p.edtDocDateEnd = datePicker(p.panel, name("edt", m_side.prefix, "DateEnd", sfx));
    p.chkCreateDate = new QRadioButton(QStringLiteral("录入时间"), p.panel);
    p.chkCreateDate->setObjectName(QStringLiteral("chkCreateDate") + sfx);
    p.edtCreateDateStart = datePicker(p.panel, QStringLiteral("edtCreateDateStart") + sfx);
    p.edtCreateDateEnd = datePicker(p.panel, QStringLiteral("edtCreateDateEnd") + sfx);
    p.edtCreateDateStart->setEnabled(false);
    p.edtCreateDateEnd->setEnabled(false);

    auto* l = new QHBoxLayout(p.panel);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(lbScope);
    l->addWidget(p.edtProductSearchScope);
    l->addWidget(p.edtProductSearchKey);
    l->addSpacing(16);
    l->addWidget(p.chkDocDate);
    l->addWidget(p.edtDocDateStart);
    l->addWidget(new QLabel(QStringLiteral("到"), p.panel));
    l->addWidget(p.edtDocDateEnd);
    l->addSpacing(16);
    l->addWidget(p.chkCreateDate);
    l->addWidget(p.edtCreateDateStart);
    l->addWidget(new QLabel(QStringLiteral("到"), p.panel));
    l->addWidget(p.edtCreateDateEnd);

    QComboBox* scope = p.edtProductSearchScope;
    QLineEdit* key = p.edtProductSearchKey;
    connect(scope, &QComboBox::currentIndexChanged, this, Guarded([key](int index) { key->setVisible(index > 0); }));
    const CriteriaPanel copy = p;
    auto follow = Guarded([copy] {
        const bool doc = copy.chkDocDate->isChecked();
        copy.edtDocDateStart->setEnabled(doc);
        copy.edtDocDateEnd->setEnabled(doc);
        copy.edtCreateDateStart->setEnabled(!doc);
        copy.edtCreateDateEnd->setEnabled(!doc);
    });
    connect(p.chkDocDate, &QRadioButton::toggled, this, follow);
    connect(p.chkCreateDate, &QRadioButton::toggled, this, follow);
    return p;
}

QWidget* TReportFrame::buildStatTab() {
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("ts") + m_side.prefix + QStringLiteral("Stat"));
    const QString& v = m_side.verb;
    btnToDay = periodButton(tab, "btnToDay", QStringLiteral("当天") + v);
    btnThisWeek = periodButton(tab, "btnThisWeek", QStringLiteral("本周") + v);
    btnThisMonth = periodButton(tab, "btnThisMonth", QStringLiteral("本月") + v);
    btnThisSeason = periodButton(tab, "btnThisSeason", QStringLiteral("本季度") + v);
    btnThisYear = periodButton(tab, "btnThisYear", QStringLiteral("本年") + v);
    Stat = buildCriteria(tab, QString());
    JvImgBtn1 = NamedButton(tab, "JvImgBtn1", QStringLiteral("开始分析"));
    btnStatExport = NamedButton(tab, "", QStringLiteral("导出"));
    btnStatExport->setObjectName(name("btn", m_side.prefix, "StatExport"));
    gridStat = statGrid(tab, name("grid", m_side.prefix, "Stat"), m_side.statColumns);
    gridStat->setDataSet(queryStat);
    gridStat->setFooterMode(DataGrid::FooterMode::Columns);

    auto* l = new QVBoxLayout(tab);
    l->setContentsMargins(4, 4, 4, 4);
    l->addLayout(ButtonRow({btnToDay, btnThisWeek, btnThisMonth, btnThisSeason, btnThisYear, nullptr}));
    auto* criteria = new QHBoxLayout;
    criteria->addWidget(Stat.panel);
    criteria->addSpacing(16);
    criteria->addWidget(JvImgBtn1);
    criteria->addWidget(btnStatExport);
    criteria->addStretch();
    l->addLayout(criteria);
    l->addWidget(gridStat, 1);

    const QList<QToolButton*> periods = {btnToDay, btnThisWeek, btnThisMonth, btnThisSeason, btnThisYear};
    for (int kind = 0; kind < periods.size(); ++kind)
        connect(periods[kind], &QToolButton::clicked, this, Guarded([this, kind] {
                    SetStatPeriod(kind);
                    RunProductStats();
                }));
    connect(JvImgBtn1, &QPushButton::clicked, this, Guarded([this] { RunProductStats(); }));
    connect(Stat.edtProductSearchKey, &QLineEdit::returnPressed, this, Guarded([this] { RunProductStats(); }));
    return tab;
}

QWidget* TReportFrame::buildTrendTab() {
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("ts") + m_side.prefix + QStringLiteral("Trend"));
    const QString& v = m_side.verb;
    btnThisWeekTD = periodButton(tab, "btnThisWeekTD", QStringLiteral("本周") + v + QStringLiteral("趋势"));
    btnThisMonthTD = periodButton(tab, "btnThisMonthTD", QStringLiteral("本月") + v + QStringLiteral("趋势"));
    btnThisYearTD = periodButton(tab, "btnThisYearTD", QStringLiteral("本年") + v + QStringLiteral("趋势"));
    Trend = buildCriteria(tab, QStringLiteral("TD"));
    auto* lbPeriod = new QLabel(QStringLiteral("分析单位:"), tab);
    edtPeriodTD = Named<QComboBox>(tab, "edtPeriodTD");
    edtPeriodTD->addItems({QStringLiteral("天"), QStringLiteral("月")});
    lbPeriod->setBuddy(edtPeriodTD);
    btnAnalysisTD = NamedButton(tab, "btnAnalysisTD", QStringLiteral("开始分析"));
    btnTrendExport = NamedButton(tab, "", QStringLiteral("导出"));
    btnTrendExport->setObjectName(name("btn", m_side.prefix, "TrendExport"));

    pcTrend = Named<QTabWidget>(tab, "pcTrend");
    TTrendChart::Look look{m_side.amountTitle, m_side.revenueTitle, m_side.chartFooter,
                           QStringLiteral("所选时间内没有%1单据").arg(v)};
    TrendChart = new TTrendChart(look, pcTrend);
    TrendChart->setObjectName(m_side.prefix + QStringLiteral("TrendChart"));
    gridTrend = statGrid(pcTrend, name("grid", m_side.prefix, "Trend"), m_side.trendColumns);
    gridTrend->setDataSet(queryTrend);
    pcTrend->addTab(TrendChart, QStringLiteral("趋势图"));
    pcTrend->addTab(gridTrend, QStringLiteral("数据列表"));

    auto* l = new QVBoxLayout(tab);
    l->setContentsMargins(4, 4, 4, 4);
    l->addLayout(ButtonRow({btnThisWeekTD, btnThisMonthTD, btnThisYearTD, nullptr}));
    auto* criteria = new QHBoxLayout;
    criteria->addWidget(Trend.panel);
    criteria->addSpacing(16);
    criteria->addWidget(lbPeriod);
    criteria->addWidget(edtPeriodTD);
    criteria->addSpacing(16);
    criteria->addWidget(btnAnalysisTD);
    criteria->addWidget(btnTrendExport);
    criteria->addStretch();
    l->addLayout(criteria);
    l->addWidget(pcTrend, 1);

    const QList<QPair<QToolButton*, int>> periods = {{btnThisWeekTD, 1}, {btnThisMonthTD, 2}, {btnThisYearTD, 4}};
    for (const auto& [button, kind] : periods)
        connect(button, &QToolButton::clicked, this, Guarded([this, kind = kind] {
                    SetTrendPeriod(kind);
                    RunTrend();
                }));
    connect(btnAnalysisTD, &QPushButton::clicked, this, Guarded([this] { RunTrend(); }));
    connect(Trend.edtProductSearchKey, &QLineEdit::returnPressed, this, Guarded([this] { RunTrend(); }));
    return tab;
}

bool TReportFrame::eventFilter(QObject* watched, QEvent* event) {
    // Entering a key box that still shows the prompt empties it.
    if (event->type() == QEvent::FocusIn) {
        for (QLineEdit* key : {Stat.edtProductSearchKey, Trend.edtProductSearchKey})
            if (watched == key && key->text() == StatStatements::KeyPlaceholder()) key->clear();
    }
    return QWidget::eventFilter(watched, event);
}

void TReportFrame::Prepare() {
    // The exporters hold widgets (their save dialogs), which must not
    // outlive the application object; they serve these grids only.
    TExporter::Create(this, m_side.statExportName, gridStat)->InstallOn(btnStatExport);
    TExporter::Create(this, m_side.trendExportName, gridTrend)->InstallOn(btnTrendExport);
    const QDate today = TClock::today();
    for (QDateEdit* d : {Stat.edtDocDateStart, Stat.edtDocDateEnd, Stat.edtCreateDateStart, Stat.edtCreateDateEnd})
        d->setDate(today);
    QDate first, last;
    StatService::PeriodDays(2, first, last);
    for (QDateEdit* d : {Trend.edtDocDateStart, Trend.edtCreateDateStart}) d->setDate(first);
    for (QDateEdit* d : {Trend.edtDocDateEnd, Trend.edtCreateDateEnd}) d->setDate(last);
    for (QLineEdit* key : {Stat.edtProductSearchKey, Trend.edtProductSearchKey})
        key->setText(StatStatements::KeyPlaceholder());
    m_labels.Register(QStringLiteral("Product"), nullptr, gridStat);
}

StatService::TStatFilter TReportFrame::FilterOf(const CriteriaPanel& p) {
    StatService::TStatFilter f;
    f.scopeIndex = p.edtProductSearchScope->currentIndex();
    f.key = p.edtProductSearchKey->text();
    f.byCreateDate = p.chkCreateDate->isChecked();
    f.start = (f.byCreateDate ? p.edtCreateDateStart : p.edtDocDateStart)->date();
    f.end = (f.byCreateDate ? p.edtCreateDateEnd : p.edtDocDateEnd)->date();
    return f;
}

void TReportFrame::openQuery(DataSet* ds, const StatService::TStatQuery& q) {
    ds->close();
    ds->setSql(q.sql);
    ds->clearParams();
    for (auto it = q.params.cbegin(); it != q.params.cend(); ++it) ds->setParam(it.key(), it.value());
    ds->open();
}

void TReportFrame::RunProductStats() {
    if (m_side.repairsCosts) StatService::RepairSaleCosts(m_conn);
    const StatService::TStatFilter f = FilterOf(Stat);
    gridStat->clearFooter();
    openQuery(queryStatSum, StatService::Totals(m_side.side, f));
    openQuery(queryStat, StatService::ProductStats(m_side.side, f));
    showTotals();
}

void TReportFrame::showTotals() {
    gridStat->setFooterText(QStringLiteral("productName"), QStringLiteral("合计:"));
    if (!queryStatSum->isActive() || queryStatSum->isEmpty()) return;
    // The sums as they are, not rounded to cents: the footer is the check
    // figure against the rows above. Only the binary noise that adding
    // thousands of two-decimal amounts leaves in the last digits
    // (45059.7500000001) goes.
    for (const QString& f : m_side.sumFields) {
        const QVariant v = queryStatSum->valueAt(0, f);
        gridStat->setFooterText(f, v.isNull() ? QString()
                                              : DisplayFormat::plainNumber(std::round(v.toDouble() * 1e8) / 1e8));
    }
}

void TReportFrame::setPanelPeriod(CriteriaPanel& p, int kind) {
    p.edtProductSearchScope->setCurrentIndex(0);
    p.edtProductSearchKey->hide();
    p.chkDocDate->setChecked(true);
    QDate start, end;
    StatService::PeriodDays(kind, start, end);
    p.edtDocDateStart->setDate(start);
    p.edtDocDateEnd->setDate(end);
}

void TReportFrame::SetStatPeriod(int kind) { setPanelPeriod(Stat, kind); }

void TReportFrame::SetTrendPeriod(int kind) {
    setPanelPeriod(Trend, kind);
    edtPeriodTD->setCurrentIndex(StatService::TrendGroupingFor(kind) == Grouping::Day ? 0 : 1);
}

void TReportFrame::RunTrend() {
    const Grouping g = edtPeriodTD->currentIndex() == 0 ? Grouping::Day : Grouping::Month;
    openQuery(queryTrend, StatService::Trend(m_side.side, g, FilterOf(Trend)));
    drawTrend();
}

void TReportFrame::drawTrend() {
    QList<StatService::TTrendPoint> points;
    const int n = queryTrend->recordCount();
    points.reserve(n);
    const bool profit = !m_side.revenueTitle.isEmpty();
    for (int i = 0; i < n; ++i) {
        StatService::TTrendPoint p;
        p.date = queryTrend->valueAt(i, QStringLiteral("fDate")).toLongLong();
        p.amount = queryTrend->valueAt(i, QStringLiteral("ftotalPrice")).toDouble();
        if (profit) p.revenue = queryTrend->valueAt(i, QStringLiteral("ftotalRevenue")).toDouble();
        points.append(p);
    }
    TrendChart->SetPoints(points);
}
