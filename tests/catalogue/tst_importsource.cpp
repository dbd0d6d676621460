// The readers of the files a product list is imported from, over files made
// by spreadsheet programs and libraries, and over damaged ones.
#include "dberror.h"
#include "importfixture.h"
#include "importsource.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace importfixture;

class TestImportSource : public QObject {
    Q_OBJECT
private slots:
    // The files here are small: a tight memory limit makes a library's
    // endless appetite end the reader within a second.
    void initTestCase() {
        importfixture::useReaderProgram();
        TImportSource::SetReaderMemory(64);
    }
    void readsProductList_data();
    void readsProductList();
    void otherSheets_data();
    void otherSheets();
    void sampleWorkbooks_data();
    void sampleWorkbooks();
    void accessFile();
    void libraryOutputIsNoReply();
    void refusesWhatItCannotRead_data();
    void refusesWhatItCannotRead();
    void readerProgramFailures_data();
    void readerProgramFailures();
    void csvFields_data();
    void csvFields();
    void csvEncoding_data();
    void csvEncoding();
    void columnNames_data();
    void columnNames();
};

// ------------------------------------------------------------ real files

void TestImportSource::readsProductList_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QStringList>("tables");
    const QStringList sheets{"Sheet1", "价格$", "空表"};
    QTest::newRow("xls") << file("products.xls") << QString() << sheets;
    QTest::newRow("xlsx") << file("products.xlsx") << QString() << sheets;
    QTest::newRow("csv utf-8, detected") << file("products-utf8.csv") << QString() << QStringList{"products-utf8"};
    QTest::newRow("csv gbk, detected") << file("products-gbk.csv") << QString() << QStringList{"products-gbk"};
    QTest::newRow("csv gbk, chosen") << file("products-gbk.csv") << "GB18030" << QStringList{"products-gbk"};
}

void TestImportSource::readsProductList() {
    QFETCH(QString, path);
    QFETCH(QString, encoding);
    QFETCH(QStringList, tables);
    auto source = TImportSource::Open(path, encoding);
    QCOMPARE(source->Tables(), tables);
    const TImportTable t = source->Read(tables.first());
    QCOMPARE(t.columns, header());
    QCOMPARE(QList<QStringList>(t.rows.begin(), t.rows.end()), rows());
}

void TestImportSource::otherSheets_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QList<QStringList>>("rows");
    const QList<QStringList> prices{{"茶杯", "12"}, {"茶壶", "66.6"}};
    for (const char* f : {"products.xls", "products.xlsx"}) {
        QTest::addRow("%s: name ends in $", f) << file(f) << "价格$" << QStringList{"商品名称", "销售价"} << prices;
        QTest::addRow("%s: empty", f) << file(f) << "空表" << QStringList() << QList<QStringList>();
    }
}

void TestImportSource::otherSheets() {
    QFETCH(QString, path);
    QFETCH(QString, sheet);
    QFETCH(QStringList, columns);
    QFETCH(QList<QStringList>, rows);
    const TImportTable t = TImportSource::Open(path)->Read(sheet);
    QCOMPARE(t.columns, columns);
    QCOMPARE(QList<QStringList>(t.rows.begin(), t.rows.end()), rows);
}

// Workbooks that Excel and others wrote, from xlrd's test data.
void TestImportSource::sampleWorkbooks_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("tables");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    QTest::newRow("profiles") << shared("spreadsheets/profiles.xls")
                              << QStringList{"PROFILEDEF", "AXISDEF", "TRAVERSALCHAINAGE", "AXISDATUMLEVELS",
                                             "PROFILELEVELS"}
                              << "PROFILELEVELS" << 30 << 14;
    QTest::newRow("header row starts empty")
        << shared("spreadsheets/namesdemo.xls") << QStringList{"Sheet1", "Sheet2", "Sheet3", "Seamus O'Reilly"}
        << "Sheet3" << 14 << 6;
    QTest::newRow("ragged") << shared("spreadsheets/ragged.xls") << QStringList{"Sheet1", "Sheet2", "Sheet3"}
                            << "Sheet1" << 3 << 4;
    QTest::newRow("xlsx") << shared("spreadsheets/sample.xlsx") << QStringList{"Sheet1"} << "Sheet1" << 0 << 0;
}

void TestImportSource::sampleWorkbooks() {
    QFETCH(QString, path);
    QFETCH(QStringList, tables);
    QFETCH(QString, sheet);
    QFETCH(int, columns);
    QFETCH(int, rows);
    if (!QFile::exists(path)) QSKIP("sample file absent");
    auto source = TImportSource::Open(path);
    QCOMPARE(source->Tables(), tables);
    const TImportTable t = source->Read(sheet);
    QCOMPARE(t.columns.size(), columns);
    QCOMPARE(int(t.rows.size()), rows);
    for (const QStringList& r : t.rows)
        QCOMPARE(r.size(), t.columns.size());
}

// libmdb prints blanks to standard output on this file (found by fuzz_mdb);
// they must not be taken for the reader's reply.
void TestImportSource::libraryOutputIsNoReply() {
    auto source = TImportSource::Open(file("faults/libmdb-prints-to-stdout.mdb"));
    QCOMPARE(source->Tables(), QStringList{"DateTest"});
}

void TestImportSource::accessFile() {
    const QString path = shared("DateTestDatabase.mdb");
    if (!QFile::exists(path)) QSKIP("sample file absent");
    auto source = TImportSource::Open(path);
    QVERIFY(source->Tables().contains("DateTest"));
    const TImportTable t = source->Read("DateTest");
    QCOMPARE(t.columns, (QStringList{"IDCol", "DateTimeCol", "DateCol", "TimeCol", "LongTextCol", "ShortTextCol"}));
    QVERIFY(!t.rows.empty());
    // Dates come as text the user can read, not as raw numbers.
    QVERIFY2(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d").match(t.rows.front().at(1)).hasMatch(),
             qPrintable(t.rows.front().at(1)));
}

// A file that is damaged or of another kind is a message, not a crash.
void TestImportSource::refusesWhatItCannotRead_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    const QByteArray text = "商品名称,价格\n茶杯,12\n";
    QTest::newRow("text as xls") << "a.xls" << text << "不能读取该Excel文件";
    QTest::newRow("text as xlsx") << "a.xlsx" << text << "不能读取该Excel文件";
    QTest::newRow("text as mdb") << "a.mdb" << text << "不能读取该Access文件";
    QTest::newRow("empty xls") << "b.xls" << QByteArray() << "不能读取该Excel文件";
    QTest::newRow("cut xlsx") << "c.xlsx" << QByteArray() << "不能读取该Excel文件";
    QTest::newRow("binary as csv") << "d.csv" << QByteArray("a,b\n\0\1\2", 7) << "不是文本文件";
    QTest::newRow("other type") << "e.doc" << text << "不支持的文件类型";
    // Workbooks freexl cannot parse: an old BIFF4 one, and one it opens
    // without a handle to read it by.
    for (const char* f : {"biff4_no_format_no_window2.xls", "Formate.xls"}) {
        QFile sample(shared(QString("spreadsheets/") + f));
        if (sample.open(QIODevice::ReadOnly)) QTest::newRow(f) << "h.xls" << sample.readAll() << "不能读取该Excel文件";
    }
    // Workbooks on which freexl itself reads past its buffers and dies (found
    // by fuzz_xls); the reader program dies instead of the program.
    QFile badRead(file("faults/freexl-bad-read.xls"));
    QVERIFY(badRead.open(QIODevice::ReadOnly));
    QTest::newRow("freexl reads past its buffer") << "i.xls" << badRead.readAll() << "文件无法读取";
    // An Access file on which libmdb asks for memory without end (found by
    // the import's fuzz test); in the program it would take all there is.
    QFile endless(file("faults/libmdb-endless-memory.mdb"));
    QVERIFY(endless.open(QIODevice::ReadOnly));
    QTest::newRow("libmdb wants endless memory") << "j.mdb" << endless.readAll() << "文件无法读取";
    QFile xlsx(file("products.xlsx"));
    QVERIFY(xlsx.open(QIODevice::ReadOnly));
    QTest::newRow("xlsx cut in half") << "f.xlsx" << xlsx.readAll().left(3000) << "不能读取该Excel文件";
    QFile xls(file("products.xls"));
    QVERIFY(xls.open(QIODevice::ReadOnly));
    QTest::newRow("xls cut in half") << "g.xls" << xls.readAll().left(2500) << "不能读取该Excel文件";
}

void TestImportSource::refusesWhatItCannotRead() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    try {
        auto source = TImportSource::Open(path);
        for (const QString& t : source->Tables())
            source->Read(t);
        QFAIL("no error");
    } catch (const AppError& e) {
        QVERIFY2(e.text().contains(message), qPrintable(e.text()));
    }
}

// Whatever ends the reader program, the program itself goes on and the user
// is told the file cannot be read. Stand-ins for the reader die the ways a
// library fault kills it.
void TestImportSource::readerProgramFailures_data() {
    QTest::addColumn<QByteArray>("script"); // empty: no reader program at all
    QTest::addColumn<QString>("message");
    const QString unreadable = "文件无法读取: products.xls";
    QTest::newRow("killed by a bad read") << QByteArray("kill -SEGV $$") << unreadable;
    QTest::newRow("aborted when out of memory") << QByteArray("kill -ABRT $$") << unreadable;
    QTest::newRow("killed by the memory limit") << QByteArray("kill -KILL $$") << unreadable;
    QTest::newRow("exits with another code") << QByteArray("exit 1") << unreadable;
    QTest::newRow("reply cut short") << QByteArray("printf 'MIM'") << unreadable;
    QTest::newRow("reply of another kind") << QByteArray("printf 'Sheet1\\n'") << unreadable;
    // A list said to hold four thousand million texts, in a reply of eight
    // bytes (found by fuzz_mdb: the parent tried to make room for them).
    QTest::newRow("count beyond the reply") << QByteArray("printf 'MIM1\\377\\377\\377\\360'") << unreadable;
    QTest::newRow("refusal without a text") << QByteArray("exit 3") << unreadable;
    QTest::newRow("refusal passed on") << QByteArray("printf '不能读取该Excel文件'; exit 3") << "不能读取该Excel文件";
    QTest::newRow("never ends") << QByteArray("exec sleep 30") << "读取超时";
    QTest::newRow("no reader program") << QByteArray() << "找不到读取程序";
}

void TestImportSource::readerProgramFailures() {
    QFETCH(QByteArray, script);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString reader = dir.filePath("reader.sh");
    if (!script.isEmpty()) {
        QFile f(reader);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + script + "\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    }
    TImportSource::SetReaderProgram(reader);
    TImportSource::SetReaderTimeout(2);
    QString got;
    try {
        TImportSource::Open(file("products.xls"));
    } catch (const AppError& e) {
        got = e.text();
    }
    useReaderProgram();
    TImportSource::SetReaderTimeout(120);
    QVERIFY2(got.contains(message), qPrintable(got));
}

// ------------------------------------------------------------------- csv

void TestImportSource::csvFields_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QList<QStringList>>("rows");
    const QStringList ab{"名称", "价格"};
    QTest::newRow("quoted separator, quote, line break")
        << QByteArray("名称,价格\n\"茶杯, 大\",12\n\"说\"\"好\"\"的\n第二行\",3\n") << ab
        << QList<QStringList>{{"茶杯, 大", "12"}, {"说\"好\"的\n第二行", "3"}};
    QTest::newRow("semicolons") << QByteArray("名称;价格\r\n茶杯;1,5\r\n") << ab << QList<QStringList>{{"茶杯", "1,5"}};
    QTest::newRow("tabs") << QByteArray("名称\t价格\n茶杯\t2\n") << ab << QList<QStringList>{{"茶杯", "2"}};
    QTest::newRow("byte order mark, no last line break")
        << QByteArray("\xEF\xBB\xBF名称,价格\n茶杯,2") << ab << QList<QStringList>{{"茶杯", "2"}};
    QTest::newRow("short and long rows, blank lines")
        << QByteArray("名称,价格\n茶杯\n\n,\n茶壶,5,多余\n") << ab << QList<QStringList>{{"茶杯", ""}, {"茶壶", "5"}};
    QTest::newRow("header only") << QByteArray("名称,价格\n") << ab << QList<QStringList>();
    QTest::newRow("nothing") << QByteArray() << QStringList() << QList<QStringList>();
}

void TestImportSource::csvFields() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, columns);
    QFETCH(QList<QStringList>, rows);
    const TImportTable t = TImportSource::OpenCsv(content, "t")->Read("t");
    QCOMPARE(t.columns, columns);
    QCOMPARE(QList<QStringList>(t.rows.begin(), t.rows.end()), rows);
}

void TestImportSource::csvEncoding_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("encoding");
    const QString names = "商品名称,规格\n白衬衫,大号\n纯棉袜子,均码\n";
    QTest::newRow("utf-8") << names.toUtf8() << "UTF-8";
    QStringEncoder gbk("GBK");
    QTest::newRow("gbk") << QByteArray(gbk.encode(names)) << "GB18030";
    QTest::newRow("gbk, one short name") << QByteArray(gbk.encode(QString("名称\n茶"))) << "GB18030";
    QTest::newRow("ascii") << QByteArray("name\ntea\n") << "UTF-8";
}

void TestImportSource::csvEncoding() {
    QFETCH(QByteArray, content);
    QFETCH(QString, encoding);
    QCOMPARE(TImportSource::DetectCsvEncoding(content), encoding);
}

// ------------------------------------------------------------ the header

void TestImportSource::columnNames_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("columns");
    QTest::newRow("blank name") << QByteArray("名称,,价格\n茶,1,2\n") << QStringList{"名称", "F2", "价格"};
    QTest::newRow("repeated name") << QByteArray("名称,名称\n茶,1\n") << QStringList{"名称", "名称2"};
    QTest::newRow("blank rows above") << QByteArray(",\n\n 名称 ,价格,\n茶,1\n") << QStringList{"名称", "价格"};
}

void TestImportSource::columnNames() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, columns);
    QCOMPARE(TImportSource::OpenCsv(content, "t")->Read("t").columns, columns);
}

QTEST_GUILESS_MAIN(TestImportSource)
#include "tst_importsource.moc"
