#pragma once
#include "datasetrow.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class Connection;
class Statement;
class DataSet;

enum class FieldType { Unknown, Integer, Float, Text, DateTime, Bool, Blob };
enum class FieldKind { Data, Lookup, Calculated };

// One column of a dataset. Values are read and written for the current row
// through the field, or for any row through the dataset.
class Field {
public:
    QString name() const { return m_name; }
    FieldType type() const { return m_type; }
    FieldKind kind() const { return m_kind; }
    bool isNumeric() const { return m_type == FieldType::Integer || m_type == FieldType::Float; }
    int index() const { return m_index; }
    DataSet* dataSet() const { return m_ds; }
    // Characters the column holds, from its declared type (varchar(50));
    // 0 when unlimited or unknown. Longer text is refused by setValue.
    int size() const { return m_size; }

    QString displayFormat() const { return m_displayFormat; }
    void setDisplayFormat(const QString& f) { m_displayFormat = f; }
    bool isReadOnly() const { return m_readOnly || m_kind != FieldKind::Data; }
    void setReadOnly(bool r) { m_readOnly = r; }

    // The table and column the value came from, empty for expressions.
    QString originTable() const { return m_originTable; }
    QString originColumn() const { return m_originColumn; }

    // Current-row accessors.
    QVariant value() const;
    bool isNull() const;
    QString asString() const;
    int asInteger() const;
    double asFloat() const;
    QDateTime asDateTime() const;
    bool asBoolean() const;
    QString displayText() const;
    void setValue(const QVariant& v);
    void clear() { setValue(QVariant()); }

    // Called after the value of the current row changed through setValue.
    std::function<void(Field&)> onChange;

    // Lookup definition.
    QString lookupKeyField() const { return m_keyField; }
    DataSet* lookupDataSet() const { return m_lookupDs; }
    QString lookupListKey() const { return m_listKey; }
    QString lookupListResult() const { return m_listResult; }

private:
    friend class DataSet;
    DataSet* m_ds = nullptr;
    QString m_name;
    FieldType m_type = FieldType::Unknown;
    FieldKind m_kind = FieldKind::Data;
    int m_index = -1; // position among data columns, or among extra fields
    int m_size = 0;
    QString m_displayFormat;
    bool m_readOnly = false;
    QString m_originTable, m_originColumn;
    QString m_keyField, m_listKey, m_listResult;
    DataSet* m_lookupDs = nullptr;
    std::function<QVariant(const DataSet&, int row)> m_calc;
};

// A statement's result as rows in memory with a current row, the states
// inactive/browse/edit/insert, write-back to one table by key (at each post,
// or held until ApplyUpdates in batch mode), lookup and calculated fields.
// Read-only results are fetched lazily, so a list can hold a million rows.
class DataSet : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    Q_ENUM(State)

    explicit DataSet(Connection* conn = nullptr, QObject* parent = nullptr);
    ~DataSet() override;

    void setConnection(Connection* conn) { m_conn = conn; }
    Connection* connection() const { return m_conn; }
    void setSql(const QString& sql);
    QString sql() const { return m_sql; }
    void setParam(const QString& name, const QVariant& value);
    QVariant param(const QString& name) const { return m_params.value(normParam(name)); }
    void clearParams() { m_params.clear(); }

    // Write-back target. Without it the dataset is read-only (unless the
    // rows are only kept in memory, see setInMemory).
    void setUpdateTable(const QString& table, const QString& keyField = QStringLiteral("id"));
    QString updateTable() const { return m_updateTable; }
    QString keyField() const { return m_keyField; }
    // Batch mode: posts stay in memory until applyUpdates().
    void setCachedUpdates(bool on) { m_cached = on; }
    bool cachedUpdates() const { return m_cached; }
    // Editable without any table behind it.
    void setInMemory(bool on) { m_inMemory = on; }
    // Rows fetched at a time by lazy fetching; 0 fetches everything at open.
    void setFetchBlock(int rows) { m_fetchBlock = rows; }
    int fetchBlock() const { return m_fetchBlock; }

    // Extra fields; their definitions survive close and reopen.
    Field* addLookupField(const QString& name, const QString& keyField, DataSet* list,
                          const QString& listKey, const QString& listResult);
    Field* addCalculatedField(const QString& name, FieldType type,
                              std::function<QVariant(const DataSet&, int row)> calc);
    // A display format set here is kept across reopening.
    void setDisplayFormat(const QString& fieldName, const QString& format);

    // Handlers, in the order the old screens relied on.
    std::function<void(DataSet&)> onNewRecord;  // after append, to fill defaults
    std::function<void(DataSet&)> beforePost;   // may throw to refuse
    std::function<void(DataSet&)> afterPost;
    std::function<void(DataSet&)> beforeDelete; // may throw to refuse
    std::function<void(DataSet&)> afterScroll;

    void open();
    void close();
    void requery(); // close and open with the same statement and parameters
    bool isActive() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    bool isEditing() const { return m_state == State::Edit || m_state == State::Insert; }

    // Rows. Row numbers are 1-based for the current row (RecNo) and 0-based
    // for direct access by views.
    int recordCount();                     // fetches every row
    int fetchedCount() const { return int(m_rows.size()); }
    bool canFetchMore() const { return m_cursor != nullptr; }
    int fetchMore(int rows);               // rows added
    void fetchAll();
    bool isEmpty();
    int recNo() const { return m_current < 0 ? 0 : m_current + 1; }
    void setRecNo(int recNo);
    int currentRow() const { return m_current; }
    bool bof() const { return m_bof; }
    bool eof() const { return m_eof; }
    void first();
    void next();
    void prior();
    void last();
    void moveBy(int delta);
    bool locate(const QString& fieldName, const QVariant& value, bool caseInsensitive = false);
    // Row index of the first row whose field equals value, or -1. Indexed.
    int findRow(const QString& fieldName, const QVariant& value);
    // A value of the row where keyField = key, for look-ups against this set.
    QVariant lookup(const QString& keyField, const QVariant& key, const QString& resultField);

    // Fields.
    int fieldCount() const { return int(m_fields.size()); }
    Field* fieldAt(int i) const { return m_fields[size_t(i)].get(); }
    Field* findField(const QString& name) const;
    Field* field(const QString& name) const; // throws AppError when absent
    QStringList fieldNames() const;

    QVariant value(const QString& name) const { return field(name)->value(); }
    void setValue(const QString& name, const QVariant& v) { field(name)->setValue(v); }
    QVariant valueAt(int row, int fieldIndex) const;
    QVariant valueAt(int row, const QString& name) const;
    QString displayTextAt(int row, int fieldIndex) const;
    void setValueAt(int row, int fieldIndex, const QVariant& v); // moves there and edits

    // Editing.
    void append();
    void edit();
    void post();
    void cancel();
    void deleteRecord();
    void checkBrowseMode(); // posts a pending edit
    bool canModify() const;

    // Bound editors holding text that is not yet a value (a "-" or "1e" in a
    // number box) register a check here. Every post runs the checks first;
    // one that throws refuses the post, so nothing is written and the
    // caller's save stops. The id removes the check again.
    int addEditorCheck(std::function<void()> check);
    void removeEditorCheck(int id);
    void checkEditors(); // throws AppError when an editor holds a refused value

    // Batch mode.
    void applyUpdates();
    void cancelUpdates();
    bool hasPendingUpdates() const;

    // Disables change signals while filling rows in a loop.
    void disableControls() { ++m_disabled; }
    void enableControls();

signals:
    void stateChanged(DataSet::State state);
    void currentChanged(int recNo);
    void rowsReset();                   // opened, closed, requeried, updates cancelled
    void rowsFetched(int first, int last);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row); // still there, so views can let go of it
    void rowRemoved(int row);
    void rowChanged(int row);
    void fieldChanged(int row, int fieldIndex);
    // Look-up values of any row may read differently: a list dataset behind
    // a look-up field was reopened or changed. Rows and current row stay.
    void valuesChanged();

private slots:
    void lookupListChanged();
    void lookupListDestroyed(QObject* list);

private:
    friend class Field;
    enum class RowStatus : unsigned char { Unchanged, Modified, Inserted };
    // A row read from the statement keeps its values as the engine gave
    // them (data) until it is edited or deleted; from then on, and for rows
    // appended, values holds them. See valuesOf().
    struct Row {
        RowData data;
        std::vector<QVariant> values;
        RowStatus status = RowStatus::Unchanged;
        std::shared_ptr<std::vector<QVariant>> original; // values at the last apply
    };

    static QString normParam(const QString& n);
    void setState(State s);
    void readRow(Statement& st);
    void buildFields(Statement& st);
    void ensureRow(int row);
    void moveTo(int row);
    bool writable() const;
    // Whether the statement returns a row whose field f equals value.
    bool statementHas(const Field& f, const QVariant& value);
    void writeInsert(Row& row);
    void writeUpdate(Row& row);
    void writeDelete(const std::vector<QVariant>& values);
    QVariant normalised(const Field& f, const QVariant& v) const;
    static QVariant normalisedAs(FieldType type, const QVariant& v);
    // The value a data field holds in a row, as stored (dates as their text).
    QVariant storedValue(const Row& row, int fieldIndex) const;
    // The row's values as QVariants, made from what was read on first need.
    std::vector<QVariant>& valuesOf(Row& row) const;
    void invalidateIndexes() { m_indexes.clear(); }
    void notifyScroll();

    Connection* m_conn = nullptr;
    QString m_sql;
    QHash<QString, QVariant> m_params;
    QString m_updateTable, m_keyField;
    bool m_cached = false;
    bool m_inMemory = false;
    int m_fetchBlock = 256;

    State m_state = State::Inactive;
    std::vector<std::unique_ptr<Field>> m_fields; // data fields first, then extras
    int m_dataFieldCount = 0;
    std::vector<std::unique_ptr<Field>> m_extraDefs; // lookup and calculated definitions
    QHash<QString, QString> m_formats;               // lower-case name -> format
    QHash<QString, int> m_fieldIndex;                // lower-case name -> index
    std::vector<Row> m_rows;
    RowData::Builder m_rowBuilder;
    struct DeletedRow {
        std::vector<QVariant> values; // as last read or applied
        int position;                 // row index when it was deleted
    };
    std::vector<DeletedRow> m_deleted; // rows deleted in batch mode, in order
    std::unique_ptr<Statement> m_cursor;
    int m_current = -1;
    bool m_bof = true, m_eof = true;
    std::vector<QVariant> m_editSnapshot;
    RowStatus m_snapshotStatus = RowStatus::Unchanged;
    int m_disabled = 0;
    QHash<QString, QHash<QString, int>> m_indexes; // field -> key text -> first row
    std::vector<std::pair<int, std::function<void()>>> m_editorChecks;
    int m_nextEditorCheck = 1;
    bool m_notifyingLookups = false;
};
