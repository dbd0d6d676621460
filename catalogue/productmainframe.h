#pragma once
#include <QString>
#include <QWidget>
#include <functional>

class Connection;
class DataGrid;
class TDFMProxy;
class TMainDM;
class TProductEditForm;
class TProductManagerDM;
class DataSet;
class DBLineEdit;
class DBLookupCombo;
class DBTree;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

// What a window showing the product frame is made with.
struct TProductFrameDeps {
    TProductManagerDM& products;
    TProductEditForm& editor;
    TDFMProxy& labels;
};

// The category tree and the product list with their tool bars, shown by
// the maintenance window and by the picking window. The product list is the
// data module's, shared by both; each frame keeps its own category rows.
class TProductMainFrame : public QWidget {
    Q_OBJECT
public:
    enum SearchScope { AnyField = 0, ByName, ByModel, BySpec };

    TProductMainFrame(TProductManagerDM& products, TProductEditForm& editor, TDFMProxy& labels,
                      QWidget* parent = nullptr);
    ~TProductMainFrame() override;

    DataSet* queryCategory;      // behind the tree and the category panel
    DataSet* queryCategoryList2; // the parent chooser's list

    QGroupBox* gbCategory;
    QToolButton *btnCatNew, *btnCatEdit, *btnCatDelete;
    QWidget* pCategory;
    DBLookupCombo* edtCatParent;
    DBLineEdit* edtCatParent2;
    DBLineEdit* edtCatName;
    QPushButton *btnCatCancel, *btnCatSave;
    QTreeWidget* treeCategory;

    QGroupBox* gbProduct;
    QComboBox* cbSearchScope;
    QLineEdit* edtSearchKey;
    QPushButton* JvBitBtn9;
    QToolButton *btnProductNew, *ToolButton5, *btnProductDelete, *ToolButton10, *btnExport,
        *ToolButton1;
    DataGrid* productGrid;

    // Once per host window, right after it is made.
    void Prepare();
    // Lists the products matching condition (all of them when empty).
    void LoadProducts(const QString& condition);
    // Lists the products matching the search bar.
    void SearchProducts();
    // The condition SearchProducts uses; empty for a blank key.
    static QString SearchCondition(int scope, const QString& key);
    // The usage checks and the confirmation before a product is deleted.
    static bool CanDeleteProduct(Connection& conn, int id);
    // The selected category, -1 when there is none.
    int CurrentCategoryID() const;
    // What "导入" runs; the button is enabled once it is set.
    void SetImportHandler(std::function<void()> handler);

    void btnCatNewClick();
    void btnCatEditClick();
    void btnCatSaveClick();
    void btnCatCancelClick();
    void btnCatDeleteClick();
    void btnProductNewClick();
    void ToolButton5Click();
    void btnProductDeleteClick();
    void ToolButton1Click();

signals:
    // The grid's row was double-clicked, or Enter / Escape pressed on it;
    // the host window decides what that means.
    void gridDoubleClicked();
    void gridReturnPressed();
    void gridEscapePressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildCategoryBox();
    void buildCategoryPanel();
    void buildProductBox();
    void buildProductGrid();
    void dsCategoryStateChange();
    void treeCategoryChange(QTreeWidgetItem* item);
    // Rebuilds the tree from queryCategory and selects the category id;
    // loadProducts decides whether that selection also lists its products.
    void rebuildTree(int selectId, bool loadProducts);
    void reloadCategories();
    void reopenCategoryLists();
    void setParentListExcluding(int id);
    // Whether making newParent the parent of category id would put it below
    // itself.
    bool wouldBeOwnDescendant(int id, int newParent);

    TProductManagerDM& m_products;
    TMainDM& m_dm;
    TProductEditForm& m_editor;
    TDFMProxy& m_labels;
    DBTree* m_tree;
    int m_treeSync = 0; // >0 while the tree is rebuilt or moved by code
};
