#pragma once
#include "dataset.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <QStringList>

// A table model over a DataSet, so that any Qt view can show one. The rows
// are the dataset's fetched rows (more are fetched as the view scrolls);
// the columns are its fields or a chosen list of them. Edits go through the
// dataset (edit + setValue), so posting, batch mode and change handlers
// behave exactly as they do for code.
class DataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString fieldName;
        QString title;           // empty: the field name
        Qt::Alignment alignment; // empty: numbers right, everything else left
        bool readOnly = false;
    };

    explicit DataSetModel(QObject* parent = nullptr);
    explicit DataSetModel(DataSet* ds, QObject* parent = nullptr);

    void setDataSet(DataSet* ds);
    DataSet* dataSet() const { return m_ds; }

    // The chosen columns, in order.
    void setColumns(const QList<Column>& columns);
    void setFieldNames(const QStringList& names);
    // Every field of the dataset is a column (the default); infos give
    // titles and alignment to some of them by field name.
    void setAllFields(const QList<Column>& infos = {});
    bool showsAllFields() const { return m_allFields; }
    QList<Column> columns() const { return m_shown; } // as shown now
    QString fieldNameAt(int column) const;
    int columnOf(const QString& fieldName) const; // -1 when absent
    Field* fieldAt(int column) const;             // null while the field does not exist
    // The key field a look-up column writes when edited; null otherwise.
    Field* lookupKeyOf(Field* lookup) const;

    // Whether a value from an editor is what the field holds already. An
    // editor hands back what it was given when the user changed nothing, and
    // that must not put the dataset into edit state.
    static bool sameValue(const QVariant& current, const QVariant& proposed);

    // Whether the cells of a column can be edited: the dataset can be
    // modified, and neither the model, the column nor its field is read-only
    // (a look-up column is edited through its key).
    bool isColumnEditable(int column) const;

    // A read-only model never edits, whatever the dataset allows.
    void setReadOnly(bool on);
    bool isReadOnly() const { return m_readOnly; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    void resolve();
    void onReset();
    void onFetched(int first, int last);
    void onInserted(int row);
    void onAboutToRemove(int row);
    void onRemoved(int row);
    void onRowChanged(int row);

    QPointer<DataSet> m_ds;
    void apply(const QList<Column>& columns, bool allFields);
    QList<Column> m_columns; // as chosen, or infos in all-fields mode
    bool m_allFields = true;
    QList<Column> m_shown;   // the columns shown now
    QList<int> m_fieldIndex; // field index per shown column, -1 when missing
    int m_rows = 0;          // rows announced to views so far
    int m_removing = -1;     // row between begin and end of a removal
    bool m_readOnly = false;
};
