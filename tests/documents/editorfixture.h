#pragma once
// What the document editor tests share: a small shop in a fresh data file,
// the editors made as start-up makes them (with pick windows faked), and
// ways to work a line as the grid does.
#include "appcontext.h"
#include "application.h"
#include "catalogue.h"
#include "clock.h"
#include "controlplacement.h"
#include "datagrid.h"
#include "dataset.h"
#include "documents.h"
#include "dynamicfield.h"
#include "inputeditform.h"
#include "maindm.h"
#include "outputeditform.h"
#include "productselector.h"
#include "quickmessagedlg.h"
#include "refundeditform.h"
#include "resourcefactory.h"
#include "saleposcalcform.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

namespace editorfixture {
using Kind = TQuickMessageDlg::Kind;

// Units 1 个 and 3 箱 come with the schema.
inline void seedShop(TestDb& db) {
    db.exec("insert into Product(id, productCode, productName, product_model, product_spec, storageUnit, salePrice) values"
            " (1, '6901234567890', '可口可乐', '罐装', '330ml', 1, 3.5),"
            " (2, '690123456789', '可口可乐 大瓶', '瓶装', '2L', 7, 9),"
            " (3, 'P003', '打印纸', 'A4', '500张', 4, 12.5),"
            " (4, 'P004', '半分商品', '', '', 1, 12.345),"
            " (5, 'P005', '舍入商品', '', '', 1, 2.675),"
            " (6, 'P006', '赠品', '', '', 1, 0),"
            " (7, 'P007', '钢笔', '', '', 1, 100)");
    db.exec("insert into Supplier(id, supplierCode, supplierName) values (1, 'S1', '华南食品批发'), (2, 'S2', '文具总汇')");
    db.exec("insert into Customer(id, customerCode, customerName) values (1, 'VIP001', '张三'), (2, 'VIP002', '李四')");
    db.exec("insert into Users(id, userName, canLogin, userGroupID) values (2, '王店员', 1, 2)");
}

// A pick window that keeps the delivery it was asked with.
struct FakePicker {
    TPendingPick pending;
    int asked = 0;
    std::function<void(TPendingPick::Delivery)> asker() {
        return [this](TPendingPick::Delivery d) {
            ++asked;
            pending.Ask(std::move(d));
        };
    }
};

struct Shell {
    TestDb db;
    TMainDM dm;
    TAppContext ctx;
    std::unique_ptr<TControlPlacement> placement;
    TResourceFactory factory;
    std::unique_ptr<TDFMProxy> labels;
    std::unique_ptr<TCatalogue> catalogue;
    FakePicker suppliers, customers, users;
    std::unique_ptr<TDocuments> documents;
    int inputRefreshes = 0, outputRefreshes = 0, refundInRefreshes = 0, refundOutRefreshes = 0;

    Shell() {
        seedShop(db);
        dm.Startup(db.path());
        ctx.UseData(dm);
        ctx.SetAppDir(db.dir());
        ctx.SetCurrentUser(TUser{1, 1, "admin"});
        TQuickMessageDlg::StartRecording();
        TApplication::InstallErrorBox();
        placement = std::make_unique<TControlPlacement>(ctx.PlacementFile());
        labels = std::make_unique<TDFMProxy>(dm.MainConn);
        catalogue = std::make_unique<TCatalogue>(dm, *labels, *placement, factory, nullptr);
        TDocumentPickers pickers{suppliers.asker(), customers.asker(), users.asker()};
        documents = std::make_unique<TDocuments>(
            TDocumentEditorDeps{dm, ctx, catalogue->Selector(), *labels, *placement, pickers}, factory);
        documents->RefreshInputList = [this] { ++inputRefreshes; };
        documents->RefreshOutputList = [this] { ++outputRefreshes; };
        documents->RefreshRefundInList = [this] { ++refundInRefreshes; };
        documents->RefreshRefundOutList = [this] { ++refundOutRefreshes; };
    }
    ~Shell() {
        documents.reset();
        catalogue.reset();
        factory.Clear();
        TQuickMessageDlg::StopRecording();
        TClock::reset();
    }
    TProductSelector& selector() { return catalogue->Selector(); }
    // The editor of a number module: 0 purchase, 1 sale, 2 customer refund,
    // 3 refund to a supplier.
    TDocumentEditForm* editor(int module) {
        switch (module) {
        case 1:
            return documents->GetOutputEditForm();
        case 2:
            return documents->GetRefundInEditForm();
        case 3:
            return documents->GetRefundOutEditForm();
        default:
            return documents->GetInputEditForm();
        }
    }
    // Refreshes asked of the list of a module's kind.
    int refreshesOf(int module) const {
        const int counts[] = {inputRefreshes, outputRefreshes, refundInRefreshes, refundOutRefreshes};
        return counts[module];
    }
    QVariant scalar(const QString& sql) { return db.scalar(sql); }
    QString stockOf(int product) {
        Statement st(db.conn(), "select quantity, unit_cost from StorageDetail where productID=:p");
        st.bind(":p", product);
        if (!st.step()) return "none";
        return QString::number(st.value(0).toDouble(), 'g', 15) + " @ " +
               QString::number(st.value(1).toDouble(), 'g', 15);
    }
};

template <class T> T* child(QWidget* w, const QString& name) {
    T* c = w->findChild<T*>(name);
    if (!c) qWarning("no control %s", qPrintable(name));
    return c;
}

inline void click(QWidget* w, const char* name) { child<QAbstractButton>(w, name)->click(); }
inline bool enabled(QWidget* w, const char* name) { return child<QWidget>(w, name)->isEnabled(); }

// Shows an editor as the active window, so its controls take the focus.
inline void showActive(QWidget* w) {
    w->show();
    QApplication::setActiveWindow(w);
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
}

// The grid's model index of line row (0-based) in the column of field.
inline QModelIndex cell(TDocumentEditForm* f, int row, const QString& field) {
    return f->Grid()->model()->index(row, f->Grid()->viewColumn(field));
}

// Writes a cell as a closed cell editor does.
inline void setCell(TDocumentEditForm* f, int row, const QString& field, const QString& text) {
    QVERIFY2(f->Grid()->model()->setData(cell(f, row, field), text), qPrintable(field));
}

inline QVariant valueAt(TDocumentEditForm* f, int row, const QString& field) {
    return f->Detail()->valueAt(row, field);
}

// Picks a product into a line as the selector hands it over.
inline void pick(TDocumentEditForm* f, int row, int productId) {
    DataSet* d = f->Detail();
    d->setRecNo(row + 1);
    f->Grid()->view()->setCurrentIndex(cell(f, row, "productCode"));
    TProduct p;
    Statement st(d->connection()->reader(), "select productCode, storageUnit, salePrice from Product where id=:id");
    st.bind(":id", productId);
    QVERIFY(st.step());
    p.id = productId;
    p.productCode = st.value(0).toString();
    p.storageUnit = st.value(1).toInt();
    p.salePrice = st.value(2).toDouble();
    f->OnProductPicked(f->Grid(), p);
}

// Types text key by key into the widget with the focus, Chinese included.
inline void type(QWidget* w, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

inline QWidget* focused() { return QApplication::focusWidget(); }

// Types on the keyboard: each key goes to whatever has the focus then.
inline void keys(const QString& text) {
    for (const QChar c : text) QTest::keyClick(focused(), c.toLatin1());
}

// Runs f inside the next modal dialog; f must close it.
inline void whileModal(std::function<void(QWidget*)> f) {
    QTimer::singleShot(0, [f] {
        QWidget* w = QApplication::activeModalWidget();
        QVERIFY(w);
        f(w);
    });
}

inline void screenshot(QWidget* w, const QString& name) {
    QDir().mkpath(MORVANE_SCREENSHOT_DIR);
    QVERIFY(w->grab().save(QString(MORVANE_SCREENSHOT_DIR) + "/" + name + ".png"));
}

inline QString today() { return TClock::today().toString("yyyyMMdd"); }
} // namespace editorfixture

using namespace editorfixture;
