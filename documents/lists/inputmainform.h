#pragma once
#include "listform.h"

// The purchase list frame: the list frame with the purchase description.
class TInputMainFrame : public TListFrame {
    Q_OBJECT
public:
    explicit TInputMainFrame(const TListFrameDeps& deps, QWidget* parent = nullptr);
};

// "进货记录": stored purchase documents.
class TInputMainForm : public TListForm {
    Q_OBJECT
public:
    TInputMainForm(const TListFrameDeps& deps, TControlPlacement& placement, QWidget* parent = nullptr);
    TInputMainFrame* InputMainFrame1;
};
