#include "connection.h"
#include "dataset.h"
#include "dberror.h"
#include "liststatements.h"
#include "productindex.h"
#include "testsupport.h"

#include <QtTest>
#include <algorithm>

using namespace ListStatements;

Q_DECLARE_METATYPE(ListCriteria)

namespace {

struct Result {
    QStringList columns;
    QList<QVariantList> rows;
    int col(const QString& name) const { return int(columns.indexOf(name)); }
    QVariant at(int row, const QString& name) const { return rows.at(row).at(col(name)); }
};

Result run(Connection& conn, const QString& sql, const SqlParams& params = {}) {
    Statement st(conn, sql);
    st.bindAll(params);
    Result r;
    for (int i = 0; i < st.columnCount(); ++i)
        r.columns << st.columnName(i);
    while (st.step()) {
        QVariantList row;
        for (int i = 0; i < st.columnCount(); ++i)
            row << st.value(i);
        r.rows << row;
    }
    return r;
}

// How the test data of one list is stored. Every kind gets the same five
// documents and the same lines, so that each list meets the same gaps.
struct KindCase {
    Kind kind;
    QString prefix;       // document numbers: prefix + 1..5
    QString partnerKey;   // document column holding the partner id
    QString userKey;      // document column holding the handling user
    QString typeColumn;   // empty for refunds
    int typeId;           // ValueSet row of this kind's document type
    QString partnerAlias; // partner name in the lists
    QString userAlias;    // handling user name in the lists
    QString typeAlias;
    QString partner1, partner2;
};

const QList<KindCase>& kindCases() {
    static const QList<KindCase> cases = {
        {Kind::Purchase, "J", "supplierID", "inputUser", "inputType", 7, "supplierName",
         "inputUserName", "inputTypeName", "Acme Trading", "O'Neil Supply"},
        {Kind::Sale, "X", "customerID", "outputUser", "outputType", 8, "customerName",
         "outputUserName", "outputTypeName", "Acme Retail", "O'Neil Shop"},
        {Kind::CustomerRefund, "T", "cosID", "refundUser", "", 0, "cosName", "refundUserName", "",
         "Acme Retail", "O'Neil Shop"},
        {Kind::SupplierRefund, "R", "cosID", "refundUser", "", 0, "cosName", "refundUserName", "",
         "Acme Trading", "O'Neil Supply"},
    };
    return cases;
}

const KindCase& caseOf(Kind kind) {
    return kindCases().at(int(kind));
}

QString kindName(Kind kind) {
    static const char* const names[] = {"purchase", "sale", "refund in", "refund out"};
    return QString::fromLatin1(names[int(kind)]);
}

// Five documents per kind (# stands for the number prefix, @T for a document
// type that exists, @M for one that was deleted, NULL for none; a refund
// gets its direction there instead). Partner 9 and user 4 are deleted
// below. The lines have a missing unit, a deleted unit (99), a product that
// does not exist (999) and a document that is gone (#9).
const char* const kDocuments =
    "('#1', 1, 2, 3, '2010-03-05 09:15:00.000', '2010-03-05 09:20:00.000', 0, 25, @T), "
    "('#2', 2, 4, NULL, '2010-03-05 23:59:59.000', '2010-03-06 08:00:00.000', 1, 7, NULL), "
    "('#3', NULL, NULL, 2, '2010-03-06 00:00:00.000', '2010-03-06 00:00:00.000', 0, 4, @M), "
    "('#4', 9, 3, 3, '2010-03-31 12:00:00.000', '2010-04-01 10:00:00.000', 0, 6, @T), "
    "('#5', 1, 2, 2, '2010-02-28 10:00:00.000', '2010-02-28 10:00:00.000', 1, 0, @T)";
const char* const kLines = "('#1', 1, 2, 5, 10, 1), ('#1', 2, 3, 5, 15, NULL), "
                           "('#2', 3, 1, 7, 7, 99), ('#3', 999, 1, 1, 1, 1), "
                           "('#3', 2, 1, 3, 3, 2), ('#4', 1, 2, 3, 6, 1), ('#9', 1, 1, 1, 1, 1)";

void fillLists(TestDb& db) {
    db.exec("insert into Users(id, userName) values (2, 'li'), (3, 'wang'), (4, 'zhao')");
    db.exec("insert into Supplier(id, supplierName) values (1, 'Acme Trading'), "
            "(2, 'O''Neil Supply'), (9, 'gone')");
    db.exec("insert into Customer(id, customerName, customerCode) values "
            "(1, 'Acme Retail', 'K-1'), (2, 'O''Neil Shop', 'K-2'), (9, 'gone', 'K-9')");
    db.exec("insert into ValueSet(id, setName, elementValue) values (7, 'INPUTTYPE', '正常进货'), "
            "(8, 'OUTPUTTYPE', '零售')");
    // Each product column holds Chinese, quotes or mixed case somewhere.
    db.exec("insert into Product(id, productCode, productName, product_model, product_spec, "
            "storageUnit) values (1, 'A-001', 'apple', 'M1 大号', 'red', 1), "
            "(2, 'B-002', 'banana 香蕉', 'M2''', 'yellow 15\"', 2), "
            "(3, 'C-003 ''旧''', 'x-ray film''s', 'M3', '红色 BIG', 99)");
    for (const KindCase& k : kindCases()) {
        const KindNames n = Names(k.kind);
        const bool refund = k.typeColumn.isEmpty();
        QString docs = QString::fromUtf8(kDocuments).replace('#', k.prefix);
        if (refund) {
            const QString m = QString::number(RefundType(k.kind));
            docs.replace("@T", m).replace("@M", m).replace("NULL)", m + ")");
        } else {
            docs.replace("@T", QString::number(k.typeId)).replace("@M", "99");
        }
        db.exec(QString("insert into %1(%2, %3, %4, createUser, %5, createDate, auditStatus, "
                        "totalPrice, %6) values ")
                    .arg(n.documentTable, n.numberColumn, k.partnerKey, k.userKey, n.dateColumn,
                         refund ? "refundType" : k.typeColumn) +
                docs);
        db.exec(QString("insert into %1(%2, productID, quantity, unitPrice, totalPrice, unitID) "
                        "values ")
                    .arg(n.lineTable, n.numberColumn) +
                QString::fromUtf8(kLines).replace('#', k.prefix));
    }
    db.exec("delete from Users where id = 4");
    db.exec("delete from Supplier where id = 9");
    db.exec("delete from Customer where id = 9");
}

// The lists' data with an index that no longer lists banana (2), and more
// than ProductIndex::kScanLimit products holding "an" besides, none on a line.
void fillUnindexed(TestDb& db) {
    fillLists(db);
    db.exec("insert into ProductSearch(ProductSearch, rowid, productCode, productName, "
            "product_model, product_spec) select 'delete', * from ProductSearchText where id = 2");
    db.exec(QString("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                    "insert into Product(id, productCode, productName) "
                    "select 10000 + i, 'Q' || i, 'an' || i from n")
                .arg(ProductIndex::kScanLimit + 1));
}

QString build(Kind kind, Query query, const ListCriteria& c, SqlForm form) {
    const ListCriteria d = WithDirection(kind, c);
    const bool docs = query == Query::Documents || query == Query::DocumentsSum;
    return BuildStatement(kind, query, docs ? d.documents : d.lines, form);
}

// A list statement with its criteria's parameters bound.
Result runList(Connection& conn, Kind kind, Query query, const ListCriteria& c, SqlForm form) {
    return run(conn, build(kind, query, c, form), WithDirection(kind, c).params);
}

QStringList numbers(const Result& r, Kind kind) {
    QStringList out;
    const int c = r.col(Names(kind).numberColumn);
    for (const QVariantList& row : r.rows)
        out << row.at(c).toString();
    return out;
}

// The lines are ordered by document number only; within one document the
// engine may return them in any order. Check the order that is promised,
// then put equal numbers in one fixed order so that two results compare.
QList<QVariantList> canonicalLines(const Result& r, Kind kind) {
    const int c = r.col(Names(kind).numberColumn);
    for (int i = 1; i < r.rows.size(); ++i)
        if (r.rows[i - 1].at(c).toString() < r.rows[i].at(c).toString()) {
            qWarning("lines not in descending document order at row %d", i);
            return {};
        }
    QList<QVariantList> rows = r.rows;
    const int id = r.col(Names(kind).lineIdAlias);
    std::stable_sort(rows.begin(), rows.end(), [&](const QVariantList& a, const QVariantList& b) {
        if (a.at(c).toString() != b.at(c).toString())
            return a.at(c).toString() > b.at(c).toString();
        return a.at(id).toLongLong() < b.at(id).toLongLong();
    });
    return rows;
}

QDate d(int y, int m, int day) {
    return QDate(y, m, day);
}

// SQLite runs a parenthesised join as a subquery and renames the columns
// that subquery has twice ("id:2" for InputForm.id beside Users.id).
QStringList withoutSubqueryNumbers(QStringList columns) {
    static const QRegularExpression suffix(":[0-9]+$");
    for (QString& c : columns)
        c.remove(suffix);
    return columns;
}

} // namespace

// ---------------------------------------------------------------- day ranges

namespace {

// Documents on the edges of days, months, years and a leap day, and some
// dated the way the program writes dates: through a data set, from what a
// user types or a date box holds.
void fillDays(TestDb& db) {
    db.exec("insert into InputForm(id, inputNO, inputDate) values "
            "(1, 'D1', '2010-03-05 00:00:00.000'), (2, 'D2', '2010-03-05 23:59:59.999'), "
            "(3, 'D3', '2010-03-06 00:00:00.000'), (4, 'D4', '2010-03-31 23:59:59.999'), "
            "(5, 'D5', '2010-04-01 00:00:00.000'), (6, 'D6', '2010-12-31 23:59:59.999'), "
            "(7, 'D7', '2011-01-01 00:00:00.000'), (8, 'D8', '2012-02-29 12:00:00.000'), "
            "(9, 'D9', '2012-03-01 00:00:00.000'), (10, 'D10', NULL), "
            "(11, 'D11', '9999-12-31 23:59:59.999'), (12, 'D12', '0100-01-01 08:00:00.000')");
    DataSet ds(&db.conn());
    ds.setSql("select id, inputNO, inputDate from InputForm");
    ds.setUpdateTable("InputForm");
    ds.open();
    const QList<QPair<int, QVariant>> typed = {
        {20, "2010-3-5"},
        {21, "2010/3/5 23:59:59.999"},
        {22, "2010-03-05T12:00"},
        {23, QDate(2012, 2, 29)},
        {24, QDateTime(QDate(2010, 12, 31), QTime(23, 59, 59, 999))},
        {25, " 2011-1-1 0:00 "},
    };
    for (const auto& [id, date] : typed) {
        ds.append();
        ds.setValue("id", id);
        ds.setValue("inputNO", "D" + QString::number(id));
        ds.setValue("inputDate", date);
        ds.post();
    }
}

} // namespace

// ---------------------------------------------------------------- statistics

namespace {

using StatStatements::Grouping;
using StatStatements::Side;

// Four documents per side, the second on the same day as the first; lines
// with a quantity summing to 0, halves that round to even, a missing unit,
// a product that no longer exists (7) and a line whose document is gone.
void fillStats(TestDb& db) {
    db.exec("insert into Product(id, productCode, productName, product_model, product_spec, "
            "storageUnit) values (1, 'A-001', 'apple', 'M1', 'red', 1), "
            "(2, 'B-002', 'banana', 'M2', 'yellow', 2), (3, 'C-003', 'cherry', 'M3', 'big', 99)");
    // The first document is the latest one, so the trend has to sort.
    const char* const docs = "('#4', '2010-04-02 09:00:00.000', '2010-04-02 09:00:00.000', 1), "
                             "('#1', '2010-03-05 10:00:00.000', '2010-03-05 10:00:00.000', 0), "
                             "('#2', '2010-03-05 18:00:00.000', '2010-03-06 08:00:00.000', 0), "
                             "('#3', '2010-03-20 11:00:00.000', '2010-03-20 11:00:00.000', 0)";
    db.exec("insert into InputForm(inputNO, inputDate, createDate, auditStatus) values " +
            QString(docs).replace('#', 'P'));
    db.exec("insert into OutputForm(outputNO, outputDate, createDate, auditStatus) values " +
            QString(docs).replace('#', 'S'));
    db.exec("insert into InputDetail(inputNO, productID, quantity, totalPrice) values "
            "('P1', 1, 8, 1), ('P1', 2, 2, 5), ('P2', 2, -2, -5), ('P3', 3, 4, 2.5), "
            "('P4', 7, 1, 3), ('PX', 1, 100, 100)");
    db.exec("insert into OutputDetail(outputNO, productID, quantity, totalPrice, unitStorageCost) "
            "values ('S1', 1, 2, 3, 0.0625), ('S3', 1, 6, 9, 1), ('S1', 2, 1, 2.5, NULL), "
            "('S2', 2, -1, -2.5, 1), ('S2', 3, 3, 1, 0.5), ('S4', 7, 1, 4, 2), "
            "('SX', 1, 50, 50, 1)");
}

// Cells joined by "|", numbers in their shortest form and NULL as "-", so
// that a whole result compares in one line and a NULL never passes for 0.
QString cells(const Result& r, int i, const QStringList& cols) {
    QStringList f;
    for (const QString& c : cols) {
        const QVariant v = r.at(i, c);
        if (v.isNull())
            f << "-";
        else if (v.typeId() == QMetaType::QString)
            f << v.toString();
        else
            f << QString::number(v.toDouble(), 'g', 15);
    }
    return f.join('|');
}

// name|quantity|amount|price[|cost|profit]|unit
QString statRow(const Result& r, int i, Side side) {
    QStringList cols = {"productName", "fquantity", "ftotalPrice", "funitPrice"};
    if (side == Side::Sale) cols += QStringList{"ftotalCost", "ftotalRevenue"};
    return cells(r, i, cols << "unitName");
}

// The criteria of a statistics window in both forms.
struct StatCriteria {
    QString written;
    QString fast;
    SqlParams params;
};

StatCriteria statCriteria(int scope, const QString& key, const QString& column, QDate from,
                          QDate to) {
    auto make = [&](SqlForm form) {
        TCriteriaBuilder b = TCriteriaBuilder::Create("", "and", form);
        StatStatements::AddProductScope(b, scope, key);
        if (!column.isEmpty()) b.AddDateRange(column, from, to);
        return b;
    };
    const TCriteriaBuilder fast = make(SqlForm::Sqlite);
    return {make(SqlForm::AsWritten).Text(), fast.Text(), fast.Params()};
}

} // namespace

Q_DECLARE_METATYPE(StatCriteria)

class TestStatements : public QObject {
    Q_OBJECT
    // The read-only tests share one database per data set.
    std::unique_ptr<TestDb> m_lists, m_unindexed, m_stats, m_days;
private slots:
    void initTestCase();
    void dayRanges_data();
    void dayRanges();
    void writtenListsRun_data();
    void writtenListsRun();
    void formsAgree_data();
    void formsAgree();
    void productIndexConsulted_data();
    void productIndexConsulted();
    void criteriaTexts_data();
    void criteriaTexts();
    void deleteStatements_data();
    void deleteStatements();
    void productStats_data();
    void productStats();
    void trend_data();
    void trend();
};

void TestStatements::initTestCase() {
    m_lists = std::make_unique<TestDb>();
    fillLists(*m_lists);
    m_unindexed = std::make_unique<TestDb>();
    fillUnindexed(*m_unindexed);
    m_stats = std::make_unique<TestDb>();
    fillStats(*m_stats);
    m_days = std::make_unique<TestDb>();
    fillDays(*m_days);
}

void TestStatements::dayRanges_data() {
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<QString>("ids");
    QTest::newRow("one day, midnight to its last millisecond")
        << d(2010, 3, 5) << d(2010, 3, 5) << "1 2 20 21 22";
    QTest::newRow("the next day starts at midnight") << d(2010, 3, 6) << d(2010, 3, 6) << "3";
    QTest::newRow("to a month's end") << d(2010, 3, 6) << d(2010, 3, 31) << "3 4";
    QTest::newRow("whole month") << d(2010, 3, 1) << d(2010, 3, 31) << "1 2 3 4 20 21 22";
    QTest::newRow("first of a month") << d(2010, 4, 1) << d(2010, 4, 1) << "5";
    QTest::newRow("over a year's end") << d(2010, 12, 31) << d(2011, 1, 1) << "6 7 24 25";
    QTest::newRow("whole year") << d(2010, 1, 1) << d(2010, 12, 31) << "1 2 3 4 5 6 20 21 22 24";
    QTest::newRow("leap day") << d(2012, 2, 29) << d(2012, 2, 29) << "8 23";
    QTest::newRow("over the leap day") << d(2012, 2, 28) << d(2012, 3, 1) << "8 9 23";
    QTest::newRow("day after the leap day") << d(2012, 3, 1) << d(2012, 3, 1) << "9";
    QTest::newRow("start after end") << d(2010, 3, 6) << d(2010, 3, 5) << "";
    QTest::newRow("last day there is") << d(9999, 12, 31) << d(9999, 12, 31) << "11";
    QTest::newRow("year with leading zero") << d(100, 1, 1) << d(100, 1, 1) << "12";
    QTest::newRow("all days") << d(100, 1, 1) << d(9999, 12, 31)
                              << "1 2 3 4 5 6 7 8 9 11 12 20 21 22 23 24 25";
    QTest::newRow("no start") << QDate() << d(2010, 12, 31) << "";
    QTest::newRow("no end") << d(2010, 1, 1) << QDate() << "";
}

// The range DateDiff always gave and the range on the stored text find the
// same documents.
void TestStatements::dayRanges() {
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(QString, ids);
    Connection& conn = m_days->conn();
    for (SqlForm form : {SqlForm::AsWritten, SqlForm::Sqlite}) {
        QString criteria = "id > 0";
        SqlParams params;
        AddDayRange(criteria, params, "inputDate", start, end, form);
        const Result r =
            run(conn, "select id from InputForm where " + criteria + " order by id", params);
        QStringList got;
        for (const QVariantList& row : r.rows)
            got << row.at(0).toString();
        QCOMPARE(got.join(' '), ids);
    }
}

void TestStatements::writtenListsRun_data() {
    QTest::addColumn<int>("kind");
    for (const KindCase& k : kindCases())
        QTest::newRow(qPrintable(kindName(k.kind))) << int(k.kind);
}

void TestStatements::writtenListsRun() {
    QFETCH(int, kind);
    const Kind kd = Kind(kind);
    const KindCase& k = caseOf(kd);
    TestDb& db = *m_lists;
    const KindNames n = Names(kd);
    const QString no = n.numberColumn;

    const Result docs = run(db.conn(), build(kd, Query::Documents, {}, SqlForm::AsWritten));
    // The table's own columns come first, and the form we run names them as
    // the table does (the grids look for "comments", not "comments:2").
    const Result info = run(db.conn(), "PRAGMA table_info(" + n.documentTable + ")");
    QStringList tableColumns;
    for (int i = 0; i < info.rows.size(); ++i)
        tableColumns << info.at(i, "name").toString();
    QCOMPARE(withoutSubqueryNumbers(docs.columns).mid(0, tableColumns.size()), tableColumns);
    const Result fastDocs = run(db.conn(), build(kd, Query::Documents, {}, SqlForm::Sqlite));
    QCOMPARE(fastDocs.columns.mid(0, tableColumns.size()), tableColumns);
    // Newest first, and the document without lines or without partner stays.
    const QStringList expectedNumbers = {k.prefix + "5", k.prefix + "4", k.prefix + "3",
                                         k.prefix + "2", k.prefix + "1"};
    QCOMPARE(numbers(docs, kd), expectedNumbers);
    for (const QString& c : {k.partnerAlias, k.userAlias, QString("createUserName")})
        QVERIFY2(docs.col(c) >= 0, qPrintable(c));
    QCOMPARE(docs.at(4, k.partnerAlias).toString(), k.partner1);
    QCOMPARE(docs.at(4, k.userAlias).toString(), QString("li"));
    QCOMPARE(docs.at(4, "createUserName").toString(), QString("wang"));
    QCOMPARE(docs.at(3, k.partnerAlias).toString(), k.partner2);
    QVERIFY(docs.at(3, k.userAlias).isNull());      // handling user deleted
    QVERIFY(docs.at(3, "createUserName").isNull()); // never had one
    QVERIFY(docs.at(2, k.partnerAlias).isNull());   // no partner
    QVERIFY(docs.at(1, k.partnerAlias).isNull());   // partner deleted
    if (!k.typeAlias.isEmpty()) {
        QVERIFY(!docs.at(4, k.typeAlias).toString().isEmpty());
        QVERIFY(docs.at(3, k.typeAlias).isNull()); // no type
        QVERIFY(docs.at(2, k.typeAlias).isNull()); // type row missing
    }

    const Result lines = run(db.conn(), build(kd, Query::Lines, {}, SqlForm::AsWritten));
    // The line of a missing product and the line without document are gone.
    QCOMPARE(lines.rows.size(), 5);
    QStringList lineNumbers = numbers(lines, kd);
    QCOMPARE(lineNumbers.count(k.prefix + "3"), 1);
    QVERIFY(!lineNumbers.contains(k.prefix + "9"));
    for (int i = 0; i < lines.rows.size(); ++i) {
        const QString docNo = lines.at(i, no).toString();
        QVERIFY(!lines.at(i, "productName").isNull());
        if (docNo == k.prefix + "2") {
            QVERIFY(lines.at(i, "unitName").isNull()); // unit deleted
            QVERIFY(lines.at(i, k.userAlias).isNull());
            QCOMPARE(lines.at(i, k.partnerAlias).toString(), k.partner2);
            QCOMPARE(lines.at(i, "auditStatus").toInt(), 1);
        } else if (docNo == k.prefix + "1" && lines.at(i, "productName") == "apple") {
            QCOMPARE(lines.at(i, "unitName").toString(), QString("个"));
            QCOMPARE(lines.at(i, k.userAlias).toString(), QString("li"));
            QCOMPARE(lines.at(i, n.dateColumn).toString(), QString("2010-03-05 09:15:00.000"));
        } else if (docNo == k.prefix + "1") {
            QVERIFY(lines.at(i, "unitName").isNull()); // never had a unit
        }
        // The line id survives under its own name although Product.* also
        // brings a column "id".
        const qint64 lineId = lines.at(i, n.lineIdAlias).toLongLong();
        QCOMPARE(
            db.scalar(QString("select %1 from %2 where id = %3").arg(no, n.lineTable).arg(lineId))
                .toString(),
            docNo);
    }

    const Result docSum = run(db.conn(), build(kd, Query::DocumentsSum, {}, SqlForm::AsWritten));
    QCOMPARE(docSum.columns, QStringList{"totalPrice"});
    QCOMPARE(docSum.rows.at(0).at(0).toDouble(), 42.0);
    const Result lineSum = run(db.conn(), build(kd, Query::LinesSum, {}, SqlForm::AsWritten));
    QCOMPARE(lineSum.columns, (QStringList{"quantity", "totalPrice"}));
    QCOMPARE(lineSum.rows.at(0).at(0).toDouble(), 9.0);
    QCOMPARE(lineSum.rows.at(0).at(1).toDouble(), 41.0);
}

void TestStatements::formsAgree_data() {
    QTest::addColumn<int>("kind");
    // The criteria as written, and in the form we run with their parameters.
    QTest::addColumn<ListCriteria>("written");
    QTest::addColumn<ListCriteria>("fast");
    QTest::addColumn<QString>("expected"); // document indexes, newest first
    QTest::addColumn<QString>("lineDocs"); // documents of the listed lines

    struct Case {
        const char* name;
        std::function<ListCriteria(Kind, SqlForm)> criteria;
        std::function<QString(Kind)> expected;
        const char* lineDocs = nullptr; // default: the documents that have lines
    };
    // The form we run looks the product texts up in the product index.
    Connection* index = &m_lists->conn();
    auto search = [index](ListSearch s) {
        return [s, index](Kind kind, SqlForm form) { return BuildCriteria(kind, s, form, index); };
    };
    auto same = [](const char* e) { return [e](Kind) { return QString(e); }; };
    const QList<Case> cases = {
        {"empty", [](Kind, SqlForm) { return ListCriteria{}; }, same("54321")},
        {"partner with quote", search({.partner = "O'Neil"}), same("2")},
        {"underscore wildcard", search({.partner = " o_neil "}), same("2")},
        {"percent wildcard", search({.partner = "c%e"}), same("51")},
        {"blanks only", search({.partner = "   "}), same("54321")},
        {"deleted partner's name", search({.partner = "gone"}), same("")},
        // Only the sales list has a customer code box.
        {"customer code", search({.customerCode = "k-2"}),
         [](Kind k) { return QString(k == Kind::Sale ? "2" : "54321"); }},
        {"unaudited", search({.auditKey = "0"}), same("431")},
        {"audited", search({.auditKey = "1"}), same("52")},
        {"all audit states", search({.auditKey = "-1"}), same("54321")},
        {"handling user", search({.userKey = "2"}), same("51")},
        {"deleted handling user", search({.userKey = "4"}), same("")},
        {"creating user", search({.createUserKey = "3"}), same("41")},
        {"document type",
         [](Kind k, SqlForm f) {
             return BuildCriteria(k, {.typeKey = QString::number(caseOf(k).typeId)}, f);
         },
         [](Kind k) { return QString(caseOf(k).typeId ? "541" : "54321"); }},
        {"one day with times",
         search({.byDate = true, .dateStart = d(2010, 3, 5), .dateEnd = d(2010, 3, 5)}),
         same("21")},
        {"start after end",
         search({.byDate = true, .dateStart = d(2010, 3, 6), .dateEnd = d(2010, 3, 5)}), same("")},
        {"creation range",
         search({.byCreateDate = true, .createStart = d(2010, 3, 6), .createEnd = d(2010, 4, 1)}),
         same("432")},
        // Two ranges in one text keep their own bounds.
        {"document and creation ranges",
         search({.byDate = true,
                 .dateStart = d(2010, 3, 5),
                 .dateEnd = d(2010, 3, 31),
                 .byCreateDate = true,
                 .createStart = d(2010, 3, 6),
                 .createEnd = d(2010, 4, 1)}),
         same("432")},
        {"range and partner",
         search({.partner = "neil",
                 .byDate = true,
                 .dateStart = d(2010, 3, 1),
                 .dateEnd = d(2010, 3, 5)}),
         same("2")},
        {"product name", search({.productName = "APPLE"}), same("41")},
        {"product code and product_spec", search({.productCode = "b-0", .productSpec = "yell"}),
         same("31")},
        {"header and product", search({.partner = "acme", .auditKey = "0", .productName = "apple"}),
         same("1")},
        {"product name, no index consulted",
         [](Kind k, SqlForm f) { return BuildCriteria(k, {.productName = "香蕉"}, f, nullptr); },
         same("31")},
        {"code, percent wildcard", search({.productCode = "0%3"}), same("2")},
        {"code, underscore wildcard", search({.productCode = "b_0"}), same("31")},
        {"code, one character", search({.productCode = "3"}), same("2")},
        {"code, two characters in every code", search({.productCode = "-0"}), same("4321")},
        {"code, two characters ending a code", search({.productCode = "旧'"}), same("2")},
        {"code, other case", search({.productCode = "c-003"}), same("2")},
        {"code, Chinese", search({.productCode = "旧"}), same("2")},
        {"code, quotes", search({.productCode = "'旧'"}), same("2")},
        {"code, held by no product", search({.productCode = "Z-9"}), same("")},
        {"code, held by a model only", search({.productCode = "m1"}), same("")},
        {"name, percent wildcard", search({.productName = "ap%e"}), same("41")},
        {"name, underscore wildcard", search({.productName = "b_n"}), same("31")},
        {"name, one character", search({.productName = "x"}), same("2")},
        {"name, two characters", search({.productName = "an"}), same("31")},
        {"name, other case", search({.productName = "BaNaNa"}), same("31")},
        {"name, Chinese between blanks", search({.productName = " 香蕉 "}), same("31")},
        {"name, quote", search({.productName = "film's"}), same("2")},
        {"name, held by no product", search({.productName = "kiwi"}), same("")},
        {"model, percent alone", search({.productModel = "%"}), same("4321")},
        {"model, underscore wildcard", search({.productModel = "m_ 大"}), same("41")},
        {"model, one character ending a model", search({.productModel = "号"}), same("41")},
        {"model, two characters", search({.productModel = "m2"}), same("31")},
        {"model, other case", search({.productModel = "m3"}), same("2")},
        {"model, Chinese", search({.productModel = "大号"}), same("41")},
        {"model, quote", search({.productModel = "2'"}), same("31")},
        {"model, held by no product", search({.productModel = "大号码"}), same("")},
        {"规格, percent wildcard", search({.productSpec = "%l%w"}), same("31")},
        {"规格, underscore wildcard", search({.productSpec = "_ed"}), same("41")},
        {"规格, double quote alone", search({.productSpec = "\""}), same("31")},
        {"规格, two characters", search({.productSpec = "el"}), same("31")},
        {"规格, other case", search({.productSpec = "big"}), same("2")},
        {"规格, Chinese", search({.productSpec = "红色"}), same("2")},
        {"规格, double quote", search({.productSpec = "15\""}), same("31")},
        {"规格, held by no product", search({.productSpec = "blue"}), same("")},
        {"every product field",
         search({.productCode = "0", .productName = "a", .productModel = "m", .productSpec = "e"}),
         same("431")},
        {"product filter", [](Kind k, SqlForm) { return ProductFilter(k, 2); }, same("31")},
        // The documents sub-select does not need the product row, the lines
        // list does: document 3 is found, its orphan line is not listed.
        {"filter on missing product", [](Kind k, SqlForm) { return ProductFilter(k, 999); },
         same("3"), ""},
        {"list unaudited", [](Kind, SqlForm) { return UnauditedCriteria(); }, same("431")},
    };
    for (const KindCase& k : kindCases())
        for (const Case& c : cases) {
            const QString docs = c.expected(k.kind);
            const QString lineDocs = c.lineDocs ? QString(c.lineDocs) : QString(docs).remove('5');
            QTest::addRow("%s, %s", qPrintable(kindName(k.kind)), c.name)
                << int(k.kind) << c.criteria(k.kind, SqlForm::AsWritten)
                << c.criteria(k.kind, SqlForm::Sqlite) << docs << lineDocs;
        }
}

void TestStatements::formsAgree() {
    QFETCH(int, kind);
    QFETCH(ListCriteria, written);
    QFETCH(ListCriteria, fast);
    QFETCH(QString, expected);
    QFETCH(QString, lineDocs);
    const Kind kd = Kind(kind);
    TestDb& db = *m_lists;
    for (Query q : {Query::Documents, Query::Lines, Query::DocumentsSum, Query::LinesSum}) {
        // Lines of one document may come in any order; the rest compares as is.
        auto rowsOf = [&](const Result& r) {
            return q == Query::Lines ? canonicalLines(r, kd) : r.rows;
        };
        const Result a = runList(db.conn(), kd, q, written, SqlForm::AsWritten);
        const Result b = runList(db.conn(), kd, q, fast, SqlForm::Sqlite);
        QCOMPARE(b.columns, withoutSubqueryNumbers(a.columns));
        QCOMPARE(rowsOf(a).size(), a.rows.size());
        QCOMPARE(rowsOf(b), rowsOf(a));
        // Either criteria form also runs inside the other statement form.
        QCOMPARE(rowsOf(runList(db.conn(), kd, q, fast, SqlForm::AsWritten)), rowsOf(a));
        QCOMPARE(rowsOf(runList(db.conn(), kd, q, written, SqlForm::Sqlite)), rowsOf(a));
        QStringList want;
        for (QChar i : q == Query::Lines ? lineDocs : expected)
            want << caseOf(kd).prefix + i;
        if (q == Query::Documents) QCOMPARE(numbers(b, kd), want);
        if (q == Query::Lines) {
            QStringList got = numbers(b, kd);
            got.removeDuplicates();
            QCOMPARE(got, want);
        }
    }
}

// Whether a product text goes through the product index shows on an index
// that has lost a product (see fillUnindexed).
void TestStatements::productIndexConsulted_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("consult");     // a connection is handed over
    QTest::addColumn<QString>("expected"); // purchase documents the form we run lists
    QTest::newRow("a rare text") << ""
                                 << "香蕉" << true << "";
    QTest::newRow("without a connection") << ""
                                          << "香蕉" << false << "31";
    QTest::newRow("wildcards only") << ""
                                    << "%" << true << "4321";
    QTest::newRow("held by more products than the limit") << ""
                                                          << "an" << true << "31";
    QTest::newRow("the rarer of two texts") << "002"
                                            << "an" << true << "";
    QTest::newRow("one text too common, one wildcards") << "_"
                                                        << "an" << true << "31";
}

void TestStatements::productIndexConsulted() {
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(bool, consult);
    QFETCH(QString, expected);
    TestDb& db = *m_unindexed;
    const ListSearch s{.productCode = code, .productName = name};
    const ListCriteria fast =
        BuildCriteria(Kind::Purchase, s, SqlForm::Sqlite, consult ? &db.conn() : nullptr);
    QString got;
    for (const QString& no :
         numbers(runList(db.conn(), Kind::Purchase, Query::Documents, fast, SqlForm::Sqlite),
                 Kind::Purchase))
        got += no.mid(1);
    QCOMPARE(got, expected);
    // The written form never asks the index.
    const ListCriteria written = BuildCriteria(Kind::Purchase, s, SqlForm::AsWritten, &db.conn());
    QCOMPARE(runList(db.conn(), Kind::Purchase, Query::Documents, written, SqlForm::AsWritten)
                 .rows.size(),
             name == "%" ? 4 : 2);
}

void TestStatements::criteriaTexts_data() {
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");

    ListSearch s;
    s.partner = "abc";
    s.auditKey = "0";
    s.productName = "x";
    s.customerCode = "V1"; // sales only
    const ListCriteria example = BuildCriteria(Kind::Purchase, s);
    QTest::newRow("example documents")
        << example.documents
        << " supplierName  like '%abc%' and  auditStatus = 0 and  (InputForm.inputNO in (select "
           "inputNO from InputDetail INNER JOIN Product ON InputDetail.productID=Product.id  "
           "where  productName  like '%x%'))";
    QTest::newRow("example lines")
        << example.lines
        << " supplierName  like '%abc%' and  auditStatus = 0 and  productName  "
           "like '%x%'";
    const ListCriteria sale = BuildCriteria(Kind::Sale, s);
    QTest::newRow("sales sub-select")
        << sale.documents
        << " customerName  like '%abc%' and  customerCode  like '%V1%' and  auditStatus = 0 and  "
           "(OutputForm.outputNO in "
           "(select outputNO from OutputDetail INNER JOIN Product ON "
           "OutputDetail.productID=Product.id  where  productName  like '%x%'))";
    ListSearch r;
    r.productCode = "7";
    r.typeKey = "7"; // refunds have no type
    r.customerCode = "7";
    const ListCriteria refund =
        WithDirection(Kind::SupplierRefund, BuildCriteria(Kind::SupplierRefund, r));
    QTest::newRow("refund sub-select and direction")
        << refund.documents
        << " (RefundForm.refundNO in (select refundNO from RefundDetail INNER JOIN Product ON "
           "RefundDetail.productID=Product.id  where  productCode  like '%7%')) and  refundType "
           "= 2";
    QTest::newRow("refund list all")
        << WithDirection(Kind::CustomerRefund, {}).lines << " refundType = 1";

    QString c;
    AddLikeCriterion(c, "supplierName", "O'Neil");
    QTest::newRow("quote doubled") << c << " supplierName  like '%O''Neil%'";
    c.clear();
    AddLikeCriterion(c, "supplierName", " \t ");
    AddKeyCriterion(c, "auditStatus", "-1");
    AddKeyCriterion(c, "TInputUser.id", "");
    AddKeyCriterion(c, "TInputUser.id", "abc");
    QTest::newRow("nothing chosen adds nothing") << c << QString();
    c.clear();
    AddKeyCriterion(c, "TInputUser.id", "3");
    SqlParams unused;
    AddDayRange(c, unused, "inputDate", d(2010, 3, 5), d(2010, 12, 31), SqlForm::AsWritten);
    QTest::newRow("key and day range")
        << c
        << " TInputUser.id = 3 and (DateDiff('d',inputDate,'2010-3-5')<=0 and "
           "DateDiff('d',inputDate,'2010-12-31')>=0)";
    const ListCriteria filter = ProductFilter(Kind::Purchase, 5);
    QTest::newRow("product filter documents")
        << filter.documents
        << " (InputForm.inputNO in (select inputNO from InputDetail where "
           "InputDetail.productID= 5)) ";
    QTest::newRow("product filter lines") << filter.lines << " Product.id=5";
    QTest::newRow("unaudited") << UnauditedCriteria().documents << "auditStatus=0";

    TCriteriaBuilder b = TCriteriaBuilder::Create("", "and");
    StatStatements::AddProductScope(b, 1, " abc ");
    b.AddDateRange("inputDate", d(2010, 3, 1), d(2010, 3, 31));
    QTest::newRow("statistics example")
        << b.Text()
        << " productID in (select id from Product where productName like '%abc%') and "
           "(DateDiff('d',inputDate,'2010-3-1')<=0 and DateDiff('d',inputDate,'2010-3-31')>=0)";
    TCriteriaBuilder o = TCriteriaBuilder::Create("a=1", "or");
    o.AddDateRange("createDate", d(2010, 1, 2), d(2010, 1, 3));
    StatStatements::AddProductScope(o, 4, "");
    QTest::newRow("other joiner, emptied key")
        << o.Text()
        << "a=1 or (DateDiff('d',createDate,'2010-1-2')<=0 and "
           "DateDiff('d',createDate,'2010-1-3')>=0) or  productID in (select id from Product "
           "where productCode like '%%')";
    TCriteriaBuilder p = TCriteriaBuilder::Create("", "and");
    StatStatements::AddProductScope(p, 2, StatStatements::KeyPlaceholder() + " ");
    StatStatements::AddProductScope(p, 0, "abc");
    QTest::newRow("placeholder and all products") << p.Text() << QString();
}

void TestStatements::criteriaTexts() {
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

void TestStatements::deleteStatements_data() {
    writtenListsRun_data();
}

void TestStatements::deleteStatements() {
    QFETCH(int, kind);
    const Kind kd = Kind(kind);
    const QString p = caseOf(kd).prefix;
    const KindNames n = Names(kd);
    TestDb db;
    fillLists(db);
    auto total = [&](const QString& no) {
        return db
            .scalar(QString("select totalPrice from %1 where %2 = '%3'")
                        .arg(n.documentTable, n.numberColumn, no))
            .toDouble();
    };
    auto lineId = [&](const QString& no) {
        return db
            .scalar(QString("select min(id) from %1 where %2 = '%3'")
                        .arg(n.lineTable, n.numberColumn, no))
            .toLongLong();
    };
    // One of two lines: the document stays, its total drops by the line's.
    QCOMPARE(db.conn().execute(DeleteLineStatement(kd, lineId(p + "1"))), 1);
    db.exec(LowerTotalStatement(kd, 10, p + "1"));
    QCOMPARE(total(p + "1"), 15.0);
    QCOMPARE(db.scalar(LineCountStatement(kd, p + "1")).toInt(), 1);

    // A negative line total must raise this document's total only.
    db.exec(LowerTotalStatement(kd, -2.5, p + "4"));
    QCOMPARE(total(p + "4"), 8.5);
    QCOMPARE(total(p + "3"), 4.0);

    // The last line: the count reaches 0 and the document goes too.
    db.exec(DeleteLineStatement(kd, lineId(p + "2")));
    QCOMPARE(db.scalar(LineCountStatement(kd, p + "2")).toInt(), 0);
    QCOMPARE(db.conn().execute(DeleteDocumentOnlyStatement(kd, p + "2")), 1);

    for (const QString& sql : DeleteDocumentStatements(kd, p + "3"))
        db.exec(sql);
    QCOMPARE(db.scalar(LineCountStatement(kd, p + "3")).toInt(), 0);
    QVERIFY(!db.scalar(QString("select id from %1 where %2 = '%3'")
                           .arg(n.documentTable, n.numberColumn, p + "3"))
                 .isValid());
    QCOMPARE(db.scalar(QString("select count(*) from %1 where %2 like '%3%'")
                           .arg(n.documentTable, n.numberColumn, p))
                 .toInt(),
             3);
}

void TestStatements::productStats_data() {
    QTest::addColumn<int>("side");
    QTest::addColumn<StatCriteria>("criteria");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("totals");
    const QDate none;
    const int in = int(Side::Purchase), out = int(Side::Sale);
    // 1/8 = 0.125 and 2.5/4 = 0.625 are exact halves: they go to the even cent.
    QTest::newRow("purchases, all")
        << in << StatCriteria{}
        << QStringList{"-|1|3|3|-", "apple|8|1|0.12|个", "banana|0|0|0|件", "cherry|4|2.5|0.62|-"}
        << "13|6.5";
    QTest::newRow("purchases, March")
        << in << statCriteria(0, "", "inputDate", d(2010, 3, 1), d(2010, 3, 31))
        << QStringList{"apple|8|1|0.12|个", "banana|0|0|0|件", "cherry|4|2.5|0.62|-"} << "12|3.5";
    QTest::newRow("purchases, name scope")
        << in << statCriteria(1, "AN", "", none, none) << QStringList{"banana|0|0|0|件"} << "0|0";
    QTest::newRow("purchases, one creation day")
        << in << statCriteria(0, "", "createDate", d(2010, 3, 6), d(2010, 3, 6))
        << QStringList{"banana|-2|-5|2.5|件"} << "-2|-5";
    QTest::newRow("purchases, nothing")
        << in << statCriteria(3, "none", "", none, none) << QStringList{} << "-|-";
    // apple: cost round(2*0.0625 + 6*1) = round(6.125) = 6.12; banana: a line
    // without cost counts nothing, quantity 0 gives price 0.
    QTest::newRow("sales, all") << out << StatCriteria{}
                                << QStringList{"-|1|4|4|2|2|-", "apple|8|12|1.5|6.12|5.88|个",
                                               "banana|0|0|0|-1|1|件", "cherry|3|1|0.33|1.5|-0.5|-"}
                                << "12|17|8.62|8.38";
    QTest::newRow("sales, one day")
        << out << statCriteria(0, "", "outputDate", d(2010, 3, 5), d(2010, 3, 5))
        << QStringList{"apple|2|3|1.5|0.12|2.88|个", "banana|0|0|0|-1|1|件",
                       "cherry|3|1|0.33|1.5|-0.5|-"}
        << "5|4|0.62|3.38";
    QTest::newRow("sales, code scope")
        << out << statCriteria(4, "a-", "", none, none)
        << QStringList{"apple|8|12|1.5|6.12|5.88|个"} << "8|12|6.12|5.88";
}

void TestStatements::productStats() {
    QFETCH(int, side);
    QFETCH(StatCriteria, criteria);
    QFETCH(QStringList, rows);
    QFETCH(QString, totals);
    const Side sd = Side(side);
    TestDb& db = *m_stats;
    // SQLite refuses a select list that reuses its own aliases.
    QVERIFY_THROWS_EXCEPTION(
        DbError, run(db.conn(), StatStatements::ProductStatsStatement(sd, criteria.written,
                                                                      SqlForm::AsWritten)));
    const QStringList costs =
        sd == Side::Sale ? QStringList{"ftotalCost", "ftotalRevenue"} : QStringList{};
    const QStringList sums = QStringList{"fquantity", "ftotalPrice"} + costs;
    const QStringList cols =
        QStringList{"productID", "fquantity", "ftotalPrice", "funitPrice"} + costs +
        QStringList{"productCode", "productName", "product_model", "product_spec", "unitName"};
    // The criteria as written and in the form we run give the same rows.
    const QList<QPair<QString, SqlParams>> forms = {{criteria.written, {}},
                                                    {criteria.fast, criteria.params}};
    for (const auto& [where, params] : forms) {
        const Result r = run(
            db.conn(), StatStatements::ProductStatsStatement(sd, where, SqlForm::Sqlite), params);
        QCOMPARE(r.columns, cols);
        QStringList got;
        for (int i = 0; i < r.rows.size(); ++i)
            got << statRow(r, i, sd);
        QCOMPARE(got, rows);
        for (int i = 0; i < r.rows.size(); ++i)
            if (r.at(i, "productName").isNull()) QCOMPARE(r.at(i, "productID").toInt(), 7);

        const Result t =
            run(db.conn(), StatStatements::TotalsStatement(sd, where, SqlForm::Sqlite), params);
        QCOMPARE(t.columns, sums);
        QCOMPARE(cells(t, 0, sums), totals);
        if (sd == Side::Purchase) {
            // Nothing to rewrite here: the written totals run as they are.
            const Result w = run(
                db.conn(), StatStatements::TotalsStatement(sd, where, SqlForm::AsWritten), params);
            QCOMPARE(w.rows, t.rows);
        }
    }
}

void TestStatements::trend_data() {
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("grouping");
    QTest::addColumn<StatCriteria>("criteria");
    QTest::addColumn<QStringList>("rows"); // fDate|quantity|amount[|cost|profit]
    const int in = int(Side::Purchase), out = int(Side::Sale);
    const int day = int(Grouping::Day), month = int(Grouping::Month);
    const QDate none;
    QTest::newRow("purchases by day")
        << in << day << StatCriteria{}
        << QStringList{"20100305|8|1", "20100320|4|2.5", "20100402|1|3"};
    QTest::newRow("purchases by month")
        << in << month << StatCriteria{} << QStringList{"201003|12|3.5", "201004|1|3"};
    QTest::newRow("purchases of apples by month")
        << in << month << statCriteria(1, "apple", "", none, none) << QStringList{"201003|8|1"};
    QTest::newRow("sales by day") << out << day << StatCriteria{}
                                  << QStringList{"20100305|5|4|0.62|3.38", "20100320|6|9|6|3",
                                                 "20100402|1|4|2|2"};
    QTest::newRow("sales by month, created in March")
        << out << month << statCriteria(0, "", "createDate", d(2010, 3, 1), d(2010, 3, 31))
        << QStringList{"201003|11|13|6.62|6.38"};
}

void TestStatements::trend() {
    QFETCH(int, side);
    QFETCH(int, grouping);
    QFETCH(StatCriteria, criteria);
    QFETCH(QStringList, rows);
    const Side sd = Side(side);
    const Grouping g = Grouping(grouping);
    TestDb& db = *m_stats;
    QStringList cols = {"fDate", "fquantity", "ftotalPrice"};
    if (sd == Side::Sale) cols += QStringList{"ftotalCost", "ftotalRevenue"};
    const QList<QPair<QString, SqlParams>> forms = {{criteria.written, {}},
                                                    {criteria.fast, criteria.params}};
    for (const auto& [where, params] : forms) {
        const Result r =
            run(db.conn(), StatStatements::TrendStatement(sd, g, where, SqlForm::Sqlite), params);
        QCOMPARE(r.columns, cols);
        QStringList got;
        for (int i = 0; i < r.rows.size(); ++i)
            got << cells(r, i, cols);
        QCOMPARE(got, rows);
        if (sd == Side::Purchase) {
            const Result w =
                run(db.conn(), StatStatements::TrendStatement(sd, g, where, SqlForm::AsWritten),
                    params);
            QCOMPARE(w.columns, r.columns);
            QList<QVariantList> a = w.rows;
            std::sort(a.begin(), a.end(), [](const QVariantList& x, const QVariantList& y) {
                return x[0].toLongLong() < y[0].toLongLong();
            });
            QCOMPARE(a, r.rows);
        } else {
            QVERIFY_THROWS_EXCEPTION(
                DbError,
                run(db.conn(), StatStatements::TrendStatement(sd, g, where, SqlForm::AsWritten),
                    params));
        }
    }
}

QTEST_GUILESS_MAIN(TestStatements)
#include "tst_statements.moc"
