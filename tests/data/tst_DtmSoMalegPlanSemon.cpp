// The annual plan activities and follow-up rows as the user adds, edits and deletes them: defaults,
// audit stamps, the checks before a post, the keys the server issues, the coded and memo texts, the
// delete confirmation, and every posted change reaching the server.

#include "PlanFollowUpWorld.h"
#include "SysUtils.h"
#include "dataset/TDateTimeField.h"
#include "dataset/TFloatField.h"
#include "dataset/TMemoField.h"

#include <QMessageBox>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class tst_DtmSoMalegPlanSemon : public QObject
{
    Q_OBJECT
    std::unique_ptr<PlanFollowUpWorld> w;

    QString postError(TDataSet *ds)
    {
        try {
            ds->Post();
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
    }
    void cleanup() { w.reset(); }

    void newActivityDefaults()
    {
        TDtmSoMaleg &dm = *w->dm;
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        dm.QrySoPlass->Insert();
        QCOMPARE(dm.QrySoPlassCOD_EMPR->AsInteger(), 1);
        QCOMPARE(dm.QrySoPlassACT_ESTA->AsString(), u"A"_s);
        QCOMPARE(dm.QrySoPlassACT_USUA->AsString(), u"ana"_s);
        QVERIFY(dm.QrySoPlassACT_HORA->AsDateTime() >= before);
        QCOMPARE(dm.QrySoPlassFEC_PROC->AsDateTime(), w->procDate);
        QCOMPARE(dm.QrySoPlassRMT_PAMA->AsInteger(), 10);
        QCOMPARE(dm.QrySoPlassRMT_ITES->AsInteger(), 1);
        QCOMPARE(dm.QrySoPlassCOD_AREA->AsInteger(), 4);
        int flags = 0;
        for (TField *f : dm.QrySoPlass->Fields())
            if (f->FieldName().endsWith(u"_PLAN"_s) || f->FieldName().endsWith(u"_EJEC"_s)) {
                QCOMPARE(f->AsString(), u"N"_s);
                ++flags;
            }
        QCOMPARE(flags, 24);
        for (TField *f : {static_cast<TField *>(dm.QrySoPlassRMT_PLAS), static_cast<TField *>(dm.QrySoPlassOPC_CICL),
                          static_cast<TField *>(dm.QrySoPlassREC_URSO)})
            QVERIFY(f->IsNull());
        QCOMPARE(w->issued.value(u"SO_PLASS"_s), 0);
    }

    void activityRefusals_data()
    {
        QTest::addColumn<QString>("cycle");
        QTest::addColumn<QString>("resources");
        QTest::addColumn<QString>("message");
        QTest::newRow("both missing: the cycle first") << QString() << QString() << u" Por favor seleccione un ciclo...  "_s;
        QTest::newRow("resources missing") << u"H"_s << QString() << u"Por favor seleccione un recurso..."_s;
        QTest::newRow("cycle missing") << QString() << u"F"_s << u" Por favor seleccione un ciclo...  "_s;
    }
    void activityRefusals()
    {
        QFETCH(QString, cycle);
        QFETCH(QString, resources);
        QFETCH(QString, message);
        TDtmSoMaleg &dm = *w->dm;
        dm.QrySoPlass->Insert();
        dm.QrySoPlassACT_ASGS->SetAsString(u"Simulacro de evacuación"_s);
        if (!cycle.isEmpty())
            dm.QrySoPlassOPC_CICL->SetAsString(cycle);
        if (!resources.isEmpty())
            dm.QrySoPlassREC_URSO->SetAsString(resources);
        QCOMPARE(postError(dm.QrySoPlass), message);
        QCOMPARE(dm.QrySoPlass->State(), dsInsert);
        QCOMPARE(dm.QrySoPlassACT_ASGS->AsString(), u"Simulacro de evacuación"_s);
        QCOMPARE(w->issued.value(u"SO_PLASS"_s), 0);
        QVERIFY(w->table(u"DtsPSoPlass"_s).Rows.isEmpty());
    }

    void activityKeysOnlyAtFirstPost()
    {
        TDtmSoMaleg &dm = *w->dm;
        for (const QString &what : {u"Revisión"_s, u"Capacitación"_s}) {
            dm.QrySoPlass->Append();
            dm.QrySoPlassACT_ASGS->SetAsString(what);
            dm.QrySoPlassOPC_CICL->SetAsString(u"P"_s);
            dm.QrySoPlassREC_URSO->SetAsString(u"A"_s);
            dm.QrySoPlass->Post();
        }
        // Both reached the server with their own numbers.
        const FakeAppServer::Table &t = w->table(u"DtsPSoPlass"_s);
        QCOMPARE(t.Rows.size(), 2);
        QCOMPARE(w->value(u"DtsPSoPlass"_s, 0, u"RMT_PLAS"_s).toInt(), 1);
        QCOMPARE(w->value(u"DtsPSoPlass"_s, 1, u"RMT_PLAS"_s).toInt(), 2);
        QCOMPARE(dm.QrySoPlass->ChangeCount(), 0);

        // An edit keeps its number and is stamped "M".
        dm.QrySoPlass->First();
        dm.QrySoPlass->Edit();
        QCOMPARE(dm.QrySoPlassACT_ESTA->AsString(), u"M"_s);
        dm.QrySoPlassENE_PLAN->SetAsString(u"S"_s);
        dm.QrySoPlass->Post();
        QCOMPARE(w->issued.value(u"SO_PLASS"_s), 2);
        QCOMPARE(w->value(u"DtsPSoPlass"_s, 0, u"RMT_PLAS"_s).toInt(), 1);
        QCOMPARE(w->value(u"DtsPSoPlass"_s, 0, u"ENE_PLAN"_s).toString(), u"S"_s);
        QCOMPARE(w->value(u"DtsPSoPlass"_s, 0, u"ACT_ESTA"_s).toString(), u"M"_s);

        // A new activity cancelled before its post consumes no number.
        dm.QrySoPlass->Insert();
        dm.QrySoPlass->Cancel();
        QCOMPARE(w->issued.value(u"SO_PLASS"_s), 2);
    }

    void followUpKeyIsIssuedAtOnce()
    {
        TDtmSoMaleg &dm = *w->dm;
        dm.QrySoSemon->Insert();
        QCOMPARE(dm.QrySoSemonRMT_SEMO->AsInteger(), 1);
        QCOMPARE(dm.QrySoSemonACT_ESTA->AsString(), u"A"_s);
        QCOMPARE(dm.QrySoSemonACT_USUA->AsString(), u"ana"_s);
        QCOMPARE(dm.QrySoSemonCOD_EMPR->AsInteger(), 1);
        QCOMPARE(dm.QrySoSemonCOD_AREA->AsInteger(), 4);
        QCOMPARE(dm.QrySoSemonRMT_ITES->AsInteger(), 1);
        QCOMPARE(dm.QrySoSemonFEC_PROC->AsDateTime(), w->procDate);
        dm.QrySoSemon->Cancel();
        // The cancelled row still consumed its number.
        dm.QrySoSemon->Insert();
        QCOMPARE(dm.QrySoSemonRMT_SEMO->AsInteger(), 2);
    }

    void completionDateCheck()
    {
        TDtmSoMaleg &dm = *w->dm;
        dm.QrySoSemon->Insert();
        dm.QrySoSemonCOD_RESP->SetAsFloat(55);
        dm.QrySoSemonFEC_SEGU->SetAsDateTime(w->procDate);
        QCOMPARE(postError(dm.QrySoSemon), u"Debe Ingresar Fecha Cumplimiento "_s);
        QCOMPARE(dm.QrySoSemon->State(), dsInsert);
        QVERIFY(w->table(u"DtsPSoSemon"_s).Rows.isEmpty());
        dm.QrySoSemonFEC_CUMP->SetAsDateTime(w->procDate.addDays(30));
        QCOMPARE(postError(dm.QrySoSemon), QString());
        QCOMPARE(w->table(u"DtsPSoSemon"_s).Rows.size(), 1);
        QCOMPARE(w->value(u"DtsPSoSemon"_s, 0, u"RMT_SEMO"_s).toInt(), 1);
    }

    void codedTexts_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("shown");
        QTest::newRow("state entry text") << u"EST_ADOS"_s << u"P"_s << u"Z - Aplazado"_s << u"Z"_s << u"Aplazado"_s;
        QTest::newRow("state other case") << u"EST_ADOS"_s << u"P"_s << u"z - aplazado"_s << u"P"_s << u"Programado"_s;
        QTest::newRow("state description only") << u"EST_ADOS"_s << u"P"_s << u"Aplazado"_s << u"P"_s << u"Programado"_s;
        QTest::newRow("state unknown code") << u"EST_ADOS"_s << u"X"_s << QString() << u"X"_s << QString();
        QTest::newRow("state null") << u"EST_ADOS"_s << QString() << QString() << QString() << QString();
        QTest::newRow("action entry text") << u"TIP_ACTI"_s << u"O"_s << u"C - Acción Correctiva"_s << u"C"_s << u"Acción Correctiva"_s;
        QTest::newRow("action extra blank") << u"TIP_ACTI"_s << u"O"_s << u"C -  Acción Correctiva"_s << u"O"_s << u"Otra"_s;
        QTest::newRow("action mejora") << u"TIP_ACTI"_s << QString() << u"N - Acción Mejora"_s << u"N"_s << u"Acción Mejora"_s;
    }
    void codedTexts()
    {
        QFETCH(QString, field);
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(QString, code);
        QFETCH(QString, shown);
        TDtmSoMaleg &dm = *w->dm;
        TField *f = dm.QrySoSemon->FieldByName(field);
        dm.QrySoSemon->Insert();
        if (!stored.isEmpty())
            f->SetAsString(stored);
        if (!typed.isEmpty())
            f->SetText(typed);
        QCOMPARE(f->AsString(), code);
        QCOMPARE(f->DisplayText(), shown);
        QCOMPARE(f->Text(), shown);
    }

    void memosShowTheirFirst255Characters()
    {
        TDtmSoMaleg &dm = *w->dm;
        const QString longText = QString(300, u'a') + u"ñ"_s;
        dm.QrySoSemon->Insert();
        dm.QrySoSemonPLA_ACCI->SetAsString(longText);
        dm.QrySoSemonTEX_SEGU->SetAsString(u"corto"_s);
        QCOMPARE(dm.QrySoSemonPLA_ACCI->DisplayText(), QString(255, u'a'));
        QCOMPARE(dm.QrySoSemonPLA_ACCI->AsString(), longText);
        QCOMPARE(dm.QrySoSemonTEX_SEGU->DisplayText(), u"corto"_s);
    }

    void responsibleNames_data()
    {
        QTest::addColumn<QVariant>("responsible");
        QTest::addColumn<QString>("names");
        QTest::addColumn<QString>("surnames");
        QTest::newRow("known person") << QVariant(55.0) << u"Lucía"_s << u"Rendón"_s;
        QTest::newRow("no such person") << QVariant(77.0) << QString() << QString();
        QTest::newRow("no responsible") << QVariant() << QString() << QString();
    }
    void responsibleNames()
    {
        QFETCH(QVariant, responsible);
        QFETCH(QString, names);
        QFETCH(QString, surnames);
        TDtmSoMaleg &dm = *w->dm;
        dm.QrySoSemon->Insert();
        dm.QrySoSemonCOD_RESP->SetValue(responsible);
        QCOMPARE(dm.QrySoSemonDtfNomResponsable->AsString(), names);
        QCOMPARE(dm.QrySoSemonDtfApeResponsable->AsString(), surnames);
    }

    void deleteConfirmation_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("rowsLeft");
        QTest::newRow("OK deletes") << int(QMessageBox::Ok) << 0;
        QTest::newRow("Cancel keeps the row") << int(QMessageBox::Cancel) << 1;
    }
    void deleteConfirmation()
    {
        QFETCH(int, answer);
        QFETCH(int, rowsLeft);
        TDtmSoMaleg &dm = *w->dm;
        dm.QrySoSemon->Insert();
        dm.QrySoSemonCOD_RESP->SetAsFloat(55);
        dm.QrySoSemonFEC_SEGU->SetAsDateTime(w->procDate);
        dm.QrySoSemonFEC_CUMP->SetAsDateTime(w->procDate);
        dm.QrySoSemon->Post();
        QStringList asked;
        TDtmSoMaleg::MessageBoxHook = [&](const QString &text, const QString &caption, int buttons, int icon) {
            asked << text << caption;
            [&] {
                QCOMPARE(buttons, int(QMessageBox::Ok | QMessageBox::Cancel));
                QCOMPARE(icon, int(QMessageBox::Question));
            }();
            return answer;
        };
        bool silent = false;
        try {
            dm.QrySoSemon->Delete();
        } catch (const EAbort &) {
            silent = true;
        }
        QCOMPARE(asked, (QStringList{u"Eliminar Registro ?"_s, u"Confirmación"_s}));
        QCOMPARE(silent, rowsLeft == 1);
        QCOMPARE(dm.QrySoSemon->RecordCount(), rowsLeft);
        QCOMPARE(w->table(u"DtsPSoSemon"_s).Rows.size(), rowsLeft);
        QCOMPARE(dm.QrySoSemon->ChangeCount(), 0);
    }

    void refusedFollowUpRowIsKept()
    {
        TDtmSoMaleg &dm = *w->dm;
        w->server->RefuseKeys.insert(u"1"_s, u"El registro está bloqueado por otro usuario."_s);
        QStringList told;
        const auto previous = SClientDataSet::ReconcileErrorHook;
        SClientDataSet::ReconcileErrorHook = [&told](TDataSet &, const EReconcileError &E, TUpdateKind, TReconcileAction &a) {
            told << E.Message();
            a = raSkip;
        };
        dm.QrySoSemon->Insert();
        dm.QrySoSemonSEG_MIEN->SetAsString(u"Revisar señalización"_s);
        dm.QrySoSemonCOD_RESP->SetAsFloat(55);
        dm.QrySoSemonFEC_SEGU->SetAsDateTime(w->procDate);
        dm.QrySoSemonFEC_CUMP->SetAsDateTime(w->procDate);
        dm.QrySoSemon->Post();
        SClientDataSet::ReconcileErrorHook = previous;
        QCOMPARE(told, QStringList{u"El registro está bloqueado por otro usuario."_s});
        QVERIFY(w->table(u"DtsPSoSemon"_s).Rows.isEmpty());
        QCOMPARE(dm.QrySoSemon->ChangeCount(), 1);
        QCOMPARE(dm.QrySoSemonSEG_MIEN->AsString(), u"Revisar señalización"_s);
        // Once the server takes it, the next save sends it.
        w->server->RefuseKeys.clear();
        QCOMPARE(dm.SaveDependent(*dm.QrySoSemon), 0);
        QCOMPARE(w->table(u"DtsPSoSemon"_s).Rows.size(), 1);
    }
};

QTEST_MAIN(tst_DtmSoMalegPlanSemon)
#include "tst_DtmSoMalegPlanSemon.moc"
