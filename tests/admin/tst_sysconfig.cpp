// The settings window driven as a user would: each page edited and saved,
// then read back from a fresh start on the same file; the field labels
// reaching windows already open; the automatic login and the returns
// option; the type pages opened from the partner windows; and how it looks
// and answers the keyboard.
#include "controlplacement.h"
#include "catalogue.h"
#include "datagrid.h"
#include "dataset.h"
#include "documenteditor.h"
#include "documents.h"
#include "dynamicfield.h"
#include "inputeditform.h"
#include "loginform.h"
#include "looksupport.h"
#include "mainform.h"
#include "partnerform.h"
#include "partnerframe.h"
#include "partners.h"
#include "producteditform.h"
#include "productmainform.h"
#include "productmainframe.h"
#include "resourcefactory.h"
#include "shellsupport.h"
#include "sysconfigform.h"
#include "sysconfigframes.h"
#include "sysoptions.h"
#include "valueset.h"
#include "valuesetframe.h"
#include "wiring.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTableView>
#include <QToolButton>
#include <QtTest>
#include <memory>

namespace {
const int kOwner = 7; // the administrator working in the tests

void addOwner(TestDb& db) {
    db.exec("insert into Users(id, userName, password, canLogin, userGroupID) values (7, '店长', null, 1, 1)");
}

// The settings window on its own, as start-up makes it, on a data file.
struct Settings {
    TMainDM dm;
    TAppContext ctx;
    std::unique_ptr<TDFMProxy> labels;
    std::unique_ptr<TSysConfigForm> form;
    Settings(const QString& file, const TUser& user) {
        dm.Startup(file);
        ctx.UseData(dm);
        ctx.SetCurrentUser(user);
        labels = std::make_unique<TDFMProxy>(dm.MainConn);
        form = std::make_unique<TSysConfigForm>(dm, ctx, *labels);
    }
    ~Settings() { form.reset(); }
};

struct Shell : TestShell {
    std::unique_ptr<Settings> now;
    explicit Shell(const TUser& user = {kOwner, 1, "店长"}) : TestShell(user) {
        addOwner(db);
        dm.queryUser->requery();
        start(user);
    }
    // Ends the window and its data module and starts both again on the
    // same file, as the next run of the program would.
    void start(const TUser& user = {kOwner, 1, "店长"}) {
        now.reset();
        now = std::make_unique<Settings>(db.path(), user);
    }
    TSysConfigForm& form() { return *now->form; }
    QString setting(const QString& key) {
        const QVariant v = db.scalar("select sysValue from SysConfig where sysKey='" + key + "'");
        return v.isValid() ? v.toString() : QStringLiteral("absent");
    }
};

TDynamicPropBaseFrame* propsOf(TSysConfigForm& f, const QString& key) {
    if (key == "DpProduct") return f.DpProductFrame;
    if (key == "DpSupplier") return f.DpSupplierFrame;
    if (key == "DpClient") return f.DpClientFrame;
    return nullptr;
}

TValueSetFrame* valueSetOf(TSysConfigForm& f, const QString& key) {
    if (key == "VSSupplierType") return f.VSSupplierTypeFrame;
    if (key == "VSCustomerType") return f.VSCustomerTypeFrame;
    return nullptr;
}

// Opens the page as the user does: its button on the bar.
void openPage(TSysConfigForm& f, const QString& key) {
    if (!f.isVisible()) f.show();
    QToolButton* b = f.ButtonOf(key);
    QVERIFY(b);
    b->click();
    QCOMPARE(f.CurrentPage(), key);
}

// What a page shows, as one text.
QString shown(TSysConfigForm& f, const QString& key) {
    QStringList out;
    if (TDynamicPropBaseFrame* p = propsOf(f, key)) {
        DataSet* q = p->List().queryFieldConfig();
        for (int r = 0; r < q->recordCount(); ++r)
            out << q->valueAt(r, "TableField").toString() + "=" + q->valueAt(r, "fieldNewName").toString() +
                       (q->valueAt(r, "enabled").toBool() ? "" : "(hidden)");
    } else if (TValueSetFrame* v = valueSetOf(f, key)) {
        DataSet* q = v->List().queryValueSet();
        for (int r = 0; r < q->recordCount(); ++r) out << q->valueAt(r, "elementValue").toString();
    } else {
        out << QString("auto=%1").arg(int(f.SysOptionFrame1->cbAutoLogin->isChecked()))
            << QString("refund=%1").arg(int(f.SysOptionFrame1->cbShowRefund->isChecked()));
    }
    return out.join(';');
}

// Types a value into the cell of a field-label row, as the cell editor
// hands it to the grid.
void typeCell(DataGrid* grid, const QString& tableField, const QString& column, const QVariant& value) {
    DataSet* q = grid->dataSet();
    const int row = q->findRow("TableField", tableField);
    QVERIFY2(row >= 0, qPrintable(tableField));
    const QModelIndex at = grid->model()->index(row, grid->viewColumn(column));
    grid->view()->setCurrentIndex(at);
    QVERIFY(grid->model()->setData(at, value));
}

// Runs the steps of a row on the page showing:
//   cell:TableField:column:value   a field-label cell
//   new:name  rename:old:new  delete:name   a type list
//   click:box   a check box of the options
//   save  cancel   the page's buttons
void run(TSysConfigForm& f, const QString& key, const QStringList& steps) {
    for (const QString& step : steps) {
        const QStringList a = step.split(':');
        if (a[0] == "cell") {
            QVariant v = a[3];
            if (a[2] == "enabled") v = a[3] == "true";
            typeCell(propsOf(f, key)->gridFieldConfig, a[1], a[2], v);
        } else if (a[0] == "new" || a[0] == "rename" || a[0] == "delete") {
            TValueSetFrame* v = valueSetOf(f, key);
            DataSet* q = v->List().queryValueSet();
            if (a[0] == "new") {
                v->btnValueSetNew->click();
                q->setValue("elementValue", a[1]);
            } else {
                QVERIFY(q->locate("elementValue", a[1]));
                if (a[0] == "rename") {
                    v->btnValueSetEdit->click();
                    q->setValue("elementValue", a[2]);
                } else {
                    TQuickMessageDlg::PushAnswer(true);
                    v->btnValueSetDelete->click();
                }
            }
        } else if (a[0] == "click") {
            f.SysOptionFrame1->findChild<QCheckBox*>(a[1])->click();
        } else if (a[0] == "save" || a[0] == "cancel") {
            const bool save = a[0] == "save";
            QPushButton* b = nullptr;
            if (TDynamicPropBaseFrame* p = propsOf(f, key)) b = save ? p->btnSave : p->btnCancel;
            else if (TValueSetFrame* v = valueSetOf(f, key)) b = save ? v->btnValueSetSave : v->btnValueSetCancel;
            else b = save ? f.SysOptionFrame1->btnSave : f.SysOptionFrame1->btnCancel;
            QVERIFY2(b->isEnabled(), qPrintable(step));
            b->click();
        }
    }
}

// The field labels of a table as stored, written as shown() writes them.
QString stored_(TestDb& db, const QString& table) {
    QStringList out;
    db.conn().select("select TableField, fieldNewName, enabled from FieldConfig where tableName=:t"
                     " order by displayOrder, id",
                     {{"t", table}}, [&](const Statement& row) {
                         out << row.value(0).toString() + "=" + row.value(1).toString() +
                                    (row.value(2).toBool() ? "" : "(hidden)");
                         return true;
                     });
    return out.join(';');
}

QStringList sharedTypes(DataSet* q) {
    QStringList out;
    for (int r = 0; r < q->recordCount(); ++r) out << q->valueAt(r, "elementValue").toString();
    return out;
}

void saveShot(QWidget* w, const QString& name) {
    QDir().mkpath(QStringLiteral(MORVANE_SCREENSHOT_DIR));
    QVERIFY(w->grab().save(QStringLiteral(MORVANE_SCREENSHOT_DIR) + "/" + name + ".png"));
}
} // namespace

class TestSysConfig : public QObject {
    Q_OBJECT
private slots:
    void pageSavedSurvivesRestart_data();
    void pageSavedSurvivesRestart();
    void fieldEditsHeldTogether_data();
    void fieldEditsHeldTogether();
    void labelsReachOpenWindows_data();
    void labelsReachOpenWindows();
    void options_data();
    void options();
    void loginThroughWindowEndsAutoLogin();
    void navigation_data();
    void navigation();
    void typeButtonsOpenTheirPage_data();
    void typeButtonsOpenTheirPage();
    void deletedTypeGoneAtOnce_data();
    void deletedTypeGoneAtOnce();
    void closingGivesUpWhatWasNotSaved_data();
    void closingGivesUpWhatWasNotSaved();
    void menuAndKeyboard();
    void screenshots();
};

// --------------------------------------------------------- saved pages

void TestSysConfig::pageSavedSurvivesRestart_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("expected"); // a part of what the page shows after the restart
    QTest::newRow("product label renamed")
        << "DpProduct" << QStringList{"cell:product_model:fieldNewName:款号", "save"} << "product_model=款号";
    QTest::newRow("product field hidden")
        << "DpProduct" << QStringList{"cell:dfield6:enabled:false", "save"} << "dfield6=自定义字段6(hidden)";
    QTest::newRow("supplier phone hidden and renamed")
        << "DpSupplier" << QStringList{"cell:mobile:enabled:false", "cell:tel1:fieldNewName:座机", "save"}
        << "mobile=手机(hidden);tel1=座机";
    QTest::newRow("customer card renamed")
        << "DpClient" << QStringList{"cell:customerCode:fieldNewName:会员卡号", "save"} << "customerCode=会员卡号";
    QTest::newRow("supplier type added")
        << "VSSupplierType" << QStringList{"new:经销商", "save"} << "生产厂家;批发商;代理商;经销商";
    QTest::newRow("customer type renamed")
        << "VSCustomerType" << QStringList{"rename:会员:VIP会员", "save"} << "零售客户;批发客户;VIP会员";
    QTest::newRow("customer type deleted")
        << "VSCustomerType" << QStringList{"delete:会员"} << "零售客户;批发客户";
    QTest::newRow("automatic login") << "SysOption" << QStringList{"click:cbAutoLogin", "save"} << "auto=1;refund=0";
    QTest::newRow("returns shown") << "SysOption" << QStringList{"click:cbShowRefund", "save"} << "auto=0;refund=1";
}

void TestSysConfig::pageSavedSurvivesRestart() {
    QFETCH(QString, page);
    QFETCH(QStringList, steps);
    QFETCH(QString, expected);
    Shell s;
    openPage(s.form(), page);
    const QString before = shown(s.form(), page);
    run(s.form(), page, steps);
    const QString saved = shown(s.form(), page);
    QVERIFY(saved != before);
    QVERIFY2(saved.contains(expected), qPrintable(saved));
    for (const auto& box : TQuickMessageDlg::Shown()) QVERIFY2(box.kind != TQuickMessageDlg::Kind::Error, qPrintable(box.text));

    s.start();
    openPage(s.form(), page);
    QCOMPARE(shown(s.form(), page), saved);
}

void TestSysConfig::fieldEditsHeldTogether_data() {
    QTest::addColumn<QString>("press");
    QTest::addColumn<QString>("stored"); // the three rows afterwards
    QTest::newRow("three rows cancelled") << "cancel" << "型号|1;规格|1;自定义字段1|1";
    QTest::newRow("three rows saved together") << "save" << "款号|1;规格|0;颜色|1";
}

// Edits wait in the page until saved or given up, all of them at once.
void TestSysConfig::fieldEditsHeldTogether() {
    QFETCH(QString, press);
    QFETCH(QString, stored);
    Shell s;
    openPage(s.form(), "DpProduct");
    TDynamicPropBaseFrame* p = s.form().DpProductFrame;
    QVERIFY(!p->btnSave->isEnabled());
    QVERIFY(!p->btnCancel->isEnabled());
    auto rows = [&] {
        return s.db
            .scalar("select group_concat(fieldNewName || '|' || enabled, ';') from (select * from FieldConfig"
                    " where tableName='Product' and TableField in ('product_model', 'product_spec', 'dfield1')"
                    " order by displayOrder)")
            .toString();
    };
    typeCell(p->gridFieldConfig, "product_model", "fieldNewName", "款号");
    QVERIFY(p->btnSave->isEnabled());
    QVERIFY(p->btnCancel->isEnabled());
    typeCell(p->gridFieldConfig, "product_spec", "enabled", false);
    typeCell(p->gridFieldConfig, "dfield1", "fieldNewName", "颜色");
    p->gridFieldConfig->view()->setCurrentIndex(p->gridFieldConfig->model()->index(0, 1)); // leaves the row
    QVERIFY(p->btnSave->isEnabled()); // still held, nothing stored
    QCOMPARE(rows(), QString("型号|1;规格|1;自定义字段1|1"));
    run(s.form(), "DpProduct", {press});
    QCOMPARE(rows(), stored);
    QCOMPARE(shown(s.form(), "DpProduct"), stored_(s.db, "Product")); // the page shows what is stored
    QVERIFY(!p->btnSave->isEnabled());
    QVERIFY(!p->btnCancel->isEnabled());
    QCOMPARE(p->gridFieldConfig->model()->rowCount(), 10); // never a row more or less
}

// ------------------------------------------------- labels in open windows

void TestSysConfig::labelsReachOpenWindows_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("title"); // column title and label, empty when hidden
    QTest::addColumn<bool>("inEditor"); // the purchase editor has a column of it
    QTest::newRow("model renamed") << "product_model" << QStringList{"cell:product_model:fieldNewName:款号", "save"}
                                   << "款号" << true;
    QTest::newRow("size hidden") << "product_spec" << QStringList{"cell:product_spec:enabled:false", "save"} << ""
                                 << true;
    QTest::newRow("own field renamed") << "dfield1" << QStringList{"cell:dfield1:fieldNewName:颜色", "save"}
                                       << "颜色" << false;
    QTest::newRow("cancelled: nothing changes")
        << "product_model" << QStringList{"cell:product_model:fieldNewName:款号", "cancel"} << "型号" << true;
}

void TestSysConfig::labelsReachOpenWindows() {
    QFETCH(QString, field);
    QFETCH(QStringList, steps);
    QFETCH(QString, title);
    QFETCH(bool, inEditor);
    TestShell s({1, 1, "admin"});
    TControlPlacement placement(s.ctx.PlacementFile());
    TWiring program(s.dm, s.ctx, placement);
    TProductMainForm* products = program.Catalogue().ProductMainForm();
    TResourceFactory::ShowWindow(products);
    program.Documents().NewInput();
    TDocumentEditForm* editor = program.Documents().GetInputEditForm();
    QVERIFY(editor->isVisible());
    TProductEditForm& productEditor = program.Catalogue().ProductEditor();

    TSysConfigForm& settings = program.SysConfig();
    openPage(settings, "DpProduct");
    run(settings, "DpProduct", steps);
    settings.close();

    QList<DataGrid*> grids{products->ProductMainFrame1->productGrid};
    if (inEditor) grids << editor->Grid();
    for (DataGrid* grid : grids) {
        const int c = grid->viewColumn(field);
        QVERIFY2(c >= 0, qPrintable(grid->window()->objectName()));
        QCOMPARE(grid->view()->isColumnHidden(c), title.isEmpty());
        if (!title.isEmpty()) QCOMPARE(grid->model()->headerData(c, Qt::Horizontal).toString(), title);
    }
    if (auto* label = productEditor.findChild<QLabel*>("lb" + field)) {
        QCOMPARE(productEditor.findChild<QWidget*>("p" + field)->isVisibleTo(productEditor.pRoot), !title.isEmpty());
        if (!title.isEmpty()) QCOMPARE(label->text(), title + ":");
    }
}

// ---------------------------------------------------------------- options

void TestSysConfig::options_data() {
    QTest::addColumn<QString>("autoStored"); // before: "absent" or the value
    QTest::addColumn<QString>("refundStored");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("autoAfter");
    QTest::addColumn<QString>("refundAfter");
    QTest::addColumn<QList<bool>>("signalled");
    QTest::addColumn<bool>("autoLoginNextStart");
    using B = QList<bool>;
    const QString absent = "absent";
    QTest::newRow("automatic login on") << absent << absent << QStringList{"click:cbAutoLogin", "save"} << "7"
                                        << "0" << B{false} << true;
    QTest::newRow("automatic login off") << "7" << absent << QStringList{"click:cbAutoLogin", "save"} << "0" << "0"
                                         << B{false} << false;
    QTest::newRow("ticked, then cancelled") << absent << absent << QStringList{"click:cbAutoLogin", "cancel"}
                                            << absent << absent << B{} << false;
    QTest::newRow("another user's id is taken over by the one saving")
        << "1" << absent << QStringList{"click:cbShowRefund", "save"} << "7" << "1" << B{true} << true;
    QTest::newRow("returns shown") << absent << absent << QStringList{"click:cbShowRefund", "save"} << "0" << "1"
                                   << B{true} << false;
    QTest::newRow("returns hidden again") << "0" << "1" << QStringList{"click:cbShowRefund", "save"} << "0" << "0"
                                          << B{false} << false;
    QTest::newRow("both, saved twice")
        << absent << absent << QStringList{"click:cbAutoLogin", "click:cbShowRefund", "save", "click:cbShowRefund", "save"}
        << "7" << "0" << B{true, false} << true;
}

void TestSysConfig::options() {
    QFETCH(QString, autoStored);
    QFETCH(QString, refundStored);
    QFETCH(QStringList, steps);
    QFETCH(QString, autoAfter);
    QFETCH(QString, refundAfter);
    QFETCH(QList<bool>, signalled);
    QFETCH(bool, autoLoginNextStart);
    Shell s;
    if (autoStored != "absent") s.now->ctx.Settings().WriteString("AutoLoginUserID", autoStored);
    if (refundStored != "absent") s.now->ctx.Settings().WriteString("ShowRefund", refundStored);
    QSignalSpy spy(&s.form(), &TSysConfigForm::showRefundChanged);
    openPage(s.form(), "SysOption");
    TSysOptionFrame* o = s.form().SysOptionFrame1;
    QCOMPARE(o->cbAutoLogin->isChecked(), autoStored.toInt() > 0);
    QCOMPARE(o->cbShowRefund->isChecked(), refundStored == "1");
    QVERIFY(!o->btnSave->isEnabled() && !o->btnCancel->isEnabled());
    run(s.form(), "SysOption", steps);
    QVERIFY(!o->btnSave->isEnabled() && !o->btnCancel->isEnabled());
    QCOMPARE(s.setting("AutoLoginUserID"), autoAfter);
    QCOMPARE(s.setting("ShowRefund"), refundAfter);
    QList<bool> got;
    for (const QList<QVariant>& args : spy) got << args.at(0).toBool();
    QCOMPARE(got, signalled);
    QCOMPARE(TSysOptions::StoredShowRefund(s.now->ctx.Settings()), refundAfter == "1");

    // The next start.
    s.now.reset();
    TMainDM dm;
    dm.Startup(s.db.path());
    TAppContext ctx;
    ctx.UseData(dm);
    TLoginForm login(dm, ctx);
    login.OpenUsers();
    QCOMPARE(login.TryAutoLogin(), autoLoginNextStart);
    if (autoLoginNextStart) QCOMPARE(ctx.CurrentUser().id, kOwner);
}

// Whoever logs in through the login window has chosen to: the automatic
// login is off from then on, and the page says so.
void TestSysConfig::loginThroughWindowEndsAutoLogin() {
    Shell s;
    openPage(s.form(), "SysOption");
    run(s.form(), "SysOption", {"click:cbAutoLogin", "save"});
    QCOMPARE(s.setting("AutoLoginUserID"), QString::number(kOwner));
    s.now.reset();
    {
        TMainDM dm;
        dm.Startup(s.db.path());
        TAppContext ctx;
        ctx.UseData(dm);
        TLoginForm login(dm, ctx);
        login.OpenUsers();
        login.show();
        QVERIFY(login.queryUser->locate("id", kOwner));
        login.findChild<QPushButton*>("Button2")->click();
        QCOMPARE(login.result(), int(QDialog::Accepted));
    }
    QCOMPARE(s.setting("AutoLoginUserID"), QString("absent"));
    s.start();
    openPage(s.form(), "SysOption");
    QVERIFY(!s.form().SysOptionFrame1->cbAutoLogin->isChecked());
}

// ------------------------------------------------------------- navigation

void TestSysConfig::navigation_data() {
    QTest::addColumn<QStringList>("calls"); // go:name  show:key  press:key
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("first opening") << QStringList() << "DpProduct" << "DpProduct" << QStringList();
    QTest::newRow("supplier types") << QStringList{"go:SupplierType"} << "VSSupplierType" << "VSSupplierType"
                                    << QStringList();
    QTest::newRow("customer types") << QStringList{"go:CustomerType"} << "VSCustomerType" << "VSCustomerType"
                                    << QStringList();
    QTest::newRow("another set name does nothing")
        << QStringList{"press:SysOption", "go:UnitType"} << "SysOption" << "SysOption" << QStringList();
    QTest::newRow("set names are exact") << QStringList{"go:customertype"} << "DpProduct" << "DpProduct"
                                         << QStringList();
    QTest::newRow("a button releases the other") << QStringList{"go:SupplierType", "press:DpClient"} << "DpClient"
                                                 << "DpClient" << QStringList();
    QTest::newRow("unknown page named")
        << QStringList{"press:DpSupplier", "show:Nowhere"} << "DpSupplier" << "DpSupplier"
        << QStringList{"Page not find: Nowhere"};
    QTest::newRow("page names are exact") << QStringList{"show:dpclient"} << "DpProduct" << "DpProduct"
                                          << QStringList{"Page not find: dpclient"};
}

void TestSysConfig::navigation() {
    QFETCH(QStringList, calls);
    QFETCH(QString, page);
    QFETCH(QString, pressed);
    QFETCH(QStringList, texts);
    Shell s;
    TSysConfigForm& f = s.form();
    f.show();
    for (const QString& c : calls) {
        const QString arg = c.section(':', 1);
        if (c.startsWith("go:")) f.GoToValueSet(arg);
        else if (c.startsWith("show:")) f.ShowPageByName(arg);
        else f.ButtonOf(arg)->click();
    }
    QCOMPARE(f.CurrentPage(), page);
    QCOMPARE(f.PageControl1->currentWidget()->isVisible(), true);
    QStringList down;
    for (QToolButton* b : f.pGroupBar->findChildren<QToolButton*>())
        if (b->isChecked()) down << b->objectName();
    QCOMPARE(down, QStringList{"btn" + pressed});
    QCOMPARE(TQuickMessageDlg::ShownTexts(), texts);
    // The page showing has read its rows.
    if (TValueSetFrame* v = valueSetOf(f, page)) QVERIFY(v->List().queryValueSet()->isActive());
    if (TDynamicPropBaseFrame* p = propsOf(f, page)) QVERIFY(p->List().queryFieldConfig()->isActive());
}

// The "..." beside a partner's type opens the settings on that type list.
void TestSysConfig::typeButtonsOpenTheirPage_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("admin");
    QTest::newRow("supplier, administrator") << "supplier" << true;
    QTest::newRow("customer, administrator") << "customer" << true;
    QTest::newRow("customer, shop assistant") << "customer" << false;
}

void TestSysConfig::typeButtonsOpenTheirPage() {
    QFETCH(QString, kind);
    QFETCH(bool, admin);
    const TUser user = admin ? TUser{1, 1, "admin"} : TUser{5, 2, "店员"};
    TestShell s(user);
    TControlPlacement placement(s.ctx.PlacementFile());
    TWiring program(s.dm, s.ctx, placement);
    TPartnerForm* w = kind == "supplier" ? static_cast<TPartnerForm*>(program.Partners().GetSupplierForm())
                                         : static_cast<TPartnerForm*>(program.Partners().GetCustomerForm());
    w->ShowForMaintenance();
    QString page;
    bool bar = false;
    bool modal = false;
    whileModal([&](QWidget* d) {
        auto* f = qobject_cast<TSysConfigForm*>(d);
        QVERIFY(f);
        modal = f->isModal();
        page = f->CurrentPage();
        bar = f->pGroupBar->isVisible();
        QTest::keyClick(f, Qt::Key_Escape);
    });
    w->Frame()->btnType->click();
    QCOMPARE(page, kind == "supplier" ? QString("VSSupplierType") : QString("VSCustomerType"));
    QVERIFY(modal);
    QCOMPARE(bar, admin);
    QVERIFY(!program.SysConfig().isVisible());
    // The main window's menu shows every page again.
    QCOMPARE(program.SysConfig().pGroupBar->isVisibleTo(&program.SysConfig()), true);
}

// ------------------------------------------------------------------ types

void TestSysConfig::deletedTypeGoneAtOnce_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("used");
    QTest::newRow("supplier type nobody uses") << "VSSupplierType" << "代理商" << false;
    QTest::newRow("customer type nobody uses") << "VSCustomerType" << "会员" << false;
    QTest::newRow("supplier type in use stays") << "VSSupplierType" << "批发商" << true;
}

// Once deleted, a type can no longer be chosen for a partner: the shared
// list the partner windows choose from is read again at once.
void TestSysConfig::deletedTypeGoneAtOnce() {
    QFETCH(QString, page);
    QFETCH(QString, type);
    QFETCH(bool, used);
    Shell s;
    s.db.exec("insert into Supplier(supplierName, supplierType) values ('乙批发', 2)");
    DataSet* shared = page == "VSSupplierType" ? s.now->dm.querySupplierType : s.now->dm.queryCustomerType;
    QVERIFY(sharedTypes(shared).contains(type));
    openPage(s.form(), page);
    run(s.form(), page, {"delete:" + type});
    QCOMPARE(TQuickMessageDlg::ShownTexts(),
             QStringList{used ? "此类型已经被使用,不能删除." : "确定要删除该条数据吗?"});
    QCOMPARE(sharedTypes(shared).contains(type), used);
    QCOMPARE(s.count("select count(*) from ValueSet where elementValue='" + type + "'"), used ? 1 : 0);
}

// ------------------------------------------------------------- closing

void TestSysConfig::closingGivesUpWhatWasNotSaved_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("a label typed") << "DpSupplier" << QStringList{"cell:qq:fieldNewName:微信"};
    QTest::newRow("a type being added") << "VSSupplierType" << QStringList{"new:经销商"};
    QTest::newRow("an option clicked") << "SysOption" << QStringList{"click:cbShowRefund"};
}

// Escape (or the window's frame) leaves the stored settings as they were, and
// the next opening shows them so.
void TestSysConfig::closingGivesUpWhatWasNotSaved() {
    QFETCH(QString, page);
    QFETCH(QStringList, steps);
    Shell s;
    openPage(s.form(), page);
    const QString before = shown(s.form(), page);
    run(s.form(), page, steps);
    s.form().reject();
    openPage(s.form(), page);
    QCOMPARE(shown(s.form(), page), before);
    for (QPushButton* b : s.form().PageControl1->currentWidget()->findChildren<QPushButton*>())
        if (b->text() == "保存(&S)") QVERIFY(!b->isEnabled());
    QCOMPARE(s.count("select count(*) from SysConfig where sysKey='ShowRefund'"), 0);
}

// ------------------------------------------------------- menu and keyboard

// The main window's 系统设置 opens the window; the keyboard alone renames a
// supplier field, saves it and leaves.
void TestSysConfig::menuAndKeyboard() {
    TestShell s({1, 1, "admin"});
    TControlPlacement placement(s.ctx.PlacementFile());
    TWiring program(s.dm, s.ctx, placement);
    TMainForm& main = program.MainForm();
    QVERIFY(main.miSystem->isEnabled());
    QStringList focusPath;
    bool done = false;
    whileModal([&](QWidget* d) {
        auto* f = qobject_cast<TSysConfigForm*>(d);
        QVERIFY(f);
        QVERIFY(f->pGroupBar->isVisible());
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f));
        // Into the bar, to the supplier's 属性定制 by the arrows.
        f->ButtonOf("SysOption")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(f->CurrentPage(), QString("SysOption"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        focusPath << QApplication::focusWidget()->objectName();
        QCOMPARE(f->CurrentPage(), QString("DpSupplier"));
        // Tab leaves the bar for the page's grid.
        for (int i = 0; i < 10 && !qobject_cast<QTableView*>(QApplication::focusWidget()); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        auto* view = qobject_cast<QTableView*>(QApplication::focusWidget());
        QVERIFY(view);
        QVERIFY(view->window() == f);
        focusPath << view->parentWidget()->objectName();
        DataGrid* grid = f->DpSupplierFrame->gridFieldConfig;
        view->setCurrentIndex(grid->model()->index(0, grid->viewColumn("fieldNewName")));
        QTest::keyClick(view, Qt::Key_F2);
        QWidget* editor = QApplication::focusWidget();
        QVERIFY(editor && editor != view);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, "No");
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(f->DpSupplierFrame->btnSave->isEnabled());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(!f->DpSupplierFrame->btnSave->isEnabled());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        done = true;
    });
    main.miSystem->trigger();
    QVERIFY(done);
    QCOMPARE(focusPath, QStringList({"btnDpSupplier", "gridFieldConfig"}));
    QVERIFY(!program.SysConfig().isVisible());
    QCOMPARE(s.db.scalar("select fieldNewName from FieldConfig where tableName='Supplier' and TableField='supplierCode'")
                 .toString(),
             QString("No"));
}

void TestSysConfig::screenshots() {
    Shell s;
    TSysConfigForm& f = s.form();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    for (const QString key : {"SysOption", "DpSupplier", "VSSupplierType", "DpClient", "VSCustomerType", "DpProduct"}) {
        openPage(f, key);
        QCoreApplication::processEvents();
        saveShot(&f, "settings-" + key);
        QCOMPARE(clipped(&f), QStringList());
    }
    openPage(f, "DpSupplier");
    typeCell(f.DpSupplierFrame->gridFieldConfig, "mobile", "enabled", false);
    QCoreApplication::processEvents();
    saveShot(&f, "settings-DpSupplier-edited");
}

QTEST_MAIN(TestSysConfig)
#include "tst_sysconfig.moc"
