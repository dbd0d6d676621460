#include "dataset.h"

#include "connection.h"
#include "dberror.h"
#include "displayformat.h"
#include "sqltext.h"

#include <QRegularExpression>
#include <cmath>
#include <sqlite3.h>
#include <limits>

// ------------------------------------------------------------------ DataSet

namespace {
FieldType typeFromDecl(const QString& decl) {
    const QString d = decl.toUpper();
    if (d.isEmpty()) return FieldType::Unknown;
    if (d.contains(QLatin1String("INT")) || d == QLatin1String("COUNTER") ||
        d == QLatin1String("AUTOINCREMENT"))
        return FieldType::Integer;
    if (d.contains(QLatin1String("DOUBLE")) || d.contains(QLatin1String("REAL")) ||
        d.contains(QLatin1String("FLOAT")) || d.contains(QLatin1String("NUMERIC")) ||
        d.contains(QLatin1String("DECIMAL")) || d.contains(QLatin1String("MONEY")) ||
        d.contains(QLatin1String("CURRENCY")))
        return FieldType::Float;
    if (d.contains(QLatin1String("DATE")) || d.contains(QLatin1String("TIME")))
        return FieldType::DateTime;
    if (d.contains(QLatin1String("BOOL")) || d.contains(QLatin1String("YESNO")) ||
        d == QLatin1String("BIT"))
        return FieldType::Bool;
    if (d.contains(QLatin1String("BLOB"))) return FieldType::Blob;
    return FieldType::Text;
}

// The length a text column declares: VARCHAR(50), CHAR(10), TEXT(255).
int sizeFromDecl(const QString& decl) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*(?:N?VARCHAR|N?CHAR|CHARACTER(?:\\s+VARYING)?|N?TEXT)\\s*\\(\\s*(\\d+)\\s*\\)\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(decl);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

// Whether typed text is written like a number, so that a failed conversion
// means it is out of range rather than no number at all.
bool numberSyntax(const QString& s) {
    static const QRegularExpression re(
        QStringLiteral("^[+-]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][+-]?\\d+)?$"));
    return re.match(s).hasMatch();
}

[[noreturn]] void refuseNumber(const QString& text, bool integer) {
    if (numberSyntax(text))
        throw AppError(QStringLiteral("“%1” 超出了可以保存的数值范围, 请输入有效的数字.").arg(text));
    throw AppError(integer ? QStringLiteral("“%1” 不是有效的整数, 请输入整数.").arg(text)
                           : QStringLiteral("“%1” 不是有效的数字, 请输入有效的数字.").arg(text));
}

bool isDouble(const QVariant& v) {
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

QString keyText(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return QString();
    if (v.typeId() == QMetaType::Double) {
        double d = v.toDouble();
        if (std::floor(d) == d && std::fabs(d) < 1e15) return QString::number(qint64(d));
        return QString::number(d, 'g', 17);
    }
    if (v.typeId() == QMetaType::Bool) return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (v.typeId() == QMetaType::QDateTime) return SqlText::dateTime(v.toDateTime());
    return v.toString();
}

} // namespace

DataSet::DataSet(Connection* conn, QObject* parent) : QObject(parent), m_conn(conn) {}
DataSet::~DataSet() = default;

QString DataSet::normParam(const QString& n) {
    QString k = n.startsWith(QLatin1Char(':')) ? n.mid(1) : n;
    return k.toLower();
}

void DataSet::setSql(const QString& sql) {
    if (isActive()) close();
    m_sql = sql;
}

void DataSet::setParam(const QString& name, const QVariant& value) { m_params[normParam(name)] = value; }

void DataSet::setUpdateTable(const QString& table, const QString& keyField) {
    m_updateTable = table;
    m_keyField = keyField;
}

Field* DataSet::addLookupField(const QString& name, const QString& keyField, DataSet* list,
                               const QString& listKey, const QString& listResult) {
    auto f = std::make_unique<Field>();
    f->m_name = name;
    f->m_kind = FieldKind::Lookup;
    f->m_keyField = keyField;
    f->m_lookupDs = list;
    f->m_listKey = listKey;
    f->m_listResult = listResult;
    Field* raw = f.get();
    m_extraDefs.push_back(std::move(f));
    if (list) {
        // Values are looked up as they are read, so views only need telling
        // when the list reads differently (a unit renamed and requeried).
        const auto changed = &DataSet::lookupListChanged;
        connect(list, &DataSet::rowsReset, this, changed, Qt::UniqueConnection);
        connect(list, &DataSet::rowChanged, this, changed, Qt::UniqueConnection);
        connect(list, &DataSet::rowInserted, this, changed, Qt::UniqueConnection);
        connect(list, &DataSet::rowRemoved, this, changed, Qt::UniqueConnection);
        connect(list, &DataSet::fieldChanged, this, changed, Qt::UniqueConnection);
        connect(list, &DataSet::valuesChanged, this, changed, Qt::UniqueConnection);
        connect(list, &QObject::destroyed, this, &DataSet::lookupListDestroyed,
                Qt::UniqueConnection);
    }
    return raw;
}

void DataSet::lookupListChanged() {
    // Two sets looking each other up would pass the news back and forth.
    if (m_notifyingLookups || !isActive() || m_disabled) return;
    m_notifyingLookups = true;
    emit valuesChanged();
    m_notifyingLookups = false;
}

void DataSet::lookupListDestroyed(QObject* list) {
    for (auto* fields : {&m_extraDefs, &m_fields})
        for (auto& f : *fields)
            if (f->m_lookupDs && static_cast<QObject*>(f->m_lookupDs) == list) f->m_lookupDs = nullptr;
    lookupListChanged();
}

Field* DataSet::addCalculatedField(const QString& name, FieldType type,
                                   std::function<QVariant(const DataSet&, int)> calc) {
    auto f = std::make_unique<Field>();
    f->m_name = name;
    f->m_kind = FieldKind::Calculated;
    f->m_type = type;
    f->m_calc = std::move(calc);
    Field* raw = f.get();
    m_extraDefs.push_back(std::move(f));
    return raw;
}

void DataSet::setDisplayFormat(const QString& fieldName, const QString& format) {
    m_formats[fieldName.toLower()] = format;
    if (Field* f = findField(fieldName)) f->setDisplayFormat(format);
}

void DataSet::setState(State s) {
    if (m_state == s) return;
    m_state = s;
    emit stateChanged(s);
}

bool DataSet::writable() const { return m_inMemory || !m_updateTable.isEmpty(); }
bool DataSet::canModify() const { return isActive() && writable(); }

void DataSet::buildFields(Statement& st) {
    m_fields.clear();
    m_fieldIndex.clear();
    const int n = st.columnCount();
    for (int i = 0; i < n; ++i) {
        auto f = std::make_unique<Field>();
        f->m_ds = this;
        f->m_index = i;
        f->m_name = st.columnName(i);
        const QString decl = st.columnDeclType(i);
        f->m_type = typeFromDecl(decl);
        if (f->m_type == FieldType::Text) f->m_size = sizeFromDecl(decl);
        f->m_originTable = st.columnTable(i);
        f->m_originColumn = st.columnOrigin(i);
        const QString key = f->m_name.toLower();
        if (m_fieldIndex.contains(key) && !f->m_originTable.isEmpty()) {
            // A second column of the same name (InputDetail.* with Product.*)
            // is reachable as Table.column.
            f->m_name = f->m_originTable + QLatin1Char('.') + f->m_name;
        }
        if (!m_fieldIndex.contains(f->m_name.toLower())) m_fieldIndex.insert(f->m_name.toLower(), i);
        m_fields.push_back(std::move(f));
    }
    m_dataFieldCount = n;
    for (const auto& def : m_extraDefs) {
        auto f = std::make_unique<Field>(*def);
        f->m_ds = this;
        f->m_index = int(m_fields.size());
        m_fieldIndex.insert(f->m_name.toLower(), f->m_index);
        m_fields.push_back(std::move(f));
    }
    // Look-up fields take the type of what they show.
    for (auto& f : m_fields) {
        if (f->m_kind == FieldKind::Lookup && f->m_lookupDs) {
            if (const Field* shown = f->m_lookupDs->findField(f->m_listResult))
                f->m_type = shown->m_type;
        }
        auto it = m_formats.constFind(f->m_name.toLower());
        if (it != m_formats.constEnd()) f->m_displayFormat = *it;
    }
}

QVariant DataSet::normalised(const Field& f, const QVariant& v) const { return normalisedAs(f.m_type, v); }

QVariant DataSet::normalisedAs(FieldType type, const QVariant& v) {
    if (!v.isValid() || v.isNull()) return QVariant();
    // Infinity and NaN are no amount anyone can store or sum.
    if (isDouble(v) && !std::isfinite(v.toDouble()))
        throw AppError(QStringLiteral("数值无效或超出范围, 请输入有效的数字."));
    switch (type) {
    case FieldType::Float: {
        if (v.typeId() == QMetaType::Double) return v;
        if (v.typeId() == QMetaType::QString) {
            const QString s = DisplayFormat::asciiNumber(v.toString().trimmed());
            if (s.isEmpty()) return QVariant();
            bool ok = false;
            const double d = s.toDouble(&ok);
            // "inf", "nan" and 1e999 are no amount, whatever toDouble says.
            if (!ok || !std::isfinite(d)) refuseNumber(s, false);
            return d;
        }
        return v.toDouble();
    }
    case FieldType::Integer: {
        if (v.typeId() == QMetaType::LongLong) return v;
        if (v.typeId() == QMetaType::QString) {
            const QString s = DisplayFormat::asciiNumber(v.toString().trimmed());
            if (s.isEmpty()) return QVariant();
            bool ok = false;
            const qint64 i = s.toLongLong(&ok);
            if (!ok) refuseNumber(s, true);
            return i;
        }
        if (isDouble(v)) {
            const double d = v.toDouble();
            if (std::floor(d) != d) return v;
            // 2^63 is the first double past the 64-bit range.
            if (d >= 9223372036854775808.0 || d < -9223372036854775808.0)
                refuseNumber(DisplayFormat::plainNumber(d), true);
            return qint64(d);
        }
        if (v.typeId() == QMetaType::ULongLong &&
            v.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
            refuseNumber(v.toString(), true);
        return QVariant(v.toLongLong());
    }
    case FieldType::Bool:
        if (v.typeId() == QMetaType::QString) {
            const QString s = v.toString().trimmed().toLower();
            return s == QLatin1String("1") || s == QLatin1String("true") || s == QLatin1String("yes");
        }
        return v.toBool();
    case FieldType::DateTime: {
        if (v.typeId() == QMetaType::QDateTime) return v;
        if (v.typeId() == QMetaType::QDate) return QDateTime(v.toDate(), QTime(0, 0));
        const QString s = v.toString();
        if (s.trimmed().isEmpty()) return QVariant();
        QDateTime dt = SqlText::parseDateTime(s);
        return dt.isValid() ? QVariant(dt) : v;
    }
    case FieldType::Text:
        if (v.typeId() == QMetaType::Double) return DisplayFormat::plainNumber(v.toDouble());
        return v.typeId() == QMetaType::QString ? v : QVariant(v.toString());
    default:
        return v;
    }
}

namespace {
// Noted with a number an expression gave: kept as it came, whatever the
// column's type (a sum of doubles that happen to be whole).
constexpr quint8 kAsGiven = 7;
static_assert(int(FieldType::Blob) < int(kAsGiven), "field types fit under the mark");
} // namespace

void DataSet::readRow(Statement& st) {
    sqlite3_stmt* h = st.handle();
    RowData::Builder& b = m_rowBuilder;
    b.begin(m_dataFieldCount);
    for (int i = 0; i < m_dataFieldCount; ++i) {
        Field& f = *m_fields[size_t(i)];
        // The column's value object read directly: one call into the engine
        // per column instead of one per type, text and length. The API calls
        // it unprotected, which only matters to a connection shared between
        // threads; ours belong to one thread each (see Connection::open).
        sqlite3_value* cell = sqlite3_column_value(h, i);
        const int stored = sqlite3_value_type(cell);
        if (stored == SQLITE_NULL) {
            b.setNull(i);
            continue;
        }
        if (f.m_type == FieldType::Unknown) {
            switch (stored) {
            case SQLITE_INTEGER: f.m_type = FieldType::Integer; break;
            case SQLITE_FLOAT: f.m_type = FieldType::Float; break;
            case SQLITE_BLOB: f.m_type = FieldType::Blob; break;
            default: f.m_type = FieldType::Text; break;
            }
        }
        // The value is kept as the engine gave it, marked with the type it
        // is to be read as (the field's type now, which a later row may
        // change); storedValue() makes the QVariant when it is used.
        quint8 mark = quint8(f.m_type);
        // Expressions mix integer and real values (sum of doubles that happen
        // to be whole); keep each value as the engine gave it.
        if ((stored == SQLITE_INTEGER || stored == SQLITE_FLOAT) && f.m_originTable.isEmpty()) {
            if (f.m_type == FieldType::Integer && stored == SQLITE_FLOAT) f.m_type = FieldType::Float;
            mark = kAsGiven;
        }
        switch (stored) {
        case SQLITE_INTEGER:
            b.setInteger(i, mark, sqlite3_value_int64(cell));
            break;
        case SQLITE_FLOAT:
            b.setReal(i, mark, sqlite3_value_double(cell));
            break;
        case SQLITE_TEXT: {
            const char* p = reinterpret_cast<const char*>(sqlite3_value_text(cell));
            b.setBytes(i, RowData::Text, mark, p, sqlite3_value_bytes(cell));
            break;
        }
        default: {
            const char* p = static_cast<const char*>(sqlite3_value_blob(cell));
            b.setBytes(i, RowData::Blob, mark, p, sqlite3_value_bytes(cell));
            break;
        }
        }
    }
    Row row;
    row.data = b.take();
    m_rows.push_back(std::move(row));
}

QVariant DataSet::storedValue(const Row& row, int i) const {
    if (!row.data) return row.values[size_t(i)];
    const RowData& d = row.data;
    const quint8 mark = d.mark(i);
    QVariant v;
    switch (d.stored(i)) {
    case RowData::Null:
        return QVariant();
    case RowData::Integer:
        if (mark == kAsGiven || mark == quint8(FieldType::Integer)) return QVariant(d.integer(i));
        v = QVariant(d.integer(i));
        break;
    case RowData::Float:
        // A double stays what it is in a number column; infinity and NaN,
        // which no amount can be, are shown as they are too.
        if (mark == kAsGiven || mark == quint8(FieldType::Float)) return QVariant(d.real(i));
        v = QVariant(d.real(i));
        break;
    case RowData::Text: {
        QString text = QString::fromUtf8(d.bytes(i));
        // Stored dates are kept as their text and read when used.
        if (mark == quint8(FieldType::Text) || mark == quint8(FieldType::DateTime)) return QVariant(std::move(text));
        v = QVariant(std::move(text));
        break;
    }
    case RowData::Blob:
        v = QVariant(d.bytes(i).toByteArray());
        if (mark == quint8(FieldType::Blob)) return v;
        break;
    }
    try {
        return normalisedAs(FieldType(mark), v);
    } catch (const AppError&) {
        // Imported files put text into number columns now and then;
        // showing it as it is beats refusing to open the list.
        return v;
    }
}

std::vector<QVariant>& DataSet::valuesOf(Row& row) const {
    if (row.data) {
        std::vector<QVariant> values(size_t(row.data.count()));
        for (int i = 0; i < int(values.size()); ++i) values[size_t(i)] = storedValue(row, i);
        row.values = std::move(values);
        row.data.reset();
    }
    return row.values;
}

void DataSet::open() {
    if (isActive()) close();
    if (!m_conn) throw AppError(QStringLiteral("数据集没有连接."));
    if (m_sql.trimmed().isEmpty()) throw AppError(QStringLiteral("数据集没有查询语句."));
    // Editable lists fetch lazily too (a product list of years); only rows
    // held for a batch apply, or kept in memory alone, are read whole.
    const bool all = m_fetchBlock <= 0 || m_cached || m_inMemory;
    // A cursor left open between fetches reads on the connection's reader,
    // so the writing connection never holds an old read (see reader()).
    // Inside a transaction the list must see its uncommitted rows: read all.
    const bool lazy = !all && !m_conn->inTransaction();
    auto st = std::make_unique<Statement>(lazy ? m_conn->reader() : *m_conn, m_sql);
    st->bindAll(m_params);
    buildFields(*st);
    m_rows.clear();
    m_deleted.clear();
    invalidateIndexes();
    m_cursor = std::move(st);
    // Fetch before changing state, so a failing statement leaves us closed.
    try {
        if (!lazy) fetchAll();
        else fetchMore(m_fetchBlock);
    } catch (...) {
        m_cursor.reset();
        m_rows.clear();
        m_fields.clear();
        m_fieldIndex.clear();
        throw;
    }
    m_current = m_rows.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.empty();
    m_state = State::Browse;
    emit rowsReset();
    emit stateChanged(m_state);
    notifyScroll();
}

void DataSet::close() {
    if (m_state == State::Inactive && m_fields.empty()) return;
    m_cursor.reset();
    m_rows.clear();
    m_deleted.clear();
    m_fields.clear();
    m_fieldIndex.clear();
    invalidateIndexes();
    m_current = -1;
    m_bof = m_eof = true;
    m_state = State::Inactive;
    emit rowsReset();
    emit stateChanged(m_state);
    emit currentChanged(0);
}

void DataSet::requery() { open(); }

int DataSet::fetchMore(int count) {
    if (!m_cursor) return 0;
    const int before = int(m_rows.size());
    int got = 0;
    while (count <= 0 || got < count) {
        if (!m_cursor->step()) {
            m_cursor.reset();
            break;
        }
        readRow(*m_cursor);
        ++got;
    }
    if (got > 0) {
        invalidateIndexes();
        if (m_state != State::Inactive && !m_disabled) emit rowsFetched(before, before + got - 1);
    }
    return got;
}

void DataSet::fetchAll() {
    while (m_cursor) fetchMore(4096);
}

int DataSet::recordCount() {
    fetchAll();
    return int(m_rows.size());
}

bool DataSet::isEmpty() { return m_rows.empty() && (fetchMore(1), m_rows.empty()); }

void DataSet::ensureRow(int row) {
    while (row >= int(m_rows.size()) && m_cursor) fetchMore(std::max(m_fetchBlock, row + 1 - int(m_rows.size())));
}

void DataSet::notifyScroll() {
    if (m_disabled) return;
    emit currentChanged(recNo());
    if (afterScroll) afterScroll(*this);
}

void DataSet::moveTo(int row) {
    if (!isActive()) throw AppError(QStringLiteral("数据集未打开."));
    if (isEditing()) checkBrowseMode();
    ensureRow(row);
    if (m_rows.empty()) {
        m_current = -1;
        m_bof = m_eof = true;
        return;
    }
    int target = std::clamp(row, 0, int(m_rows.size()) - 1);
    bool changed = target != m_current;
    m_current = target;
    if (changed) notifyScroll();
}

void DataSet::setRecNo(int recNo) {
    // A view re-selecting the row being edited must not post the edit.
    if (isActive() && m_current >= 0 && recNo - 1 == m_current) return;
    moveTo(recNo - 1);
    m_bof = m_current <= 0;
    m_eof = m_rows.empty();
}

void DataSet::first() {
    moveTo(0);
    m_bof = true;
    m_eof = m_rows.empty();
}

void DataSet::last() {
    fetchAll();
    moveTo(int(m_rows.size()) - 1);
    m_eof = true;
    m_bof = m_rows.empty();
}

void DataSet::next() {
    if (m_rows.empty()) {
        m_eof = true;
        return;
    }
    ensureRow(m_current + 1);
    if (m_current + 1 >= int(m_rows.size())) {
        if (isEditing()) checkBrowseMode();
        m_eof = true;
        return;
    }
    moveTo(m_current + 1);
    m_bof = false;
    m_eof = false;
}

void DataSet::prior() {
    if (m_current <= 0) {
        if (isEditing()) checkBrowseMode();
        m_bof = true;
        return;
    }
    moveTo(m_current - 1);
    m_bof = false;
    m_eof = false;
}

void DataSet::moveBy(int delta) {
    if (m_rows.empty()) return;
    const int wanted = m_current + delta;
    moveTo(wanted);
    m_bof = wanted < 0;
    m_eof = wanted >= int(m_rows.size());
}

bool DataSet::statementHas(const Field& f, const QVariant& value) {
    SqlParams params = m_params;
    params.insert(QStringLiteral("morvane_key"), value);
    QString column = f.m_name;
    column.replace(QLatin1Char(']'), QLatin1String("]]"));
    return m_conn->reader().exists(QStringLiteral("select 1 from (%1) where [%2] = :morvane_key limit 1")
                                       .arg(m_sql, column),
                                   params);
}

int DataSet::findRow(const QString& fieldName, const QVariant& value) {
    Field* f = field(fieldName);
    if (m_cursor && f->m_kind == FieldKind::Data && value.isValid() && !value.isNull()) {
        // Not everything is read yet: look among the rows there are, ask the
        // engine whether the row exists at all, and read on only up to it.
        const QString want = keyText(value);
        auto scan = [&](int from) {
            for (int r = from; r < int(m_rows.size()); ++r)
                if (keyText(valueAt(r, f->m_index)) == want) return r;
            return -1;
        };
        int row = scan(0);
        if (row >= 0 || !statementHas(*f, value)) return row;
        while (m_cursor) {
            const int from = int(m_rows.size());
            fetchMore(std::max(m_fetchBlock, 1024));
            if ((row = scan(from)) >= 0) return row;
        }
        return -1;
    }
    fetchAll();
    const QString key = f->m_name.toLower();
    auto it = m_indexes.find(key);
    if (it == m_indexes.end()) {
        QHash<QString, int> idx;
        idx.reserve(int(m_rows.size()));
        for (int r = 0; r < int(m_rows.size()); ++r) {
            const QString k = keyText(valueAt(r, f->m_index));
            if (!idx.contains(k)) idx.insert(k, r);
        }
        it = m_indexes.insert(key, idx);
    }
    return it->value(keyText(value), -1);
}

bool DataSet::locate(const QString& fieldName, const QVariant& value, bool caseInsensitive) {
    int row = -1;
    if (!caseInsensitive) {
        row = findRow(fieldName, value);
    } else {
        Field* f = field(fieldName);
        fetchAll();
        const QString want = value.toString();
        for (int r = 0; r < int(m_rows.size()); ++r) {
            if (valueAt(r, f->m_index).toString().compare(want, Qt::CaseInsensitive) == 0) {
                row = r;
                break;
            }
        }
    }
    if (row < 0) return false;
    moveTo(row);
    m_bof = m_eof = false;
    return true;
}

QVariant DataSet::lookup(const QString& keyField, const QVariant& key, const QString& resultField) {
    if (!isActive() || !key.isValid() || key.isNull()) return QVariant();
    Field* rf = findField(resultField);
    if (!rf || !findField(keyField)) return QVariant();
    int row = findRow(keyField, key);
    return row < 0 ? QVariant() : valueAt(row, rf->m_index);
}

Field* DataSet::findField(const QString& name) const {
    auto it = m_fieldIndex.constFind(name.toLower());
    return it == m_fieldIndex.constEnd() ? nullptr : m_fields[size_t(*it)].get();
}

Field* DataSet::field(const QString& name) const {
    Field* f = findField(name);
    if (!f) throw AppError(QStringLiteral("%1: 字段 '%2' 不存在.").arg(objectName(), name));
    return f;
}

QStringList DataSet::fieldNames() const {
    QStringList out;
    for (const auto& f : m_fields) out << f->m_name;
    return out;
}

QVariant DataSet::valueAt(int row, int fieldIndex) const {
    if (row < 0 || row >= int(m_rows.size()) || fieldIndex < 0 || fieldIndex >= int(m_fields.size()))
        return QVariant();
    const Field& f = *m_fields[size_t(fieldIndex)];
    if (fieldIndex < m_dataFieldCount) {
        const QVariant v = storedValue(m_rows[size_t(row)], fieldIndex);
        // Dates stay as the stored text until a value is used or shown.
        if (f.m_type == FieldType::DateTime && v.typeId() == QMetaType::QString) {
            const QDateTime dt = SqlText::parseDateTime(v.toString());
            return dt.isValid() ? QVariant(dt) : (v.toString().trimmed().isEmpty() ? QVariant() : v);
        }
        return v;
    }
    if (f.m_kind == FieldKind::Calculated) return f.m_calc ? f.m_calc(*this, row) : QVariant();
    if (!f.m_lookupDs) return QVariant();
    Field* kf = findField(f.m_keyField);
    if (!kf) return QVariant();
    return f.m_lookupDs->lookup(f.m_listKey, valueAt(row, kf->m_index), f.m_listResult);
}

QVariant DataSet::valueAt(int row, const QString& name) const {
    Field* f = findField(name);
    return f ? valueAt(row, f->m_index) : QVariant();
}

QString DataSet::displayTextAt(int row, int fieldIndex) const {
    if (fieldIndex < 0 || fieldIndex >= int(m_fields.size())) return QString();
    // Text read into a text column is shown as it is, whatever the format:
    // straight from its bytes, without a QVariant on the way (an export
    // reads every cell of the list).
    if (fieldIndex < m_dataFieldCount && row >= 0 && row < int(m_rows.size())) {
        const RowData& d = m_rows[size_t(row)].data;
        if (d && d.stored(fieldIndex) == RowData::Text && d.mark(fieldIndex) == quint8(FieldType::Text))
            return QString::fromUtf8(d.bytes(fieldIndex));
    }
    return DisplayFormat::displayText(valueAt(row, fieldIndex), m_fields[size_t(fieldIndex)]->m_displayFormat);
}

void DataSet::setValueAt(int row, int fieldIndex, const QVariant& v) {
    if (fieldIndex < 0 || fieldIndex >= int(m_fields.size()))
        throw AppError(QStringLiteral("%1: 字段序号 %2 不存在.").arg(objectName()).arg(fieldIndex));
    if (row != m_current) moveTo(row);
    m_fields[size_t(fieldIndex)]->setValue(v);
}

void DataSet::append() {
    if (!canModify()) throw AppError(QStringLiteral("数据集不能修改."));
    checkBrowseMode();
    fetchAll();
    Row row;
    row.values.resize(size_t(m_dataFieldCount));
    row.status = RowStatus::Inserted;
    m_rows.push_back(std::move(row));
    invalidateIndexes();
    m_current = int(m_rows.size()) - 1;
    m_bof = m_eof = false;
    m_snapshotStatus = RowStatus::Inserted;
    m_editSnapshot.clear();
    setState(State::Insert);
    if (!m_disabled) emit rowInserted(m_current);
    notifyScroll();
    if (onNewRecord) onNewRecord(*this);
}

void DataSet::edit() {
    if (isEditing()) return;
    if (!canModify()) throw AppError(QStringLiteral("数据集不能修改."));
    if (m_current < 0) {
        append();
        return;
    }
    m_editSnapshot = valuesOf(m_rows[size_t(m_current)]);
    m_snapshotStatus = m_rows[size_t(m_current)].status;
    setState(State::Edit);
}

int DataSet::addEditorCheck(std::function<void()> check) {
    const int id = m_nextEditorCheck++;
    m_editorChecks.emplace_back(id, std::move(check));
    return id;
}

void DataSet::removeEditorCheck(int id) {
    std::erase_if(m_editorChecks, [id](const auto& c) { return c.first == id; });
}

void DataSet::checkEditors() {
    // A copy: a check may give focus back, and focus handlers may bind.
    const auto checks = m_editorChecks;
    for (const auto& c : checks)
        if (c.second) c.second();
}

void DataSet::checkBrowseMode() {
    if (isEditing()) post();
}

void DataSet::post() {
    if (!isEditing()) return;
    checkEditors();
    if (beforePost) beforePost(*this);
    Row& row = m_rows[size_t(m_current)];
    if (!m_inMemory && !m_cached) {
        if (m_state == State::Insert) {
            writeInsert(row);
        } else if (row.values != m_editSnapshot) {
            Row old = row;
            old.original = std::make_shared<std::vector<QVariant>>(m_editSnapshot);
            writeUpdate(old);
        }
        row.status = RowStatus::Unchanged;
    } else if (m_cached && !m_inMemory) {
        if (m_state == State::Edit && row.status == RowStatus::Unchanged && row.values != m_editSnapshot) {
            row.original = std::make_shared<std::vector<QVariant>>(m_editSnapshot);
            row.status = RowStatus::Modified;
        }
    } else {
        row.status = RowStatus::Unchanged;
    }
    m_editSnapshot.clear();
    invalidateIndexes();
    setState(State::Browse);
    if (!m_disabled) emit rowChanged(m_current);
    if (afterPost) afterPost(*this);
}

void DataSet::cancel() {
    if (!isEditing()) return;
    if (m_state == State::Insert) {
        const int row = m_current;
        if (!m_disabled) emit rowAboutToBeRemoved(row);
        m_rows.erase(m_rows.begin() + row);
        m_current = std::min(row, int(m_rows.size()) - 1);
        m_eof = m_rows.empty();
        if (!m_disabled) emit rowRemoved(row);
        setState(State::Browse);
        notifyScroll();
    } else {
        m_rows[size_t(m_current)].values = m_editSnapshot;
        m_rows[size_t(m_current)].status = m_snapshotStatus;
        setState(State::Browse);
        if (!m_disabled) emit rowChanged(m_current);
    }
    m_editSnapshot.clear();
    invalidateIndexes();
}

void DataSet::deleteRecord() {
    if (!canModify()) throw AppError(QStringLiteral("数据集不能修改."));
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_state == State::Edit) cancel();
    if (m_current < 0) throw AppError(QStringLiteral("没有可删除的记录."));
    if (beforeDelete) beforeDelete(*this);
    Row& row = m_rows[size_t(m_current)];
    valuesOf(row);
    if (!m_inMemory && !m_cached) {
        writeDelete(row.values);
    } else if (m_cached && !m_inMemory && row.status != RowStatus::Inserted) {
        m_deleted.push_back({row.original ? *row.original : row.values, m_current});
    }
    const int r = m_current;
    if (!m_disabled) emit rowAboutToBeRemoved(r);
    m_rows.erase(m_rows.begin() + r);
    invalidateIndexes();
    m_current = std::min(r, int(m_rows.size()) - 1);
    m_eof = m_rows.empty();
    if (!m_disabled) emit rowRemoved(r);
    notifyScroll();
}

void DataSet::enableControls() {
    if (m_disabled > 0 && --m_disabled == 0) {
        emit rowsReset();
        notifyScroll();
    }
}
