#include "clock.h"
#include "identity.h"
#include "testsupport.h"

#include <QtTest>

class TestIdentity : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { TClock::reset(); }
    void number_data();
    void number();
    void firstAndSecondOfTheDay();
    void modulesCountSeparately();
    void abandonedReservationIsOfferedAgain();
    void savedAfterMidnightKeepsItsDay();
    void commitSetsNotIncrements();
    void commitRollsBackWithTheDocument();
    void exactStatements();
};

void TestIdentity::number_data() {
    QTest::addColumn<int>("module");
    QTest::addColumn<int>("serial");
    QTest::addColumn<QString>("text");
    QTest::newRow("purchase") << 0 << 1 << "IN20100105-0001";
    QTest::newRow("sale") << 1 << 12 << "OUT20100105-0012";
    QTest::newRow("customer return") << 2 << 9999 << "RIN20100105-9999";
    QTest::newRow("return to supplier grows") << 3 << 10000 << "ROUT20100105-10000";
}

void TestIdentity::number() {
    QFETCH(int, module);
    QFETCH(int, serial);
    QFETCH(QString, text);
    TIdentity id{quint8(module), "20100105", serial};
    QCOMPARE(id.Number(), text);
}

void TestIdentity::firstAndSecondOfTheDay() {
    TestDb db;
    TClock::setFixed(QDateTime(QDate(2010, 1, 5), QTime(9, 0)));
    TIdentityGenerator gen(db.conn());
    TIdentity id;
    gen.Reserve(0, id);
    QCOMPARE(id.Number(), QString("IN20100105-0001"));
    QCOMPARE(db.scalar("select count(*) from SysIdentity").toInt(), 0); // reserving writes nothing
    gen.Commit(id);
    QCOMPARE(db.scalar("select sn from SysIdentity where module='INPUTFORM' and ymd='20100105'").toInt(), 1);
    gen.Reserve(0, id);
    QCOMPARE(id.Serial, 2);
    gen.Commit(id);
    QCOMPARE(db.scalar("select count(*) from SysIdentity").toInt(), 1);
    QCOMPARE(db.scalar("select sn from SysIdentity").toInt(), 2);
}

void TestIdentity::modulesCountSeparately() {
    TestDb db;
    TClock::setFixed(QDateTime(QDate(2010, 1, 5), QTime(9, 0)));
    TIdentityGenerator gen(db.conn());
    TIdentity in, out, rin, rout;
    gen.Reserve(0, in);
    gen.Commit(in);
    gen.Reserve(0, in);
    gen.Commit(in);
    gen.Reserve(1, out);
    gen.Reserve(2, rin);
    gen.Commit(rin);
    gen.Reserve(3, rout);
    QCOMPARE(out.Number(), QString("OUT20100105-0001"));
    QCOMPARE(rin.Number(), QString("RIN20100105-0001"));
    QCOMPARE(rout.Number(), QString("ROUT20100105-0001"));
}

void TestIdentity::abandonedReservationIsOfferedAgain() {
    TestDb db;
    TClock::setFixed(QDateTime(QDate(2010, 1, 5), QTime(9, 0)));
    TIdentityGenerator gen(db.conn());
    TIdentity a, b;
    gen.Reserve(1, a);
    gen.Reserve(1, b);
    QCOMPARE(a.Number(), b.Number());
}

void TestIdentity::savedAfterMidnightKeepsItsDay() {
    TestDb db;
    TIdentityGenerator gen(db.conn());
    TClock::setFixed(QDateTime(QDate(2010, 1, 5), QTime(23, 59, 59, 999)));
    TIdentity late;
    gen.Reserve(0, late);
    TClock::setFixed(QDateTime(QDate(2010, 1, 6), QTime(0, 0, 1)));
    gen.Commit(late);
    QCOMPARE(late.Number(), QString("IN20100105-0001"));
    QCOMPARE(db.scalar("select sn from SysIdentity where ymd='20100105'").toInt(), 1);
    TIdentity next;
    gen.Reserve(0, next);
    QCOMPARE(next.Number(), QString("IN20100106-0001"));
}

void TestIdentity::commitSetsNotIncrements() {
    TestDb db;
    TIdentityGenerator gen(db.conn());
    gen.Commit(TIdentity{0, "20100105", 5});
    gen.Commit(TIdentity{0, "20100105", 3});
    QCOMPARE(db.scalar("select sn from SysIdentity").toInt(), 3);
    gen.Commit(TIdentity{0, "20100105", 9999});
    TIdentity id;
    TClock::setFixed(QDateTime(QDate(2010, 1, 5), QTime(12, 0)));
    gen.Reserve(0, id);
    QCOMPARE(id.Number(), QString("IN20100105-10000"));
}

void TestIdentity::commitRollsBackWithTheDocument() {
    TestDb db;
    TClock::setFixed(QDateTime(QDate(2010, 1, 5), QTime(9, 0)));
    TIdentityGenerator gen(db.conn());
    TIdentity id;
    gen.Reserve(0, id);
    try {
        TransactionGuard tx(db.conn());
        db.exec("insert into InputForm(inputNO) values('" + id.Number() + "')");
        gen.Commit(id);
        db.exec("insert into NoSuchTable values(1)");
        tx.commit();
    } catch (const std::exception&) {
    }
    QCOMPARE(db.scalar("select count(*) from SysIdentity").toInt(), 0);
    TIdentity again;
    gen.Reserve(0, again);
    QCOMPARE(again.Number(), id.Number());
}

void TestIdentity::exactStatements() {
    TestDb db;
    TClock::setFixed(QDateTime(QDate(2010, 1, 5), QTime(9, 0)));
    QStringList seen;
    db.conn().setTrace([&](const QString& s) { seen << s; });
    TIdentityGenerator gen(db.conn());
    TIdentity id;
    gen.Reserve(2, id);
    gen.Commit(id);
    db.conn().setTrace({});
    // Values travel as bound parameters, never inside the statement text.
    QCOMPARE(seen, QStringList({"select sn from SysIdentity where module=:m and ymd=:d",
                                "update SysIdentity set sn=:sn where module=:m and ymd=:d",
                                "insert into SysIdentity(module, ymd, sn) values(:m, :d, :sn)"}));
    QCOMPARE(db.scalar("select module || ymd || sn from SysIdentity").toString(), QString("REFUNDIN201001051"));
}

QTEST_GUILESS_MAIN(TestIdentity)
#include "tst_identity.moc"
