#include "productmanagerdm.h"

#include "dataset.h"
#include "maindm.h"

QString TProductManagerDM::BaseProductSql() {
    return QStringLiteral("select * from product");
}

TProductManagerDM::TProductManagerDM(TMainDM& dm, QObject* parent) : QObject(parent), m_dm(dm) {
    setObjectName(QStringLiteral("ProductManagerDM"));
    Connection* conn = &dm.MainConn;

    queryCategoryList = new DataSet(conn, this);
    queryCategoryList->setObjectName(QStringLiteral("queryCategoryList"));
    queryCategoryList->setSql(TMainDM::CategoryListSql());
    queryCategoryList->setFetchBlock(0);

    queryStorageDetail = new DataSet(conn, this);
    queryStorageDetail->setObjectName(QStringLiteral("queryStorageDetail"));
    queryStorageDetail->setSql(QStringLiteral("SELECT *\nFROM StorageDetail"));
    queryStorageDetail->setFetchBlock(0);

    queryProduct = new DataSet(conn, this);
    queryProduct->setObjectName(QStringLiteral("queryProduct"));
    queryProduct->setSql(BaseProductSql());
    queryProduct->setUpdateTable(QStringLiteral("Product"), QStringLiteral("id"));
    queryProduct->addLookupField(QStringLiteral("unitName"), QStringLiteral("storageUnit"),
                                 dm.queryUnit, QStringLiteral("id"),
                                 QStringLiteral("unitName"));
    queryProduct->addLookupField(QStringLiteral("storageQuantity"), QStringLiteral("id"),
                                 queryStorageDetail, QStringLiteral("productID"),
                                 QStringLiteral("quantity"));
    queryProduct->addLookupField(QStringLiteral("storageUnitCost"), QStringLiteral("id"),
                                 queryStorageDetail, QStringLiteral("productID"),
                                 QStringLiteral("unit_cost"));
    queryProduct->setDisplayFormat(QStringLiteral("storageUnitCost"), QStringLiteral("#.##"));
    queryProduct->addLookupField(QStringLiteral("categoryName"), QStringLiteral("categoryID"),
                                 queryCategoryList, QStringLiteral("id"),
                                 QStringLiteral("categoryName"));
    // The documents' product look-ups follow every stored change.
    queryProduct->afterPost = [this](DataSet&) { m_dm.queryProduct->requery(); };
}

TProductManagerDM::~TProductManagerDM() = default;
