#pragma once
// How a window looks, for the tests that take its picture.
#include <QAbstractButton>
#include <QLabel>
#include <QStringList>
#include <QWidget>

// Labels and buttons narrower than their text: cut off on screen.
inline QStringList clipped(QWidget* window) {
    QStringList out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window)) continue;
        if (qobject_cast<QLabel*>(w) && w->width() < w->sizeHint().width()) out << w->objectName();
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            const QString text = QString(b->text()).remove('&');
            // Push buttons ask for a minimum width beyond their text; what
            // matters is the text and a little room either side.
            if (b->width() < b->fontMetrics().horizontalAdvance(text) + 8) out << b->objectName();
        }
    }
    return out;
}
