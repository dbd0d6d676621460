#include "startup.h"

#include "appcontext.h"
#include "controlplacement.h"
#include "guard.h"
#include "loginform.h"
#include "maindm.h"
#include "mainform.h"
#include "quickmessagedlg.h"
#include "wiring.h"

#include <QApplication>
#include <memory>

QString ConnectionFailureText(const QString& driverText) {
    return QStringLiteral("连接数据库失败. ") + QStringLiteral("\n\n") + driverText;
}

namespace {
// Connection and login. False when the user left at the login.
bool connectAndLogin(TMainDM& dm, TAppContext& context) {
    try {
        dm.Startup(context.DataFile());
    } catch (...) {
        throw StartupError(ConnectionFailureText(Guard::CurrentExceptionText()));
    }
    context.UseData(dm);
    TLoginForm login(dm, context);
    login.OpenUsers();
    if (login.TryAutoLogin()) return true;
    return login.exec() == QDialog::Accepted;
}
} // namespace

int RunProgram(const QString& appDir) {
    // Every step of the start runs inside this one error path: a data file
    // the program cannot use (missing, foreign, read-only, an old layout
    // without a column the login reads) is named in one message and the
    // program ends with the file as it was.
    try {
        TMainDM dm;
        TAppContext context;
        if (!appDir.isEmpty()) context.SetAppDir(appDir);
        TControlPlacement placement(context.PlacementFile());
        if (!connectAndLogin(dm, context)) return 0;

        TWiring program(dm, context, placement);
        TMainForm& mainForm = program.MainForm();
        if (!placement.RestoreWindow(&mainForm, QStringLiteral("MainForm\\"))) mainForm.resize(760, 200);
        mainForm.show();
        const int rc = QApplication::exec();
        placement.SaveWindow(&mainForm, QStringLiteral("MainForm\\"));
        return rc;
    } catch (const StartupError& e) {
        TQuickMessageDlg::ShowError(e.text());
        return 1;
    } catch (...) {
        TQuickMessageDlg::ShowError(QStringLiteral("程序启动失败.\n\n") + Guard::CurrentExceptionText());
        return 1;
    }
}
