#include "identity.h"

#include "clock.h"
#include "dberror.h"
#include "dbutils.h"

namespace {
const char* const kModules[] = {"INPUTFORM", "OUTPUTFORM", "REFUNDIN", "REFUNDOUT"};
const char* const kPrefixes[] = {"IN", "OUT", "RIN", "ROUT"};
void checkModule(quint8 m) {
    if (m > 3) throw AppError(QStringLiteral("未知的单据类别: %1").arg(m));
}
} // namespace

QString TIdentity::ModuleName(quint8 module) {
    checkModule(module);
    return QString::fromLatin1(kModules[module]);
}

QString TIdentity::Prefix(quint8 module) {
    checkModule(module);
    return QString::fromLatin1(kPrefixes[module]);
}

QString TIdentity::Number() const { return Prefix(Module) + Ymd + QLatin1Char('-') + TUtils::PadZero(Serial, 4); }

void TIdentityGenerator::Reserve(quint8 module, TIdentity& identity) {
    const QString name = TIdentity::ModuleName(module);
    const QString ymd = TClock::today().toString(QStringLiteral("yyyyMMdd"));
    int last = 0;
    if (!TQuickQuery::FindInteger(m_conn, QStringLiteral("select sn from SysIdentity where module=:m and ymd=:d"),
                                  last, {{"m", name}, {"d", ymd}}))
        last = 0;
    identity.Module = module;
    identity.Ymd = ymd;
    identity.Serial = last + 1;
}

void TIdentityGenerator::Commit(const TIdentity& id) {
    const QString name = TIdentity::ModuleName(id.Module);
    const SqlParams p{{"m", name}, {"d", id.Ymd}, {"sn", id.Serial}};
    if (m_conn.execute(QStringLiteral("update SysIdentity set sn=:sn where module=:m and ymd=:d"), p) > 0) return;
    m_conn.execute(QStringLiteral("insert into SysIdentity(module, ymd, sn) values(:m, :d, :sn)"), p);
}
