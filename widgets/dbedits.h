#pragma once
#include "dataset.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <functional>

// Ties one control to one field of a dataset: tells the control when to show
// the current row again (scrolling, reopening, edits from code) and whether
// it may be changed, and writes the user's changes back with edit +
// setValue.
class FieldLink : public QObject {
    Q_OBJECT
public:
    explicit FieldLink(std::function<void()> refresh);
    ~FieldLink() override;

    void bind(DataSet* ds, const QString& fieldName);
    DataSet* dataSet() const { return m_ds; }
    QString fieldName() const { return m_fieldName; }
    Field* field() const; // null while the dataset is closed or lacks the field
    QVariant value() const;
    // The control may change the value: dataset open and modifiable, field
    // neither read-only nor calculated.
    bool canWrite() const;
    // Writes when the value differs (so focusing and leaving a control does
    // not put the dataset into edit state). False when it could not write.
    bool write(const QVariant& value);
    // Puts the row into edit state without redrawing the control, for text
    // the field cannot take yet.
    void edit();
    // Run before every post of the bound dataset; throws to refuse it.
    void setPostCheck(std::function<void()> check) { m_check = std::move(check); }
    // True while the control is being filled from the dataset; changes it
    // sees then are not the user's.
    bool refreshing() const { return m_refreshing > 0; }
    void refresh();

private:
    QPointer<DataSet> m_ds;
    QString m_fieldName;
    std::function<void()> m_refresh;
    std::function<void()> m_check;
    int m_checkId = 0;
    int m_refreshing = 0;
    bool m_writing = false;
};

// A line edit on a field. Shows the display format when it has no focus and
// the plain value while editing; every change is written at once, so a post
// right after typing sees it.
//
// On a number field it refuses keys that can never make a number (letters,
// thousands separators, a second point) and turns full-width digits into
// ASCII. Text that still does not convert ("-", "1e", 1e999) stays in the box
// with the row in edit state; posting the row then fails with the box
// focused, so no save goes on with a value the user did not see. Text boxes
// stop at the length the column declares.
class DBLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DBLineEdit(QWidget* parent = nullptr);
    void bind(DataSet* ds, const QString& fieldName) { m_link.bind(ds, fieldName); }
    FieldLink& link() { return m_link; }
    // The box holds text its field has not taken.
    bool hasRefusedText() const { return m_pending; }

protected:
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void refresh();
    void writeText();
    void checkPending();
    FieldLink m_link;
    QValidator* m_numbers = nullptr;
    QString m_shown;        // the text refresh() put there
    bool m_typed = false;   // the user changed the text since refresh()
    bool m_pending = false; // typed text not yet accepted by the field
    int m_pendingRow = -1;  // the row and field value it was typed over
    QVariant m_pendingBase;
};

// A multi-line text on a field (comments); stops at the declared length.
class DBMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit DBMemo(QWidget* parent = nullptr);
    void bind(DataSet* ds, const QString& fieldName) { m_link.bind(ds, fieldName); }
    FieldLink& link() { return m_link; }

protected:
    void focusOutEvent(QFocusEvent* e) override;

private:
    void refresh();
    bool trimToSize();
    FieldLink m_link;
};

// A yes/no field.
class DBCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit DBCheckBox(QWidget* parent = nullptr);
    void bind(DataSet* ds, const QString& fieldName) { m_link.bind(ds, fieldName); }
    FieldLink& link() { return m_link; }

private:
    void refresh();
    FieldLink m_link;
};

// A key field chosen by name from a list dataset: shows the list field of
// the list row whose key equals the bound field, and writes that row's key
// when the user picks one.
class DBLookupCombo : public QComboBox {
    Q_OBJECT
public:
    explicit DBLookupCombo(QWidget* parent = nullptr);
    void bind(DataSet* ds, const QString& fieldName) { m_link.bind(ds, fieldName); }
    void setListSource(DataSet* list, const QString& keyField, const QString& listField);
    DataSet* listDataSet() const { return m_list; }
    FieldLink& link() { return m_link; }
    void reloadList();

private:
    void refresh();
    FieldLink m_link;
    QPointer<DataSet> m_list;
    QString m_keyField, m_listField;
    bool m_reloading = false;
};

// A date field that may be empty: blank for NULL, cleared with Delete or
// Backspace over the whole text (or clear()). Keeps the time of day the
// field had when only the date is changed.
class DBDateEdit : public QDateEdit {
    Q_OBJECT
public:
    explicit DBDateEdit(QWidget* parent = nullptr);
    void bind(DataSet* ds, const QString& fieldName) { m_link.bind(ds, fieldName); }
    FieldLink& link() { return m_link; }
    bool isNull() const { return date() == minimumDate(); }
    void clear() override; // sets NULL, and writes it when bound

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void stepBy(int steps) override;

private:
    void refresh();
    void writeDate();
    void showNull();
    void startFromToday();
    FieldLink m_link;
};
