#include "resourcefactory.h"

QHash<QString, QWidget*>& TResourceFactory::windowSlots() {
    static QHash<QString, QWidget*> s;
    return s;
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
    auto& s = windowSlots();
    for (QWidget* w : s) delete w;
    s.clear();
}
