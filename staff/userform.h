#pragma once
#include "pendingpick.h"

#include <QWidget>

class DataGrid;
class DataSet;
class DBCheckBox;
class DBLineEdit;
class DBLookupCombo;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolBar;
class QToolButton;
class TAppContext;
class TControlPlacement;
class TMainDM;

// "员工管理": the staff list. An administrator keeps the members and resets
// their passwords here; anybody may open it from a document to pick its
// handling user. The administrator row (id 1) is not listed: it changes its
// own password through "修改密码" only.
class TUserForm : public QWidget {
    Q_OBJECT
public:
    TUserForm(TMainDM& dm, TAppContext& context, TControlPlacement& placement,
              QWidget* parent = nullptr);

    // The members without the administrator, and without the password
    // column: no hash ever sits in a grid or an edit box.
    DataSet* queryUser;

    // Run once after the window is made: only an administrator sees the
    // tool bar and the detail panel.
    void ApplyStaffRights();
    // The menu "员工管理": lists the members afresh and shows the window.
    // A pick still pending is dropped, so a later Enter here can never
    // write into a document.
    void ShowForMaintenance();
    // A document editor asks for a member: delivery gets the chosen row's id.
    // Replaces any pick still pending.
    void PickUser(TPendingPick::Delivery delivery);
    // Enter or double-click in the list: hands the current member to the
    // pending pick and closes the window once it is taken. A refused id
    // leaves the window open and nothing changed.
    void PickCurrent();
    bool PickPending() const { return m_pick.Pending(); }

    // "删除": refused while any purchase or sale names the member.
    void DeleteStaff();
    // "重设密码": asks for the current member's new password and stores it.
    void ResetPassword();
    // The text refusing to delete a member who is on a document.
    static QString InUseText();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TMainDM& m_dm;
    TAppContext& m_context;
    TPendingPick m_pick;

    QToolBar* toolbar1;
    QToolButton *btnNew, *btnResetPW, *btnEdit, *btnCancel, *btnSave, *btnDelete;
    QLabel* tips1;
    DataGrid* userGrid;
    QWidget* pRoot;
    QWidget* pPassword;
    DBLineEdit *edtUserName, *edtPhone, *edtComments;
    QLineEdit* edtPassword; // never bound: what is typed is stored as a hash
    DBCheckBox* chkCanLogin;
    DBLookupCombo* cbUserGroup;
    QPushButton* JvSpeedButton1;

    void makeQuery();
    void makeToolBar();
    void makeGrid();
    void makeDetailPanel();
    void layOut();
    void dsStateChange();
    void newMember();
    void save();
    void rereadShared();
};
