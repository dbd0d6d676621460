#include "documenteditor.h"
#include <QAbstractButton>
#include <QAbstractItemView>
#include "controlplacement.h"
#include "dataset.h"
#include "documentlists.h"
#include "inputmainform.h"
#include "inventoryform.h"
#include "mainform.h"
#include "outputmainform.h"
#include "resourcefactory.h"
#include "shellsupport.h"
#include "stockview.h"
#include "wiring.h"

#include <QAction>

// The main window's list and stock actions open their windows with the
// entry point each names.
class TestListActions : public QObject {
    Q_OBJECT
private slots:
    void actions_data();
    void actions();
    void editorsPickFromTheListWindows_data();
    void editorsPickFromTheListWindows();
};

void TestListActions::actions_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("rows");        // listed on the documents page; -1: nothing loaded
    QTest::addColumn<bool>("searchShown");
    QTest::newRow("purchase list") << "AcInputList" << "InputMainForm" << 2 << false;
    QTest::newRow("purchase search") << "AcInputSearch" << "InputMainForm" << -1 << true;
    QTest::newRow("purchase audit") << "AcInputAudit" << "InputMainForm" << 1 << false;
    QTest::newRow("sales list") << "AcOutputList" << "OutputMainForm" << 1 << false;
    QTest::newRow("sales search") << "AcOutputSearch" << "OutputMainForm" << -1 << true;
    QTest::newRow("sales audit") << "AcOutputAudit" << "OutputMainForm" << 0 << false;
    QTest::newRow("stock") << "AcInventoryList" << "InventoryForm" << 1 << false;
    // Each refund list holds its own direction only.
    QTest::newRow("customer refunds") << "AcRefundInList" << "RefundInForm" << 2 << false;
    QTest::newRow("refunds to suppliers") << "AcRefundOutList" << "RefundOutForm" << 1 << false;
}

void TestListActions::actions() {
    QFETCH(QString, action);
    QFETCH(QString, window);
    QFETCH(int, rows);
    QFETCH(bool, searchShown);
    TestShell s({1, 1, "admin"});
    s.db.exec("insert into InputForm(inputNO, auditStatus) values ('J-1', 0), ('J-2', 1)");
    s.db.exec("insert into OutputForm(outputNO, auditStatus) values ('X-1', 1)");
    s.db.exec("insert into RefundForm(refundNO, refundType) values ('RI-1', 1), ('RI-2', 1), ('RO-1', 2)");
    s.db.exec("insert into Product(id, productName) values (1, 'apple')");
    s.db.exec("insert into StorageDetail(productID, quantity, unit_cost) values (1, 2, 3)");
    TControlPlacement placement(s.ctx.PlacementFile());
    TWiring program(s.dm, s.ctx, placement);
    auto* a = program.MainForm().findChild<QAction*>(action);
    QVERIFY(a && a->isEnabled());
    a->trigger();
    QWidget* w = nullptr;
    for (QWidget* x : program.Factory().Windows())
        if (x->objectName() == window) w = x;
    QVERIFY(w);
    QVERIFY(w->isVisible());
    if (auto* stock = qobject_cast<TInventoryForm*>(w)) {
        QCOMPARE(stock->InventoryFrame1->queryInventory->recordCount(), rows);
        QTRY_VERIFY(!stock->InventoryFrame1->SumsPending());
        return;
    }
    TListFrame* f = static_cast<TListForm*>(w)->Frame();
    QCOMPARE(f->queryMain->isActive() ? f->queryMain->recordCount() : -1, rows);
    QCOMPARE(f->pFind->isVisible(), searchShown);
    QTRY_VERIFY(!f->SumsPending());
}

// As the program is wired, an editor's pick buttons open the real supplier,
// customer and staff windows, and Enter there lands the row in the editor.
void TestListActions::editorsPickFromTheListWindows_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("id");
    QTest::newRow("purchase supplier") << "AcInputNew" << "BitBtn6" << "SupplierForm" << "supplierID" << 7;
    QTest::newRow("sale customer") << "AcOutputNew" << "BitBtn6" << "CustomerForm" << "customerID" << 8;
    QTest::newRow("purchase handling user") << "AcInputNew" << "BitBtn1" << "UserForm" << "inputUser" << 9;
    QTest::newRow("sale handling user") << "AcOutputNew" << "BitBtn1" << "UserForm" << "outputUser" << 9;
    QTest::newRow("customer refund's customer") << "AcRefundInNew" << "BitBtn2" << "CustomerForm" << "cosID" << 8;
    QTest::newRow("supplier refund's supplier") << "AcRefundOutNew" << "BitBtn6" << "SupplierForm" << "cosID" << 7;
    QTest::newRow("refund handling user") << "AcRefundOutNew" << "BitBtn1" << "UserForm" << "refundUser" << 9;
}

void TestListActions::editorsPickFromTheListWindows() {
    QFETCH(QString, action);
    QFETCH(QString, button);
    QFETCH(QString, window);
    QFETCH(QString, field);
    QFETCH(int, id);
    TestShell s({1, 1, "admin"});
    s.db.exec("insert into Supplier(id, supplierName) values (7, '甲厂')");
    s.db.exec("insert into Customer(id, customerName) values (8, '乙店')");
    s.db.exec("insert into Users(id, userName, canLogin, userGroupID) values (9, '丙', 1, 2)");
    s.dm.querySupplier->close();
    s.dm.querySupplier->open();
    s.dm.queryCustomer->close();
    s.dm.queryCustomer->open();
    s.dm.queryUser->close();
    s.dm.queryUser->open();
    TControlPlacement placement(s.ctx.PlacementFile());
    TWiring program(s.dm, s.ctx, placement);
    program.MainForm().findChild<QAction*>(action)->trigger();
    TDocumentEditForm* editor = nullptr;
    for (QWidget* x : program.Factory().Windows())
        if (auto* e = qobject_cast<TDocumentEditForm*>(x); e && e->isVisible()) editor = e;
    QVERIFY(editor);
    auto* b = editor->findChild<QAbstractButton*>(button);
    QVERIFY(b && b->isEnabled());
    b->click();
    QWidget* picker = nullptr;
    for (QWidget* x : QApplication::topLevelWidgets())
        if (x->objectName() == window && x->isVisible()) picker = x;
    QVERIFY2(picker, qPrintable(window));
    QAbstractItemView* grid = nullptr;
    for (auto* v : picker->findChildren<QAbstractItemView*>())
        if (v->isVisible() && v->model() && v->model()->rowCount() > 0) grid = v;
    QVERIFY(grid);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(editor->Master()->value(field).toInt(), id);
    QVERIFY(!picker->isVisible());
}

QTEST_MAIN(TestListActions)
#include "tst_listactions.moc"
