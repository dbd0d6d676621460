#pragma once
#include "datasetmodel.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QWidget>
#include <memory>
#include <vector>

class GridFooter;
class GridView;
class QSettings;
class QTableView;

// One column of a data grid. Windows and the field-configuration service
// change title and visibility after creation, then call refreshColumns().
struct GridColumn {
    QString fieldName;
    QString title; // empty: the field name
    bool visible = true;
    bool readOnly = false;
    // Pixels; -1: none asked for. The grid widens a column to its title and
    // to the text of the rows it first shows, unless the saved layout gives
    // the width.
    int width = -1;
    Qt::Alignment alignment; // empty: numbers right, text left
};

// A table of a dataset's rows: the view's current row and the dataset's
// current row follow each other, a footer row shows totals under the
// columns, and the column layout is kept in the placement file.
class DataGrid : public QWidget {
    Q_OBJECT
public:
    enum class FooterMode { None, Columns, Wide };

    explicit DataGrid(QWidget* parent = nullptr);
    ~DataGrid() override;

    void setDataSet(DataSet* ds);
    DataSet* dataSet() const;
    QTableView* view() const { return m_view; }
    DataSetModel* model() const { return m_model; }

    // Columns. Without any, the grid shows every field of the dataset.
    GridColumn* addColumn(const GridColumn& column);
    GridColumn* addColumn(const QString& fieldName, const QString& title = QString(),
                          int width = -1);
    // Several at once, applied to the view once: what adding them one by
    // one gives, without the view re-laying its header after each.
    void addColumns(const QList<GridColumn>& columns);
    GridColumn* column(const QString& fieldName) const; // null when absent
    QList<GridColumn*> columns() const;
    void clearColumns();
    // Applies the column list to the view (titles, visibility, widths...).
    void refreshColumns();
    void setColumnTitle(const QString& fieldName, const QString& title);
    void setColumnVisible(const QString& fieldName, bool visible);
    // The view's column for a field, -1 when absent.
    int viewColumn(const QString& fieldName) const;

    void setRowSelect(bool on); // whole rows are selected
    bool rowSelect() const { return m_rowSelect; }
    void setReadOnly(bool on);
    bool isReadOnly() const { return m_readOnly; }
    // Whether any shown cell can be typed into. Tab moves cell by cell only
    // then; otherwise it leaves the grid for the window's next control.
    bool cellsEditable() const;

    // Footer: one cell under each column, or one wide cell on the left.
    void setFooterMode(FooterMode mode);
    FooterMode footerMode() const { return m_footerMode; }
    void setFooterText(const QString& fieldName, const QString& text);
    QString footerText(const QString& fieldName) const;
    void setWideFooterText(const QString& text);
    QString wideFooterText() const { return m_wideFooter; }
    void clearFooter();
    QWidget* footer() const;
    // Where a field's footer cell is drawn, in footer coordinates; empty when
    // the column is hidden or scrolled out of sight.
    QRect footerCellRect(const QString& fieldName) const;

    // Column order, widths and visibility under group in the placement file.
    void saveLayout(QSettings& settings, const QString& group) const;
    void restoreLayout(QSettings& settings, const QString& group);

signals:
    void rowDoubleClicked(int recNo);

private:
    friend class GridFooter;
    friend class GridView;
    void syncViewToDataSet();
    void onViewCurrentChanged(const QModelIndex& current);
    void onDataSetReset();
    void makeAutoColumns();
    QList<DataSetModel::Column> modelColumns() const;
    void applyColumnsToView();
    void fitToContent(GridColumn& column, int logical);
    // A cell editor has opened: the row goes into edit at once. False when
    // the dataset refused (the error has been shown).
    bool startCellEdit(const QModelIndex& index);

    QTableView* m_view = nullptr;
    DataSetModel* m_model = nullptr;
    GridFooter* m_footer = nullptr;
    QPointer<DataSet> m_ds;
    std::vector<std::unique_ptr<GridColumn>> m_columns;
    bool m_autoColumns = true; // columns mirror the dataset's fields
    bool m_rowSelect = false;
    bool m_readOnly = false;
    int m_syncing = 0; // >0 while the grid or the model moves the view itself
    FooterMode m_footerMode = FooterMode::None;
    QHash<QString, QString> m_footerTexts; // lower-case field name -> text
    // Columns (lower-case field names) whose width is no longer sized to
    // their content: fitted to rows once, or given by the saved layout.
    QSet<QString> m_settledWidths;
    QString m_wideFooter;
};
