// The product catalogue frame driven as a user would: categories created,
// changed, refused and deleted; products listed, searched and deleted.
#include "exporter.h"
#include "productfixture.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QToolButton>

class TestProductMain : public QObject {
    Q_OBJECT
private slots:
    void categoryRefusals_data();
    void categoryRefusals();
    void newCategoryUnderSelectedNode();
    void editCategoryOffersEveryOtherCategory();
    void moveBelowOwnDescendantRefused_data();
    void moveBelowOwnDescendantRefused();
    void categoryPanelFollowsState();
    void treeSelectionLists_data();
    void treeSelectionLists();
    void search_data();
    void search();
    void deleteProduct_data();
    void deleteProduct();
    void deleteWithoutProduct();
    void refreshShowsStock();
    void exportDialogMadeWhenUsed();
};

// ------------------------------------------------------------- categories

void TestProductMain::categoryRefusals_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("kinds");
    QTest::addColumn<bool>("deleted");
    QTest::newRow("edit root") << "btnCatEdit"
                               << "全部商品" << QStringList{"不能修改根目录."}
                               << QStringList{"info"} << false;
    QTest::newRow("delete root") << "btnCatDelete"
                                 << "全部商品" << QStringList{"不能删除根目录."}
                                 << QStringList{"info"} << false;
    QTest::newRow("subcategories and products")
        << "btnCatDelete"
        << "男装" << QStringList{"请先删除该目录的子目录."} << QStringList{"plain"} << false;
    QTest::newRow("only a subcategory")
        << "btnCatDelete"
        << "服装" << QStringList{"请先删除该目录的子目录."} << QStringList{"plain"} << false;
    QTest::newRow("products") << "btnCatDelete"
                              << "食品" << QStringList{"该目录下已有商品,不能删除."}
                              << QStringList{"plain"} << false;
    QTest::newRow("empty, no confirmation") << "btnCatDelete"
                                            << "空目录" << QStringList() << QStringList() << true;
}

void TestProductMain::categoryRefusals() {
    QFETCH(QString, action);
    QFETCH(QString, category);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, kinds);
    QFETCH(bool, deleted);
    Shell s;
    s.select(category);
    const int id =
        s.count(QString("select id from ProductCategory where categoryName='%1'").arg(category));
    click(s.frame, action.toLatin1());
    QCOMPARE(TQuickMessageDlg::ShownTexts(), texts);
    QCOMPARE(::kinds(TQuickMessageDlg::Shown()), kinds);
    QCOMPARE(s.count(QString("select count(*) from ProductCategory where id=%1").arg(id)),
             deleted ? 0 : 1);
    QCOMPARE(s.frame->queryCategory->state(), DataSet::State::Browse);
    QVERIFY(!s.frame->pCategory->isVisibleTo(s.main));
    QCOMPARE(
        s.frame->treeCategory->findItems(category, Qt::MatchExactly | Qt::MatchRecursive).size(),
        deleted ? 0 : 1);
    if (deleted) {
        // The tree goes back to the parent, and the shared list forgets it.
        QCOMPARE(s.frame->treeCategory->currentItem()->text(0), QString("全部商品"));
        QVERIFY(!s.products->queryCategoryList->locate("id", id));
        QVERIFY(!s.dm.queryCategoryList->locate("id", id));
    }
}

void TestProductMain::newCategoryUnderSelectedNode() {
    Shell s;
    s.select("服装");
    click(s.frame, "btnCatNew");
    QCOMPARE(s.frame->queryCategory->state(), DataSet::State::Insert);
    QCOMPARE(child<QComboBox>(s.frame, "edtCatParent")->currentText(), QString("服装"));
    QCOMPARE(child<QLineEdit>(s.frame, "edtCatParent2")->text(), QString("2"));
    type(child<QLineEdit>(s.frame, "edtCatName"), "女装");
    click(s.frame, "btnCatSave");
    QCOMPARE(s.count("select parentID from ProductCategory where categoryName='女装'"), 2);
    const int id = s.count("select id from ProductCategory where categoryName='女装'");
    // Every list of categories knows it, and the tree shows it selected
    // under its parent with its (empty) product list.
    QVERIFY(s.dm.queryCategoryList->locate("id", id));
    QVERIFY(s.products->queryCategoryList->locate("id", id));
    QVERIFY(s.frame->queryCategoryList2->locate("id", id));
    QTreeWidgetItem* item = s.frame->treeCategory->currentItem();
    QCOMPARE(item->text(0), QString("女装"));
    QCOMPARE(item->parent()->text(0), QString("服装"));
    QCOMPARE(s.listed(), QStringList());
}

void TestProductMain::editCategoryOffersEveryOtherCategory() {
    Shell s;
    s.select("男装");
    click(s.frame, "btnCatEdit");
    QCOMPARE(s.frame->queryCategory->state(), DataSet::State::Edit);
    auto* parent = child<QComboBox>(s.frame, "edtCatParent");
    QStringList offered;
    for (int i = 0; i < parent->count(); ++i)
        offered << parent->itemText(i);
    QCOMPARE(offered, QStringList({"全部商品", "服装", "衬衫", "食品", "空目录"}));
    QCOMPARE(parent->currentText(), QString("服装"));
    auto* name = child<QLineEdit>(s.frame, "edtCatName");
    name->selectAll();
    type(name, "男士服装");
    // Moving to a category that is not below it is fine.
    parent->setCurrentIndex(offered.indexOf("食品"));
    emit parent->activated(parent->currentIndex());
    click(s.frame, "btnCatSave");
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList());
    QCOMPARE(s.db.scalar("select categoryName || '/' || parentID from ProductCategory where id=3")
                 .toString(),
             QString("男士服装/5"));
    QCOMPARE(s.frame->treeCategory->currentItem()->parent()->text(0), QString("食品"));
    // A new category offers every category as parent again.
    click(s.frame, "btnCatNew");
    QCOMPARE(parent->count(), 6);
    click(s.frame, "btnCatCancel");
}

void TestProductMain::moveBelowOwnDescendantRefused_data() {
    QTest::addColumn<QString>("moved");
    QTest::addColumn<QString>("newParent");
    QTest::addColumn<bool>("viaChooser");
    // The chooser offers the subcategories; itself only arrives by code.
    QTest::newRow("below its child") << "服装"
                                     << "男装" << true;
    QTest::newRow("below its grandchild") << "服装"
                                          << "衬衫" << true;
    QTest::newRow("below itself") << "男装"
                                  << "男装" << false;
}

void TestProductMain::moveBelowOwnDescendantRefused() {
    QFETCH(QString, moved);
    QFETCH(QString, newParent);
    QFETCH(bool, viaChooser);
    Shell s;
    s.select(moved);
    const QString tree = "select group_concat(id || ':' || parentID) from ProductCategory";
    const QString before = s.db.scalar(tree).toString();
    click(s.frame, "btnCatEdit");
    if (viaChooser) {
        auto* parent = child<QComboBox>(s.frame, "edtCatParent");
        const int index = parent->findText(newParent);
        QVERIFY(index >= 0);
        parent->setCurrentIndex(index);
        emit parent->activated(index);
    } else {
        s.frame->queryCategory->setValue(
            "parentID",
            s.count(
                QString("select id from ProductCategory where categoryName='%1'").arg(newParent)));
    }
    click(s.frame, "btnCatSave");
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{"不能把目录移到它自己的下级目录中."});
    QCOMPARE(s.db.scalar(tree).toString(), before);
    // Still editing, so the user can choose another parent or cancel.
    QCOMPARE(s.frame->queryCategory->state(), DataSet::State::Edit);
    click(s.frame, "btnCatCancel");
    QCOMPARE(s.frame->queryCategory->state(), DataSet::State::Browse);
    QCOMPARE(s.frame->treeCategory->findItems(moved, Qt::MatchExactly | Qt::MatchRecursive).size(),
             1);
}

void TestProductMain::categoryPanelFollowsState() {
    Shell s;
    s.select("食品");
    auto state = [&] {
        QString out = s.frame->pCategory->isVisibleTo(s.main) ? "P" : "-";
        for (const char* n : {"btnCatCancel", "btnCatSave", "btnCatNew", "btnCatEdit",
                              "btnCatDelete", "treeCategory"})
            out += child<QWidget>(s.frame, n)->isEnabled() ? "1" : "0";
        return out;
    };
    QStringList states{state()};
    click(s.frame, "btnCatNew");
    states << state();
    click(s.frame, "btnCatCancel");
    states << state();
    click(s.frame, "btnCatEdit");
    states << state();
    click(s.frame, "btnCatCancel");
    states << state();
    QCOMPARE(states, QStringList({"-001111", "P110000", "-001111", "P110000", "-001111"}));
    // The cancelled new row is gone and the tree still shows where we were.
    QCOMPARE(s.count("select count(*) from ProductCategory"), 6);
    QCOMPARE(s.frame->CurrentCategoryID(), 5);
}

// --------------------------------------------------------------- listing

void TestProductMain::treeSelectionLists_data() {
    QTest::addColumn<QString>("category");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("root lists everything")
        << "全部商品" << QStringList({"O'Neil奶酪", "abc", "axyc", "白衬衫", "西装"});
    QTest::newRow("only subcategories lists nothing") << "服装" << QStringList();
    QTest::newRow("own products, not the subcategory's") << "男装" << QStringList{"西装"};
    QTest::newRow("leaf") << "衬衫" << QStringList{"白衬衫"};
}

void TestProductMain::treeSelectionLists() {
    QFETCH(QString, category);
    QFETCH(QStringList, names);
    Shell s;
    s.select("空目录"); // so that every row below is a change of selection
    s.select(category);
    QCOMPARE(s.listed(), names);
}

void TestProductMain::search_data() {
    QTest::addColumn<int>("scope");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("enter");
    QTest::addColumn<QStringList>("names");
    const int any = TProductMainFrame::AnyField;
    QTest::newRow("any field, code") << any << "c00" << false << QStringList({"白衬衫", "西装"});
    QTest::newRow("any field, only dfield3") << any << "秋季" << true << QStringList{"西装"};
    QTest::newRow("any field, 规格") << any << "500克" << false << QStringList{"O'Neil奶酪"};
    QTest::newRow("blanks list all")
        << any << "   " << true << QStringList({"O'Neil奶酪", "abc", "axyc", "白衬衫", "西装"});
    QTest::newRow("quote found literally") << any << "O'Neil" << true << QStringList{"O'Neil奶酪"};
    QTest::newRow("percent is a wildcard")
        << int(TProductMainFrame::ByName) << "a%c" << false << QStringList({"abc", "axyc"});
    QTest::newRow("underscore is a wildcard")
        << int(TProductMainFrame::ByName) << "a_c" << true << QStringList{"abc"};
    QTest::newRow("name scope ignores model")
        << int(TProductMainFrame::ByName) << "XZ" << false << QStringList();
    QTest::newRow("model scope") << int(TProductMainFrame::ByModel) << "XZ" << false
                                 << QStringList{"西装"};
    QTest::newRow("model scope ignores name")
        << int(TProductMainFrame::ByModel) << "西装" << false << QStringList();
    QTest::newRow("规格 scope") << int(TProductMainFrame::BySpec) << "kg" << true
                                << QStringList({"abc", "axyc"});
    QTest::newRow("规格 scope ignores dfield3")
        << int(TProductMainFrame::BySpec) << "秋季" << false << QStringList();
}

void TestProductMain::search() {
    QFETCH(int, scope);
    QFETCH(QString, key);
    QFETCH(bool, enter);
    QFETCH(QStringList, names);
    Shell s;
    s.select("衬衫"); // the search replaces the category's list
    s.frame->cbSearchScope->setCurrentIndex(scope);
    type(s.frame->edtSearchKey, key);
    if (enter)
        QTest::keyClick(s.frame->edtSearchKey, Qt::Key_Return);
    else
        click(s.frame, "JvBitBtn9");
    QCOMPARE(s.listed(), names);
}

// -------------------------------------------------------------- deleting

void TestProductMain::deleteProduct_data() {
    QTest::addColumn<QStringList>("uses");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("deleted");
    const QString purchase = "insert into InputDetail(inputNO, productID) values('IN1', 1)";
    const QString sale = "insert into OutputDetail(outputNO, productID) values('OUT1', 1)";
    const QString refund = "insert into RefundDetail(refundNO, productID) values('R1', 1)";
    QTest::newRow("unused, yes") << QStringList() << true << QStringList{"确定要删除该商品吗?"}
                                 << true;
    QTest::newRow("unused, no") << QStringList() << false << QStringList{"确定要删除该商品吗?"}
                                << false;
    QTest::newRow("purchase and sale") << QStringList({sale, purchase}) << true
                                       << QStringList{"该商品已经有进货单,不能删除."} << false;
    QTest::newRow("sale and refund") << QStringList({refund, sale}) << true
                                     << QStringList{"该商品已经有销售单,不能删除."} << false;
    QTest::newRow("refund") << QStringList{refund} << true
                            << QStringList{"该商品已经有退货单,不能删除."} << false;
}

void TestProductMain::deleteProduct() {
    QFETCH(QStringList, uses);
    QFETCH(bool, answer);
    QFETCH(QStringList, texts);
    QFETCH(bool, deleted);
    Shell s;
    for (const QString& sql : uses)
        s.db.exec(sql);
    s.select("全部商品");
    s.locateProduct("白衬衫");
    TQuickMessageDlg::PushAnswer(answer);
    click(s.frame, "btnProductDelete");
    QCOMPARE(TQuickMessageDlg::ShownTexts(), texts);
    const bool refused = !texts.first().startsWith("确定");
    QCOMPARE(TQuickMessageDlg::Shown().first().kind, refused ? Kind::Plain : Kind::Confirm);
    QCOMPARE(s.count("select count(*) from Product where id=1"), deleted ? 0 : 1);
    QCOMPARE(s.list()->locate("id", 1), !deleted);
    QCOMPARE(s.dm.queryProduct->locate("id", 1), !deleted);
    QCOMPARE(s.count("select count(*) from Product"), deleted ? 4 : 5); // nothing else goes
}

void TestProductMain::deleteWithoutProduct() {
    Shell s;
    s.select("服装"); // an empty list
    click(s.frame, "btnProductDelete");
    s.list()->close();
    click(s.frame, "btnProductDelete");
    QCOMPARE(TQuickMessageDlg::ShownTexts(),
             QStringList({"请选择要删除的商品.", "请选择要删除的商品.."}));
    QCOMPARE(s.count("select count(*) from Product"), 5);
}

// ------------------------------------------------------------ list columns

void TestProductMain::refreshShowsStock() {
    Shell s;
    s.select("全部商品");
    s.locateProduct("西装");
    DataGrid* grid = s.frame->productGrid;
    auto cell = [&](const char* field) {
        const int row = s.list()->currentRow();
        return grid->model()->data(grid->model()->index(row, grid->viewColumn(field))).toString();
    };
    QCOMPARE(cell("storageQuantity"), QString());
    s.db.exec("insert into StorageDetail(productID, quantity, unit_cost) values (2, 7, 123.456)");
    click(s.frame, "ToolButton1");
    // Still on the same product, now with its stock.
    QCOMPARE(s.list()->value("productName").toString(), QString("西装"));
    QCOMPARE(cell("storageQuantity"), QString("7"));
    QCOMPARE(cell("storageUnitCost"), QString("123.46"));
    QCOMPARE(cell("unitName"), QString("件"));
    QCOMPARE(cell("categoryName"), QString("男装"));
}

// Opening the window makes no save dialog (it reads the icons and the home
// folder as it is made); exporting still asks with the preset one.
void TestProductMain::exportDialogMadeWhenUsed() {
    Shell s;
    auto dialogs = [] {
        int n = 0;
        for (QWidget* w : QApplication::allWidgets()) n += qobject_cast<QFileDialog*>(w) ? 1 : 0;
        return n;
    };
    QCOMPARE(dialogs(), 0);
    auto* exporter = s.frame->findChild<TExporter*>();
    QVERIFY(exporter);
    QCOMPARE(exporter->InstalledControl(), static_cast<QWidget*>(s.frame->btnExport));
    QString asked;
    TExporter::SetSaveDialogHook([&](QFileDialog& d) {
        asked = d.objectName() + ' ' + d.defaultSuffix() + ' ' + d.selectedNameFilter();
        return TExporter::SaveAnswer{};
    });
    exporter->ExportAs(TExporter::Html);
    TExporter::SetSaveDialogHook(nullptr);
    QCOMPARE(asked, QString("SaveDialog1 htm ") + TExporter::FileTypes()[TExporter::Html]);
    QCOMPARE(dialogs(), 1);
}

QTEST_MAIN(TestProductMain)
#include "tst_productmain.moc"
