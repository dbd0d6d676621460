#include "productmanagerdm.h"

#include "dataset.h"
#include "maindm.h"

namespace {
TProductManagerDM* g_instance = nullptr;
}

TProductManagerDM* TProductManagerDM::instance() {
    return g_instance;
}

QString TProductManagerDM::BaseProductSql() {
    return QStringLiteral("select * from product");
}

TProductManagerDM::TProductManagerDM(QObject* parent) : QObject(parent) {
    g_instance = this;
    setObjectName(QStringLiteral("ProductManagerDM"));
    Connection* conn = &MainDM()->MainConn;

    queryCategoryList = new DataSet(conn, this);
    queryCategoryList->setObjectName(QStringLiteral("queryCategoryList"));
    queryCategoryList->setSql(QStringLiteral(
        "SELECT id, categoryCode, parentID, categoryName, categoryDesc\nFROM ProductCategory"));
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
                                 MainDM()->queryUnit, QStringLiteral("id"),
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
    queryProduct->afterPost = [](DataSet&) {
        if (MainDM()) MainDM()->queryProduct->requery();
    };
}

TProductManagerDM::~TProductManagerDM() {
    if (g_instance == this) g_instance = nullptr;
}
