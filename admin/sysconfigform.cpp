#include "sysconfigform.h"

#include "appcontext.h"
#include "formkit.h"
#include "guard.h"
#include "quickmessagedlg.h"
#include "sysconfigframes.h"
#include "valueset.h"
#include "valuesetframe.h"

#include <QButtonGroup>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
} // namespace

TSysConfigForm::TSysConfigForm(TMainDM& dm, TAppContext& context, TDFMProxy& labels, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("SysConfigForm"));
    setWindowTitle(QStringLiteral("系统设置"));

    auto* bar = new QFrame(this);
    bar->setObjectName(QStringLiteral("pGroupBar"));
    bar->setFrameShape(QFrame::StyledPanel);
    bar->setBackgroundRole(QPalette::Base);
    bar->setAutoFillBackground(true);
    bar->setFixedWidth(150);
    pGroupBar = bar;
    auto* barLayout = new QVBoxLayout(bar);
    barLayout->setContentsMargins(4, 4, 4, 4);
    barLayout->setSpacing(2);
    auto* buttons = new QButtonGroup(this);
    buttons->setObjectName(QStringLiteral("GroupBarButtons"));
    buttons->setExclusive(true);

    PageControl1 = Named<QStackedWidget>(this, "PageControl1");

    SysOptionFrame1 = new TSysOptionFrame(context, this);
    SysOptionFrame1->setObjectName(QStringLiteral("SysOptionFrame1"));
    DpSupplierFrame = new TDynamicPropBaseFrame(dm, labels, QStringLiteral("Supplier"), this);
    DpSupplierFrame->setObjectName(QStringLiteral("DpSupplierFrame"));
    VSSupplierTypeFrame = new TValueSetFrame(dm, QStringLiteral("SupplierType"), this);
    VSSupplierTypeFrame->setObjectName(QStringLiteral("VSSupplierTypeFrame"));
    DpClientFrame = new TDynamicPropBaseFrame(dm, labels, QStringLiteral("Customer"), this);
    DpClientFrame->setObjectName(QStringLiteral("DpClientFrame"));
    VSCustomerTypeFrame = new TValueSetFrame(dm, QStringLiteral("CustomerType"), this);
    VSCustomerTypeFrame->setObjectName(QStringLiteral("VSCustomerTypeFrame"));
    DpProductFrame = new TDynamicPropBaseFrame(dm, labels, QStringLiteral("Product"), this);
    DpProductFrame->setObjectName(QStringLiteral("DpProductFrame"));

    auto valueSet = [](TValueSetFrame* f) {
        return std::pair<std::function<void()>, std::function<void()>>{[f] { f->Prepare(); },
                                                                        [f] { f->List().Cancel(); }};
    };
    auto props = [](TDynamicPropBaseFrame* f) {
        return std::pair<std::function<void()>, std::function<void()>>{[f] { f->Prepare(); },
                                                                        [f] { f->Cancel(); }};
    };
    auto add = [&](const QString& key, const QString& text, QWidget* frame,
                   std::pair<std::function<void()>, std::function<void()>> calls) {
        addPage(key, text, frame, std::move(calls.first), std::move(calls.second));
        buttons->addButton(m_pages.last().button);
    };
    addGroup(QStringLiteral("系统"));
    TSysOptionFrame* options = SysOptionFrame1;
    add(QStringLiteral("SysOption"), QStringLiteral("选项"), options,
        {[options] { options->Load(); }, [options] { options->Cancel(); }});
    addGroup(QStringLiteral("供应商"));
    add(QStringLiteral("DpSupplier"), QStringLiteral("属性定制"), DpSupplierFrame, props(DpSupplierFrame));
    add(QStringLiteral("VSSupplierType"), QStringLiteral("供应商类别"), VSSupplierTypeFrame,
        valueSet(VSSupplierTypeFrame));
    addGroup(QStringLiteral("客户"));
    add(QStringLiteral("DpClient"), QStringLiteral("属性定制"), DpClientFrame, props(DpClientFrame));
    add(QStringLiteral("VSCustomerType"), QStringLiteral("客户类别"), VSCustomerTypeFrame,
        valueSet(VSCustomerTypeFrame));
    addGroup(QStringLiteral("商品"));
    add(QStringLiteral("DpProduct"), QStringLiteral("属性定制"), DpProductFrame, props(DpProductFrame));
    barLayout->addStretch(1);

    auto* root = new QHBoxLayout(this);
    root->addWidget(bar);
    root->addWidget(PageControl1, 1);

    // The product labels show first, the page most shops change first; its
    // button is pressed so the bar says where the user is.
    const Page* first = pageOf(QStringLiteral("DpProduct"));
    first->button->setChecked(true);
    PageControl1->setCurrentWidget(first->page);
    connect(PageControl1, &QStackedWidget::currentChanged, this, [this] {
        if (isVisible()) prepareCurrent();
    });
    connect(SysOptionFrame1, &TSysOptionFrame::saved, this, &TSysConfigForm::showRefundChanged);
    resize(660, 440);
}

TSysConfigForm::~TSysConfigForm() = default;

void TSysConfigForm::addGroup(const QString& caption) {
    auto* label = new QLabel(caption, pGroupBar);
    label->setObjectName(QStringLiteral("lbGroup") + QString::number(pGroupBar->findChildren<QLabel*>().size()));
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    label->setContentsMargins(4, 6, 4, 2);
    pGroupBar->layout()->addWidget(label);
}

void TSysConfigForm::addPage(const QString& key, const QString& buttonText, QWidget* frame,
                             std::function<void()> prepare, std::function<void()> cancel) {
    auto* button = new QToolButton(pGroupBar);
    button->setObjectName(QStringLiteral("btn") + key);
    button->setText(buttonText);
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setFocusPolicy(Qt::StrongFocus);
    pGroupBar->layout()->addWidget(button);

    auto* page = new QWidget(PageControl1);
    page->setObjectName(key);
    page->setWindowTitle(key); // the page's caption, which ShowPageByName looks for
    auto* l = new QVBoxLayout(page);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(frame);
    PageControl1->addWidget(page);
    m_pages.append({key, button, page, std::move(prepare), std::move(cancel)});
    connect(button, &QToolButton::clicked, this, Guarded([this, button, key] { SelectPage(button, key); }));
}

const TSysConfigForm::Page* TSysConfigForm::pageOf(const QString& key) const {
    for (const Page& p : m_pages)
        if (p.key == key) return &p;
    return nullptr;
}

QToolButton* TSysConfigForm::ButtonOf(const QString& key) const {
    const Page* p = pageOf(key);
    return p ? p->button : nullptr;
}

QString TSysConfigForm::CurrentPage() const {
    QWidget* w = PageControl1->currentWidget();
    return w ? w->windowTitle() : QString();
}

void TSysConfigForm::SelectPage(QAbstractButton* button, const QString& key) {
    if (button) button->setChecked(true); // the group releases the one pressed before
    ShowPageByName(key);
}

void TSysConfigForm::ShowPageByName(const QString& key) {
    for (int i = 0; i < PageControl1->count(); ++i) {
        if (PageControl1->widget(i)->windowTitle() == key) {
            PageControl1->setCurrentIndex(i);
            return;
        }
    }
    TQuickMessageDlg::ShowPlain(QStringLiteral("Page not find: ") + key);
}

void TSysConfigForm::GoToValueSet(const QString& name) {
    QString key;
    if (name == QLatin1String("CustomerType")) key = QStringLiteral("VSCustomerType");
    else if (name == QLatin1String("SupplierType")) key = QStringLiteral("VSSupplierType");
    else return;
    SelectPage(ButtonOf(key), key);
}

void TSysConfigForm::ShowSettings() {
    pGroupBar->setVisible(true);
    exec();
}

void TSysConfigForm::EditValueSet(const QString& setName) {
    GoToValueSet(setName);
    pGroupBar->setVisible(m_context.IsAdmin());
    exec();
    pGroupBar->setVisible(true);
}

void TSysConfigForm::prepareCurrent() {
    const QString key = CurrentPage();
    if (const Page* p = pageOf(key)) Guard::Run(p->prepare);
}

void TSysConfigForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    prepareCurrent();
}

void TSysConfigForm::done(int result) {
    // Escape, the window frame and the end of a modal run all end here.
    for (const Page& p : m_pages) Guard::Run(p.cancel);
    QDialog::done(result);
}
