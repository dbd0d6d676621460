#include "connection.h"

#include "dberror.h"
#include "jetsql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <sqlite3.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <utility>

// ---------------------------------------------------------------- Statement

Statement::Statement(Connection& conn, const QString& sql) : m_conn(conn) {
    if (!conn.isOpen()) throw DbError(QStringLiteral("未连接到数据库."));
    const QByteArray text = JetSql::translate(sql).toUtf8();
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(conn.handle(), text.constData(), int(text.size()), &m_stmt, &tail);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        conn.raise(rc);
    }
    if (!m_stmt) throw DbError(QStringLiteral("空的 SQL 语句."));
}

Statement::~Statement() { sqlite3_finalize(m_stmt); }

void Statement::bind(const QString& name, const QVariant& value) {
    QByteArray key = name.toUtf8();
    if (!key.startsWith(':') && !key.startsWith('@') && !key.startsWith('$')) key.prepend(':');
    int index = sqlite3_bind_parameter_index(m_stmt, key.constData());
    if (index > 0) bind(index, value);
}

void Statement::bind(int index, const QVariant& v) {
    int rc = SQLITE_OK;
    if (!v.isValid() || v.isNull()) {
        rc = sqlite3_bind_null(m_stmt, index);
    } else {
        switch (v.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_int(m_stmt, index, v.toBool() ? 1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::UChar:
        case QMetaType::Long:
            rc = sqlite3_bind_int64(m_stmt, index, v.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(m_stmt, index, v.toDouble());
            break;
        case QMetaType::QDateTime: {
            QByteArray t = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8();
            rc = sqlite3_bind_text(m_stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QDate: {
            QByteArray t = v.toDate().toString(QStringLiteral("yyyy-MM-dd 00:00:00.000")).toUtf8();
            rc = sqlite3_bind_text(m_stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QByteArray: {
            QByteArray b = v.toByteArray();
            rc = sqlite3_bind_blob(m_stmt, index, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            QByteArray t = v.toString().toUtf8();
            rc = sqlite3_bind_text(m_stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        }
        }
    }
    if (rc != SQLITE_OK) m_conn.raise(rc);
}

QStringList Statement::parameterNames() const {
    QStringList names;
    int n = sqlite3_bind_parameter_count(m_stmt);
    for (int i = 1; i <= n; ++i) {
        const char* nm = sqlite3_bind_parameter_name(m_stmt, i);
        names << (nm ? QString::fromUtf8(nm + 1) : QString());
    }
    return names;
}

void Statement::bindAll(const SqlParams& params) {
    if (params.isEmpty() && sqlite3_bind_parameter_count(m_stmt) == 0) return;
    QHash<QString, QVariant> byName;
    for (auto it = params.cbegin(); it != params.cend(); ++it) {
        QString k = it.key();
        if (k.startsWith(QLatin1Char(':')) || k.startsWith(QLatin1Char('@')) || k.startsWith(QLatin1Char('$')))
            k.remove(0, 1);
        byName.insert(k.toLower(), it.value());
    }
    const QStringList names = parameterNames();
    for (int i = 0; i < names.size(); ++i) bind(i + 1, byName.value(names[i].toLower()));
}

bool Statement::step() {
    if (m_done) return false;
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) return true;
    m_done = true;
    if (rc == SQLITE_DONE) {
        m_changes = sqlite3_changes(m_conn.handle());
        return false;
    }
    m_conn.raise(rc);
}

void Statement::reset() {
    sqlite3_reset(m_stmt);
    m_done = false;
}

int Statement::columnCount() const { return sqlite3_column_count(m_stmt); }

QString Statement::columnName(int i) const {
    return QString::fromUtf8(sqlite3_column_name(m_stmt, i));
}

QString Statement::columnDeclType(int i) const {
    const char* t = sqlite3_column_decltype(m_stmt, i);
    return t ? QString::fromUtf8(t) : QString();
}

QString Statement::columnTable(int i) const {
    const char* t = sqlite3_column_table_name(m_stmt, i);
    return t ? QString::fromUtf8(t) : QString();
}

QString Statement::columnOrigin(int i) const {
    const char* t = sqlite3_column_origin_name(m_stmt, i);
    return t ? QString::fromUtf8(t) : QString();
}

bool Statement::isNull(int i) const { return sqlite3_column_type(m_stmt, i) == SQLITE_NULL; }

QVariant Statement::value(int i) const {
    switch (sqlite3_column_type(m_stmt, i)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_stmt, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, i));
    case SQLITE_TEXT: {
        const char* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i));
        return QVariant(QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, i)));
    }
    case SQLITE_BLOB: {
        const char* p = static_cast<const char*>(sqlite3_column_blob(m_stmt, i));
        return QVariant(QByteArray(p, sqlite3_column_bytes(m_stmt, i)));
    }
    default:
        return QVariant();
    }
}

// --------------------------------------------------------------- Connection

Connection::Connection() = default;
Connection::~Connection() { close(); }

QString Connection::pathFromConnectionText(const QString& text) {
    // ODBC form: ...;DBQ=<file>;   Jet form: ...;Data Source="<file>";...
    static const QRegularExpression dbq(QStringLiteral("(?:^|;)\\s*DBQ=([^;]*)"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression source(
        QStringLiteral("(?:^|;)\\s*Data Source=(\"[^\"]*\"|[^;]*)"),
        QRegularExpression::CaseInsensitiveOption);
    auto m = dbq.match(text);
    if (!m.hasMatch()) m = source.match(text);
    if (!m.hasMatch()) return text; // a plain path
    QString path = m.captured(1).trimmed();
    if (path.size() >= 2 && path.startsWith(QLatin1Char('"')) && path.endsWith(QLatin1Char('"')))
        path = path.mid(1, path.size() - 2);
    return path;
}

void Connection::open(const QString& path) { openWith(path, SQLITE_OPEN_READWRITE); }

void Connection::openReadOnly(const QString& path) {
    openWith(path, SQLITE_OPEN_READONLY);
    execute(QStringLiteral("PRAGMA query_only=1"));
}

void Connection::openWith(const QString& path, int access) {
    close();
    sqlite3* db = nullptr;
    // Without create: a missing data file is an error, never an empty new
    // database that would hide the user's data.
    // A connection belongs to one thread (work off the interface thread
    // opens its own), so SQLite need not lock around every column read.
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, access | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        sqlite3_close(db);
        throw DbError(QStringLiteral("%1: %2").arg(msg, path));
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 5000);
    m_db = db;
    m_file = path;
    try {
        JetSql::registerFunctions(db);
        // FULL sync so that a committed document survives a power cut.
        execute(QStringLiteral("PRAGMA synchronous=FULL"));
    } catch (...) {
        close();
        throw;
    }
}

void Connection::useWal() {
    // The mode is stored in the file, so every later connection reads it.
    Statement mode(*this, QStringLiteral("PRAGMA journal_mode=WAL"));
    if (!mode.step() || mode.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        throw DbError(QStringLiteral("无法把数据文件切换到 WAL 模式: %1").arg(m_file));
}

void Connection::checkWritable() const {
    if (!m_db) throw DbError(QStringLiteral("未连接到数据库."));
    const QFileInfo file(m_file);
    const QString folder = file.absolutePath();
    if (sqlite3_db_readonly(m_db, "main") == 1 || !file.isWritable())
        throw DbError(QStringLiteral("数据文件是只读的, 不能保存任何数据: %1\n请去掉该文件的只读属性, 或者把它复制到可写的位置.")
                          .arg(QDir::toNativeSeparators(file.absoluteFilePath())));
    if (!QFileInfo(folder).isWritable())
        throw DbError(QStringLiteral("数据文件所在的文件夹是只读的, 不能保存任何数据: %1\n请让该文件夹可写.")
                          .arg(QDir::toNativeSeparators(folder)));
}

Connection& Connection::reader() {
    if (!m_db) throw DbError(QStringLiteral("未连接到数据库."));
    for (auto& r : m_readers)
        if (!r->hasPendingRead()) return *r;
    auto r = std::make_unique<Connection>();
    r->open(m_file);
    r->execute(QStringLiteral("PRAGMA query_only=1"));
    r->setTrace(m_trace);
    m_readers.push_back(std::move(r));
    return *m_readers.back();
}

std::shared_ptr<BackgroundReaders> Connection::backgroundReaders() {
    if (!m_db) throw DbError(QStringLiteral("未连接到数据库."));
    if (!m_background) m_background = std::make_shared<BackgroundReaders>(m_file);
    return m_background;
}

std::vector<sqlite3*> Connection::handles() const {
    std::vector<sqlite3*> out;
    if (m_db) out.push_back(m_db);
    for (const auto& r : m_readers)
        for (sqlite3* h : r->handles()) out.push_back(h);
    return out;
}

bool Connection::hasPendingRead() const {
    if (!m_db) return false;
    for (sqlite3_stmt* st = sqlite3_next_stmt(m_db, nullptr); st; st = sqlite3_next_stmt(m_db, st))
        if (sqlite3_stmt_busy(st)) return true;
    return false;
}

void Connection::setTrace(std::function<void(const QString&)> trace) {
    for (auto& r : m_readers) r->setTrace(trace);
    m_trace = std::move(trace);
    if (!m_db) return;
    if (!m_trace) {
        sqlite3_trace_v2(m_db, 0, nullptr, nullptr);
        return;
    }
    sqlite3_trace_v2(
        m_db, SQLITE_TRACE_STMT,
        [](unsigned, void* ctx, void* p, void*) -> int {
            auto* self = static_cast<Connection*>(ctx);
            const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(p));
            if (self->m_trace && sql) self->m_trace(QString::fromUtf8(sql));
            return 0;
        },
        this);
}

void Connection::close() {
    if (m_background) std::exchange(m_background, nullptr)->shutDown();
    m_readers.clear();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void Connection::release() {
    if (m_background) std::exchange(m_background, nullptr)->shutDown();
    while (!m_readers.empty()) {
        m_readers.back()->release();
        m_readers.pop_back();
    }
    if (!m_db) return;
    if (sqlite3_close(m_db) != SQLITE_OK)
        throw DbError(QStringLiteral("数据文件仍在使用中, 不能关闭: %1").arg(m_file));
    m_db = nullptr;
}

void Connection::backupTo(const QString& path) {
    if (!m_db) throw DbError(QStringLiteral("未连接到数据库."));
    sqlite3* dest = nullptr;
    sqlite3_backup* copy = nullptr;
    auto fail = [&](int rc) {
        QString msg = dest ? QString::fromUtf8(sqlite3_errmsg(dest)) : QString::fromUtf8(sqlite3_errstr(rc));
        if (copy) sqlite3_backup_finish(copy);
        sqlite3_close(dest);
        throw DbError(QStringLiteral("%1: %2").arg(msg, path));
    };
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &dest,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) fail(rc);
    sqlite3_extended_result_codes(dest, 1);
    rc = sqlite3_exec(dest, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) fail(rc);
    copy = sqlite3_backup_init(dest, "main", m_db, "main");
    if (!copy) fail(sqlite3_errcode(dest));
    // All pages in one step: the source keeps one read open for the whole
    // copy, so the copy is one moment of it; writers are not held up.
    for (int busy = 0;; ++busy) {
        rc = sqlite3_backup_step(copy, -1);
        if ((rc != SQLITE_BUSY && rc != SQLITE_LOCKED) || busy == 100) break;
        sqlite3_sleep(50);
    }
    const int finished = sqlite3_backup_finish(copy);
    copy = nullptr;
    if (rc != SQLITE_DONE) fail(rc);
    if (finished != SQLITE_OK) fail(finished);
    // The pages carry the source's write-ahead mode; the copy is meant to be
    // one file that can be moved and opened read-only anywhere.
    sqlite3_stmt* mode = nullptr;
    rc = sqlite3_prepare_v2(dest, "PRAGMA journal_mode=DELETE", -1, &mode, nullptr);
    if (rc != SQLITE_OK) fail(rc);
    rc = sqlite3_step(mode);
    const bool rollbackMode =
        rc == SQLITE_ROW && QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(mode, 0))) == "delete";
    sqlite3_finalize(mode);
    if (!rollbackMode) fail(rc == SQLITE_ROW ? SQLITE_ERROR : rc);
    if (sqlite3_close(dest) != SQLITE_OK) fail(SQLITE_BUSY);
}

int Connection::execute(const QString& sql, const SqlParams& params) {
    Statement st(*this, sql);
    st.bindAll(params);
    while (st.step()) {
    }
    return st.changes();
}

void Connection::select(const QString& sql, const SqlParams& params,
                        const std::function<bool(const Statement&)>& row) {
    Statement st(*this, sql);
    st.bindAll(params);
    while (st.step())
        if (!row(st)) break;
}

QVariant Connection::scalar(const QString& sql, const SqlParams& params) {
    QVariant out;
    select(sql, params, [&out](const Statement& st) {
        out = st.value(0);
        if (!out.isValid()) out = QVariant(QMetaType(QMetaType::QString)); // a NULL is still a row
        return false;
    });
    return out;
}

bool Connection::exists(const QString& sql, const SqlParams& params) {
    bool found = false;
    select(sql, params, [&found](const Statement&) {
        found = true;
        return false;
    });
    return found;
}

void Connection::executeScript(const QString& sql) {
    if (!m_db) throw DbError(QStringLiteral("未连接到数据库."));
    char* err = nullptr;
    int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        QString msg = err ? QString::fromUtf8(err) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_free(err);
        if (!sqlite3_get_autocommit(m_db)) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw DbError(msg);
    }
}

qint64 Connection::lastInsertId() const { return m_db ? sqlite3_last_insert_rowid(m_db) : 0; }

void Connection::begin() { execute(QStringLiteral("BEGIN IMMEDIATE")); }
void Connection::commit() { execute(QStringLiteral("COMMIT")); }
void Connection::rollback() {
    if (m_db && !sqlite3_get_autocommit(m_db)) execute(QStringLiteral("ROLLBACK"));
}
bool Connection::inTransaction() const { return m_db && !sqlite3_get_autocommit(m_db); }

void Connection::raise(int rc, const QString& context) const {
    QString msg = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
    if (!context.isEmpty()) msg = context + QStringLiteral(": ") + msg;
    throw DbError(msg);
}

void Connection::createFromSchema(const QString& path, const QString& schemaSql) {
    if (QFileInfo::exists(path)) throw DbError(QStringLiteral("文件已存在: %1").arg(path));
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        QString msg = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        throw DbError(msg);
    }
    char* err = nullptr;
    rc = sqlite3_exec(db, schemaSql.toUtf8().constData(), nullptr, nullptr, &err);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, &err);
    QString msg = err ? QString::fromUtf8(err) : QString();
    sqlite3_free(err);
    sqlite3_close(db);
    if (rc != SQLITE_OK) {
        QFile::remove(path); // never leave a half-made data file behind
        throw DbError(msg);
    }
}

// --------------------------------------------------------- TransactionGuard

TransactionGuard::~TransactionGuard() {
    if (!m_done) {
        try {
            m_conn.rollback();
        } catch (...) {
            // The original error is the one worth reporting.
        }
    }
}

void TransactionGuard::commit() {
    m_conn.commit();
    m_done = true;
}

// ---------------------------------------------------------- BackgroundReaders

struct BackgroundReaders::State {
    QString file;
    std::mutex lock;
    std::condition_variable returned;
    std::vector<std::unique_ptr<Connection>> idle;
    std::vector<Connection*> reading; // lent and open, so that shutDown can interrupt them
    int lent = 0;
    bool shut = false;
};

// Two stay open: the footer of a list and the stock view's may be read at
// once; more are opened when asked for and closed when given back.
constexpr size_t kKeptBackgroundReaders = 2;

BackgroundReaders::BackgroundReaders(QString file) : m(std::make_unique<State>()) { m->file = std::move(file); }

BackgroundReaders::~BackgroundReaders() { shutDown(); }

bool BackgroundReaders::read(const std::function<void(Connection&)>& read) {
    std::unique_ptr<Connection> conn;
    {
        std::lock_guard hold(m->lock);
        if (m->shut) return false;
        ++m->lent;
        if (!m->idle.empty()) {
            conn = std::move(m->idle.back());
            m->idle.pop_back();
        }
    }
    auto giveBack = [this, &conn](bool keep) {
        std::lock_guard hold(m->lock);
        if (conn) m->reading.erase(std::remove(m->reading.begin(), m->reading.end(), conn.get()), m->reading.end());
        if (keep && conn && !m->shut && m->idle.size() < kKeptBackgroundReaders) m->idle.push_back(std::move(conn));
        conn.reset();
        --m->lent;
        m->returned.notify_all();
    };
    try {
        if (!conn) {
            conn = std::make_unique<Connection>();
            conn->open(m->file);
            conn->execute(QStringLiteral("PRAGMA query_only=1"));
        }
        {
            std::lock_guard hold(m->lock);
            if (m->shut) throw DbError(QStringLiteral("interrupted"));
            m->reading.push_back(conn.get());
        }
        read(*conn);
    } catch (...) {
        bool givenUp = false;
        {
            std::lock_guard hold(m->lock);
            givenUp = m->shut;
        }
        // A connection whose read failed is not kept: it may be left inside
        // a read the failure cut short.
        giveBack(false);
        if (givenUp) return false;
        throw;
    }
    giveBack(true);
    return true;
}

void BackgroundReaders::shutDown() {
    std::unique_lock hold(m->lock);
    m->shut = true;
    for (Connection* c : m->reading) sqlite3_interrupt(c->handle());
    m->returned.wait(hold, [this] { return m->lent == 0; });
    m->idle.clear();
}
