#pragma once
#include "connection.h"

#include <QDateTime>
#include <QMetaType>
#include <QString>

class DataSet;

// One-shot statements on the connection they are given, in the program's
// own words: an integer of the first row (0 when there is none), whether a
// row exists. Database errors pass through unchanged.
class TQuickQuery {
public:
    static int GetInteger(Connection& conn, const QString& sql, const SqlParams& params = {});
    static bool FindInteger(Connection& conn, const QString& sql, int& value, const SqlParams& params = {});
    static bool HasRows(Connection& conn, const QString& sql, const SqlParams& params = {});
    static int Execute(Connection& conn, const QString& sql, const SqlParams& params = {});
    static void SetDisplayFormat(DataSet* ds, const QString& fieldName, const QString& format);
};

class TUtils {
public:
    // Decimal text of number, padded with leading zeros to width; never cut.
    static QString PadZero(int number, int width);
    // Two decimals: x / 0.01 in 80-bit precision, ties to even, times 0.01.
    static double RoundMoney(double x);
};

class TDateUtils {
public:
    static QString DateToText(const QString& separator, const QDateTime& value);
    static QString DateToText(const QString& separator, const QDate& value);
    static QString TimeToText(const QString& separator, const QDateTime& value);
    // 0 today, 1 this week (Monday to Sunday), 2 this month, 3 this quarter,
    // 4 this year; To is the last moment (23:59:59.999) of the last day.
    // Any other kind throws AppError("Unrecognized dr.").
    static void GetDateRange(int kind, QDateTime& from, QDateTime& to);
};

// The keys carried by the items of drop-down boxes and lists.
struct TString {
    QString Value;
};
struct TInteger {
    int Value = 0;
};
Q_DECLARE_METATYPE(TString)
Q_DECLARE_METATYPE(TInteger)
