#pragma once
// What the product catalogue tests share: a small catalogue in a fresh data
// file, the windows made as start-up makes them, and ways into modal dialogs.
#include "appcontext.h"
#include "application.h"
#include "catalogue.h"
#include "categoryform.h"
#include "controlplacement.h"
#include "datagrid.h"
#include "dataset.h"
#include "dynamicfield.h"
#include "maindm.h"
#include "producteditform.h"
#include "productform.h"
#include "productmainform.h"
#include "productmainframe.h"
#include "productmanagerdm.h"
#include "quickmessagedlg.h"
#include "resourcefactory.h"
#include "testsupport.h"
#include "unitform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <functional>
#include <memory>

namespace productfixture {
using Kind = TQuickMessageDlg::Kind;

// 全部商品 > 服装 > 男装 > 衬衫, 全部商品 > 食品, 全部商品 > 空目录. 服装 holds
// only a subcategory, 男装 a subcategory and a product, 食品 only products.
inline void seedCatalogue(TestDb& db) {
    db.exec("insert into ProductCategory(id, parentID, categoryName) values"
            " (2, 1, '服装'), (3, 2, '男装'), (4, 3, '衬衫'), (5, 1, '食品'), (6, 1, '空目录')");
    db.exec(
        "insert into Product(id, productCode, productName, product_model, product_spec, categoryID,"
        " storageUnit, salePrice, dfield3) values"
        " (1, 'C001', '白衬衫', 'M1', 'S1', 4, 2, 99.5, null),"
        " (2, 'C002', '西装', 'XZ', 'L', 3, 2, 880, '秋季款'),"
        " (3, 'F001', 'O''Neil奶酪', 'N1', '500克', 5, 1, 35, null),"
        " (4, 'F002', 'abc', 'N2', '1kg', 5, 1, 10, null),"
        " (5, 'F003', 'axyc', 'N3', '2kg', 5, 1, 12, null)");
}

struct Shell {
    TestDb db;
    TMainDM dm;
    TAppContext ctx;
    std::unique_ptr<TControlPlacement> placement;
    TResourceFactory factory;
    std::unique_ptr<TDFMProxy> labels;
    std::unique_ptr<TCatalogue> catalogue; // made as start-up makes it
    TProductManagerDM* products = nullptr;
    TUnitForm* units = nullptr;
    TCategoryForm* categories = nullptr;
    TProductEditForm* editor = nullptr;
    TProductMainForm* main = nullptr;
    TProductMainFrame* frame = nullptr;

    explicit Shell(bool seed = true) {
        if (seed) seedCatalogue(db);
        dm.Startup(db.path());
        ctx.UseData(dm);
        ctx.SetAppDir(db.dir());
        TQuickMessageDlg::StartRecording();
        TApplication::InstallErrorBox();
        placement = std::make_unique<TControlPlacement>(ctx.PlacementFile());
        labels = std::make_unique<TDFMProxy>(dm.MainConn);
        catalogue = std::make_unique<TCatalogue>(dm, *labels, *placement, factory, nullptr);
        products = &catalogue->Products();
        units = &catalogue->Units();
        categories = &catalogue->Categories();
        editor = &catalogue->ProductEditor();
        main = catalogue->ProductMainForm();
        frame = main->ProductMainFrame1;
        main->show(); // lists every product
    }
    ~Shell() {
        catalogue.reset();
        factory.Clear();
        TQuickMessageDlg::StopRecording();
    }

    int count(const QString& sql) { return db.scalar(sql).toInt(); }
    DataSet* list() const { return products->queryProduct; }
    QStringList listed() const {
        QStringList names;
        for (int r = 0; r < list()->recordCount(); ++r)
            names << list()->valueAt(r, "productName").toString();
        names.sort();
        return names;
    }
    void select(const QString& category) { selectIn(frame, category); }
    static void selectIn(TProductMainFrame* f, const QString& category) {
        const auto found =
            f->treeCategory->findItems(category, Qt::MatchExactly | Qt::MatchRecursive);
        QVERIFY2(found.size() == 1, qPrintable(category));
        f->treeCategory->setCurrentItem(found.first());
    }
    void locateProduct(const QString& name) { QVERIFY(list()->locate("productName", name)); }
};

// Runs f inside the next modal dialog; f must close it.
inline void whileModal(std::function<void(QWidget*)> f) {
    QTimer::singleShot(0, [f] {
        QWidget* w = QApplication::activeModalWidget();
        QVERIFY(w);
        f(w);
    });
}

template <class T> T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c) qWarning("no control %s", name);
    return c;
}

// Types text key by key, Chinese included (keyClicks takes ASCII only).
inline void type(QWidget* w, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

inline void click(QWidget* w, const char* name) {
    child<QAbstractButton>(w, name)->click();
}

// Picks the first entry of a look-up combo with the keyboard.
inline void pickFirst(QWidget* w, const char* combo) {
    auto* box = child<QComboBox>(w, combo);
    box->setCurrentIndex(-1);
    QTest::keyClick(box, Qt::Key_Down);
}

inline QStringList kinds(const QList<TQuickMessageDlg::Record>& shown) {
    QStringList out;
    for (const auto& r : shown)
        out << (r.kind == Kind::Info      ? "info"
                : r.kind == Kind::Plain   ? "plain"
                : r.kind == Kind::Confirm ? "confirm"
                                          : "error");
    return out;
}
} // namespace productfixture

using namespace productfixture;
