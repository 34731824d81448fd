// Every provider answers with its declared fields, on both backends and both transports; the
// evaluation query keeps its duplicate columns apart; client SQL stays read-only and inside the
// user's companies.
#include "TAppServerFixture.h"
#include "TProviderCatalog.h"

#include <QDateTime>
#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace {

SParam P(const char *name, TFieldType type, const QVariant &value)
{
    return SParam{QString::fromLatin1(name), type, value};
}

QList<SParam> itemParams()
{
    return {P("PCODEMPR", TFieldType::ftSmallint, 1),
            P("PFECPROC", TFieldType::ftDateTime, QDateTime(QDate(2026, 2, 2), QTime(0, 0))),
            P("PRMTPAMA", TFieldType::ftInteger, 1),
            P("PRMTDEPA", TFieldType::ftInteger, 1),
            P("PRMTESTA", TFieldType::ftInteger, 1),
            P("PRMTITES", TFieldType::ftInteger, 1)};
}

QStringList names(const QList<SFieldDef> &fields)
{
    QStringList out;
    for (const SFieldDef &f : fields)
        out << f.Name;
    return out;
}

} // namespace

class TstProviders : public QObject
{
    Q_OBJECT
    TAppServerFixture m_fx;

private slots:
    void initTestCase() { m_fx.Init(u"providers"_s); }
    void cleanupTestCase() { m_fx.Cleanup(); }

    // Every provider of the catalogue answers on each backend and transport with the fields it
    // declares (or, undeclared, those of its query), each row as wide as its fields.
    void fieldLists_data() { TAppServerFixture::AddRows(); }
    void fieldLists()
    {
        ZE_OPEN_ROW(server, m_fx);
        QList<SParam> params = itemParams();
        params << P("PCODAREA", TFieldType::ftInteger, 1) << P("P_COD_EMPR", TFieldType::ftSmallint, 1)
               << P("P_COD_EMPL", TFieldType::ftFloat, 1010203040.0) << P("P_TIP_ITEM", TFieldType::ftSmallint, 5)
               << P("P_COD_ITEM", TFieldType::ftFloat, 1.0) << P("PFLCOD_TERC", TFieldType::ftFloat, 1010203040.0)
               << P("PCODVARI", TFieldType::ftString, u"Q0000133"_s) << P("PCODPAIS", TFieldType::ftSmallint, 57);
        const QStringList providers = TProviderCatalog::Instance().Names();
        QVERIFY(providers.size() >= 14);
        for (const QString &provider : providers) {
            const SProviderDef *def = TProviderCatalog::Instance().Find(provider);
            const QString text = def->TakesCommandText ? TProviderCatalog::EvaluationSql() : QString();
            const SDataPacket p = server->GetRecords(provider, params, text);
            QVERIFY2(!p.Fields.isEmpty(), qPrintable(provider));
            if (!def->Fields.isEmpty())
                QCOMPARE(names(p.Fields), names(def->Fields));
            QVERIFY2(!p.Rows.isEmpty() || provider.startsWith(u"DtsPSo"_s), qPrintable(provider));
            for (const QVariantList &row : p.Rows)
                QCOMPARE(row.size(), p.Fields.size());
        }
    }

    void evaluationQuery_data() { TAppServerFixture::AddRows(); }
    void evaluationQuery()
    {
        ZE_OPEN_ROW(server, m_fx);
        const SDataPacket all = server->GetRecords(u"DtsPSoMaleg"_s, {}, TProviderCatalog::EvaluationSql());
        QCOMPARE(all.Rows.size(), 60 * 2 + 60); // company 1 has two areas, company 2 one
        const QString filtered = TProviderCatalog::EvaluationSql() +
                                 u"  AND MA.COD_EMPR = :P_COD_EMPR AND MA.COD_AREA = 2\r\nORDER BY DI.NUM_ERAL"_s;
        const SDataPacket p =
            server->GetRecords(u"DtsPSoMaleg"_s, {P("P_COD_EMPR", TFieldType::ftSmallint, 1)}, filtered);
        QCOMPARE(p.Rows.size(), 60);
        const QVariantList &first = p.Rows.first();
        QCOMPARE(first.at(col(p, "NUM_ERAL")).toString(), u"1.1.1"_s);
        QCOMPARE(first.at(col(p, "DES_ESTA")).toString(), u"RECURSOS"_s);
        QVERIFY(first.at(col(p, "DES_ESTA_1")).toString().startsWith(u"Recursos financieros, técnicos"_s));
        QCOMPARE(first.at(col(p, "POR_ESTA")).toDouble(), 10.0);
        QCOMPARE(first.at(col(p, "POR_ESTA_1")).toDouble(), 4.0);
        QCOMPARE(first.at(col(p, "VAL_ITEM")).toDouble(), 0.5);
        QCOMPARE(first.at(col(p, "NOM_AREA")).toString(), u"Oficinas"_s);
        QCOMPARE(first.at(col(p, "FEC_PROC")).toDateTime(), QDateTime(QDate(2026, 2, 2), QTime(0, 0)));
        QCOMPARE(first.at(col(p, "FEC_INIC")).typeId(), QMetaType::QDateTime);
        QCOMPARE(first.at(col(p, "COD_CICL")).toInt(), 1);
        double total = 0;
        for (const QVariantList &r : p.Rows)
            total += r.at(col(p, "VAL_ITEM")).toDouble();
        QCOMPARE(total, 100.0);
    }

    // Type-4 items are the evaluation levels, matched by band.
    void levelBands_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("transport");
        QTest::addColumn<double>("total");
        QTest::addColumn<QString>("level");
        const struct
        {
            double total;
            const char *level;
        } cases[] = {{0, "CRÍTICO"},
                     {59.75, "CRÍTICO"},
                     {60, "MODERADAMENTE ACEPTABLE"},
                     {72.5, "MODERADAMENTE ACEPTABLE"},
                     {85, "MODERADAMENTE ACEPTABLE"},
                     {85.25, "ACEPTABLE"},
                     {100, "ACEPTABLE"}};
        for (const QString &b : TAppServerFixture::Backends())
            for (const QString &t : TAppServerFixture::Transports())
                for (const auto &c : cases)
                    QTest::newRow(qPrintable(u"%1/%2/%3"_s.arg(b, t).arg(c.total)))
                        << b << t << c.total << QString::fromUtf8(c.level);
    }
    void levelBands()
    {
        QFETCH(QString, backend);
        QFETCH(QString, transport);
        QFETCH(double, total);
        QFETCH(QString, level);
        ZE_OPEN(server, m_fx, backend, transport);
        const SDataPacket p =
            server->GetRecords(u"DtsPGnDitem"_s,
                               {P("P_COD_EMPR", TFieldType::ftSmallint, 2), P("P_TIP_ITEM", TFieldType::ftSmallint, 4),
                                P("P_COD_ITEM", TFieldType::ftFloat, total)},
                               {});
        QCOMPARE(p.Rows.size(), 1);
        QCOMPARE(p.Rows.first().at(1).toString(), level);
        QVERIFY(p.Rows.first().at(2).toString().contains(u"Ministerio del Trabajo"_s));
    }

    void lookups_data() { TAppServerFixture::AddRows(); }
    void lookups()
    {
        ZE_OPEN_ROW(server, m_fx);
        auto rows = [&](const char *provider, QList<SParam> params, const QString &text = {}) {
            return server->GetRecords(QString::fromLatin1(provider), params, text);
        };
        QCOMPARE(rows("DtsPValResp",
                      {P("P_COD_EMPR", TFieldType::ftSmallint, 1), P("P_COD_EMPL", TFieldType::ftFloat, 79456123.0)})
                     .Rows.size(),
                 1);
        QCOMPARE(rows("DtsPValResp",
                      {P("P_COD_EMPR", TFieldType::ftSmallint, 1), P("P_COD_EMPL", TFieldType::ftFloat, 1020304050.0)})
                     .Rows.size(),
                 0);
        const SDataPacket person = rows("DtsPGnTerce", {P("PFLCOD_TERC", TFieldType::ftFloat, 52789456.0)});
        QCOMPARE(person.Rows.size(), 1);
        QCOMPARE(person.Rows.first().at(0).toString(), u"Luz Adriana"_s);
        QCOMPARE(person.Rows.first().at(1).toString(), u"Ocampo Villa"_s);
        const SDataPacket axis =
            rows("DtsPGnDitem", {P("P_COD_EMPR", TFieldType::ftSmallint, 1), P("P_TIP_ITEM", TFieldType::ftSmallint, 5),
                                 P("P_COD_ITEM", TFieldType::ftFloat, 3.0)});
        QCOMPARE(axis.Rows.size(), 1);
        QCOMPARE(axis.Rows.first().at(1).toString(), u"Gestión documental"_s);
        const SDataPacket emple = rows("DtsPBiEmple", {P("P_COD_EMPR", TFieldType::ftSmallint, 2),
                                                       P("P_COD_EMPL", TFieldType::ftFloat, 71234567.0)});
        QCOMPARE(emple.Rows.size(), 1);
        QCOMPARE(emple.Rows.first().at(0).toString(), u"Jorge Iván"_s);

        // The digit-flag reader: company row through the scratch provider, then the flag.
        const QString companySql =
            u" SELECT PAI_EMPR, COD_DIFL\r\n  FROM GN_EMPRE\r\n WHERE COD_EMPR = :PSMCOD_EMPR\r\n"_s;
        for (int company : {1, 2}) {
            const SDataPacket c = rows("DtsPTemporal", {P("PSMCOD_EMPR", TFieldType::ftSmallint, company)}, companySql);
            QCOMPARE(c.Rows.size(), 1);
            QCOMPARE(c.Fields.at(0).Name, u"PAI_EMPR"_s);
            QCOMPARE(c.Rows.first().at(0).toInt(), 57);
            QVERIFY(c.Rows.first().at(1).isNull());
            for (const char *flag : {"Q0000133", "Q0000008"}) {
                const SDataPacket f =
                    rows("DtsPGnDigif",
                         {P("PCODVARI", TFieldType::ftString, QString::fromLatin1(flag)),
                          P("PCODPAIS", TFieldType::ftSmallint, 57), P("PCODEMPR", TFieldType::ftSmallint, company)});
                QCOMPARE(f.Rows.size(), company == 1 ? 1 : 0);
                if (company == 1)
                    QCOMPARE(f.Rows.first().at(0).toString().trimmed(), u"S"_s);
            }
        }
        // A count reads as an integer on both databases.
        const SDataPacket n = rows("DtsPTemporal", {}, u"SELECT COUNT(*) AS N FROM SO_PLASS"_s);
        QCOMPARE(n.Fields.first().DataType, TFieldType::ftInteger);
        const SDataPacket companies = rows("DtsPGnEmpre", {});
        QCOMPARE(companies.Rows.size(), 2);
        QCOMPARE(companies.Rows.at(0).at(col(companies, "GRU_EMPR")).toString(), u"S"_s);
        QCOMPARE(companies.Rows.at(1).at(col(companies, "GRU_EMPR")).toString(), u"N"_s);
        // What the reports' page header prints: short name, tax number as a whole number, logo bytes.
        QCOMPARE(companies.Fields.at(col(companies, "NIT_EMPR")).DataType, TFieldType::ftLargeint);
        QCOMPARE(companies.Fields.at(col(companies, "BMP_REPO")).DataType, TFieldType::ftBlob);
        const QVariantList &first = companies.Rows.at(0);
        QCOMPARE(first.at(col(companies, "INI_EMPR")).toString(), u"IAV"_s);
        QCOMPARE(first.at(col(companies, "NIT_EMPR")), QVariant(qlonglong(900123456)));
        QCOMPARE(companies.Rows.at(1).at(col(companies, "NIT_EMPR")), QVariant(qlonglong(800654321)));
        QFile logo(QStringLiteral(ZE_DEMO_DIR "/logo-empresa-1.png"));
        QVERIFY(logo.open(QIODevice::ReadOnly));
        QCOMPARE(first.at(col(companies, "BMP_REPO")).toByteArray(), logo.readAll());
    }

    // Client SQL may read and nothing else.
    void clientSqlRefusals_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("transport");
        QTest::addColumn<QString>("provider");
        QTest::addColumn<QString>("sql");
        const char *const statements[][2] = {
            {"DtsPTemporal", "DELETE FROM SO_AREAS"},
            {"DtsPTemporal", "UPDATE SO_AREAS SET NOM_AREA = 'X'"},
            {"DtsPTemporal", "SELECT 1; DELETE FROM SO_AREAS"},
            {"DtsPTemporal", "WITH x AS (DELETE FROM SO_AREAS RETURNING *) SELECT * FROM x"},
            {"DtsPTemporal", "SELECT NOM_USUA, CLA_HASH FROM SV_USUAR"},
            {"DtsPTemporal", "DROP TABLE SO_AREAS"},
            {"DtsPSoMaleg", "INSERT INTO SO_AREAS (COD_EMPR, COD_AREA, NOM_AREA) VALUES (1, 9, 'X')"},
            {"DtsPGnTerce", "SELECT * FROM GN_TERCE"},
        };
        for (const QString &b : TAppServerFixture::Backends())
            for (const QString &t : TAppServerFixture::Transports())
                for (int i = 0; i < int(std::size(statements)); ++i)
                    QTest::newRow(qPrintable(u"%1/%2/%3"_s.arg(b, t).arg(i)))
                        << b << t << QString::fromLatin1(statements[i][0]) << QString::fromLatin1(statements[i][1]);
    }
    void clientSqlRefusals()
    {
        QFETCH(QString, backend);
        QFETCH(QString, transport);
        QFETCH(QString, provider);
        QFETCH(QString, sql);
        ZE_OPEN(server, m_fx, backend, transport);
        const QString areas = u"SELECT COD_EMPR, COD_AREA, NOM_AREA FROM SO_AREAS ORDER BY COD_EMPR, COD_AREA"_s;
        const SDataPacket before = server->GetRecords(u"DtsPTemporal"_s, {}, areas);
        QVERIFY_THROWS_EXCEPTION(Exception, server->GetRecords(provider, {}, sql));
        const SDataPacket after = server->GetRecords(u"DtsPTemporal"_s, {}, areas);
        QCOMPARE(after.Rows, before.Rows);
        QCOMPARE(after.Rows.size(), 3);
    }

    // A user assigned only company 2.
    void foreignCompany_data() { TAppServerFixture::AddRows(); }
    void foreignCompany()
    {
        QFETCH(QString, backend);
        QFETCH(QString, transport);
        ZE_OPEN(server, m_fx, backend, transport, u"solo2"_s, u"clave2"_s);
        // Company 1's rows do not exist for this user, whatever the parameters say.
        QCOMPARE(server->GetRecords(u"DtsPSoParam"_s, {P("P_COD_EMPR", TFieldType::ftSmallint, 1)}, {}).Rows.size(), 0);
        QCOMPARE(server->GetRecords(u"DtsPSoParam"_s, {P("P_COD_EMPR", TFieldType::ftSmallint, 2)}, {}).Rows.size(), 1);
        // Client SQL without a company filter sees only the user's company.
        const SDataPacket all = server->GetRecords(u"DtsPSoMaleg"_s, {}, TProviderCatalog::EvaluationSql());
        QCOMPARE(all.Rows.size(), 60);
        for (const QVariantList &r : all.Rows)
            QCOMPARE(r.at(col(all, "COD_EMPR")).toInt(), 2);
        QCOMPARE(server->GetRecords(u"DtsPGnEmpre"_s, {}, {}).Rows.size(), 1);
        QCOMPARE(
            server->GetRecords(u"DtsPGnTerce"_s, {P("PFLCOD_TERC", TFieldType::ftFloat, 52789456.0)}, {}).Rows.size(),
            0);
    }
};

QTEST_GUILESS_MAIN(TstProviders)
#include "tst_providers.moc"
