#include "productmanagerdm.h"

#include "dataset.h"
#include "maindm.h"

QString TProductManagerDM::BaseProductSql() {
    // The stock columns come with each row read, not from every stock row
    // held in memory: a shop's list is read a screen at a time.
    return QStringLiteral(
        "select p.*, (select s.quantity from StorageDetail s where s.productID = p.id limit 1) as storageQuantity,"
        " (select s.unit_cost from StorageDetail s where s.productID = p.id limit 1) as storageUnitCost"
        " from Product p");
}

TProductManagerDM::TProductManagerDM(TMainDM& dm, QObject* parent) : QObject(parent), m_dm(dm) {
    setObjectName(QStringLiteral("ProductManagerDM"));
    Connection* conn = &dm.MainConn;

    queryCategoryList = new DataSet(conn, this);
    queryCategoryList->setObjectName(QStringLiteral("queryCategoryList"));
    queryCategoryList->setSql(TMainDM::CategoryListSql());
    queryCategoryList->setFetchBlock(0);

    queryProduct = new DataSet(conn, this);
    queryProduct->setObjectName(QStringLiteral("queryProduct"));
    queryProduct->setSql(BaseProductSql());
    queryProduct->setUpdateTable(QStringLiteral("Product"), QStringLiteral("id"));
    queryProduct->addLookupField(QStringLiteral("unitName"), QStringLiteral("storageUnit"),
                                 dm.queryUnit, QStringLiteral("id"),
                                 QStringLiteral("unitName"));
    queryProduct->setDisplayFormat(QStringLiteral("storageUnitCost"), QStringLiteral("#.##"));
    queryProduct->addLookupField(QStringLiteral("categoryName"), QStringLiteral("categoryID"),
                                 queryCategoryList, QStringLiteral("id"),
                                 QStringLiteral("categoryName"));
    // The documents' product look-ups follow every stored change.
    queryProduct->afterPost = [this](DataSet&) { m_dm.queryProduct->requery(); };
}

TProductManagerDM::~TProductManagerDM() = default;
