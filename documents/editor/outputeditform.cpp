#include "outputeditform.h"

#include "saleposcalcform.h"

#include <QScreen>

TDocumentEditorDescription TOutputEditForm::Describe() {
    TDocumentEditorDescription d;
    d.kind = &TDocumentKind::Sale();
    d.objectName = QStringLiteral("OutputEditForm");
    d.caption = QStringLiteral("销售单");
    d.placementPath = QStringLiteral("OutputEditForm\\");
    d.numberLabel = QStringLiteral("销售单号:");
    d.partner = TDocumentEditorDescription::Partner::Customer;
    d.partnerLabel = QStringLiteral("客户:");
    d.partnerEditName = QStringLiteral("edtCustomer");
    d.partnerCodeLabel = QStringLiteral("贵宾卡号：");
    d.dateLabel = QStringLiteral("销售时间:");
    d.dateEditName = QStringLiteral("edtOutputDate");
    d.userEditName = QStringLiteral("edtOutputUser");
    d.totalReadOnly = true;
    d.createFieldsLocked = true;
    d.linesTitle = QStringLiteral("销售商品列表");
    d.linesHint = QStringLiteral("折扣：75折为0.75  [Ctrl+方向键] 移动焦点");
    d.changeCalculator = true;
    d.columns = {
        {QStringLiteral("productCode"), QStringLiteral("商品编码"), false, 120},
        {QStringLiteral("productName"), QStringLiteral("商品名称"), false, 170},
        {QStringLiteral("product_model"), QStringLiteral("型号"), true, 70},
        {QStringLiteral("product_spec"), QStringLiteral("规格"), true, 70},
        {QStringLiteral("unitPriceOriginal"), QStringLiteral("原价(元)"), true, 75},
        {QStringLiteral("discount"), QStringLiteral("折扣"), false, 50},
        {QStringLiteral("unitPrice"), QStringLiteral("折后价(元)"), false, 80},
        {QStringLiteral("quantity"), QStringLiteral("数量"), false, 55},
        {QStringLiteral("unitName"), QStringLiteral("单位"), true, 45},
        {QStringLiteral("totalPrice"), QStringLiteral("总价(元)"), false, 85},
        {QStringLiteral("comments"), QStringLiteral("备注"), false, 110},
    };
    return d;
}

TOutputEditForm::TOutputEditForm(TDocumentEditorDeps deps, QWidget* parent)
    : TDocumentEditForm(Describe(), std::move(deps), parent) {
    m_calc = new TSalePOSCalcForm(this);
    ConfirmPayment = [this](double due) { return m_calc->Execute(due); };
    // The sale editor opens centred; later it keeps where the user put it.
    move(screen() ? screen()->availableGeometry().center() - rect().center() : QPoint(40, 40));
}
