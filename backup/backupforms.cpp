#include "backupforms.h"

#include "backupservice.h"
#include "clock.h"
#include "formkit.h"
#include "guard.h"
#include "quickmessagedlg.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const QString kDialogTitle = QStringLiteral("选择备份数据存放目录");
const QString kExitDirKey = QStringLiteral("BackupBeforeExitForm/dir");

// An edit with its browse button, as one row under a label.
QHBoxLayout* pathRow(QWidget* owner, QLineEdit*& edit, QToolButton*& browse, const char* editName) {
    edit = Named<QLineEdit>(owner, editName);
    edit->setMinimumWidth(460);
    browse = Named<QToolButton>(owner, "btnBrowse");
    browse->setText(QStringLiteral("..."));
    browse->setToolTip(kDialogTitle);
    browse->setFocusPolicy(Qt::StrongFocus);
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(edit, 1);
    row->addWidget(browse);
    return row;
}

QLabel* label(QWidget* owner, const char* name, const QString& text) {
    auto* l = new QLabel(text, owner);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

void dialogLook(QDialog* d, const char* name, const QString& caption) {
    d->setObjectName(QString::fromLatin1(name));
    d->setWindowTitle(caption);
    d->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

// The program's own file dialog rather than the desktop's, so that it looks
// the same everywhere and can be driven from the keyboard and by the tests.
QFileDialog* fileDialog(QWidget* owner, const char* name) {
    auto* d = new QFileDialog(owner, kDialogTitle);
    d->setObjectName(QString::fromLatin1(name));
    d->setOption(QFileDialog::DontUseNativeDialog, true);
    return d;
}

// The folder of a path typed so far, or the default backup folder.
QString folderOf(const QString& path) {
    const QFileInfo info(path);
    if (!path.isEmpty() && info.absoluteDir().exists()) return info.absolutePath();
    return TBackupService::DefaultBackupDir();
}
} // namespace

// ---------------------------------------------------------------- TBackupForm

TBackupForm::TBackupForm(std::function<QString()> dataFile, QWidget* parent)
    : QDialog(parent), m_dataFile(std::move(dataFile)) {
    dialogLook(this, "BackupForm", QStringLiteral("数据备份"));
    lbTarget = label(this, "lbTarget", QStringLiteral("备份到:"));
    QHBoxLayout* row = pathRow(this, edtFile, btnBrowse, "edtFile");
    lbTarget->setBuddy(edtFile);
    Button1 = NamedButton(this, "Button1", QStringLiteral("开始备份"));
    Button1->setDefault(true);
    Button2 = NamedButton(this, "Button2", QStringLiteral("取消"));
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(16, 16, 16, 12);
    root->addWidget(lbTarget);
    root->addLayout(row);
    root->addSpacing(12);
    root->addLayout(ButtonRow({nullptr, Button1, Button2}));
    setTabOrder(edtFile, btnBrowse);
    setTabOrder(btnBrowse, Button1);
    setTabOrder(Button1, Button2);
    connect(btnBrowse, &QToolButton::clicked, this, Guarded([this] { browse(); }));
    connect(Button1, &QPushButton::clicked, this, Guarded([this] { StartBackup(); }));
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

QFileDialog* TBackupForm::SaveDialog() {
    if (!m_dialog) {
        m_dialog = fileDialog(this, "SaveDialog1");
        m_dialog->setAcceptMode(QFileDialog::AcceptSave);
        m_dialog->setFileMode(QFileDialog::AnyFile);
        m_dialog->setNameFilters({QStringLiteral("备份文件 (*.bak)"), QStringLiteral("所有文件 (*)")});
        m_dialog->setDefaultSuffix(QStringLiteral("bak"));
    }
    return m_dialog;
}

void TBackupForm::browse() {
    QFileDialog* d = SaveDialog();
    d->setDirectory(folderOf(edtFile->text()));
    d->selectFile(QFileInfo(edtFile->text()).fileName());
    if (d->exec() != QDialog::Accepted || d->selectedFiles().isEmpty()) return;
    edtFile->setText(QDir::toNativeSeparators(d->selectedFiles().first()));
}

int TBackupForm::OpenBackup() {
    // The proposed folder is made, so that the proposal can be taken as it is.
    const QString dir = TBackupService::DefaultBackupDir();
    QDir().mkpath(dir);
    edtFile->setText(QDir::toNativeSeparators(dir + QLatin1Char('/') + TBackupService::DefaultBackupName(TClock::now())));
    edtFile->setFocus();
    return exec();
}

void TBackupForm::StartBackup() {
    try {
        TBackupService::SaveSnapshot(m_dataFile(), QDir::fromNativeSeparators(edtFile->text().trimmed()));
    } catch (const AppError&) {
        TQuickMessageDlg::ShowInfo(QStringLiteral("备份失败!请检查备份目录是否存在."));
        return;
    }
    TQuickMessageDlg::ShowInfo(QStringLiteral("备份成功!"));
    accept();
}

// --------------------------------------------------------------- TRestoreForm

TRestoreForm::TRestoreForm(TRestoreHooks hooks, QWidget* parent) : QDialog(parent), m_hooks(std::move(hooks)) {
    dialogLook(this, "RestoreForm", QStringLiteral("数据恢复"));
    lbSource = label(this, "lbSource", QStringLiteral("请选择要恢复的数据:"));
    lbWarning = label(this, "lbWarning", QStringLiteral("注意,该操作将彻底覆盖当前的数据,请慎用."));
    QPalette red = lbWarning->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lbWarning->setPalette(red);
    QHBoxLayout* row = pathRow(this, edtFile, btnBrowse, "edtFile");
    lbSource->setBuddy(edtFile);
    Button1 = NamedButton(this, "Button1", QStringLiteral("开始恢复"));
    Button1->setDefault(true);
    Button2 = NamedButton(this, "Button2", QStringLiteral("取消"));
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(16, 16, 16, 12);
    root->addWidget(lbSource);
    root->addLayout(row);
    root->addWidget(lbWarning);
    root->addSpacing(12);
    root->addLayout(ButtonRow({nullptr, Button1, Button2}));
    setTabOrder(edtFile, btnBrowse);
    setTabOrder(btnBrowse, Button1);
    setTabOrder(Button1, Button2);
    connect(btnBrowse, &QToolButton::clicked, this, Guarded([this] { browse(); }));
    connect(Button1, &QPushButton::clicked, this, Guarded([this] { StartRestore(); }));
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    StartProgram = [](const QString& program, const QString&) {
        return QProcess::startDetached(program, {}, QFileInfo(program).absolutePath());
    };
    EndProgram = [] { QCoreApplication::exit(0); };
}

QFileDialog* TRestoreForm::OpenDialog() {
    if (!m_dialog) {
        m_dialog = fileDialog(this, "OpenDialog1");
        m_dialog->setAcceptMode(QFileDialog::AcceptOpen);
        m_dialog->setFileMode(QFileDialog::ExistingFile);
        m_dialog->setNameFilters({QStringLiteral("备份文件 (*.bak)"), QStringLiteral("所有文件 (*)")});
    }
    return m_dialog;
}

void TRestoreForm::browse() {
    QFileDialog* d = OpenDialog();
    d->setDirectory(folderOf(edtFile->text()));
    if (QFileInfo(edtFile->text()).isFile()) d->selectFile(edtFile->text());
    if (d->exec() != QDialog::Accepted || d->selectedFiles().isEmpty()) return;
    edtFile->setText(QDir::toNativeSeparators(d->selectedFiles().first()));
}

int TRestoreForm::OpenRestore() {
    edtFile->setFocus();
    return exec();
}

void TRestoreForm::StartRestore() {
    if (TQuickMessageDlg::ConfirmResult(QStringLiteral("数据恢复确认"), QStringLiteral("确定要恢复吗?")) !=
        QMessageBox::Yes)
        return;
    const QString source = QDir::fromNativeSeparators(edtFile->text().trimmed());
    const QString dataFile = m_hooks.dataFile();
    const auto verdict = TBackupService::ValidateBackup(source, dataFile);
    if (verdict != TBackupService::Verdict::Ok) {
        TQuickMessageDlg::ShowInfo(TBackupService::VerdictText(verdict));
        return;
    }
    // The way back comes first: without a copy of the current data there is
    // no restore.
    try {
        TBackupService::KeepSafetyCopy(dataFile, m_hooks.safetyDir(), source);
    } catch (const AppError& e) {
        TQuickMessageDlg::ShowInfo(QStringLiteral("无法保存当前数据的安全副本, 恢复没有进行.\n\n") + e.text());
        return;
    }
    try {
        TBackupService::ReplaceDataFile(source, dataFile, m_hooks.closeData, m_hooks.reopenData);
    } catch (const AppError&) {
        TQuickMessageDlg::ShowInfo(QStringLiteral("操作失败!"));
        return;
    }
    m_restarted = true;
    TQuickMessageDlg::ShowInfo(QStringLiteral("恢复成功! 程序需要重新启动."));
    if (!StartProgram(QCoreApplication::applicationFilePath(), dataFile))
        TQuickMessageDlg::ShowInfo(QStringLiteral("程序没能自动启动, 请手动重新启动."));
    EndProgram();
}

// ------------------------------------------------------- TBackupBeforeExitForm

TBackupBeforeExitForm::TBackupBeforeExitForm(std::function<QString()> dataFile, QSettings& placement, QWidget* parent)
    : QDialog(parent), m_dataFile(std::move(dataFile)), m_placement(placement) {
    dialogLook(this, "BackupBeforeExitForm", QStringLiteral("备份并退出..."));
    lbHeading = label(this, "lbHeading", QStringLiteral("备份数据并退出"));
    QFont f = lbHeading->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.3);
    lbHeading->setFont(f);
    lbTarget = label(this, "lbTarget", QStringLiteral("备份到:"));
    QHBoxLayout* row = pathRow(this, edtDir, btnBrowse, "edtDir");
    lbTarget->setBuddy(edtDir);
    Button1 = NamedButton(this, "Button1", QStringLiteral("备份并退出"));
    Button1->setDefault(true);
    Button2 = NamedButton(this, "Button2", QStringLiteral("直接退出"));
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(16, 16, 16, 12);
    root->addWidget(lbHeading);
    root->addSpacing(8);
    root->addWidget(lbTarget);
    root->addLayout(row);
    root->addSpacing(12);
    root->addLayout(ButtonRow({nullptr, Button1, Button2}));
    setTabOrder(edtDir, btnBrowse);
    setTabOrder(btnBrowse, Button1);
    setTabOrder(Button1, Button2);
    connect(btnBrowse, &QToolButton::clicked, this, Guarded([this] { browse(); }));
    // The window closes whatever happens: the program is ending.
    connect(Button1, &QPushButton::clicked, this, [this] {
        Guard::Run([this] { BackupAndExit(); });
        accept();
    });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

QFileDialog* TBackupBeforeExitForm::DirDialog() {
    if (!m_dialog) {
        m_dialog = fileDialog(this, "DirDialog1");
        m_dialog->setFileMode(QFileDialog::Directory);
        m_dialog->setOption(QFileDialog::ShowDirsOnly, true);
    }
    return m_dialog;
}

void TBackupBeforeExitForm::browse() {
    QFileDialog* d = DirDialog();
    d->setDirectory(QFileInfo(edtDir->text()).isDir() ? edtDir->text() : TBackupService::DefaultBackupDir());
    if (d->exec() != QDialog::Accepted || d->selectedFiles().isEmpty()) return;
    edtDir->setText(QDir::toNativeSeparators(d->selectedFiles().first()));
}

QString TBackupBeforeExitForm::RememberedDir() const {
    const QString dir = m_placement.value(kExitDirKey).toString();
    return dir.isEmpty() ? TBackupService::DefaultBackupDir() : dir;
}

int TBackupBeforeExitForm::Run() {
    edtDir->setText(QDir::toNativeSeparators(RememberedDir()));
    Button1->setFocus();
    return exec();
}

void TBackupBeforeExitForm::BackupAndExit() {
    const QString dir = QDir::fromNativeSeparators(edtDir->text().trimmed());
    try {
        if (dir.isEmpty()) throw BackupError(QStringLiteral("没有备份目录."));
        TBackupService::SaveSnapshot(m_dataFile(), TBackupService::ExitBackupName(dir, TClock::today()));
    } catch (const AppError&) {
        TQuickMessageDlg::ShowInfo(QStringLiteral("备份失败!请检查磁盘是否已满."));
        return;
    }
    m_placement.setValue(kExitDirKey, edtDir->text());
    m_placement.sync();
}
