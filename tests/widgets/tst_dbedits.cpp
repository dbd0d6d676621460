#include "clock.h"
#include "dataset.h"
#include "dbedits.h"
#include "dberror.h"
#include "testsupport.h"

#include <QInputMethodEvent>
#include <QPushButton>
#include <QtTest>

namespace {
struct Fixture {
    TestDb db;
    DataSet ds{&db.conn()};
    DataSet units{&db.conn()};
    QWidget window;
    Fixture() {
        db.exec("INSERT INTO Product(id, productName, salePrice, storageUnit, comments) VALUES "
                "(1, '铅笔', 1234.5, 1, '第一行\n第二行'), (2, '钢笔', NULL, NULL, NULL)");
        db.exec("INSERT INTO InputForm(id, inputNO, inputDate) VALUES "
                "(1, 'RK1', '2010-03-05 09:30:00.000'), (2, 'RK2', NULL)");
        ds.setSql("SELECT id, productName, salePrice, storageUnit, comments FROM Product "
                  "ORDER BY id");
        ds.setUpdateTable("Product");
        ds.addLookupField("unitName", "storageUnit", &units, "id", "unitName");
        ds.open();
        units.setSql("SELECT id, unitName FROM ProductUnit ORDER BY id");
        units.open();
    }
    void show() {
        window.resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    QVariant stored(const QString& sql) { return db.scalar(sql); }
};
// Chinese text arrives from the input method as a committed string.
void typeText(QWidget* w, const QString& text) {
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(w, &commit);
}
// Pieces separated by '|' arrive one after the other, as typed or pasted.
void typePieces(QWidget* w, const QString& pieces) {
    for (const QString& piece : pieces.split('|', Qt::SkipEmptyParts))
        typeText(w, piece);
}
} // namespace

class TestDBEdits : public QObject {
    Q_OBJECT
private slots:
    void lineEditShowsAndFollowsRows();
    void lineEditWritesEachChange();
    void lineEditFormatsWhenUnfocused();
    void lineEditWaitsForHalfTypedNumber();
    void lineEditUntouchedDoesNotEdit();
    void numberBoxTakesOnlyNumbers_data();
    void numberBoxTakesOnlyNumbers();
    void boxesStopAtColumnSize_data();
    void boxesStopAtColumnSize();
    void editorsReadOnlyWhenDataSetIsNot_data();
    void editorsReadOnlyWhenDataSetIsNot();
    void memoShowsAndWrites();
    void checkBoxShowsAndWrites();
    void lookupComboShowsListField();
    void lookupComboWritesKey();
    void dateEditShowsBlankForNull();
    void dateEditClearsToNull();
    void dateEditKeepsTimeOfDay();
    void dateEditStartsFromToday();
    void cleanup() { TClock::reset(); }
};

void TestDBEdits::lineEditShowsAndFollowsRows() {
    Fixture f;
    DBLineEdit edit(&f.window);
    edit.bind(&f.ds, "productName");
    QCOMPARE(edit.text(), QString("铅笔"));
    f.ds.next();
    QCOMPARE(edit.text(), QString("钢笔"));
    f.ds.setValue("productName", "钢笔2"); // code writing the field shows too
    QCOMPARE(edit.text(), QString("钢笔2"));
    f.ds.cancel();
    QCOMPARE(edit.text(), QString("钢笔"));
    f.ds.close();
    QCOMPARE(edit.text(), QString());
    f.ds.open();
    QCOMPARE(edit.text(), QString("铅笔"));
    // A look-up shows its list's new text as soon as the list is re-read.
    DBLineEdit unit(&f.window);
    unit.bind(&f.ds, "unitName");
    QCOMPARE(unit.text(), QString("个"));
    f.db.exec("UPDATE ProductUnit SET unitName = '只' WHERE id = 1");
    f.units.requery();
    QCOMPARE(unit.text(), QString("只"));
}

void TestDBEdits::lineEditWritesEachChange() {
    Fixture f;
    DBLineEdit edit(&f.window);
    edit.bind(&f.ds, "productName");
    f.show();
    edit.setFocus();
    edit.selectAll();
    typeText(&edit, "毛");
    typeText(&edit, "笔");
    QCOMPARE(f.ds.state(), DataSet::State::Edit);
    QCOMPARE(f.ds.value("productName").toString(), QString("毛笔"));
    f.ds.post(); // straight after typing, focus still in the box
    QCOMPARE(f.stored("SELECT productName FROM Product WHERE id = 1").toString(), QString("毛笔"));
    QCOMPARE(edit.text(), QString("毛笔"));
}

void TestDBEdits::lineEditFormatsWhenUnfocused() {
    Fixture f;
    f.ds.setDisplayFormat("salePrice", "#,##0.00");
    DBLineEdit price(&f.window);
    DBLineEdit other(&f.window);
    price.bind(&f.ds, "salePrice");
    f.show();
    other.setFocus();
    QCOMPARE(price.text(), QString("1,234.50"));
    price.setFocus();
    QTRY_VERIFY(price.hasFocus());
    QCOMPARE(price.text(), QString("1234.5"));
    QTest::keyClick(&price, Qt::Key_End);
    QTest::keyClick(&price, Qt::Key_Backspace);
    QTest::keyClicks(&price, "75");
    other.setFocus();
    QTRY_VERIFY(!price.hasFocus());
    QCOMPARE(f.ds.value("salePrice").toDouble(), 1234.75);
    QCOMPARE(price.text(), QString("1,234.75"));
}

void TestDBEdits::lineEditWaitsForHalfTypedNumber() {
    Fixture f;
    DBLineEdit price(&f.window);
    price.bind(&f.ds, "salePrice");
    f.show();
    price.setFocus();
    price.selectAll();
    QTest::keyClick(&price, '-'); // not a number yet: no error, nothing written
    QCOMPARE(price.text(), QString("-"));
    QCOMPARE(f.ds.value("salePrice").toDouble(), 1234.5);
    QTest::keyClicks(&price, "3.");
    QCOMPARE(price.text(), QString("-3.")); // not rewritten to "-3" under the cursor
    QCOMPARE(f.ds.value("salePrice").toDouble(), -3.0);
    QTest::keyClick(&price, '5');
    QCOMPARE(f.ds.value("salePrice").toDouble(), -3.5);
    price.selectAll();
    QTest::keyClick(&price, Qt::Key_Delete); // empty is NULL
    QVERIFY(f.ds.field("salePrice")->isNull());
}

void TestDBEdits::lineEditUntouchedDoesNotEdit() {
    Fixture f;
    f.ds.setDisplayFormat("salePrice", "#,##0.00");
    DBLineEdit price(&f.window), other(&f.window);
    price.bind(&f.ds, "salePrice");
    f.show();
    price.setFocus();
    QTRY_VERIFY(price.hasFocus());
    QTest::keyClick(&price, Qt::Key_Return);
    other.setFocus();
    QTRY_VERIFY(!price.hasFocus());
    QTest::keyClick(&price, Qt::Key_Return); // over the formatted text
    QCOMPARE(price.text(), QString("1,234.50"));
    QCOMPARE(f.ds.state(), DataSet::State::Browse);
}

void TestDBEdits::numberBoxTakesOnlyNumbers_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed"); // pieces separated by '|'
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QVariant>("stored"); // invalid: the post is refused
    const QVariant refused;
    QTest::newRow("letter refused") << "salePrice" << "4|.|5|x" << "4.5" << QVariant(4.5);
    QTest::newRow("yuan refused") << "salePrice" << "1|2|.|5|元" << "12.5" << QVariant(12.5);
    QTest::newRow("pasted with yuan refused") << "salePrice" << "12.5元" << "1234.5" << QVariant(1234.5);
    QTest::newRow("thousands comma refused") << "salePrice" << "1|,|5|0|0" << "1500" << QVariant(1500.0);
    QTest::newRow("second point refused") << "salePrice" << "1|.|2|.|3" << "1.23" << QVariant(1.23);
    QTest::newRow("letters only") << "salePrice" << "a|b|c" << "1234.5" << QVariant(1234.5);
    QTest::newRow("full-width typed") << "salePrice" << "１|２|．|５" << "12.5" << QVariant(12.5);
    QTest::newRow("full-width pasted") << "salePrice" << "－３．５" << "-3.5" << QVariant(-3.5);
    QTest::newRow("full-width plus") << "salePrice" << "＋２" << "+2" << QVariant(2.0);
    QTest::newRow("exponent") << "salePrice" << "1|e|3" << "1e3" << QVariant(1000.0);
    QTest::newRow("minus left alone") << "salePrice" << "-" << "-" << refused;
    QTest::newRow("exponent unfinished") << "salePrice" << "1|e" << "1e" << refused;
    QTest::newRow("beyond a double") << "salePrice" << "1e999" << "1e999" << refused;
    QTest::newRow("integer") << "storageUnit" << "1|2" << "12" << QVariant(qint64(12));
    QTest::newRow("point in an integer refused") << "storageUnit" << "2|.|5" << "25" << QVariant(qint64(25));
    QTest::newRow("integer beyond 64 bits") << "storageUnit" << "99999999999999999999"
                                            << "99999999999999999999" << refused;
}

void TestDBEdits::numberBoxTakesOnlyNumbers() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QVariant, stored);
    Fixture f;
    const QString sql = "SELECT " + field + " FROM Product WHERE id = 1";
    const QVariant before = f.stored(sql);
    DBLineEdit box(&f.window), other(&f.window);
    QPushButton save("保存", &f.window);
    box.bind(&f.ds, field);
    f.show();
    box.setFocus();
    QTRY_VERIFY(box.hasFocus());
    box.selectAll();
    typePieces(&box, typed);
    QCOMPARE(box.text(), shown);
    // Leaving the box, as clicking a save button does, raises nothing.
    save.setFocus();
    QTRY_VERIFY(!box.hasFocus());
    if (stored.isValid()) {
        f.ds.post();
        QCOMPARE(f.stored(sql), stored);
        return;
    }
    QCOMPARE(box.text(), shown);
    // The save goes no further: nothing is written, the row stays in edit,
    // and the box has the focus back with its text selected to retype.
    QVERIFY_THROWS_EXCEPTION(AppError, f.ds.post());
    QCOMPARE(f.ds.state(), DataSet::State::Edit);
    QCOMPARE(f.stored(sql), before);
    QCOMPARE(box.text(), shown);
    QVERIFY(box.hasRefusedText());
    QTRY_VERIFY(box.hasFocus());
    QCOMPARE(box.selectedText(), shown);
    // Typing something else on the row keeps the refused text.
    DBLineEdit name(&f.window);
    name.bind(&f.ds, "productName");
    f.ds.setValue("productName", "改");
    QCOMPARE(box.text(), shown);
    QVERIFY_THROWS_EXCEPTION(AppError, f.ds.next());
    // Mended, the same post goes through.
    box.selectAll();
    typeText(&box, "7");
    f.ds.post();
    QCOMPARE(f.stored(sql).toDouble(), 7.0);
    // Cancelling drops refused text.
    box.selectAll();
    typeText(&box, "-");
    f.ds.cancel();
    QCOMPARE(box.text(), QString("7"));
    QVERIFY(!box.hasRefusedText());
}

void TestDBEdits::boxesStopAtColumnSize_data() {
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("kept");
    QTest::newRow("name, letters") << "line" << "productName" << QString(120, 'a') << 100;
    QTest::newRow("name, Chinese") << "line" << "productName" << QString(120, u'笔') << 100;
    QTest::newRow("name, pasted") << "linePaste" << "productName" << QString(300, u'笔') << 100;
    QTest::newRow("comments") << "memo" << "comments" << QString(300, u'注') << 255;
    QTest::newRow("comments, pasted") << "memoPaste" << "comments" << QString(300, u'注') << 255;
}

void TestDBEdits::boxesStopAtColumnSize() {
    QFETCH(QString, editor);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(int, kept);
    Fixture f;
    DBLineEdit line(&f.window);
    DBMemo memo(&f.window);
    QWidget* box = editor.startsWith("memo") ? static_cast<QWidget*>(&memo) : &line;
    (editor.startsWith("memo") ? memo.link() : line.link()).bind(&f.ds, field);
    f.show();
    box->setFocus();
    if (editor.startsWith("memo")) memo.selectAll();
    else line.selectAll();
    if (editor.endsWith("Paste")) {
        typeText(box, typed);
    } else {
        for (QChar c : typed)
            typeText(box, QString(c));
    }
    const QString text = editor.startsWith("memo") ? memo.toPlainText() : line.text();
    QCOMPARE(text.size(), kept);
    QCOMPARE(text, typed.left(kept));
    QCOMPARE(f.ds.value(field).toString(), text);
    f.ds.post();
    QCOMPARE(f.stored("SELECT length(" + field + ") FROM Product WHERE id = 1").toInt(), kept);
}

void TestDBEdits::editorsReadOnlyWhenDataSetIsNot_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("editable") << ""
                              << "comments" << false;
    QTest::newRow("no update table") << "noTable"
                                     << "comments" << true;
    QTest::newRow("read-only field") << "fieldReadOnly"
                                     << "comments" << true;
    QTest::newRow("calculated") << ""
                                << "calc" << true;
    QTest::newRow("closed") << "closed"
                            << "comments" << true;
    QTest::newRow("missing field") << ""
                                   << "noSuchField" << true;
    QTest::newRow("in memory") << "inMemory"
                               << "comments" << false;
}

void TestDBEdits::editorsReadOnlyWhenDataSetIsNot() {
    QFETCH(QString, setup);
    QFETCH(QString, field);
    QFETCH(bool, readOnly);
    Fixture f;
    f.ds.close();
    f.ds.setUpdateTable(setup == "noTable" || setup == "inMemory" ? QString() : QString("Product"));
    f.ds.setInMemory(setup == "inMemory");
    f.ds.addCalculatedField("calc", FieldType::Text,
                            [](const DataSet&, int) { return QVariant("x"); });
    if (setup != "closed") f.ds.open();
    if (setup == "fieldReadOnly") f.ds.field(field)->setReadOnly(true);
    DBLineEdit line(&f.window);
    DBMemo memo(&f.window);
    DBDateEdit date(&f.window);
    DBLookupCombo combo(&f.window);
    DBCheckBox check(&f.window);
    line.bind(&f.ds, field);
    memo.bind(&f.ds, field);
    date.bind(&f.ds, field);
    combo.bind(&f.ds, field);
    check.bind(&f.ds, field);
    QCOMPARE(line.isReadOnly(), readOnly);
    QCOMPARE(memo.isReadOnly(), readOnly);
    QCOMPARE(date.isReadOnly(), readOnly);
    QCOMPARE(combo.isEnabled(), !readOnly);
    QCOMPARE(check.testAttribute(Qt::WA_TransparentForMouseEvents), readOnly);
    // The state follows the dataset: closing makes every editor read-only.
    if (setup != "closed") {
        f.ds.close();
        QVERIFY(line.isReadOnly() && memo.isReadOnly() && date.isReadOnly() && !combo.isEnabled());
    }
}

void TestDBEdits::memoShowsAndWrites() {
    Fixture f;
    DBMemo memo(&f.window);
    memo.bind(&f.ds, "comments");
    QCOMPARE(memo.toPlainText(), QString("第一行\n第二行"));
    f.show();
    memo.setFocus();
    memo.moveCursor(QTextCursor::End);
    QTest::keyClick(&memo, Qt::Key_Return);
    typeText(&memo, "三");
    QCOMPARE(f.ds.value("comments").toString(), QString("第一行\n第二行\n三"));
    f.ds.next(); // posts, and the memo shows the next row
    QCOMPARE(memo.toPlainText(), QString());
    QCOMPARE(f.stored("SELECT comments FROM Product WHERE id = 1").toString(),
             QString("第一行\n第二行\n三"));
}

void TestDBEdits::checkBoxShowsAndWrites() {
    Fixture f;
    DataSet users(&f.db.conn());
    users.setSql("SELECT id, userName, canLogin FROM Users");
    users.setUpdateTable("Users");
    users.open();
    DBCheckBox box(&f.window);
    box.bind(&users, "canLogin");
    QVERIFY(box.isChecked());
    f.show();
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(5, box.height() / 2));
    QVERIFY(!box.isChecked());
    QCOMPARE(users.value("canLogin"), QVariant(false));
    users.post();
    QCOMPARE(f.stored("SELECT canLogin FROM Users WHERE id = 1").toInt(), 0);
}

void TestDBEdits::lookupComboShowsListField() {
    Fixture f;
    DBLookupCombo combo(&f.window);
    combo.setListSource(&f.units, "id", "unitName");
    combo.bind(&f.ds, "storageUnit");
    QCOMPARE(combo.count(), f.units.recordCount());
    QCOMPARE(combo.currentText(), QString("个"));
    f.ds.next(); // NULL key: nothing chosen
    QCOMPARE(combo.currentIndex(), -1);
    f.ds.prior();
    f.ds.setValue("storageUnit", 3);
    QCOMPARE(combo.currentText(), QString("箱"));
    // The list changing is seen: a new unit becomes choosable.
    f.db.exec("INSERT INTO ProductUnit(id, unitName) VALUES (50, '打')");
    f.units.setFetchBlock(3); // a list fetched lazily is offered whole
    f.units.requery();
    QCOMPARE(combo.count(), f.db.scalar("SELECT count(*) FROM ProductUnit").toInt());
    f.ds.setValue("storageUnit", 50);
    QCOMPARE(combo.currentText(), QString("打"));
}

void TestDBEdits::lookupComboWritesKey() {
    Fixture f;
    DBLookupCombo combo(&f.window);
    combo.setListSource(&f.units, "id", "unitName");
    combo.bind(&f.ds, "storageUnit");
    f.show();
    combo.setFocus();
    QTest::keyClick(&combo, Qt::Key_Down); // the user steps to the next unit
    QCOMPARE(combo.currentText(), QString("件"));
    QCOMPARE(f.ds.value("storageUnit").toLongLong(), 2);
    QCOMPARE(f.ds.state(), DataSet::State::Edit);
    const int box = combo.findText("瓶");
    emit combo.activated(box); // picked from the drop-down list
    QCOMPARE(f.ds.value("storageUnit"), f.units.valueAt(box, "id"));
    f.ds.post();
    QCOMPARE(f.stored("SELECT unitName FROM Product p JOIN ProductUnit u ON u.id = p.storageUnit "
                      "WHERE p.id = 1")
                 .toString(),
             QString("瓶"));
}

namespace {
DataSet* openForms(Fixture& f) {
    auto* forms = new DataSet(&f.db.conn(), &f.window);
    forms->setSql("SELECT id, inputNO, inputDate FROM InputForm ORDER BY id");
    forms->setUpdateTable("InputForm");
    forms->open();
    return forms;
}
} // namespace

void TestDBEdits::dateEditShowsBlankForNull() {
    Fixture f;
    DataSet* forms = openForms(f);
    DBDateEdit date(&f.window);
    date.bind(forms, "inputDate");
    QCOMPARE(date.date(), QDate(2010, 3, 5));
    QCOMPARE(date.text(), QString("2010-03-05"));
    QVERIFY(!date.isNull());
    forms->next();
    QVERIFY(date.isNull());
    QVERIFY(date.text().trimmed().isEmpty());
    QCOMPARE(forms->state(), DataSet::State::Browse); // showing NULL writes nothing
}

void TestDBEdits::dateEditClearsToNull() {
    Fixture f;
    DataSet* forms = openForms(f);
    DBDateEdit date(&f.window);
    date.bind(forms, "inputDate");
    f.show();
    date.setFocus();
    date.selectAll();
    QTest::keyClick(&date, Qt::Key_Delete);
    QVERIFY(date.isNull());
    QVERIFY(forms->field("inputDate")->isNull());
    forms->post();
    QVERIFY(f.stored("SELECT inputDate FROM InputForm WHERE id = 1").isNull());
    forms->setValue("inputDate", QDate(2011, 1, 2));
    QVERIFY(!date.isNull());
    date.clear();
    QVERIFY(forms->field("inputDate")->isNull());
}

void TestDBEdits::dateEditKeepsTimeOfDay() {
    Fixture f;
    DataSet* forms = openForms(f);
    DBDateEdit date(&f.window);
    date.bind(forms, "inputDate");
    f.show();
    date.setFocus();
    date.setCurrentSection(QDateTimeEdit::DaySection);
    QTest::keyClick(&date, Qt::Key_Up);
    QCOMPARE(forms->field("inputDate")->asDateTime(), QDateTime(QDate(2010, 3, 6), QTime(9, 30)));
    forms->post();
    QCOMPARE(f.stored("SELECT inputDate FROM InputForm WHERE id = 1").toString(),
             QString("2010-03-06 09:30:00.000"));
}

void TestDBEdits::dateEditStartsFromToday() {
    TClock::setFixed(QDateTime(QDate(2010, 6, 15), QTime(14, 0)));
    Fixture f;
    DataSet* forms = openForms(f);
    forms->next(); // the row without a date
    DBDateEdit date(&f.window);
    date.bind(forms, "inputDate");
    f.show();
    date.setFocus();
    QTest::keyClick(&date, Qt::Key_Up);
    QCOMPARE(date.date(), QDate(2010, 6, 15));
    QCOMPARE(forms->field("inputDate")->asDateTime(), QDateTime(QDate(2010, 6, 15), QTime(0, 0)));
}

QTEST_MAIN(TestDBEdits)
#include "tst_dbedits.moc"
