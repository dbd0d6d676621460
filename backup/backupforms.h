#pragma once
#include <QDialog>
#include <functional>

class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;
class QToolButton;

// "数据备份": copies the data file to a file the user names.
class TBackupForm : public QDialog {
    Q_OBJECT
public:
    TBackupForm(std::function<QString()> dataFile, QWidget* parent = nullptr);

    QLabel* lbTarget;
    QLineEdit* edtFile;
    QToolButton* btnBrowse;
    QPushButton* Button1; // 开始备份
    QPushButton* Button2; // 取消
    // The save dialog behind the browse button (made on first use).
    QFileDialog* SaveDialog();

    // Proposes the default folder and a name of this moment, then shows the
    // window modally.
    int OpenBackup();
    void StartBackup();

private:
    void browse();
    std::function<QString()> m_dataFile;
    QFileDialog* m_dialog = nullptr;
};

// The steps of a restore that belong to the running program: letting go of
// the data file, taking it up again when the restore did not happen, and
// handing over to a new instance after it did.
struct TRestoreHooks {
    std::function<QString()> dataFile;
    std::function<QString()> safetyDir;
    std::function<void()> closeData;
    std::function<void()> reopenData;
};

// "数据恢复": replaces the data file by a checked backup and starts the
// program anew on it.
class TRestoreForm : public QDialog {
    Q_OBJECT
public:
    TRestoreForm(TRestoreHooks hooks, QWidget* parent = nullptr);

    QLabel* lbSource;
    QLabel* lbWarning;
    QLineEdit* edtFile;
    QToolButton* btnBrowse;
    QPushButton* Button1; // 开始恢复
    QPushButton* Button2; // 取消
    QFileDialog* OpenDialog();

    // Starts a new instance of the program at program; false when it could
    // not be started. By default a detached process in the program's folder
    // (it opens the data file beside it); tests put a stand-in here.
    std::function<bool(const QString& program, const QString& dataFile)> StartProgram;
    // Ends this instance once the new one is on its way; by default the
    // event loop ends, so no exit backup is offered.
    std::function<void()> EndProgram;
    // Set once the data file has been replaced: the program is ending.
    bool Restarted() const { return m_restarted; }

    int OpenRestore();
    // "开始恢复": confirm, validate, safety copy, replace, restart.
    void StartRestore();

private:
    void browse();
    TRestoreHooks m_hooks;
    QFileDialog* m_dialog = nullptr;
    bool m_restarted = false;
};

// "备份并退出...": offered each time the main window closes; the program ends
// whatever the user chooses.
class TBackupBeforeExitForm : public QDialog {
    Q_OBJECT
public:
    TBackupBeforeExitForm(std::function<QString()> dataFile, QSettings& placement, QWidget* parent = nullptr);

    QLabel* lbHeading;
    QLabel* lbTarget;
    QLineEdit* edtDir;
    QToolButton* btnBrowse;
    QPushButton* Button1; // 备份并退出
    QPushButton* Button2; // 直接退出
    QFileDialog* DirDialog();

    // The remembered folder, or the default one.
    QString RememberedDir() const;
    // Fills the folder and shows the window modally.
    int Run();
    void BackupAndExit();

private:
    void browse();
    std::function<QString()> m_dataFile;
    QSettings& m_placement;
    QFileDialog* m_dialog = nullptr;
};
