#include "wiring.h"

#include "appcontext.h"
#include "catalogue.h"
#include "controlplacement.h"
#include "desktop.h"
#include "dynamicfield.h"
#include "focushandler.h"
#include "maindm.h"
#include "mainform.h"
#include "productbrandform.h"
#include "productmainform.h"
#include "resourcefactory.h"
#include "unitform.h"

TWiring::TWiring(TMainDM& dm, TAppContext& context, TControlPlacement& placement)
    : m_dm(dm), m_context(context), m_placement(placement) {
    m_factory = std::make_unique<TResourceFactory>();
    m_labels = std::make_unique<TDFMProxy>(dm.MainConn);
    m_dialogPlacer = std::make_unique<TDialogPlacer>();
    m_mainForm = std::make_unique<TMainForm>(context);
    m_focus = std::make_unique<TFocusHandler>();
    m_catalogue = std::make_unique<TCatalogue>(dm, *m_labels, placement, *m_factory, m_mainForm.get());
    plugActions();
}

TWiring::~TWiring() {
    // The factory's windows may show what the others hold; they end first.
    m_catalogue.reset();
    m_factory->Clear();
}

void TWiring::plugActions() {
    TMainForm& f = *m_mainForm;
    TCatalogue* c = m_catalogue.get();
    f.SetHandler(f.miUnit, [c] { c->Units().ShowUnits(); });
    f.SetHandler(f.miBrand, [c] {
        c->Brands().PrepareBrands();
        c->Brands().exec();
    });
    f.SetHandler(f.AcProductList, [c] { TResourceFactory::ShowWindow(c->ProductMainForm()); });
    c->SetImportTemplate(m_context.AppDir() + QStringLiteral("商品导入模板.xls"));
    f.SetHandler(f.AcProductImport, [c, &f] { c->ImportProducts(&f); });
}
