#pragma once

#include <QString>

class TDatabase;

// The demonstration data: two companies — 1 manages areas, belongs to a group and has the digit
// flags Q0000133 and Q0000008 on; 2 has neither — their people, management axes and parameters,
// an evaluation of each from the bundled sample catalogue, some ratings, annual-plan activities and
// follow-up rows, and the user "demo" (password "demo") who may open both. Refuses a database that
// already holds companies.
class TDemoWorld
{
public:
    explicit TDemoWorld(TDatabase &db);
    void Build();

    static QString SampleCatalogue();
    // Registers a company with its occupational-health parameters (country 57). Refuses a code that
    // is already in use.
    static void AddCompany(TDatabase &db, int code, const QString &name, const QString &nit, bool manageAreas,
                           bool inGroup);

private:
    TDatabase &m_db;
};
