#include "changepasswordform.h"
#include "controlplacement.h"
#include "datagrid.h"
#include "dataset.h"
#include "loginform.h"
#include "looksupport.h"
#include "mainform.h"
#include "password.h"
#include "setpasswordform.h"
#include "shellsupport.h"
#include "staff.h"
#include "userform.h"
#include "wiring.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace {
const TUser kAdmin{1, 1, "admin"};

// A fresh data file, logged in as user, with the staff windows made the way
// start-up makes them.
struct Shell : TestShell {
    TControlPlacement placement;
    std::unique_ptr<TStaff> staff;

    explicit Shell(const TUser& user = kAdmin) : TestShell(user), placement(ctx.PlacementFile()) {}

    // Makes the windows for whoever is logged in now.
    TStaff& windows() {
        staff = std::make_unique<TStaff>(dm, ctx, placement, nullptr);
        return *staff;
    }
    TUserForm& users() { return staff ? staff->Users() : windows().Users(); }

    // A member; password as the file would hold it: "hash:x" stores x hashed,
    // any other text is stored as it is (a file from before hashing).
    int addUser(const QString& name, const QString& password = QString(), int group = 2,
                bool canLogin = true) {
        QVariant stored;
        if (password.startsWith("hash:")) stored = TPasswords::Hash(password.mid(5));
        else if (!password.isNull()) stored = password;
        Statement st(db.conn(), "insert into Users(userName, password, canLogin, userGroupID) "
                                "values(:n, :p, :c, :g)");
        st.bind(":n", name);
        st.bind(":p", stored);
        st.bind(":c", canLogin);
        st.bind(":g", group);
        st.step();
        return int(db.conn().lastInsertId());
    }
    QString stored(int id) {
        return db.scalar("select password from Users where id=" + QString::number(id)).toString();
    }
    bool opens(int id, const QString& typed) { return TPasswords(db.conn()).Check(id, typed); }
    // What the login window answers for this member and password.
    QString login(const QString& name, const QString& typed) {
        TLoginForm form(dm, ctx);
        form.OpenUsers();
        if (!form.queryUser->locate("userName", name)) return "not listed";
        form.edtPassword->setText(typed);
        return form.CheckLogin();
    }
};

template <class T>
T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c) qFatal("no control %s", name);
    return c;
}

void click(QWidget* w, const char* name) { child<QAbstractButton>(w, name)->click(); }

void typeInto(QWidget* w, const QString& text) {
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, c == ' ' ? Qt::Key_Space : Qt::Key_unknown, QString(c),
                            Qt::NoModifier);
}

void saveShot(QWidget* w, const QString& name) {
    QDir().mkpath(MORVANE_SCREENSHOT_DIR);
    QVERIFY(w->grab().save(QString(MORVANE_SCREENSHOT_DIR) + "/" + name + ".png"));
    QCOMPARE(clipped(w), QStringList());
}

QStringList errorsShown() {
    QStringList out;
    for (const auto& r : TQuickMessageDlg::Shown())
        if (r.kind == TQuickMessageDlg::Kind::Error) out << r.text;
    return out;
}
} // namespace

class TestStaff : public QObject {
    Q_OBJECT
private slots:
    void changePassword_data();
    void changePassword();
    void changePasswordKeepsTextsUntilSuccess();
    void changePasswordByKeyboardOnly();
    void spaceKey_data();
    void spaceKey();
    void resetPassword_data();
    void resetPassword();
    void newMember_data();
    void newMember();
    void buttonStates_data();
    void buttonStates();
    void deleteChecks_data();
    void deleteChecks();
    void administratorNeverListed();
    void failuresLeaveRowsAsTheyWere_data();
    void failuresLeaveRowsAsTheyWere();
    void pickLifeCycle_data();
    void pickLifeCycle();
    void rights_data();
    void rights();
    void menusOpenTheStaffWindows();
    void screenshots();
};

// ---------------------------------------------------------------- passwords

void TestStaff::changePassword_data() {
    QTest::addColumn<bool>("admin");
    QTest::addColumn<QString>("stored"); // as Shell::addUser takes it
    QTest::addColumn<QString>("oldText");
    QTest::addColumn<QString>("newText");
    QTest::addColumn<QString>("confirmText");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("opensAfter");
    const QString wrong = TChangePasswordForm::WrongOldText();
    const QString differ = TChangePasswordForm::DifferentNewText();
    const QString done = "修改成功.";
    QTest::newRow("wrong old password") << false << "hash:abc" << "abd" << "n1" << "n1" << wrong << "abc";
    QTest::newRow("differing new ones checked first")
        << false << "hash:abc" << "wrong" << "n1" << "n2" << differ << "abc";
    QTest::newRow("differing new ones, right old") << false << "hash:abc" << "abc" << "n1" << "N1" << differ << "abc";
    QTest::newRow("right old password") << false << "hash:abc" << "abc" << "n1" << "n1" << done << "n1";
    QTest::newRow("administrator without password leaves old empty")
        << true << "" << "" << "root" << "root" << done << "root";
    QTest::newRow("administrator without password, something typed")
        << true << "" << "x" << "root" << "root" << wrong << "";
    QTest::newRow("clear text still in the file") << false << "abc" << "abc" << "n1" << "n1" << done << "n1";
    QTest::newRow("changed to none") << false << "hash:abc" << "abc" << "" << "" << done << "";
    QTest::newRow("NULL password, old left empty") << false << QString() << "" << "n1" << "n1" << done << "n1";
}

void TestStaff::changePassword() {
    QFETCH(bool, admin);
    QFETCH(QString, stored);
    QFETCH(QString, oldText);
    QFETCH(QString, newText);
    QFETCH(QString, confirmText);
    QFETCH(QString, message);
    QFETCH(QString, opensAfter);
    Shell s;
    int id = 1;
    if (admin) s.db.exec("update Users set password='' where id=1");
    else id = s.addUser("张三", stored);
    const QString before = s.stored(id);
    s.ctx.SetCurrentUser({id, admin ? 1 : 2, admin ? "admin" : "张三"});
    TChangePasswordForm& form = s.windows().PasswordChange();
    form.show();
    form.edtOld->setText(oldText);
    form.edtNew->setText(newText);
    form.edtNew1->setText(confirmText);
    click(&form, "btnOK");
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{message});
    QVERIFY(s.opens(id, opensAfter));
    const bool changed = message == "修改成功.";
    if (!changed) {
        QCOMPARE(s.stored(id), before); // nothing written
        QVERIFY(form.isVisible());
        QCOMPARE(form.edtOld->text(), oldText);
    } else {
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.edtOld->text() + form.edtNew->text() + form.edtNew1->text(), QString());
        // Never in clear text; an empty password stays "none".
        QVERIFY(opensAfter.isEmpty() ? s.stored(id).isEmpty() : TPasswords::IsHash(s.stored(id)));
        QVERIFY(!s.opens(id, oldText) || oldText == opensAfter);
        QCOMPARE(s.login(admin ? "admin" : "张三", opensAfter), QString());
    }
}

// Made once: "取消" leaves the typed texts for the next time, a change that
// went through empties them.
void TestStaff::changePasswordKeepsTextsUntilSuccess() {
    Shell s;
    const int id = s.addUser("李四", "hash:old");
    s.ctx.SetCurrentUser({id, 2, "李四"});
    TChangePasswordForm& form = s.windows().PasswordChange();
    QCOMPARE(form.lbUser->text(), QString("李四"));
    QStringList seen;
    whileModal([&](QWidget* w) {
        child<QLineEdit>(w, "edtOld")->setText("old");
        child<QLineEdit>(w, "edtNew")->setText("new");
        click(w, "btnCancel");
    });
    QCOMPARE(form.exec(), int(QDialog::Rejected));
    whileModal([&](QWidget* w) {
        seen << child<QLineEdit>(w, "edtOld")->text() << child<QLineEdit>(w, "edtNew")->text();
        child<QLineEdit>(w, "edtNew1")->setText("new");
        click(w, "btnOK");
    });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    whileModal([&](QWidget* w) {
        seen << child<QLineEdit>(w, "edtOld")->text() + child<QLineEdit>(w, "edtNew")->text();
        click(w, "btnCancel");
    });
    form.exec();
    QCOMPARE(seen, QStringList({"old", "new", ""}));
    QVERIFY(s.opens(id, "new"));
}

void TestStaff::changePasswordByKeyboardOnly() {
    Shell s;
    s.db.exec("update Users set password='' where id=1");
    TChangePasswordForm& form = s.windows().PasswordChange();
    QStringList path;
    whileModal([&](QWidget* w) {
        auto closeAfter = qScopeGuard([w] {
            if (w->isVisible()) w->close();
        });
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        path << w->focusWidget()->objectName(); // the old password is left empty
        QTest::keyClick(w->focusWidget(), Qt::Key_Tab);
        path << w->focusWidget()->objectName();
        typeInto(w->focusWidget(), "s3cret");
        QTest::keyClick(w->focusWidget(), Qt::Key_Tab);
        path << w->focusWidget()->objectName();
        typeInto(w->focusWidget(), "s3cret");
        QTest::keyClick(w->focusWidget(), Qt::Key_Return);
    });
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QCOMPARE(path, QStringList({"edtOld", "edtNew", "edtNew1"}));
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{"修改成功."});
    QVERIFY(s.opens(1, "s3cret"));
}

void TestStaff::spaceKey_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("kept");
    QTest::newRow("旧密码") << "edtOld" << "ab";
    QTest::newRow("新密码") << "edtNew" << "ab";
    QTest::newRow("新密码确认") << "edtNew1" << "ab";
    QTest::newRow("new member's password") << "edtPassword" << "a b";
    QTest::newRow("reset dialog") << "Password" << "a b";
}

void TestStaff::spaceKey() {
    QFETCH(QString, box);
    QFETCH(QString, kept);
    Shell s;
    s.addUser("王五");
    TStaff& staff = s.windows();
    TSetPasswordForm reset;
    QLineEdit* edit = staff.PasswordChange().findChild<QLineEdit*>(box);
    if (!edit) edit = staff.Users().findChild<QLineEdit*>(box);
    if (!edit) edit = reset.findChild<QLineEdit*>(box);
    QVERIFY(edit);
    typeInto(edit, "a b");
    QCOMPARE(edit->text(), kept);
    // A pasted space is no way round the rule.
    if (kept == "ab") {
        edit->clear();
        edit->insert("c d");
        QCOMPARE(edit->text(), QString());
    }
}

void TestStaff::resetPassword_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("opensAfter");
    QTest::newRow("new password") << "xyz" << true << "xyz";
    QTest::newRow("reset to none") << "" << true << "";
    QTest::newRow("cancelled") << "xyz" << false << "old";
}

void TestStaff::resetPassword() {
    QFETCH(QString, typed);
    QFETCH(bool, accept);
    QFETCH(QString, opensAfter);
    Shell s;
    s.addUser("甲");
    const int id = s.addUser("乙", "hash:old");
    TUserForm& form = s.users();
    form.ShowForMaintenance();
    QVERIFY(form.queryUser->locate("id", id));
    s.dm.queryUser->requery();
    const int sharedBefore = s.dm.queryUser->recordCount();
    s.db.exec("insert into Users(userName) values('丙')"); // seen only when the shared list is re-read
    QString shownName;
    whileModal([&](QWidget* w) {
        QCOMPARE(w->windowTitle(), QString("重设密码"));
        shownName = child<QLabel>(w, "lbUser")->text();
        // By keys: the box has the focus, Enter is "确定", Esc is "取消".
        typeInto(w->focusWidget(), typed);
        QTest::keyClick(w->focusWidget(), accept ? Qt::Key_Return : Qt::Key_Escape);
    });
    click(&form, "btnResetPW");
    QCOMPARE(shownName, QString("乙"));
    QVERIFY(s.opens(id, opensAfter));
    QCOMPARE(s.login("乙", opensAfter), QString());
    if (!opensAfter.isEmpty()) QVERIFY(TPasswords::IsHash(s.stored(id)));
    QCOMPARE(s.dm.queryUser->recordCount(), sharedBefore + (accept ? 1 : 0));
    QCOMPARE(form.queryUser->state(), DataSet::State::Browse);
}

// ---------------------------------------------------------------- upkeep

void TestStaff::newMember_data() {
    QTest::addColumn<QString>("password");
    QTest::newRow("with a password") << "pw 1";
    QTest::newRow("without") << "";
}

void TestStaff::newMember() {
    QFETCH(QString, password);
    Shell s;
    TUserForm& form = s.users();
    form.ShowForMaintenance();
    auto* pPassword = child<QWidget>(&form, "pPassword");
    QVERIFY(!pPassword->isVisible());
    s.db.exec("insert into Users(userName) values('别处来的')");
    click(&form, "btnNew");
    QVERIFY(pPassword->isVisible());
    QCOMPARE(s.dm.queryUser->recordCount(), 2); // re-read as the row starts
    typeInto(child<QLineEdit>(&form, "edtUserName"), "赵六");
    typeInto(child<QLineEdit>(&form, "edtPassword"), password);
    typeInto(child<QLineEdit>(&form, "edtPhone"), "13800000000");
    child<QCheckBox>(&form, "chkCanLogin")->click();
    auto* group = child<QComboBox>(&form, "cbUserGroup");
    group->setCurrentIndex(group->findText("普通员工"));
    emit group->activated(group->currentIndex());
    click(&form, "btnSave");
    QCOMPARE(errorsShown(), QStringList());
    QCOMPARE(form.queryUser->state(), DataSet::State::Browse);
    QVERIFY(!pPassword->isVisible());
    const int id = s.count("select id from Users where userName='赵六'");
    QVERIFY(id > 1);
    QCOMPARE(s.count(QString("select canLogin from Users where id=%1").arg(id)), 1);
    QCOMPARE(s.count(QString("select userGroupID from Users where id=%1").arg(id)), 2);
    QCOMPARE(password.isEmpty(), s.stored(id).isEmpty());
    if (!password.isEmpty()) QVERIFY(TPasswords::IsHash(s.stored(id)));
    QCOMPARE(s.login("赵六", password), QString());
    QCOMPARE(s.login("赵六", password + "x"), QString("密码错误."));
    QVERIFY(s.dm.queryUser->locate("userName", "赵六"));
    // The list never carries the column, so no grid or box can show it.
    QVERIFY(!form.queryUser->findField("password"));
    QCOMPARE(form.queryUser->value("userGroupName").toString(), QString("普通员工"));
}

void TestStaff::buttonStates_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("enabled"); // 新建 修改 删除 重设密码 取消 保存
    QTest::addColumn<bool>("passwordShown");
    QTest::newRow("browsing") << "" << "111100" << false;
    QTest::newRow("new row") << "btnNew" << "000011" << true;
    QTest::newRow("editing a member") << "btnEdit" << "000011" << false;
}

void TestStaff::buttonStates() {
    QFETCH(QString, button);
    QFETCH(QString, enabled);
    QFETCH(bool, passwordShown);
    Shell s;
    s.addUser("甲");
    TUserForm& form = s.users();
    form.ShowForMaintenance();
    auto states = [&] {
        QString out;
        for (const char* n : {"btnNew", "btnEdit", "btnDelete", "btnResetPW", "btnCancel", "btnSave"})
            out += child<QToolButton>(&form, n)->isEnabled() ? "1" : "0";
        return out;
    };
    if (!button.isEmpty()) click(&form, qPrintable(button));
    QCOMPARE(states(), enabled);
    QCOMPARE(child<QWidget>(&form, "pPassword")->isVisible(), passwordShown);
    click(&form, "btnCancel");
    QCOMPARE(states(), QString("111100"));
    QCOMPARE(form.queryUser->recordCount(), 1);
}

void TestStaff::deleteChecks_data() {
    QTest::addColumn<QString>("use");
    QTest::addColumn<bool>("refused");
    QTest::newRow("on no document") << "" << false;
    QTest::newRow("handles a purchase") << "insert into InputForm(inputNO, inputUser) values('IN1', %1)" << true;
    QTest::newRow("created a purchase") << "insert into InputForm(inputNO, createUser) values('IN1', %1)" << true;
    QTest::newRow("handles a sale") << "insert into OutputForm(outputNO, outputUser) values('OUT1', %1)" << true;
    QTest::newRow("created a sale") << "insert into OutputForm(outputNO, createUser) values('OUT1', %1)" << true;
    QTest::newRow("handles only a refund")
        << "insert into RefundForm(refundNO, refundUser) values('R1', %1)" << false;
    QTest::newRow("created only a refund")
        << "insert into RefundForm(refundNO, createUser) values('R1', %1)" << false;
}

void TestStaff::deleteChecks() {
    QFETCH(QString, use);
    QFETCH(bool, refused);
    Shell s;
    s.addUser("甲");
    const int id = s.addUser("乙");
    // Another member on every kind of document does not count.
    s.db.exec("insert into InputForm(inputNO, inputUser, createUser) values('IN0', 2, 2)");
    if (!use.isEmpty()) s.db.exec(use.arg(id));
    s.dm.queryUser->requery();
    TUserForm& form = s.users();
    form.ShowForMaintenance();
    QVERIFY(form.queryUser->locate("id", id));
    click(&form, "btnDelete");
    QCOMPARE(TQuickMessageDlg::ShownTexts(), refused ? QStringList{TUserForm::InUseText()} : QStringList());
    QCOMPARE(s.count(QString("select count(*) from Users where id=%1").arg(id)), refused ? 1 : 0);
    QCOMPARE(form.queryUser->locate("id", id), refused);
    QCOMPARE(s.dm.queryUser->locate("id", id), refused); // the shared list follows
}

// The administrator's row is never listed, so nothing here can edit or
// delete it, not even with the list emptied.
void TestStaff::administratorNeverListed() {
    Shell s;
    s.addUser("甲");
    TUserForm& form = s.users();
    form.ShowForMaintenance();
    QCOMPARE(form.queryUser->recordCount(), 1);
    QVERIFY(!form.queryUser->locate("id", 1));
    click(&form, "btnDelete");
    QCOMPARE(form.queryUser->recordCount(), 0);
    click(&form, "btnDelete");
    click(&form, "btnEdit");
    click(&form, "btnResetPW"); // no dialog for nobody
    QCOMPARE(s.count("select count(*) from Users where id=1"), 1);
    QCOMPARE(form.queryUser->state(), DataSet::State::Browse);
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList());
}

void TestStaff::failuresLeaveRowsAsTheyWere_data() {
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("membersAfter"); // in the file
    QTest::addColumn<QString>("stateAfter");
    QTest::newRow("the new row refused") << "BEFORE INSERT ON Users" << "new" << 1 << "Insert";
    // The member must not stay in the file without the password given.
    QTest::newRow("its password refused") << "BEFORE UPDATE OF password ON Users" << "new" << 1
                                          << "Browse";
    QTest::newRow("a change refused") << "BEFORE UPDATE ON Users" << "edit" << 1 << "Edit";
    QTest::newRow("a delete refused") << "BEFORE DELETE ON Users" << "delete" << 1 << "Browse";
}

void TestStaff::failuresLeaveRowsAsTheyWere() {
    QFETCH(QString, trigger);
    QFETCH(QString, action);
    QFETCH(int, membersAfter);
    QFETCH(QString, stateAfter);
    Shell s;
    s.addUser("甲");
    s.db.conn().executeScript("CREATE TRIGGER refuse " + trigger + " BEGIN SELECT RAISE(ABORT, '拒绝'); END;");
    TUserForm& form = s.users();
    form.ShowForMaintenance();
    if (action == "new") {
        click(&form, "btnNew");
        typeInto(child<QLineEdit>(&form, "edtUserName"), "新人");
        typeInto(child<QLineEdit>(&form, "edtPassword"), "pw");
        click(&form, "btnSave");
    } else if (action == "edit") {
        click(&form, "btnEdit");
        typeInto(child<QLineEdit>(&form, "edtUserName"), "改");
        click(&form, "btnSave");
    } else {
        click(&form, "btnDelete");
    }
    QCOMPARE(errorsShown().size(), 1);
    QVERIFY(errorsShown().value(0).contains("拒绝"));
    QCOMPARE(s.count("select count(*) from Users where id<>1"), membersAfter);
    QCOMPARE(s.count("select count(*) from Users where userName='甲'"), 1);
    QCOMPARE(QString(QMetaEnum::fromType<DataSet::State>().valueToKey(int(form.queryUser->state()))),
             stateAfter);
    // The list shows what the file holds, plus a row still being typed.
    QCOMPARE(form.queryUser->recordCount(), membersAfter + (stateAfter == "Insert" ? 1 : 0));
}

// ---------------------------------------------------------------- picking

void TestStaff::pickLifeCycle_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("accept");    // what the editor answers
    QTest::addColumn<QString>("offered"); // names handed to the editor
    QTest::addColumn<bool>("openAfter");
    QTest::newRow("Enter right after opening") << "pick,enter" << true << "甲" << false;
    QTest::newRow("double-click on the second row") << "pick,down,double" << true << "乙" << false;
    QTest::newRow("Esc keeps the pick for later") << "pick,esc,show,enter" << true << "甲" << false;
    QTest::newRow("Esc, then opened for upkeep") << "pick,esc,menu,enter" << true << "" << true;
    QTest::newRow("refused delivery") << "pick,enter,enter" << false << "甲" << true;
    QTest::newRow("a later pick replaces the first") << "pick,pick,enter" << true << "甲" << false;
    QTest::newRow("nothing asked") << "menu,enter" << true << "" << true;
}

void TestStaff::pickLifeCycle() {
    QFETCH(QString, steps);
    QFETCH(bool, accept);
    QFETCH(QString, offered);
    QFETCH(bool, openAfter);
    Shell s({9, 2, "店员"});
    s.addUser("甲");
    s.addUser("乙");
    TUserForm& form = s.users();
    QStringList handed;
    int asked = 0;
    QTableView* grid = child<DataGrid>(&form, "userGrid")->view();
    for (const QString& step : steps.split(',')) {
        if (step == "pick") {
            const int ask = ++asked;
            form.PickUser([&, ask](qint64 id) {
                handed << QString::number(ask) + ":" +
                              s.db.scalar("select userName from Users where id=" + QString::number(id)).toString();
                return accept;
            });
        } else if (step == "enter") {
            QTest::keyClick(grid, Qt::Key_Return);
        } else if (step == "down") {
            QTest::keyClick(grid, Qt::Key_Down);
        } else if (step == "double") {
            const QPoint at = grid->visualRect(grid->currentIndex()).center();
            // A real double-click starts with a press the view remembers.
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        } else if (step == "esc") {
            QTest::keyClick(grid, Qt::Key_Escape);
            QVERIFY(!form.isVisible());
        } else if (step == "show") {
            form.show();
        } else if (step == "menu") {
            form.ShowForMaintenance();
        }
    }
    const QString who = offered.isEmpty() ? QString() : QString::number(asked) + ":" + offered;
    QCOMPARE(handed, who.isEmpty() ? QStringList() : QStringList{who});
    QCOMPARE(form.isVisible(), openAfter);
    QVERIFY(!form.PickPending()); // used up, refused or dropped
    QCOMPARE(s.count("select count(*) from Users"), 3);
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList());
}

void TestStaff::rights_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("group");
    QTest::addColumn<bool>("admin");
    QTest::newRow("administrator") << 1 << 1 << true;
    QTest::newRow("member of group 1") << 7 << 1 << true;
    QTest::newRow("clerk") << 7 << 2 << false;
}

void TestStaff::rights() {
    QFETCH(int, id);
    QFETCH(int, group);
    QFETCH(bool, admin);
    Shell s({id, group, "某人"});
    s.addUser("甲");
    TUserForm& form = s.users();
    form.ShowForMaintenance();
    QCOMPARE(child<QToolBar>(&form, "toolbar1")->isVisible(), admin);
    QCOMPARE(child<QWidget>(&form, "pRoot")->isVisible(), admin);
    auto* tips = child<QLabel>(&form, "tips1");
    QCOMPARE(tips->isVisible(), !admin);
    if (!admin) QCOMPARE(tips->text(), QString("要修改员工信息,请以管理员身份登陆."));
    // Anybody may still pick from the list.
    QCOMPARE(form.queryUser->recordCount(), 1);
    QVERIFY(child<DataGrid>(&form, "userGrid")->isVisible());
}

void TestStaff::menusOpenTheStaffWindows() {
    Shell s;
    TWiring program(s.dm, s.ctx, s.placement);
    TMainForm& main = program.MainForm();
    TUserForm& users = program.Staff().Users();
    QVERIFY(main.miUser->isEnabled());
    QVERIFY(main.miChangePassword->isEnabled());
    int offered = 0;
    users.PickUser([&](qint64) {
        ++offered;
        return true;
    });
    users.hide();
    s.addUser("新来的"); // listed once the menu opens the window
    main.miUser->trigger();
    QVERIFY(users.isVisible());
    QVERIFY(users.queryUser->locate("userName", "新来的"));
    QVERIFY(!users.PickPending());
    QString title;
    whileModal([&](QWidget* w) {
        title = w->windowTitle();
        click(w, "btnCancel");
    });
    main.miChangePassword->trigger();
    QCOMPARE(title, QString("修改密码"));
    QCOMPARE(offered, 0);
    users.close();
}

// ---------------------------------------------------------------- look

void TestStaff::screenshots() {
    Shell s;
    s.addUser("张三丰", "", 2);
    s.addUser("李小龙", "", 1);
    s.addUser("王大锤", "", 2, false);
    s.db.exec("update Users set phone='13812345678', comments='仓库主管，负责盘点' where userName='张三丰'");
    {
        TUserForm& form = s.users();
        form.ShowForMaintenance();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        saveShot(&form, "staff-admin");
        click(&form, "btnNew");
        saveShot(&form, "staff-admin-new");
        click(&form, "btnCancel");
        TChangePasswordForm& change = s.staff->PasswordChange();
        change.show();
        change.edtOld->setText("abc");
        QVERIFY(QTest::qWaitForWindowExposed(&change));
        saveShot(&change, "change-password");
        change.hide();
        whileModal([](QWidget* w) {
            saveShot(w, "set-password");
            w->close();
        });
        click(&form, "btnResetPW");
        form.close();
    }
    s.ctx.SetCurrentUser({3, 2, "王大锤"});
    TUserForm& clerk = s.windows().Users();
    clerk.PickUser([](qint64) { return true; });
    QVERIFY(QTest::qWaitForWindowExposed(&clerk));
    saveShot(&clerk, "staff-clerk");
}

QTEST_MAIN(TestStaff)
#include "tst_staff.moc"
