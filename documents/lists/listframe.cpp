#include "listframe.h"

#include "backgroundquery.h"
#include "datagrid.h"
#include "dataset.h"
#include "dynamicfield.h"
#include "exporter.h"
#include "formkit.h"
#include "guard.h"
#include "listdeletes.h"
#include "maindm.h"
#include "quickmessagedlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

using namespace ListStatements;

namespace {
QToolButton* toolButton(QWidget* parent, const char* name, const QString& text) {
    return NamedToolButton(parent, QString::fromLatin1(name), text, 52);
}

// A sum as the footer writes it: two decimals for a floating value (unless
// the kind shows sums as they are), the text of anything else, nothing for
// an empty sum.
QString sumText(const QVariant& v, bool twoDecimals) {
    if (!v.isValid() || v.isNull()) return QString();
    if (twoDecimals && v.typeId() == QMetaType::Double) return QString::asprintf("%.2f", v.toDouble());
    return v.toString();
}
} // namespace

TListFrame::TListFrame(const TListKind& kind, const TListFrameDeps& deps, QWidget* parent)
    : QWidget(parent), m_kind(kind), m_dm(deps.dm), m_labels(deps.labels), m_hooks(deps.hooks) {
    Connection* conn = &m_dm.MainConn;
    queryMain = new DataSet(conn, this);
    queryMain->setObjectName(QStringLiteral("queryMain"));
    queryMain->addLookupField(QStringLiteral("auditStatusName"), QStringLiteral("auditStatus"), m_dm.queryAuditStatus,
                              QStringLiteral("keyInt"), QStringLiteral("valueStr"));
    queryDetail = new DataSet(conn, this);
    queryDetail->setObjectName(QStringLiteral("queryDetail"));
    if (m_kind.moneyPatterns) {
        queryMain->setDisplayFormat(QStringLiteral("totalPrice"), QStringLiteral("#.##"));
        queryDetail->setDisplayFormat(QStringLiteral("unitPrice"), QStringLiteral("#.##"));
        queryDetail->setDisplayFormat(QStringLiteral("totalPrice"), QStringLiteral("#.##"));
    }

    buildToolBar();
    buildSearchPanel();
    buildPages();
    m_pages[Documents].list = queryMain;
    m_pages[Documents].grid = gridMain;
    m_pages[Lines].list = queryDetail;
    m_pages[Lines].grid = gridDetail;

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(2);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 2, 4, 2);
    bar->setSpacing(2);
    for (QToolButton* b : {ToolButton1, ToolButton2, ToolButton3, btnSearchSwitch, ToolButton7, btnExportMain,
                           btnExportDetail})
        bar->addWidget(b);
    if (rbMain) {
        bar->addSpacing(12);
        bar->addWidget(rbMain);
        bar->addWidget(rbDetail);
    }
    bar->addStretch();
    if (!m_kind.flagName.isEmpty()) {
        auto* flag = new QLabel(m_kind.flagText, this);
        flag->setObjectName(m_kind.flagName);
        flag->setStyleSheet(QStringLiteral("QLabel { color: white; background: %1; border-radius: 4px; "
                                           "padding: 3px 8px; font-weight: bold; }")
                                .arg(m_kind.flagColor));
        bar->addWidget(flag);
    }
    root->addLayout(bar);
    root->addWidget(pFind);
    root->addWidget(PageControl1, 1);
    showFooter(Documents);
    showFooter(Lines);
}

TListFrame::~TListFrame() = default;

void TListFrame::buildToolBar() {
    ToolButton1 = toolButton(this, "ToolButton1", QStringLiteral("新建(&N)"));
    ToolButton2 = toolButton(this, "ToolButton2", QStringLiteral("修改"));
    ToolButton3 = toolButton(this, "ToolButton3", QStringLiteral("删除"));
    btnSearchSwitch = toolButton(this, "btnSearchSwitch", QStringLiteral("查找"));
    btnSearchSwitch->setCheckable(true);
    ToolButton7 = toolButton(this, "ToolButton7", QStringLiteral("刷新"));
    btnExportMain = toolButton(this, "btnExportMain", QStringLiteral("导出"));
    btnExportDetail = toolButton(this, "btnExportDetail", QStringLiteral("导出"));
    btnExportDetail->hide();
    connect(ToolButton1, &QToolButton::clicked, this, Guarded([this] { NewDocument(); }));
    connect(ToolButton2, &QToolButton::clicked, this, Guarded([this] { OpenSelected(); }));
    connect(ToolButton3, &QToolButton::clicked, this, Guarded([this] { DeleteSelected(); }));
    connect(btnSearchSwitch, &QToolButton::toggled, this, Guarded([this](bool down) { pFind->setVisible(down); }));
    connect(ToolButton7, &QToolButton::clicked, this, Guarded([this] { refreshButton(); }));
}

DataGrid* TListFrame::buildGrid(QWidget* page, const char* name, const QList<TListKind::Column>& columns) {
    auto* grid = new DataGrid(page);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setReadOnly(true);
    grid->setRowSelect(true);
    grid->view()->setAlternatingRowColors(true);
    for (const TListKind::Column& c : columns) grid->addColumn(c.field, c.title);
    grid->view()->installEventFilter(this);
    connect(grid, &DataGrid::rowDoubleClicked, this, Guarded([this] { OpenSelected(); }));
    auto* l = new QVBoxLayout(page);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(grid);
    return grid;
}

void TListFrame::buildPages() {
    PageControl1 = Named<QTabWidget>(this, "PageControl1");
    tsMain = Named<QWidget>(PageControl1, "tsMain");
    tsDetail = Named<QWidget>(PageControl1, "tsDetail");
    gridMain = buildGrid(tsMain, "gridMain", m_kind.documentColumns);
    gridDetail = buildGrid(tsDetail, "gridDetail", m_kind.lineColumns);
    gridMain->setDataSet(queryMain);
    gridDetail->setDataSet(queryDetail);
    gridMain->setFooterMode(DataGrid::FooterMode::Columns);
    gridDetail->setFooterMode(m_kind.wideLinesFooter ? DataGrid::FooterMode::Wide : DataGrid::FooterMode::Columns);
    PageControl1->addTab(tsMain, m_kind.documentsPage);
    PageControl1->addTab(tsDetail, m_kind.linesPage);
    connect(PageControl1, &QTabWidget::currentChanged, this, Guarded([this](int index) { pageChanged(index); }));
    if (!m_kind.pageButtons) return;
    PageControl1->tabBar()->hide();
    rbMain = new QRadioButton(m_kind.documentsPage, this);
    rbMain->setObjectName(QStringLiteral("rbMain"));
    rbMain->setChecked(true);
    rbDetail = new QRadioButton(m_kind.linesPage, this);
    rbDetail->setObjectName(QStringLiteral("rbDetail"));
    for (QRadioButton* rb : {rbMain, rbDetail})
        connect(rb, &QRadioButton::toggled, this, Guarded([this, rb](bool on) {
                    if (on) PageControl1->setCurrentWidget(rb == rbMain ? tsMain : tsDetail);
                }));
}

bool TListFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == gridMain->view() || watched == gridDetail->view())) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Guard::Run([this] { OpenSelected(); });
            return true;
        }
        if (key == Qt::Key_Delete) {
            Guard::Run([this] { DeleteSelected(); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ------------------------------------------------------------ preparation

void TListFrame::Prepare() {
    edtAuditStatus->clear();
    edtAuditStatus->addItem(QStringLiteral("<全部>"), QStringLiteral("-1"));
    edtAuditStatus->addItem(QStringLiteral("未审核"), QStringLiteral("0"));
    edtAuditStatus->addItem(QStringLiteral("已审核"), QStringLiteral("1"));
    const QString all = QStringLiteral("<全部>"), allKey = QStringLiteral("-1");
    const QString id = QStringLiteral("id");
    if (edtType && m_kind.types)
        followChoices(edtType, [this] { return m_kind.types(m_dm); }, id, QStringLiteral("elementValue"), all, allKey);
    followChoices(edtUser, [this] { return m_dm.queryUser; }, id, QStringLiteral("userName"), all, allKey);
    followChoices(edtCreateUser, [this] { return m_dm.queryUser; }, id, QStringLiteral("userName"), all, allKey);
    followChoices(edtPartner, [this] { return m_kind.partners(m_dm); }, id, m_kind.partnerNameField, QString(),
                  QString());
    const QDate today = QDateTime::currentDateTime().date();
    for (QDateEdit* d : {edtDateStart, edtDateEnd, edtCreateDateStart, edtCreateDateEnd}) d->setDate(today);
    ClearCriteria();
    // The exporters end with the frame: they hold widgets (the save dialog)
    // that must not outlive the application object.
    TExporter::Create(this, m_kind.exportDocuments, gridMain)->InstallOn(btnExportMain);
    TExporter::Create(this, m_kind.exportLines, gridDetail)->InstallOn(btnExportDetail);
    m_labels.Register(QStringLiteral("Product"), pRoot, gridDetail);
}

// ---------------------------------------------------------- entry points

void TListFrame::ListAll() {
    LoadLists({});
}

void TListFrame::ListUnaudited() {
    LoadLists(UnauditedCriteria());
}

void TListFrame::StartSearch() {
    ResetLists();
    ClearCriteria();
    btnSearchSwitch->setChecked(true);
    pFind->show();
    edtProductCode->setFocus();
}

void TListFrame::FilterByProduct(qint32 productId) {
    LoadLists(ProductFilter(m_kind.kind, productId));
}

void TListFrame::ShowLinesPage() {
    showPageWork(Lines);
    ++m_pageSync;
    PageControl1->setCurrentWidget(tsDetail);
    --m_pageSync;
}

bool TListFrame::LinesPageShown() const {
    return currentPage() == Lines;
}

TListFrame::Page TListFrame::currentPage() const {
    return PageControl1->currentWidget() == tsDetail ? Lines : Documents;
}

QString TListFrame::numberColumn() const {
    return Names(m_kind.kind).numberColumn;
}

// ------------------------------------------------------------- the lists

void TListFrame::LoadLists(const ListCriteria& criteria) {
    const ListCriteria c = WithDirection(m_kind.kind, criteria);
    const ListStatements::Kind k = m_kind.kind;
    closeAll();
    m_params = c.params;
    m_pages[Documents].sql = BuildStatement(k, Query::Documents, c.documents, SqlForm::Sqlite);
    m_pages[Documents].sumSql = BuildStatement(k, Query::DocumentsSum, c.documents, SqlForm::Sqlite);
    m_pages[Lines].sql = BuildStatement(k, Query::Lines, c.lines, SqlForm::Sqlite);
    m_pages[Lines].sumSql = BuildStatement(k, Query::LinesSum, c.lines, SqlForm::Sqlite);
    for (PageLists& p : m_pages) {
        p.list->setSql(p.sql);
        p.list->clearParams();
        for (auto it = m_params.cbegin(); it != m_params.cend(); ++it) p.list->setParam(it.key(), it.value());
    }
    openPage(currentPage());
}

void TListFrame::ResetLists() {
    closeAll();
    for (PageLists& p : m_pages) {
        p.sql.clear();
        p.sumSql.clear();
        p.list->setSql(QString());
    }
    m_params.clear();
}

void TListFrame::closeAll() {
    for (int i = 0; i < 2; ++i) {
        PageLists& p = m_pages[i];
        p.list->close();
        p.sumOpen = false;
        p.sums.clear();
        ++p.generation; // a read still under way is of no use any more
        showFooter(Page(i));
    }
}

// The rows first: the sum's thread would otherwise share the processor with
// the first page the user waits for. (closeAll has emptied the footer, so a
// list that fails to open shows no old total.)
void TListFrame::openPage(Page page) {
    openList(page);
    openSum(page);
}

void TListFrame::openList(Page page) {
    PageLists& p = m_pages[page];
    if (p.sql.isEmpty() || p.list->isActive()) return;
    p.list->open();
}

// The sum is read on a connection of its own off the interface thread: on
// years of lines it takes longer than the rows, and the window must not
// wait for it.
void TListFrame::openSum(Page page) {
    PageLists& p = m_pages[page];
    if (p.sumSql.isEmpty() || p.sumOpen) return;
    p.sumOpen = true;
    p.sums.clear();
    const int generation = ++p.generation;
    ++m_pendingSums;
    showFooter(page);
    TBackgroundQuery::FirstRow(m_dm.MainConn, p.sumSql, m_params, this,
                               [this, page, generation](const QVariantList& row, const QString& error) {
                                   --m_pendingSums;
                                   PageLists& q = m_pages[page];
                                   if (generation == q.generation) {
                                       q.sums = row;
                                       showFooter(page);
                                   }
                                   if (!error.isEmpty()) Guard::Report(error);
                                   emit sumsShown();
                               });
}

void TListFrame::showFooter(Page page) {
    const PageLists& p = m_pages[page];
    const QString number = numberColumn();
    const bool have = p.sumOpen && !p.sums.isEmpty();
    const bool decimals = m_kind.moneyPatterns;
    if (page == Documents) {
        gridMain->setFooterText(number, QStringLiteral("合计:"));
        gridMain->setFooterText(QStringLiteral("totalPrice"), have ? sumText(p.sums.value(0), decimals) : QString());
        return;
    }
    if (m_kind.wideLinesFooter) {
        QString text = QStringLiteral("合计:   ");
        if (have)
            text += QStringLiteral("数量：") + sumText(p.sums.value(0), decimals) + QStringLiteral("    总价：") +
                    sumText(p.sums.value(1), decimals) + QStringLiteral(" 元");
        gridDetail->setWideFooterText(text);
        return;
    }
    gridDetail->setFooterText(number, QStringLiteral("合计:"));
    gridDetail->setFooterText(QStringLiteral("quantity"), have ? sumText(p.sums.value(0), decimals) : QString());
    gridDetail->setFooterText(QStringLiteral("totalPrice"), have ? sumText(p.sums.value(1), decimals) : QString());
}

void TListFrame::pageChanged(int) {
    // The radio buttons follow a page chosen by code.
    if (rbMain) (currentPage() == Lines ? rbDetail : rbMain)->setChecked(true);
    if (m_pageSync) return;
    showPageWork(currentPage());
}

void TListFrame::showPageWork(Page page) {
    btnExportMain->setVisible(page == Documents);
    btnExportDetail->setVisible(page == Lines);
    openPage(page);
}

void TListFrame::RefreshList() {
    if (!isVisible()) return;
    const Page page = currentPage();
    DataSet* list = m_pages[page].list;
    const int row = list->isActive() ? list->recNo() : -1;
    closeAll();
    openPage(page);
    if (!list->isActive()) return;
    // The row may be gone (deleted); staying near it is enough.
    if (row > 0) Guard::Run([&] {
            try {
                list->setRecNo(std::min(row, std::max(1, list->recordCount())));
            } catch (...) {
            }
        });
}

// "刷新": the whole refresh, or for a kind that keeps its footer there, the
// visible list alone reopened at its first row.
void TListFrame::refreshButton() {
    if (!m_kind.refreshListOnly) {
        RefreshList();
        return;
    }
    PageLists& p = m_pages[currentPage()];
    if (p.sql.isEmpty()) return;
    p.list->close();
    p.list->open();
}

// ------------------------------------------------------ opening, deleting

void TListFrame::OpenSelected() {
    DataSet* list = m_pages[currentPage()].list;
    if (!list->isActive() || list->recNo() <= 0 || list->isEmpty()) return;
    const QString number = list->value(numberColumn()).toString();
    if (m_hooks.openDocument) m_hooks.openDocument(m_kind.kind, number);
}

void TListFrame::NewDocument() {
    if (m_hooks.newDocument) m_hooks.newDocument(m_kind.kind);
}

void TListFrame::DeleteSelected() {
    if (!TQuickMessageDlg::Confirm(m_kind.deleteConfirm)) return;
    if (currentPage() == Documents)
        DeleteDocument();
    else
        DeleteLine();
}

void TListFrame::DeleteDocument() {
    if (!queryMain->isActive() || queryMain->isEmpty() || queryMain->recNo() <= 0) return;
    // The row says audited: refuse at once. The row may also be older than
    // an audit made in the editor meanwhile, which the delete itself finds.
    if (queryMain->value(QStringLiteral("auditStatus")).toInt() == 1) {
        TQuickMessageDlg::ShowInfo(ListDeletes::AuditedMessage());
        return;
    }
    const QString number = queryMain->value(numberColumn()).toString();
    const ListDeletes::Outcome out = ListDeletes::DeleteDocument(m_dm.MainConn, m_kind.kind, number);
    if (out == ListDeletes::Outcome::Audited) TQuickMessageDlg::ShowInfo(ListDeletes::AuditedMessage());
    RefreshList();
}

void TListFrame::DeleteLine() {
    if (!queryDetail->isActive() || queryDetail->isEmpty() || queryDetail->recNo() <= 0) return;
    if (queryDetail->value(QStringLiteral("auditStatus")).toInt() == 1) {
        TQuickMessageDlg::ShowInfo(ListDeletes::AuditedMessage());
        return;
    }
    const qint64 id = queryDetail->value(Names(m_kind.kind).lineIdAlias).toLongLong();
    const ListDeletes::LineOutcome out = ListDeletes::DeleteLine(m_dm.MainConn, m_kind.kind, id);
    if (out.outcome == ListDeletes::Outcome::Audited) TQuickMessageDlg::ShowInfo(ListDeletes::AuditedMessage());
    if (out.documentGone) queryMain->close();
    RefreshList();
}
