#include "storageunitcosteditform.h"

#include "formkit.h"
#include "guard.h"
#include "quickmessagedlg.h"
#include "stockstatements.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

TStorageUnitCostEditForm::TStorageUnitCostEditForm(Connection& conn, QWidget* parent)
    : QDialog(parent), m_conn(conn) {
    setObjectName(QStringLiteral("StorageUnitCostEditForm"));
    setWindowTitle(QStringLiteral("修改库存单价"));
    lbCode = Named<QLabel>(this, "lbCode");
    lbName = Named<QLabel>(this, "lbName");
    edtUnitCost = Named<QLineEdit>(this, "edtUnitCost");
    btnOK = NamedButton(this, "btnOK", QStringLiteral("确定"));
    btnOK->setDefault(true);
    btnOK->setAutoDefault(true);
    btnCancel = NamedButton(this, "btnCancel", QStringLiteral("取消"));
    btnCalcAveragePrice = NamedButton(this, "btnCalcAveragePrice", QStringLiteral("查看累计平均进价"));

    auto* g = new QGridLayout;
    g->addWidget(new QLabel(QStringLiteral("商品编码："), this), 0, 0, Qt::AlignRight);
    g->addWidget(lbCode, 0, 1, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("商品名称："), this), 1, 0, Qt::AlignRight);
    g->addWidget(lbName, 1, 1, 1, 2);
    auto* lbCost = new QLabel(QStringLiteral("库存单价："), this);
    lbCost->setBuddy(edtUnitCost);
    g->addWidget(lbCost, 2, 0, Qt::AlignRight);
    g->addWidget(edtUnitCost, 2, 1);
    g->addWidget(new QLabel(QStringLiteral("元"), this), 2, 2);
    g->setColumnStretch(1, 1);

    auto* note = new QFrame(this);
    note->setFrameShape(QFrame::StyledPanel);
    auto* nl = new QVBoxLayout(note);
    nl->addWidget(new QLabel(QStringLiteral("进货时程序按如下公式计算库存单价："), note));
    auto* formula =
        new QLabel(QStringLiteral("库存单价＝(已有库存数*已有库存单价+本次进货数*本次单价)/(已有库存数+本次进货数)"), note);
    formula->setWordWrap(true);
    nl->addWidget(formula);

    auto* l = new QVBoxLayout(this);
    l->addLayout(g);
    l->addWidget(note);
    l->addLayout(ButtonRow({btnCalcAveragePrice, nullptr, btnOK, btnCancel}));
    setMinimumWidth(460);

    connect(btnOK, &QPushButton::clicked, this, Guarded([this] { accept(); }));
    connect(btnCancel, &QPushButton::clicked, this, Guarded([this] { reject(); }));
    connect(btnCalcAveragePrice, &QPushButton::clicked, this, Guarded([this] { btnCalcAveragePriceClick(); }));
}

void TStorageUnitCostEditForm::btnCalcAveragePriceClick() {
    TQuickMessageDlg::ShowInfo(StockView::AveragePurchasePriceText(m_conn, ProductID));
}
