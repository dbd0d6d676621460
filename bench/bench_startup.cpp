// Time from the program's start to a shown login window, on a new data file
// and on one holding 100 000 products.
#include "appcontext.h"
#include "application.h"
#include "connection.h"
#include "loginform.h"
#include "maindm.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <chrono>
#include <cstdio>

namespace {
QString schema() {
    QFile f(QStringLiteral(MORVANE_SCHEMA_FILE));
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

void makeShop(const QString& dir, int products) {
    QDir().mkpath(dir + "/db");
    const QString path = dir + "/db/data_general.db";
    Connection::createFromSchema(path, schema());
    Connection c;
    c.open(path);
    TransactionGuard tx(c);
    Statement st(c, "insert into Product(productCode, productName, product_model, product_spec, categoryID, "
                    "storageUnit, salePrice, dfield1) values(:c, :n, :m, :s, 1, 1, :p, :d)");
    for (int i = 0; i < products; ++i) {
        st.reset();
        st.bind(":c", QString::number(690000000 + i));
        st.bind(":n", QStringLiteral("商品%1").arg(i));
        st.bind(":m", QStringLiteral("M%1").arg(i % 500));
        st.bind(":s", QStringLiteral("规格%1").arg(i % 37));
        st.bind(":p", 1.5 + i % 100);
        st.bind(":d", QStringLiteral("备注%1").arg(i));
        while (st.step()) {
        }
    }
    tx.commit();
}

double toLogin(const QString& dir) {
    QElapsedTimer t;
    t.start();
    TMainDM dm;
    TAppContext ctx;
    ctx.SetAppDir(dir);
    dm.Startup(ctx.DataFile());
    TLoginForm login;
    login.OpenUsers();
    login.TryAutoLogin();
    login.show();
    QTest::qWaitForWindowExposed(&login);
    return t.nsecsElapsed() / 1e6;
}
} // namespace

int main(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
    TApplication app(argc, argv);
    const double appMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("application object: %.1f ms\n", appMs);
    for (int products : {0, 100000}) {
        QTemporaryDir dir;
        makeShop(dir.path(), products);
        const double first = toLogin(dir.path());
        const double second = toLogin(dir.path());
        std::printf("%6d products: data module + login window shown: %.1f ms (again: %.1f ms)\n", products, first,
                    second);
    }
    return 0;
}
