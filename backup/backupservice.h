#pragma once
#include "dberror.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

// Backup and restore of the data file, without any window. Every copy is
// taken through SQLite's online backup into a temporary name beside its
// target, checked, synced and only then given its final name: a copy with a
// final name is always whole, and the data file is replaced in one rename.
class TBackupService {
public:
    // "2010通用版_数据备份_2010-1-5_9-3-7.bak" at 09:03:07 on 5 January 2010.
    static QString DefaultBackupName(const QDateTime& now);
    // The folder backups go to unless the user picks another:
    // "进销存数据备份" in the home folder.
    static QString DefaultBackupDir();
    // The first free name of the day in dir: "2010_1_5-通用版-db.bak", then
    // "2010_1_5-通用版-db(1).bak" ... "(2000)". Makes dir when missing. Empty
    // when every one of those names is taken.
    static QString ExitBackupName(const QString& dir, const QDate& today);

    // Copies the committed state of the data file to target. Refuses to
    // replace an existing target. Throws AppError when nothing was made.
    static void SaveSnapshot(const QString& dataFile, const QString& target);

    // Why a file may or may not be restored, in the order they are tested.
    enum class Verdict { Ok, IsDataFile, Unreadable, NoVersion, Clothes, NotGeneral };
    // Inspects file read-only: a whole SQLite database (quick_check) of the
    // general edition with the program's tables. The data file itself is
    // refused. Nothing is written, to file or to dataFile.
    static Verdict ValidateBackup(const QString& file, const QString& dataFile);
    // The message shown for a refused file; empty for Ok.
    static QString VerdictText(Verdict verdict);

    // Copies the data file to the next serial ("00000", "00001", ...) in
    // safetyDir, then removes the oldest serials so that five remain, but
    // never `keep` (the file about to be restored). Names that are not
    // integers are never touched. Returns the new copy; throws AppError when
    // it could not be made, and then nothing was removed.
    static QString KeepSafetyCopy(const QString& dataFile, const QString& safetyDir, const QString& keep);

    // Replaces the data file by a checked copy of backup: the copy is made
    // beside the data file, then closeData must let go of the file (every
    // dataset and connection), no journal of the old file may be left, and
    // one rename puts the copy in its place. When any step fails the data
    // file is as it was, reopenData is called, and AppError is thrown.
    static void ReplaceDataFile(const QString& backup, const QString& dataFile, const std::function<void()>& closeData,
                                const std::function<void()>& reopenData);

    // Test seam: called with the name of each step of a replace ("copy",
    // "check", "close", "journal", "rename") just before it runs; throwing
    // from it makes that step fail.
    static std::function<void(const QString& step)> StepHook;

    // The tables a backup must hold for the program to start on it.
    static const QStringList& ProgramTables();
};

// A backup or restore that did not happen; the text says why.
class BackupError : public AppError {
public:
    using AppError::AppError;
};
