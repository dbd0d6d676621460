#include "baseservice.h"
#include "dataset.h"
#include "dberror.h"
#include "testsupport.h"

#include <QtTest>

namespace {
struct Line {
    int product;
    double quantity;
    double unitPrice;
};

// The lines of one document, as an editor holds them.
std::unique_ptr<DataSet> linesOf(TestDb& db, const QList<Line>& lines) {
    db.exec("delete from InputDetail");
    for (const Line& l : lines) {
        Statement st(db.conn(), "insert into InputDetail(inputNO, productID, quantity, unitPrice, totalPrice) "
                                "values('IN1', :p, :q, :u, :t)");
        st.bind(":p", l.product);
        st.bind(":q", l.quantity);
        st.bind(":u", l.unitPrice);
        st.bind(":t", l.quantity * l.unitPrice);
        st.step();
    }
    auto ds = std::make_unique<DataSet>(&db.conn());
    ds->setSql("select * from InputDetail where inputNO='IN1' order by id");
    ds->open();
    return ds;
}

QString stockOf(TestDb& db, int product) {
    Statement st(db.conn(), "select quantity, unit_cost from StorageDetail where productID=:p");
    st.bind(":p", product);
    if (!st.step()) return "none";
    auto text = [&](int i) { return st.isNull(i) ? QString("NULL") : QString::number(st.value(i).toDouble(), 'g', 15); };
    return text(0) + " @ " + text(1);
}
} // namespace

class TestBaseService : public QObject {
    Q_OBJECT
private slots:
    void movements_data();
    void movements();
    void firstReceiptStatements();
    void productOnTwoLinesIsAveragedTwice();
    void negativeLineQuantityTouchesOnlyItsProduct();
    void linesEndPositionedAfterTheLast();
    void failureHalfwayRollsBackCompletely();
};

void TestBaseService::movements_data() {
    QTest::addColumn<QString>("before"); // "q,c" or "" for no row
    QTest::addColumn<bool>("in");
    QTest::addColumn<bool>("withCost");
    QTest::addColumn<double>("q");
    QTest::addColumn<double>("u");
    QTest::addColumn<QString>("after"); // empty: refused, nothing changes
    QTest::newRow("first receipt") << "" << true << true << 5.0 << 12.5 << "5 @ 12.5";
    QTest::newRow("5 at 12.5 into 10 at 10") << "10,10" << true << true << 5.0 << 12.5 << "15 @ 10.8333333333333";
    QTest::newRow("10 at 12.5 into 10 at 10") << "10,10" << true << true << 10.0 << 12.5 << "20 @ 11.25";
    QTest::newRow("cancelling that receipt") << "15,10.8333333333333" << false << true << 5.0 << 12.5
                                             << "10 @ 9.99999999999995";
    QTest::newRow("cancelling the only purchase") << "5,12.5" << false << true << 5.0 << 12.5 << "0 @ 0";
    QTest::newRow("negative brought to zero") << "-5,3" << true << true << 5.0 << 4.0 << "0 @ 0";
    QTest::newRow("decrease without row, with cost") << "" << false << true << 3.0 << 7.0 << "-3 @ 7";
    QTest::newRow("decrease without row, no cost") << "" << false << false << 3.0 << 7.0 << "-3 @ NULL";
    QTest::newRow("sale keeps the cost") << "10,9.5" << false << false << 4.0 << 20.0 << "6 @ 9.5";
    QTest::newRow("return keeps the cost") << "10,9.5" << true << false << 4.0 << 20.0 << "14 @ 9.5";
    QTest::newRow("fractions") << "10,2" << false << false << 2.5 << 1.0 << "7.5 @ 2";
    QTest::newRow("stock may go negative") << "1,2" << false << false << 3.0 << 1.0 << "-2 @ 2";
    QTest::newRow("one third") << "0,0" << true << true << 3.0 << 1.0 / 3.0 << "3 @ 0.333333333333333";
    QTest::newRow("cost beyond a double") << "1e300,1e300" << true << true << 5.0 << 1.0 << "";
}

void TestBaseService::movements() {
    QFETCH(QString, before);
    QFETCH(bool, in);
    QFETCH(bool, withCost);
    QFETCH(double, q);
    QFETCH(double, u);
    QFETCH(QString, after);
    TestDb db;
    if (!before.isEmpty()) {
        const QStringList p = before.split(',');
        db.exec("insert into StorageDetail(productID, quantity, unit_cost) values(7," + p[0] + "," + p[1] + ")");
    }
    db.exec("insert into StorageDetail(productID, quantity, unit_cost) values(8, 1, 1)");
    auto lines = linesOf(db, {{7, q, u}});
    const QString was = stockOf(db, 7);
    TBaseService svc;
    auto move = [&] {
        TransactionGuard tx(db.conn());
        if (in) svc.StockIn(db.conn(), *lines, "productID", "quantity", withCost);
        else svc.StockOut(db.conn(), *lines, "productID", "quantity", withCost);
        tx.commit();
    };
    if (after.isEmpty()) {
        QVERIFY_THROWS_EXCEPTION(AppError, move());
        QCOMPARE(stockOf(db, 7), was);
    } else {
        move();
        QCOMPARE(stockOf(db, 7), after);
    }
    QCOMPARE(stockOf(db, 8), QString("1 @ 1"));
}

void TestBaseService::firstReceiptStatements() {
    TestDb db;
    auto lines = linesOf(db, {{7, 5, 12.5}, {9, 2.5, 4}});
    db.exec("insert into StorageDetail(productID, quantity) values(9, 1)");
    QStringList seen;
    db.conn().setTrace([&](const QString& s) {
        if (!s.startsWith("select")) seen << s;
    });
    TBaseService svc;
    svc.StockIn(db.conn(), *lines, "productID", "quantity", true);
    svc.StockOut(db.conn(), *lines, "productID", "quantity", false);
    db.conn().setTrace({});
    QCOMPARE(seen, QStringList({
                       "update StorageDetail set quantity=quantity+5 , unit_cost=12.5 where productID=7",
                       "insert into StorageDetail(productID, quantity, unit_cost)  values(7,+5,12.5)",
                       "update StorageDetail set quantity=quantity+2.5 , unit_cost=2.85714285714286 where productID=9",
                       "update StorageDetail set quantity=quantity-5 where productID=7",
                       "update StorageDetail set quantity=quantity-2.5 where productID=9",
                   }));
}

void TestBaseService::productOnTwoLinesIsAveragedTwice() {
    TestDb db;
    db.exec("insert into StorageDetail(productID, quantity, unit_cost) values(7, 10, 10)");
    auto lines = linesOf(db, {{7, 5, 12.5}, {7, 5, 4}});
    TBaseService svc;
    svc.StockIn(db.conn(), *lines, "productID", "quantity", true);
    // 15 at 10.8333333333333, then (15 * 10.8333333333333 + 20) / 20.
    const double first = 10.8333333333333;
    const double second = (15 * first + 5 * 4.0) / 20;
    QCOMPARE(stockOf(db, 7), "20 @ " + QString::number(second, 'g', 15));
}

void TestBaseService::negativeLineQuantityTouchesOnlyItsProduct() {
    TestDb db;
    db.exec("insert into StorageDetail(productID, quantity, unit_cost) values(7, 10, 2)");
    db.exec("insert into StorageDetail(productID, quantity, unit_cost) values(8, 4, 3)");
    auto lines = linesOf(db, {{7, -3, 2}});
    TBaseService svc;
    svc.StockOut(db.conn(), *lines, "productID", "quantity", false);
    QCOMPARE(stockOf(db, 7), QString("13 @ 2"));
    QCOMPARE(stockOf(db, 8), QString("4 @ 3"));
    auto fresh = linesOf(db, {{9, -3, 2}});
    svc.StockOut(db.conn(), *fresh, "productID", "quantity", true);
    QCOMPARE(stockOf(db, 9), QString("3 @ 2"));
    QCOMPARE(stockOf(db, 8), QString("4 @ 3"));
}

void TestBaseService::linesEndPositionedAfterTheLast() {
    TestDb db;
    auto lines = linesOf(db, {{7, 1, 1}, {8, 1, 1}, {9, 1, 1}});
    lines->setRecNo(2);
    TBaseService().StockIn(db.conn(), *lines, "productID", "quantity", false);
    QVERIFY(lines->eof());
    QCOMPARE(lines->recNo(), 3);
    QCOMPARE(db.scalar("select count(*) from StorageDetail").toInt(), 3);
}

void TestBaseService::failureHalfwayRollsBackCompletely() {
    TestDb db;
    db.exec("insert into StorageDetail(productID, quantity, unit_cost) values(7, 10, 10)");
    db.exec("insert into StorageDetail(productID, quantity, unit_cost) values(99, 1, 1)");
    db.exec("create trigger refuse before update on StorageDetail when new.productID=99 "
            "begin select raise(abort, 'disk full'); end");
    auto lines = linesOf(db, {{7, 5, 12.5}, {8, 2, 3}, {99, 1, 1}});
    const QString before7 = stockOf(db, 7);
    try {
        TransactionGuard tx(db.conn());
        db.exec("update InputForm set auditStatus=1 where inputNO='IN1'");
        TBaseService().StockIn(db.conn(), *lines, "productID", "quantity", true);
        tx.commit();
        QFAIL("the third line must fail");
    } catch (const DbError& e) {
        QVERIFY(e.text().contains("disk full"));
    }
    QCOMPARE(stockOf(db, 7), before7);
    QCOMPARE(stockOf(db, 8), QString("none"));
    QCOMPARE(db.scalar("select count(*) from StorageDetail").toInt(), 2);
}

QTEST_GUILESS_MAIN(TestBaseService)
#include "tst_baseservice.moc"
