#include "datagrid.h"

#include "dataset.h"
#include "datasetmodel.h"
#include "displayformat.h"
#include "guard.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QSettings>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

// ------------------------------------------------------------ GridDelegate

namespace {
// Cells are edited as text and the dataset turns the text into the field's
// type, as for code. Qt's own number editors would clamp prices to 99.99
// and cut decimals.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        Q_UNUSED(option);
        if (Field* lookup = lookupField(index)) {
            // The list's captions, each carrying its key.
            auto* box = new QComboBox(parent);
            DataSet* list = lookup->lookupDataSet();
            Field* key = list->findField(lookup->lookupListKey());
            Field* caption = list->findField(lookup->lookupListResult());
            if (list->isActive() && key && caption) {
                const int n = list->recordCount();
                for (int r = 0; r < n; ++r)
                    box->addItem(list->valueAt(r, caption->index()).toString(), list->valueAt(r, key->index()));
            }
            return box;
        }
        if (isBool(index)) {
            auto* box = new QComboBox(parent);
            box->addItem(QStringLiteral("否"), false);
            box->addItem(QStringLiteral("是"), true);
            return box;
        }
        auto* edit = new QLineEdit(parent);
        edit->setFrame(false);
        edit->setAlignment(Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt()));
        return edit;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        const QVariant v = index.data(Qt::EditRole);
        if (Field* lookup = lookupField(index)) {
            auto* box = qobject_cast<QComboBox*>(editor);
            auto* m = qobject_cast<const DataSetModel*>(index.model());
            Field* key = m->lookupKeyOf(lookup);
            const QVariant current = key ? m->dataSet()->valueAt(index.row(), key->index()) : QVariant();
            int found = -1;
            for (int i = 0; i < box->count() && found < 0; ++i)
                if (!current.isNull() && box->itemData(i).toString() == current.toString()) found = i;
            box->setCurrentIndex(found);
        } else if (auto* box = qobject_cast<QComboBox*>(editor)) {
            box->setCurrentIndex(v.toBool() ? 1 : 0);
        } else if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
            edit->setText(DisplayFormat::displayText(v));
            edit->selectAll();
        }
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        if (auto* box = qobject_cast<QComboBox*>(editor))
            model->setData(index, box->currentData());
        else if (auto* edit = qobject_cast<QLineEdit*>(editor))
            model->setData(index, edit->text());
    }

private:
    static Field* lookupField(const QModelIndex& index) {
        auto* m = qobject_cast<const DataSetModel*>(index.model());
        Field* f = m ? m->fieldAt(index.column()) : nullptr;
        return f && m->lookupKeyOf(f) ? f : nullptr;
    }
    static bool isBool(const QModelIndex& index) {
        auto* m = qobject_cast<const DataSetModel*>(index.model());
        Field* f = m ? m->fieldAt(index.column()) : nullptr;
        return f && f->type() == FieldType::Bool;
    }
};
} // namespace

// -------------------------------------------------------------- GridFooter

class GridFooter : public QWidget {
public:
    explicit GridFooter(DataGrid* grid) : QWidget(grid), m_grid(grid) {
        setAutoFillBackground(true);
        setBackgroundRole(QPalette::Window);
    }
    QSize sizeHint() const override { return {100, fontMetrics().height() + 8}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

    // The viewport's left edge and width, in footer coordinates.
    std::pair<int, int> viewportSpan() const {
        QWidget* vp = m_grid->m_view->viewport();
        const QPoint origin = mapFrom(m_grid, vp->mapTo(m_grid, QPoint(0, 0)));
        return {origin.x(), vp->width()};
    }

    QRect cellRect(int logical) const {
        QHeaderView* h = m_grid->m_view->horizontalHeader();
        if (logical < 0 || logical >= h->count() || h->isSectionHidden(logical)) return {};
        const auto [left, width] = viewportSpan();
        const QRect cell(left + h->sectionViewportPosition(logical), 0, h->sectionSize(logical),
                         height());
        return cell.intersected(QRect(left, 0, width, height()));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(palette().color(QPalette::Mid));
        p.drawLine(0, 0, width(), 0);
        p.setPen(palette().color(QPalette::WindowText));
        if (m_grid->m_footerMode == DataGrid::FooterMode::Wide) {
            p.drawText(rect().adjusted(4, 1, -4, 0), Qt::AlignLeft | Qt::AlignVCenter,
                       m_grid->m_wideFooter);
            return;
        }
        DataSetModel* model = m_grid->m_model;
        for (int c = 0; c < model->columnCount(); ++c) {
            const QString text = m_grid->m_footerTexts.value(model->fieldNameAt(c).toLower());
            const QRect cell = cellRect(c);
            if (text.isEmpty() || cell.isEmpty()) continue;
            Qt::Alignment a = model->columns().value(c).alignment;
            if (!a) {
                Field* f = model->fieldAt(c);
                a = f && f->isNumeric() ? Qt::AlignRight : Qt::AlignLeft;
            }
            p.save();
            p.setClipRect(cell);
            p.drawText(cell.adjusted(4, 1, -4, 0),
                       int((a & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter), text);
            p.restore();
        }
    }

private:
    DataGrid* m_grid;
};

// ---------------------------------------------------------------- GridView

class GridView : public QTableView {
public:
    explicit GridView(DataGrid* grid) : QTableView(grid), m_grid(grid) {}

    // The grid is going: nothing may reach it any more.
    void forgetGrid() { m_grid = nullptr; }

    // The width the widest of the first rows needs in a column, as the
    // view's delegate lays a cell out.
    int contentWidth(int logical, int rows) const {
        QAbstractItemModel* m = model();
        const QFontMetrics fm(font());
        int widest = -1, widestAdvance = -1;
        // Laying text out is what costs here, and a column repeats its
        // values (categories, units, prices): each text is measured once.
        QSet<QString> measured;
        measured.reserve(rows);
        for (int r = 0; r < rows; ++r) {
            const QString text = m->index(r, logical).data().toString();
            if (measured.contains(text)) continue;
            measured.insert(text);
            const int advance = fm.horizontalAdvance(text);
            if (advance > widestAdvance) widest = r, widestAdvance = advance;
        }
        if (widest < 0) return 0;
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        const int grid = showGrid() ? 1 : 0;
        return itemDelegate()->sizeHint(option, m->index(widest, logical)).width() + grid;
    }

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override {
        const bool wasEditing = state() == EditingState;
        if (!QTableView::edit(index, trigger, event)) return false;
        // Whatever opened the editor (a key typed, F2, a double click), the
        // row is being edited from now on, not from the first Enter: the
        // window's save and cancel buttons follow the dataset's state.
        if (!wasEditing && state() == EditingState && m_grid && !m_grid->startCellEdit(index))
            if (QWidget* editor = indexWidget(index))
                closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
        return true;
    }

    bool focusNextPrevChild(bool next) override {
        // A list nobody types into is one stop on the way through the
        // window, not a field of cells to step through; in one that is
        // typed into, Tab steps through the cells of the current row and
        // past its last one (Shift+Tab before its first) goes on to the
        // window's next control. Rows are walked with the arrows and Enter.
        if ((m_grid && !m_grid->cellsEditable()) || atEnd(next))
            return QAbstractScrollArea::focusNextPrevChild(next);
        return QTableView::focusNextPrevChild(next);
    }

    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override {
        const bool next = hint == QAbstractItemDelegate::EditNextItem;
        if ((next || hint == QAbstractItemDelegate::EditPreviousItem) && atEnd(next)) {
            QTableView::closeEditor(editor, QAbstractItemDelegate::SubmitModelCache);
            QAbstractScrollArea::focusNextPrevChild(next);
            return;
        }
        QTableView::closeEditor(editor, hint);
    }

private:
    bool atEnd(bool next) {
        const QModelIndex from = currentIndex();
        const QModelIndex to = moveCursor(next ? MoveNext : MovePrevious, Qt::NoModifier);
        if (!to.isValid() || to == from || to.row() != from.row()) return true;
        // In a list of one line the cursor wraps round within that line.
        const QHeaderView* h = horizontalHeader();
        const int step = h->visualIndex(to.column()) - h->visualIndex(from.column());
        return next ? step <= 0 : step >= 0;
    }

public:

private:
    DataGrid* m_grid;
};

// ---------------------------------------------------------------- DataGrid

DataGrid::DataGrid(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_view = new GridView(this);
    m_view->setObjectName(QStringLiteral("gridView"));
    m_footer = new GridFooter(this);
    m_footer->hide();
    m_model = new DataSetModel(this);
    // While the model changes shape the view and its selection model move
    // the current index by themselves (a cancelled append vanishing); that
    // is not the user choosing a row, and acting on it would post the very
    // row being cancelled. The hold is connected before the view's own
    // handlers and the release after them.
    auto hold = [this] { ++m_syncing; };
    connect(m_model, &QAbstractItemModel::rowsAboutToBeInserted, this, hold);
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, hold);
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, hold);
    m_view->setModel(m_model);
    auto release = [this] {
        --m_syncing;
        syncViewToDataSet();
        m_footer->update();
    };
    connect(m_model, &QAbstractItemModel::rowsInserted, this, release);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, release);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this, release] {
        // A reset forgets hidden columns and widths: put them back.
        onDataSetReset();
        release();
    });
    m_view->setItemDelegate(new GridDelegate(m_view));
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setAlternatingRowColors(true);
    m_view->setWordWrap(false);
    // Pixel scrolling keeps the footer cells moving with their columns.
    m_view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    m_view->horizontalHeader()->setSectionsMovable(true);
    m_view->horizontalHeader()->setHighlightSections(false);
    // The last column takes the spare width, so a narrow list fills its grid.
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    layout->addWidget(m_view);
    layout->addWidget(m_footer);

    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { onViewCurrentChanged(current); });
    connect(m_view, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { emit rowDoubleClicked(index.row() + 1); });

    QHeaderView* h = m_view->horizontalHeader();
    connect(h, &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        if (!m_syncing && size > 0)
            if (GridColumn* c = column(m_model->fieldNameAt(logical))) c->width = size;
        m_footer->update();
    });
    connect(h, &QHeaderView::sectionMoved, this, [this] {
        if (m_syncing) return;
        // The user dragged a column: the list takes the order on screen.
        QHeaderView* hh = m_view->horizontalHeader();
        std::vector<std::unique_ptr<GridColumn>> ordered;
        for (int v = 0; v < hh->count(); ++v) {
            const QString name = m_model->fieldNameAt(hh->logicalIndex(v));
            for (auto& c : m_columns)
                if (c && c->fieldName.compare(name, Qt::CaseInsensitive) == 0) {
                    ordered.push_back(std::move(c));
                    break;
                }
        }
        for (auto& c : m_columns)
            if (c) ordered.push_back(std::move(c));
        m_columns = std::move(ordered);
        m_footer->update();
    });
    connect(h, &QHeaderView::geometriesChanged, m_footer, qOverload<>(&QWidget::update));
    connect(m_view->horizontalScrollBar(), &QScrollBar::valueChanged, m_footer,
            qOverload<>(&QWidget::update));
}

DataGrid::~DataGrid() {
    // The view, its header and the model are children: QWidget's destructor
    // hides and deletes them after this one has ended and the members are
    // gone. What they send on the way out (the header laying out its
    // stretched last section as the closing window hides it) must not reach
    // a grid that is no longer whole.
    static_cast<GridView*>(m_view)->forgetGrid();
    disconnect(m_view->horizontalHeader(), nullptr, this, nullptr);
    disconnect(m_view->selectionModel(), nullptr, this, nullptr);
    disconnect(m_view, nullptr, this, nullptr);
    disconnect(m_model, nullptr, this, nullptr);
    if (m_ds) disconnect(m_ds, nullptr, this, nullptr);
}

void DataGrid::setDataSet(DataSet* ds) {
    if (m_ds) disconnect(m_ds, nullptr, this, nullptr);
    m_ds = ds;
    m_model->setDataSet(ds);
    if (ds) connect(ds, &DataSet::currentChanged, this, [this] { syncViewToDataSet(); });
    syncViewToDataSet();
}

DataSet* DataGrid::dataSet() const {
    return m_ds;
}

// ----------------------------------------------------------------- columns

GridColumn* DataGrid::addColumn(const GridColumn& col) {
    addColumns({col});
    return m_columns.back().get();
}

void DataGrid::addColumns(const QList<GridColumn>& columns) {
    if (m_autoColumns) {
        m_columns.clear();
        m_autoColumns = false;
    }
    for (const GridColumn& col : columns) {
        m_columns.push_back(std::make_unique<GridColumn>(col));
        m_settledWidths.remove(col.fieldName.toLower());
    }
    refreshColumns();
}

GridColumn* DataGrid::addColumn(const QString& fieldName, const QString& title, int width) {
    GridColumn c;
    c.fieldName = fieldName;
    c.title = title;
    c.width = width;
    return addColumn(c);
}

GridColumn* DataGrid::column(const QString& fieldName) const {
    for (const auto& c : m_columns)
        if (c->fieldName.compare(fieldName, Qt::CaseInsensitive) == 0) return c.get();
    return nullptr;
}

QList<GridColumn*> DataGrid::columns() const {
    QList<GridColumn*> out;
    for (const auto& c : m_columns)
        out << c.get();
    return out;
}

void DataGrid::clearColumns() {
    m_columns.clear();
    m_settledWidths.clear();
    m_autoColumns = false;
    refreshColumns();
}

void DataGrid::setColumnTitle(const QString& fieldName, const QString& title) {
    if (GridColumn* c = column(fieldName)) {
        c->title = title;
        refreshColumns();
    }
}

void DataGrid::setColumnVisible(const QString& fieldName, bool visible) {
    if (GridColumn* c = column(fieldName)) {
        c->visible = visible;
        refreshColumns();
    }
}

int DataGrid::viewColumn(const QString& fieldName) const {
    return m_model->columnOf(fieldName);
}

QList<DataSetModel::Column> DataGrid::modelColumns() const {
    QList<DataSetModel::Column> specs;
    for (const auto& c : m_columns) {
        DataSetModel::Column s;
        s.fieldName = c->fieldName;
        s.title = c->title;
        s.alignment = c->alignment;
        s.readOnly = c->readOnly;
        specs << s;
    }
    return specs;
}

void DataGrid::refreshColumns() {
    if (m_columns.empty()) m_autoColumns = true;
    if (m_autoColumns) {
        // Every field under its own name until columns are chosen; the
        // settings of listed ones (title, width...) carry over by name.
        m_model->setAllFields(modelColumns());
        makeAutoColumns();
    } else {
        m_model->setColumns(modelColumns());
    }
    applyColumnsToView();
}

void DataGrid::makeAutoColumns() {
    // Columns already listed keep their place and settings (the user may
    // have dragged them); fields new to the statement come after them.
    // Columns of fields the statement lost are kept for when it has them
    // again.
    for (int i = 0; i < m_model->columnCount(); ++i) {
        const QString name = m_model->fieldNameAt(i);
        if (column(name)) continue;
        auto c = std::make_unique<GridColumn>();
        c->fieldName = name;
        m_columns.push_back(std::move(c));
    }
}

void DataGrid::onDataSetReset() {
    if (m_autoColumns) makeAutoColumns();
    applyColumnsToView();
}

void DataGrid::applyColumnsToView() {
    ++m_syncing;
    QHeaderView* h = m_view->horizontalHeader();
    int visual = 0;
    for (const auto& c : m_columns) {
        const int logical = m_model->columnOf(c->fieldName);
        if (logical < 0) continue;
        const int from = h->visualIndex(logical);
        if (from != visual) h->moveSection(from, visual);
        ++visual;
        m_view->setColumnHidden(logical, !c->visible);
        if (!c->visible) continue;
        fitToContent(*c, logical);
        if (c->width > 0) h->resizeSection(logical, c->width);
    }
    --m_syncing;
    m_footer->update();
}

void DataGrid::fitToContent(GridColumn& c, int logical) {
    // A width the window gives is what its designer expected the values to
    // need; barcodes and large amounts need more. The rows fetched with the
    // first block stand for the rest: measuring more would mean fetching
    // them. Once a column has been sized to rows it keeps its width (and
    // what the user drags it to) through requeries.
    const QString key = c.fieldName.toLower();
    if (m_settledWidths.contains(key)) return;
    const int block = m_ds && m_ds->fetchBlock() > 0 ? m_ds->fetchBlock() : 256;
    const int rows = std::min(m_model->rowCount(), block);
    // A long note is shown in part rather than pushing every other column
    // out of sight.
    const int cap = m_view->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 40;
    const int content = static_cast<GridView*>(m_view)->contentWidth(logical, rows);
    const int title = m_view->horizontalHeader()->sectionSizeHint(logical);
    c.width = std::max({c.width, title, std::min(content, cap)});
    if (rows > 0) m_settledWidths.insert(key);
}

bool DataGrid::startCellEdit(const QModelIndex& index) {
    if (!m_ds || !m_ds->isActive()) return true;
    return Guard::Run([&] {
        if (m_ds->recNo() != index.row() + 1) m_ds->setRecNo(index.row() + 1);
        m_ds->edit(); // an inserted row stays in insert
    });
}

bool DataGrid::cellsEditable() const {
    if (m_readOnly || !m_ds || !m_ds->canModify()) return false;
    for (int c = 0; c < m_model->columnCount(); ++c)
        if (!m_view->isColumnHidden(c) && m_model->isColumnEditable(c)) return true;
    return false;
}

// ----------------------------------------------------------- current row

void DataGrid::syncViewToDataSet() {
    if (m_syncing) return;
    QItemSelectionModel* sel = m_view->selectionModel();
    const int row = m_ds && m_ds->isActive() ? m_ds->recNo() - 1 : -1;
    if (row < 0 || row >= m_model->rowCount()) {
        if (row < 0 && sel->currentIndex().isValid()) {
            ++m_syncing;
            sel->clear();
            --m_syncing;
        }
        return;
    }
    if (sel->currentIndex().row() == row && sel->isRowSelected(row) == m_rowSelect &&
        sel->hasSelection())
        return;
    int col = sel->currentIndex().isValid() ? sel->currentIndex().column() : -1;
    QHeaderView* h = m_view->horizontalHeader();
    for (int v = 0; col < 0 && v < h->count(); ++v)
        if (!h->isSectionHidden(h->logicalIndex(v))) col = h->logicalIndex(v);
    if (col < 0) return;
    ++m_syncing;
    const QModelIndex idx = m_model->index(row, col);
    QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
    if (m_rowSelect) flags |= QItemSelectionModel::Rows;
    sel->setCurrentIndex(idx, flags);
    m_view->scrollTo(idx);
    --m_syncing;
}

void DataGrid::onViewCurrentChanged(const QModelIndex& current) {
    if (m_syncing || !current.isValid() || !m_ds || !m_ds->isActive()) return;
    if (current.row() + 1 == m_ds->recNo()) return;
    try {
        m_ds->setRecNo(current.row() + 1);
    } catch (...) {
        // The row being left could not be posted: the dataset stays, and so
        // must the view, before the error is shown. Shown here: this runs in
        // the selection model's signal, which nothing may be thrown out of.
        syncViewToDataSet();
        Guard::Report(Guard::CurrentExceptionText());
    }
}

// ----------------------------------------------------------------- options

void DataGrid::setRowSelect(bool on) {
    m_rowSelect = on;
    m_view->setSelectionBehavior(on ? QAbstractItemView::SelectRows
                                    : QAbstractItemView::SelectItems);
    syncViewToDataSet();
}

void DataGrid::setReadOnly(bool on) {
    m_readOnly = on;
    m_model->setReadOnly(on);
    m_view->setEditTriggers(on ? QAbstractItemView::NoEditTriggers
                               : QAbstractItemView::DoubleClicked |
                                     QAbstractItemView::EditKeyPressed |
                                     QAbstractItemView::AnyKeyPressed);
}

// ------------------------------------------------------------------ footer

void DataGrid::setFooterMode(FooterMode mode) {
    m_footerMode = mode;
    m_footer->setVisible(mode != FooterMode::None);
    m_footer->update();
}

void DataGrid::setFooterText(const QString& fieldName, const QString& text) {
    m_footerTexts[fieldName.toLower()] = text;
    m_footer->update();
}

QString DataGrid::footerText(const QString& fieldName) const {
    return m_footerTexts.value(fieldName.toLower());
}

void DataGrid::setWideFooterText(const QString& text) {
    m_wideFooter = text;
    m_footer->update();
}

void DataGrid::clearFooter() {
    m_footerTexts.clear();
    m_wideFooter.clear();
    m_footer->update();
}

QWidget* DataGrid::footer() const {
    return m_footer;
}

QRect DataGrid::footerCellRect(const QString& fieldName) const {
    if (m_footerMode == FooterMode::Wide) return m_footer->rect();
    return m_footer->cellRect(m_model->columnOf(fieldName));
}

// ------------------------------------------------------------------ layout

void DataGrid::saveLayout(QSettings& settings, const QString& group) const {
    QStringList names, widths, visible;
    QHeaderView* h = m_view->horizontalHeader();
    for (const auto& c : m_columns) {
        const int logical = m_model->columnOf(c->fieldName);
        int w = c->width;
        if (c->visible && logical >= 0) w = h->sectionSize(logical);
        names << c->fieldName;
        widths << QString::number(w);
        visible << (c->visible ? QStringLiteral("1") : QStringLiteral("0"));
    }
    settings.beginGroup(group);
    settings.setValue(QStringLiteral("ColumnOrder"), names);
    settings.setValue(QStringLiteral("ColumnWidths"), widths);
    settings.setValue(QStringLiteral("ColumnVisible"), visible);
    settings.endGroup();
}

void DataGrid::restoreLayout(QSettings& settings, const QString& group) {
    settings.beginGroup(group);
    const QStringList names = settings.value(QStringLiteral("ColumnOrder")).toStringList();
    const QStringList widths = settings.value(QStringLiteral("ColumnWidths")).toStringList();
    const QStringList visible = settings.value(QStringLiteral("ColumnVisible")).toStringList();
    settings.endGroup();
    if (names.isEmpty()) return;
    // Saved columns first in their saved order; columns the program gained
    // since keep their place after them. Names no longer there are skipped.
    std::vector<std::unique_ptr<GridColumn>> ordered;
    for (int i = 0; i < names.size(); ++i) {
        for (auto& c : m_columns) {
            if (!c || c->fieldName.compare(names[i], Qt::CaseInsensitive) != 0) continue;
            bool ok = false;
            const int w = widths.value(i).toInt(&ok);
            if (ok && w > 0) {
                c->width = w;
                m_settledWidths.insert(c->fieldName.toLower()); // the user's, not the content's
            }
            if (i < visible.size()) c->visible = visible[i] != QLatin1String("0");
            ordered.push_back(std::move(c));
            break;
        }
    }
    for (auto& c : m_columns)
        if (c) ordered.push_back(std::move(c));
    m_columns = std::move(ordered);
    refreshColumns();
}
