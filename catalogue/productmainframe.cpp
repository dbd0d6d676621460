#include "productmainframe.h"

#include "datagrid.h"
#include "dataset.h"
#include "dbedits.h"
#include "dbtree.h"
#include "dbutils.h"
#include "dynamicfield.h"
#include "exporter.h"
#include "formkit.h"
#include "guard.h"
#include "maindm.h"
#include "producteditform.h"
#include "productmanagerdm.h"
#include "quickmessagedlg.h"
#include "sqltext.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QToolButton* toolButton(QWidget* parent, const char* name, const QString& text) {
    return NamedToolButton(parent, QString::fromLatin1(name), text, 48);
}

} // namespace

TProductMainFrame::TProductMainFrame(TProductManagerDM& products, TProductEditForm& editor, TDFMProxy& labels,
                                     QWidget* parent)
    : QWidget(parent), m_products(products), m_dm(products.MainDM()), m_editor(editor), m_labels(labels) {
    setObjectName(QStringLiteral("ProductMainFrame"));
    Connection* conn = &m_dm.MainConn;
    queryCategory = new DataSet(conn, this);
    queryCategory->setObjectName(QStringLiteral("queryCategory"));
    queryCategory->setSql(TMainDM::CategoryListSql());
    queryCategory->setUpdateTable(QStringLiteral("ProductCategory"));
    queryCategoryList2 = new DataSet(conn, this);
    queryCategoryList2->setObjectName(QStringLiteral("queryCategoryList2"));
    queryCategoryList2->setSql(TMainDM::CategoryListSql());
    queryCategoryList2->setFetchBlock(0);

    buildCategoryBox();
    buildProductBox();
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName(QStringLiteral("Splitter1"));
    split->addWidget(gbCategory);
    split->addWidget(gbProduct);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setSizes({240, 760});
    split->setChildrenCollapsible(false);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(4, 4, 4, 4);
    root->addWidget(split);

    connect(queryCategory, &DataSet::stateChanged, this, &TProductMainFrame::dsCategoryStateChange);
    // Another window changed the categories: follow, unless we are in the
    // middle of editing one here.
    connect(m_products.queryCategoryList, &DataSet::rowsReset, this,
            &TProductMainFrame::reloadCategories);
    dsCategoryStateChange();
}

TProductMainFrame::~TProductMainFrame() {
    delete m_tree;
}

void TProductMainFrame::buildCategoryBox() {
    gbCategory = new QGroupBox(QStringLiteral("商品目录"), this);
    gbCategory->setObjectName(QStringLiteral("gbCategory"));
    btnCatNew = toolButton(gbCategory, "btnCatNew", QStringLiteral("新建(&N)"));
    btnCatEdit = toolButton(gbCategory, "btnCatEdit", QStringLiteral("修改"));
    btnCatDelete = toolButton(gbCategory, "btnCatDelete", QStringLiteral("删除"));
    auto* tools = new QHBoxLayout;
    tools->setSpacing(2);
    for (QToolButton* b : {btnCatNew, btnCatEdit, btnCatDelete})
        tools->addWidget(b);
    tools->addStretch();
    buildCategoryPanel();

    treeCategory = new QTreeWidget(gbCategory);
    treeCategory->setObjectName(QStringLiteral("treeCategory"));
    treeCategory->setHeaderHidden(true);
    m_tree = new DBTree(treeCategory);
    m_tree->setFields(QStringLiteral("id"), QStringLiteral("parentID"),
                      QStringLiteral("categoryName"));

    auto* l = new QVBoxLayout(gbCategory);
    l->setContentsMargins(4, 4, 4, 4);
    l->addLayout(tools);
    l->addWidget(pCategory);
    l->addWidget(treeCategory, 1);

    connect(btnCatNew, &QToolButton::clicked, this, Guarded([this] { btnCatNewClick(); }));
    connect(btnCatEdit, &QToolButton::clicked, this, Guarded([this] { btnCatEditClick(); }));
    connect(btnCatDelete, &QToolButton::clicked, this, Guarded([this] { btnCatDeleteClick(); }));
    connect(treeCategory, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { treeCategoryChange(item); });
}

// The folding panel that edits one category: its parent and its name.
void TProductMainFrame::buildCategoryPanel() {
    pCategory = new QFrame(gbCategory);
    pCategory->setObjectName(QStringLiteral("pCategory"));
    static_cast<QFrame*>(pCategory)->setFrameShape(QFrame::StyledPanel);
    auto* lbParent = new QLabel(QStringLiteral("父目录:"), pCategory);
    lbParent->setObjectName(QStringLiteral("lbCatParent"));
    edtCatParent = new DBLookupCombo(pCategory);
    edtCatParent->setObjectName(QStringLiteral("edtCatParent"));
    edtCatParent->bind(queryCategory, QStringLiteral("parentID"));
    edtCatParent->setListSource(queryCategoryList2, QStringLiteral("id"),
                                QStringLiteral("categoryName"));
    auto* lbName = new QLabel(QStringLiteral("目录名称:"), pCategory);
    lbName->setObjectName(QStringLiteral("lbCatName"));
    edtCatName = new DBLineEdit(pCategory);
    edtCatName->setObjectName(QStringLiteral("edtCatName"));
    edtCatName->bind(queryCategory, QStringLiteral("categoryName"));
    // Carries the preset parent of a new category; never shown.
    edtCatParent2 = new DBLineEdit(pCategory);
    edtCatParent2->setObjectName(QStringLiteral("edtCatParent2"));
    edtCatParent2->bind(queryCategory, QStringLiteral("parentID"));
    edtCatParent2->hide();
    btnCatCancel = NamedButton(pCategory, "btnCatCancel", QStringLiteral("取消"));
    btnCatSave = NamedButton(pCategory, "btnCatSave", QStringLiteral("保存"));
    auto* pl = new QGridLayout(pCategory);
    pl->setContentsMargins(6, 6, 6, 6);
    pl->addWidget(lbParent, 0, 0);
    pl->addWidget(edtCatParent, 0, 1);
    pl->addWidget(lbName, 1, 0);
    pl->addWidget(edtCatName, 1, 1);
    pl->addLayout(ButtonRow({nullptr, btnCatCancel, btnCatSave}), 2, 0, 1, 2);
    pl->setColumnStretch(1, 1);
    connect(btnCatCancel, &QPushButton::clicked, this, Guarded([this] { btnCatCancelClick(); }));
    connect(btnCatSave, &QPushButton::clicked, this, Guarded([this] { btnCatSaveClick(); }));
}

void TProductMainFrame::buildProductBox() {
    gbProduct = new QGroupBox(QStringLiteral("商品定义"), this);
    gbProduct->setObjectName(QStringLiteral("gbProduct"));

    cbSearchScope = new QComboBox(gbProduct);
    cbSearchScope->setObjectName(QStringLiteral("cbSearchScope"));
    cbSearchScope->addItems({QStringLiteral("<模糊查找>"), QStringLiteral("商品名称"),
                             QStringLiteral("商品型号"), QStringLiteral("商品规格")});
    cbSearchScope->setCurrentIndex(AnyField);
    edtSearchKey = new QLineEdit(gbProduct);
    edtSearchKey->setObjectName(QStringLiteral("edtSearchKey"));
    edtSearchKey->setMinimumWidth(180);
    JvBitBtn9 = NamedButton(gbProduct, "JvBitBtn9", QStringLiteral("查找(&F)"));
    auto* search = new QHBoxLayout;
    search->addWidget(cbSearchScope);
    search->addWidget(edtSearchKey, 1);
    search->addWidget(JvBitBtn9);

    btnProductNew = toolButton(gbProduct, "btnProductNew", QStringLiteral("新建(&N)"));
    ToolButton5 = toolButton(gbProduct, "ToolButton5", QStringLiteral("修改"));
    btnProductDelete = toolButton(gbProduct, "btnProductDelete", QStringLiteral("删除"));
    auto* separator = new QFrame(gbProduct);
    separator->setObjectName(QStringLiteral("ToolButton4"));
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Sunken);
    ToolButton10 = toolButton(gbProduct, "ToolButton10", QStringLiteral("导入"));
    ToolButton10->setEnabled(false); // until the catalogue plugs in the import
    btnExport = toolButton(gbProduct, "btnExport", QStringLiteral("导出"));
    btnExport->setPopupMode(QToolButton::InstantPopup);
    ToolButton1 = toolButton(gbProduct, "ToolButton1", QStringLiteral("刷新"));
    auto* tools = new QHBoxLayout;
    tools->setSpacing(2);
    for (QWidget* w :
         std::initializer_list<QWidget*>{btnProductNew, ToolButton5, btnProductDelete, separator,
                                         ToolButton10, btnExport, ToolButton1})
        tools->addWidget(w);
    tools->addStretch();

    buildProductGrid();

    auto* l = new QVBoxLayout(gbProduct);
    l->setContentsMargins(4, 4, 4, 4);
    l->addLayout(search);
    l->addLayout(tools);
    l->addWidget(productGrid, 1);

    connect(JvBitBtn9, &QPushButton::clicked, this, Guarded([this] { SearchProducts(); }));
    connect(edtSearchKey, &QLineEdit::returnPressed, this, Guarded([this] { SearchProducts(); }));
    connect(btnProductNew, &QToolButton::clicked, this, Guarded([this] { btnProductNewClick(); }));
    connect(ToolButton5, &QToolButton::clicked, this, Guarded([this] { ToolButton5Click(); }));
    connect(btnProductDelete, &QToolButton::clicked, this, Guarded([this] { btnProductDeleteClick(); }));
    connect(ToolButton1, &QToolButton::clicked, this, Guarded([this] { ToolButton1Click(); }));
}

void TProductMainFrame::buildProductGrid() {
    TProductManagerDM* dm = &m_products;
    productGrid = new DataGrid(gbProduct);
    productGrid->setObjectName(QStringLiteral("productGrid"));
    productGrid->setDataSet(dm->queryProduct);
    productGrid->setReadOnly(true);
    productGrid->setRowSelect(true);
    productGrid->view()->setAlternatingRowColors(true);
    const struct {
        const char* field;
        const char* title;
        int width;
    } columns[] = {
        {"categoryName", "商品目录", 90},    {"productCode", "商品编码", 100},
        {"productName", "名称", 140},        {"product_model", "型号", 80},
        {"product_spec", "规格", 80},        {"unitName", "计量单位", 64},
        {"storageQuantity", "当前库存", 70}, {"storageUnitCost", "库存单价", 70},
        {"salePrice", "默认销售价格", 90},   {"dfield1", "自定义字段1", 90},
        {"dfield2", "自定义字段2", 90},      {"dfield3", "自定义字段3", 90},
        {"dfield4", "自定义字段4", 90},      {"dfield5", "自定义字段5", 90},
        {"dfield6", "自定义字段6", 90},
    };
    QList<GridColumn> list;
    for (const auto& c : columns) {
        GridColumn column;
        column.fieldName = QString::fromLatin1(c.field);
        column.title = QString::fromUtf8(c.title);
        column.width = c.width;
        list << column;
    }
    productGrid->addColumns(list);
    productGrid->view()->installEventFilter(this);
    connect(productGrid, &DataGrid::rowDoubleClicked, this, &TProductMainFrame::gridDoubleClicked);
}

bool TProductMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == productGrid->view() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit gridReturnPressed();
            return true;
        }
        if (key == Qt::Key_Escape) {
            emit gridEscapePressed();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ------------------------------------------------------------ preparation

void TProductMainFrame::Prepare() {
    m_labels.Register(QStringLiteral("Product"), nullptr, productGrid);
    TProductManagerDM* dm = &m_products;
    ++m_treeSync; // our own category lists are not open yet
    dm->queryCategoryList->open();
    --m_treeSync;
    queryCategoryList2->open();
    queryCategory->open();
    // The exporter holds widgets (its save dialog), which must not outlive
    // the application object; it serves this grid only, so it ends with us.
    TExporter::Create(this, QStringLiteral("商品数据"), productGrid)->InstallOn(btnExport);
    rebuildTree(queryCategory->isEmpty() ? -1
                                         : queryCategory->field(QStringLiteral("id"))->asInteger(),
                false);
}

// -------------------------------------------------------------- products

void TProductMainFrame::LoadProducts(const QString& condition) {
    DataSet* q = m_products.queryProduct;
    QString sql = TProductManagerDM::BaseProductSql();
    if (!condition.isEmpty()) sql += QStringLiteral(" where ") + condition;
    q->close();
    q->setSql(sql);
    q->open();
}

QString TProductMainFrame::SearchCondition(int scope, const QString& key) {
    const QString trimmed = key.trimmed();
    if (trimmed.isEmpty()) return QString();
    const QString pattern = SqlText::quote(QStringLiteral("%") + trimmed + QStringLiteral("%"));
    QStringList fields;
    switch (scope) {
    case ByName:
        fields = {QStringLiteral("productName")};
        break;
    case ByModel:
        fields = {QStringLiteral("product_model")};
        break;
    case BySpec:
        fields = {QStringLiteral("product_spec")};
        break;
    default:
        fields = {QStringLiteral("productCode"),   QStringLiteral("productName"),
                  QStringLiteral("product_model"), QStringLiteral("product_spec"),
                  QStringLiteral("productDesc"),   QStringLiteral("dfield1"),
                  QStringLiteral("dfield2"),       QStringLiteral("dfield3"),
                  QStringLiteral("dfield4"),       QStringLiteral("dfield5"),
                  QStringLiteral("dfield6")};
        break;
    }
    QStringList terms;
    for (const QString& f : fields)
        terms << f + QStringLiteral(" like ") + pattern;
    return terms.join(QStringLiteral(" or "));
}

void TProductMainFrame::SearchProducts() {
    LoadProducts(SearchCondition(cbSearchScope->currentIndex(), edtSearchKey->text()));
}

bool TProductMainFrame::CanDeleteProduct(Connection& conn, int id) {
    const struct {
        const char* table;
        const char* message;
    } uses[] = {
        {"InputDetail", "该商品已经有进货单,不能删除."},
        {"OutputDetail", "该商品已经有销售单,不能删除."},
        {"RefundDetail", "该商品已经有退货单,不能删除."},
    };
    for (const auto& use : uses) {
        const QString sql = QStringLiteral("select count(*) as fcount from %1 where productID=:id")
                                .arg(QLatin1String(use.table));
        if (TQuickQuery::GetInteger(conn, sql, {{"id", id}}) > 0) {
            TQuickMessageDlg::ShowPlain(QString::fromUtf8(use.message));
            return false;
        }
    }
    return TQuickMessageDlg::Confirm(QStringLiteral("确定要删除该商品吗?"));
}

int TProductMainFrame::CurrentCategoryID() const {
    if (!queryCategory->isActive() || queryCategory->eof() || queryCategory->recNo() == 0)
        return -1;
    return queryCategory->field(QStringLiteral("id"))->asInteger();
}

void TProductMainFrame::SetImportHandler(std::function<void()> handler) {
    ToolButton10->disconnect(this);
    connect(ToolButton10, &QToolButton::clicked, this, Guarded([handler] { handler(); }));
    ToolButton10->setEnabled(true);
}

void TProductMainFrame::btnProductNewClick() {
    m_editor.NewProduct(CurrentCategoryID());
}

void TProductMainFrame::ToolButton5Click() {
    m_editor.EditProduct();
}

void TProductMainFrame::btnProductDeleteClick() {
    DataSet* q = m_products.queryProduct;
    if (!q->isActive()) {
        TQuickMessageDlg::ShowInfo(QStringLiteral("请选择要删除的商品.."));
        return;
    }
    if (q->isEmpty()) {
        TQuickMessageDlg::ShowInfo(QStringLiteral("请选择要删除的商品."));
        return;
    }
    if (!CanDeleteProduct(m_dm.MainConn, q->field(QStringLiteral("id"))->asInteger())) return;
    q->deleteRecord();
    // The documents' product look-ups must not offer the product any more.
    m_dm.queryProduct->requery();
}

void TProductMainFrame::ToolButton1Click() {
    DataSet* q = m_products.queryProduct;
    const QVariant current =
        q->isActive() && q->recNo() > 0 ? q->value(QStringLiteral("id")) : QVariant();
    // A refresh that fails keeps whatever could be read; the user can retry.
    // The stock columns are read with the rows, so they are new as well.
    try {
        q->close();
        q->open();
        if (current.isValid()) q->locate(QStringLiteral("id"), current);
    } catch (...) {
    }
}
