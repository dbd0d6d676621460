#include "documentkind.h"

#include "dberror.h"

const TDocumentKind& TDocumentKind::Purchase() {
    static const TDocumentKind k = [] {
        TDocumentKind d;
        d.Caption = QStringLiteral("进货单");
        d.Module = 0;
        d.MasterTable = QStringLiteral("InputForm");
        d.DetailTable = QStringLiteral("InputDetail");
        d.NumberField = QStringLiteral("inputNO");
        d.PartnerField = QStringLiteral("supplierID");
        d.DateField = QStringLiteral("inputDate");
        d.UserField = QStringLiteral("inputUser");
        d.AuditMoves = Stock::In;
        d.AuditWithCost = true;
        return d;
    }();
    return k;
}

const TDocumentKind& TDocumentKind::Sale() {
    static const TDocumentKind k = [] {
        TDocumentKind d;
        d.Caption = QStringLiteral("销售单");
        d.Module = 1;
        d.MasterTable = QStringLiteral("OutputForm");
        d.DetailTable = QStringLiteral("OutputDetail");
        d.NumberField = QStringLiteral("outputNO");
        d.PartnerField = QStringLiteral("customerID");
        d.DateField = QStringLiteral("outputDate");
        d.UserField = QStringLiteral("outputUser");
        d.SaleLines = true;
        d.AuditMoves = Stock::Out;
        d.AuditWithCost = false;
        return d;
    }();
    return k;
}

namespace {
TDocumentKind refund(int module) {
    TDocumentKind d;
    d.Caption = QStringLiteral("退货单");
    d.Module = quint8(module);
    d.MasterTable = QStringLiteral("RefundForm");
    d.DetailTable = QStringLiteral("RefundDetail");
    d.NumberField = QStringLiteral("refundNO");
    d.PartnerField = QStringLiteral("cosID");
    d.DateField = QStringLiteral("refundDate");
    d.UserField = QStringLiteral("refundUser");
    d.AuditMoves = module == 2 ? TDocumentKind::Stock::In : TDocumentKind::Stock::Out;
    d.AuditWithCost = false;
    d.MasterConstants = {{QStringLiteral("refundType"), TDocumentKind::RefundTypeOf(module)},
                         {QStringLiteral("auditStatus"), 0}};
    return d;
}
} // namespace

const TDocumentKind& TDocumentKind::CustomerRefund() {
    static const TDocumentKind k = refund(2);
    return k;
}

const TDocumentKind& TDocumentKind::SupplierRefund() {
    static const TDocumentKind k = refund(3);
    return k;
}

const TDocumentKind& TDocumentKind::Refund(int module) {
    if (module == 2) return CustomerRefund();
    if (module == 3) return SupplierRefund();
    throw AppError(QStringLiteral("Wrong argument. module: ") + QString::number(module));
}

int TDocumentKind::RefundTypeOf(int module) {
    if (module == 2) return 1;
    if (module == 3) return 2;
    throw AppError(QStringLiteral("Wrong argument, m: ") + QString::number(module));
}

QString TDocumentKind::MasterSql() const {
    return QStringLiteral("select * from %1\nwhere %2=:%2").arg(MasterTable, NumberField);
}

// In the order the lines were entered: the line index holds them by product.
QString TDocumentKind::DetailSql() const {
    return QStringLiteral("select * from %1 where %2=:%2 order by id").arg(DetailTable, NumberField);
}
