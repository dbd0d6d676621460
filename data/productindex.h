#pragma once
#include "connection.h"

#include <QString>
#include <optional>

// Which products may hold a text in their code, name, model or 规格, read
// from the data file's trigram index (ProductSearch, see schema.sql) instead
// of testing every product. Every product with a value like '%text%' in one
// of the four is among those found, and perhaps some that are not (the text
// has wildcards, or stands in another of the four columns): whoever uses
// them still applies the like, to those found only.
namespace ProductIndex {

// True for the columns of Product the index holds.
bool Holds(const QString& column);

// Index entries up to which reading the products found, one by one by id,
// costs less than testing every product (the big shop's 100 000 take about
// as long as 5 000 entries). Above it the index is of no help.
constexpr int kScanLimit = 5000;

struct Holders {
    QString ids;      // select ... as id; an id may come more than once
    SqlParams params; // of ids; empty when its values are written into it
    int entries = 0;  // rows of ids (at least the products), counted up to a limit
};

// How the text reaches the statement of ids: bound as parameters named after
// the key, or written into it as quoted literals, for criteria that are
// passed on as text.
enum class Values { Bound, Written };

// The products that may hold one text, their entries counted on conn up to
// countTo. Nothing when the text is wildcards only, and so narrows nothing.
std::optional<Holders> HoldersOf(Connection& conn, const QString& text, const QString& key,
                                 int countTo, Values values = Values::Bound);

} // namespace ProductIndex
