#include "productmainform.h"

#include "controlplacement.h"
#include "dataset.h"
#include "producteditform.h"
#include "productmainframe.h"
#include "productmanagerdm.h"
#include "guard.h"

#include <QHideEvent>
#include <QLineEdit>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
const QString kPlacement = QStringLiteral("ProductMainForm");
}

TProductMainForm::TProductMainForm(const TProductFrameDeps& deps, TControlPlacement& placement, QWidget* parent)
    : QWidget(parent, Qt::Window), m_products(deps.products), m_editor(deps.editor) {
    setObjectName(QStringLiteral("ProductMainForm"));
    setWindowTitle(QStringLiteral("商品设置"));
    ProductMainFrame1 = new TProductMainFrame(deps.products, deps.editor, deps.labels, this);
    ProductMainFrame1->setObjectName(QStringLiteral("ProductMainFrame1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ProductMainFrame1);
    resize(1000, 600);
    placement.Remember(this, kPlacement);
    connect(ProductMainFrame1, &TProductMainFrame::gridDoubleClicked, this, Guarded([this] { gridDoubleClick(); }));
}

void TProductMainForm::Prepare() {
    ProductMainFrame1->Prepare();
}

void TProductMainForm::gridDoubleClick() {
    DataSet* q = m_products.queryProduct;
    if (!q->isActive() || q->isEmpty()) return;
    m_editor.EditProduct();
}

void TProductMainForm::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (e->spontaneous()) return; // restored from the task bar, not opened
    ProductMainFrame1->edtSearchKey->selectAll();
    ProductMainFrame1->edtSearchKey->setFocus();
    ProductMainFrame1->SearchProducts();
}

