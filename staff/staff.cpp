#include "staff.h"

#include "changepasswordform.h"
#include "userform.h"

TStaff::TStaff(TMainDM& dm, TAppContext& context, TControlPlacement& placement, QWidget* owner) {
    // A modal dialog of the main window.
    m_changePassword = std::make_unique<TChangePasswordForm>(dm, context, owner);
    // A window of its own beside the documents that pick from it.
    m_users = std::make_unique<TUserForm>(dm, context, placement);
    m_users->ApplyStaffRights();
}

TStaff::~TStaff() = default;
