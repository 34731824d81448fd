// Change logs applied through the providers: located by key, refused when another client changed
// the same columns first (nothing of the row written), joined columns never written, the whole log
// rolled back past maxErrors.
#include "TAppServerFixture.h"
#include "TChangeApplier.h"
#include "TProviderCatalog.h"

#include <QDateTime>

using namespace Qt::Literals::StringLiterals;

namespace {

QString area2Sql()
{
    return TProviderCatalog::EvaluationSql() +
           u"  AND MA.COD_EMPR = 1 AND MA.COD_AREA = 2 AND DI.NUM_ERAL = :NUMERAL\r\n"_s;
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
        return server.GetRecords(u"DtsPSoMaleg"_s, {SParam{u"NUMERAL"_s, TFieldType::ftString, numeral}}, area2Sql());
    }
    SDataPacket Reread(IAppServer &server, const SDataPacket &p)
    {
        const QString numeral = p.Rows.first().at(col(p, "NUM_ERAL")).toString();
        return server.GetRecords(u"DtsPSoMaleg"_s, {SParam{u"NUMERAL"_s, TFieldType::ftString, numeral}}, area2Sql());
    }

private slots:
    void initTestCase() { m_fx.Init(u"apply"_s); }
    void cleanupTestCase() { m_fx.Cleanup(); }

    void modifyAndReadBack_data() { TAppServerFixture::AddRows(); }
    void modifyAndReadBack()
    {
        ZE_OPEN_ROW(server, m_fx);
        const SDataPacket p = FreshRecord(*server);
        QCOMPARE(p.Rows.size(), 1);
        const QDateTime stamp(QDate(2026, 3, 4), QTime(10, 11, 12, 345));
        SDelta delta{p.Fields,
                     {modify(p.Rows.first(), {{col(p, "IND_CUMP"), u"N"_s},
                                              {col(p, "ACT_HORA"), stamp},
                                              {col(p, "ACT_ESTA"), u"M"_s},
                                              {col(p, "TEX_EVID"), u"Acta 12, \"firmada\"\nsegunda línea"_s},
                                              {col(p, "COD_RESP"), 79456123.0},
                                              {col(p, "NOM_AREA"), u"no se escribe"_s},
                                              {col(p, "DES_ESTA_1"), u"tampoco"_s}})}};
        const SApplyResult r = server->ApplyUpdates(u"DtsPSoMaleg"_s, delta, 0);
        QCOMPARE(r.ErrorCount, 0);
        QVERIFY(r.Committed);
        const SDataPacket back = Reread(*server, p);
        const QVariantList &row = back.Rows.first();
        QCOMPARE(row.at(col(back, "IND_CUMP")).toString(), u"N"_s);
        QCOMPARE(row.at(col(back, "ACT_HORA")).toDateTime(), stamp);
        QCOMPARE(row.at(col(back, "TEX_EVID")).toString(), u"Acta 12, \"firmada\"\nsegunda línea"_s);
        QCOMPARE(row.at(col(back, "COD_RESP")).toDouble(), 79456123.0);
        QCOMPARE(row.at(col(back, "NOM_AREA")).toString(), u"Oficinas"_s);
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
        QCOMPARE(first->ApplyUpdates(u"DtsPSoMaleg"_s, SDelta{p.Fields, {modify(p.Rows.first(), {{ind, u"C"_s}})}}, 0)
                     .ErrorCount,
                 0);

        const SApplyResult r = second->ApplyUpdates(
            u"DtsPSoMaleg"_s,
            SDelta{q.Fields,
                   {modify(q.Rows.first(), {{ind, u"X"_s}, {col(q, "OBJ_ASGS"), u"objetivo del segundo"_s}})}},
            -1);
        QCOMPARE(r.ErrorCount, 1);
        QVERIFY(r.Committed);
        QCOMPARE(r.Errors.first().RowIndex, 0);
        QCOMPARE(r.Errors.first().Message, TChangeApplier::ConflictMessage());
        QCOMPARE(r.Errors.first().CurValues.size(), p.Fields.size());
        QCOMPARE(r.Errors.first().CurValues.at(ind).toString(), u"C"_s);
        const SDataPacket now = Reread(*first, p);
        QCOMPARE(now.Rows.first().at(ind).toString(), u"C"_s);
        QVERIFY(now.Rows.first().at(col(now, "OBJ_ASGS")).isNull());

        // A change of another column by the second client does not conflict (where-changed).
        const SApplyResult other = second->ApplyUpdates(
            u"DtsPSoMaleg"_s, SDelta{q.Fields, {modify(q.Rows.first(), {{col(q, "MET_ASGS"), u"meta"_s}})}}, 0);
        QCOMPARE(other.ErrorCount, 0);
        QCOMPARE(Reread(*first, p).Rows.first().at(col(p, "MET_ASGS")).toString(), u"meta"_s);
    }

    // More errors than allowed: nothing of the log is written.
    void maxErrorsRollsBack_data() { TAppServerFixture::AddRows(); }
    void maxErrorsRollsBack()
    {
        ZE_OPEN_ROW(server, m_fx);
        const SDataPacket good = FreshRecord(*server);
        const SDataPacket stale = FreshRecord(*server);
        const int ind = col(good, "IND_CUMP");
        QVariantList staleRow = stale.Rows.first();
        staleRow[ind] = u"P"_s; // the server holds null
        const SDelta delta{good.Fields,
                           {modify(good.Rows.first(), {{ind, u"C"_s}}), modify(staleRow, {{ind, u"N"_s}})}};
        const SApplyResult r = server->ApplyUpdates(u"DtsPSoMaleg"_s, delta, 0);
        QCOMPARE(r.ErrorCount, 1);
        QVERIFY(!r.Committed);
        QCOMPARE(r.Errors.first().RowIndex, 1);
        QVERIFY(Reread(*server, good).Rows.first().at(ind).isNull());
    }

    // Plan activities: insert with a key from GenerarRMT, modify, delete.
    void planActivityLifecycle_data() { TAppServerFixture::AddRows(); }
    void planActivityLifecycle()
    {
        ZE_OPEN_ROW(server, m_fx);
        const QDateTime proc(QDate(2026, 2, 2), QTime(0, 0));
        const QList<SParam> params{
            {u"PCODEMPR"_s, TFieldType::ftSmallint, 2}, {u"PFECPROC"_s, TFieldType::ftDateTime, proc},
            {u"PRMTPAMA"_s, TFieldType::ftInteger, 3},  {u"PRMTDEPA"_s, TFieldType::ftInteger, 1},
            {u"PRMTESTA"_s, TFieldType::ftInteger, 1},  {u"PRMTITES"_s, TFieldType::ftInteger, 2}};
        const SDataPacket before = server->GetRecords(u"DtsPSoPlass"_s, params, {});
        QVariantList args{QVariant(QVariantList{2, u"SO_PLASS"_s, u"RMT_PLAS"_s})};
        const int key = server->Call(u"GenerarRMT"_s, args).toInt();
        QVERIFY(key > 0);
        const QHash<QString, QVariant> values = {
            {u"ACT_USUA"_s, u"PRUEBA"_s}, {u"ACT_HORA"_s, QDateTime::currentDateTime()},
            {u"ACT_ESTA"_s, u"A"_s},      {u"COD_EMPR"_s, 2},
            {u"FEC_PROC"_s, proc},        {u"RMT_PAMA"_s, 3},
            {u"RMT_DEPA"_s, 1},           {u"RMT_ESTA"_s, 1},
            {u"COD_AREA"_s, 1},           {u"RMT_ITES"_s, 2},
            {u"RMT_PLAS"_s, key},         {u"OPC_CICL"_s, u"V"_s},
            {u"REC_URSO"_s, u"S"_s},      {u"ACT_ASGS"_s, u"Auditoría interna"_s}};
        QVariantList row;
        for (const SFieldDef &f : before.Fields) // the months' marks all "N"
            row << values.value(f.Name, f.Name.endsWith(u"_PLAN"_s) || f.Name.endsWith(u"_EJEC"_s) ? QVariant(u"N"_s)
                                                                                                   : QVariant());
        SDeltaRow ins;
        ins.Kind = TUpdateKind::ukInsert;
        ins.NewValues = row;
        QCOMPARE(server->ApplyUpdates(u"DtsPSoPlass"_s, SDelta{before.Fields, {ins}}, 0).ErrorCount, 0);
        SDataPacket after = server->GetRecords(u"DtsPSoPlass"_s, params, {});
        QCOMPARE(after.Rows.size(), before.Rows.size() + 1);
        const QVariantList stored = after.Rows.last();
        QCOMPARE(stored.at(col(after, "RMT_PLAS")).toInt(), key);
        QCOMPARE(server->GetRecords(u"DtsPSoVerificar"_s, params, {}).Rows.size(), 1);

        QCOMPARE(server
                     ->ApplyUpdates(u"DtsPSoPlass"_s,
                                    SDelta{after.Fields, {modify(stored, {{col(after, "MAR_PLAN"), u"S"_s}})}}, 0)
                     .ErrorCount,
                 0);
        after = server->GetRecords(u"DtsPSoPlass"_s, params, {});
        QCOMPARE(after.Rows.last().at(col(after, "MAR_PLAN")).toString(), u"S"_s);

        // Inserting the same key again is refused for that row only.
        QCOMPARE(server->ApplyUpdates(u"DtsPSoPlass"_s, SDelta{before.Fields, {ins}}, -1).ErrorCount, 1);

        SDeltaRow del;
        del.Kind = TUpdateKind::ukDelete;
        del.OldValues = after.Rows.last();
        QCOMPARE(server->ApplyUpdates(u"DtsPSoPlass"_s, SDelta{after.Fields, {del}}, 0).ErrorCount, 0);
        QCOMPARE(server->GetRecords(u"DtsPSoPlass"_s, params, {}).Rows.size(), before.Rows.size());
        // Deleting it again finds nothing.
        QCOMPARE(server->ApplyUpdates(u"DtsPSoPlass"_s, SDelta{after.Fields, {del}}, -1).ErrorCount, 1);
    }

    void refusedApplies_data() { TAppServerFixture::AddRows(); }
    void refusedApplies()
    {
        QFETCH(QString, backend);
        QFETCH(QString, transport);
        ZE_OPEN(server, m_fx, backend, transport, u"solo2"_s, u"clave2"_s);
        ZE_OPEN(demo, m_fx, backend, transport);
        const SDataPacket p = FreshRecord(*demo); // company 1
        const SDelta delta{p.Fields, {modify(p.Rows.first(), {{col(p, "IND_CUMP"), u"C"_s}})}};
        // Company 1's record does not exist for a user of company 2: refused, and its values not shown.
        const SApplyResult refused = server->ApplyUpdates(u"DtsPSoMaleg"_s, delta, 0);
        QCOMPARE(refused.ErrorCount, 1);
        QVERIFY(!refused.Committed);
        QVERIFY(refused.Errors.first().CurValues.isEmpty());
        QVERIFY(Reread(*demo, p).Rows.first().at(col(p, "IND_CUMP")).isNull());
        QVERIFY_THROWS_EXCEPTION(Exception, demo->ApplyUpdates(u"DtsPGnTerce"_s, delta, 0));

        // A text one character over its column (OBJ_ASGS keeps 255) is refused whole, not cut; at
        // the size it is stored as sent.
        const int obj = col(p, "OBJ_ASGS");
        const QVariant before = Reread(*demo, p).Rows.first().at(obj);
        const SApplyResult tooLong = demo->ApplyUpdates(
            u"DtsPSoMaleg"_s, SDelta{p.Fields, {modify(p.Rows.first(), {{obj, QString(256, u'ñ')}})}}, 0);
        QCOMPARE(tooLong.ErrorCount, 1);
        QCOMPARE(tooLong.Errors.first().Message,
                 u"El campo OBJ_ASGS admite 255 caracteres y se enviaron 256: acorte el texto."_s);
        QCOMPARE(Reread(*demo, p).Rows.first().at(obj), before);
        QCOMPARE(demo->ApplyUpdates(u"DtsPSoMaleg"_s,
                                    SDelta{p.Fields, {modify(p.Rows.first(), {{obj, QString(255, u'ñ')}})}}, 0)
                     .ErrorCount,
                 0);
        QCOMPARE(Reread(*demo, p).Rows.first().at(obj).toString(), QString(255, u'ñ'));
    }
};

QTEST_GUILESS_MAIN(TstApply)
#include "tst_apply.moc"
