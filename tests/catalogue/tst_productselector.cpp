#include "appcontext.h"
#include "dataset.h"
#include "datagrid.h"
#include "maindm.h"
#include "productselector.h"
#include "quickmessagedlg.h"
#include "controlplacement.h"
#include "dynamicfield.h"
#include "shellsupport.h"

#include <QDir>
#include <QKeyEvent>
#include <QPainter>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>
#include <QtTest>

namespace {
struct Shell : TestShell {
    TDFMProxy labels{dm.MainConn};
    TControlPlacement placement{ctx.PlacementFile()};
    Shell() {
        db.exec("insert into Product(productCode, productName, product_model, product_spec, storageUnit, salePrice) "
                "values('6901', '苹果', 'A1', '红', 1, 3.5)");
        db.exec("insert into Product(productCode, productName, storageUnit, salePrice) values('6902', 'O''Neil 茶', 2, 12)");
        db.exec("insert into Product(productCode, productName, storageUnit) values('6903', '百分之5%折扣', 99)");
        db.exec("insert into Product(productCode, productName) values('6904', '无单位')");
        db.exec("insert into Product(productCode, productName, product_spec) values('7000', '香蕉', '黄色')");
    }
};

// A product cell as a document editor drives the selector.
class Cell : public QLineEdit {
public:
    TProductSelector* selector;
    QList<TProduct> picked;
    bool throwOnPick = false;
    explicit Cell(TProductSelector* s) : selector(s) {
        connect(this, &QLineEdit::textEdited, this, [this](const QString& t) {
            selector->ShowForEditor(this, handler());
            TProduct c;
            c.productCode = c.productName = c.product_model = c.product_spec = t;
            selector->QueueSearch(c, false);
        });
    }
    TProductPickEvent handler() {
        return [this](QObject*, const TProduct& p) {
            if (throwOnPick) throw std::runtime_error("line refused");
            picked << p;
        };
    }
    void startEmpty() {
        selector->ShowForEditor(this, handler());
        selector->QueueSearch(TProduct(), false);
    }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        selector->ForwardKey(e->key());
        if (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down || e->key() == Qt::Key_Return) return;
        QLineEdit::keyPressEvent(e);
    }
};

QStringList names(DataSet* ds) {
    QStringList out;
    for (int r = 0; r < ds->recordCount(); ++r) out << ds->valueAt(r, "productName").toString();
    return out;
}

QList<qint64> ids(DataSet* ds) {
    QList<qint64> out;
    for (int r = 0; r < ds->recordCount(); ++r) out << ds->valueAt(r, "id").toLongLong();
    return out;
}

// What makes searching hard: Chinese, mixed case, wildcard characters and
// quotes in the data, empty and missing values, values of one character, and
// names shared by several products.
void addHardProducts(Connection& conn) {
    const char* rows[][4] = {
        {"6901234567890", "红富士苹果", "A1", "红"},
        {"6902", "O'Neil 茶", nullptr, ""},
        {"6903", "百分之5%折扣", "M_1", "5%"},
        {"6904", nullptr, "M123", nullptr},
        {"", "", "", ""},
        {"A", "苹果汁", "x", "果"},
        {"abc", "ABC 文具", "AbC", "abC"},
        {"7000", "香蕉", nullptr, "黄色"},
        {"M1234", "苹果", "m123", "红色"},
        {"LCD-12\"", "12\" 显示器", "Ä型", "ä型"},
        {"6905", "苹果", "A1", nullptr},
        {"1", "Z", "z", "_"},
        {"ＡＢＣ", "全角ａｂｃ", "ａｂｃ", "Ａ"},
        {"690123456789", "苹果", "", ""},
        {nullptr, "没有条码", nullptr, nullptr},
        {"   ", "空格 名称", " ", "a b"},
        {"6906", "ABC 文具", "a1", "%"},
    };
    Statement st(conn, "insert into Product(productCode, productName, product_model, product_spec) "
                       "values(:c, :n, :m, :s)");
    for (const auto& r : rows) {
        st.reset();
        int i = 0;
        for (const char* name : {":c", ":n", ":m", ":s"}) {
            const char* v = r[i++];
            st.bind(name, v ? QVariant(QString::fromUtf8(v)) : QVariant());
        }
        while (st.step()) {
        }
    }
}

struct Shop : TestShell {
    TDFMProxy labels{dm.MainConn};
    TControlPlacement placement{ctx.PlacementFile()};
    Shop() { addHardProducts(db.conn()); }
};

// The statement the selector ran before the products were indexed, word for
// word: every search must list exactly its rows, in its order.
QList<qint64> likeStatement(Connection& conn, const TProduct& c, bool matchAll) {
    QString sql = "select Product.*, ProductUnit.unitName from Product  left join ProductUnit on "
                  "Product.storageUnit=ProductUnit.id ";
    QStringList terms;
    SqlParams params;
    auto add = [&](const QString& value, const QString& column) {
        if (value.isEmpty()) return;
        terms << " " + column + " like :" + column + " ";
        params.insert(column, "%" + value + "%");
    };
    add(c.productCode, "productCode");
    add(c.productName, "productName");
    add(c.product_model, "product_model");
    add(c.product_spec, "product_spec");
    if (!terms.isEmpty()) sql += " where " + terms.join(matchAll ? " and " : " or ");
    sql += " order by productName ";
    QList<qint64> out;
    conn.select(sql, params, [&out](const Statement& row) {
        out << row.value(0).toLongLong();
        return true;
    });
    return out;
}

TProduct everyColumn(const QString& text) {
    TProduct c;
    c.productCode = c.productName = c.product_model = c.product_spec = text;
    return c;
}

// The selector's list against the statement above, every way the selector
// can take: products read by id and sorted, picked out along the name index,
// or the name index walked without the index's help.
void compareWithLike(TProductSelector& sel, Connection& conn, const TProduct& c, bool matchAll) {
    const QList<qint64> expected = likeStatement(conn, c, matchAll);
    const std::pair<int, int> limits[] = {{100000, 100000}, {3, 100000}, {0, 100000}, {0, 0}};
    for (const auto& [sortLimit, filterLimit] : limits) {
        sel.SetSearchLimits(sortLimit, filterLimit);
        sel.RunSearch(c, matchAll);
        if (ids(sel.productQuery) != expected)
            QFAIL(qPrintable(QString("%1 %2 %3 %4, limits %5 %6: %7, the LIKE statement %8")
                                 .arg(c.productCode, c.productName, c.product_model, c.product_spec)
                                 .arg(sortLimit)
                                 .arg(filterLimit)
                                 .arg(QDebug::toString(ids(sel.productQuery)), QDebug::toString(expected))));
    }
}
} // namespace

class TestProductSelector : public QObject {
    Q_OBJECT
private slots:
    void sameRowsAsLike_data();
    void sameRowsAsLike();
    void indexFollowsChanges_data();
    void indexFollowsChanges();
    void olderFileGainsTheIndex_data();
    void olderFileGainsTheIndex();
    void burstOfKeysRunsOneSearch();
    void sameTextAgainRunsNoSearch();
    void resetSearchRunsAgain();
    void emptyCellListsAllByName();
    void searchKeys_data();
    void searchKeys();
    void productWithoutUnitIsListed_data();
    void productWithoutUnitIsListed();
    void enterOnEmptyListDoesNothing();
    void pickingIntoTheHandler();
    void throwingHandler();
    void placedBesideTheEditor();
    void screenshot();
    void gridControllerRows();
    void gridControllerColumns();
};

void TestProductSelector::burstOfKeysRunsOneSearch() {
    Shell s;
    TProductSelector sel(s.dm.MainConn, s.labels, s.placement);
    Cell cell(&sel);
    cell.show();
    QTest::keyClicks(&cell, "A1");
    QCOMPARE(sel.SearchCount(), 0);
    QTRY_COMPARE(sel.SearchCount(), 1);
    QTest::qWait(300);
    QCOMPARE(sel.SearchCount(), 1);
    QCOMPARE(names(sel.productQuery), QStringList{"苹果"});
}

void TestProductSelector::sameTextAgainRunsNoSearch() {
    Shell s;
    TProductSelector sel(s.dm.MainConn, s.labels, s.placement);
    Cell cell(&sel);
    cell.show();
    QTest::keyClicks(&cell, "a");
    QTRY_COMPARE(sel.SearchCount(), 1);
    QTest::keyClick(&cell, Qt::Key_Backspace);
    QTest::keyClicks(&cell, "a");
    QTest::qWait(350);
    QCOMPARE(sel.SearchCount(), 1);
}

void TestProductSelector::resetSearchRunsAgain() {
    Shell s;
    TProductSelector sel(s.dm.MainConn, s.labels, s.placement);
    Cell cell(&sel);
    cell.startEmpty();
    QTRY_COMPARE(sel.SearchCount(), 1);
    sel.ResetSearch();
    cell.startEmpty();
    QTRY_COMPARE(sel.SearchCount(), 2);
}

void TestProductSelector::emptyCellListsAllByName() {
    Shell s;
    TProductSelector sel(s.dm.MainConn, s.labels, s.placement);
    Cell cell(&sel);
    cell.startEmpty();
    QTRY_COMPARE(sel.SearchCount(), 1);
    QStringList all = names(sel.productQuery);
    QCOMPARE(all.size(), 5);
    QStringList sorted = all;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    QCOMPARE(all, sorted);
}

void TestProductSelector::searchKeys_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("quote matches literally") << "O'Neil" << QStringList{"O'Neil 茶"};
    QTest::newRow("percent is a wildcard") << "百%扣" << QStringList{"百分之5%折扣"};
    QTest::newRow("underscore is a wildcard") << "69_3" << QStringList{"百分之5%折扣"};
    QTest::newRow("code") << "7000" << QStringList{"香蕉"};
    QTest::newRow("product_spec column") << "黄" << QStringList{"香蕉"};
    QTest::newRow("model, any case") << "a1" << QStringList{"苹果"};
}

void TestProductSelector::searchKeys() {
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    Shell s;
    TProductSelector sel(s.dm.MainConn, s.labels, s.placement);
    TProduct c;
    c.productCode = c.productName = c.product_model = c.product_spec = text;
    sel.RunSearch(c, false);
    QCOMPARE(names(sel.productQuery), found);
}

void TestProductSelector::sameRowsAsLike_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("guige");
    QTest::addColumn<bool>("all");
    auto every = [](const char* row, const QString& text) {
        QTest::newRow(row) << text << text << text << text << false;
    };
    every("nothing typed", "");
    every("one digit", "1");
    every("one Chinese character", "苹");
    every("two Chinese characters", "苹果");
    every("three Chinese characters", "红富士");
    every("rare code", "M123");
    every("absent code of 12 digits", "123456789012");
    every("absent letter", "q");
    every("digits ending a code", "890");
    every("a whole code", "690123456789");
    every("lower case finds upper", "a1");
    every("upper case finds lower", "ABC");
    every("mixed case", "aBc");
    every("case of other letters counts", "Ä");
    every("full-width letters", "ＡＢＣ");
    every("full-width lower case", "ａｂｃ");
    every("percent alone", "%");
    every("underscore alone", "_");
    every("two underscores", "__");
    every("percent between", "百%扣");
    every("underscore between", "69_3");
    every("underscores around a digit", "M_1");
    every("percent at the end", "5%");
    every("wildcards and a long run", "%显示器_");
    every("single quote", "O'Neil");
    every("double quote", "12\"");
    every("double quote alone", "\"");
    every("space inside", "l 茶");
    every("one space", " ");
    every("a value of one character", "x");
    every("one character ending a value", "果");
    every("two characters ending a value", "果汁");
    every("a whole name", "ABC 文具");
    every("longer than any value", "苹果苹果苹果苹果");
    QTest::newRow("code or name") << "7000" << "茶" << "" << "" << false;
    QTest::newRow("code and name") << "69" << "苹" << "" << "" << true;
    QTest::newRow("code and name, one wildcards only") << "%" << "苹果" << "" << "" << true;
    QTest::newRow("code and name, both wildcards only") << "_" << "%" << "" << "" << true;
    QTest::newRow("code or name, one common") << "6" << "Z" << "" << "" << false;
    QTest::newRow("code or name, one wildcards only") << "_" << "Z" << "" << "" << false;
    QTest::newRow("规格 only") << "" << "" << "" << "黄" << false;
    QTest::newRow("model only, all") << "" << "" << "a1" << "" << true;
    QTest::newRow("every column its own text, all") << "69" << "苹果" << "A1" << "红" << true;
}

void TestProductSelector::sameRowsAsLike() {
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, model);
    QFETCH(QString, guige);
    QFETCH(bool, all);
    Shop s;
    TProductSelector sel(s.dm.MainConn, s.labels, s.placement);
    TProduct c;
    c.productCode = code;
    c.productName = name;
    c.product_model = model;
    c.product_spec = guige;
    compareWithLike(sel, s.db.conn(), c, all);
}

void TestProductSelector::indexFollowsChanges_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("through"); // "file": another connection; "main"; "transaction": main, uncommitted
    QTest::newRow("new product") << "insert into Product(productCode, productName) values('N1', '新苹果')" << "file";
    QTest::newRow("new product, main connection")
        << "insert into Product(productCode, productName) values('N1', '新苹果')" << "main";
    QTest::newRow("new product, not yet committed")
        << "insert into Product(productCode, productName) values('N1', '新苹果')" << "transaction";
    QTest::newRow("renamed") << "update Product set productName = '新红富士' where id = 1" << "file";
    QTest::newRow("renamed, not yet committed") << "update Product set productName = '新红富士' where id = 1"
                                                << "transaction";
    QTest::newRow("code, model and 规格 changed")
        << "update Product set productCode = 'NEWCODE', product_model = 'M999', product_spec = NULL where id = 9"
        << "main";
    QTest::newRow("name emptied") << "update Product set productName = NULL where productName = '苹果'" << "file";
    QTest::newRow("price only changed") << "update Product set salePrice = 9 where id = 1" << "file";
    QTest::newRow("id changed") << "update Product set id = 1000 where id = 1" << "file";
    QTest::newRow("replaced") << "insert or replace into Product(id, productCode, productName) values(1, 'R1', '新红')"
                              << "file";
    QTest::newRow("deleted") << "delete from Product where productName = '苹果'" << "main";
    QTest::newRow("deleted, not yet committed") << "delete from Product where productName = '苹果'" << "transaction";
    QTest::newRow("all deleted") << "delete from Product" << "file";
}

void TestProductSelector::indexFollowsChanges() {
    QFETCH(QString, change);
    QFETCH(QString, through);
    Shop s;
    TProductSelector sel(s.dm.MainConn, s.labels, s.placement);
    const QStringList texts{"苹", "新", "红富士", "6901", "M123", "M999", "newcode", "r1", "1", "果"};
    for (const QString& text : texts) sel.RunSearch(everyColumn(text), false); // read before the change
    Connection& conn = through == "file" ? s.db.conn() : s.dm.MainConn;
    if (through == "transaction") conn.begin();
    conn.execute(change);
    for (const QString& text : texts) {
        compareWithLike(sel, conn, everyColumn(text), false);
        if (QTest::currentTestFailed()) break;
    }
    conn.rollback();
}

void TestProductSelector::olderFileGainsTheIndex_data() {
    QTest::addColumn<QString>("loss");
    QTest::newRow("made before the index")
        << "drop trigger ProductSearchAdd; drop trigger ProductSearchRemove; drop trigger ProductSearchChangeFrom; "
           "drop trigger ProductSearchChangeTo; drop table ProductSearchTerms; drop table ProductSearch; "
           "drop view ProductSearchText;";
    QTest::newRow("one trigger lost") << "drop trigger ProductSearchRemove;";
    QTest::newRow("word list lost") << "drop table ProductSearchTerms;";
    // Before the import indexed a batch at a time, the insert trigger had no
    // condition and there was no hold table.
    QTest::newRow("made before the batch hold")
        << "drop table ProductSearchHold; drop trigger ProductSearchAdd; "
           "create trigger ProductSearchAdd after insert on Product begin "
           "insert into ProductSearch(rowid, productCode, productName, product_model, product_spec) "
           "select * from ProductSearchText where id = new.id; end;";
}

void TestProductSelector::olderFileGainsTheIndex() {
    QFETCH(QString, loss);
    TestDb fresh;
    TestDb db;
    addHardProducts(db.conn());
    db.conn().executeScript(loss);
    TMainDM dm;
    dm.Startup(db.path());
    dm.Startup(db.path()); // the second start finds nothing to do
    // As a new file has them.
    auto schema = [](TestDb& file) {
        QStringList out;
        file.conn().select("select name, sql from sqlite_master where name like 'ProductSearch%' order by name", {},
                           [&out](const Statement& row) {
                               out << row.value(0).toString() + ": " +
                                          row.value(1).toString().simplified();
                               return true;
                           });
        return out;
    };
    QCOMPARE(schema(db), schema(fresh));
    TDFMProxy labels(dm.MainConn);
    TControlPlacement placement(db.dir() + "/placement.ini");
    TProductSelector sel(dm.MainConn, labels, placement);
    for (const char* text : {"苹", "红富士", "M123", "a1"})
        compareWithLike(sel, db.conn(), everyColumn(text), false);
    db.exec("delete from Product where productName = '苹果'");
    db.exec("update Product set productName = '新苹果' where id = 1");
    for (const char* text : {"苹", "红富士", "新"}) compareWithLike(sel, db.conn(), everyColumn(text), false);
}

void TestProductSelector::productWithoutUnitIsListed_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("every product, along the name index") << "";
    QTest::newRow("found through the index") << "690";
}

void TestProductSelector::productWithoutUnitIsListed() {
    QFETCH(QString, text);
    Shell s;
    TProductSelector sel(s.dm.MainConn, s.labels, s.placement);
    sel.RunSearch(everyColumn(text), false);
    QVERIFY(sel.productQuery->locate("productCode", "6904"));
    QVERIFY(sel.productQuery->field("unitName")->isNull());
    QVERIFY(sel.productQuery->locate("productCode", "6903")); // unit 99 does not exist
    QVERIFY(sel.productQuery->field("unitName")->isNull());
    QVERIFY(sel.productQuery->locate("productCode", "6901"));
    QCOMPARE(sel.productQuery->field("unitName")->asString(), QString("个"));
}

void TestProductSelector::enterOnEmptyListDoesNothing() {
    Shell s;
    TProductSelector sel(s.dm.MainConn, s.labels, s.placement);
    Cell cell(&sel);
    cell.show();
    QTest::keyClicks(&cell, "zzz");
    QTRY_COMPARE(sel.SearchCount(), 1);
    QVERIFY(sel.productQuery->isEmpty());
    QTest::keyClick(&cell, Qt::Key_Return);
    QVERIFY(cell.picked.isEmpty());
    QVERIFY(sel.isVisible());
}

void TestProductSelector::pickingIntoTheHandler() {
    Shell s;
    TProductSelector sel(s.dm.MainConn, s.labels, s.placement);
    Cell cell(&sel);
    cell.show();
    cell.startEmpty();
    QTRY_COMPARE(sel.SearchCount(), 1);
    QVERIFY(sel.isVisible());
    QCOMPARE(sel.productQuery->recNo(), 1);
    QTest::keyClick(&cell, Qt::Key_Down);
    QCOMPARE(sel.productQuery->recNo(), 2);
    QTest::keyClick(&cell, Qt::Key_End);
    QCOMPARE(sel.productQuery->recNo(), 5);
    QTest::keyClick(&cell, Qt::Key_Home);
    QCOMPARE(sel.productQuery->recNo(), 1);
    QVERIFY(sel.productQuery->locate("productCode", "6901"));
    QTest::keyClick(&cell, Qt::Key_Return);
    QCOMPARE(cell.picked.size(), 1);
    const TProduct p = cell.picked.first();
    QCOMPARE(p.productCode, QString("6901"));
    QCOMPARE(p.productName, QString("苹果"));
    QCOMPARE(p.product_model, QString("A1"));
    QCOMPARE(p.product_spec, QString("红"));
    QCOMPARE(p.storageUnit, 1);
    QCOMPARE(p.salePrice, 3.5);
    QVERIFY(!sel.isVisible());
    QVERIFY(sel.HasHandler()); // Enter picks again once shown
}

void TestProductSelector::throwingHandler() {
    Shell s;
    TProductSelector sel(s.dm.MainConn, s.labels, s.placement);
    Cell cell(&sel);
    cell.throwOnPick = true;
    cell.startEmpty();
    QTRY_COMPARE(sel.SearchCount(), 1);
    sel.PickCurrent();
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{"Exception occur when select product."});
    QVERIFY(!sel.isVisible());
}

void TestProductSelector::placedBesideTheEditor() {
    Shell s;
    TProductSelector sel(s.dm.MainConn, s.labels, s.placement);
    QWidget host;
    host.setGeometry(100, 100, 400, 200);
    auto* cell = new QLineEdit(&host);
    cell->setGeometry(10, 20, 120, 24);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    sel.ShowForEditor(cell, [](QObject*, const TProduct&) {});
    const QPoint origin = cell->mapToGlobal(QPoint(0, 0));
    QCOMPARE(sel.pos(), QPoint(origin.x() + cell->width(), origin.y()));
    QVERIFY(QApplication::activeWindow() != &sel);
}

void TestProductSelector::screenshot() {
    Shell s;
    TProductSelector sel(s.dm.MainConn, s.labels, s.placement);
    QWidget host;
    host.setObjectName("host");
    host.resize(300, 120);
    auto* cell = new QLineEdit("果", &host);
    cell->setGeometry(10, 20, 160, 26);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    sel.ShowForEditor(cell, [](QObject*, const TProduct&) {});
    sel.RunSearch(TProduct(), false);
    QVERIFY(QTest::qWaitForWindowExposed(&sel));
    // Editor and selector side by side, as the user sees them.
    QPixmap shot(host.width() + sel.width(), std::max(host.height(), cell->geometry().top() + sel.height()));
    shot.fill(Qt::white);
    QPainter p(&shot);
    p.drawPixmap(0, 0, host.grab());
    p.drawPixmap(cell->geometry().right() + 1, cell->geometry().top(), sel.grab());
    p.end();
    QDir().mkpath(MORVANE_SCREENSHOT_DIR);
    QVERIFY(shot.save(QString(MORVANE_SCREENSHOT_DIR) + "/selector.png"));
}

namespace {
struct Lines {
    DataSet ds;
    DataGrid grid;
    explicit Lines(TestDb& db) : ds(&db.conn()) {
        for (int i = 1; i <= 3; ++i)
            db.exec(QString("insert into InputDetail(inputNO, productID, quantity) values('IN1', %1, %1)").arg(i));
        ds.setSql("select InputDetail.*, Product.productCode, Product.productName from InputDetail left join "
                  "Product on Product.id=InputDetail.productID order by InputDetail.id");
        ds.setUpdateTable("InputDetail");
        ds.open();
        grid.setDataSet(&ds);
        grid.addColumn("productCode", "编码");
        grid.addColumn("productName", "名称");
        GridColumn ro;
        ro.fieldName = "unitID";
        ro.title = "单位";
        ro.readOnly = true;
        grid.addColumn(ro);
        grid.addColumn("quantity", "数量");
        grid.addColumn("unitPrice", "单价");
        grid.refreshColumns();
        grid.resize(500, 300);
        grid.show();
    }
    int col(const QString& f) { return grid.viewColumn(f); }
};
} // namespace

void TestProductSelector::gridControllerRows() {
    Shell s;
    Lines l(s.db);
    TGridController c(&l.grid);
    QCOMPARE(l.ds.recNo(), 1);
    QVERIFY(c.HandleKey(Qt::Key_Up, Qt::NoModifier)); // at the first record: nothing, still consumed
    QCOMPARE(l.ds.recNo(), 1);
    QVERIFY(c.HandleKey(Qt::Key_Down, Qt::NoModifier));
    QVERIFY(c.HandleKey(Qt::Key_Down, Qt::NoModifier));
    QCOMPARE(l.ds.recNo(), 3);
    QVERIFY(c.HandleKey(Qt::Key_Down, Qt::NoModifier)); // never appends
    QCOMPARE(l.ds.recNo(), 3);
    QCOMPARE(l.ds.recordCount(), 3);
    QVERIFY(c.HandleKey(Qt::Key_Up, Qt::NoModifier));
    QCOMPARE(l.ds.recNo(), 2);
    QVERIFY(!c.HandleKey(Qt::Key_Left, Qt::NoModifier));
    QVERIFY(!c.HandleKey(Qt::Key_A, Qt::ControlModifier));
}

void TestProductSelector::gridControllerColumns() {
    Shell s;
    Lines l(s.db);
    TGridController c(&l.grid);
    QTableView* v = l.grid.view();
    v->setCurrentIndex(v->model()->index(0, l.col("productName")));
    QVERIFY(c.HandleKey(Qt::Key_Right, Qt::ControlModifier));
    QCOMPARE(v->currentIndex().column(), l.col("quantity")); // the read-only unit column is skipped
    QVERIFY(c.HandleKey(Qt::Key_Right, Qt::ControlModifier));
    QCOMPARE(v->currentIndex().column(), l.col("unitPrice"));
    QVERIFY(c.HandleKey(Qt::Key_Right, Qt::ControlModifier)); // the last one: stays, still consumed
    QCOMPARE(v->currentIndex().column(), l.col("unitPrice"));
    QVERIFY(c.HandleKey(Qt::Key_Left, Qt::ControlModifier));
    QVERIFY(c.HandleKey(Qt::Key_Left, Qt::ControlModifier));
    QCOMPARE(v->currentIndex().column(), l.col("productName"));
    QVERIFY(c.HandleKey(Qt::Key_Left, Qt::ControlModifier));
    QCOMPARE(v->currentIndex().column(), l.col("productCode"));
}

QTEST_MAIN(TestProductSelector)
#include "tst_productselector.moc"
