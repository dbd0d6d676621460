#include "setpasswordform.h"

#include "formkit.h"
#include "password.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TSetPasswordForm::TSetPasswordForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SetPasswordForm"));
    setWindowTitle(QStringLiteral("重设密码"));
    auto* lbAsk = Named<QLabel>(this, "Label1");
    lbAsk->setText(QStringLiteral("请输入新密码:"));
    auto* lbUserCaption = Named<QLabel>(this, "Label2");
    lbUserCaption->setText(QStringLiteral("用户:"));
    lbUser = Named<QLabel>(this, "lbUser");
    QFont bold = lbUser->font();
    bold.setBold(true);
    lbUser->setFont(bold);
    Password = Named<QLineEdit>(this, "Password");
    Password->setEchoMode(QLineEdit::Password);
    Password->setMaxLength(TPasswords::MaxLength);
    Password->setMinimumWidth(200);
    lbAsk->setBuddy(Password);

    btnOK = new QPushButton(QStringLiteral("确定"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = NamedButton(this, "btnCancel", QStringLiteral("取消"));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(lbUserCaption, 0, 0, Qt::AlignRight);
    grid->addWidget(lbUser, 0, 1);
    grid->addWidget(lbAsk, 1, 0, Qt::AlignRight);
    grid->addWidget(Password, 1, 1);
    grid->setColumnStretch(1, 1);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(16, 14, 16, 12);
    root->addLayout(grid);
    root->addSpacing(6);
    root->addLayout(ButtonRow({nullptr, btnOK, btnCancel}));
    Password->setFocus();
}
