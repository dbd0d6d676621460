#pragma once
#include "documentkind.h"
#include "documentlines.h"
#include "identity.h"
#include "pendingpick.h"
#include "product.h"

#include <QLineEdit>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class DataGrid;
class DataSet;
class DBDateEdit;
class DBLineEdit;
class DBLookupCombo;
class DBMemo;
class FieldLink;
class QAbstractButton;
class QCheckBox;
class QKeyEvent;
class QLabel;

class QPushButton;
class TAppContext;
class TControlPlacement;
class TDetailDelegate;
class TDFMProxy;
class TGridController;
class TMainDM;
class TProductSelector;

// The pick windows an editor asks for a supplier, customer or member of
// staff. Each takes the delivery the chosen id goes to; the window may call
// it much later, and the delivery may refuse the id.
struct TDocumentPickers {
    std::function<void(TPendingPick::Delivery)> supplier, customer, user;
};

// What the editor is given: the shop's data, the shared product selector
// and field labels, the placement file, and the pick windows.
struct TDocumentEditorDeps {
    TMainDM& dm;
    TAppContext& context;
    TProductSelector& selector;
    TDFMProxy& labels;
    TControlPlacement& placement;
    TDocumentPickers pickers;
};

// One column of the line grid.
struct TDocumentColumn {
    QString field;
    QString title;
    bool readOnly = false;
    int width = -1;
};

// Everything that makes the purchase, sale or refund editor what it is, over
// the one editor below: the document kind, the window's names and labels,
// the partner and its pick, and the line columns.
struct TDocumentEditorDescription {
    const TDocumentKind* kind = nullptr;
    QString objectName;    // InputEditForm
    QString caption;       // 进货单
    QString placementPath; // InputEditForm\ .
    QString numberLabel;   // 进货单号:
    enum class Partner { Supplier, Customer } partner = Partner::Supplier;
    QString partnerLabel;     // 供应商:
    QString partnerEditName;  // edtSupplier
    QString partnerPickName = QStringLiteral("BitBtn6"); // its "..." button
    QString partnerCodeLabel; // 贵宾卡号：, a second box choosing the partner by code; empty for none
    QString dateLabel;        // 进货时间:
    QString dateEditName;     // edtInputDate
    QString userEditName;     // edtInputUser
    QString totalLabel = QStringLiteral("总价:");
    bool totalReadOnly = false;       // the sale's total is always the lines' sum
    bool createFieldsLocked = false;  // who entered it and when, shown only
    QString linesTitle;               // 进货商品列表
    QString linesHint;                // [Ctrl+方向键] 移动焦点
    QList<TDocumentColumn> columns;
    // Before each save the change calculator is offered ("保存时显示找零计算器").
    bool changeCalculator = false;
    // A sign under the buttons telling which way the goods go, for kinds
    // that share a window (the refunds); no name: none.
    QString flagName, flagText, flagColor;
};

// The document editor: a header, the lines with the product selector, and
// the buttons that save, audit and cancel. There is one per document kind;
// the form factory keeps it and the callers put it into one of two modes,
// NewDocument or OpenDocument, before showing it.
class TDocumentEditForm : public QWidget {
    Q_OBJECT
public:
    TDocumentEditForm(const TDocumentEditorDescription& description, TDocumentEditorDeps deps,
                      QWidget* parent = nullptr);
    ~TDocumentEditForm() override;

    const TDocumentEditorDescription& Description() const { return m_desc; }

    // Once, after creation: the product cells' editor and the field labels.
    void PrepareEditor();
    void NewDocument();
    void OpenDocument(const QString& number);
    void LoadDocument(const QString& number);
    void AddBlankLine();
    bool SaveDocument();
    bool SaveNewDocument();
    bool SaveExistingDocument();
    double SumLineTotals();
    void ChangeAuditStatus(int status);
    void UpdateButtons(bool dirty);
    void SetEditable(bool editable);
    void SetPartner(qint64 id);
    void SetHandlingUser(qint64 id);
    void OnProductPicked(QObject* sender, const TProduct& product);
    bool FocusNextEditableColumn(int start);
    // Makes the lines able to show a product: picks call it before they
    // write its id into a line.
    void ListProduct(int productId);

    bool IsNew() const { return m_isNew; }
    bool Modified() const { return m_modified; }
    const TIdentity& Identity() const { return m_identity; }
    QString DocumentNumber() const;
    // Audited: nothing of the document may change until the audit is cancelled.
    bool IsLocked() const;
    DataSet* Master() const { return m_master; }
    DataSet* Detail() const { return m_detail; }
    DataGrid* Grid() const { return m_grid; }
    // The product cell's editor while one is open.
    QLineEdit* ProductEditor() const { return m_productEditor; }

    // Reloads the list of documents of this kind; called when the window
    // closes after a change. The list windows set it.
    std::function<void()> RefreshList;
    // The change calculator: true to go on with the save.
    std::function<bool(double amountDue)> ConfirmPayment;

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    bool prepareSave(TDocumentLines& lines);
    friend class TDetailDelegate;
    void buildHeader();
    void buildLines();
    void buildButtons();
    void buildDataSets();
    void connectSignals();
    void connectGrid();
    void setTabOrderByReading();
    QWidget* pickButton(const char* name, const std::function<void(TPendingPick::Delivery)>& picker,
                        std::function<void(qint64)> set);
    TPendingPick::Delivery delivery(std::function<void(qint64)> set);
    void openDetail(const QString& number);
    void listProducts();
    void saveClicked(bool andNew);
    void cancelClicked();
    void closeClicked();
    void deleteLine(bool ask);
    void commitOpenEditor();
    void masterEdit();
    void lockShownFields();
    void focusCell(int row, int column, bool openEditor);

    // Keys (documenteditkeys.cpp).
    bool gridKey(QKeyEvent* e);
    bool cellEditorKey(QWidget* editor, QKeyEvent* e);
    bool productEditorKey(QWidget* editor, QKeyEvent* e);
    void gridEnter();
    bool isProductColumn(int viewColumn) const;
    QWidget* createProductEditor(QWidget* parent);
    void loadProductEditor(QWidget* editor, const QString& text);
    void productEditorEnter(QLineEdit* editor);
    void productEditorChange(QLineEdit* editor);
    void productEditorButton(QLineEdit* editor);
    void productEditorExit();
    void scannedCode(const QString& code);

    TDocumentEditorDescription m_desc;
    const TDocumentKind& m_kind;
    TDocumentEditorDeps m_deps;
    DataSet* m_master = nullptr;
    DataSet* m_detail = nullptr;
    DataSet* m_products = nullptr; // the lines' products
    QSet<int> m_listedProducts;
    TLineArithmetic m_arithmetic;
    std::unique_ptr<TGridController> m_gridController;
    TIdentity m_identity;
    bool m_isNew = false;
    bool m_modified = false;
    bool m_selectorTrigger = true;
    // Counts the documents shown: a pick delivered after the editor moved on
    // belongs to none of its documents.
    int m_generation = 0;
    bool m_prepared = false;

    QWidget* pRoot = nullptr;
    QLabel* DBText1 = nullptr;
    std::unique_ptr<FieldLink> m_numberLink;
    DBLookupCombo* edtPartner = nullptr;
    DBLookupCombo* edtPartnerCode = nullptr;
    DBLineEdit* edtTotalPrice = nullptr;
    QPushButton* JvSpeedButton1 = nullptr;
    DBDateEdit* edtDate = nullptr;
    DBDateEdit* edtCreateDate = nullptr;
    DBLookupCombo* edtUser = nullptr;
    DBLookupCombo* edtCreateUser = nullptr;
    DBMemo* edtComments = nullptr;
    QCheckBox* cbShowPOSCalc = nullptr;
    QLabel* lbCannotEdit = nullptr;
    QPushButton *btnAddLine = nullptr, *btnDeleteLine = nullptr;
    DataGrid* m_grid = nullptr;
    TDetailDelegate* m_delegate = nullptr;
    QPointer<QLineEdit> m_productEditor;
    QPushButton *btnAuditCancel = nullptr, *btnAudit = nullptr, *btnSave = nullptr, *btnSaveAndNew = nullptr,
                *btnCancel = nullptr, *btnClose = nullptr;
};
