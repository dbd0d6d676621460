#include "productselector.h"

#include "connection.h"
#include "controlplacement.h"
#include "dataset.h"
#include "datagrid.h"
#include "datasetmodel.h"
#include "dynamicfield.h"
#include "formkit.h"
#include "guard.h"
#include "productindex.h"
#include "quickmessagedlg.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <optional>

namespace {
const QString kPlacement = QStringLiteral("ProductSelector\\");

TProduct productFromRow(DataSet& ds) {
    TProduct p;
    p.id = ds.field(QStringLiteral("id"))->asInteger();
    p.productCode = ds.field(QStringLiteral("productCode"))->asString();
    p.productName = ds.field(QStringLiteral("productName"))->asString();
    p.product_model = ds.field(QStringLiteral("product_model"))->asString();
    p.product_spec = ds.field(QStringLiteral("product_spec"))->asString();
    p.storageUnit = ds.field(QStringLiteral("storageUnit"))->asInteger();
    p.salePrice = ds.field(QStringLiteral("salePrice"))->asFloat();
    return p;
}

// The list's order: by name, and products of one name in the order they were
// entered, as the name index holds them.
const QString kByName = QStringLiteral(" order by productName, Product.id");

// The condition for the criteria: each text like '%text%' in its column, the
// texts joined by "or", or by "and" for matchAll. Empty without any text.
QString searchCondition(const TProduct& c, bool matchAll, SqlParams* params) {
    QStringList terms;
    auto add = [&](const QString& value, const QString& column) {
        if (value.isEmpty()) return;
        terms << column + QStringLiteral(" like :") + column;
        params->insert(column, QString(QLatin1Char('%') + value + QLatin1Char('%')));
    };
    add(c.productCode, QStringLiteral("productCode"));
    add(c.productName, QStringLiteral("productName"));
    add(c.product_model, QStringLiteral("product_model"));
    add(c.product_spec, QStringLiteral("product_spec"));
    if (terms.isEmpty()) return QString();
    return QLatin1Char('(') + terms.join(matchAll ? QStringLiteral(" and ") : QStringLiteral(" or ")) +
           QLatin1Char(')');
}

// The connection the list will read on (see DataSet::open): its reader, or
// the connection itself inside a transaction, to see the uncommitted rows.
Connection& readingConnection(Connection& conn) { return conn.inTransaction() ? conn : conn.reader(); }

using ProductIndex::Holders;

// The products that may match the criteria, from the index: for any text,
// those holding one of them; for all texts, those holding the rarest one.
// Nothing when a text is too common to narrow the list (any text), or every
// text is (all texts).
std::optional<Holders> holdersOf(Connection& conn, const TProduct& c, bool matchAll, int filterLimit) {
    QStringList texts; // the four are mostly one
    std::optional<Holders> holders;
    for (const QString& text : {c.productCode, c.productName, c.product_model, c.product_spec}) {
        if (text.isEmpty() || texts.contains(text)) continue;
        texts << text;
        const QString key = QStringLiteral("holder%1").arg(texts.size());
        const std::optional<Holders> h = ProductIndex::HoldersOf(conn, text, key, filterLimit + 1);
        const bool narrows = h && h->entries <= filterLimit;
        if (matchAll) {
            if (narrows && (!holders || h->entries < holders->entries)) holders = h;
        } else if (!narrows) {
            return std::nullopt;
        } else if (!holders) {
            holders = h;
        } else {
            holders->ids += QStringLiteral(" union all ") + h->ids;
            holders->params.insert(h->params);
            holders->entries += h->entries;
        }
    }
    return holders;
}
} // namespace

TProductSelector::TProductSelector(Connection& conn, TDFMProxy& labels, TControlPlacement& placement, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      m_labels(labels), m_placement(placement) {
    setObjectName(QStringLiteral("ProductSelector"));
    // Shown beside the editor without taking its focus.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);

    productQuery = new DataSet(&conn, this);
    productQuery->setObjectName(QStringLiteral("productQuery"));
    buildGrid();
    buildButtons();
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(200);
    connect(Timer1, &QTimer::timeout, this, Guarded([this] { timerFired(); }));

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(4, 4, 4, 4);
    root->setSpacing(4);
    root->addWidget(lbHint);
    root->addWidget(productGrid, 1);
    root->addLayout(ButtonRow({btnNew, nullptr, btnHide, btnOK}));
    setStyleSheet(QStringLiteral("TProductSelector { border: 1px solid palette(dark); }"));
    resize(560, 300);

    m_labels.Register(QStringLiteral("Product"), nullptr, productGrid);
    productGrid->restoreLayout(m_placement.PlacementStorage(), TControlPlacement::GroupOf(kPlacement));
    m_lastRun.productName = QStringLiteral("-1");
}

void TProductSelector::buildGrid() {
    lbHint = new QLabel(QStringLiteral("直接输入关键字，快速选择要进货、销售的商品"), this);
    lbHint->setObjectName(QStringLiteral("lbHint"));
    productGrid = Named<DataGrid>(this, "productGrid");
    productGrid->setReadOnly(true);
    productGrid->setRowSelect(true);
    productGrid->setDataSet(productQuery);
    productGrid->addColumn(QStringLiteral("productCode"), QStringLiteral("商品条码"), 110);
    productGrid->addColumn(QStringLiteral("productName"), QStringLiteral("商品名称"), 160);
    productGrid->addColumn(QStringLiteral("product_model"), QStringLiteral("型号"), 90);
    productGrid->addColumn(QStringLiteral("product_spec"), QStringLiteral("规格"), 90);
    productGrid->addColumn(QStringLiteral("unitName"), QStringLiteral("单位"), 60);
    productGrid->refreshColumns();
    // The editor keeps the focus; the list only shows and is clicked.
    productGrid->view()->setFocusPolicy(Qt::NoFocus);
    productGrid->view()->horizontalHeader()->setStretchLastSection(true);
    connect(productGrid, &DataGrid::rowDoubleClicked, this, Guarded([this](int) { PickCurrent(); }));
}

void TProductSelector::buildButtons() {
    btnNew = NamedButton(this, "btnNew", QStringLiteral("高级查找（新建商品）"));
    btnHide = NamedButton(this, "btnHide", QStringLiteral("隐藏"));
    btnOK = NamedButton(this, "btnOK", QStringLiteral("确定"));
    for (QPushButton* b : {btnNew, btnHide, btnOK}) b->setFocusPolicy(Qt::NoFocus);
    connect(btnOK, &QPushButton::clicked, this, Guarded([this] { PickCurrent(); }));
    connect(btnHide, &QPushButton::clicked, this, Guarded([this] { HideSelector(); }));
    connect(btnNew, &QPushButton::clicked, this, Guarded([this] {
        HideSelector();
        if (OpenProductList) OpenProductList(m_handler);
    }));
}

TProductSelector::~TProductSelector() = default;

void TProductSelector::ShowForEditor(QWidget* edit, TProductPickEvent handler) {
    {
        QSettings& s = m_placement.PlacementStorage();
        s.beginGroup(TControlPlacement::GroupOf(kPlacement));
        const QSize size(s.value(QStringLiteral("Width"), width()).toInt(), s.value(QStringLiteral("Height"), height()).toInt());
        s.endGroup();
        if (size.width() > 100 && size.height() > 80) resize(size);
    }
    if (edit) {
        const QPoint origin = edit->mapToGlobal(QPoint(0, 0));
        int left = origin.x() + edit->width();
        int top = origin.y();
        QScreen* screen = edit->screen() ? edit->screen() : QGuiApplication::primaryScreen();
        const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
        if (top + height() > work.bottom()) top = work.height() - height();
        if (top < 0) top = 0;
        move(left, top);
    }
    m_handler = std::move(handler);
    if (!isVisible()) show();
    m_labels.Refresh(QStringLiteral("Product"));
}

void TProductSelector::QueueSearch(const TProduct& criteria, bool matchAll) {
    m_pending = criteria;
    m_pendingMatchAll = matchAll;
    Timer1->start(); // restarts: the search runs 200 ms after the last key
}

void TProductSelector::timerFired() {
    Timer1->stop();
    if (m_pending.productCode == m_lastRun.productCode && m_pending.productName == m_lastRun.productName &&
        m_pending.product_model == m_lastRun.product_model && m_pending.product_spec == m_lastRun.product_spec)
        return; // what is on screen already answers it
    m_lastRun = m_pending;
    RunSearch(m_pending, m_pendingMatchAll);
}

void TProductSelector::RunSearch(const TProduct& criteria, bool matchAll) {
    ++m_searches;
    // Lets go of the last search's read before the next one starts.
    productQuery->close();
    SqlParams params;
    const QString condition = searchCondition(criteria, matchAll, &params);
    const QString columns = QStringLiteral("select Product.*, ProductUnit.unitName from ");
    const QString unit = QStringLiteral(" left join ProductUnit on Product.storageUnit=ProductUnit.id");
    QString sql = columns + QStringLiteral("Product") + unit;
    if (!condition.isEmpty()) {
        const std::optional<Holders> holders =
            holdersOf(readingConnection(*productQuery->connection()), criteria, matchAll, m_filterLimit);
        if (!holders) {
            // Too common to narrow: products along the name index match
            // often, so the first screenful is read at once.
            sql += QStringLiteral(" where ") + condition;
        } else if (holders->entries <= m_sortLimit) {
            // Few: read them by id and sort.
            sql = columns + QStringLiteral("(select distinct id from (") + holders->ids +
                  QStringLiteral(")) as holder cross join Product on Product.id = holder.id") + unit +
                  QStringLiteral(" where ") + condition;
        } else {
            // Many: along the name index, passing over every product that
            // does not hold the texts without reading it.
            sql += QStringLiteral(" where +Product.id in (") + holders->ids + QStringLiteral(") and ") + condition;
        }
        if (holders) params.insert(holders->params);
    }
    productQuery->setSql(sql + kByName);
    productQuery->clearParams();
    for (auto it = params.cbegin(); it != params.cend(); ++it) productQuery->setParam(it.key(), it.value());
    productQuery->open();
}

void TProductSelector::ForwardKey(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        PickCurrent();
        return;
    }
    Qt::KeyboardModifiers mods = Qt::NoModifier;
    switch (key) {
    case Qt::Key_Home:
    case Qt::Key_End:
        mods = Qt::ControlModifier; // to the first or last product, not the first column
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Up:
    case Qt::Key_Down:
        break;
    default:
        return;
    }
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(productGrid->view(), &press);
}

void TProductSelector::PickCurrent() {
    if (!m_handler || !productQuery->isActive() || productQuery->isEmpty() || productQuery->recNo() <= 0) return;
    const TProduct p = productFromRow(*productQuery);
    try {
        m_handler(productGrid, p);
    } catch (...) {
        TQuickMessageDlg::ShowPlain(QStringLiteral("Exception occur when select product."));
    }
    HideSelector();
}

void TProductSelector::HideSelector() {
    hide();
    {
        QSettings& s = m_placement.PlacementStorage();
        s.beginGroup(TControlPlacement::GroupOf(kPlacement));
        s.setValue(QStringLiteral("Width"), width());
        s.setValue(QStringLiteral("Height"), height());
        s.endGroup();
        productGrid->saveLayout(s, TControlPlacement::GroupOf(kPlacement));
    }
}

void TProductSelector::ResetSearch() {
    m_lastRun = TProduct();
    m_lastRun.productName = QStringLiteral("-1");
}

void TProductSelector::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        HideSelector();
        return;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        PickCurrent();
        return;
    }
    QWidget::keyPressEvent(e);
}

// ----------------------------------------------------------- TGridController

bool TGridController::IsEditableColumn(int viewColumn) const {
    QTableView* v = m_grid->view();
    if (viewColumn < 0 || viewColumn >= v->model()->columnCount() || v->isColumnHidden(viewColumn)) return false;
    auto* model = qobject_cast<DataSetModel*>(v->model());
    if (!model) return false;
    const QString name = model->fieldNameAt(viewColumn);
    // Code and name are typed into through the product cell.
    if (name.compare(QLatin1String("productCode"), Qt::CaseInsensitive) == 0 ||
        name.compare(QLatin1String("productName"), Qt::CaseInsensitive) == 0)
        return true;
    GridColumn* col = m_grid->column(name);
    if (col && col->readOnly) return false;
    return (model->flags(model->index(0, viewColumn)) & Qt::ItemIsEditable) || model->rowCount() == 0;
}

void TGridController::openEditor() {
    QTableView* v = m_grid->view();
    const QModelIndex idx = v->currentIndex();
    if (!idx.isValid()) return;
    v->edit(idx);
    if (auto* ed = qobject_cast<QLineEdit*>(v->indexWidget(idx))) ed->selectAll();
}

void TGridController::moveColumn(int step) {
    QTableView* v = m_grid->view();
    const QModelIndex idx = v->currentIndex();
    if (!idx.isValid()) return;
    // Visual order, so that moved columns are walked as they are seen.
    QHeaderView* h = v->horizontalHeader();
    for (int vis = h->visualIndex(idx.column()) + step; vis >= 0 && vis < h->count(); vis += step) {
        const int logical = h->logicalIndex(vis);
        if (!IsEditableColumn(logical)) continue;
        v->setCurrentIndex(v->model()->index(idx.row(), logical));
        openEditor();
        return;
    }
}

bool TGridController::HandleKey(int key, Qt::KeyboardModifiers modifiers) {
    DataSet* ds = m_grid->dataSet();
    if (key == Qt::Key_Up) {
        if (ds && ds->isActive() && ds->recNo() >= 2) {
            ds->setRecNo(ds->recNo() - 1);
            openEditor();
        }
        return true;
    }
    if (key == Qt::Key_Down) {
        // At the last line Down stays put: lines are added on purpose only.
        if (ds && ds->isActive() && ds->recNo() < ds->recordCount()) {
            ds->setRecNo(ds->recNo() + 1);
            openEditor();
        }
        return true;
    }
    if (modifiers & Qt::ControlModifier) {
        if (key == Qt::Key_Left) {
            moveColumn(-1);
            return true;
        }
        if (key == Qt::Key_Right) {
            moveColumn(+1);
            return true;
        }
    }
    return false;
}
