#include "appcontext.h"
#include "dataset.h"
#include "loginform.h"
#include "maindm.h"
#include "password.h"
#include "quickmessagedlg.h"
#include "shellsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>
#include <QtTest>

// A started data module and context on a fresh data file.
struct Shell : TestShell {
    int addUser(const QString& name, const QVariant& password, bool canLogin, int group = 2) {
        Statement st(db.conn(), "insert into Users(userName, password, canLogin, userGroupID) values(:n,:p,:c,:g)");
        st.bind(":n", name);
        st.bind(":p", password);
        st.bind(":c", canLogin);
        st.bind(":g", group);
        st.step();
        return int(db.conn().lastInsertId());
    }
    QString setting(const QString& key) {
        return db.scalar("select sysValue from SysConfig where sysKey='" + key + "'").toString();
    }
};

class TestLogin : public QObject {
    Q_OBJECT
private slots:
    void checkLogin_data();
    void checkLogin();
    void storedPasswordAfterLogin_data();
    void storedPasswordAfterLogin();
    void checkLoginWithoutConnection();
    void checkLoginRefusesUserWithoutRight();
    void emptyUserTable();
    void loginThroughWindowRemembersUser();
    void failedLoginStaysWithPasswordFocused();
    void autoLoginOfUserWhoLostRight();
    void autoLoginSucceedsWithoutTouchingLastLogin();
    void lastLoginPreselects_data();
    void lastLoginPreselects();
    void passwordHintBalloon();
    void exitButtonCancels();
};

void TestLogin::checkLogin_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("canLogin");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("hashed"); // stored as its hash rather than in clear text
    QTest::newRow("admin, empty password") << "admin" << QVariant() << true << "" << "" << false;
    QTest::newRow("admin, something typed") << "admin" << QVariant() << true << "x" << "密码错误." << false;
    QTest::newRow("NULL password, empty box") << "张三" << QVariant() << true << "" << "" << false;
    QTest::newRow("empty password, something typed") << "张三" << QVariant("") << true << "x" << "密码错误." << false;
    QTest::newRow("right password") << "张三" << QVariant("abc") << true << "abc" << "" << true;
    QTest::newRow("case matters") << "张三" << QVariant("Abc") << true << "abc" << "密码错误." << true;
    QTest::newRow("trailing blank matters") << "张三" << QVariant("abc") << true << "abc " << "密码错误." << true;
    QTest::newRow("empty box against a password") << "张三" << QVariant("abc") << true << "" << "密码错误." << true;
    QTest::newRow("Chinese password") << "张三" << QVariant("口令一") << true << "口令一" << "" << true;
    QTest::newRow("clear text from an older file") << "张三" << QVariant("abc") << true << "abc" << "" << false;
    QTest::newRow("clear text, wrong") << "张三" << QVariant("abc") << true << "abd" << "密码错误." << false;
}

void TestLogin::checkLogin() {
    QFETCH(QString, user);
    QFETCH(QVariant, stored);
    QFETCH(bool, canLogin);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(bool, hashed);
    Shell s;
    if (hashed) stored = TPasswords::Hash(stored.toString());
    if (user != "admin") s.addUser(user, stored, canLogin);
    TLoginForm form(s.dm, s.ctx);
    form.OpenUsers();
    QVERIFY(form.queryUser->locate("userName", user));
    form.edtPassword->setText(typed);
    QCOMPARE(form.CheckLogin(), message);
}

void TestLogin::storedPasswordAfterLogin_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("admitted");
    QTest::addColumn<QString>("afterwards"); // "same", "hash" (a new one), "none"
    QTest::newRow("clear text hashed at its login") << QVariant("abc") << "abc" << true << "hash";
    QTest::newRow("clear text, failed login") << QVariant("abc") << "abd" << false << "same";
    QTest::newRow("hash of today kept") << QVariant(TPasswords::Hash("abc")) << "abc" << true << "same";
    // Made with 8 MiB and one pass, weaker than today's setting.
    QTest::newRow("older, weaker hash made anew")
        << QVariant("$argon2id$v=19$m=8192,t=1,p=1$SCwIQJDcbKCqzWehF5eC+Q$47XoOOGXyD8eOUMtAXNefFBx5JMVU6bfGW/1u3EmbXM")
        << "secret" << true << "hash";
    QTest::newRow("no password stays none") << QVariant() << "" << true << "none";
}

// A file from before hashing: the clear-text password opens it once and is
// stored as a hash at that login, and the same password opens it afterwards.
void TestLogin::storedPasswordAfterLogin() {
    QFETCH(QVariant, stored);
    QFETCH(QString, typed);
    QFETCH(bool, admitted);
    QFETCH(QString, afterwards);
    Shell s;
    const int id = s.addUser("孙八", stored, true);
    auto storedNow = [&] { return s.db.scalar("select password from Users where id=" + QString::number(id)); };
    {
        TLoginForm form(s.dm, s.ctx);
        form.OpenUsers();
        form.show();
        QVERIFY(form.queryUser->locate("id", id));
        form.edtPassword->setText(typed);
        form.findChild<QPushButton*>("Button2")->click();
        QCOMPARE(s.ctx.HasCurrentUser(), admitted);
    }
    const QVariant now = storedNow();
    if (afterwards == "same") QCOMPARE(now.toString(), stored.toString());
    if (afterwards == "none") QVERIFY(now.toString().isEmpty());
    if (afterwards == "hash") {
        QVERIFY(now.toString() != stored.toString());
        QVERIFY(TPasswords::IsHash(now.toString()));
        QVERIFY(!TPasswords::NeedsRehash(now));
    }
    if (!admitted) return;
    // The next login: the same password still opens it.
    TLoginForm again(s.dm, s.ctx);
    again.OpenUsers();
    QVERIFY(again.queryUser->locate("id", id));
    again.edtPassword->setText(typed);
    QCOMPARE(again.CheckLogin(), QString());
    again.edtPassword->setText(typed + "x");
    QCOMPARE(again.CheckLogin(), QString("密码错误."));
}

void TestLogin::checkLoginWithoutConnection() {
    Shell s;
    TLoginForm form(s.dm, s.ctx);
    QCOMPARE(form.CheckLogin(), QString("未连接到数据库."));
}

void TestLogin::checkLoginRefusesUserWithoutRight() {
    Shell s;
    s.addUser("李四", "", false);
    s.db.exec("update Users set canLogin=0 where id=1");
    TLoginForm form(s.dm, s.ctx);
    form.OpenUsers();
    // Only users who may log in are listed; the administrator always is.
    QCOMPARE(form.edtUser->count(), 1);
    QVERIFY(form.queryUser->locate("id", 1));
    QCOMPARE(form.CheckLogin(), QString());
    // Should the list ever hold such a user, the check still refuses.
    form.queryUser->setSql("select * from users");
    form.queryUser->open();
    QVERIFY(form.queryUser->locate("userName", "李四"));
    QCOMPARE(form.CheckLogin(), QString("该用户没有登陆权限."));
}

void TestLogin::emptyUserTable() {
    Shell s;
    s.db.exec("delete from Users");
    TLoginForm form(s.dm, s.ctx);
    form.OpenUsers();
    QCOMPARE(form.edtUser->count(), 0);
    QTest::mouseClick(form.findChild<QPushButton*>("Button2"), Qt::LeftButton);
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{"请选择用户."});
    QCOMPARE(form.result(), int(QDialog::Rejected));
}

void TestLogin::loginThroughWindowRemembersUser() {
    Shell s;
    const int id = s.addUser("王五", "pw", true, 1);
    s.db.exec("insert into SysConfig(sysKey, sysValue, section) values('AutoLoginUserID','" + QString::number(id) + "','')");
    TLoginForm form(s.dm, s.ctx);
    form.OpenUsers();
    form.show();
    auto* combo = form.findChild<QComboBox*>("edtUser");
    combo->setCurrentIndex(combo->findText("王五"));
    emit combo->activated(combo->currentIndex());
    QTest::keyClicks(form.findChild<QLineEdit*>("edtPassword"), "pw");
    QTest::mouseClick(form.findChild<QPushButton*>("Button2"), Qt::LeftButton);
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList());
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(s.ctx.CurrentUser().id, id);
    QCOMPARE(s.ctx.CurrentUser().userName, QString("王五"));
    QCOMPARE(s.ctx.CurrentUser().userGroupID, 1);
    QVERIFY(s.ctx.IsAdmin());
    QCOMPARE(s.setting("LastLoginUserID"), QString::number(id));
    QCOMPARE(s.db.scalar("select count(*) from SysConfig where sysKey='AutoLoginUserID'").toInt(), 0);
}

void TestLogin::failedLoginStaysWithPasswordFocused() {
    Shell s;
    TLoginForm form(s.dm, s.ctx);
    form.OpenUsers();
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto* pw = form.findChild<QLineEdit*>("edtPassword");
    QTest::keyClicks(pw, "wrong");
    form.findChild<QPushButton*>("Button3")->setFocus();
    QTest::keyClick(&form, Qt::Key_Return); // the default button answers Enter
    form.findChild<QPushButton*>("Button2")->click();
    QVERIFY(TQuickMessageDlg::ShownTexts().contains("密码错误."));
    QVERIFY(form.isVisible());
    QCOMPARE(pw->text(), QString("wrong"));
    QCOMPARE(QApplication::focusWidget(), pw);
    QVERIFY(!s.ctx.HasCurrentUser());
}

void TestLogin::autoLoginOfUserWhoLostRight() {
    Shell s;
    const int id = s.addUser("赵六", "", true);
    s.db.exec("update Users set canLogin=0 where id=" + QString::number(id));
    s.db.exec("insert into SysConfig(sysKey, sysValue, section) values('AutoLoginUserID','" + QString::number(id) + "','')");
    s.db.exec("insert into SysConfig(sysKey, sysValue, section) values('LastLoginUserID','1','')");
    s.dm.querySysConfig->requery();
    TLoginForm form(s.dm, s.ctx);
    form.OpenUsers();
    QVERIFY(!form.TryAutoLogin());
    QVERIFY(!s.ctx.HasCurrentUser());
    form.show();
    QCOMPARE(form.edtUser->currentText(), QString("admin"));
    form.findChild<QPushButton*>("Button2")->click();
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(s.db.scalar("select count(*) from SysConfig where sysKey='AutoLoginUserID'").toInt(), 0);
}

void TestLogin::autoLoginSucceedsWithoutTouchingLastLogin() {
    Shell s;
    const int id = s.addUser("钱七", "secret", true);
    s.ctx.Settings().WriteInteger("AutoLoginUserID", id);
    s.ctx.Settings().WriteInteger("LastLoginUserID", 1);
    TLoginForm form(s.dm, s.ctx);
    form.OpenUsers();
    QVERIFY(form.TryAutoLogin());
    QCOMPARE(s.ctx.CurrentUser().id, id);
    QCOMPARE(s.ctx.CurrentUser().userName, QString("钱七"));
    QCOMPARE(s.setting("LastLoginUserID"), QString("1"));
    QCOMPARE(s.setting("AutoLoginUserID"), QString::number(id));
}

void TestLogin::lastLoginPreselects_data() {
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("shown");
    QTest::newRow("none stored") << "" << "admin";
    QTest::newRow("second user") << "2" << "甲";
    QTest::newRow("unknown id rests on the last row") << "99" << "乙";
}

void TestLogin::lastLoginPreselects() {
    QFETCH(QString, last);
    QFETCH(QString, shown);
    Shell s;
    QCOMPARE(s.addUser("甲", "", true), 2);
    s.addUser("乙", "", true);
    if (!last.isEmpty()) s.ctx.Settings().WriteString("LastLoginUserID", last);
    TLoginForm form(s.dm, s.ctx);
    form.OpenUsers();
    form.show();
    QCOMPARE(form.edtUser->currentText(), shown);
    QCOMPARE(form.queryUser->field("userName")->asString(), shown);
}

void TestLogin::passwordHintBalloon() {
    Shell s;
    TLoginForm form(s.dm, s.ctx);
    form.OpenUsers();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.findChild<QLabel*>("Image1"), Qt::LeftButton);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QString("管理员初始密码为空, 请直接点击\"登陆\"按钮登陆."));
}

void TestLogin::exitButtonCancels() {
    Shell s;
    TLoginForm form(s.dm, s.ctx);
    form.OpenUsers();
    form.show();
    form.findChild<QPushButton*>("Button3")->click();
    QCOMPARE(form.result(), int(QDialog::Rejected));
    QVERIFY(!s.ctx.HasCurrentUser());
}

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
