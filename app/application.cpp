#include "application.h"

#include "dberror.h"
#include "quickmessagedlg.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <exception>

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
