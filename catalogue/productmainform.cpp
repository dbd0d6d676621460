#include "productmainform.h"

#include "controlplacement.h"
#include "dataset.h"
#include "producteditform.h"
#include "productmainframe.h"
#include "productmanagerdm.h"
#include "resourcefactory.h"

#include <QHideEvent>
#include <QLineEdit>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
const QString kPlacement = QStringLiteral("ProductMainForm");
}

TProductMainForm* TProductMainForm::GetProductMainForm() {
    return TResourceFactory::Get<TProductMainForm>(
        QStringLiteral("ProductMainForm"), [] { return new TProductMainForm; },
        [](TProductMainForm* w) { w->Prepare(); });
}

TProductMainForm::TProductMainForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("ProductMainForm"));
    setWindowTitle(QStringLiteral("商品设置"));
    ProductMainFrame1 = new TProductMainFrame(this);
    ProductMainFrame1->setObjectName(QStringLiteral("ProductMainFrame1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ProductMainFrame1);
    resize(1000, 600);
    TControlPlacement::Remember(this, kPlacement);
    connect(ProductMainFrame1, &TProductMainFrame::gridDoubleClicked, this,
            &TProductMainForm::gridDoubleClick);
}

void TProductMainForm::Prepare() {
    ProductMainFrame1->Prepare();
}

void TProductMainForm::gridDoubleClick() {
    DataSet* q = TProductManagerDM::instance()->queryProduct;
    if (!q->isActive() || q->isEmpty()) return;
    if (TProductEditForm* editor = TProductEditForm::instance()) editor->EditProduct();
}

void TProductMainForm::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (e->spontaneous()) return; // restored from the task bar, not opened
    ProductMainFrame1->edtSearchKey->selectAll();
    ProductMainFrame1->edtSearchKey->setFocus();
    ProductMainFrame1->SearchProducts();
}

