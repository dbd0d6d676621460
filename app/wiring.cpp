#include "wiring.h"

#include "appcontext.h"
#include "backupwindows.h"
#include "catalogue.h"
#include "changepasswordform.h"
#include "controlplacement.h"
#include "desktop.h"
#include "documentlists.h"
#include "documents.h"
#include "inputeditform.h"
#include "outputeditform.h"
#include "listframe.h"
#include "dynamicfield.h"
#include "focushandler.h"
#include "inputmainform.h"
#include "inventoryform.h"
#include "maindm.h"
#include "mainform.h"
#include "partnerform.h"
#include "partners.h"
#include "outputmainform.h"
#include "refundeditform.h"
#include "refundform.h"
#include "productbrandform.h"
#include "productmanagerdm.h"
#include "productmainform.h"
#include "reports.h"
#include "resourcefactory.h"
#include "staff.h"
#include "stockview.h"
#include "sysconfigform.h"
#include "sysoptions.h"
#include "unitform.h"
#include "userform.h"

TWiring::TWiring(TMainDM& dm, TAppContext& context, TControlPlacement& placement)
    : m_dm(dm), m_context(context), m_placement(placement) {
    m_factory = std::make_unique<TResourceFactory>();
    m_labels = std::make_unique<TDFMProxy>(dm.MainConn);
    m_dialogPlacer = std::make_unique<TDialogPlacer>();
    m_mainForm = std::make_unique<TMainForm>(context);
    m_staff = std::make_unique<TStaff>(dm, context, placement, m_mainForm.get());
    m_focus = std::make_unique<TFocusHandler>();
    m_catalogue = std::make_unique<TCatalogue>(dm, *m_labels, placement, *m_factory, m_mainForm.get());
    m_backups = std::make_unique<TBackupWindows>(dm, context, placement, m_mainForm.get());
    m_backups->AddDataRoot(&m_catalogue->Products());
    m_sysConfig = std::make_unique<TSysConfigForm>(dm, context, *m_labels, m_mainForm.get());
    m_partners = std::make_unique<TPartners>(dm, *m_labels, placement, *m_factory);
    m_partners->SetTypeEditor([settings = m_sysConfig.get()](const QString& set) { settings->EditValueSet(set); });
    m_lists = std::make_unique<TDocumentLists>(dm, *m_labels, placement, *m_factory);
    m_stock = std::make_unique<TStockView>(dm, context, *m_labels, placement, *m_factory, *m_lists, m_mainForm.get());
    // The editors pick partners and staff from their list windows.
    TPartners* partners = m_partners.get();
    TStaff* staff = m_staff.get();
    TDocumentPickers pickers{
        [partners](TPendingPick::Delivery d) { partners->GetSupplierForm()->ShowForPick(std::move(d)); },
        [partners](TPendingPick::Delivery d) { partners->GetCustomerForm()->ShowForPick(std::move(d)); },
        [staff](TPendingPick::Delivery d) { staff->Users().PickUser(std::move(d)); }};
    m_documents = std::make_unique<TDocuments>(
        TDocumentEditorDeps{dm, context, m_catalogue->Selector(), *m_labels, placement, pickers}, *m_factory);
    plugDocuments();
    m_reports = std::make_unique<TReports>(dm, *m_labels, *m_factory);
    plugActions();
    plugLists();
}

TWiring::~TWiring() {
    // The factory's windows may show what the others hold; they end first.
    m_documents.reset();
    m_backups.reset();
    m_sysConfig.reset();
    m_partners.reset();
    m_stock.reset();
    m_lists.reset();
    m_reports.reset();
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
    TStaff* staff = m_staff.get();
    f.SetHandler(f.miUser, [staff] { staff->Users().ShowForMaintenance(); });
    f.SetHandler(f.miChangePassword, [staff] { staff->PasswordChange().exec(); });
    TSysConfigForm* settings = m_sysConfig.get();
    f.SetHandler(f.miSystem, [settings] { settings->ShowSettings(); });
    TBackupWindows* b = m_backups.get();
    f.SetHandler(f.miBackup, [b] { b->OpenBackup(); });
    f.SetHandler(f.miRestore, [b] { b->OpenRestore(); });
    f.BeforeClose = [b] { b->BackupBeforeExit(); };
    TPartners* p = m_partners.get();
    f.SetHandler(f.AcSupplierList, [p] { p->GetSupplierForm()->ShowForMaintenance(); });
    f.SetHandler(f.AcCustomerList, [p] { p->GetCustomerForm()->ShowForMaintenance(); });
}

void TWiring::plugLists() {
    TMainForm& f = *m_mainForm;
    TDocumentLists* l = m_lists.get();
    auto show = [](TListForm* w, void (TListForm::*entry)()) {
        (w->*entry)();
        TResourceFactory::ShowWindow(w);
    };
    f.SetHandler(f.AcInputList, [l, show] { show(l->InputMainForm(), &TListForm::ListAll); });
    f.SetHandler(f.AcInputSearch, [l, show] { show(l->InputMainForm(), &TListForm::StartSearch); });
    f.SetHandler(f.AcInputAudit, [l, show] { show(l->InputMainForm(), &TListForm::ListUnaudited); });
    f.SetHandler(f.AcOutputList, [l, show] { show(l->OutputMainForm(), &TListForm::ListAll); });
    f.SetHandler(f.AcOutputSearch, [l, show] { show(l->OutputMainForm(), &TListForm::StartSearch); });
    f.SetHandler(f.AcOutputAudit, [l, show] { show(l->OutputMainForm(), &TListForm::ListUnaudited); });
    TStockView* s = m_stock.get();
    f.SetHandler(f.AcInventoryList, [s] {
        TInventoryForm* w = s->InventoryForm();
        w->ReloadStock();
        TResourceFactory::ShowWindow(w);
    });
    TReports* r = m_reports.get();
    f.SetHandler(f.miInputReport, [r] { r->ShowInputReport(); });
    f.SetHandler(f.miOutputReport, [r] { r->ShowOutputReport(); });
    TDocuments* d = m_documents.get();
    f.SetHandler(f.AcInputNew, [d] { d->NewInput(); });
    f.SetHandler(f.AcOutputNew, [d] { d->NewOutput(); });
    f.SetHandler(f.AcRefundInNew, [d] { d->NewRefundIn(); });
    f.SetHandler(f.AcRefundOutNew, [d] { d->NewRefundOut(); });
    f.SetHandler(f.AcRefundInList, [l, show] { show(l->RefundInListForm(), &TListForm::ListAll); });
    f.SetHandler(f.AcRefundOutList, [l, show] { show(l->RefundOutListForm(), &TListForm::ListAll); });
    // Returns are kept out of sight unless the shop has asked for them.
    f.SetRefundVisible(TSysOptions::StoredShowRefund(m_context.Settings()));
    QObject::connect(m_sysConfig.get(), &TSysConfigForm::showRefundChanged, &f, [&f](bool on) { f.SetRefundVisible(on); });
}

// The lists open and start documents in the editors; an editor closed after
// a change reloads the list of its kind.
void TWiring::plugDocuments() {
    using ListStatements::Kind;
    TDocuments* d = m_documents.get();
    TDocumentLists* l = m_lists.get();
    TListHooks hooks;
    hooks.newDocument = [d](Kind kind) {
        if (kind == Kind::Purchase) d->NewInput();
        else if (kind == Kind::Sale) d->NewOutput();
        else if (kind == Kind::CustomerRefund) d->NewRefundIn();
        else if (kind == Kind::SupplierRefund) d->NewRefundOut();
    };
    // A refund opens in the editor of its own direction, never the other.
    hooks.openDocument = [d](Kind kind, const QString& number) {
        TDocumentEditForm* w = nullptr;
        if (kind == Kind::Purchase) w = d->GetInputEditForm();
        else if (kind == Kind::Sale) w = d->GetOutputEditForm();
        else if (kind == Kind::CustomerRefund) w = d->GetRefundInEditForm();
        else if (kind == Kind::SupplierRefund) w = d->GetRefundOutEditForm();
        if (!w) return;
        w->OpenDocument(number);
        TResourceFactory::ShowWindow(w);
    };
    l->SetHooks(std::move(hooks));
    d->RefreshInputList = [l] { l->RefreshList(Kind::Purchase); };
    d->RefreshOutputList = [l] { l->RefreshList(Kind::Sale); };
    d->RefreshRefundInList = [l] { l->RefreshList(Kind::CustomerRefund); };
    d->RefreshRefundOutList = [l] { l->RefreshList(Kind::SupplierRefund); };
}
