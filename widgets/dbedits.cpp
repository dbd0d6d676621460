#include "dbedits.h"

#include "clock.h"
#include "dataset.h"
#include "datasetmodel.h"
#include "dberror.h"
#include "displayformat.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QScopeGuard>

// --------------------------------------------------------------- FieldLink

FieldLink::FieldLink(std::function<void()> refresh) : m_refresh(std::move(refresh)) {}

void FieldLink::bind(DataSet* ds, const QString& fieldName) {
    if (m_ds) disconnect(m_ds, nullptr, this, nullptr);
    m_ds = ds;
    m_fieldName = fieldName;
    if (ds) {
        auto all = [this] { refresh(); };
        auto row = [this](int r) {
            if (m_ds && r == m_ds->currentRow()) refresh();
        };
        connect(ds, &DataSet::currentChanged, this, all);
        connect(ds, &DataSet::rowsReset, this, all);
        connect(ds, &DataSet::stateChanged, this, all);
        connect(ds, &DataSet::rowChanged, this, row);
        // Any field: a look-up or calculated field follows the ones it uses.
        connect(ds, &DataSet::fieldChanged, this, [row](int r, int) { row(r); });
        connect(ds, &QObject::destroyed, this, all);
    }
    refresh();
}

Field* FieldLink::field() const {
    if (!m_ds || !m_ds->isActive()) return nullptr;
    return m_ds->findField(m_fieldName);
}

QVariant FieldLink::value() const {
    Field* f = field();
    return f ? f->value() : QVariant();
}

bool FieldLink::canWrite() const {
    Field* f = field();
    return f && m_ds->canModify() && !f->isReadOnly();
}

bool FieldLink::write(const QVariant& v) {
    if (!canWrite()) return false;
    Field* f = field();
    if (m_ds->currentRow() >= 0 && DataSetModel::sameValue(f->value(), v)) return true;
    // The control already shows what the user typed; redrawing it from the
    // field now would fight the typing (a "1." becoming "1").
    m_writing = true;
    try {
        f->setValue(v);
    } catch (...) {
        m_writing = false;
        throw;
    }
    m_writing = false;
    return true;
}

void FieldLink::refresh() {
    if (m_writing || !m_refresh) return;
    ++m_refreshing;
    m_refresh();
    --m_refreshing;
}

// -------------------------------------------------------------- DBLineEdit

DBLineEdit::DBLineEdit(QWidget* parent) : QLineEdit(parent), m_link([this] { refresh(); }) {
    connect(this, &QLineEdit::textEdited, this, [this] { writeText(false); });
    connect(this, &QLineEdit::editingFinished, this, [this] { writeText(true); });
    refresh();
}

void DBLineEdit::refresh() {
    Field* f = m_link.field();
    setReadOnly(!m_link.canWrite());
    m_pending = false;
    // Formatted ("1,234.50") to read, plain ("1234.5") to type into.
    m_shown = !f           ? QString()
              : hasFocus() ? DisplayFormat::displayText(f->value())
                           : f->displayText();
    setText(m_shown);
}

void DBLineEdit::writeText(bool strict) {
    if (m_link.refreshing() || isReadOnly() || !m_link.canWrite()) return;
    // Return or leaving without typing: the text is still what the field
    // gave, possibly formatted ("1,234.50"), and is no new value.
    if (!m_pending && text() == m_shown) return;
    try {
        m_link.write(text());
        m_pending = false;
    } catch (const AppError&) {
        // "-" or "1e" on the way to a number: wait for the user to finish.
        m_pending = true;
        if (strict) throw;
    }
}

void DBLineEdit::focusInEvent(QFocusEvent* e) {
    if (!m_pending) refresh();
    QLineEdit::focusInEvent(e);
}

void DBLineEdit::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    if (m_pending) writeText(true);
    refresh();
}

// ------------------------------------------------------------------ DBMemo

DBMemo::DBMemo(QWidget* parent) : QPlainTextEdit(parent), m_link([this] { refresh(); }) {
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_link.refreshing() && !isReadOnly()) m_link.write(toPlainText());
    });
    refresh();
}

void DBMemo::refresh() {
    setReadOnly(!m_link.canWrite());
    const QString text = m_link.field() ? m_link.field()->asString() : QString();
    if (text != toPlainText()) setPlainText(text);
}

void DBMemo::focusOutEvent(QFocusEvent* e) {
    QPlainTextEdit::focusOutEvent(e);
    if (!isReadOnly()) m_link.write(toPlainText());
}

// -------------------------------------------------------------- DBCheckBox

DBCheckBox::DBCheckBox(QWidget* parent) : QCheckBox(parent), m_link([this] { refresh(); }) {
    // clicked comes from the user only; toggled also from refresh.
    connect(this, &QCheckBox::clicked, this, [this](bool on) { m_link.write(on); });
    refresh();
}

void DBCheckBox::refresh() {
    Field* f = m_link.field();
    setChecked(f && f->asBoolean());
    // Read-only without the grey of a disabled box: the value stays legible.
    const bool ro = !m_link.canWrite();
    setAttribute(Qt::WA_TransparentForMouseEvents, ro);
    setFocusPolicy(ro ? Qt::NoFocus : Qt::StrongFocus);
}

// ----------------------------------------------------------- DBLookupCombo

DBLookupCombo::DBLookupCombo(QWidget* parent) : QComboBox(parent), m_link([this] { refresh(); }) {
    // activated is the user's pick; currentIndexChanged also fires on refresh.
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        if (index >= 0) m_link.write(itemData(index));
    });
    refresh();
}

void DBLookupCombo::setListSource(DataSet* list, const QString& keyField,
                                  const QString& listField) {
    if (m_list) disconnect(m_list, nullptr, this, nullptr);
    m_list = list;
    m_keyField = keyField;
    m_listField = listField;
    if (list) {
        auto reload = [this] { reloadList(); };
        connect(list, &DataSet::rowsReset, this, reload);
        connect(list, &DataSet::rowsFetched, this, reload);
        connect(list, &DataSet::rowInserted, this, reload);
        connect(list, &DataSet::rowRemoved, this, reload);
        connect(list, &DataSet::rowChanged, this, reload);
        connect(list, &QObject::destroyed, this, reload);
    }
    reloadList();
}

void DBLookupCombo::reloadList() {
    // Fetching the whole list below reports the rows it fetched, which
    // would bring us back here.
    if (m_reloading) return;
    m_reloading = true;
    const auto done = qScopeGuard([this] { m_reloading = false; });
    // Items are the list's rows in order, so item i is list row i.
    const QSignalBlocker block(this);
    QComboBox::clear();
    Field* key = m_list && m_list->isActive() ? m_list->findField(m_keyField) : nullptr;
    Field* shown = key ? m_list->findField(m_listField) : nullptr;
    if (shown) {
        const int n = m_list->recordCount();
        for (int r = 0; r < n; ++r)
            addItem(m_list->displayTextAt(r, shown->index()), m_list->valueAt(r, key->index()));
    }
    refresh();
}

void DBLookupCombo::refresh() {
    setEnabled(m_link.canWrite());
    const QVariant v = m_link.value();
    int row = -1;
    if (!v.isNull() && m_list && m_list->isActive() && m_list->findField(m_keyField))
        row = m_list->findRow(m_keyField, v);
    const QSignalBlocker block(this);
    setCurrentIndex(row < count() ? row : -1);
}

// -------------------------------------------------------------- DBDateEdit

namespace {
const QDate kNullDate(100, 1, 1); // stands for NULL; shown as blank
}

DBDateEdit::DBDateEdit(QWidget* parent) : QDateEdit(parent), m_link([this] { refresh(); }) {
    setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    setMinimumDate(kNullDate);
    setSpecialValueText(QStringLiteral(" "));
    setCalendarPopup(true);
    showNull();
    connect(this, &QDateEdit::dateChanged, this, [this] {
        if (!m_link.refreshing()) writeDate();
    });
    refresh();
}

void DBDateEdit::showNull() {
    setDate(kNullDate);
}

void DBDateEdit::refresh() {
    setReadOnly(!m_link.canWrite());
    const QVariant v = m_link.value();
    const QDate d = v.typeId() == QMetaType::QDateTime ? v.toDateTime().date()
                    : v.isNull()                       ? QDate()
                                                       : m_link.field()->asDateTime().date();
    if (d.isValid() && d > kNullDate)
        setDate(d);
    else
        showNull();
}

void DBDateEdit::writeDate() {
    if (isReadOnly() || !m_link.canWrite()) return;
    if (isNull()) {
        m_link.write(QVariant());
        return;
    }
    const QDateTime old = m_link.value().toDateTime();
    m_link.write(QDateTime(date(), old.isValid() ? old.time() : QTime(0, 0)));
}

void DBDateEdit::clear() {
    if (isReadOnly()) return;
    if (isNull()) return writeDate(); // a NULL shown over a stale value is written too
    showNull();                       // dateChanged writes it
}

void DBDateEdit::startFromToday() {
    setDate(TClock::today());
}

void DBDateEdit::keyPressEvent(QKeyEvent* e) {
    if (!isReadOnly()) {
        const int k = e->key();
        const bool wipe = k == Qt::Key_Delete || k == Qt::Key_Backspace;
        if (wipe && (isNull() || lineEdit()->selectedText() == lineEdit()->text())) {
            clear();
            e->accept();
            return;
        }
        // Typing into a blank date starts from today rather than year 100.
        if (isNull() && (e->text().size() == 1 && e->text()[0].isDigit())) startFromToday();
    }
    QDateEdit::keyPressEvent(e);
}

void DBDateEdit::stepBy(int steps) {
    if (isNull()) {
        if (!isReadOnly()) startFromToday();
        return;
    }
    QDateEdit::stepBy(steps);
}

void DBDateEdit::mousePressEvent(QMouseEvent* e) {
    QDateEdit::mousePressEvent(e);
    // The calendar of a blank date would open in January of year 100.
    if (isNull() && calendarWidget() && calendarWidget()->isVisible())
        calendarWidget()->setCurrentPage(TClock::today().year(), TClock::today().month());
}
