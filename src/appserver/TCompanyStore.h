#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

class TDatabase;

// A company as it is registered: its GN_EMPRE row and the one choice of its parameters row.
struct SCompany
{
    int Code = 0;
    QString Initials;          // INI_EMPR, the short name; empty: none
    QString Name;              // NOM_EMPR
    std::optional<qint64> Nit; // NIT_EMPR, the tax number without its check digit
    QByteArray Logo;           // BMP_REPO, the report logo (PNG or JPEG bytes); empty: none
    bool ManageAreas = false;  // SO_PARAM.MAN_AREA
    bool InGroup = false;      // GRU_EMPR
};

// A change of a registered company: what is not given stays as it is.
struct SCompanyChange
{
    std::optional<QString> Name;
    std::optional<qint64> Nit;
    std::optional<QByteArray> Logo;
};

// The companies of the database (GN_EMPRE) with their occupational-health parameters (SO_PARAM).
// Each operation checks everything before it writes, and writes in one transaction: a refusal
// (EAppServerError with a Spanish message) changes nothing.
class TCompanyStore
{
public:
    explicit TCompanyStore(TDatabase &db);

    // Registers the company (country 57) with its parameters row. Refuses a code outside 1..32767 or
    // already in use, and a name or logo the checks below refuse.
    void Add(const SCompany &company);
    // Changes the company's name, tax number or logo. Refuses an unknown company.
    void Change(int code, const SCompanyChange &change);

    // A tax number as typed: a positive whole number of at most 15 digits (exact wherever it
    // travels), without points, sign or check digit.
    static qint64 ParseNit(const QString &text);
    // The name trimmed; refuses an empty name and one longer than the column's 60 characters.
    static QString CheckedName(const QString &name);
    // Refuses bytes that are not a PNG or JPEG picture (TImageHeader) and pictures over 1 MiB: the
    // logo travels with the company list to every client.
    static void CheckLogo(const QByteArray &bytes);

private:
    void RequireCompany(int code, bool exists);

    TDatabase &m_db;
};
