#include "inventoryform.h"

#include "controlplacement.h"
#include "datagrid.h"
#include "dynamicfield.h"

#include <QHideEvent>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
const QString kPlacement = QStringLiteral("InventoryForm");
QString gridGroup() {
    return TControlPlacement::GroupOf(kPlacement) + QStringLiteral("/JvDBGrid1");
}
} // namespace

TInventoryForm::TInventoryForm(const TInventoryDeps& deps, TControlPlacement& placement, QWidget* parent)
    : QWidget(parent, Qt::Window), m_labels(deps.labels), m_placement(placement) {
    setObjectName(QStringLiteral("InventoryForm"));
    setWindowTitle(QStringLiteral("库存"));
    InventoryFrame1 = new TInventoryFrame(deps, this);
    InventoryFrame1->setObjectName(QStringLiteral("InventoryFrame1"));
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(InventoryFrame1);
    resize(1000, 640);
    placement.Remember(this, kPlacement);
}

void TInventoryForm::Prepare() {
    InventoryFrame1->Prepare();
    InventoryFrame1->JvDBGrid1->restoreLayout(m_placement.PlacementStorage(), gridGroup());
}

void TInventoryForm::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (e->spontaneous()) return;
    // Field labels may have been changed in the settings meanwhile.
    m_labels.Refresh(QStringLiteral("Product"));
}

void TInventoryForm::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    if (e->spontaneous()) return;
    InventoryFrame1->JvDBGrid1->saveLayout(m_placement.PlacementStorage(), gridGroup());
}
