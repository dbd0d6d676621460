#include "exporter.h"
#include "listdeletes.h"
#include "listfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

using PanelSetup = std::function<void(TListFrame*)>;
Q_DECLARE_METATYPE(PanelSetup)

namespace {

const char* kindName(Kind k) {
    const char* names[] = {"purchase", "sale", "customer refund", "refund to a supplier"};
    return names[int(k)];
}

const Kind kAllKinds[] = {Kind::Purchase, Kind::Sale, Kind::CustomerRefund, Kind::SupplierRefund};

// Plain SQL over one kind's tables, written without the program's
// statements: {D} documents, {L} lines, {NO} number, {PT} partner table,
// {PK} partner key, {PN} partner name, {U} handling user, {DT} date.
QString plain(Kind k, QString sql) {
    const ListStatements::KindNames n = ListStatements::Names(k);
    const bool customer = k == Kind::Sale || k == Kind::CustomerRefund;
    const char* users[] = {"inputUser", "outputUser", "refundUser", "refundUser"};
    const char* keys[] = {"supplierID", "customerID", "cosID", "cosID"};
    return sql.replace("{D}", n.documentTable)
        .replace("{L}", n.lineTable)
        .replace("{NO}", n.numberColumn)
        .replace("{PT}", customer ? "Customer" : "Supplier")
        .replace("{PK}", keys[int(k)])
        .replace("{PN}", n.partnerColumn)
        .replace("{U}", users[int(k)])
        .replace("{DT}", n.dateColumn)
        .replace("{TY}", n.typeColumn);
}

// A refund list holds its own direction only.
QString direction(Kind k) {
    return isRefund(k) ? QString(" and d.refundType = %1").arg(k == Kind::CustomerRefund ? 1 : 2) : QString();
}

int plainDocuments(Lists& s, Kind k, const QString& where) {
    return s.count(plain(k, "select count(*) from {D} d left join {PT} p on p.id = d.{PK} where (" + where + ")" +
                                direction(k)));
}

int plainLines(Lists& s, Kind k, const QString& where) {
    return s.count(plain(k, "select count(*) from {L} l join {D} d on d.{NO} = l.{NO} "
                            "join Product pr on pr.id = l.productID left join {PT} p on p.id = d.{PK} where (" +
                                where + ")" + direction(k)));
}

void pick(QComboBox* box, const QString& text) {
    const int i = box->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    box->setCurrentIndex(i);
}

void range(QCheckBox* check, QDateEdit* from, QDateEdit* to, QDate a, QDate b) {
    check->setChecked(true);
    from->setDate(a);
    to->setDate(b);
}

// The current row of a list by its number (documents) or line id (lines).
void selectRow(TListFrame* f, const QString& field, const QVariant& value) {
    DataSet* ds = f->LinesPageShown() ? f->queryDetail : f->queryMain;
    QVERIFY(ds->locate(field, value));
}

} // namespace

class TestDocumentLists : public QObject {
    Q_OBJECT
private slots:
    void criteria_data();
    void criteria();
    void footers_data();
    void footers();
    void entryPoints_data();
    void entryPoints();
    void deleting_data();
    void deleting();
    void refreshAfterEditor_data();
    void refreshAfterEditor();
    void openingAndNew_data();
    void openingAndNew();
    void choicesFollowSharedLists_data();
    void choicesFollowSharedLists();
    void exportBothGrids_data();
    void exportBothGrids();
    void refundListsShowTheirDirection_data();
    void refundListsShowTheirDirection();
    void keyboard();
    void screenshots();
};

void TestDocumentLists::criteria_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<PanelSetup>("setup");
    QTest::addColumn<int>("documents");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("documentsWhere"); // plain SQL for the same documents
    QTest::addColumn<QString>("linesWhere");
    const QString withProduct = "exists (select 1 from {L} l join Product pr on pr.id = l.productID "
                                "where l.{NO} = d.{NO} and %1)";
    for (const Kind k : kAllKinds) {
        const char* n = kindName(k);
        QTest::addRow("%s: nothing chosen", n) << int(k) << PanelSetup([](TListFrame*) {}) << 5 << 5 << "1" << "1";
        QTest::addRow("%s: partner", n) << int(k) << PanelSetup([](TListFrame* f) { f->edtPartner->setEditText(" acme "); })
                                        << 2 << 2 << "p.{PN} like '%acme%'" << "p.{PN} like '%acme%'";
        QTest::addRow("%s: partner with a quote, picked", n)
            << int(k) << PanelSetup([](TListFrame* f) { f->edtPartner->setCurrentIndex(2); }) << 1 << 1
            << "p.{PN} like 'O''Neil%'" << "p.{PN} like 'O''Neil%'";
        QTest::addRow("%s: blanks only", n) << int(k) << PanelSetup([](TListFrame* f) { f->edtPartner->setEditText("  "); })
                                            << 5 << 5 << "1" << "1";
        QTest::addRow("%s: unaudited", n) << int(k) << PanelSetup([](TListFrame* f) { pick(f->edtAuditStatus, "未审核"); })
                                          << 3 << 4 << "d.auditStatus = 0" << "d.auditStatus = 0";
        QTest::addRow("%s: audited", n) << int(k) << PanelSetup([](TListFrame* f) { pick(f->edtAuditStatus, "已审核"); })
                                        << 2 << 1 << "d.auditStatus = 1" << "d.auditStatus = 1";
        QTest::addRow("%s: handling user", n) << int(k) << PanelSetup([](TListFrame* f) { pick(f->edtUser, "li"); })
                                              << 2 << 2 << "d.{U} = 2" << "d.{U} = 2";
        QTest::addRow("%s: entering user", n)
            << int(k) << PanelSetup([](TListFrame* f) { pick(f->edtCreateUser, "wang"); }) << 2 << 3
            << "d.createUser = 3" << "d.createUser = 3";
        if (!isRefund(k)) // a refund has no type box
            QTest::addRow("%s: type", n) << int(k) << PanelSetup([](TListFrame* f) { f->edtType->setCurrentIndex(1); })
                                         << 4 << 4 << "d.{TY} in (7, 8)" << "d.{TY} in (7, 8)";
        QTest::addRow("%s: one document day, whatever the time", n)
            << int(k) << PanelSetup([](TListFrame* f) {
                   range(f->chkDate, f->edtDateStart, f->edtDateEnd, QDate(2010, 3, 5), QDate(2010, 3, 5));
               })
            << 2 << 3 << "d.{DT} like '2010-03-05%'" << "d.{DT} like '2010-03-05%'";
        QTest::addRow("%s: start after end", n)
            << int(k) << PanelSetup([](TListFrame* f) {
                   range(f->chkDate, f->edtDateStart, f->edtDateEnd, QDate(2010, 3, 6), QDate(2010, 3, 5));
               })
            << 0 << 0 << "0" << "0";
        QTest::addRow("%s: entry days", n)
            << int(k) << PanelSetup([](TListFrame* f) {
                   range(f->chkCreateDate, f->edtCreateDateStart, f->edtCreateDateEnd, QDate(2010, 3, 6),
                         QDate(2010, 4, 1));
               })
            << 3 << 3 << "d.createDate >= '2010-03-06'" << "d.createDate >= '2010-03-06'";
        QTest::addRow("%s: unchecked dates are ignored", n)
            << int(k) << PanelSetup([](TListFrame* f) {
                   range(f->chkDate, f->edtDateStart, f->edtDateEnd, QDate(2001, 1, 1), QDate(2001, 1, 1));
                   f->chkDate->setChecked(false);
               })
            << 5 << 5 << "1" << "1";
        QTest::addRow("%s: product name", n)
            << int(k) << PanelSetup([](TListFrame* f) { f->edtProductName->setText("banana"); }) << 2 << 2
            << withProduct.arg("pr.productName like '%banana%'") << "pr.productName like '%banana%'";
        QTest::addRow("%s: product code", n)
            << int(k) << PanelSetup([](TListFrame* f) { f->edtProductCode->setText("a-0"); }) << 2 << 2
            << withProduct.arg("pr.productCode like 'A-0%'") << "pr.productCode like 'A-0%'";
        QTest::addRow("%s: product model", n)
            << int(k) << PanelSetup([](TListFrame* f) { f->edtproduct_model->setEditText("m3"); }) << 1 << 1
            << withProduct.arg("pr.product_model = 'M3'") << "pr.product_model = 'M3'";
        QTest::addRow("%s: product 规格, underscore a wildcard", n)
            << int(k) << PanelSetup([](TListFrame* f) { f->edtproduct_spec->setEditText("r_d"); }) << 2 << 2
            << withProduct.arg("pr.product_spec = 'red'") << "pr.product_spec = 'red'";
        QTest::addRow("%s: partner, audit state and product", n)
            << int(k) << PanelSetup([](TListFrame* f) {
                   f->edtPartner->setEditText("acme");
                   pick(f->edtAuditStatus, "未审核");
                   f->edtProductName->setText("apple");
               })
            << 1 << 1 << "p.{PN} like 'acme%' and d.auditStatus = 0 and " + withProduct.arg("pr.productName = 'apple'")
            << "p.{PN} like 'acme%' and d.auditStatus = 0 and pr.productName = 'apple'";
        QTest::addRow("%s: user and days", n)
            << int(k) << PanelSetup([](TListFrame* f) {
                   pick(f->edtUser, "wang");
                   range(f->chkDate, f->edtDateStart, f->edtDateEnd, QDate(2010, 3, 1), QDate(2010, 3, 31));
               })
            << 1 << 1 << "d.{U} = 3 and d.{DT} like '2010-03%'" << "d.{U} = 3 and d.{DT} like '2010-03%'";
    }
    QTest::newRow("sale: customer code")
        << int(Kind::Sale) << PanelSetup([](TListFrame* f) { f->edtCustomerCode->setEditText("k-2"); }) << 1 << 1
        << "p.customerCode = 'K-2'" << "p.customerCode = 'K-2'";
}

void TestDocumentLists::criteria() {
    QFETCH(int, kind);
    QFETCH(PanelSetup, setup);
    QFETCH(int, documents);
    QFETCH(int, lines);
    QFETCH(QString, documentsWhere);
    QFETCH(QString, linesWhere);
    Lists s;
    const Kind k = Kind(kind);
    TListFrame* f = s.shown(k);
    f->StartSearch();
    setup(f);
    QTest::mouseClick(f->btnSearch, Qt::LeftButton);
    QCOMPARE(f->queryMain->recordCount(), documents);
    QCOMPARE(plainDocuments(s, k, documentsWhere), documents);
    f->PageControl1->setCurrentWidget(f->tsDetail);
    QCOMPARE(f->queryDetail->recordCount(), lines);
    QCOMPARE(plainLines(s, k, linesWhere), lines);
    waitSums(f);
}

void TestDocumentLists::footers_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("linesPage");
    QTest::addColumn<PanelSetup>("setup");
    QTest::addColumn<QStringList>("expected"); // footer texts: number, quantity, total; or the wide text
    QTest::newRow("purchase documents") << int(Kind::Purchase) << false << PanelSetup([](TListFrame* f) { f->ListAll(); })
                                        << QStringList{"合计:", "", "42.00"};
    QTest::newRow("purchase lines") << int(Kind::Purchase) << true << PanelSetup([](TListFrame* f) { f->ListAll(); })
                                    << QStringList{"合计:", "9.00", "41.00"};
    QTest::newRow("purchase lines, unaudited")
        << int(Kind::Purchase) << true << PanelSetup([](TListFrame* f) { f->ListUnaudited(); })
        << QStringList{"合计:", "8.00", "34.00"};
    QTest::newRow("purchase, nothing found")
        << int(Kind::Purchase) << false << PanelSetup([](TListFrame* f) { f->FilterByProduct(77); })
        << QStringList{"合计:", "", ""};
    QTest::newRow("sale documents") << int(Kind::Sale) << false << PanelSetup([](TListFrame* f) { f->ListAll(); })
                                    << QStringList{"合计:", "", "42.00"};
    QTest::newRow("sale lines, one wide cell")
        << int(Kind::Sale) << true << PanelSetup([](TListFrame* f) { f->ListAll(); })
        << QStringList{"合计:   数量：9.00    总价：41.00 元"};
    QTest::newRow("sale lines of one product")
        << int(Kind::Sale) << true << PanelSetup([](TListFrame* f) { f->FilterByProduct(1); })
        << QStringList{"合计:   数量：4.00    总价：16.00 元"};
    // Refunds show their sums as they are, without two decimals.
    QTest::newRow("customer refund documents")
        << int(Kind::CustomerRefund) << false << PanelSetup([](TListFrame* f) { f->ListAll(); })
        << QStringList{"合计:", "", "42"};
    QTest::newRow("refund to a supplier, lines")
        << int(Kind::SupplierRefund) << true << PanelSetup([](TListFrame* f) { f->ListAll(); })
        << QStringList{"合计:", "9", "41"};
    QTest::newRow("sale lines after a search is started")
        << int(Kind::Sale) << true << PanelSetup([](TListFrame* f) {
               f->ListAll();
               f->StartSearch();
           })
        << QStringList{"合计:   "};
}

void TestDocumentLists::footers() {
    QFETCH(int, kind);
    QFETCH(bool, linesPage);
    QFETCH(PanelSetup, setup);
    QFETCH(QStringList, expected);
    Lists s;
    TListFrame* f = s.shown(Kind(kind));
    if (linesPage) f->ShowLinesPage();
    setup(f);
    waitSums(f);
    DataGrid* g = linesPage ? f->gridDetail : f->gridMain;
    const QString number = ListStatements::Names(Kind(kind)).numberColumn;
    if (expected.size() == 1) {
        QCOMPARE(g->wideFooterText(), expected.first());
        return;
    }
    QCOMPARE((QStringList{g->footerText(number), g->footerText("quantity"), g->footerText("totalPrice")}), expected);
}

void TestDocumentLists::entryPoints_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<PanelSetup>("call");
    QTest::addColumn<bool>("linesPage");
    QTest::addColumn<QStringList>("numbers"); // of the visible list, in order
    QTest::addColumn<bool>("searchShown");
    for (const Kind k : {Kind::Purchase, Kind::Sale}) {
        const char* n = kindName(k);
        const QString p = k == Kind::Purchase ? "J" : "X";
        QTest::addRow("%s: ListAll, newest first", n) << int(k) << PanelSetup([](TListFrame* f) { f->ListAll(); })
                                                       << false << QStringList{p + "-5", p + "-4", p + "-3", p + "-2", p + "-1"}
                                                       << false;
        QTest::addRow("%s: ListUnaudited, lines page", n)
            << int(k) << PanelSetup([](TListFrame* f) {
                   f->ListUnaudited();
                   f->PageControl1->setCurrentWidget(f->tsDetail);
               })
            << true << QStringList{p + "-4", p + "-3", p + "-1", p + "-1"} << false;
        QTest::addRow("%s: StartSearch empties the lists", n) << int(k) << PanelSetup([](TListFrame* f) {
            f->ListAll();
            f->StartSearch();
            f->PageControl1->setCurrentWidget(f->tsDetail);
            f->RefreshList();
        }) << true << QStringList{} << true;
        QTest::addRow("%s: FilterByProduct then ShowLinesPage", n) << int(k) << PanelSetup([](TListFrame* f) {
            f->FilterByProduct(2);
            f->ShowLinesPage();
        }) << true << QStringList{p + "-3", p + "-1"} << false;
        QTest::addRow("%s: the documents of a product", n)
            << int(k) << PanelSetup([](TListFrame* f) { f->FilterByProduct(1); }) << false
            << QStringList{p + "-4", p + "-1"} << false;
    }
    // The other direction's refunds share the table and stay out.
    for (const Kind k : {Kind::CustomerRefund, Kind::SupplierRefund}) {
        const QString p = prefixOf(k);
        QTest::addRow("%s: ListAll, newest first", kindName(k))
            << int(k) << PanelSetup([](TListFrame* f) { f->ListAll(); }) << false
            << QStringList{p + "-5", p + "-4", p + "-3", p + "-2", p + "-1"} << false;
        QTest::addRow("%s: ListAll, lines page", kindName(k)) << int(k) << PanelSetup([](TListFrame* f) {
            f->PageControl1->setCurrentWidget(f->tsDetail);
            f->ListAll();
        }) << true << QStringList{p + "-4", p + "-3", p + "-2", p + "-1", p + "-1"} << false;
    }
}

void TestDocumentLists::entryPoints() {
    QFETCH(int, kind);
    QFETCH(PanelSetup, call);
    QFETCH(bool, linesPage);
    QFETCH(QStringList, numbers);
    QFETCH(bool, searchShown);
    Lists s;
    TListFrame* f = s.shown(Kind(kind));
    call(f);
    QCOMPARE(f->LinesPageShown(), linesPage);
    QCOMPARE(f->btnExportDetail->isVisible(), linesPage);
    QCOMPARE(f->btnExportMain->isVisible(), !linesPage);
    DataSet* ds = linesPage ? f->queryDetail : f->queryMain;
    QCOMPARE(column(ds, ListStatements::Names(Kind(kind)).numberColumn), numbers);
    QCOMPARE(f->pFind->isVisible(), searchShown);
    waitSums(f);
}

void TestDocumentLists::deleting_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("linesPage");
    QTest::addColumn<QString>("row");        // number of the document, or id of the line, to select
    QTest::addColumn<QString>("auditAfter"); // a document audited in the editor meanwhile
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("after"); // documents left with their totals, lines left
    const QString audited = ListDeletes::AuditedMessage();
    for (const Kind k : kAllKinds) {
        const char* n = kindName(k);
        const QString p = prefixOf(k);
        const QString ask = k == Kind::Purchase ? "确定要删除该进货单吗?"
                            : k == Kind::Sale   ? "确定要删除该销售单吗?"
                                                : "确定要删除该退货单吗?";
        QTest::addRow("%s: unaudited document", n) << int(k) << false << p + "-1" << "" << true << QStringList{ask}
                                                    << "2:7 3:4 4:6 5:0|3 4 5";
        QTest::addRow("%s: answered no", n) << int(k) << false << p + "-1" << "" << false << QStringList{ask}
                                             << "1:25 2:7 3:4 4:6 5:0|1 2 3 4 5";
        QTest::addRow("%s: audited in the list", n) << int(k) << false << p + "-2" << "" << true
                                                     << QStringList{ask, audited} << "1:25 2:7 3:4 4:6 5:0|1 2 3 4 5";
        QTest::addRow("%s: audited meanwhile in the editor", n)
            << int(k) << false << p + "-1" << p + "-1" << true << QStringList{ask, audited}
            << "1:25 2:7 3:4 4:6 5:0|1 2 3 4 5";
        QTest::addRow("%s: one of two lines", n) << int(k) << true << "2" << "" << true << QStringList{ask}
                                                  << "1:10 2:7 3:4 4:6 5:0|1 3 4 5";
        QTest::addRow("%s: the last line of a document", n) << int(k) << true << "4" << "" << true
                                                             << QStringList{ask} << "1:25 2:7 4:6 5:0|1 2 3 5";
        QTest::addRow("%s: line of an audited document", n) << int(k) << true << "3" << "" << true
                                                             << QStringList{ask, audited}
                                                             << "1:25 2:7 3:4 4:6 5:0|1 2 3 4 5";
        QTest::addRow("%s: line whose document was audited meanwhile", n)
            << int(k) << true << "5" << p + "-4" << true << QStringList{ask, audited}
            << "1:25 2:7 3:4 4:6 5:0|1 2 3 4 5";
    }
}

void TestDocumentLists::deleting() {
    QFETCH(int, kind);
    QFETCH(bool, linesPage);
    QFETCH(QString, row);
    QFETCH(QString, auditAfter);
    QFETCH(bool, yes);
    QFETCH(QStringList, shown);
    QFETCH(QString, after);
    Lists s;
    const Kind k = Kind(kind);
    const ListStatements::KindNames n = ListStatements::Names(k);
    const int base = lineBaseOf(k);
    TListFrame* f = s.shown(k);
    f->ListAll();
    if (linesPage) {
        f->PageControl1->setCurrentWidget(f->tsDetail);
        selectRow(f, n.lineIdAlias, base + row.toInt());
    } else {
        selectRow(f, n.numberColumn, row);
    }
    if (!auditAfter.isEmpty())
        s.db.exec(QString("update %1 set auditStatus = 1 where %2 = '%3'").arg(n.documentTable, n.numberColumn, auditAfter));
    TQuickMessageDlg::ClearShown();
    TQuickMessageDlg::PushAnswer(yes);
    QTest::mouseClick(f->ToolButton3, Qt::LeftButton);
    QCOMPARE(TQuickMessageDlg::ShownTexts(), shown);
    // This kind's documents and lines only: the refunds share their tables.
    QStringList docs, lines;
    const QString mine = QString("%1 like '%2-%'").arg(n.numberColumn, prefixOf(k));
    Statement d(s.db.conn(),
                QString("select %1, totalPrice from %2 where %3 order by %1").arg(n.numberColumn, n.documentTable, mine));
    while (d.step()) docs << d.value(0).toString().section('-', 1) + ':' + QString::number(d.value(1).toDouble());
    Statement l(s.db.conn(), QString("select id from %1 where id > %2 and id <= %3 order by id")
                                 .arg(n.lineTable)
                                 .arg(base)
                                 .arg(base + 5));
    while (l.step()) lines << QString::number(l.value(0).toInt() - base);
    QCOMPARE(docs.join(' ') + '|' + lines.join(' '), after);
    // The list shows the file as it is now.
    DataSet* ds = linesPage ? f->queryDetail : f->queryMain;
    QCOMPARE(ds->recordCount(), linesPage ? int(lines.size()) : int(docs.size()));
    waitSums(f);
}

void TestDocumentLists::refreshAfterEditor_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("showing");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("footer");
    for (const Kind k : kAllKinds) {
        const QString footer = isRefund(k) ? "50" : "50.00";
        QTest::addRow("%s: showing", kindName(k)) << int(k) << true << 6 << footer;
        QTest::addRow("%s: hidden", kindName(k)) << int(k) << false << 5 << footer;
    }
}

// An editor that closes with Modified calls RefreshList: a showing list
// reads again and keeps its row; a hidden one waits for its next use.
void TestDocumentLists::refreshAfterEditor() {
    QFETCH(int, kind);
    QFETCH(bool, showing);
    QFETCH(int, rows);
    QFETCH(QString, footer);
    Lists s;
    const Kind k = Kind(kind);
    const ListStatements::KindNames n = ListStatements::Names(k);
    TListFrame* f = s.shown(k);
    f->ListAll();
    f->queryMain->setRecNo(3);
    if (!showing) s.form(k)->hide();
    if (isRefund(k))
        s.db.exec(QString("insert into RefundForm(refundNO, totalPrice, refundType) values ('N-1', 8, %1)")
                      .arg(k == Kind::CustomerRefund ? 1 : 2));
    else
        s.db.exec(QString("insert into %1(%2, totalPrice) values ('N-1', 8)").arg(n.documentTable, n.numberColumn));
    s.lists->RefreshList(k);
    QCOMPARE(f->queryMain->recordCount(), rows);
    QCOMPARE(f->queryMain->recNo(), 3);
    waitSums(f);
    if (showing) QCOMPARE(f->gridMain->footerText("totalPrice"), footer);
}

void TestDocumentLists::openingAndNew_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("linesPage");
    for (const Kind k : kAllKinds) {
        QTest::addRow("%s documents", kindName(k)) << int(k) << false;
        QTest::addRow("%s lines", kindName(k)) << int(k) << true;
    }
}

void TestDocumentLists::openingAndNew() {
    QFETCH(int, kind);
    QFETCH(bool, linesPage);
    Lists s;
    const Kind k = Kind(kind);
    const QString p = prefixOf(k);
    TListFrame* f = s.shown(k);
    // No list yet: nothing to open.
    QTest::mouseClick(f->ToolButton2, Qt::LeftButton);
    QVERIFY(s.calls.isEmpty());
    f->ListAll();
    if (linesPage) f->PageControl1->setCurrentWidget(f->tsDetail);
    DataGrid* g = linesPage ? f->gridDetail : f->gridMain;
    QTest::mouseClick(f->ToolButton2, Qt::LeftButton);
    // A double-click on the third row opens that row's document.
    const QModelIndex third = g->model()->index(2, 1);
    const QPoint at = g->view()->visualRect(third).center();
    QTest::mouseClick(g->view()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(g->view()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseClick(f->ToolButton1, Qt::LeftButton);
    // 新建(&N) from the keyboard, on either page.
    QVERIFY(QTest::qWaitForWindowActive(s.form(k)));
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : s.form(k), Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE(s.calls.size(), 4); // the button clicks itself a moment later
    QCOMPARE(s.calls[0].what + s.calls[0].number, "open" + p + (linesPage ? "-4" : "-5"));
    QCOMPARE(s.calls[1].what + s.calls[1].number, "open" + p + (linesPage ? "-2" : "-3"));
    QCOMPARE(s.calls[2].what, QString("new"));
    QCOMPARE(s.calls[3].what, QString("new"));
    for (const Call& c : s.calls) QCOMPARE(int(c.kind), kind);
    waitSums(f);
}

// A partner, user or type added while the list is open is offered when its
// box opens, and what was chosen stays chosen.
void TestDocumentLists::choicesFollowSharedLists_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("insert");
    QTest::addColumn<QString>("chosen"); // picked before the list changes; empty for typed boxes
    QTest::addColumn<QString>("added");
    QTest::newRow("purchase supplier") << int(Kind::Purchase) << "partner"
                                       << "insert into Supplier(id, supplierName) values (30, 'Newco Supply')"
                                       << "" << "Newco Supply";
    QTest::newRow("sale customer") << int(Kind::Sale) << "partner"
                                   << "insert into Customer(id, customerName, customerCode) values "
                                      "(30, 'Newco Shop', 'K-30')"
                                   << "" << "Newco Shop";
    QTest::newRow("purchase handling user") << int(Kind::Purchase) << "user"
                                            << "insert into Users(id, userName) values (30, 'zhou')" << "wang"
                                            << "zhou";
    QTest::newRow("sale entering user") << int(Kind::Sale) << "createUser"
                                        << "insert into Users(id, userName) values (30, 'zhou')" << "li"
                                        << "zhou";
    QTest::newRow("sale type") << int(Kind::Sale) << "type"
                               << "insert into ValueSet(id, setName, elementValue) values (30, 'OUTPUTTYPE', '批发')"
                               << "零售" << "批发";
}

void TestDocumentLists::choicesFollowSharedLists() {
    QFETCH(int, kind);
    QFETCH(QString, box);
    QFETCH(QString, insert);
    QFETCH(QString, chosen);
    QFETCH(QString, added);
    Lists s;
    TListFrame* f = s.shown(Kind(kind));
    const QHash<QString, QComboBox*> boxes = {
        {"partner", f->edtPartner}, {"user", f->edtUser}, {"createUser", f->edtCreateUser}, {"type", f->edtType}};
    QComboBox* b = boxes.value(box);
    QVERIFY(b);
    QCOMPARE(b->findText(added), -1);
    if (!chosen.isEmpty()) pick(b, chosen);
    else b->setEditText("new");
    s.db.exec(insert);
    for (DataSet* q : s.dm.Queries()) q->requery(); // as the partner, staff and settings windows do
    b->showPopup();
    b->hidePopup();
    QVERIFY(b->findText(added) >= 0);
    QCOMPARE(b->currentText(), chosen.isEmpty() ? QString("new") : chosen);
}

void TestDocumentLists::exportBothGrids_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("linesPage");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("heading");
    QTest::newRow("purchase documents") << int(Kind::Purchase) << false << "进货数据" << "进货单编号";
    QTest::newRow("purchase lines") << int(Kind::Purchase) << true << "进货明细数据" << "进货数量";
    QTest::newRow("sale documents") << int(Kind::Sale) << false << "销售数据" << "销售单编号";
    QTest::newRow("sale lines") << int(Kind::Sale) << true << "销售明细数据" << "折后价(元)";
    QTest::newRow("customer refund documents") << int(Kind::CustomerRefund) << false << "客户退货数据" << "退货客户";
    QTest::newRow("customer refund lines") << int(Kind::CustomerRefund) << true << "客户退货明细数据" << "退货数量";
    QTest::newRow("refund to a supplier, documents")
        << int(Kind::SupplierRefund) << false << "采购退货数据" << "退给供应商";
    QTest::newRow("refund to a supplier, lines") << int(Kind::SupplierRefund) << true << "采购退货明细数据" << "供应商";
}

void TestDocumentLists::exportBothGrids() {
    QFETCH(int, kind);
    QFETCH(bool, linesPage);
    QFETCH(QString, title);
    QFETCH(QString, heading);
    Lists s;
    TListFrame* f = s.shown(Kind(kind));
    f->ListAll();
    if (linesPage) f->PageControl1->setCurrentWidget(f->tsDetail);
    QToolButton* button = linesPage ? f->btnExportDetail : f->btnExportMain;
    TExporter* ex = nullptr;
    for (TExporter* e : f->findChildren<TExporter*>())
        if (e->InstalledControl() == button) ex = e;
    QVERIFY(ex);
    QCOMPARE(ex->BaseFileName(), title);
    const QString path = s.db.dir() + "/out.csv";
    TExporter::SetSaveDialogHook([&](QFileDialog&) { return TExporter::SaveAnswer{true, path, TExporter::Csv + 1}; });
    ex->ExportAs(TExporter::Csv);
    TExporter::SetSaveDialogHook(nullptr);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY2(text.contains(heading), qPrintable(text.left(200)));
    QCOMPARE(text.count('\n') >= (linesPage ? 6 : 6), true);
    waitSums(f);
}

void TestDocumentLists::refundListsShowTheirDirection_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("partnerTitles"); // documents grid, lines grid
    QTest::addColumn<QString>("partnerOfFirst");    // #-1's partner
    QTest::newRow("customer refunds") << int(Kind::CustomerRefund) << "销售退货管理 - 客户退货给自己"
                                      << QStringList{"退货客户", "退货客户"} << "Acme Retail";
    QTest::newRow("refunds to suppliers") << int(Kind::SupplierRefund) << "采购退货管理 - 自己退货给供应商"
                                          << QStringList{"退给供应商", "供应商"} << "Acme Trading";
}

// What a refund list does otherwise than the purchase list: the partner of
// its direction, pages chosen by two radio buttons, money as it is stored.
void TestDocumentLists::refundListsShowTheirDirection() {
    QFETCH(int, kind);
    QFETCH(QString, caption);
    QFETCH(QStringList, partnerTitles);
    QFETCH(QString, partnerOfFirst);
    Lists s;
    const Kind k = Kind(kind);
    TListForm* w = s.form(k);
    QCOMPARE(w->windowTitle(), caption);
    TListFrame* f = s.shown(k);
    auto title = [](DataGrid* g, const QString& field) {
        return g->model()->headerData(g->viewColumn(field), Qt::Horizontal).toString();
    };
    QCOMPARE((QStringList{title(f->gridMain, "cosName"), title(f->gridDetail, "cosName")}), partnerTitles);
    QCOMPARE(f->pRoot->title(), QString("查找退货单"));
    f->ListAll();
    QVERIFY(f->queryMain->locate("refundNO", prefixOf(k) + "-1"));
    QCOMPARE(f->queryMain->value("cosName").toString(), partnerOfFirst);
    // No "#.##" here: a total of 0 reads 0, not an empty cell.
    QVERIFY(f->queryMain->locate("refundNO", prefixOf(k) + "-5"));
    QCOMPARE(f->gridMain->model()->index(f->queryMain->recNo() - 1, f->gridMain->viewColumn("totalPrice")).data().toString(),
             QString("0"));
    QVERIFY(!f->PageControl1->tabBar()->isVisible());
    QVERIFY(f->rbMain->isChecked());
    QTest::mouseClick(f->rbDetail, Qt::LeftButton);
    QVERIFY(f->LinesPageShown());
    QCOMPARE(f->queryDetail->recordCount(), 5);
    QVERIFY(f->btnExportDetail->isVisible());
    QTest::mouseClick(f->rbMain, Qt::LeftButton);
    QVERIFY(!f->LinesPageShown());
    f->ShowLinesPage(); // a page chosen by code moves the buttons too
    QVERIFY(f->rbDetail->isChecked());
    f->btnSearchSwitch->click();
    f->edtPartner->setEditText("acme");
    QTest::mouseClick(f->JvBitBtn1, Qt::LeftButton);
    QCOMPARE(f->edtPartner->currentText(), QString());
    waitSums(f);
}

// The purchase list used by keyboard alone: the search panel filled and
// run with Enter, a row opened with Enter.
void TestDocumentLists::keyboard() {
    Lists s;
    TListForm* w = s.form(Kind::Purchase);
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w));
    TListFrame* f = w->Frame();
    f->StartSearch();
    QVERIFY(f->edtProductCode->hasFocus());
    QTest::keyClick(f->edtProductCode, Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), "banana");
    QCOMPARE(f->edtProductName->text(), QString("banana"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(column(f->queryMain, "inputNO"), (QStringList{"J-3", "J-1"}));
    f->gridMain->view()->setFocus();
    QTest::keyClick(f->gridMain->view(), Qt::Key_Down);
    QTest::keyClick(f->gridMain->view(), Qt::Key_Return);
    QCOMPARE(s.calls.size(), 1);
    QCOMPARE(s.calls[0].number, QString("J-1"));
    waitSums(f);
}

void TestDocumentLists::screenshots() {
    Lists s;
    for (const Kind k : kAllKinds) {
        TListForm* w = s.form(k);
        w->resize(1100, 620);
        w->show();
        TListFrame* f = w->Frame();
        f->StartSearch();
        f->edtPartner->setEditText(k == Kind::Purchase ? "Acme" : "O'Neil");
        pick(f->edtAuditStatus, "未审核");
        f->chkDate->setChecked(true);
        f->edtDateStart->setDate(QDate(2010, 1, 1));
        f->edtPartner->setEditText("");
        f->ExecuteSearch();
        waitSums(f);
        const char* names[] = {"list-purchase", "list-sale", "list-refund-in", "list-refund-out"};
        const QString name = names[int(k)];
        saveShot(w, name + "-documents");
        f->PageControl1->setCurrentWidget(f->tsDetail);
        waitSums(f);
        saveShot(w, name + "-lines");
    }
}

QTEST_MAIN(TestDocumentLists)
#include "tst_documentlists.moc"
