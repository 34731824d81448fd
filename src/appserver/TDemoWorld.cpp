#include "TDemoWorld.h"

#include "EAppServerError.h"
#include "TCatalogueImporter.h"
#include "TCompanyStore.h"
#include "TOfficialCatalogue.h"
#include "TDatabase.h"
#include "TSqlTransaction.h"
#include "TUserStore.h"

#include <QDateTime>
#include <QFile>
#include <QSqlQuery>

namespace {
const QDate kProcessDate(2026, 2, 2);
} // namespace

// A file of the demonstration resources. They live in a static library, so they are registered here
// explicitly (outside any namespace, as the registration requires).
static QByteArray resource(const QString &name)
{
    Q_INIT_RESOURCE(demo);
    QFile f(QStringLiteral(":/appserver/") + name);
    if (!f.open(QIODevice::ReadOnly))
        throw EAppServerError(500, QStringLiteral("No se encuentra el archivo de ejemplo %1.").arg(name));
    return f.readAll();
}

TDemoWorld::TDemoWorld(TDatabase &db) : m_db(db)
{}

QString TDemoWorld::SampleCatalogue()
{
    return QString::fromUtf8(resource(QStringLiteral("catalogo-estandares-minimos.csv")));
}

void TDemoWorld::Build()
{
    {
        QSqlQuery q = m_db.Run(QStringLiteral("SELECT COUNT(*) FROM GN_EMPRE"));
        if (q.next() && q.value(0).toInt() > 0)
            throw EAppServerError(
                409, QStringLiteral("La base de datos ya tiene empresas; la demostración se crea en una base vacía."));
    }
    const QDateTime now = QDateTime::currentDateTime();
    TCompanyStore companies(m_db);
    companies.Add({1, QStringLiteral("IAV"), QStringLiteral("Industrias Andinas del Valle S.A.S."), 900123456,
                   resource(QStringLiteral("logo-empresa-1.png")), true, true});
    companies.Add({2, QStringLiteral("SCL"), QStringLiteral("Servicios Contables La Ceiba Ltda."), 800654321,
                   resource(QStringLiteral("logo-empresa-2.png")), false, false});
    {
        TSqlTransaction tx(m_db, TSqlTransaction::TMode::Write);
        for (const char *flag : {"Q0000133", "Q0000008"})
            m_db.Run(QStringLiteral("INSERT INTO GN_DIGIF (COD_VARI, COD_PAIS, COD_EMPR, VAL_VARI, TIP_DATO, DES_VARI) "
                                    "VALUES (?, 57, 1, 'S', 'C', ?)"),
                     {QString::fromLatin1(flag), QString::fromLatin1(flag) == QStringLiteral("Q0000133")
                                                     ? QStringLiteral("Muestra el cronograma del plan anual")
                                                     : QStringLiteral("Permite el cumplimiento parcial")});
        struct Person
        {
            int company;
            double code;
            const char *names;
            const char *surnames;
            const char *mail;
        };
        const Person people[] = {
            {1, 1010203040, "María Fernanda", "Restrepo Gómez", "mfrestrepo@andinas.example"},
            {1, 79456123, "Carlos Andrés", "Piedrahíta Ruiz", "capiedrahita@andinas.example"},
            {1, 52789456, "Luz Adriana", "Ocampo Villa", "laocampo@andinas.example"},
            {1, 1036654321, "Julián David", "Marín Henao", "jdmarin@andinas.example"},
            {1, 43123987, "Sandra Milena", "Zapata Londoño", "smzapata@andinas.example"},
            {2, 1020304050, "Andrés Felipe", "Castaño Ríos", "afcastano@laceiba.example"},
            {2, 32456789, "Gloria Inés", "Cardona Mejía", "gicardona@laceiba.example"},
            {2, 71234567, "Jorge Iván", "Salazar Duque", "jisalazar@laceiba.example"},
        };
        for (const Person &p : people)
            m_db.Run(
                QStringLiteral(
                    "INSERT INTO GN_TERCE (COD_EMPR, COD_TERC, NOM_TERC, APE_TERC, DCE_MAIL) VALUES (?, ?, ?, ?, ?)"),
                {p.company, p.code, QString::fromUtf8(p.names), QString::fromUtf8(p.surnames),
                 QString::fromUtf8(p.mail)});
        const char *const axes[] = {"Gestión del talento humano", "Gestión de peligros y riesgos", "Gestión documental",
                                    "Gestión de contratistas y proveedores", "Gestión de emergencias"};
        for (int company : {1, 2})
            for (int i = 0; i < 5; ++i)
                m_db.Run(
                    QStringLiteral("INSERT INTO GN_DITEM (COD_EMPR, TIP_ITEM, COD_ITEM, DES_ITEM) VALUES (?, 5, ?, ?)"),
                    {company, double(i + 1), QString::fromUtf8(axes[i])});
        tx.Commit();
    }

    SCatalogueImport job;
    job.Csv = TOfficialCatalogue::Text(QStringLiteral("60"));
    job.Supplement = SampleCatalogue();
    job.ProcessDate = kProcessDate;
    job.ValidFrom = QDate(2026, 1, 1);
    job.ValidTo = QDate(2026, 12, 31);
    job.Company = 1;
    job.Areas = {qMakePair(1, QStringLiteral("Planta")), qMakePair(2, QStringLiteral("Oficinas"))};
    TCatalogueImporter(m_db).Import(job);
    job.Company = 2;
    job.Areas = {qMakePair(1, QStringLiteral("Sede principal"))};
    TCatalogueImporter(m_db).Import(job);

    // Ratings, plan activities and follow-up rows on the first items of each company.
    const QSet<int> both{1, 2};
    const QString codes = QStringLiteral("CCPNCXCNCCJCPCCNCC");
    TSqlTransaction tx(m_db, TSqlTransaction::TMode::Write);
    struct Record
    {
        int company, pama, depa, esta, ites, area;
    };
    QList<Record> records;
    {
        QSqlQuery q =
            m_db.Run(QStringLiteral("SELECT COD_EMPR, RMT_PAMA, RMT_DEPA, RMT_ESTA, RMT_ITES, COD_AREA FROM SO_MALEG"
                                    " WHERE COD_AREA = 1 ORDER BY COD_EMPR, RMT_PAMA, RMT_DEPA, RMT_ESTA, RMT_ITES"));
        while (q.next())
            records << Record{q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt(),
                              q.value(3).toInt(), q.value(4).toInt(), q.value(5).toInt()};
    }
    const double responsible[] = {1010203040, 1020304050};
    int perCompany[3] = {0, 0, 0};
    int nextPlan[3] = {0, 0, 0}, nextFollow[3] = {0, 0, 0};
    const char *const months[] = {"ENE", "FEB", "MAR", "ABR", "MAY", "JUN", "JUL", "AGO", "SEP", "OCT", "NOV", "DIC"};
    const char cycleLetter[] = {'P', 'H', 'V', 'A'};
    for (const Record &r : std::as_const(records)) {
        const int n = perCompany[r.company]++;
        const int limit = r.company == 1 ? int(codes.size()) : 8;
        if (n >= limit)
            continue;
        const QString code = codes.mid(n, 1);
        const QVariantList key{r.company, kProcessDate.startOfDay(), r.pama, r.depa, r.esta, r.ites, r.area};
        const QString plan =
            code == QStringLiteral("N") || code == QStringLiteral("P")
                ? QStringLiteral(
                      "Documentar y divulgar el procedimiento; verificar su aplicación en la próxima inspección.")
                : QString();
        QVariantList values{QStringLiteral("DEMO"),
                            now,
                            code,
                            code == QStringLiteral("J")
                                ? QVariant(QStringLiteral("La actividad no se realiza en la empresa."))
                                : QVariant(),
                            QStringLiteral("Acta y registros del archivo del SG-SST."),
                            plan.isEmpty() ? QVariant() : QVariant(plan),
                            r.company,
                            responsible[r.company - 1],
                            kProcessDate.startOfDay(),
                            double(1 + n % 5),
                            5};
        values << key;
        m_db.Run(
            QStringLiteral("UPDATE SO_MALEG SET ACT_USUA = ?, ACT_HORA = ?, ACT_ESTA = 'M', IND_CUMP = ?, TEX_JUST = "
                           "?, TEX_EVID = ?,"
                           " PLA_ACCI = ?, EMP_ORIG = ?, COD_RESP = ?, FEC_MALE = ?, COD_ITGE = ?, TIP_ITEM = ?"
                           " WHERE COD_EMPR = ? AND FEC_PROC = ? AND RMT_PAMA = ? AND RMT_DEPA = ? AND RMT_ESTA = ?"
                           " AND RMT_ITES = ? AND COD_AREA = ?"),
            values);
        if (n < 6) {
            // The item's objective and goal for the year.
            m_db.Run(
                QStringLiteral("UPDATE SO_MALEG SET OBJ_ASGS = ?, MET_ASGS = ? WHERE COD_EMPR = ? AND FEC_PROC = ?"
                               " AND RMT_PAMA = ? AND RMT_DEPA = ? AND RMT_ESTA = ? AND RMT_ITES = ? AND COD_AREA = ?"),
                {QStringLiteral("Cumplir el numeral con evidencia verificable durante la vigencia"),
                 QStringLiteral("100 % de las actividades programadas ejecutadas"), r.company,
                 kProcessDate.startOfDay(), r.pama, r.depa, r.esta, r.ites, r.area});
            // Two activities per item, planned across the year, the first months executed.
            for (int a = 0; a < 2; ++a) {
                const int rmt = ++nextPlan[r.company];
                QStringList cols{QStringLiteral("ACT_USUA"), QStringLiteral("ACT_HORA"), QStringLiteral("ACT_ESTA"),
                                 QStringLiteral("COD_EMPR"), QStringLiteral("FEC_PROC"), QStringLiteral("RMT_PAMA"),
                                 QStringLiteral("RMT_DEPA"), QStringLiteral("RMT_ESTA"), QStringLiteral("RMT_ITES"),
                                 QStringLiteral("OPC_CICL"), QStringLiteral("ACT_ASGS"), QStringLiteral("RES_PONS"),
                                 QStringLiteral("REC_URSO"), QStringLiteral("OBS_VACI"), QStringLiteral("CUM_META"),
                                 QStringLiteral("COD_AREA"), QStringLiteral("RMT_PLAS")};
                QVariantList v{QStringLiteral("DEMO"),
                               now,
                               QStringLiteral("A"),
                               r.company,
                               kProcessDate.startOfDay(),
                               r.pama,
                               r.depa,
                               r.esta,
                               r.ites,
                               QString(QLatin1Char(cycleLetter[(n + a) % 4])),
                               a == 0 ? QStringLiteral("Capacitación al personal sobre el numeral evaluado")
                                      : QStringLiteral("Inspección de verificación con el COPASST"),
                               QStringLiteral("Coordinación de SST"),
                               a == 0 ? QStringLiteral("A") : QStringLiteral("F"),
                               a == 0 ? QString() : QStringLiteral("Acta firmada por el COPASST"),
                               a == 0 ? 80 : 100,
                               r.area,
                               rmt};
                for (int m = 0; m < 12; ++m) {
                    const bool planned = (m + a + n) % 3 == 0;
                    cols << QString::fromLatin1(months[m]) + QStringLiteral("_PLAN")
                         << QString::fromLatin1(months[m]) + QStringLiteral("_EJEC");
                    v << (planned ? QStringLiteral("S") : QStringLiteral("N"))
                      << (planned && m < 3 ? QStringLiteral("S") : QStringLiteral("N"));
                }
                QStringList marks;
                for (int i = 0; i < cols.size(); ++i)
                    marks << QStringLiteral("?");
                m_db.Run(QStringLiteral("INSERT INTO SO_PLASS (%1) VALUES (%2)")
                             .arg(cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
                         v);
            }
        }
        if (code == QStringLiteral("N") || code == QStringLiteral("P")) {
            const int rmt = ++nextFollow[r.company];
            QSqlQuery q = m_db.Run(QStringLiteral("SELECT NUM_ERAL FROM SO_DIPAM WHERE COD_EMPR = ? AND RMT_PAMA = ? "
                                                  "AND RMT_DEPA = ? AND RMT_ESTA = ? AND RMT_ITES = ?"),
                                   {r.company, r.pama, r.depa, r.esta, r.ites});
            const QString numeral = q.next() ? q.value(0).toString() : QString();
            q.finish();
            m_db.Run(QStringLiteral("INSERT INTO SO_SEMON (ACT_USUA, ACT_HORA, ACT_ESTA, COD_EMPR, RMT_SEMO, FEC_PROC, "
                                    "RMT_PAMA, RMT_DEPA, RMT_ESTA,"
                                    " RMT_ITES, SEG_MIEN, FEC_SEGU, COD_RESP, TEX_SEGU, FEC_CUMP, COD_AREA, NUM_ERAL, "
                                    "PLA_ACCI, TIP_ACTI,"
                                    " FEC_INIC, FEC_FINA, EST_ADOS) VALUES (?, ?, 'A', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                    "?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                     {QStringLiteral("DEMO"),
                      now,
                      r.company,
                      rmt,
                      kProcessDate.startOfDay(),
                      r.pama,
                      r.depa,
                      r.esta,
                      r.ites,
                      QStringLiteral("Revisión del avance del plan de acción"),
                      QDate(2026, 3, 2).startOfDay(),
                      responsible[r.company - 1],
                      QStringLiteral("Se revisaron los soportes con el responsable."),
                      QVariant(),
                      r.area,
                      numeral,
                      plan,
                      QStringLiteral("C"),
                      QDate(2026, 3, 1).startOfDay(),
                      QDate(2026, 6, 30).startOfDay(),
                      QStringLiteral("P")});
        }
    }
    tx.Commit();
    TUserStore(m_db).SetUser(QStringLiteral("demo"), QStringLiteral("demo"), both);
}
