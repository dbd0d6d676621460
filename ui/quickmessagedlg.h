#pragma once
#include <QList>
#include <QMessageBox>
#include <QString>

// The program's message boxes. Tests switch on recording: nothing is shown,
// every box is remembered, and confirmations take scripted answers.
class TQuickMessageDlg {
public:
    enum class Kind { Info, Confirm, Error, Plain };
    struct Record {
        Kind kind;
        QString text;
    };

    static void ShowInfo(const QString& text);
    static void ShowInfo(const QString& caption, const QString& text);
    static bool Confirm(const QString& text);
    static bool Confirm(const QString& caption, const QString& text);
    static QMessageBox::StandardButton ConfirmResult(const QString& caption, const QString& text);
    // The standard error box for failures that reach the event loop.
    static void ShowError(const QString& text);
    // A plain box without an icon.
    static void ShowPlain(const QString& text);

    // Test seam.
    static void StartRecording();
    static void StopRecording();
    static bool IsRecording();
    static void PushAnswer(bool yes); // answers for the next confirmations, in order
    static QList<Record> Shown();
    static QStringList ShownTexts();
    static void ClearShown();
};
