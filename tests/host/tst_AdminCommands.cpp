// tolvane-server's admin commands as an administrator types them: a database from nothing to an
// evaluation a user can open.

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class tst_AdminCommands : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_db;

    struct Run
    {
        int exitCode;
        QString out;
    };

    Run server(const QStringList &args, const QByteArray &input = QByteArray())
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(qEnvironmentVariable("ZE_SERVER_PATH"), args);
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(120000))
            return {-1, QStringLiteral("timeout")};
        return {p.exitCode(), QString::fromUtf8(p.readAll())};
    }

private slots:
    void initTestCase()
    {
        m_db = m_dir.filePath(QStringLiteral("nueva.sqlite"));
        QCOMPARE(server({QStringLiteral("init"), QStringLiteral("--db"), m_db}).exitCode, 0);
    }

    void steps_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        const QString db = QStringLiteral("%DB%");
        QTest::newRow("a company")
            << QStringList{QStringLiteral("add-company"), QStringLiteral("--db"), db, QStringLiteral("--company"),
                           QStringLiteral("7"), QStringLiteral("--name"), QStringLiteral("Taller Central S.A.S."),
                           QStringLiteral("--areas"), QStringLiteral("S")}
            << QByteArray() << 0 << QStringLiteral("Empresa 7 registrada.");
        QTest::newRow("the same code again")
            << QStringList{QStringLiteral("add-company"), QStringLiteral("--db"), db, QStringLiteral("--company"),
                           QStringLiteral("7"), QStringLiteral("--name"), QStringLiteral("Otra")}
            << QByteArray() << 1 << QStringLiteral("Error: La empresa 7 ya existe.");
        QTest::newRow("areas neither S nor N")
            << QStringList{QStringLiteral("add-company"), QStringLiteral("--db"), db, QStringLiteral("--company"),
                           QStringLiteral("8"), QStringLiteral("--name"), QStringLiteral("Otra"), QStringLiteral("--areas"),
                           QStringLiteral("quizá")}
            << QByteArray() << 1 << QStringLiteral("--areas admite S o N.");
        QTest::newRow("a user for it")
            << QStringList{QStringLiteral("add-user"), QStringLiteral("--db"), db, QStringLiteral("--user"),
                           QStringLiteral("ana"), QStringLiteral("--companies"), QStringLiteral("7")}
            << QByteArray("clave\n") << 0 << QStringLiteral("Usuario ana guardado.");
        QTest::newRow("its evaluation")
            << QStringList{QStringLiteral("import-catalogue"), QStringLiteral("--db"), db, QStringLiteral("--company"),
                           QStringLiteral("7"), QStringLiteral("--csv"), QStringLiteral(ZE_DEMO_DIR "/catalogo-estandares-minimos.csv"),
                           QStringLiteral("--process-date"), QStringLiteral("2026-02-02"), QStringLiteral("--valid-from"),
                           QStringLiteral("2026-01-01"), QStringLiteral("--areas"), QStringLiteral("1:Planta,2:Oficinas")}
            << QByteArray() << 0 << QStringLiteral("60 ítems, 120 registros de evaluación");
        QTest::newRow("a catalogue for a company that does not exist")
            << QStringList{QStringLiteral("import-catalogue"), QStringLiteral("--db"), db, QStringLiteral("--company"),
                           QStringLiteral("9"), QStringLiteral("--csv"), QStringLiteral(ZE_DEMO_DIR "/catalogo-estandares-minimos.csv"),
                           QStringLiteral("--process-date"), QStringLiteral("2026-02-02"), QStringLiteral("--valid-from"),
                           QStringLiteral("2026-01-01")}
            << QByteArray() << 1 << QStringLiteral("La empresa 9 no existe.");
    }
    void steps()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        const Run run = server(args.replaceInStrings(QStringLiteral("%DB%"), m_db), input);
        QVERIFY2(run.out.contains(says), qPrintable(run.out));
        QCOMPARE(run.exitCode, exitCode);
    }
};

QTEST_GUILESS_MAIN(tst_AdminCommands)
#include "tst_AdminCommands.moc"
