#include "appcontext.h"

#include "connection.h"
#include "dataset.h"
#include "maindm.h"

#include <QCoreApplication>

namespace {
const char* kPassword = "quillbarrowfen";
} // namespace


void TAppContext::UseData(TMainDM& dm) { m_settings.bind(dm.querySysConfig); }

QString TAppContext::AppDir() const {
    QString dir = m_appDir.isEmpty() ? QCoreApplication::applicationDirPath() : m_appDir;
    if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    return dir;
}

QString TAppContext::OdbcConnectionString(const QString& file) {
    return QStringLiteral("Driver={Microsoft Access Driver (*.mdb)};DriverId=25;FIL=MS Access;"
                          "MaxBufferSize=2048;PageTimeout=5;UID=admin;PWD=") +
           QLatin1String(kPassword) + QStringLiteral(";DBQ=") + file + QStringLiteral(";");
}

QString TAppContext::JetConnectionString(const QString& file) {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"") + file +
           QStringLiteral("\";UID=admin;PWD=") + QLatin1String(kPassword) + QStringLiteral(";");
}

// ---------------------------------------------------------------- TSettings

bool TSettings::usable() const { return m_query && m_query->isActive() && m_query->connection(); }
Connection& TSettings::conn() const { return *m_query->connection(); }

void TSettings::split(const QString& key, QString& section, QString& name) {
    const int slash = int(std::max(key.lastIndexOf(QLatin1Char('\\')), key.lastIndexOf(QLatin1Char('/'))));
    if (slash < 0) {
        section.clear();
        name = key;
    } else {
        section = key.left(slash);
        name = key.mid(slash + 1);
    }
}

void TSettings::reread() {
    // Other windows read settings through the shared query; keep it current.
    if (m_query && m_query->isActive()) m_query->requery();
}

QString TSettings::ReadString(const QString& key, const QString& def) const {
    if (!usable()) return def;
    QString section, name;
    split(key, section, name);
    Statement st(conn(), QStringLiteral("select sysValue from SysConfig where ifnull(section,'')=:s "
                                        "and sysKey=:k order by rowid"));
    st.bind(QStringLiteral(":s"), section);
    st.bind(QStringLiteral(":k"), name);
    if (!st.step()) return def;
    const QString v = st.value(0).toString();
    return v.isEmpty() ? def : v;
}

int TSettings::ReadInteger(const QString& key, int def) const {
    const QString s = ReadString(key, QString()).trimmed();
    if (s.isEmpty()) return def;
    bool ok = false;
    int v = s.toInt(&ok);
    return ok ? v : def;
}

void TSettings::WriteString(const QString& key, const QString& value) {
    if (!usable()) return;
    QString section, name;
    split(key, section, name);
    qint64 rowid = -1;
    {
        Statement st(conn(), QStringLiteral("select rowid, sysValue from SysConfig where "
                                            "ifnull(section,'')=:s and sysKey=:k order by rowid"));
        st.bind(QStringLiteral(":s"), section);
        st.bind(QStringLiteral(":k"), name);
        if (st.step()) {
            if (!st.isNull(1) && st.value(1).toString() == value) return;
            rowid = st.value(0).toLongLong();
        }
    }
    if (rowid >= 0) {
        Statement up(conn(), QStringLiteral("update SysConfig set sysValue=:v where rowid=:r"));
        up.bind(QStringLiteral(":v"), value);
        up.bind(QStringLiteral(":r"), rowid);
        while (up.step()) {
        }
    } else {
        Statement ins(conn(), QStringLiteral("insert into SysConfig(sysKey, sysValue, section) values(:k, :v, :s)"));
        ins.bind(QStringLiteral(":k"), name);
        ins.bind(QStringLiteral(":v"), value);
        ins.bind(QStringLiteral(":s"), section);
        while (ins.step()) {
        }
    }
    reread();
}

void TSettings::WriteInteger(const QString& key, int value) { WriteString(key, QString::number(value)); }

void TSettings::DeleteValue(const QString& key) {
    if (!usable()) return;
    QString section, name;
    split(key, section, name);
    Statement del(conn(), QStringLiteral("delete from SysConfig where ifnull(section,'')=:s and sysKey=:k"));
    del.bind(QStringLiteral(":s"), section);
    del.bind(QStringLiteral(":k"), name);
    while (del.step()) {
    }
    reread();
}
