#include "testsupport.h"

#include <QFile>

QString TestDb::schemaSql() {
    QFile f(QStringLiteral(MORVANE_SCHEMA_FILE));
    if (!f.open(QIODevice::ReadOnly)) qFatal("cannot read the schema file");
    return QString::fromUtf8(f.readAll());
}

TestDb::TestDb() {
    m_path = m_dir.path() + QStringLiteral("/data_general.db");
    Connection::createFromSchema(m_path, schemaSql());
    m_conn = std::make_unique<Connection>();
    m_conn->open(m_path);
}

QVariant TestDb::scalar(const QString& sql) {
    Statement st(*m_conn, sql);
    if (!st.step()) return QVariant();
    return st.value(0);
}
