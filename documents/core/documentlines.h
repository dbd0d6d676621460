#pragma once
#include <QString>
#include <vector>

class Connection;
class DataSet;
class Field;

// One validated line of a document, as it is stored. A sale line also
// carries its discount, base price and captured unit cost; the others leave
// them 0.
struct TDocumentLine {
    qint64 id = 0; // the stored line's key; 0 for a line not stored yet
    int productID = 0;
    int unitID = 0;
    double quantity = 0;
    double unitPrice = 0;
    double totalPrice = 0;
    double discount = 0;
    double unitPriceOriginal = 0;
    double unitStorageCost = 0;
    QString comments;
};
using TInputDetail = TDocumentLine;
using TOutputDetail = TDocumentLine;
using TRefundDetail = TDocumentLine;
using TDocumentLines = std::vector<TDocumentLine>;
using TInputDetailArray = TDocumentLines;
using TOutputDetailArray = TDocumentLines;
using TRefundDetailArray = TDocumentLines;

namespace DocumentLines {

// Checks the lines of a document's detail dataset from the last up to the
// first: lines left blank are deleted (in the cache), and the first fault
// met, which is the lowest faulty line on screen, ends the walk. Returns the
// message to show, or an empty text when every remaining line is valid;
// lines then holds them in screen order, top to bottom.
QString CollectLines(DataSet& detail, bool saleLines, TDocumentLines& lines);

// The sum of the line totals, unrounded; the current line stays current.
double SumLineTotals(DataSet& detail);

// The stock unit cost of a product now: 0 without a stock row.
double LookupUnitCost(Connection& conn, int productId);

// Two decimals, no grouping: what the change calculator shows.
QString FormatMoney(double x);

} // namespace DocumentLines

// Keeps the prices of a document's lines consistent while they are edited:
// a purchase line's total is its unit price times its quantity; a sale
// line's discount, unit price and total follow whichever of them (or the
// quantity) was changed, rounded to the cent. The field the user changed is
// never changed back. Attach after each opening of the detail dataset (its
// fields are made anew).
class TLineArithmetic {
public:
    explicit TLineArithmetic(bool saleLines) : m_sale(saleLines) {}
    void Attach(DataSet& detail);
    // Sets a field of the current line and runs its change handler even when
    // the value does not change, as every assignment from code does.
    void Assign(DataSet& detail, const QString& fieldName, const QVariant& value);
    // On while a sale price handler runs: its own assignments start no other.
    bool PriceUpdating() const { return m_priceUpdating; }
    void SetPriceUpdating(bool on) { m_priceUpdating = on; }

private:
    void changed(Field& f);
    void quantityOrUnitPrice(DataSet& ds);
    void saleDiscount(DataSet& ds);
    void saleQuantity(DataSet& ds);
    void saleUnitPrice(DataSet& ds);
    void saleTotal(DataSet& ds);
    bool m_sale;
    bool m_priceUpdating = false;
    int m_runs = 0; // handler runs, to tell whether an assignment ran one
};
