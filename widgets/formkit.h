#pragma once
// Small pieces every window builds its controls with.
#include <QPushButton>
#include <QString>

// A push button with its objectName, which does not grab Enter from the
// window's default button.
inline QPushButton* NamedButton(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}
