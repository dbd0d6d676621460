#pragma once
// A small shop with fifteen months of purchases and sales for the statistics
// tests: documents on most days but none in June 2010 and none on Sundays,
// about a third not audited, refunds of the same products on the same days
// (which the statistics must not count), a product that has been deleted,
// sale lines with and without a unit cost, and quantities that go negative.
// Fixed seed: every run makes the same shop.
#include "connection.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <random>

namespace StatShop {

inline const QDate kFirst(2010, 1, 1);
inline const QDate kLast(2011, 3, 31);

// Product names, in id order (1..n); id 40 appears on lines but is gone.
inline QStringList productNames() {
    return {QStringLiteral("得力中性笔 0.5mm"), QStringLiteral("晨光铅笔 HB"), QStringLiteral("康师傅方便面"),
            QStringLiteral("农夫山泉 550ml"), QStringLiteral("立白洗衣液 2kg"), QStringLiteral("维达抽纸 3层"),
            QStringLiteral("海天酱油 500ml"), QStringLiteral("可口可乐 330ml"), QStringLiteral("O'Neil 笔记本"),
            QStringLiteral("齐心文件夹 A4")};
}

inline void Seed(Connection& conn) {
    std::mt19937 rng(20100305);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    conn.begin();
    const QStringList names = productNames();
    for (int i = 0; i < names.size(); ++i)
        conn.execute(QStringLiteral("insert into Product(id, productCode, productName, product_model, product_spec, "
                                    "storageUnit, salePrice) values (:id, :code, :name, :model, :size, :unit, :price)"),
                     {{"id", i + 1},
                      {"code", QStringLiteral("69%1").arg(100000 + i * 37)},
                      {"name", names[i]},
                      {"model", i % 3 == 0 ? QVariant() : QVariant(QStringLiteral("M%1").arg(i * 7))},
                      {"size", i % 2 ? QStringLiteral("盒装") : QStringLiteral("散装")},
                      {"unit", 1 + i % 4},
                      {"price", 2.5 + i}});
    int serial = 0;
    for (QDate day = kFirst; day <= kLast; day = day.addDays(1)) {
        if (day.dayOfWeek() == 7 || (day.year() == 2010 && day.month() == 6)) continue;
        for (int kind = 0; kind < 3; ++kind) { // purchase, sale, refund
            if (pick(0, 3) == 0) continue;
            const QString no = QStringLiteral("%1%2-%3").arg(QLatin1String(kind == 0 ? "JH" : kind == 1 ? "XS" : "TH"),
                                                             day.toString(QStringLiteral("yyyyMMdd")))
                                   .arg(++serial);
            const QString at = day.toString(QStringLiteral("yyyy-MM-dd")) +
                               QStringLiteral(" %1:%2:00.000").arg(pick(8, 19), 2, 10, QLatin1Char('0')).arg(pick(0, 59), 2, 10, QLatin1Char('0'));
            // Entered the same day or up to two days later.
            const QString entered = day.addDays(pick(0, 4) == 0 ? pick(1, 2) : 0).toString(QStringLiteral("yyyy-MM-dd")) +
                                    QStringLiteral(" 21:00:00.000");
            const int audit = pick(0, 2) == 0 ? 0 : 1;
            const char* const forms[] = {
                "insert into InputForm(inputNO, inputDate, createDate, auditStatus) values (:no, :at, :made, :audit)",
                "insert into OutputForm(outputNO, outputDate, createDate, auditStatus) values (:no, :at, :made, :audit)",
                "insert into RefundForm(refundNO, refundType, refundDate, createDate, auditStatus) "
                "values (:no, 1, :at, :made, :audit)"};
            conn.execute(QString::fromLatin1(forms[kind]), {{"no", no}, {"at", at}, {"made", entered}, {"audit", audit}});
            const int lines = pick(1, 4);
            for (int l = 0; l < lines; ++l) {
                const int product = pick(0, 20) == 0 ? 40 : pick(1, int(names.size()));
                const double quantity = pick(0, 15) == 0 ? -pick(1, 3) : pick(1, 24);
                const double price = (200 + product * 75 + pick(0, 40)) / 100.0;
                const double total = std::round(quantity * price * 100) / 100;
                if (kind == 0) {
                    conn.execute(QStringLiteral("insert into InputDetail(inputNO, productID, quantity, unitPrice, "
                                                "totalPrice) values (:no, :p, :q, :u, :t)"),
                                 {{"no", no}, {"p", product}, {"q", quantity}, {"u", price}, {"t", total}});
                } else if (kind == 1) {
                    const int c = pick(0, 9);
                    const QVariant cost = c == 0 ? QVariant() : c == 1 ? QVariant(0.0) : QVariant(price * 0.7);
                    conn.execute(QStringLiteral("insert into OutputDetail(outputNO, productID, quantity, unitPrice, "
                                                "totalPrice, unitStorageCost) values (:no, :p, :q, :u, :t, :c)"),
                                 {{"no", no}, {"p", product}, {"q", quantity}, {"u", price}, {"t", total}, {"c", cost}});
                } else {
                    conn.execute(QStringLiteral("insert into RefundDetail(refundNO, productID, quantity, unitPrice, "
                                                "totalPrice) values (:no, :p, :q, :u, :t)"),
                                 {{"no", no}, {"p", product}, {"q", quantity}, {"u", price}, {"t", total}});
                }
            }
        }
    }
    conn.commit();
}

} // namespace StatShop
