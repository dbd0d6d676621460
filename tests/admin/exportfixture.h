#pragma once
// The exporter tests' list and the readers that check files with programs
// this project did not write.
#include "datagrid.h"
#include "dataset.h"
#include "dberror.h"
#include "exporter.h"
#include "exportwriters.h"
#include "quickmessagedlg.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QXmlStreamReader>
#include <QtTest>

namespace exporttest {

using Table = QList<QStringList>; // titles first, then one row per record

// A small list with everything that trips writers up: Chinese text, commas,
// quotes, line breaks, empty values, "#.##" numbers (0 shows empty, 0.5
// shows ".5"), a text code that looks like a number, a hidden column.
struct Fixture {
    TestDb db;
    DataSet ds{&db.conn()};
    DataGrid grid;
    TExporter* ex = nullptr;
    QTemporaryDir out;

    explicit Fixture(const QString& where = QString(), int extraRows = 0) {
        db.exec("CREATE TABLE ExportSample(id INTEGER PRIMARY KEY, code TEXT, name TEXT, "
                "price REAL, qty INTEGER, madeOn DATETIME, done BOOLEAN, note TEXT, secret TEXT)");
        db.exec("INSERT INTO ExportSample VALUES "
                "(1, '0012', '铅笔', 1.5, 10, '2010-03-05 00:00:00.000', 1, '普通', '机密1'),"
                "(2, 'A,02', '钢笔, 黑色', 0.5, 0, '2010-03-06 14:30:00.000', 0, 'say \"hi\"', "
                "'机密2'),"
                "(3, 'B03', '墨水' || char(10) || '蓝色', 0, -3, NULL, NULL, NULL, '机密3'),"
                "(4, 'C04', 'a<b>&\"c\" d', 12.346, 123456, '2011-12-31 00:00:00.000', 1, "
                "'多行' || char(13) || char(10) || '第二行, 带逗号', '机密4'),"
                "(5, ' 空格', '', NULL, NULL, NULL, 0, '\"引号开头', '机密5')");
        if (extraRows > 0)
            db.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 6 UNION ALL SELECT i + 1 FROM n "
                                   "WHERE i < %1) INSERT INTO ExportSample(id, code, name, price) "
                                   "SELECT i, 'X' || i, '商品' || i, i * 0.25 FROM n")
                        .arg(5 + extraRows));
        ds.setSql("SELECT * FROM ExportSample" + where + " ORDER BY id");
        ds.setDisplayFormat("price", "#.##");
        ds.open();
        grid.setDataSet(&ds);
        grid.addColumn("name", "商品名称", 160);
        grid.addColumn("code", "编码", 70);
        grid.addColumn("price", "单价(元)", 80);
        grid.addColumn("note", "备注", 200);
        grid.addColumn("qty", "数量");
        grid.addColumn("madeOn", "日期", 110);
        grid.addColumn("done", "完成", 50);
        GridColumn* hidden = grid.addColumn("secret", "机密", 60);
        hidden->visible = false;
        grid.refreshColumns();
        grid.resize(900, 300);
        // The user drags 数量 in front of 备注: the export follows the screen.
        QHeaderView* h = grid.view()->horizontalHeader();
        h->moveSection(h->visualIndex(grid.viewColumn("qty")),
                       h->visualIndex(grid.viewColumn("note")));
        ex = TExporter::Create(&grid, "进货数据", &grid);
    }

    QString path(const QString& name) const { return out.filePath(name); }

    // What the grid shows, read from the view: visible columns in screen order.
    Table shown() {
        DataSetModel* m = grid.model();
        while (m->canFetchMore({}))
            m->fetchMore({});
        QHeaderView* h = grid.view()->horizontalHeader();
        QList<int> cols;
        for (int v = 0; v < h->count(); ++v)
            if (!h->isSectionHidden(h->logicalIndex(v))) cols << h->logicalIndex(v);
        Table t;
        QStringList titles;
        for (int c : cols)
            titles << m->headerData(c, Qt::Horizontal).toString();
        t << titles;
        for (int r = 0; r < m->rowCount(); ++r) {
            QStringList row;
            for (int c : cols)
                row << m->data(m->index(r, c)).toString();
            t << row;
        }
        return t;
    }

    // The fields behind shown(), in the same order.
    QStringList shownFields() {
        QHeaderView* h = grid.view()->horizontalHeader();
        QStringList out;
        for (int v = 0; v < h->count(); ++v)
            if (!h->isSectionHidden(h->logicalIndex(v)))
                out << grid.model()->fieldNameAt(h->logicalIndex(v));
        return out;
    }

    // Exports through the menu entry of menuKind, answering the save dialog
    // with path and type index.
    void exportAs(int menuKind, int typeIndex, const QString& file) {
        TExporter::SetSaveDialogHook([=](QFileDialog&) {
            return TExporter::SaveAnswer{true, file, typeIndex};
        });
        ex->ExportAs(menuKind);
    }
};

// ------------------------------------------------------- foreign readers

// A python3 that has the module, or empty.
inline QString pythonWith(const QString& module) {
    static QHash<QString, QString> found;
    if (found.contains(module)) return found.value(module);
    QString& result = found[module];
    QStringList candidates{QStandardPaths::findExecutable("python3"), "/usr/bin/python3"};
    for (const QString& py : candidates) {
        if (py.isEmpty() || !QFileInfo::exists(py)) continue;
        QProcess p;
        p.start(py, {"-c", "import " + module});
        if (p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            return result = py;
    }
    return result;
}

inline QJsonValue runPython(const QString& py, const QString& script, const QString& file) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PYTHONIOENCODING", "utf-8");
    p.setProcessEnvironment(env);
    p.start(py, {"-c", script, file});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        qWarning() << "python failed:" << p.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object().value("result");
}

inline const char* kReadXlsx = R"(
import sys, json, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.worksheets[0]
rows = [[{"v": c.value, "t": type(c.value).__name__, "b": bool(c.font.b)} for c in r]
        for r in ws.iter_rows()]
widths = {k: v.width for k, v in ws.column_dimensions.items()}
print(json.dumps({"result": {"sheets": len(wb.worksheets), "rows": rows, "widths": widths}}))
)";

inline const char* kReadDocx = R"(
import sys, json, docx
d = docx.Document(sys.argv[1])
t = d.tables[0]
rows = [[c.text for c in r.cells] for r in t.rows]
bold = [any(run.bold for p in c.paragraphs for run in p.runs) for c in t.rows[0].cells]
print(json.dumps({"result": {"tables": len(d.tables), "rows": rows, "bold": bold}}))
)";

inline const char* kReadCsv = R"(
import sys, json, csv
with open(sys.argv[1], encoding="utf-8-sig", newline="") as f:
    print(json.dumps({"result": list(csv.reader(f))}))
)";

inline const char* kParseXml = R"(
import sys, json, xml.dom.minidom
d = xml.dom.minidom.parse(sys.argv[1])
print(json.dumps({"result": len(d.getElementsByTagName("ROW"))}))
)";

struct XmlFile {
    QString error;
    QString version;
    QList<QXmlStreamAttributes> fields;
    QList<QXmlStreamAttributes> rows;
};

inline XmlFile parseXml(const QString& file) {
    XmlFile x;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return {"cannot open"};
    QXmlStreamReader r(&f);
    while (!r.atEnd()) {
        if (r.readNext() != QXmlStreamReader::StartElement) continue;
        if (r.name() == u"DATAPACKET")
            x.version = r.attributes().value("Version").toString();
        else if (r.name() == u"FIELD")
            x.fields << r.attributes();
        else if (r.name() == u"ROW")
            x.rows << r.attributes();
    }
    if (r.hasError()) x.error = r.errorString();
    return x;
}

inline QString htmlUnescaped(QString s) {
    s.replace("&nbsp;", "").replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"");
    return s.replace("&amp;", "&");
}

// The file read back by a program that did not write it, as texts.
// Spreadsheet numbers come back as numbers and are compared as numbers.
inline Table readBack(int typeIndex, const QString& file) {
    Table t;
    switch (typeIndex) {
    case 1: { // Word
        const QString py = pythonWith("docx");
        if (py.isEmpty()) return {};
        for (const QJsonValue row : runPython(py, kReadDocx, file)["rows"].toArray()) {
            QStringList cells;
            for (const QJsonValue c : row.toArray())
                cells << c.toString();
            t << cells;
        }
        return t;
    }
    case 2: { // Excel
        const QString py = pythonWith("openpyxl");
        if (py.isEmpty()) return {};
        for (const QJsonValue row : runPython(py, kReadXlsx, file)["rows"].toArray()) {
            QStringList cells;
            for (const QJsonValue c : row.toArray()) {
                const QJsonValue v = c["v"];
                cells << (v.isDouble() ? "#" + QString::number(v.toDouble(), 'g', 15)
                                       : v.toString());
            }
            t << cells;
        }
        return t;
    }
    case 3: { // HTML
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) return {};
        const QString html = QString::fromUtf8(f.readAll());
        static const QRegularExpression tag("<[^>]*>");
        static const QRegularExpression th("<th[^>]*>(.*?)</th>",
                                           QRegularExpression::DotMatchesEverythingOption);
        static const QRegularExpression tr("<tr>(.*?)</tr>",
                                           QRegularExpression::DotMatchesEverythingOption);
        static const QRegularExpression td("<td class=\"column(\\d+)\">(.*?)</td>",
                                           QRegularExpression::DotMatchesEverythingOption);
        for (auto rows = tr.globalMatch(html); rows.hasNext();) {
            const QString row = rows.next().captured(1);
            QStringList cells;
            for (auto m = th.globalMatch(row); m.hasNext();)
                cells << htmlUnescaped(m.next().captured(1).remove(tag));
            for (auto m = td.globalMatch(row); m.hasNext();) {
                const auto cell = m.next();
                if (cell.captured(1).toInt() != cells.size()) return {}; // classes out of order
                cells << htmlUnescaped(cell.captured(2));
            }
            t << cells;
        }
        return t;
    }
    case 4: { // CSV: every record line ends with a comma, so one empty field more
        const QString py = pythonWith("csv");
        if (py.isEmpty()) return {};
        const QJsonArray rows = runPython(py, kReadCsv, file).toArray();
        for (int i = 0; i < rows.size(); ++i) {
            QStringList cells;
            for (const QJsonValue c : rows[i].toArray())
                cells << c.toString();
            if (i > 0) {
                if (cells.isEmpty() || !cells.last().isEmpty()) return {};
                cells.removeLast();
            }
            t << cells;
        }
        return t;
    }
    case 5: { // XML
        const XmlFile x = parseXml(file);
        if (!x.error.isEmpty()) return {};
        QStringList titles, names;
        for (const auto& f : x.fields) {
            names << f.value("ATTRNAME").toString();
            titles << (f.hasAttribute("TITLE") ? f.value("TITLE") : f.value("ATTRNAME")).toString();
        }
        t << titles;
        for (const auto& r : x.rows) {
            QStringList cells;
            for (const QString& n : names)
                cells << r.value(n).toString();
            t << cells;
        }
        return t;
    }
    }
    return t;
}

// The grid's table as a reader of typeIndex must see it.
inline Table expectedAs(int typeIndex, Fixture& fx, Table shown) {
    const QStringList fields = fx.shownFields();
    for (int r = 0; r < shown.size(); ++r)
        for (int c = 0; c < shown[r].size(); ++c) {
            QString& v = shown[r][c];
            // A Word cell has one paragraph per line, an Excel cell breaks
            // lines as Excel does: at a line feed alone.
            if (typeIndex == 1 || typeIndex == 2) v.replace("\r\n", "\n");
            if (typeIndex == 2 && r > 0) {
                const Field* f = fx.ds.findField(fields[c]);
                if (f->isNumeric() && ExportText::isPlainNumber(v))
                    v = "#" + QString::number(v.toDouble(), 'g', 15);
            }
        }
    return shown;
}

inline const QStringList kTypeNames{"", "Word", "Excel", "HTML", "CSV", "XML"};
inline const QStringList kExtensions{"", ".docx", ".xlsx", ".html", ".csv", ".xml"};

// Excel is the exporter's first format; the sanitized build cannot load its
// writer, so tests that go through it skip there.
#define REQUIRE_EXCEL()                                                                             \
    if (!ExportWriter::available(ExportKind::Excel)) QSKIP("this build has no Excel writer")

// True when this build cannot write the format (the sanitized build has no
// Excel writer) or no reader is installed to check the file.
inline bool readerMissing(int typeIndex) {
    if (!ExportWriter::available(ExportKind(typeIndex - 1))) return true;
    if (typeIndex == 1) return pythonWith("docx").isEmpty();
    if (typeIndex == 2) return pythonWith("openpyxl").isEmpty();
    if (typeIndex == 4) return pythonWith("csv").isEmpty();
    return false;
}

inline void addFormatRows() {
    QTest::addColumn<int>("typeIndex");
    for (int t = 1; t <= 5; ++t)
        QTest::newRow(qPrintable(kTypeNames[t])) << t;
}

} // namespace exporttest
