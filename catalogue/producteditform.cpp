#include "producteditform.h"

#include "dataset.h"
#include "dbedits.h"
#include "dynamicfield.h"
#include "formkit.h"
#include "guard.h"
#include "maindm.h"
#include "productmanagerdm.h"
#include "quickmessagedlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kLabelWidth = 96;

QPushButton* dotsButton(QWidget* parent, const char* name) {
    auto* b = NamedButton(parent, name, QStringLiteral("..."));
    b->setFixedWidth(32);
    return b;
}
} // namespace

DataSet* TProductEditForm::product() const { return m_products.queryProduct; }

TProductEditForm::TProductEditForm(TProductManagerDM& products, TMainDM& dm, TDFMProxy& labels,
                                   TProductEditPickers pickers, QWidget* parent)
    : QDialog(parent), m_products(products), m_pickers(std::move(pickers)) {
    setObjectName(QStringLiteral("ProductEditForm"));
    setWindowTitle(QStringLiteral("商品管理"));
    buildRows();
    buildFooter();
    bindFields(dm);
    connect(btnSave, &QPushButton::clicked, this, Guarded([this] { btnSaveClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, Guarded([this] { btnCancelClick(); }));
    connect(btnCat, &QPushButton::clicked, this, Guarded([this] { btnCatClick(); }));
    connect(btnUnit, &QPushButton::clicked, this, Guarded([this] { btnUnitClick(); }));
    labels.Register(QStringLiteral("Product"), pRoot, nullptr);
}

void TProductEditForm::buildRows() {
    pRoot = Named<QWidget>(this, "pRoot");
    FormRows rows(pRoot, kLabelWidth);
    edtProductCode = Named<DBLineEdit>(pRoot, "edtProductCode");
    auto code = rows.field(QStringLiteral("ProductCode"), QStringLiteral("商品编码:"), {edtProductCode});
    pProductCode = code.panel;
    lbProductCode = code.label;

    edtProductName = Named<DBLineEdit>(pRoot, "edtProductName");
    rows.plain(QStringLiteral("pRowProductName"), QStringLiteral("lbProductName"), QStringLiteral("商品名称:"),
               {edtProductName}, true);

    edtProductCategoryID = Named<DBLookupCombo>(pRoot, "edtProductCategoryID");
    btnCat = dotsButton(pRoot, "btnCat");
    auto cat = rows.field(QStringLiteral("CategoryID"), QStringLiteral("商品分类:"), {edtProductCategoryID, btnCat},
                          true);
    cat.layout->setStretch(1, 1);
    pCategoryID = cat.panel;
    lbCategoryID = cat.label;

    edtProductModel = Named<DBLineEdit>(pRoot, "edtProductModel");
    auto model = rows.field(QStringLiteral("product_model"), QStringLiteral("型  号:"), {edtProductModel});
    pproduct_model = model.panel;
    lbproduct_model = model.label;

    edtProductSpec = Named<DBLineEdit>(pRoot, "edtProductSpec");
    auto sizeRow = rows.field(QStringLiteral("product_spec"), QStringLiteral("规  格:"), {edtProductSpec});
    pproduct_spec = sizeRow.panel;
    lbproduct_spec = sizeRow.label;

    edtUnitID = Named<DBLookupCombo>(pRoot, "edtUnitID");
    btnUnit = dotsButton(pRoot, "btnUnit");
    rows.plain(QStringLiteral("pRowStorageUnit"), QStringLiteral("lbUnit"), QStringLiteral("计量单位:"),
               {edtUnitID, btnUnit}, true)
        .layout->setStretch(1, 1);

    edtSalePrice = Named<DBLineEdit>(pRoot, "edtSalePrice");
    edtSalePrice->setMaximumWidth(140);
    auto* lbYuan = new QLabel(QStringLiteral("元"), pRoot);
    lbYuan->setObjectName(QStringLiteral("lbYuan"));
    rows.plain(QStringLiteral("pRowSalePrice"), QStringLiteral("lbSalePrice"), QStringLiteral("默认销售价格:"),
               {edtSalePrice, lbYuan})
        .layout->addStretch();

    edtComments = Named<DBMemo>(pRoot, "edtComments");
    edtComments->setFixedHeight(64);
    rows.plain(QStringLiteral("pRowComments"), QStringLiteral("lbComments"), QStringLiteral("备   注："),
               {edtComments})
        .label->setAlignment(Qt::AlignRight | Qt::AlignTop);
}

void TProductEditForm::buildFooter() {
    chkSaveAndNew = new QCheckBox(QStringLiteral("保存后继续新建"), this);
    chkSaveAndNew->setObjectName(QStringLiteral("chkSaveAndNew"));
    btnSave = NamedButton(this, "btnSave", QStringLiteral("保存(&S)"));
    btnCancel = NamedButton(this, "btnCancel", QStringLiteral("取消(&C)"));
    auto* footer = new QHBoxLayout;
    footer->addWidget(chkSaveAndNew);
    footer->addStretch();
    footer->addWidget(btnSave);
    footer->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(pRoot);
    layout->addStretch();
    layout->addLayout(footer);
    resize(420, sizeHint().height());
}

void TProductEditForm::bindFields(TMainDM& dm) {
    DataSet* q = product();
    edtProductCode->bind(q, QStringLiteral("productCode"));
    edtProductName->bind(q, QStringLiteral("productName"));
    edtProductCategoryID->bind(q, QStringLiteral("categoryID"));
    edtProductCategoryID->setListSource(dm.queryCategoryList, QStringLiteral("id"), QStringLiteral("categoryName"));
    edtProductModel->bind(q, QStringLiteral("product_model"));
    edtProductSpec->bind(q, QStringLiteral("product_spec"));
    edtUnitID->bind(q, QStringLiteral("storageUnit"));
    edtUnitID->setListSource(dm.queryUnit, QStringLiteral("id"), QStringLiteral("unitName"));
    edtSalePrice->bind(q, QStringLiteral("salePrice"));
    edtComments->bind(q, QStringLiteral("comments"));

    // Whether a save has anything to store: a field written since the row
    // went into edit or insert state.
    connect(q, &DataSet::stateChanged, this, [this](DataSet::State s) {
        if (s == DataSet::State::Edit || s == DataSet::State::Insert) m_modified = false;
    });
    connect(q, &DataSet::fieldChanged, this, [this] {
        if (product()->isEditing()) m_modified = true;
    });
}

void TProductEditForm::focusFirstField() {
    // The code row may be hidden by the field configuration.
    if (pProductCode->isVisibleTo(this))
        edtProductCode->setFocus();
    else
        edtProductName->setFocus();
}

TProductEditForm::~TProductEditForm() = default;

void TProductEditForm::appendProduct() {
    DataSet* q = product();
    m_returnTo = q->isActive() && q->recNo() > 0 ? q->value(QStringLiteral("id")) : QVariant();
    q->append();
}

int TProductEditForm::NewProduct(int categoryId) {
    DataSet* q = product();
    appendProduct();
    q->setValue(QStringLiteral("categoryID"), categoryId);
    focusFirstField();
    return exec();
}

int TProductEditForm::EditProduct() {
    DataSet* q = product();
    if (!q->isActive() || q->isEmpty()) return QDialog::Rejected;
    q->edit();
    focusFirstField();
    return exec();
}

bool TProductEditForm::ValidateProduct() {
    DataSet* q = product();
    const Field* name = q->field(QStringLiteral("productName"));
    if (name->isNull() || name->asString().trimmed().isEmpty()) {
        TQuickMessageDlg::ShowInfo(QStringLiteral("商品名称不能为空"));
        edtProductName->setFocus();
        return false;
    }
    const Field* category = q->field(QStringLiteral("categoryID"));
    if (category->isNull() || category->asInteger() == 0) {
        TQuickMessageDlg::ShowInfo(QStringLiteral("\"商品目录\"不能为空"));
        edtProductCategoryID->setFocus();
        return false;
    }
    const Field* unit = q->field(QStringLiteral("storageUnit"));
    if (unit->isNull() || unit->asInteger() == 0) {
        TQuickMessageDlg::ShowInfo(QStringLiteral("请填写商品单位"));
        edtUnitID->setFocus();
        return false;
    }
    return true;
}

void TProductEditForm::btnSaveClick() {
    DataSet* q = product();
    // Taking the focus makes the editor that had it write what it holds.
    btnSave->setFocus();
    // A box still holding text that is no value stops the save here, even
    // when nothing else was changed: the box takes the focus back.
    q->checkEditors();
    if (q->isEditing()) {
        if (m_modified) {
            if (!ValidateProduct()) return;
            q->post();
        } else {
            // Nothing was changed, so nothing is stored; the row just leaves
            // edit state (an untouched new row goes away).
            cancelRow();
        }
    }
    if (chkSaveAndNew->isChecked()) {
        appendProduct();
        focusFirstField();
        return;
    }
    accept();
}

void TProductEditForm::btnCancelClick() {
    reject();
}

void TProductEditForm::cancelRow() {
    DataSet* q = product();
    const bool inserting = q->state() == DataSet::State::Insert;
    q->cancel();
    // A new row given up leaves the list on its last row; the user expects
    // the product that was current before "新建".
    if (inserting && m_returnTo.isValid()) q->locate(QStringLiteral("id"), m_returnTo);
}

void TProductEditForm::reject() {
    if (product()->isEditing()) cancelRow();
    QDialog::reject();
}

void TProductEditForm::btnCatClick() {
    if (!m_pickers.category) return;
    if (const std::optional<int> id = m_pickers.category())
        product()->setValue(QStringLiteral("categoryID"), *id);
}

void TProductEditForm::btnUnitClick() {
    if (!m_pickers.unit) return;
    if (const std::optional<int> id = m_pickers.unit()) product()->setValue(QStringLiteral("storageUnit"), *id);
}
