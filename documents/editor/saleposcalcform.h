#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// "找零计算器": shown before a sale is saved, with the amount due; the
// cashier types what the customer handed over and reads the change.
class TSalePOSCalcForm : public QDialog {
    Q_OBJECT
public:
    explicit TSalePOSCalcForm(QWidget* owner = nullptr);

    // Shows the calculator modally for the amount due; true for 确定,
    // false for 取消 or closing the window.
    bool Execute(double amount);
    double Amount() const { return m_amount; }

private:
    void edtActureReceiveChange();
    QLabel* lbReceiveable;
    QLineEdit* edtActureReceive;
    QLabel* lbChange;
    QPushButton *JvImgBtn1, *JvImgBtn2;
    double m_amount = 0;
};
