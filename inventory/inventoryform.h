#pragma once
#include "inventoryframe.h"

#include <QWidget>

class TControlPlacement;

// "库存": the stock view's window around its frame.
class TInventoryForm : public QWidget {
    Q_OBJECT
public:
    TInventoryForm(const TInventoryDeps& deps, TControlPlacement& placement, QWidget* parent = nullptr);

    TInventoryFrame* InventoryFrame1;
    void Prepare();
    void ReloadStock() { InventoryFrame1->ReloadStock(); }

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    TDFMProxy& m_labels;
    TControlPlacement& m_placement;
};
