// The documents' logic without windows: line validation, the sale line
// arithmetic, storing and auditing in one transaction.
#include "dataset.h"
#include "dberror.h"
#include "documentlines.h"
#include "documentservice.h"
#include "identity.h"
#include "testsupport.h"

#include <QtTest>

namespace {
// A document's lines as the editor holds them: cached, on the line table.
struct Lines {
    explicit Lines(TestDb& db, const TDocumentKind& kind = TDocumentKind::Purchase(), const QString& no = "IN1")
        : ds(&db.conn()) {
        ds.setSql(kind.DetailSql());
        ds.setParam(kind.NumberField, no);
        ds.setUpdateTable(kind.DetailTable);
        ds.setCachedUpdates(true);
        ds.open();
    }
    // "product,quantity,price,total,comments" with empty parts left NULL.
    void add(const QString& line) {
        const QStringList p = line.split(',');
        ds.append();
        const char* names[] = {"productID", "quantity", "unitPrice", "totalPrice", "comments"};
        for (int i = 0; i < 5 && i < p.size(); ++i)
            if (!p[i].isEmpty()) ds.setValue(names[i], p[i]);
        ds.post();
    }
    DataSet ds;
};

QString stockOf(TestDb& db, int product) {
    Statement st(db.conn(), "select quantity, unit_cost from StorageDetail where productID=:p");
    st.bind(":p", product);
    if (!st.step()) return "none";
    return QString::number(st.value(0).toDouble(), 'g', 15) + " @ " + QString::number(st.value(1).toDouble(), 'g', 15);
}
} // namespace

class TestDocumentCore : public QObject {
    Q_OBJECT
private slots:
    void collectLines_data();
    void collectLines();
    void saleArithmetic_data();
    void saleArithmetic();
    void purchaseTotalFollowsEveryAssignment();
    void formatMoney_data();
    void formatMoney();
    void failedSaveLeavesNothingAndTheNumberFree();
    void newRefundKeepsItsDirection_data();
    void newRefundKeepsItsDirection();
    void failedSaveOfStoredDocumentChangesNothing();
    void storedDocumentSaveAddsChangesAndDropsLines();
    void auditMovesStockOnceOnly();
    void unitCostOfProductWithoutStockIsZero();
};

void TestDocumentCore::collectLines_data() {
    QTest::addColumn<QStringList>("lines"); // top to bottom
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("left");      // lines in the grid afterwards
    QTest::addColumn<QString>("stored"); // products collected, top to bottom
    const QString blank = ",,,,";
    QTest::newRow("six blank lines") << QStringList(6, blank) << "商品列表不能为空." << 0 << "";
    QTest::newRow("no lines") << QStringList() << "商品列表不能为空." << 0 << "";
    QTest::newRow("blank lines dropped around valid ones")
        << QStringList{blank, "1,2,3,6,", blank, "2,1,5,5,", blank} << "" << 2 << "1 2";
    QTest::newRow("third line faulty") << QStringList{"1,2,3,6,", "2,1,5,5,", "3,0,5,5,"} << "数量必须大于0." << 3
                                       << "";
    QTest::newRow("lines 1 and 3 faulty: line 3 is named")
        << QStringList{"1,0,3,6,", "2,1,5,5,", "3,1,0,5,"} << "单价必须大于0." << 3 << "";
    QTest::newRow("comment only is not blank") << QStringList{"1,2,3,6,", ",,,,送货上门"} << "请选择商品." << 2 << "";
    QTest::newRow("blank comment of spaces is blank") << QStringList{"1,2,3,6,", ",,,,   "} << "" << 1 << "1";
    QTest::newRow("total zero") << QStringList{"1,2,3,0,"} << "总价必须大于0." << 1 << "";
    QTest::newRow("unit price checked before quantity") << QStringList{"1,0,0,5,"} << "单价必须大于0." << 1 << "";
    QTest::newRow("blank below a fault is dropped first")
        << QStringList{"0,1,1,1,", blank} << "请选择商品." << 1 << "";
}

void TestDocumentCore::collectLines() {
    QFETCH(QStringList, lines);
    QFETCH(QString, message);
    QFETCH(int, left);
    QFETCH(QString, stored);
    TestDb db;
    Lines l(db);
    for (const QString& line : lines) l.add(line);
    TDocumentLines collected;
    QCOMPARE(DocumentLines::CollectLines(l.ds, false, collected), message);
    QCOMPARE(l.ds.recordCount(), left);
    QStringList products;
    for (const auto& c : collected) products << QString::number(c.productID);
    QCOMPARE(products.join(' '), stored);
}

void TestDocumentCore::saleArithmetic_data() {
    QTest::addColumn<QString>("start"); // base,discount,unitPrice,quantity,total
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after"); // discount,unitPrice,total
    QTest::newRow("discount 0.75 on 100 x 3") << "100,1,100,3,300" << "discount" << "0.75" << "0.75,75,225";
    QTest::newRow("unit price 25 on 30 x 2") << "30,1,30,2,60" << "unitPrice" << "25" << "0.83,25,50";
    QTest::newRow("total 200 on 100 x 3") << "100,1,100,3,300" << "totalPrice" << "200" << "0.67,66.67,200";
    QTest::newRow("quantity 4 at 12.5") << "12.5,1,12.5,1,12.5" << "quantity" << "4" << "1,12.5,50";
    QTest::newRow("discount on base price 0") << "0,1,0,2,0" << "discount" << "0.5" << "0.5,0,0";
    QTest::newRow("unit price on base price 0") << "0,1,0,2,0" << "unitPrice" << "9" << "0,9,18";
    QTest::newRow("total on quantity 0") << "10,1,10,0,0" << "totalPrice" << "30" << "0,0,30";
    QTest::newRow("total on base price 0") << "0,1,0,2,0" << "totalPrice" << "7" << "0,3.5,7";
    QTest::newRow("typed unit price is not rounded") << "10,1,10,3,30" << "unitPrice" << "3.333" << "0.33,3.333,10";
    QTest::newRow("12.345 rounds up") << "12.345,0.5,6.17,1,6.17" << "discount" << "1" << "1,12.35,12.35";
    QTest::newRow("2.675 rounds down") << "2.675,0.5,1.34,1,1.34" << "discount" << "1" << "1,2.67,2.67";
}

void TestDocumentCore::saleArithmetic() {
    QFETCH(QString, start);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, after);
    TestDb db;
    Lines l(db, TDocumentKind::Sale(), "OUT1");
    const QStringList s = start.split(',');
    l.ds.append();
    const char* names[] = {"unitPriceOriginal", "discount", "unitPrice", "quantity", "totalPrice"};
    for (int i = 0; i < 5; ++i) l.ds.setValue(names[i], s[i].toDouble());
    TLineArithmetic arithmetic(true);
    arithmetic.Attach(l.ds);
    l.ds.setValue(field, typed); // as the grid writes a typed cell
    QVERIFY(!arithmetic.PriceUpdating());
    auto text = [&](const char* n) { return QString::number(l.ds.field(n)->asFloat(), 'g', 15); };
    QCOMPARE(QStringList({text("discount"), text("unitPrice"), text("totalPrice")}).join(','), after);
}

void TestDocumentCore::purchaseTotalFollowsEveryAssignment() {
    TestDb db;
    Lines l(db);
    TLineArithmetic arithmetic(false);
    arithmetic.Attach(l.ds);
    l.ds.append();
    arithmetic.Assign(l.ds, "unitPrice", 12.5);
    arithmetic.Assign(l.ds, "quantity", 1);
    QCOMPARE(l.ds.field("totalPrice")->asFloat(), 12.5);
    l.ds.setValue("totalPrice", 99); // typed over
    arithmetic.Assign(l.ds, "quantity", 1); // the same value still recomputes
    QCOMPARE(l.ds.field("totalPrice")->asFloat(), 12.5);
    l.ds.setValue("quantity", "0.1");
    l.ds.setValue("unitPrice", "0.3");
    QCOMPARE(l.ds.field("totalPrice")->asFloat(), 0.1 * 0.3); // unrounded
}

void TestDocumentCore::formatMoney_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0.00";
    QTest::newRow("change") << 75.0 << "75.00";
    QTest::newRow("too little") << -25.0 << "-25.00";
    QTest::newRow("no grouping") << 1234567.891 << "1234567.89";
}

void TestDocumentCore::formatMoney() {
    QFETCH(double, x);
    QFETCH(QString, text);
    QCOMPARE(DocumentLines::FormatMoney(x), text);
}

namespace {
// A new master row, as the editor fills it.
struct NewMaster {
    NewMaster(TestDb& db, const TIdentity& id, const TDocumentKind& k = TDocumentKind::Purchase()) : ds(&db.conn()) {
        ds.setSql(k.MasterSql());
        ds.setParam(k.NumberField, id.Number());
        ds.setUpdateTable(k.MasterTable);
        ds.setCachedUpdates(true);
        ds.open();
        ds.append();
        ds.setValue(k.NumberField, id.Number());
        ds.setValue(k.PartnerField, 3);
        ds.setValue("totalPrice", 30);
    }
    DataSet ds;
};

TDocumentLines twoLines() {
    TDocumentLine a{0, 1, 1, 2, 10, 20};
    TDocumentLine b{0, 2, 1, 1, 10, 10};
    b.comments = "boom";
    return {a, b};
}
} // namespace

void TestDocumentCore::failedSaveLeavesNothingAndTheNumberFree() {
    TestDb db;
    db.exec("create trigger boom before insert on InputDetail when new.comments = 'boom' "
            "begin select raise(abort, '明细写入失败'); end");
    TIdentity id;
    TIdentityGenerator(db.conn()).Reserve(0, id);
    NewMaster m(db, id);
    TDocumentService service(db.conn(), TDocumentKind::Purchase());
    TDocumentLines lines = twoLines();
    QVERIFY_THROWS_EXCEPTION(DbError, service.SaveNew(id, m.ds, lines));
    QCOMPARE(db.scalar("select count(*) from InputForm").toInt(), 0);
    QCOMPARE(db.scalar("select count(*) from InputDetail").toInt(), 0);
    QCOMPARE(db.scalar("select count(*) from SysIdentity").toInt(), 0);
    lines[1].comments.clear();
    service.SaveNew(id, m.ds, lines);
    QCOMPARE(db.scalar("select inputNO from InputForm").toString(), id.Number());
    QCOMPARE(db.scalar("select group_concat(productID) from (select productID from InputDetail order by id)").toString(),
             QString("1,2"));
    QCOMPARE(db.scalar("select sn from SysIdentity").toInt(), 1);
}

void TestDocumentCore::newRefundKeepsItsDirection_data() {
    QTest::addColumn<int>("module");
    QTest::addColumn<QString>("stored"); // refundType|auditStatus|number prefix|counter
    QTest::newRow("a customer brings goods back") << 2 << "1|0|RIN|REFUNDIN:1";
    QTest::newRow("goods sent back to a supplier") << 3 << "2|0|ROUT|REFUNDOUT:1";
}

// Both directions share one table: the direction is written with the
// document, and a new refund is never stored audited, whatever the
// column's default says.
void TestDocumentCore::newRefundKeepsItsDirection() {
    QFETCH(int, module);
    QFETCH(QString, stored);
    TestDb db;
    db.exec("drop table RefundForm");
    db.exec("create table RefundForm(id integer primary key autoincrement, refundType integer, refundNO varchar(50),"
            " storageID integer, cosID integer, totalPrice double, comments varchar(255), refundDate datetime,"
            " refundUser integer, createUser integer, createDate datetime, auditStatus integer default 1)");
    const TDocumentKind& k = TDocumentKind::Refund(module);
    TIdentity id;
    TIdentityGenerator(db.conn()).Reserve(k.Module, id);
    NewMaster m(db, id, k);
    TDocumentLines lines = twoLines();
    lines[1].comments.clear();
    TDocumentService(db.conn(), k).SaveNew(id, m.ds, lines);
    QCOMPARE(db.scalar("select refundType || '|' || auditStatus || '|' || substr(refundNO, 1, instr(refundNO, '2') - 1)"
                       " || '|' || (select module || ':' || sn from SysIdentity) from RefundForm")
                 .toString(),
             stored);
    QCOMPARE(db.scalar("select count(*) || ' ' || sum(totalPrice) from RefundDetail where refundNO = '" + id.Number() + "'")
                 .toString(),
             QString("2 30.0"));
}

void TestDocumentCore::failedSaveOfStoredDocumentChangesNothing() {
    TestDb db;
    db.exec("insert into InputForm(inputNO, totalPrice, comments) values('IN1', 30, 'old')");
    db.exec("insert into InputDetail(inputNO, productID, unitID, quantity, unitPrice, totalPrice) values"
            " ('IN1', 1, 1, 2, 10, 20), ('IN1', 2, 1, 1, 10, 10)");
    db.exec("create trigger boom before update on InputDetail when new.comments = 'boom' "
            "begin select raise(abort, '明细写入失败'); end");
    const TDocumentKind& k = TDocumentKind::Purchase();
    DataSet master(&db.conn());
    master.setSql(k.MasterSql());
    master.setParam("inputNO", "IN1");
    master.setUpdateTable(k.MasterTable);
    master.setCachedUpdates(true);
    master.open();
    master.setValue("totalPrice", 70);
    master.setValue("comments", "new");
    master.post();
    TDocumentLines lines{{1, 1, 1, 2, 30, 60}, {2, 2, 1, 1, 10, 10}};
    lines[1].comments = "boom";
    TDocumentService service(db.conn(), k);
    QVERIFY_THROWS_EXCEPTION(DbError, service.SaveExisting(master, lines));
    // The master was written first; the failing line took it back with it.
    QCOMPARE(db.scalar("select totalPrice || ' ' || comments from InputForm").toString(), QString("30.0 old"));
    QCOMPARE(db.scalar("select sum(totalPrice) from InputDetail").toDouble(), 30.0);
    QCOMPARE(master.field("totalPrice")->asFloat(), 70.0); // the edits stay for another try
}

void TestDocumentCore::storedDocumentSaveAddsChangesAndDropsLines() {
    TestDb db;
    db.exec("insert into InputForm(inputNO, totalPrice) values('IN1', 30)");
    db.exec("insert into InputDetail(id, inputNO, productID, unitID, quantity, unitPrice, totalPrice) values"
            " (1, 'IN1', 1, 1, 2, 10, 20), (2, 'IN1', 2, 1, 1, 10, 10), (3, 'IN2', 2, 1, 1, 10, 10)");
    const TDocumentKind& k = TDocumentKind::Purchase();
    DataSet master(&db.conn());
    master.setSql(k.MasterSql());
    master.setParam("inputNO", "IN1");
    master.setUpdateTable(k.MasterTable);
    master.setCachedUpdates(true);
    master.open();
    TDocumentLines lines{{2, 2, 1, 3, 10, 30}, {0, 5, 1, 1, 7, 7}};
    TDocumentService(db.conn(), k).SaveExisting(master, lines);
    QCOMPARE(db.scalar("select group_concat(productID || 'x' || quantity, ' ') from "
                       "(select * from InputDetail where inputNO='IN1' order by id)")
                 .toString(),
             QString("2x3.0 5x1.0"));
    QCOMPARE(db.scalar("select count(*) from InputDetail where inputNO='IN2'").toInt(), 1);
}

void TestDocumentCore::auditMovesStockOnceOnly() {
    TestDb db;
    db.exec("insert into StorageDetail(productID, quantity, unit_cost) values(7, 10, 10)");
    db.exec("insert into InputForm(inputNO) values('IN1')");
    db.exec("insert into InputDetail(inputNO, productID, unitID, quantity, unitPrice, totalPrice)"
            " values('IN1', 7, 1, 5, 12.5, 62.5)");
    Lines l(db);
    TDocumentService service(db.conn(), TDocumentKind::Purchase());
    service.ChangeAuditStatus("IN1", l.ds, 1);
    QCOMPARE(stockOf(db, 7), QString("15 @ 10.8333333333333"));
    QCOMPARE(service.StoredAuditStatus("IN1"), 1);
    // A second audit of the same document (another window's) is refused
    // and moves nothing.
    QVERIFY_THROWS_EXCEPTION(AppError, service.ChangeAuditStatus("IN1", l.ds, 1));
    QCOMPARE(stockOf(db, 7), QString("15 @ 10.8333333333333"));
    service.ChangeAuditStatus("IN1", l.ds, 0);
    QCOMPARE(stockOf(db, 7), QString("10 @ 9.99999999999995"));
    QVERIFY_THROWS_EXCEPTION(AppError, service.ChangeAuditStatus("IN1", l.ds, 0));
    QCOMPARE(service.StoredAuditStatus("IN1"), 0);
}

void TestDocumentCore::unitCostOfProductWithoutStockIsZero() {
    TestDb db;
    db.exec("insert into StorageDetail(productID, quantity, unit_cost) values(7, 10, 11), (8, 1, null)");
    QCOMPARE(DocumentLines::LookupUnitCost(db.conn(), 7), 11.0);
    QCOMPARE(DocumentLines::LookupUnitCost(db.conn(), 8), 0.0);
    QCOMPARE(DocumentLines::LookupUnitCost(db.conn(), 9), 0.0);
}

QTEST_GUILESS_MAIN(TestDocumentCore)
#include "tst_documentcore.moc"
