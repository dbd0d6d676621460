// The line grid of the document editor: its keys, and the product cells
// typed into with the product selector beside them.
#include "connection.h"
#include "datagrid.h"
#include "dataset.h"
#include "datasetmodel.h"
#include "documenteditor.h"
#include "guard.h"
#include "maindm.h"
#include "productselector.h"
#include "quickmessagedlg.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <algorithm>

// Opens the product cells with the product editor and hands every key of a
// cell editor to the window first, as the window sees keys before its
// controls. Other cells are edited as the grid's own delegate edits them.
class TDetailDelegate : public QStyledItemDelegate {
public:
    TDetailDelegate(TDocumentEditForm* form, QAbstractItemDelegate* inner)
        : QStyledItemDelegate(form), m_form(form), m_inner(inner) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        if (m_form->isProductColumn(index.column())) return m_form->createProductEditor(parent);
        return m_inner->createEditor(parent, option, index);
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (m_form->isProductColumn(index.column()))
            m_form->loadProductEditor(editor, index.data(Qt::EditRole).toString());
        else
            m_inner->setEditorData(editor, index);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        // The product cells only search; a product comes in through a pick.
        if (!m_form->isProductColumn(index.column())) m_inner->setModelData(editor, model, index);
    }
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyledItemDelegate::paint(p, option, index);
        // The hint on a blank line's name cell (productID -1, as added).
        const auto* model = qobject_cast<const DataSetModel*>(index.model());
        if (!model || model->fieldNameAt(index.column()).compare(QLatin1String("productName"), Qt::CaseInsensitive))
            return;
        DataSet* ds = model->dataSet();
        const QVariant id = ds->valueAt(index.row(), QStringLiteral("productID"));
        if (id.isNull() || id.toInt() != -1 || !index.data().toString().isEmpty()) return;
        p->save();
        p->setPen(option.palette.color(QPalette::Disabled, QPalette::Text));
        p->drawText(option.rect.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("点击选择商品"));
        p->restore();
    }
    void commitAndClose(QWidget* editor, bool keep) {
        if (keep) emit commitData(editor);
        emit closeEditor(editor, keep ? QAbstractItemDelegate::NoHint : QAbstractItemDelegate::RevertModelCache);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        auto* editor = qobject_cast<QWidget*>(watched);
        const bool product = editor && editor == m_form->m_productEditor.data();
        bool handled = false;
        Guard::Run([&] {
            if (e->type() == QEvent::KeyPress) {
                auto* key = static_cast<QKeyEvent*>(e);
                handled = product ? m_form->productEditorKey(editor, key) : m_form->cellEditorKey(editor, key);
            } else if (product && e->type() == QEvent::FocusIn) {
                // Coming back from another window is no new entry into the cell.
                if (static_cast<QFocusEvent*>(e)->reason() != Qt::ActiveWindowFocusReason)
                    m_form->productEditorEnter(static_cast<QLineEdit*>(editor));
            } else if (product && e->type() == QEvent::FocusOut) {
                if (QApplication::activeWindow() == &m_form->m_deps.selector) {
                    // Some window systems activate the selector when it
                    // shows, though it asks not to be: the editor keeps the
                    // keys, and its cell stays open.
                    QPointer<QWidget> window = m_form->window();
                    QTimer::singleShot(0, m_form, Guarded([window] {
                        if (window) window->activateWindow();
                    }));
                    handled = true;
                } else {
                    m_form->productEditorExit();
                }
            }
        });
        return handled || QStyledItemDelegate::eventFilter(watched, e);
    }

private:
    TDocumentEditForm* m_form;
    QAbstractItemDelegate* m_inner;
};

namespace {
bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }
bool isArrow(int key) { return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down; }
bool ctrlDelete(QKeyEvent* e) { return e->key() == Qt::Key_Delete && (e->modifiers() & Qt::ControlModifier); }
} // namespace

// ------------------------------------------------------------ set-up

void TDocumentEditForm::connectGrid() {
    QTableView* v = m_grid->view();
    m_delegate = new TDetailDelegate(this, v->itemDelegate());
    v->setItemDelegate(m_delegate);
    v->installEventFilter(this);
}

bool TDocumentEditForm::isProductColumn(int viewColumn) const {
    const QString name = m_grid->model()->fieldNameAt(viewColumn);
    return name.compare(QLatin1String("productCode"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("productName"), Qt::CaseInsensitive) == 0;
}

// ------------------------------------------------------------ keys

bool TDocumentEditForm::eventFilter(QObject* watched, QEvent* e) {
    if (watched == m_grid->view() && e->type() == QEvent::KeyPress) {
        bool handled = false;
        Guard::Run([&] { handled = gridKey(static_cast<QKeyEvent*>(e)); });
        return handled;
    }
    return QWidget::eventFilter(watched, e);
}

// The grid itself has the focus (no cell editor open).
bool TDocumentEditForm::gridKey(QKeyEvent* e) {
    if (ctrlDelete(e)) {
        deleteLine(true);
        return true;
    }
    if (isEnter(e->key())) {
        gridEnter();
        return true;
    }
    return m_gridController->HandleKey(e->key(), e->modifiers());
}

// A cell editor other than the product editor.
bool TDocumentEditForm::cellEditorKey(QWidget* editor, QKeyEvent* e) {
    const int key = e->key();
    if (ctrlDelete(e)) {
        m_delegate->commitAndClose(editor, false);
        m_grid->view()->setFocus();
        deleteLine(true);
        return true;
    }
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    if (isEnter(key) || key == Qt::Key_Up || key == Qt::Key_Down ||
        (ctrl && (key == Qt::Key_Left || key == Qt::Key_Right))) {
        // What was typed goes into the line before the cursor moves on.
        m_delegate->commitAndClose(editor, true);
        m_grid->view()->setFocus();
        if (isEnter(key))
            gridEnter();
        else
            m_gridController->HandleKey(key, e->modifiers());
        return true;
    }
    return false;
}

bool TDocumentEditForm::productEditorKey(QWidget* editor, QKeyEvent* e) {
    const int key = e->key();
    if (key == Qt::Key_Escape) {
        // Hides the list; the line being edited stays as it is.
        m_deps.selector.HideSelector();
        return true;
    }
    if (ctrlDelete(e)) {
        m_delegate->commitAndClose(editor, false);
        m_grid->view()->setFocus();
        deleteLine(true);
        return true;
    }
    if ((e->modifiers() & Qt::ControlModifier) && isArrow(key)) {
        m_delegate->commitAndClose(editor, false);
        m_grid->view()->setFocus();
        m_gridController->HandleKey(key, e->modifiers());
        return true;
    }
    if (isEnter(key) && m_deps.selector.Timer1->isActive() &&
        !static_cast<QLineEdit*>(editor)->text().trimmed().isEmpty()) {
        // Typed faster than the list follows: a scanner. Its code is the
        // product, not whatever the old list shows under the cursor.
        scannedCode(static_cast<QLineEdit*>(editor)->text().trimmed());
        return true;
    }
    m_deps.selector.ForwardKey(key);
    // The list moves with these; the text box has no use for them.
    return isEnter(key) || key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
           key == Qt::Key_PageDown;
}

void TDocumentEditForm::gridEnter() {
    if (m_grid->isReadOnly() || !m_detail->isActive()) return;
    QTableView* v = m_grid->view();
    const int current = v->currentIndex().isValid() ? v->horizontalHeader()->visualIndex(v->currentIndex().column()) : -1;
    if (FocusNextEditableColumn(current + 1)) return;
    if (m_detail->recNo() >= m_detail->recordCount())
        AddBlankLine();
    else
        m_detail->setRecNo(m_detail->recNo() + 1);
    FocusNextEditableColumn(0);
}

// Start and the search go by the columns as they are shown.
bool TDocumentEditForm::FocusNextEditableColumn(int start) {
    QTableView* v = m_grid->view();
    QHeaderView* h = v->horizontalHeader();
    for (int vis = std::max(start, 0); vis < h->count(); ++vis) {
        const int logical = h->logicalIndex(vis);
        if (v->isColumnHidden(logical) || !m_gridController->IsEditableColumn(logical)) continue;
        m_detail->checkBrowseMode();
        focusCell(m_detail->recNo() - 1, logical, true);
        return true;
    }
    return false;
}

void TDocumentEditForm::focusCell(int row, int column, bool openEditor) {
    QTableView* v = m_grid->view();
    if (row < 0 || column < 0) return;
    const QModelIndex idx = m_grid->model()->index(row, column);
    if (!idx.isValid()) return;
    v->setFocus();
    v->setCurrentIndex(idx);
    if (!openEditor || m_grid->isReadOnly()) return;
    v->edit(idx);
    if (auto* ed = qobject_cast<QLineEdit*>(v->indexWidget(idx))) ed->selectAll();
}

void TDocumentEditForm::commitOpenEditor() {
    QTableView* v = m_grid->view();
    if (QWidget* ed = v->indexWidget(v->currentIndex())) m_delegate->commitAndClose(ed, true);
}

// ------------------------------------------------------------ product cells

QWidget* TDocumentEditForm::createProductEditor(QWidget* parent) {
    auto* ed = new QLineEdit(parent);
    ed->setObjectName(QStringLiteral("embProductEditor"));
    ed->setFrame(false);
    QAction* drop = ed->addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::TrailingPosition);
    drop->setObjectName(QStringLiteral("embProductEditorButton"));
    drop->setToolTip(QStringLiteral("选择商品"));
    connect(drop, &QAction::triggered, this, Guarded([this, ed] { productEditorButton(ed); }));
    connect(ed, &QLineEdit::textChanged, this, Guarded([this, ed] { productEditorChange(ed); }));
    m_productEditor = ed;
    return ed;
}

void TDocumentEditForm::loadProductEditor(QWidget* editor, const QString& text) {
    auto* ed = static_cast<QLineEdit*>(editor);
    // The view hands the cell over again whenever the row changes (the line
    // going into edit as typing starts); what is typed is the search then.
    if (ed->property("loaded").toBool()) return;
    ed->setProperty("loaded", true);
    m_selectorTrigger = false; // showing the cell is no search
    ed->setText(text);
    m_selectorTrigger = true;
}

void TDocumentEditForm::productEditorEnter(QLineEdit* ed) {
    ed->selectAll();
    if (ed->text().isEmpty()) {
        m_deps.selector.ShowForEditor(ed, [this](QObject* s, const TProduct& p) { OnProductPicked(s, p); });
        m_deps.selector.QueueSearch(TProduct(), false);
    }
}

void TDocumentEditForm::productEditorChange(QLineEdit* ed) {
    if (!m_selectorTrigger || !ed->hasFocus()) return;
    m_deps.selector.ShowForEditor(ed, [this](QObject* s, const TProduct& p) { OnProductPicked(s, p); });
    TProduct c;
    c.productCode = c.productName = c.product_model = c.product_spec = ed->text();
    m_deps.selector.QueueSearch(c, false);
}

void TDocumentEditForm::productEditorButton(QLineEdit* ed) {
    m_deps.selector.ShowForEditor(ed, [this](QObject* s, const TProduct& p) { OnProductPicked(s, p); });
}

void TDocumentEditForm::productEditorExit() { m_deps.selector.HideSelector(); }

void TDocumentEditForm::scannedCode(const QString& code) {
    m_deps.selector.Timer1->stop();
    TProduct p;
    bool found = false;
    m_deps.dm.MainConn.select(
        QStringLiteral("select id, productCode, productName, product_model, product_spec, storageUnit, salePrice "
                       "from Product where productCode = :code order by id limit 1"),
        {{QStringLiteral("code"), code}}, [&](const Statement& st) {
            p.id = st.value(0).toInt();
            p.productCode = st.value(1).toString();
            p.productName = st.value(2).toString();
            p.product_model = st.value(3).toString();
            p.product_spec = st.value(4).toString();
            p.storageUnit = st.value(5).toInt();
            p.salePrice = st.value(6).toDouble();
            found = true;
            return false;
        });
    if (!found) {
        m_deps.selector.HideSelector();
        TQuickMessageDlg::ShowInfo(QStringLiteral("没有条码为 \"%1\" 的商品.").arg(code));
        return;
    }
    m_deps.selector.HideSelector();
    OnProductPicked(m_grid, p);
}

void TDocumentEditForm::OnProductPicked(QObject*, const TProduct& product) {
    if (!m_detail->canModify() || m_grid->isReadOnly()) return;
    QTableView* v = m_grid->view();
    const int column = v->currentIndex().isValid() ? v->currentIndex().column() : -1;
    DataSet& d = *m_detail;
    ListProduct(product.id);
    d.edit();
    m_arithmetic.Assign(d, QStringLiteral("productID"), product.id);
    m_arithmetic.Assign(d, QStringLiteral("unitID"), product.storageUnit);
    if (m_kind.SaleLines) {
        m_arithmetic.Assign(d, QStringLiteral("unitPriceOriginal"), product.salePrice);
        m_arithmetic.Assign(d, QStringLiteral("quantity"), 1);
        m_arithmetic.Assign(d, QStringLiteral("unitPrice"), product.salePrice);
        m_arithmetic.Assign(d, QStringLiteral("discount"), 1);
        // The cost of what is sold, as it stands at the pick.
        m_arithmetic.Assign(d, QStringLiteral("unitStorageCost"),
                            DocumentLines::LookupUnitCost(m_deps.dm.MainConn, product.id));
    } else {
        m_arithmetic.Assign(d, QStringLiteral("unitPrice"), product.salePrice);
        m_arithmetic.Assign(d, QStringLiteral("quantity"), 1);
    }
    d.post();
    // On to the price or the quantity of the line, whichever comes first.
    if (column < 0) return;
    QHeaderView* h = v->horizontalHeader();
    for (int vis = h->visualIndex(column) + 1; vis < h->count(); ++vis) {
        const int logical = h->logicalIndex(vis);
        const QString name = m_grid->model()->fieldNameAt(logical);
        GridColumn* col = m_grid->column(name);
        if (v->isColumnHidden(logical) || (col && col->readOnly)) continue;
        if (name.compare(QLatin1String("unitPrice"), Qt::CaseInsensitive) &&
            name.compare(QLatin1String("quantity"), Qt::CaseInsensitive))
            continue;
        focusCell(d.recNo() - 1, logical, true);
        return;
    }
}
