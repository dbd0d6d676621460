#include "outputmainform.h"

TOutputMainFrame::TOutputMainFrame(const TListFrameDeps& deps, QWidget* parent)
    : TListFrame(SaleListKind(), deps, parent) {
    setObjectName(QStringLiteral("OutputMainFrame1"));
}

TOutputMainForm::TOutputMainForm(const TListFrameDeps& deps, TControlPlacement& placement, QWidget* parent)
    : TListForm(new TOutputMainFrame(deps), QStringLiteral("OutputMainForm"), QStringLiteral("销售单据列表"),
                placement, parent) {
    OutputMainFrame1 = static_cast<TOutputMainFrame*>(Frame());
}
