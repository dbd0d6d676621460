#pragma once
#include <QString>

struct sqlite3;

// The Jet dialect on SQLite: what SQLite lacks is translated on the way in,
// and Jet's functions are registered on every connection.
namespace JetSql {
// TOP n -> LIMIT n, @@identity -> last_insert_rowid(). Text inside string
// literals and bracketed names is left alone.
QString translate(const QString& sql);
void registerFunctions(sqlite3* db);

// The functions themselves, for callers that need the same arithmetic.
double roundHalfEven(double x, int digits);
// Day boundaries between two moments (Jet's DateDiff('d', a, b)).
} // namespace JetSql
