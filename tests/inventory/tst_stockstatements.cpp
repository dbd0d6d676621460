#include "connection.h"
#include "dberror.h"
#include "productindex.h"
#include "stockstatements.h"
#include "testsupport.h"

#include <QtTest>

Q_DECLARE_METATYPE(StockView::Search)

using StockView::Search;

namespace {

// Categories 1 (top) > 2 > 3. Product 1 has two stock rows, product 6 none.
void seed(TestDb& db) {
    db.exec("insert into ProductCategory(id, parentID, categoryName) values (2, 1, '服装'), (3, 2, '男装')");
    db.exec("insert into Product(id, productCode, productName, product_model, product_spec, productDesc, categoryID,"
            " dfield4) values"
            " (1, 'A-1', '白衬衫', 'M1', 'S', null, 3, null),"
            " (2, 'A-2', 'O''Neil 奶酪', 'M2', 'L', null, 2, null),"
            " (3, 'B-1', '西装', 'X9', '100%棉', 'abc', 1, null),"
            " (4, 'B-2', '领带', 'M1', 'L', null, 3, '暗纹'),"
            " (5, 'C_1', '袜子', 'N', 'S', null, 2, null),"
            " (6, 'C-2', '手帕', 'N', 'S', null, 2, null)");
    db.exec("insert into StorageDetail(id, productID, quantity, unit_cost) values"
            " (11, 1, 3, 1.006), (12, 1, 0, 2), (13, 2, 10, 5), (14, 3, -2, null), (15, 4, 10.5, 0.5),"
            " (16, 5, null, 3)");
}

// Stock row ids the statement lists, sorted.
QString listed(TestDb& db, const StockView::Criteria& c) {
    Statement st(db.conn(), StockView::ListStatement(c.text));
    st.bindAll(c.params);
    QList<int> ids;
    while (st.step()) ids << st.value(1).toInt();
    std::sort(ids.begin(), ids.end());
    QStringList out;
    for (int id : ids) out << QString::number(id);
    return out.join(',');
}

} // namespace

class TestStockStatements : public QObject {
    Q_OBJECT
private slots:
    void search_data();
    void search();
    void indexConsulted_data();
    void indexConsulted();
    void tree_data();
    void tree();
    void sums();
    void totalCost_data();
    void totalCost();
    void saveUnitCost_data();
    void saveUnitCost();
    void averagePrice_data();
    void averagePrice();
};

void TestStockStatements::search_data() {
    QTest::addColumn<Search>("search");
    QTest::addColumn<QString>("expected");   // stock rows listed
    QTest::addColumn<QString>("plainWhere"); // the same rows by plain SQL
    QTest::newRow("nothing chosen") << Search{} << "11,12,13,14,15,16" << "1=1";
    QTest::newRow("blank key") << Search{0, "   "} << "11,12,13,14,15,16" << "1=1";
    QTest::newRow("key in any column") << Search{0, "m1"} << "11,12,15" << "p.product_model = 'M1'";
    QTest::newRow("key in the description") << Search{0, "ABC"} << "14" << "p.id = 3";
    QTest::newRow("key in a custom field") << Search{0, "暗"} << "15" << "p.id = 4";
    QTest::newRow("key by name only") << Search{1, "m1"} << "" << "0";
    QTest::newRow("quote in the key") << Search{1, "O'Neil"} << "13" << "p.id = 2";
    QTest::newRow("underscore is a wildcard") << Search{0, "C_"} << "16" << "p.productCode like 'C%'";
    QTest::newRow("percent is a wildcard") << Search{3, "%"} << "11,12,13,14,15,16" << "1=1";
    QTest::newRow("by model") << Search{2, "x9"} << "14" << "p.id = 3";
    QTest::newRow("by 规格") << Search{3, "l"} << "13,15" << "p.product_spec = 'L'";
    QTest::newRow("category of the product itself") << Search{0, "", 2} << "13,16" << "p.categoryID = 2";
    QTest::newRow("top category adds nothing") << Search{0, "", 1} << "11,12,13,14,15,16" << "1=1";
    QTest::newRow("more than 0") << Search{0, "", 0, 1, 0} << "11,13,15" << "s.quantity > 0";
    QTest::newRow("at least 0") << Search{0, "", 0, 2, 0} << "11,12,13,15" << "s.quantity >= 0";
    QTest::newRow("below a fraction") << Search{0, "", 0, 3, 10.25} << "11,12,13,14" << "s.quantity < 10.25";
    QTest::newRow("at most") << Search{0, "", 0, 4, 3} << "11,12,14" << "s.quantity <= 3";
    QTest::newRow("equal to a fraction") << Search{0, "", 0, 5, 10.5} << "15" << "s.quantity = 10.5";
    QTest::newRow("condition <全部> ignores the value") << Search{0, "", 0, 0, 99} << "11,12,13,14,15,16" << "1=1";
    QTest::newRow("key, category and quantity") << Search{0, "m", 3, 1, 2} << "11,15"
                                                << "p.categoryID = 3 and s.quantity > 2";
    QTest::newRow("any column or, and category") << Search{0, "l", 3} << "15" << "p.id = 4";
    // Scopes of one column the product index holds, against a plain like.
    QTest::newRow("name, one character ending a name")
        << Search{1, "酪"} << "13" << "p.productName like '%酪%'";
    QTest::newRow("name, two characters") << Search{1, "衬衫"} << "11,12" << "p.productName like '%衬衫%'";
    QTest::newRow("name, three characters") << Search{1, "白衬衫"} << "11,12" << "p.productName like '%白衬衫%'";
    QTest::newRow("name, other case") << Search{1, "o'NEIL"} << "13" << "p.productName like '%o''NEIL%'";
    QTest::newRow("name, underscore wildcard") << Search{1, "西_"} << "14" << "p.productName like '%西_%'";
    QTest::newRow("name, percent wildcard") << Search{1, "o%酪"} << "13" << "p.productName like '%o%酪%'";
    QTest::newRow("name, held by no product") << Search{1, "西装裤"} << "" << "p.productName like '%西装裤%'";
    QTest::newRow("name, held by a code only") << Search{1, "a-1"} << "" << "p.productName like '%a-1%'";
    QTest::newRow("model, two characters, other case")
        << Search{2, "m1"} << "11,12,15" << "p.product_model like '%m1%'";
    QTest::newRow("model, held by a 规格 only") << Search{2, "s"} << "" << "p.product_model like '%s%'";
    QTest::newRow("model, underscore alone") << Search{2, "_"} << "11,12,13,14,15,16" << "p.product_model like '%_%'";
    QTest::newRow("规格, percent in the value") << Search{3, "0%棉"} << "14" << "p.product_spec like '%0%棉%'";
    QTest::newRow("规格, Chinese") << Search{3, "棉"} << "14" << "p.product_spec like '%棉%'";
    QTest::newRow("规格, double quote") << Search{3, "\""} << "" << "p.product_spec like '%\"%'";
    QTest::newRow("规格, and quantity")
        << Search{3, "s", 0, 1, 0} << "11" << "p.product_spec like '%s%' and s.quantity > 0";
}

void TestStockStatements::search() {
    QFETCH(Search, search);
    QFETCH(QString, expected);
    QFETCH(QString, plainWhere);
    TestDb db;
    seed(db);
    QCOMPARE(listed(db, StockView::BuildCriteria(search, &db.conn())), expected);
    // Listed without the program's statements.
    QStringList plain;
    Statement st(db.conn(), "select s.id from StorageDetail s join Product p on p.id = s.productID where " +
                                plainWhere + " order by s.id");
    while (st.step()) plain << st.value(0).toString();
    QCOMPARE(plain.join(','), expected);
}

// Whether a key goes through the product index shows on an index that has
// lost product 2 (O'Neil 奶酪), with more than ProductIndex::kScanLimit
// products besides whose names start with 奶, none in stock.
void TestStockStatements::indexConsulted_data() {
    QTest::addColumn<Search>("search");
    QTest::addColumn<bool>("consult"); // a connection is handed over
    QTest::addColumn<QString>("expected");
    QTest::newRow("a scope the index holds") << Search{1, "奶酪"} << true << "";
    QTest::newRow("model") << Search{2, "m2"} << true << "";
    QTest::newRow("规格") << Search{3, "l"} << true << "15";
    QTest::newRow("without a connection") << Search{1, "奶酪"} << false << "13";
    QTest::newRow("any column") << Search{0, "奶酪"} << true << "13";
    QTest::newRow("wildcards only") << Search{1, "%_"} << true << "11,12,13,14,15,16";
    QTest::newRow("held by more products than the limit") << Search{1, "奶"} << true << "13";
}

void TestStockStatements::indexConsulted() {
    QFETCH(Search, search);
    QFETCH(bool, consult);
    QFETCH(QString, expected);
    TestDb db;
    seed(db);
    db.exec("insert into ProductSearch(ProductSearch, rowid, productCode, productName, product_model, product_spec)"
            " select 'delete', * from ProductSearchText where id = 2");
    db.exec(QString("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1)"
                    " insert into Product(id, productName) select 1000 + i, '奶' || i from n")
                .arg(ProductIndex::kScanLimit + 1));
    QCOMPARE(listed(db, StockView::BuildCriteria(search, consult ? &db.conn() : nullptr)), expected);
}

void TestStockStatements::tree_data() {
    QTest::addColumn<int>("category");
    QTest::addColumn<QString>("expected");
    QTest::newRow("top lists every stock row") << 1 << "11,12,13,14,15,16";
    QTest::newRow("a category, not its sub-categories") << 2 << "13,16";
    QTest::newRow("a leaf") << 3 << "11,12,15";
    QTest::newRow("empty") << 77 << "";
}

void TestStockStatements::tree() {
    QFETCH(int, category);
    QFETCH(QString, expected);
    TestDb db;
    seed(db);
    QCOMPARE(listed(db, StockView::TreeCriteria(category)), expected);
}

// The footer sums the unrounded values: 3 × 1.006 is 3.018, not 3.03.
void TestStockStatements::sums() {
    TestDb db;
    seed(db);
    const StockView::Criteria c = StockView::TreeCriteria(3);
    Statement st(db.conn(), StockView::SumStatement(c.text));
    st.bindAll(c.params);
    QVERIFY(st.step());
    QCOMPARE(st.value(0).toDouble(), 13.5);
    QCOMPARE(st.value(1).toDouble(), 3.018 + 5.25);
}

void TestStockStatements::totalCost_data() {
    QTest::addColumn<QVariant>("cost");
    QTest::addColumn<QVariant>("quantity");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("cost rounded before it is multiplied") << QVariant(1.006) << QVariant(3.0) << QVariant(3.03);
    QTest::newRow("result rounded, ties to even") << QVariant(0.25) << QVariant(0.5) << QVariant(0.12);
    QTest::newRow("fractional quantity") << QVariant(0.5) << QVariant(10.5) << QVariant(5.25);
    QTest::newRow("empty cost is 0") << QVariant() << QVariant(4.0) << QVariant(0.0);
    QTest::newRow("empty quantity is 0") << QVariant(3.0) << QVariant() << QVariant(0.0);
    QTest::newRow("negative stock") << QVariant(2.5) << QVariant(-2.0) << QVariant(-5.0);
    QTest::newRow("no number") << QVariant("abc") << QVariant(2.0) << QVariant();
}

void TestStockStatements::totalCost() {
    QFETCH(QVariant, cost);
    QFETCH(QVariant, quantity);
    QFETCH(QVariant, expected);
    const QVariant got = StockView::TotalCost(cost, quantity);
    QCOMPARE(got.isValid(), expected.isValid());
    if (expected.isValid()) QCOMPARE(got.toDouble(), expected.toDouble());
}

void TestStockStatements::saveUnitCost_data() {
    QTest::addColumn<qint64>("row");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // unit_cost of rows 11..16
    QTest::addColumn<bool>("refused");
    // Row 12 is the second stock row of product 1: keyed on the product, it
    // would have changed too.
    QTest::newRow("one row of a product with two") << qint64(11) << "7.125" << "7.125,2,5,,0.5,3" << false;
    QTest::newRow("the other row of that product") << qint64(12) << " 8 " << "1.006,8,5,,0.5,3" << false;
    QTest::newRow("empty clears the value") << qint64(13) << "" << "1.006,2,,,0.5,3" << false;
    QTest::newRow("text is refused") << qint64(13) << "5元" << "1.006,2,5,,0.5,3" << true;
    QTest::newRow("a comma is no decimal point") << qint64(13) << "5,5" << "1.006,2,5,,0.5,3" << true;
}

void TestStockStatements::saveUnitCost() {
    QFETCH(qint64, row);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QFETCH(bool, refused);
    TestDb db;
    seed(db);
    bool threw = false;
    try {
        StockView::SaveUnitCost(db.conn(), row, text);
    } catch (const AppError&) {
        threw = true;
    }
    QCOMPARE(threw, refused);
    QStringList costs;
    Statement st(db.conn(), "select unit_cost from StorageDetail order by id");
    while (st.step()) costs << (st.isNull(0) ? QString() : QString::number(st.value(0).toDouble()));
    QCOMPARE(costs.join(','), expected);
}

void TestStockStatements::averagePrice_data() {
    QTest::addColumn<QString>("lines"); // InputDetail rows of product 7
    QTest::addColumn<QString>("expected");
    const QString notes = "注：1) 平均单价=进货总价/总数量\r    2) 当库存单价（即成本价）改乱时，可参考该平均单价\r"
                          "    3) 库存单价在每次进货时自动实时计算，更能反映当前的成本价";
    QTest::newRow("no purchases") << "" << "该商品没有进货数据(productID=7)";
    QTest::newRow("purchases, audited or not")
        << "('J-1', 7, 3, 10), ('J-2', 7, 1, 2.5)"
        << "该商品累计进货数量： 4\r进货总价： 12.5 元\r平均单价： 3.125 元\r\r\r" + notes;
    QTest::newRow("not rounded to cents") << "('J-1', 7, 3, 10)"
                                          << "该商品累计进货数量： 3\r进货总价： 10 元\r平均单价： 3.33333333333333 元\r\r\r" +
                                                 notes;
    QTest::newRow("quantities adding up to 0") << "('J-1', 7, 2, 10), ('J-2', 7, -2, -4)"
                                               << "该商品累计进货数量： 0\r进货总价： 6 元\r平均单价： 0 元\r\r\r" + notes;
}

void TestStockStatements::averagePrice() {
    QFETCH(QString, lines);
    QFETCH(QString, expected);
    TestDb db;
    db.exec("insert into InputDetail(inputNO, productID, quantity, totalPrice) values ('J-9', 8, 5, 50)");
    if (!lines.isEmpty())
        db.exec("insert into InputDetail(inputNO, productID, quantity, totalPrice) values " + lines);
    QCOMPARE(StockView::AveragePurchasePriceText(db.conn(), 7), expected);
}

QTEST_GUILESS_MAIN(TestStockStatements)
#include "tst_stockstatements.moc"
