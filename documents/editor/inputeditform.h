#pragma once
#include "documenteditor.h"

// "进货单": goods received from a supplier. Its audit adds the lines to
// stock and re-averages the unit costs with their prices.
class TInputEditForm : public TDocumentEditForm {
    Q_OBJECT
public:
    explicit TInputEditForm(TDocumentEditorDeps deps, QWidget* parent = nullptr);
    static TDocumentEditorDescription Describe();
};
