#pragma once
#include <QDialog>

class Connection;
class DataSet;
class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class TAppContext;
class TMainDM;

// The login window. One user is admitted for the whole run.
class TLoginForm : public QDialog {
    Q_OBJECT
public:
    TLoginForm(TMainDM& dm, TAppContext& context, QWidget* parent = nullptr);

    DataSet* queryUser; // this window's own list of users who may log in
    QComboBox* edtUser;
    QLineEdit* edtPassword;
    QLabel* Image1;
    QPushButton* Button2; // 登陆
    QPushButton* Button3; // 退出

    void OpenUsers();
    bool TryAutoLogin();
    QString CheckLogin() const;
    void DoLogin();
    void RememberLogin(int userId);
    static QString PasswordHint();

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    QLayout* buildBanner();
    QLayout* buildFields();
    Connection& m_conn;
    TAppContext& m_context;
    void fillUsers();
    void syncCombo();
};
