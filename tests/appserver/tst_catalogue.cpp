// The catalogue import (CSV with RFC 4180 quoting, one transaction, line-numbered refusals) and the
// admin commands that drive it.
#include "TAdminCommands.h"
#include "TAppServerFixture.h"
#include "TCatalogueImporter.h"
#include "TCsvReader.h"
#include "TOfficialCatalogue.h"

#include <QFile>
#include <QSqlQuery>

using namespace Qt::Literals::StringLiterals;

namespace {

const char *const kHeader = "ciclo_cod,ciclo_nombre,estandar_titulo,estandar_porcentaje,subestandar_descripcion,"
                            "subestandar_porcentaje,numeral,item_descripcion,valor_item";

QString csv(std::initializer_list<const char *> lines)
{
    QString out = QString::fromLatin1(kHeader) + u"\r\n"_s;
    for (const char *l : lines)
        out += QString::fromUtf8(l) + u"\r\n"_s;
    return out;
}

int count(TDatabase &db, const QString &sql)
{
    QSqlQuery q = db.Run(sql);
    return q.next() ? q.value(0).toInt() : -1;
}

} // namespace

class TstCatalogue : public QObject
{
    Q_OBJECT
    TAppServerFixture m_fx;
    int m_company = 10;

    // A new empty company in the backend's database.
    int NewCompany(TDatabase &db)
    {
        const int code = ++m_company;
        db.Run(u"INSERT INTO GN_EMPRE (COD_EMPR, NOM_EMPR, GRU_EMPR) VALUES (?, ?, 'N')"_s,
               {code, u"Empresa %1"_s.arg(code)});
        return code;
    }
    TDatabase *Db(const QString &backend)
    {
        auto &b = m_fx.Backend(backend);
        return b.Engine ? &b.Engine->Database() : nullptr;
    }

private slots:
    void initTestCase() { m_fx.Init(u"catalogue"_s); }
    void cleanupTestCase() { m_fx.Cleanup(); }

    // Each record read as "line: field|field|...", one a line; or the refusal's message.
    void csvParsing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read");
        QTest::newRow("simple") << u"a,b,c\r\n1,2,3\r\n"_s << u"1: a|b|c\n2: 1|2|3"_s;
        QTest::newRow("lf y sin final") << u"a,b\n1,2"_s << u"1: a|b\n2: 1|2"_s;
        QTest::newRow("comillas") << u"\"a,b\",\"dijo \"\"sí\"\"\",\"\"\n"_s << u"1: a,b|dijo \"sí\"|"_s;
        QTest::newRow("salto dentro") << u"x,\"uno\r\ndos\"\ny,z\n"_s << u"1: x|uno\r\ndos\n3: y|z"_s;
        QTest::newRow("bom y blancos") << u"\uFEFFa,b\n\n1,\n"_s << u"1: a|b\n3: 1|"_s;
        QTest::newRow("vacios") << u",,\n"_s << u"1: ||"_s;
        QTest::newRow("sin cierre") << u"a,b\n1,\"abierta\n"_s << u"Línea 2: falta la comilla que cierra el campo."_s;
        QTest::newRow("comilla suelta") << u"a,b\n1,x\"y\n"_s << u"Línea 2: comilla dentro de un campo sin comillas."_s;
        QTest::newRow("texto tras comillas")
            << u"a\n\"b\"c\n"_s << u"Línea 2: texto después de un campo entre comillas."_s;
    }
    void csvParsing()
    {
        QFETCH(QString, text);
        QFETCH(QString, read);
        QStringList records;
        try {
            for (const SCsvRecord &r : TCsvReader::Parse(text))
                records << u"%1: %2"_s.arg(r.Line).arg(r.Fields.join(u'|'));
        } catch (const EAppServerError &e) {
            records = {e.Message()};
        }
        QCOMPARE(records.join(u'\n'), read);
    }

    void importHappyPath_data() { TAppServerFixture::AddBackendRows(); }
    void importHappyPath()
    {
        QFETCH(QString, backend);
        TDatabase *db = Db(backend);
        QVERIFY2(db, qPrintable(m_fx.Error(backend)));
        const int company = NewCompany(*db);
        SCatalogueImport job;
        job.Company = company;
        job.Csv = TOfficialCatalogue::Text(u"60"_s);
        job.Supplement = TDemoWorld::SampleCatalogue();
        job.ProcessDate = QDate(2026, 5, 1);
        job.ValidFrom = QDate(2026, 1, 1);
        job.Areas = TCatalogueImporter::ParseAreas(u"1:Planta, 2:Oficinas,7:Bodega"_s);
        const SCatalogueSummary s = TCatalogueImporter(*db).Import(job);
        QCOMPARE(s.Cycles, 4);
        QCOMPARE(s.Items, 60);
        QCOMPARE(s.Records, 180);
        const QString c = QString::number(company);
        const auto rows = [&](const char *table, const char *condition) {
            return count(*db, u"SELECT COUNT(*) FROM %1 WHERE COD_EMPR = %2 AND %3"_s.arg(QLatin1String(table), c,
                                                                                          QLatin1String(condition)));
        };
        QCOMPARE(rows("SO_PAMAL", "FEC_FINA IS NULL"), 4);
        QCOMPARE(rows("SO_DEPAM", "RMT_ESTA = 0"), s.Standards);
        QCOMPARE(rows("SO_DIPAM", "TEX_MVER IS NOT NULL"), 60);
        QCOMPARE(rows("SO_MALEG", "IND_CUMP IS NULL"), 180);
        QCOMPARE(rows("SO_AREAS", "1 = 1"), 3);
        QCOMPARE(rows("GN_DITEM", "TIP_ITEM = 4"), 3);
        // A second evaluation of the same company gets new cycle numbers.
        job.ProcessDate = QDate(2027, 5, 1);
        job.Areas.clear();
        QCOMPARE(TCatalogueImporter(*db).Import(job).Records, 180);
        QCOMPARE(count(*db, u"SELECT MAX(RMT_PAMA) FROM SO_PAMAL WHERE COD_EMPR = %1"_s.arg(c)), 8);
    }

    void importRefusals_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        const struct
        {
            const char *tag;
            QString text;
            const char *message;
        } cases[] = {
            {"falta columna",
             QStringLiteral("ciclo_cod,ciclo_nombre,estandar_titulo,estandar_porcentaje,subestandar_descripcion,"
                            "subestandar_porcentaje,numeral,item_descripcion\r\n1,P,T,1,D,1,1.1,X\r\n"),
             "Línea 1: falta la columna \"valor_item\" en el encabezado."},
            {"no numerico",
             csv({"1,Planear,RECURSOS,10,Recursos,4,1.1.1,Responsable,0.5",
                  "1,Planear,RECURSOS,10,Recursos,4,1.1.2,Otro,medio"}),
             "Línea 3: \"valor_item\" no es un número: \"medio\"."},
            {"numeral repetido",
             csv({"1,Planear,RECURSOS,10,Recursos,4,1.1.1,Responsable,0.5",
                  "2,Hacer,SALUD,20,\"Condiciones, salud\",9,3.1.1,X,1",
                  "2,Hacer,SALUD,20,\"Condiciones, salud\",9,1.1.1,Y,1"}),
             "Línea 4: el numeral \"1.1.1\" ya aparece en la línea 2."},
            {"columnas de menos",
             csv({"1,Planear,RECURSOS,10,Recursos,4,1.1.1,Responsable,0.5", "1,Planear,RECURSOS,10,Recursos,4,1.1.2"}),
             "Línea 3: se esperaban 9 columnas y hay 7."},
            {"ciclo", csv({"5,Otro,RECURSOS,10,Recursos,4,1.1.1,Responsable,0.5"}),
             "Línea 2: \"ciclo_cod\" debe ser 1, 2, 3 o 4: \"5\"."},
            {"vacio", csv({"1,Planear,RECURSOS,10,Recursos,4,,Responsable,0.5"}),
             "Línea 2: falta el valor de \"numeral\"."},
            {"sin items", csv({}), "Línea 2: el archivo no tiene ítems."},
            {"multilinea",
             csv({"1,Planear,RECURSOS,10,\"Recursos\nen dos líneas\",4,1.1.1,Responsable,0.5",
                  "1,Planear,RECURSOS,x,R,4,1.1.2,Otro,1"}),
             "Línea 4: \"estandar_porcentaje\" no es un número: \"x\"."},
        };
        for (const QString &b : TAppServerFixture::Backends())
            for (const auto &c : cases)
                QTest::newRow(qPrintable(b + QLatin1Char('/') + QString::fromUtf8(c.tag)))
                    << b << c.text << QString::fromUtf8(c.message);
    }
    void importRefusals()
    {
        QFETCH(QString, backend);
        QFETCH(QString, text);
        QFETCH(QString, message);
        TDatabase *db = Db(backend);
        QVERIFY2(db, qPrintable(m_fx.Error(backend)));
        const int company = NewCompany(*db);
        SCatalogueImport job{company, text, QDate(2026, 5, 1), QDate(2026, 1, 1), QDate(), {{1, u"Planta"_s}}};
        try {
            TCatalogueImporter(*db).Import(job);
            QFAIL("a bad catalogue was imported");
        } catch (const EAppServerError &e) {
            QCOMPARE(e.Message(), message);
        }
        for (const char *table : {"SO_PAMAL", "SO_DEPAM", "SO_DIPAM", "SO_MALEG", "SO_AREAS", "GN_DITEM"})
            QCOMPARE(
                count(*db, u"SELECT COUNT(*) FROM %1 WHERE COD_EMPR = %2"_s.arg(QLatin1String(table)).arg(company)), 0);
    }

    // The admin program: import into a company that does not exist leaves nothing behind; a good
    // import through the command line.
    void adminCommands_data() { TAppServerFixture::AddBackendRows(); }
    void adminCommands()
    {
        QFETCH(QString, backend);
        TDatabase *db = Db(backend);
        QVERIFY2(db, qPrintable(m_fx.Error(backend)));
        QTemporaryDir dir;
        const QString file = dir.filePath(u"catalogo.csv"_s);
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(TDemoWorld::SampleCatalogue().toUtf8());
        }
        const QString location = m_fx.Backend(backend).Location;
        const auto run = [&](std::initializer_list<const char *> words) {
            QStringList args{u"tolvane-server"_s};
            for (const char *w : words)
                args << QString::fromUtf8(w).replace(u"%DB%"_s, location).replace(u"%CSV%"_s, file);
            return TAdminCommands().Run(args);
        };
        const int before = count(*db, u"SELECT COUNT(*) FROM SO_MALEG"_s);
        QCOMPARE(run({"import-catalogue", "--db", "%DB%", "--company", "99", "--csv", "%CSV%", "--process-date",
                      "2026-05-01", "--valid-from", "2026-01-01"}),
                 1);
        QCOMPARE(count(*db, u"SELECT COUNT(*) FROM SO_MALEG"_s), before);
        QCOMPARE(run({"import-catalogue", "--db", "%DB%", "--company", "2", "--official", "60", "--process-date",
                      "2026-09-01", "--valid-from", "2026-09-01", "--valid-to", "2027-08-31", "--areas",
                      "1:Sede principal,2:Sucursal"}),
                 0);
        QCOMPARE(count(*db, u"SELECT COUNT(*) FROM SO_MALEG"_s), before + 120);
        // The shipped table by name: its 60 items with the published texts, worth 100 points.
        QFile shipped(QStringLiteral(ZE_DEMO_DIR "/../catalogue/estandares-minimos-60.csv"));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QMap<QString, QString> published;
        for (const SCsvRecord &r : TCsvReader::Parse(QString::fromUtf8(shipped.readAll())).mid(1))
            published.insert(r.Fields.at(6), r.Fields.at(7));
        QCOMPARE(published.size(), 60);
        QMap<QString, QString> stored;
        double points = 0;
        QSqlQuery q = db->Run(QStringLiteral("SELECT I.NUM_ERAL, I.DES_ITEM, I.VAL_ITEM FROM SO_DIPAM I JOIN SO_PAMAL P"
                                             " ON P.COD_EMPR = I.COD_EMPR AND P.RMT_PAMA = I.RMT_PAMA"
                                             " WHERE I.COD_EMPR = 2 AND P.FEC_INIC = ?"),
                              {QDate(2026, 9, 1).startOfDay()});
        while (q.next()) {
            stored.insert(q.value(0).toString(), q.value(1).toString());
            points += q.value(2).toDouble();
        }
        QCOMPARE(stored, published);
        QCOMPARE(qRound(points * 100), 10000);
        QCOMPARE(run({"demo", "--db", "%DB%"}), 1); // not an empty database
        QCOMPARE(run({"init", "--db", "%DB%"}), 0);
    }
};

QTEST_GUILESS_MAIN(TstCatalogue)
#include "tst_catalogue.moc"
