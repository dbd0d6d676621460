#pragma once
#include "listframe.h"

#include <memory>

class TControlPlacement;
class TDFMProxy;
class TInputMainForm;
class TListForm;
class TMainDM;
class TOutputMainForm;
class TRefundForm;
class TResourceFactory;

// The purchase, sales and refund list windows, made by the form factory on
// first use and each handed what it uses. The editors are reached through hooks
// set by whoever builds them; they call RefreshList when they close after
// storing something.
class TDocumentLists {
public:
    TDocumentLists(TMainDM& dm, TDFMProxy& labels, TControlPlacement& placement, TResourceFactory& factory);
    ~TDocumentLists();
    TDocumentLists(const TDocumentLists&) = delete;
    TDocumentLists& operator=(const TDocumentLists&) = delete;

    // How the lists open the editors. May be set or changed at any time;
    // without it "新建(&N)", "修改" and double-clicks do nothing.
    void SetHooks(TListHooks hooks) { m_hooks = std::move(hooks); }

    // "进货记录" and "销售单据列表", made and prepared on first use.
    TInputMainForm* InputMainForm();
    TOutputMainForm* OutputMainForm();
    // The refunds a customer brought back (module 2) and those sent back to a
    // supplier (module 3), two windows.
    TRefundForm* RefundInListForm();
    TRefundForm* RefundOutListForm();
    TListForm* ListForm(ListStatements::Kind kind);

    // An editor of this kind closed after storing something: the factory's
    // list of the kind reads again, if it was made and is showing.
    void RefreshList(ListStatements::Kind kind);

    // A list window apart from the factory's, prepared, for a window that
    // keeps lists of its own (the stock view). The caller owns it.
    std::unique_ptr<TListForm> MakeListWindow(ListStatements::Kind kind, QWidget* parent = nullptr);

private:
    TListFrameDeps deps();
    TMainDM& m_dm;
    TDFMProxy& m_labels;
    TControlPlacement& m_placement;
    TResourceFactory& m_factory;
    TListHooks m_hooks;
};
