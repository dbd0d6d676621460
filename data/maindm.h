#pragma once
#include "connection.h"

#include <QObject>
#include <vector>

class DataSet;

// The main data module: the one connection of the program and the shared
// look-up lists every window reads. Windows that change one of these tables
// re-read the matching list so that the others see the change.
class TMainDM : public QObject {
    Q_OBJECT
public:
    explicit TMainDM(QObject* parent = nullptr);
    ~TMainDM() override;

    Connection MainConn;

    DataSet* queryUnit;
    DataSet* querySupplierType;
    DataSet* queryCustomerType;
    DataSet* queryProduct;
    DataSet* querySupplier;
    DataSet* queryUser;
    DataSet* queryCustomer;
    DataSet* queryInputType;
    DataSet* queryOutputType;
    DataSet* queryAuditStatus;
    DataSet* querySysConfig;
    DataSet* queryProductSize;
    DataSet* queryProductColor;
    DataSet* queryProductBrand;
    DataSet* queryCategoryList;
    DataSet* queryUserGroup;

    // Every category with the columns the trees and look-ups use.
    static QString CategoryListSql();

    // Connects to the data file and opens the look-up lists in order.
    // Throws DbError with the engine's text when the file cannot be used:
    // missing, not a database, or not a data file of this program.
    void Startup(const QString& dataFile);
    // The lists in their opening order.
    const std::vector<DataSet*>& Queries() const { return m_queries; }

private:
    DataSet* make(const char* name, const QString& sql);
    void checkDataFile();
    void upgradeIndexes();
    std::vector<DataSet*> m_queries;
};

