#pragma once
#include <QDialog>
#include <QList>
#include <functional>

class QAbstractButton;
class QLabel;
class QStackedWidget;
class QToolButton;
class TAppContext;
class TDFMProxy;
class TDynamicPropBaseFrame;
class TMainDM;
class TSysOptionFrame;
class TValueSetFrame;

// "系统设置": a bar of groups with buttons on the left, one page per button
// on the right — the options, the field labels of suppliers, customers and
// products, and the supplier and customer types. Made once after the login
// and shown modally, from the main window's menu or on a type page from the
// partner windows' "..." buttons.
class TSysConfigForm : public QDialog {
    Q_OBJECT
public:
    TSysConfigForm(TMainDM& dm, TAppContext& context, TDFMProxy& labels, QWidget* parent = nullptr);
    ~TSysConfigForm() override;

    QWidget* pGroupBar;
    QStackedWidget* PageControl1; // tabs hidden: the bar chooses
    TSysOptionFrame* SysOptionFrame1;
    TDynamicPropBaseFrame *DpSupplierFrame, *DpClientFrame, *DpProductFrame;
    TValueSetFrame *VSSupplierTypeFrame, *VSCustomerTypeFrame;

    // The bar's button of a page ("SysOption", "DpSupplier", "VSSupplierType",
    // "DpClient", "VSCustomerType", "DpProduct"); null for another key.
    QToolButton* ButtonOf(const QString& key) const;
    // The key of the page showing.
    QString CurrentPage() const;

    // Presses button (releasing the one pressed before) and shows page key.
    void SelectPage(QAbstractButton* button, const QString& key);
    // Shows the page named key exactly; says so when there is none.
    void ShowPageByName(const QString& key);
    // "SupplierType" or "CustomerType": that type page. Other names: nothing.
    void GoToValueSet(const QString& name);

    // The main window's menu item: every page, modal.
    void ShowSettings();
    // A partner window's type button: the page of that type list, modal.
    // Someone who is not an administrator sees that page alone: the other
    // pages are the administrator's, as is the menu item.
    void EditValueSet(const QString& setName);

signals:
    // After the options are saved, with the option as stored.
    void showRefundChanged(bool on);

protected:
    // Closing gives up what was not saved, so the next opening shows what
    // is stored.
    void done(int result) override;
    void showEvent(QShowEvent* e) override;

private:
    struct Page {
        QString key;
        QToolButton* button;
        QWidget* page;
        std::function<void()> prepare;
        std::function<void()> cancel;
    };
    void addGroup(const QString& caption);
    void addPage(const QString& key, const QString& buttonText, QWidget* frame, std::function<void()> prepare,
                 std::function<void()> cancel);
    void prepareCurrent();
    const Page* pageOf(const QString& key) const;

    TAppContext& m_context;
    QList<Page> m_pages;
};
