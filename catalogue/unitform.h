#pragma once
#include <QDialog>
#include <optional>

class Connection;
class DataGrid;
class TMainDM;
class DataSet;
class QPushButton;

// Units of measure: kept from the menu, picked from the product dialog.
class TUnitForm : public QDialog {
    Q_OBJECT
public:
    explicit TUnitForm(TMainDM& dm, QWidget* parent = nullptr);

    DataSet* tableUnit;

    // Shows the window modally for upkeep.
    void ShowUnits();
    // Shows the window modally with "选定"; the unit chosen, none when closed.
    std::optional<int> PickUnit();
    // The usage test run before a delete; empty when the unit may go.
    static QString UnitInUseMessage(Connection& conn, int unitId);

protected:
    void showEvent(QShowEvent* e) override;

private:
    // Tests and users reach these by their objectNames.
    DataGrid* gridUnit;
    QPushButton *btnInsert, *btnEdit, *btnCancel, *btnDelete, *btnSave;
    QPushButton *btnSelect, *btnClose;
    TMainDM& m_dm;
    std::optional<int> m_selected;
    void makeTable();
    void makeButtons();
    void updateButtons();
    void rereadShared();
    void deleteCurrent();
};
