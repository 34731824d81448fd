#pragma once

#include <QString>
#include <QStringList>

// The official tables of minimum standards the program carries (compiled in from
// src/appserver/catalogue/), reached by name: "60" is the table of the 60 items for employers with
// more than 50 workers, its item texts as published. They are catalogues in the format
// TCatalogueImporter reads, without the optional columns.
class TOfficialCatalogue
{
public:
    static QStringList Names();
    // The CSV text of the table; an unknown name raises EAppServerError 400 naming the tables there are.
    static QString Text(const QString &name);
};
