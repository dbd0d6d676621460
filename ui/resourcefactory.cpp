#include "resourcefactory.h"

QList<QWidget*> TResourceFactory::Windows() const {
    QList<QWidget*> out;
    for (const auto& w : m_slots)
        if (w) out << w.data();
    return out;
}

void TResourceFactory::ShowWindow(QWidget* w) {
    if (!w) return;
    if (w->isMinimized()) w->showNormal();
    w->show();
    w->raise();
    w->activateWindow();
}

void TResourceFactory::ApplySkin(QWidget*) {}

void TResourceFactory::Clear() {
    const auto made = m_slots;
    m_slots.clear();
    for (const auto& w : made) delete w.data();
}
