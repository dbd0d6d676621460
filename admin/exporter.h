#pragma once
#include "datagrid.h"
#include "exportwriters.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

class QFileDialog;
class QMenu;
class QProgressDialog;

// Saves one grid to a file. A window that owns a grid creates one exporter
// for it and installs it on its "导出" button; the button then opens a menu
// of formats. The exporter proposes a file name, asks for the target, runs
// the export with a progress display and reports success.
class TExporter : public QObject {
    Q_OBJECT
public:
    // Kinds as the menu and the save dialog number them (type index = kind + 1).
    enum Kind { Word = 0, Excel = 1, Html = 2, Csv = 3, Xml = 4 };

    static TExporter* Create(QObject* owner, const QString& baseFileName, DataGrid* grid);
    TExporter(QObject* owner, const QString& baseFileName, DataGrid* grid);
    ~TExporter() override;
    // Lets go of the menu and dialogs (before the application ends).
    void ReleaseWidgets();

    // A tool button gets the format menu as drop-down and context menu, a
    // push button as context menu; a click on either opens it below the
    // button. Anything else is refused with AppError.
    void InstallOn(QWidget* control);
    QWidget* InstalledControl() const { return m_installed; }
    DataGrid* Grid() const { return m_grid; }
    // True while the progress display is shown.
    bool Busy() const { return m_busy; }
    QString BaseFileName() const { return m_baseFileName; }

    QMenu* ExportPopupMenu() const { return m_menu.get(); }
    QProgressDialog* ExportProgressDialog() const { return m_progress.get(); }
    // Made on first use: a file dialog reads the icons and the folder it
    // opens on as it is made, which a window opening its grid should not
    // wait for. Null once the widgets have been released.
    QFileDialog* SaveDialog1() const;

    // Asks for the target and exports; does nothing while busy, without a
    // grid or with its dataset closed. Says "导出成功." for a complete file
    // and "导出已取消." when the user cancelled; errors while writing are
    // thrown (AppError) after the progress display has been closed. Either
    // way an unfinished export leaves the target as it was.
    void ExportAs(int kind);
    void RunExport(Kind kind, const QString& caption, const QString& path);
    // The writers' progress handler; answers whether to go on.
    bool OnExportProgress(int minimum, int maximum, int position, const QString& text);

    // The formats.
    static QStringList FileTypes();             // the save dialog's types, in kind order
    static QString ProposedExtension(int kind); // for the proposed name
    static QString TypeExtension(int kind);     // set when the type is changed in the dialog
    static QString Caption(int kind);           // of the progress display
    static QString ProgressMessage(int position, int maximum);
    // name with its extension replaced (or added when it has none).
    static QString ChangeExtension(const QString& name, const QString& extension);

    // What the grid shows: its visible columns in their order, and its look.
    QList<ExportColumn> ExportColumns() const;
    ExportLook GridLook() const;

    // Whether the program behind an automation name ("Word.Application",
    // "Excel.Application") can write its files here. Their writers are
    // built in, so the answer is yes whenever the writer's library loads
    // (or what a test says instead).
    static bool OfficeInstalled(const QString& automationName);

    // Test seams, so that no modal dialog blocks a test.
    struct SaveAnswer {
        bool accepted = false;
        QString path;
        int typeIndex = 0; // 1..5 as in FileTypes()
    };
    // Called with the preset dialog instead of showing it; null shows it.
    using SaveDialogHook = std::function<SaveAnswer(QFileDialog& dialog)>;
    static void SetSaveDialogHook(SaveDialogHook hook);
    // The answer the dialog holds now: its chosen file and type.
    static SaveAnswer AnswerOf(QFileDialog& dialog);
    using OfficeCheck = std::function<bool(const QString& automationName)>;
    static void SetOfficeCheck(OfficeCheck check); // null: the built-in answer

private:
    void typeChanged(const QString& filter);
    void hideProgress();
    void returnFocus();

    QPointer<DataGrid> m_grid;
    QString m_baseFileName;
    QPointer<QWidget> m_installed;
    bool m_busy = false;
    bool m_running = false; // an export is on the stack, shown or not
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QProgressDialog> m_progress;
    mutable std::unique_ptr<QFileDialog> m_save;
    bool m_released = false;
};
