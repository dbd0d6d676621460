#pragma once
#include "documenteditor.h"

class TInputEditForm;
class TOutputEditForm;
class TRefundEditForm;
class TResourceFactory;

// The document windows, made by the form factory on first use and each
// handed what it uses. Start-up and the tests reach them through this one
// class, so they are wired the same way.
class TDocuments {
public:
    TDocuments(TDocumentEditorDeps deps, TResourceFactory& factory);
    ~TDocuments();
    TDocuments(const TDocuments&) = delete;
    TDocuments& operator=(const TDocuments&) = delete;

    // "进货单" and "销售单", made and prepared on first use.
    TInputEditForm* GetInputEditForm();
    TOutputEditForm* GetOutputEditForm();
    // "退货单" of each direction: module 2 (a customer brings goods back)
    // and module 3 (goods sent back to a supplier), two windows.
    TRefundEditForm* GetRefundInEditForm();
    TRefundEditForm* GetRefundOutEditForm();

    // The main window's 进货, 销售, 客户退回来 and 退给供应商 actions: a new
    // document, shown.
    void NewInput();
    void NewOutput();
    void NewRefundIn();
    void NewRefundOut();

    // The lists reload themselves through these when an editor closes
    // after a change; set when the lists exist.
    std::function<void()> RefreshInputList;
    std::function<void()> RefreshOutputList;
    std::function<void()> RefreshRefundInList;
    std::function<void()> RefreshRefundOutList;

private:
    TRefundEditForm* refundEditor(int module);
    TDocumentEditorDeps m_deps;
    TResourceFactory& m_factory;
};
