#pragma once
#include <QDialog>

class Connection;
class QLabel;
class QLineEdit;
class QPushButton;
class TAppContext;
class TMainDM;

// "修改密码": the logged-in user changes their own password. Made once
// after the login; what was typed stays in the boxes after "取消" and is
// emptied only by a change that succeeded.
class TChangePasswordForm : public QDialog {
    Q_OBJECT
public:
    TChangePasswordForm(TMainDM& dm, TAppContext& context, QWidget* parent = nullptr);

    QLabel* lbUser; // the logged-in user's name
    QLineEdit *edtOld, *edtNew, *edtNew1;

    // "确定(&O)": checks and stores the new password, then closes.
    void ChangePassword();

    static QString DifferentNewText();
    static QString WrongOldText();

protected:
    void showEvent(QShowEvent* e) override;

private:
    Connection& m_conn;
    TAppContext& m_context;
    QPushButton *btnOK, *btnCancel;
    QLineEdit* passwordBox(const char* name);
};
