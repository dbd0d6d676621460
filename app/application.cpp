#include "application.h"

#include "dberror.h"
#include "quickmessagedlg.h"

#include <exception>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Morvane简单进销存 2010 通用版"));
    setOrganizationName(QStringLiteral("Morvane"));
}

QString TApplication::CurrentExceptionText() {
    try {
        throw;
    } catch (const DbError& e) {
        return e.text();
    } catch (const AppError& e) {
        return e.text();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("未知错误.");
    }
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        TQuickMessageDlg::ShowError(CurrentExceptionText());
        return false;
    }
}
