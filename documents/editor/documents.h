#pragma once
#include "documenteditor.h"

class TInputEditForm;
class TOutputEditForm;
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

    // The main window's 进货 and 销售 actions: a new document, shown.
    void NewInput();
    void NewOutput();

    // The lists reload themselves through these when an editor closes
    // after a change; set when the lists exist.
    std::function<void()> RefreshInputList;
    std::function<void()> RefreshOutputList;

private:
    TDocumentEditorDeps m_deps;
    TResourceFactory& m_factory;
};
