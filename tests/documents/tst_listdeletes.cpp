#include "connection.h"
#include "dberror.h"
#include "listdeletes.h"
#include "testsupport.h"

#include <QtTest>

using namespace ListStatements;
using ListDeletes::Outcome;

namespace {

// Per kind: #1 unaudited with two lines (10 and 15, total 25), #2 audited
// with one line, #3 unaudited with one line, #4 with a NULL audit state.
void seed(TestDb& db, Kind kind) {
    const KindNames n = Names(kind);
    const QString p = kind == Kind::Purchase ? "J" : "X";
    db.exec(QString("insert into %1(%2, totalPrice, auditStatus) values ('%3-1', 25, 0), ('%3-2', 7, 1), "
                    "('%3-3', 4, 0), ('%3-4', 3, NULL)")
                .arg(n.documentTable, n.numberColumn, p));
    db.exec(QString("insert into %1(id, %2, productID, quantity, totalPrice) values (1, '%3-1', 1, 2, 10), "
                    "(2, '%3-1', 2, 3, 15), (3, '%3-2', 1, 1, 7), (4, '%3-3', 1, 1, 4), (5, '%3-4', 1, 1, 3)")
                .arg(n.lineTable, n.numberColumn, p));
}

// "documents|lines|total of #1": what the file holds after the delete.
QString state(TestDb& db, Kind kind) {
    const KindNames n = Names(kind);
    QStringList docs, lines;
    Statement d(db.conn(), QString("select %1 from %2 order by %1").arg(n.numberColumn, n.documentTable));
    while (d.step()) docs << d.value(0).toString().section('-', 1);
    Statement l(db.conn(), QString("select id from %1 order by id").arg(n.lineTable));
    while (l.step()) lines << l.value(0).toString();
    const QVariant total =
        db.scalar(QString("select totalPrice from %1 where %2 like '%-1'").arg(n.documentTable, n.numberColumn));
    return docs.join(',') + '|' + lines.join(',') + '|' + (total.isValid() ? total.toString() : "-");
}

} // namespace

class TestListDeletes : public QObject {
    Q_OBJECT
private slots:
    void deleteDocument_data();
    void deleteDocument();
    void deleteLine_data();
    void deleteLine();
    void failureRollsBack_data();
    void failureRollsBack();
};

void TestListDeletes::deleteDocument_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("after");
    for (const Kind k : {Kind::Purchase, Kind::Sale}) {
        const QString p = k == Kind::Purchase ? "J" : "X";
        const char* name = k == Kind::Purchase ? "purchase" : "sale";
        QTest::addRow("%s: unaudited with two lines", name)
            << int(k) << p + "-1" << int(Outcome::Deleted) << "2,3,4|3,4,5|-";
        // Audited in the file while the list still showed it unaudited.
        QTest::addRow("%s: audited", name) << int(k) << p + "-2" << int(Outcome::Audited) << "1,2,3,4|1,2,3,4,5|25";
        QTest::addRow("%s: audit state NULL", name)
            << int(k) << p + "-4" << int(Outcome::Deleted) << "1,2,3|1,2,3,4|25";
        QTest::addRow("%s: gone meanwhile", name) << int(k) << p + "-9" << int(Outcome::Missing) << "1,2,3,4|1,2,3,4,5|25";
    }
}

void TestListDeletes::deleteDocument() {
    QFETCH(int, kind);
    QFETCH(QString, number);
    QFETCH(int, outcome);
    QFETCH(QString, after);
    TestDb db;
    seed(db, Kind(kind));
    QCOMPARE(int(ListDeletes::DeleteDocument(db.conn(), Kind(kind), number)), outcome);
    QCOMPARE(state(db, Kind(kind)), after);
    QVERIFY(!db.conn().inTransaction());
}

void TestListDeletes::deleteLine_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint64>("line");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<bool>("documentGone");
    QTest::addColumn<QString>("after");
    for (const Kind k : {Kind::Purchase, Kind::Sale}) {
        const char* name = k == Kind::Purchase ? "purchase" : "sale";
        QTest::addRow("%s: one of two lines lowers the total", name)
            << int(k) << qint64(2) << int(Outcome::Deleted) << false << "1,2,3,4|1,3,4,5|10";
        QTest::addRow("%s: the last line takes the document", name)
            << int(k) << qint64(4) << int(Outcome::Deleted) << true << "1,2,4|1,2,3,5|25";
        QTest::addRow("%s: line of an audited document", name)
            << int(k) << qint64(3) << int(Outcome::Audited) << false << "1,2,3,4|1,2,3,4,5|25";
        QTest::addRow("%s: line gone meanwhile", name)
            << int(k) << qint64(42) << int(Outcome::Missing) << false << "1,2,3,4|1,2,3,4,5|25";
    }
}

void TestListDeletes::deleteLine() {
    QFETCH(int, kind);
    QFETCH(qint64, line);
    QFETCH(int, outcome);
    QFETCH(bool, documentGone);
    QFETCH(QString, after);
    TestDb db;
    seed(db, Kind(kind));
    const ListDeletes::LineOutcome out = ListDeletes::DeleteLine(db.conn(), Kind(kind), line);
    QCOMPARE(int(out.outcome), outcome);
    QCOMPARE(out.documentGone, documentGone);
    QCOMPARE(state(db, Kind(kind)), after);
}

// A statement failing halfway through a delete leaves the file as it was:
// no orphan lines, no total lowered for a line that is still there.
void TestListDeletes::failureRollsBack_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<qint64>("line"); // 0: delete document #1
    for (const Kind k : {Kind::Purchase, Kind::Sale}) {
        const KindNames n = Names(k);
        const char* name = k == Kind::Purchase ? "purchase" : "sale";
        QTest::addRow("%s: document refuses to go", name)
            << int(k) << QString("before delete on %1").arg(n.documentTable) << qint64(0);
        QTest::addRow("%s: total refuses to change", name)
            << int(k) << QString("before update on %1").arg(n.documentTable) << qint64(2);
        QTest::addRow("%s: last line's document refuses to go", name)
            << int(k) << QString("before delete on %1").arg(n.documentTable) << qint64(4);
    }
}

void TestListDeletes::failureRollsBack() {
    QFETCH(int, kind);
    QFETCH(QString, trigger);
    QFETCH(qint64, line);
    TestDb db;
    seed(db, Kind(kind));
    const QString before = state(db, Kind(kind));
    db.exec(QString("create trigger refuse %1 begin select raise(abort, 'refused'); end").arg(trigger));
    const QString no = kind == int(Kind::Purchase) ? "J-1" : "X-1";
    QVERIFY_THROWS_EXCEPTION(DbError, line ? (void)ListDeletes::DeleteLine(db.conn(), Kind(kind), line)
                                           : (void)ListDeletes::DeleteDocument(db.conn(), Kind(kind), no));
    QCOMPARE(state(db, Kind(kind)), before);
    QVERIFY(!db.conn().inTransaction());
}

QTEST_GUILESS_MAIN(TestListDeletes)
#include "tst_listdeletes.moc"
