// Times the grid export to each format: 100 000 records of ten columns, as a
// long purchase list has them, through the exporter as the menu runs it
// (progress display, event processing and all), offscreen.
//
//   bench_export [rows]      default 100000; the files are removed after
#include "connection.h"
#include "datagrid.h"
#include "dataset.h"
#include "exporter.h"
#include "quickmessagedlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

namespace {

void generate(Connection& conn, int rows) {
    conn.execute("CREATE TABLE Lines(id INTEGER PRIMARY KEY, code TEXT, name TEXT, sizing TEXT, "
                 "unit TEXT, qty INTEGER, price REAL, amount REAL, madeOn DATETIME, note TEXT)");
    // Names and notes with the characters that need quoting or escaping,
    // so that those paths are part of the timing.
    conn.execute(
        QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO Lines SELECT i, printf('P%06d', i), '商品' || i || '号 得力中性笔', "
            "'0.5mm, 黑色', '支', i % 97, (i % 1000) * 0.25, (i % 97) * (i % 1000) * 0.25, "
            "printf('2010-%02d-%02d 00:00:00.000', 1 + i % 12, 1 + i % 28), "
            "CASE WHEN i % 10 = 0 THEN '备注 \"加急\" <A&B>' ELSE '' END FROM n")
            .arg(rows));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;

    QTemporaryDir dir;
    const QString dbPath = dir.filePath("bench.db");
    Connection::createFromSchema(dbPath, QStringLiteral("SELECT 1;"));
    Connection conn;
    conn.open(dbPath);
    generate(conn, rows);

    DataSet ds(&conn);
    ds.setSql("SELECT * FROM Lines ORDER BY id");
    ds.setDisplayFormat("price", "#.##");
    ds.setDisplayFormat("amount", "#,##0.00");
    QElapsedTimer t;
    t.start();
    ds.open();
    ds.fetchAll();
    std::printf("%d rows x 10 columns\nopened and fetched        %5lld ms\n", ds.recordCount(),
                t.elapsed());

    // What every format pays before writing a byte: the display texts.
    t.restart();
    qsizetype chars = 0;
    for (int r = 0; r < ds.recordCount(); ++r)
        for (int f = 0; f < ds.fieldCount(); ++f)
            chars += ds.displayTextAt(r, f).size();
    std::printf("display texts alone       %5lld ms (%lld characters)\n", t.elapsed(),
                qint64(chars));

    DataGrid grid;
    grid.setDataSet(&ds);
    const char* columns[][2] = {{"code", "商品编码"}, {"name", "商品名称"}, {"sizing", "规格"},
                                {"unit", "单位"},     {"qty", "数量"},      {"price", "单价"},
                                {"amount", "金额"},   {"madeOn", "日期"},   {"note", "备注"},
                                {"id", "序号"}};
    for (const auto& c : columns)
        grid.addColumn(QString::fromUtf8(c[0]), QString::fromUtf8(c[1]));
    grid.resize(1000, 600);
    grid.show();
    TExporter* ex = TExporter::Create(&grid, QStringLiteral("进货明细数据"), &grid);
    TQuickMessageDlg::StartRecording(); // no success box to click away

    static const char* names[] = {"Word (.docx)", "Excel (.xlsx)", "HTML", "CSV", "XML"};
    static const char* ext[] = {".docx", ".xlsx", ".html", ".csv", ".xml"};
    for (int kind = 0; kind < 5; ++kind) {
        const QString path = dir.filePath(QStringLiteral("out") + QLatin1String(ext[kind]));
        TExporter::SetSaveDialogHook([&](QFileDialog&) {
            return TExporter::SaveAnswer{true, path, kind + 1};
        });
        t.restart();
        ex->ExportAs(TExporter::Html);
        const qint64 ms = t.elapsed();
        std::printf("%-24s %6lld ms  %6.1f MB\n", names[kind], ms,
                    QFileInfo(path).size() / 1048576.0);
        QFile::remove(path);
    }
    return TQuickMessageDlg::ShownTexts().count(QStringLiteral("导出成功.")) == 5 ? 0 : 1;
}
