#include "startup.h"

#include "appcontext.h"
#include "application.h"
#include "controlplacement.h"
#include "dberror.h"
#include "dynamicfield.h"
#include "focushandler.h"
#include "loginform.h"
#include "maindm.h"
#include "mainform.h"
#include "quickmessagedlg.h"
#include "resourcefactory.h"
#include "resourcepool.h"
#include "categoryform.h"
#include "productbrandform.h"
#include "producteditform.h"
#include "productform.h"
#include "productmanagerdm.h"
#include "productselector.h"
#include "unitform.h"

#include <memory>

QString ConnectionFailureText(const QString& driverText) {
    return QStringLiteral("连接数据库失败. ") + QStringLiteral("\n\n") + driverText;
}

int RunProgram(const QString& appDir) {
    auto dm = std::make_unique<TMainDM>();
    auto context = std::make_unique<TAppContext>();
    if (!appDir.isEmpty()) context->SetAppDir(appDir);
    auto placement = std::make_unique<TControlPlacement>(context->PlacementFile());

    try {
        dm->Startup(context->DataFile());
    } catch (const DbError& e) {
        TQuickMessageDlg::ShowError(ConnectionFailureText(e.text()));
        return 1;
    }

    {
        TLoginForm login;
        login.OpenUsers();
        bool loggedIn = login.TryAutoLogin();
        if (!loggedIn) loggedIn = login.exec() == QDialog::Accepted;
        if (!loggedIn) return 0;
    }

    int rc = 0;
    {
        TMainForm mainForm;
        TResourcePool pool;
        TDFMProxy fieldLabels(dm->MainConn);
        TProductSelector selector(&mainForm);
        TUnitForm unitForm(&mainForm);
        TProductBrandForm brandForm(&mainForm);
        TProductManagerDM productManager;
        TProductEditForm productEditForm(&mainForm);
        TCategoryForm categoryForm(&mainForm);
        mainForm.ConnectCatalogue(&unitForm, &brandForm);
        mainForm.ConnectProducts();
        // "高级查找（新建商品）" in the selector opens the product list for picking.
        selector.OpenProductList = [](TProductPickEvent pick) {
            TProductForm::GetProductForm()->ShowForPick(std::move(pick));
        };
        TFocusHandler focus;
        if (!placement->RestoreWindow(&mainForm, QStringLiteral("MainForm\\"))) mainForm.resize(760, 200);
        mainForm.show();
        rc = QApplication::exec();
        placement->SaveWindow(&mainForm, QStringLiteral("MainForm\\"));
        TResourceFactory::Clear();
    }
    return rc;
}
