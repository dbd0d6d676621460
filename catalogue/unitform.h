#pragma once
#include <QDialog>

class DataGrid;
class DataSet;
class QPushButton;

// Units of measure: kept from the menu, picked from the product dialog.
class TUnitForm : public QDialog {
    Q_OBJECT
public:
    explicit TUnitForm(QWidget* parent = nullptr);
    static TUnitForm* instance();

    DataSet* tableUnit;
    DataGrid* gridUnit;
    QPushButton *btnInsert, *btnEdit, *btnCancel, *btnDelete, *btnSave;
    QPushButton *btnSelect, *btnClose;
    int SelectedUnitID = -1;

    // Shows the window modally; "选定" only when picking. The modal result.
    int ShowUnits(bool pick);
    // The usage test run before a delete; empty when the unit may go.
    static QString UnitInUseMessage(int unitId);

protected:
    void showEvent(QShowEvent* e) override;

private:
    void updateButtons();
    void rereadShared();
    void deleteCurrent();
};
