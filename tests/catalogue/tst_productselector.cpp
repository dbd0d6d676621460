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
} // namespace

class TestProductSelector : public QObject {
    Q_OBJECT
private slots:
    void statement_data();
    void statement();
    void burstOfKeysRunsOneSearch();
    void sameTextAgainRunsNoSearch();
    void resetSearchRunsAgain();
    void emptyCellListsAllByName();
    void searchKeys_data();
    void searchKeys();
    void productWithoutUnitIsListed();
    void enterOnEmptyListDoesNothing();
    void pickingIntoTheHandler();
    void throwingHandler();
    void placedBesideTheEditor();
    void screenshot();
    void gridControllerRows();
    void gridControllerColumns();
};

void TestProductSelector::statement_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("all");
    QTest::addColumn<QString>("sql");
    const QString base = "select Product.*, ProductUnit.unitName from Product  left join ProductUnit on "
                         "Product.storageUnit=ProductUnit.id ";
    QTest::newRow("nothing") << "" << "" << false << base + " order by productName ";
    QTest::newRow("any") << "a" << "b" << false
                         << base + " where  productCode like :productCode  or  productName like :productName "
                                   " order by productName ";
    QTest::newRow("all") << "a" << "b" << true
                         << base + " where  productCode like :productCode  and  productName like :productName "
                                   " order by productName ";
}

void TestProductSelector::statement() {
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(bool, all);
    QFETCH(QString, sql);
    TProduct c;
    c.productCode = code;
    c.productName = name;
    QList<QPair<QString, QString>> params;
    QCOMPARE(TProductSelector::SearchStatement(c, all, &params), sql);
    if (!code.isEmpty()) QCOMPARE(params.first(), qMakePair(QString("productCode"), "%" + code + "%"));
}

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

void TestProductSelector::productWithoutUnitIsListed() {
    Shell s;
    TProductSelector sel(s.dm.MainConn, s.labels, s.placement);
    sel.RunSearch(TProduct(), false);
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
