#pragma once

#include "DataPacket.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A named provider of the application server: what it selects, for which parameters, which fields
// it answers with, and where its updates go.
struct SProviderDef
{
    QString Name;
    QList<SParam> Params;          // declared parameters and their types (values unset)
    QList<SFieldDef> Fields;       // declared fields, in order; empty: taken from the result
    QString Sql;                   // ":NAME" parameters; "{COMPANIES}" is the signed-in user's company list
    bool TakesCommandText = false; // the client's text replaces Sql (read-only, one statement)
    QString MainTable;             // empty: the provider takes no updates
    QStringList WritableFields;    // fields that are real columns of MainTable
};

class TProviderCatalog
{
public:
    static const TProviderCatalog &Instance();

    const SProviderDef *Find(const QString &name) const;
    QStringList Names() const;

    // The evaluation query of the module, as its client sends it by default.
    static QString EvaluationSql();

private:
    TProviderCatalog();
    void Add(SProviderDef def);

    QList<SProviderDef> m_defs;
    QHash<QString, int> m_byName; // upper-case name
};
