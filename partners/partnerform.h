#pragma once
#include "pendingpick.h"

#include <QWidget>

class TControlPlacement;
class TCustomerFrame;
class TDFMProxy;
class TMainDM;
class TPartnerFrame;
class TSupplierFrame;

// The window of a partner frame: opened from the main window for upkeep, or
// by a document editor to pick a partner. Closing it only hides it.
class TPartnerForm : public QWidget {
    Q_OBJECT
public:
    TPartnerFrame* Frame() const { return m_frame; }

    // Once, when the form factory makes the window.
    void Prepare();
    // For upkeep: drops any pick left pending, folds the editor, lists every
    // partner and shows the window.
    void ShowForMaintenance();
    // For a document editor: the partner picked next goes to delivery, which
    // may refuse it. The list stays as it was; the window is shown, not
    // modally.
    void ShowForPick(TPendingPick::Delivery delivery);
    // Hands the current partner to the pending pick; the window goes once
    // the editor took it and stays open when it refused.
    void PickCurrent();

protected:
    TPartnerForm(TPartnerFrame* frame, TControlPlacement& placement, QWidget* parent);
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    QString layoutGroup() const;
    TPartnerFrame* m_frame;
    TControlPlacement& m_placement;
};

// "供应商列表"
class TSupplierForm : public TPartnerForm {
    Q_OBJECT
public:
    TSupplierForm(TMainDM& dm, TDFMProxy& labels, TControlPlacement& placement, QWidget* parent = nullptr);
    TSupplierFrame* SupplierFrame1;
};

// "客户列表"
class TCustomerForm : public TPartnerForm {
    Q_OBJECT
public:
    TCustomerForm(TMainDM& dm, TDFMProxy& labels, TControlPlacement& placement, QWidget* parent = nullptr);
    TCustomerFrame* CustomerFrame1;
};
