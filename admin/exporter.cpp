#include "exporter.h"

#include <QSet>

#include "datagrid.h"
#include "dataset.h"
#include "dberror.h"
#include "guard.h"
#include "quickmessagedlg.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFontInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QToolButton>
#include <cmath>
#include <limits>

namespace {
TExporter::SaveDialogHook g_saveHook;
TExporter::OfficeCheck g_officeCheck;

ExportFont exportFont(const QFont& font) {
    ExportFont f;
    f.family = font.family();
    f.pointSize = QFontInfo(font).pointSize(); // also for fonts sized in pixels
    f.bold = font.bold();
    f.italic = font.italic();
    f.underline = font.underline();
    f.strikeOut = font.strikeOut();
    return f;
}

quint32 rgb(const QColor& c) {
    return c.rgb() & 0xFFFFFF;
}
} // namespace

// ------------------------------------------------------------------ formats

QStringList TExporter::FileTypes() {
    // The extensions of the files really written: workbooks and documents
    // are the Office Open formats, not the old binary ones.
    return {QStringLiteral("MS Word (*.docx)"), QStringLiteral("MS Excel (*.xlsx)"),
            QStringLiteral("HTML (*.htm *.html)"), QStringLiteral("CSV (*.csv *.txt)"),
            QStringLiteral("XML files (*.xml)")};
}

QString TExporter::ProposedExtension(int kind) {
    static const char* ext[] = {".docx", ".xlsx", ".html", ".csv", ".xml"};
    return kind >= 0 && kind < 5 ? QLatin1String(ext[kind]) : QString();
}

QString TExporter::TypeExtension(int kind) {
    static const char* ext[] = {".docx", ".xlsx", ".htm", ".csv", ".xml"};
    return kind >= 0 && kind < 5 ? QLatin1String(ext[kind]) : QString();
}

QString TExporter::Caption(int kind) {
    static const char* caption[] = {"导出为Word...", "导出为Excel...", "导出为HTML...",
                                    "导出为CSV...", "导出为XML..."};
    return kind >= 0 && kind < 5 ? QString::fromUtf8(caption[kind]) : QString();
}

QString TExporter::ProgressMessage(int position, int maximum) {
    // nearbyint rounds in the default mode: halves go to the even neighbour.
    const int percent = int(std::nearbyint(double(position) / double(maximum) * 100.0));
    return QStringLiteral("正在导出...... (%1% )").arg(percent);
}

QString TExporter::ChangeExtension(const QString& name, const QString& extension) {
    // Only the last part of a path has an extension: "a.b/c" has none.
    const qsizetype slash = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString stem = dot > slash && dot > 0 ? name.left(dot) : name;
    return stem + extension;
}

bool TExporter::OfficeInstalled(const QString& automationName) {
    if (g_officeCheck) return g_officeCheck(automationName);
    if (automationName == QLatin1String("Word.Application"))
        return ExportWriter::available(ExportKind::Word);
    if (automationName == QLatin1String("Excel.Application"))
        return ExportWriter::available(ExportKind::Excel);
    return false;
}

void TExporter::SetSaveDialogHook(SaveDialogHook hook) {
    g_saveHook = std::move(hook);
}
void TExporter::SetOfficeCheck(OfficeCheck check) {
    g_officeCheck = std::move(check);
}

TExporter::SaveAnswer TExporter::AnswerOf(QFileDialog& dialog) {
    SaveAnswer a;
    a.accepted = true;
    a.path = dialog.selectedFiles().value(0);
    a.typeIndex = int(FileTypes().indexOf(dialog.selectedNameFilter())) + 1;
    return a;
}

// -------------------------------------------------------------- the object

TExporter* TExporter::Create(QObject* owner, const QString& baseFileName, DataGrid* grid) {
    return new TExporter(owner, baseFileName, grid);
}

namespace {
// Exporters owned by the application outlive its widgets' world: QObject
// deletes them after QApplication has gone, when their menu and dialogs may
// no longer be destroyed. A post routine, which runs while widgets still
// can be, lets them drop those first.
QSet<TExporter*>& liveExporters() {
    static QSet<TExporter*> live;
    return live;
}
void dropExporterWidgets() {
    for (TExporter* e : liveExporters()) e->ReleaseWidgets();
}
} // namespace

void TExporter::ReleaseWidgets() {
    m_released = true;
    m_save.reset();
    m_progress.reset();
    m_menu.reset();
}

TExporter::TExporter(QObject* owner, const QString& baseFileName, DataGrid* grid)
    : QObject(owner), m_grid(grid),
      m_baseFileName(baseFileName.isEmpty() ? QStringLiteral("导出数据") : baseFileName) {
    setObjectName(QStringLiteral("Exporter"));
    static const bool routine = (qAddPostRoutine(dropExporterWidgets), true);
    Q_UNUSED(routine);
    liveExporters().insert(this);

    m_menu = std::make_unique<QMenu>();
    m_menu->setObjectName(QStringLiteral("ExportPopupMenu"));
    struct Item {
        const char* name;
        const char* text;
        Kind kind;
    };
    for (const Item& item :
         {Item{"miExportExcel", "导出为Excel", Excel}, Item{"miExportWord", "导出为Word", Word},
          Item{"miExportHtml", "导出为Html", Html}}) {
        QAction* a = m_menu->addAction(QString::fromUtf8(item.text));
        a->setObjectName(QLatin1String(item.name));
        const Kind kind = item.kind;
        // A failed export reaches the user as the error box with its reason.
        connect(a, &QAction::triggered, this, Guarded([this, kind](bool) { ExportAs(kind); }));
    }

    m_progress = std::make_unique<QProgressDialog>();
    m_progress->setObjectName(QStringLiteral("ExportProgressDialog"));
    m_progress->setCancelButtonText(QStringLiteral("取消"));
    m_progress->setWindowModality(Qt::ApplicationModal); // nobody edits the rows being written
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    // The display is shown and hidden by the export itself; its own timer
    // would pop it up again seconds after an export that already ended.
    m_progress->setMinimumDuration(std::numeric_limits<int>::max());
    m_progress->setMinimumWidth(360);
    m_progress->reset();
    m_progress->hide();
    connect(m_progress.get(), &QProgressDialog::canceled, this, [this] { m_busy = false; });
}

QFileDialog* TExporter::SaveDialog1() const {
    if (m_save || m_released) return m_save.get();
    auto save = std::make_unique<QFileDialog>();
    save->setObjectName(QStringLiteral("SaveDialog1"));
    save->setWindowTitle(QStringLiteral("导出"));
    // Qt's own dialog looks and behaves the same on every desktop, and its
    // type list can be followed (the name's extension changes with it).
    save->setOption(QFileDialog::DontUseNativeDialog, true);
    save->setAcceptMode(QFileDialog::AcceptSave);
    save->setFileMode(QFileDialog::AnyFile);
    save->setOption(QFileDialog::DontConfirmOverwrite, false);
    save->setSizeGripEnabled(true);
    save->setNameFilters(FileTypes());
    save->setDirectory(QDir::homePath());
    save->setDefaultSuffix(TypeExtension(Excel).mid(1));
    auto* self = const_cast<TExporter*>(this);
    connect(save.get(), &QFileDialog::filterSelected, self, &TExporter::typeChanged);
    m_save = std::move(save);
    return m_save.get();
}

TExporter::~TExporter() { liveExporters().remove(this); }

void TExporter::InstallOn(QWidget* control) {
    auto* tool = qobject_cast<QToolButton*>(control);
    auto* push = qobject_cast<QPushButton*>(control);
    if (!tool && !push)
        throw AppError(QStringLiteral("Install export menu failed. unrecognized control: ") +
                       QString::fromLatin1(control ? control->metaObject()->className() : "null"));
    if (m_installed) disconnect(m_installed, nullptr, this, nullptr);
    if (tool) {
        tool->setMenu(m_menu.get());
        tool->setPopupMode(QToolButton::MenuButtonPopup); // the arrow opens it too
    }
    control->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(control, &QWidget::customContextMenuRequested, this,
            [this, control](const QPoint& pos) { m_menu->popup(control->mapToGlobal(pos)); });
    connect(static_cast<QAbstractButton*>(control), &QAbstractButton::clicked, this,
            [this, control] { m_menu->popup(control->mapToGlobal(QPoint(0, control->height()))); });
    m_installed = control;
}

// ------------------------------------------------------------------ export

void TExporter::ExportAs(int kind) {
    if (m_busy || m_running || !m_grid || kind < 0 || kind > Xml) return;
    DataSet* ds = m_grid->dataSet();
    if (!ds || !ds->isActive()) return;
    if (kind == Word && !OfficeInstalled(QStringLiteral("Word.Application"))) {
        TQuickMessageDlg::ShowInfo(
            QStringLiteral("未检测到本机安装有Word，无法导出。建议以Html格式导出。"));
        return;
    }
    if (kind == Excel && !OfficeInstalled(QStringLiteral("Excel.Application"))) {
        TQuickMessageDlg::ShowInfo(
            QStringLiteral("未检测到本机安装有Excel，无法导出。建议以Html格式导出。"));
        return;
    }
    m_baseFileName = ChangeExtension(m_baseFileName, ProposedExtension(kind));

    QFileDialog* save = SaveDialog1();
    if (!save) return;
    save->selectNameFilter(FileTypes()[kind]);
    save->setDefaultSuffix(TypeExtension(kind).mid(1));
    save->selectFile(m_baseFileName);
    SaveAnswer answer;
    if (g_saveHook) {
        answer = g_saveHook(*save);
    } else {
        if (save->exec() == QDialog::Accepted) answer = AnswerOf(*save);
    }
    if (!answer.accepted || answer.path.isEmpty()) return;
    // The type the dialog ended with decides the format, whatever the menu
    // item was: that is how CSV and XML are reached.
    const int chosen = answer.typeIndex >= 1 && answer.typeIndex <= 5 ? answer.typeIndex - 1 : kind;
    RunExport(Kind(chosen), Caption(chosen), answer.path);
}

void TExporter::RunExport(Kind kind, const QString& caption, const QString& path) {
    DataSet* ds = m_grid ? m_grid->dataSet() : nullptr;
    if (!ds || !ds->isActive() || m_running) return;
    std::unique_ptr<ExportWriter> writer = ExportWriter::create(ExportKind(kind));
    writer->setColumns(ExportColumns());
    writer->setCaption(caption);
    writer->setLook(GridLook());
    if (auto* csv = dynamic_cast<CsvExportWriter*>(writer.get()))
        csv->setSeparator(QLatin1Char(','));
    writer->setProgress([this](int minimum, int maximum, int position, const QString& text) {
        return OnExportProgress(minimum, maximum, position, text);
    });

    m_progress->reset();
    m_progress->setWindowTitle(caption);
    m_progress->setLabelText(QStringLiteral("正在导出......"));
    m_progress->adjustSize();
    if (QScreen* screen = QApplication::primaryScreen()) {
        QRect r = m_progress->frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        m_progress->move(r.topLeft());
    }
    m_progress->show();
    m_busy = true;
    m_running = true;
    bool complete = false;
    try {
        complete = writer->exportTo(*ds, path);
    } catch (...) {
        // The error reaches the user through the standard error box; the
        // display must not stay up, or the next export would never start.
        m_running = false;
        hideProgress();
        returnFocus();
        throw;
    }
    m_running = false;
    hideProgress();
    returnFocus();
    writer.reset();
    TQuickMessageDlg::ShowInfo(complete ? QStringLiteral("导出成功.")
                                        : QStringLiteral("导出已取消."));
}

bool TExporter::OnExportProgress(int minimum, int maximum, int position, const QString& text) {
    const bool cancelled = m_progress->wasCanceled();
    if (!cancelled) {
        m_progress->setRange(minimum, maximum);
        m_progress->setValue(position);
        m_progress->setWindowTitle(text);
        if (maximum != 0) m_progress->setLabelText(ProgressMessage(position, maximum));
    }
    if (cancelled || position >= maximum) hideProgress();
    // Lets the display repaint and its cancel button be pressed.
    QCoreApplication::processEvents();
    return !cancelled;
}

void TExporter::hideProgress() {
    m_progress->hide();
    m_busy = false;
}

void TExporter::returnFocus() {
    auto canTake = [](QWidget* w) {
        return w && w->isVisible() && w->isEnabled() && w->focusPolicy() != Qt::NoFocus;
    };
    QWidget* control = m_installed;
    if (canTake(control))
        control->setFocus();
    else if (control && canTake(control->parentWidget()))
        control->parentWidget()->setFocus();
}

void TExporter::typeChanged(const QString& filter) {
    const int kind = int(FileTypes().indexOf(filter));
    if (kind < 0) return;
    m_save->setDefaultSuffix(TypeExtension(kind).mid(1));
    auto* nameBox = m_save->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!nameBox || nameBox->text().isEmpty()) return;
    nameBox->setText(ChangeExtension(nameBox->text(), TypeExtension(kind)));
}

// -------------------------------------------------------------- grid facts

QList<ExportColumn> TExporter::ExportColumns() const {
    QList<ExportColumn> out;
    if (!m_grid) return out;
    DataSet* ds = m_grid->dataSet();
    QHeaderView* header = m_grid->view()->horizontalHeader();
    for (const GridColumn* c : m_grid->columns()) {
        if (!c->visible) continue;
        const Field* f = ds ? ds->findField(c->fieldName) : nullptr;
        const int logical = m_grid->viewColumn(c->fieldName);
        if (!f || logical < 0) continue; // a column whose field the statement lacks shows nothing
        ExportColumn e;
        e.fieldName = c->fieldName;
        e.title = m_grid->model()->headerData(logical, Qt::Horizontal).toString();
        // The width on screen: the grid sizes columns to their content, so
        // the one the window asked for may be narrower than what is shown.
        const int shown = header->sectionSize(logical);
        e.width = shown > 0 ? shown : c->width > 0 ? c->width : header->defaultSectionSize();
        e.alignment = c->alignment;
        e.type = f->type();
        out << e;
    }
    return out;
}

ExportLook TExporter::GridLook() const {
    ExportLook look;
    if (!m_grid) return look;
    const QTableView* view = m_grid->view();
    look.cellFont = exportFont(view->font());
    look.cellColor = rgb(view->palette().color(QPalette::Text));
    look.cellBackground = rgb(view->palette().color(QPalette::Base));
    const QHeaderView* header = view->horizontalHeader();
    look.titleFont = exportFont(header->font());
    look.titleColor = rgb(header->palette().color(QPalette::ButtonText));
    look.titleBackground = rgb(header->palette().color(QPalette::Button));
    return look;
}
