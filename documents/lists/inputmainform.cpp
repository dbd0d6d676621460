#include "inputmainform.h"

TInputMainFrame::TInputMainFrame(const TListFrameDeps& deps, QWidget* parent)
    : TListFrame(PurchaseListKind(), deps, parent) {
    setObjectName(QStringLiteral("InputMainFrame1"));
}

TInputMainForm::TInputMainForm(const TListFrameDeps& deps, TControlPlacement& placement, QWidget* parent)
    : TListForm(new TInputMainFrame(deps), QStringLiteral("InputMainForm"), QStringLiteral("进货记录"), placement,
                parent) {
    InputMainFrame1 = static_cast<TInputMainFrame*>(Frame());
}
