#include "backupservice.h"

#include "connection.h"
#include "dbutils.h"
#include "guard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

std::function<void(const QString&)> TBackupService::StepHook;

namespace {
const char kHeader[] = "SQLite format 3";

QByteArray native(const QString& path) { return QFile::encodeName(path); }

void step(const char* name) {
    if (TBackupService::StepHook) TBackupService::StepHook(QString::fromLatin1(name));
}

// Whether two names are the same file (also through links or "..").
bool sameFile(const QString& a, const QString& b) {
    struct stat sa {}, sb {};
    if (::stat(native(a).constData(), &sa) != 0 || ::stat(native(b).constData(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// A rename is only durable once the folder that holds the name is synced.
void syncFolderOf(const QString& path) {
    const int fd = ::open(native(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Gives from the name to, which must not exist yet; atomic, so the name
// appears only with the whole file behind it.
bool moveNoReplace(const QString& from, const QString& to) {
    if (::renameat2(AT_FDCWD, native(from).constData(), AT_FDCWD, native(to).constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
    // A file system without that rename: a second link fails on an existing
    // name just the same.
    if (::link(native(from).constData(), native(to).constData()) != 0) return false;
    ::unlink(native(from).constData());
    return true;
}

// A copy that did not get its final name, with whatever SQLite kept beside it.
void removeWithJournals(const QString& path) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) QFile::remove(path + QLatin1String(suffix));
}

bool hasSqliteHeader(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    return f.read(16) == QByteArray(kHeader, sizeof kHeader);
}

QString text(Connection& c, const QString& sql) {
    try {
        const QVariant v = c.scalar(sql);
        return v.isValid() ? v.toString() : QString();
    } catch (const DbError&) {
        return QString();
    }
}

bool hasColumns(Connection& c, const QString& table, const QStringList& columns) {
    QStringList present;
    c.select(QStringLiteral("PRAGMA table_info(%1)").arg(table), {}, [&present](const Statement& row) {
        present << row.value(1).toString().toLower();
        return true;
    });
    for (const QString& col : columns)
        if (!present.contains(col.toLower())) return false;
    return !present.isEmpty();
}

// What a file holds, read-only; the data file rule is the caller's.
TBackupService::Verdict inspect(const QString& path) {
    using V = TBackupService::Verdict;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || !hasSqliteHeader(path)) return V::Unreadable;
    Connection c;
    try {
        c.openReadOnly(path);
        QStringList problems;
        c.select(QStringLiteral("PRAGMA quick_check"), {}, [&problems](const Statement& row) {
            problems << row.value(0).toString();
            return problems.size() < 2;
        });
        if (problems != QStringList{QStringLiteral("ok")}) return V::Unreadable;
    } catch (const DbError&) {
        return V::Unreadable;
    }
    if (text(c, QStringLiteral("select sysValue from SysConfig where sysKey='Version'")).isEmpty())
        return V::NoVersion;
    const QString type = text(c, QStringLiteral("select sysValue from SysConfig where sysKey='VersionType'")).trimmed();
    if (type.compare(QLatin1String("clothes"), Qt::CaseInsensitive) == 0) return V::Clothes;
    if (type.compare(QLatin1String("general"), Qt::CaseInsensitive) != 0) return V::NotGeneral;
    try {
        // The program must be able to start on it: its tables, and the
        // columns the login and the settings read.
        for (const QString& t : TBackupService::ProgramTables())
            if (!c.exists(QStringLiteral("select 1 from sqlite_master where type='table' and name=:t collate nocase"),
                          {{QStringLiteral("t"), t}}))
                return V::NoVersion;
        if (!hasColumns(c, QStringLiteral("Users"),
                        {QStringLiteral("id"), QStringLiteral("userName"), QStringLiteral("password"),
                         QStringLiteral("canLogin"), QStringLiteral("userGroupID")}) ||
            !hasColumns(c, QStringLiteral("SysConfig"),
                        {QStringLiteral("sysKey"), QStringLiteral("sysValue"), QStringLiteral("section")}))
            return V::NoVersion;
    } catch (const DbError&) {
        return V::Unreadable;
    }
    return V::Ok;
}

// Copies the committed state of source into temp and checks it; on failure
// nothing of temp is left.
void snapshotInto(const QString& source, const QString& temp) {
    try {
        Connection from;
        from.openReadOnly(source);
        from.backupTo(temp);
        from.release();
        if (inspect(temp) != TBackupService::Verdict::Ok)
            throw BackupError(QStringLiteral("备份文件检查未通过: %1").arg(temp));
    } catch (const DbError& e) {
        removeWithJournals(temp);
        throw BackupError(e.text());
    } catch (...) {
        removeWithJournals(temp);
        throw;
    }
}

// Gives a checked copy its final name, which must still be free.
void giveName(const QString& temp, const QString& target) {
    if (!moveNoReplace(temp, target)) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        removeWithJournals(temp);
        throw BackupError(QStringLiteral("%1: %2").arg(reason, target));
    }
    syncFolderOf(target);
}

// Leaves the data file without a journal of its own, so that nothing of the
// old file can be played into the one renamed over it. Refused while another
// program holds the file.
void dropJournal(const QString& dataFile) {
    {
        Connection probe;
        probe.open(dataFile);
        const QString mode = probe.scalar(QStringLiteral("PRAGMA journal_mode=DELETE")).toString();
        probe.release();
        if (mode.compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
            throw BackupError(QStringLiteral("数据文件正被其他程序使用: %1").arg(dataFile));
    }
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        if (QFileInfo::exists(dataFile + QLatin1String(suffix)))
            throw BackupError(QStringLiteral("数据文件的日志文件仍然存在: %1%2").arg(dataFile, QLatin1String(suffix)));
}
} // namespace

const QStringList& TBackupService::ProgramTables() {
    static const QStringList tables = {
        QStringLiteral("SysConfig"),   QStringLiteral("Users"),           QStringLiteral("UserGroup"),
        QStringLiteral("Product"),     QStringLiteral("ProductCategory"), QStringLiteral("ProductUnit"),
        QStringLiteral("InputForm"),   QStringLiteral("InputDetail"),     QStringLiteral("OutputForm"),
        QStringLiteral("OutputDetail"), QStringLiteral("StorageDetail"),  QStringLiteral("Supplier"),
        QStringLiteral("Customer")};
    return tables;
}

QString TBackupService::DefaultBackupName(const QDateTime& now) {
    return QStringLiteral("2010通用版_数据备份_") + TDateUtils::DateToText(QStringLiteral("-"), now) +
           QStringLiteral("_") + TDateUtils::TimeToText(QStringLiteral("-"), now) + QStringLiteral(".bak");
}

QString TBackupService::DefaultBackupDir() {
    return QDir::homePath() + QStringLiteral("/进销存数据备份");
}

QString TBackupService::ExitBackupName(const QString& dir, const QDate& today) {
    QDir().mkpath(dir);
    QString base = dir;
    if (!base.endsWith(QLatin1Char('/'))) base += QLatin1Char('/');
    base += TDateUtils::DateToText(QStringLiteral("_"), today) + QStringLiteral("-通用版-db");
    const QString first = base + QStringLiteral(".bak");
    if (!QFileInfo::exists(first)) return first;
    for (int n = 1; n <= 2000; ++n) {
        const QString name = base + QStringLiteral("(%1).bak").arg(n);
        if (!QFileInfo::exists(name)) return name;
    }
    return QString();
}

void TBackupService::SaveSnapshot(const QString& dataFile, const QString& target) {
    if (target.isEmpty()) throw BackupError(QStringLiteral("没有可用的备份文件名."));
    const QFileInfo info(target);
    if (info.exists() || info.isSymLink()) throw BackupError(QStringLiteral("文件已存在: %1").arg(target));
    if (!QFileInfo(info.absolutePath()).isDir())
        throw BackupError(QStringLiteral("目录不存在: %1").arg(info.absolutePath()));
    // A name of its own beside the target, so that two backups at once or a
    // copy cut off earlier never meet.
    QTemporaryFile temp(target + QStringLiteral(".XXXXXX.part"));
    temp.setAutoRemove(false);
    if (!temp.open()) throw BackupError(QStringLiteral("无法在目标目录中写入: %1").arg(target));
    const QString tempName = temp.fileName();
    temp.close();
    snapshotInto(dataFile, tempName);
    giveName(tempName, target);
}

TBackupService::Verdict TBackupService::ValidateBackup(const QString& file, const QString& dataFile) {
    if (sameFile(file, dataFile)) return Verdict::IsDataFile;
    return inspect(file);
}

QString TBackupService::VerdictText(Verdict verdict) {
    switch (verdict) {
    case Verdict::Ok:
        return QString();
    case Verdict::IsDataFile:
        return QStringLiteral("该文件就是正在使用的数据文件, 不能用它来恢复.");
    case Verdict::Unreadable:
        return QStringLiteral("无法读取该备份文件.");
    case Verdict::NoVersion:
        return QStringLiteral("该文件不是有效的备份文件.");
    case Verdict::Clothes:
        return QStringLiteral("该文件是“服装版”的备份数据，不是“通用版”！");
    case Verdict::NotGeneral:
        return QStringLiteral("该文件不是“通用版”的备份数据！");
    }
    return QString();
}

QString TBackupService::KeepSafetyCopy(const QString& dataFile, const QString& safetyDir, const QString& keep) {
    if (!QDir().mkpath(safetyDir)) throw BackupError(QStringLiteral("无法创建目录: %1").arg(safetyDir));
    struct Serial {
        qint64 value;
        QString path;
    };
    std::vector<Serial> serials;
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,18}$"));
    for (const QFileInfo& f : QDir(safetyDir).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort))
        if (digits.match(f.fileName()).hasMatch()) serials.push_back({f.fileName().toLongLong(), f.filePath()});
    // By value, so that serial 100000 still follows 99999.
    std::sort(serials.begin(), serials.end(), [](const Serial& a, const Serial& b) {
        return a.value != b.value ? a.value < b.value : a.path < b.path;
    });
    const qint64 next = serials.empty() ? 0 : serials.back().value + 1;
    const QString target = QDir(safetyDir).filePath(QString::number(next).rightJustified(5, QLatin1Char('0')));
    if (QFileInfo::exists(target)) throw BackupError(QStringLiteral("文件已存在: %1").arg(target));
    // Made beside the data file, not in the safety folder: that folder only
    // ever holds whole copies under their serials and whatever the user put
    // there. A copy cut off by a crash is removed here the next time.
    const QString temp = dataFile + QStringLiteral(".safety-copy");
    removeWithJournals(temp);
    snapshotInto(dataFile, temp);
    giveName(temp, target);
    // Only now that the new copy exists do the oldest go: four stay beside it.
    const qint64 surplus = qint64(serials.size()) - 4;
    for (qint64 i = 0; i < surplus; ++i)
        if (!sameFile(serials[size_t(i)].path, keep)) QFile::remove(serials[size_t(i)].path);
    return target;
}

void TBackupService::ReplaceDataFile(const QString& backup, const QString& dataFile,
                                     const std::function<void()>& closeData, const std::function<void()>& reopenData) {
    // A copy left by a restore that was cut off is never used.
    const QString temp = dataFile + QStringLiteral(".restoring");
    removeWithJournals(temp);
    try {
        step("copy");
        {
            Connection from;
            from.openReadOnly(backup);
            from.backupTo(temp);
            from.release();
        }
        step("check");
        if (inspect(temp) != Verdict::Ok) throw BackupError(QStringLiteral("恢复用的副本检查未通过."));
    } catch (const DbError& e) {
        removeWithJournals(temp);
        throw BackupError(e.text());
    } catch (...) {
        removeWithJournals(temp);
        throw;
    }
    try {
        step("close");
        closeData();
        step("journal");
        dropJournal(dataFile);
        step("rename");
        if (::rename(native(temp).constData(), native(dataFile).constData()) != 0)
            throw BackupError(QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(std::strerror(errno)), dataFile));
        syncFolderOf(dataFile);
    } catch (...) {
        removeWithJournals(temp);
        QString why = Guard::CurrentExceptionText();
        // The old file is in place: the program goes on with it.
        if (reopenData && !Guard::Run(reopenData)) why += QStringLiteral("\n数据文件没有重新打开.");
        throw BackupError(why);
    }
}
