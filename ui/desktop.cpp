#include "desktop.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QUrl>
#include <QDialog>
#include <QEvent>
#include <QProcess>
#include <QScreen>

namespace TDesktop {
namespace {
QString& opener() {
    static QString program = QStringLiteral("xdg-open");
    return program;
}
} // namespace

void SetOpener(const QString& program) { opener() = program; }

namespace {
bool& useService() {
    static bool use = true;
    return use;
}
} // namespace

void SetUseFileManagerService(bool use) { useService() = use; }

void ShowInFileManager(const QString& path, QObject* context, std::function<void()> failed) {
    if (useService()) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
                QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
            call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
            // The service answers at once; a desktop without one answers
            // with an error just as quickly.
            if (bus.call(call, QDBus::Block, 3000).type() == QDBusMessage::ReplyMessage) return;
        }
    }
    OpenFile(QFileInfo(path).absolutePath(), context, std::move(failed));
}

void OpenFile(const QString& path, QObject* context, std::function<void()> failed) {
    auto* p = new QProcess(context);
    p->setProgram(opener());
    p->setArguments({path});
    p->setProcessChannelMode(QProcess::ForwardedChannels);
    auto done = std::make_shared<bool>(false);
    auto report = [p, failed, done](bool ok) {
        if (*done) return;
        *done = true;
        if (!ok && failed) failed();
        p->deleteLater();
    };
    QObject::connect(p, &QProcess::errorOccurred, context, [report](QProcess::ProcessError) { report(false); });
    QObject::connect(p, &QProcess::finished, context, [report](int code, QProcess::ExitStatus status) {
        report(status == QProcess::NormalExit && code == 0);
    });
    p->start();
}
} // namespace TDesktop

TDialogPlacer::TDialogPlacer(QObject* parent) : QObject(parent) { qApp->installEventFilter(this); }

void TDialogPlacer::CentreOver(QWidget* dialog, QWidget* window) {
    if (!dialog || !window) return;
    QRect r = dialog->frameGeometry();
    r.moveCenter(window->frameGeometry().center());
    if (QScreen* s = window->screen()) {
        const QRect area = s->availableGeometry();
        if (r.right() > area.right()) r.moveRight(area.right());
        if (r.bottom() > area.bottom()) r.moveBottom(area.bottom());
        if (r.left() < area.left()) r.moveLeft(area.left());
        if (r.top() < area.top()) r.moveTop(area.top());
    }
    dialog->move(r.topLeft());
}

bool TDialogPlacer::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::Show && o->isWidgetType()) {
        auto* dialog = qobject_cast<QDialog*>(o);
        // The window still active is the one the dialog was opened from.
        QWidget* from = QApplication::activeWindow();
        if (dialog && dialog->isWindow() && from && from != dialog && from->isVisible() &&
            from != dialog->parentWidget())
            CentreOver(dialog, from);
    }
    return false;
}
