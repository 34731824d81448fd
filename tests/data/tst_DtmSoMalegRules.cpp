// The rules of the evaluation records as a user meets them through the data module, on the
// application server over a database built here: names and scores, the refusal to edit a cycle not
// in force, the audit stamp as stored, the responsible check, the refusal of new rows, and what
// moving through the records does. Then the activity counts and the annual goal: the counts the
// server answers compared with the stored rows, the unified count's running totals, and the
// activity date range taken when the evaluation opens.

#include "EmbeddedWorld.h"
#include "TDateTimeText.h"

#include <QLocale>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QDateTime day(int y, int m, int d)
{
    return QDateTime(QDate(y, m, d), QTime(0, 0));
}

const QString kFirst = EmbeddedWorld::FirstItem();
const QString kFirstWhere = EmbeddedWorld::FirstItemWhere().mid(7); // without " WHERE "
// Item 1.1.3 of company 1, area 1: rated "P", with two activities (goals 80 and 100).
const QString kItem = u"MA.COD_EMPR = 1 AND MA.RMT_PAMA = 1 AND MA.RMT_DEPA = 1 AND MA.RMT_ESTA = 1"
                      " AND MA.RMT_ITES = 3 AND MA.COD_AREA = 1"_s;
const QString kItemPlass = u" FROM SO_PLASS WHERE COD_EMPR = 1 AND RMT_PAMA = 1 AND RMT_DEPA = 1 AND RMT_ESTA = 1"
                           " AND RMT_ITES = 3"_s;

} // namespace

class tst_DtmSoMalegRules : public QObject
{
    Q_OBJECT

    std::unique_ptr<EmbeddedWorld> world;
    TDtmSoMaleg *dm = nullptr;
    // The main window's flags and the report module's unified totals, as they register.
    QObject form, reports;
    bool planAnual = false, unificado = false;
    int totProgr = 0, totEjecu = 0;

    int count(const QString &sql) { return world->Value(sql).toInt(); }

    // Sets columns of the first record in the database, then opens it.
    void openFirstWith(const QVariantMap &values)
    {
        QStringList sets;
        QVariantList args;
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            sets << it.key() + u" = ?"_s;
            args << TDatabase::ToDb(it.value());
        }
        if (!sets.isEmpty())
            world->Exec(u"UPDATE SO_MALEG SET "_s + sets.join(u", "_s) + u" WHERE "_s + kFirstWhere, args);
        world->Open(kFirst);
        QCOMPARE(dm->QrySoMaleg->RecordCount(), 1);
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Colombia)); }

    void init()
    {
        world = std::make_unique<EmbeddedWorld>(u"demo"_s);
        gStCodiUsua = u"jperez"_s;
        dm = world->dm.get();
        DtmSoMaleg = dm;
        planAnual = unificado = false;
        totProgr = totEjecu = 0;
        dm->RegistrarFormaPrincipal(&form, &planAnual, &unificado, nullptr);
        dm->RegistrarTotalesUnificados(&reports, &totProgr, &totEjecu, nullptr);
    }

    void cleanup()
    {
        DtmSoMaleg = nullptr;
        dm = nullptr;
        world.reset();
    }

    void cycleNames()
    {
        QStringList names;
        for (int code = 0; code <= 5; ++code)
            names << TDtmSoMaleg::NombreCiclo(code);
        QCOMPARE(names, (QStringList{QString(), u"Planear"_s, u"Hacer"_s, u"Verificar"_s, u"Actuar"_s, QString()}));
    }

    void namesAndScores_data()
    {
        QTest::addColumn<QVariant>("code");
        QTest::addColumn<int>("year");
        QTest::addColumn<QVariant>("justification");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("score"); // invalid: empty
        const QVariant none;
        QTest::newRow("C") << QVariant(u"C"_s) << 2019 << none << u"Cumple Totalmente"_s << QVariant(0.5);
        QTest::newRow("P") << QVariant(u"P"_s) << 2019 << none << u"Cumple Parcialmente"_s << QVariant(0.25);
        QTest::newRow("N") << QVariant(u"N"_s) << 2019 << none << u"No Cumple"_s << QVariant(0.0);
        QTest::newRow("X 2018") << QVariant(u"X"_s) << 2018 << none << u"No Aplica - No Justifica"_s << QVariant(0.5);
        QTest::newRow("X 2019") << QVariant(u"X"_s) << 2019 << none << u"No Aplica"_s << QVariant(0.5);
        QTest::newRow("J 2018 sin") << QVariant(u"J"_s) << 2018 << none << u"No Aplica - Justifica"_s << QVariant(0.0);
        QTest::newRow("J 2018 con") << QVariant(u"J"_s) << 2018 << QVariant(u"x"_s) << u"No Aplica - Justifica"_s
                                    << QVariant(0.5);
        QTest::newRow("J 2019 vacía") << QVariant(u"J"_s) << 2019 << QVariant(QString()) << u"No Aplica"_s
                                      << QVariant(0.0);
        QTest::newRow("J 2019 con") << QVariant(u"J"_s) << 2019 << QVariant(u"Sin personal"_s) << u"No Aplica"_s
                                    << QVariant(0.5);
        QTest::newRow("Z") << QVariant(u"Z"_s) << 2019 << none << QString() << QVariant(0.0);
        QTest::newRow("sin calificar") << none << 2019 << none << QString() << none;
    }
    void namesAndScores()
    {
        QFETCH(QVariant, code);
        QFETCH(int, year);
        QFETCH(QVariant, justification);
        QFETCH(QString, name);
        QFETCH(QVariant, score);
        openFirstWith({{u"IND_CUMP"_s, code}, {u"FEC_PROC"_s, day(year, 12, 31)}, {u"TEX_JUST"_s, justification}});
        QCOMPARE(dm->QrySoMalegDtfNmbCicl->AsString(), u"Planear"_s);
        QCOMPARE(dm->QrySoMalegDtfNmbCump->AsString(), name);
        QCOMPARE(dm->QrySoMalegDtfCalificacion->IsNull(), !score.isValid());
        if (score.isValid())
            QCOMPARE(dm->QrySoMalegDtfCalificacion->AsFloat(), score.toDouble());
    }

    void responsibleAndAxisNames()
    {
        openFirstWith({});
        QCOMPARE(dm->QrySoMalegDtfNmbResp->AsString(), u"María Fernanda"_s);
        QCOMPARE(dm->QrySoMalegDtfApeResp->AsString(), u"Restrepo Gómez"_s);
        QCOMPARE(dm->QrySoMalegDtfNmbItge->AsString(), u"Gestión del talento humano"_s);
        // A person of the other company is still named; unknown codes show nothing.
        openFirstWith({{u"COD_RESP"_s, 1020304050.0}, {u"COD_ITGE"_s, 5.0}});
        QCOMPARE(dm->QrySoMalegDtfNmbResp->AsString(), u"Andrés Felipe"_s);
        QCOMPARE(dm->QrySoMalegDtfNmbItge->AsString(), u"Gestión de emergencias"_s);
        openFirstWith({{u"COD_RESP"_s, 999.0}, {u"COD_ITGE"_s, 13.0}});
        QCOMPARE(dm->QrySoMalegDtfNmbResp->AsString(), QString());
        QCOMPARE(dm->QrySoMalegDtfApeResp->AsString(), QString());
        QCOMPARE(dm->QrySoMalegDtfNmbItge->AsString(), QString());
        openFirstWith({{u"COD_RESP"_s, QVariant()}, {u"COD_ITGE"_s, QVariant()}});
        QCOMPARE(dm->QrySoMalegDtfNmbResp->AsString(), QString());
        QCOMPARE(dm->QrySoMalegDtfNmbItge->AsString(), QString());
    }

    void namesAreAskedOncePerOpen()
    {
        // The 18 rated records of area 1 share one responsible and five axes.
        world->Open(u"MA.COD_EMPR = 1 AND MA.COD_AREA = 1"_s);
        for (dm->QrySoMaleg->First(); !dm->QrySoMaleg->Eof(); dm->QrySoMaleg->Next())
            QVERIFY(!dm->QrySoMalegDtfNmbCicl->AsString().isEmpty());
        // One person asked for the records; each follow-up row shown asks for its own responsible.
        const int followUps =
            world->Value(u"SELECT COUNT(*) FROM SO_SEMON WHERE COD_EMPR = 1 AND COD_AREA = 1"_s).toInt();
        QCOMPARE(world->server->OpensByProvider.value(u"DtsPGnTerce"_s), 1 + followUps);
        QCOMPARE(world->server->OpensByProvider.value(u"DtsPGnDitem"_s), 5);
        // A person renamed meanwhile shows the new name once the records are read again.
        world->Exec(u"UPDATE GN_TERCE SET NOM_TERC = 'María F.' WHERE COD_TERC = 1010203040"_s);
        QCOMPARE(dm->QrySoMalegDtfNmbResp->AsString(), QString()); // the last record is unrated
        world->Open(kFirst);
        QCOMPARE(dm->QrySoMalegDtfNmbResp->AsString(), u"María F."_s);
        QCOMPARE(world->server->OpensByProvider.value(u"DtsPGnTerce"_s), 2 + followUps);
    }

    void evaluationCriterion()
    {
        openFirstWith({});
        QCOMPARE(dm->EvalCriterio(10), u"CRÍTICO"_s);
        QCOMPARE(dm->EvalCriterio(75.5), u"MODERADAMENTE ACEPTABLE"_s);
        QCOMPARE(dm->EvalCriterio(100), u"ACEPTABLE"_s);
        world->Open(u"MA.COD_EMPR = 1 AND MA.RMT_PAMA = 999"_s); // an empty selection has no level
        QCOMPARE(dm->EvalCriterio(10), QString());
    }

    void editRefusal_data()
    {
        QTest::addColumn<int>("startInDays");
        QTest::addColumn<QVariant>("endInDays");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("empezó hoy, sin fin") << 0 << QVariant() << true;
        QTest::newRow("empezó, ya terminó") << -30 << QVariant(-1) << true;
        QTest::newRow("empieza mañana, sin fin") << 1 << QVariant() << false;
        QTest::newRow("empieza mañana, termina en un mes") << 1 << QVariant(30) << true;
        QTest::newRow("empieza mañana, terminó ayer") << 1 << QVariant(-1) << false;
    }
    void editRefusal()
    {
        QFETCH(int, startInDays);
        QFETCH(QVariant, endInDays);
        QFETCH(bool, allowed);
        const QDate today = QDate::currentDate();
        world->Exec(u"UPDATE SO_PAMAL SET FEC_INIC = ?, FEC_FINA = ? WHERE COD_EMPR = 1 AND RMT_PAMA = 1"_s,
                    {TDatabase::ToDb(QDateTime(today.addDays(startInDays), QTime(0, 0))),
                     endInDays.isValid() ? TDatabase::ToDb(QDateTime(today.addDays(endInDays.toInt()), QTime(0, 0)))
                                         : QVariant()});
        openFirstWith({{u"IND_CUMP"_s, u"N"_s}});
        if (allowed) {
            dm->QrySoMaleg->Edit();
            QCOMPARE(dm->QrySoMaleg->State(), dsEdit);
            QCOMPARE(dm->RespAntesEdicion, 1010203040.0);
            QCOMPARE(dm->CumpAntesEdicion, u"N"_s);
        } else {
            QCOMPARE(ErrorOf([&] { dm->QrySoMaleg->Edit(); }), u"No Es Posible Modificar. No Se Encuentra Vigente!!"_s);
            QCOMPARE(dm->QrySoMaleg->State(), dsBrowse);
            QCOMPARE(dm->RespAntesEdicion, 0.0);
        }
    }

    void editIsStampedWithTheServersTime()
    {
        // The server's clock is set far from the client's: the stamp must carry the server's.
        const QDateTime serverNow(QDate(2001, 2, 3), QTime(4, 5, 6));
        world->engine->SetClock([serverNow] { return serverNow; });
        openFirstWith({});
        dm->QrySoMaleg->Edit();
        dm->QrySoMalegIND_CUMP->SetAsString(u"N"_s);
        dm->QrySoMaleg->Post();
        QCOMPARE(dm->QrySoMaleg->ApplyUpdates(0), 0);
        const QVariantList stored = world
                                        ->Rows(u"SELECT ACT_USUA, ACT_HORA, ACT_ESTA, FEC_MALE, TIP_ITEM, IND_CUMP"
                                               " FROM SO_MALEG WHERE "_s +
                                               kFirstWhere)
                                        .value(0);
        QCOMPARE(stored.value(0).toString(), u"jperez"_s);
        QCOMPARE(TDateTimeText::Parse(stored.value(1).toString()), serverNow);
        QCOMPARE(stored.value(2).toString(), u"M"_s);
        QCOMPARE(TDateTimeText::Parse(stored.value(3).toString()), QDateTime(QDate::currentDate(), QTime(0, 0)));
        QCOMPARE(stored.value(4).toInt(), 5);
        QCOMPARE(stored.value(5).toString(), u"N"_s);
    }

    void responsibleCheck()
    {
        openFirstWith({{u"EMP_ORIG"_s, 1}});
        dm->QrySoMaleg->Edit();
        const QString notFound = u"El Responsable no existe en QGnTerce."_s;
        // A person of company 2, not of EMP_ORIG 1.
        QCOMPARE(ErrorOf([&] { dm->QrySoMalegCOD_RESP->SetAsFloat(1020304050.0); }), notFound);
        QCOMPARE(dm->QrySoMalegCOD_RESP->AsFloat(), 1010203040.0);
        dm->QrySoMalegCOD_RESP->SetAsFloat(79456123.0); // a person of company 1
        QCOMPARE(dm->QrySoMalegCOD_RESP->AsFloat(), 79456123.0);

        // A person of a company the user cannot reach, in the group or not, is not found; the check
        // never turns into a refusal of the company.
        world->Exec(u"INSERT INTO GN_EMPRE (COD_EMPR, NOM_EMPR, PAI_EMPR, GRU_EMPR) VALUES (3, 'Del grupo', 57, 'S'),"
                    " (4, 'Ajena', 57, 'N')"_s);
        world->Exec(u"INSERT INTO GN_TERCE (COD_EMPR, COD_TERC, NOM_TERC, APE_TERC) VALUES (3, 333, 'Ana', 'Grupo'),"
                    " (4, 444, 'Luis', 'Ajeno')"_s);
        for (const auto &[company, person] : {std::pair{3, 333.0}, std::pair{4, 444.0}}) {
            dm->QrySoMalegEMP_ORIG->SetAsInteger(company);
            QCOMPARE(ErrorOf([&] { dm->QrySoMalegCOD_RESP->SetAsFloat(person); }), notFound);
        }

        dm->QrySoMalegCOD_RESP->Clear();
        QVERIFY(dm->QrySoMalegEMP_ORIG->IsNull());
        // Without EMP_ORIG the selected company is taken before the check.
        Application()->Tag = 2;
        dm->QrySoMalegCOD_RESP->SetAsFloat(1020304050.0);
        QCOMPARE(dm->QrySoMalegEMP_ORIG->AsInteger(), 2);
        QCOMPARE(dm->QrySoMalegCOD_RESP->AsFloat(), 1020304050.0);
        Application()->Tag = 1;
        dm->QrySoMaleg->Post();
        QCOMPARE(dm->QrySoMaleg->ApplyUpdates(0), 0);
        QCOMPARE(world->Rows(u"SELECT COD_RESP, EMP_ORIG FROM SO_MALEG WHERE "_s + kFirstWhere).value(0),
                 QVariantList({1020304050.0, 2}));
    }

    void newRowsAreRefused()
    {
        world->Open();
        const int records = dm->QrySoMaleg->RecordCount();
        dm->QrySoMaleg->Append();
        QCOMPARE(dm->QrySoMaleg->State(), dsBrowse);
        QCOMPARE(dm->QrySoMaleg->RecordCount(), records);
        QCOMPARE(dm->QrySoMaleg->ChangeCount(), 0);
        QCOMPARE(world->Value(u"SELECT COUNT(*) FROM SO_MALEG WHERE COD_EMPR = 1"_s).toInt(), 120);
    }

    void digitFlags_data()
    {
        QTest::addColumn<int>("company");
        QTest::addColumn<QVariant>("stored");      // Q0000133 of company 1; invalid: no row
        QTest::addColumn<QVariant>("flagCompany"); // GN_EMPRE.COD_DIFL of the company
        QTest::addColumn<QString>("value");
        QTest::newRow("stored S") << 1 << QVariant(u"S"_s) << QVariant() << u"S"_s;
        QTest::newRow("blanks trimmed") << 1 << QVariant(u" S "_s) << QVariant() << u"S"_s;
        QTest::newRow("stored N") << 1 << QVariant(u"N"_s) << QVariant() << u"N"_s;
        QTest::newRow("absent") << 1 << QVariant() << QVariant() << u"N"_s;
        QTest::newRow("company without flags") << 2 << QVariant(u"S"_s) << QVariant() << u"N"_s;
        QTest::newRow("flags of another company") << 2 << QVariant(u"S"_s) << QVariant(1) << u"S"_s;
    }
    void digitFlags()
    {
        QFETCH(int, company);
        QFETCH(QVariant, stored);
        QFETCH(QVariant, flagCompany);
        QFETCH(QString, value);
        if (stored.isValid())
            world->Exec(u"UPDATE GN_DIGIF SET VAL_VARI = ? WHERE COD_VARI = 'Q0000133' AND COD_EMPR = 1"_s, {stored});
        else
            world->Exec(u"DELETE FROM GN_DIGIF WHERE COD_VARI = 'Q0000133'"_s);
        world->Exec(u"UPDATE GN_EMPRE SET COD_DIFL = ? WHERE COD_EMPR = ?"_s, {flagCompany, company});
        Application()->Tag = company;
        QCOMPARE(dm->VerDigiFlags(u"Q0000133"_s), value);
    }

    void digitFlagReadFailureNamesTheFlag()
    {
        world->Exec(u"DROP TABLE GN_DIGIF"_s);
        for (const auto &[code, quoted] :
             {std::pair{u"Q0000133"_s, u"'Q0000133'"_s}, std::pair{u"Q'8"_s, u"'Q''8'"_s}}) {
            const QString message = ErrorOf([&] { dm->VerDigiFlags(code); });
            QVERIFY2(message.startsWith(u"Error leyendo DIGIFLAG "_s + quoted + u": "_s), qPrintable(message));
            QVERIFY2(message.contains(u"GN_DIGIF"_s), qPrintable(message));
        }
    }

    void navigationFillsTitlesAndReopensDependents()
    {
        QObject form;
        bool planAnual = false;
        bool unificado = false;
        QStringList titles;
        dm->RegistrarFormaPrincipal(&form, &planAnual, &unificado,
                                    [&titles](const QString &a, const QString &b, const QString &c) {
                                        titles = {a, b, c};
                                    });
        world->Open(u"MA.COD_EMPR = 1 AND MA.COD_AREA = 1"_s);
        QCOMPARE(titles,
                 QStringList({u"1. PLANEAR"_s, u"ESTÁNDAR RECURSOS (10%)"_s,
                              u"Estándar: Recursos financieros, técnicos, humanos y de otra índole requeridos "
                              "para coordinar y desarrollar el Sistema de Gestión de la Seguridad y la Salud en "
                              "el Trabajo (SG-SST) (4%)"_s}));
        // Each record brings its own plan activities and follow-up rows, as stored.
        for (int recNo = 1; recNo <= 8; ++recNo) {
            dm->QrySoMaleg->SetRecNo(recNo);
            QVariantList key; // the record's SO_MALEG key
            for (const char *name :
                 {"COD_EMPR", "FEC_PROC", "RMT_PAMA", "RMT_DEPA", "RMT_ESTA", "RMT_ITES", "COD_AREA"})
                key << TDatabase::ToDb(dm->QrySoMaleg->FieldByName(QString::fromLatin1(name))->Value());
            const QString where = u" WHERE COD_EMPR = ? AND FEC_PROC = ? AND RMT_PAMA = ? AND RMT_DEPA = ?"
                                  " AND RMT_ESTA = ? AND RMT_ITES = ?"_s;
            QCOMPARE(dm->QrySoPlass->RecordCount(),
                     world->Value(u"SELECT COUNT(*) FROM SO_PLASS"_s + where, key.mid(0, 6)).toInt());
            QCOMPARE(dm->QrySoSemon->RecordCount(),
                     world->Value(u"SELECT COUNT(*) FROM SO_SEMON"_s + where + u" AND COD_AREA = ?"_s, key).toInt());
            int perCycle = 0;
            for (SClientDataSet *ds : {dm->QrySoPlanear, dm->QrySoHacer, dm->QrySoActuar, dm->QrySoVerificar}) {
                QVERIFY2(ds->Active(), qPrintable(ds->Name()));
                perCycle += ds->RecordCount();
            }
            QCOMPARE(perCycle, dm->QrySoPlass->RecordCount());
        }
        QVERIFY(dm->QrySoPlass->RecordCount() + dm->QrySoSemon->RecordCount() > 0);
        QCOMPARE(dm->CdsCumplEjecu->RecordCount(), 0);
        QCOMPARE(dm->CdsSeguiCumpli->RecordCount(), 0);

        // No current record: empty parts, and the dependents reopen empty.
        world->Open(u"1 = 0"_s);
        dm->QrySoMalegAfterScroll(*dm->QrySoMaleg);
        QCOMPARE(titles, QStringList({u". "_s, u"ESTÁNDAR  (%)"_s, u"Estándar:  (%)"_s}));
        QVERIFY(dm->QrySoPlass->Active());
        QCOMPARE(dm->QrySoPlass->RecordCount(), 0);
        QCOMPARE(dm->QrySoSemon->RecordCount(), 0);
    }

    void goalRowsWhileTheAnnualPlanPrints_data()
    {
        QTest::addColumn<int>("planned");
        QTest::addColumn<int>("executed");
        QTest::addColumn<double>("yearly");
        QTest::newRow("3 de 4") << 4 << 3 << 75.0;
        QTest::newRow("1 de 8") << 8 << 1 << 12.0;
        QTest::newRow("sin plan") << 0 << 2 << 0.0;
    }
    void goalRowsWhileTheAnnualPlanPrints()
    {
        QFETCH(int, planned);
        QFETCH(int, executed);
        QFETCH(double, yearly);
        // The first item's activities are replaced by eight, all in March: `planned` of them planned,
        // `executed` executed; their goals add up to 20 over 8 activities: 2.5 each.
        world->Exec(u"DELETE FROM SO_PLASS WHERE "_s + kFirstWhere);
        for (int a = 0; a < 8; ++a)
            world->Exec(u"INSERT INTO SO_PLASS (ACT_USUA, ACT_HORA, ACT_ESTA, COD_EMPR, FEC_PROC, RMT_PAMA, RMT_DEPA,"
                        " RMT_ESTA, RMT_ITES, COD_AREA, RMT_PLAS, OPC_CICL, CUM_META, MAR_PLAN, MAR_EJEC)"
                        " VALUES ('demo', ?, 'A', 1, ?, 1, 1, 1, 1, 1, ?, 'P', ?, ?, ?)"_s,
                        {TDatabase::ToDb(EmbeddedWorld::ProcessDate()), TDatabase::ToDb(EmbeddedWorld::ProcessDate()),
                         900 + a, a < 4 ? 2 : 3, a < planned ? u"S"_s : u"N"_s, a < executed ? u"S"_s : u"N"_s});
        QObject form, reports;
        bool planAnual = true;
        bool unificado = false;
        dm->RegistrarFormaPrincipal(&form, &planAnual, &unificado, nullptr);
        QList<QPair<int, int>> asked;
        dm->RegistrarTotalesUnificados(&reports, nullptr, nullptr, [&asked](int p, int e) {
            asked << qMakePair(p, e);
            return 33.5;
        });
        world->Open(kFirst);
        QCOMPARE(dm->QrySoPlass->RecordCount(), 8);
        QCOMPARE(dm->MetaAnualActual, 3.0); // 2.5 rounded away from zero
        QCOMPARE(dm->CdsCumplEjecu->RecordCount(), 1);
        QVERIFY(dm->CdsCumplEjecu->FieldByName(u"CUM_PLIM"_s)->IsNull());
        QCOMPARE(dm->CdsCumplEjecu->FieldByName(u"CUM_META"_s)->AsFloat(), 3.0);
        QCOMPARE(dm->CdsCumplEjecu->FieldByName(u"POR_CUMP"_s)->AsFloat(), yearly);
        QCOMPARE(dm->CdsSeguiCumpli->RecordCount(), 12);
        dm->CdsSeguiCumpli->First();
        QCOMPARE(dm->CdsSeguiCumpli->FieldByName(u"CUM_PLIM"_s)->AsString(), u"ENE"_s);
        dm->CdsSeguiCumpli->SetRecNo(3);
        QCOMPARE(dm->CdsSeguiCumpli->FieldByName(u"CUM_PLIM"_s)->AsString(), u"MAR"_s);
        QCOMPARE(dm->CdsSeguiCumpli->FieldByName(u"POR_CUMP"_s)->AsFloat(), 33.5);
        QCOMPARE(asked.size(), 12);
        QCOMPARE(asked.at(0), qMakePair(0, 0));
        QCOMPARE(asked.at(2), qMakePair(planned, executed));

        // Once the flag is cleared a change of record leaves both empty.
        planAnual = false;
        dm->QrySoMalegAfterScroll(*dm->QrySoMaleg);
        QCOMPARE(dm->CdsCumplEjecu->RecordCount(), 0);
        QCOMPARE(dm->CdsSeguiCumpli->RecordCount(), 0);
    }

    void itemCount_data()
    {
        QTest::addColumn<QString>("column");
        for (const QString &c : {u"ENE_PLAN"_s, u"ENE_EJEC"_s, u"MAR_PLAN"_s, u"ABR_PLAN"_s, u"DIC_EJEC"_s})
            QTest::newRow(qPrintable(c)) << c;
    }
    void itemCount()
    {
        QFETCH(QString, column);
        world->Open(kItem);
        const int expected = count(u"SELECT COUNT(*)"_s + kItemPlass + u" AND "_s + column + u" = 'S'"_s);
        QCOMPARE(dm->TotalActiv(column), expected);
        QCOMPARE(RecordingAppServer::Param(world->server->LastParams, column).toString(), u"S"_s);
        // Item mode adds to no total.
        QCOMPARE(totProgr, 0);
        QCOMPARE(totEjecu, 0);
    }

    // The unified count takes the main query's conditions (up to the ORDER BY the harness adds), which may name any
    // table the main query joins.
    void unifiedCount_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QString>("independent");
        const QString joined = u"SELECT COUNT(*) FROM SO_PLASS A JOIN SO_MALEG MA ON A.COD_EMPR = MA.COD_EMPR"
                               " AND A.FEC_PROC = MA.FEC_PROC AND A.RMT_PAMA = MA.RMT_PAMA"
                               " AND A.RMT_DEPA = MA.RMT_DEPA AND A.RMT_ESTA = MA.RMT_ESTA"
                               " AND A.RMT_ITES = MA.RMT_ITES AND A.COD_AREA = MA.COD_AREA"_s;
        QTest::newRow("condición") << u"MA.COD_EMPR = 1"_s
                                   << u"SELECT COUNT(*) FROM SO_PLASS A WHERE A.COD_EMPR = 1 AND A.%1 = 'S'"_s;
        QTest::newRow("dos condiciones") << u"MA.COD_EMPR = 1 AND MA.IND_CUMP = 'N'"_s
                                         << joined + u" WHERE A.COD_EMPR = 1 AND MA.IND_CUMP = 'N' AND A.%1 = 'S'"_s;
        QTest::newRow("tabla unida")
            << u"MA.COD_EMPR = 1 AND AR.NOM_AREA = 'Planta'"_s
            << joined + u" JOIN SO_AREAS AR ON AR.COD_EMPR = MA.COD_EMPR AND AR.COD_AREA = MA.COD_AREA"
                        " WHERE A.COD_EMPR = 1 AND AR.NOM_AREA = 'Planta' AND A.%1 = 'S'"_s;
        // The same items in an area without activities count nothing of the other area's.
        QTest::newRow("área sin actividades") << u"MA.COD_EMPR = 1 AND MA.COD_AREA = 2"_s
                                              << joined + u" WHERE A.COD_EMPR = 1 AND MA.COD_AREA = 2 AND A.%1 = 'S'"_s;
    }
    void unifiedCount()
    {
        QFETCH(QString, extra);
        QFETCH(QString, independent);
        world->Open(extra);
        unificado = true;
        const int planned = count(independent.arg(u"ENE_PLAN"_s));
        const int executed = count(independent.arg(u"ENE_EJEC"_s));
        QCOMPARE(planned > 0, !extra.contains(u"COD_AREA = 2"_s));
        QCOMPARE(dm->TotalActiv(u"ENE_PLAN"_s), planned);
        QCOMPARE(RecordingAppServer::Param(world->server->LastParams, u"P_COD_EMPR"_s).toInt(), 1);
        QCOMPARE(dm->TotalActiv(u"ENE_EJEC"_s), executed);
        QCOMPARE(totProgr, planned);
        QCOMPARE(totEjecu, executed);
    }

    void unifiedCountTakesTheDateRange()
    {
        // Stamped in the last second of the range: the count sees the end with its milliseconds.
        const QDateTime end(QDate(2026, 3, 31), QTime(23, 59, 59, 999));
        const QDateTime stamped(QDate(2026, 3, 31), QTime(23, 59, 59, 500));
        world->Exec(u"UPDATE SO_MALEG SET ACT_HORA = ? WHERE COD_EMPR = 1 AND RMT_PAMA = 1"_s,
                    {TDatabase::ToDb(stamped)});
        world->Open(
            u"MA.COD_EMPR = 1 AND MA.ACT_HORA BETWEEN :PDT_ACT_HORA_INIC AND :PDT_ACT_HORA_FINA"_s,
            {{u"PDT_ACT_HORA_INIC"_s, QDateTime(QDate(2026, 3, 1), QTime(0, 0))}, {u"PDT_ACT_HORA_FINA"_s, end}});
        SClientDataSet *q = dm->QrySoMaleg;
        QCOMPARE(q->RecordCount(), count(u"SELECT COUNT(*) FROM SO_MALEG WHERE COD_EMPR = 1 AND RMT_PAMA = 1"_s));
        QCOMPARE(dm->FechaIniActividad, QDateTime(QDate(2026, 3, 1), QTime(0, 0)));
        QCOMPARE(dm->FechaFinActividad, end);
        unificado = true;
        QCOMPARE(dm->TotalActiv(u"ENE_PLAN"_s),
                 count(u"SELECT COUNT(*) FROM SO_PLASS WHERE COD_EMPR = 1 AND RMT_PAMA = 1 AND ENE_PLAN = 'S'"_s));
        QCOMPARE(RecordingAppServer::Param(world->server->LastParams, u"PDT_ACT_HORA_INIC"_s).toDateTime(),
                 QDateTime(QDate(2026, 3, 1), QTime(0, 0)));
        QCOMPARE(RecordingAppServer::Param(world->server->LastParams, u"PDT_ACT_HORA_FINA"_s).toDateTime(), end);

        // A filter with only the start keeps the former end.
        q->Close();
        QStringList sql = q->SQL();
        for (QString &line : sql)
            line.replace(u" AND :PDT_ACT_HORA_FINA"_s, u" AND '2030-01-01'"_s);
        q->SetSQL(sql);
        q->ParamByName(u"PDT_ACT_HORA_INIC"_s).SetAsDateTime(QDateTime(QDate(2026, 3, 5), QTime(0, 0)));
        q->Open();
        QCOMPARE(dm->FechaIniActividad, QDateTime(QDate(2026, 3, 5), QTime(0, 0)));
        QCOMPARE(dm->FechaFinActividad, end);
    }

    void unifiedCountWithoutItsConditionIsRefused()
    {
        // The design-time query: the area join is its last condition.
        dm->QrySoMaleg->Open();
        unificado = true;
        const int calls = world->server->GetRecordsCalls;
        QCOMPARE(ErrorOf([&] { dm->TotalActiv(u"ENE_PLAN"_s); }),
                 u"No es posible contar las actividades del plan unificado: la consulta de "
                 "evaluaciones no tiene condiciones después de \"MA.COD_AREA = AR.COD_AREA AND\"."_s);
        QCOMPARE(world->server->GetRecordsCalls, calls);
        QCOMPARE(totProgr, 0);
    }

    void annualGoal()
    {
        world->Open(kItem);
        QCOMPARE(dm->QrySoPlass->RecordCount(), 2);
        QCOMPARE(dm->MetaAnual(u"CUM_META"_s), 90.0); // (80 + 100) / 2
        // An item without activities has no goal.
        world->Exec(u"DELETE"_s + kItemPlass);
        world->Open(kItem);
        QCOMPARE(dm->MetaAnual(u"CUM_META"_s), 0.0);
    }
};

QTEST_MAIN(tst_DtmSoMalegRules)
#include "tst_DtmSoMalegRules.moc"
