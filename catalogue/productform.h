#pragma once
#include "product.h"

#include <QWidget>

class QLabel;
class TControlPlacement;
class TProductMainFrame;
class TProductManagerDM;
struct TProductFrameDeps;

// "商品列表": the product list for picking. The selector opens it to find
// or create a product; double-click or Enter hands the product over.
class TProductForm : public QWidget {
    Q_OBJECT
public:
    TProductForm(const TProductFrameDeps& deps, TControlPlacement& placement, QWidget* parent = nullptr);

    QWidget* panelSelectProduct;
    QLabel* lbSelectHint;
    TProductMainFrame* ProductMainFrame1;

    void Prepare();
    // Lists the products and shows the window, not modally; with a handler
    // the window picks.
    void ShowForPick(TProductPickEvent handler);
    // Hands the current product to the handler and hides the window.
    void PickCurrent();

protected:
    void showEvent(QShowEvent* e) override;

private:
    TProductManagerDM& m_products;
    TProductPickEvent m_handler;
};
