// The import engine over files made by spreadsheet programs: what it writes
// under each rule, what it skips, and what a cancelled or failed run leaves.
#include "dberror.h"
#include "importfixture.h"
#include "importsource.h"
#include "productimporter.h"
#include "testsupport.h"

#include <QtTest>

using namespace importfixture;

namespace {
// A data file with 全部商品 > 服装 > 衬衫, and an importer over one file
// whose columns are mapped as the wizard guesses them.
struct Run {
    TestDb db;
    std::unique_ptr<TImportSource> source;
    TProductImporter importer{db.conn()};

    explicit Run(const QString& path = file("products.xls"), const QString& table = "Sheet1") {
        db.exec("insert into ProductCategory(id, parentID, categoryName) values (2, 1, '服装'), (3, 2, '衬衫')");
        source = TImportSource::Open(path);
        importer.SetSource(source.get(), table);
        const QStringList keys = TProductImporter::Keys();
        const QStringList columns{"商品编码", "商品名称", "型号", "规格", "商品目录", "销售价", "单位"};
        for (int i = 0; i < keys.size(); ++i)
            importer.SetMapping(keys[i], columns[i]);
    }
    int count(const QString& sql) { return db.scalar(sql).toInt(); }
    // Every product as "name|code|model|规格|category<parent|unit|price",
    // by name; NULL texts show as <null>, a unit id without a unit as #id.
    QStringList products() {
        QStringList out;
        db.conn().select(
            "select p.productName || '|' || ifnull(p.productCode, '<null>') || '|' || ifnull(p.product_model, '<null>')"
            " || '|' || ifnull(p.product_spec, '<null>') || '|' || ifnull(c.categoryName, '?') || '<'"
            " || ifnull(pc.categoryName, '') || '|' || ifnull(u.unitName, '#' || p.storageUnit) || '|'"
            " || printf('%g', p.salePrice)"
            " from Product p left join ProductCategory c on c.id = p.categoryID"
            " left join ProductCategory pc on pc.id = c.parentID left join ProductUnit u on u.id = p.storageUnit"
            " order by p.productName, p.id",
            {}, [&](const Statement& st) {
                out << st.value(0).toString();
                return true;
            });
        return out;
    }
};

const QString kShirt = "白衬衫|6901234567890|M1|S1|衬衫<服装|件|99.5";
const QString kJeans = "牛仔裤|C100|J1|L|裤装<全部商品|条|128";
const QString kShoes = "运动鞋|C101||42码|全部商品<|双|0";
const QString kScarf = "围巾|C103|W1||配饰/冬季<全部商品|条|15";
const QString kGloves = "手套|C104|G1|M|配饰/冬季<全部商品|#-1|0";
} // namespace

class TestProductImporter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { importfixture::useReaderProgram(); }
    void importsEveryNamedRow_data();
    void importsEveryNamedRow();
    void rules_data();
    void rules();
    void sheetNameEndingInDollar();
    void emptySheetWritesNoLog();
    void cancelHalfWay_data();
    void cancelHalfWay();
    void failureKeepsRowsWritten();
    void searchIndexFollowsTheImport_data();
    void searchIndexFollowsTheImport();
    void writesWhileAListIsBeingRead();
    void accessTable();
};

void TestProductImporter::importsEveryNamedRow_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("xls") << file("products.xls");
    QTest::newRow("xlsx") << file("products.xlsx");
    QTest::newRow("csv utf-8") << file("products-utf8.csv");
    QTest::newRow("csv gbk") << file("products-gbk.csv");
}

void TestProductImporter::importsEveryNamedRow() {
    QFETCH(QString, path);
    Run r(path, TImportSource::Open(path)->Tables().first());
    QList<int> progress;
    bool finished = false;
    r.importer.OnProgress = [&](int min, int pos, int max, bool&) {
        QCOMPARE(min, 1);
        QCOMPARE(max, 6);
        progress << pos;
    };
    r.importer.OnFinish = [&] { finished = true; };
    r.importer.Run();
    QVERIFY(finished);
    QCOMPARE(progress, (QList<int>{1, 2, 3, 4, 5, 6}));
    QCOMPARE(r.importer.Imported, 5);
    QCOMPARE(r.importer.Skipped, 1); // the row without a name
    // The shirt's category exists; the others are made once under the root,
    // 条 is made once for two rows, 件 is found.
    QStringList expected{kScarf, kGloves, kShirt, kJeans, kShoes};
    expected.sort();
    QStringList got = r.products();
    got.sort();
    QCOMPARE(got, expected);
    QCOMPARE(r.count("select count(*) from ProductUnit where unitName in ('条', '双', '件')"), 3);
    QCOMPARE(r.count("select count(*) from ProductCategory where categoryName='配饰/冬季'"), 1);
    QCOMPARE(r.count("select count(*) from ImportLog"), 1);
    const int log = r.importer.ImportLogID;
    QCOMPARE(r.count("select count(*) from ImportLog where module='PRODUCT' and recordCount=6 and success=5"
                     " and startDate is not null and endDate is not null"),
             1);
    QCOMPARE(r.count(QString("select count(*) from Product where importLogID=%1").arg(log)), 5);
}

void TestProductImporter::rules_data() {
    QTest::addColumn<QString>("seed"); // products there before the run
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("same");
    QTest::addColumn<int>("emptyCategory");
    QTest::addColumn<int>("missingCategory");
    QTest::addColumn<int>("defaultCategory");
    QTest::addColumn<int>("parentCategory");
    QTest::addColumn<QStringList>("unmapped");
    QTest::addColumn<int>("imported");
    QTest::addColumn<QStringList>("products");
    using I = TProductImporter;
    const QString shirt = "insert into Product(id, productCode, productName, product_model, product_spec, categoryID,"
                          " storageUnit, salePrice) values (100, '6901234567890', '白衬衫', %1, 'S1', 3, 1, 50)";
    const QString old = "白衬衫|6901234567890|M1|S1|衬衫<服装|个|50";
    const QStringList rest{kJeans, kGloves, kScarf, kShoes};
    auto with = [&](QStringList l, const QString& first) {
        l.prepend(first);
        return l;
    };
    QTest::newRow("all four match: ignored") << shirt.arg("'M1'") << 15 << int(I::spIgnore) << int(I::ecUseDefault)
                                             << int(I::mcCreate) << 1 << 1 << QStringList() << 4 << with(rest, old);
    QTest::newRow("all four match: overwritten")
        << shirt.arg("'M1'") << 15 << int(I::spOverwrite) << int(I::ecUseDefault) << int(I::mcCreate) << 1 << 1
        << QStringList() << 5 << with(rest, kShirt);
    QTest::newRow("only the model differs: a new product")
        << shirt.arg("'M2'") << 15 << int(I::spIgnore) << int(I::ecUseDefault) << int(I::mcCreate) << 1 << 1
        << QStringList() << 5 << with(with(rest, kShirt), "白衬衫|6901234567890|M2|S1|衬衫<服装|个|50");
    QTest::newRow("code alone matches though the model differs")
        << shirt.arg("'M2'") << int(I::mbCode) << int(I::spIgnore) << int(I::ecUseDefault) << int(I::mcCreate) << 1
        << 1 << QStringList() << 4 << with(rest, "白衬衫|6901234567890|M2|S1|衬衫<服装|个|50");
    QTest::newRow("overwrite with the model unmapped empties it")
        << shirt.arg("'M1'") << int(I::mbName) << int(I::spOverwrite) << int(I::ecUseDefault) << int(I::mcCreate)
        << 1 << 1 << QStringList{"product_model"} << 5
        << QStringList{"围巾|C103|||配饰/冬季<全部商品|条|15", "手套|C104||M|配饰/冬季<全部商品|#-1|0",
                       "白衬衫|6901234567890||S1|衬衫<服装|件|99.5", "牛仔裤|C100||L|裤装<全部商品|条|128",
                       "运动鞋|C101||42码|全部商品<|双|0"};
    QTest::newRow("unmapped model matches an empty model")
        << shirt.arg("''") << int(I::mbCode | I::mbModel) << int(I::spIgnore) << int(I::ecUseDefault)
        << int(I::mcCreate) << 1 << 1 << QStringList{"product_model"} << 4
        << QStringList{"围巾|C103|||配饰/冬季<全部商品|条|15", "手套|C104||M|配饰/冬季<全部商品|#-1|0",
                       "白衬衫|6901234567890||S1|衬衫<服装|个|50", "牛仔裤|C100||L|裤装<全部商品|条|128",
                       "运动鞋|C101||42码|全部商品<|双|0"};
    QTest::newRow("unmapped model never matches a null model")
        << shirt.arg("null") << int(I::mbCode | I::mbModel) << int(I::spIgnore) << int(I::ecUseDefault)
        << int(I::mcCreate) << 1 << 1 << QStringList{"product_model"} << 5
        << QStringList{"围巾|C103|||配饰/冬季<全部商品|条|15", "手套|C104||M|配饰/冬季<全部商品|#-1|0",
                       "白衬衫|6901234567890|<null>|S1|衬衫<服装|个|50", "白衬衫|6901234567890||S1|衬衫<服装|件|99.5",
                       "牛仔裤|C100||L|裤装<全部商品|条|128", "运动鞋|C101||42码|全部商品<|双|0"};
    QTest::newRow("empty category: skipped") << QString() << 15 << int(I::spIgnore) << int(I::ecIgnore)
                                             << int(I::mcCreate) << 1 << 1 << QStringList() << 4
                                             << QStringList{kScarf, kGloves, kShirt, kJeans};
    QTest::newRow("empty category: the chosen default")
        << QString() << 15 << int(I::spIgnore) << int(I::ecUseDefault) << int(I::mcCreate) << 2 << 1
        << QStringList() << 5 << QStringList{kScarf, kGloves, kShirt, kJeans, "运动鞋|C101||42码|服装<全部商品|双|0"};
    QTest::newRow("missing category: skipped") << QString() << 15 << int(I::spIgnore) << int(I::ecUseDefault)
                                               << int(I::mcIgnore) << 1 << 1 << QStringList() << 2
                                               << QStringList{kShirt, kShoes};
    QTest::newRow("missing category: made under the chosen parent")
        << QString() << 15 << int(I::spIgnore) << int(I::ecUseDefault) << int(I::mcCreate) << 1 << 2
        << QStringList() << 5
        << QStringList{"围巾|C103|W1||配饰/冬季<服装|条|15", "手套|C104|G1|M|配饰/冬季<服装|#-1|0", kShirt,
                       "牛仔裤|C100|J1|L|裤装<服装|条|128", kShoes};
}

void TestProductImporter::rules() {
    QFETCH(QString, seed);
    QFETCH(int, mask);
    QFETCH(int, same);
    QFETCH(int, emptyCategory);
    QFETCH(int, missingCategory);
    QFETCH(int, defaultCategory);
    QFETCH(int, parentCategory);
    QFETCH(QStringList, unmapped);
    QFETCH(int, imported);
    QFETCH(QStringList, products);
    Run r;
    if (!seed.isEmpty()) r.db.exec(seed);
    for (const QString& key : unmapped)
        r.importer.SetMapping(key, QString());
    r.importer.MatchMask = mask;
    r.importer.SameAction = TProductImporter::SameProductAction(same);
    r.importer.EmptyCategory = TProductImporter::EmptyCategoryAction(emptyCategory);
    r.importer.MissingCategory = TProductImporter::MissingCategoryAction(missingCategory);
    r.importer.DefaultCategoryID = defaultCategory;
    r.importer.ParentCategoryID = parentCategory;
    r.importer.Run();
    QCOMPARE(r.importer.Imported, imported);
    QCOMPARE(r.importer.Skipped, 6 - imported);
    QStringList got = r.products();
    got.sort();
    products.sort();
    QCOMPARE(got, products);
    QCOMPARE(r.count("select success from ImportLog"), imported);
}

void TestProductImporter::sheetNameEndingInDollar() {
    for (const char* f : {"products.xls", "products.xlsx"}) {
        Run r(file(f), "价格$");
        for (const QString& key : TProductImporter::Keys())
            r.importer.SetMapping(key, QString());
        r.importer.SetMapping("productName", "商品名称");
        r.importer.SetMapping("salePriceStr", "销售价");
        r.importer.Run();
        QCOMPARE(r.products(), (QStringList{"茶壶||||全部商品<|#-1|66.6", "茶杯||||全部商品<|#-1|12"}));
    }
}

void TestProductImporter::emptySheetWritesNoLog() {
    Run r(file("products.xls"), "空表");
    for (const QString& key : TProductImporter::Keys())
        r.importer.SetMapping(key, QString());
    bool finished = false;
    r.importer.OnFinish = [&] { finished = true; };
    r.importer.Run();
    QVERIFY(finished);
    QCOMPARE(r.importer.Imported, 0);
    QCOMPARE(r.importer.ImportLogID, -1);
    QCOMPARE(r.count("select count(*) from ImportLog"), 0);
    QCOMPARE(r.count("select count(*) from Product"), 0);
}

// The rows before the stop stay, whether or not their batch was full.
void TestProductImporter::cancelHalfWay_data() {
    QTest::addColumn<int>("batch");
    QTest::addColumn<int>("stopAt");
    QTest::addColumn<int>("imported");
    QTest::newRow("inside a batch") << 2 << 3 << 3;
    QTest::newRow("at a batch's end") << 2 << 4 << 3; // the fourth row has no name
    QTest::newRow("at the first row") << 1000 << 1 << 1;
}

void TestProductImporter::cancelHalfWay() {
    QFETCH(int, batch);
    QFETCH(int, stopAt);
    QFETCH(int, imported);
    Run r;
    r.importer.BatchSize = batch;
    int calls = 0;
    r.importer.OnProgress = [&](int, int pos, int, bool& carryOn) {
        ++calls;
        if (pos == stopAt) carryOn = false;
    };
    r.importer.Run();
    QCOMPARE(calls, stopAt);
    QCOMPARE(r.importer.Processed, stopAt);
    QCOMPARE(r.importer.Imported, imported);
    QVERIFY(!r.db.conn().inTransaction());
    QCOMPARE(r.count("select count(*) from Product"), imported);
    // The log says how many, and that the run did not reach the end.
    QCOMPARE(r.count("select count(*) from ImportLog where recordCount=6 and endDate is null"), 1);
    QCOMPARE(r.count("select success from ImportLog"), imported);
}

void TestProductImporter::failureKeepsRowsWritten() {
    Run r;
    r.importer.BatchSize = 1000;
    r.db.exec("create trigger refuseScarf before insert on Product when new.productName = '围巾'"
              " begin select raise(abort, '不收围巾'); end");
    try {
        r.importer.Run();
        QFAIL("no error");
    } catch (const DbError& e) {
        QVERIFY2(e.text().contains("不收围巾"), qPrintable(e.text()));
    }
    QVERIFY(!r.db.conn().inTransaction());
    QStringList got = r.products();
    got.sort();
    QStringList expected{kShirt, kJeans, kShoes};
    expected.sort();
    QCOMPARE(got, expected);
    // The failed row's new category went with it.
    QCOMPARE(r.count("select count(*) from ProductCategory where categoryName='配饰/冬季'"), 0);
    QCOMPARE(r.count("select count(*) from ImportLog where success=3 and endDate is null"), 1);
}

// The search index is filled a batch at a time during the run; afterwards
// it must hold exactly what indexing every product anew gives, and find
// every imported product by its name.
void TestProductImporter::searchIndexFollowsTheImport_data() {
    QTest::addColumn<QString>("csv"); // the rows after the header 商品编码,商品名称,型号
    QTest::addColumn<int>("batch");
    QTest::addColumn<int>("same");
    QTest::addColumn<int>("stopAt"); // 0: to the end
    QTest::addColumn<bool>("fails"); // a trigger refuses the name 坏
    QTest::addColumn<int>("products");
    using I = TProductImporter;
    const QString some = "A1,茶杯,M1\nA2,茶壶,M2\nA3,盖碗,M3\nA4,Tea Pot 大号,M4\nA5,杯,M5\n";
    QTest::newRow("whole run") << some << 1000 << int(I::spIgnore) << 0 << false << 6;
    QTest::newRow("batches of two") << some << 2 << int(I::spIgnore) << 0 << false << 6;
    QTest::newRow("existing product overwritten")
        << "B1,旧茶杯,M9\n" + some << 2 << int(I::spOverwrite) << 0 << false << 6;
    // The second 茶杯 overwrites the first before their batch is indexed.
    QTest::newRow("overwrite of a row from the same batch")
        << some + "A1,新茶杯,M1\nA6,茶盘,M6\nA6,大茶盘,M0\n" << 1000 << int(I::spOverwrite) << 0 << false << 7;
    QTest::newRow("cancelled inside a batch") << some << 4 << int(I::spIgnore) << 3 << false << 4;
    QTest::newRow("failed inside a batch") << some + "A7,坏,M7\nA8,好,M8\n" << 4 << int(I::spIgnore) << 0 << true << 6;
}

void TestProductImporter::searchIndexFollowsTheImport() {
    QFETCH(QString, csv);
    QFETCH(int, batch);
    QFETCH(int, same);
    QFETCH(int, stopAt);
    QFETCH(bool, fails);
    QFETCH(int, products);
    TestDb db;
    db.exec("insert into Product(productCode, productName, product_model) values ('B1', '旧茶杯', 'M9')");
    if (fails)
        db.exec("create trigger refuseBad before insert on Product when new.productName = '坏'"
                " begin select raise(abort, '不收'); end");
    auto source = TImportSource::OpenCsv(("商品编码,商品名称,型号\n" + csv).toUtf8(), "t");
    TProductImporter importer(db.conn());
    importer.SetSource(source.get(), "t");
    importer.SetMapping("productCode", "商品编码");
    importer.SetMapping("productName", "商品名称");
    importer.SetMapping("product_model", "型号");
    importer.MatchMask = TProductImporter::mbCode;
    importer.SameAction = TProductImporter::SameProductAction(same);
    importer.BatchSize = batch;
    importer.OnProgress = [&](int, int pos, int, bool& carryOn) { carryOn = pos != stopAt; };
    try {
        importer.Run();
        QVERIFY(!fails);
    } catch (const DbError& e) {
        QVERIFY2(fails, qPrintable(e.text()));
    }
    QCOMPARE(db.scalar("select count(*) from Product").toInt(), products);
    QCOMPARE(db.scalar("select count(*) from ProductSearchHold").toInt(), 0);
    // Every product is found by its whole name (the index keeps two U+0001
    // after each text, so that even a name of one character makes a trigram).
    QCOMPARE(db.scalar("select count(*) from Product p where p.id not in (select rowid from ProductSearch"
                       " where ProductSearch match 'productName:\"' || lower(p.productName) || char(1, 1) || '\"')")
                 .toInt(),
             0);
    // And the index is the one indexing every product anew makes.
    db.conn().executeScript("create virtual table Fresh using fts5(productCode, productName, product_model, product_spec,"
            " tokenize='trigram case_sensitive 1');"
            "insert into Fresh(rowid, productCode, productName, product_model, product_spec)"
            " select * from ProductSearchText;"
            "create virtual table FreshTerms using fts5vocab(Fresh, instance)");
    db.exec("insert into ProductSearch(ProductSearch) values('integrity-check')");
    const QString terms = "select term, doc, col, offset from %1";
    QCOMPARE(db.scalar("select count(*) from ProductSearchTerms").toInt(),
             db.scalar("select count(*) from FreshTerms").toInt());
    QCOMPARE(db.scalar(QString("select count(*) from (%1 except %2)").arg(terms.arg("ProductSearchTerms"), terms.arg("FreshTerms")))
                 .toInt(),
             0);
    QCOMPARE(db.scalar(QString("select count(*) from (%1 except %2)").arg(terms.arg("FreshTerms"), terms.arg("ProductSearchTerms")))
                 .toInt(),
             0);
}

// The product list reads lazily while the import writes: a second writing
// connection would find the file locked.
void TestProductImporter::writesWhileAListIsBeingRead() {
    Run r;
    for (int i = 0; i < 300; ++i)
        r.db.exec(QString("insert into Product(productName) values ('旧%1')").arg(i));
    Statement list(r.db.conn().reader(), "select productName from Product");
    QVERIFY(list.step());
    r.importer.Run();
    QCOMPARE(r.importer.Imported, 5);
    QVERIFY(list.step());
    QCOMPARE(r.count("select count(*) from Product"), 305);
}

void TestProductImporter::accessTable() {
    const QString path = shared("DateTestDatabase.mdb");
    if (!QFile::exists(path)) QSKIP("sample file absent");
    Run r(path, "DateTest");
    for (const QString& key : TProductImporter::Keys())
        r.importer.SetMapping(key, QString());
    r.importer.SetMapping("productName", "ShortTextCol");
    r.importer.SetMapping("productCode", "IDCol");
    r.importer.Run();
    const TImportTable t = r.source->Read("DateTest");
    int named = 0;
    for (const QStringList& row : t.rows)
        named += row.at(5).trimmed().isEmpty() ? 0 : 1;
    QVERIFY(named > 0);
    QCOMPARE(r.importer.Imported + r.importer.Skipped, int(t.rows.size()));
    QCOMPARE(r.count("select count(*) from Product"), r.importer.Imported);
}

QTEST_GUILESS_MAIN(TestProductImporter)
#include "tst_productimporter.moc"
