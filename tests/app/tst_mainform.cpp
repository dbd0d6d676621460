#include "aboutform.h"
#include "appcontext.h"
#include "controlplacement.h"
#include "desktop.h"
#include "dataset.h"
#include "focushandler.h"
#include "loginform.h"
#include "maindm.h"
#include "mainform.h"
#include "quickmessagedlg.h"
#include "resourcefactory.h"
#include "startup.h"
#include "sysconfigform.h"
#include "sysconfigframes.h"
#include "wiring.h"
#include "shellsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>
#include <unistd.h>

namespace {
struct Shell : TestShell {
    explicit Shell(const TUser& user = {1, 1, "admin"}) : TestShell(user) {}
};

QStringList visibleTabs(TMainForm& f) {
    QStringList out;
    for (int i = 0; i < f.PageControl1->count(); ++i)
        if (f.PageControl1->isTabVisible(i)) out << f.PageControl1->widget(i)->objectName();
    return out;
}

QStringList visibleMenuItems(TMainForm& f) {
    QStringList out;
    for (QAction* top : f.MainMenu1->actions()) {
        if (!top->isVisible() || !top->menu()) continue;
        for (QAction* a : top->menu()->actions())
            if (a->isVisible() && !a->isSeparator()) out << a->text();
    }
    return out;
}

void saveShot(QWidget* w, const QString& name) {
    QDir().mkpath(QStringLiteral(MORVANE_SCREENSHOT_DIR));
    w->grab().save(QStringLiteral(MORVANE_SCREENSHOT_DIR) + "/" + name + ".png");
}
} // namespace


class TestMainForm : public QObject {
    Q_OBJECT
private slots:
    void administratorSeesEverything_data();
    void administratorSeesEverything();
    void ordinaryUserLosesAdminParts();
    void refundTabFollowsShowRefund_data();
    void refundTabFollowsShowRefund();
    void actionsWaitForTheirWindows();
    void factoryMakesEachWindowOnce();
    void helpFile_data();
    void helpFile();
    void aboutBox();
    void closingRunsTheExitStep();
    void focusHighlight();
    void focusTraceDroppedWithWindow();
    void placementRoundTrip();
    void startupRefusesUnusableFile_data();
    void startupRefusesUnusableFile();
    void closingMainWindowEndsProgram();
    void dialogsOpenOverTheActiveWindow();
    void startupWithAutoLogin();
    void screenshots();
};

void TestMainForm::administratorSeesEverything_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("group");
    QTest::newRow("built-in administrator") << 1 << 2;
    QTest::newRow("group 1 member") << 5 << 1;
}

void TestMainForm::administratorSeesEverything() {
    QFETCH(int, id);
    QFETCH(int, group);
    Shell s({id, group, "x"});
    TMainForm f(s.ctx);
    f.show();
    QCOMPARE(f.windowTitle(), QString("Morvane简单进销存 - 2010 通用版"));
    QCOMPARE(visibleTabs(f), QStringList({"tsPurchase", "tsSale", "tsStorage", "tsProduct", "tsSupplier", "tsCustomer"}));
    QCOMPARE(f.PageControl1->currentWidget()->objectName(), QString("tsSale"));
    QCOMPARE(visibleMenuItems(f), QStringList({"数据备份(&B)", "数据恢复(&R)", "退出(&X)", "进货分析(&I)", "销售分析(&O)",
                                               "计量单位(&U)", "系统设置(&S)", "员工管理", "修改密码", "使用说明",
                                               "关于(&A)"}));
    QVERIFY(!f.findChild<QAction*>("miBrand")->isVisible());
}

void TestMainForm::ordinaryUserLosesAdminParts() {
    Shell s({5, 2, "店员"});
    TMainForm f(s.ctx);
    f.show();
    QCOMPARE(visibleTabs(f), QStringList({"tsSale", "tsStorage", "tsCustomer"}));
    QCOMPARE(visibleMenuItems(f), QStringList({"数据备份(&B)", "退出(&X)", "修改密码", "使用说明", "关于(&A)"}));
    QVERIFY(!f.findChild<QToolButton*>("btnRefundOut")->isVisibleTo(f.tsRefund));
    QVERIFY(!f.findChild<QToolButton*>("btnRefundOutMngr")->isVisibleTo(f.tsRefund));
    QVERIFY(!f.miSystemSeparator->isVisible());
}

void TestMainForm::refundTabFollowsShowRefund_data() {
    QTest::addColumn<QString>("setting"); // SysConfig ShowRefund; null: no row
    QTest::addColumn<int>("group");       // of the user
    QTest::addColumn<QStringList>("buttons");
    QTest::newRow("no setting") << QString() << 1 << QStringList();
    QTest::newRow("off") << "0" << 1 << QStringList();
    QTest::newRow("not a number") << "yes" << 1 << QStringList();
    QTest::newRow("on") << "1" << 1 << QStringList{"btnRefundOut", "btnRefundOutMngr", "btnRefundInNew", "btnRefundInList"};
    // Sending goods back to a supplier stays with the administrators.
    QTest::newRow("on, ordinary user") << "1" << 2 << QStringList{"btnRefundInNew", "btnRefundInList"};
}

// The returns tab is read from the settings when the program starts.
void TestMainForm::refundTabFollowsShowRefund() {
    QFETCH(QString, setting);
    QFETCH(int, group);
    QFETCH(QStringList, buttons);
    Shell s({group == 1 ? 1 : 5, group, "x"});
    if (!setting.isNull())
        s.db.exec("insert into SysConfig(sysKey, sysValue, section) values('ShowRefund', '" + setting + "', '')");
    TControlPlacement placement(s.ctx.PlacementFile());
    TWiring program(s.dm, s.ctx, placement);
    TMainForm& f = program.MainForm();
    f.show();
    QCOMPARE(visibleTabs(f).contains("tsRefund"), !buttons.isEmpty());
    if (buttons.isEmpty()) return;
    f.PageControl1->setCurrentWidget(f.tsRefund);
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QStringList shown;
    for (QToolButton* b : f.tsRefund->findChildren<QToolButton*>())
        if (b->isVisible() && b->objectName().startsWith("btnRefund")) shown << b->objectName();
    QCOMPARE(shown, buttons);
    // The tab's buttons work.
    QTest::mouseClick(f.tsRefund->findChild<QToolButton*>("btnRefundInList"), Qt::LeftButton);
    QWidget* list = nullptr;
    for (QWidget* w : program.Factory().Windows())
        if (w->objectName() == "RefundInForm") list = w;
    QVERIFY(list && list->isVisible());
    list->close();
    // The settings window switches it while the program runs.
    TSysConfigForm& settings = program.SysConfig();
    settings.show();
    settings.ButtonOf("SysOption")->click();
    auto toggle = [&] {
        settings.SysOptionFrame1->cbShowRefund->click();
        settings.SysOptionFrame1->btnSave->click();
    };
    toggle();
    QVERIFY(!visibleTabs(f).contains("tsRefund"));
    toggle();
    QVERIFY(visibleTabs(f).contains("tsRefund"));
    settings.close();
    f.PageControl1->setCurrentWidget(f.tsRefund);
    QStringList again;
    for (QToolButton* b : f.tsRefund->findChildren<QToolButton*>())
        if (b->isVisible() && b->objectName().startsWith("btnRefund")) again << b->objectName();
    QCOMPARE(again, buttons);
}

void TestMainForm::actionsWaitForTheirWindows() {
    Shell s;
    TMainForm f(s.ctx);
    auto* ac = f.findChild<QAction*>("AcInventoryList");
    QVERIFY(ac);
    QCOMPARE(ac->text(), QString("查看库存"));
    QVERIFY(!ac->isEnabled());
    auto* button = f.tsStorage->findChild<QToolButton*>("btnInventoryList");
    QVERIFY(!button->isEnabled());
    int runs = 0;
    f.SetHandler(ac, [&] { ++runs; });
    QVERIFY(button->isEnabled());
    button->click();
    QCOMPARE(runs, 1);
    QCOMPARE(f.findChild<QToolButton*>("btnInputNew")->text(), QString("进货(&N)"));
    QCOMPARE(f.AcInputNew->text(), QString("新建(&N)"));
    QCOMPARE(f.findChild<QToolButton*>("btnOutputNew")->text(), QString("销售(&N)"));
}

void TestMainForm::factoryMakesEachWindowOnce() {
    TResourceFactory factory;
    int made = 0, prepared = 0;
    auto get = [&] {
        return factory.Get<QWidget>(
            "InventoryForm", [&] { ++made; return new QWidget; }, [&](QWidget*) { ++prepared; });
    };
    QWidget* a = get();
    QWidget* b = get();
    QCOMPARE(a, b);
    QCOMPARE(made, 1);
    QCOMPARE(prepared, 1);
    TResourceFactory::ShowWindow(a);
    QVERIFY(a->isVisible());
    a->close();
    QVERIFY(factory.Has("InventoryForm")); // closing only hides
    QCOMPARE(get(), a);
}

void TestMainForm::helpFile_data() {
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("opener");
    QTest::addColumn<bool>("complaint");
    QTest::newRow("missing") << false << "true" << true;
    QTest::newRow("opened") << true << "true" << false;
    // No program could show it: the failure arrives after the call returned.
    QTest::newRow("no viewer") << true << "false" << true;
    QTest::newRow("no opener at all") << true << "/nonexistent/xdg-open" << true;
}

void TestMainForm::helpFile() {
    QFETCH(bool, present);
    QFETCH(QString, opener);
    QFETCH(bool, complaint);
    Shell s;
    const QString path = s.db.dir() + "/help.html";
    if (present) {
        QFile help(path);
        QVERIFY(help.open(QIODevice::WriteOnly));
        help.write("<html></html>");
    }
    TDesktop::SetOpener(opener);
    TMainForm f(s.ctx);
    f.findChild<QAction*>("miHelpContents")->trigger();
    const QStringList expected = complaint ? QStringList{"打开帮助文件失败： \"" + path + "\""} : QStringList{};
    QTRY_COMPARE_WITH_TIMEOUT(TQuickMessageDlg::ShownTexts(), expected, 5000);
    QTest::qWait(complaint ? 0 : 300); // a late complaint would show here
    QCOMPARE(TQuickMessageDlg::ShownTexts(), expected);
    if (complaint) QCOMPARE(TQuickMessageDlg::Shown().first().kind, TQuickMessageDlg::Kind::Plain);
    TDesktop::SetOpener("xdg-open");
}

void TestMainForm::aboutBox() {
    Shell s;
    TMainForm f(s.ctx);
    QString caption, version;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<TAboutForm*>(QApplication::activeModalWidget());
        QVERIFY(box);
        caption = box->windowTitle();
        version = box->findChild<QLabel*>("lbVersion")->text();
        saveShot(box, "about");
        box->findChild<QPushButton*>("btnOK")->click();
    });
    f.findChild<QAction*>("miAbout")->trigger();
    QCOMPARE(caption, QString("关于Morvane简单进销存"));
    QCOMPARE(version, QString("2010 通用版"));
}

void TestMainForm::closingRunsTheExitStep() {
    Shell s;
    TMainForm f(s.ctx);
    f.show();
    int exitSteps = 0;
    f.BeforeClose = [&] {
        ++exitSteps;
        throw std::runtime_error("the exit dialog failed");
    };
    f.findChild<QAction*>("miExit")->trigger();
    QCOMPARE(exitSteps, 1);
    QVERIFY(!f.isVisible()); // closing is never refused
}

void TestMainForm::focusHighlight() {
    TFocusHandler handler;
    const QColor blue(0xEE, 0xEE, 0xFF), white(0xFF, 0xFF, 0xFF);
    QWidget w1, w2;
    auto* edit = new QLineEdit(&w1);
    auto* combo = new QComboBox(&w1);
    combo->setEditable(true);
    auto* memo = new QPlainTextEdit(&w1);
    auto* button = new QPushButton("OK", &w1);
    auto* check = new QCheckBox("x", &w1);
    auto* other = new QLineEdit(&w2);
    auto* layout = new QVBoxLayout(&w1);
    for (QWidget* c : {static_cast<QWidget*>(edit), static_cast<QWidget*>(combo), static_cast<QWidget*>(memo),
                       static_cast<QWidget*>(button), static_cast<QWidget*>(check)})
        layout->addWidget(c);
    const QColor buttonColour = button->palette().color(QPalette::Base);
    w1.show();
    QVERIFY(QTest::qWaitForWindowActive(&w1));
    auto base = [](QWidget* c) { return c->palette().color(QPalette::Base); };
    edit->setFocus();
    QTRY_COMPARE(base(edit), blue);
    button->setFocus();
    QTRY_COMPARE(base(edit), white);
    QCOMPARE(base(button), buttonColour); // buttons keep their colour
    QCOMPARE(handler.FindTrace(&w1)->LastControl.data(), button);
    edit->setFocus();
    QTRY_COMPARE(base(edit), blue);
    combo->setFocus(); // its inner line edit takes the focus; the box is coloured
    QTRY_COMPARE(base(combo), blue);
    memo->setFocus();
    QTRY_COMPARE(base(memo), blue);
    QCOMPARE(base(combo), white);
    check->setFocus();
    QTRY_COMPARE(base(memo), white);
    memo->setFocus();
    QTRY_COMPARE(base(memo), blue);
    // Another window has its own trace; the first keeps its highlight.
    w2.show();
    w2.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w2));
    other->setFocus();
    QTRY_COMPARE(base(other), blue);
    QCOMPARE(base(memo), blue);
    QCOMPARE(handler.Traces().size(), size_t(2));
}

void TestMainForm::focusTraceDroppedWithWindow() {
    TFocusHandler handler;
    {
        QWidget w;
        auto* e = new QLineEdit(&w);
        (new QVBoxLayout(&w))->addWidget(e);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        e->setFocus();
        QTRY_VERIFY(handler.Traces().size() == 1 && handler.Traces()[0].LastControl == e);
    }
    QWidget w2;
    auto* e2 = new QLineEdit(&w2);
    (new QVBoxLayout(&w2))->addWidget(e2);
    w2.show();
    QVERIFY(QTest::qWaitForWindowActive(&w2));
    e2->setFocus();
    QTRY_COMPARE(e2->palette().color(QPalette::Base), QColor(0xEE, 0xEE, 0xFF));
    for (const auto& t : handler.Traces()) QVERIFY(!t.WindowHandle.isNull());
}

void TestMainForm::placementRoundTrip() {
    QTemporaryDir dir;
    TControlPlacement p(dir.path() + "/placement.ini");
    QWidget w;
    w.setGeometry(60, 70, 400, 300);
    QVERIFY(!p.RestoreWindow(&w, "InputEditForm\\"));
    p.SaveWindow(&w, "InputEditForm\\");
    QWidget w2;
    QVERIFY(p.RestoreWindow(&w2, "InputEditForm\\"));
    QCOMPARE(w2.size(), QSize(400, 300));
    QSettings raw(dir.path() + "/placement.ini", QSettings::IniFormat);
    QCOMPARE(raw.value("InputEditForm/Width").toInt(), 400);
    QVERIFY(TControlPlacement::ToBool("Y", false));
    QVERIFY(!TControlPlacement::ToBool("NO", true));
}

namespace {
QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

void TestMainForm::startupRefusesUnusableFile_data() {
    QTest::addColumn<QString>("change"); // "missing": no data file at all
    QTest::addColumn<QString>("mentions");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("missing") << "missing" << "连接数据库失败. \n\n" << false;
    QTest::newRow("no Users.canLogin") << "alter table Users drop column canLogin" << "canLogin" << false;
    QTest::newRow("no SysConfig.section") << "alter table SysConfig drop column section" << "section" << false;
    QTest::newRow("no Users.userGroupID, automatic login")
        << "alter table Users drop column userGroupID;"
           "insert into SysConfig(sysKey, sysValue, section) values('AutoLoginUserID','1','')"
        << "userGroupID" << false;
    QTest::newRow("read-only file") << "" << "只读" << true;
}

// Each start that cannot go on says why once, ends with 1, and leaves the
// data file byte for byte as it was.
void TestMainForm::startupRefusesUnusableFile() {
    QFETCH(QString, change);
    QFETCH(QString, mentions);
    QFETCH(bool, readOnly);
    if (readOnly && geteuid() == 0) QSKIP("root writes to read-only files, so this cannot be arranged as root");
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/db");
    const QString path = dir.path() + "/db/data_general.db";
    const bool missing = change == "missing";
    if (!missing) Connection::createFromSchema(path, TestDb::schemaSql());
    if (!change.isEmpty() && !missing) {
        Connection c;
        c.open(path);
        c.executeScript(change);
    }
    if (readOnly) QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser);
    const QByteArray before = fileBytes(path);
    TQuickMessageDlg::StartRecording();
    const int rc = RunProgram(dir.path());
    TQuickMessageDlg::StopRecording();
    QCOMPARE(rc, 1);
    const auto shown = TQuickMessageDlg::Shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, TQuickMessageDlg::Kind::Error);
    QVERIFY2(shown[0].text.contains(mentions), qPrintable(shown[0].text));
    QVERIFY2(!shown[0].text.contains("attempt to write"), qPrintable(shown[0].text));
    QCOMPARE(fileBytes(path), before);
    QCOMPARE(QFile::exists(path), !missing); // a missing file is never made up
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

void TestMainForm::closingMainWindowEndsProgram() {
    Shell s;
    TControlPlacement placement(s.ctx.PlacementFile());
    TWiring program(s.dm, s.ctx, placement);
    TMainForm& f = program.MainForm();
    f.show();
    f.AcProductList->trigger();
    QWidget* products = program.Factory().Windows().value(0);
    QVERIFY(products && products->isVisible());
    bool ended = false;
    bool exitOffered = false;
    QTimer::singleShot(0, [&] {
        // The exit backup is offered first; "直接退出".
        whileModal([&](QWidget* w) {
            exitOffered = w->objectName() == "BackupBeforeExitForm";
            w->findChild<QPushButton*>("Button2")->click();
        });
        f.findChild<QAction*>("miExit")->trigger();
    });
    QTimer::singleShot(5000, [&] { QCoreApplication::exit(2); }); // would hang without the fix
    ended = QApplication::exec() == 0;
    QVERIFY(ended);
    QVERIFY(exitOffered);
    QVERIFY(!f.isVisible());
    QVERIFY(!products->isVisible());
}

// A dialog belongs to the main window but opens where the user works.
void TestMainForm::dialogsOpenOverTheActiveWindow() {
    TDialogPlacer placer;
    QWidget owner;
    owner.setGeometry(10, 10, 200, 150);
    owner.show();
    QWidget work;
    work.setGeometry(400, 300, 300, 200);
    work.show();
    QApplication::setActiveWindow(&work);
    QCOMPARE(QApplication::activeWindow(), &work);
    QDialog d(&owner);
    d.resize(100, 80);
    d.show();
    const QPoint off = d.frameGeometry().center() - work.frameGeometry().center();
    QVERIFY2(off.manhattanLength() <= 4, qPrintable(QString("%1,%2").arg(off.x()).arg(off.y())));
}

void TestMainForm::startupWithAutoLogin() {
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/db");
    Connection::createFromSchema(dir.path() + "/db/data_general.db", TestDb::schemaSql());
    {
        Connection c;
        c.open(dir.path() + "/db/data_general.db");
        c.execute("insert into SysConfig(sysKey, sysValue, section) values('AutoLoginUserID','1','')");
    }
    bool mainShown = false, loginShown = false;
    QTimer::singleShot(0, [&] {
        if (QApplication::activeModalWidget()) {
            loginShown = true;
            QApplication::activeModalWidget()->close();
            return;
        }
        for (QWidget* f : QApplication::topLevelWidgets())
            if (f->objectName() == "MainForm" && f->isVisible()) {
                mainShown = true;
                whileModal([](QWidget* exitWindow) { exitWindow->close(); });
                f->close();
            }
    });
    TQuickMessageDlg::StartRecording();
    const int rc = RunProgram(dir.path());
    TQuickMessageDlg::StopRecording();
    QCOMPARE(rc, 0);
    QVERIFY(!loginShown);
    QVERIFY(mainShown);
    QVERIFY(QFile::exists(dir.path() + "/placement.ini"));
}

void TestMainForm::screenshots() {
    Shell s;
    {
        TLoginForm login(s.dm, s.ctx);
        login.OpenUsers();
        login.show();
        QVERIFY(QTest::qWaitForWindowExposed(&login));
        saveShot(&login, "login");
        QVERIFY(login.width() >= login.sizeHint().width());
    }
    TMainForm admin(s.ctx);
    admin.show();
    QVERIFY(QTest::qWaitForWindowExposed(&admin));
    saveShot(&admin, "main-admin");
    s.ctx.SetCurrentUser({5, 2, "店员"});
    TMainForm clerk(s.ctx);
    clerk.show();
    QVERIFY(QTest::qWaitForWindowExposed(&clerk));
    saveShot(&clerk, "main-clerk");
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
