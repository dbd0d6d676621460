#pragma once
#include "liststatements.h"

#include <memory>

class QWidget;
class TAppContext;
class TControlPlacement;
class TDFMProxy;
class TDocumentLists;
class TInventoryForm;
class TListForm;
class TMainDM;
class TResourceFactory;
class TStorageUnitCostEditForm;

// The stock view's windows: "库存" from the form factory, the unit-cost
// dialog made once, and the purchase and sales list windows the stock view
// keeps for itself (made on first use, apart from the factory's, without a
// search).
class TStockView {
public:
    TStockView(TMainDM& dm, TAppContext& context, TDFMProxy& labels, TControlPlacement& placement,
               TResourceFactory& factory, TDocumentLists& lists, QWidget* owner);
    ~TStockView();
    TStockView(const TStockView&) = delete;
    TStockView& operator=(const TStockView&) = delete;

    // Made and prepared on first use.
    TInventoryForm* InventoryForm();
    TStorageUnitCostEditForm& UnitCostForm() { return *m_unitCost; }
    // The stock view's own list window of a kind; null until first used.
    TListForm* ProductLinesWindow(ListStatements::Kind kind) const;
    // Opens the lines of one product in that window.
    void ShowProductLines(ListStatements::Kind kind, qint32 productId, const QString& caption);

private:
    TMainDM& m_dm;
    TAppContext& m_context;
    TDFMProxy& m_labels;
    TControlPlacement& m_placement;
    TResourceFactory& m_factory;
    TDocumentLists& m_lists;
    std::unique_ptr<TStorageUnitCostEditForm> m_unitCost;
    std::unique_ptr<TListForm> m_purchases, m_sales;
};
