#include "refundform.h"

TRefundMainFrame::TRefundMainFrame(int module, const TListFrameDeps& deps, QWidget* parent)
    : TListFrame(RefundListKind(module), deps, parent), m_module(module) {
    setObjectName(QStringLiteral("RefundMainFrame1"));
}

TRefundForm::TRefundForm(int module, const TListFrameDeps& deps, TControlPlacement& placement,
                         QWidget* parent)
    : TListForm(new TRefundMainFrame(module, deps),
                module == 2 ? QStringLiteral("RefundInForm") : QStringLiteral("RefundOutForm"),
                module == 2 ? QStringLiteral("销售退货管理 - 客户退货给自己")
                            : QStringLiteral("采购退货管理 - 自己退货给供应商"),
                placement, parent) {
    RefundMainFrame1 = static_cast<TRefundMainFrame*>(Frame());
}
