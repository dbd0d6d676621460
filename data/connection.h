#pragma once
#include <QHash>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class Connection;
class Statement;
class BackgroundReaders;

// Parameters of a statement by name, with or without the leading ':' and in
// any case: {{"id", 5}, {"name", text}}. A name the statement does not use is
// ignored; a parameter the statement uses but the set lacks is bound NULL.
using SqlParams = QHash<QString, QVariant>;

// One prepared statement. Statements are written in the Jet dialect the
// program speaks; translation to SQLite happens on preparation.
class Statement {
public:
    Statement(Connection& conn, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds a named parameter (":name" or "name"). Unknown names are ignored,
    // so one parameter set can serve statements that use only some of them.
    void bind(const QString& name, const QVariant& value);
    void bind(int index, const QVariant& value); // 1-based
    QStringList parameterNames() const;
    // Binds every parameter of the statement from params (see SqlParams).
    void bindAll(const SqlParams& params);

    bool step(); // true while a row is available
    void reset();

    int columnCount() const;
    QString columnName(int i) const;
    QString columnDeclType(int i) const; // declared type of a table column, empty for expressions
    QString columnTable(int i) const;  // table a column comes from, empty for expressions
    QString columnOrigin(int i) const; // its column name in that table
    QVariant value(int i) const;         // raw engine value: null, qint64, double or QString
    bool isNull(int i) const;
    // For readers that take the engine's values as they are, without a
    // QVariant each (DataSet's rows).
    sqlite3_stmt* handle() const { return m_stmt; }

    int changes() const { return m_changes; }

private:
    Connection& m_conn;
    sqlite3_stmt* m_stmt = nullptr;
    int m_changes = 0;
    bool m_done = false;
};

// The program's connection to its data file. Database errors are thrown as
// DbError carrying the engine's text.
//
// The program talks to SQLite through its C API rather than Qt's SQL driver:
// the driver hides what the windows are built on (the declared type and the
// origin table and column of each result column, for write-back and display
// formats; the engine's extended error text), cannot register the Jet
// functions the statements use (DateDiff, DatePart, round to even), and
// offers no online backup. Every statement of the program goes through this
// one class, so the engine behind it can change without touching a window.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the data file at path, taken whole as a path (a folder name may
    // hold ';' or '='). Never creates a file and never changes it.
    void open(const QString& path);
    // Opens a file only to read it (a backup to inspect or copy from): the
    // file is never written through this connection.
    void openReadOnly(const QString& path);
    // Readers never block a writer: a list read lazily keeps a read open for
    // as long as it is shown, and the import, the restore or a tool beside
    // the program must still be able to commit meanwhile. So the program's
    // data files are kept in WAL mode (new files are made so; an older file
    // is switched once it is known to be ours).
    void useWal();
    // Throws DbError with a message naming the cause when nothing could be
    // saved: the data file or its folder is read-only.
    void checkWritable() const;
    void close();
    // Closes the file for good, so that it may be replaced. Throws DbError
    // when a statement still holds it; the connection then stays open. close()
    // instead leaves such a handle open in the background until the last
    // statement ends.
    void release();
    // Copies the whole database as one consistent snapshot of what is
    // committed into the file at path (created when missing, replaced page by
    // page when not), through SQLite's online backup, while others keep
    // writing. The copy is a file of its own, without a write-ahead log, and
    // synced to the disk.
    void backupTo(const QString& path);
    bool isOpen() const { return m_db != nullptr; }
    QString fileName() const { return m_file; }
    sqlite3* handle() const { return m_db; }
    // A second handle on the same file for lists read lazily. A cursor left
    // open keeps a read transaction, and a connection whose read is older
    // than another's commit can no longer write; so long reads never run on
    // the connection that writes. All statements of one handle share its
    // read, so a handle where a list's cursor is still pending would show
    // every later list the file as it was then: each call hands out a handle
    // with no statement under way, opening another when all are held.
    Connection& reader();
    // Connections of their own to the same file for reads off the interface
    // thread (footers, totals), shared with the threads that run them.
    // close() and release() end them, waiting for a read under way.
    std::shared_ptr<BackgroundReaders> backgroundReaders();
    // This connection's engine handle and those of its readers, for tools
    // that watch what the program runs (the benchmarks).
    std::vector<sqlite3*> handles() const;
    // Whether a statement on this handle is part-way through its rows.
    bool hasPendingRead() const;

    // The one way to run SQL with values from outside: bound parameters.
    // Runs one statement that returns no rows; the number of rows it changed.
    int execute(const QString& sql, const SqlParams& params = {});
    // Calls row for each result row, in order, while it returns true.
    void select(const QString& sql, const SqlParams& params,
                const std::function<bool(const Statement&)>& row);
    // The first column of the first row: an invalid QVariant when there is no
    // row, a null one when the value is NULL.
    QVariant scalar(const QString& sql, const SqlParams& params = {});
    // Whether the statement returns at least one row.
    bool exists(const QString& sql, const SqlParams& params = {});
    // Runs a script of several statements (the schema).
    void executeScript(const QString& sql);
    qint64 lastInsertId() const;

    void begin();
    void commit();
    void rollback();
    bool inTransaction() const;

    // Every statement run on the connection, as the engine receives it.
    void setTrace(std::function<void(const QString&)> trace);

    [[noreturn]] void raise(int rc, const QString& context = QString()) const;

    // The path inside a connection text (DBQ=..., Data Source=...).
    static QString pathFromConnectionText(const QString& text);
    // Creates a new data file from a schema script. Refuses an existing file.
    static void createFromSchema(const QString& path, const QString& schemaSql);

private:
    void openWith(const QString& path, int access);
    sqlite3* m_db = nullptr;
    QString m_file;
    std::vector<std::unique_ptr<Connection>> m_readers;
    std::shared_ptr<BackgroundReaders> m_background;
    std::function<void(const QString&)> m_trace;
};

// Read-only connections to one data file, each lent to one thread at a time
// and kept for the next read, so that a footer read again and again finds
// the file's pages in its cache instead of opening the file anew each time.
class BackgroundReaders {
public:
    explicit BackgroundReaders(QString file);
    ~BackgroundReaders();
    BackgroundReaders(const BackgroundReaders&) = delete;
    BackgroundReaders& operator=(const BackgroundReaders&) = delete;

    // Runs read on a connection lent to the calling thread alone, from any
    // thread. False when the readers were shut down before or during the
    // read: the read was given up, and its error is of no interest. Other
    // errors are thrown.
    bool read(const std::function<void(Connection&)>& read);
    // Stops reads under way, waits until every connection is back, and
    // closes them all; later reads are refused. The file may then be
    // replaced.
    void shutDown();

private:
    struct State;
    std::unique_ptr<State> m;
};

// Rolls the transaction back unless commit() was reached.
class TransactionGuard {
public:
    explicit TransactionGuard(Connection& conn) : m_conn(conn) { m_conn.begin(); }
    ~TransactionGuard();
    void commit();

private:
    Connection& m_conn;
    bool m_done = false;
};
