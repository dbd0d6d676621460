#include "documentservice.h"

#include "baseservice.h"
#include "connection.h"
#include "dataset.h"
#include "dberror.h"
#include "identity.h"

#include <QStringList>

namespace {
// The master columns the editor writes, besides its number: the store (no
// control sets it), partner, total, comments, date, handling user, and who
// entered the document when.
QStringList masterColumns(const TDocumentKind& k) {
    return {QStringLiteral("storageID"), k.PartnerField,         QStringLiteral("totalPrice"),
            QStringLiteral("comments"),  k.DateField,            k.UserField,
            QStringLiteral("createUser"), QStringLiteral("createDate")};
}

QVariant masterValue(DataSet& master, const QString& column) {
    Field* f = master.findField(column);
    if (!f || master.recNo() <= 0) return QVariant();
    const QVariant v = f->value();
    return v.isValid() ? v : QVariant(); // empty values go in as NULL
}

SqlParams lineParams(const TDocumentKind& k, const QString& number, const TDocumentLine& l) {
    SqlParams p{{k.NumberField, number},
                {QStringLiteral("productID"), l.productID},
                {QStringLiteral("quantity"), l.quantity},
                {QStringLiteral("unitPrice"), l.unitPrice},
                {QStringLiteral("totalPrice"), l.totalPrice},
                {QStringLiteral("comments"), l.comments.isEmpty() ? QVariant() : QVariant(l.comments)},
                {QStringLiteral("unitID"), l.unitID}};
    if (k.SaleLines) {
        p.insert(QStringLiteral("discount"), l.discount);
        p.insert(QStringLiteral("unitPriceOriginal"), l.unitPriceOriginal);
        p.insert(QStringLiteral("unitStorageCost"), l.unitStorageCost);
    }
    return p;
}

QStringList lineColumns(const TDocumentKind& k) {
    QStringList c = {k.NumberField,  QStringLiteral("productID"), QStringLiteral("quantity"), QStringLiteral("unitPrice"),
                     QStringLiteral("totalPrice"), QStringLiteral("comments"), QStringLiteral("unitID")};
    if (k.SaleLines)
        c << QStringLiteral("discount") << QStringLiteral("unitPriceOriginal") << QStringLiteral("unitStorageCost");
    return c;
}

QString marks(const QStringList& columns) {
    QStringList m;
    for (const QString& c : columns) m << QLatin1Char(':') + c;
    return m.join(QStringLiteral(", "));
}
} // namespace

void TDocumentService::SaveNew(const TIdentity& identity, DataSet& master, const TDocumentLines& lines) {
    const QString number = identity.Number();
    QStringList columns = {m_kind.NumberField};
    SqlParams params{{m_kind.NumberField, number}};
    for (const auto& [column, value] : m_kind.MasterConstants) {
        columns << column;
        params.insert(column, value);
    }
    for (const QString& c : masterColumns(m_kind)) {
        columns << c;
        params.insert(c, masterValue(master, c));
    }
    TransactionGuard tx(m_conn);
    m_conn.execute(QStringLiteral("INSERT INTO %1(%2)\nVALUES(%3)")
                       .arg(m_kind.MasterTable, columns.join(QStringLiteral(", ")), marks(columns)),
                   params);
    insertLines(number, lines);
    TIdentityGenerator(m_conn).Commit(identity);
    tx.commit();
}

void TDocumentService::insertLines(const QString& number, const TDocumentLines& lines) {
    const QStringList columns = lineColumns(m_kind);
    const QString sql = QStringLiteral("insert into %1(%2)\n values(%3)")
                            .arg(m_kind.DetailTable, columns.join(QStringLiteral(", ")), marks(columns));
    Statement st(m_conn, sql);
    for (const TDocumentLine& l : lines) {
        st.reset();
        st.bindAll(lineParams(m_kind, number, l));
        while (st.step()) {
        }
    }
}

void TDocumentService::SaveExisting(DataSet& master, const TDocumentLines& lines) {
    const QString number = master.field(m_kind.NumberField)->asString();
    QStringList sets;
    SqlParams params{{m_kind.NumberField, number}};
    for (const QString& c : masterColumns(m_kind)) {
        sets << c + QStringLiteral("=:") + c;
        params.insert(c, masterValue(master, c));
    }
    TransactionGuard tx(m_conn);
    const int changed = m_conn.execute(QStringLiteral("update %1 set %2 where %3=:%3")
                                           .arg(m_kind.MasterTable, sets.join(QStringLiteral(", ")), m_kind.NumberField),
                                       params);
    if (changed == 0) throw DbError(QStringLiteral("单据 %1 已不存在, 无法保存.").arg(number));
    // Lines of the document the user deleted: every stored one not kept.
    QStringList kept;
    for (const TDocumentLine& l : lines)
        if (l.id > 0) kept << QString::number(l.id);
    QString drop = QStringLiteral("delete from %1 where %2=:%2").arg(m_kind.DetailTable, m_kind.NumberField);
    if (!kept.isEmpty()) drop += QStringLiteral(" and id not in (%1)").arg(kept.join(QLatin1Char(',')));
    m_conn.execute(drop, {{m_kind.NumberField, number}});
    QStringList lineSets;
    for (const QString& c : lineColumns(m_kind)) lineSets << c + QStringLiteral("=:") + c;
    Statement update(m_conn, QStringLiteral("update %1 set %2 where id=:lineId and %3=:%3")
                                 .arg(m_kind.DetailTable, lineSets.join(QStringLiteral(", ")), m_kind.NumberField));
    TDocumentLines added;
    for (const TDocumentLine& l : lines) {
        if (l.id <= 0) {
            added.push_back(l);
            continue;
        }
        update.reset();
        update.bindAll(lineParams(m_kind, number, l));
        update.bind(QStringLiteral(":lineId"), l.id);
        while (update.step()) {
        }
        if (update.changes() == 0)
            throw DbError(QStringLiteral("单据 %1 的明细已被改动, 无法保存. 请重新打开单据.").arg(number));
    }
    insertLines(number, added);
    tx.commit();
}

int TDocumentService::StoredAuditStatus(const QString& number) {
    const QVariant v = m_conn.scalar(QStringLiteral("select auditStatus from %1 where %2=:%2").arg(m_kind.MasterTable, m_kind.NumberField),
                                     {{m_kind.NumberField, number}});
    return v.isValid() && !v.isNull() ? v.toInt() : 0;
}

void TDocumentService::ChangeAuditStatus(const QString& number, DataSet& detail, int status) {
    TransactionGuard tx(m_conn);
    // Only a document still in the other state changes: an audit that was
    // already made (from the list, say) must not move the stock again.
    const QString was = status == 1 ? QStringLiteral("ifnull(auditStatus, 0) <> 1") : QStringLiteral("auditStatus = 1");
    const int changed = m_conn.execute(QStringLiteral("update %1 set auditStatus=:auditStatus where %2=:%2 and %3")
                                           .arg(m_kind.MasterTable, m_kind.NumberField, was),
                                       {{QStringLiteral("auditStatus"), status}, {m_kind.NumberField, number}});
    if (changed == 0)
        throw AppError(status == 1 ? QStringLiteral("单据 %1 已审核或已不存在.").arg(number)
                                   : QStringLiteral("单据 %1 未审核或已不存在.").arg(number));
    const bool in = (status == 1) == (m_kind.AuditMoves == TDocumentKind::Stock::In);
    TBaseService service;
    if (in)
        service.StockIn(m_conn, detail, QStringLiteral("productID"), QStringLiteral("quantity"), m_kind.AuditWithCost);
    else
        service.StockOut(m_conn, detail, QStringLiteral("productID"), QStringLiteral("quantity"), m_kind.AuditWithCost);
    tx.commit();
}
