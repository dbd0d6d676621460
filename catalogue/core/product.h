#pragma once
#include <QString>
#include <functional>

class QObject;

// The product a pick hands over: the product list, the selector and the
// import wizard all fill this record, so the windows that receive it never
// read the product tables themselves.
struct TProduct {
    int id = 0;
    int categoryID = 0; // left 0 by a pick from the product list
    QString productCode;
    QString productName;
    QString product_model;
    QString product_spec;
    int storageUnit = 0; // ProductUnit.id
    double salePrice = 0.0;
};

// Called with the control the pick came from (a grid) and the product.
using TProductPickEvent = std::function<void(QObject* sender, const TProduct& product)>;
