#pragma once
#include <memory>

class TAppContext;
class TCatalogue;
class TControlPlacement;
class TDFMProxy;
class TDialogPlacer;
class TFocusHandler;
class TMainDM;
class TMainForm;
class TReports;
class TResourceFactory;

// Every window of the program after the login, made in one order and each
// handed what it uses; the main window's actions are plugged in here. Start-up
// and the tests build the program through this one class.
class TWiring {
public:
    TWiring(TMainDM& dm, TAppContext& context, TControlPlacement& placement);
    ~TWiring();
    TWiring(const TWiring&) = delete;
    TWiring& operator=(const TWiring&) = delete;

    TMainForm& MainForm() { return *m_mainForm; }
    TCatalogue& Catalogue() { return *m_catalogue; }
    TReports& Reports() { return *m_reports; }
    TResourceFactory& Factory() { return *m_factory; }
    TDFMProxy& FieldLabels() { return *m_labels; }

private:
    void plugActions();

    TMainDM& m_dm;
    TAppContext& m_context;
    TControlPlacement& m_placement;
    std::unique_ptr<TResourceFactory> m_factory;
    std::unique_ptr<TDFMProxy> m_labels;
    std::unique_ptr<TDialogPlacer> m_dialogPlacer;
    std::unique_ptr<TMainForm> m_mainForm;
    std::unique_ptr<TFocusHandler> m_focus;
    std::unique_ptr<TCatalogue> m_catalogue; // its dialogs belong to the main window: they go first
    std::unique_ptr<TReports> m_reports;
};
