#pragma once
#include <QObject>
#include <QString>
#include <functional>

class QDialog;

// Hands a file to the desktop's viewer. The viewer starts in the background
// and may fail after the call returns (no program for the file type), so a
// failure is reported through `failed` whenever it is known.
namespace TDesktop {
void OpenFile(const QString& path, QObject* context, std::function<void()> failed);
// Shows the file selected in the desktop's file manager (its FileManager1
// service on the session bus); where there is none, opens the file's folder
// with the viewer. failed as for OpenFile.
void ShowInFileManager(const QString& path, QObject* context, std::function<void()> failed);
// The opener command, "xdg-open" by default; tests put a stand-in here.
void SetOpener(const QString& program);
// Whether ShowInFileManager asks the session bus first (tests turn it off).
void SetUseFileManagerService(bool use);
} // namespace TDesktop

// Dialogs open centred on the window the user is working in (a document
// window, the product list), not on the main window they belong to. A
// placement stored for a dialog still wins: it is applied after this.
class TDialogPlacer : public QObject {
public:
    explicit TDialogPlacer(QObject* parent = nullptr);
    // Centres dialog over window, kept on window's screen.
    static void CentreOver(QWidget* dialog, QWidget* window);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
};
