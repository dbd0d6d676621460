#include "inventoryframe.h"

#include "appcontext.h"
#include "backgroundquery.h"
#include "datagrid.h"
#include "dataset.h"
#include "dbtree.h"
#include "dynamicfield.h"
#include "exporter.h"
#include "formkit.h"
#include "guard.h"
#include "maindm.h"
#include "storageunitcosteditform.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

using ListStatements::Kind;

TInventoryFrame::TInventoryFrame(const TInventoryDeps& deps, QWidget* parent)
    : QWidget(parent), m_dm(deps.dm), m_context(deps.context), m_labels(deps.labels),
      m_unitCostForm(deps.unitCostForm), m_showProductLines(deps.showProductLines) {
    Connection* conn = &m_dm.MainConn;
    queryCategory = new DataSet(conn, this);
    queryCategory->setObjectName(QStringLiteral("queryCategory"));
    queryCategory->setSql(TMainDM::CategoryListSql());
    queryCategory->setFetchBlock(0);
    queryInventory = new DataSet(conn, this);
    queryInventory->setObjectName(QStringLiteral("queryInventory"));
    queryInventory->addLookupField(QStringLiteral("unitName"), QStringLiteral("unitID"), m_dm.queryUnit,
                                   QStringLiteral("id"), QStringLiteral("unitName"));
    queryInventory->addLookupField(QStringLiteral("categoryName"), QStringLiteral("categoryID"), queryCategory,
                                   QStringLiteral("id"), QStringLiteral("categoryName"));
    queryInventory->addCalculatedField(QStringLiteral("total_cost"), FieldType::Float,
                                       [](const DataSet& ds, int row) {
                                           return StockView::TotalCost(ds.valueAt(row, QStringLiteral("unit_cost")),
                                                                       ds.valueAt(row, QStringLiteral("quantity")));
                                       });
    for (const char* f : {"quantity", "unit_cost", "total_cost"})
        queryInventory->setDisplayFormat(QString::fromLatin1(f), QStringLiteral("#.##"));

    // Left: the category tree.
    auto* treePages = Named<QTabWidget>(this, "PageControl2");
    JvDBTreeView1 = Named<QTreeWidget>(treePages, "JvDBTreeView1");
    JvDBTreeView1->setHeaderHidden(true);
    m_tree = new DBTree(JvDBTreeView1);
    m_tree->setFields(QStringLiteral("id"), QStringLiteral("parentID"), QStringLiteral("categoryName"));
    treePages->addTab(JvDBTreeView1, QStringLiteral("按商品目录浏览"));

    // Right: search, buttons, the list, the tips.
    auto* right = new QWidget(this);
    auto* rl = new QVBoxLayout(right);
    rl->setContentsMargins(0, 0, 0, 0);
    rl->addWidget(buildSearchGroup());
    rl->addWidget(buildButtons());
    auto* listPages = Named<QTabWidget>(right, "PageControl1");
    JvDBGrid1 = new DataGrid(listPages);
    JvDBGrid1->setObjectName(QStringLiteral("JvDBGrid1"));
    JvDBGrid1->setDataSet(queryInventory);
    JvDBGrid1->setReadOnly(true);
    JvDBGrid1->setRowSelect(true);
    JvDBGrid1->setFooterMode(DataGrid::FooterMode::Columns);
    JvDBGrid1->view()->setAlternatingRowColors(true);
    JvDBGrid1->view()->installEventFilter(this);
    buildGrid(true);
    listPages->addTab(JvDBGrid1, QStringLiteral("商品库存"));
    rl->addWidget(listPages, 1);
    auto* tips = Named<QLabel>(right, "pTip");
    tips->setText(QStringLiteral("使用提示：\n(1) 只有审核过的进货/销售单据才会影响库存数量\n"
                                 "(2) “库存单价”即当前库存商品的成本价，由软件采用“移动加权平均法”在每次进货时自动计算"));
    tips->setWordWrap(true);
    rl->addWidget(tips);

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(treePages);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    split->setSizes({220, 780});
    split->setChildrenCollapsible(false);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(4, 4, 4, 4);
    root->addWidget(split);

    connect(JvDBTreeView1, &QTreeWidget::currentItemChanged, this,
            Guarded([this](QTreeWidgetItem* item) { treeChanged(item); }));
    connect(JvDBGrid1, &DataGrid::rowDoubleClicked, this, Guarded([this] { EditUnitCost(); }));
}

TInventoryFrame::~TInventoryFrame() {
    delete m_tree;
}

QWidget* TInventoryFrame::buildSearchGroup() {
    auto* box = new QGroupBox(QStringLiteral("查找"), this);
    box->setObjectName(QStringLiteral("gbSearch"));
    cbSearchScope = Named<QComboBox>(box, "cbSearchScope");
    cbSearchScope->addItems(StockView::ScopeItems());
    edtSearchKey = Named<QLineEdit>(box, "edtSearchKey");
    edtSearchKey->setMinimumWidth(160);
    edtSearchKey->installEventFilter(this);
    cbCategory = Named<QComboBox>(box, "cbCategory");
    cbCategory->setMinimumWidth(120);
    cbQuantityCond = Named<QComboBox>(box, "cbQuantityCond");
    cbQuantityCond->addItems(StockView::QuantityConditions());
    edtQuantity = Named<QDoubleSpinBox>(box, "edtQuantity");
    edtQuantity->setRange(-1e9, 1e9);
    edtQuantity->setDecimals(2);
    edtQuantity->setEnabled(false);
    edtQuantity->installEventFilter(this);
    JvBitBtn9 = NamedButton(box, "JvBitBtn9", QStringLiteral("查找"));
    auto* lbCategory = new QLabel(QStringLiteral("目录:"), box);
    lbCategory->setBuddy(cbCategory);
    auto* lbQuantity = new QLabel(QStringLiteral("库存数:"), box);
    lbQuantity->setBuddy(cbQuantityCond);
    auto* l = new QHBoxLayout(box);
    l->setContentsMargins(6, 4, 6, 4);
    for (QWidget* w : std::initializer_list<QWidget*>{cbSearchScope, edtSearchKey, lbCategory, cbCategory,
                                                      lbQuantity, cbQuantityCond, edtQuantity, JvBitBtn9})
        l->addWidget(w, w == edtSearchKey ? 1 : 0);

    connect(edtSearchKey, &QLineEdit::returnPressed, this, Guarded([this] { SearchStock(); }));
    connect(JvBitBtn9, &QPushButton::clicked, this, Guarded([this] { SearchStock(); }));
    connect(cbQuantityCond, &QComboBox::currentIndexChanged, this,
            Guarded([this](int index) { edtQuantity->setEnabled(index > 0); }));
    return box;
}

QWidget* TInventoryFrame::buildButtons() {
    auto* w = new QWidget(this);
    JvImgBtn1 = NamedButton(w, "JvImgBtn1", QStringLiteral("刷新"));
    btnExport = NamedButton(w, "btnExport", QStringLiteral("导出"));
    JvImgBtn2 = NamedButton(w, "JvImgBtn2", QStringLiteral("修改库存单价"));
    btnPurchaseDetail = NamedButton(w, "btnPurchaseDetail", QStringLiteral("查看进货记录"));
    btnSaleDetail = NamedButton(w, "btnSaleDetail", QStringLiteral("查看销售记录"));
    auto* l = ButtonRow({JvImgBtn1, btnExport, JvImgBtn2, btnPurchaseDetail, btnSaleDetail, nullptr});
    l->setContentsMargins(0, 0, 0, 0);
    w->setLayout(l);
    connect(JvImgBtn1, &QPushButton::clicked, this, Guarded([this] { RefreshStock(); }));
    connect(JvImgBtn2, &QPushButton::clicked, this, Guarded([this] { EditUnitCost(); }));
    connect(btnPurchaseDetail, &QPushButton::clicked, this, Guarded([this] { ShowDocuments(Kind::Purchase); }));
    connect(btnSaleDetail, &QPushButton::clicked, this, Guarded([this] { ShowDocuments(Kind::Sale); }));
    return w;
}

void TInventoryFrame::buildGrid(bool withCost) {
    const struct {
        const char* field;
        const char* title;
        bool cost;
    } columns[] = {
        {"productCode", "商品编码", false},   {"productName", "商品名称", false},
        {"product_model", "型号", false},     {"product_spec", "规格", false},
        {"quantity", "库存数量", false},      {"unit_cost", "库存单价", true},
        {"total_cost", "成本合计", true},     {"unitName", "单位", false},
        {"categoryName", "商品所在目录", false}, {"dfield1", "自定义字段1", false},
        {"dfield2", "自定义字段2", false},    {"dfield3", "自定义字段3", false},
        {"dfield4", "自定义字段4", false},    {"dfield5", "自定义字段5", false},
        {"dfield6", "自定义字段6", false},
    };
    JvDBGrid1->clearColumns();
    for (const auto& c : columns)
        if (withCost || !c.cost) JvDBGrid1->addColumn(QString::fromLatin1(c.field), QString::fromUtf8(c.title));
}

bool TInventoryFrame::eventFilter(QObject* watched, QEvent* event) {
    // Entering the key or the quantity selects what it holds, so typing
    // replaces it.
    if (event->type() == QEvent::FocusIn) {
        if (watched == edtSearchKey) QTimer::singleShot(0, edtSearchKey, &QLineEdit::selectAll);
        if (watched == edtQuantity) QTimer::singleShot(0, edtQuantity, &QDoubleSpinBox::selectAll);
    }
    if (watched == JvDBGrid1->view() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Guard::Run([this] { EditUnitCost(); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ------------------------------------------------------------ preparation

void TInventoryFrame::Prepare() {
    m_labels.Register(QStringLiteral("Product"), nullptr, JvDBGrid1);
    ++m_treeSync;
    queryCategory->open();
    m_tree->fill(*queryCategory);
    JvDBTreeView1->expandAll();
    --m_treeSync;
    fillCategoryBox();
    TExporter::Create(this, QStringLiteral("商品库存"), JvDBGrid1)->InstallOn(btnExport);
    // Whoever may not see costs gets neither the columns nor the footer's
    // cost total.
    if (!m_context.IsAdmin()) buildGrid(false);
}

void TInventoryFrame::fillCategoryBox() {
    cbCategory->clear();
    cbCategory->addItem(QStringLiteral("<全部>"), 0);
    if (queryCategory->isActive()) {
        const int n = queryCategory->recordCount();
        for (int r = 0; r < n; ++r)
            cbCategory->addItem(queryCategory->valueAt(r, QStringLiteral("categoryName")).toString(),
                                queryCategory->valueAt(r, QStringLiteral("id")).toInt());
    }
    cbCategory->setCurrentIndex(0);
}

// The categories as read, to see whether the tree and the box need building
// again: on most openings of the window nothing has changed.
QStringList TInventoryFrame::categoryRows() const {
    QStringList out;
    if (!queryCategory->isActive()) return out;
    const int n = queryCategory->recordCount();
    const int fields = queryCategory->fieldCount();
    for (int r = 0; r < n; ++r)
        for (int f = 0; f < fields; ++f) out << queryCategory->valueAt(r, f).toString();
    return out;
}

void TInventoryFrame::ReloadStock() {
    // The category lists may fail to read again; the stock is still shown,
    // with the categories as they were.
    try {
        ++m_treeSync;
        const QVariant selected = m_tree->keyOf(JvDBTreeView1->currentItem());
        const QStringList before = categoryRows();
        queryCategory->close();
        queryCategory->open();
        if (categoryRows() != before || JvDBTreeView1->topLevelItemCount() == 0) {
            m_tree->fill(*queryCategory);
            JvDBTreeView1->expandAll();
            if (QTreeWidgetItem* item = m_tree->findItem(selected)) JvDBTreeView1->setCurrentItem(item);
            fillCategoryBox();
        }
        --m_treeSync;
    } catch (...) {
        m_treeSync = 0;
    }
    cbCategory->setCurrentIndex(0);
    if (queryCategory->isActive()) queryCategory->first();
    SearchStock();
}

// ------------------------------------------------------------- the stock

StockView::Search TInventoryFrame::SearchGroup() const {
    StockView::Search s;
    s.scope = cbSearchScope->currentIndex();
    s.key = edtSearchKey->text();
    s.categoryId = cbCategory->currentIndex() > 0 ? cbCategory->currentData().toInt() : 0;
    s.quantityCond = cbQuantityCond->currentIndex();
    s.quantity = edtQuantity->value();
    return s;
}

void TInventoryFrame::SearchStock() {
    LoadStock(StockView::BuildCriteria(SearchGroup(), &m_dm.MainConn));
}

void TInventoryFrame::treeChanged(QTreeWidgetItem* item) {
    if (m_treeSync || !item) return;
    LoadStock(StockView::TreeCriteria(DBTree::keyOf(item).toInt()));
}

void TInventoryFrame::LoadStock(const StockView::Criteria& criteria) {
    m_criteria = criteria;
    m_loaded = true;
    queryInventory->close();
    queryInventory->setSql(StockView::ListStatement(criteria.text));
    queryInventory->clearParams();
    for (auto it = criteria.params.cbegin(); it != criteria.params.cend(); ++it)
        queryInventory->setParam(it.key(), it.value());
    openRowsThenSums();
}

void TInventoryFrame::RefreshStock() {
    if (!m_loaded) return;
    openRowsThenSums();
}

// The rows first: the sums' thread would otherwise share the processor with
// the first page the user waits for. The footer is emptied before, so a list
// that fails to open shows no old total.
void TInventoryFrame::openRowsThenSums() {
    m_sums.clear();
    ++m_sumGeneration;
    showFooter();
    queryInventory->close();
    queryInventory->open();
    openSums();
}

// The sums over a hundred thousand stock rows are read off the interface
// thread; the footer follows when they are there.
void TInventoryFrame::openSums() {
    m_sums.clear();
    const int generation = ++m_sumGeneration;
    ++m_pendingSums;
    showFooter();
    TBackgroundQuery::FirstRow(m_dm.MainConn, StockView::SumStatement(m_criteria.text), m_criteria.params,
                               this, [this, generation](const QVariantList& row, const QString& error) {
                                   --m_pendingSums;
                                   if (generation == m_sumGeneration) {
                                       m_sums = row;
                                       showFooter();
                                   }
                                   if (!error.isEmpty()) Guard::Report(error);
                                   emit sumsShown();
                               });
}

void TInventoryFrame::showFooter() {
    auto text = [this](int i) {
        const QVariant v = m_sums.value(i);
        return v.isValid() && !v.isNull() ? QString::asprintf("%.2f", v.toDouble()) : QString();
    };
    JvDBGrid1->setFooterText(QStringLiteral("quantity"), text(0));
    JvDBGrid1->setFooterText(QStringLiteral("total_cost"), m_context.IsAdmin() ? text(1) : QString());
}

bool TInventoryFrame::hasRow() const {
    return queryInventory->isActive() && !queryInventory->isEmpty() && queryInventory->recNo() > 0;
}

void TInventoryFrame::EditUnitCost() {
    if (!m_context.IsAdmin() || !hasRow()) return;
    DataSet* q = queryInventory;
    TStorageUnitCostEditForm& f = m_unitCostForm;
    f.ProductID = q->value(QStringLiteral("productID")).toInt();
    f.lbCode->setText(q->value(QStringLiteral("productCode")).toString());
    f.lbName->setText(q->value(QStringLiteral("productName")).toString());
    const QVariant cost = q->value(QStringLiteral("unit_cost"));
    f.edtUnitCost->setText(cost.isNull() ? QString() : QString::number(cost.toDouble(), 'g', QLocale::FloatingPointShortest));
    f.edtUnitCost->selectAll();
    f.edtUnitCost->setFocus();
    if (f.exec() != QDialog::Accepted) return;
    // Saved on the stock row itself, never on the product: a product may
    // hold more than one stock row.
    StockView::SaveUnitCost(m_dm.MainConn, q->value(QStringLiteral("inventoryID")).toLongLong(),
                            f.edtUnitCost->text());
    // The row shows its new cost and value; the footer keeps its totals
    // until the next load or refresh.
    const int row = q->recNo();
    q->close();
    q->open();
    try {
        q->setRecNo(row);
    } catch (...) {
    }
}

void TInventoryFrame::ShowDocuments(Kind kind) {
    if (!hasRow() || !m_showProductLines) return;
    DataSet* q = queryInventory;
    const QString caption = q->value(QStringLiteral("productName")).toString() + QLatin1Char('[') +
                            q->value(QStringLiteral("productCode")).toString() + QLatin1Char(']') +
                            (kind == Kind::Sale ? QStringLiteral(" - 所有销售单") : QStringLiteral(" - 所有进货单"));
    m_showProductLines(kind, q->value(QStringLiteral("productID")).toInt(), caption);
}
