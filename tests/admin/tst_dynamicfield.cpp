#include "dataset.h"
#include "datagrid.h"
#include "dynamicfield.h"
#include "testsupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>
#include <QtTest>

namespace {
// A form laid out the way configurable screens are: root panel, row panels,
// field panels "p" + column holding their label "lb" + column.
struct Form {
    QWidget window;
    QWidget* pRoot;
    QWidget* addRow(const QString& name, const QStringList& fields) {
        auto* row = new QWidget(pRoot);
        row->setObjectName(name);
        auto* l = new QHBoxLayout(row);
        for (const QString& f : fields) {
            auto* panel = new QWidget(row);
            panel->setObjectName("p" + f);
            auto* pl = new QHBoxLayout(panel);
            auto* label = new QLabel(f + "?", panel);
            label->setObjectName("lb" + f);
            pl->addWidget(label);
            pl->addWidget(new QLineEdit(panel));
            l->addWidget(panel);
        }
        pRoot->layout()->addWidget(row);
        return row;
    }
    Form() {
        pRoot = new QWidget(&window);
        pRoot->setObjectName("pRoot");
        new QVBoxLayout(pRoot);
        (new QVBoxLayout(&window))->addWidget(pRoot);
    }
    QString label(const QString& f) { return window.findChild<QLabel*>("lb" + f)->text(); }
    bool shown(const QString& name) { return !window.findChild<QWidget*>(name)->isHidden(); }
};

struct Grid {
    DataSet ds;
    DataGrid grid;
    explicit Grid(TestDb& db) : ds(&db.conn()) {
        ds.setSql("select * from Product");
        ds.open();
        grid.setDataSet(&ds);
        grid.addColumn("productName", "名称");
        grid.addColumn("product_model", "型号");
        grid.addColumn("dfield1", "自定义字段1");
        grid.refreshColumns();
    }
};

void setConfig(TestDb& db, const QString& table, const QString& field, const QString& caption, bool enabled) {
    Statement st(db.conn(), "update FieldConfig set fieldNewName=:n, enabled=:e where tableName=:t and TableField=:f");
    st.bind(":n", caption);
    st.bind(":e", enabled);
    st.bind(":t", table);
    st.bind(":f", field);
    st.step();
}
} // namespace

class TestDynamicField : public QObject {
    Q_OBJECT
private slots:
    void renameReachesLabelAndColumns();
    void hiddenFieldsHideTheirRow();
    void supplierPhoneRow();
    void unmatchedRowHasNoEffect();
    void emptyNewName();
    void namesCompareWithoutCase();
    void registerDoesNotReload();
    void missingTableIsSwallowed();
    void destroyedScreensAreSkipped();
};

void TestDynamicField::renameReachesLabelAndColumns() {
    TestDb db;
    setConfig(db, "Product", "product_model", "款号", true);
    TDFMProxy proxy(db.conn());
    Form form;
    form.addRow("row1", {"ProductCode", "CategoryID"});
    form.addRow("row2", {"product_model", "product_spec"});
    Grid a(db), b(db);
    proxy.Register("Product", form.pRoot, nullptr);
    proxy.Register("Product", nullptr, &a.grid);
    proxy.Register("product", nullptr, &b.grid);
    QCOMPARE(form.label("product_model"), QString("款号:"));
    QCOMPARE(form.label("ProductCode"), QString("商品编码:"));
    QCOMPARE(a.grid.column("product_model")->title, QString("款号"));
    QCOMPARE(b.grid.column("product_model")->title, QString("款号"));
    QCOMPARE(a.grid.column("productName")->title, QString("名称")); // not configurable
}

void TestDynamicField::hiddenFieldsHideTheirRow() {
    TestDb db;
    TDFMProxy proxy(db.conn());
    Form form;
    form.addRow("row1", {"ProductCode", "CategoryID"});
    form.addRow("row2", {"product_model", "product_spec"});
    Grid g(db);
    proxy.Register("Product", form.pRoot, &g.grid);
    form.window.show();
    const int rowTop = form.window.findChild<QWidget*>("row2")->geometry().top();
    setConfig(db, "Product", "ProductCode", "商品编码", false);
    setConfig(db, "Product", "CategoryID", "商品分类", false);
    setConfig(db, "Product", "dfield1", "自定义字段1", false);
    proxy.Refresh("Product");
    QVERIFY(!form.shown("pProductCode"));
    QVERIFY(!form.shown("row1"));
    QVERIFY(form.shown("row2"));
    QVERIFY(!g.grid.column("dfield1")->visible);
    QCOMPARE(g.grid.viewColumn("dfield1") >= 0 ? g.grid.view()->isColumnHidden(g.grid.viewColumn("dfield1")) : true,
             true);
    form.window.layout()->activate();
    form.pRoot->layout()->activate();
    QVERIFY(form.window.findChild<QWidget*>("row2")->geometry().top() < rowTop); // the rows below move up
    setConfig(db, "Product", "CategoryID", "分类", true);
    proxy.Refresh("Product");
    QVERIFY(form.shown("row1"));
    QVERIFY(form.shown("pCategoryID"));
    QVERIFY(!form.shown("pProductCode"));
    QCOMPARE(form.label("CategoryID"), QString("分类:"));
}

void TestDynamicField::supplierPhoneRow() {
    TestDb db;
    for (const char* f : {"mobile", "tel1", "tel2"}) setConfig(db, "Supplier", f, f, false);
    TDFMProxy proxy(db.conn());
    Form form;
    form.addRow("rowPhone", {"Mobile", "Tel1", "Tel2"});
    form.addRow("rowIm", {"Qq", "Msn", "Icq"});
    proxy.Register("Supplier", form.pRoot, nullptr);
    QVERIFY(!form.shown("rowPhone"));
    QVERIFY(form.shown("rowIm"));
    setConfig(db, "Supplier", "tel2", "电话2", true);
    proxy.Refresh("Supplier");
    QVERIFY(form.shown("rowPhone"));
    QVERIFY(form.shown("pTel2"));
    QVERIFY(!form.shown("pTel1"));
}

void TestDynamicField::unmatchedRowHasNoEffect() {
    TestDb db;
    db.exec("insert into FieldConfig(tableName, TableField, fieldName, fieldNewName, enabled) "
            "values('Product','nothing','x','y',0)");
    TDFMProxy proxy(db.conn());
    Form form;
    form.addRow("row1", {"ProductCode"});
    Grid g(db);
    proxy.Register("Product", form.pRoot, &g.grid);
    QVERIFY(form.shown("row1"));
    QCOMPARE(g.grid.columns().size(), 3);
    for (GridColumn* c : g.grid.columns()) QVERIFY(c->visible);
}

void TestDynamicField::emptyNewName() {
    TestDb db;
    setConfig(db, "Product", "product_model", "", true);
    TDFMProxy proxy(db.conn());
    Form form;
    form.addRow("row", {"product_model"});
    Grid g(db);
    proxy.Register("Product", form.pRoot, &g.grid);
    QCOMPARE(form.label("product_model"), QString(":"));
    QCOMPARE(g.grid.column("product_model")->title, QString(""));
}

void TestDynamicField::namesCompareWithoutCase() {
    TestDb db;
    setConfig(db, "Supplier", "postCode", "邮政编码", true);
    TDFMProxy proxy(db.conn());
    Form form;
    form.addRow("row", {"Postcode"}); // panel pPostcode, label lbPostcode
    proxy.Register("SUPPLIER", form.pRoot, nullptr);
    QCOMPARE(form.label("Postcode"), QString("邮政编码:"));
}

void TestDynamicField::registerDoesNotReload() {
    TestDb db;
    TDFMProxy proxy(db.conn());
    Grid first(db);
    proxy.Register("Product", nullptr, &first.grid);
    setConfig(db, "Product", "product_model", "款号", true);
    Grid later(db);
    proxy.Register("Product", nullptr, &later.grid);
    QCOMPARE(later.grid.column("product_model")->title, QString("型号"));
    proxy.Refresh("Product");
    QCOMPARE(first.grid.column("product_model")->title, QString("款号"));
    QCOMPARE(later.grid.column("product_model")->title, QString("款号"));
}

void TestDynamicField::missingTableIsSwallowed() {
    TestDb db;
    db.exec("drop table FieldConfig");
    TDFMProxy proxy(db.conn());
    Form form;
    form.addRow("row", {"product_model"});
    Grid g(db);
    proxy.Register("Product", form.pRoot, &g.grid);
    proxy.Refresh("Product");
    QCOMPARE(form.label("product_model"), QString("product_model?"));
    QCOMPARE(g.grid.column("product_model")->title, QString("型号"));
}

void TestDynamicField::destroyedScreensAreSkipped() {
    TestDb db;
    TDFMProxy proxy(db.conn());
    {
        Form form;
        form.addRow("row", {"product_model"});
        Grid g(db);
        proxy.Register("Product", form.pRoot, &g.grid);
    }
    setConfig(db, "Product", "product_model", "款号", false);
    proxy.Refresh("Product"); // must not touch what is gone
    QCOMPARE(proxy.ManagerFor("Product")->Find("PRODUCT_MODEL")->FieldNewName, QString("款号"));
    QVERIFY(proxy.ManagerFor("Product")->Find("product_model")->Hidden);
}

QTEST_MAIN(TestDynamicField)
#include "tst_dynamicfield.moc"
