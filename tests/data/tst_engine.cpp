#include "clock.h"
#include "connection.h"
#include "backgroundquery.h"
#include "dataset.h"
#include "dberror.h"
#include "identity.h"
#include "maindm.h"
#include "jetsql.h"
#include "sqltext.h"
#include "testsupport.h"

#include <QDir>
#include <QThread>
#include <QThreadPool>
#include <QFile>
#include <sqlite3.h>
#include <QTemporaryDir>
#include <QtTest>
#include <limits>

class TestEngine : public QObject {
    Q_OBJECT
private slots:
    void connectionTextPath_data();
    void connectionTextPath();
    void openRefusesMissingFile();
    void openTakesThePathWhole_data();
    void openTakesThePathWhole();
    void openListNeverBlocksAWrite();
    void backgroundFirstRow_data();
    void backgroundFirstRow();
    void openFailsOnForeignFileWithoutChangingIt();
    void updateOfNoRowReportsZero();
    void translate_data();
    void translate();
    void identityAfterInsert();
    void namedParameters();
    void dateDiff_data();
    void dateDiff();
    void datePart_data();
    void datePart();
    void nowFollowsClock();
    void roundHalfEven_data();
    void roundHalfEven();
    void sqlTextNumber_data();
    void sqlTextNumber();
    void quoteDoublesQuotes();
    void parseDateTime_data();
    void parseDateTime();
    void guardRollsBackOnException();
    void textComparesWithoutCase();
};

void TestEngine::connectionTextPath_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("path");
    QTest::newRow("odbc") << "Driver={Microsoft Access Driver (*.mdb)};DriverId=25;FIL=MS Access;"
                             "MaxBufferSize=2048;PageTimeout=5;UID=admin;PWD=quillbarrowfen;"
                             "DBQ=/opt/app/db/data_general.db;"
                          << "/opt/app/db/data_general.db";
    QTest::newRow("jet") << "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/home/u/db/a b.db\";"
                            "UID=admin;PWD=quillbarrowfen;"
                         << "/home/u/db/a b.db";
    QTest::newRow("plain") << "/tmp/x.db" << "/tmp/x.db";
}

void TestEngine::connectionTextPath() {
    QFETCH(QString, text);
    QFETCH(QString, path);
    QCOMPARE(Connection::pathFromConnectionText(text), path);
}

void TestEngine::openRefusesMissingFile() {
    QTemporaryDir dir;
    const QString path = dir.path() + "/missing.db";
    Connection c;
    QVERIFY_THROWS_EXCEPTION(DbError, c.open(path));
    QVERIFY(!QFile::exists(path));
    QVERIFY(!c.isOpen());
}

void TestEngine::openTakesThePathWhole_data() {
    QTest::addColumn<QString>("folder");
    QTest::newRow("semicolon") << "t22;x";
    QTest::newRow("equals sign") << "a=b";
    QTest::newRow("looks like a connection text") << "DBQ=z;Data Source=y";
    QTest::newRow("quotes and blanks") << "\"my shop\" 2010";
}

// A program folder may be named anything: the data file is opened at its
// path, and the login's write lands in that file, nowhere else.
void TestEngine::openTakesThePathWhole() {
    QFETCH(QString, folder);
    QTemporaryDir dir;
    const QString home = dir.path() + "/" + folder;
    QVERIFY(QDir().mkpath(home + "/db"));
    const QString path = home + "/db/data_general.db";
    Connection::createFromSchema(path, TestDb::schemaSql());
    {
        TMainDM dm;
        dm.Startup(path);
        QCOMPARE(dm.MainConn.fileName(), path);
        dm.MainConn.execute("insert into SysConfig(sysKey, sysValue, section) values('LastLoginUserID', '1', '')");
    }
    Connection c;
    c.open(path);
    QCOMPARE(c.scalar("select sysValue from SysConfig where sysKey='LastLoginUserID'").toString(), QString("1"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{folder});
}

// A list read lazily keeps a read open on the main connection; the import,
// the restore and any tool beside the program must still be able to write.
void TestEngine::openListNeverBlocksAWrite() {
    TestDb db;
    db.exec("with recursive n(i) as (select 1 union all select i+1 from n where i<10000) "
            "insert into Product(productCode, productName) select 'P' || i, '商品' || i from n");
    TMainDM dm;
    dm.Startup(db.path());
    DataSet list(&dm.MainConn);
    list.setSql("select * from Product order by id");
    list.setFetchBlock(256);
    list.open();
    QVERIFY(list.canFetchMore()); // the read is still open
    QCOMPARE(list.fetchedCount(), 256);

    Connection other;
    other.open(db.path());
    sqlite3_busy_timeout(other.handle(), 200); // a blocked write fails at once, not after 5 s
    // A second connection: a single statement, then a transaction.
    QCOMPARE(other.execute("insert into ProductUnit(unitName) values('箱子')"), 1);
    {
        TransactionGuard t(other);
        other.execute("update Product set salePrice=9 where id=1");
        TIdentityGenerator gen(other);
        TIdentity id;
        gen.Reserve(0, id);
        gen.Commit(id);
        t.commit();
    }
    // The main connection itself: a statement and a dataset's post.
    QCOMPARE(dm.MainConn.execute("update Product set salePrice=7 where id=2"), 1);
    DataSet units(&dm.MainConn);
    units.setSql("select * from ProductUnit");
    units.setUpdateTable("ProductUnit");
    units.open();
    units.append();
    units.setValue("unitName", "捆");
    units.post();

    list.fetchAll();
    QCOMPARE(list.recordCount(), 10000);
    QCOMPARE(db.scalar("select count(*) from ProductUnit where unitName in ('箱子', '捆')").toInt(), 2);
    QCOMPARE(db.scalar("select salePrice from Product where id=1").toInt(), 9);
}

void TestEngine::backgroundFirstRow_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("meanwhile"); // what happens while the read is under way
    QTest::addColumn<QString>("expected");  // first value, "error", or "" for no row
    QTest::newRow("a sum") << "select sum(salePrice), count(*) from Product where id > :from" << "" << "4995";
    QTest::newRow("no row") << "select id from Product where id < 0" << "" << "";
    QTest::newRow("engine error") << "select nothing from Nowhere" << "" << "error";
    QTest::newRow("window gone first") << "select count(*) from Product" << "window gone" << "";
    // The reader is kept for the next sum: it must see what was committed
    // since, not the file as it was at its first read.
    QTest::newRow("kept reader sees a later commit")
        << "select sum(salePrice), count(*) from Product where id > :from" << "commit between" << "5005";
    // A restore releases the file while a long sum is still reading: the sum
    // is given up without an error, and the file is then free to replace.
    QTest::newRow("released while reading")
        << "with recursive n(i) as (select 1 union all select i+1 from n where i<50000000) select sum(i) from n"
        << "release" << "";
}

// Totals run on a reader of their own, off the interface thread; the answer
// comes back on it, and not at all once the window is gone.
void TestEngine::backgroundFirstRow() {
    QFETCH(QString, sql);
    QFETCH(QString, meanwhile);
    QFETCH(QString, expected);
    TestDb db;
    db.exec("with recursive n(i) as (select 1 union all select i+1 from n where i<100) "
            "insert into Product(productName, salePrice) select 'p' || i, i from n");
    auto context = std::make_unique<QObject>();
    int calls = 0;
    QVariantList row;
    QString error;
    auto read = [&] {
        TBackgroundQuery::FirstRow(db.conn(), sql, {{"from", 10}}, context.get(),
                                   [&](const QVariantList& r, const QString& e) {
                                       ++calls;
                                       row = r;
                                       error = e;
                                       QCOMPARE(QThread::currentThread(), qApp->thread());
                                   });
    };
    read();
    if (meanwhile == "window gone") {
        context.reset();
        QThreadPool::globalInstance()->waitForDone();
        QTest::qWait(50);
        QCOMPARE(calls, 0);
        return;
    }
    if (meanwhile == "commit between") {
        QTRY_COMPARE(calls, 1);
        db.exec("insert into Product(productName, salePrice) values ('new', 10)");
        read();
        QTRY_COMPARE(calls, 2);
    }
    if (meanwhile == "release") {
        QTest::qWait(100);
        db.conn().release();
        QTRY_COMPARE(calls, 1);
        Connection probe;
        probe.open(db.path());
        QCOMPARE(probe.scalar("PRAGMA journal_mode=DELETE").toString().toLower(), QString("delete"));
    }
    QTRY_VERIFY(calls > 0);
    if (expected == "error") {
        QVERIFY(!error.isEmpty());
        QVERIFY(row.isEmpty());
    } else {
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(row.value(0).toString(), expected);
    }
}

void TestEngine::openFailsOnForeignFileWithoutChangingIt() {
    QTemporaryDir dir;
    const QString path = dir.path() + "/foreign.db";
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    const QByteArray junk(4096, 'x');
    f.write(junk);
    f.close();
    Connection c;
    bool failed = false;
    try {
        c.open(path);
        c.execute("select count(*) from sqlite_master");
    } catch (const DbError& e) {
        failed = true;
        QVERIFY(!e.text().isEmpty());
    }
    QVERIFY(failed);
    c.close();
    QFile g(path);
    QVERIFY(g.open(QIODevice::ReadOnly));
    QCOMPARE(g.readAll(), junk);
}

void TestEngine::updateOfNoRowReportsZero() {
    TestDb db;
    QCOMPARE(db.conn().execute("update SysIdentity set sn=3 where module='INPUTFORM'  and ymd='20100105'"), 0);
    QCOMPARE(db.conn().execute("update Users set phone='1' where id=1"), 1);
}

void TestEngine::translate_data() {
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("top") << "select top 5 * from Product order by id" << "select * from Product order by id LIMIT 5";
    QTest::newRow("distinct top") << "SELECT DISTINCT TOP 1 unitName FROM ProductUnit;"
                                  << "SELECT DISTINCT unitName FROM ProductUnit LIMIT 1";
    QTest::newRow("no top") << "select * from [top]" << "select * from [top]";
    QTest::newRow("top in literal") << "select 'top 5' from Users" << "select 'top 5' from Users";
    QTest::newRow("identity") << "select @@identity" << "select last_insert_rowid()";
    QTest::newRow("identity upper") << "SELECT @@IDENTITY AS id" << "SELECT last_insert_rowid() AS id";
    QTest::newRow("identity in literal") << "select '@@identity'" << "select '@@identity'";
}

void TestEngine::translate() {
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(JetSql::translate(in), out);
}

void TestEngine::identityAfterInsert() {
    TestDb db;
    db.exec("insert into ProductUnit(unitName) values('双')");
    const qint64 id = db.scalar("select max(id) from ProductUnit").toLongLong();
    QCOMPARE(db.scalar("select @@identity").toLongLong(), id);
}

void TestEngine::namedParameters() {
    TestDb db;
    Statement st(db.conn(), "select valueStr from KeyValueConst where nameSpace=:ns and keyInt=:k");
    st.bind(":ns", "AUDIT");
    st.bind("k", 1);
    st.bind(":unused", 5);
    QVERIFY(st.step());
    QCOMPARE(st.value(0).toString(), QString("已审核"));
}

void TestEngine::dateDiff_data() {
    QTest::addColumn<QString>("expr");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("same day, other time") << "DateDiff('d','2010-03-05 23:59:59.000','2010-3-5')" << QVariant(0);
    QTest::newRow("next day") << "DateDiff('d','2010-03-05 23:59:59.999','2010-3-6')" << QVariant(1);
    QTest::newRow("backwards") << "DateDiff('d','2010-03-06 00:00:00.000','2010-3-5')" << QVariant(-1);
    QTest::newRow("leap year") << "DateDiff('d','2012-2-28','2012-3-1')" << QVariant(2);
    QTest::newRow("year boundary") << "DateDiff('yyyy','2009-12-31','2010-1-1')" << QVariant(1);
    QTest::newRow("months") << "DateDiff('m','2010-01-31','2010-03-01')" << QVariant(2);
    QTest::newRow("slashes") << "DateDiff('d','2010/3/1','2010/03/31')" << QVariant(30);
    QTest::newRow("null") << "DateDiff('d',NULL,'2010-3-1')" << QVariant();
}

void TestEngine::dateDiff() {
    QFETCH(QString, expr);
    QFETCH(QVariant, expected);
    TestDb db;
    QVariant v = db.scalar("select " + expr);
    if (!expected.isValid()) QVERIFY(v.isNull());
    else QCOMPARE(v.toInt(), expected.toInt());
}

void TestEngine::datePart_data() {
    QTest::addColumn<QString>("expr");
    QTest::addColumn<int>("expected");
    QTest::newRow("year") << "DatePart('yyyy','2010-03-05 10:11:12.000')" << 2010;
    QTest::newRow("month") << "DatePart('m','2010-03-05 10:11:12.000')" << 3;
    QTest::newRow("day") << "DatePart('d','2010-03-05 10:11:12.000')" << 5;
    QTest::newRow("quarter") << "DatePart('q','2010-11-05')" << 4;
    QTest::newRow("weekday sunday") << "DatePart('w','2010-03-07')" << 1;
    QTest::newRow("hour") << "DatePart('h','2010-03-05 10:11:12.000')" << 10;
    QTest::newRow("grouping key") << "DatePart('yyyy','2010-3-5')*10000+DatePart('m','2010-3-5')*100+DatePart('d','2010-3-5')"
                                  << 20100305;
}

void TestEngine::datePart() {
    QFETCH(QString, expr);
    QFETCH(int, expected);
    TestDb db;
    QCOMPARE(db.scalar("select " + expr).toInt(), expected);
}

void TestEngine::nowFollowsClock() {
    TestDb db;
    TClock::setFixed(QDateTime(QDate(2010, 1, 5), QTime(23, 59, 58, 7)));
    QCOMPARE(db.scalar("select now()").toString(), QString("2010-01-05 23:59:58.007"));
    TClock::reset();
    QVERIFY(db.scalar("select now()").toString() != QString("2010-01-05 23:59:58.007"));
}

void TestEngine::roundHalfEven_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("digits");
    QTest::addColumn<double>("expected");
    QTest::newRow("2.5") << 2.5 << 0 << 2.0;
    QTest::newRow("3.5") << 3.5 << 0 << 4.0;
    QTest::newRow("-2.5") << -2.5 << 0 << -2.0;
    QTest::newRow("0.125") << 0.125 << 2 << 0.12;
    QTest::newRow("0.375") << 0.375 << 2 << 0.38;
    QTest::newRow("2.675 is below half") << 2.675 << 2 << 2.67;
    QTest::newRow("1.005 is below half") << 1.005 << 2 << 1.0;
    QTest::newRow("10/3") << 10.0 / 3.0 << 2 << 3.33;
    QTest::newRow("plain") << 12.3456 << 2 << 12.35;
}

void TestEngine::roundHalfEven() {
    QFETCH(double, x);
    QFETCH(int, digits);
    QFETCH(double, expected);
    QCOMPARE(JetSql::roundHalfEven(x, digits), expected);
    TestDb db;
    Statement st(db.conn(), "select round(:x, :d)");
    st.bind(":x", x);
    st.bind(":d", digits);
    QVERIFY(st.step());
    QCOMPARE(st.value(0).toDouble(), expected);
}

void TestEngine::sqlTextNumber_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<QString>("stored"); // the value the engine reads; empty: refused
    QTest::newRow("average") << 162.5 / 15.0 << "10.8333333333333";
    QTest::newRow("whole") << 15.0 << "15";
    QTest::newRow("cents") << 0.1 + 0.2 << "0.3";
    QTest::newRow("negative") << -2.5 << "-2.5";
    QTest::newRow("tiny") << 1e-20 << "1e-20";
    QTest::newRow("huge") << 1e300 << "1e300";
    QTest::newRow("overflowed") << std::numeric_limits<double>::infinity() << "";
    QTest::newRow("overflowed negative") << -std::numeric_limits<double>::infinity() << "";
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "";
}

void TestEngine::sqlTextNumber() {
    QFETCH(double, x);
    QFETCH(QString, stored);
    if (stored.isEmpty()) {
        // Writing "0" instead would store a wrong amount and report success.
        QVERIFY_THROWS_EXCEPTION(AppError, SqlText::number(x));
        return;
    }
    TestDb db;
    // Written after a minus sign, as stock updates do ("quantity-" + number),
    // with more statement after it that a "--" would silently drop.
    const QVariant v = db.scalar("select 1-" + SqlText::number(x) + "+1");
    QVERIFY2(v.toDouble() == 2 - stored.toDouble(), qPrintable(v.toString()));
}

void TestEngine::quoteDoublesQuotes() {
    QCOMPARE(SqlText::quote("O'Neil"), QString("'O''Neil'"));
    QCOMPARE(SqlText::quote(""), QString("''"));
    TestDb db;
    QCOMPARE(db.scalar("select " + SqlText::quote("a'b''c")).toString(), QString("a'b''c"));
}

void TestEngine::parseDateTime_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expected");
    QTest::newRow("storage") << "2010-01-05 09:03:07.250" << QDateTime(QDate(2010, 1, 5), QTime(9, 3, 7, 250));
    QTest::newRow("loose") << "2010-3-5" << QDateTime(QDate(2010, 3, 5), QTime(0, 0));
    QTest::newRow("T") << "2010-03-05T09:03:07" << QDateTime(QDate(2010, 3, 5), QTime(9, 3, 7));
    QTest::newRow("minutes") << "2010/3/5 9:03" << QDateTime(QDate(2010, 3, 5), QTime(9, 3));
    QTest::newRow("bad day") << "2010-2-30" << QDateTime();
    QTest::newRow("junk") << "abc" << QDateTime();
    QTest::newRow("trailing junk") << "2010-3-5 xx" << QDateTime();
}

void TestEngine::parseDateTime() {
    QFETCH(QString, text);
    QFETCH(QDateTime, expected);
    QCOMPARE(SqlText::parseDateTime(text), expected);
}

void TestEngine::guardRollsBackOnException() {
    TestDb db;
    try {
        TransactionGuard g(db.conn());
        db.exec("insert into ProductUnit(unitName) values('打')");
        db.exec("insert into NoSuchTable values(1)");
        g.commit();
        QFAIL("the bad statement should have thrown");
    } catch (const DbError&) {
    }
    QVERIFY(!db.conn().inTransaction());
    QCOMPARE(db.scalar("select count(*) from ProductUnit where unitName='打'").toInt(), 0);
}

void TestEngine::textComparesWithoutCase() {
    TestDb db;
    QCOMPARE(db.scalar("select count(*) from KeyValueConst where nameSpace='audit'").toInt(), 2);
    QCOMPARE(db.scalar("select count(*) from FieldConfig where tableName='PRODUCT'").toInt(), 10);
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
