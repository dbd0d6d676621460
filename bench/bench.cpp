// Times what a user waits for on the big shop (see bigshop.cpp) and prints
// one table: each operation through the windows' own path (datasets, models,
// grids, first paint), the median of a few runs with the fastest and the
// slowest, and beside it SQLite's C API reading the same rows in the same
// run (rawsql.h), with the ratio of the two.
//
//   bench_run <big shop file> [--runs N] [--plans]
//
// The shop is copied into a working folder beside it first, so the cached
// file is never changed by the program's own start (WAL, settings). Start-up
// and the product window are timed in processes of their own, started anew
// for every run: that is how a user meets them, and the memory high-water
// mark of such a process is the product window's own. Everything else runs
// in this process. Each operation runs once untimed first with a probe on
// the connections, which records the statements it ran and the rows each
// gave; that list is what the raw reader repeats.
#include "appcontext.h"
#include "application.h"
#include "catalogue.h"
#include "connection.h"
#include "controlplacement.h"
#include "datagrid.h"
#include "dataset.h"
#include "documents.h"
#include "exporter.h"
#include "listform.h"
#include "inputeditform.h"
#include "liststatements.h"
#include "documentlists.h"
#include "inventoryform.h"
#include "stockview.h"
#include "stockstatements.h"
#include "resourcefactory.h"
#include "loginform.h"
#include "mainform.h"
#include "partnerform.h"
#include "partnerframe.h"
#include "partners.h"
#include "maindm.h"
#include "productimporter.h"
#include "productimporterform.h"
#include "productmainform.h"
#include "importsource.h"
#include "productselector.h"
#include "quickmessagedlg.h"
#include "rawsql.h"
#include "reportframe.h"
#include "reportmainform.h"
#include "reports.h"
#include "trendchart.h"
#include "wiring.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QComboBox>
#include <QDateEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest/QTest>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

using namespace ListStatements;

namespace {

int g_runs = 5;

double msSince(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

// ------------------------------------------------------------------ table

struct Row {
    QString name;
    qint64 rows = -1;   // rows read from SQLite by the program's path
    QList<double> ms;   // the program's path, per run
    QList<double> raw;  // SQLite alone on the same rows, per run
    // Where the window paints after reading: until its model holds the rows
    // read (the part SQLite alone is compared with), per run.
    QList<double> ready;
    QString unit = QStringLiteral("ms");
    QString note;
};
QList<Row> g_table;

double median(QList<double> v) {
    if (v.isEmpty()) return 0;
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Columns in a monospace terminal: CJK characters take two cells.
int cells(const QString& s) {
    int n = 0;
    for (const char32_t c : s.toUcs4()) n += (c >= 0x1100 && (c <= 0x115f || (c >= 0x2e80 && c <= 0xa4cf) ||
                                                              (c >= 0xac00 && c <= 0xd7a3) || (c >= 0xf900 && c <= 0xfaff) ||
                                                              (c >= 0xfe30 && c <= 0xfe4f) || (c >= 0xff00 && c <= 0xff60) ||
                                                              (c >= 0xffe0 && c <= 0xffe6)))
                                               ? 2
                                               : 1;
    return n;
}

QString pad(const QString& s, int width, bool right) {
    const QString fill(std::max(0, width - cells(s)), QLatin1Char(' '));
    return right ? fill + s : s + fill;
}

QString number(double v) {
    if (v >= 100) return QString::number(v, 'f', 0);
    if (v >= 10) return QString::number(v, 'f', 1);
    return QString::number(v, 'f', 2);
}

void printTable() {
    const QStringList head = {QStringLiteral("operation"), QStringLiteral("rows read"), QStringLiteral("runs"), QStringLiteral("median"),
                              QStringLiteral("min"),       QStringLiteral("max"),       QStringLiteral("raw SQLite"),
                              QStringLiteral("ratio"),     QStringLiteral("rows ready"), QStringLiteral("ready ÷ raw")};
    QList<QStringList> lines;
    for (const Row& r : g_table) {
        QStringList l;
        l << r.name << (r.rows < 0 ? QStringLiteral("—") : QString::number(r.rows)) << QString::number(r.ms.size());
        if (r.ms.isEmpty()) {
            l << (r.note.isEmpty() ? QStringLiteral("n/a") : r.note) << QString() << QString() << QString() << QString()
              << QString() << QString();
            lines << l;
            continue;
        }
        const auto [lo, hi] = std::minmax_element(r.ms.begin(), r.ms.end());
        const QString u = QLatin1Char(' ') + r.unit;
        l << number(median(r.ms)) + u << number(*lo) + u << number(*hi) + u;
        if (r.raw.isEmpty()) {
            l << QStringLiteral("—") << QStringLiteral("—");
        } else {
            const double raw = median(r.raw);
            l << number(raw) + u << (raw > 0 ? number(median(r.ms) / raw) + QStringLiteral("×") : QStringLiteral("—"));
        }
        if (r.ready.isEmpty()) {
            l << QStringLiteral("—") << QStringLiteral("—");
        } else {
            const double raw = median(r.raw);
            l << number(median(r.ready)) + u
              << (raw > 0 ? number(median(r.ready) / raw) + QStringLiteral("×") : QStringLiteral("—"));
        }
        lines << l;
    }
    QList<int> width;
    for (int c = 0; c < head.size(); ++c) {
        int w = cells(head[c]);
        for (const QStringList& l : lines) w = std::max(w, cells(l[c]));
        width << w;
    }
    auto print = [&](const QStringList& l) {
        QString out = QStringLiteral("|");
        for (int c = 0; c < l.size(); ++c) out += QLatin1Char(' ') + pad(l[c], width[c], c > 0) + QStringLiteral(" |");
        std::printf("%s\n", out.toUtf8().constData());
    };
    print(head);
    QString rule = QStringLiteral("|");
    for (int c = 0; c < head.size(); ++c)
        rule += QString(width[c] + 1, QLatin1Char('-')) + (c > 0 ? QStringLiteral(":|") : QStringLiteral("-|"));
    std::printf("%s\n", rule.toUtf8().constData());
    for (const QStringList& l : lines) print(l);
    for (const Row& r : g_table)
        if (!r.note.isEmpty() && !r.ms.isEmpty()) std::printf("- %s: %s\n", qPrintable(r.name), qPrintable(r.note));
}

// --only TEXT: run just the operations whose name holds TEXT.
QString g_only;
bool wanted(const QString& name) { return g_only.isEmpty() || name.contains(g_only, Qt::CaseInsensitive); }

// Progress on stderr as each operation is done; the table comes at the end.
void report(const Row& r) {
    if (r.ms.isEmpty() && !wanted(r.name)) return;
    QString line = QStringLiteral("  ") + pad(r.name, 56, false) + QLatin1Char(' ');
    line += r.ms.isEmpty() ? QStringLiteral("n/a") : number(median(r.ms)) + QLatin1Char(' ') + r.unit;
    if (!r.ready.isEmpty()) line += QStringLiteral(", ready %1 %2").arg(number(median(r.ready)), r.unit);
    if (!r.raw.isEmpty()) line += QStringLiteral(" (raw %1 %2)").arg(number(median(r.raw)), r.unit);
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    g_table << r;
}

// The machine is shared: what else ran shows in the load average.
QString loadAverage() {
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("?");
    return QString::fromLatin1(f.readAll()).section(QLatin1Char(' '), 0, 0);
}

// ------------------------------------------------------------- plans

bool g_plans = false;
QList<QPair<QString, QList<Execution>>> g_planned;

void printPlans(sqlite3* db) {
    for (const auto& [name, runs] : g_planned) {
        std::printf("\n%s\n", qPrintable(name));
        QStringList seen;
        for (const Execution& e : runs) {
            if (!e.readOnly || seen.contains(e.sql) || e.sql.startsWith(QLatin1String("PRAGMA"), Qt::CaseInsensitive))
                continue;
            seen << e.sql;
            std::printf("  %lld rows: %s\n", qint64(e.rows), qPrintable(e.sql.simplified().left(300)));
            sqlite3_stmt* st = nullptr;
            const QByteArray sql = QByteArrayLiteral("EXPLAIN QUERY PLAN ") + e.sql.toUtf8();
            if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK) continue;
            while (sqlite3_step(st) == SQLITE_ROW)
                std::printf("      %s\n", reinterpret_cast<const char*>(sqlite3_column_text(st, 3)));
            sqlite3_finalize(st);
        }
    }
}

// ---------------------------------------------------- in this process

// The slowest operations take half a minute a run on a busy machine; they
// stop after the fewest runs once their time is spent, so that the whole
// table stays within minutes. The table shows the runs each row had.
constexpr int kFewestRuns = 3;
constexpr qint64 kBudgetMs = 40000;

// Runs op once with the probe on the watched connections (untimed; it also
// warms the caches), then g_runs times, each followed by the raw reader.
// op returns the milliseconds of what it times, so that it can put the
// window back where it was before the clock starts.
// The program's connection, once open: its readers are handed out as lists
// need them, so every reader it holds is watched, and one it opens during
// the probe run is watched from its opening.
const Connection* g_program = nullptr;

std::vector<sqlite3*> watchedNow(const std::vector<sqlite3*>& watched) {
    std::vector<sqlite3*> all = watched;
    if (g_program)
        for (sqlite3* h : g_program->handles())
            if (std::find(all.begin(), all.end(), h) == all.end()) all.push_back(h);
    return all;
}

// Set by an operation that times apart the moment its rows are in the
// window's model, before the paint.
double g_readyMs = -1;

Row measure(const QString& name, const std::vector<sqlite3*>& watched, sqlite3* rawDb,
            const std::function<double()>& op) {
    Row r;
    r.name = name;
    if (!wanted(name)) return r;
    Probe::start();
    for (sqlite3* db : watchedNow(watched)) Probe::watch(db);
    Probe::watchNewConnections();
    op();
    Probe::stopWatchingNewConnections();
    for (sqlite3* db : watchedNow(watched)) Probe::unwatch(db);
    const QList<Execution> runs = Probe::take();
    r.rows = Probe::rowsOf(runs);
    if (g_plans) g_planned.append({name, runs});
    QElapsedTimer spent;
    spent.start();
    for (int i = 0; i < g_runs; ++i) {
        g_readyMs = -1;
        r.ms << op();
        if (g_readyMs >= 0) r.ready << g_readyMs;
        r.raw << RunRaw(rawDb, runs);
        if (i + 1 >= kFewestRuns && spent.elapsed() > kBudgetMs) break;
    }
    return r;
}

// -------------------------------------------------- child processes

struct ChildResult {
    double ms = 0;     // from start to the "shown" line
    QJsonObject out;   // what the child wrote after it
};

// Starts a program (this one by default) with args and times it until it
// prints its "shown" line; then reads the rest of what it prints (JSON)
// until it ends.
std::optional<ChildResult> runChild(const QStringList& args,
                                    const QString& program = QCoreApplication::applicationFilePath()) {
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer t;
    t.start();
    p.start();
    QByteArray got;
    while (!got.contains('\n')) {
        if (!p.waitForReadyRead(120000)) break;
        got += p.readAllStandardOutput();
    }
    ChildResult r;
    r.ms = msSince(t);
    if (!got.startsWith("shown")) {
        p.kill();
        p.waitForFinished();
        std::fprintf(stderr, "bench: %s failed: %s\n", qPrintable(args.join(' ')), got.constData());
        return std::nullopt;
    }
    p.waitForFinished(300000);
    got += p.readAllStandardOutput();
    r.out = QJsonDocument::fromJson(got.mid(got.indexOf('\n') + 1)).object();
    return r;
}

// Start-up as RunProgram does it, up to the login window on screen.
int childStartup(int argc, char** argv, const QString& appDir, bool probe) {
    if (probe) Probe::watchNewConnections();
    Probe::start();
    TApplication app(argc, argv);
    TMainDM dm;
    TAppContext context;
    context.SetAppDir(appDir);
    TControlPlacement placement(context.PlacementFile());
    dm.Startup(context.DataFile());
    context.UseData(dm);
    TLoginForm login(dm, context);
    login.OpenUsers();
    login.TryAutoLogin();
    login.show();
    if (!QTest::qWaitForWindowExposed(&login)) return 1;
    std::printf("shown\n");
    std::fflush(stdout);
    QJsonObject out{{"hwm", MemoryHighWaterKiB()}};
    if (probe) out.insert("runs", QString::fromUtf8(ExecutionsToJson(Probe::take())));
    std::printf("%s\n", QJsonDocument(out).toJson(QJsonDocument::Compact).constData());
    return 0;
}

// The program logged in as the administrator, then 商品管理 chosen in the
// main window, timed to the product window's first paint.
int childProductWindow(int argc, char** argv, const QString& appDir, bool probe) {
    if (probe) Probe::watchNewConnections();
    TApplication app(argc, argv);
    TMainDM dm;
    TAppContext context;
    context.SetAppDir(appDir);
    TControlPlacement placement(context.PlacementFile());
    dm.Startup(context.DataFile());
    context.UseData(dm);
    context.SetCurrentUser(TUser{1, 1, QStringLiteral("admin")});
    TWiring program(dm, context, placement);
    TQuickMessageDlg::StartRecording(); // an error box must not wait for a click
    const qint64 before = MemoryResidentKiB();
    Probe::start();
    QElapsedTimer t;
    t.start();
    program.MainForm().AcProductList->trigger();
    TProductMainForm* form = program.Catalogue().ProductMainForm(); // the window the action showed
    QCoreApplication::processEvents();
    const QPixmap firstPaint = form->grab();
    const double ms = msSince(t);
    // The first paint as a picture, so that two builds can be shown to open
    // the same window: BENCH_SHOT=<file.png>.
    if (!qEnvironmentVariableIsEmpty("BENCH_SHOT")) firstPaint.save(qEnvironmentVariable("BENCH_SHOT"));
    if (!TQuickMessageDlg::ShownTexts().isEmpty() || !form->isVisible()) {
        std::fprintf(stderr, "bench: the product window did not open: %s\n",
                     qPrintable(TQuickMessageDlg::ShownTexts().join(QLatin1Char(' '))));
        return 1;
    }
    const QList<Execution> runs = Probe::take();
    std::printf("shown\n");
    QJsonObject out{{"ms", ms}, {"hwm", MemoryHighWaterKiB()}, {"rssBefore", before}, {"rss", MemoryResidentKiB()}};
    if (probe) out.insert("runs", QString::fromUtf8(ExecutionsToJson(runs)));
    std::printf("%s\n", QJsonDocument(out).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
    return firstPaint.isNull() ? 1 : 0;
}

// The statements for bench_rawstart: "<rows> <bytes>\n<text>\n" each.
QString writeRuns(const QString& dir, const QString& name, const QList<Execution>& runs) {
    const QString path = dir + QLatin1Char('/') + name;
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    for (const Execution& e : runs) {
        if (!e.readOnly) continue;
        const QByteArray sql = e.sql.toUtf8();
        f.write(QByteArray::number(e.rows) + ' ' + QByteArray::number(sql.size()) + '\n' + sql + '\n');
    }
    return path;
}

void benchStartup(const QString& appDir, const QString& dataFile) {
    if (!wanted(QStringLiteral("start-up"))) return;
    Row r;
    r.name = QStringLiteral("start-up to the login window (process)");
    const auto probe = runChild({QStringLiteral("--child-startup"), appDir, QStringLiteral("--probe")});
    if (!probe) {
        r.note = QStringLiteral("failed");
        report(r);
        return;
    }
    const QList<Execution> runs = ExecutionsFromJson(probe->out.value("runs").toString().toUtf8());
    r.rows = Probe::rowsOf(runs);
    if (g_plans) g_planned.append({r.name, runs});
    const QString runsFile = writeRuns(appDir, QStringLiteral("startup-statements.txt"), runs);
    const QString rawStart = QCoreApplication::applicationDirPath() + QStringLiteral("/bench_rawstart");
    QList<double> hwm;
    for (int i = 0; i < g_runs; ++i) {
        if (const auto c = runChild({QStringLiteral("--child-startup"), appDir})) {
            r.ms << c->ms;
            hwm << c->out.value("hwm").toDouble() / 1024;
        }
        if (const auto c = runChild({dataFile, runsFile}, rawStart)) r.raw << c->ms;
    }
    r.note = QStringLiteral("raw: bench_rawstart, a process of SQLite alone running the same statements; memory "
                            "high-water at the login window %1 MiB")
                 .arg(number(median(hwm)));
    report(r);
}

void benchProductWindow(const QString& appDir, sqlite3* rawDb) {
    if (!wanted(QStringLiteral("商品管理 product window memory"))) return;
    Row r;
    r.name = QStringLiteral("商品管理: product window opened, first paint");
    Row mem;
    mem.name = QStringLiteral("memory high-water, product window open");
    mem.unit = QStringLiteral("MiB");
    const auto probe = runChild({QStringLiteral("--child-products"), appDir, QStringLiteral("--probe")});
    if (!probe) {
        r.note = mem.note = QStringLiteral("failed");
        report(r);
        report(mem);
        return;
    }
    const QList<Execution> runs = ExecutionsFromJson(probe->out.value("runs").toString().toUtf8());
    r.rows = Probe::rowsOf(runs);
    if (g_plans) g_planned.append({r.name, runs});
    QList<double> before;
    for (int i = 0; i < g_runs; ++i) {
        if (const auto c = runChild({QStringLiteral("--child-products"), appDir})) {
            r.ms << c->out.value("ms").toDouble();
            mem.ms << c->out.value("hwm").toDouble() / 1024;
            before << c->out.value("rssBefore").toDouble() / 1024;
        }
        r.raw << RunRaw(rawDb, runs);
    }
    mem.note = QStringLiteral("resident before opening it (logged in, main window made): %1 MiB")
                   .arg(number(median(before)));
    report(r);
    report(mem);
}

// ---------------------------------------------------------------- import

// A shop's product list of `rows` products as a spreadsheet program or a
// till exports it: the template's columns, new categories and units among
// them, some prices as text.
QList<QStringList> importRows(int rows) {
    QList<QStringList> out;
    out.reserve(rows + 1);
    out << QStringList{QStringLiteral("商品编码"), QStringLiteral("商品名称"), QStringLiteral("型号"), QStringLiteral("规格"),
                       QStringLiteral("单位"), QStringLiteral("商品目录"), QStringLiteral("销售价")};
    for (int i = 1; i <= rows; ++i)
        out << QStringList{QStringLiteral("IMP%1").arg(i, 7, 10, QLatin1Char('0')),
                           QStringLiteral("导入商品%1号 得力中性笔").arg(i), QStringLiteral("M%1").arg(i % 500),
                           QStringLiteral("0.5mm 黑色"), QStringLiteral("导入单位%1").arg(i % 7),
                           QStringLiteral("导入目录%1").arg(i % 50),
                           i % 10 == 0 ? QStringLiteral("面议") : QString::number((i % 1000) * 0.5)};
    return out;
}

// The files are made once and kept beside the shop; "" when one cannot be
// made (a .xls needs python3-xlwt, a .xlsx python3-openpyxl).
QString importFile(const QString& folder, const QString& ext, int rows) {
    const QString path = folder + QStringLiteral("/products-%1.%2").arg(rows).arg(ext);
    if (QFileInfo(path).size() > 0) return path;
    QDir().mkpath(folder);
    if (ext == QLatin1String("csv")) {
        const QList<QStringList> table = importRows(rows);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return QString();
        for (const QStringList& r : table) f.write(r.join(QLatin1Char(',')).toUtf8() + "\r\n");
        return path;
    }
    // The workbooks through python3-xlwt (.xls) and python3-openpyxl (.xlsx),
    // as the import tests' workbooks are made. (libxlsxwriter cannot be used
    // here: its zip functions would be taken from QuaZip, which the readers
    // load first.)
    const QString csv = importFile(folder, QStringLiteral("csv"), rows);
    const QString xls = QStringLiteral("import csv, sys, xlwt\n"
                                       "book = xlwt.Workbook(encoding='utf-8')\n"
                                       "sheet = book.add_sheet('Sheet1')\n"
                                       "for r, row in enumerate(csv.reader(open(sys.argv[1], encoding='utf-8'))):\n"
                                       "    for c, v in enumerate(row):\n"
                                       "        try:\n"
                                       "            sheet.write(r, c, float(v) if c == 6 else v)\n"
                                       "        except ValueError:\n"
                                       "            sheet.write(r, c, v)\n"
                                       "book.save(sys.argv[2])\n");
    const QString xlsx = QStringLiteral("import csv, sys, openpyxl\n"
                                        "book = openpyxl.Workbook(write_only=True)\n"
                                        "sheet = book.create_sheet('Sheet1')\n"
                                        "for row in csv.reader(open(sys.argv[1], encoding='utf-8')):\n"
                                        "    try:\n"
                                        "        row[6] = float(row[6])\n"
                                        "    except ValueError:\n"
                                        "        pass\n"
                                        "    sheet.append(row)\n"
                                        "book.save(sys.argv[2])\n");
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"),
             {QStringLiteral("-c"), ext == QLatin1String("xls") ? xls : xlsx, csv, path});
    if (!py.waitForFinished(600000) || py.exitCode() != 0) {
        QFile::remove(path);
        return QString();
    }
    return path;
}

// The import wizard run through from Next on its file page to its finish
// page, into the big shop's 100 000 products: the file read (.xls in the
// reader program), the columns guessed, and the rows written with the
// progress bar moving. What a run added is taken out again, untimed.
void benchImport(Connection& conn, const QString& folder) {
    const struct {
        const char* ext;
        int rows;
    } files[] = {{"xls", 10000}, {"xlsx", 10000}, {"csv", 10000},
                 // A .xls sheet holds at most 65 536 rows.
                 {"xls", 65535}, {"xlsx", 100000}, {"csv", 100000}};
    for (const auto& f : files) {
        Row r;
        r.name = QStringLiteral("import %1 products from .%2 (wizard)").arg(f.rows).arg(QLatin1String(f.ext));
        if (!wanted(r.name)) continue;
        const QString path = importFile(folder, QLatin1String(f.ext), f.rows);
        if (path.isEmpty()) {
            r.note = QStringLiteral("no file (made with python3-xlwt or python3-openpyxl)");
            report(r);
            continue;
        }
        r.rows = f.rows;
        int imported = 0;
        const int runs = f.rows > 10000 ? std::min(g_runs, 2) : std::min(g_runs, 3);
        for (int i = 0; i < runs; ++i) {
            TQuickMessageDlg::StartRecording();
            TProductImporterForm w(conn, QString());
            w.show();
            w.restart();
            w.edtFile->setText(path);
            QElapsedTimer t;
            t.start();
            for (int page = 0; page < 4 && w.currentId() == page; ++page)
                w.next();
            while (w.currentId() == TProductImporterForm::WPProgress || w.Running())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            const double ms = msSince(t);
            const QStringList shown = TQuickMessageDlg::ShownTexts();
            TQuickMessageDlg::StopRecording();
            if (w.currentId() != TProductImporterForm::WPFinish) {
                r.note = QStringLiteral("stopped on page %1: %2").arg(w.currentId()).arg(shown.join(QLatin1Char(' ')));
                break;
            }
            r.ms << ms;
            imported = w.lbSuccess->text().toInt();
            const int log = w.Importer().ImportLogID;
            w.close();
            TransactionGuard tx(conn);
            conn.execute(QStringLiteral("delete from Product where importLogID = :id"), {{QStringLiteral("id"), log}});
            conn.execute(QStringLiteral("delete from ImportLog where id = :id"), {{QStringLiteral("id"), log}});
            conn.execute(QStringLiteral("delete from ProductCategory where categoryName like '导入目录%'"));
            conn.execute(QStringLiteral("delete from ProductUnit where unitName like '导入单位%'"));
            tx.commit();
        }
        if (r.note.isEmpty())
            r.note = QStringLiteral("%1 imported of %2 rows, %3 MiB file")
                         .arg(imported)
                         .arg(f.rows)
                         .arg(number(QFileInfo(path).size() / 1048576.0));
        report(r);
    }
}

// ---------------------------------------------------------------- export

// The grid export as the menu runs it (progress display, event processing
// and all) on 100 000 records of ten columns, as a long purchase list has
// them, already in the grid. Raw: SQLite reading those records.
void benchExport(const QString& folder) {
    if (!wanted(QStringLiteral("export"))) return;
    const int rows = 100000;
    const QString dbPath = folder + QStringLiteral("/export.db");
    QFile::remove(dbPath);
    Connection::createFromSchema(dbPath, QStringLiteral("SELECT 1;"));
    Connection conn;
    conn.open(dbPath);
    conn.execute(QStringLiteral("CREATE TABLE Lines(id INTEGER PRIMARY KEY, code TEXT, name TEXT, sizing TEXT, "
                                "unit TEXT, qty INTEGER, price REAL, amount REAL, madeOn DATETIME, note TEXT)"));
    // Names and notes with the characters that need quoting or escaping,
    // so that those paths are part of the timing.
    conn.execute(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                "INSERT INTO Lines SELECT i, printf('P%06d', i), '商品' || i || '号 得力中性笔', "
                                "'0.5mm, 黑色', '支', i % 97, (i % 1000) * 0.25, (i % 97) * (i % 1000) * 0.25, "
                                "printf('2010-%02d-%02d 00:00:00.000', 1 + i % 12, 1 + i % 28), "
                                "CASE WHEN i % 10 = 0 THEN '备注 \"加急\" <A&B>' ELSE '' END FROM n")
                     .arg(rows));
    const QString sql = QStringLiteral("SELECT * FROM Lines ORDER BY id");
    DataSet ds(&conn);
    ds.setSql(sql);
    ds.setDisplayFormat(QStringLiteral("price"), QStringLiteral("#.##"));
    ds.setDisplayFormat(QStringLiteral("amount"), QStringLiteral("#,##0.00"));
    ds.open();
    ds.fetchAll();
    DataGrid grid;
    grid.setDataSet(&ds);
    const char* columns[][2] = {{"code", "商品编码"}, {"name", "商品名称"}, {"sizing", "规格"}, {"unit", "单位"},
                                {"qty", "数量"},      {"price", "单价"},    {"amount", "金额"}, {"madeOn", "日期"},
                                {"note", "备注"},     {"id", "序号"}};
    for (const auto& c : columns) grid.addColumn(QString::fromUtf8(c[0]), QString::fromUtf8(c[1]));
    grid.resize(1000, 600);
    grid.show();
    TExporter* ex = TExporter::Create(&grid, QStringLiteral("进货明细数据"), &grid);
    const QList<Execution> read = {{sql, rows, true}};

    static const char* names[] = {"Word (.docx)", "Excel (.xlsx)", "HTML", "CSV", "XML"};
    static const char* ext[] = {".docx", ".xlsx", ".html", ".csv", ".xml"};
    for (int kind = 0; kind < 5; ++kind) {
        Row r;
        r.name = QStringLiteral("export 100 000 rows to ") + QLatin1String(names[kind]);
        r.rows = rows;
        if ((kind == TExporter::Word && !TExporter::OfficeInstalled(QStringLiteral("Word.Application"))) ||
            (kind == TExporter::Excel && !TExporter::OfficeInstalled(QStringLiteral("Excel.Application")))) {
            r.note = QStringLiteral("no writer in this build");
            report(r);
            continue;
        }
        const QString path = folder + QStringLiteral("/out") + QLatin1String(ext[kind]);
        TExporter::SetSaveDialogHook([&](QFileDialog&) { return TExporter::SaveAnswer{true, path, kind + 1}; });
        double mib = 0;
        int done = 0;
        for (int i = 0; i < g_runs; ++i) {
            TQuickMessageDlg::StartRecording(); // no success box to click away
            QElapsedTimer t;
            t.start();
            ex->ExportAs(TExporter::Html);
            r.ms << msSince(t);
            done += TQuickMessageDlg::ShownTexts().count(QStringLiteral("导出成功."));
            TQuickMessageDlg::StopRecording();
            mib = QFileInfo(path).size() / 1048576.0;
            QFile::remove(path);
            r.raw << RunRaw(conn.handle(), read);
        }
        r.note = done == g_runs ? QStringLiteral("%1 MiB written; raw: SQLite reading the rows").arg(number(mib))
                                : QStringLiteral("only %1 of %2 exports succeeded").arg(done).arg(g_runs);
        report(r);
    }
    TExporter::SetSaveDialogHook(nullptr);
}

// --------------------------------------------------------- documents

// A new purchase of 100 lines saved from the editor (validation, the one
// transaction of master, lines and number, the reload of the stored
// document), and its audit (status and stock in one transaction, reload).
// Writes are not repeated on the raw connection: there is no raw figure.
void benchDocument(TWiring& program, Connection& conn) {
    const QString saveName = QStringLiteral("进货单: save a new 100-line document");
    const QString auditName = QStringLiteral("进货单: audit that document");
    if (!wanted(saveName) && !wanted(auditName)) return;
    TQuickMessageDlg::StartRecording(); // a refusal must not wait for a click
    TInputEditForm* editor = program.Documents().GetInputEditForm();
    editor->show();
    const int products = conn.scalar(QStringLiteral("select max(id) from Product")).toInt();
    QRandomGenerator rng(42);
    auto fill = [&] {
        editor->NewDocument();
        for (int line = 0; line < 100; ++line) {
            if (line >= editor->Detail()->recordCount()) editor->AddBlankLine();
            editor->Detail()->setRecNo(line + 1);
            TProduct p;
            conn.select(QStringLiteral("select id, storageUnit, salePrice from Product where id >= :id limit 1"),
                        {{QStringLiteral("id"), 1 + int(rng.bounded(products))}}, [&](const Statement& st) {
                            p.id = st.value(0).toInt();
                            p.storageUnit = st.value(1).toInt();
                            p.salePrice = st.value(2).toDouble() > 0 ? st.value(2).toDouble() : 1.0;
                            return false;
                        });
            editor->OnProductPicked(editor->Grid(), p);
        }
    };
    auto* save = editor->findChild<QPushButton*>(QStringLiteral("btnSave"));
    auto* audit = editor->findChild<QPushButton*>(QStringLiteral("btnAudit"));
    Row saving, auditing;
    saving.name = saveName;
    auditing.name = auditName;
    saving.rows = auditing.rows = 100;
    bool ok = true;
    for (int i = 0; i <= g_runs && ok; ++i) { // the first run warms up
        fill();
        QElapsedTimer t;
        t.start();
        save->click();
        const double savedMs = msSince(t);
        ok = !editor->IsNew() && editor->Detail()->recordCount() == 100;
        t.restart();
        audit->click();
        const double auditMs = msSince(t);
        ok = ok && editor->IsLocked();
        if (i > 0) saving.ms << savedMs, auditing.ms << auditMs;
    }
    if (!ok) saving.note = auditing.note = QStringLiteral("failed: ") + TQuickMessageDlg::ShownTexts().join(QLatin1Char(' '));
    else saving.note = auditing.note = QStringLiteral("goal < 20 ms");
    editor->hide();
    TQuickMessageDlg::StopRecording();
    report(saving);
    report(auditing);
}

// -------------------------------------------------------------- driver

QString textAt(Connection& conn, const QString& sql) { return conn.scalar(sql).toString(); }

// The shop holds fewer customers than the partner search is timed on: copies
// of them with card numbers of their own make up the rest, in this run's
// working copy only (the generated shop stays as it is).
void topUpCustomers(Connection& conn, int wanted) {
    const int have = conn.scalar(QStringLiteral("select count(*) from Customer")).toInt();
    if (have == 0 || have >= wanted) return;
    TransactionGuard tx(conn);
    conn.execute(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < :missing) "
                                "insert into Customer(customerCode, customerName, customerType, mobile, tel1, addr1, "
                                "comments) select printf('KH%05d', :have + i), c.customerName, c.customerType, "
                                "c.mobile, c.tel1, c.addr1, c.comments from n join Customer c on c.id = 1 + (n.i - 1) % :have"),
                 {{"missing", wanted - have}, {"have", have}});
    tx.commit();
}

// ------------------------------------------------------ lists and stock

// Waits for the footers' sums, which are read off the interface thread.
template <class F>
void waitFor(F pending) {
    QElapsedTimer t;
    t.start();
    while (pending() && t.elapsed() < 120000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The lists through their windows: the frame loads its statements, the grid
// paints its first screen; the footer follows off the interface thread and
// is timed on its own rows.
void benchLists(TWiring& program, Connection& conn, const std::vector<sqlite3*>& watched, sqlite3* rawDb) {
    for (const Kind k : {Kind::Purchase, Kind::Sale}) {
        const bool purchase = k == Kind::Purchase;
        const QString tag = purchase ? QStringLiteral("进货") : QStringLiteral("销售");
        TListForm* form = program.Lists().ListForm(k);
        form->resize(1000, 600);
        form->show();
        TListFrame* f = form->Frame();
        auto settle = [f] { waitFor([f] { return f->SumsPending(); }); };
        // A search as the panel runs it, on the page asked for.
        auto search = [&, f](bool lines, std::function<void()> fill) {
            return [&, f, lines, fill] {
                settle();
                f->ResetLists();
                f->PageControl1->setCurrentWidget(lines ? f->tsDetail : f->tsMain);
                f->ClearCriteria();
                fill();
                QElapsedTimer t;
                t.start();
                f->ExecuteSearch();
                g_readyMs = msSince(t);
                const QPixmap shot = form->grab();
                const double ms = msSince(t);
                settle();
                return ms;
            };
        };
        const QString product = textAt(conn, QStringLiteral("select productName from Product where id = 4242"));
        const QString code = textAt(conn, QStringLiteral("select productCode from Product where id = 4242"));
        const QString model = textAt(conn, QStringLiteral("select product_model from Product where id = 4242"));
        const QString size = textAt(conn, QStringLiteral("select product_spec from Product where id = 4242"));
        const QString partner = textAt(conn, purchase ? QStringLiteral("select supplierName from Supplier where id = 12")
                                                      : QStringLiteral("select customerName from Customer where id = 12"));
        auto year = [](QCheckBox* c, QDateEdit* a, QDateEdit* b) {
            c->setChecked(true);
            a->setDate(QDate(2008, 1, 1));
            b->setDate(QDate(2008, 12, 31));
        };
        const QList<QPair<QString, std::function<void()>>> criteria = {
            {QStringLiteral("every document"), [] {}},
            {QStringLiteral("partner"), [f, partner] { f->edtPartner->setEditText(partner); }},
            {QStringLiteral("partner + year"), [f, partner, year] {
                 f->edtPartner->setEditText(partner);
                 year(f->chkDate, f->edtDateStart, f->edtDateEnd);
             }},
            {QStringLiteral("type"), [f] { f->edtType->setCurrentIndex(1); }},
            {QStringLiteral("unaudited"), [f] { f->edtAuditStatus->setCurrentIndex(1); }},
            {QStringLiteral("handling user"), [f] { f->edtUser->setCurrentIndex(2); }},
            {QStringLiteral("entering user"), [f] { f->edtCreateUser->setCurrentIndex(2); }},
            {QStringLiteral("document year"), [f, year] { year(f->chkDate, f->edtDateStart, f->edtDateEnd); }},
            {QStringLiteral("entry year"),
             [f, year] { year(f->chkCreateDate, f->edtCreateDateStart, f->edtCreateDateEnd); }},
            {QStringLiteral("product code"), [f, code] { f->edtProductCode->setText(code); }},
            {QStringLiteral("product name"), [f, product] { f->edtProductName->setText(product); }},
            {QStringLiteral("product model"), [f, model] { f->edtproduct_model->setEditText(model); }},
            {QStringLiteral("product 规格"), [f, size] { f->edtproduct_spec->setEditText(size); }},
        };
        for (const auto& [what, fill] : criteria)
            for (const bool lines : {false, true})
                report(measure(QStringLiteral("%1 %2, %3, first page")
                                   .arg(tag, lines ? QStringLiteral("lines") : QStringLiteral("documents"), what),
                               watched, rawDb, search(lines, fill)));
        // Every line streamed into the grid as scrolling to the end asks.
        report(measure(tag + QStringLiteral(" lines, every document, all rows"), watched, rawDb, [&, f] {
            settle();
            f->ResetLists();
            f->ShowLinesPage();
            QElapsedTimer t;
            t.start();
            f->ListAll();
            DataSetModel* model = f->gridDetail->model();
            while (model->canFetchMore(QModelIndex())) model->fetchMore(QModelIndex());
            f->gridDetail->view()->scrollToBottom();
            const QPixmap shot = form->grab();
            const double ms = msSince(t);
            f->ResetLists();
            settle();
            return ms;
        }));
        // The footers: from the listing to the sums shown, read on a
        // connection of their own while the window takes input.
        for (const bool lines : {false, true}) {
            Row r;
            r.name = tag + (lines ? QStringLiteral(" lines footer (sums of all), off the interface thread")
                                  : QStringLiteral(" documents footer (sum of all), off the interface thread"));
            if (!wanted(r.name)) continue;
            const QString sql = BuildStatement(k, lines ? Query::LinesSum : Query::DocumentsSum, QString(), SqlForm::Sqlite);
            for (int i = 0; i < g_runs; ++i) {
                settle();
                f->ResetLists();
                f->PageControl1->setCurrentWidget(lines ? f->tsDetail : f->tsMain);
                QElapsedTimer t;
                t.start();
                f->ListAll();
                settle();
                r.ms << msSince(t);
                r.raw << RunRaw(rawDb, {{sql, 1, true}});
            }
            r.rows = 1;
            r.note = QStringLiteral("the window shows its rows and takes input meanwhile");
            report(r);
        }
        f->ResetLists();
        form->hide();
    }
}

// The stock view through its window.
void benchStock(TWiring& program, Connection& conn, const std::vector<sqlite3*>& watched, sqlite3* rawDb) {
    TInventoryForm* form = program.Stock().InventoryForm();
    form->resize(1000, 600);
    TInventoryFrame* f = form->InventoryFrame1;
    auto settle = [f] { waitFor([f] { return f->SumsPending(); }); };
    report(measure(QStringLiteral("库存 opened (查看库存), first page"), watched, rawDb, [&] {
        settle();
        form->hide();
        QElapsedTimer t;
        t.start();
        form->ReloadStock();
        g_readyMs = msSince(t);
        TResourceFactory::ShowWindow(form);
        const QPixmap shot = form->grab();
        const double ms = msSince(t);
        settle();
        return ms;
    }));
    const QString name = textAt(conn, QStringLiteral("select productName from Product where id = 4242"));
    const QList<QPair<QString, std::function<void()>>> searches = {
        {QStringLiteral("searched by key, any column"), [f, name] { f->edtSearchKey->setText(name); }},
        {QStringLiteral("searched by name"), [f, name] {
             f->cbSearchScope->setCurrentIndex(1);
             f->edtSearchKey->setText(name);
         }},
        {QStringLiteral("category box"), [f] { f->cbCategory->setCurrentIndex(3); }},
        {QStringLiteral("quantity > 50"), [f] {
             f->cbQuantityCond->setCurrentIndex(1);
             f->edtQuantity->setValue(50);
         }},
    };
    for (const auto& [what, fill] : searches)
        report(measure(QStringLiteral("库存 %1, first page").arg(what), watched, rawDb, [&, f, fill] {
            settle();
            f->edtSearchKey->clear();
            f->cbSearchScope->setCurrentIndex(0);
            f->cbCategory->setCurrentIndex(0);
            f->cbQuantityCond->setCurrentIndex(0);
            fill();
            QElapsedTimer t;
            t.start();
            f->SearchStock();
            g_readyMs = msSince(t);
            const QPixmap shot = form->grab();
            const double ms = msSince(t);
            settle();
            return ms;
        }));
    // Every stock row read with its value (total_cost) worked out, as the
    // export or scrolling to the end does.
    report(measure(QStringLiteral("库存 every stock row with total_cost"), watched, rawDb, [&, f] {
        settle();
        f->edtSearchKey->clear();
        f->cbCategory->setCurrentIndex(0);
        f->cbQuantityCond->setCurrentIndex(0);
        QElapsedTimer t;
        t.start();
        f->SearchStock();
        DataSet* q = f->queryInventory;
        q->fetchAll();
        double sum = 0;
        const int n = q->fetchedCount();
        const int col = q->field(QStringLiteral("total_cost"))->index();
        for (int r = 0; r < n; ++r) sum += q->valueAt(r, col).toDouble();
        const double ms = msSince(t);
        (void)sum;
        settle();
        return ms;
    }));
    Row r;
    r.name = QStringLiteral("库存 footer (sums of every stock row), off the interface thread");
    if (wanted(r.name)) {
        for (int i = 0; i < g_runs; ++i) {
            settle();
            QElapsedTimer t;
            t.start();
            f->LoadStock({});
            settle();
            r.ms << msSince(t);
            r.raw << RunRaw(rawDb, {{StockView::SumStatement(QString()), 1, true}});
        }
        r.rows = 1;
        r.note = QStringLiteral("the window shows its rows and takes input meanwhile");
        report(r);
    }
    form->hide();
}

// -------------------------------------------------------------- driver

int runAll(int argc, char** argv, const QString& shopFile) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);

    // A working copy of the shop beside it: the program's folder layout, so
    // that start-up finds db/data_general.db.
    const QString appDir = QFileInfo(shopFile).absolutePath() + QStringLiteral("/run");
    QDir(appDir).removeRecursively();
    QDir().mkpath(appDir + QStringLiteral("/db"));
    const QString dataFile = appDir + QStringLiteral("/db/data_general.db");
    if (!QFile::copy(shopFile, dataFile)) {
        std::fprintf(stderr, "bench: cannot copy %s\n", qPrintable(shopFile));
        return 1;
    }
    // Read the whole file once so the first timed operation does not pay for the disk.
    {
        QFile f(dataFile);
        f.open(QIODevice::ReadOnly);
        while (!f.read(1 << 20).isEmpty()) {
        }
    }
    Connection rawConn;
    rawConn.open(dataFile);
    sqlite3* rawDb = rawConn.handle();
    std::fprintf(stderr, "bench: %d runs of each, on %s\n", g_runs, qPrintable(dataFile));
    const QString loadBefore = loadAverage();

    benchStartup(appDir, dataFile);
    benchProductWindow(appDir, rawDb);

    // The children's start-ups may have upgraded the file under this
    // connection (WAL, indexes), which then can no longer write to it.
    rawConn.open(dataFile);
    rawDb = rawConn.handle();
    topUpCustomers(rawConn, 10000);
    TMainDM dm;
    TAppContext context;
    context.SetAppDir(appDir);
    TControlPlacement placement(context.PlacementFile());
    dm.Startup(context.DataFile());
    context.UseData(dm);
    context.SetCurrentUser(TUser{1, 1, QStringLiteral("admin")});
    TWiring program(dm, context, placement);
    Connection& conn = dm.MainConn;
    const std::vector<sqlite3*> watched = {conn.handle(), conn.reader().handle()};
    g_program = &conn;

    // The selector as a document line's product cell drives it: the typed
    // text in all four boxes, any of them matching.
    TProductSelector& selector = program.Catalogue().Selector();
    selector.ShowForEditor(nullptr, [](QObject*, const TProduct&) {});
    const struct {
        const char* what;
        QString text;
    } searches[] = {
        {"common", QStringLiteral("家庭装")},
        {"rare", QStringLiteral("M123")},
        {"absent, a 12-digit code", QStringLiteral("123456789012")},
    };
    for (const auto& s : searches) {
        TProduct c;
        c.productCode = c.productName = c.product_model = c.product_spec = s.text;
        report(measure(QStringLiteral("selector search, %1 (%2)").arg(QLatin1String(s.what), s.text), watched, rawDb, [&] {
            QElapsedTimer t;
            t.start();
            selector.RunSearch(c, false);
            const QPixmap shot = selector.grab();
            return msSince(t);
        }));
    }
    selector.HideSelector();

    // The customer window's quick search, every text column of 10 000
    // customers (see topUpCustomers), as 查找 runs it and the list first paints.
    {
        TPartnerForm* customers = program.Partners().GetCustomerForm();
        customers->ShowForMaintenance();
        TPartnerFrame* frame = customers->Frame();
        const struct {
            const char* what;
            QString key;
        } keys[] = {
            {"common", QStringLiteral("张")},
            {"rare, one card", QStringLiteral("KH09876")},
            {"absent", QStringLiteral("不存在的客户")},
        };
        for (const auto& k : keys) {
            report(measure(QStringLiteral("客户 quick search, 12 columns of 10 000, %1 (%2)").arg(QLatin1String(k.what), k.key),
                           watched, rawDb, [&] {
                               frame->edtSearchKey->setText(k.key);
                               QElapsedTimer t;
                               t.start();
                               frame->SearchPartners();
                               const QPixmap shot = customers->grab();
                               return msSince(t);
                           }));
        }
        customers->hide();
    }

    benchLists(program, conn, watched, rawDb);
    benchStock(program, conn, watched, rawDb);

    benchDocument(program, conn);
    benchImport(conn, QFileInfo(shopFile).absolutePath() + QStringLiteral("/import"));
    // The statistics window as 统计分析 shows it: pickers set, the button
    // pressed, the window painted. Per product with the totals in the footer
    // (sales check for missing costs first); the trend with its chart.
    TReportMainForm* reports = program.Reports().ReportMainForm();
    reports->show();
    for (TReportFrame* f : std::initializer_list<TReportFrame*>{reports->ReportInputFrame1, reports->ReportOutputFrame1}) {
        const bool purchase = f == reports->ReportInputFrame1;
        const QString side = purchase ? QStringLiteral("进货") : QStringLiteral("销售");
        reports->ShowAnalysisPage(!purchase);
        f->PageControl1->setCurrentWidget(f->tsStat);
        f->Stat.chkDocDate->setChecked(true);
        f->Stat.edtDocDateStart->setDate(QDate(2008, 1, 1));
        f->Stat.edtDocDateEnd->setDate(QDate(2008, 12, 31));
        report(measure(QStringLiteral("%1统计 per product, 2008, with totals%2")
                           .arg(side, purchase ? QString() : QStringLiteral(" and cost check")),
                       watched, rawDb, [&, f] {
                           QElapsedTimer t;
                           t.start();
                           f->JvImgBtn1->click();
                           const QPixmap shot = reports->grab();
                           return msSince(t);
                       }));
        f->PageControl1->setCurrentWidget(f->tsTrend);
        const struct {
            const char* what;
            QDate from, to;
            int unit; // 0 天, 1 月
        } trends[] = {
            {"a month by day (2008-03)", QDate(2008, 3, 1), QDate(2008, 3, 31), 0},
            {"ten years by month", QDate(2001, 1, 1), QDate(2010, 12, 31), 1},
            {"ten years by day (3 652 points)", QDate(2001, 1, 1), QDate(2010, 12, 31), 0},
        };
        for (const auto& tr : trends) {
            if (purchase && tr.unit == 0 && tr.from.year() == 2001) continue; // once is enough
            report(measure(QStringLiteral("%1趋势 %2, chart drawn").arg(side, QLatin1String(tr.what)), watched, rawDb,
                           [&, f] {
                               f->Trend.edtDocDateStart->setDate(tr.from);
                               f->Trend.edtDocDateEnd->setDate(tr.to);
                               f->edtPeriodTD->setCurrentIndex(tr.unit);
                               QElapsedTimer t;
                               t.start();
                               f->btnAnalysisTD->click();
                               const QPixmap shot = reports->grab();
                               return msSince(t);
                           }));
        }
    }
    // The chart alone with the daily points of ten years: the points handed
    // over and the chart painted.
    {
        TReportFrame* f = reports->ReportOutputFrame1;
        QList<StatService::TTrendPoint> points;
        for (int i = 0; i < f->queryTrend->recordCount(); ++i)
            points.append({f->queryTrend->valueAt(i, QStringLiteral("fDate")).toLongLong(),
                           f->queryTrend->valueAt(i, QStringLiteral("ftotalPrice")).toDouble(),
                           f->queryTrend->valueAt(i, QStringLiteral("ftotalRevenue")).toDouble()});
        Row r = measure(QStringLiteral("销售趋势图 alone, %1 daily points drawn").arg(points.size()), {}, rawDb, [&] {
            QElapsedTimer t;
            t.start();
            f->TrendChart->SetPoints(points);
            const QPixmap shot = f->TrendChart->grab();
            return msSince(t);
        });
        r.raw.clear();
        report(r);
    }
    reports->hide();

    QTemporaryDir scratch(appDir + QStringLiteral("/export-XXXXXX"));
    benchExport(scratch.path());

    std::printf("\nMedian of up to %d runs on %s; raw SQLite: the C API stepping the statements the operation ran, "
                "for the same rows, reading every column. Median, min and max run until the window has painted; rows "
                "ready, where shown, until its grid's model holds the rows read, before the paint. Load average (1 min) "
                "at the start %s, at the end %s, on %d cores.\n\n",
                g_runs, qPrintable(QFileInfo(shopFile).fileName()), qPrintable(loadBefore), qPrintable(loadAverage()),
                QThread::idealThreadCount());
    printTable();
    if (g_plans) printPlans(rawDb);
    return 0;
}

// The offscreen platform says on every window that it cannot raise it or
// pass size hints on; that says nothing about the program.
QtMessageHandler g_defaultHandler = nullptr;
void quietPlatform(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("This plugin does not support")) ||
        text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    if (g_defaultHandler)
        g_defaultHandler(type, context, text);
    else
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv) {
    g_defaultHandler = qInstallMessageHandler(quietPlatform);
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    try {
        if (args.value(0) == QLatin1String("--child-startup"))
            return childStartup(argc, argv, args.value(1), args.contains(QStringLiteral("--probe")));
        if (args.value(0) == QLatin1String("--child-products"))
            return childProductWindow(argc, argv, args.value(1), args.contains(QStringLiteral("--probe")));
        if (args.isEmpty() || args[0].startsWith(QLatin1String("--"))) {
            std::fprintf(stderr, "usage: bench_run <big shop file> [--runs N] [--plans] [--only TEXT]\n");
            return 2;
        }
        const qsizetype runs = args.indexOf(QStringLiteral("--runs"));
        if (runs > 0) g_runs = std::max(1, args.value(runs + 1).toInt());
        g_plans = args.contains(QStringLiteral("--plans"));
        const qsizetype only = args.indexOf(QStringLiteral("--only"));
        if (only > 0) g_only = args.value(only + 1);
        // The reader program is left beside the program, one folder up.
        TImportSource::SetReaderProgram(QStringLiteral(MORVANE_IMPORT_READER));
        return runAll(argc, argv, args[0]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench: %s\n", e.what());
        return 1;
    }
}
