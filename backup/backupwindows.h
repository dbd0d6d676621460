#pragma once
#include <QList>
#include <QPointer>
#include <memory>

class DataSet;
class QObject;
class QWidget;
class TAppContext;
class TBackupBeforeExitForm;
class TBackupForm;
class TControlPlacement;
class TMainDM;
class TRestoreForm;

// The backup windows of the program, made once after the login and handed
// what they use; the main window's menu items and its close step call them.
class TBackupWindows {
public:
    TBackupWindows(TMainDM& dm, TAppContext& context, TControlPlacement& placement, QWidget* owner);
    ~TBackupWindows();
    TBackupWindows(const TBackupWindows&) = delete;
    TBackupWindows& operator=(const TBackupWindows&) = delete;

    TBackupForm& Backup() { return *m_backup; }
    TRestoreForm& Restore() { return *m_restore; }
    TBackupBeforeExitForm& BeforeExit() { return *m_beforeExit; }

    // "数据备份(&B)", "数据恢复(&R)".
    void OpenBackup();
    void OpenRestore();
    // The main window is closing: offer the exit backup, unless a restore
    // has already handed over to a new instance.
    void BackupBeforeExit();

    // Objects holding datasets on the data file besides the windows (data
    // modules): a restore closes them all before the file is replaced.
    void AddDataRoot(QObject* root);

private:
    QList<DataSet*> datasetsOnFile() const;
    void closeData();
    void reopenData();

    TMainDM& m_dm;
    TAppContext& m_context;
    QList<QPointer<QObject>> m_roots;
    QList<QPointer<DataSet>> m_closed; // open before a restore, in opening order
    std::unique_ptr<TBackupForm> m_backup;
    std::unique_ptr<TRestoreForm> m_restore;
    std::unique_ptr<TBackupBeforeExitForm> m_beforeExit;
};
