#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// "重设密码": asks an administrator for a member's new password. Made for
// each use. An empty password is allowed and means none.
class TSetPasswordForm : public QDialog {
    Q_OBJECT
public:
    explicit TSetPasswordForm(QWidget* parent = nullptr);

    QLabel* lbUser; // the member's name
    QLineEdit* Password;

private:
    QPushButton *btnOK, *btnCancel;
};
