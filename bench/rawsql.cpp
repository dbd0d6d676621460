#include "rawsql.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <sqlite3.h>

#include <utility>

namespace {

QList<Execution> g_runs;
QHash<sqlite3_stmt*, qsizetype> g_current; // statement -> its run being recorded
bool g_recording = false;
QThread* g_thread = nullptr; // the thread whose statements are recorded
volatile qint64 g_sink = 0; // what the raw reader read, kept so that no read is left out

int onTrace(unsigned kind, void*, void* p, void* x) {
    if (!g_recording || QThread::currentThread() != g_thread) return 0;
    auto* stmt = static_cast<sqlite3_stmt*>(p);
    if (kind == SQLITE_TRACE_STMT) {
        const char* text = static_cast<const char*>(x);
        if (text && text[0] == '-' && text[1] == '-') return 0; // a trigger's statement
        char* expanded = sqlite3_expanded_sql(stmt);
        Execution e;
        e.sql = QString::fromUtf8(expanded ? expanded : sqlite3_sql(stmt));
        e.readOnly = sqlite3_stmt_readonly(stmt) != 0;
        sqlite3_free(expanded);
        g_current.insert(stmt, g_runs.size());
        g_runs.append(e);
    } else if (kind == SQLITE_TRACE_ROW) {
        const auto it = g_current.constFind(stmt);
        if (it != g_current.constEnd()) ++g_runs[*it].rows;
    }
    return 0;
}

int watchOnOpen(sqlite3* db, const char**, const struct sqlite3_api_routines*) {
    Probe::watch(db);
    return SQLITE_OK;
}

} // namespace

namespace Probe {

void watch(sqlite3* db) {
    if (db) sqlite3_trace_v2(db, SQLITE_TRACE_STMT | SQLITE_TRACE_ROW, onTrace, nullptr);
}

void unwatch(sqlite3* db) {
    if (db) sqlite3_trace_v2(db, 0, nullptr, nullptr);
}

void watchNewConnections() {
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(watchOnOpen));
}

void stopWatchingNewConnections() {
    sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(watchOnOpen));
}

void start() {
    g_runs.clear();
    g_current.clear();
    g_thread = QThread::currentThread();
    g_recording = true;
}

QList<Execution> take() {
    g_recording = false;
    g_current.clear();
    return std::exchange(g_runs, {});
}

qint64 rowsOf(const QList<Execution>& runs) {
    qint64 n = 0;
    for (const Execution& e : runs)
        if (e.readOnly) n += e.rows;
    return n;
}

} // namespace Probe

double RunRaw(sqlite3* db, const QList<Execution>& runs) {
    QElapsedTimer t;
    t.start();
    qint64 bytes = 0;
    for (const Execution& e : runs) {
        if (!e.readOnly) continue;
        sqlite3_stmt* st = nullptr;
        const QByteArray sql = e.sql.toUtf8();
        if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st, nullptr) != SQLITE_OK) {
            qWarning("raw SQLite cannot prepare %s: %s", sql.constData(), sqlite3_errmsg(db));
            continue;
        }
        qint64 rows = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            if (rows++ == e.rows) break; // the extra step
            const int columns = sqlite3_column_count(st);
            for (int c = 0; c < columns; ++c) {
                switch (sqlite3_column_type(st, c)) {
                case SQLITE_INTEGER:
                    bytes += sqlite3_column_int64(st, c) & 1;
                    break;
                case SQLITE_FLOAT:
                    bytes += sqlite3_column_double(st, c) > 0;
                    break;
                case SQLITE_TEXT:
                    sqlite3_column_text(st, c);
                    bytes += sqlite3_column_bytes(st, c);
                    break;
                case SQLITE_BLOB:
                    sqlite3_column_blob(st, c);
                    bytes += sqlite3_column_bytes(st, c);
                    break;
                default:
                    break;
                }
            }
        }
        sqlite3_finalize(st);
    }
    const double ms = double(t.nsecsElapsed()) / 1e6;
    g_sink = bytes;
    return ms;
}

QByteArray ExecutionsToJson(const QList<Execution>& runs) {
    QJsonArray a;
    for (const Execution& e : runs)
        a.append(QJsonObject{{"sql", e.sql}, {"rows", e.rows}, {"readOnly", e.readOnly}});
    return QJsonDocument(a).toJson(QJsonDocument::Compact);
}

QList<Execution> ExecutionsFromJson(const QByteArray& json) {
    QList<Execution> out;
    const QJsonArray a = QJsonDocument::fromJson(json).array();
    for (const QJsonValue& v : a) {
        const QJsonObject o = v.toObject();
        out.append({o.value("sql").toString(), qint64(o.value("rows").toDouble()), o.value("readOnly").toBool()});
    }
    return out;
}

namespace {
qint64 statusKiB(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray k(key);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(k)) return line.mid(k.size()).trimmed().split(' ').value(0).toLongLong();
    return 0;
}
} // namespace

qint64 MemoryHighWaterKiB() { return statusKiB("VmHWM:"); }
qint64 MemoryResidentKiB() { return statusKiB("VmRSS:"); }
