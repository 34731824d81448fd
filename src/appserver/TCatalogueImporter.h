#pragma once

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>

class TDatabase;

struct SCatalogueImport
{
    int Company = 0;
    QString Csv; // the catalogue text (UTF-8 decoded)
    QDate ProcessDate;
    QDate ValidFrom;
    QDate ValidTo;                    // invalid: open-ended
    QList<QPair<int, QString>> Areas; // empty: the company's areas, or area 1 "General" if it has none
    // Optional: a second catalogue whose marco_legal, criterio and modo_verificacion fill, matched by
    // numeral, what Csv leaves empty (the official table has texts only). Nothing else of it is read.
    QString Supplement;
};

struct SCatalogueSummary
{
    int Cycles = 0;
    int Standards = 0;
    int Items = 0;
    int Records = 0;
};

// Imports a catalogue of minimum standards into a company: the four PHVA cycles (SO_PAMAL, with the
// validity dates), standards (SO_DEPAM: title row RMT_ESTA 0, description rows 1..n), items
// (SO_DIPAM), the areas, the evaluation-level bands (GN_DITEM type 4) and one unrated SO_MALEG row
// per item and area for the process date. Everything happens in one transaction: the first bad line
// raises EAppServerError 400 "Línea N: ..." and nothing is written.
//
// Columns (header required, any order): ciclo_cod, ciclo_nombre, estandar_titulo,
// estandar_porcentaje, subestandar_descripcion, subestandar_porcentaje, numeral, item_descripcion,
// valor_item; optional marco_legal, criterio, modo_verificacion.
class TCatalogueImporter
{
public:
    explicit TCatalogueImporter(TDatabase &db);

    SCatalogueSummary Import(const SCatalogueImport &job);

    // "1:Planta,2:Oficinas" -> [(1,"Planta"), (2,"Oficinas")]; empty on a malformed text.
    static QList<QPair<int, QString>> ParseAreas(const QString &text);
    // The bands of the national rule for a company (replaces its item-type-4 rows). Runs inside
    // the caller's transaction.
    static void WriteLevelBands(TDatabase &db, int company);

private:
    TDatabase &m_db;
};
