#include "reportside.h"

const TReportSide& TReportSide::Purchase() {
    static const TReportSide s{
        StatService::Side::Purchase,
        QStringLiteral("Input"),
        QStringLiteral("进货"),
        QStringLiteral("进货统计"),
        {{"productCode", QStringLiteral("条码"), 110},
         {"productName", QStringLiteral("商品名称"), 200},
         {"product_model", QStringLiteral("型号"), 90},
         {"product_spec", QStringLiteral("规格"), 90},
         {"funitPrice", QStringLiteral("进货平均单价(元)"), 120},
         {"fquantity", QStringLiteral("进货数量"), 80},
         {"unitName", QStringLiteral("单位"), 50},
         {"ftotalPrice", QStringLiteral("进货金额(元)"), 110}},
        {{"fDate", QStringLiteral("时间段"), 100},
         {"fquantity", QStringLiteral("进货数量"), 80},
         {"ftotalPrice", QStringLiteral("进货金额(元)"), 110}},
        {QStringLiteral("fquantity"), QStringLiteral("ftotalPrice")},
        {QStringLiteral("funitPrice"), QStringLiteral("ftotalPrice"), QStringLiteral("fquantity")},
        {},
        QStringLiteral("进货统计数据"),
        QStringLiteral("进货趋势分析数据"),
        QStringLiteral("进货金额(元)"),
        QString(),
        QStringLiteral("进货趋势"),
        false,
    };
    return s;
}

const TReportSide& TReportSide::Sale() {
    static const TReportSide s{
        StatService::Side::Sale,
        QStringLiteral("Output"),
        QStringLiteral("销售"),
        QStringLiteral("销售统计"),
        {{"productCode", QStringLiteral("编码"), 110},
         {"productName", QStringLiteral("商品名称"), 200},
         {"product_model", QStringLiteral("型号"), 90},
         {"product_spec", QStringLiteral("规格"), 90},
         {"funitPrice", QStringLiteral("销售平均单价(元)"), 120},
         {"fquantity", QStringLiteral("销售数量"), 80},
         {"unitName", QStringLiteral("单位"), 50},
         {"ftotalPrice", QStringLiteral("销售金额(元)"), 110},
         {"ftotalCost", QStringLiteral("成本(元)"), 100},
         {"ftotalRevenue", QStringLiteral("利润(元)"), 100}},
        {{"fDate", QStringLiteral("时间段"), 100},
         {"fquantity", QStringLiteral("销售数量"), 80},
         {"ftotalPrice", QStringLiteral("销售金额(元)"), 110},
         {"ftotalCost", QStringLiteral("成本(元)"), 100},
         {"ftotalRevenue", QStringLiteral("利润(元)"), 100}},
        {QStringLiteral("fquantity"), QStringLiteral("ftotalPrice"), QStringLiteral("ftotalCost"),
         QStringLiteral("ftotalRevenue")},
        {QStringLiteral("funitPrice"), QStringLiteral("ftotalPrice"), QStringLiteral("ftotalCost"),
         QStringLiteral("ftotalRevenue"), QStringLiteral("fquantity")},
        {QStringLiteral("ftotalPrice"), QStringLiteral("ftotalCost"), QStringLiteral("ftotalRevenue"),
         QStringLiteral("fquantity")},
        QStringLiteral("销售统计数据"),
        QStringLiteral("销售趋势分析数据"),
        QStringLiteral("销售金额(元)"),
        QStringLiteral("利润(元)"),
        QStringLiteral("销售趋势"),
        true,
    };
    return s;
}
