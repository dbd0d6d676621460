#pragma once

#include <QString>

#include <functional>

class TControlPlacement;
class TCustomerForm;
class TDFMProxy;
class TMainDM;
class TResourceFactory;
class TSupplierForm;

// The supplier and customer windows, made by the form factory on first use
// and prepared once, each handed what it uses. Start-up, the document
// editors and the tests reach them through this one class.
class TPartners {
public:
    TPartners(TMainDM& dm, TDFMProxy& labels, TControlPlacement& placement, TResourceFactory& factory);
    ~TPartners();
    TPartners(const TPartners&) = delete;
    TPartners& operator=(const TPartners&) = delete;

    // Where the windows' type buttons lead: the settings window's page of
    // the named type list. Set before the windows are first made.
    void SetTypeEditor(std::function<void(const QString& setName)> editor) { m_typeEditor = std::move(editor); }

    TSupplierForm* GetSupplierForm();
    TCustomerForm* GetCustomerForm();

private:
    TMainDM& m_dm;
    TDFMProxy& m_labels;
    TControlPlacement& m_placement;
    TResourceFactory& m_factory;
    std::function<void(const QString&)> m_typeEditor;
};
