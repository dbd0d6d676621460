#include "productbrandform.h"

#include "dataset.h"
#include "datagrid.h"
#include "dbtree.h"
#include "guard.h"
#include "formkit.h"
#include "maindm.h"
#include "quickmessagedlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>


TProductBrandForm::TProductBrandForm(TMainDM& dm, QWidget* parent) : QDialog(parent), m_conn(dm.MainConn) {
    setObjectName(QStringLiteral("ProductBrandForm"));
    setWindowTitle(QStringLiteral("品牌管理"));
    makeDataSets(dm.MainConn);
    makeButtons();

    auto* hint = new QLabel(QStringLiteral("品牌按商品分类(方便查找)："), this);
    treeCategory = Named<QTreeWidget>(this, "treeCategory");
    treeCategory->setHeaderHidden(true);
    m_tree = new DBTree(treeCategory);
    m_tree->setFields(QStringLiteral("id"), QStringLiteral("parentID"), QStringLiteral("categoryName"));
    connect(treeCategory, &QTreeWidget::currentItemChanged, this, Guarded([this](QTreeWidgetItem* item) {
        if (item) ShowBrandsOf(DBTree::keyOf(item).toInt());
    }));
    gridBrand = Named<DataGrid>(this, "gridBrand");
    gridBrand->setDataSet(queryProductBrandLocal);
    gridBrand->addColumn(QStringLiteral("product_brand"), QStringLiteral("品牌"), 160);
    gridBrand->addColumn(QStringLiteral("product_cat_name"), QStringLiteral("分类"), 140);
    gridBrand->addColumn(QStringLiteral("comments"), QStringLiteral("备注"), 150);
    gridBrand->refreshColumns();

    auto* left = new QWidget(this);
    auto* ll = new QVBoxLayout(left);
    ll->setContentsMargins(0, 0, 0, 0);
    ll->addWidget(hint);
    ll->addWidget(treeCategory);
    auto* right = new QWidget(this);
    auto* rl = new QVBoxLayout(right);
    rl->setContentsMargins(0, 0, 0, 0);
    rl->addLayout(ButtonRow({btnInsert, btnEdit, btnDelete, btnPost, btnCancel, nullptr}));
    rl->addWidget(gridBrand);
    auto* split = new QSplitter(this);
    split->addWidget(left);
    split->addWidget(right);
    split->setStretchFactor(1, 1);
    split->setSizes({200, 520});
    auto* root = new QVBoxLayout(this);
    root->addWidget(split, 1);
    root->addLayout(ButtonRow({nullptr, btnUseBrand, btnClose}));
    resize(720, 440);
    updateActions();
}

void TProductBrandForm::makeDataSets(Connection& c) {
    Connection* conn = &c;
    queryCategory = new DataSet(conn, this);
    queryCategory->setObjectName(QStringLiteral("queryCategory"));
    queryCategory->setSql(TMainDM::CategoryListSql());
    queryCategoryList = new DataSet(conn, this);
    queryCategoryList->setObjectName(QStringLiteral("queryCategoryList"));
    queryCategoryList->setSql(TMainDM::CategoryListSql());
    queryCategoryList->setFetchBlock(0);
    queryProductBrandLocal = new DataSet(conn, this);
    queryProductBrandLocal->setObjectName(QStringLiteral("queryProductBrandLocal"));
    queryProductBrandLocal->setSql(QStringLiteral("SELECT *\nFROM ProductBrand"));
    queryProductBrandLocal->setUpdateTable(QStringLiteral("ProductBrand"));
    queryProductBrandLocal->addLookupField(QStringLiteral("product_cat_name"), QStringLiteral("product_cat_id"),
                                           queryCategoryList, QStringLiteral("id"), QStringLiteral("categoryName"));
    connect(queryProductBrandLocal, &DataSet::rowsReset, this, &TProductBrandForm::updateActions);
    connect(queryProductBrandLocal, &DataSet::stateChanged, this, &TProductBrandForm::updateActions);
    connect(queryProductBrandLocal, &DataSet::currentChanged, this, &TProductBrandForm::updateActions);
}

void TProductBrandForm::makeButtons() {
    btnInsert = NamedButton(this, "btnInsert", QStringLiteral("添加"));
    btnEdit = NamedButton(this, "btnEdit", QStringLiteral("修改"));
    btnDelete = NamedButton(this, "btnDelete", QStringLiteral("删除"));
    btnPost = NamedButton(this, "btnPost", QStringLiteral("保存"));
    btnCancel = NamedButton(this, "btnCancel", QStringLiteral("取消"));
    btnUseBrand = NamedButton(this, "btnUseBrand", QStringLiteral("使用该品牌"));
    btnClose = NamedButton(this, "btnClose", QStringLiteral("关闭"));
    connect(btnInsert, &QPushButton::clicked, this, Guarded([this] { queryProductBrandLocal->append(); }));
    connect(btnEdit, &QPushButton::clicked, this, Guarded([this] { queryProductBrandLocal->edit(); }));
    connect(btnPost, &QPushButton::clicked, this, Guarded([this] { queryProductBrandLocal->post(); }));
    connect(btnCancel, &QPushButton::clicked, this, Guarded([this] { queryProductBrandLocal->cancel(); }));
    connect(btnDelete, &QPushButton::clicked, this, Guarded([this] { deleteCurrent(); }));
    connect(btnUseBrand, &QPushButton::clicked, this, Guarded([this] {
        if (queryProductBrandLocal->isActive()) queryProductBrandLocal->checkBrowseMode();
        accept();
    }));
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

TProductBrandForm::~TProductBrandForm() { delete m_tree; }

void TProductBrandForm::PrepareBrands() {
    queryCategory->open();
    queryCategoryList->open();
    queryProductBrandLocal->open();
    m_tree->fill(*queryCategory);
    treeCategory->expandAll();
    updateActions();
}

void TProductBrandForm::ShowBrandsOf(int categoryId) {
    // The root lists every brand; any other category only its own.
    QString sql = QStringLiteral("select * from ProductBrand ");
    if (categoryId != 1) sql += QStringLiteral(" where product_cat_id = :cat");
    queryProductBrandLocal->close();
    queryProductBrandLocal->setSql(sql);
    queryProductBrandLocal->setParam(QStringLiteral("cat"), categoryId);
    queryProductBrandLocal->open();
}

QString TProductBrandForm::BrandInUseMessage(Connection& conn, int brandId) {
    if (conn.exists(QStringLiteral("select top 1 * from Product where product_brand_id=:id"), {{"id", brandId}}))
        return QStringLiteral("该品牌已经被使用,请不要删除.");
    return QString();
}

void TProductBrandForm::deleteCurrent() {
    DataSet* q = queryProductBrandLocal;
    if (!q->isActive() || q->isEmpty()) return;
    if (q->state() == DataSet::State::Insert) {
        q->cancel();
        return;
    }
    const QString msg = BrandInUseMessage(m_conn, q->field(QStringLiteral("id"))->asInteger());
    if (!msg.isEmpty()) {
        TQuickMessageDlg::ShowInfo(msg);
        return;
    }
    q->deleteRecord();
}

void TProductBrandForm::updateActions() {
    DataSet* q = queryProductBrandLocal;
    const bool active = q->isActive(), editing = q->isEditing();
    const bool hasRow = active && q->recNo() > 0;
    btnInsert->setEnabled(active && !editing);
    btnEdit->setEnabled(hasRow && !editing);
    btnDelete->setEnabled(hasRow && !editing);
    btnPost->setEnabled(editing);
    btnCancel->setEnabled(editing);
}
