#include "documentlines.h"

#include "connection.h"
#include "dataset.h"
#include "dbutils.h"

#include <QVariant>
#include <algorithm>

namespace {
double num(DataSet& ds, const char* name) { return ds.field(QLatin1String(name))->asFloat(); } // empty as 0

const QString kEmpty = QStringLiteral("商品列表不能为空.");
} // namespace

namespace DocumentLines {

QString CollectLines(DataSet& detail, bool saleLines, TDocumentLines& lines) {
    lines.clear();
    const int n = detail.recordCount();
    if (n == 0) return kEmpty;
    Field* idField = detail.findField(QStringLiteral("id"));
    detail.disableControls();
    QString error;
    try {
        for (int r = n; r >= 1; --r) {
            detail.setRecNo(r);
            TDocumentLine l;
            l.id = idField ? idField->value().toLongLong() : 0;
            l.productID = detail.field(QStringLiteral("productID"))->asInteger();
            l.unitID = detail.field(QStringLiteral("unitID"))->asInteger();
            l.quantity = num(detail, "quantity");
            l.unitPrice = num(detail, "unitPrice");
            l.totalPrice = num(detail, "totalPrice");
            l.comments = detail.field(QStringLiteral("comments"))->asString();
            if (saleLines) {
                l.discount = num(detail, "discount");
                l.unitPriceOriginal = num(detail, "unitPriceOriginal");
                l.unitStorageCost = num(detail, "unitStorageCost");
            }
            if (l.productID < 1 && l.quantity == 0 && l.unitPrice == 0 && l.totalPrice == 0 &&
                l.comments.trimmed().isEmpty()) {
                detail.deleteRecord();
                continue;
            }
            if (l.productID <= 0) error = QStringLiteral("请选择商品.");
            else if (!(l.unitPrice > 0)) error = QStringLiteral("单价必须大于0.");
            else if (!(l.quantity > 0)) error = QStringLiteral("数量必须大于0.");
            else if (!(l.totalPrice > 0)) error = QStringLiteral("总价必须大于0.");
            if (!error.isEmpty()) break;
            lines.push_back(l);
        }
    } catch (...) {
        detail.enableControls();
        throw;
    }
    detail.enableControls();
    if (error.isEmpty() && lines.empty()) error = kEmpty;
    if (!error.isEmpty()) {
        lines.clear();
        return error;
    }
    std::reverse(lines.begin(), lines.end());
    return QString();
}

double SumLineTotals(DataSet& detail) {
    const int n = detail.isActive() ? detail.recordCount() : 0;
    if (n == 0) return 0;
    Field* total = detail.field(QStringLiteral("totalPrice"));
    double sum = 0;
    // Read row by row without moving: the line being edited stays so.
    for (int r = 0; r < n; ++r) sum += detail.valueAt(r, total->index()).toDouble();
    return sum;
}

double LookupUnitCost(Connection& conn, int productId) {
    const QVariant cost = conn.scalar(QStringLiteral(" SELECT unit_cost FROM StorageDetail WHERE productID = :productID"),
                                      {{QStringLiteral("productID"), productId}});
    return cost.isValid() && !cost.isNull() ? cost.toDouble() : 0.0;
}

QString FormatMoney(double x) { return QString::asprintf("%.2f", x); }

} // namespace DocumentLines

// ------------------------------------------------------------ arithmetic

void TLineArithmetic::Attach(DataSet& detail) {
    QStringList watched = {QStringLiteral("quantity"), QStringLiteral("unitPrice")};
    if (m_sale) watched << QStringLiteral("totalPrice") << QStringLiteral("discount");
    for (const QString& name : watched)
        if (Field* f = detail.findField(name)) f->onChange = [this](Field& changedField) { changed(changedField); };
}

void TLineArithmetic::Assign(DataSet& detail, const QString& fieldName, const QVariant& value) {
    Field* f = detail.field(fieldName);
    const int before = m_runs;
    f->setValue(value);
    if (m_runs == before && f->onChange) f->onChange(*f);
}

void TLineArithmetic::changed(Field& f) {
    ++m_runs;
    DataSet& ds = *f.dataSet();
    const QString name = f.name().toLower();
    if (!m_sale) {
        quantityOrUnitPrice(ds);
        return;
    }
    if (m_priceUpdating) return;
    m_priceUpdating = true;
    try {
        if (name == QLatin1String("discount")) saleDiscount(ds);
        else if (name == QLatin1String("quantity")) saleQuantity(ds);
        else if (name == QLatin1String("unitprice")) saleUnitPrice(ds);
        else if (name == QLatin1String("totalprice")) saleTotal(ds);
    } catch (...) {
        m_priceUpdating = false;
        throw;
    }
    m_priceUpdating = false;
}

void TLineArithmetic::quantityOrUnitPrice(DataSet& ds) {
    ds.setValue(QStringLiteral("totalPrice"), num(ds, "unitPrice") * num(ds, "quantity"));
}

void TLineArithmetic::saleDiscount(DataSet& ds) {
    const double unitPrice = TUtils::RoundMoney(num(ds, "unitPriceOriginal") * num(ds, "discount"));
    ds.setValue(QStringLiteral("unitPrice"), unitPrice);
    ds.setValue(QStringLiteral("totalPrice"), TUtils::RoundMoney(unitPrice * num(ds, "quantity")));
}

void TLineArithmetic::saleQuantity(DataSet& ds) {
    ds.setValue(QStringLiteral("totalPrice"), TUtils::RoundMoney(num(ds, "unitPrice") * num(ds, "quantity")));
}

void TLineArithmetic::saleUnitPrice(DataSet& ds) {
    const double u = num(ds, "unitPrice");
    const double base = num(ds, "unitPriceOriginal");
    ds.setValue(QStringLiteral("discount"), base == 0 ? 0.0 : TUtils::RoundMoney(u / base));
    ds.setValue(QStringLiteral("totalPrice"), TUtils::RoundMoney(u * num(ds, "quantity")));
}

void TLineArithmetic::saleTotal(DataSet& ds) {
    const double q = num(ds, "quantity");
    if (q == 0) {
        ds.setValue(QStringLiteral("discount"), 0.0);
        ds.setValue(QStringLiteral("unitPrice"), 0.0);
        return;
    }
    const double u = TUtils::RoundMoney(num(ds, "totalPrice") / q);
    const double base = num(ds, "unitPriceOriginal");
    ds.setValue(QStringLiteral("discount"), base == 0 ? 0.0 : TUtils::RoundMoney(u / base));
    ds.setValue(QStringLiteral("unitPrice"), u);
}
