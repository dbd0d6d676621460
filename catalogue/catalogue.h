#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <QString>

class QWidget;
class TCategoryForm;
class TControlPlacement;
class TDFMProxy;
class TMainDM;
class TProductBrandForm;
class TProductEditForm;
class TProductForm;
class TProductMainForm;
class TProductManagerDM;
class TProductSelector;
class TResourceFactory;
class TUnitForm;

// The catalogue's windows, made in the order they need one another and each
// handed what it uses. Start-up and the tests make them through this one
// class, so they are wired the same way. The two product list windows come
// from the form factory on first use.
class TCatalogue {
public:
    TCatalogue(TMainDM& dm, TDFMProxy& labels, TControlPlacement& placement, TResourceFactory& factory,
               QWidget* owner);
    ~TCatalogue();
    TCatalogue(const TCatalogue&) = delete;
    TCatalogue& operator=(const TCatalogue&) = delete;

    TProductManagerDM& Products() { return *m_products; }
    TUnitForm& Units() { return *m_units; }
    TProductBrandForm& Brands() { return *m_brands; }
    TCategoryForm& Categories() { return *m_categories; }
    TProductEditForm& ProductEditor() { return *m_editor; }
    TProductSelector& Selector() { return *m_selector; }

    // "商品设置": catalogue upkeep, made and prepared on first use.
    TProductMainForm* ProductMainForm();
    // "商品列表": the product list for picking, made and prepared on first use.
    TProductForm* ProductForm();

    // "导入": the product import wizard, made for this one use and shown
    // modally; afterwards every list the import may have changed is read
    // again, each on its own so that one failing does not stop the others.
    void ImportProducts(QWidget* parent);
    // The template workbook the wizard shows; beside the program by default.
    void SetImportTemplate(const QString& path) { m_importTemplate = path; }
    // Runs instead of showing the wizard (tests).
    std::function<void(class TProductImporterForm&)> ImportHook;

private:
    TMainDM& m_dm;
    TDFMProxy& m_labels;
    TControlPlacement& m_placement;
    TResourceFactory& m_factory;
    std::unique_ptr<TProductManagerDM> m_products;
    std::unique_ptr<TUnitForm> m_units;
    std::unique_ptr<TProductBrandForm> m_brands;
    std::unique_ptr<TCategoryForm> m_categories;
    std::unique_ptr<TProductEditForm> m_editor;
    std::unique_ptr<TProductSelector> m_selector;
    QString m_importTemplate;
    void requeryAfterImport();
};
