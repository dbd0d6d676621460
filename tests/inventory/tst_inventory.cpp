#include "controlplacement.h"
#include "datagrid.h"
#include "dataset.h"
#include "documentlists.h"
#include "dynamicfield.h"
#include "inventoryform.h"
#include "listform.h"
#include "resourcefactory.h"
#include "shellsupport.h"
#include "stockview.h"
#include "storageunitcosteditform.h"

#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>
#include <memory>

using ListStatements::Kind;

namespace {

// 全部商品(1) > 服装(2) > 男装(3); 食品(4). Product 1 has two stock rows,
// product 6 none; product 2 was bought twice, product 3 never.
void seed(TestDb& db) {
    db.exec("insert into ProductCategory(id, parentID, categoryName) values (2, 1, '服装'), (3, 2, '男装'), "
            "(4, 1, '食品')");
    db.exec("insert into ProductUnit(id, unitName) values (50, '件')");
    db.exec("insert into Product(id, productCode, productName, product_model, product_spec, categoryID, storageUnit,"
            " dfield2) values"
            " (1, 'A-1', '白衬衫', 'M1', 'S', 3, 50, null), (2, 'A-2', 'O''Neil 奶酪', 'M2', 'L', 4, 50, null),"
            " (3, 'B-1', '西装', 'X9', 'XL', 2, 50, '秋季'), (4, 'B-2', '领带', 'M1', 'L', 3, 99, null),"
            " (5, 'C-1', '袜子', 'N', 'S', 2, 50, null), (6, 'C-2', '手帕', 'N', 'S', 2, 50, null)");
    db.exec("insert into StorageDetail(id, productID, quantity, unit_cost) values"
            " (11, 1, 3, 1.006), (12, 1, 0, 2), (13, 2, 10, 5), (14, 3, -2, null), (15, 4, 10.5, 0.5),"
            " (16, 5, null, 3)");
    db.exec("insert into Users(id, userName) values (2, 'li')");
    db.exec("insert into InputForm(inputNO, supplierID, inputUser, createUser, inputDate, auditStatus, totalPrice) "
            "values ('J-1', NULL, 2, 2, '2010-03-05 09:00:00.000', 1, 50), "
            "('J-2', NULL, 2, 2, '2010-03-06 09:00:00.000', 0, 12.5)");
    db.exec("insert into InputDetail(inputNO, productID, quantity, unitPrice, totalPrice, unitID) values "
            "('J-1', 2, 4, 10, 40, 50), ('J-1', 1, 2, 5, 10, 50), ('J-2', 2, 1, 12.5, 12.5, 50)");
    db.exec("insert into OutputForm(outputNO, customerID, outputUser, createUser, outputDate, auditStatus, totalPrice) "
            "values ('X-1', NULL, 2, 2, '2010-03-07 09:00:00.000', 0, 30)");
    db.exec("insert into OutputDetail(outputNO, productID, quantity, unitPrice, totalPrice, unitID) values "
            "('X-1', 1, 1, 20, 20, 50), ('X-1', 4, 1, 10, 10, 50)");
}

struct Stock : TestShell {
    std::unique_ptr<TControlPlacement> placement;
    std::unique_ptr<TDFMProxy> labels;
    TResourceFactory factory;
    std::unique_ptr<TDocumentLists> lists;
    std::unique_ptr<TStockView> stock;
    TInventoryForm* form = nullptr;
    TInventoryFrame* f = nullptr;

    explicit Stock(const TUser& user = {1, 1, "admin"}) : TestShell(user) {
        seed(db);
        dm.queryUnit->requery();
        placement = std::make_unique<TControlPlacement>(ctx.PlacementFile());
        labels = std::make_unique<TDFMProxy>(dm.MainConn);
        lists = std::make_unique<TDocumentLists>(dm, *labels, *placement, factory);
        stock = std::make_unique<TStockView>(dm, ctx, *labels, *placement, factory, *lists, nullptr);
        form = stock->InventoryForm();
        f = form->InventoryFrame1;
        form->ReloadStock();
        form->show();
        waitSums();
    }
    ~Stock() {
        stock.reset();
        lists.reset();
        factory.Clear();
    }
    void waitSums() { QTRY_VERIFY_WITH_TIMEOUT(!f->SumsPending(), 10000); }
    // Stock row ids listed, sorted.
    QString listed() {
        QList<int> ids;
        const int n = f->queryInventory->recordCount();
        for (int r = 0; r < n; ++r) ids << f->queryInventory->valueAt(r, "inventoryID").toInt();
        std::sort(ids.begin(), ids.end());
        QStringList out;
        for (int id : ids) out << QString::number(id);
        return out.join(',');
    }
    void locate(int inventoryId) { QVERIFY(f->queryInventory->locate("inventoryID", inventoryId)); }
    QString cell(const QString& field) {
        const int row = f->queryInventory->currentRow();
        const int col = f->JvDBGrid1->viewColumn(field);
        return f->JvDBGrid1->model()->index(row, col).data().toString();
    }
};

using Setup = std::function<void(TInventoryFrame*)>;

void saveShot(QWidget* w, const QString& name) {
    QDir().mkpath(QStringLiteral(MORVANE_SCREENSHOT_DIR));
    QVERIFY(w->grab().save(QStringLiteral(MORVANE_SCREENSHOT_DIR) + "/" + name + ".png"));
}

} // namespace

Q_DECLARE_METATYPE(Setup)

class TestInventory : public QObject {
    Q_OBJECT
private slots:
    void filters_data();
    void filters();
    void tree_data();
    void tree();
    void rowValueAndFooter();
    void unitCostEdit_data();
    void unitCostEdit();
    void notForOrdinaryUsers();
    void averagePrice_data();
    void averagePrice();
    void documentsOfProduct();
    void mainWindowAction();
    void keyboard();
    void screenshots();
};

void TestInventory::filters_data() {
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("plainWhere"); // the same rows by plain SQL
    QTest::newRow("start values list all") << Setup([](TInventoryFrame*) {}) << "11,12,13,14,15,16" << "1=1";
    QTest::newRow("key in any column") << Setup([](TInventoryFrame* f) { f->edtSearchKey->setText(" m1 "); })
                                       << "11,12,15" << "p.product_model = 'M1'";
    QTest::newRow("key in a custom field") << Setup([](TInventoryFrame* f) { f->edtSearchKey->setText("秋"); }) << "14"
                                           << "p.dfield2 = '秋季'";
    QTest::newRow("key by name") << Setup([](TInventoryFrame* f) {
        f->cbSearchScope->setCurrentIndex(1);
        f->edtSearchKey->setText("o'neil");
    }) << "13" << "p.id = 2";
    QTest::newRow("category box") << Setup([](TInventoryFrame* f) { f->cbCategory->setCurrentIndex(f->cbCategory->findText("服装")); })
                                   << "14,16" << "p.categoryID = 2";
    QTest::newRow("category box, top") << Setup([](TInventoryFrame* f) {
        f->cbCategory->setCurrentIndex(f->cbCategory->findText("全部商品"));
    }) << "11,12,13,14,15,16" << "1=1";
    QTest::newRow("at least 0") << Setup([](TInventoryFrame* f) {
        f->cbQuantityCond->setCurrentIndex(2);
        f->edtQuantity->setValue(0);
    }) << "11,12,13,15" << "s.quantity >= 0";
    QTest::newRow("equal to a fraction") << Setup([](TInventoryFrame* f) {
        f->cbQuantityCond->setCurrentIndex(5);
        f->edtQuantity->setValue(10.5);
    }) << "15" << "s.quantity = 10.5";
    QTest::newRow("condition <全部> ignores the value") << Setup([](TInventoryFrame* f) {
        f->cbQuantityCond->setCurrentIndex(1);
        f->edtQuantity->setValue(5);
        f->cbQuantityCond->setCurrentIndex(0);
    }) << "11,12,13,14,15,16" << "1=1";
    QTest::newRow("key, category and quantity") << Setup([](TInventoryFrame* f) {
        f->edtSearchKey->setText("m");
        f->cbCategory->setCurrentIndex(f->cbCategory->findText("男装"));
        f->cbQuantityCond->setCurrentIndex(1);
        f->edtQuantity->setValue(2);
    }) << "11,15" << "p.categoryID = 3 and s.quantity > 2";
}

void TestInventory::filters() {
    QFETCH(Setup, setup);
    QFETCH(QString, expected);
    QFETCH(QString, plainWhere);
    Stock s;
    setup(s.f);
    QTest::mouseClick(s.f->JvBitBtn9, Qt::LeftButton);
    QCOMPARE(s.listed(), expected);
    QCOMPARE(s.count("select count(*) from StorageDetail s join Product p on p.id = s.productID where " + plainWhere),
             int(expected.count(',')) + 1);
    s.waitSums();
}

void TestInventory::tree_data() {
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("meanwhile"); // changed before the window is opened again
    QTest::newRow("top lists every stock row") << "全部商品" << "11,12,13,14,15,16" << "";
    QTest::newRow("a category, not its sub-categories") << "服装" << "14,16" << "";
    QTest::newRow("a leaf") << "男装" << "11,12,15" << "";
    QTest::newRow("reopened, nothing changed") << "男装" << "11,12,15" << "-";
    QTest::newRow("reopened after a rename") << "男士" << "11,12,15"
                                              << "update ProductCategory set categoryName = '男士' where id = 3";
}

void TestInventory::tree() {
    QFETCH(QString, category);
    QFETCH(QString, expected);
    QFETCH(QString, meanwhile);
    Stock s;
    if (!meanwhile.isEmpty()) {
        // Opening again shows every stock row, whatever the box held, and
        // the categories as they are now.
        s.f->cbCategory->setCurrentIndex(2);
        if (meanwhile != "-") s.db.exec(meanwhile);
        s.form->ReloadStock();
        QCOMPARE(s.f->cbCategory->currentIndex(), 0);
        QCOMPARE(s.listed(), QString("11,12,13,14,15,16"));
        QVERIFY(s.f->cbCategory->findText(category) > 0);
        s.waitSums();
    }
    s.f->edtSearchKey->setText("zzz"); // the search group takes no part
    const auto found = s.f->JvDBTreeView1->findItems(category, Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(found.size(), 1);
    s.f->JvDBTreeView1->setCurrentItem(found.first());
    QCOMPARE(s.listed(), expected);
    s.waitSums();
}

// Row 11 holds 3 at 1.006: its value is 1.01 × 3 = 3.03, while the footer
// sums the unrounded products.
void TestInventory::rowValueAndFooter() {
    Stock s;
    QCOMPARE(s.f->JvDBGrid1->footerText("quantity"), QString("21.50"));
    QCOMPARE(s.f->JvDBGrid1->footerText("total_cost"), QString("58.27"));
    s.locate(11);
    QCOMPARE(s.cell("total_cost"), QString("3.03"));
    QCOMPARE(s.cell("unit_cost"), QString("1.01"));
    s.locate(15);
    QCOMPARE(s.cell("total_cost"), QString("5.25"));
    QCOMPARE(s.cell("quantity"), QString("10.5"));
    QCOMPARE(s.cell("unitName"), QString());
    s.locate(14);
    QCOMPARE(s.cell("total_cost"), QString()); // 0 shows empty
    QCOMPARE(s.cell("categoryName"), QString("服装"));
    QTest::mouseClick(s.f->JvImgBtn1, Qt::LeftButton); // 刷新
    s.waitSums();
    QCOMPARE(s.f->JvDBGrid1->footerText("total_cost"), QString("58.27"));
}

void TestInventory::unitCostEdit_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("costs"); // unit_cost of rows 11..16 afterwards
    QTest::addColumn<QString>("shownValue");
    // Row 12 is the product's second stock row: it keeps its own cost.
    QTest::newRow("one of a product's two rows") << 11 << "7.125" << true << "7.125,2,5,,0.5,3" << "21.36";
    QTest::newRow("cancelled") << 11 << "9" << false << "1.006,2,5,,0.5,3" << "3.03";
    QTest::newRow("emptied") << 13 << "" << true << "1.006,2,,,0.5,3" << "";
    QTest::newRow("not a number") << 13 << "五元" << true << "1.006,2,5,,0.5,3" << "50";
}

void TestInventory::unitCostEdit() {
    QFETCH(int, row);
    QFETCH(QString, typed);
    QFETCH(bool, ok);
    QFETCH(QString, costs);
    QFETCH(QString, shownValue);
    Stock s;
    s.locate(row);
    QString shownCost, shownCode;
    whileModal([&](QWidget* w) {
        auto* d = qobject_cast<TStorageUnitCostEditForm*>(w);
        QVERIFY(d);
        shownCode = d->lbCode->text() + '/' + d->lbName->text();
        shownCost = d->edtUnitCost->text();
        d->edtUnitCost->setText(typed);
        QTest::mouseClick(ok ? d->btnOK : d->btnCancel, Qt::LeftButton);
    });
    QTest::mouseClick(s.f->JvImgBtn2, Qt::LeftButton);
    QCOMPARE(shownCode, row == 11 ? QString("A-1/白衬衫") : QString("A-2/O'Neil 奶酪"));
    QCOMPARE(shownCost, row == 11 ? QString("1.006") : QString("5"));
    QStringList stored;
    Statement st(s.db.conn(), "select unit_cost from StorageDetail order by id");
    while (st.step()) stored << (st.isNull(0) ? QString() : QString::number(st.value(0).toDouble()));
    QCOMPARE(stored.join(','), costs);
    QCOMPARE(s.f->queryInventory->value("inventoryID").toInt(), row);
    QCOMPARE(s.cell("total_cost"), shownValue);
    // The footer keeps its totals until the next load.
    QCOMPARE(s.f->JvDBGrid1->footerText("total_cost"), QString("58.27"));
}

void TestInventory::notForOrdinaryUsers() {
    Stock s({5, 2, "店员"});
    QCOMPARE(s.f->JvDBGrid1->column("unit_cost"), nullptr);
    QCOMPARE(s.f->JvDBGrid1->column("total_cost"), nullptr);
    QVERIFY(s.f->JvDBGrid1->column("quantity"));
    QCOMPARE(s.f->JvDBGrid1->footerText("total_cost"), QString());
    s.locate(11);
    QTest::mouseClick(s.f->JvImgBtn2, Qt::LeftButton); // would block on the dialog if it opened
    const QPoint at = s.f->JvDBGrid1->view()->visualRect(s.f->JvDBGrid1->model()->index(0, 0)).center();
    QTest::mouseClick(s.f->JvDBGrid1->view()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(s.f->JvDBGrid1->view()->viewport(), Qt::LeftButton, {}, at);
    QVERIFY(!s.stock->UnitCostForm().isVisible());
}

void TestInventory::averagePrice_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("message");
    QTest::newRow("with purchases, audited or not")
        << 13 << "该商品累计进货数量： 5\r进货总价： 52.5 元\r平均单价： 10.5 元\r\r\r注：1) 平均单价=进货总价/总数量\r"
                 "    2) 当库存单价（即成本价）改乱时，可参考该平均单价\r"
                 "    3) 库存单价在每次进货时自动实时计算，更能反映当前的成本价";
    QTest::newRow("without purchases") << 14 << "该商品没有进货数据(productID=3)";
}

void TestInventory::averagePrice() {
    QFETCH(int, row);
    QFETCH(QString, message);
    Stock s;
    s.locate(row);
    whileModal([&](QWidget* w) {
        auto* d = qobject_cast<TStorageUnitCostEditForm*>(w);
        QVERIFY(d);
        QTest::mouseClick(d->btnCalcAveragePrice, Qt::LeftButton);
        QCOMPARE(d->edtUnitCost->text(), row == 13 ? QString("5") : QString()); // left for the user
        QTest::mouseClick(d->btnCancel, Qt::LeftButton);
    });
    TQuickMessageDlg::ClearShown();
    QTest::mouseClick(s.f->JvImgBtn2, Qt::LeftButton);
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{message});
}

// The stock view's own list windows: one per kind, reused for the next
// product, on the lines page, without a search.
void TestInventory::documentsOfProduct() {
    Stock s;
    s.locate(11);
    QTest::mouseClick(s.f->btnSaleDetail, Qt::LeftButton);
    TListForm* sales = s.stock->ProductLinesWindow(Kind::Sale);
    QVERIFY(sales);
    QVERIFY(sales->isVisible());
    QVERIFY(sales != s.lists->ListForm(Kind::Sale));
    QCOMPARE(sales->windowTitle(), QString("白衬衫[A-1] - 所有销售单"));
    QVERIFY(sales->Frame()->LinesPageShown());
    QVERIFY(!sales->Frame()->btnSearchSwitch->isVisible());
    QCOMPARE(sales->Frame()->queryDetail->recordCount(), 1);
    s.locate(15);
    QTest::mouseClick(s.f->btnSaleDetail, Qt::LeftButton);
    QCOMPARE(s.stock->ProductLinesWindow(Kind::Sale), sales);
    QCOMPARE(sales->windowTitle(), QString("领带[B-2] - 所有销售单"));
    QCOMPARE(sales->Frame()->queryDetail->value("productID").toInt(), 4);
    s.locate(13);
    QTest::mouseClick(s.f->btnPurchaseDetail, Qt::LeftButton);
    TListForm* purchases = s.stock->ProductLinesWindow(Kind::Purchase);
    QVERIFY(purchases && purchases != sales);
    QCOMPARE(purchases->windowTitle(), QString("O'Neil 奶酪[A-2] - 所有进货单"));
    QCOMPARE(purchases->Frame()->queryDetail->recordCount(), 2);
    purchases->Frame()->PageControl1->setCurrentIndex(0);
    QCOMPARE(purchases->Frame()->queryMain->recordCount(), 2);
    QTRY_VERIFY(!purchases->Frame()->SumsPending() && !sales->Frame()->SumsPending());
}

void TestInventory::mainWindowAction() {
    // The form factory's window, reloaded by the action; covered in the
    // wiring by the same calls: ReloadStock picks up stock moved meanwhile.
    Stock s;
    s.db.exec("insert into StorageDetail(id, productID, quantity, unit_cost) values (17, 6, 1, 1)");
    s.db.exec("insert into ProductCategory(id, parentID, categoryName) values (5, 4, '奶制品')");
    s.form->ReloadStock();
    QCOMPARE(s.listed(), QString("11,12,13,14,15,16,17"));
    QVERIFY(s.f->cbCategory->findText("奶制品") > 0);
    QCOMPARE(s.f->JvDBTreeView1->findItems("奶制品", Qt::MatchExactly | Qt::MatchRecursive).size(), 1);
    s.waitSums();
}

// By keyboard alone: a key typed and run with Enter, a condition chosen,
// the unit cost of the row opened with Enter and saved with Enter.
void TestInventory::keyboard() {
    Stock s;
    QVERIFY(QTest::qWaitForWindowActive(s.form));
    s.f->edtSearchKey->setFocus();
    QTest::keyClicks(s.f->edtSearchKey, "A-");
    QTest::keyClick(s.f->edtSearchKey, Qt::Key_Return);
    QCOMPARE(s.listed(), QString("11,12,13"));
    s.f->JvDBGrid1->view()->setFocus();
    QTest::keyClick(s.f->JvDBGrid1->view(), Qt::Key_Home);
    const int id = s.f->queryInventory->value("inventoryID").toInt();
    whileModal([&](QWidget* w) {
        auto* d = qobject_cast<TStorageUnitCostEditForm*>(w);
        QVERIFY(d);
        QCOMPARE(d->focusWidget(), static_cast<QWidget*>(d->edtUnitCost));
        QTest::keyClicks(d->edtUnitCost, "4.5");
        QTest::keyClick(d->edtUnitCost, Qt::Key_Return);
    });
    QTest::keyClick(s.f->JvDBGrid1->view(), Qt::Key_Return);
    QCOMPARE(s.db.scalar(QString("select unit_cost from StorageDetail where id = %1").arg(id)).toDouble(), 4.5);
    s.waitSums();
}

void TestInventory::screenshots() {
    Stock s;
    s.form->resize(1100, 640);
    const auto found = s.f->JvDBTreeView1->findItems("男装", Qt::MatchExactly | Qt::MatchRecursive);
    s.f->JvDBTreeView1->setCurrentItem(found.first());
    s.waitSums();
    saveShot(s.form, "stock-category");
    s.locate(11);
    whileModal([&](QWidget* w) {
        saveShot(w, "stock-unit-cost");
        QTest::mouseClick(qobject_cast<TStorageUnitCostEditForm*>(w)->btnCancel, Qt::LeftButton);
    });
    QTest::mouseClick(s.f->JvImgBtn2, Qt::LeftButton);
}

QTEST_MAIN(TestInventory)
#include "tst_inventory.moc"
