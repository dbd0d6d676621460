#pragma once

class TDFMProxy;
class TMainDM;
class TReportMainForm;
class TResourceFactory;

// The statistics window, made by the form factory on first use and handed
// what it uses. The main window's "进货分析(&I)" and "销售分析(&O)" call the
// two Show operations.
class TReports {
public:
    TReports(TMainDM& dm, TDFMProxy& labels, TResourceFactory& factory);
    ~TReports();
    TReports(const TReports&) = delete;
    TReports& operator=(const TReports&) = delete;

    TReportMainForm* ReportMainForm();
    void ShowInputReport() { show(false); }
    void ShowOutputReport() { show(true); }

private:
    void show(bool sales);
    TMainDM& m_dm;
    TDFMProxy& m_labels;
    TResourceFactory& m_factory;
};
