// The import wizard driven as a user would: each page's check, the column
// guessing, a whole run from each kind of file, a cancel half-way, the
// template button, the keyboard, and a look at every page.
#include "desktop.h"
#include "importfixture.h"
#include "importsource.h"
#include "productfixture.h"
#include "productimporter.h"
#include "productimporterform.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QTimer>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace {
void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Walks the wizard to page `to` with the fixture file and default answers.
bool walkTo(TProductImporterForm& w, const QString& path, int to) {
    w.edtFile->setText(path);
    while (w.currentId() < to) {
        const int before = w.currentId();
        w.next();
        if (w.currentId() == before) return false;
    }
    return true;
}
} // namespace

class TestProductImporterForm : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { importfixture::useReaderProgram(); }
    void pageChecks_data();
    void pageChecks();
    void guessing_data();
    void guessing();
    void failedOpenIsNotRemembered();
    void sameFileIsNotReopened();
    void wholeRun_data();
    void wholeRun();
    void cancelHalfWay();
    void templateShownInItsFolder();
    void keyboardOnly();
    void screenshots();
    void emptySheetScreenshot();
};

void TestProductImporterForm::pageChecks_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("spoil");
    QTest::addColumn<QString>("message");
    QTest::newRow("no file") << 0 << "missing" << "文件不存在:";
    QTest::newRow("damaged file") << 0 << "damaged" << "不能读取该Excel文件";
    QTest::newRow("no table chosen") << 1 << "no table" << "请选择要导入的数据表.";
    QTest::newRow("empty sheet") << 1 << "empty sheet" << "数据表“空表”中没有可导入的数据";
    QTest::newRow("column names only") << 1 << "names only" << "数据表“名称”中没有可导入的数据";
    QTest::newRow("no name column") << 2 << "ignore name" << "'商品名称'必须有与之对应的字段(列)";
    QTest::newRow("name never guessed") << 2 << "unselect name" << "'商品名称'必须有与之对应的字段(列)";
    QTest::newRow("no same box") << 3 << "no same" << "请选择判断商品相同的条件";
    QTest::newRow("no default category") << 3 << "no default" << "请选择默认目录";
    QTest::newRow("no parent category") << 3 << "no parent" << "请选择自动创建目录的父目录";
}

void TestProductImporterForm::pageChecks() {
    QFETCH(int, page);
    QFETCH(QString, spoil);
    QFETCH(QString, message);
    Shell s;
    TProductImporterForm w(s.dm.MainConn, QString());
    w.restart();
    QString path = importfixture::file("products.xls");
    if (spoil == "missing") path = s.db.dir() + "/无此文件.xls";
    if (spoil == "damaged") {
        path = s.db.dir() + "/坏.xls";
        writeFile(path, "not a workbook");
    }
    if (spoil == "names only") {
        path = s.db.dir() + "/名称.csv";
        writeFile(path, "商品名称,销售价\n");
    }
    if (page > 0) QVERIFY(walkTo(w, path, page));
    w.edtFile->setText(path);
    if (spoil == "no table") w.lstTable->clearSelection();
    if (spoil == "empty sheet") w.lstTable->setCurrentRow(2);
    if (spoil == "ignore name") w.cbName->setCurrentIndex(0);
    if (spoil == "unselect name") w.cbName->setCurrentIndex(-1);
    if (spoil == "no same")
        for (QCheckBox* c : {w.chkSameCode, w.chkSameName, w.chkSameSpec, w.chkSameModel})
            c->setChecked(false);
    if (spoil == "no default") w.cbDefaultCategory->setCurrentIndex(-1);
    if (spoil == "no parent") w.cbParentCategory->setCurrentIndex(-1);
    TQuickMessageDlg::ClearShown();
    w.next();
    QCOMPARE(w.currentId(), page);
    QCOMPARE(TQuickMessageDlg::ShownTexts().size(), 1);
    QVERIFY2(TQuickMessageDlg::ShownTexts().first().startsWith(message), qPrintable(TQuickMessageDlg::ShownTexts().first()));
    QCOMPARE(s.count("select count(*) from ImportLog"), 0);
}

void TestProductImporterForm::guessing_data() {
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QStringList>("guessed"); // code, name, model, 规格, category, price, unit
    QTest::newRow("the usual names") << QByteArray("商品编码,商品名称,型号,规格,单位,商品目录,销售价")
                                     << QStringList{"商品编码", "商品名称", "型号", "规格", "商品目录", "销售价", "单位"};
    QTest::newRow("nothing known") << QByteArray("a,b,c") << QStringList{"", "", "", "", "", "", ""};
    // Guessing is per list: one column may be offered for two fields.
    QTest::newRow("one column, two fields") << QByteArray("名码,x")
                                            << QStringList{"名码", "名码", "", "", "", "", ""};
}

void TestProductImporterForm::guessing() {
    QFETCH(QByteArray, header);
    QFETCH(QStringList, guessed);
    Shell s;
    const QString path = s.db.dir() + "/列.csv";
    writeFile(path, header + "\n1,2,3,4,5,6,7\n");
    TProductImporterForm w(s.dm.MainConn, QString());
    w.restart();
    QVERIFY(walkTo(w, path, 2));
    const QList<QComboBox*> lists{w.cbCode, w.cbName, w.cbModel, w.cbSpec, w.cbCategory, w.cbSalePrice, w.cbUnit};
    for (int i = 0; i < lists.size(); ++i) {
        QCOMPARE(lists[i]->itemText(0), QString("<忽略>"));
        QCOMPARE(lists[i]->currentIndex() < 0 ? QString() : lists[i]->currentText(), guessed[i]);
    }
}

// A path whose open failed must be tried again, not taken as open.
void TestProductImporterForm::failedOpenIsNotRemembered() {
    Shell s;
    TProductImporterForm w(s.dm.MainConn, QString());
    w.restart();
    const QString path = s.db.dir() + "/商品.xls";
    writeFile(path, "not yet a workbook");
    w.edtFile->setText(path);
    w.next();
    w.next();
    QCOMPARE(w.currentId(), int(TProductImporterForm::WPSelectFile));
    QCOMPARE(TQuickMessageDlg::ShownTexts().size(), 2);
    QFile::remove(path);
    QVERIFY(QFile::copy(importfixture::file("products.xls"), path));
    w.next();
    QCOMPARE(w.currentId(), int(TProductImporterForm::WPSelectTable));
    QCOMPARE(w.lstTable->count(), 3);
}

void TestProductImporterForm::sameFileIsNotReopened() {
    Shell s;
    TProductImporterForm w(s.dm.MainConn, QString());
    w.restart();
    QVERIFY(walkTo(w, importfixture::file("products.xls"), 1));
    w.lstTable->setCurrentRow(1);
    w.back();
    w.next();
    QCOMPARE(w.currentId(), 1);
    QCOMPARE(w.lstTable->currentItem()->text(), QString("价格$")); // not re-read
}

void TestProductImporterForm::wholeRun_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("table");
    QTest::addColumn<QString>("success");
    QTest::addColumn<int>("products");
    QTest::newRow("xls") << "products.xls" << 0 << "5" << 5;
    QTest::newRow("xlsx") << "products.xlsx" << 0 << "5" << 5;
    QTest::newRow("csv gbk") << "products-gbk.csv" << 0 << "5" << 5;
    QTest::newRow("xls, sheet ending in $") << "products.xls" << 1 << "2" << 2;
}

void TestProductImporterForm::wholeRun() {
    QFETCH(QString, file);
    QFETCH(int, table);
    QFETCH(QString, success);
    QFETCH(int, products);
    Shell s(false);
    const int before = s.list()->recordCount();
    bool finished = false;
    s.catalogue->ImportHook = [&](TProductImporterForm& w) {
        w.restart();
        w.edtFile->setText(importfixture::file(file));
        w.next();
        w.lstTable->setCurrentRow(table);
        for (int i = 0; i < 3; ++i)
            w.next();
        QCOMPARE(w.currentId(), int(TProductImporterForm::WPProgress));
        QTRY_COMPARE(w.currentId(), int(TProductImporterForm::WPFinish));
        QCOMPARE(w.lbSuccess->text(), success);
        finished = true;
        w.accept();
    };
    click(s.frame, "ToolButton10");
    QVERIFY(finished);
    QCOMPARE(s.count("select count(*) from Product"), products);
    QCOMPARE(s.count("select count(*) from ImportLog"), products > 0 ? 1 : 0);
    // The lists show what came in.
    QCOMPARE(s.list()->recordCount(), before + products);
    if (file != "products.xls" || table == 0) {
        QVERIFY(s.dm.queryUnit->locate("unitName", "条"));
        QVERIFY(s.dm.queryCategoryList->locate("categoryName", "裤装"));
        QVERIFY(!s.frame->treeCategory->findItems("裤装", Qt::MatchExactly | Qt::MatchRecursive).isEmpty());
    }
}

// The wizard's Cancel stops the run after the row under way; what came in
// stays, and the finish page says how much.
void TestProductImporterForm::cancelHalfWay() {
    Shell s(false);
    QByteArray csv = "商品名称,单位\n";
    for (int i = 1; i <= 3000; ++i)
        csv += "商品" + QByteArray::number(i) + ",个\n";
    const QString path = s.db.dir() + "/多.csv";
    writeFile(path, csv);
    TProductImporterForm w(s.dm.MainConn, QString());
    w.show();
    w.restart();
    auto shown = w.Importer().OnProgress;
    w.Importer().OnProgress = [&](int min, int pos, int max, bool& carryOn) {
        if (pos == 1234) w.button(QWizard::CancelButton)->click();
        shown(min, pos, max, carryOn);
    };
    QVERIFY(walkTo(w, path, TProductImporterForm::WPProgress));
    QTRY_COMPARE(w.currentId(), int(TProductImporterForm::WPFinish));
    QVERIFY(w.isVisible());
    QCOMPARE(w.lbSuccess->text(), QString("1234"));
    QCOMPARE(s.count("select count(*) from Product"), 1234);
    QCOMPARE(s.count("select count(*) from ImportLog where success=1234 and recordCount=3000 and endDate is null"), 1);
}

void TestProductImporterForm::templateShownInItsFolder() {
    Shell s;
    // The template delivered beside the program has the columns the
    // guessing knows.
    const QString delivered = QCoreApplication::applicationDirPath() + "/../商品导入模板.xls";
    QVERIFY(QFile::exists(delivered));
    TProductImporterForm w(s.dm.MainConn, delivered);
    w.restart();
    QVERIFY(walkTo(w, delivered, 2));
    for (QComboBox* c : {w.cbCode, w.cbName, w.cbModel, w.cbSpec, w.cbCategory, w.cbSalePrice, w.cbUnit})
        QVERIFY2(c->currentIndex() > 0, qPrintable(c->objectName()));
    // Without a file manager service the folder is opened.
    const QString record = s.db.dir() + "/opened.txt";
    const QString opener = s.db.dir() + "/opener.sh";
    writeFile(opener, QString("#!/bin/sh\necho \"$1\" > '%1'\n").arg(record).toUtf8());
    QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    TDesktop::SetUseFileManagerService(false);
    TDesktop::SetOpener(opener);
    w.btnTemplate->click();
    auto opened = [&] {
        QFile f(record);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
    };
    QTRY_COMPARE(opened(), QFileInfo(delivered).absolutePath());
    TDesktop::SetOpener("xdg-open");
    TDesktop::SetUseFileManagerService(true);
}

// The whole way through with keys only: the path typed, Enter for Next on
// each page, Tab and arrows for the table, Enter for Finish.
void TestProductImporterForm::keyboardOnly() {
    Shell s(false);
    TProductImporterForm w(s.dm.MainConn, QString());
    w.show();
    w.restart();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.edtFile->setFocus();
    type(w.edtFile, importfixture::file("products.xlsx"));
    QTest::keyClick(w.edtFile, Qt::Key_Return);
    QCOMPARE(w.currentId(), 1);
    QVERIFY(QApplication::focusWidget());
    w.lstTable->setFocus();
    QTest::keyClick(w.lstTable, Qt::Key_Down);
    QTest::keyClick(w.lstTable, Qt::Key_Up);
    QTest::keyClick(w.lstTable, Qt::Key_Return);
    QCOMPARE(w.currentId(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(w.currentId(), 3);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE(w.currentId(), int(TProductImporterForm::WPFinish));
    QCOMPARE(w.lbSuccess->text(), QString("5"));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w, Qt::Key_Return);
    QTRY_VERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Accepted));
}

void TestProductImporterForm::screenshots() {
    Shell s;
    TProductImporterForm w(s.dm.MainConn, QString());
    w.show();
    w.restart();
    QDir().mkpath(MORVANE_SCREENSHOT_DIR);
    w.edtFile->setText(importfixture::file("products.xls"));
    const char* names[] = {"1-file", "2-table", "3-columns", "4-rules", "5-progress", "6-finish"};
    for (int page = 0; page < 6; ++page) {
        if (page == 4) {
            // The run is caught part-way, with its bar drawn.
            auto shown = w.Importer().OnProgress;
            w.Importer().OnProgress = [&](int min, int pos, int max, bool& carryOn) {
                shown(min, pos, max, carryOn);
                if (pos == 3) QVERIFY(w.grab().save(QString(MORVANE_SCREENSHOT_DIR) + "/import-5-progress.png"));
            };
            QTRY_COMPARE(w.currentId(), 5);
            continue;
        }
        QCOMPARE(w.currentId(), page);
        QVERIFY(w.grab().save(QString(MORVANE_SCREENSHOT_DIR) + "/import-" + names[page] + ".png"));
        if (page < 3) w.next();
        if (page == 3) {
            // Next on the progress page waits for the run.
            w.next();
            QCOMPARE(w.currentId(), 4);
            QVERIFY(!w.button(QWizard::NextButton)->isEnabled() || !w.button(QWizard::NextButton)->isVisible());
            w.next();
            QCOMPARE(w.currentId(), 4);
        }
    }
    QCOMPARE(w.lbSuccess->text(), QString("5"));
}

// The message an empty sheet gets, as the user sees it over the wizard.
void TestProductImporterForm::emptySheetScreenshot() {
    Shell s;
    TProductImporterForm w(s.dm.MainConn, QString());
    w.show();
    w.restart();
    QVERIFY(walkTo(w, importfixture::file("products.xls"), 1));
    w.lstTable->setCurrentRow(2);
    QDir().mkpath(MORVANE_SCREENSHOT_DIR);
    TQuickMessageDlg::StopRecording();
    QString shown;
    QTimer::singleShot(300, &w, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        shown = box->text();
        QPixmap shot = w.grab();
        const QPixmap boxShot = box->grab();
        QPainter p(&shot);
        p.drawPixmap((shot.width() - boxShot.width()) / 2, (shot.height() - boxShot.height()) / 2, boxShot);
        p.end();
        shot.save(QString(MORVANE_SCREENSHOT_DIR) + "/import-2-empty-sheet.png");
        box->accept();
    });
    w.next();
    TQuickMessageDlg::StartRecording();
    QCOMPARE(shown, QString("数据表“空表”中没有可导入的数据,请选择其他数据表."));
    QCOMPARE(w.currentId(), int(TProductImporterForm::WPSelectTable));
}

QTEST_MAIN(TestProductImporterForm)
#include "tst_productimporterform.moc"
