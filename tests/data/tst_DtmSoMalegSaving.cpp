// What a save of the evaluation records does afterwards, on the application server over a database
// built here: the dependent rows are read again, a changed responsible may be given to the whole
// cycle, a record that has just become "N" gets one follow-up row, and what the user is still
// typing is not lost.

#include "EmbeddedWorld.h"
#include "TDateTimeText.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kItemWhere = EmbeddedWorld::FirstItemWhere();
const double kResponsible = 1010203040.0;
const double kOther = 79456123.0;

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

    void afterSave_data()
    {
        QTest::addColumn<QVariant>("responsible");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("sqlFails");
        QTest::addColumn<QString>("fromCode");
        QTest::addColumn<QString>("toCode");
        QTest::addColumn<bool>("question");
        QTest::addColumn<bool>("cycleTakesIt");
        QTest::addColumn<int>("followUps");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("selection"); // the query by example's condition besides area 1
        QTest::addColumn<bool>("typing");       // a follow-up row with only "Seguimiento" typed
        const QVariant same(kResponsible), other(kOther);
        QTest::newRow("unchanged responsible: no question")
            << same << 0 << false << u"C"_s << u"C"_s << false << false << 0 << QString() << QString() << false;
        QTest::newRow("Yes gives it to the cycle") << other << int(QMessageBox::Yes) << false << u"C"_s << u"C"_s
                                                   << true << true << 0 << QString() << QString() << false;
        QTest::newRow("cleared, Yes writes 0") << QVariant() << int(QMessageBox::Yes) << false << u"C"_s << u"C"_s
                                               << true << true << 0 << QString() << QString() << false;
        QTest::newRow("No leaves the cycle, still C->N row")
            << other << int(QMessageBox::No) << false << u"C"_s << u"N"_s << true << false << 1 << QString()
            << QString() << false;
        QTest::newRow("failed update: error, no row")
            << other << int(QMessageBox::Yes) << true << u"C"_s << u"N"_s << true << false << 0
            << u"Error editando el Responsable."_s << QString() << false;
        QTest::newRow("C->N makes one row")
            << same << 0 << false << u"C"_s << u"N"_s << false << false << 1 << QString() << QString() << false;
        QTest::newRow("N->C makes none") << same << 0 << false << u"N"_s << u"C"_s << false << false << 0 << QString()
                                         << QString() << false;
        QTest::newRow("N stays N: none") << same << 0 << false << u"N"_s << u"N"_s << false << false << 0 << QString()
                                         << QString() << false;
        QTest::newRow("typing, C->C: the row being typed stays")
            << same << 0 << false << u"C"_s << u"C"_s << false << false << 0 << QString() << QString() << true;
        QTest::newRow("typing, C->N: one row, the typing stays")
            << same << 0 << false << u"C"_s << u"N"_s << false << false << 1 << QString() << QString() << true;
        QTest::newRow("Yes drops the record from the selection: its row still")
            << other << int(QMessageBox::Yes) << false << u"C"_s << u"N"_s << true << true << 1 << QString()
            << u"MA.COD_RESP = 1010203040"_s << false;
    }
    void afterSave()
    {
        QFETCH(QVariant, responsible);
        QFETCH(int, answer);
        QFETCH(bool, sqlFails);
        QFETCH(QString, fromCode);
        QFETCH(QString, toCode);
        QFETCH(bool, question);
        QFETCH(bool, cycleTakesIt);
        QFETCH(int, followUps);
        QFETCH(QString, error);
        QFETCH(QString, selection);
        QFETCH(bool, typing);
        TDtmSoMaleg &dm = *w->dm;
        if (!selection.isEmpty())
            w->Open(u"MA.COD_EMPR = 1 AND MA.COD_AREA = 1 AND "_s + selection);
        const int allFollowUps = count(u"SELECT COUNT(*) FROM SO_SEMON"_s);
        if (sqlFails) {
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
};

QTEST_MAIN(tst_DtmSoMalegSaving)
#include "tst_DtmSoMalegSaving.moc"
