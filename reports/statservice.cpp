#include "statservice.h"

#include "dbutils.h"

#include <QDateTime>
#include <algorithm>

namespace StatService {

namespace {

// The criteria of one panel in the form the statements run with: the day
// range compares the stored text against bound day bounds, so the date
// index finds the documents.
TCriteriaBuilder criteria(Side side, const TStatFilter& f) {
    TCriteriaBuilder b = TCriteriaBuilder::Create(QString(), QStringLiteral("and"), SqlForm::Sqlite);
    StatStatements::AddProductScope(b, f.scopeIndex, f.key);
    b.AddDateRange(f.byCreateDate ? QStringLiteral("createDate") : DocumentDateColumn(side), f.start, f.end);
    return b;
}

// The lines the repair visits. Written the same way in the partial index
// idxOutputDetailNoCost, which is what lets SQLite find them without reading
// every sale line: on a shop where nothing is missing the check costs
// nothing.
const char* const kMissingCost = "(unitStorageCost IS NULL OR unitStorageCost <= 0)";

} // namespace

QString DocumentDateColumn(Side side) {
    return side == Side::Purchase ? QStringLiteral("inputDate") : QStringLiteral("outputDate");
}

TStatQuery ProductStats(Side side, const TStatFilter& filter) {
    const TCriteriaBuilder b = criteria(side, filter);
    return {StatStatements::ProductStatsStatement(side, b.Text(), SqlForm::Sqlite), b.Params()};
}

TStatQuery Totals(Side side, const TStatFilter& filter) {
    const TCriteriaBuilder b = criteria(side, filter);
    return {StatStatements::TotalsStatement(side, b.Text(), SqlForm::Sqlite), b.Params()};
}

TStatQuery Trend(Side side, Grouping grouping, const TStatFilter& filter) {
    const TCriteriaBuilder b = criteria(side, filter);
    return {StatStatements::TrendStatement(side, grouping, b.Text(), SqlForm::Sqlite), b.Params()};
}

Grouping TrendGroupingFor(int periodKind) {
    return periodKind == 4 ? Grouping::Month : Grouping::Day;
}

void PeriodDays(int periodKind, QDate& start, QDate& end) {
    QDateTime from, to;
    TDateUtils::GetDateRange(periodKind, from, to);
    start = from.date();
    end = to.date();
}

bool HasMissingSaleCosts(Connection& conn) {
    return conn.exists(QStringLiteral("SELECT 1 FROM OutputDetail WHERE %1 LIMIT 1").arg(QLatin1String(kMissingCost)));
}

int RepairSaleCosts(Connection& conn) {
    if (!HasMissingSaleCosts(conn)) return 0;
    // Each product's average is worked out once, for the products that have
    // such lines, and written to all of them in one statement. A line that
    // would get the value it has (0 for a product never bought) is not
    // written again.
    const QString missing = QLatin1String(kMissingCost);
    const QString sql =
        QStringLiteral("UPDATE OutputDetail SET unitStorageCost = c.cost FROM ("
                       " SELECT m.productID AS productID,"
                       "  CASE WHEN coalesce(sum(i.quantity), 0) = 0 THEN 0"
                       "   ELSE coalesce(sum(i.totalPrice), 0) / sum(i.quantity) END AS cost"
                       " FROM (SELECT DISTINCT productID FROM OutputDetail WHERE %1) AS m"
                       " LEFT JOIN InputDetail AS i ON i.productID = m.productID"
                       " GROUP BY m.productID) AS c"
                       " WHERE OutputDetail.productID = c.productID AND %1"
                       " AND (unitStorageCost IS NULL OR unitStorageCost <> c.cost)")
            .arg(missing);
    TransactionGuard t(conn);
    const int changed = conn.execute(sql);
    t.commit();
    return changed;
}

TAxisRange AxisRange(const QList<TTrendPoint>& points) {
    double lo = 0, hi = 0;
    for (const TTrendPoint& p : points) {
        lo = std::min(lo, p.amount);
        hi = std::max(hi, p.amount);
    }
    return {1.1 * lo, 1.1 * hi};
}

QString PeriodLabel(qint64 date) {
    const QString t = QString::number(date);
    if (t.size() == 8) return t.left(4) + QLatin1Char('-') + t.mid(4, 2) + QLatin1Char('-') + t.mid(6);
    if (t.size() == 6) return t.left(4) + QLatin1Char('-') + t.mid(4);
    return t;
}

} // namespace StatService
