#include "controlplacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QRect>
#include <QScreen>
#include <QWidget>

TControlPlacement::TControlPlacement(const QString& iniFile, QObject* parent)
    : QObject(parent), m_storage(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {
    setObjectName(QStringLiteral("ControlPlacement"));
}

TControlPlacement::~TControlPlacement() {
    m_storage->sync();
}

QString TControlPlacement::GroupOf(const QString& path) {
    QString g = path;
    while (g.endsWith(QLatin1Char('\\')) || g.endsWith(QLatin1Char('/'))) g.chop(1);
    g.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return g.isEmpty() ? QStringLiteral("DefaultSection") : g;
}

bool TControlPlacement::ToBool(const QVariant& v, bool def) {
    const QString s = v.toString().trimmed().toUpper();
    if (s == QLatin1String("TRUE") || s == QLatin1String("YES") || s == QLatin1String("Y") || s == QLatin1String("1"))
        return true;
    if (s == QLatin1String("FALSE") || s == QLatin1String("NO") || s == QLatin1String("N") || s == QLatin1String("0"))
        return false;
    return def;
}

void TControlPlacement::SaveWindow(QWidget* w, const QString& path) {
    if (!w) return;
    m_storage->beginGroup(GroupOf(path));
    const QRect r = w->isMaximized() ? w->normalGeometry() : w->geometry();
    m_storage->setValue(QStringLiteral("Left"), r.x());
    m_storage->setValue(QStringLiteral("Top"), r.y());
    m_storage->setValue(QStringLiteral("Width"), r.width());
    m_storage->setValue(QStringLiteral("Height"), r.height());
    m_storage->setValue(QStringLiteral("Maximized"), w->isMaximized() ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
    m_storage->endGroup();
    m_storage->sync();
}

namespace {
class PlacementKeeper : public QObject {
public:
    PlacementKeeper(TControlPlacement* placement, QWidget* window, const QString& path)
        : QObject(window), m_placement(placement), m_path(path) {
        window->installEventFilter(this);
    }
    bool eventFilter(QObject* o, QEvent* e) override {
        auto* w = static_cast<QWidget*>(o);
        TControlPlacement* p = m_placement; // gone when the program ends first
        if (p && e->type() == QEvent::Show && !m_restored) {
            m_restored = true;
            p->RestoreWindow(w, m_path);
        } else if (p && e->type() == QEvent::Hide && !e->spontaneous()) {
            p->SaveWindow(w, m_path);
        }
        return false;
    }

private:
    QPointer<TControlPlacement> m_placement;
    QString m_path;
    bool m_restored = false;
};
} // namespace

void TControlPlacement::Remember(QWidget* window, const QString& path) {
    if (window) new PlacementKeeper(this, window, path);
}

bool TControlPlacement::RestoreWindow(QWidget* w, const QString& path) {
    if (!w) return false;
    m_storage->beginGroup(GroupOf(path));
    const bool stored = m_storage->contains(QStringLiteral("Width"));
    QRect r(m_storage->value(QStringLiteral("Left")).toInt(), m_storage->value(QStringLiteral("Top")).toInt(),
            m_storage->value(QStringLiteral("Width")).toInt(), m_storage->value(QStringLiteral("Height")).toInt());
    const bool maximized = ToBool(m_storage->value(QStringLiteral("Maximized")), false);
    m_storage->endGroup();
    if (!stored || r.width() < 50 || r.height() < 50) return false;
    // A window saved on a screen that is gone must not open out of reach.
    bool visible = false;
    for (QScreen* s : QGuiApplication::screens())
        if (s->availableGeometry().intersects(r)) visible = true;
    if (!visible) r.moveTopLeft(QPoint(40, 40));
    w->setGeometry(r);
    if (maximized) w->setWindowState(w->windowState() | Qt::WindowMaximized);
    return true;
}
