#include "exportfixture.h"
#include "guard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace exporttest;

class TestExporter : public QObject {
    Q_OBJECT
private slots:
    // The exporter is left alive on purpose: the program ends with it, and
    // must end cleanly. Its button goes first, as a window's would.
    void ownedByTheApplication() {
        auto button = std::make_unique<QToolButton>();
        TExporter* e = TExporter::Create(qApp, "商品数据", nullptr);
        e->InstallOn(button.get());
        QVERIFY(button->menu());
        e->SaveDialog1()->show(); // a dialog that has been used holds its file model
        QTest::qWait(50);
        e->SaveDialog1()->hide();
    }
    void init() { TQuickMessageDlg::StartRecording(); }
    void cleanup() {
        Guard::SetReporter({});
        TExporter::SetSaveDialogHook({});
        TExporter::SetOfficeCheck({});
        TQuickMessageDlg::StopRecording();
    }

    void readsBackAsTheGridShows_data() { addFormatRows(); }
    void readsBackAsTheGridShows();
    void emptyDataSetGivesTitles_data() { addFormatRows(); }
    void emptyDataSetGivesTitles();
    void csvExactBytes();
    void xlsxNumbersTitlesWidths();
    void docxOneTableBoldTitles();
    void xmlFieldsAndTypes();
    void xmlNamesFromAwkwardTitles_data();
    void xmlNamesFromAwkwardTitles();
    void htmlHeadStylesAndEscapes();
    void currentRecordRestored();
    void proposedNames();
    void typeChangeSetsExtension_data();
    void typeChangeSetsExtension();
    void installOnButtons_data();
    void installOnButtons();
    void installOnRefusesOthers_data();
    void installOnRefusesOthers();
    void closedDataSetDoesNothing();
    void officeMissing_data();
    void officeMissing();
    void unwritableFolder_data() { addFormatRows(); }
    void unwritableFolder();
    void unfinishedExportKeepsTarget_data();
    void unfinishedExportKeepsTarget();
    void writerStopsWhenTold_data();
    void writerStopsWhenTold();
    void dataSetChangedMidwayFails_data();
    void dataSetChangedMidwayFails();
    void progressMessage_data();
    void progressMessage();
    void lookOfMenuAndProgress();
};

namespace {
QLineEdit* nameBox(QFileDialog& d) {
    return d.findChild<QLineEdit*>("fileNameEdit");
}

QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                               QDir::Name);
}

// The first bytes of each format.
QByteArray signature(int typeIndex) {
    switch (typeIndex) {
    case 1:
    case 2:
        return "PK"; // a zip package
    case 3:
        return "<html>";
    case 4:
        return "\xEF\xBB\xBF";
    default:
        return "<?xml";
    }
}
} // namespace

void TestExporter::readsBackAsTheGridShows() {
    QFETCH(int, typeIndex);
    if (readerMissing(typeIndex)) QSKIP("this build cannot write the format, or python3 with its reading module is missing");
    Fixture fx;
    const Table shown = fx.shown();
    // The list really holds the awkward cases, as the screen shows them.
    QCOMPARE(shown[0].size(), 7);
    QVERIFY(!shown[0].contains("机密"));
    QCOMPARE(shown[2][2], QString(".5"));
    QCOMPARE(shown[3][2], QString());

    const QString file = fx.path("进货数据" + kExtensions[typeIndex]);
    // The type picked in the dialog decides the format, not the menu item.
    fx.exportAs(TExporter::Html, typeIndex, file);
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{"导出成功."});
    QCOMPARE(readBack(typeIndex, file), expectedAs(typeIndex, fx, shown));
}

void TestExporter::emptyDataSetGivesTitles() {
    QFETCH(int, typeIndex);
    if (readerMissing(typeIndex)) QSKIP("this build cannot write the format, or python3 with its reading module is missing");
    Fixture fx(" WHERE id < 0");
    QCOMPARE(fx.ds.recordCount(), 0);
    const QString file = fx.path("empty" + kExtensions[typeIndex]);
    fx.exportAs(TExporter::Html, typeIndex, file);
    const Table back = readBack(typeIndex, file);
    QCOMPARE(back, Table{fx.shown().first()});
    QCOMPARE(back.first().first(), QString("商品名称"));
}

void TestExporter::csvExactBytes() {
    Fixture fx;
    const QString file = fx.path("进货数据.csv");
    fx.exportAs(TExporter::Html, 4, file);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray expected =
        "\xEF\xBB\xBF" + QString("商品名称,编码,单价(元),数量,备注,日期,完成\r\n"
                                 "铅笔,0012,1.5,10,普通,2010-03-05,是,\r\n"
                                 "\"钢笔, 黑色\",\"A,02\",.5,0,\"say \"\"hi\"\"\","
                                 "2010-03-06 14:30:00,否,\r\n"
                                 "\"墨水\n蓝色\",B03,,-3,,,,\r\n"
                                 "\"a<b>&\"\"c\"\" d\",C04,12.35,123456,"
                                 "\"多行\r\n第二行, 带逗号\",2011-12-31,是,\r\n"
                                 ", 空格,,,\"\"\"引号开头\",,否,\r\n")
                             .toUtf8();
    QCOMPARE(f.readAll(), expected);
}

void TestExporter::xlsxNumbersTitlesWidths() {
    REQUIRE_EXCEL();
    const QString py = pythonWith("openpyxl");
    if (py.isEmpty()) QSKIP("python3 with openpyxl is not installed");
    Fixture fx;
    const QString file = fx.path("进货数据.xlsx");
    fx.exportAs(TExporter::Excel, 2, file);
    const QJsonValue book = runPython(py, kReadXlsx, file);
    QCOMPARE(book["sheets"].toInt(), 1);
    const QJsonArray rows = book["rows"].toArray();
    QCOMPARE(rows.size(), 6);
    const QStringList fields = fx.shownFields();
    auto cell = [&](int row, const char* field) {
        return rows[row].toArray()[fields.indexOf(field)].toObject();
    };
    for (const QJsonValue title : rows[0].toArray())
        QVERIFY(title["b"].toBool());
    for (const QJsonValue value : rows[1].toArray())
        QVERIFY(!value["b"].toBool());
    // Numbers the grid shows plainly are numbers; a code is text with its zeros.
    QCOMPARE(cell(1, "price")["t"].toString(), QString("float"));
    QCOMPARE(cell(1, "price")["v"].toDouble(), 1.5);
    QCOMPARE(cell(1, "qty")["t"].toString(), QString("int"));
    QCOMPARE(cell(2, "price")["v"].toDouble(), 0.5);
    QCOMPARE(cell(3, "price")["t"].toString(), QString("NoneType"));
    QCOMPARE(cell(3, "qty")["v"].toDouble(), -3.0);
    QCOMPARE(cell(1, "code")["v"].toString(), QString("0012"));
    QCOMPARE(cell(1, "madeOn")["v"].toString(), QString("2010-03-05"));
    QCOMPARE(cell(4, "price")["v"].toDouble(), 12.35);

    // Wider on screen, wider in the sheet.
    const QJsonObject widths = book["widths"].toObject();
    QHeaderView* h = fx.grid.view()->horizontalHeader();
    for (int a = 0; a < fields.size(); ++a)
        for (int b = 0; b < fields.size(); ++b) {
            const int pa = h->sectionSize(fx.grid.viewColumn(fields[a]));
            const int pb = h->sectionSize(fx.grid.viewColumn(fields[b]));
            if (pa <= pb + 10) continue;
            const double wa = widths[QString(QChar('A' + a))].toDouble();
            const double wb = widths[QString(QChar('A' + b))].toDouble();
            QVERIFY2(wa > wb, qPrintable(fields[a] + " vs " + fields[b]));
        }
}

void TestExporter::docxOneTableBoldTitles() {
    const QString py = pythonWith("docx");
    if (py.isEmpty()) QSKIP("python3 with python-docx is not installed");
    Fixture fx;
    const QString file = fx.path("进货数据.docx");
    fx.exportAs(TExporter::Word, 1, file);
    const QJsonValue doc = runPython(py, kReadDocx, file);
    QCOMPARE(doc["tables"].toInt(), 1);
    const QJsonArray bold = doc["bold"].toArray();
    QCOMPARE(bold.size(), 7);
    for (const QJsonValue b : bold)
        QVERIFY(b.toBool());
}

void TestExporter::xmlFieldsAndTypes() {
    Fixture fx;
    const QString file = fx.path("进货数据.xml");
    fx.exportAs(TExporter::Html, 5, file);
    const XmlFile x = parseXml(file);
    QVERIFY2(x.error.isEmpty(), qPrintable(x.error));
    QCOMPARE(x.version, QString("1.0"));
    const QHash<QString, QString> types{
        {"name", "WideString"}, {"code", "WideString"}, {"price", "Float"}, {"qty", "Integer"},
        {"note", "WideString"}, {"madeOn", "DateTime"}, {"done", "Boolean"}};
    const QStringList fields = fx.shownFields();
    const QStringList titles = fx.shown().first();
    QCOMPARE(x.fields.size(), fields.size());
    QHeaderView* h = fx.grid.view()->horizontalHeader();
    for (int i = 0; i < fields.size(); ++i) {
        const QXmlStreamAttributes& f = x.fields[i];
        QCOMPARE(f.value("FIELDTYPE").toString(), types.value(fields[i]));
        QCOMPARE(f.value("WIDTH").toInt(), h->sectionSize(fx.grid.viewColumn(fields[i])));
        const QString name = f.value("ATTRNAME").toString();
        // Chinese titles are names as they are; others keep their title beside.
        if (name != titles[i])
            QCOMPARE(f.value("TITLE").toString(), titles[i]);
        else
            QVERIFY(!f.hasAttribute("TITLE"));
    }
    QCOMPARE(x.fields[0].value("ATTRNAME").toString(), QString("商品名称"));
    QVERIFY(x.fields[2].value("ATTRNAME").startsWith(QString("单价")));
    QCOMPARE(x.rows.size(), 5);

    const QString py = pythonWith("xml.dom.minidom");
    if (!py.isEmpty()) QCOMPARE(runPython(py, kParseXml, file).toInt(), 5);
}

void TestExporter::xmlNamesFromAwkwardTitles_data() {
    QTest::addColumn<QString>("title");
    QTest::newRow("brackets") << "单价(元)";
    QTest::newRow("leading digit") << "2010年";
    QTest::newRow("space") << "进货 数量";
    QTest::newRow("colon") << "x:y";
    QTest::newRow("markup") << "<&>\"";
    QTest::newRow("full-width brackets") << "金额（元）";
    QTest::newRow("blank") << " ";
}

void TestExporter::xmlNamesFromAwkwardTitles() {
    QFETCH(QString, title);
    Fixture fx;
    // Two columns under the same title: the rows still need two attributes.
    fx.grid.setColumnTitle("name", title);
    fx.grid.setColumnTitle("code", title);
    const QString file = fx.path("awkward.xml");
    fx.exportAs(TExporter::Html, 5, file);
    const XmlFile x = parseXml(file);
    QVERIFY2(x.error.isEmpty(), qPrintable(x.error));
    QSet<QString> names;
    for (const auto& f : x.fields)
        names.insert(f.value("ATTRNAME").toString());
    QCOMPARE(names.size(), x.fields.size());
    QCOMPARE(x.fields[0].value("TITLE").toString(), title);
    QCOMPARE(readBack(5, file), fx.shown());
    const QString py = pythonWith("xml.dom.minidom");
    if (!py.isEmpty()) QCOMPARE(runPython(py, kParseXml, file).toInt(), 5);
}

void TestExporter::htmlHeadStylesAndEscapes() {
    Fixture fx;
    const QString file = fx.path("进货数据.html");
    fx.exportAs(TExporter::Html, 3, file);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(f.readAll());
    QVERIFY(html.startsWith("<html><head><title>Grid to HTML Export</title>\r\n"));
    QVERIFY(html.contains("<meta charset=\"utf-8\">"));
    QVERIFY(html.endsWith("</table>\r\n</body></html>\r\n"));

    static const QRegularExpression rule(
        "\\.Column(\\d+) \\{FONT-FAMILY: ([^;]*); FONT-SIZE: (\\d+)pt; [^}]*TEXT-ALIGN: (\\w+); "
        "COLOR: #([0-9A-F]{6}); BACKGROUND: #([0-9A-F]{6});\\}\r\n");
    const QStringList fields = fx.shownFields();
    const QFont font = fx.grid.view()->font();
    const QString text =
        QString::number(fx.grid.view()->palette().color(QPalette::Text).rgb() & 0xFFFFFF, 16)
            .rightJustified(6, '0')
            .toUpper();
    int n = 0;
    for (auto m = rule.globalMatch(html); m.hasNext(); ++n) {
        const auto r = m.next();
        QCOMPARE(r.captured(1).toInt(), n);
        QCOMPARE(r.captured(2), font.family());
        QCOMPARE(r.captured(3).toInt(), QFontInfo(font).pointSize());
        const bool number = fields[n] == "price" || fields[n] == "qty";
        QCOMPARE(r.captured(4), QString(number ? "right" : "left"));
        QCOMPARE(r.captured(5), text);
    }
    QCOMPARE(n, fields.size());
    QCOMPARE(html.count("<th "), fields.size());
    // Values are text, never markup; empty cells keep their borders.
    QVERIFY(html.contains("a&lt;b&gt;&amp;&quot;c&quot; d"));
    QVERIFY(!html.contains("a<b>"));
    QVERIFY(
        html.contains(QString("<td class=\"column%1\">&nbsp;</td>").arg(fields.indexOf("price"))));
    QVERIFY(!html.contains("机密"));
}

void TestExporter::currentRecordRestored() {
    Fixture fx;
    fx.ds.setRecNo(3);
    fx.exportAs(TExporter::Html, 5, fx.path("x.xml"));
    QCOMPARE(fx.ds.recNo(), 3);
    QCOMPARE(fx.grid.view()->currentIndex().row(), 2);
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{"导出成功."});
}

void TestExporter::proposedNames() {
    REQUIRE_EXCEL();
    Fixture fx;
    QStringList seen;
    TExporter* ex = fx.ex;
    TExporter::SetSaveDialogHook([&](QFileDialog& d) {
        seen << ex->BaseFileName() + "|" + nameBox(d)->text() + "|" + d.selectedNameFilter();
        return TExporter::SaveAnswer{}; // cancelled
    });
    fx.ex->ExportAs(TExporter::Excel);
    fx.ex->ExportAs(TExporter::Html);
    TExporter* unnamed = TExporter::Create(&fx.grid, QString(), &fx.grid);
    QCOMPARE(unnamed->BaseFileName(), QString("导出数据"));
    ex = unnamed;
    unnamed->ExportAs(TExporter::Word);
    QCOMPARE(seen, (QStringList{"进货数据.xlsx|进货数据.xlsx|MS Excel (*.xlsx)",
                                "进货数据.html|进货数据.html|HTML (*.htm *.html)",
                                "导出数据.docx|导出数据.docx|MS Word (*.docx)"}));
    // Cancelling writes nothing and says nothing.
    QVERIFY(filesIn(fx.out.path()).isEmpty());
    QVERIFY(TQuickMessageDlg::ShownTexts().isEmpty());
}

void TestExporter::typeChangeSetsExtension_data() {
    QTest::addColumn<int>("menuKind");
    QTest::addColumn<int>("typeIndex");
    QTest::addColumn<QString>("name");
    QTest::newRow("Excel to HTML") << 1 << 3 << "进货数据.htm";
    QTest::newRow("Html to CSV") << 2 << 4 << "进货数据.csv";
    QTest::newRow("Html to XML") << 2 << 5 << "进货数据.xml";
    QTest::newRow("Html to Word") << 2 << 1 << "进货数据.docx";
    QTest::newRow("Word to Excel") << 0 << 2 << "进货数据.xlsx";
    QTest::newRow("empty name stays empty") << 1 << 3 << "";
}

void TestExporter::typeChangeSetsExtension() {
    REQUIRE_EXCEL();
    QFETCH(int, menuKind);
    QFETCH(int, typeIndex);
    QFETCH(QString, name);
    Fixture fx;
    QString inBox;
    TExporter::SetSaveDialogHook([&](QFileDialog& d) {
        d.setDirectory(fx.out.path());
        if (name.isEmpty()) nameBox(d)->clear();
        // Picked the way a user does: arrow keys on the type list.
        auto* types = d.findChild<QComboBox*>("fileTypeCombo");
        while (types->currentIndex() < typeIndex - 1)
            QTest::keyClick(types, Qt::Key_Down);
        while (types->currentIndex() > typeIndex - 1)
            QTest::keyClick(types, Qt::Key_Up);
        inBox = nameBox(d)->text();
        return name.isEmpty() ? TExporter::SaveAnswer{} : TExporter::AnswerOf(d);
    });
    fx.ex->ExportAs(menuKind);
    QCOMPARE(inBox, name);
    if (name.isEmpty()) return;
    QFile f(fx.path(name));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray first = f.readLine();
    QVERIFY(first.startsWith(signature(typeIndex)));
    if (typeIndex == 4)
        QVERIFY(first.startsWith("\xEF\xBB\xBF" + QString("商品名称,编码,").toUtf8()));
}

void TestExporter::installOnButtons_data() {
    QTest::addColumn<bool>("tool");
    QTest::newRow("tool button") << true;
    QTest::newRow("push button") << false;
}

void TestExporter::installOnButtons() {
    REQUIRE_EXCEL();
    QFETCH(bool, tool);
    Fixture fx;
    QWidget window;
    window.resize(300, 200);
    QAbstractButton* b =
        tool ? static_cast<QAbstractButton*>(new QToolButton(&window)) : new QPushButton(&window);
    b->setText("导出");
    b->setGeometry(20, 20, 90, 26);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    fx.ex->InstallOn(b);
    QCOMPARE(fx.ex->InstalledControl(), b);
    QMenu* menu = fx.ex->ExportPopupMenu();
    QStringList items;
    for (QAction* a : menu->actions())
        items << a->text();
    QCOMPARE(items, (QStringList{"导出为Excel", "导出为Word", "导出为Html"}));
    if (auto* t = qobject_cast<QToolButton*>(b))
        QCOMPARE(t->menu(), menu);
    else
        QCOMPARE(static_cast<QPushButton*>(b)->menu(), nullptr);

    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, 13));
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(menu->pos(), b->mapToGlobal(QPoint(0, b->height())));
    menu->hide();
    QContextMenuEvent context(QContextMenuEvent::Mouse, QPoint(7, 5), b->mapToGlobal(QPoint(7, 5)));
    QApplication::sendEvent(b, &context);
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(menu->pos(), b->mapToGlobal(QPoint(7, 5)));
    menu->hide();

    QStringList asked;
    TExporter::SetSaveDialogHook([&](QFileDialog& d) {
        asked << d.selectedNameFilter();
        return TExporter::SaveAnswer{};
    });
    for (QAction* a : menu->actions())
        a->trigger();
    const QStringList types = TExporter::FileTypes();
    QCOMPARE(asked, (QStringList{types[1], types[0], types[2]}));

    // After an export the focus is back on the button, wherever it was.
    auto* other = new QLineEdit(&window);
    other->setGeometry(20, 60, 120, 24);
    other->show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), other);
    fx.exportAs(TExporter::Html, 3, fx.path("focus.html"));
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{"导出成功."});
    // The window's focus widget: whether the window is active again once
    // the modal display is gone is up to the window system.
    QCOMPARE(window.focusWidget(), static_cast<QWidget*>(b));
}

void TestExporter::installOnRefusesOthers_data() {
    QTest::addColumn<QString>("className");
    QTest::newRow("check box") << "QCheckBox";
    QTest::newRow("line edit") << "QLineEdit";
    QTest::newRow("label") << "QLabel";
}

void TestExporter::installOnRefusesOthers() {
    QFETCH(QString, className);
    Fixture fx;
    std::unique_ptr<QWidget> w;
    if (className == "QCheckBox")
        w = std::make_unique<QCheckBox>();
    else if (className == "QLineEdit")
        w = std::make_unique<QLineEdit>();
    else
        w = std::make_unique<QLabel>();
    QString error;
    try {
        fx.ex->InstallOn(w.get());
    } catch (const AppError& e) {
        error = e.text();
    }
    QCOMPARE(error, "Install export menu failed. unrecognized control: " + className);
    QCOMPARE(fx.ex->InstalledControl(), nullptr);
}

void TestExporter::closedDataSetDoesNothing() {
    Fixture fx;
    int dialogs = 0;
    TExporter::SetSaveDialogHook([&](QFileDialog&) {
        ++dialogs;
        return TExporter::SaveAnswer{true, fx.path("x.csv"), 4};
    });
    fx.ds.close();
    DataGrid bare; // a grid without any dataset
    TExporter* other = TExporter::Create(&bare, "x", &bare);
    for (int kind = 0; kind <= 4; ++kind) {
        fx.ex->ExportAs(kind);
        other->ExportAs(kind);
    }
    QCOMPARE(dialogs, 0);
    QVERIFY(TQuickMessageDlg::ShownTexts().isEmpty());
    QVERIFY(filesIn(fx.out.path()).isEmpty());
    QVERIFY(!fx.ex->Busy());
}

void TestExporter::officeMissing_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("message");
    QTest::newRow("Word") << 0 << "Word.Application"
                          << "未检测到本机安装有Word，无法导出。建议以Html格式导出。";
    QTest::newRow("Excel") << 1 << "Excel.Application"
                           << "未检测到本机安装有Excel，无法导出。建议以Html格式导出。";
}

void TestExporter::officeMissing() {
    REQUIRE_EXCEL();
    QFETCH(int, kind);
    QFETCH(QString, program);
    QFETCH(QString, message);
    Fixture fx;
    QVERIFY(TExporter::OfficeInstalled(program)); // built in: always there by itself
    QStringList asked;
    TExporter::SetOfficeCheck([&](const QString& name) {
        asked << name;
        return name != program;
    });
    QStringList dialogs;
    TExporter::SetSaveDialogHook([&](QFileDialog& d) {
        dialogs << d.selectedNameFilter();
        return TExporter::SaveAnswer{};
    });
    fx.ex->ExportAs(kind);
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{message});
    QVERIFY(dialogs.isEmpty());
    QCOMPARE(asked, QStringList{program});
    fx.ex->ExportAs(1 - kind); // the other program is there
    fx.ex->ExportAs(TExporter::Html);
    QCOMPARE(dialogs.size(), 2);
    QVERIFY(filesIn(fx.out.path()).isEmpty());
}

void TestExporter::unwritableFolder() {
    REQUIRE_EXCEL();
    QFETCH(int, typeIndex);
    Fixture fx;
    // Tests run as root, so permissions stop nothing: a folder that is a
    // file and a file name that is a folder do.
    QFile blocker(fx.path("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY(QDir(fx.out.path()).mkdir("taken" + kExtensions[typeIndex]));
    const QStringList before = filesIn(fx.out.path());
    for (const QString& target : {fx.path("blocker/x" + kExtensions[typeIndex]),
                                  fx.path("taken" + kExtensions[typeIndex])}) {
        QString error;
        try {
            fx.exportAs(TExporter::Html, typeIndex, target);
        } catch (const AppError& e) {
            error = e.text();
        }
        QVERIFY2(error.contains(QDir::toNativeSeparators(target)), qPrintable(error));
        QVERIFY(!TQuickMessageDlg::ShownTexts().contains("导出成功."));
        QVERIFY(!fx.ex->Busy());
        QVERIFY(!fx.ex->ExportProgressDialog()->isVisible());
        QCOMPARE(filesIn(fx.out.path()), before); // nothing half-written left behind
    }
    QVERIFY(QFileInfo(fx.path("taken" + kExtensions[typeIndex])).isDir());
    // The next export works.
    fx.exportAs(TExporter::Html, typeIndex, fx.path("ok" + kExtensions[typeIndex]));
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{"导出成功."});
    QVERIFY(QFileInfo(fx.path("ok" + kExtensions[typeIndex])).size() > 0);
}

void TestExporter::unfinishedExportKeepsTarget_data() {
    QTest::addColumn<int>("typeIndex");
    QTest::addColumn<bool>("cancel"); // or fail
    for (int t = 1; t <= 5; ++t) {
        QTest::newRow(qPrintable(kTypeNames[t] + " cancelled")) << t << true;
        QTest::newRow(qPrintable(kTypeNames[t] + " failed")) << t << false;
    }
}

void TestExporter::unfinishedExportKeepsTarget() {
    QFETCH(int, typeIndex);
    QFETCH(bool, cancel);
    if (!ExportWriter::available(ExportKind(typeIndex - 1)))
        QSKIP("the writer of this format cannot run in this build");
    Fixture fx(QString(), 45);
    // Last month's export, about to be overwritten.
    const QString file = fx.path("进货数据" + kExtensions[typeIndex]);
    const QByteArray before = QString("上月的导出\r\n").toUtf8();
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(before), before.size());
    }
    QStringList reported;
    Guard::SetReporter([&](const QString& text) { reported << text; });
    // As soon as the display is up the user presses its cancel button, or a
    // window's timer requeries the list being written.
    bool wasBusy = false;
    QTimer::singleShot(0, fx.ex, [&] {
        wasBusy = fx.ex->Busy();
        if (!cancel)
            fx.ds.requery();
        else if (auto* b = fx.ex->ExportProgressDialog()->findChild<QPushButton*>())
            b->click();
    });
    TExporter::SetSaveDialogHook([&](QFileDialog&) {
        return TExporter::SaveAnswer{true, file, typeIndex};
    });
    // Through the menu, as the user starts it.
    QAction* item = nullptr;
    for (QAction* a : fx.ex->ExportPopupMenu()->actions())
        if (a->objectName() == "miExportHtml") item = a;
    QVERIFY(item);
    item->trigger();

    QVERIFY(wasBusy);
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    QCOMPARE(filesIn(fx.out.path()), QStringList{QFileInfo(file).fileName()}); // no temporary file
    QVERIFY(!fx.ex->Busy());
    QVERIFY(!fx.ex->ExportProgressDialog()->isVisible());
    if (cancel) {
        QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{"导出已取消."});
        QCOMPARE(reported, QStringList());
    } else {
        QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList());
        QCOMPARE(reported, QStringList{"导出过程中数据已被关闭或刷新, 导出未完成."});
    }
}

void TestExporter::writerStopsWhenTold_data() {
    QTest::addColumn<int>("stopAt");
    QTest::newRow("at once") << 0;
    QTest::newRow("after one") << 1;
    QTest::newRow("after three") << 3;
    QTest::newRow("never") << -1;
}

void TestExporter::writerStopsWhenTold() {
    QFETCH(int, stopAt);
    Fixture fx;
    fx.ds.setRecNo(2);
    // Widget-free use: columns by hand, no grid involved.
    std::unique_ptr<ExportWriter> w = ExportWriter::create(ExportKind::Csv);
    ExportColumn name;
    name.fieldName = "name";
    name.title = "名称";
    w->setColumns({name});
    w->setCaption("导出为CSV...");
    QList<int> positions;
    w->setProgress([&](int minimum, int maximum, int position, const QString& text) {
        if (minimum != 0 || maximum != 5 || text != "导出为CSV...") positions << -100;
        positions << position;
        return position != stopAt;
    });
    const QString file = fx.path("stop.csv");
    QCOMPARE(w->exportTo(fx.ds, file), stopAt < 0);
    if (stopAt < 0) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        // Titles plus one line per record; the one multi-line name is quoted.
        QCOMPARE(text.count("\r\n") - 1, 5);
    } else {
        // A stopped list is not written at all, not even its first records.
        QCOMPARE(filesIn(fx.out.path()), QStringList());
    }
    QList<int> expected;
    for (int p = 0; p <= (stopAt < 0 ? 5 : stopAt); ++p)
        expected << p;
    QCOMPARE(positions, expected);
    QCOMPARE(fx.ds.recNo(), 2);
}

void TestExporter::dataSetChangedMidwayFails_data() {
    QTest::addColumn<int>("typeIndex");
    QTest::addColumn<bool>("close");
    for (int t = 1; t <= 5; ++t) {
        QTest::newRow(qPrintable(kTypeNames[t] + " requeried")) << t << false;
        QTest::newRow(qPrintable(kTypeNames[t] + " closed")) << t << true;
    }
}

void TestExporter::dataSetChangedMidwayFails() {
    QFETCH(int, typeIndex);
    QFETCH(bool, close);
    Fixture fx;
    std::unique_ptr<ExportWriter> w = ExportWriter::create(ExportKind(typeIndex - 1));
    w->setColumns(fx.ex->ExportColumns());
    // What a window's timer could do while the progress display lets
    // events through.
    w->setProgress([&](int, int, int position, const QString&) {
        if (position == 2) close ? fx.ds.close() : fx.ds.requery();
        return true;
    });
    const QString file = fx.path("changed" + kExtensions[typeIndex]);
    QVERIFY_THROWS_EXCEPTION(AppError, w->exportTo(fx.ds, file));
    QVERIFY(filesIn(fx.out.path()).isEmpty()); // no half a list
}

void TestExporter::progressMessage_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("percent");
    QTest::newRow("12.5 to even") << 1 << 8 << 12;
    QTest::newRow("37.5 to even") << 3 << 8 << 38;
    QTest::newRow("0.5 to even") << 1 << 200 << 0;
    QTest::newRow("1.5 to even") << 3 << 200 << 2;
    QTest::newRow("a third") << 1 << 3 << 33;
    QTest::newRow("two thirds") << 2 << 3 << 67;
    QTest::newRow("done") << 8 << 8 << 100;
}

void TestExporter::progressMessage() {
    QFETCH(int, position);
    QFETCH(int, maximum);
    QFETCH(int, percent);
    Fixture fx;
    QProgressDialog* d = fx.ex->ExportProgressDialog();
    d->show();
    QVERIFY(fx.ex->OnExportProgress(0, maximum, position, "导出为XML..."));
    QCOMPARE(d->labelText(), QString("正在导出...... (%1% )").arg(percent));
    QCOMPARE(d->windowTitle(), QString("导出为XML..."));
    QCOMPARE(d->maximum(), maximum);
    QCOMPARE(d->value(), position);
    QCOMPARE(d->isVisible(), position < maximum); // hidden at the end
}

void TestExporter::lookOfMenuAndProgress() {
    Fixture fx;
    QWidget window;
    window.resize(320, 240);
    auto* b = new QToolButton(&window);
    b->setText("导出");
    b->setGeometry(20, 20, 90, 26);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    fx.ex->InstallOn(b);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, 13));
    QMenu* menu = fx.ex->ExportPopupMenu();
    QTRY_VERIFY(menu->isVisible());
    int top = -1;
    for (QAction* a : menu->actions()) {
        const QRect r = menu->actionGeometry(a);
        QVERIFY(r.height() > 0 && r.top() > top);
        top = r.top();
    }
    QDir().mkpath(MORVANE_SCREENSHOT_DIR);
    QVERIFY(menu->grab().save(QString(MORVANE_SCREENSHOT_DIR) + "/export-menu.png"));
    menu->hide();

    QProgressDialog* d = fx.ex->ExportProgressDialog();
    d->show();
    fx.ex->OnExportProgress(0, 200, 100, TExporter::Caption(TExporter::Excel));
    QVERIFY(QTest::qWaitForWindowExposed(d));
    auto* cancel = d->findChild<QPushButton*>();
    QVERIFY(cancel && cancel->isVisible());
    QCOMPARE(cancel->text(), QString("取消"));
    QVERIFY(d->grab().save(QString(MORVANE_SCREENSHOT_DIR) + "/export-progress.png"));
    d->hide();

    QFileDialog* save = fx.ex->SaveDialog1();
    save->selectNameFilter(TExporter::FileTypes()[1]);
    save->selectFile("进货数据.xlsx");
    save->show();
    QVERIFY(QTest::qWaitForWindowExposed(save));
    QVERIFY(save->grab().save(QString(MORVANE_SCREENSHOT_DIR) + "/export-save-dialog.png"));
    save->hide();
}

QTEST_MAIN(TestExporter)
#include "tst_exporter.moc"
