#pragma once

// The data the benchmarks measure on: the demo world plus a 600-record evaluation of company 1 (the
// 60 items of the sample catalogue in ten areas, process date 2026-06-01). Header-only: each
// benchmark is one executable.

#include "TAppServerEngine.h"
#include "TCatalogueImporter.h"
#include "TDatabase.h"
#include "TDemoWorld.h"

#include <QDate>
#include <QElapsedTimer>
#include <QDateTime>
#include <QSqlQuery>
#include <algorithm>
#include <vector>

class TBenchWorld
{
public:
    static QDate ProcessDate() { return QDate(2026, 6, 1); }
    static int Company() { return 1; }

    // Builds the world on an empty database; a database that already holds companies is left as it is.
    static void Build(TAppServerEngine &engine)
    {
        TDatabase &db = engine.Database();
        {
            QSqlQuery q = db.Run(QStringLiteral("SELECT COUNT(*) FROM GN_EMPRE"));
            const bool empty = q.next() && q.value(0).toInt() == 0;
            q.finish();
            if (!empty)
                return;
        }
        TDemoWorld(db).Build();
        SCatalogueImport job{Company(), TDemoWorld::SampleCatalogue(), ProcessDate(), ProcessDate(), QDate(), {}};
        for (int a = 1; a <= 10; ++a)
            job.Areas << qMakePair(a, QStringLiteral("Área %1").arg(a));
        TCatalogueImporter(db).Import(job);
    }

    // Gives every record of the 600-record evaluation a responsible and a management axis, as a
    // worked-on evaluation has them: the five people of company 1 by area, the five axes by item.
    // Returns the number of records updated.
    static int AssignResponsiblesAndAxes(TAppServerEngine &engine)
    {
        TDatabase &db = engine.Database();
        db.Run(QStringLiteral("UPDATE SO_MALEG SET EMP_ORIG = COD_EMPR,"
                              " COD_RESP = CASE COD_AREA % 5 WHEN 1 THEN 1010203040 WHEN 2 THEN 79456123"
                              "   WHEN 3 THEN 52789456 WHEN 4 THEN 1036654321 ELSE 43123987 END,"
                              " COD_ITGE = 1 + RMT_ITES % 5"
                              " WHERE COD_EMPR = ? AND FEC_PROC = ?"),
               {Company(), QDateTime(ProcessDate(), QTime(0, 0))});
        QSqlQuery q = db.Run(QStringLiteral("SELECT COUNT(*) FROM SO_MALEG WHERE COD_EMPR = ? AND FEC_PROC = ?"
                                            " AND COD_RESP IS NOT NULL AND COD_ITGE IS NOT NULL"),
                             {Company(), QDateTime(ProcessDate(), QTime(0, 0))});
        return q.next() ? q.value(0).toInt() : 0;
    }
};

// The median over `rounds` rounds of the time one call of op takes, in microseconds, each round timing
// opsPerRound calls after one warm-up call.
template <typename F> double BenchMedianMicros(int rounds, int opsPerRound, F &&op)
{
    std::vector<double> samples;
    op();
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < opsPerRound; ++i)
            op();
        samples.push_back(double(t.nsecsElapsed()) / 1000.0 / opsPerRound);
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}
