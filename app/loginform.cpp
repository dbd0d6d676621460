#include "loginform.h"

#include "appcontext.h"
#include "application.h"
#include "dataset.h"
#include "formkit.h"
#include "guard.h"
#include "maindm.h"
#include "password.h"
#include "quickmessagedlg.h"
#include "resourcepool.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>

TLoginForm::TLoginForm(TMainDM& dm, TAppContext& context, QWidget* parent)
    : QDialog(parent), m_conn(dm.MainConn), m_context(context) {
    setObjectName(QStringLiteral("LoginForm"));
    setWindowTitle(kAppTitle);
    // Dialog border without the system buttons: leaving is "退出".
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    queryUser = new DataSet(&dm.MainConn, this);
    queryUser->setObjectName(QStringLiteral("queryUser"));
    queryUser->setSql(QStringLiteral("select * from users\nwhere canLogin =1 or id=1"));
    queryUser->setFetchBlock(0);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(20, 16, 20, 14);
    root->addLayout(buildBanner());
    root->addSpacing(10);
    root->addLayout(buildFields());
    root->addSpacing(10);
    Button2 = new QPushButton(QStringLiteral("登陆"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setDefault(true);
    Button3 = NamedButton(this, "Button3", QStringLiteral("退出"));
    root->addLayout(ButtonRow({nullptr, Button2, Button3}));

    connect(Button2, &QPushButton::clicked, this, Guarded([this] { DoLogin(); }));
    connect(Button3, &QPushButton::clicked, this, &QDialog::reject);
    connect(edtUser, &QComboBox::activated, this, Guarded([this](int index) {
        if (queryUser->isActive() && index >= 0) queryUser->setRecNo(index + 1);
    }));
    connect(queryUser, &DataSet::currentChanged, this, &TLoginForm::syncCombo);
    setTabOrder(edtUser, edtPassword);
    setTabOrder(edtPassword, Button2);
    setTabOrder(Button2, Button3);
    edtPassword->setFocus();
}

QLayout* TLoginForm::buildBanner() {
    auto* banner = Named<QLabel>(this, "imgBanner");
    banner->setPixmap(TResourcePool::Logo(48));
    auto* title = new QLabel(QStringLiteral("Morvane简单进销存"), this);
    title->setObjectName(QStringLiteral("lbTitle"));
    QFont tf = title->font();
    tf.setBold(true);
    tf.setPointSizeF(tf.pointSizeF() * 1.4);
    title->setFont(tf);
    auto* head = new QHBoxLayout;
    head->addWidget(banner);
    head->addSpacing(8);
    head->addWidget(title, 1);
    return head;
}

QLayout* TLoginForm::buildFields() {
    auto* lbUser = new QLabel(QStringLiteral("用户名:"), this);
    lbUser->setObjectName(QStringLiteral("Label1"));
    auto* lbPassword = new QLabel(QStringLiteral("密码:"), this);
    lbPassword->setObjectName(QStringLiteral("Label2"));
    edtUser = Named<QComboBox>(this, "edtUser");
    edtUser->setEditable(false);
    edtUser->setMinimumWidth(180);
    edtPassword = Named<QLineEdit>(this, "edtPassword");
    edtPassword->setEchoMode(QLineEdit::Password);
    edtPassword->setMaxLength(TPasswords::MaxLength);
    Image1 = Named<QLabel>(this, "Image1");
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(20, 20));
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->installEventFilter(this);
    lbUser->setBuddy(edtUser);
    lbPassword->setBuddy(edtPassword);
    auto* grid = new QGridLayout;
    grid->addWidget(lbUser, 0, 0);
    grid->addWidget(edtUser, 0, 1);
    grid->addWidget(lbPassword, 1, 0);
    grid->addWidget(edtPassword, 1, 1);
    grid->addWidget(Image1, 1, 2);
    grid->setColumnStretch(1, 1);
    return grid;
}

QString TLoginForm::PasswordHint() {
    return QStringLiteral("管理员初始密码为空, 请直接点击") + QStringLiteral("\"登陆\"") + QStringLiteral("按钮登陆.");
}

void TLoginForm::OpenUsers() {
    queryUser->open();
    fillUsers();
}

void TLoginForm::fillUsers() {
    edtUser->blockSignals(true);
    edtUser->clear();
    if (queryUser->isActive()) {
        const int n = queryUser->recordCount();
        for (int r = 0; r < n; ++r) edtUser->addItem(queryUser->valueAt(r, QStringLiteral("userName")).toString());
    }
    edtUser->blockSignals(false);
    syncCombo();
}

void TLoginForm::syncCombo() {
    edtUser->setCurrentIndex(queryUser->isActive() ? queryUser->recNo() - 1 : -1);
}

bool TLoginForm::TryAutoLogin() {
    TAppContext* ctx = &m_context;
    const int wanted = ctx->Settings().ReadInteger(QStringLiteral("AutoLoginUserID"), 0);
    if (wanted == 0 || !queryUser->isActive()) return false;
    queryUser->first();
    while (!queryUser->eof()) {
        if (queryUser->field(QStringLiteral("id"))->asInteger() == wanted) {
            TUser u;
            u.id = wanted;
            u.userName = queryUser->field(QStringLiteral("userName"))->asString();
            u.userGroupID = queryUser->field(QStringLiteral("userGroupID"))->asInteger();
            ctx->SetCurrentUser(u);
            return true;
        }
        queryUser->next();
    }
    return false;
}

void TLoginForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    const int last = m_context.Settings().ReadInteger(QStringLiteral("LastLoginUserID"), 0);
    if (last > 0 && queryUser->isActive()) {
        // Walk to the user; without a match the list rests on its last row.
        queryUser->first();
        while (!queryUser->eof() && queryUser->field(QStringLiteral("id"))->asInteger() != last) queryUser->next();
    }
    syncCombo();
    edtPassword->setFocus();
}

QString TLoginForm::CheckLogin() const {
    if (!queryUser->isActive()) return QStringLiteral("未连接到数据库.");
    if (queryUser->recNo() <= 0) return QStringLiteral("请选择用户.");
    const bool canLogin = queryUser->field(QStringLiteral("canLogin"))->asBoolean();
    const int id = queryUser->field(QStringLiteral("id"))->asInteger();
    if (!canLogin && id != 1) return QStringLiteral("该用户没有登陆权限.");
    if (!TPasswords::Matches(queryUser->field(QStringLiteral("password"))->value(), edtPassword->text()))
        return QStringLiteral("密码错误.");
    return QString();
}

void TLoginForm::DoLogin() {
    const QString msg = CheckLogin();
    if (!msg.isEmpty()) {
        TQuickMessageDlg::ShowInfo(msg);
        edtPassword->setFocus();
        return;
    }
    TUser u;
    u.id = queryUser->field(QStringLiteral("id"))->asInteger();
    u.userName = queryUser->field(QStringLiteral("userName"))->asString();
    u.userGroupID = queryUser->field(QStringLiteral("userGroupID"))->asInteger();
    // A password still kept in clear text (or hashed more weakly than
    // today) is stored as a hash now that the user has shown it.
    TPasswords(m_conn).Upgrade(u.id, queryUser->field(QStringLiteral("password"))->value(),
                               edtPassword->text());
    m_context.SetCurrentUser(u);
    RememberLogin(u.id);
    accept();
}

void TLoginForm::RememberLogin(int userId) {
    TSettings& s = m_context.Settings();
    s.WriteInteger(QStringLiteral("LastLoginUserID"), userId);
    try {
        s.DeleteValue(QStringLiteral("AutoLoginUserID"));
    } catch (...) {
        // Automatic login stays off either way; nothing to tell the user.
    }
}

bool TLoginForm::eventFilter(QObject* o, QEvent* e) {
    if (o == Image1 && e->type() == QEvent::MouseButtonRelease) {
        QToolTip::showText(Image1->mapToGlobal(QPoint(Image1->width(), Image1->height() / 2)), PasswordHint(),
                           Image1, QRect(), 5000);
        return true;
    }
    return QDialog::eventFilter(o, e);
}
