#pragma once
#include <QObject>

class DataSet;
class TMainDM;

// The product list behind both product windows and the product dialog, with
// its look-up lists. Both windows show this one list, so a product created
// or changed in one is current in the other as well.
class TProductManagerDM : public QObject {
    Q_OBJECT
public:
    explicit TProductManagerDM(TMainDM& dm, QObject* parent = nullptr);
    ~TProductManagerDM() override;
    TMainDM& MainDM() const { return m_dm; }

    // Every product column plus unitName, storageQuantity, storageUnitCost
    // and categoryName; written back to Product by id. Read lazily.
    DataSet* queryProduct;
    DataSet* queryCategoryList;  // every category, for the category column

    static QString BaseProductSql();

private:
    TMainDM& m_dm;
};
