#pragma once
#include "listform.h"

// The refund list frame: the list frame with the refund description of one
// direction (number module 2 or 3).
class TRefundMainFrame : public TListFrame {
    Q_OBJECT
public:
    TRefundMainFrame(int module, const TListFrameDeps& deps, QWidget* parent = nullptr);
    int Module() const { return m_module; }

private:
    int m_module;
};

// "销售退货管理 - 客户退货给自己" (module 2) and "采购退货管理 - 自己退货给
// 供应商" (module 3): the stored refunds of that direction only.
class TRefundForm : public TListForm {
    Q_OBJECT
public:
    TRefundForm(int module, const TListFrameDeps& deps, TControlPlacement& placement,
                QWidget* parent = nullptr);
    TRefundMainFrame* RefundMainFrame1;
};
