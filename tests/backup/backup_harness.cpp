// Reliability harness for backup and restore. Not a timed test: it offers a
// restore every hostile file it can make, kills the program with SIGKILL at
// random moments of a restore and of an exit backup, and takes backups while
// documents are being saved; after each trial it checks the files and prints
// one table. Exit code 0 when every trial held.
//
//   backup_harness hostile ROUNDS      (ROUNDS random variants of each kind)
//   backup_harness kill-restore TRIALS
//   backup_harness kill-exit TRIALS
//   backup_harness writing BACKUPS
#include "backupfixture.h"
#include "backupforms.h"
#include "backupwindows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <thread>

using namespace backupfix;

namespace {
int g_failures = 0;

void out(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

void fail(const QString& trial, const QString& why) {
    ++g_failures;
    out(QStringLiteral("FAILED %1: %2").arg(trial, why));
}

// ------------------------------------------------------------------ hostile

int hostile(int rounds) {
    QStringList kinds = {"missing", "empty", "directory", "text file", "another SQLite database", "no SysConfig",
                         "no Version", "no Product table", "no Users.canLogin", "clothes", "another edition",
                         "General with blanks", "data file itself"};
    for (double share : {0.0005, 0.1, 0.5, 0.9, 0.999}) kinds << QStringLiteral("truncated %1").arg(share);
    struct Row {
        int trials = 0, refused = 0, identical = 0, restored = 0;
        QSet<QString> messages;
    };
    QMap<QString, Row> rows;
    QStringList order;
    auto trial = [&](const QString& kind, const QString& label, quint32 seed) {
        Shop shop(2000);
        const QString good = shop.goodBackup(QStringLiteral("good.bak"));
        QString file = shop.path(QStringLiteral("offered.bak"));
        if (kind == QLatin1String("data file itself"))
            file = shop.ctx.DataFile();
        else
            makeHostile(kind, file, good, seed);
        const QByteArray before = bytesOf(shop.ctx.DataFile());
        TBackupWindows windows(shop.dm, shop.ctx, *shop.placement, nullptr);
        bool started = false;
        windows.Restore().StartProgram = [&](const QString&, const QString&) { return started = true; };
        windows.Restore().EndProgram = [] {};
        TQuickMessageDlg::ClearShown();
        TQuickMessageDlg::PushAnswer(true);
        windows.Restore().edtFile->setText(file);
        windows.Restore().StartRestore();
        const QStringList shown = TQuickMessageDlg::ShownTexts();
        Row& row = rows[label];
        if (!order.contains(label)) order << label;
        ++row.trials;
        row.messages.insert(shown.value(1));
        const bool accepted = kind == QLatin1String("General with blanks");
        if (accepted) {
            if (started && markOf(shop.ctx.DataFile()) == QLatin1String("new")) ++row.restored;
            else fail(label, QStringLiteral("not restored: ") + shown.join(QLatin1Char('|')));
            return;
        }
        const bool refused = !started && shown.size() == 2 && shown[1] != QStringLiteral("恢复成功! 程序需要重新启动.");
        if (refused) ++row.refused;
        else fail(label, QStringLiteral("not refused: ") + shown.join(QLatin1Char('|')));
        if (bytesOf(shop.ctx.DataFile()) == before) ++row.identical;
        else fail(label, QStringLiteral("data file changed"));
        if (QFileInfo::exists(shop.ctx.RestoreSafetyDir())) fail(label, QStringLiteral("safety copy made for a refused file"));
    };
    for (const QString& k : kinds) trial(k, k, 1);
    for (int r = 0; r < rounds; ++r) {
        const quint32 seed = 100 + quint32(r);
        QRandomGenerator rng(seed);
        trial(QStringLiteral("random bytes"), QStringLiteral("random bytes"), seed);
        trial(QStringLiteral("corrupt page"), QStringLiteral("corrupt page in the middle"), seed);
        trial(QStringLiteral("truncated %1").arg(0.02 + 0.96 * rng.generateDouble()),
              QStringLiteral("truncated at a random point"), seed);
    }
    out(QStringLiteral("| offered file | trials | refused | data file byte-identical | restored | message |"));
    out(QStringLiteral("|---|---|---|---|---|---|"));
    for (const QString& label : order) {
        const Row& r = rows[label];
        QStringList msgs = r.messages.values();
        msgs.sort();
        out(QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |")
                .arg(label)
                .arg(r.trials)
                .arg(r.refused)
                .arg(label == QLatin1String("General with blanks") ? QStringLiteral("-") : QString::number(r.identical))
                .arg(r.restored)
                .arg(msgs.join(QStringLiteral(" / "))));
    }
    return g_failures == 0 ? 0 : 1;
}

// ----------------------------------------------------------------- children

// The program as far as a restore or an exit backup needs it, on appDir.
struct Program {
    TAppContext ctx;
    TMainDM dm;
    std::unique_ptr<TControlPlacement> placement;
    std::unique_ptr<TBackupWindows> windows;
    explicit Program(const QString& appDir) {
        ctx.SetAppDir(appDir);
        dm.Startup(ctx.DataFile());
        ctx.UseData(dm);
        placement = std::make_unique<TControlPlacement>(ctx.PlacementFile());
        TQuickMessageDlg::StartRecording();
        windows = std::make_unique<TBackupWindows>(dm, ctx, *placement, nullptr);
        windows->Restore().StartProgram = [](const QString&, const QString&) { return true; };
        windows->Restore().EndProgram = [] {};
    }
};

int childRestore(const QString& appDir, const QString& backup) {
    Program p(appDir);
    TQuickMessageDlg::PushAnswer(true);
    p.windows->Restore().edtFile->setText(backup);
    out(QStringLiteral("start"));
    p.windows->Restore().StartRestore();
    out(QStringLiteral("end ") + TQuickMessageDlg::ShownTexts().join(QLatin1Char('|')));
    return 0;
}

int childExit(const QString& appDir, const QString& dir) {
    Program p(appDir);
    p.windows->BeforeExit().edtDir->setText(dir);
    out(QStringLiteral("start"));
    p.windows->BeforeExit().BackupAndExit();
    out(QStringLiteral("end ") + TQuickMessageDlg::ShownTexts().join(QLatin1Char('|')));
    return 0;
}

// -------------------------------------------------------------------- kill

struct KillSetup {
    QTemporaryDir root;
    QString dataTemplate, backup;
};

// A shop of some megabytes, so that a restore takes long enough to be cut
// at many points, and a backup of it marked "new".
void makeTemplate(KillSetup& s) {
    s.dataTemplate = s.root.path() + QStringLiteral("/template.db");
    s.backup = s.root.path() + QStringLiteral("/offered.bak");
    Connection::createFromSchema(s.dataTemplate, TestDb::schemaSql());
    {
        Connection c;
        c.open(s.dataTemplate);
        setMark(c, QStringLiteral("old"));
        addProducts(c, 20000);
    }
    Connection c;
    c.open(s.dataTemplate);
    c.backupTo(s.backup);
    c.close();
    Connection b;
    b.open(s.backup);
    setMark(b, QStringLiteral("new"));
}

// Runs one child; kills it `delayUs` after it said "start" (never when
// negative). Returns microseconds from "start" to its end, or -1 when killed.
qint64 runChild(const QStringList& args, qint64 delayUs, QString* said = nullptr) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), args);
    if (!child.waitForStarted(10000)) return -2;
    QByteArray got;
    while (!got.contains("start\n")) {
        if (!child.waitForReadyRead(20000)) return -2;
        got += child.readAllStandardOutput();
    }
    QElapsedTimer t;
    t.start();
    if (delayUs >= 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished(20000);
        if (said) *said = QString::fromUtf8(got + child.readAllStandardOutput());
        return child.exitStatus() == QProcess::CrashExit ? -1 : t.nsecsElapsed() / 1000;
    }
    child.waitForFinished(60000);
    if (said) *said = QString::fromUtf8(got + child.readAllStandardOutput());
    return t.nsecsElapsed() / 1000;
}

QString trialDir(KillSetup& s, int n) {
    const QString dir = s.root.path() + QStringLiteral("/t%1").arg(n);
    QDir().mkpath(dir + QStringLiteral("/db"));
    QFile::copy(s.dataTemplate, dir + QStringLiteral("/db/data_general.db"));
    return dir;
}

int killTrials(bool restore, int trials) {
    KillSetup s;
    makeTemplate(s);
    auto args = [&](const QString& dir) {
        return restore ? QStringList{QStringLiteral("child-restore"), dir, s.backup}
                       : QStringList{QStringLiteral("child-exit"), dir, dir + QStringLiteral("/备份")};
    };
    // How long the operation takes when it is left alone.
    QList<qint64> runs;
    for (int i = 0; i < 3; ++i) {
        const QString dir = trialDir(s, 100000 + i);
        QString said;
        runs << runChild(args(dir), -1, &said);
        if (!said.contains(restore ? QStringLiteral("恢复成功") : QStringLiteral("end"))) fail("calibration", said);
        QDir(dir).removeRecursively();
    }
    std::sort(runs.begin(), runs.end());
    const qint64 span = std::max<qint64>(runs[1], 1000);
    int oldData = 0, newData = 0, finished = 0, bad = 0, halfFinal = 0, leftovers = 0, finals = 0;
    QRandomGenerator rng(2010);
    for (int n = 0; n < trials; ++n) {
        const QString dir = trialDir(s, n);
        const qint64 delay = qint64(rng.bounded(quint32(span * 12 / 10)));
        const qint64 rc = runChild(args(dir), delay);
        if (rc >= 0) ++finished;
        const QString data = dir + QStringLiteral("/db/data_general.db");
        const QString label = QStringLiteral("trial %1 (kill after %2 µs)").arg(n).arg(delay);
        const QString integrity = integrityOf(data);
        const QString mark = markOf(data);
        if (integrity != QLatin1String("ok")) {
            ++bad;
            fail(label, QStringLiteral("data file: ") + integrity);
        }
        if (mark == QLatin1String("old")) ++oldData;
        else if (mark == QLatin1String("new")) ++newData;
        else fail(label, QStringLiteral("data file is neither: ") + mark);
        // Every file with a final name is whole; anything else is a leftover.
        const QString finalDir = restore ? dir + QStringLiteral("/db/back.befor.restore") : dir + QStringLiteral("/备份");
        for (const QFileInfo& f : QDir(finalDir).entryInfoList(QDir::Files)) {
            const bool isFinal = restore ? QRegularExpression(QStringLiteral("^[0-9]{5}$")).match(f.fileName()).hasMatch()
                                         : f.fileName().endsWith(QLatin1String(".bak"));
            if (!isFinal) {
                ++leftovers;
                continue;
            }
            ++finals;
            if (integrityOf(f.filePath()) != QLatin1String("ok") || markOf(f.filePath()) != QLatin1String("old")) {
                ++halfFinal;
                fail(label, QStringLiteral("half-written final name ") + f.fileName());
            }
        }
        for (const QString& name : QDir(dir + QStringLiteral("/db")).entryList(QDir::Files))
            if (name != QLatin1String("data_general.db") && !name.startsWith(QLatin1String("data_general.db-"))) ++leftovers;
        // The data only changes after its safety copy exists.
        if (restore && mark == QLatin1String("new") && !QFileInfo::exists(finalDir + QStringLiteral("/00000")))
            fail(label, QStringLiteral("restored without a safety copy"));
        QDir(dir).removeRecursively();
    }
    out(QStringLiteral("| operation | trials | operation alone (ms) | finished before the kill | data file old | data file restored | integrity failures | final names | half-written final names | temporary leftovers |"));
    out(QStringLiteral("|---|---|---|---|---|---|---|---|---|---|"));
    out(QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 | %10 |")
            .arg(restore ? QStringLiteral("restore") : QStringLiteral("exit backup"))
            .arg(trials)
            .arg(double(span) / 1000.0, 0, 'f', 1)
            .arg(finished)
            .arg(oldData)
            .arg(newData)
            .arg(bad)
            .arg(finals)
            .arg(halfFinal)
            .arg(leftovers));
    return g_failures == 0 ? 0 : 1;
}

// ------------------------------------------------------------------ writing

int writing(int backups) {
    Shop shop(500);
    std::atomic<bool> stop{false};
    std::atomic<int> saved{0};
    std::thread writer([&] { writeDocuments(shop.ctx.DataFile(), stop, saved); });
    while (saved < 20) QThread::msleep(5);
    int minDocs = INT_MAX, maxDocs = 0, whole = 0;
    for (int i = 0; i < backups; ++i) {
        const QString target = shop.path(QStringLiteral("while-writing-%1.bak").arg(i));
        try {
            TBackupService::SaveSnapshot(shop.ctx.DataFile(), target);
        } catch (const AppError& e) {
            fail(QStringLiteral("backup %1").arg(i), e.text());
            continue;
        }
        int docs = 0;
        const QString integrity = integrityOf(target);
        const QString broken = brokenDocuments(target, &docs);
        if (integrity == QLatin1String("ok") && broken.isEmpty()) ++whole;
        else fail(QStringLiteral("backup %1").arg(i), integrity + QLatin1Char(' ') + broken);
        minDocs = std::min(minDocs, docs);
        maxDocs = std::max(maxDocs, docs);
        QThread::msleep(20);
    }
    stop = true;
    writer.join();
    out(QStringLiteral("| backups while writing | whole and passing integrity_check | documents saved meanwhile | documents per backup |"));
    out(QStringLiteral("|---|---|---|---|"));
    out(QStringLiteral("| %1 | %2 | %3 | %4 … %5 |").arg(backups).arg(whole).arg(saved.load()).arg(minDocs).arg(maxDocs));
    return g_failures == 0 ? 0 : 1;
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList a = app.arguments();
    const QString mode = a.value(1);
    const int count = a.value(2).toInt();
    try {
        if (mode == QLatin1String("hostile")) return hostile(count);
        if (mode == QLatin1String("kill-restore")) return killTrials(true, count);
        if (mode == QLatin1String("kill-exit")) return killTrials(false, count);
        if (mode == QLatin1String("writing")) return writing(count);
        if (mode == QLatin1String("child-restore")) return childRestore(a.value(2), a.value(3));
        if (mode == QLatin1String("child-exit")) return childExit(a.value(2), a.value(3));
    } catch (const std::exception& e) {
        out(QStringLiteral("FAILED: ") + QString::fromUtf8(e.what()));
        return 1;
    }
    out(QStringLiteral("usage: backup_harness hostile|kill-restore|kill-exit|writing COUNT"));
    return 2;
}
