#include "quickmessagedlg.h"

#include <QApplication>
#include <QQueue>

namespace {
bool g_recording = false;
QQueue<bool> g_answers;
QList<TQuickMessageDlg::Record> g_shown;

QWidget* parentWindow() { return QApplication::activeWindow(); }

bool record(TQuickMessageDlg::Kind kind, const QString& text) {
    if (!g_recording) return false;
    g_shown.append({kind, text});
    return true;
}
} // namespace

void TQuickMessageDlg::ShowInfo(const QString& text) {
    if (record(Kind::Info, text)) return;
    QMessageBox::information(parentWindow(), QStringLiteral("信息"), text, QMessageBox::Ok);
}

void TQuickMessageDlg::ShowInfo(const QString&, const QString& text) { ShowInfo(text); }

QMessageBox::StandardButton TQuickMessageDlg::ConfirmResult(const QString&, const QString& text) {
    if (record(Kind::Confirm, text)) {
        const bool yes = g_answers.isEmpty() ? false : g_answers.dequeue();
        return yes ? QMessageBox::Yes : QMessageBox::No;
    }
    return QMessageBox::question(parentWindow(), QStringLiteral("确认"), text,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
}

bool TQuickMessageDlg::Confirm(const QString& text) { return ConfirmResult(QString(), text) == QMessageBox::Yes; }
bool TQuickMessageDlg::Confirm(const QString& caption, const QString& text) {
    return ConfirmResult(caption, text) == QMessageBox::Yes;
}

void TQuickMessageDlg::ShowError(const QString& text) {
    if (record(Kind::Error, text)) return;
    QMessageBox::critical(parentWindow(), QStringLiteral("错误"), text, QMessageBox::Ok);
}

void TQuickMessageDlg::ShowPlain(const QString& text) {
    if (record(Kind::Plain, text)) return;
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok, parentWindow());
    box.exec();
}

void TQuickMessageDlg::StartRecording() {
    g_recording = true;
    g_answers.clear();
    g_shown.clear();
}
void TQuickMessageDlg::StopRecording() { g_recording = false; }
bool TQuickMessageDlg::IsRecording() { return g_recording; }
void TQuickMessageDlg::PushAnswer(bool yes) { g_answers.enqueue(yes); }
QList<TQuickMessageDlg::Record> TQuickMessageDlg::Shown() { return g_shown; }
QStringList TQuickMessageDlg::ShownTexts() {
    QStringList out;
    for (const auto& r : g_shown) out << r.text;
    return out;
}
void TQuickMessageDlg::ClearShown() { g_shown.clear(); }
