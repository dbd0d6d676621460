#pragma once
#include <QString>
#include <QVariant>
#include <optional>

class Connection;

// Staff passwords. A password is stored as a salted Argon2id hash string
// ("$argon2id$v=19$m=...", libsodium's crypto_pwhash_str), never as the text
// itself; an empty password stays empty (or NULL), which means "no
// password". A data file written before passwords were hashed may still hold
// one in clear text: that text still opens it, and the login that opens it
// writes it back as a hash. Login, change and reset all go through here.
class TPasswords {
public:
    explicit TPasswords(Connection& conn) : m_conn(conn) {}

    // The longest password a box takes; the login box stops there as well,
    // so no password can be set that could not be typed at the login.
    static constexpr int MaxLength = 50;

    // The text to store for password: its hash, or empty for no password.
    static QString Hash(const QString& password);
    // Whether typed opens the stored text (NULL reads as empty).
    static bool Matches(const QVariant& stored, const QString& typed);
    static bool IsHash(const QString& stored);
    // Whether a stored text that has just been opened should be written
    // again: clear text, or a hash made with other limits than today's.
    static bool NeedsRehash(const QVariant& stored);

    // The member's stored password (empty for NULL); none when there is no
    // such member.
    std::optional<QString> Stored(int userId);
    // Whether typed is the member's password; false for an unknown member.
    bool Check(int userId, const QString& typed);
    // Makes password the member's password. Throws when the member is gone.
    void Store(int userId, const QString& password);
    // Run after typed opened the stored text at a login: a clear-text or
    // outdated password is stored again as a hash of today's strength.
    void Upgrade(int userId, const QVariant& stored, const QString& typed);

private:
    Connection& m_conn;
};
