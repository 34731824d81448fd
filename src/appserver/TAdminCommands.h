#pragma once

#include <QHash>
#include <QStringList>
#include <QTextStream>
#include <optional>

// The commands of tolvane-server:
//   init --db DB
//   demo --db DB
//   add-company --db DB --company N --name NAME [--nit NIT] [--areas S|N] [--group S|N]
//   set-company --db DB --company N [--name NAME] [--nit NIT] [--logo FILE]   (only what is given)
//   add-user --db DB --user U --companies 1,2        (password read from standard input)
//   import-catalogue --db DB --company N --csv FILE --process-date YYYY-MM-DD
//                    --valid-from YYYY-MM-DD [--valid-to YYYY-MM-DD] [--areas "1:Planta,2:Oficinas"]
//   serve --db DB [--listen 127.0.0.1:PORT]
// DB is a SQLite file path or a postgresql:// URL. Messages are Spanish; exit status 0 on success,
// 1 on a refused or failed command, 2 on a usage error.
class TAdminCommands
{
public:
    TAdminCommands();
    int Run(const QStringList &arguments);

private:
    int Init();
    int Demo();
    int AddCompany();
    int SetCompany();
    int AddUser();
    int ImportCatalogue();
    int Serve();
    int Usage(const QString &problem);
    QString Option(const QString &name) const;
    // --company as a number; nothing when missing or not a number.
    std::optional<int> CompanyOption() const;
    // --nit when given, as TCompanyStore::ParseNit reads it (raises on a bad one).
    std::optional<qint64> NitOption() const;

    QHash<QString, QString> m_options;
    QTextStream m_out;
    QTextStream m_err;
};
