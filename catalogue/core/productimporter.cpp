#include "productimporter.h"

#include "connection.h"
#include "dberror.h"
#include "importsource.h"

#include <cmath>

namespace {
// A text that binds as '' rather than NULL: an unmapped field is stored,
// and compared, as an empty text.
QString text(const QString& s) { return s.isNull() ? QStringLiteral("") : s; }
} // namespace

struct TProductImporter::Prepared {
    std::unique_ptr<Statement> findProduct, findCategory, findUnit, insertProduct, updateProduct,
        insertCategory, insertUnit, logCount, holdIndex, indexNew, releaseIndex, lastProduct;
};

TProductImporter::TProductImporter(Connection& target) : m_conn(target) {}
TProductImporter::~TProductImporter() = default;

const QStringList& TProductImporter::Keys() {
    static const QStringList keys = {
        QStringLiteral("productCode"), QStringLiteral("productName"),  QStringLiteral("product_model"),
        QStringLiteral("product_spec"), QStringLiteral("categoryStr"), QStringLiteral("salePriceStr"),
        QStringLiteral("unitStr")};
    return keys;
}

void TProductImporter::SetSource(const TImportSource* source, const QString& table) {
    m_source = source;
    m_table = table;
}

void TProductImporter::SetMapping(const QString& key, const QString& column) {
    if (column.isEmpty())
        m_mapping.remove(key);
    else
        m_mapping.insert(key, column);
}

void TProductImporter::prepare() {
    m_st = std::make_unique<Prepared>();
    QStringList conditions;
    const struct {
        int bit;
        const char* column;
    } bits[] = {{mbCode, "productCode"}, {mbName, "productName"}, {mbModel, "product_model"}, {mbSpec, "product_spec"}};
    for (const auto& b : bits)
        if (MatchMask & b.bit) conditions << QStringLiteral("%1=:%1").arg(QLatin1String(b.column));
    if (!conditions.isEmpty())
        m_st->findProduct = std::make_unique<Statement>(
            m_conn, QStringLiteral("select top 1 id from Product where ") + conditions.join(QStringLiteral(" and ")));
    m_st->findCategory = std::make_unique<Statement>(
        m_conn, QStringLiteral("select top 1 id from ProductCategory where categoryName=:categoryName"));
    m_st->findUnit =
        std::make_unique<Statement>(m_conn, QStringLiteral("select top 1 id from ProductUnit where unitName=:unitName"));
    m_st->insertProduct = std::make_unique<Statement>(
        m_conn, QStringLiteral("insert into Product(categoryID, productCode, productName, product_model, product_spec,"
                               " salePrice, storageUnit, importLogID) values(:categoryID, :productCode, :productName,"
                               " :product_model, :product_spec, :salePrice, :storageUnit, :importLogID)"));
    m_st->updateProduct = std::make_unique<Statement>(
        m_conn, QStringLiteral("update Product set categoryID=:categoryID, productCode=:productCode,"
                               " productName=:productName, product_model=:product_model, product_spec=:product_spec,"
                               " salePrice=:salePrice, storageUnit=:storageUnit, importLogID=:importLogID"
                               " where id=:id"));
    m_st->insertCategory = std::make_unique<Statement>(
        m_conn, QStringLiteral("insert into ProductCategory(parentID, categoryName) values(:parentID, :categoryName)"));
    m_st->insertUnit =
        std::make_unique<Statement>(m_conn, QStringLiteral("insert into ProductUnit(unitName) values(:unitName)"));
    m_st->logCount = std::make_unique<Statement>(m_conn, QStringLiteral("update ImportLog set success=:n where id=:id"));
    // The search index is filled a batch at a time where the data file
    // allows it (see ProductSearchHold in the schema); a row at a time costs
    // three quarters of the run.
    if (m_conn.exists(QStringLiteral("select 1 from sqlite_master where type='table' and name='ProductSearchHold'"))) {
        m_st->holdIndex = std::make_unique<Statement>(m_conn, QStringLiteral("insert into ProductSearchHold values(1)"));
        m_st->releaseIndex = std::make_unique<Statement>(m_conn, QStringLiteral("delete from ProductSearchHold"));
        m_st->indexNew = std::make_unique<Statement>(
            m_conn, QStringLiteral("insert into ProductSearch(rowid, productCode, productName, product_model, product_spec)"
                                   " select * from ProductSearchText where id > :after"));
        m_st->lastProduct = std::make_unique<Statement>(m_conn, QStringLiteral("select ifnull(max(id), 0) from Product"));
    }
}

void TProductImporter::beginBatch() {
    m_conn.begin();
    if (!m_st->holdIndex) return;
    m_st->holdIndex->reset();
    m_st->holdIndex->step();
    m_st->holdIndex->reset();
    m_indexedUpTo = lastProduct();
}

int TProductImporter::lastProduct() {
    Statement& q = *m_st->lastProduct;
    q.reset();
    const int id = q.step() ? q.value(0).toInt() : 0;
    q.reset();
    return id;
}

// Indexes the products inserted since the batch began, or since the last
// time this ran; with the hold still on.
void TProductImporter::indexNewProducts() {
    if (!m_st->holdIndex) return;
    Statement& f = *m_st->indexNew;
    f.reset();
    f.bind(QStringLiteral("after"), m_indexedUpTo);
    f.step();
    f.reset();
    m_indexedUpTo = lastProduct();
}

void TProductImporter::Run() {
    if (!m_source) throw AppError(QStringLiteral("没有选择要导入的数据表."));
    Processed = Imported = Skipped = Total = 0;
    ImportLogID = -1;
    m_categories.clear();
    m_units.clear();
    m_inBatch = 0;

    const TImportTable table = m_source->Read(m_table);
    // Where each key's value is in a row; -1 for a key without a column.
    std::vector<qsizetype> at;
    for (const QString& key : Keys()) {
        const QString column = m_mapping.value(key);
        qsizetype i = -1;
        if (!column.isEmpty()) {
            i = table.columns.indexOf(column);
            if (i < 0) throw AppError(QStringLiteral("数据表中没有列: ") + column);
        }
        at.push_back(i);
    }
    Total = static_cast<int>(table.rows.size());
    if (Total > 0) {
        TransactionGuard tx(m_conn);
        m_conn.execute(QStringLiteral("insert into ImportLog(startDate, module, recordCount) values(now(), 'PRODUCT', :n)"),
                       {{QStringLiteral("n"), Total}});
        ImportLogID = static_cast<int>(m_conn.lastInsertId());
        tx.commit();
    }

    bool finished = false;
    try {
        prepare();
        const auto value = [&](const QStringList& row, int key) {
            return at[key] < 0 ? QStringLiteral("") : text(row.at(at[key]).trimmed());
        };
        for (const QStringList& row : table.rows) {
            if (m_inBatch == 0) beginBatch();
            m_rowSavepoint = false;
            TProduct p;
            p.productCode = value(row, 0);
            p.productName = value(row, 1);
            p.product_model = value(row, 2);
            p.product_spec = value(row, 3);
            bool skipped;
            try {
                skipped = ImportRow(p, value(row, 4), value(row, 6), value(row, 5));
            } catch (...) {
                try {
                    if (m_rowSavepoint) {
                        m_conn.execute(QStringLiteral("rollback to importrow"));
                        m_conn.execute(QStringLiteral("release importrow"));
                    }
                } catch (...) {
                    // The engine ended the transaction itself; the row's error is the one to show.
                }
                throw;
            }
            if (m_rowSavepoint) m_conn.execute(QStringLiteral("release importrow"));
            ++(skipped ? Skipped : Imported);
            ++Processed;
            if (++m_inBatch >= BatchSize) commitBatch();
            bool carryOn = true;
            if (OnProgress) OnProgress(1, Processed, Total, carryOn);
            if (!carryOn) break;
        }
        commitBatch();
        finished = Processed == Total;
        if (OnFinish) OnFinish();
    } catch (...) {
        release(false);
        throw;
    }
    release(finished);
}

void TProductImporter::commitBatch() {
    if (m_inBatch == 0) return;
    if (m_st->holdIndex) {
        indexNewProducts();
        m_st->releaseIndex->reset();
        m_st->releaseIndex->step();
        m_st->releaseIndex->reset();
    }
    if (ImportLogID > 0) {
        m_st->logCount->reset();
        m_st->logCount->bind(QStringLiteral("n"), Imported);
        m_st->logCount->bind(QStringLiteral("id"), ImportLogID);
        m_st->logCount->step();
    }
    m_conn.commit();
    m_inBatch = 0;
}

void TProductImporter::release(bool finished) {
    try {
        // What was written before a failure stays written, and the log says so.
        if (m_inBatch > 0 && m_conn.inTransaction()) commitBatch();
        if (ImportLogID > 0)
            m_conn.execute(QStringLiteral("update ImportLog set success=:n%1 where id=:id")
                               .arg(finished ? QStringLiteral(", endDate=now()") : QString()),
                           {{QStringLiteral("n"), Imported}, {QStringLiteral("id"), ImportLogID}});
    } catch (...) {
        m_st.reset();
        if (m_conn.inTransaction()) m_conn.rollback();
        m_inBatch = 0;
        throw;
    }
    m_st.reset();
    m_inBatch = 0;
}

bool TProductImporter::ImportRow(TProduct& p, const QString& categoryText, const QString& unitText,
                                 const QString& priceText) {
    // A product without a name could never be found or picked again.
    if (p.productName.isEmpty()) return true;

    int existing = 0;
    if (m_st->findProduct) {
        Statement& f = *m_st->findProduct;
        f.reset();
        f.bind(QStringLiteral("productCode"), text(p.productCode));
        f.bind(QStringLiteral("productName"), text(p.productName));
        f.bind(QStringLiteral("product_model"), text(p.product_model));
        f.bind(QStringLiteral("product_spec"), text(p.product_spec));
        if (f.step()) existing = f.value(0).toInt();
        f.reset();
        if (existing > 0 && SameAction == spIgnore) return true;
    }

    bool skip = false;
    p.categoryID = categoryOf(categoryText, skip);
    if (skip) return true;
    p.storageUnit = unitOf(unitText);
    bool ok = false;
    p.salePrice = priceText.toDouble(&ok);
    if (!ok || !std::isfinite(p.salePrice)) p.salePrice = 0;

    // An overwrite of a product this batch inserted: the index must hold it
    // before the update takes its old texts out.
    if (existing > m_indexedUpTo) indexNewProducts();
    Statement& w = existing > 0 ? *m_st->updateProduct : *m_st->insertProduct;
    w.reset();
    if (existing > 0) w.bind(QStringLiteral("id"), existing);
    w.bind(QStringLiteral("categoryID"), p.categoryID);
    w.bind(QStringLiteral("storageUnit"), p.storageUnit);
    w.bind(QStringLiteral("productCode"), text(p.productCode));
    w.bind(QStringLiteral("productName"), text(p.productName));
    w.bind(QStringLiteral("product_model"), text(p.product_model));
    w.bind(QStringLiteral("product_spec"), text(p.product_spec));
    w.bind(QStringLiteral("salePrice"), p.salePrice);
    w.bind(QStringLiteral("importLogID"), ImportLogID);
    w.step();
    w.reset();
    p.id = existing > 0 ? existing : static_cast<int>(m_conn.lastInsertId());
    return false;
}

// A row that fails takes back only what it wrote itself. The product's own
// insert or update is one statement, which the engine takes back whole; a
// row that makes a category or unit first marks where it began.
void TProductImporter::rowSavepoint() {
    if (m_rowSavepoint) return;
    m_conn.execute(QStringLiteral("savepoint importrow"));
    m_rowSavepoint = true;
}

int TProductImporter::categoryOf(const QString& name, bool& skip) {
    if (name.isEmpty()) {
        skip = EmptyCategory == ecIgnore;
        return DefaultCategoryID;
    }
    // The text is one name: "A/B" is a category of that name, not a path.
    if (auto it = m_categories.constFind(name); it != m_categories.constEnd()) return *it;
    Statement& f = *m_st->findCategory;
    f.reset();
    f.bind(QStringLiteral("categoryName"), name);
    int id = f.step() ? f.value(0).toInt() : 0;
    f.reset();
    if (id == 0) {
        if (MissingCategory == mcIgnore) {
            skip = true;
            return 0;
        }
        rowSavepoint();
        Statement& c = *m_st->insertCategory;
        c.reset();
        c.bind(QStringLiteral("parentID"), ParentCategoryID);
        c.bind(QStringLiteral("categoryName"), name);
        c.step();
        c.reset();
        id = static_cast<int>(m_conn.lastInsertId());
    }
    m_categories.insert(name, id);
    return id;
}

int TProductImporter::unitOf(const QString& name) {
    if (name.isEmpty()) return -1;
    if (auto it = m_units.constFind(name); it != m_units.constEnd()) return *it;
    Statement& f = *m_st->findUnit;
    f.reset();
    f.bind(QStringLiteral("unitName"), name);
    int id = f.step() ? f.value(0).toInt() : 0;
    f.reset();
    if (id == 0) {
        rowSavepoint();
        Statement& c = *m_st->insertUnit;
        c.reset();
        c.bind(QStringLiteral("unitName"), name);
        c.step();
        c.reset();
        id = static_cast<int>(m_conn.lastInsertId());
    }
    m_units.insert(name, id);
    return id;
}
