#include "sysoptions.h"

#include "appcontext.h"

namespace {
const QString kAutoLogin = QStringLiteral("AutoLoginUserID");
const QString kShowRefund = QStringLiteral("ShowRefund");
} // namespace

TSysOptions::TSysOptions(TAppContext& context) : m_context(context) {}

void TSysOptions::Load() {
    AutoLogin = m_context.Settings().ReadInteger(kAutoLogin, 0) > 0;
    ShowRefund = StoredShowRefund(m_context.Settings());
}

void TSysOptions::Save() {
    TSettings& s = m_context.Settings();
    s.WriteInteger(kAutoLogin, AutoLogin ? m_context.CurrentUser().id : 0);
    s.WriteInteger(kShowRefund, ShowRefund ? 1 : 0);
}

bool TSysOptions::StoredShowRefund(TSettings& settings) { return settings.ReadInteger(kShowRefund, 0) != 0; }
