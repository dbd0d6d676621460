#include "displayformat.h"

#include <QDateTime>
#include <cmath>

namespace DisplayFormat {

namespace {

// Decimal digits of |value| rounded half-up at `decimals` places, as integer
// and fraction strings.
void roundedDigits(double value, int decimals, QString& intPart, QString& fracPart) {
    const QString e = QString::number(std::fabs(value), 'e', 17); // d.ddddde±x
    const int ePos = int(e.indexOf(QLatin1Char('e')));
    QString mant = e.left(ePos);
    mant.remove(QLatin1Char('.'));
    const int exp = e.mid(ePos + 1).toInt();
    // digits = mant, decimal point after (exp + 1) digits
    int pointPos = exp + 1;
    QString digits = mant;
    if (pointPos <= 0) {
        digits = QString(-pointPos, QLatin1Char('0')) + digits;
        pointPos = 0;
    }
    while (digits.size() < pointPos) digits += QLatin1Char('0');
    const int keep = pointPos + decimals;
    if (keep < digits.size()) {
        bool up = digits[keep] >= QLatin1Char('5');
        digits.truncate(keep);
        if (up) {
            int i = keep - 1;
            while (i >= 0) {
                if (digits[i] == QLatin1Char('9')) {
                    digits[i] = QLatin1Char('0');
                    --i;
                } else {
                    digits[i] = QChar(digits[i].unicode() + 1);
                    break;
                }
            }
            if (i < 0) {
                digits.prepend(QLatin1Char('1'));
                ++pointPos;
            }
        }
    } else {
        while (digits.size() < keep) digits += QLatin1Char('0');
    }
    intPart = digits.left(pointPos);
    fracPart = digits.mid(pointPos);
    while (intPart.size() > 1 && intPart.startsWith(QLatin1Char('0'))) intPart.remove(0, 1);
    if (intPart == QLatin1String("0")) intPart.clear();
}

} // namespace

QString formatFloat(double value, const QString& fullPattern) {
    if (std::isnan(value) || std::isinf(value)) return QString();
    QString pattern = fullPattern;
    // Sections: positive;negative;zero.
    const QStringList sections = fullPattern.split(QLatin1Char(';'));
    if (sections.size() > 1 && value < 0) pattern = sections[1];
    else pattern = sections[0];

    // Split the literal prefix and suffix from the digit placeholders.
    int first = -1, last = -1;
    for (int i = 0; i < pattern.size(); ++i) {
        QChar c = pattern[i];
        if (c == QLatin1Char('#') || c == QLatin1Char('0') || c == QLatin1Char('.') ||
            c == QLatin1Char(',')) {
            if (first < 0) first = i;
            last = i;
        }
    }
    if (first < 0) return pattern;
    const QString prefix = pattern.left(first);
    const QString suffix = pattern.mid(last + 1);
    const QString body = pattern.mid(first, last - first + 1);

    const int point = int(body.indexOf(QLatin1Char('.')));
    const QString intPat = point >= 0 ? body.left(point) : body;
    const QString fracPat = point >= 0 ? body.mid(point + 1) : QString();
    const bool thousands = intPat.contains(QLatin1Char(','));
    const int minInt = int(intPat.count(QLatin1Char('0')));
    const int decimals = int(fracPat.count(QLatin1Char('0')) + fracPat.count(QLatin1Char('#')));
    // Digits up to the last '0' of the fraction are always written.
    int minFrac = 0;
    for (int i = 0; i < fracPat.size(); ++i)
        if (fracPat[i] == QLatin1Char('0')) minFrac = i + 1;

    QString ip, fp;
    roundedDigits(value, decimals, ip, fp);
    while (fp.size() > minFrac && fp.endsWith(QLatin1Char('0'))) fp.chop(1);
    while (ip.size() < minInt) ip.prepend(QLatin1Char('0'));
    if (thousands && ip.size() > 3) {
        QString grouped;
        int n = int(ip.size());
        for (int i = 0; i < n; ++i) {
            if (i > 0 && (n - i) % 3 == 0) grouped += QLatin1Char(',');
            grouped += ip[i];
        }
        ip = grouped;
    }
    QString out = ip;
    if (!fp.isEmpty()) out += QLatin1Char('.') + fp;
    bool allZero = true;
    for (QChar c : ip + fp)
        if (c.isDigit() && c != QLatin1Char('0')) allZero = false;
    if (value < 0 && !allZero && sections.size() < 2) out.prepend(QLatin1Char('-'));
    if (sections.size() > 2 && allZero) return sections[2];
    return prefix + out + suffix;
}

QString plainNumber(double value) {
    if (std::isnan(value) || std::isinf(value)) return QString();
    return QString::number(value, 'g', 15);
}

QString asciiNumber(const QString& typed) {
    QString out = typed;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u >= 0xFF10 && u <= 0xFF19) c = QChar(char16_t(u'0' + (u - 0xFF10)));
        else if (u == 0xFF0E || u == 0x3002) c = QLatin1Char('.'); // ． 。
        else if (u == 0xFF0D || u == 0x2212) c = QLatin1Char('-'); // － −
        else if (u == 0xFF0B) c = QLatin1Char('+');                // ＋
        else if (u == 0xFF45 || u == 0xFF25) c = QLatin1Char('e'); // ｅ Ｅ
    }
    return out;
}

QString displayText(const QVariant& v, const QString& pattern) {
    if (!v.isValid() || v.isNull()) return QString();
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return pattern.isEmpty() ? plainNumber(v.toDouble()) : formatFloat(v.toDouble(), pattern);
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return pattern.isEmpty() ? v.toString() : formatFloat(v.toDouble(), pattern);
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("是") : QStringLiteral("否");
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        if (!pattern.isEmpty()) return dt.toString(pattern);
        if (dt.time() == QTime(0, 0)) return dt.toString(QStringLiteral("yyyy-MM-dd"));
        return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    case QMetaType::QDate:
        return v.toDate().toString(pattern.isEmpty() ? QStringLiteral("yyyy-MM-dd") : pattern);
    default:
        return v.toString();
    }
}

} // namespace DisplayFormat
