#pragma once
#include "connection.h"

#include <QString>
#include <QStringList>
#include <QVariant>

// What the stock view reads and writes, without widgets: the stock list and
// its sums, the criteria of its search group, the value of a stock row, the
// hand-corrected unit cost and the cumulative average purchase price.
namespace StockView {

// One row per stock row (products without one are not listed): productID,
// inventoryID (the StorageDetail row), the product's columns, quantity,
// unitID and unit_cost.
QString ListStatement(const QString& criteria);
// One row: quantity and total_cost, the sum of quantity × unit_cost.
QString SumStatement(const QString& criteria);

// Items of the scope box, in order; each searches the columns ScopeColumns
// gives.
QStringList ScopeItems();
QStringList ScopeColumns(int scope);
// Items of the quantity condition box: "<全部>", then the comparisons.
QStringList QuantityConditions();

struct Search {
    int scope = 0;
    QString key;
    int categoryId = 0;     // 0: "<全部>"; 1, the top category, adds nothing either
    int quantityCond = 0;   // index into QuantityConditions(); 0 adds nothing
    double quantity = 0;
};
struct Criteria {
    QString text;
    SqlParams params;
};
// The key as a substring of the scope's columns, the category of the
// product itself (not of its sub-categories), and the quantity compared
// with a bound value: the comparison comes from the fixed list, never from
// what a box shows, so no locale or typed text can change the statement.
// Given a connection to the data file, a scope whose columns the product
// index holds looks the key up there first (see ProductIndex).
Criteria BuildCriteria(const Search& search, Connection* index = nullptr);
// A node of the category tree: its own products; the top category lists all.
Criteria TreeCriteria(int categoryId);

// The value of a stock row: the unit cost rounded to cents, times the
// quantity, rounded to cents again (ties to even). An empty value counts as
// 0; a value that is no number leaves the result empty.
QVariant TotalCost(const QVariant& unitCost, const QVariant& quantity);

// Writes the unit cost of one stock row, found by its own id, so that no
// other row (of this product or any other) changes. An empty text stores
// no value; text that is not a number is refused with AppError and nothing
// is written.
void SaveUnitCost(Connection& conn, qint64 inventoryId, const QString& text);

// The message of "查看累计平均进价": every purchase line of the product,
// audited or not.
QString AveragePurchasePriceText(Connection& conn, qint32 productId);

} // namespace StockView
