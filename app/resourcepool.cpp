#include "resourcepool.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

TResourcePool::TResourcePool(QObject* parent) : QObject(parent) { setObjectName(QStringLiteral("ResourcePool")); }

QPixmap TResourcePool::Logo(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x2f, 0x6f, 0xb5));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, size, size), size * 0.18, size * 0.18);
    QFont f = QApplication::font();
    f.setPixelSize(int(size * 0.55));
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, QStringLiteral("存"));
    return pm;
}

QIcon TResourcePool::ToolbarImage(const QString& role) {
    QStyle* s = QApplication::style();
    static const QHash<QString, QStyle::StandardPixmap> map = {
        {QStringLiteral("new"), QStyle::SP_FileIcon},
        {QStringLiteral("list"), QStyle::SP_FileDialogDetailedView},
        {QStringLiteral("search"), QStyle::SP_FileDialogContentsView},
        {QStringLiteral("audit"), QStyle::SP_DialogApplyButton},
        {QStringLiteral("stock"), QStyle::SP_DriveHDIcon},
        {QStringLiteral("product"), QStyle::SP_DirIcon},
        {QStringLiteral("import"), QStyle::SP_ArrowDown},
        {QStringLiteral("supplier"), QStyle::SP_ComputerIcon},
        {QStringLiteral("customer"), QStyle::SP_DirHomeIcon},
        {QStringLiteral("refund"), QStyle::SP_ArrowBack},
    };
    return s->standardIcon(map.value(role, QStyle::SP_FileIcon));
}
