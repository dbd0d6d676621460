#pragma once
#include <QHash>
#include <QMainWindow>
#include <functional>

class QAction;
class TAppContext;
class QMenu;
class QTabWidget;
class QToolBar;
class QToolButton;

// The main window: a tab strip of tool bars and the main menu, all bound to
// the actions of ALMain.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(TAppContext& context, QWidget* parent = nullptr);

    QTabWidget* PageControl1;
    QWidget *tsPurchase, *tsSale, *tsStorage, *tsProduct, *tsSupplier, *tsCustomer, *tsRefund;
    QObject* ALMain;
    QAction *AcInputNew, *AcInputList, *AcInputSearch, *AcInputAudit;
    QAction *AcOutputNew, *AcOutputList, *AcOutputSearch, *AcOutputAudit;
    QAction *AcInventoryList, *AcProductList, *AcProductImport, *AcSupplierList, *AcCustomerList;
    QAction *AcRefundOutNew, *AcRefundOutList, *AcRefundInNew, *AcRefundInList;
    QToolButton *btnRefundOut, *btnRefundOutMngr;

    QMenuBar* MainMenu1;
    QMenu *miFile, *miReport, *miMaterial, *miSystemMenu, *miHelp;
    QAction *miBackup, *miRestore, *miExit;
    QAction *miInputReport, *miOutputReport;
    QAction *miUnit, *miBrandSeparator, *miBrand;
    QAction *miSystem, *miSystemSeparator, *miUser, *miChangePassword;
    QAction *miHelpContents, *miAbout;

    // Each window kind plugs its effect in here as it is built; an action or
    // menu item without an effect stays disabled.
    void SetHandler(QAction* action, std::function<void()> handler);
    // Runs before the window closes (the backup offered at exit); closing is
    // never refused. Closing the main window closes every other window and
    // ends the program.
    std::function<void()> BeforeClose;

    void ApplyUserRights();
    // The returns tab "退货" with its buttons; hidden unless the shop asks
    // for it (SysConfig "ShowRefund", read at start-up).
    void SetRefundVisible(bool visible);
    bool RefundVisible() const;
    static void ApplySkin(QWidget* w);
    // The user guide beside the program.
    QString HelpFile() const;
    void ShowHelp();
    void ShowAbout();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    TAppContext& m_context;
    QAction* makeAction(const char* name, const QString& caption, const QString& icon = QString());
    QWidget* makeTab(const char* name, const QString& caption, const QList<QAction*>& actions);
    void buildActions();
    void buildTabs();
    void buildMenu();
    bool m_rightsApplied = false;
};
