// Change logs applied through the providers: located by key, refused when another client changed
// the same columns first (nothing of the row written), joined columns never written, the whole log
// rolled back past maxErrors.
#include "TAppServerFixture.h"
#include "TChangeApplier.h"
#include "TProviderCatalog.h"

#include <QDateTime>

namespace {

int col(const SDataPacket &p, const char *name)
{
    for (int i = 0; i < p.Fields.size(); ++i)
        if (p.Fields.at(i).Name == QLatin1String(name))
            return i;
    return -1;
}

QString area2Sql()
{
    return TProviderCatalog::EvaluationSql() +
           QStringLiteral("  AND MA.COD_EMPR = 1 AND MA.COD_AREA = 2 AND DI.NUM_ERAL = :NUMERAL\r\n");
}

SDeltaRow modify(const QVariantList &row, const QList<QPair<int, QVariant>> &changes)
{
    SDeltaRow r;
    r.Kind = TUpdateKind::ukModify;
    r.OldValues = row;
    r.NewValues = row;
    r.Changed = QList<bool>(row.size(), false);
    for (const auto &c : changes) {
        r.NewValues[c.first] = c.second;
        r.Changed[c.first] = true;
    }
    return r;
}

} // namespace

class TstApply : public QObject
{
    Q_OBJECT
    TAppServerFixture m_fx;
    int m_next = 0;

    // A distinct unrated evaluation record (company 1, area 2) for each test row.
    SDataPacket FreshRecord(IAppServer &server)
    {
        static const char *const numerals[] = {"3.1.1", "3.1.2", "3.1.3", "3.1.4", "3.1.5", "3.1.6", "3.1.7", "3.1.8",
                                               "3.1.9", "3.3.1", "3.3.2", "3.3.3", "3.3.4", "3.3.5", "3.3.6", "4.1.1",
                                               "4.1.2", "4.1.3", "4.1.4", "4.2.1", "4.2.2", "4.2.3", "4.2.4", "4.2.5"};
        const QString numeral = QString::fromLatin1(numerals[m_next++ % int(std::size(numerals))]);
        return server.GetRecords(QStringLiteral("DtsPSoMaleg"),
                                 {SParam{QStringLiteral("NUMERAL"), TFieldType::ftString, numeral}}, area2Sql());
    }
    SDataPacket Reread(IAppServer &server, const SDataPacket &p)
    {
        const QString numeral = p.Rows.first().at(col(p, "NUM_ERAL")).toString();
        return server.GetRecords(QStringLiteral("DtsPSoMaleg"),
                                 {SParam{QStringLiteral("NUMERAL"), TFieldType::ftString, numeral}}, area2Sql());
    }

private slots:
    void initTestCase() { m_fx.Init(QStringLiteral("apply")); }
    void cleanupTestCase() { m_fx.Cleanup(); }

    void modifyAndReadBack_data() { TAppServerFixture::AddRows(); }
    void modifyAndReadBack()
    {
        QFETCH(QString, backend);
        QFETCH(QString, transport);
        ZE_OPEN(server, m_fx, backend, transport);
        const SDataPacket p = FreshRecord(*server);
        QCOMPARE(p.Rows.size(), 1);
        const QDateTime stamp(QDate(2026, 3, 4), QTime(10, 11, 12, 345));
        SDelta delta{
            p.Fields,
            {modify(p.Rows.first(), {{col(p, "IND_CUMP"), QStringLiteral("N")},
                                     {col(p, "ACT_HORA"), stamp},
                                     {col(p, "ACT_ESTA"), QStringLiteral("M")},
                                     {col(p, "TEX_EVID"), QStringLiteral("Acta 12, \"firmada\"\nsegunda línea")},
                                     {col(p, "COD_RESP"), 79456123.0},
                                     {col(p, "NOM_AREA"), QStringLiteral("no se escribe")},
                                     {col(p, "DES_ESTA_1"), QStringLiteral("tampoco")}})}};
        const SApplyResult r = server->ApplyUpdates(QStringLiteral("DtsPSoMaleg"), delta, 0);
        QCOMPARE(r.ErrorCount, 0);
        QVERIFY(r.Committed);
        const SDataPacket back = Reread(*server, p);
        const QVariantList &row = back.Rows.first();
        QCOMPARE(row.at(col(back, "IND_CUMP")).toString(), QStringLiteral("N"));
        QCOMPARE(row.at(col(back, "ACT_HORA")).toDateTime(), stamp);
        QCOMPARE(row.at(col(back, "TEX_EVID")).toString(), QStringLiteral("Acta 12, \"firmada\"\nsegunda línea"));
        QCOMPARE(row.at(col(back, "COD_RESP")).toDouble(), 79456123.0);
        QCOMPARE(row.at(col(back, "NOM_AREA")).toString(), QStringLiteral("Oficinas"));
        QCOMPARE(row.at(col(back, "DES_ESTA_1")), p.Rows.first().at(col(p, "DES_ESTA_1")));
    }

    // Two clients read the same record; the second one's change of the same column is refused.
    void conflictingApply_data() { TAppServerFixture::AddRows(); }
    void conflictingApply()
    {
        QFETCH(QString, backend);
        QFETCH(QString, transport);
        ZE_OPEN(first, m_fx, backend, transport);
        ZE_OPEN(second, m_fx, backend, transport);
        const SDataPacket p = FreshRecord(*first);
        const SDataPacket q = Reread(*second, p);
        QCOMPARE(q.Rows, p.Rows);
        const int ind = col(p, "IND_CUMP");
        QCOMPARE(first
                     ->ApplyUpdates(QStringLiteral("DtsPSoMaleg"),
                                    SDelta{p.Fields, {modify(p.Rows.first(), {{ind, QStringLiteral("C")}})}}, 0)
                     .ErrorCount,
                 0);

        const SApplyResult r = second->ApplyUpdates(
            QStringLiteral("DtsPSoMaleg"),
            SDelta{q.Fields,
                   {modify(q.Rows.first(), {{ind, QStringLiteral("X")},
                                            {col(q, "OBJ_ASGS"), QStringLiteral("objetivo del segundo")}})}},
            -1);
        QCOMPARE(r.ErrorCount, 1);
        QVERIFY(r.Committed);
        QCOMPARE(r.Errors.first().RowIndex, 0);
        QCOMPARE(r.Errors.first().Message, TChangeApplier::ConflictMessage());
        QCOMPARE(r.Errors.first().CurValues.size(), p.Fields.size());
        QCOMPARE(r.Errors.first().CurValues.at(ind).toString(), QStringLiteral("C"));
        const SDataPacket now = Reread(*first, p);
        QCOMPARE(now.Rows.first().at(ind).toString(), QStringLiteral("C"));
        QVERIFY(now.Rows.first().at(col(now, "OBJ_ASGS")).isNull());

        // A change of another column by the second client does not conflict (where-changed).
        const SApplyResult other = second->ApplyUpdates(
            QStringLiteral("DtsPSoMaleg"),
            SDelta{q.Fields, {modify(q.Rows.first(), {{col(q, "MET_ASGS"), QStringLiteral("meta")}})}}, 0);
        QCOMPARE(other.ErrorCount, 0);
        QCOMPARE(Reread(*first, p).Rows.first().at(col(p, "MET_ASGS")).toString(), QStringLiteral("meta"));
    }

    // More errors than allowed: nothing of the log is written.
    void maxErrorsRollsBack_data() { TAppServerFixture::AddRows(); }
    void maxErrorsRollsBack()
    {
        QFETCH(QString, backend);
        QFETCH(QString, transport);
        ZE_OPEN(server, m_fx, backend, transport);
        const SDataPacket good = FreshRecord(*server);
        const SDataPacket stale = FreshRecord(*server);
        const int ind = col(good, "IND_CUMP");
        QVariantList staleRow = stale.Rows.first();
        staleRow[ind] = QStringLiteral("P"); // the server holds null
        const SDelta delta{
            good.Fields,
            {modify(good.Rows.first(), {{ind, QStringLiteral("C")}}), modify(staleRow, {{ind, QStringLiteral("N")}})}};
        const SApplyResult r = server->ApplyUpdates(QStringLiteral("DtsPSoMaleg"), delta, 0);
        QCOMPARE(r.ErrorCount, 1);
        QVERIFY(!r.Committed);
        QCOMPARE(r.Errors.first().RowIndex, 1);
        QVERIFY(Reread(*server, good).Rows.first().at(ind).isNull());
    }

    // Plan activities: insert with a key from GenerarRMT, modify, delete.
    void planActivityLifecycle_data() { TAppServerFixture::AddRows(); }
    void planActivityLifecycle()
    {
        QFETCH(QString, backend);
        QFETCH(QString, transport);
        ZE_OPEN(server, m_fx, backend, transport);
        const QDateTime proc(QDate(2026, 2, 2), QTime(0, 0));
        const QList<SParam> params{{QStringLiteral("PCODEMPR"), TFieldType::ftSmallint, 2},
                                   {QStringLiteral("PFECPROC"), TFieldType::ftDateTime, proc},
                                   {QStringLiteral("PRMTPAMA"), TFieldType::ftInteger, 3},
                                   {QStringLiteral("PRMTDEPA"), TFieldType::ftInteger, 1},
                                   {QStringLiteral("PRMTESTA"), TFieldType::ftInteger, 1},
                                   {QStringLiteral("PRMTITES"), TFieldType::ftInteger, 2}};
        const SDataPacket before = server->GetRecords(QStringLiteral("DtsPSoPlass"), params, {});
        QVariantList args{QVariant(QVariantList{2, QStringLiteral("SO_PLASS"), QStringLiteral("RMT_PLAS")})};
        const int key = server->Call(QStringLiteral("GenerarRMT"), args).toInt();
        QVERIFY(key > 0);
        const QHash<QString, QVariant> values = {{QStringLiteral("ACT_USUA"), QStringLiteral("PRUEBA")},
                                                 {QStringLiteral("ACT_HORA"), QDateTime::currentDateTime()},
                                                 {QStringLiteral("ACT_ESTA"), QStringLiteral("A")},
                                                 {QStringLiteral("COD_EMPR"), 2},
                                                 {QStringLiteral("FEC_PROC"), proc},
                                                 {QStringLiteral("RMT_PAMA"), 3},
                                                 {QStringLiteral("RMT_DEPA"), 1},
                                                 {QStringLiteral("RMT_ESTA"), 1},
                                                 {QStringLiteral("COD_AREA"), 1},
                                                 {QStringLiteral("RMT_ITES"), 2},
                                                 {QStringLiteral("RMT_PLAS"), key},
                                                 {QStringLiteral("OPC_CICL"), QStringLiteral("V")},
                                                 {QStringLiteral("REC_URSO"), QStringLiteral("S")},
                                                 {QStringLiteral("ACT_ASGS"), QStringLiteral("Auditoría interna")}};
        QVariantList row;
        for (const SFieldDef &f : before.Fields) // the months' marks all "N"
            row << values.value(f.Name,
                                f.Name.endsWith(QStringLiteral("_PLAN")) || f.Name.endsWith(QStringLiteral("_EJEC"))
                                    ? QVariant(QStringLiteral("N"))
                                    : QVariant());
        SDeltaRow ins;
        ins.Kind = TUpdateKind::ukInsert;
        ins.NewValues = row;
        QCOMPARE(server->ApplyUpdates(QStringLiteral("DtsPSoPlass"), SDelta{before.Fields, {ins}}, 0).ErrorCount, 0);
        SDataPacket after = server->GetRecords(QStringLiteral("DtsPSoPlass"), params, {});
        QCOMPARE(after.Rows.size(), before.Rows.size() + 1);
        const QVariantList stored = after.Rows.last();
        QCOMPARE(stored.at(col(after, "RMT_PLAS")).toInt(), key);
        QCOMPARE(server->GetRecords(QStringLiteral("DtsPSoVerificar"), params, {}).Rows.size(), 1);

        QCOMPARE(server
                     ->ApplyUpdates(
                         QStringLiteral("DtsPSoPlass"),
                         SDelta{after.Fields, {modify(stored, {{col(after, "MAR_PLAN"), QStringLiteral("S")}})}}, 0)
                     .ErrorCount,
                 0);
        after = server->GetRecords(QStringLiteral("DtsPSoPlass"), params, {});
        QCOMPARE(after.Rows.last().at(col(after, "MAR_PLAN")).toString(), QStringLiteral("S"));

        // Inserting the same key again is refused for that row only.
        QCOMPARE(server->ApplyUpdates(QStringLiteral("DtsPSoPlass"), SDelta{before.Fields, {ins}}, -1).ErrorCount, 1);

        SDeltaRow del;
        del.Kind = TUpdateKind::ukDelete;
        del.OldValues = after.Rows.last();
        QCOMPARE(server->ApplyUpdates(QStringLiteral("DtsPSoPlass"), SDelta{after.Fields, {del}}, 0).ErrorCount, 0);
        QCOMPARE(server->GetRecords(QStringLiteral("DtsPSoPlass"), params, {}).Rows.size(), before.Rows.size());
        // Deleting it again finds nothing.
        QCOMPARE(server->ApplyUpdates(QStringLiteral("DtsPSoPlass"), SDelta{after.Fields, {del}}, -1).ErrorCount, 1);
    }

    void refusedApplies_data() { TAppServerFixture::AddRows(); }
    void refusedApplies()
    {
        QFETCH(QString, backend);
        QFETCH(QString, transport);
        ZE_OPEN(server, m_fx, backend, transport, QStringLiteral("solo2"), QStringLiteral("clave2"));
        ZE_OPEN(demo, m_fx, backend, transport);
        const SDataPacket p = FreshRecord(*demo); // company 1
        const SDelta delta{p.Fields, {modify(p.Rows.first(), {{col(p, "IND_CUMP"), QStringLiteral("C")}})}};
        // Company 1's record does not exist for a user of company 2: refused, and its values not shown.
        const SApplyResult refused = server->ApplyUpdates(QStringLiteral("DtsPSoMaleg"), delta, 0);
        QCOMPARE(refused.ErrorCount, 1);
        QVERIFY(!refused.Committed);
        QVERIFY(refused.Errors.first().CurValues.isEmpty());
        QVERIFY(Reread(*demo, p).Rows.first().at(col(p, "IND_CUMP")).isNull());
        QVERIFY_THROWS_EXCEPTION(Exception, demo->ApplyUpdates(QStringLiteral("DtsPGnTerce"), delta, 0));

        // A text one character over its column (OBJ_ASGS keeps 255) is refused whole, not cut; at
        // the size it is stored as sent.
        const int obj = col(p, "OBJ_ASGS");
        const QVariant before = Reread(*demo, p).Rows.first().at(obj);
        const SApplyResult tooLong = demo->ApplyUpdates(
            QStringLiteral("DtsPSoMaleg"), SDelta{p.Fields, {modify(p.Rows.first(), {{obj, QString(256, u'ñ')}})}}, 0);
        QCOMPARE(tooLong.ErrorCount, 1);
        QCOMPARE(tooLong.Errors.first().Message,
                 QStringLiteral("El campo OBJ_ASGS admite 255 caracteres y se enviaron 256: acorte el texto."));
        QCOMPARE(Reread(*demo, p).Rows.first().at(obj), before);
        QCOMPARE(demo->ApplyUpdates(QStringLiteral("DtsPSoMaleg"),
                                    SDelta{p.Fields, {modify(p.Rows.first(), {{obj, QString(255, u'ñ')}})}}, 0)
                     .ErrorCount,
                 0);
        QCOMPARE(Reread(*demo, p).Rows.first().at(obj).toString(), QString(255, u'ñ'));
    }
};

QTEST_GUILESS_MAIN(TstApply)
#include "tst_apply.moc"
