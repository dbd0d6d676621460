#pragma once
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

class Connection;

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

    bool step(); // true while a row is available
    void reset();

    int columnCount() const;
    QString columnName(int i) const;
    QString columnDeclType(int i) const; // declared type of a table column, empty for expressions
    QString columnTable(int i) const;  // table a column comes from, empty for expressions
    QString columnOrigin(int i) const; // its column name in that table
    QVariant value(int i) const;         // raw engine value: null, qint64, double or QString
    bool isNull(int i) const;

    int changes() const { return m_changes; }

private:
    Connection& m_conn;
    sqlite3_stmt* m_stmt = nullptr;
    int m_changes = 0;
    bool m_done = false;
};

// The program's connection to its data file. Database errors are thrown as
// DbError carrying the engine's text.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the file named in a connection text ("...;DBQ=file;" or
    // "...;Data Source="file";...") or a plain path. Never creates a file.
    void open(const QString& connectionText);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    QString fileName() const { return m_file; }
    sqlite3* handle() const { return m_db; }

    // Runs one statement that returns no rows; the number of rows it changed.
    int execute(const QString& sql);
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
    sqlite3* m_db = nullptr;
    QString m_file;
    std::function<void(const QString&)> m_trace;
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
