#include "refundeditform.h"

TDocumentEditorDescription TRefundEditForm::Describe(int module) {
    TDocumentEditorDescription d;
    d.kind = &TDocumentKind::Refund(module); // refuses a wrong module first
    const bool fromCustomer = module == 2;
    d.objectName =
        fromCustomer ? QStringLiteral("RefundInEditForm") : QStringLiteral("RefundOutEditForm");
    d.caption = fromCustomer ? QStringLiteral("退货单 - 客户退货给自己")
                             : QStringLiteral("退货单 - 自己退货给供应商");
    d.placementPath = d.objectName;
    d.numberLabel = QStringLiteral("退货单号:");
    if (fromCustomer) {
        d.partner = TDocumentEditorDescription::Partner::Customer;
        d.partnerLabel = QStringLiteral("退货客户:");
        d.partnerEditName = QStringLiteral("edtCustomer");
        d.partnerPickName = QStringLiteral("BitBtn2");
        d.flagName = QStringLiteral("imgFlagIn");
        d.flagText = QStringLiteral("客户退回\n入库");
        d.flagColor = QStringLiteral("#2e7d32");
    } else {
        d.partner = TDocumentEditorDescription::Partner::Supplier;
        d.partnerLabel = QStringLiteral("退给供应商:");
        d.partnerEditName = QStringLiteral("edtSupplier");
        d.partnerPickName = QStringLiteral("BitBtn6");
        d.flagName = QStringLiteral("imgFlagOut");
        d.flagText = QStringLiteral("退给供应商\n出库");
        d.flagColor = QStringLiteral("#c25e00");
    }
    d.dateLabel = QStringLiteral("退货时间:");
    d.dateEditName = QStringLiteral("edtRefundDate");
    d.userEditName = QStringLiteral("edtRefundUser");
    d.totalLabel = QStringLiteral("退货总价:");
    d.createFieldsLocked = true;
    d.linesTitle = QStringLiteral("退货商品列表");
    d.linesHint = QStringLiteral("[Ctrl+方向键] 移动焦点");
    d.columns = {
        {QStringLiteral("productCode"), QStringLiteral("商品条码"), false, 120},
        {QStringLiteral("productName"), QStringLiteral("商品名称"), false, 180},
        {QStringLiteral("product_model"), QStringLiteral("型号"), true, 80},
        {QStringLiteral("product_spec"), QStringLiteral("规格"), true, 80},
        {QStringLiteral("unitPrice"), QStringLiteral("退货单价(元)"), false, 90},
        {QStringLiteral("quantity"), QStringLiteral("数量"), false, 60},
        {QStringLiteral("unitName"), QStringLiteral("单位"), true, 50},
        {QStringLiteral("totalPrice"), QStringLiteral("退货总价(元)"), true, 95},
        {QStringLiteral("comments"), QStringLiteral("备注"), false, 120},
    };
    return d;
}

TRefundEditForm::TRefundEditForm(int module, TDocumentEditorDeps deps, QWidget* parent)
    : TDocumentEditForm(Describe(module), std::move(deps), parent), m_module(module) {}
