#pragma once
// What the list window tests share: a seeded data file with gaps (deleted
// partners, users and units, missing types), the lists made as start-up
// makes them, and the calls they make to the editors.
#include "controlplacement.h"
#include "datagrid.h"
#include "dataset.h"
#include "documentlists.h"
#include "dynamicfield.h"
#include "inputmainform.h"
#include "liststatements.h"
#include "outputmainform.h"
#include "refundform.h"
#include "resourcefactory.h"
#include "shellsupport.h"

#include <QDir>
#include <memory>

namespace listfixture {
using ListStatements::Kind;

// Per kind (numbers J-1.. for purchases, X-1.. for sales, RI-1.. for
// customer refunds, RO-1.. for refunds to suppliers; the refunds share their
// tables, so the lines of RO are 11..15 where the others' are 1..5):
//  1: partner 1, user li, entered by wang, 2010-03-05, unaudited, lines apple and banana
//  2: partner 2 (O'Neil), deleted user, 2010-03-05 23:59:59, audited, a line of x-ray film (deleted unit)
//  3: no partner, no user, type deleted, 2010-03-06 00:00, unaudited, a banana line
//  4: deleted partner, user wang, 2010-03-31, unaudited, an apple line
//  5: partner 1, user li, 2010-02-28, audited, no lines
inline void seedLists(TestDb& db) {
    db.exec("insert into Users(id, userName) values (2, 'li'), (3, 'wang'), (4, 'zhao')");
    db.exec("insert into Supplier(id, supplierName) values (1, 'Acme Trading'), (2, 'O''Neil Supply'), (9, 'gone')");
    db.exec("insert into Customer(id, customerName, customerCode) values (1, 'Acme Retail', 'K-1'), "
            "(2, 'O''Neil Shop', 'K-2'), (9, 'gone', 'K-9')");
    db.exec("insert into ValueSet(id, setName, elementValue) values (7, 'INPUTTYPE', '正常进货'), "
            "(8, 'OUTPUTTYPE', '零售')");
    db.exec("insert into ProductUnit(id, unitName) values (50, '箱')");
    db.exec("insert into Product(id, productCode, productName, product_model, product_spec, storageUnit) values "
            "(1, 'A-001', 'apple', 'M1', 'red', 50), (2, 'B-002', 'banana', 'M2', 'yellow', 50), "
            "(3, 'C-003', 'x-ray film', 'M3', 'big', 99)");
    const struct {
        Kind kind;
        const char* p;
        const char* partner;
        const char* user;
        const char* type;
        int typeId;
        int deletedType; // #-3's type; a refund keeps its direction
        int lineBase;
    } kinds[] = {{Kind::Purchase, "J", "supplierID", "inputUser", "inputType", 7, 99, 0},
                 {Kind::Sale, "X", "customerID", "outputUser", "outputType", 8, 99, 0},
                 {Kind::CustomerRefund, "RI", "cosID", "refundUser", "refundType", 1, 1, 0},
                 {Kind::SupplierRefund, "RO", "cosID", "refundUser", "refundType", 2, 2, 10}};
    for (const auto& k : kinds) {
        const ListStatements::KindNames n = ListStatements::Names(k.kind);
        db.exec(QString("insert into %1(%2, %3, %4, createUser, %5, createDate, auditStatus, totalPrice, %6) values "
                        "('#-1', 1, 2, 3, '2010-03-05 09:15:00.000', '2010-03-05 09:20:00.000', 0, 25, @T), "
                        "('#-2', 2, 4, NULL, '2010-03-05 23:59:59.000', '2010-03-06 08:00:00.000', 1, 7, @T), "
                        "('#-3', NULL, NULL, 2, '2010-03-06 00:00:00.000', '2010-03-06 00:00:00.000', 0, 4, @D), "
                        "('#-4', 9, 3, 3, '2010-03-31 12:00:00.000', '2010-04-01 10:00:00.000', 0, 6, @T), "
                        "('#-5', 1, 2, 2, '2010-02-28 10:00:00.000', '2010-02-28 10:00:00.000', 1, 0, @T)")
                    .arg(n.documentTable, n.numberColumn, k.partner, k.user, n.dateColumn, k.type)
                    .replace("#", k.p)
                    .replace("@T", QString::number(k.typeId))
                    .replace("@D", QString::number(k.deletedType)));
        db.exec(QString("insert into %1(id, %2, productID, quantity, unitPrice, totalPrice, unitID) values "
                        "(@1, '#-1', 1, 2, 5, 10, 50), (@2, '#-1', 2, 3, 5, 15, NULL), (@3, '#-2', 3, 1, 7, 7, 99), "
                        "(@4, '#-3', 2, 1, 3, 3, 50), (@5, '#-4', 1, 2, 3, 6, 50)")
                    .arg(n.lineTable, n.numberColumn)
                    .replace("#", k.p)
                    .replace("@1", QString::number(k.lineBase + 1))
                    .replace("@2", QString::number(k.lineBase + 2))
                    .replace("@3", QString::number(k.lineBase + 3))
                    .replace("@4", QString::number(k.lineBase + 4))
                    .replace("@5", QString::number(k.lineBase + 5)));
    }
    db.exec("delete from Users where id = 4");
    db.exec("delete from Supplier where id = 9");
    db.exec("delete from Customer where id = 9");
}

inline bool isRefund(Kind k) {
    return k == Kind::CustomerRefund || k == Kind::SupplierRefund;
}
// The number prefix and first line id of a kind's seeded documents.
inline QString prefixOf(Kind k) {
    const char* p[] = {"J", "X", "RI", "RO"};
    return QString::fromLatin1(p[int(k)]);
}
inline int lineBaseOf(Kind k) {
    return k == Kind::SupplierRefund ? 10 : 0;
}

struct Call {
    QString what; // "new" or "open"
    Kind kind;
    QString number;
};

struct Lists : TestShell {
    std::unique_ptr<TControlPlacement> placement;
    std::unique_ptr<TDFMProxy> labels;
    TResourceFactory factory;
    std::unique_ptr<TDocumentLists> lists;
    QList<Call> calls;

    explicit Lists(const TUser& user = {1, 1, "admin"}) : TestShell(user) {
        seedLists(db);
        for (DataSet* q : dm.Queries()) q->requery(); // the shared lists see the seeded rows
        placement = std::make_unique<TControlPlacement>(ctx.PlacementFile());
        labels = std::make_unique<TDFMProxy>(dm.MainConn);
        lists = std::make_unique<TDocumentLists>(dm, *labels, *placement, factory);
        TListHooks hooks;
        hooks.newDocument = [this](Kind k) { calls.append({"new", k, {}}); };
        hooks.openDocument = [this](Kind k, const QString& no) { calls.append({"open", k, no}); };
        lists->SetHooks(hooks);
    }
    ~Lists() {
        lists.reset();
        factory.Clear();
    }
    TListForm* form(Kind k) { return lists->ListForm(k); }
    TListFrame* frame(Kind k) { return form(k)->Frame(); }
    // Shows the window and waits for the footer of the visible page.
    TListFrame* shown(Kind k) {
        TListForm* f = form(k);
        f->show();
        return f->Frame();
    }
};

inline void waitSums(TListFrame* f) {
    QTRY_VERIFY_WITH_TIMEOUT(!f->SumsPending(), 10000);
}

inline QStringList column(DataSet* ds, const QString& field) {
    QStringList out;
    if (!ds->isActive()) return out;
    const int n = ds->recordCount();
    for (int r = 0; r < n; ++r) out << ds->valueAt(r, field).toString();
    return out;
}

inline void saveShot(QWidget* w, const QString& name) {
    QDir().mkpath(QStringLiteral(MORVANE_SCREENSHOT_DIR));
    QVERIFY(w->grab().save(QStringLiteral(MORVANE_SCREENSHOT_DIR) + "/" + name + ".png"));
}
} // namespace listfixture

using namespace listfixture;
