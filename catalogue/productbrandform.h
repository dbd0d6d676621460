#pragma once
#include <QDialog>

class Connection;
class DataGrid;
class TMainDM;
class DataSet;
class DBTree;
class QPushButton;
class QTreeWidget;

// Brands filed under product categories. Complete, though the menu item
// that opens it is not shown.
class TProductBrandForm : public QDialog {
    Q_OBJECT
public:
    explicit TProductBrandForm(TMainDM& dm, QWidget* parent = nullptr);
    ~TProductBrandForm() override;

    DataSet* queryCategory;
    DataSet* queryCategoryList;
    DataSet* queryProductBrandLocal;
    QTreeWidget* treeCategory;
    DataGrid* gridBrand;
    QPushButton *btnInsert, *btnEdit, *btnDelete, *btnPost, *btnCancel;
    QPushButton *btnUseBrand, *btnClose;

    void PrepareBrands();
    void ShowBrandsOf(int categoryId);
    // Empty when the brand may be deleted.
    static QString BrandInUseMessage(Connection& conn, int brandId);

private:
    Connection& m_conn;
    void makeDataSets(Connection& conn);
    void makeButtons();
    void updateActions();
    void deleteCurrent();
    DBTree* m_tree;
};
