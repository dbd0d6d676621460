#include "partners.h"

#include "partnerform.h"
#include "partnerframe.h"
#include "resourcefactory.h"

TPartners::TPartners(TMainDM& dm, TDFMProxy& labels, TControlPlacement& placement, TResourceFactory& factory)
    : m_dm(dm), m_labels(labels), m_placement(placement), m_factory(factory) {}

// The windows hold what their makers handed them; they go first.
TPartners::~TPartners() {
    for (const char* name : {"SupplierForm", "CustomerForm"})
        if (QWidget* w = m_factory.Take(QString::fromLatin1(name))) delete w;
}

TSupplierForm* TPartners::GetSupplierForm() {
    return m_factory.Get<TSupplierForm>(
        QStringLiteral("SupplierForm"), [this] { return new TSupplierForm(m_dm, m_labels, m_placement); },
        [this](TSupplierForm* w) {
            w->Frame()->TypeEditor = m_typeEditor;
            w->Prepare();
        });
}

TCustomerForm* TPartners::GetCustomerForm() {
    return m_factory.Get<TCustomerForm>(
        QStringLiteral("CustomerForm"), [this] { return new TCustomerForm(m_dm, m_labels, m_placement); },
        [this](TCustomerForm* w) {
            w->Frame()->TypeEditor = m_typeEditor;
            w->Prepare();
        });
}
