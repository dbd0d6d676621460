#pragma once
#include "listform.h"

// The sales list frame: the list frame with the sales description.
class TOutputMainFrame : public TListFrame {
    Q_OBJECT
public:
    explicit TOutputMainFrame(const TListFrameDeps& deps, QWidget* parent = nullptr);
};

// "销售单据列表": stored sale documents.
class TOutputMainForm : public TListForm {
    Q_OBJECT
public:
    TOutputMainForm(const TListFrameDeps& deps, TControlPlacement& placement, QWidget* parent = nullptr);
    TOutputMainFrame* OutputMainFrame1;
};
