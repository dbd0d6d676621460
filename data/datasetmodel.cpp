#include "datasetmodel.h"

#include "dataset.h"
#include "displayformat.h"

bool DataSetModel::sameValue(const QVariant& current, const QVariant& proposed) {
    const bool curNull = !current.isValid() || current.isNull();
    const bool newNull = !proposed.isValid() || proposed.isNull() ||
                         (proposed.typeId() == QMetaType::QString && proposed.toString().isEmpty());
    if (curNull || newNull) return curNull && newNull;
    if (current.typeId() == proposed.typeId()) return current == proposed;
    if (current.typeId() == QMetaType::Double || current.typeId() == QMetaType::LongLong) {
        bool ok = false;
        const double d = proposed.toDouble(&ok);
        return ok && d == current.toDouble();
    }
    return DisplayFormat::displayText(current) == DisplayFormat::displayText(proposed);
}

DataSetModel::DataSetModel(QObject* parent) : QAbstractTableModel(parent) {}

DataSetModel::DataSetModel(DataSet* ds, QObject* parent) : QAbstractTableModel(parent) {
    setDataSet(ds);
}

void DataSetModel::setDataSet(DataSet* ds) {
    if (m_ds == ds) return;
    beginResetModel();
    if (m_ds) disconnect(m_ds, nullptr, this, nullptr);
    m_ds = ds;
    if (m_ds) {
        connect(m_ds, &DataSet::rowsReset, this, &DataSetModel::onReset);
        connect(m_ds, &DataSet::rowsFetched, this, &DataSetModel::onFetched);
        connect(m_ds, &DataSet::rowInserted, this, &DataSetModel::onInserted);
        connect(m_ds, &DataSet::rowAboutToBeRemoved, this, &DataSetModel::onAboutToRemove);
        connect(m_ds, &DataSet::rowRemoved, this, &DataSetModel::onRemoved);
        connect(m_ds, &DataSet::rowChanged, this, &DataSetModel::onRowChanged);
        // Calculated and look-up columns of the row may depend on the field,
        // so the whole row is redrawn.
        connect(m_ds, &DataSet::fieldChanged, this, [this](int row, int) { onRowChanged(row); });
        // A look-up's list changed: every row may read differently, and a
        // reset would lose the view's place.
        connect(m_ds, &DataSet::valuesChanged, this, [this] {
            if (m_rows > 0 && !m_shown.isEmpty())
                emit dataChanged(index(0, 0), index(m_rows - 1, int(m_shown.size()) - 1));
        });
        connect(m_ds, &QObject::destroyed, this, [this] {
            beginResetModel();
            m_rows = 0;
            m_shown.clear();
            m_fieldIndex.clear();
            endResetModel();
        });
    }
    resolve();
    endResetModel();
}

void DataSetModel::resolve() {
    m_shown.clear();
    m_fieldIndex.clear();
    m_rows = 0;
    if (m_allFields) {
        for (int i = 0; m_ds && i < m_ds->fieldCount(); ++i) {
            Column c;
            c.fieldName = m_ds->fieldAt(i)->name();
            for (const Column& info : m_columns)
                if (info.fieldName.compare(c.fieldName, Qt::CaseInsensitive) == 0) c = info;
            m_shown << c;
            m_fieldIndex << i;
        }
    } else {
        m_shown = m_columns;
        for (const Column& c : m_columns) {
            Field* f = m_ds ? m_ds->findField(c.fieldName) : nullptr;
            m_fieldIndex << (f ? f->index() : -1);
        }
    }
    if (m_ds && m_ds->isActive()) m_rows = m_ds->fetchedCount();
}

void DataSetModel::setColumns(const QList<Column>& columns) {
    apply(columns, false);
}

void DataSetModel::setAllFields(const QList<Column>& infos) {
    apply(infos, true);
}

void DataSetModel::apply(const QList<Column>& columns, bool allFields) {
    const QList<Column> oldShown = m_shown;
    const QList<int> oldIndex = m_fieldIndex;
    const int oldRows = m_rows;
    m_columns = columns;
    m_allFields = allFields;
    resolve();
    bool sameFields = oldShown.size() == m_shown.size() && oldIndex == m_fieldIndex;
    for (int i = 0; sameFields && i < m_shown.size(); ++i)
        sameFields = oldShown[i].fieldName.compare(m_shown[i].fieldName, Qt::CaseInsensitive) == 0;
    if (sameFields) {
        // Titles, alignment or read-only changed: keep the view's selection
        // and scroll position.
        if (!m_shown.isEmpty()) {
            emit headerDataChanged(Qt::Horizontal, 0, int(m_shown.size()) - 1);
            if (m_rows > 0)
                emit dataChanged(index(0, 0), index(m_rows - 1, int(m_shown.size()) - 1),
                                 {Qt::TextAlignmentRole, Qt::EditRole});
        }
        return;
    }
    // Views must see the old shape until the reset is announced.
    m_shown = oldShown;
    m_fieldIndex = oldIndex;
    m_rows = oldRows;
    beginResetModel();
    resolve();
    endResetModel();
}

void DataSetModel::setFieldNames(const QStringList& names) {
    QList<Column> cols;
    for (const QString& n : names) {
        Column c;
        c.fieldName = n;
        cols << c;
    }
    setColumns(cols);
}

QString DataSetModel::fieldNameAt(int column) const {
    return column >= 0 && column < m_shown.size() ? m_shown[column].fieldName : QString();
}

int DataSetModel::columnOf(const QString& fieldName) const {
    for (int i = 0; i < m_shown.size(); ++i)
        if (m_shown[i].fieldName.compare(fieldName, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

Field* DataSetModel::fieldAt(int column) const {
    if (!m_ds || column < 0 || column >= m_fieldIndex.size()) return nullptr;
    const int fi = m_fieldIndex[column];
    return fi >= 0 && fi < m_ds->fieldCount() ? m_ds->fieldAt(fi) : nullptr;
}

void DataSetModel::setReadOnly(bool on) {
    if (m_readOnly == on) return;
    m_readOnly = on;
    if (m_rows > 0 && !m_shown.isEmpty())
        emit dataChanged(index(0, 0), index(m_rows - 1, int(m_shown.size()) - 1), {Qt::EditRole});
}

int DataSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int DataSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_shown.size());
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !m_ds) return QVariant();
    Field* f = fieldAt(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return f ? m_ds->displayTextAt(index.row(), f->index()) : QString();
    case Qt::EditRole:
        return f ? m_ds->valueAt(index.row(), f->index()) : QVariant();
    case Qt::TextAlignmentRole: {
        Qt::Alignment a = m_shown[index.column()].alignment;
        if (!a) a = (f && f->isNumeric() ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
        return QVariant::fromValue(a);
    }
    default:
        return QVariant();
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section >= 0 && section < m_shown.size()) {
        if (role == Qt::DisplayRole) {
            const Column& c = m_shown[section];
            return c.title.isEmpty() ? c.fieldName : c.title;
        }
        if (role == Qt::UserRole) return m_shown[section].fieldName;
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags fl = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    if (isColumnEditable(index.column())) fl |= Qt::ItemIsEditable;
    return fl;
}

bool DataSetModel::isColumnEditable(int column) const {
    if (m_readOnly || !m_ds || !m_ds->canModify() || column < 0 || column >= m_shown.size() ||
        m_shown[column].readOnly)
        return false;
    Field* f = fieldAt(column);
    return f && (!f->isReadOnly() || lookupKeyOf(f));
}

Field* DataSetModel::lookupKeyOf(Field* f) const {
    // A look-up column is edited by choosing from its list; what is stored
    // is the key.
    if (!f || f->kind() != FieldKind::Lookup || !f->lookupDataSet() || !m_ds) return nullptr;
    Field* key = m_ds->findField(f->lookupKeyField());
    return key && !key->isReadOnly() ? key : nullptr;
}

bool DataSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable))
        return false;
    Field* f = fieldAt(index.column());
    if (Field* key = lookupKeyOf(f)) f = key; // the editor hands back the chosen key
    if (sameValue(m_ds->valueAt(index.row(), f->index()), value)) return true;
    // Errors (a number that is not one, a refused post of the row being
    // left) propagate to the application's error box like any other.
    m_ds->setValueAt(index.row(), f->index(), value);
    return true;
}

bool DataSetModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && m_ds && m_ds->isActive() && m_ds->canFetchMore();
}

void DataSetModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) return;
    const int block = m_ds->fetchBlock();
    m_ds->fetchMore(block > 0 ? block : 256); // arrives through rowsFetched
}

// The dataset reports most changes after making them; m_rows is what views
// were told, so every announcement stays consistent with rowCount(). Rows
// added at the end are safe to announce afterwards; a removal is announced
// before, while the row is still there. Anything out of step (signals held
// back by disableControls) resynchronises by a reset.

void DataSetModel::onReset() {
    beginResetModel();
    resolve();
    endResetModel();
}

void DataSetModel::onFetched(int first, int last) {
    if (first != m_rows || last + 1 != m_ds->fetchedCount()) return onReset();
    beginInsertRows(QModelIndex(), first, last);
    m_rows = last + 1;
    endInsertRows();
}

void DataSetModel::onInserted(int row) {
    if (row > m_rows || m_ds->fetchedCount() != m_rows + 1) return onReset();
    beginInsertRows(QModelIndex(), row, row);
    ++m_rows;
    endInsertRows();
}

void DataSetModel::onAboutToRemove(int row) {
    if (row < 0 || row >= m_rows || m_ds->fetchedCount() != m_rows) return;
    beginRemoveRows(QModelIndex(), row, row);
    m_removing = row;
}

void DataSetModel::onRemoved(int row) {
    if (m_removing >= 0) {
        const bool same = m_removing == row;
        m_removing = -1;
        --m_rows;
        endRemoveRows();
        if (same && m_ds->fetchedCount() == m_rows) return;
        return onReset();
    }
    if (row >= m_rows || m_ds->fetchedCount() != m_rows - 1) return onReset();
    beginRemoveRows(QModelIndex(), row, row);
    --m_rows;
    endRemoveRows();
}

void DataSetModel::onRowChanged(int row) {
    if (row < 0 || row >= m_rows || m_shown.isEmpty()) return;
    emit dataChanged(index(row, 0), index(row, int(m_shown.size()) - 1));
}
