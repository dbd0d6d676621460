#include "backupfixture.h"
#include "backupforms.h"
#include "backupservice.h"
#include "backupwindows.h"
#include "clock.h"
#include "dataset.h"
#include "mainform.h"
#include "wiring.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace backupfix;

namespace {
const QString kFailedRestore = QStringLiteral("操作失败!");
const QString kRestored = QStringLiteral("恢复成功! 程序需要重新启动.");
const QString kConfirm = QStringLiteral("确定要恢复吗?");

void saveShot(QWidget* w, const QString& name) {
    QDir().mkpath(QStringLiteral(MORVANE_SCREENSHOT_DIR));
    w->grab().save(QStringLiteral(MORVANE_SCREENSHOT_DIR) + "/" + name + ".png");
}

// Runs f inside the next modal dialog of type T once it is up; f must close it.
template <class T>
void inModal(std::function<void(T*)> f) {
    QTimer::singleShot(0, [f] {
        auto* d = qobject_cast<T*>(QApplication::activeModalWidget());
        QVERIFY(d);
        f(d);
    });
}

// The restore window of a shop, with the hand-over to a new instance caught.
struct Restorer {
    Shop& shop;
    TBackupWindows windows;
    QStringList started; // program and data file of each new instance
    int ended = 0;
    explicit Restorer(Shop& s) : shop(s), windows(s.dm, s.ctx, *s.placement, nullptr) {
        TRestoreForm& f = windows.Restore();
        f.StartProgram = [this](const QString& program, const QString& dataFile) {
            started << program << dataFile;
            return true;
        };
        f.EndProgram = [this] { ++ended; };
    }
    // Confirms and runs the restore of file, as "开始恢复" does.
    void restore(const QString& file) {
        TQuickMessageDlg::ClearShown();
        TQuickMessageDlg::PushAnswer(true);
        windows.Restore().edtFile->setText(file);
        windows.Restore().Button1->click();
    }
};

QStringList namesIn(const QString& dir) {
    QStringList names = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    return names;
}
} // namespace

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void names_data();
    void names();
    void validation_data();
    void validation();
    void backupWindow_data();
    void backupWindow();
    void restoreHandsOverToNewInstance();
    void sixRestoresKeepFiveSafetyCopies();
    void restoreFromOldestSafetyCopyKeepsIt();
    void failedSafetyCopyStopsRestore();
    void failedReplaceKeepsDataFile_data();
    void failedReplaceKeepsDataFile();
    void exitBackup_data();
    void exitBackup();
    void closingMainWindowOffersExitBackup_data();
    void closingMainWindowOffersExitBackup();
    void menusOpenTheWindows();
    void browseFillsTheEdit_data();
    void browseFillsTheEdit();
    void keyboardAndScreenshots();
};

void TestBackup::cleanup() {
    TBackupService::StepHook = nullptr;
    TClock::reset();
}

void TestBackup::names_data() {
    QTest::addColumn<int>("existing"); // exit backups already taken that day; -1: the backup window's name
    QTest::addColumn<QString>("expected");
    QTest::newRow("backup window at 09:03:07") << -1 << "2010通用版_数据备份_2010-1-5_9-3-7.bak";
    QTest::newRow("first exit backup of the day") << 0 << "2010_1_5-通用版-db.bak";
    QTest::newRow("second") << 1 << "2010_1_5-通用版-db(1).bak";
    QTest::newRow("2001st") << 2000 << "2010_1_5-通用版-db(2000).bak";
    QTest::newRow("2002nd: no name left") << 2001 << "";
}

void TestBackup::names() {
    QFETCH(int, existing);
    QFETCH(QString, expected);
    const QDateTime moment(QDate(2010, 1, 5), QTime(9, 3, 7));
    if (existing < 0) {
        QCOMPARE(TBackupService::DefaultBackupName(moment), expected);
        return;
    }
    QTemporaryDir tmp;
    const QString dir = tmp.path() + "/新 目录/备份"; // made with its parents when missing
    if (existing > 0) QDir().mkpath(dir);
    for (int n = 0; n < existing; ++n)
        writeBytes(dir + (n == 0 ? QString("/2010_1_5-通用版-db.bak") : QString("/2010_1_5-通用版-db(%1).bak").arg(n)), "x");
    const QString name = TBackupService::ExitBackupName(dir, moment.date());
    QCOMPARE(name, expected.isEmpty() ? QString() : dir + "/" + expected);
    QVERIFY(QFileInfo(dir).isDir());
}

void TestBackup::validation_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message"); // empty: accepted
    const QString unreadable = "无法读取该备份文件.", invalid = "该文件不是有效的备份文件.";
    QTest::newRow("missing") << "missing" << unreadable;
    QTest::newRow("empty") << "empty" << unreadable;
    QTest::newRow("directory") << "directory" << unreadable;
    QTest::newRow("text file") << "text file" << unreadable;
    QTest::newRow("random bytes") << "random bytes" << unreadable;
    QTest::newRow("truncated to a tenth") << "truncated 0.1" << unreadable;
    QTest::newRow("truncated to half") << "truncated 0.5" << unreadable;
    QTest::newRow("truncated near the end") << "truncated 0.97" << unreadable;
    QTest::newRow("corrupt page in the middle") << "corrupt page" << unreadable;
    QTest::newRow("another SQLite database") << "another SQLite database" << invalid;
    QTest::newRow("no SysConfig") << "no SysConfig" << invalid;
    QTest::newRow("no Version") << "no Version" << invalid;
    QTest::newRow("no Product table") << "no Product table" << invalid;
    QTest::newRow("no Users.canLogin") << "no Users.canLogin" << invalid;
    QTest::newRow("clothes") << "clothes" << "该文件是“服装版”的备份数据，不是“通用版”！";
    QTest::newRow("another edition") << "another edition" << "该文件不是“通用版”的备份数据！";
    QTest::newRow("General with blanks") << "General with blanks" << "";
    QTest::newRow("good backup") << "good" << "";
    QTest::newRow("the data file itself") << "data file" << "该文件就是正在使用的数据文件, 不能用它来恢复.";
    QTest::newRow("the data file by another path") << "data file by another path"
                                                   << "该文件就是正在使用的数据文件, 不能用它来恢复.";
}

// A file either passes, or is refused with its message, and nothing is
// written to the data file or to the file offered.
void TestBackup::validation() {
    QFETCH(QString, kind);
    QFETCH(QString, message);
    Shop shop(1000);
    const QString good = shop.goodBackup("good.bak");
    QString file = shop.path("offered.bak");
    if (kind == "good")
        file = good;
    else if (kind == "data file")
        file = shop.ctx.DataFile();
    else if (kind == "data file by another path")
        file = shop.ctx.DbDir() + "/../db/./data_general.db";
    else
        makeHostile(kind, file, good, 7);
    const QByteArray dataBefore = bytesOf(shop.ctx.DataFile());
    const QByteArray offeredBefore = bytesOf(file);
    const auto verdict = TBackupService::ValidateBackup(file, shop.ctx.DataFile());
    QCOMPARE(TBackupService::VerdictText(verdict), message);
    QCOMPARE(verdict == TBackupService::Verdict::Ok, message.isEmpty());
    QCOMPARE(bytesOf(shop.ctx.DataFile()), dataBefore);
    QCOMPARE(bytesOf(file), offeredBefore);
}

void TestBackup::backupWindow_data() {
    QTest::addColumn<QString>("target"); // "" : the proposed name
    QTest::addColumn<bool>("exists");     // a file of that name is there already
    QTest::addColumn<QString>("message");
    QTest::newRow("proposed name") << "" << false << "备份成功!";
    QTest::newRow("a chosen name") << "mine/备份 1.bak" << false << "备份成功!";
    QTest::newRow("missing folder") << "nowhere/x.bak" << false << "备份失败!请检查备份目录是否存在.";
    QTest::newRow("existing file") << "mine/old.bak" << true << "备份失败!请检查备份目录是否存在.";
}

void TestBackup::backupWindow() {
    QFETCH(QString, target);
    QFETCH(bool, exists);
    QFETCH(QString, message);
    Shop shop(100);
    QDir().mkpath(shop.path("mine"));
    TClock::setFixed(QDateTime(QDate(2010, 1, 5), QTime(9, 3, 7)));
    TBackupWindows windows(shop.dm, shop.ctx, *shop.placement, nullptr);
    TBackupForm& form = windows.Backup();
    const QString proposed = shop.home() + "/进销存数据备份/2010通用版_数据备份_2010-1-5_9-3-7.bak";
    const QString path = target.isEmpty() ? proposed : shop.path(target);
    if (exists) writeBytes(path, "keep me");
    QString shownName;
    int result = -1;
    inModal<TBackupForm>([&](TBackupForm* f) {
        shownName = f->edtFile->text();
        f->edtFile->setText(path);
        f->Button1->click();
        if (f->isVisible()) f->Button2->click(); // a failure leaves it open
    });
    result = form.OpenBackup();
    QCOMPARE(shownName, proposed);
    QVERIFY(QFileInfo(shop.home() + "/进销存数据备份").isDir()); // made when missing
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{message});
    const bool ok = message == "备份成功!";
    QCOMPARE(result, ok ? int(QDialog::Accepted) : int(QDialog::Rejected));
    if (exists)
        QCOMPARE(bytesOf(path), QByteArray("keep me"));
    else if (ok) {
        // One file that can be moved anywhere: no write-ahead log goes with it.
        QCOMPARE(bytesOf(path).mid(18, 2), QByteArray("\x01\x01"));
        QCOMPARE(integrityOf(path), QString("ok"));
        QCOMPARE(markOf(path), QString("old"));
        QCOMPARE(TBackupService::ValidateBackup(path, shop.ctx.DataFile()), TBackupService::Verdict::Ok);
    } else
        QVERIFY(!QFileInfo::exists(path));
    // Nothing half-made is left under any name.
    const QStringList left = namesIn(QFileInfo(path).absolutePath()).filter(".part");
    QCOMPARE(left, QStringList());
}

void TestBackup::restoreHandsOverToNewInstance() {
    Shop shop(200);
    const QString backup = shop.goodBackup("good.bak");
    Restorer r(shop);
    r.restore(backup);
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList({kConfirm, kRestored}));
    QCOMPARE(r.started, QStringList({QCoreApplication::applicationFilePath(), shop.ctx.DataFile()}));
    QCOMPARE(r.ended, 1);
    QVERIFY(!shop.dm.MainConn.isOpen()); // this instance let go of the file
    QCOMPARE(markOf(shop.ctx.DataFile()), QString("new"));
    QCOMPARE(integrityOf(shop.ctx.DataFile()), QString("ok"));
    QCOMPARE(markOf(shop.ctx.RestoreSafetyDir() + "/00000"), QString("old"));
    QCOMPARE(namesIn(shop.ctx.DbDir()), QStringList({"back.befor.restore", "data_general.db"}));
    // The program now ends without offering the exit backup.
    bool offered = false;
    QTimer watch; // dies with this test, so it cannot fire into a later one
    watch.setSingleShot(true);
    connect(&watch, &QTimer::timeout, [&] {
        if (QApplication::activeModalWidget()) {
            offered = true;
            QApplication::activeModalWidget()->close();
        }
    });
    watch.start(0);
    r.windows.BackupBeforeExit();
    QCoreApplication::processEvents();
    QVERIFY(!offered);
    // The new instance starts on the restored file.
    TMainDM next;
    next.Startup(shop.ctx.DataFile());
    QCOMPARE(next.querySysConfig->lookup("sysKey", "BackupMark", "sysValue").toString(), QString("new"));
}

// Six restores: the copies made by the last five remain, the serial grows,
// and a file whose name is no number is never touched.
void TestBackup::sixRestoresKeepFiveSafetyCopies() {
    Shop shop;
    const QString safety = shop.ctx.RestoreSafetyDir();
    QDir().mkpath(safety + "/77");
    writeBytes(safety + "/说明.txt", "mine");
    writeBytes(safety + "/12a", "mine too");
    // What a restore cut off by a crash left beside the data file.
    writeBytes(shop.ctx.DataFile() + ".safety-copy", "cut off");
    writeBytes(shop.ctx.DataFile() + ".restoring", "cut off");
    for (int i = 1; i <= 6; ++i) {
        const QString backup = shop.goodBackup(QString("b%1.bak").arg(i), QString("gen%1").arg(i));
        Restorer r(shop);
        r.restore(backup);
        QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList({kConfirm, kRestored}));
        shop.dm.Startup(shop.ctx.DataFile()); // the new instance
    }
    QCOMPARE(namesIn(safety), QStringList({"00001", "00002", "00003", "00004", "00005", "12a", "77", "说明.txt"}));
    QCOMPARE(markOf(safety + "/00001"), QString("gen1"));
    QCOMPARE(markOf(safety + "/00005"), QString("gen5")); // the newest: the data just before the last restore
    QCOMPARE(markOf(shop.ctx.DataFile()), QString("gen6"));
    QCOMPARE(bytesOf(safety + "/说明.txt"), QByteArray("mine"));
    QCOMPARE(namesIn(shop.ctx.DbDir()).filter(QRegularExpression("safety-copy|restoring")), QStringList());
}

// Restoring from the oldest safety copy: it is still there when it is read,
// and it is not pruned.
void TestBackup::restoreFromOldestSafetyCopyKeepsIt() {
    Shop shop;
    const QString safety = shop.ctx.RestoreSafetyDir();
    QDir().mkpath(safety);
    for (int i = 0; i < 5; ++i) {
        const QString copy = shop.goodBackup(QString("s%1").arg(i), QString("safe%1").arg(i));
        QFile::rename(copy, safety + QString("/0000%1").arg(i));
    }
    Restorer r(shop);
    r.restore(safety + "/00000");
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList({kConfirm, kRestored}));
    QCOMPARE(markOf(shop.ctx.DataFile()), QString("safe0"));
    QCOMPARE(namesIn(safety), QStringList({"00000", "00001", "00002", "00003", "00004", "00005"}));
    QCOMPARE(markOf(safety + "/00005"), QString("old"));
}

void TestBackup::failedSafetyCopyStopsRestore() {
    Shop shop;
    const QString backup = shop.goodBackup("good.bak");
    writeBytes(shop.ctx.RestoreSafetyDir(), "a file where the folder belongs");
    const QByteArray before = bytesOf(shop.ctx.DataFile());
    Restorer r(shop);
    r.restore(backup);
    const QStringList shown = TQuickMessageDlg::ShownTexts();
    QCOMPARE(shown.size(), 2);
    QVERIFY2(shown[1].startsWith("无法保存当前数据的安全副本, 恢复没有进行."), qPrintable(shown[1]));
    QCOMPARE(bytesOf(shop.ctx.DataFile()), before);
    QVERIFY(r.started.isEmpty());
    QCOMPARE(r.ended, 0);
    QVERIFY(shop.dm.queryUser->isActive());
}

void TestBackup::failedReplaceKeepsDataFile_data() {
    QTest::addColumn<QString>("failure");
    QTest::newRow("copy of the backup fails") << "copy";
    QTest::newRow("the copy fails its check") << "check";
    QTest::newRow("closing fails") << "close";
    QTest::newRow("dropping the journal fails") << "journal";
    QTest::newRow("the rename fails") << "rename";
    QTest::newRow("a statement still holds the file") << "held";
    QTest::newRow("another program has the file open") << "other program";
}

// Whatever step fails, the old data file is in place with its content, the
// program has its connection and lists back, and it says so.
void TestBackup::failedReplaceKeepsDataFile() {
    QFETCH(QString, failure);
    Shop shop(300);
    const QString backup = shop.goodBackup("good.bak");
    TBackupService::StepHook = [failure](const QString& step) {
        if (step == failure) throw BackupError("injected at " + step);
    };
    Restorer r(shop);
    // A list the user has open, read lazily, with its cursor still open.
    DataSet products(&shop.dm.MainConn);
    products.setParent(&r.windows.Restore());
    products.setSql("select * from Product");
    products.setFetchBlock(10);
    products.open();
    QVERIFY(products.canFetchMore());
    std::unique_ptr<Statement> held;
    if (failure == "held") {
        held = std::make_unique<Statement>(shop.dm.MainConn, "select * from Users");
        QVERIFY(held->step());
    }
    std::unique_ptr<Connection> other;
    if (failure == "other program") {
        other = std::make_unique<Connection>();
        other->open(shop.ctx.DataFile());
        other->scalar("select count(*) from Users");
    }
    r.restore(backup);
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList({kConfirm, kFailedRestore}));
    QVERIFY(r.started.isEmpty());
    QCOMPARE(r.ended, 0);
    held.reset();
    other.reset();
    QCOMPARE(markOf(shop.ctx.DataFile()), QString("old"));
    QCOMPARE(integrityOf(shop.ctx.DataFile()), QString("ok"));
    QCOMPARE(namesIn(shop.ctx.DbDir()).filter("restoring"), QStringList());
    // The program goes on: its lists are open again and it can write.
    QVERIFY(shop.dm.MainConn.isOpen());
    QVERIFY(shop.dm.queryUser->isActive());
    QVERIFY(products.isActive());
    QCOMPARE(products.recordCount(), 300);
    shop.dm.MainConn.execute("insert into ProductUnit(unitName) values('箱')");
    QCOMPARE(shop.dm.MainConn.scalar("PRAGMA journal_mode").toString(), QString("wal"));
}

void TestBackup::exitBackup_data() {
    QTest::addColumn<QString>("folder");     // "" : the remembered folder (none yet: the default one)
    QTest::addColumn<int>("earlier");        // exit backups already taken today there
    QTest::addColumn<bool>("backUp");        // "备份并退出" rather than "直接退出"
    QTest::addColumn<QString>("expectFile"); // name made, "" for none
    QTest::addColumn<QString>("message");
    QTest::newRow("default folder") << "" << 0 << true << "2010_1_5-通用版-db.bak" << "";
    QTest::newRow("second of the day") << "" << 1 << true << "2010_1_5-通用版-db(1).bak" << "";
    QTest::newRow("a new folder") << "远处/新" << 0 << true << "2010_1_5-通用版-db.bak" << "";
    QTest::newRow("unwritable folder") << "blocker/sub" << 0 << true << "" << "备份失败!请检查磁盘是否已满.";
    QTest::newRow("直接退出") << "" << 0 << false << "" << "";
}

void TestBackup::exitBackup() {
    QFETCH(QString, folder);
    QFETCH(int, earlier);
    QFETCH(bool, backUp);
    QFETCH(QString, expectFile);
    QFETCH(QString, message);
    Shop shop(100);
    TClock::setFixed(QDateTime(QDate(2010, 1, 5), QTime(18, 0, 0)));
    writeBytes(shop.path("blocker"), "a file, so no folder can be made under it");
    const QString defaultDir = shop.home() + "/进销存数据备份";
    const QString dir = folder.isEmpty() ? defaultDir : shop.path(folder);
    if (earlier > 0) {
        QDir().mkpath(dir);
        writeBytes(dir + "/2010_1_5-通用版-db.bak", "earlier");
    }
    TBackupWindows windows(shop.dm, shop.ctx, *shop.placement, nullptr);
    QString shownDir;
    int result = -1;
    inModal<TBackupBeforeExitForm>([&](TBackupBeforeExitForm* f) {
        shownDir = f->edtDir->text();
        if (!folder.isEmpty()) f->edtDir->setText(dir);
        (backUp ? f->Button1 : f->Button2)->click();
    });
    result = windows.BeforeExit().Run();
    QCOMPARE(shownDir, defaultDir);
    QCOMPARE(result, backUp ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(TQuickMessageDlg::ShownTexts(), message.isEmpty() ? QStringList() : QStringList{message});
    const QStringList made = namesIn(dir);
    if (!expectFile.isEmpty()) {
        QVERIFY2(made.contains(expectFile), qPrintable(made.join(",")));
        QCOMPARE(markOf(dir + "/" + expectFile), QString("old"));
        QCOMPARE(shop.placement->PlacementStorage().value("BackupBeforeExitForm/dir").toString(), dir);
        QCOMPARE(made.filter(".part"), QStringList());
    } else {
        QCOMPARE(made.filter(".bak").size(), earlier);
        QVERIFY(!shop.placement->PlacementStorage().contains("BackupBeforeExitForm/dir"));
    }
    // The next time the window offers the folder used last.
    if (!expectFile.isEmpty()) QCOMPARE(windows.BeforeExit().RememberedDir(), dir);
}

void TestBackup::closingMainWindowOffersExitBackup_data() {
    QTest::addColumn<QString>("choice");
    QTest::newRow("备份并退出") << "backup";
    QTest::newRow("直接退出") << "skip";
    QTest::newRow("the window's close button") << "close";
    QTest::newRow("backup fails") << "fail";
}

// Every way through the exit window ends the program.
void TestBackup::closingMainWindowOffersExitBackup() {
    QFETCH(QString, choice);
    Shop shop(10);
    TWiring program(shop.dm, shop.ctx, *shop.placement);
    TMainForm& main = program.MainForm();
    main.show();
    bool offered = false;
    writeBytes(shop.path("blocker"), "x");
    QTimer start, giveUp; // owned here, so neither can fire into a later test
    start.setSingleShot(true);
    giveUp.setSingleShot(true);
    connect(&start, &QTimer::timeout, [&] {
        inModal<TBackupBeforeExitForm>([&](TBackupBeforeExitForm* f) {
            offered = true;
            if (choice == "fail") f->edtDir->setText(shop.path("blocker/sub"));
            if (choice == "backup" || choice == "fail")
                f->Button1->click();
            else if (choice == "skip")
                f->Button2->click();
            else
                f->close();
        });
        main.miExit->trigger();
    });
    connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(2); }); // would hang without the end
    start.start(0);
    giveUp.start(10000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(offered);
    QVERIFY(!main.isVisible());
    const int made = namesIn(shop.home() + "/进销存数据备份").filter(".bak").size();
    QCOMPARE(made, choice == "backup" ? 1 : 0);
}

void TestBackup::menusOpenTheWindows() {
    Shop shop;
    TWiring program(shop.dm, shop.ctx, *shop.placement);
    TMainForm& main = program.MainForm();
    QVERIFY(main.miBackup->isEnabled());
    QVERIFY(main.miRestore->isEnabled());
    QString backupCaption, restoreCaption;
    inModal<QDialog>([&](QDialog* d) {
        backupCaption = d->windowTitle();
        d->reject();
    });
    main.miBackup->trigger();
    inModal<QDialog>([&](QDialog* d) {
        restoreCaption = d->windowTitle();
        d->reject();
    });
    main.miRestore->trigger();
    QCOMPARE(backupCaption, QString("数据备份"));
    QCOMPARE(restoreCaption, QString("数据恢复"));
}

void TestBackup::browseFillsTheEdit_data() {
    QTest::addColumn<QString>("window");
    QTest::newRow("backup: a new file") << "backup";
    QTest::newRow("restore: an existing file") << "restore";
    QTest::newRow("exit backup: a folder") << "exit";
}

// The browse buttons open the program's own file dialog and put its answer
// into the edit.
void TestBackup::browseFillsTheEdit() {
    QFETCH(QString, window);
    Shop shop;
    TBackupWindows w(shop.dm, shop.ctx, *shop.placement, nullptr);
    QDir().mkpath(shop.path("chosen"));
    QLineEdit* edit = nullptr;
    QToolButton* button = nullptr;
    QString chosen;
    if (window == "backup") {
        edit = w.Backup().edtFile;
        button = w.Backup().btnBrowse;
        chosen = shop.path("chosen/new.bak");
    } else if (window == "restore") {
        edit = w.Restore().edtFile;
        button = w.Restore().btnBrowse;
        chosen = shop.goodBackup("chosen/good.bak");
    } else {
        edit = w.BeforeExit().edtDir;
        button = w.BeforeExit().btnBrowse;
        chosen = shop.path("chosen");
    }
    QString title;
    bool native = true;
    inModal<QFileDialog>([&](QFileDialog* d) {
        title = d->windowTitle();
        native = !d->testOption(QFileDialog::DontUseNativeDialog);
        d->selectFile(chosen);
        QMetaObject::invokeMethod(d, "accept");
    });
    button->click();
    QCOMPARE(title, QString("选择备份数据存放目录"));
    QVERIFY(!native);
    QCOMPARE(edit->text(), chosen);
}

// Each window used by keyboard alone, and a picture of it.
void TestBackup::keyboardAndScreenshots() {
    Shop shop(50);
    const QString backup = shop.goodBackup("good.bak");
    TClock::setFixed(QDateTime(QDate(2010, 1, 5), QTime(9, 3, 7)));
    Restorer r(shop);
    // Backup: the proposed name, Enter.
    inModal<TBackupForm>([&](TBackupForm* f) {
        QVERIFY(QTest::qWaitForWindowExposed(f));
        saveShot(f, "backup");
        QCOMPARE(QApplication::focusWidget(), f->edtFile);
        QTest::keyClick(f->edtFile, Qt::Key_Return);
    });
    QCOMPARE(r.windows.Backup().OpenBackup(), int(QDialog::Accepted));
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList{"备份成功!"});
    // Exit: Tab past the folder to "直接退出", Space.
    inModal<TBackupBeforeExitForm>([&](TBackupBeforeExitForm* f) {
        QVERIFY(QTest::qWaitForWindowExposed(f));
        saveShot(f, "backup-before-exit");
        QCOMPARE(QApplication::focusWidget(), f->Button1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), f->Button2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    });
    QCOMPARE(r.windows.BeforeExit().Run(), int(QDialog::Rejected));
    // Restore: type the file's name, Enter, the confirmation answered yes.
    TQuickMessageDlg::ClearShown();
    TQuickMessageDlg::PushAnswer(true);
    inModal<TRestoreForm>([&](TRestoreForm* f) {
        QVERIFY(QTest::qWaitForWindowExposed(f));
        QCOMPARE(QApplication::focusWidget(), f->edtFile);
        QTest::keyClicks(f->edtFile, backup);
        saveShot(f, "restore");
        QTest::keyClick(f->edtFile, Qt::Key_Return);
        if (f->isVisible()) f->reject();
    });
    r.windows.Restore().OpenRestore();
    QCOMPARE(TQuickMessageDlg::ShownTexts(), QStringList({kConfirm, kRestored}));
    QCOMPARE(r.ended, 1);
}

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
