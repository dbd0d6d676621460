#pragma once
#include "liststatements.h"
#include "stockstatements.h"

#include <QWidget>
#include <functional>

class DataGrid;
class DataSet;
class DBTree;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TAppContext;
class TDFMProxy;
class TMainDM;
class TStorageUnitCostEditForm;

// What the stock view is made with. showProductLines opens the lines of one
// product in a list window of the stock view's own, titled caption.
struct TInventoryDeps {
    TMainDM& dm;
    TAppContext& context;
    TDFMProxy& labels;
    TStorageUnitCostEditForm& unitCostForm;
    std::function<void(ListStatements::Kind, qint32 productId, const QString& caption)> showProductLines;
};

// The stock list with its category tree, search group and footer totals.
// The list reads lazily and its sums run off the interface thread, so a
// hundred thousand stock rows open as fast as the first screen of them.
class TInventoryFrame : public QWidget {
    Q_OBJECT
public:
    TInventoryFrame(const TInventoryDeps& deps, QWidget* parent = nullptr);
    ~TInventoryFrame() override;

    QTreeWidget* JvDBTreeView1;
    QComboBox *cbSearchScope, *cbCategory, *cbQuantityCond;
    QLineEdit* edtSearchKey;
    QDoubleSpinBox* edtQuantity;
    QPushButton *JvBitBtn9, *JvImgBtn1, *btnExport, *JvImgBtn2, *btnPurchaseDetail, *btnSaleDetail;
    DataGrid* JvDBGrid1;
    DataSet *queryInventory, *queryCategory;

    void Prepare();
    void ReloadStock();
    void SearchStock();
    // What the search group holds.
    StockView::Search SearchGroup() const;
    void LoadStock(const StockView::Criteria& criteria);
    // "刷新": the sums and the list again with the same statement.
    void RefreshStock();
    void EditUnitCost();
    void ShowDocuments(ListStatements::Kind kind);
    bool SumsPending() const { return m_pendingSums > 0; }

signals:
    void sumsShown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildSearchGroup();
    QWidget* buildButtons();
    void buildGrid(bool withCost);
    void fillCategoryBox();
    QStringList categoryRows() const;
    void treeChanged(QTreeWidgetItem* item);
    void openSums();
    void openRowsThenSums();
    void showFooter();
    bool hasRow() const;

    TMainDM& m_dm;
    TAppContext& m_context;
    TDFMProxy& m_labels;
    TStorageUnitCostEditForm& m_unitCostForm;
    std::function<void(ListStatements::Kind, qint32, const QString&)> m_showProductLines;
    DBTree* m_tree = nullptr;
    int m_treeSync = 0;
    StockView::Criteria m_criteria;
    bool m_loaded = false;
    QVariantList m_sums;
    int m_sumGeneration = 0;
    int m_pendingSums = 0;
};
