#pragma once
#include "product.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class Connection;
class Statement;
class TImportSource;

// Writes the products of one source table into Product. Each source row
// becomes a TProduct: its category and unit are found by name and created
// when missing, and an existing product that matches it (by the fields the
// match mask names) is either left alone or overwritten. Every run with rows
// writes one ImportLog row, and every product it writes carries that row's id.
//
// The run writes through the program's own connection in one transaction per
// batch of rows: a second connection would find the data file locked while
// the lists are open, and a commit per row costs a disk flush each. The log
// row is committed first and its count of imported rows is kept current with
// every batch, so a run that is cancelled or fails keeps the rows it wrote
// and a log that says how many; only a run that reached the end of its
// source gets an endDate.
class TProductImporter {
public:
    enum SameProductAction { spIgnore, spOverwrite };
    enum EmptyCategoryAction { ecIgnore, ecUseDefault };
    enum MissingCategoryAction { mcIgnore, mcCreate };
    enum MatchBits { mbCode = 1, mbName = 2, mbModel = 4, mbSpec = 8 };

    explicit TProductImporter(Connection& target);
    ~TProductImporter();
    TProductImporter(const TProductImporter&) = delete;
    TProductImporter& operator=(const TProductImporter&) = delete;

    // The logical fields a source column can be mapped to, in the wizard's order.
    static const QStringList& Keys();

    void SetSource(const TImportSource* source, const QString& table);
    QString SourceTable() const { return m_table; }
    // An empty column removes the key's mapping.
    void SetMapping(const QString& key, const QString& column);
    QString Mapping(const QString& key) const { return m_mapping.value(key); }

    int MatchMask = mbCode | mbName | mbModel | mbSpec;
    SameProductAction SameAction = spIgnore;
    EmptyCategoryAction EmptyCategory = ecUseDefault;
    MissingCategoryAction MissingCategory = mcCreate;
    int DefaultCategoryID = 1;
    int ParentCategoryID = 1;
    // Rows written per transaction.
    int BatchSize = 1000;

    // Counters of the last run.
    int Processed = 0;
    int Imported = 0;
    int Skipped = 0;
    int Total = 0;
    int ImportLogID = -1;

    // After every row: minimum 1, position (rows processed), maximum (the
    // source's row count) and a flag that stops the run when cleared.
    std::function<void(int minimum, int position, int maximum, bool& carryOn)> OnProgress;
    std::function<void()> OnFinish;

    // Reads the source table and imports its rows. Errors are thrown after
    // the rows written so far are committed and the log says how many.
    void Run();
    // One source row, already reduced to the mapped fields; true when it was
    // skipped. Only inside Run, which prepares the statements.
    bool ImportRow(TProduct& p, const QString& categoryText, const QString& unitText,
                   const QString& priceText);

private:
    struct Prepared;
    void prepare();
    void release(bool finished);
    void beginBatch();
    void commitBatch();
    int lastProduct();
    void indexNewProducts();
    void rowSavepoint();
    int categoryOf(const QString& name, bool& skip);
    int unitOf(const QString& name);

    Connection& m_conn;
    const TImportSource* m_source = nullptr;
    QString m_table;
    QHash<QString, QString> m_mapping;
    std::unique_ptr<Prepared> m_st;
    QHash<QString, int> m_categories, m_units; // names found or made in this run
    int m_inBatch = 0;
    int m_indexedUpTo = 0;       // products up to this id are in the search index
    bool m_rowSavepoint = false; // the row under way has a savepoint
};
