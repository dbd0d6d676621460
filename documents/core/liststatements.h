#pragma once
#include "connection.h"

#include <QDate>
#include <QString>
#include <QStringList>

// The statements behind the document lists (purchases, sales, both refund
// directions) and the purchase and sales statistics, with the criteria that
// the search panels turn into WHERE texts. No widgets: the windows read their
// controls and call these.
//
// Every statement exists in two forms. AsWritten is the text the program has
// always used, in the Jet dialect, character for character; it is what shows
// up in logs and is what the criteria were written against. Sqlite is what we
// actually run: the same rows, columns, names and values, but shaped so that
// SQLite can run it (no select list that reuses its own aliases) and run it
// fast (the nested "X RIGHT JOIN (Y ...)" lists become LEFT JOIN chains from
// the driving table, so an index gives the rows in list order and the first
// screen comes back without reading the whole table). It also names the
// columns as the tables do: SQLite runs a parenthesised join as a subquery
// and calls the document's own id and comments "id:2" and "comments:2" in
// the written documents statements. Both forms keep the table aliases, so
// one criteria text serves both.
enum class SqlForm { AsWritten, Sqlite };

namespace ListStatements {

// CustomerRefund is refund Module 2 (goods come back from a customer),
// SupplierRefund Module 3 (we send goods back to a supplier).
enum class Kind { Purchase, Sale, CustomerRefund, SupplierRefund };
enum class Query { Documents, Lines, DocumentsSum, LinesSum };

// Table and column names of one kind, for callers that build the remaining
// statements of a list (opening a document, deleting).
struct KindNames {
    QString documentTable; // InputForm
    QString lineTable;     // InputDetail
    QString numberColumn;  // inputNO
    QString lineIdAlias;   // inputDetailID
    QString dateColumn;    // inputDate
    QString userColumn;    // TInputUser.id, the handling user's key in the criteria
    QString partnerColumn; // supplierName
    QString typeColumn;    // inputType; empty for refunds
};
KindNames Names(Kind kind);

QString BaseStatement(Kind kind, Query query, SqlForm form);
// " Order by InputForm.id desc " and the like; empty for the sums.
QString OrderClause(Kind kind, Query query);
// Base + " WHERE " + criteria (when not empty) + order.
QString BuildStatement(Kind kind, Query query, const QString& criteria, SqlForm form);

// ---- criteria helpers of the search panels

// The criteria come in the two forms of the statements. AsWritten is the
// text the program has always written; Sqlite names the same rows in a way
// the indexes can serve, and may need values bound as parameters (the
// params of ListCriteria and TCriteriaBuilder). Either criteria form runs
// inside either statement form; without a form they are written as always.

// " column  like '%text%'" with the text trimmed; blanks only add nothing.
// "%" and "_" typed by the user stay wildcards.
void AddLikeCriterion(QString& criteria, const QString& column, const QString& text);
// " column = n" when key is a decimal integer other than -1 ("<全部>").
void AddKeyCriterion(QString& criteria, const QString& column, const QString& key);
// Both end days included, the time of day ignored; a start after the end or
// an invalid day matches nothing. AsWritten calls DateDiff on every row.
// Sqlite compares the stored text "yyyy-MM-dd HH:mm:ss.zzz" with the start
// of the first day and the start of the day after the last, bound as the
// parameters dayFromN and dayToN added to params, so that an index on the
// column finds the rows. The program writes every date in that form (bound
// QDateTime and QDate values, now(), typed text the data sets convert), so
// both forms give the same rows. (Text a data set cannot read as a date is
// kept as typed; DateDiff never matches it, the text range only when it
// begins with a day of the range, as "2010-03-05x" would.)
void AddDayRange(QString& criteria, SqlParams& params, const QString& column, const QDate& start,
                 const QDate& end, SqlForm form);
// 2010-3-5: the date form the DateDiff criteria are written with.
QString SqlDate(const QDate& date);

// Documents criterion "has at least one line matching these product criteria".
QString ProductSubSelect(Kind kind, const QString& productCriteria,
                         SqlForm form = SqlForm::AsWritten);

struct ListCriteria {
    QString documents;
    QString lines;
    // Values of the parameters both texts use (day ranges of the Sqlite form).
    SqlParams params;
};

// Header criteria apply to both lists; product criteria filter the lines
// directly and the documents through ProductSubSelect. In the Sqlite form
// the lines test their productID against the matching products.
ListCriteria CombineCriteria(Kind kind, const QString& header, const QString& product,
                             SqlForm form = SqlForm::AsWritten);

// What the search panel holds. Keys are the item keys of the drop-down boxes
// as text ("-1" for "<全部>", "" for nothing chosen).
struct ListSearch {
    QString partner;      // supplier or customer name text
    QString customerCode; // sales only
    QString typeKey;      // purchase and sales only
    QString auditKey;
    QString userKey;
    QString createUserKey;
    bool byDate = false;
    QDate dateStart, dateEnd;
    bool byCreateDate = false;
    QDate createStart, createEnd;
    QString productCode, productName, productModel, productSpec;
};
// In the Sqlite form the partner's name and code test the document's partner
// key against the matching partners, day ranges are text ranges (see
// AddDayRange) and product criteria as in CombineCriteria. Given a
// connection to the data file, the Sqlite form also looks the product texts
// up in the product index there (see ProductIndex) and, when one narrows the
// products enough, tests the product likes only on the products that index
// finds for the rarest text, instead of on every product.
ListCriteria BuildCriteria(Kind kind, const ListSearch& search, SqlForm form = SqlForm::AsWritten,
                           Connection* index = nullptr);

// Lists of the documents and lines that hold one product (the stock view).
ListCriteria ProductFilter(Kind kind, qint32 productId);
// Unaudited documents and their lines (the main window's audit action).
ListCriteria UnauditedCriteria();

// refundType of a refund kind (1 customer, 2 supplier); 0 for the others.
int RefundType(Kind kind);
// A refund list always carries its direction: appended to both criteria
// texts as " refundType = m". Other kinds are returned unchanged.
ListCriteria WithDirection(Kind kind, ListCriteria criteria);

// ---- deleting unaudited documents and lines

// The lines first, then the document.
QStringList DeleteDocumentStatements(Kind kind, const QString& documentNo);
QString DeleteLineStatement(Kind kind, qint64 lineId);
// Lowers the document total by a deleted line's total.
QString LowerTotalStatement(Kind kind, double lineTotal, const QString& documentNo);
// select count(*) as fcount ...: lines left on a document.
QString LineCountStatement(Kind kind, const QString& documentNo);
// The document alone, once its last line is gone.
QString DeleteDocumentOnlyStatement(Kind kind, const QString& documentNo);

} // namespace ListStatements

// Builds the WHERE text of the statistics windows: clauses joined by one word.
// Day ranges take the given form (see AddDayRange); Params() holds the values
// to bind to the text.
class TCriteriaBuilder {
public:
    static TCriteriaBuilder Create(const QString& initial, const QString& joiner,
                                   SqlForm form = SqlForm::AsWritten);
    void Add(const QString& clause);
    // The inner " and " stays whatever the joiner is.
    void AddDateRange(const QString& column, const QDate& start, const QDate& end);
    QString Text() const { return m_text; }
    const SqlParams& Params() const { return m_params; }

private:
    TCriteriaBuilder(const QString& initial, const QString& joiner, SqlForm form)
        : m_text(initial), m_joiner(QLatin1Char(' ') + joiner + QLatin1Char(' ')), m_form(form) {}
    QString m_text;
    QString m_joiner;
    SqlForm m_form;
    SqlParams m_params;
};

namespace StatStatements {

enum class Side { Purchase, Sale };
enum class Grouping { Day, Month };

// The key box's text before the user has typed anything.
QString KeyPlaceholder();
// Column of Product behind a scope index of the product box; empty for 0
// ("<全部商品>") and out-of-range indexes.
QString ScopeColumn(int scopeIndex);
// " productID in (select id from Product where column like '%key%')", or
// nothing when no scope is chosen or the key still shows the placeholder.
void AddProductScope(TCriteriaBuilder& builder, int scopeIndex, const QString& key);

// One row per product: productID, fquantity, ftotalPrice, funitPrice (and for
// sales ftotalCost, ftotalRevenue), then productCode, productName,
// product_model, product_spec and unitName; ordered by product name. The
// Sqlite form starts from the documents, through their date index when the
// criteria hold a day range of the Sqlite form.
QString ProductStatsStatement(Side side, const QString& criteria, SqlForm form);
// One row: fquantity, ftotalPrice (and for sales ftotalCost, ftotalRevenue).
QString TotalsStatement(Side side, const QString& criteria, SqlForm form);
// 20100305 per day or 201003 per month.
QString TrendDateExpression(Side side, Grouping grouping);
// One row per day or month: fDate, fquantity, ftotalPrice (and for sales
// ftotalCost, ftotalRevenue). The Sqlite form orders by fDate ascending, the
// order the chart draws in.
QString TrendStatement(Side side, Grouping grouping, const QString& criteria, SqlForm form);

} // namespace StatStatements
