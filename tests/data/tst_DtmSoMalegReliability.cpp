// Saves that meet another user or a server that goes away, on the application server over a
// database built here: a conflicting save from a second client goes to reconcile with neither
// client's text lost, and a save cut off by the HTTP server dying leaves no partial change in the
// database and the client's change log intact, ready to be saved again once the server is back.

#include "EmbeddedWorld.h"
#include "dataset/EReconcileError.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <csignal>
#include <thread>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kItem = EmbeddedWorld::FirstItem();
const QString kItemWhere = EmbeddedWorld::FirstItemWhere();

// `tolvane-server serve` over a database, on a port of loopback chosen by the system the first time
// and kept on restarts.
class ServeProcess
{
public:
    explicit ServeProcess(QString db) : m_db(std::move(db)) {}
    ~ServeProcess() { Stop(); }

    bool Start()
    {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(qEnvironmentVariable("ZE_SERVER_PATH"),
                        {u"serve"_s, u"--db"_s, m_db, u"--listen"_s, u"127.0.0.1:%1"_s.arg(m_port)});
        QString said;
        const QRegularExpression served(u"Sirviendo en http://127\\.0\\.0\\.1:(\\d+)/"_s);
        while (m_process.waitForReadyRead(20000)) {
            said += QString::fromUtf8(m_process.readAll());
            const QRegularExpressionMatch m = served.match(said);
            if (m.hasMatch()) {
                m_port = m.captured(1).toInt();
                return true;
            }
        }
        qWarning() << "the server did not start:" << said;
        return false;
    }
    void Stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }
    qint64 Pid() const { return m_process.processId(); }
    QProcess &Process() { return m_process; }
    QString Address() const { return u"127.0.0.1:%1"_s.arg(m_port); }

private:
    QString m_db;
    QProcess m_process;
    int m_port = 0;
};

} // namespace

class tst_DtmSoMalegReliability : public QObject
{
    Q_OBJECT

private slots:
    void conflictingSaveGoesToReconcile()
    {
        EmbeddedWorld w(u"ana"_s);
        // A second user on another desk, through a connection of their own.
        std::unique_ptr<SDCOMConnection> other = w.Connect();
        TDtmSoMaleg second(nullptr);
        second.SetRemoteServer(other.get());

        w.Open(kItem);
        EmbeddedWorld::OpenEvaluation(second, kItem);
        TDtmSoMaleg &first = *w.dm;

        // The first user saves the evidence.
        first.QrySoMaleg->Edit();
        first.QrySoMalegTEX_EVID->SetAsString(u"Acta 12 de Ana"_s);
        QCOMPARE(first.QrySoMaleg->ApplyUpdates(0), 0);

        // The second user, still on the old version, rates the item "No Cumple" with an action plan.
        QList<QPair<QString, TUpdateKind>> told;
        const auto previous = SClientDataSet::ReconcileErrorHook;
        SClientDataSet::ReconcileErrorHook = [&told](TDataSet &, const EReconcileError &E, TUpdateKind kind,
                                                     TReconcileAction &a) {
            told << qMakePair(E.Message(), kind);
            a = raSkip;
        };
        gStCodiUsua = u"luis"_s;
        second.QrySoMaleg->Edit();
        second.QrySoMalegIND_CUMP->SetAsString(u"N"_s);
        second.QrySoMalegPLA_ACCI->SetAsString(u"Plan de Luis"_s);
        second.QrySoMaleg->ApplyUpdates(0);
        SClientDataSet::ReconcileErrorHook = previous;

        QCOMPARE(told, (QList<QPair<QString, TUpdateKind>>{
                           {u"El registro no existe o fue modificado por otro usuario."_s, TUpdateKind::ukModify}}));
        // Stored: the first user's save, untouched; no follow-up row for a rating that was not stored.
        const QVariantList stored =
            w.Rows(u"SELECT TEX_EVID, IND_CUMP, PLA_ACCI, ACT_USUA FROM SO_MALEG"_s + kItemWhere).value(0);
        QCOMPARE(stored.value(0).toString(), u"Acta 12 de Ana"_s);
        QCOMPARE(stored.value(1).toString(), u"C"_s);
        QVERIFY(stored.value(2).isNull());
        QCOMPARE(stored.value(3).toString(), u"ana"_s);
        QCOMPARE(w.Value(u"SELECT COUNT(*) FROM SO_SEMON"_s + kItemWhere).toInt(), 0);
        QVERIFY(w.asked.isEmpty());
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

        ServeProcess serve(db.Location());
        QVERIFY(serve.Start());
        SDCOMConnection connection;
        connection.Protocol = u"http"_s;
        connection.Server = serve.Address();
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

        const qint64 pid = serve.Pid();
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
        serve.Process().waitForFinished(10000);

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

QTEST_MAIN(tst_DtmSoMalegReliability)
#include "tst_DtmSoMalegReliability.moc"
