// The product catalogue windows driven as a user would: categories and
// products created, changed, refused and deleted, searched and picked.
#include "appcontext.h"
#include "categoryform.h"
#include "datagrid.h"
#include "dataset.h"
#include "dynamicfield.h"
#include "maindm.h"
#include "producteditform.h"
#include "productform.h"
#include "productmainform.h"
#include "productmainframe.h"
#include "productmanagerdm.h"
#include "quickmessagedlg.h"
#include "testsupport.h"
#include "unitform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <functional>
#include <memory>

using Kind = TQuickMessageDlg::Kind;

namespace {
// 全部商品 > 服装 > 男装 > 衬衫, 全部商品 > 食品, 全部商品 > 空目录. 服装 holds
// only a subcategory, 男装 a subcategory and a product, 食品 only products.
void seedCatalogue(TestDb& db) {
    db.exec("insert into ProductCategory(id, parentID, categoryName) values"
            " (2, 1, '服装'), (3, 2, '男装'), (4, 3, '衬衫'), (5, 1, '食品'), (6, 1, '空目录')");
    db.exec("insert into Product(id, productCode, productName, product_model, product_spec, categoryID,"
            " storageUnit, salePrice, dfield3) values"
            " (1, 'C001', '白衬衫', 'M1', 'S1', 4, 2, 99.5, null),"
            " (2, 'C002', '西装', 'XZ', 'L', 3, 2, 880, '秋季款'),"
            " (3, 'F001', 'O''Neil奶酪', 'N1', '500克', 5, 1, 35, null),"
            " (4, 'F002', 'abc', 'N2', '1kg', 5, 1, 10, null),"
            " (5, 'F003', 'axyc', 'N3', '2kg', 5, 1, 12, null)");
}

struct Shell {
    TestDb db;
    TMainDM dm;
    TAppContext ctx;
    std::unique_ptr<TDFMProxy> labels;
    std::unique_ptr<TProductManagerDM> products;
    std::unique_ptr<TUnitForm> units;
    std::unique_ptr<TCategoryForm> categories;
    std::unique_ptr<TProductEditForm> editor;
    std::unique_ptr<TProductMainForm> main;
    TProductMainFrame* frame = nullptr;

    explicit Shell(bool seed = true) {
        if (seed) seedCatalogue(db);
        dm.Startup(db.path());
        ctx.SetAppDir(db.dir());
        TQuickMessageDlg::StartRecording();
        labels = std::make_unique<TDFMProxy>(dm.MainConn);
        products = std::make_unique<TProductManagerDM>();
        units = std::make_unique<TUnitForm>();
        categories = std::make_unique<TCategoryForm>();
        editor = std::make_unique<TProductEditForm>();
        main = std::make_unique<TProductMainForm>();
        main->Prepare();
        frame = main->ProductMainFrame1;
        main->show(); // lists every product
    }
    ~Shell() { TQuickMessageDlg::StopRecording(); }

    int count(const QString& sql) { return db.scalar(sql).toInt(); }
    DataSet* list() const { return products->queryProduct; }
    QStringList listed() const {
        QStringList names;
        for (int r = 0; r < list()->recordCount(); ++r) names << list()->valueAt(r, "productName").toString();
        names.sort();
        return names;
    }
    void select(const QString& category) { selectIn(frame, category); }
    static void selectIn(TProductMainFrame* f, const QString& category) {
        const auto found = f->treeCategory->findItems(category, Qt::MatchExactly | Qt::MatchRecursive);
        QVERIFY2(found.size() == 1, qPrintable(category));
        f->treeCategory->setCurrentItem(found.first());
    }
    void locateProduct(const QString& name) { QVERIFY(list()->locate("productName", name)); }
};

// Runs f inside the next modal dialog; f must close it.
void whileModal(std::function<void(QWidget*)> f) {
    QTimer::singleShot(0, [f] {
        QWidget* w = QApplication::activeModalWidget();
        QVERIFY(w);
        f(w);
    });
}

template <class T> T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c) qWarning("no control %s", name);
    return c;
}

// Types text key by key, Chinese included (keyClicks takes ASCII only).
void type(QWidget* w, const QString& text) {
    for (const QChar c : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void click(QWidget* w, const char* name) { child<QAbstractButton>(w, name)->click(); }

// Picks the first entry of a look-up combo with the keyboard.
void pickFirst(QWidget* w, const char* combo) {
    auto* box = child<QComboBox>(w, combo);
    box->setCurrentIndex(-1);
    QTest::keyClick(box, Qt::Key_Down);
}

QStringList kinds(const QList<TQuickMessageDlg::Record>& shown) {
    QStringList out;
    for (const auto& r : shown)
        out << (r.kind == Kind::Info ? "info" : r.kind == Kind::Plain ? "plain" : r.kind == Kind::Confirm ? "confirm" : "error");
    return out;
}
} // namespace

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
    void newProductUnderRootIsStored();
    void validation_data();
    void validation();
    void saveWithoutChangeDoesNotPost_data();
    void saveWithoutChangeDoesNotPost();
    void saveAndNewOpensEmptyProduct();
    void categoryButton_data();
    void categoryButton();
    void unitButton_data();
    void unitButton();
    void refreshShowsStock();
    void fieldLabelsReachDialogAndGrid();
};

// ------------------------------------------------------------- categories

void TestProductMain::categoryRefusals_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("kinds");
    QTest::addColumn<bool>("deleted");
    QTest::newRow("edit root") << "btnCatEdit" << "全部商品" << QStringList{"不能修改根目录."} << QStringList{"info"} << false;
    QTest::newRow("delete root") << "btnCatDelete" << "全部商品" << QStringList{"不能删除根目录."} << QStringList{"info"} << false;
    QTest::newRow("subcategories and products") << "btnCatDelete" << "男装" << QStringList{"请先删除该目录的子目录."}
                                                << QStringList{"plain"} << false;
    QTest::newRow("only a subcategory") << "btnCatDelete" << "服装" << QStringList{"请先删除该目录的子目录."}
                                        << QStringList{"plain"} << false;
    QTest::newRow("products") << "btnCatDelete" << "食品" << QStringList{"该目录下已有商品,不能删除."} << QStringList{"plain"}
                              << false;
    QTest::newRow("empty, no confirmation") << "btnCatDelete" << "空目录" << QStringList() << QStringList() << true;
}

void TestProductMain::categoryRefusals() {
    QFETCH(QString, action);
    QFETCH(QString, category);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, kinds);
    QFETCH(bool, deleted);
    Shell s;
    s.select(category);
    const int id = s.count(QString("select id from ProductCategory where categoryName='%1'").arg(category));
    click(s.frame, action.toLatin1());
    QCOMPARE(TQuickMessageDlg::ShownTexts(), texts);
    QCOMPARE(::kinds(TQuickMessageDlg::Shown()), kinds);
    QCOMPARE(s.count(QString("select count(*) from ProductCategory where id=%1").arg(id)), deleted ? 0 : 1);
    QCOMPARE(s.frame->queryCategory->state(), DataSet::State::Browse);
    QVERIFY(!s.frame->pCategory->isVisibleTo(s.main.get()));
    QCOMPARE(s.frame->treeCategory->findItems(category, Qt::MatchExactly | Qt::MatchRecursive).size(), deleted ? 0 : 1);
    if (deleted) {
        // The tree goes back to the parent, and the shared list forgets it.
        QCOMPARE(s.frame->treeCategory->currentItem()->text(0), QString("全部商品"));
        QVERIFY(!s.products->queryCategoryList->locate("id", id));
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
    for (int i = 0; i < parent->count(); ++i) offered << parent->itemText(i);
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
    QCOMPARE(s.db.scalar("select categoryName || '/' || parentID from ProductCategory where id=3").toString(),
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
    QTest::newRow("below its child") << "服装" << "男装" << true;
    QTest::newRow("below its grandchild") << "服装" << "衬衫" << true;
    QTest::newRow("below itself") << "男装" << "男装" << false;
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
            "parentID", s.count(QString("select id from ProductCategory where categoryName='%1'").arg(newParent)));
    }
    click(s.frame, "btnCatSave");
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{"不能把目录移到它自己的下级目录中."});
    QCOMPARE(s.db.scalar(tree).toString(), before);
    // Still editing, so the user can choose another parent or cancel.
    QCOMPARE(s.frame->queryCategory->state(), DataSet::State::Edit);
    click(s.frame, "btnCatCancel");
    QCOMPARE(s.frame->queryCategory->state(), DataSet::State::Browse);
    QCOMPARE(s.frame->treeCategory->findItems(moved, Qt::MatchExactly | Qt::MatchRecursive).size(), 1);
}

void TestProductMain::categoryPanelFollowsState() {
    Shell s;
    s.select("食品");
    auto state = [&] {
        QString out = s.frame->pCategory->isVisibleTo(s.main.get()) ? "P" : "-";
        for (const char* n : {"btnCatCancel", "btnCatSave", "btnCatNew", "btnCatEdit", "btnCatDelete", "treeCategory"})
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
    QTest::newRow("root lists everything") << "全部商品"
                                           << QStringList({"O'Neil奶酪", "abc", "axyc", "白衬衫", "西装"});
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
    QTest::newRow("any field, spec") << any << "500克" << false << QStringList{"O'Neil奶酪"};
    QTest::newRow("blanks list all") << any << "   " << true
                                     << QStringList({"O'Neil奶酪", "abc", "axyc", "白衬衫", "西装"});
    QTest::newRow("quote found literally") << any << "O'Neil" << true << QStringList{"O'Neil奶酪"};
    QTest::newRow("percent is a wildcard") << int(TProductMainFrame::ByName) << "a%c" << false
                                           << QStringList({"abc", "axyc"});
    QTest::newRow("underscore is a wildcard") << int(TProductMainFrame::ByName) << "a_c" << true << QStringList{"abc"};
    QTest::newRow("name scope ignores model") << int(TProductMainFrame::ByName) << "XZ" << false << QStringList();
    QTest::newRow("model scope") << int(TProductMainFrame::ByModel) << "XZ" << false << QStringList{"西装"};
    QTest::newRow("model scope ignores name") << int(TProductMainFrame::ByModel) << "西装" << false << QStringList();
    QTest::newRow("spec scope") << int(TProductMainFrame::BySpec) << "kg" << true << QStringList({"abc", "axyc"});
    QTest::newRow("spec scope ignores dfield3") << int(TProductMainFrame::BySpec) << "秋季" << false << QStringList();
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
    QTest::newRow("unused, yes") << QStringList() << true << QStringList{"确定要删除该商品吗?"} << true;
    QTest::newRow("unused, no") << QStringList() << false << QStringList{"确定要删除该商品吗?"} << false;
    QTest::newRow("purchase and sale") << QStringList({sale, purchase}) << true
                                       << QStringList{"该商品已经有进货单,不能删除."} << false;
    QTest::newRow("sale and refund") << QStringList({refund, sale}) << true << QStringList{"该商品已经有销售单,不能删除."}
                                     << false;
    QTest::newRow("refund") << QStringList{refund} << true << QStringList{"该商品已经有退货单,不能删除."} << false;
}

void TestProductMain::deleteProduct() {
    QFETCH(QStringList, uses);
    QFETCH(bool, answer);
    QFETCH(QStringList, texts);
    QFETCH(bool, deleted);
    Shell s;
    for (const QString& sql : uses) s.db.exec(sql);
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
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList({"请选择要删除的商品.", "请选择要删除的商品.."}));
    QCOMPARE(s.count("select count(*) from Product"), 5);
}

// --------------------------------------------------------------- products

void TestProductMain::newProductUnderRootIsStored() {
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
    QCOMPARE(s.db.scalar("select productCode || '/' || categoryID || '/' || storageUnit || '/' || salePrice"
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

void TestProductMain::validation_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("category");
    QTest::addColumn<bool>("unit");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("focus");
    QTest::newRow("no name") << "" << 5 << true << "商品名称不能为空" << "edtProductName";
    QTest::newRow("blank name before category") << "   " << 0 << false << "商品名称不能为空" << "edtProductName";
    QTest::newRow("category 0") << "饼干" << 0 << true << "\"商品目录\"不能为空" << "edtProductCategoryID";
    QTest::newRow("category before unit") << "饼干" << 0 << false << "\"商品目录\"不能为空" << "edtProductCategoryID";
    QTest::newRow("no unit") << "饼干" << 5 << false << "请填写商品单位" << "edtUnitID";
    QTest::newRow("category -1 passes") << "饼干" << -1 << true << "" << "";
}

void TestProductMain::validation() {
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
    QCOMPARE(s.count("select count(*) from Product where productCode='V1'"), text.isEmpty() ? 1 : 0);
    QCOMPARE(s.list()->state(), DataSet::State::Browse);
}

void TestProductMain::saveWithoutChangeDoesNotPost_data() {
    QTest::addColumn<bool>("saveAndNew");
    QTest::newRow("closes") << false;
    QTest::newRow("save and new") << true;
}

void TestProductMain::saveWithoutChangeDoesNotPost() {
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

void TestProductMain::saveAndNewOpensEmptyProduct() {
    Shell s;
    s.select("食品");
    QStringList seen;
    whileModal([&](QWidget* w) {
        child<QCheckBox>(w, "chkSaveAndNew")->setChecked(true);
        type(child<QLineEdit>(w, "edtProductName"), "饼干");
        pickFirst(w, "edtUnitID");
        click(w, "btnSave");
        // Stored, and a fresh row without even the category preset.
        seen << QString::number(s.count("select count(*) from Product where productName='饼干' and categoryID=5"));
        seen << (w->isVisible() ? "open" : "closed");
        seen << QString::number(int(s.list()->state()));
        seen << (s.list()->field("categoryID")->isNull() && s.list()->field("productName")->isNull() ? "empty" : "filled");
        seen << child<QLineEdit>(w, "edtProductName")->text() + "|" + child<QComboBox>(w, "edtUnitID")->currentText();
        seen << (w->focusWidget() ? w->focusWidget()->objectName() : QString());
        click(w, "btnCancel");
    });
    click(s.frame, "btnProductNew");
    QCOMPARE(seen, QStringList({"1", "open", QString::number(int(DataSet::State::Insert)), "empty", "|", "edtProductCode"}));
    QCOMPARE(s.count("select count(*) from Product"), 6);
    QCOMPARE(s.list()->state(), DataSet::State::Browse);
}

void TestProductMain::categoryButton_data() {
    QTest::addColumn<bool>("emptyTree");
    QTest::addColumn<QString>("pick");   // category to select, empty for none
    QTest::addColumn<QString>("button"); // in the category dialog
    QTest::addColumn<int>("category");   // the product's category afterwards
    QTest::newRow("use a category") << false << "衬衫" << "btnUseCurrentCat" << 4;
    QTest::newRow("close keeps it") << false << "衬衫" << "Button2" << 5;
    QTest::newRow("empty tree gives -1") << true << "" << "btnUseCurrentCat" << -1;
}

void TestProductMain::categoryButton() {
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

void TestProductMain::unitButton_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("unit");
    QTest::newRow("choose") << "btnSelect" << "台";
    QTest::newRow("close keeps it") << "btnClose" << "个";
}

void TestProductMain::unitButton() {
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
    QCOMPARE(s.db.scalar("select u.unitName from Product p join ProductUnit u on u.id=p.storageUnit where p.id=4")
                 .toString(),
             unit);
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

void TestProductMain::fieldLabelsReachDialogAndGrid() {
    TestDb db;
    db.exec("update FieldConfig set fieldNewName='款号' where tableName='Product' and TableField='product_model'");
    db.exec("update FieldConfig set enabled=0 where tableName='Product' and TableField in ('productCode', 'dfield2')");
    {
        // The shell is built on this configured file.
        TMainDM dm;
        TAppContext ctx;
        dm.Startup(db.path());
        TDFMProxy labels(dm.MainConn);
        TProductManagerDM products;
        TProductEditForm editor;
        TProductMainForm main;
        main.Prepare();
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

QTEST_MAIN(TestProductMain)
#include "tst_productmain.moc"
