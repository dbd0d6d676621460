#pragma once
#include <QHash>
#include <QMainWindow>
#include <functional>

class QAction;
class TProductBrandForm;
class TUnitForm;
class QMenu;
class QTabWidget;
class QToolBar;
class QToolButton;

// The main window: a tab strip of tool bars and the main menu, all bound to
// the actions of ALMain.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    static TMainForm* instance();

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
    // never refused.
    std::function<void()> BeforeClose;

    // The unit and brand windows made at start-up.
    void ConnectCatalogue(TUnitForm* units, TProductBrandForm* brands);
    // "商品管理": the product maintenance window from the factory.
    void ConnectProducts();

    void ApplyUserRights();
    static void ApplySkin(QWidget* w);
    // The user guide beside the program.
    static QString HelpFile();
    void ShowHelp();
    void ShowAbout();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    QAction* makeAction(const char* name, const QString& caption, const QString& icon = QString());
    QWidget* makeTab(const char* name, const QString& caption, const QList<QAction*>& actions);
    void buildMenu();
    bool m_rightsApplied = false;
};
