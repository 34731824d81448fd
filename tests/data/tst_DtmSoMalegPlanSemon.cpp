// The annual plan activities and follow-up rows as the user adds, edits and deletes them, on the
// application server over a database built here: defaults, audit stamps, the checks before a post,
// the keys the server issues, the coded and memo texts, the delete confirmation, and every posted
// change reaching the database.

#include "EmbeddedWorld.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class tst_DtmSoMalegPlanSemon : public QObject
{
    Q_OBJECT
    std::unique_ptr<EmbeddedWorld> w;
    const QString kItem = EmbeddedWorld::FirstItem();
    const QString kItemRows = u" WHERE COD_EMPR = 1 AND RMT_PAMA = 1 AND RMT_DEPA = 1 AND RMT_ESTA = 1"
                              " AND RMT_ITES = 1"_s;
    const QDateTime procDate = EmbeddedWorld::ProcessDate();

    int issued() const { return int(w->server->Operations.count(u"GenerarRMT"_s)); }
    int stored(const QString &table, const QString &where = QString())
    {
        return w->Value(u"SELECT COUNT(*) FROM "_s + table + kItemRows + where).toInt();
    }
    int maxKey(const QString &table, const QString &column)
    {
        return w->Value(u"SELECT COALESCE(MAX("_s + column + u"), 0) FROM "_s + table + u" WHERE COD_EMPR = 1"_s)
            .toInt();
    }

    static QString postError(TDataSet *ds)
    {
        return ErrorOf([ds] { ds->Post(); });
    }

private slots:
    void init()
    {
        w = std::make_unique<EmbeddedWorld>(u"ana"_s);
        w->Open(kItem);
        QCOMPARE(w->dm->QrySoPlass->RecordCount(), 2);
        QCOMPARE(w->dm->QrySoSemon->RecordCount(), 0);
    }
    void cleanup() { w.reset(); }

    void activityRefusals_data()
    {
        QTest::addColumn<QString>("cycle");
        QTest::addColumn<QString>("resources");
        QTest::addColumn<QString>("message");
        QTest::newRow("both missing: the cycle first")
            << QString() << QString() << u" Por favor seleccione un ciclo...  "_s;
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
        QCOMPARE(issued(), 0);
        QCOMPARE(stored(u"SO_PLASS"_s), 2);
    }

    // A new activity starts stamped "A", with every month unmarked and no number; it gets its
    // number at its first post.
    void activityKeysOnlyAtFirstPost()
    {
        TDtmSoMaleg &dm = *w->dm;
        const int last = maxKey(u"SO_PLASS"_s, u"RMT_PLAS"_s);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        for (const QString &what : {u"Revisión"_s, u"Capacitación"_s}) {
            dm.QrySoPlass->Append();
            QCOMPARE(dm.QrySoPlassACT_ESTA->AsString(), u"A"_s);
            QCOMPARE(dm.QrySoPlassACT_USUA->AsString(), u"ana"_s);
            QVERIFY(dm.QrySoPlassACT_HORA->AsDateTime() >= before);
            QCOMPARE(dm.QrySoPlassFEC_PROC->AsDateTime(), procDate);
            QStringList months;
            for (TField *f : dm.QrySoPlass->Fields())
                if (f->FieldName().endsWith(u"_PLAN"_s) || f->FieldName().endsWith(u"_EJEC"_s))
                    months << f->AsString();
            QCOMPARE(months, QStringList(24, u"N"_s));
            QVERIFY(dm.QrySoPlassRMT_PLAS->IsNull() && dm.QrySoPlassOPC_CICL->IsNull() &&
                    dm.QrySoPlassREC_URSO->IsNull());
            QCOMPARE(issued(), what == u"Revisión"_s ? 0 : 1);
            dm.QrySoPlassACT_ASGS->SetAsString(what);
            dm.QrySoPlassOPC_CICL->SetAsString(u"P"_s);
            dm.QrySoPlassREC_URSO->SetAsString(u"A"_s);
            dm.QrySoPlass->Post();
        }
        // Both reached the server with their own numbers.
        QCOMPARE(stored(u"SO_PLASS"_s), 4);
        QCOMPARE(
            w->Value(u"SELECT ACT_ASGS FROM SO_PLASS WHERE COD_EMPR = 1 AND RMT_PLAS = ?"_s, {last + 1}).toString(),
            u"Revisión"_s);
        QCOMPARE(
            w->Value(u"SELECT ACT_ASGS FROM SO_PLASS WHERE COD_EMPR = 1 AND RMT_PLAS = ?"_s, {last + 2}).toString(),
            u"Capacitación"_s);
        QCOMPARE(dm.QrySoPlass->ChangeCount(), 0);

        // An edit keeps its number and is stamped "M".
        QVERIFY(dm.QrySoPlass->Locate(u"RMT_PLAS"_s, last + 1, {}));
        dm.QrySoPlass->Edit();
        QCOMPARE(dm.QrySoPlassACT_ESTA->AsString(), u"M"_s);
        dm.QrySoPlassENE_PLAN->SetAsString(u"S"_s);
        dm.QrySoPlass->Post();
        QCOMPARE(issued(), 2);
        QCOMPARE(w->Rows(u"SELECT ENE_PLAN, ACT_ESTA, ACT_USUA FROM SO_PLASS WHERE COD_EMPR = 1 AND RMT_PLAS = ?"_s,
                         {last + 1}),
                 (QList<QVariantList>{{u"S"_s, u"M"_s, u"ana"_s}}));

        // A new activity cancelled before its post consumes no number.
        dm.QrySoPlass->Insert();
        dm.QrySoPlass->Cancel();
        QCOMPARE(issued(), 2);
        dm.QrySoPlass->Append();
        dm.QrySoPlassOPC_CICL->SetAsString(u"V"_s);
        dm.QrySoPlassREC_URSO->SetAsString(u"A"_s);
        dm.QrySoPlass->Post();
        QCOMPARE(dm.QrySoPlassRMT_PLAS->AsInteger(), last + 3);
    }

    // A follow-up row takes its number as it begins, and keeps it consumed if cancelled; when the
    // server cannot issue one the row is not begun and nothing is stored.
    void followUpKeyIsIssuedAtOnce()
    {
        TDtmSoMaleg &dm = *w->dm;
        const int last = maxKey(u"SO_SEMON"_s, u"RMT_SEMO"_s);
        w->server->FailNext.insert(u"GenerarRMT"_s, u"No se pudo generar el consecutivo de SO_SEMON."_s);
        QCOMPARE(ErrorOf([&] { dm.QrySoSemon->Insert(); }), u"No se pudo generar el consecutivo de SO_SEMON."_s);
        QCOMPARE(dm.QrySoSemon->State(), dsBrowse);
        QCOMPARE(dm.QrySoSemon->RecordCount() + dm.QrySoSemon->ChangeCount(), 0);
        dm.QrySoSemon->Insert();
        QCOMPARE(dm.QrySoSemonRMT_SEMO->AsInteger(), last + 1);
        QCOMPARE(dm.QrySoSemonACT_ESTA->AsString(), u"A"_s);
        QCOMPARE(dm.QrySoSemonACT_USUA->AsString(), u"ana"_s);
        QCOMPARE(dm.QrySoSemonFEC_PROC->AsDateTime(), procDate);
        dm.QrySoSemon->Cancel();
        dm.QrySoSemon->Insert();
        QCOMPARE(dm.QrySoSemonRMT_SEMO->AsInteger(), last + 2);
    }

    void completionDateCheck()
    {
        TDtmSoMaleg &dm = *w->dm;
        dm.QrySoSemon->Insert();
        dm.QrySoSemonCOD_RESP->SetAsFloat(79456123);
        dm.QrySoSemonFEC_SEGU->SetAsDateTime(procDate);
        QCOMPARE(postError(dm.QrySoSemon), u"Debe Ingresar Fecha Cumplimiento "_s);
        QCOMPARE(dm.QrySoSemon->State(), dsInsert);
        QCOMPARE(stored(u"SO_SEMON"_s), 0);
        // Ranges that end before they start are refused, naming both dates.
        dm.QrySoSemonFEC_CUMP->SetAsDateTime(procDate.addDays(-1));
        const auto refused = [](TField *end, TField *start) {
            return u"La fecha \"%1\" (%2) es anterior a la fecha \"%3\" (%4)."_s.arg(
                end->DisplayLabel().trimmed(), end->DisplayText(), start->DisplayLabel().trimmed(),
                start->DisplayText());
        };
        QCOMPARE(postError(dm.QrySoSemon), refused(dm.QrySoSemonFEC_CUMP, dm.QrySoSemonFEC_SEGU));
        dm.QrySoSemonFEC_CUMP->SetAsDateTime(procDate.addDays(30));
        dm.QrySoSemonFEC_INIC->SetAsDateTime(procDate.addDays(10));
        dm.QrySoSemonFEC_FINA->SetAsDateTime(procDate.addDays(9));
        QCOMPARE(postError(dm.QrySoSemon), refused(dm.QrySoSemonFEC_FINA, dm.QrySoSemonFEC_INIC));
        QCOMPARE(stored(u"SO_SEMON"_s), 0);
        dm.QrySoSemonFEC_FINA->SetAsDateTime(procDate.addDays(10)); // a range of one day is fine
        QCOMPARE(postError(dm.QrySoSemon), QString());
        QCOMPARE(w->Rows(u"SELECT RMT_SEMO, COD_RESP, COD_AREA FROM SO_SEMON"_s + kItemRows),
                 (QList<QVariantList>{{dm.QrySoSemonRMT_SEMO->AsInteger(), 79456123.0, 1}}));
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
        QTest::newRow("state description only")
            << u"EST_ADOS"_s << u"P"_s << u"Aplazado"_s << u"P"_s << u"Programado"_s;
        QTest::newRow("state unknown code") << u"EST_ADOS"_s << u"X"_s << QString() << u"X"_s << QString();
        QTest::newRow("state null") << u"EST_ADOS"_s << QString() << QString() << QString() << QString();
        QTest::newRow("action entry text")
            << u"TIP_ACTI"_s << u"O"_s << u"C - Acción Correctiva"_s << u"C"_s << u"Acción Correctiva"_s;
        QTest::newRow("action extra blank")
            << u"TIP_ACTI"_s << u"O"_s << u"C -  Acción Correctiva"_s << u"O"_s << u"Otra"_s;
        QTest::newRow("action mejora") << u"TIP_ACTI"_s << QString() << u"N - Acción Mejora"_s << u"N"_s
                                       << u"Acción Mejora"_s;
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
        QTest::newRow("known person") << QVariant(79456123.0) << u"Carlos Andrés"_s << u"Piedrahíta Ruiz"_s;
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
        dm.QrySoSemonCOD_RESP->SetAsFloat(79456123);
        dm.QrySoSemonFEC_SEGU->SetAsDateTime(procDate);
        dm.QrySoSemonFEC_CUMP->SetAsDateTime(procDate);
        dm.QrySoSemon->Post();
        QCOMPARE(stored(u"SO_SEMON"_s), 1);
        w->answer = answer;
        bool silent = false;
        try {
            dm.QrySoSemon->Delete();
        } catch (const EAbort &) {
            silent = true;
        }
        QCOMPARE(w->asked, QStringList{u"Confirmación: Eliminar Registro ?"_s});
        QCOMPARE(w->buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(w->icon, QMessageBox::Question);
        QCOMPARE(silent, rowsLeft == 1);
        QCOMPARE(dm.QrySoSemon->RecordCount(), rowsLeft);
        QCOMPARE(stored(u"SO_SEMON"_s), rowsLeft);
        QCOMPARE(dm.QrySoSemon->ChangeCount(), 0);
    }

    void refusedFollowUpRowIsKept()
    {
        TDtmSoMaleg &dm = *w->dm;
        QStringList told;
        const auto previous = SClientDataSet::ReconcileErrorHook;
        SClientDataSet::ReconcileErrorHook = [&told](TDataSet &, const EReconcileError &E, TUpdateKind,
                                                     TReconcileAction &a) {
            told << E.Message();
            a = raSkip;
        };
        dm.QrySoSemon->Insert();
        const int key = dm.QrySoSemonRMT_SEMO->AsInteger();
        // Another client has stored a row under the same number meanwhile.
        w->Exec(
            u"INSERT INTO SO_SEMON (ACT_USUA, ACT_HORA, ACT_ESTA, COD_EMPR, RMT_SEMO, FEC_PROC, RMT_PAMA, RMT_DEPA,"
            " RMT_ESTA, RMT_ITES, COD_AREA, FEC_SEGU, COD_RESP) VALUES ('otro', ?, 'A', 1, ?, ?, 9, 9, 9, 9, 1, ?, 0)"_s,
            {TDatabase::ToDb(procDate), key, TDatabase::ToDb(procDate), TDatabase::ToDb(procDate)});
        dm.QrySoSemonSEG_MIEN->SetAsString(u"Revisar señalización"_s);
        dm.QrySoSemonCOD_RESP->SetAsFloat(79456123);
        dm.QrySoSemonFEC_SEGU->SetAsDateTime(procDate);
        dm.QrySoSemonFEC_CUMP->SetAsDateTime(procDate);
        dm.QrySoSemon->Post();
        SClientDataSet::ReconcileErrorHook = previous;
        QCOMPARE(told.size(), 1);
        QCOMPARE(stored(u"SO_SEMON"_s), 0);
        QCOMPARE(dm.QrySoSemon->ChangeCount(), 1);
        QCOMPARE(dm.QrySoSemonSEG_MIEN->AsString(), u"Revisar señalización"_s);
        // Once the number is free again, the next save sends the row as typed.
        w->Exec(u"DELETE FROM SO_SEMON WHERE COD_EMPR = 1 AND RMT_SEMO = ?"_s, {key});
        QCOMPARE(dm.SaveDependent(*dm.QrySoSemon), 0);
        QCOMPARE(w->Rows(u"SELECT RMT_SEMO, SEG_MIEN FROM SO_SEMON"_s + kItemRows),
                 (QList<QVariantList>{{key, u"Revisar señalización"_s}}));
    }
};

QTEST_MAIN(tst_DtmSoMalegPlanSemon)
#include "tst_DtmSoMalegPlanSemon.moc"
