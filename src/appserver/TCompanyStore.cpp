#include "TCompanyStore.h"

#include "EAppServerError.h"
#include "TDatabase.h"
#include "TImageHeader.h"
#include "TSchemaCatalog.h"
#include "TSqlTransaction.h"

#include <QDateTime>
#include <QSqlQuery>

namespace {

constexpr qsizetype kMaxLogoBytes = 1024 * 1024;
constexpr int kMaxNitDigits = 15;
constexpr int kColombia = 57;

// The parameters row of a new company: every required flag "N", areas as asked.
void insertParams(TDatabase &db, int company, bool areas)
{
    const STableDef *t = TSchemaCatalog::Instance().Table(QStringLiteral("SO_PARAM"));
    QStringList cols, marks;
    QVariantList values;
    for (const SColumnDef &c : t->Columns) {
        QVariant v;
        if (c.Name == QStringLiteral("ACT_USUA"))
            v = QStringLiteral("DEMO");
        else if (c.Name == QStringLiteral("ACT_HORA"))
            v = QDateTime::currentDateTime();
        else if (c.Name == QStringLiteral("ACT_ESTA"))
            v = QStringLiteral("A");
        else if (c.Name == QStringLiteral("COD_EMPR"))
            v = company;
        else if (c.Name == QStringLiteral("MAN_AREA"))
            v = areas ? QStringLiteral("S") : QStringLiteral("N");
        else if (c.Name == QStringLiteral("COR_EMPL"))
            v = QStringLiteral("sst@empresa%1.example").arg(company);
        else if (c.Required && c.Size == 1)
            v = QStringLiteral("N");
        cols << c.Name;
        marks << QStringLiteral("?");
        values << v;
    }
    db.Run(QStringLiteral("INSERT INTO SO_PARAM (%1) VALUES (%2)")
               .arg(cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
           values);
}

QVariant orNull(const QString &text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QVariant orNull(const QByteArray &bytes)
{
    return bytes.isEmpty() ? QVariant() : QVariant(bytes);
}

} // namespace

TCompanyStore::TCompanyStore(TDatabase &db) : m_db(db)
{}

qint64 TCompanyStore::ParseNit(const QString &text)
{
    const QString digits = text.trimmed();
    bool ok = !digits.isEmpty() && digits.size() <= kMaxNitDigits;
    for (const QChar c : digits)
        ok = ok && c >= u'0' && c <= u'9';
    const qint64 nit = ok ? digits.toLongLong() : 0;
    if (nit <= 0)
        throw EAppServerError(400,
                              QStringLiteral("El NIT debe ser un número entero positivo de hasta %1 cifras, sin puntos"
                                             " ni dígito de verificación: \"%2\".")
                                  .arg(kMaxNitDigits)
                                  .arg(text));
    return nit;
}

QString TCompanyStore::CheckedName(const QString &name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        throw EAppServerError(400, QStringLiteral("Falta el nombre de la empresa."));
    if (trimmed.size() > 60)
        throw EAppServerError(
            400, QStringLiteral("El nombre de la empresa tiene %1 caracteres; el máximo es 60.").arg(trimmed.size()));
    return trimmed;
}

void TCompanyStore::CheckLogo(const QByteArray &bytes)
{
    if (!TImageHeader::Read(bytes))
        throw EAppServerError(400, QStringLiteral("El logotipo no es una imagen PNG o JPEG válida."));
    if (bytes.size() > kMaxLogoBytes)
        throw EAppServerError(400, QStringLiteral("El logotipo ocupa %1 KB; el máximo es %2 KB.")
                                       .arg((bytes.size() + 1023) / 1024)
                                       .arg(kMaxLogoBytes / 1024));
}

void TCompanyStore::RequireCompany(int code, bool exists)
{
    QSqlQuery q = m_db.Run(QStringLiteral("SELECT COUNT(*) FROM GN_EMPRE WHERE COD_EMPR = ?"), {code});
    const bool found = q.next() && q.value(0).toInt() > 0;
    if (found && !exists)
        throw EAppServerError(400, QStringLiteral("La empresa %1 ya existe.").arg(code));
    if (!found && exists)
        throw EAppServerError(400, QStringLiteral("La empresa %1 no existe.").arg(code));
}

void TCompanyStore::Add(const SCompany &company)
{
    if (company.Code < 1 || company.Code > 32767)
        throw EAppServerError(400, QStringLiteral("El código de empresa debe estar entre 1 y 32767."));
    const QString name = CheckedName(company.Name);
    if (!company.Logo.isEmpty())
        CheckLogo(company.Logo);
    TSqlTransaction tx(m_db, TSqlTransaction::TMode::Write);
    RequireCompany(company.Code, false);
    m_db.Run(QStringLiteral(
                 "INSERT INTO GN_EMPRE (COD_EMPR, INI_EMPR, NOM_EMPR, BMP_REPO, NIT_EMPR, PAI_EMPR, GRU_EMPR, COD_DIFL)"
                 " VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
             {company.Code, orNull(company.Initials.trimmed().left(20)), name, orNull(company.Logo),
              company.Nit ? QVariant(qlonglong(*company.Nit)) : QVariant(), kColombia,
              company.InGroup ? QStringLiteral("S") : QStringLiteral("N"), QVariant()});
    insertParams(m_db, company.Code, company.ManageAreas);
    tx.Commit();
}

void TCompanyStore::Change(int code, const SCompanyChange &change)
{
    QStringList sets;
    QVariantList values;
    if (change.Name) {
        sets << QStringLiteral("NOM_EMPR = ?");
        values << CheckedName(*change.Name);
    }
    if (change.Nit) {
        sets << QStringLiteral("NIT_EMPR = ?");
        values << qlonglong(*change.Nit);
    }
    if (change.Logo) {
        CheckLogo(*change.Logo);
        sets << QStringLiteral("BMP_REPO = ?");
        values << *change.Logo;
    }
    TSqlTransaction tx(m_db, TSqlTransaction::TMode::Write);
    RequireCompany(code, true);
    if (!sets.isEmpty())
        m_db.Run(QStringLiteral("UPDATE GN_EMPRE SET %1 WHERE COD_EMPR = ?").arg(sets.join(QStringLiteral(", "))),
                 values << code);
    tx.Commit();
}
