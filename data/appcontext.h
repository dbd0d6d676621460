#pragma once
#include <QString>

class Connection;
class DataSet;
class TMainDM;

// The logged-in user.
struct TUser {
    int id = 0;
    int userGroupID = 0;
    QString userName;
};

// Key/value settings in table SysConfig. A key may carry a section path
// before its last path delimiter ("Section\Key"); the program's own keys
// have none. Works only while the settings query is open: before that,
// reads give their default and writes do nothing.
class TSettings {
public:
    void bind(DataSet* sysConfig) { m_query = sysConfig; }
    QString ReadString(const QString& key, const QString& def) const;
    int ReadInteger(const QString& key, int def) const;
    void WriteString(const QString& key, const QString& value);
    void WriteInteger(const QString& key, int value);
    void DeleteValue(const QString& key);

private:
    bool usable() const;
    Connection& conn() const;
    static void split(const QString& key, QString& section, QString& name);
    void reread();
    DataSet* m_query = nullptr;
};

// The application context: who is logged in, where the files are, and the
// settings storage. Start-up makes one and hands it to the windows that use it.
class TAppContext {
public:

    TUser CurrentUser() const { return m_user; }
    void SetCurrentUser(const TUser& user) { m_user = user; m_hasUser = true; }
    bool HasCurrentUser() const { return m_hasUser; }
    bool IsAdmin() const { return m_user.id == 1 || m_user.userGroupID == 1; }

    // Folder of the program, with a trailing separator. Tests may move it.
    QString AppDir() const;
    void SetAppDir(const QString& dir) { m_appDir = dir; }
    QString DbDir() const { return AppDir() + QStringLiteral("db"); }
    QString DataFile() const { return DbDir() + QStringLiteral("/data_general.db"); }
    QString RestoreSafetyDir() const { return DbDir() + QStringLiteral("/back.befor.restore"); }
    QString PlacementFile() const { return AppDir() + QStringLiteral("placement.ini"); }

    static QString OdbcConnectionString(const QString& file);
    static QString JetConnectionString(const QString& file);

    TSettings& Settings() { return m_settings; }
    // Reads and writes the settings through the data module's list.
    void UseData(TMainDM& dm);

private:
    TUser m_user;
    bool m_hasUser = false;
    QString m_appDir;
    TSettings m_settings;
};

