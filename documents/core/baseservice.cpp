#include "baseservice.h"

#include "connection.h"
#include "dataset.h"
#include "dbutils.h"
#include "sqltext.h"

namespace {
// Throws for an overflowed cost, so the caller's transaction rolls back
// rather than storing 0; negatives come parenthesised, safe after the sign.
QString F(double x) { return SqlText::number(x); }
QString signedF(const QString& sign, double x) { return sign + F(x); }
QString I(int n) { return QString::number(n); }
} // namespace

void TBaseService::StockIn(Connection& conn, DataSet& lines, const QString& productIdField,
                           const QString& quantityField, bool withCost) {
    ChangeStock(true, conn, lines, productIdField, quantityField, withCost);
}

void TBaseService::StockOut(Connection& conn, DataSet& lines, const QString& productIdField,
                            const QString& quantityField, bool withCost) {
    ChangeStock(false, conn, lines, productIdField, quantityField, withCost);
}

void TBaseService::ChangeStock(bool increase, Connection& conn, DataSet& lines, const QString& productIdField,
                               const QString& quantityField, bool withCost) {
    const QString sign = increase ? QStringLiteral("+") : QStringLiteral("-");
    Field* pf = lines.field(productIdField);
    Field* qf = lines.field(quantityField);
    Field* uf = withCost ? lines.field(QStringLiteral("unitPrice")) : nullptr;
    lines.first();
    while (!lines.eof()) {
        const int p = pf->asInteger();
        const double q = qf->asFloat();
        QString update, insert;
        if (withCost) {
            const double c = CalcUnitCost(conn, increase, p, q, uf->asFloat());
            update = QStringLiteral("update StorageDetail set quantity=quantity") + signedF(sign, q) +
                     QStringLiteral(" , unit_cost=") + F(c) + QStringLiteral(" where productID=") + I(p);
            insert = QStringLiteral("insert into StorageDetail(productID, quantity, unit_cost)  values(") + I(p) +
                     QStringLiteral(",") + signedF(sign, q) + QStringLiteral(",") + F(c) + QStringLiteral(")");
        } else {
            update = QStringLiteral("update StorageDetail set quantity=quantity") + signedF(sign, q) +
                     QStringLiteral(" where productID=") + I(p);
            insert = QStringLiteral("insert into StorageDetail(productID, quantity)  values(") + I(p) +
                     QStringLiteral(",") + signedF(sign, q) + QStringLiteral(")");
        }
        if (TQuickQuery::Execute(conn, update) <= 0) TQuickQuery::Execute(conn, insert);
        lines.next();
    }
}

double TBaseService::CalcUnitCost(Connection& conn, bool increase, int productId, double q, double u) {
    Statement st(conn, QStringLiteral("select * from StorageDetail where productID=") + I(productId));
    if (!st.step()) return u;
    int qi = -1, ci = -1;
    for (int i = 0; i < st.columnCount(); ++i) {
        if (st.columnName(i).compare(QLatin1String("quantity"), Qt::CaseInsensitive) == 0) qi = i;
        if (st.columnName(i).compare(QLatin1String("unit_cost"), Qt::CaseInsensitive) == 0) ci = i;
    }
    const double oldQ = qi >= 0 ? st.value(qi).toDouble() : 0.0; // NULL reads as 0
    const double oldC = ci >= 0 ? st.value(ci).toDouble() : 0.0;
    const double newQ = increase ? oldQ + q : oldQ - q;
    if (newQ == 0.0) return 0.0;
    return increase ? (oldQ * oldC + q * u) / newQ : (oldQ * oldC - q * u) / newQ;
}
