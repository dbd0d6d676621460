#pragma once
#include "documenteditor.h"

class TSalePOSCalcForm;

// "销售单": goods sold to a customer, with discounts on the lines, the unit
// cost captured at each pick, and the change calculator before saving. Its
// audit takes the lines out of stock; the unit cost stays.
class TOutputEditForm : public TDocumentEditForm {
    Q_OBJECT
public:
    explicit TOutputEditForm(TDocumentEditorDeps deps, QWidget* parent = nullptr);
    static TDocumentEditorDescription Describe();
    TSalePOSCalcForm* Calculator() const { return m_calc; }

private:
    TSalePOSCalcForm* m_calc;
};
