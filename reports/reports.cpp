#include "reports.h"

#include "maindm.h"
#include "reportmainform.h"
#include "resourcefactory.h"

namespace {
const QString kSlot = QStringLiteral("ReportMainForm");
}

TReports::TReports(TMainDM& dm, TDFMProxy& labels, TResourceFactory& factory)
    : m_dm(dm), m_labels(labels), m_factory(factory) {}

// The window reads through the data module's connection: it goes first.
TReports::~TReports() {
    delete m_factory.Take(kSlot);
}

TReportMainForm* TReports::ReportMainForm() {
    return m_factory.Get<TReportMainForm>(
        kSlot, [this] { return new TReportMainForm(m_dm.MainConn, m_labels); },
        [](TReportMainForm* w) { w->Prepare(); });
}

void TReports::show(bool sales) {
    TReportMainForm* w = ReportMainForm();
    w->ShowAnalysisPage(sales);
    TResourceFactory::ShowWindow(w);
}
