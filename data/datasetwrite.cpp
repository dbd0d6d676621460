// Batch mode and write-back of a dataset's rows to its table.
#include "connection.h"
#include "dataset.h"
#include "dberror.h"

namespace {
QString bracket(const QString& name) { return QLatin1Char('[') + name + QLatin1Char(']'); }
} // namespace

bool DataSet::hasPendingUpdates() const {
    if (!m_deleted.empty()) return true;
    for (const Row& r : m_rows)
        if (r.status != RowStatus::Unchanged) return true;
    return isEditing();
}

void DataSet::applyUpdates() {
    checkBrowseMode();
    if (!m_cached || m_inMemory) return;
    if (!hasPendingUpdates()) return;
    // All or nothing: inside the caller's transaction when there is one,
    // otherwise in our own.
    std::unique_ptr<TransactionGuard> guard;
    if (!m_conn->inTransaction()) guard = std::make_unique<TransactionGuard>(*m_conn);
    for (const auto& del : m_deleted) writeDelete(del.values);
    Field* key = findField(m_keyField);
    std::vector<std::pair<int, qint64>> newKeys;
    for (int r = 0; r < int(m_rows.size()); ++r) {
        Row& row = m_rows[size_t(r)];
        if (row.status == RowStatus::Modified) {
            writeUpdate(row);
        } else if (row.status == RowStatus::Inserted) {
            Row copy = row;
            writeInsert(copy);
            if (key) newKeys.emplace_back(r, copy.values[size_t(key->m_index)].toLongLong());
        }
    }
    if (guard) guard->commit();
    // Only now that the rows are stored does memory agree with the file.
    for (auto& [r, k] : newKeys) m_rows[size_t(r)].values[size_t(key->m_index)] = k;
    for (Row& row : m_rows) {
        row.status = RowStatus::Unchanged;
        row.original.reset();
    }
    m_deleted.clear();
    invalidateIndexes();
    if (!m_disabled) emit rowsReset();
}

void DataSet::cancelUpdates() {
    if (isEditing()) cancel();
    bool any = !m_deleted.empty();
    for (int r = int(m_rows.size()) - 1; r >= 0; --r) {
        Row& row = m_rows[size_t(r)];
        if (row.status == RowStatus::Inserted) {
            m_rows.erase(m_rows.begin() + r);
            any = true;
        } else if (row.status == RowStatus::Modified) {
            if (row.original) row.values = *row.original;
            row.original.reset();
            row.status = RowStatus::Unchanged;
            any = true;
        }
    }
    // Appended rows sit after every row read from the file, so with them
    // gone, undoing the deletions last-first puts each row back where it was.
    for (auto it = m_deleted.rbegin(); it != m_deleted.rend(); ++it) {
        Row row;
        row.values = std::move(it->values);
        const int at = std::clamp(it->position, 0, int(m_rows.size()));
        m_rows.insert(m_rows.begin() + at, std::move(row));
    }
    m_deleted.clear();
    if (!any) return;
    invalidateIndexes();
    m_current = m_rows.empty() ? -1 : std::min(std::max(m_current, 0), int(m_rows.size()) - 1);
    m_eof = m_rows.empty();
    if (!m_disabled) {
        emit rowsReset();
    }
    notifyScroll();
}

// ---------------------------------------------------------------- write-back

void DataSet::writeInsert(Row& row) {
    if (m_updateTable.isEmpty()) throw AppError(QStringLiteral("数据集没有可写回的表."));
    QStringList cols, marks;
    std::vector<QVariant> vals;
    for (int i = 0; i < m_dataFieldCount; ++i) {
        const Field& f = *m_fields[size_t(i)];
        if (f.m_originTable.compare(m_updateTable, Qt::CaseInsensitive) != 0 || f.m_originColumn.isEmpty())
            continue;
        const QVariant& v = row.values[size_t(i)];
        // Unset columns are left out, so the table's defaults apply.
        if (!v.isValid() || v.isNull()) continue;
        cols << bracket(f.m_originColumn);
        marks << QStringLiteral("?");
        vals.push_back(v);
    }
    QString sql = cols.isEmpty()
                      ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(bracket(m_updateTable))
                      : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(bracket(m_updateTable), cols.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    Statement st(*m_conn, sql);
    for (size_t i = 0; i < vals.size(); ++i) st.bind(int(i) + 1, vals[i]);
    while (st.step()) {
    }
    if (Field* key = findField(m_keyField)) {
        QVariant& kv = row.values[size_t(key->m_index)];
        if (!kv.isValid() || kv.isNull()) kv = m_conn->lastInsertId();
    }
}

void DataSet::writeUpdate(Row& row) {
    Field* key = findField(m_keyField);
    if (!key) throw AppError(QStringLiteral("无法保存: 数据集缺少关键字段 %1.").arg(m_keyField));
    const std::vector<QVariant>& orig = row.original ? *row.original : row.values;
    QStringList sets;
    std::vector<QVariant> vals;
    for (int i = 0; i < m_dataFieldCount; ++i) {
        const Field& f = *m_fields[size_t(i)];
        if (f.m_originTable.compare(m_updateTable, Qt::CaseInsensitive) != 0 || f.m_originColumn.isEmpty())
            continue;
        const QVariant& v = row.values[size_t(i)];
        const QVariant& o = orig[size_t(i)];
        if (v.isNull() == o.isNull() && v == o) continue;
        sets << bracket(f.m_originColumn) + QStringLiteral("=?");
        vals.push_back(v);
    }
    if (sets.isEmpty()) return;
    Statement st(*m_conn, QStringLiteral("UPDATE %1 SET %2 WHERE %3=?")
                              .arg(bracket(m_updateTable), sets.join(QLatin1Char(',')),
                                   bracket(key->m_originColumn.isEmpty() ? m_keyField : key->m_originColumn)));
    int i = 1;
    for (const QVariant& v : vals) st.bind(i++, v);
    st.bind(i, orig[size_t(key->m_index)]);
    while (st.step()) {
    }
    if (st.changes() == 0)
        throw DbError(QStringLiteral("要修改的记录已不存在, 无法保存 (%1).").arg(m_updateTable));
}

void DataSet::writeDelete(const std::vector<QVariant>& values) {
    Field* key = findField(m_keyField);
    if (!key) throw AppError(QStringLiteral("无法删除: 数据集缺少关键字段 %1.").arg(m_keyField));
    Statement st(*m_conn, QStringLiteral("DELETE FROM %1 WHERE %2=?")
                              .arg(bracket(m_updateTable),
                                   bracket(key->m_originColumn.isEmpty() ? m_keyField : key->m_originColumn)));
    st.bind(1, values[size_t(key->m_index)]);
    while (st.step()) {
    }
}
