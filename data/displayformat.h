#pragma once
#include <QString>
#include <QVariant>

// Number patterns as the shop's screens use them: "#.##" (at most two
// decimals, no trailing zeros, no forced digit: 0 shows empty, 0.5 shows
// ".5"), "0.00", "#,##0.00", "#,##0.##". Rounding is half away from zero on
// the 18-digit decimal form of the value, as the old screens did.
namespace DisplayFormat {
QString formatFloat(double value, const QString& pattern);
// A value as a screen shows it: numbers through the pattern (if any),
// floats otherwise in their shortest 15-digit form, dates as date or
// date and time.
QString displayText(const QVariant& value, const QString& pattern = QString());
// Shortest general decimal form with up to 15 significant digits.
QString plainNumber(double value);
// A number as typed with a Chinese input method, in ASCII: full-width
// digits, point, plus and minus ("１２．５", "－３"), the ideographic full
// stop as a point. Other characters are left as they are.
QString asciiNumber(const QString& typed);
} // namespace DisplayFormat
