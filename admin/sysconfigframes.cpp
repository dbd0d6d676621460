#include "sysconfigframes.h"

#include "appcontext.h"
#include "datagrid.h"
#include "dataset.h"
#include "formkit.h"
#include "guard.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace {
// The built-in caption cannot be changed: its cells are drawn shaded so the
// eye goes to the columns that can.
class ShadedDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (!(option.state & QStyle::State_Selected))
            painter->fillRect(option.rect, option.palette.color(QPalette::Button));
        QStyledItemDelegate::paint(painter, option, index);
    }
};

QLabel* hint(QWidget* parent, const char* name, const QString& text) {
    QLabel* l = Named<QLabel>(parent, name);
    l->setText(text);
    l->setWordWrap(true);
    l->setIndent(22); // under the check box's text
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, p.color(QPalette::PlaceholderText));
    l->setPalette(p);
    return l;
}
} // namespace

// ------------------------------------------------------ TDynamicPropBaseFrame

TDynamicPropBaseFrame::TDynamicPropBaseFrame(TMainDM& dm, TDFMProxy& labels, const QString& tableName,
                                             QWidget* parent)
    : QWidget(parent), m_list(dm, labels, tableName) {
    setObjectName(QStringLiteral("DynamicPropBaseFrame"));
    DataSet* q = m_list.queryFieldConfig();
    gbFieldConfig = new QGroupBox(m_list.Caption(), this);
    gbFieldConfig->setObjectName(QStringLiteral("gbFieldConfig"));
    gridFieldConfig = Named<DataGrid>(gbFieldConfig, "gridFieldConfig");
    gridFieldConfig->setDataSet(q);
    GridColumn original{QStringLiteral("fieldName"), QStringLiteral("属性原名")};
    original.readOnly = true;
    original.width = 130;
    GridColumn renamed{QStringLiteral("fieldNewName"), QStringLiteral("重命名")};
    renamed.width = 160;
    GridColumn used{QStringLiteral("enabled"), QStringLiteral("使用该属性")};
    used.width = 90;
    used.alignment = Qt::AlignCenter;
    gridFieldConfig->addColumns({original, renamed, used});
    gridFieldConfig->refreshColumns();
    gridFieldConfig->view()->setItemDelegateForColumn(0, new ShadedDelegate(gridFieldConfig->view()));

    btnSave = NamedButton(gbFieldConfig, "btnSave", QStringLiteral("保存(&S)"));
    btnCancel = NamedButton(gbFieldConfig, "btnCancel", QStringLiteral("取消(&C)"));
    auto* l = new QVBoxLayout(gbFieldConfig);
    l->addWidget(gridFieldConfig, 1);
    l->addLayout(ButtonRow({nullptr, btnSave, btnCancel}));
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addWidget(gbFieldConfig);

    // The button took the focus, so an open cell editor has written its text.
    connect(btnSave, &QPushButton::clicked, this, Guarded([this] { Save(); }));
    connect(btnCancel, &QPushButton::clicked, this, Guarded([this] { Cancel(); }));
    connect(q, &DataSet::rowsReset, this, &TDynamicPropBaseFrame::updateButtons);
    connect(q, &DataSet::stateChanged, this, &TDynamicPropBaseFrame::updateButtons);
    connect(q, &DataSet::rowChanged, this, &TDynamicPropBaseFrame::updateButtons);
    updateButtons();
}

void TDynamicPropBaseFrame::Prepare() {
    m_list.Open();
    updateButtons();
}

void TDynamicPropBaseFrame::Save() {
    m_list.Save();
    updateButtons();
}

void TDynamicPropBaseFrame::Cancel() {
    m_list.Cancel();
    updateButtons();
}

// Edits are held until saved: the buttons stay on while any row differs
// from what is stored, not only while a row is being typed into.
void TDynamicPropBaseFrame::updateButtons() {
    const bool changed = m_list.HasChanges();
    btnSave->setEnabled(changed);
    btnCancel->setEnabled(changed);
}

// ------------------------------------------------------------ TSysOptionFrame

TSysOptionFrame::TSysOptionFrame(TAppContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_options(context) {
    setObjectName(QStringLiteral("SysOptionFrame"));
    gbOption = new QGroupBox(QStringLiteral("系统选项"), this);
    gbOption->setObjectName(QStringLiteral("gbOption"));
    cbAutoLogin = Named<QCheckBox>(gbOption, "cbAutoLogin");
    cbAutoLogin->setText(QStringLiteral("自动登陆"));
    lbAutoLoginHint = hint(gbOption, "lbAutoLoginHint", QString());
    cbShowRefund = Named<QCheckBox>(gbOption, "cbShowRefund");
    cbShowRefund->setText(QStringLiteral("显示退货功能"));
    lbShowRefundHint = hint(gbOption, "lbShowRefundHint", QStringLiteral("在主窗口中显示\"退货\"页."));
    btnSave = NamedButton(gbOption, "btnSave", QStringLiteral("保存(&S)"));
    btnCancel = NamedButton(gbOption, "btnCancel", QStringLiteral("取消(&C)"));

    auto* l = new QVBoxLayout(gbOption);
    l->setSpacing(4);
    l->addWidget(cbAutoLogin);
    l->addWidget(lbAutoLoginHint);
    l->addSpacing(10);
    l->addWidget(cbShowRefund);
    l->addWidget(lbShowRefundHint);
    l->addStretch(1);
    l->addLayout(ButtonRow({nullptr, btnSave, btnCancel}));
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->addWidget(gbOption);

    for (QCheckBox* box : {cbAutoLogin, cbShowRefund})
        connect(box, &QCheckBox::clicked, this, [this] { setButtons(true); });
    connect(btnSave, &QPushButton::clicked, this, Guarded([this] { Save(); }));
    connect(btnCancel, &QPushButton::clicked, this, Guarded([this] { Cancel(); }));
    setButtons(false);
}

void TSysOptionFrame::Load() {
    m_options.Load();
    cbAutoLogin->setChecked(m_options.AutoLogin);
    cbShowRefund->setChecked(m_options.ShowRefund);
    // Saving the box signs in whoever is logged in now: say who that is.
    lbAutoLoginHint->setText(QStringLiteral("下次启动时以当前用户(%1)身份直接进入, 不再显示登陆窗口.")
                                 .arg(m_context.CurrentUser().userName));
    setButtons(false);
}

void TSysOptionFrame::Save() {
    m_options.AutoLogin = cbAutoLogin->isChecked();
    m_options.ShowRefund = cbShowRefund->isChecked();
    m_options.Save();
    setButtons(false);
    emit saved(m_options.ShowRefund);
}

void TSysOptionFrame::setButtons(bool on) {
    btnSave->setEnabled(on);
    btnCancel->setEnabled(on);
}
