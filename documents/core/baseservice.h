#pragma once
#include <QString>

class Connection;
class DataSet;

// The only writer of stock. Runs on the caller's connection inside the
// caller's transaction, so a failure on any line lets the caller roll the
// whole audit back. Quantities may go negative; only purchases (WithCost)
// re-average the unit cost.
class TBaseService {
public:
    void StockIn(Connection& conn, DataSet& lines, const QString& productIdField, const QString& quantityField,
                 bool withCost);
    void StockOut(Connection& conn, DataSet& lines, const QString& productIdField, const QString& quantityField,
                  bool withCost);
    // The moving weighted average after moving Q at U.
    double CalcUnitCost(Connection& conn, bool increase, int productId, double quantity, double unitPrice);

private:
    void ChangeStock(bool increase, Connection& conn, DataSet& lines, const QString& productIdField,
                     const QString& quantityField, bool withCost);
};
