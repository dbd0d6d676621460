// The product dialog: its checks, saving, "保存后继续新建", the category and
// unit buttons, and the field labels it takes from the configuration.
#include "productfixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

class TestProductEditForm : public QObject {
    Q_OBJECT
private slots:
    void newProductUnderRootIsStored();
    void validation_data();
    void validation();
    void priceEntry_data();
    void priceEntry();
    void saveWithoutChangeDoesNotPost_data();
    void saveWithoutChangeDoesNotPost();
    void saveAndNewOpensEmptyProduct();
    void categoryButton_data();
    void categoryButton();
    void unitButton_data();
    void unitButton();
    void fieldLabelsReachDialogAndGrid();
};

// --------------------------------------------------------------- products

void TestProductEditForm::newProductUnderRootIsStored() {
    Shell s;
    s.select("全部商品");
    whileModal([&](QWidget* w) {
        QCOMPARE(w->objectName(), QString("ProductEditForm"));
        QCOMPARE(s.list()->state(), DataSet::State::Insert);
        QCOMPARE(child<QComboBox>(w, "edtProductCategoryID")->currentText(), QString("全部商品"));
        type(child<QLineEdit>(w, "edtProductCode"), "N001");
        type(child<QLineEdit>(w, "edtProductName"), "新品");
        type(child<QLineEdit>(w, "edtSalePrice"), "12.5");
        pickFirst(w, "edtUnitID");
        click(w, "btnSave");
    });
    click(s.frame, "btnProductNew");
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList());
    QCOMPARE(
        s.db.scalar(
                "select productCode || '/' || categoryID || '/' || storageUnit || '/' || salePrice"
                " from Product where productName='新品'")
            .toString(),
        QString("N001/1/1/12.5"));
    // Current in the list, with its look-ups, and known to the documents.
    QCOMPARE(s.list()->value("productName").toString(), QString("新品"));
    QCOMPARE(s.list()->value("unitName").toString(), QString("个"));
    QCOMPARE(s.list()->value("categoryName").toString(), QString("全部商品"));
    QVERIFY(s.dm.queryProduct->locate("productName", "新品"));
    QVERIFY(!s.editor->isVisible());
}

void TestProductEditForm::validation_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("category");
    QTest::addColumn<bool>("unit");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("focus");
    QTest::newRow("no name") << "" << 5 << true << "商品名称不能为空"
                             << "edtProductName";
    QTest::newRow("blank name before category") << "   " << 0 << false << "商品名称不能为空"
                                                << "edtProductName";
    QTest::newRow("category 0") << "饼干" << 0 << true << "\"商品目录\"不能为空"
                                << "edtProductCategoryID";
    QTest::newRow("category before unit") << "饼干" << 0 << false << "\"商品目录\"不能为空"
                                          << "edtProductCategoryID";
    QTest::newRow("no unit") << "饼干" << 5 << false << "请填写商品单位"
                             << "edtUnitID";
    QTest::newRow("category -1 passes") << "饼干" << -1 << true << ""
                                        << "";
}

void TestProductEditForm::validation() {
    QFETCH(QString, name);
    QFETCH(int, category);
    QFETCH(bool, unit);
    QFETCH(QString, text);
    QFETCH(QString, focus);
    Shell s;
    bool stayedOpen = false;
    DataSet::State stateAfter = DataSet::State::Inactive;
    QString focused;
    whileModal([&](QWidget* w) {
        if (!name.isEmpty()) type(child<QLineEdit>(w, "edtProductName"), name);
        if (unit) pickFirst(w, "edtUnitID");
        type(child<QLineEdit>(w, "edtProductCode"), "V1"); // so the row has a change
        click(w, "btnSave");
        stayedOpen = w->isVisible();
        stateAfter = s.list()->state();
        focused = w->focusWidget() ? w->focusWidget()->objectName() : QString();
        if (stayedOpen) click(w, "btnCancel");
    });
    s.editor->NewProduct(category);
    QCOMPARE(TQuickMessageDlg::ShownTexts(), text.isEmpty() ? QStringList() : QStringList{text});
    QCOMPARE(stayedOpen, !text.isEmpty());
    if (!text.isEmpty()) {
        QCOMPARE(stateAfter, DataSet::State::Insert);
        QCOMPARE(focused, focus);
    }
    QCOMPARE(s.count("select count(*) from Product where productCode='V1'"),
             text.isEmpty() ? 1 : 0);
    QCOMPARE(s.list()->state(), DataSet::State::Browse);
}

void TestProductEditForm::priceEntry_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");  // what the box holds after typing
    QTest::addColumn<QVariant>("stored"); // the price in the file afterwards
    QTest::addColumn<bool>("refused");
    QTest::newRow("letter after") << "4.5x" << "4.5" << QVariant(4.5) << false;
    QTest::newRow("thousands comma") << "1,500" << "1500" << QVariant(1500.0) << false;
    QTest::newRow("currency sign") << "12.5元" << "12.5" << QVariant(12.5) << false;
    QTest::newRow("letters only") << "abc" << "" << QVariant() << false;
    QTest::newRow("full-width") << "１２．５" << "12.5" << QVariant(12.5) << false;
    QTest::newRow("a lone minus") << "-" << "-" << QVariant(880.0) << true;
    QTest::newRow("beyond a double") << "1e999" << "1e999" << QVariant(880.0) << true;
}

// What the box shows is what is stored; text that is no number stops the
// save with one message, the box keeps the focus, nothing is written.
void TestProductEditForm::priceEntry() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QVariant, stored);
    QFETCH(bool, refused);
    Shell s;
    s.select("全部商品");
    s.locateProduct("西装");
    QString inBox;
    bool open = false, focused = false;
    whileModal([&](QWidget* w) {
        auto* price = child<QLineEdit>(w, "edtSalePrice");
        price->setFocus();
        price->selectAll();
        QTest::keyClick(price, Qt::Key_Delete);
        type(price, typed);
        inBox = price->text();
        click(w, "btnSave");
        open = w->isVisible();
        focused = w->focusWidget() == price;
        if (open) click(w, "btnCancel");
    });
    click(s.frame, "ToolButton5");
    QCOMPARE(inBox, shown);
    QCOMPARE(open, refused);
    QCOMPARE(TQuickMessageDlg::ShownTexts().size(), refused ? 1 : 0);
    if (refused) QVERIFY(focused);
    const QVariant price = s.db.scalar("select salePrice from Product where productName='西装'");
    QCOMPARE(price.isNull(), stored.isNull());
    if (!stored.isNull()) QCOMPARE(price.toDouble(), stored.toDouble());
}

void TestProductEditForm::saveWithoutChangeDoesNotPost_data() {
    QTest::addColumn<bool>("saveAndNew");
    QTest::newRow("closes") << false;
    QTest::newRow("save and new") << true;
}

void TestProductEditForm::saveWithoutChangeDoesNotPost() {
    QFETCH(bool, saveAndNew);
    Shell s;
    s.select("全部商品");
    s.locateProduct("西装");
    QStringList writes;
    s.dm.MainConn.setTrace([&](const QString& sql) {
        if (!sql.trimmed().startsWith("select", Qt::CaseInsensitive)) writes << sql;
    });
    bool open = false;
    DataSet::State state = DataSet::State::Inactive;
    whileModal([&](QWidget* w) {
        child<QCheckBox>(w, "chkSaveAndNew")->setChecked(saveAndNew);
        click(w, "btnSave");
        open = w->isVisible();
        state = s.list()->state();
        if (open) click(w, "btnCancel");
    });
    click(s.frame, "ToolButton5");
    s.dm.MainConn.setTrace({});
    QCOMPARE(writes, QStringList());
    QCOMPARE(open, saveAndNew);
    QCOMPARE(state, saveAndNew ? DataSet::State::Insert : DataSet::State::Browse);
    QCOMPARE(s.count("select count(*) from Product"), 5);
    QCOMPARE(s.list()->value("productName").toString(), QString("西装"));
}

void TestProductEditForm::saveAndNewOpensEmptyProduct() {
    Shell s;
    s.select("食品");
    QStringList seen;
    whileModal([&](QWidget* w) {
        child<QCheckBox>(w, "chkSaveAndNew")->setChecked(true);
        type(child<QLineEdit>(w, "edtProductName"), "饼干");
        pickFirst(w, "edtUnitID");
        click(w, "btnSave");
        // Stored, and a fresh row without even the category preset.
        seen << QString::number(
            s.count("select count(*) from Product where productName='饼干' and categoryID=5"));
        seen << (w->isVisible() ? "open" : "closed");
        seen << QString::number(int(s.list()->state()));
        seen << (s.list()->field("categoryID")->isNull() && s.list()->field("productName")->isNull()
                     ? "empty"
                     : "filled");
        seen << child<QLineEdit>(w, "edtProductName")->text() + "|" +
                    child<QComboBox>(w, "edtUnitID")->currentText();
        seen << (w->focusWidget() ? w->focusWidget()->objectName() : QString());
        click(w, "btnCancel");
    });
    click(s.frame, "btnProductNew");
    QCOMPARE(seen, QStringList({"1", "open", QString::number(int(DataSet::State::Insert)), "empty",
                                "|", "edtProductCode"}));
    QCOMPARE(s.count("select count(*) from Product"), 6);
    QCOMPARE(s.list()->state(), DataSet::State::Browse);
}

void TestProductEditForm::categoryButton_data() {
    QTest::addColumn<bool>("emptyTree");
    QTest::addColumn<QString>("pick");   // category to select, empty for none
    QTest::addColumn<QString>("button"); // in the category dialog
    QTest::addColumn<int>("category");   // the product's category afterwards
    QTest::newRow("use a category") << false << "衬衫"
                                    << "btnUseCurrentCat" << 4;
    QTest::newRow("close keeps it") << false << "衬衫"
                                    << "Button2" << 5;
    // Nothing to use: the product keeps its category rather than taking
    // the id -1, which names no category at all.
    QTest::newRow("empty tree keeps it") << true << ""
                                         << "btnUseCurrentCat" << 5;
}

void TestProductEditForm::categoryButton() {
    QFETCH(bool, emptyTree);
    QFETCH(QString, pick);
    QFETCH(QString, button);
    QFETCH(int, category);
    Shell s;
    s.locateProduct("abc");
    if (emptyTree) s.db.exec("delete from ProductCategory");
    int inDialog = 0;
    whileModal([&](QWidget* w) {
        whileModal([&](QWidget* c) {
            QCOMPARE(c->objectName(), QString("CategoryForm"));
            auto* tree = child<QTreeWidget>(c, "treeCategory");
            // Reloaded on every use: categories made since are there.
            QCOMPARE(tree->topLevelItemCount(), emptyTree ? 0 : 1);
            if (!pick.isEmpty()) {
                const auto found = tree->findItems(pick, Qt::MatchExactly | Qt::MatchRecursive);
                QCOMPARE(found.size(), 1);
                tree->setCurrentItem(found.first());
            }
            click(c, button.toLatin1());
        });
        click(w, "btnCat");
        inDialog = s.list()->field("categoryID")->asInteger();
        click(w, "btnCancel");
    });
    click(s.frame, "ToolButton5");
    QCOMPARE(inDialog, category);
    QCOMPARE(s.count("select categoryID from Product where productName='abc'"), 5); // cancelled
}

void TestProductEditForm::unitButton_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("unit");
    QTest::newRow("choose") << "btnSelect"
                            << "台";
    QTest::newRow("close keeps it") << "btnClose"
                                    << "个";
}

void TestProductEditForm::unitButton() {
    QFETCH(QString, button);
    QFETCH(QString, unit);
    Shell s;
    s.locateProduct("abc");
    whileModal([&](QWidget* w) {
        whileModal([&](QWidget* u) {
            QVERIFY(child<QPushButton>(u, "btnSelect")->isVisible());
            QVERIFY(static_cast<TUnitForm*>(u)->tableUnit->locate("unitName", "台"));
            click(u, button.toLatin1());
        });
        click(w, "btnUnit");
        QCOMPARE(child<QComboBox>(w, "edtUnitID")->currentText(), unit);
        click(w, "btnSave");
    });
    click(s.frame, "ToolButton5");
    QCOMPARE(s.db.scalar("select u.unitName from Product p join ProductUnit u on "
                         "u.id=p.storageUnit where p.id=4")
                 .toString(),
             unit);
}

void TestProductEditForm::fieldLabelsReachDialogAndGrid() {
    TestDb db;
    db.exec("update FieldConfig set fieldNewName='款号' where tableName='Product' and "
            "TableField='product_model'");
    db.exec("update FieldConfig set enabled=0 where tableName='Product' and TableField in "
            "('productCode', 'dfield2')");
    {
        // The shell is built on this configured file.
        TMainDM dm;
        TAppContext ctx;
        dm.Startup(db.path());
        TDFMProxy labels(dm.MainConn);
        TControlPlacement placement(db.dir() + "/placement.ini");
        TResourceFactory factory;
        TCatalogue catalogue(dm, labels, placement, factory, nullptr);
        TProductEditForm& editor = catalogue.ProductEditor();
        TProductMainForm& main = *catalogue.ProductMainForm();
        QCOMPARE(editor.lbproduct_model->text(), QString("款号:"));
        QVERIFY(editor.pProductCode->isHidden());
        QVERIFY(editor.pProductCode->parentWidget()->isHidden()); // its whole row
        QVERIFY(!editor.pproduct_spec->isHidden());
        DataGrid* grid = main.ProductMainFrame1->productGrid;
        QCOMPARE(grid->column("product_model")->title, QString("款号"));
        QVERIFY(!grid->column("productCode")->visible);
        QVERIFY(!grid->column("dfield2")->visible);
        QVERIFY(grid->column("dfield3")->visible);
    }
}

QTEST_MAIN(TestProductEditForm)
#include "tst_producteditform.moc"
