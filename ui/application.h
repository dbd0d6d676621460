#pragma once
#include <QApplication>

inline const QString kAppTitle = QStringLiteral("Morvane简单进销存 - 2010 通用版");

// Shows a failure that escapes an event handler in the standard error box
// instead of ending the program: the user's data stays as the database's
// transactions left it.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
    // Text of the exception being handled, for the error box.
    static QString CurrentExceptionText();
    // Failures caught by guarded handlers are shown in the standard error
    // box (the tests install it too).
    static void InstallErrorBox();
};
