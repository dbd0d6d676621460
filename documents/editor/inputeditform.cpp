#include "inputeditform.h"

TDocumentEditorDescription TInputEditForm::Describe() {
    TDocumentEditorDescription d;
    d.kind = &TDocumentKind::Purchase();
    d.objectName = QStringLiteral("InputEditForm");
    d.caption = QStringLiteral("进货单");
    d.placementPath = QStringLiteral("InputEditForm\\");
    d.numberLabel = QStringLiteral("进货单号:");
    d.partner = TDocumentEditorDescription::Partner::Supplier;
    d.partnerLabel = QStringLiteral("供应商:");
    d.partnerEditName = QStringLiteral("edtSupplier");
    d.dateLabel = QStringLiteral("进货时间:");
    d.dateEditName = QStringLiteral("edtInputDate");
    d.userEditName = QStringLiteral("edtInputUser");
    d.linesTitle = QStringLiteral("进货商品列表");
    d.linesHint = QStringLiteral("[Ctrl+方向键] 移动焦点");
    d.columns = {
        {QStringLiteral("productCode"), QStringLiteral("商品条码"), false, 120},
        {QStringLiteral("productName"), QStringLiteral("商品名称"), false, 180},
        {QStringLiteral("product_model"), QStringLiteral("型号"), true, 80},
        {QStringLiteral("product_spec"), QStringLiteral("规格"), true, 80},
        {QStringLiteral("unitPrice"), QStringLiteral("单价(元)"), false, 80},
        {QStringLiteral("quantity"), QStringLiteral("数量"), false, 60},
        {QStringLiteral("unitName"), QStringLiteral("单位"), true, 50},
        {QStringLiteral("totalPrice"), QStringLiteral("总价(元)"), true, 90},
        {QStringLiteral("comments"), QStringLiteral("备注"), false, 120},
    };
    return d;
}

TInputEditForm::TInputEditForm(TDocumentEditorDeps deps, QWidget* parent)
    : TDocumentEditForm(Describe(), std::move(deps), parent) {}
