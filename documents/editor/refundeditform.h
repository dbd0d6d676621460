#pragma once
#include "documenteditor.h"

// "退货单": returned goods, in one of two directions, each its own window.
// Module 2: a customer brings goods back, the audit puts them into stock.
// Module 3: we send goods back to a supplier, the audit takes them out.
// Lines, checks and saving are the purchase editor's; neither direction
// touches the unit cost.
class TRefundEditForm : public TDocumentEditForm {
    Q_OBJECT
public:
    // Throws for a module other than 2 or 3.
    TRefundEditForm(int module, TDocumentEditorDeps deps, QWidget* parent = nullptr);
    static TDocumentEditorDescription Describe(int module);
    int Module() const { return m_module; }

private:
    int m_module;
};
