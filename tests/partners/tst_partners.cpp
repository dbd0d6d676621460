// The supplier and customer windows driven as a user would: partners
// searched, kept and deleted, picked for a document editor, their types kept
// through the "..." button, the field labels applied, the two windows opened
// from the main window, and how they look.
#include "appcontext.h"
#include "application.h"
#include "controlplacement.h"
#include "datagrid.h"
#include "dataset.h"
#include "dbedits.h"
#include "dynamicfield.h"
#include "maindm.h"
#include "mainform.h"
#include "partnerform.h"
#include "partnerframe.h"
#include "partners.h"
#include "quickmessagedlg.h"
#include "resourcefactory.h"
#include "testsupport.h"
#include "valueset.h"
#include "sysconfigform.h"
#include "valuesetframe.h"
#include "wiring.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <functional>
#include <memory>

namespace {
using Kind = TQuickMessageDlg::Kind;

// Suppliers and customers share ids 1..3 on purpose: a document of the other
// direction names the same id. Types: 1-3 SupplierType, 4-6 CustomerType.
// The 代理商 and 会员 types are used by nobody.
void seedPartners(TestDb& db) {
    db.exec("insert into Supplier(id, supplierCode, supplierName, supplierType, mobile, tel1, tel2, qq, addr1,"
            " postCode, comments) values"
            " (1, 'GYS001', '甲厂', 1, '13700000001', '0571-8800', '', '', '杭州', '310000', ''),"
            " (2, 'GYS002', '乙批发', 2, '', '', '020-138', '', '广州', '', ''),"
            " (3, 'GYS003', '丙商行', null, '', '', '', '5566', '', '', '常用')");
    db.exec("insert into Customer(id, customerCode, customerName, customerType, mobile, qq, icq, postCode,"
            " comments) values"
            " (1, 'VIP001', '张三', 4, '13812345678', '', '', '', ''),"
            " (2, 'VIP138', '李四', 5, '13900000000', '', '', '', ''),"
            " (3, 'VIP003', 'O''Brien商行', null, '', '', '', '', '100%纯棉'),"
            " (4, 'VIP004', 'a_b公司', 4, '', '', '', '310000', ''),"
            " (5, 'VIP005', 'axb公司', 4, '', '77889', '', '', ''),"
            " (6, 'VIP006', '王五', 5, '', '', 'x\\y', '', '')");
}

struct Shell {
    TestDb db;
    TMainDM dm;
    TAppContext ctx;
    std::unique_ptr<TControlPlacement> placement;
    TResourceFactory factory;
    std::unique_ptr<TDFMProxy> labels;
    std::unique_ptr<TPartners> partners; // made as start-up makes them
    std::unique_ptr<TSysConfigForm> settings; // where the type buttons lead

    // products: a catalogue of that many, for lists read a screen at a time.
    explicit Shell(int products = 0) {
        seedPartners(db);
        if (products > 0)
            db.conn().execute("with recursive n(i) as (select 1 union all select i + 1 from n where i < :n)"
                              " insert into Product(productCode, productName) select 'P' || i, '商品' || i from n",
                              {{"n", products}});
        dm.Startup(db.path());
        ctx.UseData(dm);
        ctx.SetAppDir(db.dir());
        TQuickMessageDlg::StartRecording();
        TApplication::InstallErrorBox();
        placement = std::make_unique<TControlPlacement>(ctx.PlacementFile());
        labels = std::make_unique<TDFMProxy>(dm.MainConn);
        partners = std::make_unique<TPartners>(dm, *labels, *placement, factory);
        ctx.SetCurrentUser({1, 1, "admin"});
        settings = std::make_unique<TSysConfigForm>(dm, ctx, *labels);
        partners->SetTypeEditor([this](const QString& set) { settings->EditValueSet(set); });
    }
    ~Shell() {
        settings.reset();
        partners.reset();
        factory.Clear();
        TQuickMessageDlg::StopRecording();
    }

    TPartnerForm* form(const QString& kind) {
        if (kind == "supplier") return partners->GetSupplierForm();
        return partners->GetCustomerForm();
    }
    TPartnerFrame* frame(const QString& kind) { return form(kind)->Frame(); }
    int count(const QString& sql) { return db.scalar(sql).toInt(); }
    // The whole table, to see that nothing changed.
    QString table(const QString& kind) {
        return db.scalar(QString("select group_concat(id || '|' || coalesce(%1Name, '') || '|' ||"
                                 " coalesce(%1Type, ''), ';') from %2")
                             .arg(kind, kind == "supplier" ? "Supplier" : "Customer"))
            .toString();
    }
};

QStringList listed(TPartnerFrame* f) {
    QStringList names;
    for (int r = 0; r < f->query->recordCount(); ++r) names << f->query->valueAt(r, f->Kind().nameField).toString();
    names.sort();
    return names;
}

template <class T> T* child(QWidget* w, const QString& name) {
    T* c = w->findChild<T*>(name);
    if (!c) qWarning("no control %s", qPrintable(name));
    return c;
}

void click(QWidget* w, const QString& name) { child<QAbstractButton>(w, name)->click(); }

// The buttons of the role: btnSupplierSave, btnCustomerDelete...
QString roleButton(TPartnerFrame* f, const char* what) { return "btn" + f->Kind().role + what; }

// Types text key by key, Chinese included (keyClicks takes ASCII only).
void type(QWidget* w, const QString& text) {
    for (const QChar c : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void doubleClickCurrentRow(QTableView* view) {
    const QRect cell = view->visualRect(view->currentIndex());
    // A real double-click starts with a press the view remembers.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}

QStringList kinds(const QList<TQuickMessageDlg::Record>& shown) {
    QStringList out;
    for (const auto& r : shown)
        out << (r.kind == Kind::Info ? "info" : r.kind == Kind::Confirm ? "confirm" : r.kind == Kind::Error ? "error" : "plain");
    return out;
}

QStringList comboItems(QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
    return out;
}

// Runs f inside the next modal dialog; f must close it.
void whileModal(std::function<void(QWidget*)> f) {
    QTimer::singleShot(0, [f] {
        QWidget* w = QApplication::activeModalWidget();
        QVERIFY(w);
        f(w);
    });
}

void saveShot(QWidget* w, const QString& name) {
    QDir().mkpath(QStringLiteral(MORVANE_SCREENSHOT_DIR));
    QVERIFY(w->grab().save(QStringLiteral(MORVANE_SCREENSHOT_DIR) + "/" + name + ".png"));
}

// Labels and buttons whose text is wider than they are: cut off on screen.
QStringList clipped(QWidget* window) {
    QStringList out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window)) continue;
        if (qobject_cast<QLabel*>(w) && w->width() < w->sizeHint().width()) out << w->objectName();
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            const QString text = QString(b->text()).remove('&');
            if (b->width() < b->fontMetrics().horizontalAdvance(text) + 8) out << b->objectName();
        }
    }
    return out;
}

void setFieldConfig(TestDb& db, const QString& table, const QString& field, const QString& caption, bool enabled) {
    db.conn().execute("update FieldConfig set fieldNewName=:n, enabled=:e where tableName=:t and TableField=:f",
                      {{"n", caption}, {"e", enabled ? 1 : 0}, {"t", table}, {"f", field}});
}

// Lets the layouts follow rows shown or hidden.
void settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
}
} // namespace

class TestPartners : public QObject {
    Q_OBJECT
private slots:
    void deleteChecks_data();
    void deleteChecks();
    void search_data();
    void search();
    void pickLifeCycle_data();
    void pickLifeCycle();
    void valueSetEditor_data();
    void valueSetEditor();
    void buttonsAndEditorFollowState_data();
    void buttonsAndEditorFollowState();
    void storedChangesRereadSharedList_data();
    void storedChangesRereadSharedList();
    void databaseErrorKeepsRowState_data();
    void databaseErrorKeepsRowState();
    void fieldLabelsRename_data();
    void fieldLabelsRename();
    void fieldLabelsHideRows_data();
    void fieldLabelsHideRows();
    void placementRemembered_data();
    void placementRemembered();
    void mainWindowOpensPreparedWindows_data();
    void mainWindowOpensPreparedWindows();
    void newPartnerFoundInABigShop_data();
    void newPartnerFoundInABigShop();
    void keyboardOnly();
    void screenshots();
};

// ---------------------------------------------------------------- delete

void TestPartners::deleteChecks_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("uses");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("deleted");
    const QString purchase = "insert into InputForm(inputNO, supplierID, auditStatus) values('IN1', 1, 0)";
    const QString auditedPurchase = "insert into InputForm(inputNO, supplierID, auditStatus) values('IN2', 1, 1)";
    const QString sale = "insert into OutputForm(outputNO, customerID, auditStatus) values('OUT1', 1, 0)";
    const QString customerReturn = "insert into RefundForm(refundNO, refundType, cosID) values('R1', 1, 1)";
    const QString supplierReturn = "insert into RefundForm(refundNO, refundType, cosID) values('R2', 2, 1)";
    const QString askSupplier = "确定要删除该供应商资料吗(甲厂)?";
    const QString askCustomer = "确定要删除该客户资料吗(张三)?";
    const QString supplierPurchases = "该供应商有进货单与之关联,不能删除.";
    const QString supplierReturns = "该供应商有退货单与之关联,不能删除.";
    const QString customerSales = "该客户有出货单与之关联,不能删除.";
    const QString customerReturns = "该客户有退货单与之关联,不能删除.";

    QTest::newRow("supplier unused, yes") << "supplier" << QStringList() << true << askSupplier << true;
    QTest::newRow("supplier unused, no") << "supplier" << QStringList() << false << askSupplier << false;
    QTest::newRow("supplier on a purchase never audited")
        << "supplier" << QStringList{purchase} << true << supplierPurchases << false;
    QTest::newRow("supplier on an audited purchase")
        << "supplier" << QStringList{auditedPurchase} << true << supplierPurchases << false;
    QTest::newRow("supplier on a return to it")
        << "supplier" << QStringList{supplierReturn} << true << supplierReturns << false;
    QTest::newRow("supplier on purchase and return: purchase first")
        << "supplier" << QStringList{supplierReturn, purchase} << true << supplierPurchases << false;
    QTest::newRow("supplier id only on customer returns")
        << "supplier" << QStringList{customerReturn} << true << askSupplier << true;
    QTest::newRow("supplier id only on a sale") << "supplier" << QStringList{sale} << true << askSupplier << true;
    QTest::newRow("customer unused, yes") << "customer" << QStringList() << true << askCustomer << true;
    QTest::newRow("customer on a sale") << "customer" << QStringList{sale} << true << customerSales << false;
    QTest::newRow("customer on its return")
        << "customer" << QStringList{customerReturn} << true << customerReturns << false;
    QTest::newRow("customer on sale and return: sale first")
        << "customer" << QStringList{customerReturn, sale} << true << customerSales << false;
    QTest::newRow("customer id only on supplier returns")
        << "customer" << QStringList{supplierReturn} << true << askCustomer << true;
    QTest::newRow("customer id only on a purchase")
        << "customer" << QStringList{purchase} << true << askCustomer << true;
}

void TestPartners::deleteChecks() {
    QFETCH(QString, kind);
    QFETCH(QStringList, uses);
    QFETCH(bool, answer);
    QFETCH(QString, text);
    QFETCH(bool, deleted);
    Shell s;
    for (const QString& sql : uses) s.db.exec(sql);
    TPartnerFrame* f = s.frame(kind);
    s.form(kind)->ShowForMaintenance();
    const QString table = f->Kind().table;
    const int before = s.count("select count(*) from " + table);
    QVERIFY(f->query->locate("id", 1));
    TQuickMessageDlg::PushAnswer(answer);
    click(f, roleButton(f, "Delete"));
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{text});
    QCOMPARE(kinds(TQuickMessageDlg::Shown()), QStringList{text.startsWith("确定") ? "confirm" : "info"});
    QCOMPARE(s.count("select count(*) from " + table + " where id=1"), deleted ? 0 : 1);
    QCOMPARE(s.count("select count(*) from " + table), before - (deleted ? 1 : 0)); // nothing else goes
    QCOMPARE(f->query->locate("id", 1), !deleted);
    // The documents' partner lists follow.
    QCOMPARE((s.dm.*f->Kind().shared)->locate("id", 1), !deleted);
}

// ---------------------------------------------------------------- search

void TestPartners::search_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("scope");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("enter");
    QTest::addColumn<QStringList>("names");
    const QStringList allCustomers{"O'Brien商行", "a_b公司", "axb公司", "张三", "李四", "王五"};
    QTest::newRow("customer by mobile containing 138")
        << "customer" << 0 << "138" << true << QStringList({"张三", "李四"});
    QTest::newRow("customer 贵宾卡号 scope") << "customer" << 1 << "138" << false << QStringList{"李四"};
    QTest::newRow("customer name scope ignores the card")
        << "customer" << 2 << "138" << true << QStringList();
    QTest::newRow("customer name scope") << "customer" << 2 << "张" << false << QStringList{"张三"};
    QTest::newRow("customer by qq") << "customer" << 0 << "77889" << false << QStringList{"axb公司"};
    QTest::newRow("customer by postcode") << "customer" << 0 << "310000" << true << QStringList{"a_b公司"};
    QTest::newRow("percent is a wildcard") << "customer" << 2 << "a%公司" << true << QStringList({"a_b公司", "axb公司"});
    QTest::newRow("percent alone lists all") << "customer" << 0 << "%" << false << allCustomers;
    QTest::newRow("underscore is a wildcard") << "customer" << 2 << "a_b" << true << QStringList({"a_b公司", "axb公司"});
    QTest::newRow("quote literal") << "customer" << 0 << "O'Brien" << false << QStringList{"O'Brien商行"};
    QTest::newRow("backslash literal") << "customer" << 0 << "x\\y" << true << QStringList{"王五"};
    QTest::newRow("key trimmed") << "customer" << 0 << "  张三 " << true << QStringList{"张三"};
    QTest::newRow("blanks list all") << "customer" << 0 << "   " << true << allCustomers;
    QTest::newRow("ideographic blanks list all") << "customer" << 2 << "\u3000\u3000" << false << allCustomers;
    QTest::newRow("supplier by tel2") << "supplier" << 0 << "020-138" << true << QStringList{"乙批发"};
    QTest::newRow("supplier by code, any case") << "supplier" << 0 << "gys00" << false
                                                << QStringList({"丙商行", "乙批发", "甲厂"});
    QTest::newRow("supplier by comments") << "supplier" << 0 << "常用" << true << QStringList{"丙商行"};
    QTest::newRow("supplier name scope ignores code") << "supplier" << 1 << "GYS" << true << QStringList();
    QTest::newRow("supplier name scope") << "supplier" << 1 << "批发" << false << QStringList{"乙批发"};
    QTest::newRow("supplier nothing found") << "supplier" << 0 << "不存在" << true << QStringList();
}

void TestPartners::search() {
    QFETCH(QString, kind);
    QFETCH(int, scope);
    QFETCH(QString, key);
    QFETCH(bool, enter);
    QFETCH(QStringList, names);
    Shell s;
    TPartnerFrame* f = s.frame(kind);
    s.form(kind)->ShowForMaintenance();
    f->cbSearchScope->setCurrentIndex(scope);
    f->edtSearchKey->clear();
    type(f->edtSearchKey, key);
    if (enter)
        QTest::keyClick(f->edtSearchKey, Qt::Key_Return);
    else
        click(f, f->Kind().searchButton);
    QCOMPARE(listed(f), names);
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList());
    // The grid shows what was found.
    QCOMPARE(f->grid->model()->rowCount(), names.size());
}

// ------------------------------------------------------------- picking

void TestPartners::pickLifeCycle_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("delivery"); // accept, refuse, throw
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<int>>("delivered");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("pending");
    QTest::addColumn<int>("errors");
    using L = QList<int>;
    QTest::newRow("double-click delivers, window goes")
        << "customer" << "accept" << QStringList{"pick", "select:2", "dclick"} << L{2} << false << false << 0;
    QTest::newRow("Enter delivers") << "supplier" << "accept" << QStringList{"pick", "select:3", "enter"} << L{3}
                                    << false << false << 0;
    QTest::newRow("Escape hides, the pick stays")
        << "customer" << "accept" << QStringList{"pick", "escape"} << L{} << false << true << 0;
    QTest::newRow("after Escape the pick still delivers")
        << "supplier" << "accept" << QStringList{"pick", "escape", "show", "select:2", "dclick"} << L{2} << false
        << false << 0;
    QTest::newRow("Escape, maintenance, double-click: nothing")
        << "customer" << "accept" << QStringList{"pick", "escape", "maintenance", "select:2", "dclick"} << L{}
        << true << false << 0;
    QTest::newRow("Escape, maintenance, Enter: nothing")
        << "supplier" << "accept" << QStringList{"pick", "escape", "maintenance", "select:1", "enter"} << L{}
        << true << false << 0;
    QTest::newRow("maintenance alone: double-click does nothing")
        << "customer" << "accept" << QStringList{"maintenance", "select:1", "dclick"} << L{} << true << false << 0;
    QTest::newRow("refused: window stays, nothing changes")
        << "customer" << "refuse" << QStringList{"pick", "select:2", "dclick"} << L{2} << true << false << 0;
    QTest::newRow("refused once, not offered again")
        << "supplier" << "refuse" << QStringList{"pick", "select:2", "enter", "select:1", "dclick"} << L{2} << true
        << false << 0;
    QTest::newRow("delivery fails: shown once, window stays")
        << "customer" << "throw" << QStringList{"pick", "select:2", "dclick"} << L{2} << true << false << 1;
    QTest::newRow("empty list: the pick waits")
        << "customer" << "accept" << QStringList{"pick", "search:不存在", "enter"} << L{} << true << true << 0;
    QTest::newRow("a new partner is stored, then handed over")
        << "supplier" << "accept" << QStringList{"pick", "new:丁厂", "enter"} << L{4} << false << false << 0;
}

void TestPartners::pickLifeCycle() {
    QFETCH(QString, kind);
    QFETCH(QString, delivery);
    QFETCH(QStringList, steps);
    QFETCH(QList<int>, delivered);
    QFETCH(bool, visible);
    QFETCH(bool, pending);
    QFETCH(int, errors);
    Shell s;
    TPartnerForm* form = s.form(kind);
    TPartnerFrame* f = form->Frame();
    const QString before = s.table(kind);
    QList<int> got;
    for (const QString& step : steps) {
        const QString arg = step.section(':', 1);
        if (step == "pick") {
            form->ShowForPick([&got, delivery](qint64 id) {
                got << int(id);
                if (delivery == "throw") throw std::runtime_error("the editor failed");
                return delivery == "accept";
            });
            QVERIFY(QTest::qWaitForWindowExposed(form));
            if (f->panelTips) QVERIFY(f->panelTips->isVisible());
        } else if (step == "maintenance") {
            form->ShowForMaintenance();
            QVERIFY(QTest::qWaitForWindowExposed(form));
        } else if (step == "show") {
            TResourceFactory::ShowWindow(form);
            QVERIFY(QTest::qWaitForWindowExposed(form));
        } else if (step.startsWith("select:")) {
            QVERIFY(f->query->locate("id", arg.toInt()));
        } else if (step == "dclick") {
            doubleClickCurrentRow(f->grid->view());
        } else if (step == "enter") {
            QTest::keyClick(f->grid->view(), Qt::Key_Return);
        } else if (step == "escape") {
            QTest::keyClick(f->grid->view(), Qt::Key_Escape);
        } else if (step.startsWith("search:")) {
            f->edtSearchKey->setText(arg);
            click(f, f->Kind().searchButton);
        } else if (step.startsWith("new:")) {
            click(f, roleButton(f, "New"));
            type(f->edtName, arg); // not saved: the pick stores it
        }
    }
    QCOMPARE(got, delivered);
    QCOMPARE(form->isVisible(), visible);
    QCOMPARE(f->PickPending(), pending);
    if (f->panelTips) QCOMPARE(f->panelTips->isVisibleTo(form), pending);
    QCOMPARE(kinds(TQuickMessageDlg::Shown()), QStringList(errors, "error"));
    if (!steps.filter("new:").isEmpty()) {
        QCOMPARE(s.count("select count(*) from Supplier where id=4 and supplierName='丁厂'"), 1);
    } else {
        QCOMPARE(s.table(kind), before); // a pick writes nothing
    }
}

// ------------------------------------------------------------ value sets

void TestPartners::valueSetEditor_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("add") << "supplier" << QStringList{"new:经销商"}
                         << QStringList({"生产厂家", "批发商", "代理商", "经销商"}) << QStringList();
    QTest::newRow("rename") << "supplier" << QStringList{"rename:批发商:总批发"}
                            << QStringList({"生产厂家", "总批发", "代理商"}) << QStringList();
    QTest::newRow("delete unused") << "supplier" << QStringList{"delete:代理商"}
                                   << QStringList({"生产厂家", "批发商"}) << QStringList{"确定要删除该条数据吗?"};
    QTest::newRow("delete in use refused")
        << "supplier" << QStringList{"delete:生产厂家"} << QStringList({"生产厂家", "批发商", "代理商"})
        << QStringList{"此类型已经被使用,不能删除."};
    QTest::newRow("delete answered no") << "supplier" << QStringList{"keep:代理商"}
                                        << QStringList({"生产厂家", "批发商", "代理商"})
                                        << QStringList{"确定要删除该条数据吗?"};
    QTest::newRow("blank name refused") << "supplier" << QStringList{"new:  ", "cancel"}
                                        << QStringList({"生产厂家", "批发商", "代理商"})
                                        << QStringList{"请输入类别名称."};
    QTest::newRow("name held twice refused") << "customer" << QStringList{"new:会员", "cancel"}
                                             << QStringList({"零售客户", "批发客户", "会员"})
                                             << QStringList{"该类别已经存在."};
    QTest::newRow("customer add and delete")
        << "customer" << QStringList{"new:VIP", "delete:会员"} << QStringList({"零售客户", "批发客户", "VIP"})
        << QStringList{"确定要删除该条数据吗?"};
    QTest::newRow("customer type in use refused")
        << "customer" << QStringList{"delete:批发客户"} << QStringList({"零售客户", "批发客户", "会员"})
        << QStringList{"此类型已经被使用,不能删除."};
}

void TestPartners::valueSetEditor() {
    QFETCH(QString, kind);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, items);
    QFETCH(QStringList, texts);
    Shell s;
    TPartnerForm* form = s.form(kind);
    TPartnerFrame* f = form->Frame();
    form->ShowForMaintenance();
    QVERIFY(f->query->locate("id", 2)); // a partner of the second type
    bool ran = false;
    whileModal([&](QWidget* w) {
        auto closeAfter = qScopeGuard([w] { QTest::keyClick(w, Qt::Key_Escape); });
        auto* settings = qobject_cast<TSysConfigForm*>(w);
        QVERIFY(settings);
        QCOMPARE(settings->CurrentPage(), "VS" + f->Kind().typeSet);
        TValueSetFrame* frame = f->Kind().typeSet == "SupplierType" ? settings->VSSupplierTypeFrame
                                                                    : settings->VSCustomerTypeFrame;
        QVERIFY(frame);
        DataSet* q = frame->List().queryValueSet();
        for (const QString& step : steps) {
            const QStringList parts = step.split(':');
            if (parts[0] == "new") {
                frame->btnValueSetNew->click();
                q->setValue("elementValue", parts[1]);
                frame->btnValueSetSave->click();
            } else if (parts[0] == "rename") {
                QVERIFY(q->locate("elementValue", parts[1]));
                frame->btnValueSetEdit->click();
                q->setValue("elementValue", parts[2]);
                frame->btnValueSetSave->click();
            } else if (parts[0] == "delete" || parts[0] == "keep") {
                QVERIFY(q->locate("elementValue", parts[1]));
                TQuickMessageDlg::PushAnswer(parts[0] == "delete");
                frame->btnValueSetDelete->click();
            } else if (parts[0] == "cancel") {
                frame->btnValueSetCancel->click();
            }
        }
        ran = true;
    });
    click(f, "btn" + f->Kind().role + "Type");
    QVERIFY(ran);
    QCOMPARE(TQuickMessageDlg::ShownTexts(), texts);
    // The partner's type box offers the new list at once, and the grid
    // shows the type's new name.
    QCOMPARE(comboItems(f->edtType), items);
    QCOMPARE(f->edtType->currentText(), items.value(1));
    QCOMPARE(f->query->value(f->Kind().typeNameField).toString(), items.value(1));
    QStringList stored;
    s.db.conn().select("select elementValue from ValueSet where setName=:s order by id", {{"s", f->Kind().typeSet}},
                       [&](const Statement& row) {
                           stored << row.value(0).toString();
                           return true;
                       });
    QCOMPARE(stored, items);
}

// -------------------------------------------------------------- editing

void TestPartners::buttonsAndEditorFollowState_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("supplier") << "supplier";
    QTest::newRow("customer") << "customer";
}

void TestPartners::buttonsAndEditorFollowState() {
    QFETCH(QString, kind);
    Shell s;
    TPartnerForm* form = s.form(kind);
    TPartnerFrame* f = form->Frame();
    form->ShowForMaintenance();
    auto state = [&] {
        QString out = f->pInputPanel->isVisibleTo(form) ? "P" : "-";
        out += f->switch1->isChecked() ? "S" : "-";
        for (const char* n : {"New", "Edit", "Delete", "Cancel", "Save", "SaveAndNew"})
            out += child<QWidget>(f, roleButton(f, n))->isEnabled() ? "1" : "0";
        return out;
    };
    QStringList states{state()};
    click(f, roleButton(f, "New"));
    states << state();
    click(f, roleButton(f, "Cancel")); // leaves the editor open
    states << state();
    f->switch1->click();
    states << state();
    click(f, roleButton(f, "Edit"));
    states << state();
    click(f, roleButton(f, "Save"));
    states << state();
    form->ShowForMaintenance(); // folds the editor
    states << state();
    QCOMPARE(states, QStringList({"--111000", "PS000111", "PS111000", "--111000", "PS000111", "PS111000",
                                  "--111000"}));
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList());
}

void TestPartners::storedChangesRereadSharedList_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("andNew");
    QTest::newRow("supplier 保存") << "supplier" << false;
    QTest::newRow("supplier 保存&新建") << "supplier" << true;
    QTest::newRow("customer 保存") << "customer" << false;
    QTest::newRow("customer 保存&新建") << "customer" << true;
}

void TestPartners::storedChangesRereadSharedList() {
    QFETCH(QString, kind);
    QFETCH(bool, andNew);
    Shell s;
    TPartnerForm* form = s.form(kind);
    TPartnerFrame* f = form->Frame();
    DataSet* shared = s.dm.*f->Kind().shared;
    const QString nameField = f->Kind().nameField;
    form->ShowForMaintenance();
    click(f, roleButton(f, "New"));
    type(f->edtName, "新伙伴");
    type(child<QLineEdit>(f, "edtMobile"), "13812345678");
    f->edtType->setCurrentIndex(0);
    emit f->edtType->activated(0);
    click(f, roleButton(f, andNew ? "SaveAndNew" : "Save"));
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList());
    QCOMPARE(s.count(QString("select count(*) from %1 where %2='新伙伴' and mobile='13812345678' and %3 is not null")
                         .arg(f->Kind().table, nameField, f->Kind().typeField)),
             1);
    QVERIFY(shared->locate(nameField, "新伙伴"));
    QCOMPARE(f->query->state(), andNew ? DataSet::State::Insert : DataSet::State::Browse);
    if (andNew) {
        QCOMPARE(f->edtName->text(), QString()); // a fresh row, nothing preset
    }
    // A change is seen by the documents' lists too.
    click(f, roleButton(f, "Cancel"));
    QVERIFY(f->query->locate(nameField, "新伙伴"));
    click(f, roleButton(f, "Edit"));
    f->edtName->selectAll();
    type(f->edtName, "改名伙伴");
    click(f, roleButton(f, "Save"));
    QVERIFY(shared->locate(nameField, "改名伙伴"));
}

void TestPartners::databaseErrorKeepsRowState_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<DataSet::State>("state");
    QTest::newRow("supplier new, 保存") << "supplier" << "insert" << DataSet::State::Insert;
    QTest::newRow("supplier new, 保存&新建 twice") << "supplier" << "insert-and-new" << DataSet::State::Insert;
    QTest::newRow("customer edit, 保存") << "customer" << "update" << DataSet::State::Edit;
    QTest::newRow("customer edit, 保存&新建") << "customer" << "update-and-new" << DataSet::State::Edit;
    QTest::newRow("supplier delete") << "supplier" << "delete" << DataSet::State::Browse;
    QTest::newRow("customer delete") << "customer" << "delete" << DataSet::State::Browse;
}

void TestPartners::databaseErrorKeepsRowState() {
    QFETCH(QString, kind);
    QFETCH(QString, operation);
    QFETCH(DataSet::State, state);
    Shell s;
    TPartnerForm* form = s.form(kind);
    TPartnerFrame* f = form->Frame();
    const QString table = f->Kind().table;
    const QString event = operation.startsWith("insert") ? "INSERT" : operation.startsWith("update") ? "UPDATE" : "DELETE";
    s.db.exec(QString("CREATE TRIGGER refuse BEFORE %1 ON %2 BEGIN SELECT RAISE(ABORT, '磁盘已满'); END")
                  .arg(event, table));
    const QString before = s.table(kind);
    form->ShowForMaintenance();
    QVERIFY(f->query->locate("id", 2));
    const int rows = f->query->recordCount();
    int clicks = 1;
    if (operation == "delete") {
        TQuickMessageDlg::PushAnswer(true);
        click(f, roleButton(f, "Delete"));
    } else {
        click(f, roleButton(f, operation.startsWith("insert") ? "New" : "Edit"));
        f->edtName->selectAll();
        type(f->edtName, "写不进去");
        const bool andNew = operation.endsWith("-and-new");
        click(f, roleButton(f, andNew ? "SaveAndNew" : "Save"));
        if (operation == "insert-and-new") {
            click(f, roleButton(f, "SaveAndNew")); // once more: still nothing new
            ++clicks;
        }
    }
    const auto shown = TQuickMessageDlg::Shown();
    const QStringList expected = operation == "delete" ? QStringList{"confirm", "error"} : QStringList(clicks, "error");
    QCOMPARE(kinds(shown), expected);
    QVERIFY2(shown.last().text.contains("磁盘已满"), qPrintable(shown.last().text));
    QCOMPARE(f->query->state(), state);
    QCOMPARE(s.table(kind), before);
    if (operation == "delete") {
        QCOMPARE(f->query->recordCount(), rows);
        QCOMPARE(f->query->value("id").toInt(), 2);
    } else {
        // The row keeps what was typed, and no second row was started.
        QCOMPARE(f->query->value(f->Kind().nameField).toString(), QString("写不进去"));
        QCOMPARE(f->query->recordCount(), rows + (operation.startsWith("insert") ? 1 : 0));
        click(f, roleButton(f, "Cancel"));
        QCOMPARE(f->query->recordCount(), rows);
    }
}

// --------------------------------------------------------- field labels

void TestPartners::fieldLabelsRename_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("newName"); // empty: left as shipped
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("labelText");
    QTest::addColumn<QString>("columnTitle");
    QTest::newRow("customer code reads 贵宾卡号 as shipped")
        << "customer" << "customerCode" << "" << "lbCustomerCode" << "贵宾卡号:" << "贵宾卡号";
    QTest::newRow("supplier code renamed") << "supplier" << "supplierCode" << "编号" << "lbSupplierCode" << "编号:"
                                           << "编号";
    QTest::newRow("customer mobile renamed") << "customer" << "mobile" << "手机号" << "lbMobile" << "手机号:"
                                             << "手机号";
    QTest::newRow("supplier type renamed") << "supplier" << "supplierType" << "级别" << "lbSupplierType" << "级别:"
                                           << "供应商类别";
    QTest::newRow("postcode label keeps its caption")
        << "supplier" << "postCode" << "邮政编码" << "labelPostcode" << "邮编:" << "邮政编码";
}

void TestPartners::fieldLabelsRename() {
    QFETCH(QString, kind);
    QFETCH(QString, field);
    QFETCH(QString, newName);
    QFETCH(QString, label);
    QFETCH(QString, labelText);
    QFETCH(QString, columnTitle);
    Shell s;
    TPartnerFrame* f = s.frame(kind);
    if (!newName.isEmpty()) {
        setFieldConfig(s.db, f->Kind().table, field, newName, true);
        s.labels->Refresh(f->Kind().table);
    }
    QCOMPARE(child<QLabel>(f, label)->text(), labelText);
    // The type column shows the looked-up name, which has no configuration.
    GridColumn* c = f->grid->column(field.endsWith("Type") ? f->Kind().typeNameField : field);
    QVERIFY(c);
    QCOMPARE(c->title, columnTitle);
}

void TestPartners::fieldLabelsHideRows_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("hidden");
    QTest::addColumn<QStringList>("rowsGone");
    QTest::addColumn<QStringList>("panelsGone");
    QTest::newRow("supplier phones: the row goes")
        << "supplier" << QStringList({"mobile", "tel1", "tel2"}) << QStringList{"pRowPhone"}
        << QStringList({"pMobile", "pTel1", "pTel2"});
    QTest::newRow("one phone: the row stays")
        << "supplier" << QStringList{"tel2"} << QStringList() << QStringList{"pTel2"};
    QTest::newRow("customer postcode") << "customer" << QStringList{"postCode"} << QStringList{"pRowPostcode"}
                                       << QStringList{"pPostcode"};
    QTest::newRow("customer type") << "customer" << QStringList{"customerType"} << QStringList{"pRowType"}
                                   << QStringList{"pCustomerType"};
    QTest::newRow("code: the name keeps the row")
        << "customer" << QStringList{"customerCode"} << QStringList() << QStringList{"pCustomerCode"};
}

void TestPartners::fieldLabelsHideRows() {
    QFETCH(QString, kind);
    QFETCH(QStringList, hidden);
    QFETCH(QStringList, rowsGone);
    QFETCH(QStringList, panelsGone);
    Shell s;
    TPartnerForm* form = s.form(kind);
    TPartnerFrame* f = form->Frame();
    form->ShowForMaintenance();
    f->switch1->click();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    settle();
    const int before = f->pInputPanel->height();
    const int chrome = before - f->pRoot->height(); // frame and margins
    for (const QString& field : hidden) setFieldConfig(s.db, f->Kind().table, field, field, false);
    s.labels->Refresh(f->Kind().table);
    settle();
    for (const QString& p : panelsGone) QVERIFY2(!child<QWidget>(f, p)->isVisibleTo(form), qPrintable(p));
    for (const QString& r : rowsGone) QVERIFY2(!child<QWidget>(f, r)->isVisibleTo(form), qPrintable(r));
    for (const QString& field : hidden) {
        if (GridColumn* c = f->grid->column(field)) QVERIFY(!c->visible);
    }
    // The edit panel is as high as its rows: it shrinks when one goes.
    QCOMPARE(f->pInputPanel->height() - f->pRoot->height(), chrome);
    QCOMPARE(f->pRoot->height(), f->pRoot->sizeHint().height());
    if (rowsGone.isEmpty())
        QCOMPARE(f->pInputPanel->height(), before);
    else
        QVERIFY2(f->pInputPanel->height() < before, qPrintable(QString("%1 -> %2").arg(before).arg(f->pInputPanel->height())));
    // Shown again, the row comes back.
    for (const QString& field : hidden) setFieldConfig(s.db, f->Kind().table, field, field, true);
    s.labels->Refresh(f->Kind().table);
    settle();
    QCOMPARE(f->pInputPanel->height(), before);
}

// ------------------------------------------------------------ the shell

void TestPartners::placementRemembered_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("keepsColumns");
    QTest::newRow("supplier: window and columns") << "supplier" << true;
    QTest::newRow("customer: window only") << "customer" << false;
}

void TestPartners::placementRemembered() {
    QFETCH(QString, kind);
    QFETCH(bool, keepsColumns);
    Shell s;
    TPartnerForm* form = s.form(kind);
    form->ShowForMaintenance();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    form->resize(720, 430);
    const QString name = form->Frame()->Kind().nameField;
    DataGrid* grid = form->Frame()->grid;
    const int column = grid->viewColumn(name);
    const int width = grid->view()->horizontalHeader()->sectionSize(column);
    grid->view()->horizontalHeader()->resizeSection(column, width + 77);
    form->close(); // hides it
    std::unique_ptr<TPartnerForm> again;
    if (kind == "supplier")
        again = std::make_unique<TSupplierForm>(s.dm, *s.labels, *s.placement);
    else
        again = std::make_unique<TCustomerForm>(s.dm, *s.labels, *s.placement);
    again->Prepare();
    again->ShowForMaintenance();
    QVERIFY(QTest::qWaitForWindowExposed(again.get()));
    QCOMPARE(again->size(), QSize(720, 430));
    DataGrid* grid2 = again->Frame()->grid;
    QCOMPARE(grid2->view()->horizontalHeader()->sectionSize(grid2->viewColumn(name)),
             keepsColumns ? width + 77 : width);
}

void TestPartners::mainWindowOpensPreparedWindows_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");
    QTest::newRow("供应商管理") << "AcSupplierList" << "SupplierForm" << "供应商列表";
    QTest::newRow("客户管理") << "AcCustomerList" << "CustomerForm" << "客户列表";
}

void TestPartners::mainWindowOpensPreparedWindows() {
    QFETCH(QString, action);
    QFETCH(QString, window);
    QFETCH(QString, caption);
    TestDb db;
    seedPartners(db);
    TMainDM dm;
    dm.Startup(db.path());
    TAppContext ctx;
    ctx.UseData(dm);
    ctx.SetAppDir(db.dir());
    ctx.SetCurrentUser(TUser{1, 1, "admin"});
    TQuickMessageDlg::StartRecording();
    TControlPlacement placement(ctx.PlacementFile());
    {
        TWiring program(dm, ctx, placement);
        QAction* ac = program.MainForm().findChild<QAction*>(action);
        QVERIFY(ac && ac->isEnabled());
        ac->trigger();
        QCOMPARE(program.Factory().Windows().size(), 1);
        auto* form = qobject_cast<TPartnerForm*>(program.Factory().Windows().first());
        QVERIFY(form);
        QCOMPARE(form->objectName(), window);
        QCOMPARE(form->windowTitle(), caption);
        QVERIFY(form->isVisible());
        QVERIFY(form->Frame()->query->isActive());
        // Searched, picked for, hidden: the action opens it again for upkeep.
        form->Frame()->edtSearchKey->setText("张三");
        form->Frame()->SearchPartners();
        form->ShowForPick([](qint64) { return true; });
        form->hide();
        ac->trigger();
        QCOMPARE(program.Factory().Windows().size(), 1);
        QVERIFY(form->isVisible());
        QVERIFY(!form->Frame()->PickPending());
        QCOMPARE(form->Frame()->query->recordCount(), action == "AcSupplierList" ? 3 : 6);
    }
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList());
    TQuickMessageDlg::StopRecording();
}

void TestPartners::newPartnerFoundInABigShop_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("supplier") << "supplier";
    QTest::newRow("customer") << "customer";
}

// More products than one screen of the shared product list: that list is
// read lazily from start-up on, on the connection every lazy list shares.
void TestPartners::newPartnerFoundInABigShop() {
    QFETCH(QString, kind);
    Shell s(600);
    TPartnerForm* form = s.form(kind);
    TPartnerFrame* f = form->Frame();
    form->ShowForMaintenance();
    f->NewPartner();
    f->query->setValue(f->Kind().nameField, "新伙伴");
    f->SavePartner();
    QCOMPARE(s.count(QString("select count(*) from %1 where %2='新伙伴'").arg(f->Kind().table, f->Kind().nameField)), 1);
    f->edtSearchKey->setText("新伙伴");
    f->SearchPartners();
    QCOMPARE(listed(f), QStringList{"新伙伴"});
    QVERIFY((s.dm.*f->Kind().shared)->locate(f->Kind().nameField, "新伙伴"));
}

// The customer window by keyboard alone: a pick found by typing and taken
// with Enter, then a new customer typed in and saved.
void TestPartners::keyboardOnly() {
    Shell s;
    TPartnerForm* form = s.form("customer");
    TPartnerFrame* f = form->Frame();
    QList<qint64> got;
    form->ShowForPick([&got](qint64 id) {
        got << id;
        return true;
    });
    QVERIFY(QTest::qWaitForWindowActive(form));
    QCOMPARE(QApplication::focusWidget(), f->edtSearchKey);
    type(QApplication::focusWidget(), "李");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), f->grid->view());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(got, QList<qint64>{2});
    QVERIFY(!form->isVisible());

    form->ShowForMaintenance();
    // The offscreen platform still counts the hidden window as its focus
    // window and so never activates it again; a desktop does.
    QApplication::setActiveWindow(form);
    QVERIFY(QTest::qWaitForWindowActive(form));
    QCOMPARE(QApplication::focusWidget(), f->edtSearchKey);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier); // 新建(&N)
    QTRY_COMPARE(f->query->state(), DataSet::State::Insert); // the button shows its press first
    QCOMPARE(QApplication::focusWidget(), f->edtName);
    type(QApplication::focusWidget(), "赵六");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QString("edtCustomerCode"));
    QTest::keyClicks(QApplication::focusWidget(), "VIP007");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QString("edtCustomerType"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // the first type
    QStringList path;
    for (int i = 0; i < 20 && QApplication::focusWidget()->objectName() != "btnCustomerSave"; ++i) {
        path << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QVERIFY2(QApplication::focusWidget()->objectName() == "btnCustomerSave", qPrintable(path.join(",")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList());
    QCOMPARE(s.count("select count(*) from Customer where customerName='赵六' and customerCode='VIP007'"
                     " and customerType is not null"),
             1);
    // Escape in the list puts the window away.
    f->grid->view()->setFocus();
    QTest::keyClick(f->grid->view(), Qt::Key_Escape);
    QVERIFY(!form->isVisible());
}

void TestPartners::screenshots() {
    Shell s;
    TPartnerForm* suppliers = s.form("supplier");
    suppliers->ShowForMaintenance();
    QVERIFY(QTest::qWaitForWindowExposed(suppliers));
    settle();
    saveShot(suppliers, "suppliers-editor-closed");
    QVERIFY(suppliers->Frame()->query->locate("id", 1));
    suppliers->Frame()->switch1->click();
    settle();
    saveShot(suppliers, "suppliers-editor-open");
    QCOMPARE(clipped(suppliers), QStringList());
    setFieldConfig(s.db, "Supplier", "mobile", "手机", false);
    setFieldConfig(s.db, "Supplier", "tel1", "电话1", false);
    setFieldConfig(s.db, "Supplier", "tel2", "电话2", false);
    setFieldConfig(s.db, "Supplier", "supplierCode", "编号", true);
    s.labels->Refresh("Supplier");
    settle();
    saveShot(suppliers, "suppliers-phones-hidden");

    TPartnerForm* customers = s.form("customer");
    customers->ShowForPick([](qint64) { return true; });
    QVERIFY(QTest::qWaitForWindowExposed(customers));
    settle();
    saveShot(customers, "customers-pick-editor-closed");
    QVERIFY(customers->Frame()->query->locate("id", 2));
    customers->Frame()->switch1->click();
    settle();
    saveShot(customers, "customers-editor-open");
    QCOMPARE(clipped(customers), QStringList());

    whileModal([](QWidget* w) {
        saveShot(w, "customer-types");
        QCOMPARE(clipped(w), QStringList());
        QTest::keyClick(w, Qt::Key_Escape);
    });
    click(customers->Frame(), "btnCustomerType");
}

QTEST_MAIN(TestPartners)
#include "tst_partners.moc"
