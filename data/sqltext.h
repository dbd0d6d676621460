#pragma once
#include <QDate>
#include <QDateTime>
#include <QString>

// The one place where values are written into SQL text.
namespace SqlText {
// 'text' with inner single quotes doubled.
QString quote(const QString& text);
// Shortest general form with at most 15 significant digits, '.' as point.
// A negative number comes in parentheses, "(-2)", so it may follow a minus
// sign ("x-" then "--2" would start a comment and drop the rest of the
// statement). Infinity and NaN have no SQL form: AppError.
QString number(double value);
// Year-month-day without leading zeros: 2010-3-5.
QString date(const QDate& date);
// Storage form of a moment: yyyy-MM-dd HH:mm:ss.zzz.
QString dateTime(const QDateTime& moment);
// Parses the storage form and the looser forms users and older files use
// (2010-3-5, 2010/03/05 9:03, 2010-03-05T09:03:07). Invalid when unreadable.
QDateTime parseDateTime(const QString& text);
} // namespace SqlText
