// Times the product catalogue window on a shop of 100 000 products in 60
// categories, half of them with stock: opening the whole list, scrolling the
// grid to its last row, searching, choosing a category, and saving one
// product (which also re-reads the documents' product list). Offscreen.
#include "appcontext.h"
#include "connection.h"
#include "datagrid.h"
#include "dataset.h"
#include "dynamicfield.h"
#include "maindm.h"
#include "producteditform.h"
#include "productmainform.h"
#include "productmainframe.h"
#include "productmanagerdm.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>
#include <functional>

namespace {
constexpr int kProducts = 100000;
constexpr int kCategories = 60;

QString schema() {
    QFile f(QStringLiteral(MORVANE_SCHEMA_FILE));
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

void makeShop(const QString& path) {
    Connection::createFromSchema(path, schema());
    Connection c;
    c.open(path);
    TransactionGuard tx(c);
    {
        Statement st(c,
                     "insert into ProductCategory(id, parentID, categoryName) values(:id, :p, :n)");
        for (int i = 2; i < 2 + kCategories; ++i) {
            st.reset();
            st.bind(":id", i);
            st.bind(":p", i < 12 ? 1 : 2 + (i % 10));
            st.bind(":n", QStringLiteral("类别%1").arg(i));
            while (st.step()) {
            }
        }
    }
    Statement st(
        c,
        "insert into Product(productCode, productName, product_model, product_spec, categoryID, "
        "storageUnit, salePrice, dfield1, dfield3) values(:c, :n, :m, :s, :cat, :u, :p, :d1, :d3)");
    Statement stock(
        c, "insert into StorageDetail(productID, quantity, unit_cost) values(:id, :q, :k)");
    for (int i = 1; i <= kProducts; ++i) {
        st.reset();
        st.bind(":c", QString::number(690000000 + i));
        st.bind(":n", QStringLiteral("商品%1").arg(i));
        st.bind(":m", QStringLiteral("M%1").arg(i % 500));
        st.bind(":s", QStringLiteral("规格%1").arg(i % 37));
        st.bind(":cat", 2 + i % kCategories);
        st.bind(":u", 1 + i % 9);
        st.bind(":p", 1.5 + i % 100);
        st.bind(":d1", QStringLiteral("备注%1").arg(i));
        st.bind(":d3", QStringLiteral("产地%1").arg(i % 300));
        while (st.step()) {
        }
        if (i % 2 == 0) {
            stock.reset();
            stock.bind(":id", i);
            stock.bind(":q", i % 40);
            stock.bind(":k", 0.37 * (i % 1000));
            while (stock.step()) {
            }
        }
    }
    tx.commit();
}

double ms(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    QCoreApplication::processEvents();
    return double(t.nsecsElapsed()) / 1e6;
}

// Scrolls the grid to its last row the way the view does: fetching more rows
// as it reaches the end, then painting the last page with its look-ups.
void scrollToEnd(DataGrid* grid) {
    QTableView* view = grid->view();
    QAbstractItemModel* model = view->model();
    while (model->canFetchMore(QModelIndex()))
        model->fetchMore(QModelIndex());
    view->scrollToBottom();
    view->setCurrentIndex(model->index(model->rowCount() - 1, 1));
    view->viewport()->repaint();
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.path() + "/data_general.db";
    QElapsedTimer gen;
    gen.start();
    makeShop(path);
    std::printf("generated %d products, %d categories, %d stock rows: %.0f ms\n", kProducts,
                kCategories, kProducts / 2, double(gen.elapsed()));

    TMainDM dm;
    TAppContext ctx;
    ctx.SetAppDir(dir.path());
    std::printf("main data module start-up:                 %8.1f ms\n",
                ms([&] { dm.Startup(path); }));
    TDFMProxy labels(dm.MainConn);
    TProductManagerDM products;
    TProductEditForm editor;
    TProductMainForm form;
    form.resize(1000, 600);
    TProductMainFrame* frame = form.ProductMainFrame1;
    DataGrid* grid = frame->productGrid;
    std::printf("Prepare (tree, stock and category lists):  %8.1f ms\n",
                ms([&] { form.Prepare(); }));
    std::printf("first show (lists every product):          %8.1f ms\n", ms([&] { form.show(); }));
    std::printf("LoadProducts, no condition:                %8.1f ms\n",
                ms([&] { frame->LoadProducts({}); }));
    std::printf("  then scroll the grid to the last row:    %8.1f ms  (%d rows)\n",
                ms([&] { scrollToEnd(grid); }), grid->view()->model()->rowCount());

    auto search = [&](int scope, const QString& key) {
        frame->cbSearchScope->setCurrentIndex(scope);
        frame->edtSearchKey->setText(key);
        return ms([&] { frame->SearchProducts(); });
    };
    double t = search(TProductMainFrame::AnyField, QStringLiteral("商品9999"));
    std::printf("search <模糊查找> 商品9999:                 %8.1f ms  (%d rows)\n", t,
                products.queryProduct->recordCount());
    t = search(TProductMainFrame::AnyField, QStringLiteral("产地17"));
    std::printf("search <模糊查找> 产地17 (only dfield3):    %8.1f ms  (%d rows)\n", t,
                products.queryProduct->recordCount());
    t = search(TProductMainFrame::ByName, QStringLiteral("商品12"));
    std::printf("search 商品名称 商品12:                     %8.1f ms  (%d rows)\n", t,
                products.queryProduct->recordCount());
    t = search(TProductMainFrame::AnyField, QStringLiteral("没有这个"));
    std::printf("search with no match:                      %8.1f ms\n", t);

    QTreeWidgetItem* category = frame->treeCategory->topLevelItem(0)->child(3);
    t = ms([&] { frame->treeCategory->setCurrentItem(category); });
    std::printf("choose a category:                         %8.1f ms  (%d rows)\n", t,
                products.queryProduct->recordCount());
    t = ms([&] { frame->treeCategory->setCurrentItem(frame->treeCategory->topLevelItem(0)); });
    std::printf("choose the root again (every product):     %8.1f ms\n", t);

    DataSet* q = products.queryProduct;
    q->locate(QStringLiteral("id"), 5000);
    t = ms([&] {
        q->edit();
        q->setValue(QStringLiteral("salePrice"), 9.9);
        q->post(); // and the documents' product list is read again
    });
    std::printf("save one product (with shared list reread): %7.1f ms\n", t);
    return 0;
}
