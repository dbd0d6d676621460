#pragma once
#include <QDialog>
#include <QVariant>
#include <functional>
#include <optional>

class DataSet;
class DBLineEdit;
class DBLookupCombo;
class DBMemo;
class QCheckBox;
class QLabel;
class QPushButton;
class TDFMProxy;
class TMainDM;
class TProductManagerDM;

// The pick windows the product dialog's "..." buttons open; each returns the
// key chosen, none when the user closed it.
struct TProductEditPickers {
    std::function<std::optional<int>()> category;
    std::function<std::optional<int>()> unit;
};

// The product dialog, bound to the product list's current row. The code,
// category, model and 规格 rows can be relabelled or hidden
// through the field configuration of table Product.
class TProductEditForm : public QDialog {
    Q_OBJECT
public:
    TProductEditForm(TProductManagerDM& products, TMainDM& dm, TDFMProxy& labels, TProductEditPickers pickers,
                     QWidget* parent = nullptr);
    ~TProductEditForm() override;

    QWidget* pRoot;
    QWidget *pProductCode, *pCategoryID, *pproduct_model, *pproduct_spec;
    QLabel *lbProductCode, *lbCategoryID, *lbproduct_model, *lbproduct_spec;
    DBLineEdit *edtProductCode, *edtProductName, *edtProductModel, *edtProductSpec, *edtSalePrice;
    DBLookupCombo *edtProductCategoryID, *edtUnitID;
    DBMemo* edtComments;
    QPushButton *btnCat, *btnUnit;
    QCheckBox* chkSaveAndNew;
    QPushButton *btnSave, *btnCancel;

    // Appends a product filed under categoryId and shows the dialog modally.
    int NewProduct(int categoryId);
    // Edits the current product in the dialog; nothing when the list is empty.
    int EditProduct();
    // The checks before a post; the first failure is shown and focused.
    bool ValidateProduct();
    // Whether the row being edited has been changed since it was started.
    bool IsModified() const { return m_modified; }

    void btnSaveClick();
    void btnCancelClick();
    void btnCatClick();
    void btnUnitClick();

public slots:
    // Escape and the window frame close the dialog; the open row is given
    // up as with "取消", so the list is never left in edit state.
    void reject() override;

private:
    void buildRows();
    void buildFooter();
    void bindFields(TMainDM& dm);
    DataSet* product() const;
    TProductManagerDM& m_products;
    TProductEditPickers m_pickers;
    void focusFirstField();
    void appendProduct();
    void cancelRow();
    bool m_modified = false;
    QVariant m_returnTo; // the product current before a new one was started
};
