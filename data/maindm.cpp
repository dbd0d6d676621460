#include "maindm.h"

#include "dataset.h"
#include "dberror.h"

#include <QSet>
#include <memory>

namespace {
// The product selector's trigram index, as data/schema.sql makes it for a new
// file (the reasons are there). Every object is made only when it is missing.
const char kProductSearchSchema[] = R"sql(
CREATE VIEW IF NOT EXISTS ProductSearchText AS
SELECT id,
    lower(productCode) || char(1, 1) AS productCode,
    lower(productName) || char(1, 1) AS productName,
    lower(product_model) || char(1, 1) AS product_model,
    lower(product_spec) || char(1, 1) AS product_spec
FROM Product;
CREATE VIRTUAL TABLE IF NOT EXISTS ProductSearch USING fts5(productCode, productName, product_model, product_spec,
    content='ProductSearchText', content_rowid='id', tokenize='trigram case_sensitive 1');
CREATE VIRTUAL TABLE IF NOT EXISTS ProductSearchTerms USING fts5vocab(ProductSearch, instance);
CREATE TABLE IF NOT EXISTS ProductSearchHold (held INTEGER);
CREATE TRIGGER IF NOT EXISTS ProductSearchAdd AFTER INSERT ON Product WHEN NOT EXISTS (SELECT 1 FROM ProductSearchHold) BEGIN
    INSERT INTO ProductSearch(rowid, productCode, productName, product_model, product_spec)
    SELECT * FROM ProductSearchText WHERE id = new.id;
END;
CREATE TRIGGER IF NOT EXISTS ProductSearchRemove BEFORE DELETE ON Product BEGIN
    INSERT INTO ProductSearch(ProductSearch, rowid, productCode, productName, product_model, product_spec)
    SELECT 'delete', * FROM ProductSearchText WHERE id = old.id;
END;
CREATE TRIGGER IF NOT EXISTS ProductSearchChangeFrom BEFORE UPDATE OF id, productCode, productName, product_model, product_spec ON Product BEGIN
    INSERT INTO ProductSearch(ProductSearch, rowid, productCode, productName, product_model, product_spec)
    SELECT 'delete', * FROM ProductSearchText WHERE id = old.id;
END;
CREATE TRIGGER IF NOT EXISTS ProductSearchChangeTo AFTER UPDATE OF id, productCode, productName, product_model, product_spec ON Product BEGIN
    INSERT INTO ProductSearch(rowid, productCode, productName, product_model, product_spec)
    SELECT * FROM ProductSearchText WHERE id = new.id;
END;
)sql";

// Gives a data file from before the product selector's index that index:
// whatever is missing is made, and the index is filled from the products once
// (about a second for 100 000 products, then never again).
void addProductSearch(Connection& conn) {
    const QVariant present = conn.scalar(QStringLiteral(
        "select count(*) from sqlite_master where name in ('ProductSearchText', 'ProductSearch', "
        "'ProductSearchTerms', 'ProductSearchHold', 'ProductSearchAdd', 'ProductSearchRemove', "
        "'ProductSearchChangeFrom', 'ProductSearchChangeTo')"));
    if (present.toInt() == 8) return;
    TransactionGuard tx(conn);
    // A file from before the hold has the insert trigger without its
    // condition; it is made anew.
    if (!conn.exists(QStringLiteral("select 1 from sqlite_master where name = 'ProductSearchHold'")))
        conn.execute(QStringLiteral("DROP TRIGGER IF EXISTS ProductSearchAdd"));
    conn.executeScript(QString::fromUtf8(kProductSearchSchema));
    conn.execute(QStringLiteral("insert into ProductSearch(ProductSearch) values('rebuild')"));
    tx.commit();
}
} // namespace

QString TMainDM::CategoryListSql() {
    return QStringLiteral("SELECT id, categoryCode, parentID, categoryName, categoryDesc\nFROM ProductCategory");
}

DataSet* TMainDM::make(const char* name, const QString& sql) {
    auto* ds = new DataSet(&MainConn, this);
    ds->setObjectName(QString::fromLatin1(name));
    ds->setSql(sql);
    ds->setFetchBlock(0); // look-up lists are read whole, like static cursors
    m_queries.push_back(ds);
    return ds;
}

TMainDM::TMainDM(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("MainDM"));
    queryUnit = make("queryUnit", QStringLiteral("SELECT *\nFROM ProductUnit"));
    querySupplierType = make("querySupplierType", QStringLiteral("SELECT *\nFROM ValueSet\nWHERE setName='SupplierType'"));
    queryCustomerType = make("queryCustomerType", QStringLiteral("SELECT *\nFROM ValueSet\nWHERE setName='CustomerType'"));
    queryProduct = make("queryProduct", QStringLiteral("SELECT *\nFROM Product\nWHERE id <= 0"));
    querySupplier = make("querySupplier", QStringLiteral("SELECT *\nFROM Supplier\nWHERE 1=2"));
    queryUser = make("queryUser", QStringLiteral("SELECT *\nFROM Users"));
    queryCustomer = make("queryCustomer", QStringLiteral("SELECT *\nFROM Customer"));
    queryInputType = make("queryInputType", QStringLiteral("SELECT *\nFROM ValueSet\nWHERE setName='INPUTTYPE'"));
    queryOutputType = make("queryOutputType", QStringLiteral("SELECT *\nFROM ValueSet\nWHERE setName='OUTPUTTYPE'"));
    queryAuditStatus = make("queryAuditStatus", QStringLiteral("SELECT *\nFROM KeyValueConst\nWHERE nameSpace='AUDIT'"));
    querySysConfig = make("querySysConfig", QStringLiteral("SELECT *\nFROM SysConfig"));
    queryProductSize = make("queryProductSize", QStringLiteral("SELECT *\nFROM ProductSize"));
    queryProductColor = make("queryProductColor", QStringLiteral("SELECT *\nFROM ProductColor"));
    queryProductBrand = make("queryProductBrand", QStringLiteral("SELECT *\nFROM ProductBrand"));
    queryCategoryList = make("queryCategoryList", CategoryListSql());
    queryUserGroup = make("queryUserGroup", QStringLiteral("SELECT *\nFROM UserGroup"));
}

TMainDM::~TMainDM() {
    for (DataSet* ds : m_queries) ds->close();
    MainConn.close();
}

void TMainDM::checkDataFile() {
    // A file that opens but is no data file of ours must be refused before
    // anyone logs in; the check only reads.
    Statement st(MainConn, QStringLiteral("select sysValue from SysConfig where sysKey='VersionType'"));
    if (!st.step() || st.value(0).toString().compare(QStringLiteral("general"), Qt::CaseInsensitive) != 0)
        throw DbError(QStringLiteral("%1 不是本程序的数据文件.").arg(MainConn.fileName()));
    // The columns the start reads (login, settings) must all be there, or the
    // login would fail halfway with the engine's text.
    const struct {
        const char* table;
        const char* columns[5];
    } needed[] = {
        {"Users", {"id", "userName", "password", "canLogin", "userGroupID"}},
        {"SysConfig", {"sysKey", "sysValue", "section"}},
    };
    for (const auto& t : needed) {
        QSet<QString> present;
        MainConn.select(QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(t.table)), {},
                        [&present](const Statement& row) {
                            present.insert(row.value(1).toString().toLower());
                            return true;
                        });
        for (const char* c : t.columns)
            if (c && !present.contains(QString::fromLatin1(c).toLower()))
                throw DbError(QStringLiteral("数据文件缺少 %1.%2 列, 不能使用: %3")
                                  .arg(QLatin1String(t.table), QLatin1String(c), MainConn.fileName()));
    }
}

void TMainDM::upgradeIndexes() {
    // The line indexes hold both keys since the lists search by product and
    // by document through them, and the number indexes of the purchase and
    // sale lines what the statistics sum; the documents' number indexes hold
    // the partner, tested as the lines list walks them. A file made before
    // gets them once.
    const struct {
        const char* name;
        const char* table;
        const char* columns;
    } wanted[] = {
        {"idxInputFormNO", "InputForm", "inputNO, supplierID"},
        {"idxOutputFormNO", "OutputForm", "outputNO, customerID"},
        {"idxRefundFormNO", "RefundForm", "refundNO, cosID"},
        {"idxInputDetailNO", "InputDetail", "inputNO, productID, quantity, totalPrice"},
        {"idxInputDetailProduct", "InputDetail", "productID, inputNO"},
        {"idxOutputDetailNO", "OutputDetail", "outputNO, productID, quantity, totalPrice, unitStorageCost"},
        {"idxOutputDetailProduct", "OutputDetail", "productID, outputNO"},
        {"idxRefundDetailNO", "RefundDetail", "refundNO, productID"},
        {"idxRefundDetailProduct", "RefundDetail", "productID, refundNO"},
    };
    std::unique_ptr<TransactionGuard> t;
    for (const auto& w : wanted) {
        const QString name = QLatin1String(w.name);
        int columns = 0;
        MainConn.select(QStringLiteral("PRAGMA index_info(%1)").arg(name), {}, [&columns](const Statement&) {
            ++columns;
            return true;
        });
        if (columns == int(QString::fromLatin1(w.columns).count(QLatin1Char(',')) + 1)) continue;
        if (!t) t = std::make_unique<TransactionGuard>(MainConn);
        MainConn.execute(QStringLiteral("DROP INDEX IF EXISTS %1").arg(name));
        MainConn.execute(QStringLiteral("CREATE INDEX %1 ON %2(%3)")
                             .arg(name, QLatin1String(w.table), QLatin1String(w.columns)));
    }
    // Indexes added since: a file made before gets them once.
    const struct {
        const char* name;
        const char* definition;
    } added[] = {
        {"idxOutputDetailNoCost", "OutputDetail(productID) WHERE (unitStorageCost IS NULL OR unitStorageCost <= 0)"},
    };
    for (const auto& a : added) {
        if (MainConn.exists(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = :name"),
                            {{QStringLiteral("name"), QString::fromLatin1(a.name)}}))
            continue;
        if (!t) t = std::make_unique<TransactionGuard>(MainConn);
        MainConn.execute(QStringLiteral("CREATE INDEX %1 ON %2").arg(QLatin1String(a.name), QLatin1String(a.definition)));
    }
    if (t) t->commit();
}

void TMainDM::Startup(const QString& dataFile) {
    MainConn.close();
    MainConn.open(dataFile);
    try {
        checkDataFile();
        MainConn.checkWritable();
        MainConn.useWal();
        upgradeIndexes();
        addProductSearch(MainConn);
    } catch (...) {
        MainConn.close();
        throw;
    }
    // The big lists are read as they are used (the first look-up reads them
    // whole), so that years of products do not slow every start.
    for (DataSet* big : {queryProduct, querySupplier, queryCustomer}) big->setFetchBlock(256);
    querySupplier->setSql(QStringLiteral("SELECT * FROM Supplier"));
    queryProduct->setSql(QStringLiteral("SELECT * FROM Product"));
    for (DataSet* ds : m_queries) ds->open();
}
