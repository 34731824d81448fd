#pragma once

#include <QString>

class TDatabase;

// The demonstration data: two companies, each with its short name, tax number and report logo — 1
// manages areas, belongs to a group and has the digit flags Q0000133 and Q0000008 on; 2 has
// neither — their people, management axes and parameters,
// an evaluation of each from the official table of 60 items (its legal basis, criterion and
// verification taken from the bundled sample catalogue by numeral), some ratings, annual-plan activities and
// follow-up rows, and the user "demo" (password "demo") who may open both. Refuses a database that
// already holds companies.
class TDemoWorld
{
public:
    explicit TDemoWorld(TDatabase &db);
    void Build();

    // The project's own catalogue of the 60 items, with legal basis, criterion and verification.
    static QString SampleCatalogue();

private:
    TDatabase &m_db;
};
