#include "sqltext.h"

#include "dberror.h"

#include <QLocale>
#include <cmath>

namespace SqlText {

QString quote(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('\'');
    for (QChar c : text) {
        if (c == QLatin1Char('\'')) out += QLatin1Char('\'');
        out += c;
    }
    out += QLatin1Char('\'');
    return out;
}

QString number(double value) {
    // Writing 0 instead would store a wrong amount and report success.
    if (!std::isfinite(value)) throw AppError(QStringLiteral("数值超出范围, 无法保存."));
    const QString s = QString::number(value, 'g', 15);
    return s.startsWith(QLatin1Char('-')) ? QLatin1Char('(') + s + QLatin1Char(')') : s;
}

QString date(const QDate& d) {
    return QStringLiteral("%1-%2-%3").arg(d.year()).arg(d.month()).arg(d.day());
}

QString dateTime(const QDateTime& moment) {
    return moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

namespace {
bool readInt(const QString& s, int& pos, int maxDigits, int& out) {
    int start = pos;
    int v = 0;
    while (pos < s.size() && pos - start < maxDigits && s[pos].isDigit()) {
        v = v * 10 + s[pos].digitValue();
        ++pos;
    }
    if (pos == start) return false;
    out = v;
    return true;
}
} // namespace

QDateTime parseDateTime(const QString& raw) {
    const QString s = raw.trimmed();
    int pos = 0, y = 0, m = 0, d = 0;
    if (!readInt(s, pos, 4, y)) return {};
    if (pos >= s.size() || (s[pos] != QLatin1Char('-') && s[pos] != QLatin1Char('/'))) return {};
    const QChar sep = s[pos++];
    if (!readInt(s, pos, 2, m)) return {};
    if (pos >= s.size() || s[pos] != sep) return {};
    ++pos;
    if (!readInt(s, pos, 2, d)) return {};
    QDate date(y, m, d);
    if (!date.isValid()) return {};
    int hh = 0, mm = 0, ss = 0, ms = 0;
    if (pos < s.size()) {
        if (s[pos] != QLatin1Char(' ') && s[pos] != QLatin1Char('T')) return {};
        while (pos < s.size() && (s[pos] == QLatin1Char(' ') || s[pos] == QLatin1Char('T'))) ++pos;
        if (pos < s.size()) {
            if (!readInt(s, pos, 2, hh)) return {};
            if (pos < s.size() && s[pos] == QLatin1Char(':')) {
                ++pos;
                if (!readInt(s, pos, 2, mm)) return {};
                if (pos < s.size() && s[pos] == QLatin1Char(':')) {
                    ++pos;
                    if (!readInt(s, pos, 2, ss)) return {};
                    if (pos < s.size() && s[pos] == QLatin1Char('.')) {
                        ++pos;
                        int start = pos, frac = 0;
                        if (!readInt(s, pos, 3, frac)) return {};
                        for (int n = pos - start; n < 3; ++n) frac *= 10;
                        ms = frac;
                        while (pos < s.size() && s[pos].isDigit()) ++pos;
                    }
                }
            }
            if (pos != s.size()) return {};
        }
    }
    QTime time(hh, mm, ss, ms);
    if (!time.isValid()) return {};
    return QDateTime(date, time);
}

} // namespace SqlText
