#include "datagrid.h"
#include "guard.h"
#include "dataset.h"
#include "datasetmodel.h"
#include "dberror.h"
#include "dbtree.h"
#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtTest>

namespace {
void seedProducts(TestDb& db) {
    db.exec("INSERT INTO Product(id, productCode, productName, salePrice, storageUnit, comments) "
            "VALUES (1, 'A01', '铅笔', 1.5, 1, '木杆'), (2, 'A02', '钢笔', 1234.5, 2, ''), "
            "(3, 'B01', '墨水', NULL, 9, '蓝黑'), (4, 'B02', '橡皮', 0.8, 1, NULL)");
}
QString productSql() {
    return "SELECT id, productCode, productName, salePrice, storageUnit, comments "
           "FROM Product ORDER BY id";
}
} // namespace

class TestDataGrid : public QObject {
    Q_OBJECT
private slots:
    void modelShowsFields();
    void modelChosenColumns();
    void modelFetchesLazily();
    void modelFollowsDataSetSignals();
    void modelEditsThroughDataSet();
    void modelFlags_data();
    void modelFlags();
    void gridFollowsDataSetRow();
    void clickingRowMovesDataSet();
    void refusedPostKeepsViewOnRow();
    void autoColumnsMirrorFields();
    void renameAndHideColumns();
    void footerCellsFollowColumns();
    void wideFooterStaysPut();
    void layoutRoundTrip();
    void doubleClickReportsRow();
    void renderedGridShowsText();
    void destroyedWithColumnsSized();
    void openingEditorStartsEdit_data();
    void openingEditorStartsEdit();
    void tabLeavesGridsWithoutEditableCells_data();
    void tabLeavesGridsWithoutEditableCells();
    void columnsFitTheirContent_data();
    void columnsFitTheirContent();
    void columnsAddedTogetherAsOneByOne();
    void treeFromRows_data();
    void treeFromRows();
};

void TestDataGrid::modelShowsFields() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql(productSql());
    ds.setDisplayFormat("salePrice", "#,##0.00");
    DataSetModel model(&ds);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.columnCount(), 0); // closed
    ds.open();
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.columnCount(), 6);
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QString("productName"));
    QCOMPARE(model.index(1, 3).data().toString(), QString("1,234.50"));
    QCOMPARE(model.index(1, 3).data(Qt::EditRole).toDouble(), 1234.5);
    QCOMPARE(model.index(2, 3).data().toString(), QString()); // NULL
    QCOMPARE(model.index(0, 2).data().toString(), QString("铅笔"));
    const auto align = [&](int col) {
        return Qt::Alignment(model.index(0, col).data(Qt::TextAlignmentRole).toInt()) &
               Qt::AlignHorizontal_Mask;
    };
    QCOMPARE(align(3), Qt::AlignRight);
    QCOMPARE(align(2), Qt::AlignLeft);
    ds.close();
    QCOMPARE(model.rowCount(), 0);
}

void TestDataGrid::modelChosenColumns() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql(productSql());
    ds.open();
    DataSetModel model(&ds);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    DataSetModel::Column name{"PRODUCTNAME", "名称", Qt::AlignCenter, false};
    DataSetModel::Column gone{"noSuchField", "不存在", {}, false};
    DataSetModel::Column code{"productCode", {}, {}, false};
    model.setColumns({name, gone, code});
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QString("名称"));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QString("productCode"));
    QCOMPARE(model.index(3, 0).data().toString(), QString("橡皮"));
    QVERIFY(model.index(0, 1).data().toString().isEmpty()); // missing field is blank
    QCOMPARE(model.columnOf("productcode"), 2);
    QCOMPARE(model.index(0, 0).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    // A title change keeps the model's shape: no reset, views keep selection.
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy header(&model, &QAbstractItemModel::headerDataChanged);
    name.title = "商品名称";
    model.setColumns({name, gone, code});
    QCOMPARE(reset.count(), 0);
    QCOMPARE(header.count(), 1);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QString("商品名称"));
    model.setFieldNames({"id"});
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.columnCount(), 1);
}

void TestDataGrid::modelFetchesLazily() {
    TestDb db;
    db.exec("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 5000) "
            "INSERT INTO Product(id, productName) SELECT x, '商品' || x FROM c");
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, productName FROM Product ORDER BY id");
    ds.setFetchBlock(200);
    ds.open();
    DataSetModel model(&ds); // no model tester here: it fetches more by itself
    QCOMPARE(model.rowCount(), 200);
    QVERIFY(model.canFetchMore(QModelIndex()));
    model.fetchMore(QModelIndex());
    QCOMPARE(model.rowCount(), 400);

    // A view scrolled to the bottom asks for more by itself.
    QTableView view;
    view.setModel(&model);
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.scrollToBottom();
    QTRY_VERIFY(model.rowCount() > 400);
    QVERIFY(model.rowCount() < 5000);

    ds.setRecNo(3000); // the dataset fetching on its own is seen too
    QVERIFY(model.rowCount() >= 3000);
    QCOMPARE(ds.recordCount(), 5000);
    QCOMPARE(model.rowCount(), 5000);
    QVERIFY(!model.canFetchMore(QModelIndex()));
    QCOMPARE(model.index(4999, 1).data().toString(), QString("商品5000"));
}

void TestDataGrid::modelFollowsDataSetSignals() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql(productSql());
    ds.setUpdateTable("Product");
    ds.setCachedUpdates(true);
    ds.open();
    DataSetModel model(&ds);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    ds.append();
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(model.rowCount(), 5);
    ds.setValue("productName", "新");
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex().row(), 4);
    QCOMPARE(model.index(4, 2).data().toString(), QString("新"));
    ds.cancel();
    QCOMPARE(removed.count(), 1);
    QCOMPARE(model.rowCount(), 4);
    ds.setRecNo(2);
    ds.deleteRecord();
    QCOMPARE(removed.count(), 2);
    QCOMPARE(model.index(1, 2).data().toString(), QString("墨水"));
    ds.cancelUpdates();
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.index(1, 2).data().toString(), QString("钢笔"));
    // Rows changed while signals are held back come in with one reset.
    ds.disableControls();
    ds.first();
    ds.deleteRecord();
    ds.enableControls();
    QCOMPARE(reset.count(), 2);
    QCOMPARE(model.rowCount(), 3);
    ds.requery();
    QCOMPARE(model.rowCount(), 4);
}

void TestDataGrid::modelEditsThroughDataSet() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql(productSql());
    ds.setUpdateTable("Product");
    ds.open();
    DataSetModel model(&ds);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    // What an editor hands back unchanged does not start an edit.
    QVERIFY(model.setData(model.index(1, 3), "1234.5"));
    QVERIFY(model.setData(model.index(2, 3), ""));
    QCOMPARE(ds.state(), DataSet::State::Browse);
    QVERIFY(model.setData(model.index(1, 3), "99.9"));
    QCOMPARE(ds.state(), DataSet::State::Edit);
    QCOMPARE(ds.recNo(), 2);
    QCOMPARE(ds.value("salePrice").toDouble(), 99.9);
    QVERIFY_THROWS_EXCEPTION(AppError, model.setData(model.index(1, 3), "九"));
    // Editing another row posts the first, as moving there does.
    QVERIFY(model.setData(model.index(0, 2), "红铅笔"));
    QCOMPARE(db.scalar("SELECT salePrice FROM Product WHERE id = 2").toDouble(), 99.9);
    ds.post();
    QCOMPARE(db.scalar("SELECT productName FROM Product WHERE id = 1").toString(),
             QString("红铅笔"));
}

void TestDataGrid::modelFlags_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("editable");
    QTest::newRow("data field") << ""
                                << "productName" << true;
    QTest::newRow("read-only field") << "fieldReadOnly"
                                     << "productName" << false;
    QTest::newRow("read-only column") << "columnReadOnly"
                                      << "productName" << false;
    QTest::newRow("lookup, chosen from its list") << ""
                            << "unitName" << true;
    QTest::newRow("lookup over a read-only key") << "keyReadOnly"
                                                 << "unitName" << false;
    QTest::newRow("calculated") << ""
                                << "doubled" << false;
    QTest::newRow("no update table") << "noTable"
                                     << "productName" << false;
    QTest::newRow("read-only model") << "modelReadOnly"
                                     << "productName" << false;
}

void TestDataGrid::modelFlags() {
    QFETCH(QString, setup);
    QFETCH(QString, field);
    QFETCH(bool, editable);
    TestDb db;
    seedProducts(db);
    DataSet units(&db.conn());
    units.setSql("SELECT id, unitName FROM ProductUnit");
    units.open();
    DataSet ds(&db.conn());
    ds.setSql(productSql());
    if (setup != "noTable") ds.setUpdateTable("Product");
    ds.addLookupField("unitName", "storageUnit", &units, "id", "unitName");
    ds.addCalculatedField("doubled", FieldType::Float, [](const DataSet& d, int r) {
        return QVariant(d.valueAt(r, "salePrice").toDouble() * 2);
    });
    ds.open();
    if (setup == "fieldReadOnly") ds.field(field)->setReadOnly(true);
    if (setup == "keyReadOnly") ds.field("storageUnit")->setReadOnly(true);
    DataSetModel model(&ds);
    if (setup == "modelReadOnly") model.setReadOnly(true);
    if (setup == "columnReadOnly") {
        DataSetModel::Column c;
        c.fieldName = field;
        c.readOnly = true;
        model.setColumns({c});
    }
    const QModelIndex idx = model.index(0, model.columnOf(field));
    QCOMPARE(bool(model.flags(idx) & Qt::ItemIsEditable), editable);
    const QVariant value = field == "unitName" ? QVariant(2) : QVariant("x9"); // a look-up takes a key
    QCOMPARE(model.setData(idx, value), editable);
    QCOMPARE(ds.state(), editable ? DataSet::State::Edit : DataSet::State::Browse);
}

// ------------------------------------------------------------------- grid

namespace {
struct GridFixture {
    TestDb db;
    DataSet ds{&db.conn()};
    DataGrid grid;
    GridFixture(bool show = true) {
        seedProducts(db);
        ds.setSql(productSql());
        ds.setUpdateTable("Product");
        grid.addColumn("productCode", "编码", 80);
        grid.addColumn("productName", "名称", 120);
        grid.addColumn("salePrice", "售价", 90);
        grid.addColumn("comments", "备注", 150);
        grid.setDataSet(&ds);
        ds.open();
        grid.resize(400, 220);
        if (show) {
            grid.show();
            QVERIFY(QTest::qWaitForWindowExposed(&grid));
        }
    }
    int viewRow() const { return grid.view()->currentIndex().row(); }
    QRect cellRect(int row, const QString& field) const {
        return grid.view()->visualRect(grid.model()->index(row, grid.viewColumn(field)));
    }
};
} // namespace

void TestDataGrid::gridFollowsDataSetRow() {
    GridFixture f;
    QCOMPARE(f.viewRow(), 0);
    f.ds.setRecNo(3);
    QCOMPARE(f.viewRow(), 2);
    f.grid.setRowSelect(true);
    QVERIFY(f.grid.view()->selectionModel()->isRowSelected(2));
    f.ds.append(); // the new row is selected
    QCOMPARE(f.viewRow(), 4);
    f.ds.cancel();
    QCOMPARE(f.viewRow(), f.ds.recNo() - 1);
    f.ds.requery(); // back on the first row after reopening
    QCOMPARE(f.viewRow(), 0);
    f.ds.last();
    f.ds.deleteRecord();
    QCOMPARE(f.viewRow(), f.ds.recNo() - 1);
    QCOMPARE(f.ds.recNo(), 3);
}

void TestDataGrid::clickingRowMovesDataSet() {
    GridFixture f;
    QSignalSpy moved(&f.ds, &DataSet::currentChanged);
    QTest::mouseClick(f.grid.view()->viewport(), Qt::LeftButton, {},
                      f.cellRect(2, "productName").center());
    QCOMPARE(f.ds.recNo(), 3);
    QCOMPARE(moved.count(), 1);
    // Another column of the same row is not a move.
    QTest::mouseClick(f.grid.view()->viewport(), Qt::LeftButton, {},
                      f.cellRect(2, "comments").center());
    QCOMPARE(moved.count(), 1);
    // Leaving an edited row posts it.
    f.ds.setValue("comments", "已改");
    QTest::keyClick(f.grid.view(), Qt::Key_Up);
    QCOMPARE(f.ds.recNo(), 2);
    QCOMPARE(f.db.scalar("SELECT comments FROM Product WHERE id = 3").toString(), QString("已改"));
}

void TestDataGrid::refusedPostKeepsViewOnRow() {
    GridFixture f;
    f.ds.beforePost = [](DataSet&) { throw AppError("名称不能为空"); };
    f.ds.setValue("productName", "");
    QStringList shown;
    Guard::SetReporter([&](const QString& t) { shown << t; });
    f.grid.view()->setCurrentIndex(f.grid.model()->index(2, 0)); // nothing escapes into Qt
    Guard::SetReporter({});
    QCOMPARE(shown, QStringList{"名称不能为空"});
    QCOMPARE(f.ds.recNo(), 1);
    QCOMPARE(f.viewRow(), 0);
    QCOMPARE(f.ds.state(), DataSet::State::Edit);
}

void TestDataGrid::autoColumnsMirrorFields() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, productName FROM Product");
    DataGrid grid;
    grid.setDataSet(&ds);
    ds.open();
    QCOMPARE(grid.columns().size(), 2);
    QVERIFY(grid.column("productName"));
    grid.setColumnTitle("productName", "名称");
    QCOMPARE(grid.model()->headerData(1, Qt::Horizontal).toString(), QString("名称"));
    ds.setSql("SELECT id, productName, productCode FROM Product");
    ds.open();
    QCOMPARE(grid.model()->columnCount(), 3);
    QCOMPARE(grid.model()->headerData(grid.viewColumn("productName"), Qt::Horizontal).toString(),
             QString("名称"));
    grid.addColumn("productCode"); // choosing columns ends the mirroring
    QCOMPARE(grid.columns().size(), 1);
    QCOMPARE(grid.model()->columnCount(), 1);
}

void TestDataGrid::renameAndHideColumns() {
    GridFixture f;
    f.ds.setRecNo(2);
    GridColumn* code = f.grid.column("PRODUCTCODE");
    QVERIFY(code);
    code->title = "商品编码";
    code->visible = false;
    f.grid.refreshColumns();
    const int col = f.grid.viewColumn("productCode");
    QCOMPARE(f.grid.model()->headerData(col, Qt::Horizontal).toString(), QString("商品编码"));
    QVERIFY(f.grid.view()->isColumnHidden(col));
    QCOMPARE(f.viewRow(), 1); // renaming does not lose the row
    f.ds.requery();           // reopening keeps the column hidden and the widths
    QVERIFY(f.grid.view()->isColumnHidden(col));
    QCOMPARE(f.grid.view()->horizontalHeader()->sectionSize(f.grid.viewColumn("productName")), 120);
    f.grid.setColumnVisible("productCode", true);
    QVERIFY(!f.grid.view()->isColumnHidden(col));
    QCOMPARE(f.grid.view()->horizontalHeader()->sectionSize(col), 80);
}

void TestDataGrid::footerCellsFollowColumns() {
    GridFixture f;
    f.grid.setFooterMode(DataGrid::FooterMode::Columns);
    QVERIFY(f.grid.footer()->isVisible());
    f.grid.setFooterText("salePrice", "1,236.80");
    f.grid.setFooterText("productName", "合计");
    QCOMPARE(f.grid.footerText("SALEPRICE"), QString("1,236.80"));
    QCOMPARE(f.grid.footerText("comments"), QString());
    QTableView* view = f.grid.view();
    QHeaderView* header = view->horizontalHeader();
    // Footer cells sit exactly under their columns.
    auto headerSpan = [&](const QString& field) {
        const int logical = f.grid.viewColumn(field);
        const int x = view->viewport()
                          ->mapTo(&f.grid, QPoint(header->sectionViewportPosition(logical), 0))
                          .x();
        return std::make_pair(x - f.grid.footer()->x(), header->sectionSize(logical));
    };
    auto footerSpan = [&](const QString& field) {
        const QRect r = f.grid.footerCellRect(field);
        return std::make_pair(r.x(), r.width());
    };
    QCOMPARE(footerSpan("salePrice"), headerSpan("salePrice"));
    header->resizeSection(f.grid.viewColumn("productName"), 200);
    QCOMPARE(footerSpan("salePrice"), headerSpan("salePrice"));
    QCOMPARE(f.grid.column("productName")->width, 200);
    QApplication::processEvents(); // the view lays out its new scroll range
    const int before = f.grid.footerCellRect("comments").x();
    view->horizontalScrollBar()->setValue(60);
    QCOMPARE(view->horizontalScrollBar()->value(), 60);
    QCOMPARE(f.grid.footerCellRect("comments").x(), before - 60);
    QCOMPARE(footerSpan("salePrice"), headerSpan("salePrice"));
    // A cell scrolled partly out of sight is cut at the viewport's edge.
    const int viewportLeft =
        view->viewport()->mapTo(&f.grid, QPoint(0, 0)).x() - f.grid.footer()->x();
    QCOMPARE(footerSpan("productCode"), std::make_pair(viewportLeft, 80 - 60));
    f.grid.setColumnVisible("salePrice", false);
    QVERIFY(f.grid.footerCellRect("salePrice").isEmpty());
}

void TestDataGrid::wideFooterStaysPut() {
    GridFixture f;
    f.grid.setFooterMode(DataGrid::FooterMode::Wide);
    f.grid.setWideFooterText("共 4 条记录");
    QCOMPARE(f.grid.wideFooterText(), QString("共 4 条记录"));
    const QRect before = f.grid.footerCellRect("productName");
    QCOMPARE(before, f.grid.footer()->rect());
    f.grid.view()->horizontalScrollBar()->setValue(80);
    QCOMPARE(f.grid.footerCellRect("productName"), before);
    f.grid.setFooterMode(DataGrid::FooterMode::None);
    QVERIFY(!f.grid.footer()->isVisible());
}

void TestDataGrid::layoutRoundTrip() {
    QTemporaryDir dir;
    const QString ini = dir.path() + "/placement.ini";
    {
        GridFixture f(false);
        QHeaderView* h = f.grid.view()->horizontalHeader();
        h->resizeSection(f.grid.viewColumn("productName"), 155);
        f.grid.setColumnVisible("comments", false);
        // The user drags the price before the name.
        h->moveSection(h->visualIndex(f.grid.viewColumn("salePrice")), 1);
        QSettings s(ini, QSettings::IniFormat);
        f.grid.saveLayout(s, "InputEditForm");
    }
    QSettings raw(ini, QSettings::IniFormat);
    QCOMPARE(raw.value("InputEditForm/ColumnOrder").toStringList(),
             QStringList({"productCode", "salePrice", "productName", "comments"}));

    GridFixture g(false);
    g.grid.addColumn("productDesc", "描述"); // a column added in a later version
    QSettings s(ini, QSettings::IniFormat);
    g.grid.restoreLayout(s, "InputEditForm");
    QStringList order;
    for (GridColumn* c : g.grid.columns())
        order << c->fieldName;
    QCOMPARE(order,
             QStringList({"productCode", "salePrice", "productName", "comments", "productDesc"}));
    QHeaderView* h = g.grid.view()->horizontalHeader();
    QCOMPARE(h->visualIndex(g.grid.viewColumn("salePrice")), 1);
    QCOMPARE(h->sectionSize(g.grid.viewColumn("productName")), 155);
    QVERIFY(g.grid.view()->isColumnHidden(g.grid.viewColumn("comments")));
    QVERIFY(!g.grid.column("comments")->visible);
    QCOMPARE(g.grid.model()->index(0, h->logicalIndex(1)).data().toString(), QString("1.5"));
    // A group never saved leaves the layout alone.
    g.grid.restoreLayout(s, "OtherForm");
    QCOMPARE(h->sectionSize(g.grid.viewColumn("productName")), 155);
}

void TestDataGrid::doubleClickReportsRow() {
    GridFixture f;
    f.grid.setReadOnly(true);
    QSignalSpy spy(&f.grid, &DataGrid::rowDoubleClicked);
    const QPoint p = f.cellRect(3, "productName").center();
    QTest::mouseClick(f.grid.view()->viewport(), Qt::LeftButton, {}, p);
    QTest::mouseDClick(f.grid.view()->viewport(), Qt::LeftButton, {}, p);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 4);
    QCOMPARE(f.ds.recNo(), 4);
    QVERIFY(!f.grid.view()->indexWidget(f.grid.view()->currentIndex())); // no editor opened
}

void TestDataGrid::renderedGridShowsText() {
    GridFixture f;
    f.ds.setDisplayFormat("salePrice", "#,##0.00");
    f.grid.setRowSelect(true);
    f.grid.setFooterMode(DataGrid::FooterMode::Columns);
    f.grid.setFooterText("productName", "合计 4 种");
    f.grid.setFooterText("salePrice", "1,236.80");
    f.grid.resize(480, 200);
    QApplication::processEvents();
    const QImage img = f.grid.grab().toImage();
    // Ink in a footer cell means its text was drawn, not clipped away.
    auto inked = [&](const QString& field) {
        const QRect r = f.grid.footerCellRect(field).translated(f.grid.footer()->pos());
        if (r.width() < 3) return 0;
        const QRgb bg = img.pixel(r.left() + 1, r.top() + 2);
        int n = 0;
        for (int y = r.top() + 2; y < r.bottom(); ++y)
            for (int x = r.left() + 1; x < r.right(); ++x)
                if (qGray(img.pixel(x, y)) + 60 < qGray(bg)) ++n;
        return n;
    };
    QVERIFY(inked("productName") > 20);
    QVERIFY(inked("salePrice") > 20);
    QCOMPARE(inked("comments"), 0);
    const QString dir = qEnvironmentVariable("MORVANE_SCREENSHOTS");
    if (!dir.isEmpty()) QVERIFY(img.save(dir + "/datagrid.png"));
}

void TestDataGrid::destroyedWithColumnsSized() {
    // A window closed right after its list changed shape: hiding a column
    // leaves the header a resize of its stretched last column to do, and it
    // does it as the closing window hides it, with the grid half taken
    // apart. The sanitizer build checks that none of the grid's handlers
    // runs then.
    auto f = std::make_unique<GridFixture>();
    QHeaderView* h = f->grid.view()->horizontalHeader();
    h->resizeSection(f->grid.viewColumn("productName"), 260);
    f->grid.setFooterMode(DataGrid::FooterMode::Columns);
    f->ds.setRecNo(3);
    f->grid.setColumnVisible("salePrice", false);
    QPointer<QHeaderView> header = h;
    f.reset();
    QVERIFY(!header);
}

void TestDataGrid::openingEditorStartsEdit_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("appended");
    QTest::newRow("typing") << "type" << false;
    QTest::newRow("F2") << "F2" << false;
    QTest::newRow("double click") << "double click" << false;
    QTest::newRow("typing into an appended row") << "type" << true;
}

void TestDataGrid::openingEditorStartsEdit() {
    QFETCH(QString, how);
    QFETCH(bool, appended);
    GridFixture f;
    if (appended)
        f.ds.append();
    else
        f.ds.setRecNo(2);
    const int row = f.ds.recNo() - 1;
    QTableView* view = f.grid.view();
    const QModelIndex cell = f.grid.model()->index(row, f.grid.viewColumn("productName"));
    view->setCurrentIndex(cell);
    QSignalSpy states(&f.ds, &DataSet::stateChanged);
    if (how == "type")
        QTest::keyClick(view, Qt::Key_X, Qt::NoModifier);
    else if (how == "F2")
        QTest::keyClick(view, Qt::Key_F2);
    else {
        const QPoint at = view->visualRect(cell).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    }
    auto* editor = qobject_cast<QLineEdit*>(view->indexWidget(cell));
    QVERIFY(editor);
    // Nothing is stored yet, but the window's save and cancel buttons must
    // come on now.
    QCOMPARE(f.ds.state(), appended ? DataSet::State::Insert : DataSet::State::Edit);
    QCOMPARE(states.count(), appended ? 0 : 1);
    QCOMPARE(f.ds.recNo(), row + 1);
    editor->setText("红铅笔");
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(f.ds.value("productName").toString(), QString("红铅笔"));
    QCOMPARE(states.count(), appended ? 0 : 1);
}

namespace {
// A window with an edit box before and after a grid, in that tab order.
struct FormFixture {
    TestDb db;
    DataSet ds{&db.conn()};
    QWidget window;
    QLineEdit* before = new QLineEdit(&window);
    DataGrid* grid = new DataGrid(&window);
    QLineEdit* after = new QLineEdit(&window);
    explicit FormFixture(const QString& setup) {
        seedProducts(db);
        ds.setSql(productSql());
        if (setup != "no update table") ds.setUpdateTable("Product");
        if (setup == "one line") db.exec("DELETE FROM Product WHERE id > 1");
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(before);
        layout->addWidget(grid);
        layout->addWidget(after);
        for (const char* field : {"productCode", "productName", "salePrice"})
            grid->addColumn(field, QString(), 90)->readOnly = setup == "read-only columns";
        if (setup == "read-only grid") grid->setReadOnly(true);
        if (setup == "one editable column hidden") {
            grid->column("productCode")->readOnly = true;
            grid->column("productName")->readOnly = true;
            grid->column("salePrice")->visible = false;
        }
        grid->refreshColumns();
        grid->setDataSet(&ds);
        ds.open();
        window.resize(420, 300);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
};
} // namespace

void TestDataGrid::tabLeavesGridsWithoutEditableCells_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("leaves");
    QTest::newRow("editable grid") << "" << false;
    QTest::newRow("read-only grid") << "read-only grid" << true;
    QTest::newRow("every column read-only") << "read-only columns" << true;
    QTest::newRow("dataset not modifiable") << "no update table" << true;
    QTest::newRow("only editable column hidden") << "one editable column hidden" << true;
    QTest::newRow("list of one line") << "one line" << false;
}

void TestDataGrid::tabLeavesGridsWithoutEditableCells() {
    QFETCH(QString, setup);
    QFETCH(bool, leaves);
    FormFixture f(setup);
    QTableView* view = f.grid->view();
    QCOMPARE(f.grid->cellsEditable(), !leaves);
    // On a cell in the middle, so that neither key is at an end of the list.
    const QModelIndex middle = f.grid->model()->index(setup == "one line" ? 0 : 1, 1);
    for (bool forward : {true, false}) {
        view->setCurrentIndex(middle);
        view->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(view));
        if (forward)
            QTest::keyClick(view, Qt::Key_Tab);
        else
            QTest::keyClick(view, Qt::Key_Backtab, Qt::ShiftModifier);
        if (leaves) {
            QCOMPARE(QApplication::focusWidget(),
                     forward ? static_cast<QWidget*>(f.after) : static_cast<QWidget*>(f.before));
            QCOMPARE(view->currentIndex(), middle);
        } else {
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(view));
            QCOMPARE(view->currentIndex().column(), forward ? 2 : 0);
        }
    }
    if (setup != "one line") return;
    // From the last cell of the only line Tab goes on to the next control,
    // and Shift+Tab from its first cell to the one before; the cursor must
    // not wrap round the line forever.
    view->setFocus();
    view->setCurrentIndex(f.grid->model()->index(0, 2));
    QTest::keyClick(view, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.after));
    view->setFocus();
    view->setCurrentIndex(f.grid->model()->index(0, 0));
    QTest::keyClick(view, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.before));
}

void TestDataGrid::columnsFitTheirContent_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("width"); // as the window asks
    QTest::addColumn<int>("saved"); // in the saved layout, 0: none
    QTest::addColumn<bool>("late"); // the value comes only after the first block
    QTest::addColumn<QString>("expect");
    const QVariant barcode = QString("6901234567890");
    QTest::newRow("13-digit barcode")
        << "code" << barcode << "商品编码" << 60 << 0 << false << "fits";
    QTest::newRow("large amount") << "amount" << QVariant(12345678.9) << "库存单价" << 50 << 0
                                  << false << "fits";
    QTest::newRow("title wider than values")
        << "code" << QVariant("A1") << "进货单价（含税）" << 30 << 0 << false << "fits";
    QTest::newRow("window asks for more")
        << "code" << QVariant("A1") << "编码" << 220 << 0 << false << "exact";
    QTest::newRow("saved layout") << "code" << barcode << "编码" << 60 << 45 << false << "exact";
    QTest::newRow("long note capped")
        << "code" << QVariant(QString(300, QChar(0x957F))) << "备注" << 60 << 0 << false << "cut";
    QTest::newRow("after the first block")
        << "code" << barcode << "编码" << 60 << 0 << true << "exact";
}

void TestDataGrid::columnsFitTheirContent() {
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(QString, title);
    QFETCH(int, width);
    QFETCH(int, saved);
    QFETCH(bool, late);
    QFETCH(QString, expect);
    TestDb db;
    db.exec("CREATE TABLE Sample(id INTEGER PRIMARY KEY, code TEXT, amount REAL)");
    db.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 25) "
            "INSERT INTO Sample SELECT i, 'A' || i, i FROM n");
    DataSet ds(&db.conn());
    ds.setSql("SELECT * FROM Sample ORDER BY id");
    ds.setFetchBlock(10);
    ds.setDisplayFormat("amount", "#,##0.00");
    db.exec(QString("UPDATE Sample SET %1 = '%2' WHERE id = %3")
                .arg(field, value.toString(), late ? "20" : "2"));
    DataGrid grid;
    grid.addColumn(field, title, width);
    grid.addColumn("id", "序号", 40); // the measured column is not the stretched last one
    grid.setDataSet(&ds);
    ds.open();
    if (saved > 0) {
        QTemporaryDir dir;
        QSettings s(dir.filePath("placement.ini"), QSettings::IniFormat);
        s.setValue("Grid/ColumnOrder", QStringList{field, "id"});
        s.setValue("Grid/ColumnWidths", QStringList{QString::number(saved), "40"});
        grid.restoreLayout(s, "Grid");
    }
    QCOMPARE(ds.fetchedCount(), 10); // measuring fetched nothing more

    QHeaderView* h = grid.view()->horizontalHeader();
    const int logical = grid.viewColumn(field);
    const int section = h->sectionSize(logical);
    const QString text = grid.model()->index(1, logical).data().toString(); // id 2
    const int margin = grid.view()->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
    const int needed = grid.view()->fontMetrics().horizontalAdvance(text) + 2 * margin;
    if (expect == "exact") {
        QCOMPARE(section, saved > 0 ? saved : width);
        return;
    }
    QVERIFY2(section >= width, qPrintable(QString::number(section)));
    QVERIFY2(section >= h->sectionSizeHint(logical), qPrintable(QString::number(section)));
    if (expect == "fits")
        QVERIFY2(section >= needed, qPrintable(QString("%1 < %2").arg(section).arg(needed)));
    else
        QVERIFY2(section > width && section < needed, qPrintable(QString::number(section)));
    // Sized once to the rows first shown: a requery keeps the width.
    ds.requery();
    QCOMPARE(h->sectionSize(logical), section);
}

// A window adding its columns in one go gets the grid it would have got
// adding them one by one: order, titles, widths and hidden columns.
void TestDataGrid::columnsAddedTogetherAsOneByOne() {
    TestDb db;
    seedProducts(db);
    DataSet ds(&db.conn());
    ds.setSql(productSql());
    QList<GridColumn> columns;
    const struct {
        const char* field;
        const char* title;
        int width;
        bool visible;
    } wanted[] = {{"productName", "名称", 40, true},   {"productCode", "商品编码", 100, true},
                {"comments", "备注", -1, false},      {"salePrice", "默认销售价格", 30, true},
                {"nosuchfield", "没有", 50, true},    {"id", "序号", 40, true}};
    for (const auto& c : wanted) {
        GridColumn col;
        col.fieldName = c.field;
        col.title = QString::fromUtf8(c.title);
        col.width = c.width;
        col.visible = c.visible;
        columns << col;
    }
    DataGrid oneByOne, together;
    for (DataGrid* g : {&oneByOne, &together}) g->setDataSet(&ds);
    for (const GridColumn& c : columns) oneByOne.addColumn(c);
    together.addColumns(columns);
    ds.open();
    QCOMPARE(together.columns().size(), oneByOne.columns().size());
    QHeaderView* a = oneByOne.view()->horizontalHeader();
    QHeaderView* b = together.view()->horizontalHeader();
    QCOMPARE(b->count(), a->count());
    for (int v = 0; v < a->count(); ++v) {
        const int la = a->logicalIndex(v), lb = b->logicalIndex(v);
        QCOMPARE(together.model()->fieldNameAt(lb), oneByOne.model()->fieldNameAt(la));
        QCOMPARE(together.model()->headerData(lb, Qt::Horizontal), oneByOne.model()->headerData(la, Qt::Horizontal));
        QCOMPARE(b->isSectionHidden(lb), a->isSectionHidden(la));
        QCOMPARE(b->sectionSize(lb), a->sectionSize(la));
    }
    QVERIFY(b->isSectionHidden(together.viewColumn("comments")));
}

// ------------------------------------------------------------------- tree

void TestDataGrid::treeFromRows_data() {
    QTest::addColumn<QList<int>>("parents");  // parent of row i, whose key is i + 1
    QTest::addColumn<QList<int>>("expected"); // parent shown in the tree, 0 = top
    QTest::newRow("hierarchy") << QList<int>{-1, 1, 1, 2} << QList<int>{0, 1, 1, 2};
    QTest::newRow("missing parent") << QList<int>{-1, 77, 2} << QList<int>{0, 0, 2};
    QTest::newRow("null parent") << QList<int>{0, 1} << QList<int>{0, 1};
    QTest::newRow("own parent") << QList<int>{1, 1} << QList<int>{0, 1};
    QTest::newRow("two-loop with child") << QList<int>{2, 1, 1} << QList<int>{0, 0, 1};
    QTest::newRow("three-loop under tail")
        << QList<int>{-1, 4, 2, 3, 4} << QList<int>{0, 0, 0, 0, 4};
    QTest::newRow("child listed first") << QList<int>{2, -1} << QList<int>{2, 0};
}

void TestDataGrid::treeFromRows() {
    QFETCH(QList<int>, parents);
    QFETCH(QList<int>, expected);
    TestDb db;
    db.exec("DELETE FROM ProductCategory");
    for (int i = 0; i < parents.size(); ++i)
        db.exec(
            QString(
                "INSERT INTO ProductCategory(id, parentID, categoryName) VALUES (%1, %2, '类%1')")
                .arg(i + 1)
                .arg(parents[i] == 0 ? QString("NULL") : QString::number(parents[i])));
    DataSet ds(&db.conn());
    ds.setSql("SELECT id, parentID, categoryName FROM ProductCategory ORDER BY id");
    ds.open();
    QTreeWidget tree;
    DBTree filler(&tree);
    filler.setFields("id", "parentID", "categoryName");
    filler.fill(ds);
    int count = 0;
    for (QTreeWidgetItemIterator it(&tree); *it; ++it)
        ++count;
    QCOMPARE(count, int(parents.size())); // no row lost
    for (int i = 0; i < parents.size(); ++i) {
        QTreeWidgetItem* item = filler.findItem(qint64(i + 1));
        QVERIFY(item);
        QCOMPARE(item->text(0), QString("类%1").arg(i + 1));
        QCOMPARE(DBTree::keyOf(item).toLongLong(), i + 1);
        const int shownParent = item->parent() ? DBTree::keyOf(item->parent()).toInt() : 0;
        QCOMPARE(shownParent, expected[i]);
    }
    QVERIFY(!filler.findItem(999));
    QCOMPARE(filler.findItem(QString("1")), filler.findItem(1.0)); // keys compare by value
}

QTEST_MAIN(TestDataGrid)
#include "tst_datagrid.moc"
