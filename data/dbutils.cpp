#include "dbutils.h"

#include "clock.h"
#include "connection.h"
#include "dataset.h"
#include "dberror.h"

#include <cmath>
#include <limits>

namespace {
int toInt32(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return 0;
    if (v.typeId() == QMetaType::Double) return int(std::llround(v.toDouble()));
    bool ok = false;
    qint64 i = v.toLongLong(&ok);
    if (ok) return int(i);
    double d = v.toString().trimmed().toDouble(&ok);
    return ok ? int(std::llround(d)) : 0;
}
} // namespace

int TQuickQuery::GetInteger(Connection& conn, const QString& sql, const SqlParams& params) {
    return toInt32(conn.scalar(sql, params));
}

bool TQuickQuery::FindInteger(Connection& conn, const QString& sql, int& value, const SqlParams& params) {
    const QVariant v = conn.scalar(sql, params);
    if (!v.isValid()) return false;
    value = toInt32(v);
    return true;
}

bool TQuickQuery::HasRows(Connection& conn, const QString& sql, const SqlParams& params) {
    return conn.exists(sql, params);
}

int TQuickQuery::Execute(Connection& conn, const QString& sql, const SqlParams& params) {
    return conn.execute(sql, params);
}

void TQuickQuery::SetDisplayFormat(DataSet* ds, const QString& fieldName, const QString& format) {
    if (!ds) return;
    Field* f = ds->findField(fieldName);
    if (!f) return;
    // Expression columns only know their type once a value is seen; a
    // numeric declared or seen type qualifies.
    if (f->isNumeric()) f->setDisplayFormat(format);
}

QString TUtils::PadZero(int number, int width) {
    QString s = QString::number(number);
    while (s.size() < width) s.prepend(QLatin1Char('0'));
    return s;
}

double TUtils::RoundMoney(double x) {
    const long double cent = 0.01; // the double nearest to 0.01, widened
    // Almost every amount is a whole number of cents or far from half a
    // cent: x * 100 in double then lies within 0.15 of the wide quotient
    // (|q| < 2^50), so a quotient within a quarter of a whole number rounds to
    // that number either way, without the wide division, which a stock list
    // would otherwise pay twice for each of its hundred thousand rows.
    const double quick = x * 100.0;
    if (std::fabs(quick) < 0x1p50) {
        const double whole = std::rint(quick);
        if (std::fabs(quick - whole) <= 0.25) return static_cast<double>(static_cast<long double>(whole) * cent);
    }
    const long double q = static_cast<long double>(x) / cent;
    const long double n = std::nearbyint(q); // ties to even in the default mode
    return static_cast<double>(n * cent);
}

QString TDateUtils::DateToText(const QString& sep, const QDate& d) {
    return QString::number(d.year()) + sep + QString::number(d.month()) + sep + QString::number(d.day());
}

QString TDateUtils::DateToText(const QString& sep, const QDateTime& v) { return DateToText(sep, v.date()); }

QString TDateUtils::TimeToText(const QString& sep, const QDateTime& v) {
    const QTime t = v.time();
    return QString::number(t.hour()) + sep + QString::number(t.minute()) + sep + QString::number(t.second());
}

void TDateUtils::GetDateRange(int kind, QDateTime& from, QDateTime& to) {
    const QDate today = TClock::today();
    QDate a, b;
    switch (kind) {
    case 0:
        a = b = today;
        break;
    case 1:
        a = today.addDays(1 - today.dayOfWeek()); // Monday
        b = a.addDays(6);
        break;
    case 2:
        a = QDate(today.year(), today.month(), 1);
        b = a.addMonths(1).addDays(-1);
        break;
    case 3: {
        const int first = (today.month() - 1) / 3 * 3 + 1;
        a = QDate(today.year(), first, 1);
        b = a.addMonths(3).addDays(-1);
        break;
    }
    case 4:
        a = QDate(today.year(), 1, 1);
        b = QDate(today.year(), 12, 31);
        break;
    default:
        throw AppError(QStringLiteral("Unrecognized dr."));
    }
    from = QDateTime(a, QTime(0, 0));
    to = QDateTime(b, QTime(23, 59, 59, 999));
}
