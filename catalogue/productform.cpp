#include "productform.h"

#include "controlplacement.h"
#include "datagrid.h"
#include "dataset.h"
#include "productmainframe.h"
#include "productmanagerdm.h"
#include "guard.h"
#include "quickmessagedlg.h"
#include "resourcefactory.h"

#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
const QString kPlacement = QStringLiteral("ProductForm");
}

TProductForm::TProductForm(const TProductFrameDeps& deps, TControlPlacement& placement, QWidget* parent)
    : QWidget(parent, Qt::Window), m_products(deps.products) {
    setObjectName(QStringLiteral("ProductForm"));
    setWindowTitle(QStringLiteral("商品列表"));
    panelSelectProduct = new QFrame(this);
    panelSelectProduct->setObjectName(QStringLiteral("panelSelectProduct"));
    panelSelectProduct->setAutoFillBackground(true);
    QPalette pal = panelSelectProduct->palette();
    pal.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xE1)); // a hint's pale yellow
    panelSelectProduct->setPalette(pal);
    lbSelectHint = new QLabel(QStringLiteral("提示：双击表格就可以选择要进货或销售的商品"),
                              panelSelectProduct);
    lbSelectHint->setObjectName(QStringLiteral("lbSelectHint"));
    auto* hl = new QHBoxLayout(panelSelectProduct);
    hl->setContentsMargins(8, 4, 8, 4);
    hl->addWidget(lbSelectHint);
    panelSelectProduct->hide();

    ProductMainFrame1 = new TProductMainFrame(deps.products, deps.editor, deps.labels, this);
    ProductMainFrame1->setObjectName(QStringLiteral("ProductMainFrame1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panelSelectProduct);
    layout->addWidget(ProductMainFrame1, 1);
    resize(1000, 600);
    placement.Remember(this, kPlacement);

    connect(ProductMainFrame1, &TProductMainFrame::gridDoubleClicked, this, Guarded([this] { PickCurrent(); }));
    connect(ProductMainFrame1, &TProductMainFrame::gridReturnPressed, this, Guarded([this] { PickCurrent(); }));
    connect(ProductMainFrame1, &TProductMainFrame::gridEscapePressed, this, &QWidget::hide);
}

void TProductForm::Prepare() {
    ProductMainFrame1->Prepare();
}

void TProductForm::ShowForPick(TProductPickEvent handler) {
    m_handler = std::move(handler);
    panelSelectProduct->setVisible(bool(m_handler));
    ProductMainFrame1->SearchProducts();
    TResourceFactory::ShowWindow(this);
}

void TProductForm::PickCurrent() {
    DataSet* q = m_products.queryProduct;
    if (!m_handler || !q->isActive() || q->isEmpty()) return;
    TProduct p;
    p.id = q->field(QStringLiteral("id"))->asInteger();
    p.productCode = q->field(QStringLiteral("productCode"))->asString();
    p.productName = q->field(QStringLiteral("productName"))->asString();
    p.product_model = q->field(QStringLiteral("product_model"))->asString();
    p.product_spec = q->field(QStringLiteral("product_spec"))->asString();
    p.storageUnit = q->field(QStringLiteral("storageUnit"))->asInteger();
    p.salePrice = q->field(QStringLiteral("salePrice"))->asFloat();
    try {
        m_handler(ProductMainFrame1->productGrid, p);
    } catch (...) {
        TQuickMessageDlg::ShowPlain(QStringLiteral("Exception occur when select product."));
    }
    hide();
}

void TProductForm::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (e->spontaneous()) return; // restored from the task bar, not opened
    ProductMainFrame1->edtSearchKey->selectAll();
    ProductMainFrame1->edtSearchKey->setFocus();
}

