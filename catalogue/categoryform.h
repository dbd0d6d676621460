#pragma once
#include <QDialog>

class DataSet;
class DBTree;
class QPushButton;
class QTreeWidget;

// Chooses a category for the product dialog from the whole tree.
class TCategoryForm : public QDialog {
    Q_OBJECT
public:
    explicit TCategoryForm(QWidget* parent = nullptr);
    ~TCategoryForm() override;
    static TCategoryForm* instance();

    DataSet* queryCategory;
    QTreeWidget* treeCategory;
    QPushButton *btnUseCurrentCat, *Button2;
    int SelectedCategoryID = -1; // -1 until "使用该类别" chose one

    // Reads the categories again and shows them all expanded.
    void ReloadTree();

protected:
    void showEvent(QShowEvent* e) override;

private:
    DBTree* m_tree;
    int m_filling = 0;
};
