#include "listdeletes.h"

using namespace ListStatements;

namespace ListDeletes {

QString AuditedMessage() {
    return QStringLiteral("该单据已审核通过, 不能删除.\r\n要删除请先取消审核.");
}

namespace {
// NULL, a missing row or any value other than 1 is "not audited".
bool auditedIn(Connection& conn, const KindNames& n, const QString& documentNo) {
    const QVariant v = conn.scalar(
        QStringLiteral("select auditStatus from %1 where %2 = :no").arg(n.documentTable, n.numberColumn),
        {{QStringLiteral("no"), documentNo}});
    return v.isValid() && !v.isNull() && v.toLongLong() == 1;
}

bool documentExists(Connection& conn, const KindNames& n, const QString& documentNo) {
    return conn.exists(QStringLiteral("select 1 from %1 where %2 = :no").arg(n.documentTable, n.numberColumn),
                       {{QStringLiteral("no"), documentNo}});
}
} // namespace

bool IsAudited(Connection& conn, Kind kind, const QString& documentNo) {
    return auditedIn(conn, Names(kind), documentNo);
}

Outcome DeleteDocument(Connection& conn, Kind kind, const QString& documentNo) {
    const KindNames n = Names(kind);
    const SqlParams no{{QStringLiteral("no"), documentNo}};
    TransactionGuard tx(conn);
    if (auditedIn(conn, n, documentNo)) return Outcome::Audited;
    // Lines whose document is gone are removed all the same: the list shows
    // documents only, so this is the one way a user can clear them.
    const bool existed = documentExists(conn, n, documentNo);
    conn.execute(QStringLiteral("delete from %1 where %2 = :no").arg(n.lineTable, n.numberColumn), no);
    conn.execute(QStringLiteral("delete from %1 where %2 = :no").arg(n.documentTable, n.numberColumn), no);
    tx.commit();
    return existed ? Outcome::Deleted : Outcome::Missing;
}

LineOutcome DeleteLine(Connection& conn, Kind kind, qint64 lineId) {
    const KindNames n = Names(kind);
    TransactionGuard tx(conn);
    QString documentNo;
    QVariant lineTotal;
    bool found = false;
    conn.select(QStringLiteral("select %1, totalPrice from %2 where id = :id").arg(n.numberColumn, n.lineTable),
                {{QStringLiteral("id"), lineId}}, [&](const Statement& st) {
                    found = true;
                    documentNo = st.value(0).toString();
                    lineTotal = st.value(1);
                    return false;
                });
    LineOutcome out;
    if (!found) return out;
    if (auditedIn(conn, n, documentNo)) {
        out.outcome = Outcome::Audited;
        return out;
    }
    const SqlParams no{{QStringLiteral("no"), documentNo}};
    conn.execute(QStringLiteral("delete from %1 where id = :id").arg(n.lineTable), {{QStringLiteral("id"), lineId}});
    // The stored total of the line, not the one the list read: the editor
    // may have changed the line since. A line without a total lowers nothing.
    if (!lineTotal.isNull())
        conn.execute(QStringLiteral("update %1 set totalPrice = totalPrice - :total where %2 = :no")
                         .arg(n.documentTable, n.numberColumn),
                     {{QStringLiteral("total"), lineTotal.toDouble()}, {QStringLiteral("no"), documentNo}});
    const qint64 left =
        conn.scalar(QStringLiteral("select count(*) from %1 where %2 = :no").arg(n.lineTable, n.numberColumn), no)
            .toLongLong();
    if (left <= 0) {
        conn.execute(QStringLiteral("delete from %1 where %2 = :no").arg(n.documentTable, n.numberColumn), no);
        out.documentGone = true;
    }
    tx.commit();
    out.outcome = Outcome::Deleted;
    return out;
}

} // namespace ListDeletes
