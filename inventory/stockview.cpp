#include "stockview.h"

#include "documentlists.h"
#include "inventoryform.h"
#include "listform.h"
#include "maindm.h"
#include "resourcefactory.h"
#include "storageunitcosteditform.h"

#include <QToolButton>

using ListStatements::Kind;

namespace {
const QString kSlot = QStringLiteral("InventoryForm");
}

TStockView::TStockView(TMainDM& dm, TAppContext& context, TDFMProxy& labels, TControlPlacement& placement,
                       TResourceFactory& factory, TDocumentLists& lists, QWidget* owner)
    : m_dm(dm), m_context(context), m_labels(labels), m_placement(placement), m_factory(factory), m_lists(lists) {
    m_unitCost = std::make_unique<TStorageUnitCostEditForm>(dm.MainConn, owner);
}

TStockView::~TStockView() {
    if (QWidget* w = m_factory.Take(kSlot)) delete w;
    m_purchases.reset();
    m_sales.reset();
}

TInventoryForm* TStockView::InventoryForm() {
    return m_factory.Get<TInventoryForm>(
        kSlot,
        [this] {
            TInventoryDeps deps{m_dm, m_context, m_labels, *m_unitCost,
                                [this](Kind k, qint32 id, const QString& caption) { ShowProductLines(k, id, caption); }};
            return new TInventoryForm(deps, m_placement);
        },
        [](TInventoryForm* w) { w->Prepare(); });
}

TListForm* TStockView::ProductLinesWindow(Kind kind) const {
    return kind == Kind::Sale ? m_sales.get() : m_purchases.get();
}

void TStockView::ShowProductLines(Kind kind, qint32 productId, const QString& caption) {
    std::unique_ptr<TListForm>& slot = kind == Kind::Sale ? m_sales : m_purchases;
    if (!slot) {
        slot = m_lists.MakeListWindow(kind);
        // These windows list one product; they do not search.
        slot->Frame()->btnSearchSwitch->hide();
    }
    slot->setWindowTitle(caption);
    slot->FilterByProduct(productId);
    slot->ShowLinesPage();
    TResourceFactory::ShowWindow(slot.get());
}
