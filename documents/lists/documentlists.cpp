#include "documentlists.h"

#include "inputmainform.h"
#include "outputmainform.h"
#include "refundform.h"
#include "resourcefactory.h"

using ListStatements::Kind;

namespace {
const QString kInputSlot = QStringLiteral("InputMainForm");
const QString kOutputSlot = QStringLiteral("OutputMainForm");
const QString kRefundInSlot = QStringLiteral("RefundInForm");
const QString kRefundOutSlot = QStringLiteral("RefundOutForm");

const QString& slotOf(Kind kind) {
    switch (kind) {
    case Kind::Sale:
        return kOutputSlot;
    case Kind::CustomerRefund:
        return kRefundInSlot;
    case Kind::SupplierRefund:
        return kRefundOutSlot;
    default:
        return kInputSlot;
    }
}
} // namespace

TDocumentLists::TDocumentLists(TMainDM& dm, TDFMProxy& labels, TControlPlacement& placement,
                               TResourceFactory& factory)
    : m_dm(dm), m_labels(labels), m_placement(placement), m_factory(factory) {}

// The factory's list windows use what this class hands them; they go first.
TDocumentLists::~TDocumentLists() {
    for (const QString& slot : {kInputSlot, kOutputSlot, kRefundInSlot, kRefundOutSlot})
        if (QWidget* w = m_factory.Take(slot)) delete w;
}

// The frames ask through this object, so hooks set later reach them too.
TListFrameDeps TDocumentLists::deps() {
    TListHooks hooks;
    hooks.newDocument = [this](Kind k) {
        if (m_hooks.newDocument) m_hooks.newDocument(k);
    };
    hooks.openDocument = [this](Kind k, const QString& no) {
        if (m_hooks.openDocument) m_hooks.openDocument(k, no);
    };
    return TListFrameDeps{m_dm, m_labels, std::move(hooks)};
}

TInputMainForm* TDocumentLists::InputMainForm() {
    return m_factory.Get<TInputMainForm>(
        kInputSlot, [this] { return new TInputMainForm(deps(), m_placement); },
        [](TInputMainForm* w) { w->Prepare(); });
}

TOutputMainForm* TDocumentLists::OutputMainForm() {
    return m_factory.Get<TOutputMainForm>(
        kOutputSlot, [this] { return new TOutputMainForm(deps(), m_placement); },
        [](TOutputMainForm* w) { w->Prepare(); });
}

TRefundForm* TDocumentLists::RefundInListForm() {
    return m_factory.Get<TRefundForm>(
        kRefundInSlot, [this] { return new TRefundForm(2, deps(), m_placement); },
        [](TRefundForm* w) { w->Prepare(); });
}

TRefundForm* TDocumentLists::RefundOutListForm() {
    return m_factory.Get<TRefundForm>(
        kRefundOutSlot, [this] { return new TRefundForm(3, deps(), m_placement); },
        [](TRefundForm* w) { w->Prepare(); });
}

TListForm* TDocumentLists::ListForm(Kind kind) {
    switch (kind) {
    case Kind::Sale:
        return OutputMainForm();
    case Kind::CustomerRefund:
        return RefundInListForm();
    case Kind::SupplierRefund:
        return RefundOutListForm();
    default:
        return InputMainForm();
    }
}

void TDocumentLists::RefreshList(Kind kind) {
    if (!m_factory.Has(slotOf(kind))) return;
    ListForm(kind)->RefreshList();
}

std::unique_ptr<TListForm> TDocumentLists::MakeListWindow(Kind kind, QWidget* parent) {
    std::unique_ptr<TListForm> w;
    if (kind == Kind::Sale)
        w = std::make_unique<TOutputMainForm>(deps(), m_placement, parent);
    else if (kind == Kind::CustomerRefund || kind == Kind::SupplierRefund)
        w = std::make_unique<TRefundForm>(kind == Kind::CustomerRefund ? 2 : 3, deps(), m_placement, parent);
    else
        w = std::make_unique<TInputMainForm>(deps(), m_placement, parent);
    TResourceFactory::ApplySkin(w.get());
    w->Prepare();
    return w;
}
