#include "documents.h"

#include "inputeditform.h"
#include "outputeditform.h"
#include "refundeditform.h"
#include "resourcefactory.h"

TDocuments::TDocuments(TDocumentEditorDeps deps, TResourceFactory& factory)
    : m_deps(std::move(deps)), m_factory(factory) {}

// The editors use the selector and the lists of the data module: they go
// before those do.
TDocuments::~TDocuments() {
    for (const char* name : {"InputEditForm", "OutputEditForm", "RefundInEditForm", "RefundOutEditForm"})
        if (QWidget* w = m_factory.Take(QString::fromLatin1(name))) delete w;
}

TInputEditForm* TDocuments::GetInputEditForm() {
    return m_factory.Get<TInputEditForm>(
        QStringLiteral("InputEditForm"), [this] { return new TInputEditForm(m_deps); },
        [this](TInputEditForm* w) {
            w->PrepareEditor();
            w->RefreshList = [this] {
                if (RefreshInputList) RefreshInputList();
            };
        });
}

TOutputEditForm* TDocuments::GetOutputEditForm() {
    return m_factory.Get<TOutputEditForm>(
        QStringLiteral("OutputEditForm"), [this] { return new TOutputEditForm(m_deps); },
        [this](TOutputEditForm* w) {
            w->PrepareEditor();
            w->RefreshList = [this] {
                if (RefreshOutputList) RefreshOutputList();
            };
        });
}

TRefundEditForm* TDocuments::refundEditor(int module) {
    const QString slot = TRefundEditForm::Describe(module).objectName;
    return m_factory.Get<TRefundEditForm>(
        slot, [this, module] { return new TRefundEditForm(module, m_deps); },
        [this, module](TRefundEditForm* w) {
            w->PrepareEditor();
            w->RefreshList = [this, module] {
                const auto& refresh = module == 2 ? RefreshRefundInList : RefreshRefundOutList;
                if (refresh) refresh();
            };
        });
}

TRefundEditForm* TDocuments::GetRefundInEditForm() { return refundEditor(2); }

TRefundEditForm* TDocuments::GetRefundOutEditForm() { return refundEditor(3); }

void TDocuments::NewInput() {
    TInputEditForm* w = GetInputEditForm();
    w->NewDocument();
    TResourceFactory::ShowWindow(w);
}

void TDocuments::NewOutput() {
    TOutputEditForm* w = GetOutputEditForm();
    w->NewDocument();
    TResourceFactory::ShowWindow(w);
}

void TDocuments::NewRefundIn() {
    TRefundEditForm* w = GetRefundInEditForm();
    w->NewDocument();
    TResourceFactory::ShowWindow(w);
}

void TDocuments::NewRefundOut() {
    TRefundEditForm* w = GetRefundOutEditForm();
    w->NewDocument();
    TResourceFactory::ShowWindow(w);
}
