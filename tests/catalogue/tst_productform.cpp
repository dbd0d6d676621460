// The two windows around the product frame: picking from "商品列表", the one
// list both windows show, their placement, the factory and the menu action,
// and how they look.
#include "controlplacement.h"
#include "looksupport.h"
#include "mainform.h"
#include "wiring.h"
#include "productfixture.h"
#include "resourcefactory.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTableView>
#include <QToolButton>

namespace {
void pressOnCurrentRow(QTableView* view, bool doubleClick) {
    if (doubleClick) {
        const QRect cell = view->visualRect(view->currentIndex());
        // A real double-click starts with a press the view remembers.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    } else {
        QTest::keyClick(view, Qt::Key_Return);
    }
}

} // namespace

class TestProductForm : public QObject {
    Q_OBJECT
private slots:
    void pickHandsOverProduct_data();
    void pickHandsOverProduct();
    void withoutHandlerNothingIsPicked();
    void bothWindowsShowOneList();
    void placementRemembered_data();
    void placementRemembered();
    void menuOpensOnePreparedWindow();
    void windowsFitTheirTexts();
};

void TestProductForm::pickHandsOverProduct_data() {
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<bool>("throws");
    QTest::newRow("double-click") << true << false;
    QTest::newRow("Enter") << false << false;
    QTest::newRow("handler fails") << true << true;
}

void TestProductForm::pickHandsOverProduct() {
    QFETCH(bool, doubleClick);
    QFETCH(bool, throws);
    Shell s;
    TProductForm& form = *s.catalogue->ProductForm();
    QList<TProduct> picked;
    QObject* sender = nullptr;
    form.ShowForPick([&](QObject* from, const TProduct& p) {
        sender = from;
        picked << p;
        if (throws) throw std::runtime_error("the editor refused it");
    });
    QVERIFY(form.isVisible());
    QVERIFY(form.panelSelectProduct->isVisible());
    QCOMPARE(form.lbSelectHint->text(), QString("提示：双击表格就可以选择要进货或销售的商品"));
    s.locateProduct("西装");
    pressOnCurrentRow(form.ProductMainFrame1->productGrid->view(), doubleClick);
    QCOMPARE(picked.size(), 1);
    const TProduct& p = picked.first();
    QCOMPARE(QStringList({QString::number(p.id), p.productCode, p.productName, p.product_model,
                          p.product_spec, QString::number(p.storageUnit),
                          QString::number(p.salePrice), QString::number(p.categoryID)}),
             QStringList({"2", "C002", "西装", "XZ", "L", "2", "880", "0"}));
    QCOMPARE(sender, form.ProductMainFrame1->productGrid);
    QCOMPARE(TQuickMessageDlg::ShownTexts(),
             throws ? QStringList{"Exception occur when select product."} : QStringList());
    if (throws) QCOMPARE(TQuickMessageDlg::Shown().first().kind, Kind::Plain);
    QVERIFY(!form.isVisible());
}

void TestProductForm::withoutHandlerNothingIsPicked() {
    Shell s;
    TProductForm& form = *s.catalogue->ProductForm();
    form.ShowForPick({});
    QVERIFY(!form.panelSelectProduct->isVisible());
    QTableView* view = form.ProductMainFrame1->productGrid->view();
    pressOnCurrentRow(view, false);
    QVERIFY(form.isVisible());
    QTest::keyClick(view, Qt::Key_Escape);
    QVERIFY(!form.isVisible());
}

void TestProductForm::bothWindowsShowOneList() {
    Shell s;
    TProductForm& form = *s.catalogue->ProductForm();
    form.ShowForPick({});
    QTableView* mainView = s.frame->productGrid->view();
    QTableView* pickView = form.ProductMainFrame1->productGrid->view();
    QCOMPARE(pickView->model()->rowCount(), 5);
    // A row chosen in one window is the current product of the other.
    const int row = s.list()->findRow("productName", "abc");
    mainView->setCurrentIndex(mainView->model()->index(row, 2));
    QCOMPARE(pickView->currentIndex().row(), row);
    // A category chosen in one lists its products in both.
    s.select("食品");
    QCOMPARE(pickView->model()->rowCount(), 3);
    // The search of the picking window replaces it again.
    type(form.ProductMainFrame1->edtSearchKey, "奶酪");
    QTest::keyClick(form.ProductMainFrame1->edtSearchKey, Qt::Key_Return);
    QCOMPARE(mainView->model()->rowCount(), 1);
    QCOMPARE(s.list()->value("productName").toString(), QString("O'Neil奶酪"));
    // A category made in one window appears in the other's tree; deleting
    // it there takes it out of both.
    s.select("食品");
    click(s.frame, "btnCatNew");
    type(child<QLineEdit>(s.frame, "edtCatName"), "饮料");
    click(s.frame, "btnCatSave");
    TProductMainFrame* other = form.ProductMainFrame1;
    auto inTree = [](TProductMainFrame* f) {
        return f->treeCategory->findItems("饮料", Qt::MatchExactly | Qt::MatchRecursive).size();
    };
    QCOMPARE(inTree(other), 1);
    Shell::selectIn(other, "饮料");
    click(other, "btnCatDelete");
    QCOMPARE(inTree(other), 0);
    QCOMPARE(inTree(s.frame), 0);
}

void TestProductForm::placementRemembered_data() {
    QTest::addColumn<QString>("window");
    QTest::newRow("商品设置") << "ProductMainForm";
    QTest::newRow("商品列表") << "ProductForm";
}

void TestProductForm::placementRemembered() {
    QFETCH(QString, window);
    Shell s;
    const QString ini = s.db.dir() + "/placement.ini";
    const QRect where(120, 90, 720, 460);
    {
        TControlPlacement placement(ini);
        auto make = [&]() -> std::unique_ptr<QWidget> {
            const TProductFrameDeps deps{*s.products, *s.editor, *s.labels};
            if (window == "ProductForm") return std::make_unique<TProductForm>(deps, placement);
            return std::make_unique<TProductMainForm>(deps, placement);
        };
        std::unique_ptr<QWidget> first = make();
        first->show();
        first->setGeometry(where);
        first->hide();
        std::unique_ptr<QWidget> second = make();
        second->show();
        QCOMPARE(second->geometry(), where);
    }
    QSettings stored(ini, QSettings::IniFormat);
    QCOMPARE(stored.value(window + "/Width").toInt(), where.width());
}

void TestProductForm::menuOpensOnePreparedWindow() {
    Shell s;
    {
        TWiring program(s.dm, s.ctx, *s.placement);
        TMainForm& mainForm = program.MainForm();
        QVERIFY(mainForm.AcProductList->isEnabled());
        mainForm.AcProductList->trigger();
        QVERIFY(program.Factory().Has("ProductMainForm"));
        TProductMainForm* shown = program.Catalogue().ProductMainForm();
        QVERIFY(shown->isVisible());
        QCOMPARE(shown->windowTitle(), QString("商品设置"));
        // Prepared: the tree is there, and showing listed every product.
        QCOMPARE(shown->ProductMainFrame1->treeCategory->topLevelItem(0)->text(0),
                 QString("全部商品"));
        QCOMPARE(program.Catalogue().Products().queryProduct->recordCount(), 5);
        shown->hide();
        mainForm.AcProductList->trigger();
        QCOMPARE(program.Catalogue().ProductMainForm(), shown);
        QVERIFY(shown->isVisible());
    }
}

void TestProductForm::windowsFitTheirTexts() {
    Shell s;
    s.db.exec("insert into StorageDetail(productID, quantity, unit_cost) values (1, 12, 45.678), "
              "(2, 3, 600)");
    s.main->resize(1000, 560);
    click(s.frame, "ToolButton1");
    s.select("全部商品");
    s.frame->treeCategory->setFocus();
    QCOMPARE(clipped(s.main), QStringList());
    QDir().mkpath(MORVANE_SCREENSHOT_DIR);
    QVERIFY(s.main->grab().save(QString(MORVANE_SCREENSHOT_DIR) + "/product-main.png"));

    // The category panel open for a new category.
    s.select("服装");
    click(s.frame, "btnCatNew");
    type(child<QLineEdit>(s.frame, "edtCatName"), "女装");
    QCOMPARE(clipped(s.main), QStringList());
    QVERIFY(s.main->grab().save(QString(MORVANE_SCREENSHOT_DIR) + "/product-main-category.png"));
    click(s.frame, "btnCatCancel");

    s.select("全部商品");
    s.locateProduct("西装");
    QStringList dialogClipped;
    QStringList tabOrder;
    whileModal([&](QWidget* w) {
        dialogClipped = clipped(w);
        w->grab().save(QString(MORVANE_SCREENSHOT_DIR) + "/product-edit.png");
        // Tab goes down the rows, then to the buttons.
        QWidget* at = w->findChild<QWidget*>("edtProductCode");
        for (int i = 0; i < 12 && at; ++i) {
            tabOrder << at->objectName();
            at = at->nextInFocusChain();
            while (at && (!(at->focusPolicy() & Qt::TabFocus) || !at->isVisibleTo(w)))
                at = at->nextInFocusChain();
        }
        click(w, "btnCancel");
    });
    click(s.frame, "ToolButton5");
    QCOMPARE(dialogClipped, QStringList());
    QCOMPARE(tabOrder.mid(0, 12),
             QStringList({"edtProductCode", "edtProductName", "edtProductCategoryID", "btnCat",
                          "edtProductModel", "edtProductSpec", "edtUnitID", "btnUnit",
                          "edtSalePrice", "edtComments", "chkSaveAndNew", "btnSave"}));
}

QTEST_MAIN(TestProductForm)
#include "tst_productform.moc"
