#include "documentkind.h"

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

QString TDocumentKind::MasterSql() const {
    return QStringLiteral("select * from %1\nwhere %2=:%2").arg(MasterTable, NumberField);
}

// In the order the lines were entered: the line index holds them by product.
QString TDocumentKind::DetailSql() const {
    return QStringLiteral("select * from %1 where %2=:%2 order by id").arg(DetailTable, NumberField);
}
