#pragma once
#include <QDialog>
#include <QVariant>

class DataSet;
class DBLineEdit;
class DBLookupCombo;
class DBMemo;
class QCheckBox;
class QLabel;
class QPushButton;

// The product dialog, bound to the product list's current row. The code,
// category, model and 规格 rows can be relabelled or hidden
// through the field configuration of table Product.
class TProductEditForm : public QDialog {
    Q_OBJECT
public:
    explicit TProductEditForm(QWidget* parent = nullptr);
    ~TProductEditForm() override;
    static TProductEditForm* instance();

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
    DataSet* product() const;
    void focusFirstField();
    void appendProduct();
    void cancelRow();
    bool m_modified = false;
    QVariant m_returnTo; // the product current before a new one was started
};
