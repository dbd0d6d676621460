#include "saleposcalcform.h"

#include "documentlines.h"
#include "formkit.h"
#include "guard.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// Selects all of the received amount whenever it gets the focus, so typing
// replaces it.
class SelectOnFocus : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::FocusIn)
            if (auto* ed = qobject_cast<QLineEdit*>(o)) QTimer::singleShot(0, ed, &QLineEdit::selectAll);
        return false;
    }
};
} // namespace

TSalePOSCalcForm::TSalePOSCalcForm(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("SalePOSCalcForm"));
    setWindowTitle(QStringLiteral("找零计算器"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    QFont big = font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);

    lbReceiveable = Named<QLabel>(this, "lbReceiveable");
    edtActureReceive = Named<QLineEdit>(this, "edtActureReceive");
    lbChange = Named<QLabel>(this, "lbChange");
    for (QWidget* w : {static_cast<QWidget*>(lbReceiveable), static_cast<QWidget*>(edtActureReceive),
                       static_cast<QWidget*>(lbChange)}) {
        w->setFont(big);
        w->setMinimumWidth(180);
    }
    lbReceiveable->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lbChange->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edtActureReceive->setAlignment(Qt::AlignRight);
    edtActureReceive->installEventFilter(new SelectOnFocus(this));

    auto* grid = new QGridLayout;
    const char* captions[] = {"应收：", "实收：", "找零："};
    QWidget* values[] = {lbReceiveable, edtActureReceive, lbChange};
    for (int r = 0; r < 3; ++r) {
        auto* caption = new QLabel(QString::fromUtf8(captions[r]), this);
        caption->setFont(big);
        grid->addWidget(caption, r, 0);
        grid->addWidget(values[r], r, 1);
        auto* unit = new QLabel(QStringLiteral("元"), this);
        unit->setFont(big);
        grid->addWidget(unit, r, 2);
    }
    JvImgBtn1 = NamedButton(this, "JvImgBtn1", QStringLiteral("确定"));
    JvImgBtn2 = NamedButton(this, "JvImgBtn2", QStringLiteral("取消"));
    JvImgBtn1->setDefault(true);
    JvImgBtn1->setAutoDefault(true);
    auto* root = new QVBoxLayout(this);
    root->addLayout(grid);
    root->addLayout(ButtonRow({nullptr, JvImgBtn1, JvImgBtn2}));

    connect(edtActureReceive, &QLineEdit::textChanged, this, Guarded([this] { edtActureReceiveChange(); }));
    connect(JvImgBtn1, &QPushButton::clicked, this, Guarded([this] { accept(); }));
    connect(JvImgBtn2, &QPushButton::clicked, this, Guarded([this] { reject(); }));
}

bool TSalePOSCalcForm::Execute(double amount) {
    m_amount = amount;
    const QString due = DocumentLines::FormatMoney(amount);
    lbReceiveable->setText(due);
    edtActureReceive->setText(due);
    edtActureReceiveChange();
    edtActureReceive->setFocus();
    edtActureReceive->selectAll();
    adjustSize();
    if (parentWidget()) {
        // Centred on the editor it belongs to.
        const QRect owner = parentWidget()->window()->frameGeometry();
        move(owner.center() - rect().center());
    }
    return exec() == QDialog::Accepted;
}

void TSalePOSCalcForm::edtActureReceiveChange() {
    bool ok = false;
    const double received = edtActureReceive->text().trimmed().toDouble(&ok);
    lbChange->setText(ok ? DocumentLines::FormatMoney(received - m_amount) : QStringLiteral("无法计算"));
}
