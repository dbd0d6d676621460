#include "userform.h"

#include "appcontext.h"
#include "controlplacement.h"
#include "datagrid.h"
#include "dataset.h"
#include "dbedits.h"
#include "dberror.h"
#include "formkit.h"
#include "guard.h"
#include "maindm.h"
#include "password.h"
#include "quickmessagedlg.h"
#include "resourcefactory.h"
#include "setpasswordform.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QToolButton* toolButton(QToolBar* bar, const char* name, const QString& text) {
    QToolButton* b = NamedToolButton(bar, QString::fromLatin1(name), text, 52);
    bar->addWidget(b);
    return b;
}
} // namespace

TUserForm::TUserForm(TMainDM& dm, TAppContext& context, TControlPlacement& placement,
                     QWidget* parent)
    : QWidget(parent, Qt::Window), m_dm(dm), m_context(context) {
    setObjectName(QStringLiteral("UserForm"));
    setWindowTitle(QStringLiteral("员工管理"));
    makeQuery();
    makeToolBar();
    makeGrid();
    makeDetailPanel();
    layOut();
    resize(880, 440);
    placement.Remember(this, QStringLiteral("UserForm"));
    dsStateChange();
}

void TUserForm::makeQuery() {
    queryUser = new DataSet(&m_dm.MainConn, this);
    queryUser->setObjectName(QStringLiteral("queryUser"));
    queryUser->setSql(QStringLiteral("SELECT id, userName, canLogin, phone, comments, userGroupID\n"
                                     "FROM Users\nWHERE id <> 1"));
    queryUser->setUpdateTable(QStringLiteral("Users"));
    queryUser->addLookupField(QStringLiteral("userGroupName"), QStringLiteral("userGroupID"),
                              m_dm.queryUserGroup, QStringLiteral("id"),
                              QStringLiteral("group_name"));
    // The documents' user names and the list criteria follow every change.
    queryUser->onNewRecord = [this](DataSet&) { rereadShared(); };
    // A nameless member could not be told apart at the login or on a document.
    queryUser->beforePost = [](DataSet& ds) {
        if (ds.field(QStringLiteral("userName"))->asString().trimmed().isEmpty())
            throw AppError(QStringLiteral("请输入姓名."));
    };
    connect(queryUser, &DataSet::stateChanged, this, &TUserForm::dsStateChange);
}

void TUserForm::makeToolBar() {
    toolbar1 = Named<QToolBar>(this, "toolbar1");
    toolbar1->setMovable(false);
    btnNew = toolButton(toolbar1, "btnNew", QStringLiteral("新建(&N)"));
    btnResetPW = toolButton(toolbar1, "btnResetPW", QStringLiteral("重设密码"));
    btnEdit = toolButton(toolbar1, "btnEdit", QStringLiteral("修改"));
    btnCancel = toolButton(toolbar1, "btnCancel", QStringLiteral("取消"));
    btnSave = toolButton(toolbar1, "btnSave", QStringLiteral("保存"));
    toolbar1->addSeparator();
    btnDelete = toolButton(toolbar1, "btnDelete", QStringLiteral("删除"));
    connect(btnNew, &QToolButton::clicked, this, Guarded([this] { newMember(); }));
    connect(btnResetPW, &QToolButton::clicked, this, Guarded([this] { ResetPassword(); }));
    connect(btnEdit, &QToolButton::clicked, this, Guarded([this] {
        if (queryUser->isEmpty()) return;
        queryUser->edit();
        edtUserName->setFocus();
    }));
    connect(btnCancel, &QToolButton::clicked, this, Guarded([this] {
        queryUser->cancel();
        edtPassword->clear();
    }));
    // The button took the focus, so the edit boxes have written their text.
    connect(btnSave, &QToolButton::clicked, this, Guarded([this] { save(); }));
    connect(btnDelete, &QToolButton::clicked, this, Guarded([this] { DeleteStaff(); }));

    tips1 = Named<QLabel>(this, "tips1");
    tips1->setFrameShape(QFrame::StyledPanel);
    tips1->setAutoFillBackground(true);
    QPalette pal = tips1->palette();
    pal.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xE1)); // a hint's pale yellow
    tips1->setPalette(pal);
    tips1->setContentsMargins(8, 4, 8, 4);
    tips1->hide();
}

void TUserForm::makeGrid() {
    userGrid = Named<DataGrid>(this, "userGrid");
    userGrid->setDataSet(queryUser);
    userGrid->setReadOnly(true);
    userGrid->setRowSelect(true);
    userGrid->view()->setAlternatingRowColors(true);
    userGrid->addColumn(QStringLiteral("userName"), QStringLiteral("姓名"), 110);
    userGrid->addColumn(QStringLiteral("canLogin"), QStringLiteral("允许登陆"), 70);
    userGrid->addColumn(QStringLiteral("userGroupName"), QStringLiteral("权限"), 80);
    userGrid->addColumn(QStringLiteral("phone"), QStringLiteral("电话"), 110);
    userGrid->addColumn(QStringLiteral("comments"), QStringLiteral("备注"), 160);
    userGrid->refreshColumns();
    userGrid->view()->installEventFilter(this);
    connect(userGrid, &DataGrid::rowDoubleClicked, this, Guarded([this] { PickCurrent(); }));
}

void TUserForm::makeDetailPanel() {
    auto* frame = Named<QFrame>(this, "pRoot");
    frame->setFrameShape(QFrame::StyledPanel);
    pRoot = frame;
    edtUserName = Named<DBLineEdit>(pRoot, "edtUserName");
    edtUserName->bind(queryUser, QStringLiteral("userName"));
    // Shown as typed: an administrator sets a new member's first password.
    edtPassword = Named<QLineEdit>(pRoot, "edtPassword");
    edtPassword->setMaxLength(TPasswords::MaxLength);
    edtPhone = Named<DBLineEdit>(pRoot, "edtPhone");
    edtPhone->bind(queryUser, QStringLiteral("phone"));
    edtComments = Named<DBLineEdit>(pRoot, "edtComments");
    edtComments->bind(queryUser, QStringLiteral("comments"));
    chkCanLogin = Named<DBCheckBox>(pRoot, "chkCanLogin");
    chkCanLogin->setText(QStringLiteral("允许登陆使用本系统"));
    chkCanLogin->bind(queryUser, QStringLiteral("canLogin"));
    cbUserGroup = Named<DBLookupCombo>(pRoot, "cbUserGroup");
    cbUserGroup->bind(queryUser, QStringLiteral("userGroupID"));
    cbUserGroup->setListSource(m_dm.queryUserGroup, QStringLiteral("id"),
                               QStringLiteral("group_name"));

    FormRows rows(pRoot, 44);
    rows.plain(QStringLiteral("pUserName"), QStringLiteral("lbUserName"), QStringLiteral("姓名:"),
               {edtUserName});
    pPassword = rows.plain(QStringLiteral("pPassword"), QStringLiteral("lbPassword"),
                           QStringLiteral("密码:"), {edtPassword})
                    .panel;
    rows.plain(QStringLiteral("pPhone"), QStringLiteral("lbPhone"), QStringLiteral("电话:"),
               {edtPhone});
    rows.plain(QStringLiteral("pComments"), QStringLiteral("lbComments"), QStringLiteral("备注:"),
               {edtComments});
    rows.plain(QStringLiteral("pCanLogin"), QStringLiteral("lbRights"), QStringLiteral("权限:"),
               {chkCanLogin});
    rows.plain(QStringLiteral("pUserGroup"), QStringLiteral("lbUserGroup"), QString(),
               {cbUserGroup});
    auto* l = static_cast<QVBoxLayout*>(pRoot->layout());
    l->setContentsMargins(10, 10, 10, 10);
    l->addStretch();
    pRoot->setFixedWidth(270);
}

void TUserForm::layOut() {
    auto* pages = Named<QTabWidget>(this, "PageControl1");
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsUser"));
    auto* pl = new QVBoxLayout(page);
    pl->setContentsMargins(2, 2, 2, 2);
    pl->addWidget(userGrid);
    pages->addTab(page, QStringLiteral("员工列表"));

    JvSpeedButton1 = NamedButton(this, "JvSpeedButton1", QStringLiteral("关闭"));
    connect(JvSpeedButton1, &QPushButton::clicked, this, &QWidget::close);

    auto* body = new QHBoxLayout;
    body->addWidget(pages, 1);
    body->addWidget(pRoot);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(6, 0, 6, 6);
    root->addWidget(toolbar1);
    root->addWidget(tips1);
    root->addLayout(body, 1);
    root->addLayout(ButtonRow({nullptr, JvSpeedButton1}));
}

void TUserForm::ApplyStaffRights() {
    const bool admin = m_context.IsAdmin();
    toolbar1->setVisible(admin);
    pRoot->setVisible(admin);
    tips1->setText(QStringLiteral("要修改员工信息,请以管理员身份登陆."));
    tips1->setVisible(!admin);
}

void TUserForm::ShowForMaintenance() {
    m_pick.Clear();
    queryUser->close();
    queryUser->open();
    TResourceFactory::ShowWindow(this);
    userGrid->view()->setFocus();
}

void TUserForm::PickUser(TPendingPick::Delivery delivery) {
    m_pick.Ask(std::move(delivery));
    if (!queryUser->isActive()) queryUser->open();
    TResourceFactory::ShowWindow(this);
    userGrid->view()->setFocus();
}

void TUserForm::PickCurrent() {
    if (!m_pick.Pending() || !queryUser->isActive() || queryUser->isEmpty()) return;
    // A member being typed in has no id until it is stored.
    if (queryUser->isEditing()) save();
    if (m_pick.Deliver(queryUser->field(QStringLiteral("id"))->asInteger()) ==
        TPendingPick::Outcome::Delivered)
        hide();
}

bool TUserForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == userGrid->view() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Guard::Run([this] { PickCurrent(); });
            return true;
        }
        if (key == Qt::Key_Escape) {
            hide(); // a pending pick stays pending
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TUserForm::dsStateChange() {
    const bool active = queryUser->isActive();
    const bool editing = queryUser->isEditing();
    for (QToolButton* b : {btnNew, btnEdit, btnDelete, btnResetPW})
        b->setEnabled(active && !editing);
    btnCancel->setEnabled(editing);
    btnSave->setEnabled(editing);
    // An existing member's password changes only through "重设密码".
    pPassword->setVisible(queryUser->state() == DataSet::State::Insert);
}

void TUserForm::newMember() {
    edtPassword->clear();
    queryUser->append();
    edtUserName->setFocus();
}

void TUserForm::save() {
    if (!queryUser->isEditing()) return;
    if (queryUser->state() != DataSet::State::Insert) {
        queryUser->post();
        rereadShared();
        return;
    }
    // The new row and its password are stored together: a member must never
    // be left in the file without the password the administrator gave.
    Connection& conn = m_dm.MainConn;
    const QString password = edtPassword->text();
    try {
        TransactionGuard tx(conn);
        queryUser->post();
        TPasswords(conn).Store(queryUser->field(QStringLiteral("id"))->asInteger(), password);
        tx.commit();
    } catch (...) {
        // Refused before the row was written, it is still being inserted.
        // Refused after, the row went back with the transaction: list the
        // members as the file has them.
        if (!queryUser->isEditing()) queryUser->requery();
        throw;
    }
    edtPassword->clear();
    rereadShared();
}

QString TUserForm::InUseText() {
    return QStringLiteral("该用户已有单据与之关联，不能删除。");
}

void TUserForm::DeleteStaff() {
    if (!queryUser->isActive() || queryUser->isEmpty() || queryUser->isEditing()) return;
    const SqlParams id{{"id", queryUser->field(QStringLiteral("id"))->asInteger()}};
    Connection& c = m_dm.MainConn;
    // Refunds are not looked at: a member named only there may go.
    const QString purchases =
        QStringLiteral("select top 1 * from InputForm where inputUser=:id or createUser=:id");
    const QString sales =
        QStringLiteral("select top 1 * from OutputForm where outputUser=:id or createUser=:id");
    if (c.exists(purchases, id) || c.exists(sales, id)) {
        TQuickMessageDlg::ShowInfo(InUseText());
        return;
    }
    queryUser->deleteRecord();
    rereadShared();
}

void TUserForm::ResetPassword() {
    if (!queryUser->isActive() || queryUser->recNo() <= 0 || queryUser->isEditing()) return;
    const int id = queryUser->field(QStringLiteral("id"))->asInteger();
    TSetPasswordForm dialog(this);
    TResourceFactory::ApplySkin(&dialog);
    dialog.lbUser->setText(queryUser->field(QStringLiteral("userName"))->asString());
    if (dialog.exec() != QDialog::Accepted) return;
    TPasswords(m_dm.MainConn).Store(id, dialog.Password->text());
    rereadShared();
}

void TUserForm::rereadShared() {
    m_dm.queryUser->requery();
}
