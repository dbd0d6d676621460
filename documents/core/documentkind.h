#pragma once
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

// What tells one kind of business document from another for everything that
// needs no window: its tables and columns, its number series, and what an
// audit does to the stock. The purchase, the sale and the two refund
// directions are each one of these; the editor and its service are written
// once against it.
struct TDocumentKind {
    enum class Stock { In, Out };

    QString Caption;      // 进货单
    quint8 Module = 0;    // number series (TIdentity)
    QString MasterTable;  // InputForm
    QString DetailTable;  // InputDetail
    QString NumberField;  // inputNO, in the master and in every line
    QString PartnerField; // supplierID
    QString DateField;    // inputDate
    QString UserField;    // inputUser
    // Sale lines also carry the discount, the base price and the unit cost
    // captured at the pick, and keep their prices in step with rounding.
    bool SaleLines = false;
    // The audit (0 -> 1) moves the lines this way; cancelling moves them back.
    Stock AuditMoves = Stock::In;
    // Whether the audit re-averages the unit cost with the lines' prices.
    bool AuditWithCost = false;
    // Master columns written with a fixed value when a document is stored
    // (the refund direction, and an audit state that never depends on the
    // column's default).
    QList<QPair<QString, QVariant>> MasterConstants;

    static const TDocumentKind& Purchase();
    static const TDocumentKind& Sale();
    // Goods a customer brings back (number module 2, into stock on audit)
    // and goods sent back to a supplier (module 3, out of stock). Both live
    // in RefundForm and RefundDetail, told apart by refundType; neither
    // touches the unit cost.
    static const TDocumentKind& CustomerRefund();
    static const TDocumentKind& SupplierRefund();
    // The refund kind of a number module (2 or 3); throws on any other.
    static const TDocumentKind& Refund(int module);
    // refundType of a refund module: 2 gives 1, 3 gives 2; throws on any other.
    static int RefundTypeOf(int module);

    // The statements of the editor's two cached datasets.
    QString MasterSql() const;
    QString DetailSql() const;
};
