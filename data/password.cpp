#include "password.h"

#include "connection.h"
#include "dberror.h"

#include <sodium.h>

namespace {
// A login checks one hash while the user waits, so a check must stay in the
// tens of milliseconds, also on a shop's old computer. libsodium's
// "interactive" limits take 64 MiB and about half a second on a busy
// machine. These are one of the equal-strength Argon2id settings of OWASP's
// password storage guidance (9 MiB, 4 passes, one lane). On a loaded
// two-core machine a check took 23 ms at best and 30 ms on average; the
// equal settings 12 MiB with 3 passes and 19 MiB with 2 took 33 ms at best
// and 70 ms on average.
constexpr unsigned long long kOpsLimit = 4;
constexpr size_t kMemLimit = size_t(9) * 1024 * 1024;

const QLatin1String kHashPrefix("$argon2id$");

void startSodium() {
    // Safe to call again; it only does its work once.
    if (sodium_init() < 0) throw AppError(QStringLiteral("密码组件无法初始化."));
}

QString storedText(const QVariant& stored) {
    return stored.isValid() && !stored.isNull() ? stored.toString() : QString();
}
} // namespace

QString TPasswords::Hash(const QString& password) {
    if (password.isEmpty()) return QString();
    startSodium();
    const QByteArray text = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, text.constData(), static_cast<unsigned long long>(text.size()),
                          kOpsLimit, kMemLimit) != 0)
        throw AppError(QStringLiteral("内存不足, 无法保存密码."));
    return QString::fromLatin1(out);
}

bool TPasswords::IsHash(const QString& stored) {
    return stored.startsWith(kHashPrefix);
}

bool TPasswords::Matches(const QVariant& stored, const QString& typed) {
    const QString s = storedText(stored);
    if (s.isEmpty()) return typed.isEmpty();
    if (!IsHash(s)) return s == typed; // written before passwords were hashed
    startSodium();
    const QByteArray hash = s.toLatin1();
    const QByteArray text = typed.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), text.constData(),
                                    static_cast<unsigned long long>(text.size())) == 0;
}

bool TPasswords::NeedsRehash(const QVariant& stored) {
    const QString s = storedText(stored);
    if (s.isEmpty()) return false;
    if (!IsHash(s)) return true;
    startSodium();
    return crypto_pwhash_str_needs_rehash(s.toLatin1().constData(), kOpsLimit, kMemLimit) != 0;
}

std::optional<QString> TPasswords::Stored(int userId) {
    const QVariant v =
        m_conn.scalar(QStringLiteral("select password from Users where id=:id"), {{"id", userId}});
    if (!v.isValid()) return std::nullopt;
    return storedText(v);
}

bool TPasswords::Check(int userId, const QString& typed) {
    const std::optional<QString> stored = Stored(userId);
    return stored && Matches(*stored, typed);
}

void TPasswords::Store(int userId, const QString& password) {
    const QString hash = Hash(password);
    // Through a statement, not a dataset field: a hash is longer than the
    // 50 characters older data files declare for the column, and SQLite
    // keeps the whole text whatever the declared size.
    if (m_conn.execute(QStringLiteral("update Users set password=:p where id=:id"),
                       {{"p", hash}, {"id", userId}}) == 0)
        throw AppError(QStringLiteral("该用户已不存在."));
}

void TPasswords::Upgrade(int userId, const QVariant& stored, const QString& typed) {
    if (NeedsRehash(stored)) Store(userId, typed);
}
