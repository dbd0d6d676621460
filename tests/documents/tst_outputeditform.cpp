// The sale editor: what it adds to the purchase editor, driven by its
// controls' names: the line arithmetic, the captured cost, the change
// calculator, the customer boxes, and the stock going out on audit.
#include "editorfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPainter>

class TestOutputEditForm : public QObject {
    Q_OBJECT
private slots:
    void init() { TClock::reset(); }
    void newDocument();
    void pickRoundsThePrice_data();
    void pickRoundsThePrice();
    void typedCellsFollowTheTable_data();
    void typedCellsFollowTheTable();
    void calculatorShowsTheChange_data();
    void calculatorShowsTheChange();
    void cancelledCalculatorAbandonsTheSave_data();
    void cancelledCalculatorAbandonsTheSave();
    void clearedCalculatorGoesStraightToValidation();
    void saleCapturesTheCostAtThePick();
    void customerChosenByCardNumber();
    void screenshots();
};

namespace {
TOutputEditForm* newSale(Shell& s, bool calculator = false) {
    TOutputEditForm* f = s.documents->GetOutputEditForm();
    f->NewDocument();
    child<QCheckBox>(f, "cbShowPOSCalc")->setChecked(calculator);
    return f;
}

QString num(const QVariant& v) { return QString::number(v.toDouble(), 'g', 15); }

// Answers the change calculator: types the amount received, reads the
// labels, and presses 确定 or 取消.
struct Cashier {
    QString received; // empty: leave the amount due as filled in
    bool ok = true;
    QStringList seen; // 应收, 实收, 找零 as shown
    int shown = 0;
    void answerNext() {
        whileModal([this](QWidget* w) {
            ++shown;
            auto* edit = child<QLineEdit>(w, "edtActureReceive");
            seen = {child<QLabel>(w, "lbReceiveable")->text(), edit->text(), child<QLabel>(w, "lbChange")->text()};
            if (!received.isNull()) {
                edit->selectAll();
                type(edit, received);
                seen << child<QLabel>(w, "lbChange")->text();
            }
            click(w, ok ? "JvImgBtn1" : "JvImgBtn2");
        });
    }
};
} // namespace

void TestOutputEditForm::newDocument() {
    Shell s;
    TOutputEditForm* f = s.documents->GetOutputEditForm();
    f->NewDocument();
    QCOMPARE(f->windowTitle(), QString("销售单"));
    QCOMPARE(f->Identity().Number(), "OUT" + today() + "-0001");
    QVERIFY(child<QCheckBox>(f, "cbShowPOSCalc")->isChecked());
    QCOMPARE(child<QCheckBox>(f, "cbShowPOSCalc")->text(), QString("保存时显示找零计算器"));
    QVERIFY(child<QLineEdit>(f, "edtTotalPrice")->isReadOnly());
    QVERIFY(!enabled(f, "edtCreateDate"));
    QVERIFY(!enabled(f, "edtCreateUser"));
    QCOMPARE(child<QComboBox>(f, "edtCreateUser")->currentText(), QString("admin"));
    QVERIFY(enabled(f, "edtOutputUser"));
    QCOMPARE(child<QLabel>(f, "lbHint")->text(), QString("折扣：75折为0.75  [Ctrl+方向键] 移动焦点"));
    QCOMPARE(f->Detail()->recordCount(), 6);
}

void TestOutputEditForm::pickRoundsThePrice_data() {
    QTest::addColumn<int>("product");
    QTest::addColumn<QString>("line"); // base,discount,unitPrice,quantity,total
    QTest::addColumn<QString>("onSave");
    QTest::newRow("12.345 rounds up") << 4 << "12.345,1,12.35,1,12.35" << "";
    QTest::newRow("2.675 rounds down") << 5 << "2.675,1,2.67,1,2.67" << "";
    QTest::newRow("sale price 0") << 6 << "0,1,0,1,0" << "单价必须大于0.";
    QTest::newRow("plain price") << 7 << "100,1,100,1,100" << "";
}

void TestOutputEditForm::pickRoundsThePrice() {
    QFETCH(int, product);
    QFETCH(QString, line);
    QFETCH(QString, onSave);
    Shell s;
    TOutputEditForm* f = newSale(s);
    // Picked twice: a line picked again gets all of it anew.
    pick(f, 0, 7);
    setCell(f, 0, "quantity", "3");
    setCell(f, 0, "discount", "0.5");
    pick(f, 0, product);
    QStringList got;
    for (const char* field : {"unitPriceOriginal", "discount", "unitPrice", "quantity", "totalPrice"})
        got << num(valueAt(f, 0, field));
    QCOMPARE(got.join(','), line);
    // On to the price, past the discount.
    QCOMPARE(f->Grid()->view()->currentIndex(), cell(f, 0, "unitPrice"));
    click(f, "btnSave");
    QCOMPARE(TQuickMessageDlg::ShownTexts().join('|'), onSave);
}

void TestOutputEditForm::typedCellsFollowTheTable_data() {
    QTest::addColumn<int>("product");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after"); // discount,unitPrice,total
    QTest::newRow("discount 0.75 on 100 x 3") << 7 << "3" << "discount" << "0.75" << "0.75,75,225";
    QTest::newRow("total 200 on 100 x 3") << 7 << "3" << "totalPrice" << "200" << "0.67,66.67,200";
    QTest::newRow("discount on base price 0") << 6 << "2" << "discount" << "0.8" << "0.8,0,0";
    QTest::newRow("unit price on base price 0") << 6 << "2" << "unitPrice" << "5" << "0,5,10";
    QTest::newRow("total on quantity 0") << 7 << "0" << "totalPrice" << "30" << "0,0,30";
}

void TestOutputEditForm::typedCellsFollowTheTable() {
    QFETCH(int, product);
    QFETCH(QString, quantity);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, after);
    Shell s;
    TOutputEditForm* f = newSale(s);
    pick(f, 0, product);
    setCell(f, 0, "quantity", quantity);
    setCell(f, 0, field, typed);
    QCOMPARE(QStringList({num(valueAt(f, 0, "discount")), num(valueAt(f, 0, "unitPrice")),
                          num(valueAt(f, 0, "totalPrice"))})
                 .join(','),
             after);
}

void TestOutputEditForm::calculatorShowsTheChange_data() {
    QTest::addColumn<QString>("received");
    QTest::addColumn<QStringList>("seen");
    QTest::newRow("as filled in") << QString() << QStringList{"225.00", "225.00", "0.00"};
    QTest::newRow("300 for 225") << "300" << QStringList{"225.00", "225.00", "0.00", "75.00"};
    QTest::newRow("200 for 225") << "200" << QStringList{"225.00", "225.00", "0.00", "-25.00"};
    QTest::newRow("letters") << "abc" << QStringList{"225.00", "225.00", "0.00", "无法计算"};
}

void TestOutputEditForm::calculatorShowsTheChange() {
    QFETCH(QString, received);
    QFETCH(QStringList, seen);
    Shell s;
    TOutputEditForm* f = newSale(s, true);
    pick(f, 0, 7);
    setCell(f, 0, "quantity", "3");
    setCell(f, 0, "discount", "0.75");
    Cashier c{received, true};
    c.answerNext();
    click(f, "btnSave");
    QCOMPARE(c.shown, 1);
    QCOMPARE(c.seen, seen);
    QCOMPARE(f->Calculator()->windowTitle(), QString("找零计算器"));
    QVERIFY(!f->IsNew()); // 确定 goes on with the save
    QCOMPARE(s.scalar("select totalPrice from OutputForm").toDouble(), 225.0);
}

void TestOutputEditForm::cancelledCalculatorAbandonsTheSave_data() {
    QTest::addColumn<QString>("button");
    QTest::newRow("save") << "btnSave";
    QTest::newRow("save and new") << "btnSaveAndNew";
}

void TestOutputEditForm::cancelledCalculatorAbandonsTheSave() {
    QFETCH(QString, button);
    Shell s;
    TOutputEditForm* f = newSale(s, true);
    pick(f, 0, 7);
    Cashier c{"50", false};
    c.answerNext();
    click(f, qPrintable(button));
    QCOMPARE(c.shown, 1);
    QVERIFY(f->IsNew());
    QVERIFY(!f->Modified());
    QCOMPARE(f->Detail()->recordCount(), 6); // not even validated: the blank lines are there
    QCOMPARE(valueAt(f, 0, "productID").toInt(), 7);
    QCOMPARE(s.scalar("select count(*) from OutputForm").toInt(), 0);
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList());
}

void TestOutputEditForm::clearedCalculatorGoesStraightToValidation() {
    Shell s;
    TOutputEditForm* f = newSale(s, false);
    click(f, "btnSave");
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{"商品列表不能为空."});
    QVERIFY(!QApplication::activeModalWidget());
}

// Bought 5 at 10 and 5 at 12, both audited: the unit cost is 11, a sale
// line picked now captures it, and the sale's audit leaves it at 11.
void TestOutputEditForm::saleCapturesTheCostAtThePick() {
    Shell s;
    TInputEditForm* in = s.documents->GetInputEditForm();
    for (const char* price : {"10", "12"}) {
        in->NewDocument();
        pick(in, 0, 7);
        setCell(in, 0, "unitPrice", price);
        setCell(in, 0, "quantity", "5");
        click(in, "btnSave");
        click(in, "btnAudit");
    }
    QCOMPARE(s.stockOf(7), QString("10 @ 11"));
    TOutputEditForm* f = newSale(s);
    pick(f, 0, 7);
    setCell(f, 0, "quantity", "4");
    QCOMPARE(valueAt(f, 0, "unitStorageCost").toDouble(), 11.0);
    click(f, "btnSave");
    QCOMPARE(s.scalar("select unitStorageCost from OutputDetail").toDouble(), 11.0);
    click(f, "btnAudit");
    QCOMPARE(s.stockOf(7), QString("6 @ 11"));
    QCOMPARE(s.scalar("select auditStatus from OutputForm").toInt(), 1);
    QVERIFY(child<QLabel>(f, "lbCannotEdit")->isVisibleTo(f));
    QVERIFY(enabled(f, "cbShowPOSCalc")); // outside the locked header
    click(f, "btnAuditCancel");
    QCOMPARE(s.stockOf(7), QString("10 @ 11"));
    click(f, "btnClose");
    QCOMPARE(s.outputRefreshes, 1);
}

void TestOutputEditForm::customerChosenByCardNumber() {
    Shell s;
    TOutputEditForm* f = newSale(s);
    auto* byCode = child<QComboBox>(f, "DBLookupComboBox1");
    auto* byName = child<QComboBox>(f, "edtCustomer");
    QCOMPARE(byCode->maxVisibleItems(), 15);
    QCOMPARE(byName->maxVisibleItems(), 15);
    const int vip2 = byCode->findText("VIP002");
    QVERIFY(vip2 >= 0);
    byCode->setCurrentIndex(vip2);
    emit byCode->activated(vip2);
    QCOMPARE(f->Master()->value("customerID").toInt(), 2);
    QCOMPARE(byName->currentText(), QString("李四"));
    // And a pick from the customer window shows in both.
    click(f, "BitBtn6");
    QCOMPARE(s.customers.pending.Deliver(1), TPendingPick::Outcome::Delivered);
    QCOMPARE(byName->currentText(), QString("张三"));
    QCOMPARE(byCode->currentText(), QString("VIP001"));
}

void TestOutputEditForm::screenshots() {
    Shell s;
    TOutputEditForm* f = newSale(s, true);
    showActive(f);
    screenshot(f, "output-new");
    pick(f, 0, 7);
    setCell(f, 0, "quantity", "3");
    setCell(f, 0, "discount", "0.75");
    pick(f, 1, 4);
    pick(f, 2, 1);
    setCell(f, 2, "quantity", "12");
    f->SetPartner(1);
    click(f, "JvSpeedButton1");
    screenshot(f, "output-lines");
    QTableView* v = f->Grid()->view();
    v->setCurrentIndex(cell(f, 3, "productName"));
    v->edit(cell(f, 3, "productName"));
    type(f->ProductEditor(), "可口");
    QTRY_COMPARE(s.selector().productQuery->recordCount(), 2);
    QPixmap shot(f->width() + s.selector().width() + 20, std::max(f->height(), s.selector().height()) + 20);
    shot.fill(Qt::darkGray);
    {
        QPainter p(&shot);
        p.drawPixmap(0, 0, f->grab());
        p.drawPixmap(s.selector().pos() - f->pos(), s.selector().grab());
    }
    QDir().mkpath(MORVANE_SCREENSHOT_DIR);
    QVERIFY(shot.save(QString(MORVANE_SCREENSHOT_DIR) + "/output-selector.png"));
    QTest::keyClick(f->ProductEditor(), Qt::Key_Escape);
    whileModal([](QWidget* w) {
        auto* edit = child<QLineEdit>(w, "edtActureReceive");
        edit->selectAll();
        type(edit, "300");
        screenshot(w, "output-calculator");
        click(w, "JvImgBtn1");
    });
    click(f, "btnSave");
    click(f, "btnAudit");
    screenshot(f, "output-audited");
}

QTEST_MAIN(TestOutputEditForm)
#include "tst_outputeditform.moc"
