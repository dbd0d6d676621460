// A short fuzz run of every import reader, as the program reads files: the
// real files the readers were made for, and copies of them damaged the ways
// files get damaged (bits flipped, fields set to extremes, cut short, parts
// repeated or lost, two files spliced). Each must end in tables or in the
// reader's message; a crash ends this test, any other exception fails it.
// The libFuzzer targets (make fuzz) go much further; this is what every
// build checks. IMPORT_FUZZ_COUNT=N runs N copies per reader instead;
// IMPORT_FUZZ_KEEP=1 keeps the copies that took more than two seconds.
#include "dberror.h"
#include "importfixture.h"
#include "importsource.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace importfixture;

namespace {
QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// One damage of the kind a disk, a transfer or a careless program does.
void damage(QByteArray& b, const QList<QByteArray>& others, QRandomGenerator& rnd) {
    if (b.isEmpty()) {
        b = QByteArray(1 + rnd.bounded(64), '\0');
        return;
    }
    const auto at = [&](qsizetype n) { return rnd.bounded(n); };
    switch (rnd.bounded(7)) {
    case 0: // bits flipped
        for (int i = 1 + at(8); i > 0; --i)
            b[at(b.size())] = char(b[at(b.size())] ^ (1 << at(8)));
        break;
    case 1: { // a length or count field set to an extreme
        static const quint32 extremes[] = {0, 1, 0x7F, 0x80, 0xFF, 0x100, 0x7FFF, 0x8000, 0xFFFF,
                                           0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
        const quint32 v = extremes[at(std::size(extremes))];
        const int width = rnd.bounded(2) ? 2 : 4;
        const qsizetype p = at(b.size());
        for (int i = 0; i < width && p + i < b.size(); ++i)
            b[p + i] = char(v >> (8 * i));
        break;
    }
    case 2: // cut short
        b.truncate(at(b.size()));
        break;
    case 3: { // a part repeated
        const qsizetype p = at(b.size());
        const qsizetype n = 1 + at(qMin<qsizetype>(b.size() - p, 4096));
        b.insert(at(b.size()), b.mid(p, n));
        break;
    }
    case 4: { // a part lost
        const qsizetype p = at(b.size());
        b.remove(p, 1 + at(qMin<qsizetype>(b.size() - p, 4096)));
        break;
    }
    case 5: { // a sector or block of another file
        const QByteArray& o = others.at(at(others.size()));
        if (o.isEmpty()) break;
        const qsizetype from = at(o.size()), to = at(b.size());
        const QByteArray part = o.mid(from, 512);
        b.replace(to, qMin(part.size(), b.size() - to), part);
        break;
    }
    default: // bytes overwritten at random
        for (int i = 1 + at(32); i > 0; --i)
            b[at(b.size())] = char(rnd.bounded(256));
        break;
    }
}
} // namespace

class TestImportFuzz : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        useReaderProgram();
        // Small files: a library's endless appetite ends within a second.
        TImportSource::SetReaderMemory(64);
    }
    void readers_data();
    void readers();
};

void TestImportFuzz::readers_data() {
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QStringList>("seeds");
    QTest::addColumn<int>("copies");
    const QString sheets = shared("spreadsheets/");
    QStringList xls{file("products.xls"), QStringLiteral(MORVANE_SOURCE_DIR "/resources/商品导入模板.xls")};
    for (const QString& f : QDir(sheets).entryList({"*.xls"}, QDir::Files, QDir::Name))
        xls << sheets + f;
    QStringList xlsx{file("products.xlsx")};
    for (const QString& f : QDir(sheets).entryList({"*.xlsx"}, QDir::Files, QDir::Name))
        xlsx << sheets + f;
    // .xls and .mdb start the reader program for every file: fewer copies.
    QTest::newRow("xls") << "xls" << xls << 80;
    QTest::newRow("xlsx") << "xlsx" << xlsx << 1500;
    QTest::newRow("mdb") << "mdb" << QStringList{shared("DateTestDatabase.mdb")} << 80;
    QTest::newRow("csv") << "csv" << QStringList{file("products-utf8.csv"), file("products-gbk.csv")} << 1500;
}

void TestImportFuzz::readers() {
    QFETCH(QString, ext);
    QFETCH(QStringList, seeds);
    QFETCH(int, copies);
    if (qEnvironmentVariableIntValue("IMPORT_FUZZ_COUNT") > 0) copies = qEnvironmentVariableIntValue("IMPORT_FUZZ_COUNT");
    QList<QByteArray> originals;
    for (const QString& s : seeds)
        if (QFile::exists(s)) originals << readFile(s);
    if (originals.isEmpty()) QSKIP("no sample files of this kind");
    QTemporaryDir dir;
    const QString path = dir.filePath("input." + ext);
    // The same copies on every run, so that a finding can be had again.
    QRandomGenerator rnd(20261209);
    int read = 0, refused = 0;
    for (int i = 0; i < originals.size() + copies; ++i) {
        QByteArray bytes = originals.at(i % originals.size());
        if (i >= originals.size())
            for (int d = 1 + rnd.bounded(4); d > 0; --d)
                damage(bytes, originals, rnd);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        QElapsedTimer took;
        took.start();
        try {
            const auto source = TImportSource::Open(path);
            for (const QString& t : source->Tables())
                (void)source->Read(t);
            ++read;
        } catch (const AppError& e) {
            QVERIFY(!e.text().isEmpty());
            ++refused;
        } catch (const std::exception& e) {
            // Kept for a look, named after the copy that gave it.
            const QString kept = QDir::temp().filePath(QString("import-fuzz-%1-%2.%1").arg(ext).arg(i));
            QFile::remove(kept);
            QFile::copy(path, kept);
            QFAIL(qPrintable(QString("copy %1 (kept as %2): %3").arg(i).arg(kept, QString::fromUtf8(e.what()))));
        }
        if (i == 0) QVERIFY2(read == 1, "the test's own file must read");
        if (qEnvironmentVariableIsSet("IMPORT_FUZZ_KEEP") && took.elapsed() > 2000) {
            const QString kept = QDir::temp().filePath(QString("import-fuzz-slow-%1.%2").arg(i).arg(ext));
            QFile::remove(kept);
            QFile::copy(path, kept);
            qInfo("copy %d took %lld ms, kept as %s", i, took.elapsed(), qPrintable(kept));
        }
    }
    qInfo("%s: %d read, %d refused", qPrintable(ext), read, refused);
}

QTEST_GUILESS_MAIN(TestImportFuzz)
#include "tst_importfuzz.moc"
