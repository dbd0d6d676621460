#include "productindex.h"

#include "sqltext.h"

#include <QList>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace ProductIndex {

namespace {
// LIKE ignores the case of ASCII letters only; the index holds them lowered.
QString asciiLower(QString s) {
    for (QChar& ch : s)
        if (ch >= QLatin1Char('A') && ch <= QLatin1Char('Z'))
            ch = QChar(ch.unicode() + ('a' - 'A'));
    return s;
}

// The first text after all texts that start with prefix; empty when no text
// comes after them.
QString afterPrefix(const QString& prefix) {
    QList<uint> chars = prefix.toUcs4();
    while (!chars.isEmpty()) {
        uint last = chars.takeLast();
        if (last >= 0x10FFFF) continue;
        ++last;
        if (last >= 0xD800 && last <= 0xDFFF) last = 0xE000; // no character is a surrogate
        chars.append(last);
        return QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.constData()),
                                 chars.size());
    }
    return QString();
}
} // namespace

bool Holds(const QString& column) {
    for (const char* held : {"productCode", "productName", "product_model", "product_spec"})
        if (column.compare(QLatin1String(held), Qt::CaseInsensitive) == 0) return true;
    return false;
}

std::optional<Holders> HoldersOf(Connection& conn, const QString& text, const QString& key,
                                 int countTo, Values values) {
    static const QRegularExpression wildcard(QStringLiteral("[%_]"));
    const QStringList runs = asciiLower(text).split(wildcard, Qt::SkipEmptyParts);
    if (runs.isEmpty()) return std::nullopt;
    Holders h;
    // A value as a parameter named name, or written in.
    auto value = [&](const QString& name, const QString& v) {
        if (values == Values::Written) return SqlText::quote(v);
        h.params.insert(name, v);
        return QLatin1Char(':') + name;
    };
    QStringList phrases;
    for (const QString& run : runs)
        if (run.toUcs4().size() >= 3)
            phrases << QLatin1Char('"') +
                           QString(run).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
                           QLatin1Char('"');
    if (!phrases.isEmpty()) {
        // A phrase of trigrams is that text inside one value, for every run
        // of three characters or more.
        h.ids = QStringLiteral("select rowid as id from ProductSearch where ProductSearch match ") +
                value(key, phrases.join(QLatin1String(" AND ")));
    } else {
        // Runs of one or two characters: the values end in two padding
        // characters, so wherever the longest run stands in a value, a
        // trigram starts with it, and the index lists those terms together.
        const QString run =
            *std::max_element(runs.begin(), runs.end(), [](const QString& a, const QString& b) {
                return a.toUcs4().size() < b.toUcs4().size();
            });
        const QString end = afterPrefix(run);
        h.ids = QStringLiteral("select doc as id from ProductSearchTerms where term >= ") +
                value(key, run);
        if (!end.isEmpty())
            h.ids += QStringLiteral(" and term < ") + value(key + QLatin1String("end"), end);
    }
    Statement count(conn, QStringLiteral("select count(*) from (%1 limit :countTo)").arg(h.ids));
    count.bindAll(h.params);
    count.bind(QStringLiteral(":countTo"), countTo);
    count.step();
    h.entries = count.value(0).toInt();
    return h;
}

} // namespace ProductIndex
