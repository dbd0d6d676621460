#include "aboutform.h"

#include "resourcepool.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("关于Morvane简单进销存"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(TResourcePool::Logo(64));
    auto* name = new QLabel(QStringLiteral("Morvane简单进销存"), this);
    name->setObjectName(QStringLiteral("lbProductName"));
    QFont f = name->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.3);
    name->setFont(f);
    lbVersion = new QLabel(QStringLiteral("2010 通用版"), this);
    lbVersion->setObjectName(QStringLiteral("lbVersion"));
    btnOK = new QPushButton(QStringLiteral("确定"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(lbVersion);
    text->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(18, 18, 18, 12);
    root->addLayout(top);
    root->addSpacing(12);
    root->addLayout(buttons);
    setMinimumWidth(320);
}
