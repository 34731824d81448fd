#pragma once

#include <QSet>
#include <QString>
#include <optional>

class TDatabase;

// Users of the server and the companies each may open. Passwords are kept only as Argon2id hashes
// (libsodium's crypto_pwhash_str: salt and parameters inside the stored text).
class TUserStore
{
public:
    explicit TUserStore(TDatabase &db);

    // Creates the user or replaces their password and companies, ending the user's sessions.
    void SetUser(const QString &user, const QString &password, const QSet<int> &companies);
    // The user's companies when the password matches; nothing for an unknown user or a wrong password.
    std::optional<QSet<int>> Authenticate(const QString &user, const QString &password);

    static QString HashPassword(const QString &password);
    static bool VerifyPassword(const QString &hash, const QString &password);

private:
    TDatabase &m_db;
};
