#include "focushandler.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

TFocusHandler::TFocusHandler(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("FocusHandler"));
    connect(qApp, &QApplication::focusChanged, this, &TFocusHandler::ActiveControlChanged);
}

bool TFocusHandler::IsPaintable(QWidget* c) {
    if (!c) return false;
    if (qobject_cast<QLineEdit*>(c) || qobject_cast<QComboBox*>(c) || qobject_cast<QAbstractSpinBox*>(c) ||
        qobject_cast<QPlainTextEdit*>(c) || qobject_cast<QTextEdit*>(c))
        return true;
    const QString cls = QString::fromLatin1(c->metaObject()->className()).toLower();
    return cls.contains(QLatin1String("edit")) || cls.contains(QLatin1String("combo")) ||
           cls.contains(QLatin1String("memo"));
}

void TFocusHandler::PaintControl(QWidget* control, const QColor& color) {
    if (!control || !IsPaintable(control)) return;
    QPalette pal = control->palette();
    pal.setColor(QPalette::Base, color);
    control->setPalette(pal);
    // Memos paint their viewport.
    if (auto* pe = qobject_cast<QAbstractScrollArea*>(control)) pe->viewport()->setPalette(pal);
}

TFormFocusTrace* TFocusHandler::FindTrace(QWidget* window) {
    // Windows that are gone take their traces with them, so a new window
    // never inherits a highlighted control.
    m_traces.erase(std::remove_if(m_traces.begin(), m_traces.end(),
                                  [](const TFormFocusTrace& t) { return t.WindowHandle.isNull(); }),
                   m_traces.end());
    for (auto& t : m_traces)
        if (t.WindowHandle == window) return &t;
    m_traces.push_back({window, nullptr});
    return &m_traces.back();
}

void TFocusHandler::ActiveControlChanged() {
    try {
        QWidget* window = QApplication::activeWindow();
        if (!window) return;
        QWidget* control = window->focusWidget();
        // The line edit inside a drop-down or spin box stands for its owner.
        if (control && control->parentWidget() &&
            (qobject_cast<QComboBox*>(control->parentWidget()) ||
             qobject_cast<QAbstractSpinBox*>(control->parentWidget())))
            control = control->parentWidget();
        if (control && control->window() != window) control = nullptr;
        TFormFocusTrace* trace = FindTrace(window);
        if (trace->LastControl == control) return;
        PaintControl(trace->LastControl, QColor(0xFF, 0xFF, 0xFF));
        PaintControl(control, HighlightColor);
        trace->LastControl = control;
    } catch (...) {
        // A highlight is never worth an error box.
    }
}
