#include "TUserStore.h"

#include "EAppServerError.h"
#include "TDatabase.h"
#include "TSessionStore.h"
#include "TSqlTransaction.h"

#include <QDateTime>
#include <QSqlQuery>
#include <sodium.h>

namespace {
// Argon2id with 2 passes over 19 MiB: a sign-in costs tens of milliseconds and eight at once
// stay within a modest memory budget.
constexpr unsigned long long kOpsLimit = 2;
constexpr size_t kMemLimit = 19u * 1024u * 1024u;

void ensureSodium()
{
    static const int ok = sodium_init();
    if (ok < 0)
        throw EAppServerError(500, QStringLiteral("No fue posible iniciar la biblioteca criptográfica."));
}
} // namespace

TUserStore::TUserStore(TDatabase &db) : m_db(db)
{}

QString TUserStore::HashPassword(const QString &password)
{
    ensureSodium();
    const QByteArray pw = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, pw.constData(), quint64(pw.size()), kOpsLimit, kMemLimit,
                              crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw EAppServerError(500, QStringLiteral("No hay memoria para calcular la huella de la contraseña."));
    return QString::fromLatin1(out);
}

bool TUserStore::VerifyPassword(const QString &hash, const QString &password)
{
    ensureSodium();
    const QByteArray h = hash.toLatin1();
    const QByteArray pw = password.toUtf8();
    return crypto_pwhash_str_verify(h.constData(), pw.constData(), quint64(pw.size())) == 0;
}

void TUserStore::SetUser(const QString &user, const QString &password, const QSet<int> &companies)
{
    const QString name = user.trimmed();
    if (name.isEmpty() || name.size() > 30)
        throw EAppServerError(400, QStringLiteral("El nombre de usuario debe tener entre 1 y 30 caracteres."));
    const QString hash = HashPassword(password);
    TSqlTransaction tx(m_db, TSqlTransaction::TMode::Write);
    // New password or companies: the user's open sessions end with them, on every server process.
    TSessionStore(m_db).Revoke(name);
    m_db.Run(QStringLiteral("DELETE FROM SV_USEMP WHERE NOM_USUA = ?"), {name});
    m_db.Run(QStringLiteral("DELETE FROM SV_USUAR WHERE NOM_USUA = ?"), {name});
    m_db.Run(QStringLiteral("INSERT INTO SV_USUAR (NOM_USUA, CLA_HASH, COD_USUA, FEC_CREA) VALUES (?, ?, ?, ?)"),
             {name, hash, name.left(8).toUpper(), QDateTime::currentDateTime()});
    for (int c : companies)
        m_db.Run(QStringLiteral("INSERT INTO SV_USEMP (NOM_USUA, COD_EMPR) VALUES (?, ?)"), {name, c});
    tx.Commit();
}

std::optional<QSet<int>> TUserStore::Authenticate(const QString &user, const QString &password)
{
    QString hash;
    {
        QSqlQuery q = m_db.Run(QStringLiteral("SELECT CLA_HASH FROM SV_USUAR WHERE NOM_USUA = ?"), {user.trimmed()});
        if (q.next())
            hash = q.value(0).toString();
    }
    if (hash.isEmpty()) {
        // Same work for an unknown user as for a wrong password.
        static const QString dummy = HashPassword(QStringLiteral("tolvane"));
        VerifyPassword(dummy, password);
        return std::nullopt;
    }
    if (!VerifyPassword(hash, password))
        return std::nullopt;
    QSet<int> companies;
    QSqlQuery q = m_db.Run(QStringLiteral("SELECT COD_EMPR FROM SV_USEMP WHERE NOM_USUA = ?"), {user.trimmed()});
    while (q.next())
        companies.insert(q.value(0).toInt());
    return companies;
}
