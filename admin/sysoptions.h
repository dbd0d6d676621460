#pragma once

class TAppContext;
class TSettings;

// The options of the settings window's "系统选项" page, as stored in
// SysConfig: the automatic login of the user who ticked it, and whether the
// main window offers the returns. Knows no widget: the page shows these two
// values, and Save stores them.
class TSysOptions {
public:
    explicit TSysOptions(TAppContext& context);

    // Reads the stored values, giving up what was changed since.
    void Load();
    // The user logged in now is signed in at the next start without the
    // login window. Stored as that user's id, 0 when off; logging in
    // through the login window switches it off again.
    bool AutoLogin = false;
    bool ShowRefund = false;
    // Writes both values.
    void Save();

    // Whether the returns are offered, as stored (off when never set).
    static bool StoredShowRefund(TSettings& settings);

private:
    TAppContext& m_context;
};
