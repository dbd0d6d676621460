#include "dbedits.h"

#include "clock.h"
#include "dataset.h"
#include "datasetmodel.h"
#include "dberror.h"
#include "displayformat.h"
#include "guard.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QScopeGuard>
#include <QValidator>
#include <algorithm>

// --------------------------------------------------------------- FieldLink

FieldLink::FieldLink(std::function<void()> refresh) : m_refresh(std::move(refresh)) {}

FieldLink::~FieldLink() {
    if (m_ds && m_checkId) m_ds->removeEditorCheck(m_checkId);
}

void FieldLink::bind(DataSet* ds, const QString& fieldName) {
    if (m_ds) {
        disconnect(m_ds, nullptr, this, nullptr);
        if (m_checkId) m_ds->removeEditorCheck(m_checkId);
    }
    m_checkId = 0;
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
        connect(ds, &DataSet::valuesChanged, this, [this] {
            if (Field* f = field(); f && f->kind() != FieldKind::Data) refresh();
        });
        connect(ds, &QObject::destroyed, this, all);
        m_checkId = ds->addEditorCheck([this] {
            if (m_check) m_check();
        });
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
    const auto done = qScopeGuard([this] { m_writing = false; });
    f->setValue(v);
    return true;
}

void FieldLink::edit() {
    if (!canWrite() || m_ds->isEditing()) return;
    m_writing = true;
    const auto done = qScopeGuard([this] { m_writing = false; });
    m_ds->edit();
}

void FieldLink::refresh() {
    if (m_writing || !m_refresh) return;
    ++m_refreshing;
    m_refresh();
    --m_refreshing;
}

// -------------------------------------------------------------- DBLineEdit

namespace {
// What a number box lets through: the forms on the way to a number ("-",
// "1.", "1e", "") and numbers. Full-width characters and spaces from an
// input method or a paste are converted or dropped as they arrive. Whether
// the number fits the column is for the field to say.
class NumberValidator : public QValidator {
public:
    using QValidator::QValidator;
    bool integer = false;

    State validate(QString& input, int& pos) const override {
        QString out;
        out.reserve(input.size());
        const QString ascii = DisplayFormat::asciiNumber(input);
        int cursor = pos;
        for (int i = 0; i < ascii.size(); ++i) {
            if (ascii[i].isSpace()) {
                if (i < pos) --cursor;
                continue;
            }
            out += ascii[i];
        }
        input = out;
        pos = std::clamp(cursor, 0, int(out.size()));
        return check(out);
    }

private:
    State check(const QString& s) const {
        int i = 0;
        const int n = int(s.size());
        auto digits = [&] {
            const int from = i;
            while (i < n && s[i].isDigit() && s[i].unicode() < 128) ++i;
            return i - from;
        };
        if (i < n && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) ++i;
        int mantissa = digits();
        if (integer) {
            if (i < n) return Invalid;
            return mantissa > 0 || n == 0 ? Acceptable : Intermediate;
        }
        if (i < n && s[i] == QLatin1Char('.')) {
            ++i;
            mantissa += digits();
        }
        bool exponentDone = true;
        if (i < n && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
            if (mantissa == 0) return Invalid; // "e5" is no number whatever follows
            ++i;
            if (i < n && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) ++i;
            exponentDone = digits() > 0;
        }
        if (i < n) return Invalid;
        if (n == 0) return Acceptable; // empty is NULL
        return mantissa > 0 && exponentDone ? Acceptable : Intermediate;
    }
};
} // namespace

DBLineEdit::DBLineEdit(QWidget* parent)
    : QLineEdit(parent), m_link([this] { refresh(); }), m_numbers(new NumberValidator(this)) {
    connect(this, &QLineEdit::textEdited, this, Guarded([this](const QString&) {
                m_typed = true;
                writeText();
            }));
    connect(this, &QLineEdit::editingFinished, this, Guarded([this] { writeText(); }));
    m_link.setPostCheck([this] { checkPending(); });
    refresh();
}

void DBLineEdit::refresh() {
    Field* f = m_link.field();
    DataSet* ds = m_link.dataSet();
    // Refused text stays while its row is being edited and nobody else has
    // set the field: the next post has to see it.
    if (m_pending && f && m_link.canWrite() && ds->isEditing() && ds->currentRow() == m_pendingRow &&
        f->value() == m_pendingBase)
        return;
    m_pending = false;
    m_typed = false;
    const bool readOnly = !m_link.canWrite();
    setReadOnly(readOnly);
    if (f && f->isNumeric()) {
        static_cast<NumberValidator*>(m_numbers)->integer = f->type() == FieldType::Integer;
        setValidator(m_numbers);
    } else {
        setValidator(nullptr);
    }
    // A value longer than the column (read from an older file) is shown
    // whole while it cannot be edited.
    setMaxLength(f && !readOnly && f->size() > 0 ? f->size() : 32767);
    // Formatted ("1,234.50") to read, plain ("1234.5") to type into.
    m_shown = !f           ? QString()
              : hasFocus() ? DisplayFormat::displayText(f->value())
                           : f->displayText();
    // Unchanged text is not set again, so the cursor stays where it is.
    if (text() != m_shown) setText(m_shown);
}

void DBLineEdit::writeText() {
    if (m_link.refreshing() || isReadOnly() || !m_link.canWrite()) return;
    // Return or leaving without typing: the text is still what the field
    // gave, possibly formatted ("1,234.50"), and is no new value.
    if (!m_pending && !m_typed) return;
    try {
        m_link.write(text());
        m_pending = false;
    } catch (const AppError&) {
        // "-" or "1e" on the way to a number, or a number the column cannot
        // hold: kept for the user to finish, and for a post to refuse.
        m_link.edit();
        DataSet* ds = m_link.dataSet();
        m_pending = ds && ds->isEditing();
        m_pendingRow = ds ? ds->currentRow() : -1;
        m_pendingBase = m_link.value();
    }
}

void DBLineEdit::checkPending() {
    if (!m_pending) return;
    if (!m_link.canWrite()) {
        m_pending = false;
        return;
    }
    QString why;
    try {
        m_link.write(text());
        m_pending = false;
        return;
    } catch (const AppError& e) {
        why = e.text();
    }
    setFocus(Qt::OtherFocusReason);
    selectAll();
    throw AppError(why);
}

void DBLineEdit::focusInEvent(QFocusEvent* e) {
    if (!m_pending) refresh();
    QLineEdit::focusInEvent(e);
}

void DBLineEdit::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    // Text that does not convert stays pending; only a failing change
    // handler of the field can throw here, and that is shown, not thrown.
    Guard::Run([this] { writeText(); });
    if (!m_pending) refresh();
}

// ------------------------------------------------------------------ DBMemo

DBMemo::DBMemo(QWidget* parent) : QPlainTextEdit(parent), m_link([this] { refresh(); }) {
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, Guarded([this] {
                if (m_link.refreshing() || isReadOnly()) return;
                if (trimToSize()) return; // the trim changed the text and wrote it
                m_link.write(toPlainText());
            }));
    refresh();
}

bool DBMemo::trimToSize() {
    Field* f = m_link.field();
    const int size = f ? f->size() : 0;
    const int excess = int(toPlainText().size()) - size;
    if (size <= 0 || excess <= 0) return false;
    // What went beyond the limit is what was just typed or pasted, before
    // the cursor.
    QTextCursor c = textCursor();
    const int end = c.position();
    if (end >= excess) {
        c.setPosition(end - excess);
        c.setPosition(end, QTextCursor::KeepAnchor);
        c.removeSelectedText();
    } else {
        setPlainText(toPlainText().left(size));
    }
    return true;
}

void DBMemo::refresh() {
    setReadOnly(!m_link.canWrite());
    const QString text = m_link.field() ? m_link.field()->asString() : QString();
    if (text != toPlainText()) setPlainText(text);
}

void DBMemo::focusOutEvent(QFocusEvent* e) {
    QPlainTextEdit::focusOutEvent(e);
    if (!isReadOnly()) Guard::Run([this] { m_link.write(toPlainText()); });
}

// -------------------------------------------------------------- DBCheckBox

DBCheckBox::DBCheckBox(QWidget* parent) : QCheckBox(parent), m_link([this] { refresh(); }) {
    // clicked comes from the user only; toggled also from refresh.
    connect(this, &QCheckBox::clicked, this, Guarded([this](bool on) { m_link.write(on); }));
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
    connect(this, qOverload<int>(&QComboBox::activated), this, Guarded([this](int index) {
                if (index >= 0) m_link.write(itemData(index));
            }));
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
    connect(this, &QDateEdit::dateChanged, this, Guarded([this](QDate) {
                if (!m_link.refreshing()) writeDate();
            }));
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
