#pragma once
#include <QDialog>

class Connection;
class QLabel;
class QLineEdit;
class QPushButton;

// "修改库存单价": the administrator's hand correction of one stock row's unit
// cost. The stock view fills it before each showing and saves the value
// when it closes with OK.
class TStorageUnitCostEditForm : public QDialog {
    Q_OBJECT
public:
    explicit TStorageUnitCostEditForm(Connection& conn, QWidget* parent = nullptr);

    qint32 ProductID = 0;
    QLabel *lbCode, *lbName;
    QLineEdit* edtUnitCost;
    QPushButton *btnOK, *btnCancel, *btnCalcAveragePrice;

    // Shows the product's cumulative average purchase price; changes nothing.
    void btnCalcAveragePriceClick();

private:
    Connection& m_conn;
};
