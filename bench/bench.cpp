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
#include "exporter.h"
#include "liststatements.h"
#include "loginform.h"
#include "mainform.h"
#include "maindm.h"
#include "productmainform.h"
#include "productselector.h"
#include "quickmessagedlg.h"
#include "rawsql.h"
#include "wiring.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
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
                              QStringLiteral("ratio")};
    QList<QStringList> lines;
    for (const Row& r : g_table) {
        QStringList l;
        l << r.name << (r.rows < 0 ? QStringLiteral("—") : QString::number(r.rows)) << QString::number(r.ms.size());
        if (r.ms.isEmpty()) {
            l << (r.note.isEmpty() ? QStringLiteral("n/a") : r.note) << QString() << QString() << QString() << QString();
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
Row measure(const QString& name, const std::vector<sqlite3*>& watched, sqlite3* rawDb,
            const std::function<double()>& op) {
    Row r;
    r.name = name;
    if (!wanted(name)) return r;
    Probe::start();
    for (sqlite3* db : watched) Probe::watch(db);
    op();
    for (sqlite3* db : watched) Probe::unwatch(db);
    const QList<Execution> runs = Probe::take();
    r.rows = Probe::rowsOf(runs);
    if (g_plans) g_planned.append({name, runs});
    QElapsedTimer spent;
    spent.start();
    for (int i = 0; i < g_runs; ++i) {
        r.ms << op();
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

// -------------------------------------------------------------- driver

QString textAt(Connection& conn, const QString& sql) { return conn.scalar(sql).toString(); }

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

    // The purchase lists as their window shows them: a read-only dataset in
    // a grid of all its fields.
    DataSet list(&conn);
    DataGrid grid;
    grid.setReadOnly(true);
    grid.setRowSelect(true);
    grid.setDataSet(&list);
    grid.resize(1000, 600);
    grid.show();
    auto firstPage = [&](const QString& sql, const SqlParams& params = {}) {
        return [&, sql, params] {
            list.close();
            list.setSql(sql);
            list.clearParams();
            for (auto it = params.cbegin(); it != params.cend(); ++it) list.setParam(it.key(), it.value());
            QElapsedTimer t;
            t.start();
            list.open();
            const QPixmap shot = grid.grab();
            return msSince(t);
        };
    };
    // Every row fetched through the model, as scrolling to the end does, and
    // the last screen painted.
    auto allRows = [&](const QString& sql) {
        return [&, sql] {
            list.close();
            list.setSql(sql);
            QElapsedTimer t;
            t.start();
            list.open();
            DataSetModel* model = grid.model();
            while (model->canFetchMore(QModelIndex())) model->fetchMore(QModelIndex());
            grid.view()->scrollToBottom();
            const QPixmap shot = grid.grab();
            const double ms = msSince(t);
            list.close(); // the rows go before the next run
            return ms;
        };
    };
    const Kind k = Kind::Purchase;
    const QString documents = BuildStatement(k, Query::Documents, QString(), SqlForm::Sqlite);
    const QString lines = BuildStatement(k, Query::Lines, QString(), SqlForm::Sqlite);
    report(measure(QStringLiteral("进货 documents list, first page"), watched, rawDb, firstPage(documents)));
    report(measure(QStringLiteral("进货 documents list, all rows"), watched, rawDb, allRows(documents)));
    report(measure(QStringLiteral("进货 lines list, first page"), watched, rawDb, firstPage(lines)));
    report(measure(QStringLiteral("进货 lines list, all rows"), watched, rawDb, allRows(lines)));

    ListSearch byName;
    byName.productName = textAt(conn, QStringLiteral("select productName from Product where id = 4242"));
    const ListCriteria nameCriteria = BuildCriteria(k, byName, SqlForm::Sqlite);
    const QString documentsByName = BuildStatement(k, Query::Documents, nameCriteria.documents, SqlForm::Sqlite);
    report(measure(QStringLiteral("documents searched by product name, first page"), watched, rawDb,
                   firstPage(documentsByName, nameCriteria.params)));
    ListSearch bySupplier;
    bySupplier.partner = textAt(conn, QStringLiteral("select supplierName from Supplier where id = 12"));
    bySupplier.byDate = true;
    bySupplier.dateStart = QDate(2008, 1, 1);
    bySupplier.dateEnd = QDate(2008, 12, 31);
    const ListCriteria supplierCriteria = BuildCriteria(k, bySupplier, SqlForm::Sqlite);
    const QString linesBySupplier = BuildStatement(k, Query::Lines, supplierCriteria.lines, SqlForm::Sqlite);
    report(measure(QStringLiteral("lines searched by supplier + year, first page"), watched, rawDb,
                   firstPage(linesBySupplier, supplierCriteria.params)));

    // Footers: the sum statements of the lists, shown under the grid.
    grid.setFooterMode(DataGrid::FooterMode::Columns);
    auto footer = [&](const QString& sql, const QString& fieldName) {
        return [&, sql, fieldName] {
            QElapsedTimer t;
            t.start();
            DataSet sum(&conn);
            sum.setSql(sql);
            sum.open();
            grid.setFooterText(fieldName, sum.displayTextAt(0, sum.fieldCount() - 1));
            return msSince(t);
        };
    };
    report(measure(QStringLiteral("documents footer (sum of all)"), watched, rawDb,
                   footer(BuildStatement(k, Query::DocumentsSum, QString(), SqlForm::Sqlite),
                          QStringLiteral("totalPrice"))));
    report(measure(QStringLiteral("lines footer (sums of all)"), watched, rawDb,
                   footer(BuildStatement(k, Query::LinesSum, QString(), SqlForm::Sqlite),
                          QStringLiteral("totalPrice"))));
    grid.setFooterMode(DataGrid::FooterMode::None);

    // Per-product statistics of one year, the statement as the lists code
    // keeps it, shown in a grid like the lists.
    for (const auto side : {StatStatements::Side::Purchase, StatStatements::Side::Sale}) {
        const bool purchase = side == StatStatements::Side::Purchase;
        TCriteriaBuilder b = TCriteriaBuilder::Create(QString(), QStringLiteral("and"), SqlForm::Sqlite);
        b.AddDateRange(purchase ? QStringLiteral("inputDate") : QStringLiteral("outputDate"), QDate(2008, 1, 1),
                       QDate(2008, 12, 31));
        const QString sql = StatStatements::ProductStatsStatement(side, b.Text(), SqlForm::Sqlite);
        report(measure(QStringLiteral("%1 statistics per product, 2008, first page")
                           .arg(purchase ? QStringLiteral("purchase") : QStringLiteral("sale")),
                       watched, rawDb, firstPage(sql, b.Params())));
    }
    list.close();
    grid.hide();

    QTemporaryDir scratch(appDir + QStringLiteral("/export-XXXXXX"));
    benchExport(scratch.path());

    std::printf("\nMedian of up to %d runs on %s; raw SQLite: the C API stepping the statements the operation ran, "
                "for the same rows, reading every column. Load average (1 min) at the start %s, at the end %s, on %d "
                "cores.\n\n",
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
        return runAll(argc, argv, args[0]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench: %s\n", e.what());
        return 1;
    }
}
