#include "partnerform.h"

#include "controlplacement.h"
#include "datagrid.h"
#include "guard.h"
#include "partnerframe.h"
#include "resourcefactory.h"

#include <QHideEvent>
#include <QLineEdit>
#include <QShowEvent>
#include <QVBoxLayout>

TPartnerForm::TPartnerForm(TPartnerFrame* frame, TControlPlacement& placement, QWidget* parent)
    : QWidget(parent, Qt::Window), m_frame(frame), m_placement(placement) {
    const TPartnerKind& kind = frame->Kind();
    setObjectName(kind.formName);
    setWindowTitle(kind.formCaption);
    frame->setParent(this);
    frame->setObjectName(kind.role + QStringLiteral("Frame1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frame);
    resize(960, 560);
    placement.Remember(this, kind.formName);
    if (kind.keepGridLayout) frame->grid->restoreLayout(placement.PlacementStorage(), layoutGroup());

    connect(frame, &TPartnerFrame::pickRequested, this, Guarded([this] { PickCurrent(); }));
    // Escape hides the window; a pick still pending stays so.
    connect(frame, &TPartnerFrame::escapePressed, this, &QWidget::hide);
}

QString TPartnerForm::layoutGroup() const {
    return TControlPlacement::GroupOf(m_frame->Kind().formName) + QLatin1Char('/') + m_frame->Kind().gridName;
}

void TPartnerForm::Prepare() {
    m_frame->Prepare();
}

void TPartnerForm::ShowForMaintenance() {
    m_frame->ResetForMaintenance();
    TResourceFactory::ShowWindow(this);
}

void TPartnerForm::ShowForPick(TPendingPick::Delivery delivery) {
    m_frame->AskPick(std::move(delivery));
    TResourceFactory::ShowWindow(this);
}

void TPartnerForm::PickCurrent() {
    if (m_frame->PickCurrent() == TPendingPick::Outcome::Delivered) hide();
}

void TPartnerForm::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (e->spontaneous()) return; // restored from the task bar, not opened
    m_frame->edtSearchKey->selectAll();
    m_frame->edtSearchKey->setFocus();
}

void TPartnerForm::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    if (!e->spontaneous() && m_frame->Kind().keepGridLayout)
        m_frame->grid->saveLayout(m_placement.PlacementStorage(), layoutGroup());
}

TSupplierForm::TSupplierForm(TMainDM& dm, TDFMProxy& labels, TControlPlacement& placement, QWidget* parent)
    : TPartnerForm(new TSupplierFrame(dm, labels), placement, parent) {
    SupplierFrame1 = static_cast<TSupplierFrame*>(Frame());
}

TCustomerForm::TCustomerForm(TMainDM& dm, TDFMProxy& labels, TControlPlacement& placement, QWidget* parent)
    : TPartnerForm(new TCustomerFrame(dm, labels), placement, parent) {
    CustomerFrame1 = static_cast<TCustomerFrame*>(Frame());
}
