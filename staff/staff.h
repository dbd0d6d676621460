#pragma once
#include <memory>

class QWidget;
class TAppContext;
class TChangePasswordForm;
class TControlPlacement;
class TMainDM;
class TUserForm;

// The staff windows, made once after the login: "修改密码" and "员工管理"
// with its rights applied. Start-up and the tests make them through this
// one class; the document editors pick their handling user from Users().
class TStaff {
public:
    TStaff(TMainDM& dm, TAppContext& context, TControlPlacement& placement, QWidget* owner);
    ~TStaff();
    TStaff(const TStaff&) = delete;
    TStaff& operator=(const TStaff&) = delete;

    TUserForm& Users() { return *m_users; }
    TChangePasswordForm& PasswordChange() { return *m_changePassword; }

private:
    std::unique_ptr<TChangePasswordForm> m_changePassword;
    std::unique_ptr<TUserForm> m_users;
};
