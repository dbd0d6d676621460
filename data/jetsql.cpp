#include "jetsql.h"

#include "clock.h"
#include "sqltext.h"

#include <QDateTime>
#include <cmath>
#include <cstring>
#include <sqlite3.h>

static_assert(sizeof(long double) >= 10 && __LDBL_MANT_DIG__ == 64,
              "money rounding needs 80-bit extended precision");

namespace JetSql {

namespace {

bool isIdentChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

// Positions in sql that are outside string literals, bracketed names and
// double-quoted names; calls f(pos) for the start of every plain word.
template <typename F> void forEachWord(const QString& sql, F f) {
    const int n = int(sql.size());
    int i = 0;
    while (i < n) {
        QChar c = sql[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            QChar q = c;
            ++i;
            while (i < n) {
                if (sql[i] == q) {
                    if (i + 1 < n && sql[i + 1] == q) {
                        i += 2;
                        continue;
                    }
                    break;
                }
                ++i;
            }
            ++i;
        } else if (c == QLatin1Char('[')) {
            while (i < n && sql[i] != QLatin1Char(']')) ++i;
            ++i;
        } else if (isIdentChar(c) || c == QLatin1Char('@')) {
            int start = i;
            while (i < n && (isIdentChar(sql[i]) || sql[i] == QLatin1Char('@'))) ++i;
            if (!f(start, i)) return;
        } else {
            ++i;
        }
    }
}

} // namespace

QString translate(const QString& input) {
    QString sql = input;
    // @@identity
    if (sql.contains(QLatin1String("@@"))) {
        QString out;
        int last = 0;
        forEachWord(sql, [&](int s, int e) {
            if (sql.mid(s, e - s).compare(QLatin1String("@@identity"), Qt::CaseInsensitive) == 0) {
                out += sql.mid(last, s - last);
                out += QLatin1String("last_insert_rowid()");
                last = e;
            }
            return true;
        });
        out += sql.mid(last);
        sql = out;
    }
    // SELECT [DISTINCT] TOP n ... -> SELECT [DISTINCT] ... LIMIT n (outermost select only)
    int words = 0;
    int topStart = -1, topEnd = -1;
    QString count;
    bool expectTop = false;
    forEachWord(sql, [&](int s, int e) {
        const QString w = sql.mid(s, e - s);
        ++words;
        if (words == 1) {
            if (w.compare(QLatin1String("select"), Qt::CaseInsensitive) != 0) return false;
            expectTop = true;
            return true;
        }
        if (expectTop && (w.compare(QLatin1String("distinct"), Qt::CaseInsensitive) == 0 ||
                          w.compare(QLatin1String("distinctrow"), Qt::CaseInsensitive) == 0))
            return true;
        if (expectTop && w.compare(QLatin1String("top"), Qt::CaseInsensitive) == 0) {
            topStart = s;
            expectTop = false;
            return true;
        }
        if (topStart >= 0 && count.isEmpty()) {
            bool ok = false;
            w.toLongLong(&ok);
            if (ok) {
                count = w;
                topEnd = e;
            } else {
                topStart = -1;
            }
        }
        return false;
    });
    if (topStart >= 0 && !count.isEmpty()) {
        while (topEnd < sql.size() && sql[topEnd].isSpace()) ++topEnd;
        QString body = sql.left(topStart) + sql.mid(topEnd);
        QString trimmed = body.trimmed();
        while (trimmed.endsWith(QLatin1Char(';'))) trimmed.chop(1);
        sql = trimmed + QLatin1String(" LIMIT ") + count;
    }
    return sql;
}

double roundHalfEven(double x, int digits) {
    if (std::isnan(x) || std::isinf(x)) return x;
    if (digits < 0) digits = 0;
    if (digits > 15) return x;
    long double scale = 1.0L;
    for (int i = 0; i < digits; ++i) scale *= 10.0L;
    // The product is exact in extended precision for the few digits money
    // uses, so "exactly half" means what it says.
    long double y = static_cast<long double>(x) * scale;
    long double fl = std::floor(y);
    long double diff = y - fl;
    long double r;
    if (diff > 0.5L)
        r = fl + 1.0L;
    else if (diff < 0.5L)
        r = fl;
    else
        r = (std::fmod(fl, 2.0L) == 0.0L) ? fl : fl + 1.0L;
    return static_cast<double>(r / scale);
}

namespace {

// A moment as the date functions need it. QDateTime would drag local-time
// conversions into every row of a list filtered by day.
struct Moment {
    QDate date;
    int msecs = 0; // since midnight
    qint64 seconds() const { return date.toJulianDay() * 86400 + msecs / 1000; }
};

int readDigits(const char*& p, const char* end, int maxDigits, bool& ok) {
    int v = 0, n = 0;
    while (p < end && n < maxDigits && *p >= '0' && *p <= '9') {
        v = v * 10 + (*p - '0');
        ++p;
        ++n;
    }
    ok = n > 0;
    return v;
}

// The same forms as SqlText::parseDateTime, read straight from the engine's
// bytes: 2010-3-5, 2010/03/05 9:03, 2010-03-05 09:03:07.250, 2010-03-05T09:03.
bool parseMoment(const char* p, int len, Moment& out) {
    const char* end = p + len;
    while (p < end && *p == ' ') ++p;
    while (end > p && end[-1] == ' ') --end;
    bool ok = false;
    const int y = readDigits(p, end, 4, ok);
    if (!ok || p >= end || (*p != '-' && *p != '/')) return false;
    const char sep = *p++;
    const int m = readDigits(p, end, 2, ok);
    if (!ok || p >= end || *p != sep) return false;
    ++p;
    const int d = readDigits(p, end, 2, ok);
    if (!ok) return false;
    int hh = 0, mi = 0, ss = 0, ms = 0;
    if (p < end) {
        if (*p != ' ' && *p != 'T') return false;
        while (p < end && (*p == ' ' || *p == 'T')) ++p;
        if (p < end) {
            hh = readDigits(p, end, 2, ok);
            if (!ok) return false;
            if (p < end && *p == ':') {
                ++p;
                mi = readDigits(p, end, 2, ok);
                if (!ok) return false;
                if (p < end && *p == ':') {
                    ++p;
                    ss = readDigits(p, end, 2, ok);
                    if (!ok) return false;
                    if (p < end && *p == '.') {
                        ++p;
                        const char* f = p;
                        ms = readDigits(p, end, 3, ok);
                        if (!ok) return false;
                        for (long n = p - f; n < 3; ++n) ms *= 10;
                        while (p < end && *p >= '0' && *p <= '9') ++p;
                    }
                }
            }
            if (p != end) return false;
        }
    }
    if (hh > 23 || mi > 59 || ss > 59) return false;
    QDate date(y, m, d);
    if (!date.isValid()) return false;
    out.date = date;
    out.msecs = ((hh * 60 + mi) * 60 + ss) * 1000 + ms;
    return true;
}

bool argMoment(sqlite3_value* v, Moment& out) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
        return false;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
        // Jet's numeric dates: days since 1899-12-30.
        const double d = sqlite3_value_double(v);
        const double days = std::floor(d);
        out.date = QDate(1899, 12, 30).addDays(qint64(days));
        out.msecs = int(std::llround((d - days) * 86400000.0));
        if (out.msecs >= 86400000) out.msecs = 86399999;
        return true;
    }
    default: {
        const char* t = reinterpret_cast<const char*>(sqlite3_value_text(v));
        return t && parseMoment(t, sqlite3_value_bytes(v), out);
    }
    }
}

bool is(const char* a, const char* b) { return a && qstricmp(a, b) == 0; }

const char* argInterval(sqlite3_value* v) { return reinterpret_cast<const char*>(sqlite3_value_text(v)); }

int weekOfYear(const QDate& d) {
    // Jet's default: weeks start on Sunday, week 1 holds 1 January.
    QDate jan1(d.year(), 1, 1);
    int offset = jan1.dayOfWeek() % 7; // Sunday -> 0
    return (d.dayOfYear() - 1 + offset) / 7 + 1;
}

void fnDatePart(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Moment x;
    const char* iv = argInterval(argv[0]);
    if (!argMoment(argv[1], x)) {
        sqlite3_result_null(ctx);
        return;
    }
    const QDate& d = x.date;
    qint64 r;
    if (is(iv, "yyyy")) r = d.year();
    else if (is(iv, "q")) r = (d.month() - 1) / 3 + 1;
    else if (is(iv, "m")) r = d.month();
    else if (is(iv, "y")) r = d.dayOfYear();
    else if (is(iv, "d")) r = d.day();
    else if (is(iv, "w")) r = d.dayOfWeek() % 7 + 1; // Sunday 1
    else if (is(iv, "ww")) r = weekOfYear(d);
    else if (is(iv, "h")) r = x.msecs / 3600000;
    else if (is(iv, "n")) r = x.msecs / 60000 % 60;
    else if (is(iv, "s")) r = x.msecs / 1000 % 60;
    else {
        sqlite3_result_error(ctx, "DatePart: unknown interval", -1);
        return;
    }
    sqlite3_result_int64(ctx, r);
}

void fnDateDiff(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Moment a, b;
    const char* iv = argInterval(argv[0]);
    if (!argMoment(argv[1], a) || !argMoment(argv[2], b)) {
        sqlite3_result_null(ctx);
        return;
    }
    const QDate &da = a.date, &db = b.date;
    qint64 r;
    if (is(iv, "d") || is(iv, "y")) r = db.toJulianDay() - da.toJulianDay();
    else if (is(iv, "yyyy")) r = db.year() - da.year();
    else if (is(iv, "q"))
        r = (db.year() * 4 + (db.month() - 1) / 3) - (da.year() * 4 + (da.month() - 1) / 3);
    else if (is(iv, "m")) r = (db.year() * 12 + db.month()) - (da.year() * 12 + da.month());
    else if (is(iv, "w")) r = (db.toJulianDay() - da.toJulianDay()) / 7;
    else if (is(iv, "ww")) {
        // Sundays crossed. Julian day 0 is a Monday, so (jd + 1) / 7
        // changes on every Sunday.
        auto weekIndex = [](const QDate& d) { return (d.toJulianDay() + 1) / 7; };
        r = weekIndex(db) - weekIndex(da);
    } else if (is(iv, "h")) r = b.seconds() / 3600 - a.seconds() / 3600;
    else if (is(iv, "n")) r = b.seconds() / 60 - a.seconds() / 60;
    else if (is(iv, "s")) r = b.seconds() - a.seconds();
    else {
        sqlite3_result_error(ctx, "DateDiff: unknown interval", -1);
        return;
    }
    sqlite3_result_int64(ctx, r);
}

void fnNow(sqlite3_context* ctx, int, sqlite3_value**) {
    QByteArray t = SqlText::dateTime(TClock::now()).toUtf8();
    sqlite3_result_text(ctx, t.constData(), int(t.size()), SQLITE_TRANSIENT);
}

void fnRound(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL ||
        (argc > 1 && sqlite3_value_type(argv[1]) == SQLITE_NULL)) {
        sqlite3_result_null(ctx);
        return;
    }
    int digits = argc > 1 ? sqlite3_value_int(argv[1]) : 0;
    sqlite3_result_double(ctx, roundHalfEven(sqlite3_value_double(argv[0]), digits));
}

} // namespace

void registerFunctions(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "DatePart", 2, flags, nullptr, fnDatePart, nullptr, nullptr);
    sqlite3_create_function(db, "DateDiff", 3, flags, nullptr, fnDateDiff, nullptr, nullptr);
    sqlite3_create_function(db, "now", 0, SQLITE_UTF8, nullptr, fnNow, nullptr, nullptr);
    sqlite3_create_function(db, "round", 1, flags, nullptr, fnRound, nullptr, nullptr);
    sqlite3_create_function(db, "round", 2, flags, nullptr, fnRound, nullptr, nullptr);
}

} // namespace JetSql
