#include "changepasswordform.h"

#include "appcontext.h"
#include "formkit.h"
#include "guard.h"
#include "maindm.h"
#include "password.h"
#include "quickmessagedlg.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {
// These passwords never hold a space: the key is dropped with a beep, and a
// pasted text with a space is not taken either.
class NoSpaceFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Space) {
            QApplication::beep();
            return true;
        }
        return QObject::eventFilter(o, e);
    }
};
} // namespace

TChangePasswordForm::TChangePasswordForm(TMainDM& dm, TAppContext& context, QWidget* parent)
    : QDialog(parent), m_conn(dm.MainConn), m_context(context) {
    setObjectName(QStringLiteral("ChangePasswordForm"));
    setWindowTitle(QStringLiteral("修改密码"));
    auto* group = Named<QGroupBox>(this, "GroupBox1");
    group->setTitle(QStringLiteral("修改当前登陆用户的密码"));
    lbUser = Named<QLabel>(group, "lbUser");
    lbUser->setText(context.CurrentUser().userName);
    QFont bold = lbUser->font();
    bold.setBold(true);
    lbUser->setFont(bold);
    auto* filter = new NoSpaceFilter(this);
    edtOld = passwordBox("edtOld");
    edtNew = passwordBox("edtNew");
    edtNew1 = passwordBox("edtNew1");
    for (QLineEdit* e : {edtOld, edtNew, edtNew1})
        e->installEventFilter(filter);

    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(14, 12, 14, 12);
    grid->setVerticalSpacing(8);
    int row = 0;
    auto addRow = [&](const QString& caption, QWidget* w) {
        auto* label = new QLabel(caption, group);
        label->setBuddy(w);
        grid->addWidget(label, row, 0, Qt::AlignRight);
        grid->addWidget(w, row++, 1);
    };
    addRow(QStringLiteral("当前登陆身份:"), lbUser);
    addRow(QStringLiteral("旧密码:"), edtOld);
    addRow(QStringLiteral("新密码:"), edtNew);
    addRow(QStringLiteral("新密码确认:"), edtNew1);
    grid->setColumnStretch(1, 1);

    btnOK = new QPushButton(QStringLiteral("确定(&O)"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = NamedButton(this, "btnCancel", QStringLiteral("取消(&C)"));
    connect(btnOK, &QPushButton::clicked, this, Guarded([this] { ChangePassword(); }));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(12, 12, 12, 10);
    root->addWidget(group);
    root->addLayout(ButtonRow({nullptr, btnOK, btnCancel}));
    setTabOrder(edtOld, edtNew);
    setTabOrder(edtNew, edtNew1);
    setTabOrder(edtNew1, btnOK);
    setTabOrder(btnOK, btnCancel);
    edtOld->setFocus();
}

void TChangePasswordForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    edtOld->setFocus();
}

QLineEdit* TChangePasswordForm::passwordBox(const char* name) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(name));
    e->setEchoMode(QLineEdit::Password);
    e->setMaxLength(TPasswords::MaxLength);
    e->setMinimumWidth(200);
    e->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^ ]*")), e));
    return e;
}

QString TChangePasswordForm::DifferentNewText() {
    return QStringLiteral("\"新密码\"和\"新密码确认\"不相同,请修改.");
}

QString TChangePasswordForm::WrongOldText() {
    return QStringLiteral(
        "\"旧密码\"不正确,无法修改.\n若忘记密码请用管理员身份登陆,再设定当前用户的密码.");
}

void TChangePasswordForm::ChangePassword() {
    // The two new boxes are compared first: a typing slip there is the
    // likelier mistake, and it needs no look at the stored password.
    if (edtNew->text() != edtNew1->text()) {
        TQuickMessageDlg::ShowInfo(DifferentNewText());
        return;
    }
    TPasswords passwords(m_conn);
    const int id = m_context.CurrentUser().id;
    if (!passwords.Check(id, edtOld->text())) {
        TQuickMessageDlg::ShowInfo(WrongOldText());
        return;
    }
    passwords.Store(id, edtNew->text());
    TQuickMessageDlg::ShowInfo(QStringLiteral("修改成功."));
    edtOld->clear();
    edtNew->clear();
    edtNew1->clear();
    accept();
}
