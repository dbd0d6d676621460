#include "connection.h"
#include "dberror.h"
#include "statservice.h"
#include "statshop.h"
#include "testsupport.h"

#include <QtTest>
#include <cmath>
#include <map>

using namespace StatService;

Q_DECLARE_METATYPE(TStatFilter)

namespace {

// Sums of one product (or of all, for the totals) as the reference query
// gives them.
struct Sums {
    double quantity = 0, amount = 0, cost = 0;
    bool hasCost = false;
};

bool near(double a, double b, double tolerance) { return std::abs(a - b) <= tolerance + 1e-9; }

// The reference: plain SQL over the lines of the side, with the day range
// written on the date's text and the product filter as a LIKE on the
// column. Written here without the program's statements or criteria.
struct Reference {
    QString lines, documents, number, date;
    bool sale;
    explicit Reference(Side side) {
        const bool in = side == Side::Purchase;
        sale = !in;
        lines = in ? "InputDetail" : "OutputDetail";
        documents = in ? "InputForm" : "OutputForm";
        number = in ? "inputNO" : "outputNO";
        date = in ? "inputDate" : "outputDate";
    }
    QString from(const TStatFilter& f, const QString& scopeColumn, SqlParams& p) const {
        QString sql = QString(" from %1 d join %2 f on f.%3 = d.%3 where substr(f.%4, 1, 10) between :a and :b")
                          .arg(lines, documents, number, f.byCreateDate ? "createDate" : date);
        p = {{"a", f.start.toString("yyyy-MM-dd")}, {"b", f.end.toString("yyyy-MM-dd")}};
        if (!scopeColumn.isEmpty()) {
            sql += QString(" and d.productID in (select id from Product where %1 like :k)").arg(scopeColumn);
            p.insert("k", "%" + f.key.trimmed() + "%");
        }
        return sql;
    }
    QString sums() const {
        return QString("sum(d.quantity), sum(d.totalPrice), %1").arg(sale ? "sum(d.unitStorageCost * d.quantity)" : "NULL");
    }
};

Sums sumsOf(const Statement& st, int first, bool sale) {
    Sums s;
    s.quantity = st.value(first).toDouble();
    s.amount = st.value(first + 1).toDouble();
    if (sale) {
        s.hasCost = !st.isNull(first + 2);
        s.cost = st.value(first + 2).toDouble();
    }
    return s;
}

TStatFilter filter(QDate a, QDate b, int scope = 0, const QString& key = QString(), bool created = false) {
    TStatFilter f;
    f.scopeIndex = scope;
    f.key = key;
    f.byCreateDate = created;
    f.start = a;
    f.end = b;
    return f;
}

QString scopeColumn(int scope) {
    static const char* const c[] = {"", "productName", "product_model", "product_spec", "productCode"};
    return QString::fromLatin1(c[scope]);
}

} // namespace

class TestStatService : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDb> m_shop;
private slots:
    void initTestCase();
    void productStats_data();
    void productStats();
    void trend_data();
    void trend();
    void repair_data();
    void repair();
    void repairIsOneTransaction();
    void axisRange_data();
    void axisRange();
};

void TestStatService::initTestCase() {
    m_shop = std::make_unique<TestDb>();
    StatShop::Seed(m_shop->conn());
    // The shop holds what the rows below rely on.
    QVERIFY(m_shop->scalar("select count(*) from InputForm where auditStatus = 0").toInt() > 20);
    QVERIFY(m_shop->scalar("select count(*) from RefundDetail").toInt() > 50);
    QVERIFY(m_shop->scalar("select count(*) from OutputDetail where unitStorageCost is null").toInt() > 5);
}

void TestStatService::productStats_data() {
    QTest::addColumn<int>("side");
    QTest::addColumn<TStatFilter>("f");
    const int in = int(Side::Purchase), out = int(Side::Sale);
    const QDate mar1(2010, 3, 1), mar31(2010, 3, 31);
    for (int side : {in, out}) {
        const char* s = side == in ? "purchases" : "sales";
        QTest::addRow("%s, one day", s) << side << filter(QDate(2010, 3, 5), QDate(2010, 3, 5));
        QTest::addRow("%s, March", s) << side << filter(mar1, mar31);
        QTest::addRow("%s, the year 2010", s) << side << filter(QDate(2010, 1, 1), QDate(2010, 12, 31));
        QTest::addRow("%s, everything", s) << side << filter(StatShop::kFirst, StatShop::kLast);
        QTest::addRow("%s, entered in March", s) << side << filter(mar1, mar31, 0, QString(), true);
        QTest::addRow("%s, June without documents", s) << side << filter(QDate(2010, 6, 1), QDate(2010, 6, 30));
        QTest::addRow("%s, by name", s) << side << filter(mar1, mar31, 1, QStringLiteral(" 笔 "));
        QTest::addRow("%s, by name with a quote", s) << side << filter(StatShop::kFirst, StatShop::kLast, 1, "o'neil");
        QTest::addRow("%s, by model", s) << side << filter(mar1, mar31, 2, "M1");
        QTest::addRow("%s, by 规格", s) << side << filter(mar1, mar31, 3, QStringLiteral("盒"));
        QTest::addRow("%s, by code", s) << side << filter(mar1, mar31, 4, "69100");
        // An emptied key keeps every product that has a model.
        QTest::addRow("%s, empty model key", s) << side << filter(mar1, mar31, 2, "");
    }
}

// Every product's quantity, amount and average price (and for sales its
// cost and profit), and the totals, against the plain reference; unaudited
// documents count, refunds of the same products on the same days do not.
void TestStatService::productStats() {
    QFETCH(int, side);
    QFETCH(TStatFilter, f);
    const Side sd = Side(side);
    const bool sale = sd == Side::Sale;
    Connection& conn = m_shop->conn();
    const Reference ref(sd);
    SqlParams p;
    const QString from = ref.from(f, scopeColumn(f.scopeIndex), p);
    std::map<qint64, Sums> expected;
    conn.select("select d.productID, " + ref.sums() + from + " group by d.productID", p, [&](const Statement& st) {
        expected[st.value(0).toLongLong()] = sumsOf(st, 1, sale);
        return true;
    });

    const TStatQuery q = ProductStats(sd, f);
    std::map<qint64, Sums> got;
    QStringList order;
    conn.select(q.sql, q.params, [&](const Statement& st) {
        QVariantMap r;
        for (int i = 0; i < st.columnCount(); ++i) r.insert(st.columnName(i), st.value(i));
        const qint64 id = r["productID"].toLongLong();
        const double quantity = r["fquantity"].toDouble(), amount = r["ftotalPrice"].toDouble();
        [&] {
            const auto found = expected.find(id);
            QVERIFY2(found != expected.end(), qPrintable(QString("unexpected product %1").arg(id)));
            const Sums& e = found->second;
            QVERIFY2(near(quantity, e.quantity, 1e-6), qPrintable(QString::number(id)));
            QVERIFY2(near(amount, e.amount, 1e-6), qPrintable(QString::number(id)));
            // The average to the cent; a quantity summing to 0 shows 0.
            const double price = r["funitPrice"].toDouble();
            if (e.quantity == 0) QCOMPARE(price, 0.0);
            else QVERIFY2(near(price, e.amount / e.quantity, 0.005), qPrintable(QString::number(price)));
            if (sale) {
                QVERIFY2(near(r["ftotalCost"].toDouble(), e.cost, 0.005), qPrintable(QString::number(id)));
                QVERIFY(near(r["ftotalRevenue"].toDouble(), e.amount - e.cost, 0.0051));
            }
            // A product that is gone keeps its row, without product columns.
            QCOMPARE(r["productName"].isNull(), id == 40);
        }();
        got[id] = Sums{quantity, amount};
        order << r["productName"].toString();
        return !QTest::currentTestFailed();
    });
    if (QTest::currentTestFailed()) return;
    QCOMPARE(got.size(), expected.size());
    QStringList sorted = order;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(order, sorted);

    const TStatQuery t = Totals(sd, f);
    Sums total;
    bool empty = true;
    conn.select(t.sql, t.params, [&](const Statement& st) {
        empty = st.isNull(0);
        total = sumsOf(st, 0, sale);
        return false;
    });
    Sums all;
    conn.select("select " + ref.sums() + from, p, [&](const Statement& st) {
        all = sumsOf(st, 0, sale);
        return false;
    });
    QCOMPARE(empty, expected.empty());
    QVERIFY(near(total.quantity, all.quantity, 1e-6));
    QVERIFY(near(total.amount, all.amount, 1e-6));
    if (sale) QVERIFY(near(total.cost, all.cost, 0.005));
}

void TestStatService::trend_data() {
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("grouping");
    QTest::addColumn<TStatFilter>("f");
    const int in = int(Side::Purchase), out = int(Side::Sale);
    const int day = int(Grouping::Day), month = int(Grouping::Month);
    QTest::newRow("purchases by day, March") << in << day << filter(QDate(2010, 3, 1), QDate(2010, 3, 31));
    QTest::newRow("sales by day, a week") << out << day << filter(QDate(2010, 3, 1), QDate(2010, 3, 7));
    QTest::newRow("purchases by month, 2010") << in << month << filter(QDate(2010, 1, 1), QDate(2010, 12, 31));
    QTest::newRow("sales by month, everything") << out << month << filter(StatShop::kFirst, StatShop::kLast);
    QTest::newRow("sales by day, over the year end")
        << out << day << filter(QDate(2010, 12, 20), QDate(2011, 1, 10));
    QTest::newRow("sales by month, entered, by name")
        << out << month << filter(StatShop::kFirst, StatShop::kLast, 1, QStringLiteral("笔"), true);
    QTest::newRow("purchases by day, June") << in << day << filter(QDate(2010, 6, 1), QDate(2010, 6, 30));
}

// One row per day or month that has documents, in ascending order: days
// and months without any stay out (a gap, not a zero).
void TestStatService::trend() {
    QFETCH(int, side);
    QFETCH(int, grouping);
    QFETCH(TStatFilter, f);
    const Side sd = Side(side);
    const bool sale = sd == Side::Sale;
    Connection& conn = m_shop->conn();
    const Reference ref(sd);
    SqlParams p;
    const QString from = ref.from(f, scopeColumn(f.scopeIndex), p);
    const int chars = grouping == int(Grouping::Day) ? 10 : 7;
    QStringList expected;
    QList<Sums> expectedSums;
    conn.select(QString("select substr(f.%1, 1, %2), ").arg(ref.date).arg(chars) + ref.sums() + from +
                    " group by 1 order by 1",
                p, [&](const Statement& st) {
                    expected << st.value(0).toString().remove('-');
                    expectedSums << sumsOf(st, 1, sale);
                    return true;
                });
    const TStatQuery q = Trend(sd, Grouping(grouping), f);
    QStringList got;
    QList<Sums> gotSums;
    conn.select(q.sql, q.params, [&](const Statement& st) {
        got << QString::number(st.value(0).toLongLong());
        gotSums << sumsOf(st, 1, sale);
        return true;
    });
    // Grouped by the document's date also when filtered by the entry date.
    QCOMPARE(got, expected);
    for (int i = 0; i < got.size(); ++i) {
        QVERIFY(near(gotSums[i].quantity, expectedSums[i].quantity, 1e-6));
        QVERIFY(near(gotSums[i].amount, expectedSums[i].amount, 1e-6));
        if (sale) QVERIFY(near(gotSums[i].cost, expectedSums[i].cost, 0.005));
    }
    for (int i = 1; i < got.size(); ++i) QVERIFY(got[i - 1].toLongLong() < got[i].toLongLong());
}

void TestStatService::repair_data() {
    QTest::addColumn<QVariant>("cost");     // the sale line's unit cost before
    QTest::addColumn<int>("product");       // 1 bought, 2 never bought, 3 bought and returned to 0, 0 none
    QTest::addColumn<QVariant>("expected"); // after; "avg" for product 1's average purchase price
    const QVariant avg("avg");
    QTest::newRow("missing, bought") << QVariant() << 1 << avg;
    QTest::newRow("zero, bought") << QVariant(0.0) << 1 << avg;
    QTest::newRow("negative, bought") << QVariant(-2.0) << 1 << avg;
    QTest::newRow("positive stays") << QVariant(4.25) << 1 << QVariant(4.25);
    QTest::newRow("missing, never bought") << QVariant() << 2 << QVariant(0.0);
    QTest::newRow("zero, never bought") << QVariant(0.0) << 2 << QVariant(0.0);
    QTest::newRow("missing, quantities sum to 0") << QVariant() << 3 << QVariant(0.0);
    QTest::newRow("missing, no product") << QVariant() << 0 << QVariant();
}

// The repair fills only lines without a positive cost, each with its
// product's average over every purchase line, audited or not.
void TestStatService::repair() {
    QFETCH(QVariant, cost);
    QFETCH(int, product);
    QFETCH(QVariant, expected);
    TestDb db;
    db.exec("insert into InputForm(inputNO, inputDate, auditStatus) values ('J1', '2010-03-01', 1), "
            "('J2', '2010-03-02', 0)");
    // Product 1: 10 at 3.00 audited, 5 at 4.50 not: 52.50 / 15 = 3.5.
    // Product 3: bought 4, then -4.
    db.exec("insert into InputDetail(inputNO, productID, quantity, totalPrice) values ('J1', 1, 10, 30), "
            "('J2', 1, 5, 22.5), ('J1', 3, 4, 10), ('J2', 3, -4, -8)");
    db.exec("insert into OutputForm(outputNO, outputDate) values ('X1', '2010-03-03')");
    // A neighbour with a cost of its own, which must stay.
    db.exec("insert into OutputDetail(outputNO, productID, quantity, totalPrice, unitStorageCost) "
            "values ('X1', 1, 1, 9, 2.75)");
    db.conn().execute("insert into OutputDetail(outputNO, productID, quantity, totalPrice, unitStorageCost) "
                      "values ('X1', :p, 2, 10, :c)",
                      {{"p", product == 0 ? QVariant() : QVariant(product)}, {"c", cost}});
    const qint64 line = db.conn().lastInsertId();
    const double average = db.scalar("select sum(totalPrice) / sum(quantity) from InputDetail where productID = 1").toDouble();

    const int changed = RepairSaleCosts(db.conn());
    const QVariant after = db.scalar(QString("select unitStorageCost from OutputDetail where id = %1").arg(line));
    if (expected == QVariant("avg")) {
        QCOMPARE(after.toDouble(), average);
        QCOMPARE(changed, 1);
    } else if (expected.isNull()) {
        QVERIFY(after.isNull());
        QCOMPARE(changed, 0);
    } else {
        QCOMPARE(after.isNull(), false);
        QCOMPARE(after.toDouble(), expected.toDouble());
        // Only a value that really changes is written.
        QCOMPARE(changed, cost.isNull() ? 1 : 0);
    }
    QCOMPARE(db.scalar("select unitStorageCost from OutputDetail where unitStorageCost = 2.75 and productID = 1")
                 .toDouble(),
             2.75);
    // A second run finds nothing left to change.
    QCOMPARE(RepairSaleCosts(db.conn()), 0);
}

// Lines are not repaired one commit at a time: a failure on any line leaves
// every line as it was.
void TestStatService::repairIsOneTransaction() {
    TestDb db;
    db.exec("insert into InputDetail(inputNO, productID, quantity, totalPrice) values ('J1', 1, 2, 5), "
            "('J1', 2, 4, 6)");
    db.exec("insert into OutputDetail(outputNO, productID, quantity, totalPrice, unitStorageCost) values "
            "('X1', 1, 1, 3, NULL), ('X1', 2, 1, 3, NULL), ('X2', 1, 1, 3, 0)");
    db.exec("create trigger refuse before update of unitStorageCost on OutputDetail when new.productID = 2 "
            "begin select raise(abort, 'refused'); end");
    QVERIFY_THROWS_EXCEPTION(DbError, RepairSaleCosts(db.conn()));
    QCOMPARE(db.scalar("select count(*) from OutputDetail where unitStorageCost > 0").toInt(), 0);
    QVERIFY(!db.conn().inTransaction());
    db.exec("drop trigger refuse");
    QCOMPARE(RepairSaleCosts(db.conn()), 3);
    QCOMPARE(db.scalar("select group_concat(unitStorageCost) from OutputDetail order by id").toString(),
             QString("2.5,1.5,2.5"));
}

void TestStatService::axisRange_data() {
    QTest::addColumn<QList<double>>("amounts");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::newRow("no points") << QList<double>{} << 0.0 << 0.0;
    QTest::newRow("positive amounts start at 0") << QList<double>{50, 200, 100} << 0.0 << 220.0;
    QTest::newRow("a refund month below 0") << QList<double>{-100, 300} << -110.0 << 330.0;
    QTest::newRow("only negative amounts end at 0") << QList<double>{-20, -10} << -22.0 << 0.0;
}

void TestStatService::axisRange() {
    QFETCH(QList<double>, amounts);
    QFETCH(double, min);
    QFETCH(double, max);
    QList<TTrendPoint> points;
    for (double a : amounts) points.append(TTrendPoint{20100301, a, 0});
    const TAxisRange r = AxisRange(points);
    QVERIFY(qFuzzyCompare(1 + r.min, 1 + min));
    QVERIFY(qFuzzyCompare(1 + r.max, 1 + max));
}

QTEST_GUILESS_MAIN(TestStatService)
#include "tst_statservice.moc"
