#include "appcontext.h"
#include "clock.h"
#include "dataset.h"
#include "dberror.h"
#include "dbutils.h"
#include "maindm.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QFile>
#include <QtTest>
#include <cmath>

namespace {
QByteArray digestOf(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}
} // namespace

class TestContext : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { TClock::reset(); }
    void olderFileGainsLineIndexes_data();
    void olderFileGainsLineIndexes();
    void isAdmin_data();
    void isAdmin();
    void connectionStrings();
    void settingsBeforeOpenUseDefaults();
    void settingsRoundTrip();
    void settingsWriteSameValueKeepsOneRow();
    void settingsDeleteRemovesDuplicates();
    void settingsReadIntegerOfText();
    void settingsSections();
    void quickQuery();
    void setDisplayFormatOnlyOnNumbers();
    void padZero_data();
    void padZero();
    void roundMoney_data();
    void roundMoney();
    void dateToText();
    void dateRange_data();
    void dateRange();
    void unknownDateRange();
    void startupOpensListsInOrder();
    void startupRefusesBadFiles_data();
    void startupRefusesBadFiles();
};

void TestContext::isAdmin_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("group");
    QTest::addColumn<bool>("admin");
    QTest::newRow("built-in administrator") << 1 << 2 << true;
    QTest::newRow("member of group 1") << 7 << 1 << true;
    QTest::newRow("ordinary") << 7 << 2 << false;
    QTest::newRow("nobody") << 0 << 0 << false;
}

void TestContext::isAdmin() {
    QFETCH(int, id);
    QFETCH(int, group);
    QFETCH(bool, admin);
    TAppContext ctx;
    ctx.SetCurrentUser(TUser{id, group, "x"});
    QCOMPARE(ctx.IsAdmin(), admin);
}

void TestContext::connectionStrings() {
    QCOMPARE(TAppContext::OdbcConnectionString("/a/db/data_general.db"),
             QString("Driver={Microsoft Access Driver (*.mdb)};DriverId=25;FIL=MS Access;MaxBufferSize=2048;"
                     "PageTimeout=5;UID=admin;PWD=quillbarrowfen;DBQ=/a/db/data_general.db;"));
    QCOMPARE(TAppContext::JetConnectionString("/a/b.db"),
             QString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/a/b.db\";UID=admin;PWD=quillbarrowfen;"));
    TAppContext ctx;
    ctx.SetAppDir("/opt/shop");
    QCOMPARE(ctx.DataFile(), QString("/opt/shop/db/data_general.db"));
    QCOMPARE(ctx.RestoreSafetyDir(), QString("/opt/shop/db/back.befor.restore"));
}

void TestContext::settingsBeforeOpenUseDefaults() {
    TestDb db;
    DataSet q(&db.conn());
    q.setSql("SELECT * FROM SysConfig");
    TSettings s;
    s.bind(&q);
    s.WriteString("LastLoginUserID", "5");
    QCOMPARE(s.ReadString("Version", "none"), QString("none"));
    QCOMPARE(db.scalar("select count(*) from SysConfig where sysKey='LastLoginUserID'").toInt(), 0);
}

void TestContext::settingsRoundTrip() {
    TestDb db;
    DataSet q(&db.conn());
    q.setSql("SELECT * FROM SysConfig");
    q.open();
    TSettings s;
    s.bind(&q);
    QCOMPARE(s.ReadString("VersionType", ""), QString("general"));
    QCOMPARE(s.ReadString("versiontype", ""), QString("general"));
    s.WriteInteger("AutoLoginUserID", 3);
    QCOMPARE(s.ReadInteger("AutoLoginUserID", 0), 3);
    s.WriteString("AutoLoginUserID", "4");
    QCOMPARE(s.ReadInteger("AutoLoginUserID", 0), 4);
    // The shared query sees what was written.
    QVERIFY(q.locate("sysKey", "AutoLoginUserID"));
    QCOMPARE(q.value("sysValue").toString(), QString("4"));
    s.DeleteValue("AutoLoginUserID");
    QCOMPARE(s.ReadInteger("AutoLoginUserID", -1), -1);
    s.WriteString("Empty", "");
    QCOMPARE(s.ReadString("Empty", "dflt"), QString("dflt"));
}

void TestContext::settingsWriteSameValueKeepsOneRow() {
    TestDb db;
    DataSet q(&db.conn());
    q.setSql("SELECT * FROM SysConfig");
    q.open();
    TSettings s;
    s.bind(&q);
    s.WriteString("LastLoginUserID", "2");
    s.WriteString("LastLoginUserID", "2");
    s.WriteString("lastloginuserid", "2");
    QCOMPARE(db.scalar("select count(*) from SysConfig where sysKey='LastLoginUserID'").toInt(), 1);
}

void TestContext::settingsDeleteRemovesDuplicates() {
    TestDb db;
    db.exec("insert into SysConfig(sysKey, sysValue, section) values('AutoLoginUserID','1','')");
    db.exec("insert into SysConfig(sysKey, sysValue, section) values('AutoLoginUserID','2',NULL)");
    DataSet q(&db.conn());
    q.setSql("SELECT * FROM SysConfig");
    q.open();
    TSettings s;
    s.bind(&q);
    QCOMPARE(s.ReadInteger("AutoLoginUserID", 0), 1); // the first row decides
    s.DeleteValue("AutoLoginUserID");
    QCOMPARE(db.scalar("select count(*) from SysConfig where sysKey='AutoLoginUserID'").toInt(), 0);
}

void TestContext::settingsReadIntegerOfText() {
    TestDb db;
    db.exec("insert into SysConfig(sysKey, sysValue, section) values('AutoLoginUserID','abc','')");
    DataSet q(&db.conn());
    q.setSql("SELECT * FROM SysConfig");
    q.open();
    TSettings s;
    s.bind(&q);
    QCOMPARE(s.ReadInteger("AutoLoginUserID", 9), 9);
}

void TestContext::settingsSections() {
    TestDb db;
    DataSet q(&db.conn());
    q.setSql("SELECT * FROM SysConfig");
    q.open();
    TSettings s;
    s.bind(&q);
    s.WriteString("Backup\\dir", "/home/a");
    s.WriteString("dir", "/plain");
    QCOMPARE(s.ReadString("Backup\\dir", ""), QString("/home/a"));
    QCOMPARE(s.ReadString("dir", ""), QString("/plain"));
    QCOMPARE(db.scalar("select section from SysConfig where sysValue='/home/a'").toString(), QString("Backup"));
}

void TestContext::quickQuery() {
    TestDb db;
    QCOMPARE(TQuickQuery::GetInteger(db.conn(), "select count(*) from Product"), 0);
    QCOMPARE(TQuickQuery::GetInteger(db.conn(), "select id from Users where id=99"), 0);
    QCOMPARE(TQuickQuery::GetInteger(db.conn(), "select NULL"), 0);
    QCOMPARE(TQuickQuery::GetInteger(db.conn(), "select 7.0"), 7);
    int v = 42;
    QVERIFY(!TQuickQuery::FindInteger(db.conn(), "select id from Users where id=99", v));
    QCOMPARE(v, 42);
    QVERIFY(TQuickQuery::FindInteger(db.conn(), "select id from Users where id=1", v));
    QCOMPARE(v, 1);
    QVERIFY(TQuickQuery::HasRows(db.conn(), "select * from Users"));
    QVERIFY(!TQuickQuery::HasRows(db.conn(), "select * from Product"));
    QCOMPARE(TQuickQuery::Execute(db.conn(), "update ProductUnit set comments='x'"), 9);
    QVERIFY_THROWS_EXCEPTION(DbError, TQuickQuery::GetInteger(db.conn(), "select * from NoSuchTable"));
}

void TestContext::setDisplayFormatOnlyOnNumbers() {
    TestDb db;
    db.exec("insert into InputForm(inputNO, totalPrice) values('IN1', 0.5)");
    DataSet q(&db.conn());
    q.setSql("select inputNO, totalPrice from InputForm");
    q.open();
    TQuickQuery::SetDisplayFormat(&q, "totalPrice", "#.##");
    TQuickQuery::SetDisplayFormat(&q, "inputNO", "#.##");
    TQuickQuery::SetDisplayFormat(&q, "missing", "#.##");
    TQuickQuery::SetDisplayFormat(nullptr, "totalPrice", "#.##");
    QCOMPARE(q.field("totalPrice")->displayText(), QString(".5"));
    QCOMPARE(q.field("inputNO")->displayText(), QString("IN1"));
}

void TestContext::padZero_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("text");
    QTest::newRow("7/4") << 7 << 4 << "0007";
    QTest::newRow("12345/4") << 12345 << 4 << "12345";
    QTest::newRow("0/5") << 0 << 5 << "00000";
    QTest::newRow("9999/4") << 9999 << 4 << "9999";
    QTest::newRow("width 0") << 3 << 0 << "3";
}

void TestContext::padZero() {
    QFETCH(int, n);
    QFETCH(int, width);
    QFETCH(QString, text);
    QCOMPARE(TUtils::PadZero(n, width), text);
}

void TestContext::roundMoney_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("expected");
    QTest::newRow("12.345") << 12.345 << 12.35;
    QTest::newRow("2.675") << 2.675 << 2.67;
    QTest::newRow("0.125, quotient just under 12.5") << 0.125 << 0.12;
    QTest::newRow("0.375, quotient just under 37.5") << 0.375 << 0.37;
    QTest::newRow("0.135, quotient just over 13.5") << 0.135 << 0.14;
    QTest::newRow("negative") << -12.345 << -12.35;
    QTest::newRow("whole") << 10.0 << 10.0;
    QTest::newRow("1.005") << 1.005 << 1.0;
    QTest::newRow("huge, past the quick path") << 123456789012345.67 << 123456789012345.67;
    QTest::newRow("negative zero") << -0.001 << -0.0;
    // A run of amounts near and on half a cent, small and large, against
    // the rounding worked out on the wide quotient alone: the quick path
    // must never round one of them otherwise.
    QTest::newRow("sweep") << qQNaN() << qQNaN();
}

namespace {
double wideRound(double x) {
    const long double cent = 0.01;
    return static_cast<double>(std::nearbyint(static_cast<long double>(x) / cent) * cent);
}
} // namespace

void TestContext::roundMoney() {
    QFETCH(double, x);
    QFETCH(double, expected);
    if (!qIsNaN(x)) {
        QCOMPARE(TUtils::RoundMoney(x), expected);
        QCOMPARE(std::signbit(TUtils::RoundMoney(x)), std::signbit(expected));
        return;
    }
    QVERIFY(qIsNaN(TUtils::RoundMoney(x)));
    int differ = 0;
    for (double scale : {1.0, 1e3, 1e6, 1e9, 1e12, 1e13, 1.1e13, 1e14}) {
        for (int i = -3000; i <= 3000; ++i) {
            for (double offset : {0.0, 0.001, 0.004, 0.005, 0.0049999999, 0.0050000001, 0.006, 0.0025, 0.0075}) {
                const double v = scale * 0.01 * i + offset + i * 0.0137;
                if (TUtils::RoundMoney(v) != wideRound(v) && ++differ < 5) qWarning("%.17g", v);
                const double product = TUtils::RoundMoney(0.01 * i + offset) * (i % 97 + 0.5);
                if (TUtils::RoundMoney(product) != wideRound(product) && ++differ < 5) qWarning("%.17g", product);
            }
        }
    }
    QCOMPARE(differ, 0);
}

void TestContext::dateToText() {
    QCOMPARE(TDateUtils::DateToText("-", QDateTime(QDate(2010, 1, 5), QTime(9, 3, 7))), QString("2010-1-5"));
    QCOMPARE(TDateUtils::DateToText("_", QDateTime(QDate(2010, 11, 25), QTime())), QString("2010_11_25"));
    QCOMPARE(TDateUtils::TimeToText("-", QDateTime(QDate(2010, 1, 5), QTime(9, 3, 7))), QString("9-3-7"));
}

void TestContext::dateRange_data() {
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::newRow("today") << QDate(2010, 5, 15) << 0 << QDate(2010, 5, 15) << QDate(2010, 5, 15);
    QTest::newRow("week on a Saturday") << QDate(2010, 5, 15) << 1 << QDate(2010, 5, 10) << QDate(2010, 5, 16);
    QTest::newRow("week on a Sunday") << QDate(2010, 5, 16) << 1 << QDate(2010, 5, 10) << QDate(2010, 5, 16);
    QTest::newRow("week on a Monday") << QDate(2010, 5, 17) << 1 << QDate(2010, 5, 17) << QDate(2010, 5, 23);
    QTest::newRow("week across the year") << QDate(2010, 12, 31) << 1 << QDate(2010, 12, 27) << QDate(2011, 1, 2);
    QTest::newRow("month") << QDate(2010, 2, 10) << 2 << QDate(2010, 2, 1) << QDate(2010, 2, 28);
    QTest::newRow("leap month") << QDate(2012, 2, 29) << 2 << QDate(2012, 2, 1) << QDate(2012, 2, 29);
    QTest::newRow("quarter mid May") << QDate(2010, 5, 15) << 3 << QDate(2010, 4, 1) << QDate(2010, 6, 30);
    QTest::newRow("quarter end") << QDate(2010, 9, 30) << 3 << QDate(2010, 7, 1) << QDate(2010, 9, 30);
    QTest::newRow("last quarter") << QDate(2010, 12, 31) << 3 << QDate(2010, 10, 1) << QDate(2010, 12, 31);
    QTest::newRow("year") << QDate(2010, 5, 15) << 4 << QDate(2010, 1, 1) << QDate(2010, 12, 31);
}

void TestContext::dateRange() {
    QFETCH(QDate, today);
    QFETCH(int, kind);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    TClock::setFixed(QDateTime(today, QTime(15, 30)));
    QDateTime a, b;
    TDateUtils::GetDateRange(kind, a, b);
    QCOMPARE(a, QDateTime(from, QTime(0, 0)));
    QCOMPARE(b, QDateTime(to, QTime(23, 59, 59, 999)));
}

void TestContext::unknownDateRange() {
    QDateTime a, b;
    try {
        TDateUtils::GetDateRange(5, a, b);
        QFAIL("kind 5 must be refused");
    } catch (const AppError& e) {
        QCOMPARE(e.text(), QString("Unrecognized dr."));
    }
}

// A file made before an index was added or widened gets it at start-up,
// with the columns a new file has.
void TestContext::olderFileGainsLineIndexes_data() {
    QTest::addColumn<QString>("index");
    QTest::addColumn<QString>("olderForm"); // empty: the file has no such index
    QTest::newRow("product index with one key")
        << "idxOutputDetailProduct" << "OutputDetail(productID)";
    QTest::newRow("number index missing") << "idxInputDetailNO" << "";
    QTest::newRow("purchase number index with both keys only")
        << "idxInputDetailNO" << "InputDetail(inputNO, productID)";
    QTest::newRow("sale number index with both keys only")
        << "idxOutputDetailNO" << "OutputDetail(outputNO, productID)";
    QTest::newRow("missing-cost index missing") << "idxOutputDetailNoCost" << "";
    QTest::newRow("purchase document numbers alone") << "idxInputFormNO" << "InputForm(inputNO)";
    QTest::newRow("refund document numbers alone") << "idxRefundFormNO" << "RefundForm(refundNO)";
}

void TestContext::olderFileGainsLineIndexes() {
    QFETCH(QString, index);
    QFETCH(QString, olderForm);
    auto columns = [&index](TestDb& db) {
        QStringList names;
        Statement st(db.conn(), QString("select name from pragma_index_info('%1') order by seqno").arg(index));
        while (st.step()) names << st.value(0).toString();
        return names;
    };
    TestDb fresh;
    const QStringList wanted = columns(fresh);
    QVERIFY(!wanted.isEmpty());
    TestDb db;
    db.exec("drop index " + index);
    if (!olderForm.isEmpty()) db.exec(QString("create index %1 on %2").arg(index, olderForm));
    {
        TMainDM dm;
        dm.Startup(db.path());
    }
    QCOMPARE(columns(db), wanted);
}

void TestContext::startupOpensListsInOrder() {
    TestDb db;
    TMainDM dm;
    TAppContext ctx;
    dm.Startup(db.path());
    ctx.UseData(dm);
    QStringList names;
    for (DataSet* ds : dm.Queries()) {
        QVERIFY2(ds->isActive(), qPrintable(ds->objectName()));
        names << ds->objectName();
    }
    QCOMPARE(names, QStringList({"queryUnit", "querySupplierType", "queryCustomerType", "queryProduct",
                                 "querySupplier", "queryUser", "queryCustomer", "queryInputType",
                                 "queryOutputType", "queryAuditStatus", "querySysConfig", "queryProductSize",
                                 "queryProductColor", "queryProductBrand", "queryCategoryList",
                                 "queryUserGroup"}));
    QCOMPARE(dm.queryProduct->sql(), QString("SELECT * FROM Product"));
    QCOMPARE(dm.querySupplier->sql(), QString("SELECT * FROM Supplier"));
    QCOMPARE(dm.queryAuditStatus->recordCount(), 2);
    QCOMPARE(ctx.Settings().ReadString("VersionType", ""), QString("general"));
}

void TestContext::startupRefusesBadFiles_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("create");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("text file") << QByteArray("名称,价格\n苹果,3\n") << true;
    QTest::newRow("foreign database") << QByteArray("foreign") << true;
    QTest::newRow("truncated") << QByteArray("truncated") << true;
}

void TestContext::startupRefusesBadFiles() {
    QFETCH(QByteArray, content);
    QFETCH(bool, create);
    QTemporaryDir dir;
    const QString path = dir.path() + "/data_general.db";
    if (create) {
        QByteArray bytes = content;
        if (content == "foreign") {
            // A real SQLite file of some other program.
            Connection::createFromSchema(path, "create table notes(x text); insert into notes values('a');");
        } else if (content == "truncated") {
            TestDb good;
            good.conn().close();
            QFile f(good.path());
            QVERIFY(f.open(QIODevice::ReadOnly));
            bytes = f.read(1500); // the header survives, the pages do not
        }
        if (content != "foreign") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
    }
    const QByteArray before = digestOf(path);
    TMainDM dm;
    QVERIFY_THROWS_EXCEPTION(DbError, dm.Startup(path));
    QVERIFY(!dm.MainConn.isOpen());
    QCOMPARE(digestOf(path), before);
    QCOMPARE(QFile::exists(path), create);
}

QTEST_GUILESS_MAIN(TestContext)
#include "tst_context.moc"
