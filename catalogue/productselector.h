#pragma once
#include "product.h"

#include <QWidget>

class Connection;
class DataGrid;
class TControlPlacement;
class TDFMProxy;
class DataSet;
class QLabel;
class QPushButton;
class QTimer;

// The list that follows a document line's product cell: it searches 200 ms
// after the last key, the editor keeps the focus and passes its keys on,
// and Enter hands the highlighted product to the editor's handler.
class TProductSelector : public QWidget {
    Q_OBJECT
public:
    TProductSelector(Connection& conn, TDFMProxy& labels, TControlPlacement& placement, QWidget* parent = nullptr);
    ~TProductSelector() override;

    DataSet* productQuery;
    DataGrid* productGrid;
    QTimer* Timer1;
    QLabel* lbHint;
    QPushButton *btnNew, *btnHide, *btnOK;

    void ShowForEditor(QWidget* edit, TProductPickEvent handler);
    void QueueSearch(const TProduct& criteria, bool matchAll);
    void ForwardKey(int key);
    void PickCurrent();
    void HideSelector();
    void ResetSearch();
    // Lists the products whose code, name, model or 规格 is like '%text%'
    // for the criteria's texts (any of them, or all with matchAll), by name.
    // The data file's trigram index tells which products hold the texts: up
    // to sortLimit of them are read by id and sorted, more are picked out
    // along the name index. A text held by more than filterLimit index
    // entries is so common that the name index is walked without it.
    void RunSearch(const TProduct& criteria, bool matchAll);
    void SetSearchLimits(int sortLimit, int filterLimit) {
        m_sortLimit = sortLimit;
        m_filterLimit = filterLimit;
    }

    // Opens the full product list for picking ("高级查找（新建商品）"); set by
    // the catalogue once the product list window exists.
    std::function<void(TProductPickEvent)> OpenProductList;
    bool HasHandler() const { return bool(m_handler); }
    int SearchCount() const { return m_searches; } // searches run so far

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void buildGrid();
    void buildButtons();
    void timerFired();
    TDFMProxy& m_labels;
    TControlPlacement& m_placement;
    TProductPickEvent m_handler;
    TProduct m_pending, m_lastRun;
    bool m_pendingMatchAll = false;
    int m_searches = 0;
    // Index entries of the texts (at least one per product holding them) up
    // to which the products are read by id and sorted (about as long as
    // walking the whole name index), and up to which they are picked out
    // along the name index (counting and collecting them costs about as much).
    int m_sortLimit = 3000;
    int m_filterLimit = 12000;
};

// The key handling of a document's line grid: Up and Down move between
// lines without ever appending one, Ctrl+Left and Ctrl+Right jump between
// the columns that can be typed into.
class TGridController {
public:
    explicit TGridController(DataGrid* grid) : m_grid(grid) {}
    // True when the key was handled and must go no further.
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers);
    bool IsEditableColumn(int viewColumn) const;

private:
    void openEditor();
    void moveColumn(int step);
    DataGrid* m_grid;
};
