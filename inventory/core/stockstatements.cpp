#include "stockstatements.h"

#include "dberror.h"
#include "dbutils.h"
#include "productindex.h"
#include "sqltext.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace StockView {

namespace {
const char* const kList =
    "SELECT Product.id as productID, StorageDetail.id as inventoryID,   Product.productCode, Product.productName, "
    "Product.product_model, Product.product_spec, Product.categoryID, Product.dfield1, Product.dfield2, "
    "Product.dfield3, Product.dfield4, Product.dfield5, Product.dfield6,   StorageDetail.quantity, "
    "Product.storageUnit as unitID, StorageDetail.unit_cost   FROM Product INNER JOIN StorageDetail ON Product.id = "
    "StorageDetail.productID ";
const char* const kSum = " SELECT sum(StorageDetail.quantity) as quantity, "
                         "sum(StorageDetail.quantity*StorageDetail.unit_cost) as total_cost  FROM Product INNER "
                         "JOIN StorageDetail ON Product.id = StorageDetail.productID ";

QString withWhere(const char* base, const QString& criteria) {
    QString sql = QString::fromLatin1(base);
    if (!criteria.isEmpty()) sql += QLatin1String(" where ") + criteria;
    return sql;
}

// Joins a piece to the criteria: what is there already is bracketed first.
void append(QString& criteria, const QString& piece) {
    if (piece.isEmpty()) return;
    if (!criteria.isEmpty()) criteria = QLatin1Char('(') + criteria + QLatin1String(") and ");
    criteria += piece;
}

// The shortest general form of a number, as the message writes it.
QString plain(double v) {
    return QString::number(v, 'g', 15);
}
} // namespace

QString ListStatement(const QString& criteria) {
    return withWhere(kList, criteria);
}

QString SumStatement(const QString& criteria) {
    return withWhere(kSum, criteria);
}

QStringList ScopeItems() {
    return {QStringLiteral("<模糊查找>"), QStringLiteral("商品名称"), QStringLiteral("商品型号"),
            QStringLiteral("商品规格")};
}

QStringList ScopeColumns(int scope) {
    switch (scope) {
    case 1:
        return {QStringLiteral("productName")};
    case 2:
        return {QStringLiteral("product_model")};
    case 3:
        return {QStringLiteral("product_spec")};
    default:
        return {QStringLiteral("productCode"), QStringLiteral("productName"), QStringLiteral("product_model"),
                QStringLiteral("product_spec"), QStringLiteral("productDesc"), QStringLiteral("dfield1"),
                QStringLiteral("dfield2"),     QStringLiteral("dfield3"),     QStringLiteral("dfield4"),
                QStringLiteral("dfield5"),     QStringLiteral("dfield6")};
    }
}

QStringList QuantityConditions() {
    return {QStringLiteral("<全部>"), QStringLiteral(">"), QStringLiteral(">="), QStringLiteral("<"),
            QStringLiteral("<="), QStringLiteral("=")};
}

Criteria BuildCriteria(const Search& s, Connection* index) {
    Criteria c;
    const QString key = s.key.trimmed();
    if (!key.isEmpty()) {
        const QStringList columns = ScopeColumns(s.scope);
        QStringList terms;
        for (const QString& column : columns) terms << column + QLatin1String(" like :key");
        c.text = terms.join(QLatin1String(" or "));
        c.params.insert(QStringLiteral("key"), QString(QLatin1Char('%') + key + QLatin1Char('%')));
        // A scope the product index holds whole: the products that may hold
        // the key come from the index, and only those are tested, unless the
        // key is so common that testing every product is quicker. "Any
        // column" also searches the description and the custom fields, which
        // the index does not hold, so it tests every product.
        if (index && std::all_of(columns.begin(), columns.end(), ProductIndex::Holds)) {
            using ProductIndex::kScanLimit;
            const std::optional<ProductIndex::Holders> h =
                ProductIndex::HoldersOf(*index, key, QStringLiteral("keyHolders"), kScanLimit + 1);
            if (h && h->entries <= kScanLimit) {
                c.text = QLatin1String("Product.id in (") + h->ids + QLatin1String(") and (") + c.text +
                         QLatin1Char(')');
                c.params.insert(h->params);
            }
        }
    }
    if (s.categoryId > 0 && s.categoryId != 1) {
        append(c.text, QStringLiteral(" categoryID=:category"));
        c.params.insert(QStringLiteral("category"), s.categoryId);
    }
    const QStringList conds = QuantityConditions();
    if (s.quantityCond > 0 && s.quantityCond < conds.size()) {
        append(c.text, QStringLiteral(" quantity ") + conds.at(s.quantityCond) + QStringLiteral(" :quantity"));
        c.params.insert(QStringLiteral("quantity"), s.quantity);
    }
    return c;
}

Criteria TreeCriteria(int categoryId) {
    if (categoryId == 1) return {};
    return {QStringLiteral(" categoryID = :category"), {{QStringLiteral("category"), categoryId}}};
}

QVariant TotalCost(const QVariant& unitCost, const QVariant& quantity) {
    auto number = [](const QVariant& v, bool& ok) {
        ok = true;
        if (v.isNull() || !v.isValid()) return 0.0;
        if (v.typeId() == QMetaType::QString && v.toString().trimmed().isEmpty()) return 0.0;
        const double d = v.toDouble(&ok);
        return ok ? d : 0.0;
    };
    bool okCost = false, okQty = false;
    const double cost = number(unitCost, okCost);
    const double qty = number(quantity, okQty);
    if (!okCost || !okQty) return QVariant();
    const double total = TUtils::RoundMoney(TUtils::RoundMoney(cost) * qty);
    if (!std::isfinite(total)) return QVariant();
    return total;
}

void SaveUnitCost(Connection& conn, qint64 inventoryId, const QString& text) {
    const QString t = text.trimmed();
    QVariant value; // empty: no value, which the stock service reads as 0
    if (!t.isEmpty()) {
        bool ok = false;
        const double d = t.toDouble(&ok); // "." always: the box's own text, no locale
        if (!ok || !std::isfinite(d)) throw AppError(QStringLiteral("'%1' 不是有效的数值.").arg(t));
        value = d;
    }
    conn.execute(QStringLiteral("update StorageDetail set unit_cost = :cost where id = :id"),
                 {{QStringLiteral("cost"), value}, {QStringLiteral("id"), inventoryId}});
}

QString AveragePurchasePriceText(Connection& conn, qint32 productId) {
    QVariant q, t;
    conn.select(QStringLiteral("select sum(quantity) as sum_quantity, sum(totalPrice) as sum_totalPrice from "
                               "InputDetail where productID=:id"),
                {{QStringLiteral("id"), productId}}, [&](const Statement& st) {
                    q = st.value(0);
                    t = st.value(1);
                    return false;
                });
    if (q.isNull() || t.isNull() || !q.isValid())
        return QStringLiteral("该商品没有进货数据(productID=%1)").arg(productId);
    const double qty = q.toDouble();
    const double total = t.toDouble();
    const double avg = qty == 0 ? 0 : total / qty;
    return QStringLiteral("该商品累计进货数量： ") + plain(qty) + QStringLiteral("\r") + QStringLiteral("进货总价： ") +
           plain(total) + QStringLiteral(" 元\r") + QStringLiteral("平均单价： ") + plain(avg) +
           QStringLiteral(" 元\r\r\r") + QStringLiteral("注：1) 平均单价=进货总价/总数量\r") +
           QStringLiteral("    2) 当库存单价（即成本价）改乱时，可参考该平均单价\r") +
           QStringLiteral("    3) 库存单价在每次进货时自动实时计算，更能反映当前的成本价");
}

} // namespace StockView
