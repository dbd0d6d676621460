#include "backupwindows.h"

#include "appcontext.h"
#include "backupforms.h"
#include "controlplacement.h"
#include "dataset.h"
#include "maindm.h"

#include <QApplication>
#include <QWidget>
#include <exception>
#include <utility>

TBackupWindows::TBackupWindows(TMainDM& dm, TAppContext& context, TControlPlacement& placement, QWidget* owner)
    : m_dm(dm), m_context(context) {
    auto dataFile = [this] { return m_context.DataFile(); };
    m_backup = std::make_unique<TBackupForm>(dataFile, owner);
    TRestoreHooks hooks;
    hooks.dataFile = dataFile;
    hooks.safetyDir = [this] { return m_context.RestoreSafetyDir(); };
    hooks.closeData = [this] { closeData(); };
    hooks.reopenData = [this] { reopenData(); };
    m_restore = std::make_unique<TRestoreForm>(std::move(hooks), owner);
    m_beforeExit = std::make_unique<TBackupBeforeExitForm>(dataFile, placement.PlacementStorage(), owner);
    m_roots << &dm;
}

TBackupWindows::~TBackupWindows() = default;

void TBackupWindows::OpenBackup() { m_backup->OpenBackup(); }
void TBackupWindows::OpenRestore() { m_restore->OpenRestore(); }

void TBackupWindows::BackupBeforeExit() {
    if (m_restore->Restarted()) return;
    m_beforeExit->Run();
}

void TBackupWindows::AddDataRoot(QObject* root) { m_roots << root; }

QList<DataSet*> TBackupWindows::datasetsOnFile() const {
    // The data module's lists first: the windows' look-up fields read them.
    QList<DataSet*> found(m_dm.Queries().begin(), m_dm.Queries().end());
    QList<QObject*> roots;
    for (const auto& r : m_roots)
        if (r) roots << r.data();
    for (QWidget* w : QApplication::topLevelWidgets()) roots << w;
    for (QObject* root : roots) {
        if (auto* ds = qobject_cast<DataSet*>(root)) found << ds;
        found << root->findChildren<DataSet*>();
    }
    QList<DataSet*> out;
    for (DataSet* ds : found)
        if (ds->connection() == &m_dm.MainConn && !out.contains(ds)) out << ds;
    return out;
}

void TBackupWindows::closeData() {
    m_closed.clear();
    const QList<DataSet*> all = datasetsOnFile();
    for (DataSet* ds : all)
        if (ds->isActive()) m_closed << ds;
    // Last opened first, so that no list closes under a look-up still open.
    for (auto it = all.crbegin(); it != all.crend(); ++it) (*it)->close();
    m_dm.MainConn.release();
}

void TBackupWindows::reopenData() {
    if (!m_dm.MainConn.isOpen()) {
        m_dm.MainConn.open(m_context.DataFile());
        m_dm.MainConn.useWal();
    }
    // Every list that can be opened is; the first failure is then reported.
    const QList<QPointer<DataSet>> closed = std::exchange(m_closed, {});
    std::exception_ptr first;
    for (const auto& ds : closed) {
        try {
            if (ds) ds->open();
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
    if (first) std::rethrow_exception(first);
}
