#include "producteditform.h"

#include "categoryform.h"
#include "dataset.h"
#include "dbedits.h"
#include "dynamicfield.h"
#include "maindm.h"
#include "productmanagerdm.h"
#include "quickmessagedlg.h"
#include "unitform.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
TProductEditForm* g_instance = nullptr;

constexpr int kLabelWidth = 96;

QLabel* caption(QWidget* parent, const char* name, const QString& text, bool bold = false) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFixedWidth(kLabelWidth);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

// A row of the dialog: a plain panel in pRoot, so that the field
// configuration can hide the whole row when its field is hidden.
QWidget* rowPanel(QWidget* root, const char* name) {
    auto* row = new QWidget(root);
    row->setObjectName(QString::fromLatin1(name));
    auto* l = new QHBoxLayout(row);
    l->setContentsMargins(0, 0, 0, 0);
    root->layout()->addWidget(row);
    return row;
}

// The panel of one configurable field inside its row: "p" + column.
QWidget* fieldPanel(QWidget* row, const char* name) {
    auto* p = new QWidget(row);
    p->setObjectName(QString::fromLatin1(name));
    auto* l = new QHBoxLayout(p);
    l->setContentsMargins(0, 0, 0, 0);
    row->layout()->addWidget(p);
    return p;
}

QPushButton* dotsButton(QWidget* parent, const char* name) {
    auto* b = new QPushButton(QStringLiteral("..."), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setFixedWidth(32);
    return b;
}
} // namespace

TProductEditForm* TProductEditForm::instance() {
    return g_instance;
}

DataSet* TProductEditForm::product() const {
    return TProductManagerDM::instance()->queryProduct;
}

TProductEditForm::TProductEditForm(QWidget* parent) : QDialog(parent) {
    g_instance = this;
    setObjectName(QStringLiteral("ProductEditForm"));
    setWindowTitle(QStringLiteral("商品管理"));
    DataSet* q = product();

    pRoot = new QWidget(this);
    pRoot->setObjectName(QStringLiteral("pRoot"));
    auto* rootLayout = new QVBoxLayout(pRoot);
    rootLayout->setContentsMargins(0, 0, 0, 0);
    rootLayout->setSpacing(6);

    QWidget* row = rowPanel(pRoot, "pRowProductCode");
    pProductCode = fieldPanel(row, "pProductCode");
    lbProductCode = caption(pProductCode, "lbProductCode", QStringLiteral("商品编码:"));
    edtProductCode = new DBLineEdit(pProductCode);
    edtProductCode->setObjectName(QStringLiteral("edtProductCode"));
    pProductCode->layout()->addWidget(lbProductCode);
    pProductCode->layout()->addWidget(edtProductCode);

    row = rowPanel(pRoot, "pRowProductName");
    auto* lbName = caption(row, "lbProductName", QStringLiteral("商品名称:"), true);
    edtProductName = new DBLineEdit(row);
    edtProductName->setObjectName(QStringLiteral("edtProductName"));
    row->layout()->addWidget(lbName);
    row->layout()->addWidget(edtProductName);

    row = rowPanel(pRoot, "pRowCategoryID");
    pCategoryID = fieldPanel(row, "pCategoryID");
    lbCategoryID = caption(pCategoryID, "lbCategoryID", QStringLiteral("商品分类:"), true);
    edtProductCategoryID = new DBLookupCombo(pCategoryID);
    edtProductCategoryID->setObjectName(QStringLiteral("edtProductCategoryID"));
    btnCat = dotsButton(pCategoryID, "btnCat");
    pCategoryID->layout()->addWidget(lbCategoryID);
    pCategoryID->layout()->addWidget(edtProductCategoryID);
    pCategoryID->layout()->addWidget(btnCat);
    static_cast<QHBoxLayout*>(pCategoryID->layout())->setStretch(1, 1);

    row = rowPanel(pRoot, "pRowproduct_model");
    pproduct_model = fieldPanel(row, "pproduct_model");
    lbproduct_model = caption(pproduct_model, "lbproduct_model", QStringLiteral("型  号:"));
    edtProductModel = new DBLineEdit(pproduct_model);
    edtProductModel->setObjectName(QStringLiteral("edtProductModel"));
    pproduct_model->layout()->addWidget(lbproduct_model);
    pproduct_model->layout()->addWidget(edtProductModel);

    row = rowPanel(pRoot, "pRowproduct_spec");
    pproduct_spec = fieldPanel(row, "pproduct_spec");
    lbproduct_spec = caption(pproduct_spec, "lbproduct_spec", QStringLiteral("规  格:"));
    edtProductSpec = new DBLineEdit(pproduct_spec);
    edtProductSpec->setObjectName(QStringLiteral("edtProductSpec"));
    pproduct_spec->layout()->addWidget(lbproduct_spec);
    pproduct_spec->layout()->addWidget(edtProductSpec);

    row = rowPanel(pRoot, "pRowStorageUnit");
    auto* lbUnit = caption(row, "lbUnit", QStringLiteral("计量单位:"), true);
    edtUnitID = new DBLookupCombo(row);
    edtUnitID->setObjectName(QStringLiteral("edtUnitID"));
    btnUnit = dotsButton(row, "btnUnit");
    row->layout()->addWidget(lbUnit);
    row->layout()->addWidget(edtUnitID);
    row->layout()->addWidget(btnUnit);
    static_cast<QHBoxLayout*>(row->layout())->setStretch(1, 1);

    row = rowPanel(pRoot, "pRowSalePrice");
    auto* lbPrice = caption(row, "lbSalePrice", QStringLiteral("默认销售价格:"));
    edtSalePrice = new DBLineEdit(row);
    edtSalePrice->setObjectName(QStringLiteral("edtSalePrice"));
    edtSalePrice->setMaximumWidth(140);
    auto* lbYuan = new QLabel(QStringLiteral("元"), row);
    lbYuan->setObjectName(QStringLiteral("lbYuan"));
    row->layout()->addWidget(lbPrice);
    row->layout()->addWidget(edtSalePrice);
    row->layout()->addWidget(lbYuan);
    static_cast<QHBoxLayout*>(row->layout())->addStretch();

    row = rowPanel(pRoot, "pRowComments");
    auto* lbComments = caption(row, "lbComments", QStringLiteral("备   注："));
    lbComments->setAlignment(Qt::AlignRight | Qt::AlignTop);
    edtComments = new DBMemo(row);
    edtComments->setObjectName(QStringLiteral("edtComments"));
    edtComments->setFixedHeight(64);
    row->layout()->addWidget(lbComments);
    row->layout()->addWidget(edtComments);

    chkSaveAndNew = new QCheckBox(QStringLiteral("保存后继续新建"), this);
    chkSaveAndNew->setObjectName(QStringLiteral("chkSaveAndNew"));
    btnSave = new QPushButton(QStringLiteral("保存(&S)"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnSave->setAutoDefault(false);
    btnCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
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

    edtProductCode->bind(q, QStringLiteral("productCode"));
    edtProductName->bind(q, QStringLiteral("productName"));
    edtProductCategoryID->bind(q, QStringLiteral("categoryID"));
    edtProductCategoryID->setListSource(MainDM()->queryCategoryList, QStringLiteral("id"),
                                        QStringLiteral("categoryName"));
    edtProductModel->bind(q, QStringLiteral("product_model"));
    edtProductSpec->bind(q, QStringLiteral("product_spec"));
    edtUnitID->bind(q, QStringLiteral("storageUnit"));
    edtUnitID->setListSource(MainDM()->queryUnit, QStringLiteral("id"), QStringLiteral("unitName"));
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

    connect(btnSave, &QPushButton::clicked, this, &TProductEditForm::btnSaveClick);
    connect(btnCancel, &QPushButton::clicked, this, &TProductEditForm::btnCancelClick);
    connect(btnCat, &QPushButton::clicked, this, &TProductEditForm::btnCatClick);
    connect(btnUnit, &QPushButton::clicked, this, &TProductEditForm::btnUnitClick);

    if (TDFMProxy* labels = TDFMProxy::instance())
        labels->Register(QStringLiteral("Product"), pRoot, nullptr);
}

void TProductEditForm::focusFirstField() {
    // The code row may be hidden by the field configuration.
    if (pProductCode->isVisibleTo(this))
        edtProductCode->setFocus();
    else
        edtProductName->setFocus();
}

TProductEditForm::~TProductEditForm() {
    if (g_instance == this) g_instance = nullptr;
}

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
    TCategoryForm* categories = TCategoryForm::instance();
    if (!categories) return;
    categories->ReloadTree();
    if (categories->exec() == QDialog::Accepted)
        product()->setValue(QStringLiteral("categoryID"), categories->SelectedCategoryID);
}

void TProductEditForm::btnUnitClick() {
    TUnitForm* units = TUnitForm::instance();
    if (!units) return;
    if (units->ShowUnits(true) == QDialog::Accepted)
        product()->setValue(QStringLiteral("storageUnit"), units->SelectedUnitID);
}
