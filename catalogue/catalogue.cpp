#include "catalogue.h"

#include "categoryform.h"
#include "maindm.h"
#include "productbrandform.h"
#include "producteditform.h"
#include "productform.h"
#include "productmainform.h"
#include "productmainframe.h"
#include "productmanagerdm.h"
#include "productselector.h"
#include "resourcefactory.h"
#include "unitform.h"
#include "dataset.h"
#include "productimporterform.h"

#include <QCoreApplication>

TCatalogue::TCatalogue(TMainDM& dm, TDFMProxy& labels, TControlPlacement& placement, TResourceFactory& factory,
                       QWidget* owner)
    : m_dm(dm), m_labels(labels), m_placement(placement), m_factory(factory) {
    m_products = std::make_unique<TProductManagerDM>(dm);
    m_units = std::make_unique<TUnitForm>(dm, owner);
    m_brands = std::make_unique<TProductBrandForm>(dm, owner);
    m_categories = std::make_unique<TCategoryForm>(dm, owner);
    TProductEditPickers pickers;
    pickers.category = [this] { return m_categories->PickCategory(); };
    pickers.unit = [this] { return m_units->PickUnit(); };
    m_editor = std::make_unique<TProductEditForm>(*m_products, dm, labels, std::move(pickers), owner);
    m_selector = std::make_unique<TProductSelector>(dm.MainConn, labels, placement, owner);
    // "高级查找（新建商品）" in the selector opens the product list for picking.
    m_selector->OpenProductList = [this](TProductPickEvent pick) { ProductForm()->ShowForPick(std::move(pick)); };
    m_importTemplate = QCoreApplication::applicationDirPath() + QStringLiteral("/商品导入模板.xls");
}

// The factory's windows show the product list; they go before it does.
TCatalogue::~TCatalogue() {
    for (const char* name : {"ProductMainForm", "ProductForm"})
        if (QWidget* w = m_factory.Take(QString::fromLatin1(name))) delete w;
}

TProductMainForm* TCatalogue::ProductMainForm() {
    return m_factory.Get<TProductMainForm>(
        QStringLiteral("ProductMainForm"),
        [this] { return new TProductMainForm(TProductFrameDeps{*m_products, *m_editor, m_labels}, m_placement); },
        [this](TProductMainForm* w) {
            w->Prepare();
            w->ProductMainFrame1->SetImportHandler([this, w] { ImportProducts(w); });
        });
}

TProductForm* TCatalogue::ProductForm() {
    return m_factory.Get<TProductForm>(
        QStringLiteral("ProductForm"),
        [this] { return new TProductForm(TProductFrameDeps{*m_products, *m_editor, m_labels}, m_placement); },
        [this](TProductForm* w) {
            w->Prepare();
            w->ProductMainFrame1->SetImportHandler([this, w] { ImportProducts(w); });
        });
}

void TCatalogue::ImportProducts(QWidget* parent) {
    TProductImporterForm wizard(m_dm.MainConn, m_importTemplate, parent);
    TResourceFactory::ApplySkin(&wizard);
    try {
        if (ImportHook)
            ImportHook(wizard);
        else
            wizard.exec();
    } catch (...) {
        requeryAfterImport();
        throw;
    }
    requeryAfterImport();
}

void TCatalogue::requeryAfterImport() {
    // A list that cannot be read again now keeps what it showed; the next
    // refresh will try again.
    auto quietly = [](auto&& f) {
        try {
            f();
        } catch (...) {
        }
    };
    quietly([this] { m_dm.queryUnit->requery(); });
    quietly([this] { m_dm.queryCategoryList->requery(); });
    quietly([this] { m_dm.queryProduct->requery(); });
    quietly([this] {
        if (m_factory.Has(QStringLiteral("ProductForm"))) ProductForm()->ProductMainFrame1->queryCategory->requery();
        if (m_factory.Has(QStringLiteral("ProductMainForm")))
            ProductMainForm()->ProductMainFrame1->queryCategory->requery();
    });
    quietly([this] {
        m_products->queryCategoryList->requery();
        m_products->queryProduct->requery();
    });
}
