#include "partnerkind.h"

#include "dbutils.h"
#include "maindm.h"

namespace {
// The text columns both tables share, in the tables' order after code and name.
const QStringList kContactFields = {QStringLiteral("mobile"), QStringLiteral("tel1"),  QStringLiteral("tel2"),
                                    QStringLiteral("qq"),     QStringLiteral("msn"),   QStringLiteral("icq"),
                                    QStringLiteral("addr1"),  QStringLiteral("addr2"), QStringLiteral("postCode"),
                                    QStringLiteral("comments")};

TPartnerKind makeSupplier() {
    TPartnerKind k;
    k.table = QStringLiteral("Supplier");
    k.role = QStringLiteral("Supplier");
    k.codeField = QStringLiteral("supplierCode");
    k.nameField = QStringLiteral("supplierName");
    k.typeField = QStringLiteral("supplierType");
    k.typeNameField = QStringLiteral("supplierTypeName");
    k.typeSet = QStringLiteral("SupplierType");
    k.shared = &TMainDM::querySupplier;
    k.types = &TMainDM::querySupplierType;
    k.formName = QStringLiteral("SupplierForm");
    k.formCaption = QStringLiteral("供应商列表");
    k.searchButton = QStringLiteral("JvBitBtn8");
    k.gridName = QStringLiteral("supplierGrid");
    k.listCaption = QStringLiteral("供应商列表");
    k.nameCaption = QStringLiteral("供应商名称:");
    k.codeCaption = QStringLiteral("供应商编码:");
    k.typeCaption = QStringLiteral("供应商分类:");
    k.scopes = {{QStringLiteral("<模糊查找>"), QStringList{k.codeField, k.nameField} + kContactFields},
                {QStringLiteral("供应商名称"), {k.nameField}}};
    k.columns = {{k.codeField, QStringLiteral("供应商编码"), 90},  {k.nameField, QStringLiteral("供应商名称"), 180},
                 {k.typeNameField, QStringLiteral("供应商类别"), 80}, {QStringLiteral("mobile"), QStringLiteral("手机"), 100},
                 {QStringLiteral("tel1"), QStringLiteral("电话1"), 100},  {QStringLiteral("tel2"), QStringLiteral("电话2"), 100},
                 {QStringLiteral("qq"), QStringLiteral("QQ"), 80},        {QStringLiteral("msn"), QStringLiteral("MSN"), 100},
                 {QStringLiteral("icq"), QStringLiteral("ICQ"), 80},      {QStringLiteral("postCode"), QStringLiteral("邮编"), 60},
                 {QStringLiteral("addr1"), QStringLiteral("地址1"), 200}, {QStringLiteral("addr2"), QStringLiteral("地址2"), 160},
                 {QStringLiteral("comments"), QStringLiteral("备注"), 160}};
    // Returns to a supplier are type 2; type 1 are a customer's returns and
    // their cosID is a customer's id.
    k.uses = {{QStringLiteral("select count(*) as fcount from InputForm where supplierID=:id"),
               QStringLiteral("该供应商有进货单与之关联,不能删除.")},
              {QStringLiteral("select count(*) as fcount from RefundForm where refundType=2 and cosID=:id"),
               QStringLiteral("该供应商有退货单与之关联,不能删除.")}};
    k.confirmText = QStringLiteral("确定要删除该供应商资料吗(%1)?");
    k.keepGridLayout = true;
    return k;
}

TPartnerKind makeCustomer() {
    TPartnerKind k;
    k.table = QStringLiteral("Customer");
    k.role = QStringLiteral("Customer");
    k.codeField = QStringLiteral("customerCode");
    k.nameField = QStringLiteral("customerName");
    k.typeField = QStringLiteral("customerType");
    k.typeNameField = QStringLiteral("customerTypeName");
    k.typeSet = QStringLiteral("CustomerType");
    k.shared = &TMainDM::queryCustomer;
    k.types = &TMainDM::queryCustomerType;
    k.formName = QStringLiteral("CustomerForm");
    k.formCaption = QStringLiteral("客户列表");
    k.searchButton = QStringLiteral("JvBitBtn9");
    k.gridName = QStringLiteral("customerGrid");
    k.listCaption = QStringLiteral("客户列表");
    k.nameCaption = QStringLiteral("客户名称:");
    // The customer's code is the number of its VIP card.
    k.codeCaption = QStringLiteral("贵宾卡号:");
    k.typeCaption = QStringLiteral("客户分类:");
    k.scopes = {{QStringLiteral("<模糊查找>"), QStringList{k.codeField, k.nameField} + kContactFields},
                {QStringLiteral("贵宾卡号"), {k.codeField}},
                {QStringLiteral("客户名称"), {k.nameField}}};
    k.columns = {{k.codeField, QStringLiteral("贵宾卡号"), 90},    {k.nameField, QStringLiteral("客户名称"), 160},
                 {k.typeNameField, QStringLiteral("客户分类"), 80}, {QStringLiteral("mobile"), QStringLiteral("手机"), 100},
                 {QStringLiteral("tel1"), QStringLiteral("电话1"), 100}, {QStringLiteral("tel2"), QStringLiteral("电话2"), 100},
                 {QStringLiteral("qq"), QStringLiteral("QQ"), 80},       {QStringLiteral("msn"), QStringLiteral("MSN"), 100},
                 {QStringLiteral("icq"), QStringLiteral("ICQ"), 80},     {QStringLiteral("addr1"), QStringLiteral("地址1"), 200},
                 {QStringLiteral("addr2"), QStringLiteral("地址2"), 160}, {QStringLiteral("postCode"), QStringLiteral("邮政编码"), 70},
                 {QStringLiteral("comments"), QStringLiteral("备注"), 160}};
    k.uses = {{QStringLiteral("select count(*) as fcount from OutputForm where customerID=:id"),
               QStringLiteral("该客户有出货单与之关联,不能删除.")},
              {QStringLiteral("select count(*) as fcount from RefundForm where refundType=1 and cosID=:id"),
               QStringLiteral("该客户有退货单与之关联,不能删除.")}};
    k.confirmText = QStringLiteral("确定要删除该客户资料吗(%1)?");
    k.tipText = QStringLiteral("双击表格选择该客户");
    return k;
}

} // namespace

const TPartnerKind& TPartnerKind::Supplier() {
    static const TPartnerKind k = makeSupplier();
    return k;
}

const TPartnerKind& TPartnerKind::Customer() {
    static const TPartnerKind k = makeCustomer();
    return k;
}

TPartnerKind::Search TPartnerKind::SearchCondition(int scope, const QString& key) const {
    const QString trimmed = key.trimmed();
    if (trimmed.isEmpty()) return {};
    const QStringList& fields = scopes.value(scope, scopes.value(0)).fields;
    QStringList terms;
    for (const QString& f : fields) terms << f + QStringLiteral(" like :key");
    Search s;
    s.condition = terms.join(QStringLiteral(" or "));
    // Bound, so a quote is only a quote; % and _ stay LIKE's wildcards, as
    // in the catalogue's search, for shops used to typing them.
    s.params.insert(QStringLiteral("key"), QString(QLatin1Char('%') + trimmed + QLatin1Char('%')));
    return s;
}

QString TPartnerKind::DeleteRefusal(Connection& conn, qint64 id) const {
    for (const Use& use : uses)
        if (TQuickQuery::GetInteger(conn, use.sql, {{"id", id}}) > 0) return use.message;
    return QString();
}
