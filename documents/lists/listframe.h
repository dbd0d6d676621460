#pragma once
#include "listkind.h"
#include "liststatements.h"

#include <QString>
#include <QWidget>
#include <functional>

class DataGrid;
class DataSet;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;
class TDFMProxy;
class TMainDM;

// How a list reaches the document editors, which live elsewhere: open the
// editor of a kind on a new document, or on a stored one by its number.
struct TListHooks {
    std::function<void(ListStatements::Kind)> newDocument;
    std::function<void(ListStatements::Kind, const QString& documentNo)> openDocument;
};

// What a list frame is made with.
struct TListFrameDeps {
    TMainDM& dm;
    TDFMProxy& labels;
    TListHooks hooks;
};

// One list of stored documents of one kind: the documents page (a row per
// document) and the lines page (a row per line), a search panel, footers
// with the totals, opening, new, deleting, export. Everything that differs
// between purchases and sales comes from the kind's description.
//
// Lists read lazily from the reading connection, so the first screen comes
// at once and later rows as the grid scrolls; the footers' sums run off the
// interface thread and follow when ready.
class TListFrame : public QWidget {
    Q_OBJECT
public:
    TListFrame(const TListKind& kind, const TListFrameDeps& deps, QWidget* parent = nullptr);
    ~TListFrame() override;

    const TListKind& Kind() const { return m_kind; }

    // Tool bar.
    QToolButton *ToolButton1, *ToolButton2, *ToolButton3, *btnSearchSwitch, *ToolButton7, *btnExportMain,
        *btnExportDetail;
    // The page choice of kinds whose page strip is hidden; null otherwise.
    QRadioButton *rbMain = nullptr, *rbDetail = nullptr;
    // Search panel.
    QWidget* pFind;
    QGroupBox* pRoot;
    QLineEdit *edtProductCode, *edtProductName;
    QComboBox *edtproduct_model, *edtproduct_spec; // plain text boxes unless the kind offers lists
    QComboBox *edtPartner, *edtCustomerCode, *edtType, *edtUser, *edtCreateUser, *edtAuditStatus;
    QCheckBox *chkDate, *chkCreateDate;
    QDateEdit *edtDateStart, *edtDateEnd, *edtCreateDateStart, *edtCreateDateEnd;
    QPushButton *JvBitBtn1, *btnSearch;
    // Pages.
    QTabWidget* PageControl1;
    QWidget *tsMain, *tsDetail;
    DataGrid *gridMain, *gridDetail;
    DataSet *queryMain, *queryDetail;

    // Entry points.
    void Prepare();
    void ListAll();
    void ListUnaudited();
    void StartSearch();
    void RefreshList();
    void FilterByProduct(qint32 productId);
    void ShowLinesPage();

    void LoadLists(const ListStatements::ListCriteria& criteria);
    void ResetLists();
    void ClearCriteria();
    void ExecuteSearch();
    // What the search panel holds, as the criteria builder takes it.
    ListStatements::ListSearch SearchPanel() const;
    void OpenSelected();
    void NewDocument();
    // Asks, then deletes the current document or line of the visible page.
    void DeleteSelected();
    void DeleteDocument();
    void DeleteLine();

    bool LinesPageShown() const;
    // Whether a footer's sums are being read (tests wait for them).
    bool SumsPending() const { return m_pendingSums > 0; }

signals:
    // A footer got its sums.
    void sumsShown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum Page { Documents = 0, Lines = 1 };
    struct PageLists {
        DataSet* list = nullptr;
        DataGrid* grid = nullptr;
        QString sql, sumSql; // empty: no statement
        bool sumOpen = false;
        QVariantList sums;   // the sum row, when read
        int generation = 0;  // of the sum read last asked for
    };

    void buildToolBar();
    void buildSearchPanel();
    void buildPages();
    DataGrid* buildGrid(QWidget* page, const char* name, const QList<TListKind::Column>& columns);
    void fillChoices(QComboBox* box, DataSet* list, const QString& keyField, const QString& textField,
                     const QString& firstText, const QString& firstKey);
    void followChoices(QComboBox* box, std::function<DataSet*()> list, const QString& keyField,
                       const QString& textField, const QString& firstText, const QString& firstKey);
    void refillFrom(QComboBox* box, DataSet* list, const QString& field);
    void pageChanged(int index);
    void showPageWork(Page page);
    void openPage(Page page);
    void openList(Page page);
    void openSum(Page page);
    void closeAll();
    void showFooter(Page page);
    void refreshButton();
    Page currentPage() const;
    QString numberColumn() const;

    TListKind m_kind;
    TMainDM& m_dm;
    TDFMProxy& m_labels;
    TListHooks m_hooks;
    PageLists m_pages[2];
    SqlParams m_params;
    int m_pendingSums = 0;
    int m_pageSync = 0; // >0 while the page is changed by code
};
