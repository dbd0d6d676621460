#pragma once
#include <memory>

class TAppContext;
class TBackupWindows;
class TCatalogue;
class TControlPlacement;
class TDFMProxy;
class TDialogPlacer;
class TDocumentLists;
class TDocuments;
class TFocusHandler;
class TMainDM;
class TMainForm;
class TPartners;
class TReports;
class TResourceFactory;
class TStaff;
class TStockView;
class TSysConfigForm;

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
    TStaff& Staff() { return *m_staff; }
    TBackupWindows& Backups() { return *m_backups; }
    TPartners& Partners() { return *m_partners; }
    TReports& Reports() { return *m_reports; }
    TResourceFactory& Factory() { return *m_factory; }
    TDFMProxy& FieldLabels() { return *m_labels; }
    // The document lists; the editors reach their RefreshList here.
    TDocumentLists& Lists() { return *m_lists; }
    TStockView& Stock() { return *m_stock; }
    TDocuments& Documents() { return *m_documents; }
    // "系统设置"; its showRefundChanged tells when the returns option is saved.
    TSysConfigForm& SysConfig() { return *m_sysConfig; }

private:
    void plugActions();
    void plugLists();
    void plugDocuments();

    TMainDM& m_dm;
    TAppContext& m_context;
    TControlPlacement& m_placement;
    std::unique_ptr<TResourceFactory> m_factory;
    std::unique_ptr<TDFMProxy> m_labels;
    std::unique_ptr<TDialogPlacer> m_dialogPlacer;
    std::unique_ptr<TMainForm> m_mainForm;
    std::unique_ptr<TFocusHandler> m_focus;
    std::unique_ptr<TStaff> m_staff;
    std::unique_ptr<TCatalogue> m_catalogue; // its dialogs belong to the main window: they go first
    std::unique_ptr<TBackupWindows> m_backups; // likewise
    std::unique_ptr<TSysConfigForm> m_sysConfig; // likewise
    std::unique_ptr<TPartners> m_partners;
    std::unique_ptr<TDocumentLists> m_lists;
    std::unique_ptr<TStockView> m_stock;
    std::unique_ptr<TDocuments> m_documents; // its editors use the catalogue's selector
    std::unique_ptr<TReports> m_reports;
};
