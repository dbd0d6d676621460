#include "liststatements.h"

#include "productindex.h"
#include "sqltext.h"

#include <QRegularExpression>
#include <optional>

namespace {

QString dayStart(const QDate& day) {
    return day.toString(QStringLiteral("yyyy-MM-dd 00:00:00.000"));
}

// Both ends are whole days whatever the stored time: DateDiff counts day
// boundaries, so a start after the end matches nothing.
QString dateDiffRange(const QString& column, const QDate& start, const QDate& end) {
    return QLatin1String("(DateDiff('d',") + column + QLatin1String(",'") + SqlText::date(start) +
           QLatin1String("')<=0 and DateDiff('d',") + column + QLatin1String(",'") +
           SqlText::date(end) + QLatin1String("')>=0)");
}

// The same days as a range of the stored text. Dates are stored as
// "yyyy-MM-dd HH:mm:ss.zzz", which sorts as the moments do, so the rows of
// the days are those from the first day's midnight up to, not including, the
// midnight after the last day, and the column's index can find them instead
// of a function being called on every row.
QString textRange(SqlParams& params, const QString& column, const QDate& start, const QDate& end) {
    int n = 1;
    while (params.contains(QStringLiteral("dayFrom%1").arg(n)))
        ++n;
    const QString from = QStringLiteral("dayFrom%1").arg(n);
    const QString to = QStringLiteral("dayTo%1").arg(n);
    // DateDiff with an invalid day is NULL and matches nothing; an empty
    // range does the same.
    QString low = QStringLiteral(""), high = QStringLiteral("");
    if (start.isValid() && end.isValid()) {
        low = dayStart(start);
        // 10000-01-01 would sort before every stored year; no moment of the
        // last day sorts after 24:00.
        high = end < QDate(9999, 12, 31) ? dayStart(end.addDays(1))
                                         : QStringLiteral("9999-12-31 24:00:00.000");
    }
    params.insert(from, low);
    params.insert(to, high);
    return QStringLiteral("(%1 >= :%2 and %1 < :%3)").arg(column, from, to);
}

QString dayRange(SqlParams& params, const QString& column, const QDate& start, const QDate& end,
                 SqlForm form) {
    return form == SqlForm::AsWritten ? dateDiffRange(column, start, end)
                                      : textRange(params, column, start, end);
}

} // namespace

namespace ListStatements {

namespace {

// The statements as the program has always written them, per kind in the
// order of Query. Kept on one line each so that they can be compared with
// the original text by eye; every blank counts.
// clang-format off
const char* const kAsWritten[4][4] = {
    // Purchase
    {
        " SELECT InputForm.*, ValueSet.elementValue AS inputTypeName, Supplier.supplierName, TCreateUser.userName AS createUserName, TInputUser.userName AS inputUserName  FROM (ValueSet RIGHT JOIN (Users AS TCreateUser RIGHT JOIN (Users AS TInputUser RIGHT JOIN [InputForm] ON      TInputUser.id = InputForm.inputUser) ON TCreateUser.id = InputForm.createUser) ON ValueSet.id = InputForm.inputType) LEFT JOIN Supplier ON InputForm.supplierID = Supplier.id ",
        " SELECT InputForm.auditStatus, InputForm.inputDate, InputForm.createDate, ValueSet.elementValue AS inputTypeName, Supplier.supplierName,         TCreateUser.userName AS createUserName, TInputUser.userName AS inputUserName, InputDetail.*, ProductUnit.unitName, Product.*         ,InputDetail.id as inputDetailID  FROM ((ProductUnit RIGHT JOIN (InputDetail INNER JOIN (ValueSet RIGHT JOIN (Users AS TCreateUser RIGHT JOIN (Users AS TInputUser RIGHT JOIN [InputForm] ON TInputUser.id = InputForm.inputUser) ON TCreateUser.id = InputForm.createUser)      ON ValueSet.id = InputForm.inputType) ON InputDetail.inputNO = InputForm.inputNO) ON ProductUnit.id = InputDetail.unitID) INNER JOIN Product ON InputDetail.productID = Product.id) LEFT JOIN Supplier ON InputForm.supplierID = Supplier.id ",
        " SELECT sum(InputForm.totalPrice) as totalPrice  FROM (ValueSet RIGHT JOIN (Users AS TCreateUser RIGHT JOIN (Users AS TInputUser RIGHT JOIN [InputForm] ON      TInputUser.id = InputForm.inputUser) ON TCreateUser.id = InputForm.createUser) ON ValueSet.id = InputForm.inputType) LEFT JOIN Supplier ON InputForm.supplierID = Supplier.id ",
        " SELECT sum(InputDetail.quantity) as quantity, sum(InputDetail.totalPrice) as totalPrice  FROM ((ProductUnit RIGHT JOIN (InputDetail INNER JOIN (ValueSet RIGHT JOIN (Users AS TCreateUser RIGHT JOIN (Users AS TInputUser RIGHT JOIN [InputForm] ON TInputUser.id = InputForm.inputUser) ON TCreateUser.id = InputForm.createUser)      ON ValueSet.id = InputForm.inputType) ON InputDetail.inputNO = InputForm.inputNO) ON ProductUnit.id = InputDetail.unitID) INNER JOIN Product ON InputDetail.productID = Product.id) LEFT JOIN Supplier ON InputForm.supplierID = Supplier.id ",
    },
    // Sale
    {
        " SELECT OutputForm.*, ValueSet.elementValue AS outputTypeName, Customer.customerName, TCreateUser.userName AS createUserName, TOutputUser.userName AS outputUserName  FROM (ValueSet RIGHT JOIN (Users AS TCreateUser RIGHT JOIN (Users AS TOutputUser RIGHT JOIN [OutputForm] ON      TOutputUser.id = OutputForm.outputUser) ON TCreateUser.id = OutputForm.createUser) ON ValueSet.id = OutputForm.outputType) LEFT JOIN Customer ON OutputForm.customerID = Customer.id ",
        " SELECT OutputForm.auditStatus, OutputForm.outputDate, OutputForm.createDate, ValueSet.elementValue AS outputTypeName, Customer.customerName, TCreateUser.userName AS createUserName, TOutputUser.userName AS outputUserName,          OutputDetail.*, ProductUnit.unitName, Product.*,          OutputDetail.id as outputDetailID  FROM ((ProductUnit RIGHT JOIN (OutputDetail INNER JOIN (ValueSet RIGHT JOIN (Users AS TCreateUser RIGHT JOIN (Users AS TOutputUser RIGHT JOIN [OutputForm] ON TOutputUser.id = OutputForm.outputUser) ON TCreateUser.id = OutputForm.createUser)      ON ValueSet.id = OutputForm.outputType) ON OutputDetail.outputNO = OutputForm.outputNO) ON ProductUnit.id = OutputDetail.unitID) INNER JOIN Product ON OutputDetail.productID = Product.id) LEFT JOIN Customer ON OutputForm.customerID = Customer.id ",
        " SELECT sum(OutputForm.totalPrice) as totalPrice  FROM (ValueSet RIGHT JOIN (Users AS TCreateUser RIGHT JOIN (Users AS TOutputUser RIGHT JOIN [OutputForm] ON      TOutputUser.id = OutputForm.outputUser) ON TCreateUser.id = OutputForm.createUser) ON ValueSet.id = OutputForm.outputType) LEFT JOIN Customer ON OutputForm.customerID = Customer.id ",
        " SELECT sum(OutputDetail.quantity) as quantity, sum(OutputDetail.totalPrice) as totalPrice  FROM ((ProductUnit RIGHT JOIN (OutputDetail INNER JOIN (ValueSet RIGHT JOIN (Users AS TCreateUser RIGHT JOIN (Users AS TOutputUser RIGHT JOIN [OutputForm] ON TOutputUser.id = OutputForm.outputUser) ON TCreateUser.id = OutputForm.createUser)      ON ValueSet.id = OutputForm.outputType) ON OutputDetail.outputNO = OutputForm.outputNO) ON ProductUnit.id = OutputDetail.unitID) INNER JOIN Product ON OutputDetail.productID = Product.id) LEFT JOIN Customer ON OutputForm.customerID = Customer.id ",
    },
    // CustomerRefund
    {
        " SELECT RefundForm.*, Customer.customerName as cosName, TCreateUser.userName AS createUserName, TRefundUser.userName AS refundUserName  FROM (Users AS TCreateUser RIGHT JOIN (Users AS TRefundUser RIGHT JOIN [RefundForm] ON      TRefundUser.id = RefundForm.refundUser) ON TCreateUser.id = RefundForm.createUser) LEFT JOIN Customer ON RefundForm.cosID = Customer.id ",
        " SELECT RefundForm.auditStatus, RefundForm.refundDate, RefundForm.createDate, Customer.customerName as cosName, TCreateUser.userName AS createUserName, TRefundUser.userName AS refundUserName,          RefundDetail.*, ProductUnit.unitName, Product.*,          RefundDetail.id as refundDetailID  FROM ((ProductUnit RIGHT JOIN (RefundDetail INNER JOIN (Users AS TCreateUser RIGHT JOIN (Users AS TRefundUser RIGHT JOIN [RefundForm] ON TRefundUser.id = RefundForm.refundUser) ON TCreateUser.id = RefundForm.createUser)       ON RefundDetail.refundNO = RefundForm.refundNO) ON ProductUnit.id = RefundDetail.unitID) INNER JOIN Product ON RefundDetail.productID = Product.id) LEFT JOIN Customer ON RefundForm.cosID = Customer.id ",
        " SELECT sum(RefundForm.totalPrice) as totalPrice  FROM (Users AS TCreateUser RIGHT JOIN (Users AS TRefundUser RIGHT JOIN [RefundForm] ON      TRefundUser.id = RefundForm.refundUser) ON TCreateUser.id = RefundForm.createUser) LEFT JOIN Customer ON RefundForm.cosID = Customer.id ",
        " SELECT sum(RefundDetail.quantity) as quantity, sum(RefundDetail.totalPrice) as totalPrice  FROM ((ProductUnit RIGHT JOIN (RefundDetail INNER JOIN (Users AS TCreateUser RIGHT JOIN (Users AS TRefundUser RIGHT JOIN [RefundForm] ON TRefundUser.id = RefundForm.refundUser) ON TCreateUser.id = RefundForm.createUser)       ON RefundDetail.refundNO = RefundForm.refundNO) ON ProductUnit.id = RefundDetail.unitID) INNER JOIN Product ON RefundDetail.productID = Product.id) LEFT JOIN Customer ON RefundForm.cosID = Customer.id ",
    },
    // SupplierRefund
    {
        " SELECT RefundForm.*, Supplier.supplierName as cosName, TCreateUser.userName AS createUserName, TRefundUser.userName AS refundUserName  FROM (Users AS TCreateUser RIGHT JOIN (Users AS TRefundUser RIGHT JOIN [RefundForm] ON      TRefundUser.id = RefundForm.refundUser) ON TCreateUser.id = RefundForm.createUser) LEFT JOIN Supplier ON RefundForm.cosID = Supplier.id ",
        " SELECT RefundForm.auditStatus, RefundForm.refundDate, RefundForm.createDate, Supplier.supplierName as cosName,         TCreateUser.userName AS createUserName, TRefundUser.userName AS refundUserName, RefundDetail.*, ProductUnit.unitName, Product.*         ,RefundDetail.id as refundDetailID  FROM ((ProductUnit RIGHT JOIN (RefundDetail INNER JOIN (Users AS TCreateUser RIGHT JOIN (Users AS TRefundUser RIGHT JOIN [RefundForm] ON TRefundUser.id = RefundForm.refundUser) ON TCreateUser.id = RefundForm.createUser)       ON RefundDetail.refundNO = RefundForm.refundNO) ON ProductUnit.id = RefundDetail.unitID) INNER JOIN Product ON RefundDetail.productID = Product.id) LEFT JOIN Supplier ON RefundForm.cosID = Supplier.id ",
        " SELECT sum(RefundForm.totalPrice) as totalPrice  FROM (Users AS TCreateUser RIGHT JOIN (Users AS TRefundUser RIGHT JOIN [RefundForm] ON      TRefundUser.id = RefundForm.refundUser) ON TCreateUser.id = RefundForm.createUser) LEFT JOIN Supplier ON RefundForm.cosID = Supplier.id ",
        " SELECT sum(RefundDetail.quantity) as quantity, sum(RefundDetail.totalPrice) as totalPrice  FROM ((ProductUnit RIGHT JOIN (RefundDetail INNER JOIN (Users AS TCreateUser RIGHT JOIN (Users AS TRefundUser RIGHT JOIN [RefundForm] ON TRefundUser.id = RefundForm.refundUser) ON TCreateUser.id = RefundForm.createUser)       ON RefundDetail.refundNO = RefundForm.refundNO) ON ProductUnit.id = RefundDetail.unitID) INNER JOIN Product ON RefundDetail.productID = Product.id) LEFT JOIN Supplier ON RefundForm.cosID = Supplier.id ",
    },
};
// clang-format on

// What the fast forms need beyond the public names.
struct Shape {
    KindNames names;
    QString userAlias;    // TInputUser
    QString userKey;      // inputUser
    QString partnerTable; // Supplier
    QString partnerKey;   // supplierID
};

const Shape& shapeOf(Kind kind) {
    static const Shape shapes[4] = {
        {{"InputForm", "InputDetail", "inputNO", "inputDetailID", "inputDate", "TInputUser.id",
          "supplierName", "inputType"},
         "TInputUser",
         "inputUser",
         "Supplier",
         "supplierID"},
        {{"OutputForm", "OutputDetail", "outputNO", "outputDetailID", "outputDate",
          "TOutputUser.id", "customerName", "outputType"},
         "TOutputUser",
         "outputUser",
         "Customer",
         "customerID"},
        {{"RefundForm", "RefundDetail", "refundNO", "refundDetailID", "refundDate",
          "TRefundUser.id", "customerName", ""},
         "TRefundUser",
         "refundUser",
         "Customer",
         "cosID"},
        {{"RefundForm", "RefundDetail", "refundNO", "refundDetailID", "refundDate",
          "TRefundUser.id", "supplierName", ""},
         "TRefundUser",
         "refundUser",
         "Supplier",
         "cosID"},
    };
    return shapes[int(kind)];
}

// The LEFT JOIN chain that replaces the nested RIGHT JOINs. The document (or
// line) table drives, so "Order by id desc" walks the primary key and
// "Order by no desc" walks the number index, and the first rows come back
// without the whole join being built and sorted. Every lookup joins on a
// primary key, so no row is repeated, and the ON texts are those of the
// original so that comparisons use the same collation.
QString lookupJoins(const Shape& s) {
    const QString& doc = s.names.documentTable;
    QString joins =
        QStringLiteral("LEFT JOIN Users AS %1 ON %1.id = %2.%3 ").arg(s.userAlias, doc, s.userKey);
    joins += QStringLiteral("LEFT JOIN Users AS TCreateUser ON TCreateUser.id = %1.createUser ")
                 .arg(doc);
    if (!s.names.typeColumn.isEmpty())
        joins += QStringLiteral("LEFT JOIN ValueSet ON ValueSet.id = %1.%2 ")
                     .arg(doc, s.names.typeColumn);
    return joins;
}

QString partnerJoin(const Shape& s) {
    return QStringLiteral("LEFT JOIN %1 ON %2.%3 = %1.id ")
        .arg(s.partnerTable, s.names.documentTable, s.partnerKey);
}

QString fastFrom(Kind kind, Query query) {
    const Shape& s = shapeOf(kind);
    const QString& doc = s.names.documentTable;
    const QString& line = s.names.lineTable;
    if (query == Query::Documents || query == Query::DocumentsSum)
        return QStringLiteral("FROM [%1] ").arg(doc) + lookupJoins(s) + partnerJoin(s);
    // A line needs its document and its product (the original joins both
    // INNER); everything else is a lookup that may be missing.
    return QStringLiteral("FROM %1 INNER JOIN [%2] ON %1.%3 = %2.%3 "
                          "INNER JOIN Product ON %1.productID = Product.id ")
               .arg(line, doc, s.names.numberColumn) +
           lookupJoins(s) +
           QStringLiteral("LEFT JOIN ProductUnit ON ProductUnit.id = %1.unitID ").arg(line) +
           partnerJoin(s);
}

// The select list of the original, up to its FROM, so that both forms give
// the same columns under the same names in the same order.
QString selectList(const QString& asWritten) {
    return asWritten.left(asWritten.indexOf(QLatin1String("FROM ")));
}

} // namespace

KindNames Names(Kind kind) {
    return shapeOf(kind).names;
}

QString BaseStatement(Kind kind, Query query, SqlForm form) {
    const QString asWritten = QString::fromLatin1(kAsWritten[int(kind)][int(query)]);
    if (form == SqlForm::AsWritten) return asWritten;
    return selectList(asWritten) + fastFrom(kind, query);
}

namespace {
QString orderClause(Kind kind, Query query, SqlForm form) {
    const KindNames& n = shapeOf(kind).names;
    switch (query) {
    case Query::Documents:
        return QStringLiteral(" Order by %1.id desc ").arg(n.documentTable);
    case Query::Lines:
        // The line's number equals its document's (the join), so ordering by
        // the document's number gives the same order. SQLite then walks the
        // documents' number index newest first and reads each document's
        // lines through the lines' number index: the first screen comes
        // after as many documents as it shows, whatever the criteria on the
        // document, instead of after every line was read and sorted.
        return QStringLiteral(" Order by %1.%2 desc ")
            .arg(form == SqlForm::Sqlite ? n.documentTable : n.lineTable, n.numberColumn);
    default:
        return QString();
    }
}
} // namespace

QString OrderClause(Kind kind, Query query) {
    return orderClause(kind, query, SqlForm::AsWritten);
}

QString BuildStatement(Kind kind, Query query, const QString& criteria, SqlForm form) {
    QString sql = BaseStatement(kind, query, form);
    if (!criteria.isEmpty()) sql += QLatin1String(" WHERE ") + criteria;
    return sql + orderClause(kind, query, form);
}

// ---------------------------------------------------------------- criteria

namespace {
void appendAnd(QString& criteria) {
    if (!criteria.isEmpty()) criteria += QLatin1String(" and ");
}
} // namespace

void AddLikeCriterion(QString& criteria, const QString& column, const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return;
    appendAnd(criteria);
    criteria += QLatin1Char(' ') + column + QLatin1String("  like ") +
                SqlText::quote(QLatin1Char('%') + t + QLatin1Char('%'));
}

void AddKeyCriterion(QString& criteria, const QString& column, const QString& key) {
    static const QRegularExpression decimal(QStringLiteral("^[+-]?[0-9]+$"));
    const QString k = key.trimmed();
    if (!decimal.match(k).hasMatch()) return;
    bool ok = false;
    const qint64 n = k.toLongLong(&ok);
    if (!ok || n == -1) return;
    appendAnd(criteria);
    criteria += QLatin1Char(' ') + column + QLatin1String(" = ") + QString::number(n);
}

QString SqlDate(const QDate& date) {
    return SqlText::date(date);
}

void AddDayRange(QString& criteria, SqlParams& params, const QString& column, const QDate& start,
                 const QDate& end, SqlForm form) {
    appendAnd(criteria);
    criteria += dayRange(params, column, start, end, form);
}

QString ProductSubSelect(Kind kind, const QString& productCriteria, SqlForm form) {
    const KindNames& n = shapeOf(kind).names;
    if (form == SqlForm::Sqlite) {
        // The matching products first, then their lines through the
        // productID index, instead of every line joined to its product. The
        // plus keeps the document list walking its own order and testing
        // each document against the numbers found, rather than fetching the
        // documents by number and sorting them all before the first shows.
        return QStringLiteral(" (+%1.%3 in (select %3 from %2 where productID in "
                              "(select id from Product where ")
                   .arg(n.documentTable, n.lineTable, n.numberColumn) +
               productCriteria + QLatin1String(")))");
    }
    return QStringLiteral(" (%1.%3 in (select %3 from %2 INNER JOIN Product ON "
                          "%2.productID=Product.id  where ")
               .arg(n.documentTable, n.lineTable, n.numberColumn) +
           productCriteria + QLatin1String("))");
}

ListCriteria CombineCriteria(Kind kind, const QString& header, const QString& product,
                             SqlForm form) {
    ListCriteria c{header, header, {}};
    if (product.isEmpty()) return c;
    const QString sub = ProductSubSelect(kind, product, form);
    // The lines list walks the documents in list order. The documents that
    // hold a matching line are found first through the productID index, so
    // the others are passed over without reading their lines; then each
    // line's product is tested against the matching ids (the number index
    // holds productID, so a line that does not match is not read either).
    QString lines = product;
    if (form == SqlForm::Sqlite)
        lines = sub + QStringLiteral(" and +%1.productID in (select id from Product where ")
                          .arg(shapeOf(kind).names.lineTable) +
                product + QLatin1Char(')');
    c.lines = c.lines.isEmpty() ? lines : c.lines + QLatin1String(" and ") + lines;
    c.documents = c.documents.isEmpty() ? sub : c.documents + QLatin1String(" and ") + sub;
    return c;
}

namespace {
// A text criterion on the partner's table. The Sqlite form tests the
// document's partner key against the matching partners, so the test is made
// on the document before its lines and look-ups are joined (the partner is
// joined last). Alone, the plus keeps it from replacing the list's own
// order: a name most partners share would otherwise fetch and sort nearly
// every document. With a day range too, the partners' documents are fetched
// through the partner index instead (the days then leave few to sort),
// rather than walking every document in order to find a handful.
void addPartnerLike(QString& criteria, Kind kind, const QString& column, const QString& text,
                    SqlForm form, bool withDays) {
    if (form == SqlForm::AsWritten) {
        AddLikeCriterion(criteria, column, text);
        return;
    }
    QString like;
    AddLikeCriterion(like, column, text);
    if (like.isEmpty()) return;
    const Shape& sh = shapeOf(kind);
    appendAnd(criteria);
    criteria += QStringLiteral(" %1%2.%3 in (select id from %4 where")
                    .arg(withDays ? QString() : QStringLiteral("+"), sh.names.documentTable, sh.partnerKey,
                         sh.partnerTable) +
                like + QLatin1Char(')');
}
} // namespace

namespace {
// " Product.id in (...) and": the products that may hold the rarest of the
// texts, as the product index lists them, so that the likes that follow are
// tested on those only. The index holds code, name, model and 规格 alike, so
// it may list some that do not match; the likes still decide. Nothing when
// every text is too common (or wildcards only) for the index to narrow the
// products: reading tens of thousands of them by id takes longer than
// testing them all. The index's statement is written into the text as the
// likes are.
QString indexedProducts(Connection& conn, const QStringList& texts) {
    using ProductIndex::kScanLimit;
    std::optional<ProductIndex::Holders> rarest;
    for (const QString& text : texts) {
        const QString t = text.trimmed();
        if (t.isEmpty()) continue;
        const std::optional<ProductIndex::Holders> h = ProductIndex::HoldersOf(
            conn, t, QStringLiteral("holders"), kScanLimit + 1, ProductIndex::Values::Written);
        if (h && h->entries <= kScanLimit && (!rarest || h->entries < rarest->entries)) rarest = h;
    }
    if (!rarest) return QString();
    return QLatin1String(" Product.id in (") + rarest->ids + QLatin1String(") and");
}
} // namespace

ListCriteria BuildCriteria(Kind kind, const ListSearch& s, SqlForm form, Connection* index) {
    const KindNames& n = shapeOf(kind).names;
    QString h;
    SqlParams params;
    const bool days = s.byDate || s.byCreateDate;
    addPartnerLike(h, kind, n.partnerColumn, s.partner, form, days);
    if (kind == Kind::Sale)
        addPartnerLike(h, kind, QStringLiteral("customerCode"), s.customerCode, form, days);
    // Refunds have a hidden, empty type box that takes no part.
    if (!n.typeColumn.isEmpty()) AddKeyCriterion(h, n.typeColumn, s.typeKey);
    AddKeyCriterion(h, QStringLiteral("auditStatus"), s.auditKey);
    AddKeyCriterion(h, n.userColumn, s.userKey);
    AddKeyCriterion(h, QStringLiteral("TCreateUser.id"), s.createUserKey);
    // The lists show the newest documents first, walking the documents in
    // that order and testing each one. A day range through the date index
    // would instead fetch every document of the range and sort them all
    // (for a year's lines, tens of thousands of rows) before the first row
    // shows; the plus keeps SQLite from taking that index. A range far in
    // the past still costs no more than one pass over the documents.
    const QString plus = form == SqlForm::Sqlite ? QStringLiteral("+") : QString();
    if (s.byDate) AddDayRange(h, params, plus + n.dateColumn, s.dateStart, s.dateEnd, form);
    if (s.byCreateDate)
        AddDayRange(h, params, plus + QStringLiteral("createDate"), s.createStart, s.createEnd,
                    form);
    QString p;
    AddLikeCriterion(p, QStringLiteral("productCode"), s.productCode);
    AddLikeCriterion(p, QStringLiteral("productName"), s.productName);
    AddLikeCriterion(p, QStringLiteral("product_model"), s.productModel);
    AddLikeCriterion(p, QStringLiteral("product_spec"), s.productSpec);
    if (form == SqlForm::Sqlite && index && !p.isEmpty())
        p = indexedProducts(*index, {s.productCode, s.productName, s.productModel, s.productSpec}) +
            p;
    ListCriteria c = CombineCriteria(kind, h, p, form);
    c.params = params;
    return c;
}

ListCriteria ProductFilter(Kind kind, qint32 productId) {
    const KindNames& n = shapeOf(kind).names;
    const QString id = QString::number(productId);
    return {QStringLiteral(" (%1.%3 in (select %3 from %2 where %2.productID= %4)) ")
                .arg(n.documentTable, n.lineTable, n.numberColumn, id),
            QLatin1String(" Product.id=") + id,
            {}};
}

ListCriteria UnauditedCriteria() {
    const QString c = QStringLiteral("auditStatus=") + QString::number(0);
    return {c, c, {}};
}

int RefundType(Kind kind) {
    switch (kind) {
    case Kind::CustomerRefund:
        return 1;
    case Kind::SupplierRefund:
        return 2;
    default:
        return 0;
    }
}

ListCriteria WithDirection(Kind kind, ListCriteria criteria) {
    const int m = RefundType(kind);
    if (m == 0) return criteria;
    AddKeyCriterion(criteria.documents, QStringLiteral("refundType"), QString::number(m));
    AddKeyCriterion(criteria.lines, QStringLiteral("refundType"), QString::number(m));
    return criteria;
}

// ---------------------------------------------------------------- deleting

QStringList DeleteDocumentStatements(Kind kind, const QString& documentNo) {
    const KindNames& n = shapeOf(kind).names;
    const QString no = SqlText::quote(documentNo);
    return {QStringLiteral("delete from %1 where %2=").arg(n.lineTable, n.numberColumn) + no,
            DeleteDocumentOnlyStatement(kind, documentNo)};
}

QString DeleteLineStatement(Kind kind, qint64 lineId) {
    return QStringLiteral("delete from %1 where id=%2")
        .arg(shapeOf(kind).names.lineTable)
        .arg(lineId);
}

QString LowerTotalStatement(Kind kind, double lineTotal, const QString& documentNo) {
    const KindNames& n = shapeOf(kind).names;
    // A negative total is written "(-5)", never "totalPrice--5".
    return QStringLiteral("update %1 set totalPrice=totalPrice-").arg(n.documentTable) +
           SqlText::number(lineTotal) +
           QStringLiteral(" where %1=").arg(n.numberColumn) + SqlText::quote(documentNo);
}

QString LineCountStatement(Kind kind, const QString& documentNo) {
    const KindNames& n = shapeOf(kind).names;
    return QStringLiteral("select count(*) as fcount from %1 where %2=")
               .arg(n.lineTable, n.numberColumn) +
           SqlText::quote(documentNo);
}

QString DeleteDocumentOnlyStatement(Kind kind, const QString& documentNo) {
    const KindNames& n = shapeOf(kind).names;
    return QStringLiteral("delete from %1 where %2=").arg(n.documentTable, n.numberColumn) +
           SqlText::quote(documentNo);
}

} // namespace ListStatements

// -------------------------------------------------------- TCriteriaBuilder

TCriteriaBuilder TCriteriaBuilder::Create(const QString& initial, const QString& joiner,
                                          SqlForm form) {
    return TCriteriaBuilder(initial, joiner, form);
}

void TCriteriaBuilder::Add(const QString& clause) {
    if (!m_text.isEmpty()) m_text += m_joiner;
    m_text += clause;
}

void TCriteriaBuilder::AddDateRange(const QString& column, const QDate& start, const QDate& end) {
    if (!m_text.isEmpty()) m_text += m_joiner;
    m_text += dayRange(m_params, column, start, end, m_form);
}

// ---------------------------------------------------------------- statistics

namespace StatStatements {

namespace {

// Per-product statistics up to the WHERE, as written and as run. The written
// select list uses fquantity, ftotalPrice and ftotalCost inside the same list
// that defines them, which Jet allows and SQLite refuses; the run form spells
// the aggregates out again, which gives the same values.
// clang-format off
const char* const kStatsHead[2][2] = {
    {" SELECT t1.*, Product.productCode, Product.productName, Product.product_model, Product.product_spec, ProductUnit.unitName  FROM ((SELECT productID, sum(quantity) as fquantity, sum(InputDetail.totalPrice) as ftotalPrice, iif(fquantity=0, 0, round(ftotalPrice/fquantity, 2)) as funitPrice  FROM InputDetail INNER JOIN [InputForm] ON InputDetail.inputNO = InputForm.inputNO ",
     " SELECT t1.*, Product.productCode, Product.productName, Product.product_model, Product.product_spec, ProductUnit.unitName  FROM ((SELECT productID, sum(quantity) as fquantity, sum(InputDetail.totalPrice) as ftotalPrice, iif(sum(quantity)=0, 0, round(sum(InputDetail.totalPrice)/sum(quantity), 2)) as funitPrice  FROM InputDetail INNER JOIN [InputForm] ON InputDetail.inputNO = InputForm.inputNO "},
    {" SELECT t1.*, Product.productCode, Product.productName, Product.product_model, Product.product_spec, ProductUnit.unitName  FROM ((SELECT productID, sum(quantity) as fquantity, sum(OutputDetail.totalPrice) as ftotalPrice, iif(fquantity=0, 0, round(ftotalPrice/fquantity, 2)) as funitPrice            ,round(sum(unitStorageCost*quantity), 2) as ftotalCost, ftotalPrice-ftotalCost as ftotalRevenue  FROM OutputDetail INNER JOIN [OutputForm] ON OutputDetail.outputNO = OutputForm.outputNO ",
     " SELECT t1.*, Product.productCode, Product.productName, Product.product_model, Product.product_spec, ProductUnit.unitName  FROM ((SELECT productID, sum(quantity) as fquantity, sum(OutputDetail.totalPrice) as ftotalPrice, iif(sum(quantity)=0, 0, round(sum(OutputDetail.totalPrice)/sum(quantity), 2)) as funitPrice            ,round(sum(unitStorageCost*quantity), 2) as ftotalCost, sum(OutputDetail.totalPrice)-round(sum(unitStorageCost*quantity), 2) as ftotalRevenue  FROM OutputDetail INNER JOIN [OutputForm] ON OutputDetail.outputNO = OutputForm.outputNO "},
};
const char* const kTotals[2][2] = {
    {" SELECT sum(quantity) as fquantity, sum(InputDetail.totalPrice) as ftotalPrice  FROM InputDetail INNER JOIN [InputForm] ON InputDetail.inputNO = InputForm.inputNO ",
     " SELECT sum(quantity) as fquantity, sum(InputDetail.totalPrice) as ftotalPrice  FROM InputDetail INNER JOIN [InputForm] ON InputDetail.inputNO = InputForm.inputNO "},
    {" SELECT sum(quantity) as fquantity, sum(OutputDetail.totalPrice) as ftotalPrice    ,round(sum(unitStorageCost*quantity), 2) as ftotalCost, ftotalPrice-ftotalCost as ftotalRevenue  FROM OutputDetail INNER JOIN [OutputForm] ON OutputDetail.outputNO = OutputForm.outputNO ",
     " SELECT sum(quantity) as fquantity, sum(OutputDetail.totalPrice) as ftotalPrice    ,round(sum(unitStorageCost*quantity), 2) as ftotalCost, sum(OutputDetail.totalPrice)-round(sum(unitStorageCost*quantity), 2) as ftotalRevenue  FROM OutputDetail INNER JOIN [OutputForm] ON OutputDetail.outputNO = OutputForm.outputNO "},
};
const char* const kTrendSums[2][2] = {
    {" AS fDate, sum([quantity]) AS fquantity, sum([InputDetail].[totalPrice]) AS ftotalPrice ",
     " AS fDate, sum([quantity]) AS fquantity, sum([InputDetail].[totalPrice]) AS ftotalPrice "},
    {" AS fDate, sum([quantity]) AS fquantity, sum([OutputDetail].[totalPrice]) AS ftotalPrice,      round(sum(unitStorageCost*quantity), 2) as ftotalCost, ftotalPrice-ftotalCost as ftotalRevenue ",
     " AS fDate, sum([quantity]) AS fquantity, sum([OutputDetail].[totalPrice]) AS ftotalPrice,      round(sum(unitStorageCost*quantity), 2) as ftotalCost, sum([OutputDetail].[totalPrice])-round(sum(unitStorageCost*quantity), 2) as ftotalRevenue "},
};
const char* const kTrendFrom[2] = {
    " FROM [InputForm] INNER JOIN InputDetail ON [InputForm].[inputNO]=[InputDetail].[inputNO] ",
    " FROM [OutputForm] INNER JOIN OutputDetail ON [OutputForm].[outputNO]=[OutputDetail].[outputNO] ",
};
// clang-format on
// The run form groups by +productID: grouping by the bare column lets SQLite
// walk the lines' productID index in order and look up the document of every
// line ever entered before testing its date. With the plus the plan starts
// from the documents (through their date index for a day range) and groups
// only the lines of the documents found.
const char* const kStatsGroup[2] = {" group by productID ", " group by +productID "};
const char* const kStatsJoin = " ) AS t1 LEFT JOIN Product ON t1.productID = Product.id) LEFT JOIN "
                               "ProductUnit ON Product.storageUnit = ProductUnit.id ";
const char* const kStatsOrder = " order by productName ";

QString where(const QString& criteria) {
    return criteria.isEmpty() ? QString() : QLatin1String(" WHERE ") + criteria;
}

QString DocumentDateColumnName(Side side) {
    return side == Side::Purchase ? QStringLiteral("inputDate") : QStringLiteral("outputDate");
}

} // namespace

QString KeyPlaceholder() {
    return QStringLiteral("请输入关键字");
}

QString ScopeColumn(int scopeIndex) {
    static const char* const columns[] = {"", "productName", "product_model", "product_spec",
                                          "productCode"};
    if (scopeIndex < 0 || scopeIndex > 4) return QString();
    return QString::fromLatin1(columns[scopeIndex]);
}

void AddProductScope(TCriteriaBuilder& builder, int scopeIndex, const QString& key) {
    const QString column = ScopeColumn(scopeIndex);
    const QString k = key.trimmed();
    if (column.isEmpty() || k == KeyPlaceholder()) return;
    // An emptied key gives '%%': every product that has a value there.
    builder.Add(QLatin1String(" productID in (") + QLatin1String("select id from Product where ") +
                column + QLatin1String(" like ") +
                SqlText::quote(QLatin1Char('%') + k + QLatin1Char('%')) + QLatin1String(")"));
}

QString ProductStatsStatement(Side side, const QString& criteria, SqlForm form) {
    return QString::fromLatin1(kStatsHead[int(side)][int(form)]) + where(criteria) +
           QLatin1String(kStatsGroup[int(form)]) + QLatin1String(kStatsJoin) +
           QLatin1String(kStatsOrder);
}

QString TotalsStatement(Side side, const QString& criteria, SqlForm form) {
    return QString::fromLatin1(kTotals[int(side)][int(form)]) + where(criteria);
}

QString TrendDateExpression(Side side, Grouping grouping) {
    const QString c =
        side == Side::Purchase ? QStringLiteral("[inputDate]") : QStringLiteral("[outputDate]");
    if (grouping == Grouping::Day)
        return QStringLiteral("DatePart('yyyy',%1)*10000+DatePart('m',%1)*100+DatePart('d',%1)")
            .arg(c);
    return QStringLiteral("DatePart('yyyy',%1)*100+DatePart('m',%1)").arg(c);
}

QString TrendStatement(Side side, Grouping grouping, const QString& criteria, SqlForm form) {
    const QString e = TrendDateExpression(side, grouping);
    if (form == SqlForm::AsWritten)
        return QLatin1String(" SELECT ") + e + QString::fromLatin1(kTrendSums[int(side)][int(form)]) +
               QString::fromLatin1(kTrendFrom[int(side)]) + where(criteria) +
               QLatin1String(" group by ") + e;
    // The lines are first summed per document date, in the order the date
    // index gives them (so without sorting the lines), and the day or month
    // is then worked out once per date instead of three DatePart calls on
    // every line: ten years of lines in a fraction of the time. The sums
    // are the same sums taken in two steps; an empty one stays empty.
    const bool sale = side == Side::Sale;
    const QString date = DocumentDateColumnName(side);
    const QString line = sale ? QStringLiteral("OutputDetail") : QStringLiteral("InputDetail");
    QString inner = QStringLiteral(" SELECT [%1] AS %1, sum([quantity]) AS q, sum([%2].[totalPrice]) AS p")
                        .arg(date, line);
    if (sale) inner += QLatin1String(", sum(unitStorageCost*quantity) AS c");
    inner += QString::fromLatin1(kTrendFrom[int(side)]) + where(criteria) +
             QStringLiteral(" group by [%1] ").arg(date);
    QString sql = QLatin1String(" SELECT ") + e +
                  QLatin1String(" AS fDate, sum(q) AS fquantity, sum(p) AS ftotalPrice");
    if (sale)
        sql += QLatin1String(", round(sum(c), 2) as ftotalCost, sum(p)-round(sum(c), 2) as ftotalRevenue");
    // The chart draws the rows in arrival order; SQLite does not promise
    // grouped rows in key order, so ask for it.
    return sql + QLatin1String(" FROM (") + inner + QLatin1String(") group by ") + e +
           QLatin1String(" order by fDate");
}

} // namespace StatStatements
