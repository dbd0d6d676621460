#pragma once
#include <QDialog>
#include <optional>

class DataSet;
class DBTree;
class QPushButton;
class QTreeWidget;
class TMainDM;

// Chooses a category for the product dialog from the whole tree.
class TCategoryForm : public QDialog {
    Q_OBJECT
public:
    explicit TCategoryForm(TMainDM& dm, QWidget* parent = nullptr);
    ~TCategoryForm() override;

    DataSet* queryCategory;

    // Reads the categories again and shows them all expanded.
    void ReloadTree();
    // Shows the whole tree modally; the category chosen, none when closed.
    std::optional<int> PickCategory();

protected:
    void showEvent(QShowEvent* e) override;

private:
    // Tests and users reach these by their objectNames.
    QTreeWidget* treeCategory;
    QPushButton *btnUseCurrentCat, *Button2;
    DBTree* m_tree;
    std::optional<int> m_selected;
    int m_filling = 0;
};
