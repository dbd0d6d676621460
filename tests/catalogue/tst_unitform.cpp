#include "appcontext.h"
#include "dataset.h"
#include "datagrid.h"
#include "maindm.h"
#include "productbrandform.h"
#include "quickmessagedlg.h"
#include "shellsupport.h"
#include "unitform.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QScopeGuard>
#include <QtTest>

namespace {
using Shell = TestShell;
} // namespace

class TestUnitForm : public QObject {
    Q_OBJECT
private slots:
    void usageChecks_data();
    void usageChecks();
    void pickButtonOnlyWhenPicking();
    void pickFromEmptyList();
    void namelessUnitRefused_data();
    void namelessUnitRefused();
    void keyboardOnly();
    void addAndSaveRereadsSharedUnits();
    void buttonStatesFollowEditing();
    void brandsByCategory();
    void brandInUseIsKept();
    void brandCategoryChosenInTheGrid();
    void screenshots();
};

void TestUnitForm::usageChecks_data() {
    QTest::addColumn<QString>("use");
    QTest::addColumn<bool>("refused");
    QTest::newRow("unused") << "" << false;
    QTest::newRow("a product") << "insert into Product(productName, storageUnit) values('x', %1)" << true;
    QTest::newRow("a purchase line") << "insert into InputDetail(inputNO, unitID) values('IN1', %1)" << true;
    QTest::newRow("a sale line") << "insert into OutputDetail(outputNO, unitID) values('OUT1', %1)" << true;
    QTest::newRow("only a refund line") << "insert into RefundDetail(refundNO, unitID) values('R1', %1)" << false;
}

void TestUnitForm::usageChecks() {
    QFETCH(QString, use);
    QFETCH(bool, refused);
    Shell s;
    const int id = s.count("select id from ProductUnit where unitName='箱'");
    if (!use.isEmpty()) s.db.exec(use.arg(id));
    TUnitForm form(s.dm);
    whileModal([&](QWidget* w) {
        auto* f = static_cast<TUnitForm*>(w);
        QVERIFY(f->tableUnit->locate("id", id));
        f->findChild<QPushButton*>("btnDelete")->click();
        f->findChild<QPushButton*>("btnClose")->click();
    });
    form.ShowUnits();
    QCOMPARE(s.count(QString("select count(*) from ProductUnit where id=%1").arg(id)), refused ? 1 : 0);
    QCOMPARE(TQuickMessageDlg::ShownTexts(),
             refused ? QStringList{"该计量单位已经被使用,请不要删除."} : QStringList());
    QCOMPARE(s.dm.queryUnit->recordCount(), refused ? 9 : 8);
}

void TestUnitForm::pickButtonOnlyWhenPicking() {
    Shell s;
    TUnitForm form(s.dm);
    bool shownForPick = false, shownForUpkeep = true;
    whileModal([&](QWidget* w) {
        shownForUpkeep = w->findChild<QPushButton*>("btnSelect")->isVisible();
        w->findChild<QPushButton*>("btnClose")->click();
    });
    form.ShowUnits();
    QCOMPARE(form.result(), int(QDialog::Rejected));
    whileModal([&](QWidget* w) {
        shownForPick = w->findChild<QPushButton*>("btnSelect")->isVisible();
        auto* f = static_cast<TUnitForm*>(w);
        QVERIFY(f->tableUnit->locate("unitName", "台"));
        w->findChild<QPushButton*>("btnSelect")->click();
    });
    const std::optional<int> picked = form.PickUnit();
    QVERIFY(!shownForUpkeep);
    QVERIFY(shownForPick);
    QCOMPARE(picked, std::optional<int>(s.count("select id from ProductUnit where unitName='台'")));
}

void TestUnitForm::pickFromEmptyList() {
    Shell s;
    s.db.exec("delete from ProductUnit");
    TUnitForm form(s.dm);
    whileModal([](QWidget* w) { w->findChild<QPushButton*>("btnSelect")->click(); });
    QCOMPARE(form.PickUnit(), std::nullopt); // nothing to hand over
    QCOMPARE(form.result(), int(QDialog::Accepted));
}

void TestUnitForm::namelessUnitRefused_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("name");
    QTest::newRow("保存, empty") << "btnSave" << "";
    QTest::newRow("保存, blanks") << "btnSave" << "   ";
    QTest::newRow("选定, empty") << "btnSelect" << "";
}

// A unit without a name can never be told apart in a product's unit box: it
// is neither stored nor handed over, and the window stays open on the row.
void TestUnitForm::namelessUnitRefused() {
    QFETCH(QString, button);
    QFETCH(QString, name);
    Shell s;
    TUnitForm form(s.dm);
    bool stillOpen = false;
    whileModal([&](QWidget* w) {
        auto* f = static_cast<TUnitForm*>(w);
        f->findChild<QPushButton*>("btnInsert")->click();
        f->tableUnit->setValue("unitName", name);
        f->findChild<QPushButton*>(button)->click();
        stillOpen = f->isVisible() && f->tableUnit->state() == DataSet::State::Insert;
        f->tableUnit->cancel();
        w->findChild<QPushButton*>("btnClose")->click();
    });
    QCOMPARE(form.PickUnit(), std::nullopt);
    QVERIFY(stillOpen);
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{"请输入单位名称."});
    QCOMPARE(s.count("select count(*) from ProductUnit"), 9);
}

// The whole upkeep by keyboard alone: 添加 by its key, the name typed into
// the new row, 保存 reached with Tab, the window left with Escape.
void TestUnitForm::keyboardOnly() {
    Shell s;
    TUnitForm form(s.dm);
    QStringList focusPath;
    whileModal([&](QWidget* w) {
        // Whatever fails below, the window must close or the test hangs.
        auto closeAfter = qScopeGuard([w] { w->close(); });
        w->activateWindow();
        auto* insert = w->findChild<QPushButton*>("btnInsert");
        insert->setFocus();
        QTest::keyClick(insert, Qt::Key_Space);
        QWidget* editor = w->focusWidget();
        QVERIFY(editor);
        for (QChar c : QString("桶"))
            QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::keyClick(editor, Qt::Key_Tab); // leaves the cell, writing it
        for (int i = 0; i < 8 && w->focusWidget()->objectName() != "btnSave"; ++i) {
            focusPath << w->focusWidget()->objectName();
            QTest::keyClick(w->focusWidget(), Qt::Key_Tab);
        }
        QVERIFY2(w->focusWidget()->objectName() == "btnSave", qPrintable(focusPath.join(",") + " / " + w->focusWidget()->metaObject()->className()));
        QTest::keyClick(w->focusWidget(), Qt::Key_Space);
        QTest::keyClick(w, Qt::Key_Escape);
    });
    form.ShowUnits();
    QCOMPARE(s.count("select count(*) from ProductUnit where unitName='桶'"), 1);
    QVERIFY2(!form.isVisible(), qPrintable(focusPath.join(",")));
}

void TestUnitForm::addAndSaveRereadsSharedUnits() {
    Shell s;
    TUnitForm form(s.dm);
    whileModal([&](QWidget* w) {
        auto* f = static_cast<TUnitForm*>(w);
        f->findChild<QPushButton*>("btnInsert")->click();
        QVERIFY(f->tableUnit->state() == DataSet::State::Insert);
        f->tableUnit->setValue("unitName", "双");
        f->findChild<QPushButton*>("btnSave")->click();
        w->findChild<QPushButton*>("btnClose")->click();
    });
    form.ShowUnits();
    QCOMPARE(s.count("select count(*) from ProductUnit where unitName='双'"), 1);
    QVERIFY(s.dm.queryUnit->locate("unitName", "双"));
}

void TestUnitForm::buttonStatesFollowEditing() {
    Shell s;
    TUnitForm form(s.dm);
    QStringList states;
    auto state = [](QWidget* w) {
        QString out;
        for (const char* n : {"btnInsert", "btnEdit", "btnDelete", "btnCancel", "btnSave"})
            out += w->findChild<QPushButton*>(n)->isEnabled() ? "1" : "0";
        return out;
    };
    whileModal([&](QWidget* w) {
        auto* f = static_cast<TUnitForm*>(w);
        states << state(w);
        f->findChild<QPushButton*>("btnEdit")->click();
        states << state(w);
        f->findChild<QPushButton*>("btnCancel")->click();
        states << state(w);
        w->findChild<QPushButton*>("btnClose")->click();
    });
    form.ShowUnits();
    QCOMPARE(states, QStringList({"11100", "00011", "11100"}));
}

void TestUnitForm::brandsByCategory() {
    Shell s;
    s.db.exec("insert into ProductCategory(id, parentID, categoryName) values(2, 1, '服装')");
    s.db.exec("insert into ProductCategory(id, parentID, categoryName) values(3, 2, '男装')");
    s.db.exec("insert into ProductBrand(product_cat_id, product_brand) values(2, '甲牌')");
    s.db.exec("insert into ProductBrand(product_cat_id, product_brand) values(3, '乙牌')");
    s.db.exec("insert into ProductBrand(product_cat_id, product_brand) values(1, '丙牌')");
    TProductBrandForm form(s.dm);
    form.PrepareBrands();
    auto* tree = form.findChild<QTreeWidget*>("treeCategory");
    QCOMPARE(tree->topLevelItemCount(), 1);
    auto brands = [&] {
        QStringList out;
        for (int r = 0; r < form.queryProductBrandLocal->recordCount(); ++r)
            out << form.queryProductBrandLocal->valueAt(r, "product_brand").toString() + "/" +
                       form.queryProductBrandLocal->valueAt(r, "product_cat_name").toString();
        return out;
    };
    tree->setCurrentItem(tree->topLevelItem(0));
    QCOMPARE(brands(), QStringList({"甲牌/服装", "乙牌/男装", "丙牌/全部商品"}));
    tree->setCurrentItem(tree->topLevelItem(0)->child(0));
    QCOMPARE(brands(), QStringList({"甲牌/服装"}));
    tree->setCurrentItem(tree->topLevelItem(0)->child(0)->child(0));
    QCOMPARE(brands(), QStringList({"乙牌/男装"}));
}

void TestUnitForm::brandInUseIsKept() {
    Shell s;
    s.db.exec("insert into ProductBrand(id, product_cat_id, product_brand) values(1, 1, '甲牌')");
    s.db.exec("insert into ProductBrand(id, product_cat_id, product_brand) values(2, 1, '乙牌')");
    s.db.exec("insert into Product(productName, product_brand_id) values('衬衫', 1)");
    TProductBrandForm form(s.dm);
    form.PrepareBrands();
    QVERIFY(form.queryProductBrandLocal->locate("id", 1));
    form.findChild<QPushButton*>("btnDelete")->click();
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{"该品牌已经被使用,请不要删除."});
    QVERIFY(form.queryProductBrandLocal->locate("id", 2));
    form.findChild<QPushButton*>("btnDelete")->click();
    QCOMPARE(s.count("select count(*) from ProductBrand"), 1);
}

void TestUnitForm::brandCategoryChosenInTheGrid() {
    Shell s;
    s.db.exec("insert into ProductCategory(id, parentID, categoryName) values(2, 1, '服装')");
    s.db.exec("insert into ProductBrand(id, product_cat_id, product_brand) values(1, 1, '甲牌')");
    TProductBrandForm form(s.dm);
    form.PrepareBrands();
    form.show();
    QTableView* v = form.gridBrand->view();
    const QModelIndex cell = v->model()->index(0, form.gridBrand->viewColumn("product_cat_name"));
    QVERIFY(v->model()->flags(cell) & Qt::ItemIsEditable);
    v->setCurrentIndex(cell);
    v->edit(cell);
    auto* box = v->findChild<QComboBox*>();
    QVERIFY(box);
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->currentText(), QString("全部商品"));
    box->setCurrentIndex(box->findText("服装"));
    v->itemDelegateForIndex(cell)->setModelData(box, v->model(), cell);
    QCOMPARE(form.queryProductBrandLocal->value("product_cat_name").toString(), QString("服装"));
    form.findChild<QPushButton*>("btnPost")->click();
    QCOMPARE(s.count("select product_cat_id from ProductBrand where id=1"), 2);
}

void TestUnitForm::screenshots() {
    Shell s;
    s.db.exec("insert into ProductCategory(id, parentID, categoryName) values(2, 1, '服装')");
    s.db.exec("insert into ProductBrand(product_cat_id, product_brand, comments) values(2, '甲牌', '常用')");
    QDir().mkpath(MORVANE_SCREENSHOT_DIR);
    TUnitForm units(s.dm);
    whileModal([](QWidget* w) {
        QVERIFY(w->grab().save(QString(MORVANE_SCREENSHOT_DIR) + "/units.png"));
        w->findChild<QPushButton*>("btnClose")->click();
    });
    units.PickUnit();
    TProductBrandForm brands(s.dm);
    brands.PrepareBrands();
    brands.show();
    QVERIFY(QTest::qWaitForWindowExposed(&brands));
    QVERIFY(brands.grab().save(QString(MORVANE_SCREENSHOT_DIR) + "/brands.png"));
}

QTEST_MAIN(TestUnitForm)
#include "tst_unitform.moc"
