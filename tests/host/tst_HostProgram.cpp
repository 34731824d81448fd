// The host program run as a user runs it: its exit status, what it prints, the picture it saves.

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class tst_HostProgram : public QObject
{
    Q_OBJECT

    struct Run
    {
        int exitCode;
        QString errors;
    };

    Run host(const QStringList &args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("ZE_HOST_PATH"), args);
        if (!p.waitForFinished(60000))
            return {-1, QStringLiteral("timeout")};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, QString::fromUtf8(p.readAllStandardError())};
    }

    QTemporaryDir m_dir;
    QString m_db;

private slots:
    void initTestCase()
    {
        m_db = m_dir.filePath(QStringLiteral("demo.sqlite"));
        QProcess server;
        server.start(qEnvironmentVariable("ZE_SERVER_PATH"), {QStringLiteral("demo"), QStringLiteral("--db"), m_db});
        QVERIFY(server.waitForFinished(120000));
        QCOMPARE(server.exitCode(), 0);
    }

    void screenshotWithoutDisplay_data()
    {
        QTest::addColumn<bool>("native");
        QTest::newRow("QOpLoadDllW") << false;
        QTest::newRow("QOpLoadDll") << true;
    }
    void screenshotWithoutDisplay()
    {
        QFETCH(bool, native);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("host.png"));
        QStringList args{QStringLiteral("--screenshot"), file, QStringLiteral("--server"), m_db};
        if (native)
            args << QStringLiteral("--native");
        const Run run = host(args);
        QCOMPARE(run.exitCode, 0);
        const QImage image(file);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= 1011);
    }

    void failuresAreReportedNotCrashed_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("wrong password")
            << QStringList{QStringLiteral("--server"), QStringLiteral("%DB%"), QStringLiteral("--password"), QStringLiteral("mala")}
            << QStringLiteral("Usuario o contraseña incorrectos");
        QTest::newRow("missing module") << QStringList{QStringLiteral("--module"), QStringLiteral("/nonexistent/libX.so")}
                                        << QStringLiteral("No fue posible cargar el módulo /nonexistent/libX.so");
        // An exception raised inside the module is caught by type in the host.
        QTest::newRow("parameter string too long")
            << QStringList{QStringLiteral("--params"), QStringLiteral("p").repeated(40000)}
            << QStringLiteral("La cadena de parámetros tiene 40000 caracteres; el máximo es 32767.");
    }
    void failuresAreReportedNotCrashed()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QTemporaryDir dir;
        args.replaceInStrings(QStringLiteral("%DB%"), m_db);
        const Run run = host(args << QStringLiteral("--screenshot") << dir.filePath(QStringLiteral("x.png")));
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
    }
};

QTEST_GUILESS_MAIN(tst_HostProgram)
#include "tst_HostProgram.moc"
