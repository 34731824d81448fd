// The host program run as a user runs it: its exit status, what it prints, the picture it saves and
// the report it prints to a PDF file and an Excel workbook.

#include "XlsxSheet.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

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
        for (const QString &display : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            env.remove(display);
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("ZE_HOST_PATH"), args);
        if (!p.waitForFinished(60000))
            return {-1, u"timeout"_s};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2,
                QString::fromUtf8(p.readAllStandardError())};
    }

    QTemporaryDir m_dir;
    QString m_db;

private slots:
    void initTestCase()
    {
        m_db = m_dir.filePath(u"demo.sqlite"_s);
        QProcess server;
        server.start(qEnvironmentVariable("ZE_SERVER_PATH"), {u"demo"_s, u"--db"_s, m_db});
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
        const QString file = dir.filePath(u"host.png"_s);
        QStringList args{u"--screenshot"_s, file, u"--server"_s, m_db};
        if (native)
            args << u"--native"_s;
        const Run run = host(args);
        QCOMPARE(run.exitCode, 0);
        const QImage image(file);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= 1011);
    }

    // Options the host refuses before it loads anything: a usage error, exit status 2.
    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const char *const together = "--report y --pdf se usan juntas";
        const struct
        {
            const char *tag, *args, *message;
        } rows[] = {
            {"--report without --pdf", "--report 0", together},
            {"--pdf without --report", "--pdf x.pdf", together},
            {"--xlsx without --report", "--xlsx x.xlsx", together},
            {"--report not a number", "--report uno --pdf x.pdf", "--report debe ser un número entero: \"uno\"."},
            {"--report with --screenshot", "--report 0 --pdf x.pdf --screenshot x.png",
             "--report no se usa junto con --screenshot."},
            // Qt's own texts read in Spanish (its translations loaded by the host).
            {"unknown option", "--informe 0", "Opción desconocida «informe»."},
        };
        for (const auto &r : rows)
            QTest::newRow(r.tag) << QString::fromUtf8(r.args).split(u' ') << QString::fromUtf8(r.message);
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run run = host(args << u"--server"_s << m_db);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
    }

    // A report printed without a display: the chooser's option and the PDF file come from the
    // command line; a refused option is reported on stderr.
    void reportToPdf_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("company");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");    // on stderr
        QTest::addColumn<QString>("pdfText"); // in the PDF's text; empty: no file
        QTest::newRow("values table") << u"0"_s << u"1"_s << 0 << QString() << u"TABLA DE VALORES Y CALIFICACIÓN"_s;
        QTest::newRow("second company") << u"0"_s << u"2"_s << 0 << QString() << u"EL NIVEL DE SU EVALUACIÓN ES:"_s;
        QTest::newRow("no such option") << u"7"_s << u"1"_s << 1
                                        << u"tolvane-host: Debe Seleccionar una Opción Válida!!"_s << QString();
    }
    void reportToPdf()
    {
        QFETCH(QString, option);
        QFETCH(QString, company);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QFETCH(QString, pdfText);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(u"informe.pdf"_s);
        const QString xlsx = dir.filePath(u"informe.xlsx"_s);
        const Run run = host(
            {u"--server"_s, m_db, u"--company"_s, company, u"--report"_s, option, u"--pdf"_s, pdf, u"--xlsx"_s, xlsx});
        QString text;
        if (QFile::exists(pdf)) {
            QProcess pdftotext;
            pdftotext.start(u"pdftotext"_s, {pdf, u"-"_s});
            QVERIFY(pdftotext.waitForFinished(60000));
            text = QString::fromUtf8(pdftotext.readAllStandardOutput());
        }
        QVERIFY2(says.isEmpty() || run.errors.contains(says), qPrintable(run.errors));
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(QFile::exists(pdf), !pdfText.isEmpty());
        QVERIFY2(text.contains(pdfText), qPrintable(text));
        // The same run writes the report's tables as a workbook: 60 items per area, then the total.
        QCOMPARE(QFile::exists(xlsx), !pdfText.isEmpty());
        if (QFile::exists(xlsx)) {
            const XlsxSheet sheet(xlsx);
            QCOMPARE(sheet.RowOf(u"TOTALES"_s), 1 + (company == u"1"_s ? 120 : 60) + 2 + (company == u"1"_s ? 2 : 0));
        }
    }

    void failuresAreReportedNotCrashed_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("wrong password") << QStringList{u"--server"_s, u"%DB%"_s, u"--password"_s, u"mala"_s}
                                        << u"Usuario o contraseña incorrectos"_s;
        QTest::newRow("missing module") << QStringList{u"--module"_s, u"/nonexistent/libX.so"_s}
                                        << u"No fue posible cargar el módulo /nonexistent/libX.so"_s;
        // An exception raised inside the module is caught by type in the host.
        QTest::newRow("parameter string too long")
            << QStringList{u"--params"_s, u"p"_s.repeated(40000)}
            << u"La cadena de parámetros tiene 40000 caracteres; el máximo es 32767."_s;
    }
    void failuresAreReportedNotCrashed()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QTemporaryDir dir;
        args.replaceInStrings(u"%DB%"_s, m_db);
        const Run run = host(args << u"--screenshot"_s << dir.filePath(u"x.png"_s));
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
    }
};

QTEST_GUILESS_MAIN(tst_HostProgram)
#include "tst_HostProgram.moc"
