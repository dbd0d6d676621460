#include "dataset.h"
#include "datasetmodel.h"
#include "dberror.h"
#include "displayformat.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QtTest>
#include <limits>

Q_DECLARE_METATYPE(FieldType)

namespace {
// Three products with units; ids 1..3 in name order.
void seedProducts(TestDb& db) {
    db.exec(
        "INSERT INTO Product(id, productCode, productName, salePrice, storageUnit) VALUES "
        "(1, 'A01', '铅笔', 1.5, 1), (2, 'a02', '钢笔', 12.25, 2), (3, 'B01', '墨水', NULL, 9)");
}
QList<QVariant> column(DataSet& ds, const QString& name) {
    QList<QVariant> out;
    for (int r = 0; r < ds.recordCount(); ++r)
        out << ds.valueAt(r, name);
    return out;
}
// Product names in the file, in id order.
QString storedNames(TestDb& db) {
    return db
        .scalar(
            "SELECT group_concat(productName) FROM (SELECT productName FROM Product ORDER BY id)")
        .toString();
}
QList<QVariant> ids(std::initializer_list<qint64> l) {
    QList<QVariant> out;
    for (qint64 i : l)
        out << QVariant(i);
    return out;
}
} // namespace

class TestDataSet : public QObject {
    Q_OBJECT
private slots:
    void openCloseRequery();
    void failedOpenStaysInactive();
    void stateChangedSequence();
    void forwardAndBackwardLoops();
    void moveBy_data();
    void moveBy();
    void reselectingCurrentRowKeepsEdit();
    void locateFindRowLookup();
    void duplicateColumnNamesFromJoin();
    void typesFromDeclaredTypes_data();
    void typesFromDeclaredTypes();
    void foreignTextInNumberColumnStillOpens();
    void valuesReadAsStored_data();
    void valuesReadAsStored();
    void expressionValuesAsGiven();
    void setValueTakesOrRefuses_data();
    void setValueTakesOrRefuses();
    void editorChecksRefusePost();
    void lookupFieldAgainstOtherDataSet();
    void lookupFollowsItsList_data();
    void lookupFollowsItsList();
    void calculatedField();
    void changeHandler();
    void namedParameters();
    void insertGetsNewId();
    void updateWritesChangedRow();
    void deleteRemovesRow();
    void updateOfRowDeletedUnderneathFails();
    void cancelInsertRemovesRow();
    void batchApplyWritesEverything();
    void batchFailureIsAllOrNothing();
    void batchCancelRestores();
    void lazyFetchInBlocks();
    void writeWhileLazyCursorPending();
    void disabledControlsEmitOneReset();
    void formatFloat_data();
    void formatFloat();
    void fieldDisplayFormatSurvivesRequery();
};

void TestDataSet::openCloseRequery() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, productName FROM Product ORDER BY id");
    ds.open();
    QVERIFY(ds.isActive());
    QCOMPARE(ds.state(), DataSet::State::Browse);
    QCOMPARE(ds.recordCount(), 3);
    QCOMPARE(ds.recNo(), 1);
    QCOMPARE(ds.fieldNames(), QStringList({"id", "productName"}));

    db.exec("INSERT INTO Product(id, productName) VALUES (4, '橡皮')");
    QCOMPARE(ds.recordCount(), 3); // rows are a snapshot until requery
    ds.setRecNo(2);
    ds.requery();
    QCOMPARE(ds.recordCount(), 4);
    QCOMPARE(ds.valueAt(3, "productName").toString(), QString("橡皮"));

    QSignalSpy reset(&ds, &DataSet::rowsReset);
    ds.close();
    QVERIFY(!ds.isActive());
    QCOMPARE(ds.fieldCount(), 0);
    QCOMPARE(ds.recNo(), 0);
    QVERIFY(ds.bof() && ds.eof());
    QCOMPARE(reset.count(), 1);
    QVERIFY(ds.findField("id") == nullptr);
    QVERIFY_THROWS_EXCEPTION(AppError, ds.field("id"));
}

void TestDataSet::failedOpenStaysInactive() {
    TestDb db;
    DataSet ds(&db.conn());
    QVERIFY_THROWS_EXCEPTION(AppError, ds.open()); // no statement
    ds.setSql("SELECT nosuchcolumn FROM Product");
    QSignalSpy states(&ds, &DataSet::stateChanged);
    QVERIFY_THROWS_EXCEPTION(DbError, ds.open());
    QVERIFY(!ds.isActive());
    QCOMPARE(ds.fieldCount(), 0);
    QCOMPARE(states.count(), 0);
}

void TestDataSet::stateChangedSequence() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, productName FROM Product ORDER BY id");
    ds.setUpdateTable("Product");
    QList<DataSet::State> seen;
    connect(&ds, &DataSet::stateChanged, this, [&](DataSet::State s) { seen << s; });
    ds.open();
    ds.edit();
    ds.edit(); // already editing: no second signal
    ds.cancel();
    ds.append();
    ds.setValue("productName", "尺子");
    ds.post();
    ds.setValue("productName", "直尺"); // setValue starts an edit by itself
    QCOMPARE(ds.state(), DataSet::State::Edit);
    ds.post();
    ds.close();
    using S = DataSet::State;
    QCOMPARE(seen, QList<S>({S::Browse, S::Edit, S::Browse, S::Insert, S::Browse, S::Edit,
                             S::Browse, S::Inactive}));
}

void TestDataSet::forwardAndBackwardLoops() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id FROM Product ORDER BY id");
    ds.open();
    QList<QVariant> forward, backward;
    for (ds.first(); !ds.eof(); ds.next())
        forward << ds.value("id");
    QCOMPARE(forward, ids({1, 2, 3}));
    QCOMPARE(ds.recNo(), 3); // eof leaves the last row current
    for (ds.last(); !ds.bof(); ds.prior())
        backward << ds.value("id");
    QCOMPARE(backward, ids({3, 2, 1}));
    QCOMPARE(ds.recNo(), 1);

    QSignalSpy moved(&ds, &DataSet::currentChanged);
    ds.setRecNo(3);
    QCOMPARE(ds.value("id").toLongLong(), 3);
    ds.setRecNo(99); // past the end clamps to the last row
    QCOMPARE(ds.recNo(), 3);
    QCOMPARE(moved.count(), 1);

    ds.setSql("SELECT id FROM Product WHERE id > 100");
    ds.open();
    QVERIFY(ds.isEmpty());
    QCOMPARE(ds.recNo(), 0);
    ds.first();
    QVERIFY(ds.bof() && ds.eof());
    int visits = 0;
    for (ds.first(); !ds.eof(); ds.next())
        ++visits;
    QCOMPARE(visits, 0);
    QVERIFY(ds.value("id").isNull());
}

void TestDataSet::moveBy_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("recNo");
    QTest::addColumn<bool>("bof");
    QTest::addColumn<bool>("eof");
    QTest::newRow("forward one") << 1 << 1 << 2 << false << false;
    QTest::newRow("back one") << 3 << -1 << 2 << false << false;
    QTest::newRow("onto last") << 1 << 2 << 3 << false << false;
    QTest::newRow("past end") << 2 << 5 << 3 << false << true;
    QTest::newRow("before start") << 2 << -5 << 1 << true << false;
    QTest::newRow("zero") << 2 << 0 << 2 << false << false;
}

void TestDataSet::moveBy() {
    QFETCH(int, start);
    QFETCH(int, delta);
    QFETCH(int, recNo);
    QFETCH(bool, bof);
    QFETCH(bool, eof);
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id FROM Product ORDER BY id");
    ds.open();
    ds.setRecNo(start);
    ds.moveBy(delta);
    QCOMPARE(ds.recNo(), recNo);
    QCOMPARE(ds.bof(), bof);
    QCOMPARE(ds.eof(), eof);
}

void TestDataSet::reselectingCurrentRowKeepsEdit() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, productName FROM Product ORDER BY id");
    ds.setUpdateTable("Product");
    ds.open();
    ds.setRecNo(2);
    ds.setValue("productName", "新钢笔");
    ds.setRecNo(2); // a view confirming its selection
    QCOMPARE(ds.state(), DataSet::State::Edit);
    QCOMPARE(db.scalar("SELECT productName FROM Product WHERE id = 2").toString(), QString("钢笔"));
    ds.setRecNo(1); // leaving the row posts
    QCOMPARE(ds.state(), DataSet::State::Browse);
    QCOMPARE(db.scalar("SELECT productName FROM Product WHERE id = 2").toString(),
             QString("新钢笔"));
}

void TestDataSet::locateFindRowLookup() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, productCode, productName FROM Product ORDER BY id");
    ds.setInMemory(true);
    ds.open();
    QVERIFY(ds.locate("productCode", "B01"));
    QCOMPARE(ds.recNo(), 3);
    QVERIFY(!ds.locate("productCode", "A02")); // case matters unless asked
    QCOMPARE(ds.recNo(), 3);                   // a miss does not move
    QVERIFY(ds.locate("productCode", "A02", true));
    QCOMPARE(ds.recNo(), 2);
    // Keys match across number and text forms, as a key typed in a box does.
    QCOMPARE(ds.findRow("id", QVariant("3")), 2);
    QCOMPARE(ds.findRow("id", QVariant(2.0)), 1);
    QCOMPARE(ds.findRow("id", QVariant(9)), -1);
    QCOMPARE(ds.lookup("id", 2, "productName").toString(), QString("钢笔"));
    QVERIFY(ds.lookup("id", 7, "productName").isNull());
    QVERIFY(ds.lookup("id", QVariant(), "productName").isNull());
    // The index follows edits.
    ds.setRecNo(1);
    ds.setValue("productCode", "Z99");
    ds.post();
    QCOMPARE(ds.findRow("productCode", "Z99"), 0);
    QCOMPARE(ds.findRow("productCode", "A01"), -1);
}

void TestDataSet::duplicateColumnNamesFromJoin() {
    TestDb db;
    seedProducts(db);
    db.exec("INSERT INTO InputDetail(id, inputNO, productID, quantity, comments) "
            "VALUES (10, 'RK1', 2, 5, '行备注')");
    db.exec("UPDATE Product SET comments = '商品备注' WHERE id = 2");
    DataSet ds(&db.conn());
    ds.setSql("SELECT d.*, p.* FROM InputDetail d LEFT JOIN Product p ON p.id = d.productID");
    ds.open();
    QCOMPARE(ds.value("id").toLongLong(), 10);
    QCOMPARE(ds.value("Product.id").toLongLong(), 2);
    QCOMPARE(ds.value("comments").toString(), QString("行备注"));
    QCOMPARE(ds.value("product.COMMENTS").toString(), QString("商品备注")); // names ignore case
    QCOMPARE(ds.value("productName").toString(), QString("钢笔"));
    QVERIFY(ds.fieldNames().contains("Product.id"));
    QVERIFY(ds.fieldNames().contains("Product.comments"));
}

void TestDataSet::typesFromDeclaredTypes_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<FieldType>("type");
    QTest::addColumn<int>("metaType");
    QTest::addColumn<int>("size"); // characters the column holds, 0 unlimited
    QTest::newRow("INTEGER") << "id" << FieldType::Integer << int(QMetaType::LongLong) << 0;
    QTest::newRow("VARCHAR") << "inputNO" << FieldType::Text << int(QMetaType::QString) << 50;
    QTest::newRow("VARCHAR(255)") << "comments" << FieldType::Text << int(QMetaType::QString) << 255;
    QTest::newRow("DOUBLE") << "totalPrice" << FieldType::Float << int(QMetaType::Double) << 0;
    QTest::newRow("DATETIME") << "inputDate" << FieldType::DateTime << int(QMetaType::QDateTime) << 0;
    QTest::newRow("BOOLEAN") << "canLogin" << FieldType::Bool << int(QMetaType::Bool) << 0;
    QTest::newRow("count(*)") << "n" << FieldType::Integer << int(QMetaType::LongLong) << 0;
    QTest::newRow("sum of doubles") << "s" << FieldType::Float << int(QMetaType::Double) << 0;
    QTest::newRow("text expression") << "t" << FieldType::Text << int(QMetaType::QString) << 0;
}

void TestDataSet::typesFromDeclaredTypes() {
    QFETCH(QString, field);
    QFETCH(FieldType, type);
    QFETCH(int, metaType);
    QFETCH(int, size);
    TestDb db;
    // A whole number in a DOUBLE column is still a double on screen.
    db.exec("INSERT INTO InputForm(id, inputNO, totalPrice, inputDate, comments) "
            "VALUES (5, 'RK5', 12, '2010-03-05 09:30:00.000', '')");
    DataSet ds(&db.conn());
    ds.setSql("SELECT f.id, f.inputNO, f.totalPrice, f.inputDate, f.comments, u.canLogin, "
              "(SELECT count(*) FROM InputForm) AS n, (SELECT sum(totalPrice) FROM InputForm) AS s, "
              "f.inputNO || 'x' AS t FROM InputForm f, Users u WHERE u.id = 1");
    ds.open();
    Field* f = ds.field(field);
    QCOMPARE(f->type(), type);
    QCOMPARE(f->value().typeId(), metaType);
    QCOMPARE(f->size(), size);
    if (type == FieldType::DateTime)
        QCOMPARE(f->asDateTime(), QDateTime(QDate(2010, 3, 5), QTime(9, 30)));
    if (type == FieldType::Bool) QVERIFY(f->asBoolean());
}

void TestDataSet::foreignTextInNumberColumnStillOpens() {
    TestDb db;
    db.exec("INSERT INTO Product(id, productName, salePrice) VALUES (1, 'x', 'abc'), (2, 'y', 3)");
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, salePrice FROM Product ORDER BY id");
    ds.open();
    QCOMPARE(ds.recordCount(), 2);
    QCOMPARE(ds.valueAt(0, "salePrice").toString(), QString("abc"));
    QCOMPARE(ds.valueAt(1, "salePrice").typeId(), int(QMetaType::Double));
}

void TestDataSet::valuesReadAsStored_data() {
    QTest::addColumn<QString>("decl");      // the column's declared type
    QTest::addColumn<QString>("stored");    // what is written into it, as SQL
    QTest::addColumn<QVariant>("value");    // what the dataset gives back
    QTest::addColumn<QString>("display");   // what a grid shows
    const QByteArray blob("\x00\xff" "A", 3);
    QTest::newRow("Chinese text") << "VARCHAR(50)" << "'商品 铅笔 ½'" << QVariant("商品 铅笔 ½") << "商品 铅笔 ½";
    QTest::newRow("empty text") << "VARCHAR(50)" << "''" << QVariant(QString("")) << "";
    QTest::newRow("NULL text") << "VARCHAR(50)" << "NULL" << QVariant() << "";
    QTest::newRow("number in a text column") << "VARCHAR(50)" << "12" << QVariant("12") << "12";
    QTest::newRow("UTF-8 bytes in a text column") << "VARCHAR(50)" << "x'e59586'" << QVariant("商") << "商";
    QTest::newRow("integer beyond 2^53") << "INTEGER" << "9007199254740993"
                                          << QVariant(qint64(9007199254740993LL)) << "9007199254740993";
    QTest::newRow("smallest integer") << "INTEGER" << "-9223372036854775808"
                                      << QVariant(std::numeric_limits<qint64>::min())
                                      << "-9223372036854775808";
    QTest::newRow("NULL integer") << "INTEGER" << "NULL" << QVariant() << "";
    QTest::newRow("fraction in an integer column") << "INTEGER" << "1.5" << QVariant(1.5) << "1.5";
    QTest::newRow("text in an integer column") << "INTEGER" << "'12abc'" << QVariant("12abc") << "12abc";
    QTest::newRow("double") << "DOUBLE" << "0.1" << QVariant(0.1) << "0.1";
    QTest::newRow("whole double") << "DOUBLE" << "12" << QVariant(12.0) << "12";
    QTest::newRow("large double") << "DOUBLE" << "1e300" << QVariant(1e300) << "1e+300";
    QTest::newRow("text in a double column") << "DOUBLE" << "'abc'" << QVariant("abc") << "abc";
    QTest::newRow("date and time") << "DATETIME" << "'2010-03-05 09:30:00.000'"
                                   << QVariant(QDateTime(QDate(2010, 3, 5), QTime(9, 30))) << "2010-03-05 09:30:00";
    QTest::newRow("date alone") << "DATETIME" << "'2010-03-05'"
                                << QVariant(QDateTime(QDate(2010, 3, 5), QTime(0, 0))) << "2010-03-05";
    QTest::newRow("blank date") << "DATETIME" << "'  '" << QVariant() << "";
    QTest::newRow("NULL date") << "DATETIME" << "NULL" << QVariant() << "";
    QTest::newRow("words in a date column") << "DATETIME" << "'soon'" << QVariant("soon") << "soon";
    QTest::newRow("number in a date column") << "DATETIME" << "40000" << QVariant(qint64(40000)) << "40000";
    QTest::newRow("true") << "BOOLEAN" << "1" << QVariant(true) << "是";
    QTest::newRow("false") << "BOOLEAN" << "0" << QVariant(false) << "否";
    QTest::newRow("yes as text") << "BOOLEAN" << "'yes'" << QVariant(true) << "是";
    QTest::newRow("blob") << "BLOB" << "x'00ff41'" << QVariant(blob) << QString::fromUtf8(blob);
    QTest::newRow("untyped integer") << "" << "5" << QVariant(qint64(5)) << "5";
    QTest::newRow("untyped text") << "" << "'五'" << QVariant("五") << "五";
    QTest::newRow("untyped real") << "" << "2.5" << QVariant(2.5) << "2.5";
}

// Every value reads back as the engine stored it, whether the list was read
// a block at a time, whole for a batch, or read-only, and after the row was
// edited and cancelled or posted.
void TestDataSet::valuesReadAsStored() {
    QFETCH(QString, decl);
    QFETCH(QString, stored);
    QFETCH(QVariant, value);
    QFETCH(QString, display);
    TestDb db;
    db.exec("CREATE TABLE Cell(id INTEGER PRIMARY KEY, v " + decl + ", note VARCHAR(20))");
    enum Mode { Writable, Batch, ReadOnly };
    for (const Mode mode : {Writable, Batch, ReadOnly}) {
        db.exec("DELETE FROM Cell");
        db.exec("INSERT INTO Cell(id, v, note) VALUES (1, " + stored + ", 'a'), (2, " + stored + ", 'b')");
        const QByteArray where = QByteArray("mode ") + QByteArray::number(int(mode));
        DataSet ds(&db.conn());
        ds.setSql("SELECT id, v, note FROM Cell ORDER BY id");
        if (mode != ReadOnly) ds.setUpdateTable("Cell");
        ds.setCachedUpdates(mode == Batch);
        ds.setFetchBlock(1);
        ds.open();
        auto check = [&](int row, const char* step) {
            const QVariant got = ds.valueAt(row, "v");
            const QByteArray what = where + ' ' + step;
            QVERIFY2(got.typeId() == value.typeId(), what);
            QVERIFY2(got.isNull() == value.isNull(), what);
            QVERIFY2(got == value, what);
            QVERIFY2(ds.displayTextAt(row, ds.field("v")->index()) == display,
                     what + ' ' + ds.displayTextAt(row, ds.field("v")->index()).toUtf8());
        };
        check(0, "read");
        ds.fetchAll();
        check(1, "read");
        QCOMPARE(ds.field("v")->isNull(), value.isNull());
        if (!value.isNull()) QCOMPARE(ds.findRow("v", value), 0);
        if (mode == ReadOnly) continue;
        ds.edit();
        check(0, "edit");
        ds.setValue("note", "改");
        check(0, "changed beside");
        ds.cancel();
        check(0, "cancelled");
        QVERIFY2(ds.value("note").toString() == QString("a"), where);
        ds.setValue("note", "改");
        ds.post();
        check(0, "posted");
        ds.applyUpdates();
        check(0, "applied");
        QCOMPARE(db.scalar("SELECT note FROM Cell WHERE id = 1").toString(), QString("改"));
        ds.next();
        ds.deleteRecord();
        check(0, "other row deleted");
        if (mode == Batch) {
            ds.cancelUpdates();
            check(1, "deletion undone");
        }
        ds.requery();
        check(0, "requeried");
    }
}

// An expression's values keep the type each row gave, even when a later row
// turns the column from whole numbers to fractions.
void TestDataSet::expressionValuesAsGiven() {
    TestDb db;
    DataSet ds(&db.conn());
    ds.setFetchBlock(2);
    ds.setSql("SELECT x FROM (SELECT 1 AS x UNION ALL SELECT '12' UNION ALL SELECT NULL "
              "UNION ALL SELECT 2.5 UNION ALL SELECT '7')");
    ds.open();
    QCOMPARE(ds.field("x")->type(), FieldType::Integer);
    QCOMPARE(ds.recordCount(), 5);
    QCOMPARE(ds.field("x")->type(), FieldType::Float);
    const QList<QVariant> want = {QVariant(qint64(1)), QVariant(qint64(12)), QVariant(), QVariant(2.5),
                                  QVariant(7.0)};
    for (int r = 0; r < want.size(); ++r) {
        QCOMPARE(ds.valueAt(r, "x").typeId(), want[r].typeId());
        QCOMPARE(ds.valueAt(r, "x"), want[r]);
    }
}

void TestDataSet::setValueTakesOrRefuses_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("stored"); // invalid: refused, the row untouched
    const double inf = std::numeric_limits<double>::infinity();
    const QVariant refused;
    QTest::newRow("number text") << "salePrice" << QVariant("12.5") << QVariant(12.5);
    QTest::newRow("full-width number") << "salePrice" << QVariant("１２．５") << QVariant(12.5);
    QTest::newRow("full-width minus") << "salePrice" << QVariant("－３") << QVariant(-3.0);
    QTest::newRow("trailing letter") << "salePrice" << QVariant("4.5x") << refused;
    QTest::newRow("thousands comma") << "salePrice" << QVariant("1,500") << refused;
    QTest::newRow("currency sign") << "salePrice" << QVariant("12.5元") << refused;
    QTest::newRow("inf as text") << "salePrice" << QVariant("inf") << refused;
    QTest::newRow("nan as text") << "salePrice" << QVariant("nan") << refused;
    QTest::newRow("beyond a double") << "salePrice" << QVariant("1e999") << refused;
    QTest::newRow("infinity") << "salePrice" << QVariant(inf) << refused;
    QTest::newRow("NaN") << "salePrice" << QVariant(std::numeric_limits<double>::quiet_NaN())
                         << refused;
    QTest::newRow("whole double into INTEGER") << "storageUnit" << QVariant(3.0) << QVariant(qint64(3));
    QTest::newRow("full-width integer") << "storageUnit" << QVariant("９") << QVariant(qint64(9));
    QTest::newRow("INTEGER beyond 64 bits") << "storageUnit" << QVariant("99999999999999999999")
                                            << refused;
    QTest::newRow("double beyond 64 bits") << "storageUnit" << QVariant(1e19) << refused;
    QTest::newRow("infinity into INTEGER") << "storageUnit" << QVariant(-inf) << refused;
    QTest::newRow("infinity into text") << "productName" << QVariant(inf) << refused;
    QTest::newRow("text at its size") << "productCode" << QVariant(QString(50, 'x'))
                                      << QVariant(QString(50, 'x'));
    QTest::newRow("text past its size") << "productCode" << QVariant(QString(51, 'x')) << refused;
    QTest::newRow("Chinese at its size") << "productName" << QVariant(QString(100, u'笔'))
                                         << QVariant(QString(100, u'笔'));
    QTest::newRow("Chinese past its size") << "productName" << QVariant(QString(101, u'笔'))
                                           << refused;
}

void TestDataSet::setValueTakesOrRefuses() {
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(QVariant, stored);
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, productCode, productName, salePrice, storageUnit FROM Product ORDER BY id");
    ds.setUpdateTable("Product");
    ds.open();
    const QVariant before = ds.value(field);
    const QString sql = "SELECT " + field + " FROM Product WHERE id = 1";
    if (!stored.isValid()) {
        QVERIFY_THROWS_EXCEPTION(AppError, ds.setValue(field, value));
        QCOMPARE(ds.value(field), before);
        QCOMPARE(ds.state(), DataSet::State::Browse);
        return;
    }
    ds.setValue(field, value);
    QCOMPARE(ds.value(field), stored);
    ds.post();
    QCOMPARE(db.scalar(sql), stored);
}

void TestDataSet::editorChecksRefusePost() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, productName FROM Product ORDER BY id");
    ds.setUpdateTable("Product");
    ds.open();
    bool holding = true;
    int posted = 0;
    ds.beforePost = [&](DataSet&) { ++posted; };
    const int id = ds.addEditorCheck([&] {
        if (holding) throw AppError("请输入有效的数字.");
    });
    ds.checkBrowseMode(); // nothing being edited: no check, nothing to post
    ds.setValue("productName", "改名");
    QVERIFY_THROWS_EXCEPTION(AppError, ds.post());
    QVERIFY_THROWS_EXCEPTION(AppError, ds.next()); // leaving the row posts too
    QCOMPARE(ds.state(), DataSet::State::Edit);
    QCOMPARE(ds.recNo(), 1);
    QCOMPARE(posted, 0);
    QCOMPARE(storedNames(db), QString("铅笔,钢笔,墨水"));
    ds.removeEditorCheck(id);
    ds.post();
    QCOMPARE(storedNames(db), QString("改名,钢笔,墨水"));
}

void TestDataSet::lookupFieldAgainstOtherDataSet() {
    TestDb db;
    seedProducts(db);
    DataSet units(&db.conn());
    units.setSql("SELECT id, unitName FROM ProductUnit");
    units.open();
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, productName, storageUnit FROM Product ORDER BY id");
    ds.setUpdateTable("Product");
    Field* def = ds.addLookupField("unitName", "storageUnit", &units, "id", "unitName");
    QVERIFY(def->isReadOnly());
    ds.open();
    ds.close();
    ds.open(); // the definition survives reopening
    Field* f = ds.field("unitName");
    QCOMPARE(f->kind(), FieldKind::Lookup);
    QCOMPARE(f->type(), FieldType::Text);
    QCOMPARE(column(ds, "unitName"), QList<QVariant>({"个", "件", "米"}));
    ds.first();
    QSignalSpy changed(&ds, &DataSet::fieldChanged);
    ds.setValue("storageUnit", 3);
    QCOMPARE(f->asString(), QString("箱"));
    ds.setValue("storageUnit", 999);
    QVERIFY(f->isNull());
    QVERIFY_THROWS_EXCEPTION(AppError, f->setValue("个"));
    QCOMPARE(changed.count(), 2);
}

void TestDataSet::lookupFollowsItsList_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QVariant>("name"); // product 2's unit name afterwards
    QTest::newRow("renamed in the file, list requeried") << "requery" << QVariant("双");
    QTest::newRow("renamed through the list") << "post" << QVariant("双");
    QTest::newRow("renaming not yet posted") << "edit" << QVariant("双");
    QTest::newRow("rename cancelled") << "cancel" << QVariant("件");
    QTest::newRow("unit deleted") << "delete" << QVariant();
    QTest::newRow("list closed") << "close" << QVariant();
}

void TestDataSet::lookupFollowsItsList() {
    QFETCH(QString, change);
    QFETCH(QVariant, name);
    TestDb db;
    seedProducts(db);
    DataSet units(&db.conn());
    units.setSql("SELECT id, unitName FROM ProductUnit ORDER BY id");
    units.setUpdateTable("ProductUnit");
    units.open();
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, productName, storageUnit FROM Product ORDER BY id");
    ds.addLookupField("unitName", "storageUnit", &units, "id", "unitName");
    ds.open();
    ds.setRecNo(2);
    DataSetModel model(&ds);
    const int column = model.columnOf("unitName");
    QCOMPARE(model.index(1, column).data().toString(), QString("件"));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy moved(&ds, &DataSet::currentChanged);
    units.setRecNo(2);
    if (change == "requery") {
        db.exec("UPDATE ProductUnit SET unitName = '双' WHERE id = 2");
        units.requery();
    } else if (change == "delete") {
        units.deleteRecord();
    } else if (change == "close") {
        units.close();
    } else {
        units.setValue("unitName", "双");
        if (change == "post") units.post();
        if (change == "cancel") units.cancel();
    }
    // The views are told without losing their place.
    QVERIFY(!changed.isEmpty());
    const QModelIndex cell = model.index(1, column);
    bool covered = false;
    for (const QList<QVariant>& args : changed) {
        const QModelIndex from = args.at(0).toModelIndex(), to = args.at(1).toModelIndex();
        covered |= from.row() <= 1 && to.row() >= 1 && from.column() <= column && to.column() >= column;
    }
    QVERIFY(covered);
    QCOMPARE(cell.data(Qt::EditRole), name);
    QCOMPARE(reset.count(), 0);
    QCOMPARE(moved.count(), 0);
    QCOMPARE(ds.recNo(), 2);
}

void TestDataSet::calculatedField() {
    TestDb db;
    db.exec("INSERT INTO InputDetail(id, quantity, unitPrice) VALUES (1, 2, 1.5), (2, NULL, 3)");
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, quantity, unitPrice FROM InputDetail ORDER BY id");
    ds.setUpdateTable("InputDetail");
    ds.addCalculatedField("amount", FieldType::Float, [](const DataSet& d, int row) -> QVariant {
        const QVariant q = d.valueAt(row, "quantity");
        if (q.isNull()) return QVariant();
        return q.toDouble() * d.valueAt(row, "unitPrice").toDouble();
    });
    ds.open();
    QCOMPARE(ds.valueAt(0, "amount").toDouble(), 3.0);
    QVERIFY(ds.valueAt(1, "amount").isNull());
    ds.setRecNo(2);
    ds.setValue("quantity", "4"); // text from an editor becomes a number
    QCOMPARE(ds.value("amount").toDouble(), 12.0);
    QVERIFY(ds.field("amount")->isReadOnly());
    QVERIFY_THROWS_EXCEPTION(AppError, ds.setValue("amount", 1));
    QVERIFY_THROWS_EXCEPTION(AppError, ds.setValue("quantity", "四"));
}

void TestDataSet::changeHandler() {
    TestDb db;
    db.exec("INSERT INTO InputDetail(id, quantity, unitPrice, totalPrice) VALUES (1, 2, 1.5, 3)");
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, quantity, unitPrice, totalPrice FROM InputDetail");
    ds.setUpdateTable("InputDetail");
    ds.open();
    int calls = 0;
    auto recompute = [&](Field&) {
        ++calls;
        ds.setValue("totalPrice",
                    ds.field("quantity")->asFloat() * ds.field("unitPrice")->asFloat());
    };
    ds.field("quantity")->onChange = recompute;
    ds.field("unitPrice")->onChange = recompute;
    ds.setValue("quantity", 4);
    QCOMPARE(ds.value("totalPrice").toDouble(), 6.0);
    ds.setValue("unitPrice", 2.5);
    QCOMPARE(ds.value("totalPrice").toDouble(), 10.0);
    ds.setValue("unitPrice", 2.5); // same value: no change, no handler
    QCOMPARE(calls, 2);
    ds.post();
    QCOMPARE(db.scalar("SELECT totalPrice FROM InputDetail WHERE id = 1").toDouble(), 10.0);
}

void TestDataSet::namedParameters() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id FROM Product WHERE storageUnit >= :Unit AND (productCode LIKE :code "
              "OR :code IS NULL) ORDER BY id");
    ds.setParam(":unit", 2);
    ds.setParam("CODE", QVariant());
    ds.open();
    QCOMPARE(column(ds, "id"), ids({2, 3}));
    ds.setParam("code", "b%");
    QCOMPARE(ds.param(":Code").toString(), QString("b%"));
    ds.requery();
    QCOMPARE(column(ds, "id"), ids({3}));
    ds.clearParams(); // unbound parameters are NULL
    ds.requery();
    QCOMPARE(ds.recordCount(), 0);
}

void TestDataSet::insertGetsNewId() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, productName, salePrice FROM Product ORDER BY id");
    ds.setUpdateTable("Product");
    ds.open();
    QSignalSpy inserted(&ds, &DataSet::rowInserted);
    ds.onNewRecord = [](DataSet& d) { d.setValue("salePrice", 9.5); };
    ds.append();
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(0).toInt(), 3);
    QCOMPARE(ds.value("salePrice").toDouble(), 9.5);
    ds.setValue("productName", "订书机");
    ds.post();
    const qint64 id = db.scalar("SELECT max(id) FROM Product").toLongLong();
    QCOMPARE(id, 4);
    QCOMPARE(ds.value("id").toLongLong(), id);
    QCOMPARE(db.scalar("SELECT productName FROM Product WHERE id = 4").toString(),
             QString("订书机"));
    QVERIFY(!ds.hasPendingUpdates());
}

void TestDataSet::updateWritesChangedRow() {
    TestDb db;
    seedProducts(db);
    db.exec("INSERT INTO InputForm(id, inputNO, auditStatus) VALUES (1, 'RK1', 0)");
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, inputNO, inputDate, auditStatus FROM InputForm");
    ds.setUpdateTable("InputForm");
    ds.open();
    ds.edit();
    ds.setValue("inputDate", QDate(2010, 3, 5));
    ds.setValue("auditStatus", 1);
    ds.post();
    QCOMPARE(db.scalar("SELECT inputDate FROM InputForm WHERE id = 1").toString(),
             QString("2010-03-05 00:00:00.000"));
    QCOMPARE(db.scalar("SELECT auditStatus FROM InputForm WHERE id = 1").toInt(), 1);
    // Another user's change to a column we did not touch survives our post.
    db.exec("UPDATE InputForm SET inputNO = 'RK9' WHERE id = 1");
    ds.setValue("auditStatus", 0);
    ds.post();
    QCOMPARE(db.scalar("SELECT inputNO || auditStatus FROM InputForm").toString(), QString("RK90"));
}

void TestDataSet::deleteRemovesRow() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id FROM Product ORDER BY id");
    ds.setUpdateTable("Product");
    ds.open();
    ds.setRecNo(2);
    bool refuse = true;
    ds.beforeDelete = [&](DataSet&) {
        if (refuse) throw AppError("不能删除");
    };
    QVERIFY_THROWS_EXCEPTION(AppError, ds.deleteRecord());
    QCOMPARE(db.scalar("SELECT count(*) FROM Product").toInt(), 3);
    refuse = false;
    QSignalSpy removed(&ds, &DataSet::rowRemoved);
    ds.deleteRecord();
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(0).toInt(), 1);
    QCOMPARE(column(ds, "id"), ids({1, 3}));
    QCOMPARE(ds.value("id").toLongLong(), 3);
    QCOMPARE(db.scalar("SELECT group_concat(id) FROM Product").toString(), QString("1,3"));
}

void TestDataSet::updateOfRowDeletedUnderneathFails() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, productName FROM Product ORDER BY id");
    ds.setUpdateTable("Product");
    ds.open();
    db.exec("DELETE FROM Product WHERE id = 1");
    ds.setValue("productName", "改名");
    QVERIFY_THROWS_EXCEPTION(DbError, ds.post());
    // The user's typing is kept so it can be copied or cancelled.
    QCOMPARE(ds.state(), DataSet::State::Edit);
    QCOMPARE(ds.value("productName").toString(), QString("改名"));
    ds.cancel();
    QCOMPARE(ds.value("productName").toString(), QString("铅笔"));
    QCOMPARE(db.scalar("SELECT count(*) FROM Product").toInt(), 2);
}

void TestDataSet::cancelInsertRemovesRow() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, productName FROM Product ORDER BY id");
    ds.setUpdateTable("Product");
    ds.open();
    ds.setRecNo(2);
    ds.append();
    ds.setValue("productName", "不要");
    QSignalSpy removed(&ds, &DataSet::rowRemoved);
    ds.cancel();
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(0).toInt(), 3);
    QCOMPARE(ds.recordCount(), 3);
    QCOMPARE(ds.state(), DataSet::State::Browse);
    QCOMPARE(db.scalar("SELECT count(*) FROM Product").toInt(), 3);
}

void TestDataSet::batchApplyWritesEverything() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, productName FROM Product ORDER BY id");
    ds.setUpdateTable("Product");
    ds.setCachedUpdates(true);
    ds.open();
    ds.setValue("productName", "铅笔2");
    ds.setRecNo(3);
    ds.deleteRecord();
    ds.append();
    ds.setValue("productName", "胶水");
    ds.post();
    QVERIFY(ds.hasPendingUpdates());
    QCOMPARE(storedNames(db), QString("铅笔,钢笔,墨水"));
    QVERIFY(ds.value("id").isNull()); // no id before it is stored
    ds.applyUpdates();
    QVERIFY(!ds.hasPendingUpdates());
    QCOMPARE(storedNames(db), QString("铅笔2,钢笔,胶水"));
    QCOMPARE(ds.valueAt(2, "id").toLongLong(),
             db.scalar("SELECT max(id) FROM Product").toLongLong());
    ds.cancelUpdates(); // nothing pending any more
    QCOMPARE(column(ds, "productName"), QList<QVariant>({"铅笔2", "钢笔", "胶水"}));
}

void TestDataSet::batchFailureIsAllOrNothing() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, productName FROM Product ORDER BY id");
    ds.setUpdateTable("Product");
    ds.setCachedUpdates(true);
    ds.open();
    ds.setValue("productName", "改1");
    ds.setRecNo(2);
    ds.setValue("productName", "改2");
    ds.setRecNo(3);
    ds.deleteRecord();
    ds.append();
    ds.setValue("productName", "新");
    ds.post();
    db.exec("DELETE FROM Product WHERE id = 2"); // removed by someone else meanwhile
    const QString before =
        db.scalar("SELECT group_concat(id || productName) FROM Product").toString();
    QVERIFY_THROWS_EXCEPTION(DbError, ds.applyUpdates());
    QCOMPARE(db.scalar("SELECT group_concat(id || productName) FROM Product").toString(), before);
    QVERIFY(!db.conn().inTransaction());
    QVERIFY(ds.hasPendingUpdates());
    QCOMPARE(column(ds, "productName"), QList<QVariant>({"改1", "改2", "新"}));
    QVERIFY(ds.valueAt(2, "id").isNull());
    // Put the row back and the same batch goes through.
    db.exec("INSERT INTO Product(id, productName) VALUES (2, '钢笔')");
    ds.applyUpdates();
    QCOMPARE(storedNames(db), QString("改1,改2,新"));
}

void TestDataSet::batchCancelRestores() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, productName FROM Product ORDER BY id");
    ds.setUpdateTable("Product");
    ds.setCachedUpdates(true);
    ds.open();
    ds.setRecNo(2);
    ds.setValue("productName", "改2");
    ds.setValue("productName", "再改2"); // a second edit keeps the first original
    ds.post();
    ds.first();
    ds.deleteRecord(); // deletes in different places come back where they were
    ds.setRecNo(2);
    ds.deleteRecord();
    ds.append();
    ds.setValue("productName", "新");
    ds.setRecNo(1);
    ds.edit();
    ds.setValue("productName", "未保存"); // an open edit is dropped too
    QSignalSpy reset(&ds, &DataSet::rowsReset);
    ds.cancelUpdates();
    QCOMPARE(reset.count(), 1);
    QVERIFY(!ds.hasPendingUpdates());
    QCOMPARE(ds.state(), DataSet::State::Browse);
    QCOMPARE(column(ds, "id"), ids({1, 2, 3}));
    QCOMPARE(column(ds, "productName"), QList<QVariant>({"铅笔", "钢笔", "墨水"}));
    ds.applyUpdates(); // nothing left to write
    QCOMPARE(storedNames(db), QString("铅笔,钢笔,墨水"));
}

namespace {
void seedMany(TestDb& db, int n) {
    db.exec(QString("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < %1) "
                    "INSERT INTO Product(id, productCode, productName) "
                    "SELECT x, printf('P%05d', x), '商品' || x FROM c")
                .arg(n));
}
} // namespace

void TestDataSet::lazyFetchInBlocks() {
    TestDb db;
    seedMany(db, 10000);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, productCode FROM Product ORDER BY id");
    ds.setFetchBlock(500);
    ds.open();
    QCOMPARE(ds.fetchedCount(), 500);
    QVERIFY(ds.canFetchMore());
    QSignalSpy fetched(&ds, &DataSet::rowsFetched);
    QCOMPARE(ds.fetchMore(100), 100);
    QCOMPARE(fetched.count(), 1);
    QCOMPARE(fetched.at(0).at(0).toInt(), 500);
    QCOMPARE(fetched.at(0).at(1).toInt(), 599);
    ds.setRecNo(2000); // moving on fetches as far as needed
    QCOMPARE(ds.value("productCode").toString(), QString("P02000"));
    QVERIFY(ds.fetchedCount() >= 2000 && ds.fetchedCount() < 10000);
    QCOMPARE(ds.recordCount(), 10000);
    QVERIFY(!ds.canFetchMore());
    QCOMPARE(ds.valueAt(9999, "id").toLongLong(), 10000);
    ds.requery();
    ds.last();
    QCOMPARE(ds.recNo(), 10000);
    // An editable set reads lazily too; finding a row by key reads only up
    // to it, and a key that is not there reads nothing more.
    DataSet editable(&db.conn());
    editable.setSql("SELECT id, productCode FROM Product order by id");
    editable.setUpdateTable("Product");
    editable.setFetchBlock(500);
    editable.open();
    QCOMPARE(editable.fetchedCount(), 500);
    QVERIFY(!editable.locate("id", 99999));
    QCOMPARE(editable.fetchedCount(), 500);
    QVERIFY(editable.locate("id", 3000));
    QVERIFY(editable.fetchedCount() >= 3000 && editable.fetchedCount() < 10000);
    editable.edit();
    editable.setValue("productCode", "X3000");
    editable.post();
    QCOMPARE(db.scalar("select productCode from Product where id=3000").toString(), QString("X3000"));
    QCOMPARE(editable.recordCount(), 10000);
    // Rows held for a batch apply are read whole.
    DataSet batch(&db.conn());
    batch.setSql("SELECT id FROM Product");
    batch.setUpdateTable("Product");
    batch.setCachedUpdates(true);
    batch.setFetchBlock(500);
    batch.open();
    QCOMPARE(batch.fetchedCount(), 10000);
}

void TestDataSet::writeWhileLazyCursorPending() {
    TestDb db;
    seedMany(db, 10000);
    DataSet list(&db.conn());
    list.setSql("SELECT id FROM Product ORDER BY id");
    list.setFetchBlock(100);
    list.open();
    QVERIFY(list.canFetchMore());
    {
        TransactionGuard tx(db.conn());
        db.exec("INSERT INTO ProductUnit(unitName) VALUES ('打')");
        tx.commit();
    }
    DataSet units(&db.conn());
    units.setSql("SELECT id, unitName FROM ProductUnit");
    units.setUpdateTable("ProductUnit");
    units.open();
    units.append();
    units.setValue("unitName", "双");
    units.post();
    QCOMPARE(db.scalar("SELECT count(*) FROM ProductUnit WHERE unitName IN ('打', '双')").toInt(),
             2);
    // A list opened later, read lazily as well, sees both while the first
    // list's cursor is still pending; so does a look-up by key beyond the
    // rows read.
    DataSet later(&db.conn());
    later.setSql("SELECT id, unitName FROM ProductUnit ORDER BY id");
    later.setUpdateTable("ProductUnit");
    later.setFetchBlock(1);
    later.open();
    QVERIFY(later.canFetchMore());
    QVERIFY(later.locate("unitName", "双"));
    QCOMPARE(list.recordCount(), 10000);
    QCOMPARE(list.valueAt(9999, "id").toLongLong(), 10000);
}

void TestDataSet::disabledControlsEmitOneReset() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, productName FROM Product ORDER BY id");
    ds.setInMemory(true);
    ds.open();
    QSignalSpy reset(&ds, &DataSet::rowsReset);
    QSignalSpy fields(&ds, &DataSet::fieldChanged);
    QSignalSpy moved(&ds, &DataSet::currentChanged);
    ds.disableControls();
    for (ds.first(); !ds.eof(); ds.next())
        ds.setValue("productName", ds.field("productName")->asString() + "!");
    QCOMPARE(fields.count(), 0);
    QCOMPARE(moved.count(), 0);
    ds.enableControls();
    QCOMPARE(reset.count(), 1);
    QCOMPARE(moved.count(), 1);
    QCOMPARE(column(ds, "productName"), QList<QVariant>({"铅笔!", "钢笔!", "墨水!"}));
}

void TestDataSet::formatFloat_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero shows empty") << 0.0 << "#.##"
                                      << "";
    QTest::newRow("no leading zero") << 0.5 << "#.##"
                                     << ".5";
    QTest::newRow("no trailing zeros") << 1.5 << "#.##"
                                       << "1.5";
    QTest::newRow("whole") << 12.0 << "#.##"
                           << "12";
    QTest::newRow("binary above half rounds up") << 12.345 << "#.##"
                                                 << "12.35";
    QTest::newRow("binary below half rounds down") << 2.675 << "#.##"
                                                   << "2.67";
    QTest::newRow("exact half away from zero") << 0.125 << "#.##"
                                               << ".13";
    QTest::newRow("carry into integer") << 99.995 << "#.##"
                                        << "100";
    QTest::newRow("tiny is empty") << 0.004 << "#.##"
                                   << "";
    QTest::newRow("thousands") << 1234.5 << "#,##0.00"
                               << "1,234.50";
    QTest::newRow("millions") << 1234567.891 << "#,##0.00"
                              << "1,234,567.89";
    QTest::newRow("below a thousand") << 999.0 << "#,##0.00"
                                      << "999.00";
    QTest::newRow("fixed zero") << 0.0 << "0.00"
                                << "0.00";
    QTest::newRow("fixed") << 3.1 << "0.00"
                           << "3.10";
    QTest::newRow("negative") << -12.345 << "#.##"
                              << "-12.35";
    QTest::newRow("negative fraction") << -0.5 << "#.##"
                                       << "-.5";
    QTest::newRow("negative thousands") << -1234.5 << "#,##0.00"
                                        << "-1,234.50";
    QTest::newRow("negative rounding to zero") << -0.001 << "0.00"
                                               << "0.00";
    QTest::newRow("optional decimals grouped") << 1000.0 << "#,##0.##"
                                               << "1,000";
    QTest::newRow("integer half") << 2.5 << "0"
                                  << "3";
    QTest::newRow("negative section") << -5.0 << "0.00;(0.00)"
                                      << "(5.00)";
    QTest::newRow("zero section") << 0.001 << "0.00;-0.00;零"
                                  << "零";
}

void TestDataSet::formatFloat() {
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QCOMPARE(DisplayFormat::formatFloat(value, pattern), text);
}

void TestDataSet::fieldDisplayFormatSurvivesRequery() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, salePrice FROM Product ORDER BY id");
    ds.setDisplayFormat("SALEPRICE", "#,##0.00");
    ds.open();
    QCOMPARE(ds.field("salePrice")->displayText(), QString("1.50"));
    ds.requery();
    QCOMPARE(ds.displayTextAt(1, ds.field("salePrice")->index()), QString("12.25"));
    QCOMPARE(ds.displayTextAt(2, ds.field("salePrice")->index()), QString()); // NULL is blank
    ds.setDisplayFormat("salePrice", "#.#");
    QCOMPARE(ds.field("salePrice")->displayText(), QString("1.5"));
}

QTEST_GUILESS_MAIN(TestDataSet)
#include "tst_dataset.moc"
