#pragma once
#include "partnerkind.h"
#include "pendingpick.h"

#include <QWidget>

#include <functional>

class DataGrid;
class DataSet;
class DBLineEdit;
class DBLookupCombo;
class DBMemo;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class TDFMProxy;
class TMainDM;

// The list of suppliers or customers with its quick search, the edit panel
// that folds away and the delete checks; the kind says which of the two and
// everything that differs between them. Picking for a document editor is
// kept here too: the frame holds the one pending pick of its window.
class TPartnerFrame : public QWidget {
    Q_OBJECT
public:
    TPartnerFrame(const TPartnerKind& kind, TMainDM& dm, TDFMProxy& labels, QWidget* parent = nullptr);
    ~TPartnerFrame() override;

    const TPartnerKind& Kind() const { return m_kind; }
    DataSet* query; // querySupplier / queryCustomer: the list and the edited row

    QWidget* panelTips; // the picking hint; null for a kind without one
    QToolButton *btnNew, *btnEdit, *btnDelete, *ToolButton1;
    QComboBox* cbSearchScope;
    QLineEdit* edtSearchKey;
    QPushButton* btnSearch; // JvBitBtn8 / JvBitBtn9
    QCheckBox* switch1;
    QWidget* pInputPanel;
    QWidget* pRoot;
    DBLineEdit *edtName, *edtCode;
    DBLookupCombo* edtType;
    QPushButton* btnType; // "..."
    QPushButton *btnCancel, *btnSave, *btnSaveAndNew;
    QTabWidget* PageControl1;
    DataGrid* grid;

    // Once, when the window is made: opens the list and hands the edit panel
    // and the grid to the field labels.
    void Prepare();
    // Lists the partners matching condition (all when empty).
    void LoadPartners(const QString& condition = QString(), const SqlParams& params = {});
    // Lists the partners matching the search bar.
    void SearchPartners();
    // Re-reads the list as it stands, staying on the current partner.
    void RefreshPartners();

    void NewPartner();
    void EditPartner();
    void SavePartner();
    void SaveAndNewPartner();
    void CancelPartner();
    // The use checks and the question, then the delete.
    void DeletePartner();
    // The type list, on its page of the settings window.
    void EditTypes();
    // Opens the editor of this kind's type list (the settings window on its
    // page), given the list's name; the type button does nothing without it.
    std::function<void(const QString& setName)> TypeEditor;

    // Opening for upkeep: no pick pending, the editor folded, every partner.
    void ResetForMaintenance();
    // A document editor asks for a partner; replaces any pick pending.
    void AskPick(TPendingPick::Delivery delivery);
    bool PickPending() const { return m_pick.Pending(); }
    // Hands the current partner to the pending pick. Nothing when no pick is
    // pending or the list is empty; a row still being edited is stored first.
    TPendingPick::Outcome PickCurrent();

signals:
    // Double-click or Enter on a row, Escape in the grid; the window decides.
    void pickRequested();
    void escapePressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolBar();
    void buildInputPanel();
    void buildGrid();
    void updateButtons();
    void showEditor(bool on);
    void rereadShared();
    void setTipsVisible(bool on);

    const TPartnerKind& m_kind;
    TMainDM& m_dm;
    TDFMProxy& m_labels;
    TPendingPick m_pick;
};

class TSupplierFrame : public TPartnerFrame {
    Q_OBJECT
public:
    TSupplierFrame(TMainDM& dm, TDFMProxy& labels, QWidget* parent = nullptr)
        : TPartnerFrame(TPartnerKind::Supplier(), dm, labels, parent) {}
    void LoadSuppliers(const QString& condition = QString(), const SqlParams& params = {}) {
        LoadPartners(condition, params);
    }
    void SearchSuppliers() { SearchPartners(); }
};

class TCustomerFrame : public TPartnerFrame {
    Q_OBJECT
public:
    TCustomerFrame(TMainDM& dm, TDFMProxy& labels, QWidget* parent = nullptr)
        : TPartnerFrame(TPartnerKind::Customer(), dm, labels, parent) {}
    void LoadCustomers(const QString& condition = QString(), const SqlParams& params = {}) {
        LoadPartners(condition, params);
    }
    void SearchCustomers() { SearchPartners(); }
};
