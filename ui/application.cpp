#include "application.h"

#include "guard.h"
#include "quickmessagedlg.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Morvane简单进销存 2010 通用版"));
    setOrganizationName(QStringLiteral("Morvane"));
    // The shop reads Chinese: Qt's own buttons and dialogs ("确定", "取消",
    // the file dialog) come in Chinese too.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    auto* qtTexts = new QTranslator(this);
    if (qtTexts->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(qtTexts);
    InstallErrorBox();
}

void TApplication::InstallErrorBox() {
    // Handlers catch their own failures (Guarded) and show them here.
    Guard::SetReporter([](const QString& text) { TQuickMessageDlg::ShowError(text); });
}

QString TApplication::CurrentExceptionText() { return Guard::CurrentExceptionText(); }

// The last resort only: every handler of the program is guarded where it is
// connected, so nothing should arrive here.
bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        TQuickMessageDlg::ShowError(CurrentExceptionText());
        return false;
    }
}
