// What a save of the evaluation records does afterwards, on the application server over a database
// built here: the dependent rows are read again, a changed responsible may be given to the whole
// cycle, a record that has just become "N" gets one follow-up row, and what the user is still
// typing is not lost. And saves that meet another user or a server that goes away: a conflicting
// save from a second client goes to reconcile with neither client's text lost, and a save cut off
// by the HTTP server dying leaves no partial change in the database and the client's change log
// intact, ready to be saved again once the server is back.

#include "EmbeddedWorld.h"
#include "ReconcileDialog.h"
#include "TDateTimeText.h"
#include "dataset/EReconcileError.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <csignal>
#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kItemWhere = EmbeddedWorld::FirstItemWhere();
const double kResponsible = 1010203040.0;
const double kOther = 79456123.0;

// `tolvane-server serve` over a database, on a port of loopback chosen by the system the first time
// and kept on restarts.
struct ServeProcess : QProcess
{
    QString db;
    int port = 0;

    ~ServeProcess()
    {
        kill();
        waitForFinished(10000);
    }
    bool Start()
    {
        setProcessChannelMode(QProcess::MergedChannels);
        start(qEnvironmentVariable("ZE_SERVER_PATH"),
              {u"serve"_s, u"--db"_s, db, u"--listen"_s, u"127.0.0.1:%1"_s.arg(port)});
        QString said;
        const QRegularExpression served(u"Sirviendo en http://127\\.0\\.0\\.1:(\\d+)/"_s);
        while (waitForReadyRead(20000)) {
            said += QString::fromUtf8(readAll());
            if (const QRegularExpressionMatch m = served.match(said); m.hasMatch())
                return (port = m.captured(1).toInt()) > 0;
        }
        qWarning() << "the server did not start:" << said;
        return false;
    }
};

} // namespace

class tst_DtmSoMalegSaving : public QObject
{
    Q_OBJECT
    std::unique_ptr<EmbeddedWorld> w;

    // Edits the item the way the user does, from the stored compliance `fromCode`.
    void editRecord(const QVariant &responsible, const QString &fromCode, const QString &toCode)
    {
        TDtmSoMaleg &dm = *w->dm;
        if (fromCode != u"C"_s) {
            w->Exec(u"UPDATE SO_MALEG SET IND_CUMP = ?"_s + kItemWhere, {fromCode});
            w->Open(u"MA.COD_EMPR = 1 AND MA.COD_AREA = 1"_s);
        }
        if (dm.QrySoMalegRMT_PAMA->AsInteger() != 1 || dm.QrySoMalegRMT_DEPA->AsInteger() != 1 ||
            dm.QrySoMalegRMT_ESTA->AsInteger() != 1 || dm.QrySoMalegRMT_ITES->AsInteger() != 1)
            QVERIFY(dm.QrySoMaleg->Locate(u"RMT_PAMA;RMT_DEPA;RMT_ESTA;RMT_ITES"_s, QVariantList{1, 1, 1, 1}, {}));
        dm.QrySoMaleg->Edit();
        dm.QrySoMalegTEX_EVID->SetAsString(u"Acta 12"_s);
        dm.QrySoMalegCOD_RESP->SetValue(responsible);
        dm.QrySoMalegIND_CUMP->SetAsString(toCode);
    }
    QString save()
    {
        return ErrorOf([this] { w->dm->QrySoMaleg->ApplyUpdates(0); });
    }
    int count(const QString &sql, const QVariantList &values = {}) { return w->Value(sql, values).toInt(); }
    // The responsibles of the item's cycle-mates, in key order.
    QList<QVariantList> cycleMates()
    {
        return w->Rows(u"SELECT COD_RESP FROM SO_MALEG WHERE COD_EMPR = 1 AND RMT_PAMA = 1 AND NOT (RMT_DEPA = 1"
                       " AND RMT_ESTA = 1 AND RMT_ITES = 1 AND COD_AREA = 1)"
                       " ORDER BY RMT_DEPA, RMT_ESTA, RMT_ITES, COD_AREA"_s);
    }

private slots:
    void init()
    {
        w = std::make_unique<EmbeddedWorld>(u"ana"_s);
        w->Exec(u"UPDATE SO_MALEG SET PLA_ACCI = 'Capacitar brigadistas'"_s + kItemWhere);
        w->Open(u"MA.COD_EMPR = 1 AND MA.COD_AREA = 1"_s);
    }
    void cleanup() { w.reset(); }

    // A changed responsible (cleared too) asks whether the whole cycle takes it, and on "Sí" the
    // cycle does, unless the database refuses the update (`error`: the cycle-wide update fails).
    void afterSave_data()
    {
        QTest::addColumn<QVariant>("responsible");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("fromCode");
        QTest::addColumn<QString>("toCode");
        QTest::addColumn<int>("followUps");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("selection"); // the query by example's condition besides area 1
        QTest::addColumn<bool>("typing");       // a follow-up row with only "Seguimiento" typed
        const QVariant same(kResponsible), other(kOther);
        const int yes = QMessageBox::Yes, no = QMessageBox::No;
        const QString c = u"C"_s, n = u"N"_s;
        QTest::newRow("unchanged responsible: no question")
            << same << 0 << c << c << 0 << QString() << QString() << false;
        QTest::newRow("Yes gives it to the cycle") << other << yes << c << c << 0 << QString() << QString() << false;
        QTest::newRow("cleared, Yes writes 0") << QVariant() << yes << c << c << 0 << QString() << QString() << false;
        QTest::newRow("No leaves the cycle, still C->N row")
            << other << no << c << n << 1 << QString() << QString() << false;
        QTest::newRow("failed update: error, no row")
            << other << yes << c << n << 0 << u"Error editando el Responsable."_s << QString() << false;
        QTest::newRow("C->N makes one row") << same << 0 << c << n << 1 << QString() << QString() << false;
        QTest::newRow("N->C makes none") << same << 0 << n << c << 0 << QString() << QString() << false;
        QTest::newRow("N stays N: none") << same << 0 << n << n << 0 << QString() << QString() << false;
        QTest::newRow("typing, C->C: the row being typed stays")
            << same << 0 << c << c << 0 << QString() << QString() << true;
        QTest::newRow("typing, C->N: one row, the typing stays")
            << same << 0 << c << n << 1 << QString() << QString() << true;
        QTest::newRow("Yes drops the record from the selection: its row still")
            << other << yes << c << n << 1 << QString() << u"MA.COD_RESP = 1010203040"_s << false;
    }
    void afterSave()
    {
        QFETCH(QVariant, responsible);
        QFETCH(int, answer);
        QFETCH(QString, fromCode);
        QFETCH(QString, toCode);
        QFETCH(int, followUps);
        QFETCH(QString, error);
        QFETCH(QString, selection);
        QFETCH(bool, typing);
        const bool question = responsible != QVariant(kResponsible);
        const bool cycleTakesIt = question && answer == QMessageBox::Yes && error.isEmpty();
        TDtmSoMaleg &dm = *w->dm;
        if (!selection.isEmpty())
            w->Open(u"MA.COD_EMPR = 1 AND MA.COD_AREA = 1 AND "_s + selection);
        const int allFollowUps = count(u"SELECT COUNT(*) FROM SO_SEMON"_s);
        if (!error.isEmpty()) {
            // The database refuses the cycle-wide update (any record but the one being saved).
            w->Exec(u"CREATE TRIGGER bloqueo BEFORE UPDATE OF COD_RESP ON SO_MALEG WHEN OLD.RMT_ITES <> 1"
                    " BEGIN SELECT RAISE(ABORT, 'bloqueado'); END"_s);
        }
        w->answer = answer;
        const QList<QVariantList> matesBefore = cycleMates();
        const int otherResponsibles =
            count(u"SELECT COUNT(*) FROM SO_MALEG WHERE (COD_EMPR <> 1 OR RMT_PAMA <> 1) AND COD_RESP IS NOT NULL"_s);
        editRecord(responsible, fromCode, toCode);
        if (typing) {
            dm.QrySoSemon->Insert();
            dm.QrySoSemonSEG_MIEN->SetAsString(u"Revisar botiquines"_s);
        }
        QCOMPARE(save(), error);
        // What the user was typing is still there, in the same state, and was not stored.
        if (typing) {
            QCOMPARE(dm.QrySoSemon->State(), dsInsert);
            QCOMPARE(dm.QrySoSemonSEG_MIEN->AsString(), u"Revisar botiquines"_s);
        }
        // The only row stored is the record's own automatic row.
        QCOMPARE(count(u"SELECT COUNT(*) FROM SO_SEMON"_s), allFollowUps + followUps);
        const QVariant given = cycleTakesIt && !responsible.isValid() ? QVariant(0.0) : responsible;
        // The record itself is stored whatever happens afterwards.
        QCOMPARE(w->Rows(u"SELECT IND_CUMP, TEX_EVID, COD_RESP FROM SO_MALEG"_s + kItemWhere).value(0),
                 (QVariantList{toCode, u"Acta 12"_s, given}));

        QCOMPARE(w->asked, question ? QStringList{u"Confirmación: ¿Desea que este Responsable aplique para todos los "
                                                  "registros del ciclo?"_s}
                                    : QStringList());
        QList<QVariantList> matesAfter = matesBefore;
        if (cycleTakesIt)
            for (QVariantList &mate : matesAfter)
                mate = {given};
        QCOMPARE(cycleMates(), matesAfter);
        // Records of other cycles and of the other company are never touched.
        QCOMPARE(
            count(u"SELECT COUNT(*) FROM SO_MALEG WHERE (COD_EMPR <> 1 OR RMT_PAMA <> 1) AND COD_RESP IS NOT NULL"_s),
            otherResponsibles);
        if (error.isEmpty() && question && answer == QMessageBox::Yes && selection.isEmpty()) {
            // Reloaded, back on the same record, which shows the new responsible.
            QCOMPARE(dm.QrySoMalegRMT_ITES->AsInteger(), 1);
            QCOMPARE(dm.QrySoMalegRMT_ESTA->AsInteger(), 1);
            QCOMPARE(dm.QrySoMalegCOD_RESP->AsFloat(), given.toDouble());
            QCOMPARE(dm.QrySoMaleg->ChangeCount(), 0);
        }

        const QList<QVariantList> rows =
            w->Rows(u"SELECT COD_RESP, FEC_SEGU, COD_AREA, NUM_ERAL, PLA_ACCI, FEC_CUMP, ACT_USUA FROM SO_SEMON"_s +
                    kItemWhere);
        QCOMPARE(rows.size(), followUps);
        if (followUps == 1) {
            QCOMPARE(rows[0].value(0).toDouble(), 0.0);
            QCOMPARE(TDateTimeText::Parse(rows[0].value(1).toString()), QDateTime(QDate::currentDate(), QTime(0, 0)));
            QCOMPARE(rows[0].value(2).toInt(), 1);
            QCOMPARE(rows[0].value(3).toString(), u"1.1.1"_s);
            QCOMPARE(rows[0].value(4).toString(), u"Capacitar brigadistas"_s);
            QVERIFY(rows[0].value(5).isNull());
            QCOMPARE(rows[0].value(6).toString(), u"ana"_s);
            if (selection.isEmpty()) // shown with the record, still the current one
                QCOMPARE(dm.QrySoSemon->RecordCount(), 1);
        }
    }

    void automaticFlagLastsOnlyForItsRow()
    {
        TDtmSoMaleg &dm = *w->dm;
        editRecord(kResponsible, u"C"_s, u"N"_s);
        QCOMPARE(save(), QString());
        QCOMPARE(count(u"SELECT COUNT(*) FROM SO_SEMON"_s + kItemWhere), 1);
        QVERIFY(!dm.SeguimientoAutomatico);
        // A row the user enters afterwards still needs its completion date.
        dm.QrySoSemon->Insert();
        dm.QrySoSemonCOD_RESP->SetAsFloat(kOther);
        dm.QrySoSemonFEC_SEGU->SetAsDateTime(EmbeddedWorld::ProcessDate());
        QCOMPARE(ErrorOf([&] { dm.QrySoSemon->Post(); }), u"Debe Ingresar Fecha Cumplimiento "_s);
    }

    void dependentRowsAreReadAgain()
    {
        TDtmSoMaleg &dm = *w->dm;
        QVERIFY(dm.QrySoMaleg->Locate(u"RMT_PAMA;RMT_DEPA;RMT_ESTA;RMT_ITES"_s, QVariantList{1, 1, 1, 1}, {}));
        QCOMPARE(dm.QrySoPlass->RecordCount(), 2);
        // An activity another user adds meanwhile appears after the save.
        w->Exec(
            u"INSERT INTO SO_PLASS (ACT_USUA, ACT_HORA, ACT_ESTA, COD_EMPR, FEC_PROC, RMT_PAMA, RMT_DEPA, RMT_ESTA,"
            " RMT_ITES, COD_AREA, RMT_PLAS, OPC_CICL, REC_URSO) VALUES ('otro', ?, 'A', 1, ?, 1, 1, 1, 1, 1, 999, 'V', 'A')"_s,
            {TDatabase::ToDb(EmbeddedWorld::ProcessDate()), TDatabase::ToDb(EmbeddedWorld::ProcessDate())});
        editRecord(kResponsible, u"C"_s, u"C"_s);
        QCOMPARE(save(), QString());
        QCOMPARE(dm.QrySoPlass->RecordCount(), 3);
        QVERIFY(dm.QrySoPlass->Locate(u"RMT_PLAS"_s, 999, {}));
    }

    void conflictingSaveGoesToReconcile()
    {
        // A second user on another desk, through a connection of their own.
        std::unique_ptr<SDCOMConnection> other = w->Connect();
        TDtmSoMaleg second(nullptr);
        second.SetRemoteServer(other.get());

        w->Open(EmbeddedWorld::FirstItem());
        EmbeddedWorld::OpenEvaluation(second, EmbeddedWorld::FirstItem());
        TDtmSoMaleg &first = *w->dm;

        // The first user saves the evidence.
        first.QrySoMaleg->Edit();
        first.QrySoMalegTEX_EVID->SetAsString(u"Acta 12 de Ana"_s);
        QCOMPARE(first.QrySoMaleg->ApplyUpdates(0), 0);

        // The second user, still on the old version, rates the item "No Cumple" with an action plan.
        // The server refuses it; the user sees why and keeps the changes.
        InstallReconcileDialog();
        auto &prompts = static_cast<ScriptedPrompts &>(Application()->Prompts());
        QString told;
        prompts.answers.push_back(ScriptedPrompts::Act<QMessageBox>([&told](QMessageBox &box) {
            told = box.text();
            for (QAbstractButton *b : box.buttons())
                if (b->text() == u"Conservar mis cambios"_s)
                    b->click();
        }));
        gStCodiUsua = u"luis"_s;
        second.QrySoMaleg->Edit();
        second.QrySoMalegIND_CUMP->SetAsString(u"N"_s);
        second.QrySoMalegPLA_ACCI->SetAsString(u"Plan de Luis"_s);
        second.QrySoMaleg->ApplyUpdates(0);

        QCOMPARE(
            told,
            u"El servidor no aceptó modificar un registro:\n\nEl registro no existe o fue modificado por otro usuario."_s);
        // Stored: the first user's save, untouched; no follow-up row for a rating that was not stored.
        const QVariantList stored =
            w->Rows(u"SELECT TEX_EVID, IND_CUMP, PLA_ACCI, ACT_USUA FROM SO_MALEG"_s + kItemWhere).value(0);
        QCOMPARE(stored.value(0).toString(), u"Acta 12 de Ana"_s);
        QCOMPARE(stored.value(1).toString(), u"C"_s);
        QCOMPARE(stored.value(2).toString(), u"Capacitar brigadistas"_s);
        QCOMPARE(stored.value(3).toString(), u"ana"_s);
        QCOMPARE(w->Value(u"SELECT COUNT(*) FROM SO_SEMON"_s + kItemWhere).toInt(), 0);
        QVERIFY(w->asked.isEmpty());
        // Kept on the second user's screen, still waiting to be saved.
        QCOMPARE(second.QrySoMaleg->ChangeCount(), 1);
        QCOMPARE(second.QrySoMalegIND_CUMP->AsString(), u"N"_s);
        QCOMPARE(second.QrySoMalegPLA_ACCI->AsString(), u"Plan de Luis"_s);
    }

    void interruptedSaveLeavesNothingHalfDone()
    {
        EmbeddedDatabase db;
        // Every stored evaluation record costs the server a while: the save is still running when
        // the server is killed.
        db.Exec(u"CREATE TABLE LENTO (X INTEGER)"_s);
        db.Exec(u"INSERT INTO LENTO (X) WITH RECURSIVE N(X) AS (SELECT 0 UNION ALL SELECT X + 1 FROM N WHERE X < 999)"
                " SELECT X FROM N"_s);
        db.Exec(u"CREATE TRIGGER LENTO_MALEG AFTER UPDATE ON SO_MALEG BEGIN"
                " SELECT COUNT(*) FROM LENTO A, LENTO B WHERE A.X + B.X = NEW.RMT_ITES; END"_s);
        db.engine->Database().CloseConnection();

        ServeProcess serve;
        serve.db = db.Location();
        QVERIFY(serve.Start());
        SDCOMConnection connection;
        connection.Protocol = u"http"_s;
        connection.Server = u"127.0.0.1:%1"_s.arg(serve.port);
        connection.User = u"demo"_s;
        connection.Password = u"demo"_s;
        Application()->Tag = 1;
        gStCodiUsua = u"ana"_s;
        TDtmSoMaleg dm(nullptr);
        dm.SetRemoteServer(&connection);
        EmbeddedWorld::OpenEvaluation(dm, u"MA.COD_EMPR = 1"_s);
        SClientDataSet *q = dm.QrySoMaleg;
        QCOMPARE(q->RecordCount(), 120);
        for (q->First(); !q->Eof(); q->Next()) {
            q->Edit();
            dm.QrySoMalegTEX_EVID->SetAsString(u"Revisado en la visita de diciembre"_s);
            q->Post();
        }
        QCOMPARE(q->ChangeCount(), 120);

        const qint64 pid = serve.processId();
        std::thread killer([pid] {
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            ::kill(pid_t(pid), SIGKILL);
        });
        QElapsedTimer clock;
        clock.start();
        const QString failure = ErrorOf([q] { q->ApplyUpdates(0); });
        killer.join();
        QVERIFY2(clock.elapsed() >= 500, "the save ended before the server was killed");
        QVERIFY2(!failure.isEmpty(), "the save did not report the lost server");
        serve.waitForFinished(10000);

        // Nothing of the save reached the database; the client still holds every change.
        QCOMPARE(
            db.Value(u"SELECT COUNT(*) FROM SO_MALEG WHERE TEX_EVID = 'Revisado en la visita de diciembre'"_s).toInt(),
            0);
        QCOMPARE(q->ChangeCount(), 120);
        QCOMPARE(dm.QrySoMalegTEX_EVID->AsString(), u"Revisado en la visita de diciembre"_s);

        // The server is back: the same save goes through whole.
        db.Exec(u"DROP TRIGGER LENTO_MALEG"_s);
        db.engine->Database().CloseConnection();
        QVERIFY(serve.Start());
        QCOMPARE(q->ApplyUpdates(0), 0);
        QCOMPARE(q->ChangeCount(), 0);
        QCOMPARE(
            db.Value(u"SELECT COUNT(*) FROM SO_MALEG WHERE TEX_EVID = 'Revisado en la visita de diciembre'"_s).toInt(),
            120);
        QCOMPARE(db.Value(u"SELECT COUNT(*) FROM SO_MALEG WHERE ACT_USUA = 'ana'"_s).toInt(), 120);
    }
};

QTEST_MAIN(tst_DtmSoMalegSaving)
#include "tst_DtmSoMalegSaving.moc"
