#pragma once
#include "connection.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

// A fresh data file made from the schema, in its own temporary folder.
class TestDb {
public:
    TestDb();
    QString dir() const { return m_dir.path(); }
    QString path() const { return m_path; }
    Connection& conn() { return *m_conn; }
    // Shortcuts for arranging data.
    void exec(const QString& sql) { m_conn->execute(sql); }
    QVariant scalar(const QString& sql);
    static QString schemaSql();

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<Connection> m_conn;
};
