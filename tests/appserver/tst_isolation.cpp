// What a hostile signed-in user tries, on both databases over both transports: a user of company 2
// only ("solo2") reads or changes company 1's rows or the server's own tables through client SQL,
// EjecutarSql and change logs. Each attempt must not show a company 1 or server value and must leave
// every table as it was. The figures (attempts, how many got through) print at the end.
#include "TAppServerFixture.h"
#include "TPgStatement.h"
#include "TProviderCatalog.h"
#include "TSchemaCatalog.h"
#include "TServerOperations.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSqlRecord>

using namespace Qt::Literals::StringLiterals;

namespace {

// Values only company 1 or the server's tables hold.
const char *const kMarkers[] = {"Andinas", "Restrepo", "Piedrah", "argon2", "900123456", "andinas.example"};

struct SAttack
{
    const char *kind;
    const char *text;
};

// kind: "sql" client SQL (DtsPTemporal), "ejec" EjecutarSql, "delta" a change log of the evaluation records.
const SAttack kAttacks[] = {
    {"sql", "SELECT NOM_EMPR FROM GN_EMPRE"},
    {"sql", "SELECT NOM_EMPR AS X FROM GN_EMPRE WHERE COD_EMPR = 1"},
    {"sql", "SELECT NOM_TERC FROM GN_TERCE UNION SELECT APE_TERC FROM GN_TERCE"},
    {"sql", "SELECT (SELECT MAX(NIT_EMPR) FROM GN_EMPRE WHERE COD_EMPR = 1) AS X"},
    {"sql", "WITH T AS (SELECT * FROM GN_TERCE) SELECT DCE_MAIL FROM T"},
    {"sql", "SELECT * FROM \"SV_USUAR\""},
    {"sql", "SELECT CLA_HASH FROM sv_usuar"},
    {"sql", "SELECT NOM_EMPR FROM main.GN_EMPRE"},
    {"sql", "SELECT nom_empr FROM public.gn_empre"},
    {"sql", "SELECT * FROM \"GN_EMPRE\""},
    {"sql", "SELECT sql FROM sqlite_master"},
    {"sql", "SELECT * FROM pragma_table_info('SV_USUAR')"},
    {"sql", "SELECT query_to_xml('select * from sv_usuar', true, true, '') AS X"},
    {"sql",
     "SELECT set_config('role', 'none', true), query_to_xml('select nom_empr from gn_empre', true, true, '') AS X"},
    {"sql", "SELECT set_config('search_path', 'pg_catalog', false) AS X"},
    {"sql", "SELECT set_config('statement_timeout', '1', false) AS X"},
    {"sql", "SELECT 1 AS X $$; DELETE FROM SO_AREAS; $$"},
    {"sql", "SELECT E'\\'; DELETE FROM SO_AREAS; --' AS X"},
    {"sql", "SELECT 1 AS X; COMMIT; DELETE FROM SO_AREAS"},
    {"sql", "/* ? */ SELECT NOM_EMPR FROM GN_EMPRE WHERE COD_EMPR = :P"},
    {"sql", "WITH D AS (DELETE FROM SO_AREAS RETURNING *) SELECT * FROM D"},
    {"ejec", "UPDATE GN_EMPRE SET NOM_EMPR = 'X'"},
    {"ejec", "UPDATE SO_AREAS SET NOM_AREA = 'X' WHERE COD_EMPR = 1"},
    {"ejec", "UPDATE SO_AREAS SET COD_EMPR = 1 WHERE COD_EMPR = 2"},
    {"ejec", "INSERT INTO SO_AREAS (COD_EMPR, COD_AREA, NOM_AREA) VALUES (1, 77, 'X')"},
    {"ejec", "DELETE FROM SO_AREAS WHERE COD_EMPR = 1"},
    {"ejec", "DELETE FROM main.SO_AREAS WHERE COD_EMPR = 1"},
    {"ejec", "DELETE FROM public.so_areas WHERE cod_empr = 1"},
    {"ejec", "INSERT INTO SV_USEMP (NOM_USUA, COD_EMPR) VALUES ('solo2', 1)"},
    {"ejec", "INSERT INTO \"SV_USEMP\" (NOM_USUA, COD_EMPR) VALUES ('solo2', 1)"},
    {"ejec", "INSERT INTO sv_usemp (nom_usua, cod_empr) VALUES ('solo2', 1)"},
    {"ejec", "UPDATE SO_AREAS SET NOM_AREA = (SELECT MAX(CLA_HASH) FROM SV_USUAR) WHERE COD_EMPR = 2"},
    {"ejec", "SELECT CLA_HASH FROM SV_USUAR"},
    {"ejec", "SELECT NOM_EMPR FROM GN_EMPRE WHERE COD_EMPR = 1"},
    {"ejec", "UPDATE SO_AREAS SET NOM_AREA = $$x$$ WHERE COD_EMPR = 2 $$; DROP TABLE SO_AREAS; $$"},
    {"ejec", "CREATE TABLE X (A INTEGER)"},
    {"ejec", "UPDATE SO_AREAS SET NOM_AREA = 'X' WHERE COD_EMPR = 1; DROP TABLE SO_AREAS"},
    // Oracles: a client SQL whose answer could depend on a value of company 1 ("%1": once a
    // company 1 surname, once a text no row holds) through an error or a refusal; both answers must
    // be the same. Functions that could fail, conditions SQLite checks on an index before the row
    // and OR lookups that do so before the view's filter, recursive growth.
    {"oracle", "SELECT COUNT(*) AS N FROM GN_TERCE WHERE abs(CASE WHEN APE_TERC LIKE '%1%' THEN -9223372036854775807 - "
               "1 ELSE 0 END) >= 0"},
    {"oracle", "SELECT COUNT(*) AS N FROM GN_TERCE WHERE COD_TERC BETWEEN 1 AND 9999999999 AND abs(CASE WHEN COD_TERC "
               "= 1010203040 AND '%1' = 'Restrepo' THEN -9223372036854775807 - 1 ELSE 0 END) >= 0"},
    {"oracle", "SELECT COUNT(*) AS N FROM GN_TERCE WHERE (COD_TERC = 1010203040 AND abs(CASE WHEN APE_TERC LIKE '%1%' "
               "THEN -9223372036854775807 - 1 ELSE 0 END) >= 0) OR COD_TERC = 2"},
    {"oracle", "SELECT COUNT(*) AS N FROM GN_TERCE WHERE APE_TERC LIKE 'x' ESCAPE CASE WHEN APE_TERC LIKE '%1%' THEN "
               "'ab' ELSE 'a' END"},
    {"oracle", "SELECT COUNT(*) AS N FROM GN_TERCE WHERE length(printf('%.*c', CASE WHEN APE_TERC LIKE '%1%' THEN "
               "2000000000 ELSE 1 END, 'x')) > 0"},
    {"oracle", "SELECT COUNT(*) AS N FROM GN_TERCE WHERE length(zeroblob(CASE WHEN APE_TERC LIKE '%1%' THEN 2000000000 "
               "ELSE 1 END)) > 0"},
    {"oracle",
     "SELECT COUNT(*) AS N FROM GN_TERCE WHERE json(CASE WHEN APE_TERC LIKE '%1%' THEN 'x' ELSE '1' END) IS NOT NULL"},
    {"oracle", "SELECT COUNT(*) AS N FROM GN_TERCE T WHERE (SELECT SUM(CASE WHEN T.APE_TERC LIKE '%1%' THEN "
               "9223372036854775807 ELSE 0 END) FROM SO_AREAS) IS NOT NULL"},
    {"oracle",
     "WITH RECURSIVE R(S) AS (SELECT 'x' UNION ALL SELECT S || S FROM R LIMIT 40) SELECT COUNT(*) AS N FROM GN_TERCE"
     " WHERE CASE WHEN APE_TERC LIKE '%1%' THEN (SELECT length(MAX(S)) FROM R) ELSE 1 END > 0"},
    {"delta", "move"},
    {"delta", "insert"},
    {"delta", "duplicate"},
    {"delta", "foreign"},
};

int g_attempts = 0;
QStringList g_through;

} // namespace

class TstIsolation : public QObject
{
    Q_OBJECT
    TAppServerFixture m_fx;

    // Every table but the server's bookkeeping of connections, sessions and sign-ins, as the server's own connection
    // reads it.
    QByteArray Fingerprint(const QString &backend)
    {
        TDatabase &db = m_fx.Backend(backend).Engine->Database();
        QCryptographicHash hash(QCryptographicHash::Sha256);
        for (const STableDef &t : TSchemaCatalog::Instance().Tables()) {
            if (t.Name == u"SV_PERMI"_s || t.Name == u"SV_ROLES"_s || t.Name == u"SV_SESIO"_s ||
                t.Name == u"SV_INTEN"_s)
                continue;
            QSqlQuery q = db.Run(u"SELECT * FROM %1 ORDER BY %2"_s.arg(t.Name, t.Key.join(u", "_s)));
            while (q.next())
                for (int i = 0; i < q.record().count(); ++i)
                    hash.addData(q.value(i).toString().toUtf8() + '|');
        }
        return hash.result();
    }

    // The change log an attack sends, built from a record of company 2 (and one of company 1).
    SDelta Delta(IAppServer &mine, IAppServer &demo, const QString &how)
    {
        const SDataPacket p = mine.GetRecords(u"DtsPSoMaleg"_s, {}, TProviderCatalog::EvaluationSql());
        const int company = col(p, "COD_EMPR");
        SDeltaRow r;
        r.OldValues = p.Rows.first();
        r.NewValues = r.OldValues;
        r.Changed = QList<bool>(p.Fields.size(), false);
        r.Kind = TUpdateKind::ukModify;
        SDelta d{p.Fields, {}};
        if (how == u"move"_s) {
            r.NewValues[company] = 1;
            r.Changed[company] = true;
        } else if (how == u"insert"_s) {
            r.Kind = TUpdateKind::ukInsert;
            r.NewValues[company] = 1;
        } else if (how == u"duplicate"_s) {
            SFieldDef f = p.Fields.at(company);
            f.Name = u"cod_empr"_s;
            d.Fields << f;
            r.OldValues << 2;
            r.NewValues << 1;
            r.Changed << true;
        } else {
            const SDataPacket other =
                demo.GetRecords(u"DtsPSoMaleg"_s, {}, TProviderCatalog::EvaluationSql() + u" AND MA.COD_EMPR = 1"_s);
            r.OldValues = other.Rows.first();
            r.NewValues = r.OldValues;
            r.Kind = TUpdateKind::ukDelete;
        }
        d.Rows << r;
        return d;
    }

private slots:
    void initTestCase() { m_fx.Init(u"isolation"_s); }
    void cleanupTestCase()
    {
        qInfo("Ataques: %d intentos, %d pasaron%s%s", g_attempts, int(g_through.size()),
              g_through.isEmpty() ? "" : ": ", qPrintable(g_through.join(u"; "_s)));
        m_fx.Cleanup();
    }

    // Two statements reach PostgreSQL only as one text through the extended protocol, which refuses
    // them: shown on the server's own connection, with no scanner in the way.
    void oneStatementByPostgres_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("select") << u"SELECT 1 AS X; DELETE FROM SO_AREAS"_s;
        QTest::newRow("commit") << u"DELETE FROM SO_AREAS WHERE 1 = 0; COMMIT; DELETE FROM SO_AREAS"_s;
    }
    void oneStatementByPostgres()
    {
        QFETCH(QString, text);
        QVERIFY2(m_fx.Error(u"postgres"_s).isEmpty(), qPrintable(m_fx.Error(u"postgres"_s)));
        TDatabase &db = m_fx.Backend(u"postgres"_s).Engine->Database();
        const QByteArray before = Fingerprint(u"postgres"_s);
        ++g_attempts;
        try {
            TPgStatement::Run(db.Connection(), text, {}, 0, 0);
            g_through << text;
            QFAIL("PostgreSQL ran two statements");
        } catch (const EAppServerError &e) {
            QCOMPARE(e.Message(), u"El texto de comando debe ser una sola sentencia."_s);
        }
        QCOMPARE(Fingerprint(u"postgres"_s), before);
    }

    void attack_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("transport");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        for (const QString &b : TAppServerFixture::Backends())
            for (const QString &t : TAppServerFixture::Transports())
                for (int i = 0; i < int(std::size(kAttacks)); ++i)
                    QTest::newRow(qPrintable(u"%1/%2/%3"_s.arg(b, t).arg(i)))
                        << b << t << QString::fromLatin1(kAttacks[i].kind) << QString::fromUtf8(kAttacks[i].text);
    }
    void attack()
    {
        QFETCH(QString, backend);
        QFETCH(QString, transport);
        QFETCH(QString, kind);
        QFETCH(QString, text);
        ZE_OPEN(server, m_fx, backend, transport, u"solo2"_s, u"clave2"_s);
        ZE_OPEN(demo, m_fx, backend, transport);
        const QByteArray before = Fingerprint(backend);
        QString answer;
        try {
            if (kind == u"sql"_s) {
                const SDataPacket p =
                    server->GetRecords(u"DtsPTemporal"_s, {SParam{u"P"_s, TFieldType::ftInteger, 1}}, text);
                for (const QVariantList &r : p.Rows)
                    answer += QVariant(r).toStringList().join(u'|') + u'|';
            } else if (kind == u"oracle"_s) {
                const auto answerTo = [&](const char *value) {
                    try {
                        const SDataPacket p = server->GetRecords(u"DtsPTemporal"_s, {}, text.arg(QLatin1String(value)));
                        return u"filas %1: %2"_s.arg(p.Rows.size()).arg(p.Rows.value(0).value(0).toString());
                    } catch (const EAppServerError &e) {
                        return u"%1 %2"_s.arg(e.Status()).arg(e.Message());
                    }
                };
                answer = answerTo("Restrepo");
                const QString control = answerTo("Zzzq");
                if (answer != control)
                    answer += u" / Restrepo"_s;
                QCOMPARE(answer, control);
            } else if (kind == u"ejec"_s) {
                QVariantList args{QVariant(QVariantList{text}), QVariant(), QString()};
                const int result = server->Call(u"EjecutarSql"_s, args).toInt();
                answer = args.at(1).toString() + args.at(2).toString();
                if (!text.startsWith(u"SELECT"_s))
                    QCOMPARE(result, 1);
                // Changing company 1's rows answers as changing rows that do not exist: nothing told.
                if (QRegularExpression(u"^(UPDATE|DELETE FROM) SO_AREAS [^;]*WHERE COD_EMPR = 1$"_s)
                        .match(text)
                        .hasMatch())
                    QCOMPARE(args.at(2).toString(), TServerOperations::NoRowChangedMessage());
            } else {
                const SApplyResult r = server->ApplyUpdates(u"DtsPSoMaleg"_s, Delta(*server, *demo, text), 0);
                QVERIFY(r.ErrorCount == 1 && !r.Committed);
                answer = QVariant(r.Errors.first().CurValues).toStringList().join(u'|');
            }
        } catch (const EAppServerError &e) {
            QVERIFY2(e.Status() >= 400 && e.Status() < 500, qPrintable(e.Message()));
            answer = e.Message();
        }
        ++g_attempts;
        bool leaked = false;
        for (const char *m : kMarkers)
            leaked = leaked || answer.contains(QString::fromLatin1(m), Qt::CaseInsensitive);
        const bool changed = Fingerprint(backend) != before;
        if (leaked || changed)
            g_through << u"%1/%2: %3"_s.arg(backend, transport, text);
        QVERIFY2(!leaked, qPrintable(answer.left(300)));
        QVERIFY(!changed);
        // Nothing the attempt set stays behind: the next request of the same user is answered as usual.
        QCOMPARE(server->GetRecords(u"DtsPGnEmpre"_s, {}, {}).Rows.size(), 1);
        QCOMPARE(server->GetRecords(u"DtsPTemporal"_s, {}, u"SELECT COUNT(*) AS N FROM SO_MALEG"_s)
                     .Rows.first()
                     .first()
                     .toInt(),
                 60);
    }
};

QTEST_GUILESS_MAIN(TstIsolation)
#include "tst_isolation.moc"
