// What a save of the evaluation records does afterwards: the dependent rows are read again, a changed
// responsible may be given to the whole cycle, a record that has just become "N" gets one follow-up
// row, and what the user is still typing is not lost.

#include "PlanFollowUpWorld.h"
#include "SysUtils.h"

#include <QMessageBox>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class tst_DtmSoMalegSaving : public QObject
{
    Q_OBJECT
    std::unique_ptr<PlanFollowUpWorld> w;
    QStringList asked;

    // Edits item 1 the way the user does: the values before the edit are what the record's rules keep.
    void editRecord(const QVariant &responsible, const QString &fromCode, const QString &toCode)
    {
        TDtmSoMaleg &dm = *w->dm;
        if (fromCode != u"C"_s) {
            FakeAppServer::Table &t = w->table(u"DtsPSoMaleg"_s);
            t.Rows[0][PlanFollowUpWorld::col(t, u"IND_CUMP"_s)] = fromCode;
            dm.QrySoMaleg->Close();
            w->openItem();
        }
        dm.QrySoMaleg->Edit();
        dm.RespAntesEdicion = 11.0;
        dm.CumpAntesEdicion = fromCode;
        dm.QrySoMalegTEX_EVID->SetAsString(u"Acta 12"_s);
        dm.QrySoMalegCOD_RESP->SetValue(responsible);
        dm.QrySoMalegIND_CUMP->SetAsString(toCode);
    }
    QString save()
    {
        try {
            w->dm->QrySoMaleg->ApplyUpdates(0);
        } catch (const Exception &e) {
            return e.Message();
        }
        return QString();
    }

private slots:
    void init()
    {
        w = std::make_unique<PlanFollowUpWorld>();
        w->openItem();
        asked.clear();
    }
    void cleanup() { w.reset(); }

    void afterSave_data()
    {
        QTest::addColumn<QVariant>("responsible");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("sqlFails");
        QTest::addColumn<QString>("fromCode");
        QTest::addColumn<QString>("toCode");
        QTest::addColumn<bool>("question");
        QTest::addColumn<QVariant>("cycleResponsible"); // item 2, same cycle, after the save
        QTest::addColumn<int>("followUps");
        QTest::addColumn<QString>("error");
        const QVariant same(11.0), other(55.0);
        QTest::newRow("unchanged responsible: no question") << same << 0 << false << u"C"_s << u"C"_s << false << same << 0 << QString();
        QTest::newRow("Yes gives it to the cycle") << other << int(QMessageBox::Yes) << false << u"C"_s << u"C"_s << true << other << 0 << QString();
        QTest::newRow("cleared, Yes writes 0") << QVariant() << int(QMessageBox::Yes) << false << u"C"_s << u"C"_s << true << QVariant(0.0) << 0 << QString();
        QTest::newRow("No leaves the cycle, still C->N row") << other << int(QMessageBox::No) << false << u"C"_s << u"N"_s << true << same << 1 << QString();
        QTest::newRow("failed update: error, no row") << other << int(QMessageBox::Yes) << true << u"C"_s << u"N"_s << true << same << 0 << u"Error editando el Responsable."_s;
        QTest::newRow("C->N makes one row") << same << 0 << false << u"C"_s << u"N"_s << false << same << 1 << QString();
        QTest::newRow("N->C makes none") << same << 0 << false << u"N"_s << u"C"_s << false << same << 0 << QString();
        QTest::newRow("N stays N: none") << same << 0 << false << u"N"_s << u"N"_s << false << same << 0 << QString();
    }
    void afterSave()
    {
        QFETCH(QVariant, responsible);
        QFETCH(int, answer);
        QFETCH(bool, sqlFails);
        QFETCH(QString, fromCode);
        QFETCH(QString, toCode);
        QFETCH(bool, question);
        QFETCH(QVariant, cycleResponsible);
        QFETCH(int, followUps);
        QFETCH(QString, error);
        TDtmSoMaleg &dm = *w->dm;
        w->sqlFails = sqlFails;
        TDtmSoMaleg::MessageBoxHook = [&](const QString &text, const QString &caption, int buttons, int icon) {
            asked << text << caption;
            [&] {
                QCOMPARE(buttons, int(QMessageBox::Yes | QMessageBox::No));
                QCOMPARE(icon, int(QMessageBox::NoIcon));
            }();
            return answer;
        };
        editRecord(responsible, fromCode, toCode);
        QCOMPARE(save(), error);

        const QStringList expectedQuestion{u"¿Desea que este Responsable aplique para todos los registros del ciclo?"_s,
                                           u"Confirmación"_s};
        QCOMPARE(asked, question ? expectedQuestion : QStringList());
        if (question && answer == QMessageBox::Yes) {
            QCOMPARE(w->sqlCalls.size(), 1);
            const QVariantList &a = w->sqlCalls.first();
            QCOMPARE(a.value(0).toString(), u"UPDATE SO_MALEG SET COD_RESP = :P_COD_RESP WHERE COD_EMPR = :P_COD_EMPR   AND FEC_PROC = :P_FEC_PROC   AND RMT_PAMA = :P_RMT_PAMA"_s);
            QCOMPARE(a.value(1).typeId(), QMetaType::Double);
            QCOMPARE(a.value(1).toDouble(), responsible.toDouble());
            QCOMPARE(a.value(2).typeId(), QMetaType::Int);
            QCOMPARE(a.value(2).toInt(), 1);
            QCOMPARE(a.value(3).toDateTime(), w->procDate);
            QCOMPARE(a.value(4).toInt(), 10);
        } else {
            QVERIFY(w->sqlCalls.isEmpty());
        }
        QCOMPARE(w->value(u"DtsPSoMaleg"_s, 1, u"COD_RESP"_s), cycleResponsible);
        // The record of the other cycle is never touched.
        QCOMPARE(w->value(u"DtsPSoMaleg"_s, 2, u"COD_RESP"_s).toDouble(), 11.0);
        if (error.isEmpty() && question && answer == QMessageBox::Yes) {
            // Reloaded, back on the same record, which shows the new responsible.
            QCOMPARE(dm.QrySoMalegRMT_ITES->AsInteger(), 1);
            QCOMPARE(dm.QrySoMalegCOD_RESP->AsFloat(), responsible.toDouble());
            QCOMPARE(dm.QrySoMaleg->ChangeCount(), 0);
        }

        const FakeAppServer::Table &semon = w->table(u"DtsPSoSemon"_s);
        QCOMPARE(semon.Rows.size(), followUps);
        if (followUps == 1) {
            QCOMPARE(w->value(u"DtsPSoSemon"_s, 0, u"COD_RESP"_s).toDouble(), 0.0);
            QCOMPARE(w->value(u"DtsPSoSemon"_s, 0, u"FEC_SEGU"_s).toDateTime(), QDateTime(QDate::currentDate(), QTime(0, 0)));
            QCOMPARE(w->value(u"DtsPSoSemon"_s, 0, u"COD_AREA"_s).toInt(), 4);
            QCOMPARE(w->value(u"DtsPSoSemon"_s, 0, u"NUM_ERAL"_s).toString(), u"1.1.1"_s);
            QCOMPARE(w->value(u"DtsPSoSemon"_s, 0, u"PLA_ACCI"_s).toString(), u"Capacitar brigadistas"_s);
            QCOMPARE(w->value(u"DtsPSoSemon"_s, 0, u"RMT_SEMO"_s).toInt(), 1);
            QVERIFY(!w->value(u"DtsPSoSemon"_s, 0, u"FEC_CUMP"_s).isValid());
            QCOMPARE(dm.QrySoSemon->RecordCount(), 1);
        }
    }

    void automaticFlagLastsOnlyForItsRow()
    {
        TDtmSoMaleg &dm = *w->dm;
        editRecord(11.0, u"C"_s, u"N"_s);
        QCOMPARE(save(), QString());
        QCOMPARE(w->table(u"DtsPSoSemon"_s).Rows.size(), 1);
        QVERIFY(!dm.SeguimientoAutomatico);
        // A row the user enters afterwards still needs its completion date.
        dm.QrySoSemon->Insert();
        dm.QrySoSemonCOD_RESP->SetAsFloat(55);
        dm.QrySoSemonFEC_SEGU->SetAsDateTime(w->procDate);
        QString message;
        try {
            dm.QrySoSemon->Post();
        } catch (const Exception &e) {
            message = e.Message();
        }
        QCOMPARE(message, u"Debe Ingresar Fecha Cumplimiento "_s);
    }

    void dependentRowsAreReadAgain()
    {
        TDtmSoMaleg &dm = *w->dm;
        // Rows another user added meanwhile appear after the save.
        const QString plass = u"DtsPSoPlass"_s;
        w->table(plass).Rows << w->rowOf(plass, {{u"COD_EMPR"_s, 1}, {u"RMT_PLAS"_s, 9}, {u"RMT_ITES"_s, 1},
                                                  {u"OPC_CICL"_s, u"V"_s}, {u"REC_URSO"_s, u"A"_s}});
        QCOMPARE(dm.QrySoPlass->RecordCount(), 0);
        editRecord(11.0, u"C"_s, u"C"_s);
        QCOMPARE(save(), QString());
        QCOMPARE(dm.QrySoPlass->RecordCount(), 1);
        QCOMPARE(dm.QrySoPlassRMT_PLAS->AsInteger(), 9);
        QCOMPARE(dm.QrySoSemon->ParamByName(u"PRMTITES"_s).AsInteger(), 1);
        QCOMPARE(dm.QrySoSemon->ParamByName(u"PCODEMPR"_s).AsInteger(), 1);
    }

    void followUpBeingTypedSurvivesTheSave()
    {
        TDtmSoMaleg &dm = *w->dm;
        dm.QrySoSemon->Insert();
        dm.QrySoSemonSEG_MIEN->SetAsString(u"Revisar botiquines"_s);
        editRecord(11.0, u"C"_s, u"C"_s);
        // Editing the record does not touch the follow-up row being typed.
        QCOMPARE(dm.QrySoSemon->State(), dsInsert);
        QCOMPARE(save(), QString());
        QCOMPARE(dm.QrySoSemon->State(), dsInsert);
        QCOMPARE(dm.QrySoSemonSEG_MIEN->AsString(), u"Revisar botiquines"_s);
    }
};

QTEST_MAIN(tst_DtmSoMalegSaving)
#include "tst_DtmSoMalegSaving.moc"
