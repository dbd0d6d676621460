#include "mainform.h"

#include "aboutform.h"
#include "appcontext.h"
#include "application.h"
#include "quickmessagedlg.h"
#include "resourcefactory.h"
#include "desktop.h"
#include "guard.h"
#include "resourcepool.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

QAction* TMainForm::makeAction(const char* name, const QString& caption, const QString& icon) {
    auto* a = new QAction(caption, ALMain);
    a->setObjectName(QString::fromLatin1(name));
    if (!icon.isEmpty()) a->setIcon(TResourcePool::ToolbarImage(icon));
    a->setEnabled(false); // until its window exists
    return a;
}

QWidget* TMainForm::makeTab(const char* name, const QString& caption, const QList<QAction*>& actions) {
    auto* page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    auto* bar = new QToolBar(page);
    bar->setObjectName(QStringLiteral("tb") + QString::fromLatin1(name).mid(2));
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setIconSize(QSize(32, 32));
    bar->setMovable(false);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(bar);
    PageControl1->addTab(page, caption);
    Q_UNUSED(actions);
    return page;
}

namespace {
// A captioned tool button that runs an action and follows its state; the
// button's caption may differ from the action's ("进货(&N)" for "新建(&N)").
QToolButton* addButton(QToolBar* bar, QAction* action, const QString& caption, const QString& name = QString()) {
    auto* b = new QToolButton(bar);
    b->setObjectName(name.isEmpty() ? QStringLiteral("btn") + action->objectName().mid(2) : name);
    b->setText(caption);
    b->setIcon(action->icon());
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setIconSize(QSize(32, 32));
    b->setMinimumWidth(64);
    b->setEnabled(action->isEnabled());
    QObject::connect(b, &QToolButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::changed, b, [b, action] { b->setEnabled(action->isEnabled()); });
    bar->addWidget(b);
    return b;
}
QToolBar* barOf(QWidget* page) { return page->findChild<QToolBar*>(); }

// A tool bar shows or hides its widgets through their actions; hiding the
// widget alone leaves its place in the bar.
void setButtonVisible(QToolButton* b, bool visible) {
    if (auto* bar = qobject_cast<QToolBar*>(b->parentWidget()))
        for (QAction* a : bar->actions())
            if (bar->widgetForAction(a) == b) {
                a->setVisible(visible);
                return;
            }
    b->setVisible(visible);
}
} // namespace

TMainForm::TMainForm(TAppContext& context, QWidget* parent) : QMainWindow(parent), m_context(context) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(kAppTitle);
    setWindowIcon(QIcon(TResourcePool::Logo(64)));

    buildActions();
    buildTabs();
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("pMain"));
    auto* cl = new QVBoxLayout(central);
    cl->setContentsMargins(0, 0, 0, 0);
    cl->addWidget(PageControl1);
    cl->addStretch();
    setCentralWidget(central);

    buildMenu();
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    resize(720, 220);
}

void TMainForm::buildActions() {
    ALMain = new QObject(this);
    ALMain->setObjectName(QStringLiteral("ALMain"));
    AcInputNew = makeAction("AcInputNew", QStringLiteral("新建(&N)"), QStringLiteral("new"));
    AcInputList = makeAction("AcInputList", QStringLiteral("列表"), QStringLiteral("list"));
    AcInputSearch = makeAction("AcInputSearch", QStringLiteral("查找"), QStringLiteral("search"));
    AcInputAudit = makeAction("AcInputAudit", QStringLiteral("审核"), QStringLiteral("audit"));
    AcOutputNew = makeAction("AcOutputNew", QStringLiteral("新建(&N)"), QStringLiteral("new"));
    AcOutputList = makeAction("AcOutputList", QStringLiteral("列表"), QStringLiteral("list"));
    AcOutputSearch = makeAction("AcOutputSearch", QStringLiteral("查找"), QStringLiteral("search"));
    AcOutputAudit = makeAction("AcOutputAudit", QStringLiteral("审核"), QStringLiteral("audit"));
    AcInventoryList = makeAction("AcInventoryList", QStringLiteral("查看库存"), QStringLiteral("stock"));
    AcProductList = makeAction("AcProductList", QStringLiteral("商品管理"), QStringLiteral("product"));
    AcProductImport = makeAction("AcProductImport", QStringLiteral("导入"), QStringLiteral("import"));
    AcSupplierList = makeAction("AcSupplierList", QStringLiteral("供应商管理"), QStringLiteral("supplier"));
    AcCustomerList = makeAction("AcCustomerList", QStringLiteral("客户管理"), QStringLiteral("customer"));
    AcRefundOutNew = makeAction("AcRefundOutNew", QStringLiteral("退给供应商"), QStringLiteral("refund"));
    AcRefundOutList = makeAction("AcRefundOutList", QStringLiteral("退出管理"), QStringLiteral("list"));
    AcRefundInNew = makeAction("AcRefundInNew", QStringLiteral("客户退回来"), QStringLiteral("refund"));
    AcRefundInList = makeAction("AcRefundInList", QStringLiteral("退回管理"), QStringLiteral("list"));
}

void TMainForm::buildTabs() {
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setDocumentMode(true);
    tsPurchase = makeTab("tsPurchase", QStringLiteral("进货"), {});
    tsSale = makeTab("tsSale", QStringLiteral("销售"), {});
    tsStorage = makeTab("tsStorage", QStringLiteral("库存"), {});
    tsProduct = makeTab("tsProduct", QStringLiteral("商品管理"), {});
    tsSupplier = makeTab("tsSupplier", QStringLiteral("供应商"), {});
    tsCustomer = makeTab("tsCustomer", QStringLiteral("客户"), {});
    tsRefund = makeTab("tsRefund", QStringLiteral("退货"), {});

    QToolBar* b = barOf(tsPurchase);
    addButton(b, AcInputNew, QStringLiteral("进货(&N)"));
    b->addSeparator();
    addButton(b, AcInputList, QStringLiteral("列表"));
    addButton(b, AcInputSearch, QStringLiteral("查找"));
    b->addSeparator();
    addButton(b, AcInputAudit, QStringLiteral("审核"));
    b = barOf(tsSale);
    addButton(b, AcOutputNew, QStringLiteral("销售(&N)"));
    b->addSeparator();
    addButton(b, AcOutputList, QStringLiteral("列表"));
    addButton(b, AcOutputSearch, QStringLiteral("查找"));
    b->addSeparator();
    addButton(b, AcOutputAudit, QStringLiteral("审核"));
    addButton(barOf(tsStorage), AcInventoryList, QStringLiteral("查看库存"));
    b = barOf(tsProduct);
    addButton(b, AcProductImport, QStringLiteral("导入"));
    b->addSeparator();
    addButton(b, AcProductList, QStringLiteral("商品管理"));
    addButton(barOf(tsSupplier), AcSupplierList, QStringLiteral("供应商管理"));
    addButton(barOf(tsCustomer), AcCustomerList, QStringLiteral("客户管理"));
    b = barOf(tsRefund);
    btnRefundOut = addButton(b, AcRefundOutNew, QStringLiteral("退给供应商"), QStringLiteral("btnRefundOut"));
    btnRefundOutMngr = addButton(b, AcRefundOutList, QStringLiteral("退出管理"), QStringLiteral("btnRefundOutMngr"));
    b->addSeparator();
    addButton(b, AcRefundInNew, QStringLiteral("客户退回来"));
    addButton(b, AcRefundInList, QStringLiteral("退回管理"));
    // The returns tab exists with its actions; the shop sees it only when
    // it asks for it.
    SetRefundVisible(false);
    PageControl1->setCurrentWidget(tsSale);
}

void TMainForm::buildMenu() {
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    auto item = [this](QMenu* menu, const char* name, const QString& caption, bool enabled) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setEnabled(enabled);
        return a;
    };
    miFile = MainMenu1->addMenu(QStringLiteral("文件(&F)"));
    miFile->setObjectName(QStringLiteral("miFile"));
    miBackup = item(miFile, "miBackup", QStringLiteral("数据备份(&B)"), false);
    miRestore = item(miFile, "miRestore", QStringLiteral("数据恢复(&R)"), false);
    miExit = item(miFile, "miExit", QStringLiteral("退出(&X)"), true);
    connect(miExit, &QAction::triggered, this, &QWidget::close);

    miReport = MainMenu1->addMenu(QStringLiteral("统计分析(&A)"));
    miReport->setObjectName(QStringLiteral("miReport"));
    miInputReport = item(miReport, "miInputReport", QStringLiteral("进货分析(&I)"), false);
    miOutputReport = item(miReport, "miOutputReport", QStringLiteral("销售分析(&O)"), false);

    miMaterial = MainMenu1->addMenu(QStringLiteral("基础资料(&B)"));
    miMaterial->setObjectName(QStringLiteral("miMaterial"));
    miUnit = item(miMaterial, "miUnit", QStringLiteral("计量单位(&U)"), false);
    miBrandSeparator = miMaterial->addSeparator();
    miBrandSeparator->setObjectName(QStringLiteral("miBrandSeparator"));
    miBrand = item(miMaterial, "miBrand", QStringLiteral("品牌管理"), false);
    miBrand->setVisible(false); // present, never shown

    miSystemMenu = MainMenu1->addMenu(QStringLiteral("系统设置(&S)"));
    miSystemMenu->setObjectName(QStringLiteral("miSystemMenu"));
    miSystem = item(miSystemMenu, "miSystem", QStringLiteral("系统设置(&S)"), false);
    miSystemSeparator = miSystemMenu->addSeparator();
    miSystemSeparator->setObjectName(QStringLiteral("miSystemSeparator"));
    miUser = item(miSystemMenu, "miUser", QStringLiteral("员工管理"), false);
    miChangePassword = item(miSystemMenu, "miChangePassword", QStringLiteral("修改密码"), false);

    miHelp = MainMenu1->addMenu(QStringLiteral("帮助(&H)"));
    miHelp->setObjectName(QStringLiteral("miHelp"));
    miHelpContents = item(miHelp, "miHelpContents", QStringLiteral("使用说明"), true);
    miAbout = item(miHelp, "miAbout", QStringLiteral("关于(&A)"), true);
    connect(miHelpContents, &QAction::triggered, this, Guarded([this] { ShowHelp(); }));
    connect(miAbout, &QAction::triggered, this, Guarded([this] { ShowAbout(); }));
}

void TMainForm::SetHandler(QAction* action, std::function<void()> handler) {
    action->disconnect(this);
    connect(action, &QAction::triggered, this, Guarded([handler] { handler(); }));
    action->setEnabled(true);
}

void TMainForm::ApplyUserRights() {
    if (m_context.IsAdmin()) return;
    for (QWidget* tab : {tsPurchase, tsSupplier, tsProduct})
        PageControl1->setTabVisible(PageControl1->indexOf(tab), false);
    miRestore->setVisible(false);
    miReport->menuAction()->setVisible(false);
    miSystem->setVisible(false);
    miMaterial->menuAction()->setVisible(false);
    miSystemSeparator->setVisible(false);
    miUser->setVisible(false);
    setButtonVisible(btnRefundOut, false);
    setButtonVisible(btnRefundOutMngr, false);
}

void TMainForm::SetRefundVisible(bool visible) {
    PageControl1->setTabVisible(PageControl1->indexOf(tsRefund), visible);
    // Sending goods back to a supplier stays with the administrators, as
    // buying does.
    const bool outgoing = visible && m_context.IsAdmin();
    setButtonVisible(btnRefundOut, outgoing);
    setButtonVisible(btnRefundOutMngr, outgoing);
}

bool TMainForm::RefundVisible() const { return PageControl1->isTabVisible(PageControl1->indexOf(tsRefund)); }

void TMainForm::ApplySkin(QWidget* w) { TResourceFactory::ApplySkin(w); }

QString TMainForm::HelpFile() const { return m_context.AppDir() + QStringLiteral("help.html"); }

void TMainForm::ShowHelp() {
    const QString path = HelpFile();
    // The viewer starts in the background; its failure arrives later, and
    // is said then rather than swallowed.
    auto failed = [path] {
        TQuickMessageDlg::ShowPlain(QStringLiteral("打开帮助文件失败： ") + QLatin1Char('"') + path + QLatin1Char('"'));
    };
    if (!QFileInfo::exists(path)) {
        failed();
        return;
    }
    TDesktop::OpenFile(path, this, failed);
}

void TMainForm::ShowAbout() {
    TAboutForm about(this);
    ApplySkin(&about);
    about.exec();
}

void TMainForm::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!m_rightsApplied) {
        m_rightsApplied = true;
        ApplyUserRights();
    }
}

void TMainForm::closeEvent(QCloseEvent* e) {
    // Whatever happens in the exit dialog, the program still ends.
    if (BeforeClose) Guard::Run(BeforeClose);
    e->accept();
    // The program is the main window: no other window may stay open and
    // editable once it is gone. Each closes as its own close button would
    // (an editor gives up its open row), then the event loop ends.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible()) w->close();
    QCoreApplication::quit();
}
