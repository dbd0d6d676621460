// The purchase editor driven as a user drives it: by its controls' names,
// keys typed into the grid, and picks handed over by the selector and the
// pick windows. The two refund editors are the purchase editor with another
// description: their rows here hold what they do differently.
#include "editorfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPainter>
#include <QPushButton>
#include <QGroupBox>

class TestInputEditForm : public QObject {
    Q_OBJECT
private slots:
    void init() { TClock::reset(); }
    void newDocumentIsReadyToType();
    void eachKindsNewDocument_data();
    void eachKindsNewDocument();
    void refundDirectionsKeepApart();
    void saveValidation_data();
    void saveValidation();
    void typedTotalIsReplacedBySum();
    void failedSaveKeepsDocumentAndNumber();
    void failedSaveOfStoredDocumentKeepsEdits();
    void cancelReusesTheNumber();
    void numberKeepsTheDayItWasStarted();
    void pickSetsLineAndMovesFocus();
    void productMadeAfterStartShowsInTheLine();
    void enterWalksCellsAndAppendsLine();
    void cellKeysMoveBetweenLinesAndColumns();
    void scannerPicksExactCode_data();
    void scannerPicksExactCode();
    void ctrlDeleteAsksFirst();
    void deletingTheOnlyLineLeavesAnEmptyOne();
    void auditMovesStockAndCancelTakesItOut_data();
    void auditMovesStockAndCancelTakesItOut();
    void auditedDocumentRefusesEdits();
    void picksRespectTheDocument_data();
    void picksRespectTheDocument();
    void closingRefreshesListOnlyAfterChange_data();
    void closingRefreshesListOnlyAfterChange();
    void keyboardOnly_data();
    void keyboardOnly();
    void tabWalksTheHeaderAsItReads();
    void screenshots();
    void refundScreenshots();
};

namespace {
TInputEditForm* newEditor(Shell& s) {
    TInputEditForm* f = s.documents->GetInputEditForm();
    f->NewDocument();
    return f;
}
} // namespace

void TestInputEditForm::newDocumentIsReadyToType() {
    Shell s;
    TInputEditForm* f = newEditor(s);
    QCOMPARE(f->objectName(), QString("InputEditForm"));
    QCOMPARE(f->windowTitle(), QString("进货单"));
    QCOMPARE(child<QLabel>(f, "DBText1")->text(), "IN" + today() + "-0001");
    QCOMPARE(f->Detail()->recordCount(), 6);
    QCOMPARE(valueAt(f, 0, "productID").toInt(), -1);
    QVERIFY(f->IsNew());
    for (const char* b : {"btnSave", "btnSaveAndNew", "btnCancel", "btnClose", "btnAddLine", "btnDeleteLine"})
        QVERIFY2(enabled(f, b), b);
    for (const char* b : {"btnAudit", "btnAuditCancel"}) QVERIFY2(!enabled(f, b), b);
    QVERIFY(!child<QLabel>(f, "lbCannotEdit")->isVisibleTo(f));
    QCOMPARE(child<QComboBox>(f, "edtInputUser")->currentText(), QString("admin"));
    QCOMPARE(child<QGroupBox>(f, "gbLines")->title(), QString("进货商品列表"));
    QVERIFY(!f->findChild<QCheckBox*>("cbShowPOSCalc"));
    // The same window every time.
    QCOMPARE(s.documents->GetInputEditForm(), f);
}

void TestInputEditForm::eachKindsNewDocument_data() {
    QTest::addColumn<int>("module");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QStringList>("partner"); // box, its label, its pick button, the box it has not
    QTest::addColumn<QString>("picker");      // the pick window the button asks
    QTest::addColumn<QString>("flag");        // the direction sign; "" none
    QTest::addColumn<QStringList>("priceTitles");
    QTest::addColumn<bool>("createFieldsOpen");
    QTest::addColumn<QVariant>("refundType");
    QTest::newRow("purchase") << 0 << "进货单" << "IN" << QStringList{"edtSupplier", "供应商:", "BitBtn6", "edtCustomer"}
                              << "suppliers" << "" << QStringList{"单价(元)", "总价(元)"} << true << QVariant();
    QTest::newRow("a customer brings goods back")
        << 2 << "退货单 - 客户退货给自己" << "RIN" << QStringList{"edtCustomer", "退货客户:", "BitBtn2", "edtSupplier"}
        << "customers" << "imgFlagIn" << QStringList{"退货单价(元)", "退货总价(元)"} << false << QVariant(1);
    QTest::newRow("goods sent back to a supplier")
        << 3 << "退货单 - 自己退货给供应商" << "ROUT" << QStringList{"edtSupplier", "退给供应商:", "BitBtn6", "edtCustomer"}
        << "suppliers" << "imgFlagOut" << QStringList{"退货单价(元)", "退货总价(元)"} << false << QVariant(2);
}

void TestInputEditForm::eachKindsNewDocument() {
    QFETCH(int, module);
    QFETCH(QString, caption);
    QFETCH(QString, prefix);
    QFETCH(QStringList, partner);
    QFETCH(QString, picker);
    QFETCH(QString, flag);
    QFETCH(QStringList, priceTitles);
    QFETCH(bool, createFieldsOpen);
    QFETCH(QVariant, refundType);
    Shell s;
    TDocumentEditForm* f = s.editor(module);
    f->NewDocument();
    QCOMPARE(f->windowTitle(), caption);
    // The first document of the day in each series is 0001.
    QCOMPARE(child<QLabel>(f, "DBText1")->text(), prefix + today() + "-0001");
    QVERIFY(f->findChild<QWidget*>(partner[0]));
    QVERIFY(!f->findChild<QWidget*>(partner[3]));
    QCOMPARE(child<QLabel>(f, "lbPartner")->text(), partner[1]);
    click(f, qPrintable(partner[2]));
    QCOMPARE(s.suppliers.asked, picker == "suppliers" ? 1 : 0);
    QCOMPARE(s.customers.asked, picker == "customers" ? 1 : 0);
    for (const char* sign : {"imgFlagIn", "imgFlagOut"})
        QCOMPARE(bool(f->findChild<QLabel*>(sign)), flag == sign);
    QCOMPARE(f->Grid()->model()->headerData(f->Grid()->viewColumn("unitPrice"), Qt::Horizontal).toString(),
             priceTitles[0]);
    QCOMPARE(f->Grid()->model()->headerData(f->Grid()->viewColumn("totalPrice"), Qt::Horizontal).toString(),
             priceTitles[1]);
    QCOMPARE(enabled(f, "edtCreateDate"), createFieldsOpen);
    QCOMPARE(enabled(f, "edtCreateUser"), createFieldsOpen);
    if (refundType.isValid()) QCOMPARE(f->Master()->value("refundType"), refundType);
    // The line arithmetic is the purchase's: price times quantity, unrounded.
    pick(f, 0, 4);
    setCell(f, 0, "quantity", "3");
    QCOMPARE(valueAt(f, 0, "totalPrice").toDouble(), 12.345 * 3);
    click(f, "btnSave");
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList());
    QVERIFY(!f->IsNew());
    const TDocumentKind& k = *f->Description().kind;
    QCOMPARE(s.scalar(QString("select count(*) from %1 where %2 like '%3%'").arg(k.MasterTable, k.NumberField, prefix))
                 .toInt(),
             1);
    if (refundType.isValid()) QCOMPARE(s.scalar("select refundType from RefundForm").toInt(), refundType.toInt());
}

// Both directions open at once, each with its own unsaved document and its
// own number series.
void TestInputEditForm::refundDirectionsKeepApart() {
    Shell s;
    TDocumentEditForm* in = s.documents->GetRefundInEditForm();
    TDocumentEditForm* out = s.documents->GetRefundOutEditForm();
    QVERIFY(in != out);
    in->NewDocument();
    out->NewDocument();
    in->show();
    out->show();
    pick(in, 0, 1);
    pick(out, 0, 3);
    in->SetPartner(2);
    out->SetPartner(1);
    click(out, "btnSave");
    QCOMPARE(in->Detail()->recordCount(), 6); // the other one's document stays as it was
    QVERIFY(in->IsNew());
    click(in, "btnSave");
    QCOMPARE(s.scalar("select group_concat(refundNO || ' ' || refundType || ' ' || cosID, ', ') from "
                      "(select * from RefundForm order by refundNO)")
                 .toString(),
             "RIN" + today() + "-0001 1 2, ROUT" + today() + "-0001 2 1");
    QCOMPARE(child<QComboBox>(in, "edtCustomer")->currentText(), QString("李四"));
    QCOMPARE(child<QComboBox>(out, "edtSupplier")->currentText(), QString("华南食品批发"));
    in->NewDocument();
    QCOMPARE(in->Identity().Number(), "RIN" + today() + "-0002");
    QCOMPARE(out->DocumentNumber(), "ROUT" + today() + "-0001");
}

void TestInputEditForm::saveValidation_data() {
    QTest::addColumn<QStringList>("lines"); // product,price,quantity,comments per line; "" blank
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("linesLeft");
    QTest::newRow("six blank lines") << QStringList(6, "") << "商品列表不能为空." << 0;
    QTest::newRow("blank lines removed, valid kept") << QStringList{"", "3,12.5,2,", "", "1,3,4,"} << "" << 2;
    QTest::newRow("valid first, faulty third") << QStringList{"3,12.5,2,", "1,3,4,", "1,0,4,"} << "单价必须大于0." << 3;
    QTest::newRow("faults on 1 and 3: line 3 named") << QStringList{"3,12.5,0,", "1,3,4,", "1,0,4,"} << "单价必须大于0."
                                                     << 3;
    QTest::newRow("comment only") << QStringList{"3,12.5,2,", ",,,明天到货"} << "请选择商品." << 2;
    QTest::newRow("quantity zero") << QStringList{"3,12.5,0,"} << "数量必须大于0." << 1;
}

void TestInputEditForm::saveValidation() {
    QFETCH(QStringList, lines);
    QFETCH(QString, message);
    QFETCH(int, linesLeft);
    Shell s;
    TInputEditForm* f = newEditor(s);
    for (int r = 0; r < lines.size(); ++r) {
        if (lines[r].isEmpty()) continue;
        const QStringList p = lines[r].split(',');
        if (!p[0].isEmpty()) pick(f, r, p[0].toInt());
        if (!p[1].isEmpty()) setCell(f, r, "unitPrice", p[1]);
        if (!p[2].isEmpty()) setCell(f, r, "quantity", p[2]);
        if (!p[3].isEmpty()) setCell(f, r, "comments", p[3]);
    }
    for (int r = lines.size(); r < 6; ++r) f->Detail()->setRecNo(6), f->Detail()->deleteRecord();
    const QString number = f->Identity().Number();
    click(f, "btnSave");
    if (message.isEmpty()) {
        QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList());
        QVERIFY(!f->IsNew());
        QVERIFY(f->Modified());
        QCOMPARE(s.scalar("select count(*) from InputDetail where inputNO='" + number + "'").toInt(), linesLeft);
        QCOMPARE(f->Detail()->recordCount(), linesLeft);
    } else {
        QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{message});
        QVERIFY(f->IsNew());
        QVERIFY(!f->Modified());
        QCOMPARE(s.scalar("select count(*) from InputForm").toInt(), 0);
        QCOMPARE(f->Detail()->recordCount(), linesLeft);
    }
}

void TestInputEditForm::typedTotalIsReplacedBySum() {
    Shell s;
    TInputEditForm* f = newEditor(s);
    pick(f, 0, 3);
    setCell(f, 0, "quantity", "2");
    pick(f, 1, 1);
    f->Master()->setValue("totalPrice", 1000);
    click(f, "JvSpeedButton1"); // 计算
    QCOMPARE(f->Master()->field("totalPrice")->asFloat(), 28.5);
    QCOMPARE(s.scalar("select count(*) from InputForm").toInt(), 0);
    f->Master()->setValue("totalPrice", 1000);
    click(f, "btnSave");
    QCOMPARE(s.scalar("select totalPrice from InputForm").toDouble(), 28.5);
}

void TestInputEditForm::failedSaveKeepsDocumentAndNumber() {
    Shell s;
    s.db.exec("create trigger boom before insert on InputDetail when new.comments = '坏' "
              "begin select raise(abort, '磁盘已满'); end");
    TInputEditForm* f = newEditor(s);
    pick(f, 0, 3);
    pick(f, 1, 1);
    setCell(f, 1, "comments", "坏");
    const QString number = f->Identity().Number();
    click(f, "btnSaveAndNew");
    QCOMPARE(TQuickMessageDlg::Shown().size(), 1);
    QCOMPARE(TQuickMessageDlg::Shown()[0].kind, Kind::Plain);
    QVERIFY(TQuickMessageDlg::Shown()[0].text.contains("磁盘已满"));
    QVERIFY(f->IsNew());
    QVERIFY(!f->Modified());
    QCOMPARE(child<QLabel>(f, "DBText1")->text(), number);
    QCOMPARE(f->Detail()->recordCount(), 2); // the blank lines went, the rest stays
    QCOMPARE(s.scalar("select count(*) from InputForm").toInt(), 0);
    QCOMPARE(s.scalar("select count(*) from SysIdentity").toInt(), 0);
    setCell(f, 1, "comments", "好");
    click(f, "btnSave");
    QCOMPARE(s.scalar("select inputNO from InputForm").toString(), number);
    QCOMPARE(s.scalar("select count(*) from InputDetail where inputNO='" + number + "'").toInt(), 2);
    QCOMPARE(s.scalar("select sn from SysIdentity where module='INPUTFORM'").toInt(), 1);
    QVERIFY(!f->IsNew());
    QVERIFY(enabled(f, "btnAudit"));
    QVERIFY(!enabled(f, "btnSave"));
}

void TestInputEditForm::failedSaveOfStoredDocumentKeepsEdits() {
    Shell s;
    TInputEditForm* f = newEditor(s);
    pick(f, 0, 3);
    pick(f, 1, 1);
    click(f, "btnSave");
    const QString number = f->DocumentNumber();
    s.db.exec("create trigger boom before update on InputDetail when new.comments = '坏' "
              "begin select raise(abort, '磁盘已满'); end");
    TQuickMessageDlg::ClearShown();
    setCell(f, 0, "quantity", "4");
    setCell(f, 1, "comments", "坏");
    f->Master()->setValue("comments", "改过");
    QVERIFY(enabled(f, "btnSave"));
    click(f, "btnSave");
    QCOMPARE(TQuickMessageDlg::Shown().size(), 1);
    QVERIFY(TQuickMessageDlg::Shown()[0].text.contains("磁盘已满"));
    // Nothing of the change reached the file, the total included.
    QCOMPARE(s.scalar("select totalPrice from InputForm").toDouble(), 16.0);
    QCOMPARE(s.scalar("select ifnull(comments, '') from InputForm").toString(), QString());
    QCOMPARE(s.scalar("select sum(quantity) from InputDetail").toDouble(), 2.0);
    // The edits are still on screen for another try.
    QCOMPARE(valueAt(f, 0, "quantity").toDouble(), 4.0);
    QCOMPARE(f->Master()->field("comments")->asString(), QString("改过"));
    QVERIFY(enabled(f, "btnSave"));
    setCell(f, 1, "comments", "好");
    click(f, "btnSave");
    QCOMPARE(s.scalar("select totalPrice from InputForm").toDouble(), 53.5);
    QCOMPARE(f->DocumentNumber(), number);
}

void TestInputEditForm::cancelReusesTheNumber() {
    Shell s;
    TInputEditForm* f = newEditor(s);
    const QString number = f->Identity().Number();
    pick(f, 0, 3);
    click(f, "btnCancel");
    QCOMPARE(f->Identity().Number(), number);
    QCOMPARE(f->Detail()->recordCount(), 6);
    QCOMPARE(valueAt(f, 0, "productID").toInt(), -1);
    QVERIFY(f->IsNew());
}

void TestInputEditForm::numberKeepsTheDayItWasStarted() {
    Shell s;
    TClock::setFixed(QDateTime(QDate(2010, 1, 5), QTime(23, 59, 50)));
    TInputEditForm* f = newEditor(s);
    pick(f, 0, 3);
    TClock::setFixed(QDateTime(QDate(2010, 1, 6), QTime(0, 0, 10)));
    click(f, "btnSave");
    QCOMPARE(s.scalar("select inputNO from InputForm").toString(), QString("IN20100105-0001"));
    QCOMPARE(s.scalar("select ymd || ':' || sn from SysIdentity").toString(), QString("20100105:1"));
    f->NewDocument();
    QCOMPARE(f->Identity().Number(), QString("IN20100106-0001"));
}

void TestInputEditForm::pickSetsLineAndMovesFocus() {
    Shell s;
    TInputEditForm* f = newEditor(s);
    showActive(f);
    QTableView* v = f->Grid()->view();
    v->setCurrentIndex(cell(f, 0, "productName"));
    v->edit(cell(f, 0, "productName"));
    QLineEdit* ed = f->ProductEditor();
    QVERIFY(ed && ed->hasFocus());
    QCOMPARE(ed->objectName(), QString("embProductEditor"));
    type(ed, "打印");
    QTRY_COMPARE(s.selector().productQuery->recordCount(), 1);
    QVERIFY(s.selector().isVisible());
    QTest::keyClick(ed, Qt::Key_Return);
    QCOMPARE(valueAt(f, 0, "productID").toInt(), 3);
    QCOMPARE(valueAt(f, 0, "unitID").toInt(), 4);
    QCOMPARE(valueAt(f, 0, "unitPrice").toDouble(), 12.5);
    QCOMPARE(valueAt(f, 0, "quantity").toDouble(), 1.0);
    QCOMPARE(valueAt(f, 0, "totalPrice").toDouble(), 12.5);
    QCOMPARE(cell(f, 0, "productName").data().toString(), QString("打印纸"));
    QCOMPARE(cell(f, 0, "unitName").data().toString(), QString("包"));
    QVERIFY(!s.selector().isVisible());
    QCOMPARE(v->currentIndex(), cell(f, 0, "unitPrice"));
    auto* priceEditor = qobject_cast<QLineEdit*>(v->indexWidget(v->currentIndex()));
    QVERIFY(priceEditor && priceEditor->hasFocus());
    QCOMPARE(priceEditor->selectedText(), QString("12.5"));
}

// A product made in the product list after the program started (as the
// selector's "高级查找（新建商品）" does) shows its code and name once picked.
void TestInputEditForm::productMadeAfterStartShowsInTheLine() {
    Shell s;
    TInputEditForm* f = newEditor(s);
    s.db.exec("insert into Product(id, productCode, productName, product_model, product_spec, storageUnit, salePrice)"
              " values (8, 'N008', '新到货', 'X', 'Y', 1, 6)");
    pick(f, 0, 8);
    QCOMPARE(cell(f, 0, "productCode").data().toString(), QString("N008"));
    QCOMPARE(cell(f, 0, "productName").data().toString(), QString("新到货"));
    QCOMPARE(cell(f, 0, "product_spec").data().toString(), QString("Y"));
    click(f, "btnSave");
    QCOMPARE(cell(f, 0, "productName").data().toString(), QString("新到货")); // and after the reload
}

void TestInputEditForm::enterWalksCellsAndAppendsLine() {
    Shell s;
    TInputEditForm* f = newEditor(s);
    showActive(f);
    QTableView* v = f->Grid()->view();
    for (int r = 0; r < 5; ++r) f->Detail()->setRecNo(1), f->Detail()->deleteRecord();
    QCOMPARE(f->Detail()->recordCount(), 1);
    pick(f, 0, 3);
    v->setCurrentIndex(cell(f, 0, "quantity"));
    v->edit(cell(f, 0, "quantity"));
    auto* q = qobject_cast<QLineEdit*>(v->indexWidget(v->currentIndex()));
    QVERIFY(q);
    q->setText("3");
    QTest::keyClick(q, Qt::Key_Return);
    QCOMPARE(valueAt(f, 0, "totalPrice").toDouble(), 37.5); // written before moving on
    QCOMPARE(v->currentIndex(), cell(f, 0, "comments"));
    QWidget* comments = v->indexWidget(v->currentIndex());
    QVERIFY(comments);
    QTest::keyClick(comments, Qt::Key_Return);
    QCOMPARE(f->Detail()->recordCount(), 2);
    QCOMPARE(valueAt(f, 1, "productID").toInt(), -1);
    QCOMPARE(v->currentIndex(), cell(f, 1, "productCode"));
    QVERIFY(f->ProductEditor() && f->ProductEditor()->hasFocus());
}

void TestInputEditForm::cellKeysMoveBetweenLinesAndColumns() {
    Shell s;
    TInputEditForm* f = newEditor(s);
    showActive(f);
    QTableView* v = f->Grid()->view();
    v->setCurrentIndex(cell(f, 0, "productCode"));
    v->edit(cell(f, 0, "productCode"));
    QLineEdit* ed = f->ProductEditor();
    QTRY_COMPARE(s.selector().productQuery->recordCount(), 7); // an empty cell lists every product
    QVERIFY(s.selector().isVisible());
    QTest::keyClick(ed, Qt::Key_Escape); // hides the list; the cell stays open
    QVERIFY(!s.selector().isVisible());
    QCOMPARE(f->ProductEditor(), ed);
    QVERIFY(ed->hasFocus());
    QTest::keyClick(ed, Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(v->currentIndex(), cell(f, 0, "productName"));
    QTest::keyClick(focused(), Qt::Key_Right, Qt::ControlModifier); // past model and 规格
    QCOMPARE(v->currentIndex(), cell(f, 0, "unitPrice"));
    QTest::keyClicks(focused(), "7");
    QTest::keyClick(focused(), Qt::Key_Down); // what was typed goes in first
    QCOMPARE(valueAt(f, 0, "unitPrice").toDouble(), 7.0);
    QCOMPARE(v->currentIndex(), cell(f, 1, "unitPrice"));
    for (int i = 0; i < 6; ++i) QTest::keyClick(focused(), Qt::Key_Down);
    QCOMPARE(v->currentIndex(), cell(f, 5, "unitPrice")); // Down never adds a line
    QCOMPARE(f->Detail()->recordCount(), 6);
}

void TestInputEditForm::scannerPicksExactCode_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("product"); // 0: none
    // The old list shows both cola products, the big bottle first by name;
    // the scanned code is the can's, which is also part of the other code.
    QTest::newRow("code inside another code") << "6901234567890" << 1;
    QTest::newRow("the shorter code") << "690123456789" << 2;
    QTest::newRow("unknown code") << "4006381333931" << 0;
}

void TestInputEditForm::scannerPicksExactCode() {
    QFETCH(QString, code);
    QFETCH(int, product);
    Shell s;
    TInputEditForm* f = newEditor(s);
    showActive(f);
    QTableView* v = f->Grid()->view();
    v->setCurrentIndex(cell(f, 0, "productCode"));
    v->edit(cell(f, 0, "productCode"));
    QLineEdit* ed = f->ProductEditor();
    type(ed, "可口");
    QTRY_COMPARE(s.selector().productQuery->recordCount(), 2);
    ed->selectAll();
    // The scanner: the whole code and Enter at once, long before the list
    // has searched again.
    type(ed, code);
    QTest::keyClick(ed, Qt::Key_Return);
    if (product) {
        QCOMPARE(valueAt(f, 0, "productID").toInt(), product);
        QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList());
    } else {
        QCOMPARE(valueAt(f, 0, "productID").toInt(), -1);
        QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{"没有条码为 \"" + code + "\" 的商品."});
    }
    QVERIFY(!s.selector().Timer1->isActive());
}

void TestInputEditForm::ctrlDeleteAsksFirst() {
    Shell s;
    TInputEditForm* f = newEditor(s);
    showActive(f);
    pick(f, 0, 3);
    pick(f, 1, 1);
    QTableView* v = f->Grid()->view();
    v->setFocus();
    v->setCurrentIndex(cell(f, 0, "unitName"));
    TQuickMessageDlg::PushAnswer(false);
    QTest::keyClick(v, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(f->Detail()->recordCount(), 6);
    TQuickMessageDlg::PushAnswer(true);
    QTest::keyClick(v, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(f->Detail()->recordCount(), 5);
    QCOMPARE(valueAt(f, 0, "productID").toInt(), 1);
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList(2, "删除当前行吗?"));
    QVERIFY(!f->Detail()->isEditing()); // no follow-up edit, unlike the button
}

void TestInputEditForm::deletingTheOnlyLineLeavesAnEmptyOne() {
    Shell s;
    TInputEditForm* f = newEditor(s);
    for (int r = 0; r < 5; ++r) f->Detail()->setRecNo(1), click(f, "btnDeleteLine");
    QCOMPARE(f->Detail()->recordCount(), 1);
    click(f, "btnDeleteLine");
    QCOMPARE(f->Detail()->recordCount(), 1); // a new, empty line: no product, no hint
    QVERIFY(valueAt(f, 0, "productID").isNull());
    QVERIFY(f->Detail()->isEditing());
    click(f, "btnSave");
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{"商品列表不能为空."});
    QCOMPARE(f->Detail()->recordCount(), 0);
    click(f, "btnDeleteLine"); // nothing left to delete
    QCOMPARE(f->Detail()->recordCount(), 0);
}

namespace {
// A stored document of a module (0 purchase, 2 customer refund, 3 refund to
// a supplier): quantity of product 3 at its price 12.5, with 10 at 10 in stock.
TDocumentEditForm* storedDocument(Shell& s, int module = 0, const QString& quantity = "5") {
    s.db.exec("insert into StorageDetail(productID, quantity, unit_cost) values(3, 10, 10)");
    TDocumentEditForm* f = s.editor(module);
    f->NewDocument();
    pick(f, 0, 3);
    setCell(f, 0, "quantity", quantity);
    click(f, "btnSave");
    return f;
}
TDocumentEditForm* storedPurchase(Shell& s) { return storedDocument(s); }
} // namespace

void TestInputEditForm::auditMovesStockAndCancelTakesItOut_data() {
    QTest::addColumn<int>("module");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("audited");   // stock of the product after the audit, from 10 @ 10
    QTest::addColumn<QString>("cancelled"); // and after its cancelling
    QTest::newRow("purchase") << 0 << "5" << "15 @ 10.8333333333333" << "10 @ 9.99999999999995";
    // Refunds move the quantity alone: the unit cost stays.
    QTest::newRow("a customer brings goods back") << 2 << "2" << "12 @ 10" << "10 @ 10";
    QTest::newRow("goods sent back to a supplier") << 3 << "3" << "7 @ 10" << "10 @ 10";
}

void TestInputEditForm::auditMovesStockAndCancelTakesItOut() {
    QFETCH(int, module);
    QFETCH(QString, quantity);
    QFETCH(QString, audited);
    QFETCH(QString, cancelled);
    Shell s;
    TDocumentEditForm* f = storedDocument(s, module, quantity);
    const QString table = f->Description().kind->MasterTable;
    QVERIFY(enabled(f, "btnAudit"));
    click(f, "btnAudit");
    QCOMPARE(s.stockOf(3), audited);
    QCOMPARE(s.scalar("select auditStatus from " + table).toInt(), 1);
    QVERIFY(!enabled(f, "btnAudit"));
    QVERIFY(enabled(f, "btnAuditCancel"));
    click(f, "btnAuditCancel");
    QCOMPARE(s.stockOf(3), cancelled);
    QCOMPARE(s.scalar("select auditStatus from " + table).toInt(), 0);
    QVERIFY(enabled(f, "btnAudit"));
    QVERIFY(!child<QLabel>(f, "lbCannotEdit")->isVisibleTo(f));
}

void TestInputEditForm::auditedDocumentRefusesEdits() {
    Shell s;
    TDocumentEditForm* f = storedPurchase(s);
    click(f, "btnAudit");
    const QString number = f->DocumentNumber();
    f->OpenDocument(number);
    QVERIFY(f->IsLocked());
    QVERIFY(child<QLabel>(f, "lbCannotEdit")->isVisibleTo(f));
    QCOMPARE(child<QLabel>(f, "lbCannotEdit")->text(), QString("要修改单据,请先取消审核."));
    QVERIFY(!enabled(f, "pRoot"));
    QVERIFY(f->Grid()->isReadOnly());
    QVERIFY(!(f->Grid()->model()->flags(cell(f, 0, "quantity")) & Qt::ItemIsEditable));
    for (const char* b : {"btnAddLine", "btnDeleteLine", "btnSave", "btnSaveAndNew", "btnCancel", "btnAudit"})
        QVERIFY2(!enabled(f, b), b);
    QVERIFY(enabled(f, "btnAuditCancel"));
    QVERIFY(enabled(f, "btnClose"));
    // A pick landing now changes nothing.
    pick(f, 0, 1);
    QCOMPARE(valueAt(f, 0, "productID").toInt(), 3);
    QVERIFY(!f->Detail()->isEditing());
    QVERIFY(!enabled(f, "btnSave"));
}

void TestInputEditForm::picksRespectTheDocument_data() {
    QTest::addColumn<int>("module");
    QTest::addColumn<QString>("meanwhile"); // what happens between asking and the pick
    QTest::addColumn<bool>("taken");
    QTest::newRow("nothing") << 0 << "" << true;
    QTest::newRow("audited") << 0 << "audit" << false;
    QTest::newRow("another document opened") << 0 << "new" << false;
    QTest::newRow("editor closed") << 0 << "close" << false;
    QTest::newRow("customer refund: nothing") << 2 << "" << true;
    QTest::newRow("customer refund: audited") << 2 << "audit" << false;
    QTest::newRow("refund to a supplier: nothing") << 3 << "" << true;
    QTest::newRow("refund to a supplier: audited") << 3 << "audit" << false;
}

void TestInputEditForm::picksRespectTheDocument() {
    QFETCH(int, module);
    QFETCH(QString, meanwhile);
    QFETCH(bool, taken);
    Shell s;
    TDocumentEditForm* f = storedDocument(s, module);
    const TDocumentEditorDescription& d = f->Description();
    const bool customer = d.partner == TDocumentEditorDescription::Partner::Customer;
    FakePicker& partners = customer ? s.customers : s.suppliers;
    showActive(f);
    click(f, qPrintable(d.partnerPickName));
    click(f, "BitBtn1");
    QCOMPARE(partners.asked, 1);
    QCOMPARE(s.users.asked, 1);
    if (meanwhile == "audit") click(f, "btnAudit");
    if (meanwhile == "new") f->NewDocument();
    if (meanwhile == "close") click(f, "btnClose");
    const bool saveBefore = enabled(f, "btnSave");
    const QString partnerField = d.kind->PartnerField;
    const QVariant partnerBefore = f->Master()->value(partnerField);
    const auto expected = taken ? TPendingPick::Outcome::Delivered : TPendingPick::Outcome::Refused;
    QCOMPARE(partners.pending.Deliver(2), expected);
    QCOMPARE(s.users.pending.Deliver(2), expected);
    if (taken) {
        QCOMPARE(f->Master()->value(partnerField).toInt(), 2);
        QCOMPARE(child<QComboBox>(f, d.partnerEditName)->currentText(), QString(customer ? "李四" : "文具总汇"));
        QCOMPARE(child<QComboBox>(f, d.userEditName)->currentText(), QString("王店员"));
        QVERIFY(enabled(f, "btnSave"));
    } else {
        QCOMPARE(f->Master()->value(partnerField), partnerBefore);
        QCOMPARE(enabled(f, "btnSave"), saveBefore);
    }
}

void TestInputEditForm::closingRefreshesListOnlyAfterChange_data() {
    QTest::addColumn<int>("module");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("refreshes");
    QTest::newRow("after an audit") << 0 << "audit" << 1;
    QTest::newRow("after only looking") << 0 << "look" << 0;
    QTest::newRow("after a failed save") << 0 << "fail" << 0;
    QTest::newRow("after a save") << 0 << "save" << 1;
    // Each refund direction reloads its own list only.
    QTest::newRow("customer refund after an audit") << 2 << "audit" << 1;
    QTest::newRow("refund to a supplier after a save") << 3 << "save" << 1;
    QTest::newRow("refund to a supplier after only looking") << 3 << "look" << 0;
}

void TestInputEditForm::closingRefreshesListOnlyAfterChange() {
    QFETCH(int, module);
    QFETCH(QString, action);
    QFETCH(int, refreshes);
    Shell s;
    TDocumentEditForm* f = storedDocument(s, module);
    const QString number = f->DocumentNumber();
    f->OpenDocument(number);
    f->show();
    if (action == "audit") click(f, "btnAudit");
    if (action == "fail") {
        f->NewDocument();
        click(f, "btnSave");
    }
    if (action == "save") {
        setCell(f, 0, "quantity", "6");
        click(f, "btnSave");
    }
    click(f, "btnClose");
    QVERIFY(!f->isVisible());
    for (int m = 0; m < 4; ++m) QCOMPARE(s.refreshesOf(m), m == module ? refreshes : 0);
}

void TestInputEditForm::keyboardOnly_data() {
    QTest::addColumn<int>("module");
    QTest::newRow("purchase") << 0;
    QTest::newRow("goods sent back to a supplier") << 3;
}

// A document written without the mouse: the code typed into the first
// cell, Enter to pick and to walk through price, quantity and comments,
// on into the next line, and Alt+S.
void TestInputEditForm::keyboardOnly() {
    QFETCH(int, module);
    Shell s;
    if (module == 3)
        s.documents->NewRefundOut();
    else
        s.documents->NewInput();
    TDocumentEditForm* f = s.editor(module);
    const TDocumentKind& k = *f->Description().kind;
    QVERIFY(f->isVisible());
    showActive(f);
    QCOMPARE(focused(), f->Grid()->view());
    keys("P003");
    QTRY_COMPARE(s.selector().productQuery->recordCount(), 1);
    QTest::keyClick(focused(), Qt::Key_Return); // picks 打印纸, on to its price
    QCOMPARE(f->Grid()->view()->currentIndex(), cell(f, 0, "unitPrice"));
    keys("11");
    QTest::keyClick(focused(), Qt::Key_Return);
    QCOMPARE(f->Grid()->view()->currentIndex(), cell(f, 0, "quantity"));
    keys("4");
    QTest::keyClick(focused(), Qt::Key_Return);
    keys("urgent");
    QTest::keyClick(focused(), Qt::Key_Return);
    QCOMPARE(f->Grid()->view()->currentIndex(), cell(f, 1, "productCode"));
    keys("P007");
    QTRY_COMPARE(s.selector().productQuery->recordCount(), 1);
    QTest::keyClick(focused(), Qt::Key_Return);
    QTest::keyClick(focused(), Qt::Key_S, Qt::AltModifier); // the button clicks itself a moment later
    QTRY_VERIFY(!f->IsNew());
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList());
    QCOMPARE(s.scalar("select group_concat(productID || '@' || unitPrice || 'x' || quantity || ':' || ifnull(comments, ''), ' ')"
                      " from (select * from " + k.DetailTable + " order by id)")
                 .toString(),
             QString("3@11.0x4.0:urgent 7@100.0x1.0:"));
    QCOMPARE(s.scalar("select totalPrice from " + k.MasterTable).toDouble(), 144.0);
    QCOMPARE(s.scalar("select " + k.NumberField + " from " + k.MasterTable).toString(), f->Identity().Number());
}

void TestInputEditForm::tabWalksTheHeaderAsItReads() {
    Shell s;
    TDocumentEditForm* f = storedPurchase(s);
    showActive(f);
    child<QWidget>(f, "edtSupplier")->setFocus();
    QStringList walked{focused()->objectName()};
    while (walked.size() < 12) {
        QTest::keyClick(focused(), Qt::Key_Tab);
        const QString now = focused() == f->Grid()->view() ? QString("detailGrid") : focused()->objectName();
        if (now != walked.last()) walked << now; // Tab steps through a date's year, month and day first
    }
    // Disabled buttons (Save, Cancel of a document without changes) are passed over.
    QCOMPARE(walked, QStringList({"edtSupplier", "BitBtn6", "edtInputDate", "edtInputUser", "BitBtn1", "edtCreateDate",
                                  "edtCreateUser", "edtTotalPrice", "JvSpeedButton1", "edtComments", "detailGrid",
                                  "btnAddLine"}));
}

void TestInputEditForm::screenshots() {
    Shell s;
    TInputEditForm* f = newEditor(s);
    showActive(f);
    screenshot(f, "input-new");
    pick(f, 0, 3);
    setCell(f, 0, "quantity", "5");
    pick(f, 1, 1);
    setCell(f, 1, "quantity", "24");
    setCell(f, 1, "comments", "整箱");
    f->SetPartner(1);
    screenshot(f, "input-lines");
    QTableView* v = f->Grid()->view();
    v->setCurrentIndex(cell(f, 2, "productCode"));
    v->edit(cell(f, 2, "productCode"));
    QTRY_COMPARE(s.selector().productQuery->recordCount(), 7);
    QVERIFY(s.selector().isVisible());
    // The selector is a window of its own beside the cell: both in one picture.
    QPixmap shot(f->width() + s.selector().width() + 20, std::max(f->height(), s.selector().height()) + 20);
    shot.fill(Qt::darkGray);
    {
        QPainter p(&shot);
        p.drawPixmap(0, 0, f->grab());
        p.drawPixmap(s.selector().pos() - f->pos(), s.selector().grab());
    }
    QDir().mkpath(MORVANE_SCREENSHOT_DIR);
    QVERIFY(shot.save(QString(MORVANE_SCREENSHOT_DIR) + "/input-selector.png"));
    QTest::keyClick(f->ProductEditor(), Qt::Key_Escape);
    click(f, "btnSave");
    click(f, "btnAudit");
    screenshot(f, "input-audited");
}

void TestInputEditForm::refundScreenshots() {
    Shell s;
    for (int module : {2, 3}) {
        TDocumentEditForm* f = s.editor(module);
        f->NewDocument();
        showActive(f);
        pick(f, 0, 3);
        setCell(f, 0, "quantity", "2");
        setCell(f, 0, "comments", module == 2 ? "包装破损" : "质量问题");
        pick(f, 1, 1);
        setCell(f, 1, "quantity", "6");
        f->SetPartner(1);
        click(f, "JvSpeedButton1");
        const QString name = module == 2 ? "refund-in" : "refund-out";
        screenshot(f, name + "-lines");
        click(f, "btnSave");
        click(f, "btnAudit");
        screenshot(f, name + "-audited");
        f->close();
    }
}

QTEST_MAIN(TestInputEditForm)
#include "tst_inputeditform.moc"
