#include "listkind.h"

#include "dberror.h"
#include "maindm.h"

namespace {
QList<TListKind::Column> columns(std::initializer_list<std::pair<const char*, const char*>> list) {
    QList<TListKind::Column> out;
    for (const auto& [field, title] : list) out.append({QString::fromLatin1(field), QString::fromUtf8(title)});
    return out;
}
} // namespace

TListKind PurchaseListKind() {
    TListKind k;
    k.kind = ListStatements::Kind::Purchase;
    k.placement = QStringLiteral("InputMainForm");
    k.searchCaption = QStringLiteral("查找进货单");
    k.deleteConfirm = QStringLiteral("确定要删除该进货单吗?");
    k.exportDocuments = QStringLiteral("进货数据");
    k.exportLines = QStringLiteral("进货明细数据");
    k.partnerBox = QStringLiteral("edtSupplier");
    k.partnerLabel = QStringLiteral("供应商:");
    k.typeBox = QStringLiteral("edtInputType");
    k.userBox = QStringLiteral("edtInputUser");
    k.dateCheck = QStringLiteral("chkInputDate");
    k.dateStart = QStringLiteral("edtInputDateStart");
    k.dateEnd = QStringLiteral("edtInputDateEnd");
    k.dateLabel = QStringLiteral("进货日期:");
    k.productCodeLabel = QStringLiteral("商品条码:");
    k.partners = [](TMainDM& dm) { return dm.querySupplier; };
    k.partnerNameField = QStringLiteral("supplierName");
    k.types = [](TMainDM& dm) { return dm.queryInputType; };
    k.documentColumns = columns({{"inputDate", "进货日期"},
                                 {"inputNO", "进货单编号"},
                                 {"supplierName", "供应商"},
                                 {"totalPrice", "总价(元)"},
                                 {"auditStatusName", "审核状态"},
                                 {"inputUserName", "经办人"},
                                 {"createUserName", "录入人"},
                                 {"createDate", "录入日期"},
                                 {"comments", "备注"}});
    k.lineColumns = columns({{"inputDate", "进货日期"},
                             {"inputNO", "进货单号"},
                             {"productName", "商品名称"},
                             {"product_model", "型号"},
                             {"product_spec", "规格"},
                             {"productCode", "条码"},
                             {"quantity", "进货数量"},
                             {"unitName", "单位"},
                             {"unitPrice", "单价(元)"},
                             {"totalPrice", "总价(元)"},
                             {"supplierName", "供应商"},
                             {"inputUserName", "经办人"},
                             {"createDate", "录入日期"},
                             {"createUserName", "录入人"},
                             {"comments", "备注"}});
    return k;
}

TListKind SaleListKind() {
    TListKind k;
    k.kind = ListStatements::Kind::Sale;
    k.placement = QStringLiteral("OutputMainForm");
    k.searchCaption = QStringLiteral("查找");
    k.deleteConfirm = QStringLiteral("确定要删除该销售单吗?");
    k.exportDocuments = QStringLiteral("销售数据");
    k.exportLines = QStringLiteral("销售明细数据");
    k.partnerBox = QStringLiteral("edtCustomer");
    k.partnerLabel = QStringLiteral("客户:");
    k.customerCodeBox = QStringLiteral("edtCustomerCode");
    k.customerCodeLabel = QStringLiteral("贵宾卡号:");
    k.typeBox = QStringLiteral("edtOutputType");
    k.userBox = QStringLiteral("edtOutputUser");
    k.dateCheck = QStringLiteral("chkOutputDate");
    k.dateStart = QStringLiteral("edtOutputDateStart");
    k.dateEnd = QStringLiteral("edtOutputDateEnd");
    k.dateLabel = QStringLiteral("销售日期:");
    k.productCodeLabel = QStringLiteral("商品编码:");
    k.partners = [](TMainDM& dm) { return dm.queryCustomer; };
    k.partnerNameField = QStringLiteral("customerName");
    k.types = [](TMainDM& dm) { return dm.queryOutputType; };
    k.sizeColorLists = true;
    k.wideLinesFooter = true;
    k.refreshListOnly = true;
    k.documentColumns = columns({{"outputDate", "销售日期"},
                                 {"outputNO", "销售单编号"},
                                 {"customerName", "客户"},
                                 {"totalPrice", "总价(元)"},
                                 {"auditStatusName", "审核状态"},
                                 {"outputUserName", "经办人"},
                                 {"createUserName", "录入人"},
                                 {"createDate", "录入日期"},
                                 {"comments", "备注"}});
    k.lineColumns = columns({{"outputDate", "销售日期"},
                             {"outputNO", "销售单号"},
                             {"productCode", "编码"},
                             {"productName", "商品名称"},
                             {"product_model", "型号"},
                             {"product_spec", "规格"},
                             {"quantity", "销售数量"},
                             {"unitName", "单位"},
                             {"unitPriceOriginal", "原价"},
                             {"discount", "折扣"},
                             {"unitPrice", "折后价(元)"},
                             {"totalPrice", "总价(元)"},
                             {"customerName", "客户"},
                             {"outputUserName", "经办人"},
                             {"createDate", "录入日期"},
                             {"createUserName", "录入人"},
                             {"comments", "备注"}});
    return k;
}

TListKind RefundListKind(int module) {
    if (module != 2 && module != 3)
        throw AppError(QStringLiteral("Wrong argument. module: ") + QString::number(module));
    const bool fromCustomer = module == 2;
    TListKind k;
    k.kind = fromCustomer ? ListStatements::Kind::CustomerRefund : ListStatements::Kind::SupplierRefund;
    k.placement = fromCustomer ? QStringLiteral("RefundInForm") : QStringLiteral("RefundOutForm");
    k.searchCaption = QStringLiteral("查找退货单");
    k.deleteConfirm = QStringLiteral("确定要删除该退货单吗?");
    k.exportDocuments = fromCustomer ? QStringLiteral("客户退货数据") : QStringLiteral("采购退货数据");
    k.exportLines = fromCustomer ? QStringLiteral("客户退货明细数据") : QStringLiteral("采购退货明细数据");
    k.partnerBox = fromCustomer ? QStringLiteral("edtCustomer") : QStringLiteral("edtSupplier");
    k.partnerLabel = fromCustomer ? QStringLiteral("退货客户:") : QStringLiteral("退给供应商:");
    k.userBox = QStringLiteral("edtRefundUser");
    k.dateCheck = QStringLiteral("chkRefundDate");
    k.dateStart = QStringLiteral("edtRefundDateStart");
    k.dateEnd = QStringLiteral("edtRefundDateEnd");
    k.dateLabel = QStringLiteral("退货日期:");
    k.productCodeLabel = QStringLiteral("商品条码:");
    if (fromCustomer) {
        k.partners = [](TMainDM& dm) { return dm.queryCustomer; };
        k.partnerNameField = QStringLiteral("customerName");
    } else {
        k.partners = [](TMainDM& dm) { return dm.querySupplier; };
        k.partnerNameField = QStringLiteral("supplierName");
    }
    k.moneyPatterns = false;
    k.documentsPage = QStringLiteral("退货单");
    k.linesPage = QStringLiteral("明细");
    k.pageButtons = true;
    k.flagName = fromCustomer ? QStringLiteral("imgFlagIn") : QStringLiteral("imgFlagOut");
    k.flagText = fromCustomer ? QStringLiteral("客户退回 入库") : QStringLiteral("退给供应商 出库");
    k.flagColor = fromCustomer ? QStringLiteral("#2e7d32") : QStringLiteral("#c25e00");
    const char* documentsPartner = fromCustomer ? "退货客户" : "退给供应商";
    const char* linesPartner = fromCustomer ? "退货客户" : "供应商";
    k.documentColumns = columns({{"refundDate", "退货日期"},
                                 {"refundNO", "退货单编号"},
                                 {"cosName", documentsPartner},
                                 {"totalPrice", "总价(元)"},
                                 {"auditStatusName", "审核状态"},
                                 {"refundUserName", "经办人"},
                                 {"createUserName", "录入人"},
                                 {"createDate", "录入日期"},
                                 {"comments", "备注"}});
    k.lineColumns = columns({{"refundDate", "退货日期"},
                             {"refundNO", "退货单号"},
                             {"productName", "商品名称"},
                             {"product_model", "型号"},
                             {"product_spec", "规格"},
                             {"productCode", "条码"},
                             {"quantity", "退货数量"},
                             {"unitName", "单位"},
                             {"unitPrice", "单价(元)"},
                             {"totalPrice", "总价(元)"},
                             {"cosName", linesPartner},
                             {"refundUserName", "经办人"},
                             {"createDate", "录入日期"},
                             {"createUserName", "录入人"},
                             {"comments", "备注"}});
    return k;
}
