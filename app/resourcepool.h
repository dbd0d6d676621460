#pragma once
#include <QIcon>
#include <QObject>
#include <QPixmap>

// The shared pictures: the program's logo and the tool button images.
class TResourcePool : public QObject {
    Q_OBJECT
public:
    explicit TResourcePool(QObject* parent = nullptr);
    static QPixmap Logo(int size);
    // A tool button picture by its role: "new", "list", "search", "audit",
    // "stock", "product", "import", "supplier", "customer", "refund".
    static QIcon ToolbarImage(const QString& role);
};
