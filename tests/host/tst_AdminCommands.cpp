// tolvane-server's admin commands as an administrator types them: a database from nothing to an
// evaluation a user can open, and a company's name, tax number and report logo changed afterwards.

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class tst_AdminCommands : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_db;
    QString m_companyDb; // company 3 as add-company leaves it, copied for each set-company case

    struct Run
    {
        int exitCode;
        QString out;
        QString err;
    };

    Run server(const QStringList &args, const QByteArray &input = QByteArray())
    {
        QProcess p;
        p.start(qEnvironmentVariable("ZE_SERVER_PATH"), args);
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(120000))
            return {-1, u"timeout"_s, QString()};
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    QString file(const QString &name) const { return m_dir.filePath(name); }

    static QByteArray bytesOf(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Runs sql on a SQLite file: the first row's values, or the error's text.
    static QVariantList sqlite(const QString &db, const QString &sql)
    {
        QVariantList row;
        {
            QSqlDatabase c = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"prueba"_s);
            c.setDatabaseName(db);
            c.open();
            QSqlQuery q(c);
            if (!q.exec(sql))
                row << q.lastError().text();
            else if (q.next())
                for (int i = 0; i < q.record().count(); ++i)
                    row << q.value(i);
        }
        QSqlDatabase::removeDatabase(u"prueba"_s);
        return row;
    }

private slots:
    void initTestCase()
    {
        m_db = m_dir.filePath(u"nueva.sqlite"_s);
        QCOMPARE(server({u"init"_s, u"--db"_s, m_db}).exitCode, 0);
        m_companyDb = file(u"empresa.sqlite"_s);
        QCOMPARE(server({u"add-company"_s, u"--db"_s, m_companyDb, u"--company"_s, u"3"_s, u"--name"_s,
                         u"Ferretería El Tornillo"_s, u"--nit"_s, u"900555111"_s})
                     .exitCode,
                 0);
        // Logos a user may hand over: a JPEG, a text file named .png, a PNG whose header is damaged.
        QImage picture(24, 16, QImage::Format_RGB32);
        picture.fill(QColor(0x1f, 0x6f, 0x8b));
        QVERIFY(picture.save(file(u"logo.jpg"_s), "JPEG"));
        QFile text(file(u"texto.png"_s));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("esto no es una imagen\n") > 0);
        text.close();
        QByteArray damaged = bytesOf(QStringLiteral(ZE_DEMO_DIR "/logo-empresa-2.png"));
        damaged[20] = char(0x7f); // the height changes, the chunk's CRC no longer matches
        QFile broken(file(u"dañado.png"_s));
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write(damaged) == damaged.size());
    }

    void steps_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        const auto args = [](std::initializer_list<const char *> words) {
            QStringList out;
            for (const char *w : words)
                out << QString::fromUtf8(w);
            return out;
        };
        QTest::newRow("a company") << args({"add-company", "--db", "%DB%", "--company", "7", "--name",
                                            "Taller Central S.A.S.", "--areas", "S"})
                                   << QByteArray() << 0 << u"Empresa 7 registrada."_s;
        QTest::newRow("the same code again")
            << args({"add-company", "--db", "%DB%", "--company", "7", "--name", "Otra"}) << QByteArray() << 1
            << u"Error: La empresa 7 ya existe."_s;
        QTest::newRow("areas neither S nor N")
            << args({"add-company", "--db", "%DB%", "--company", "8", "--name", "Otra", "--areas", "quizá"})
            << QByteArray() << 1 << u"--areas admite S o N."_s;
        QTest::newRow("a user for it") << args({"add-user", "--db", "%DB%", "--user", "ana", "--companies", "7"})
                                       << QByteArray("clave\n") << 0 << u"Usuario ana guardado."_s;
        QTest::newRow("its evaluation") << args({"import-catalogue", "--db", "%DB%", "--company", "7", "--csv",
                                                 ZE_DEMO_DIR "/catalogo-estandares-minimos.csv", "--process-date",
                                                 "2026-02-02", "--valid-from", "2026-01-01", "--areas",
                                                 "1:Planta,2:Oficinas"})
                                        << QByteArray() << 0 << u"60 ítems, 120 registros de evaluación"_s;
        QTest::newRow("a catalogue for a company that does not exist")
            << args({"import-catalogue", "--db", "%DB%", "--company", "9", "--csv",
                     ZE_DEMO_DIR "/catalogo-estandares-minimos.csv", "--process-date", "2026-02-02", "--valid-from",
                     "2026-01-01"})
            << QByteArray() << 1 << u"La empresa 9 no existe."_s;
        // Usage errors: exit status 2, nothing read or written.
        QTest::newRow("a date that is not one")
            << args({"import-catalogue", "--db", "%DB%", "--company", "7", "--official", "60", "--process-date",
                     "fecha", "--valid-from", "2026-01-01"})
            << QByteArray() << 2 << u"--process-date y --valid-from deben ser fechas AAAA-MM-DD."_s;
        QTest::newRow("a file and the official table")
            << args({"import-catalogue", "--db", "%DB%", "--company", "7", "--csv", "x.csv", "--official", "60"})
            << QByteArray() << 2 << u"Indique --csv ARCHIVO o --official 60 (solo una de las dos)."_s;
        QTest::newRow("an official table that does not exist")
            << args({"import-catalogue", "--db", "%DB%", "--company", "7", "--official", "61"}) << QByteArray() << 2
            << u"--official debe ser 60."_s;
        QTest::newRow("an unknown command")
            << args({"nada", "--db", "%DB%"}) << QByteArray() << 2 << u"Comando desconocido: nada"_s;
    }
    void steps()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        const Run run = server(args.replaceInStrings(u"%DB%"_s, m_db), input);
        QVERIFY2((run.out + run.err).contains(says), qPrintable(run.out + run.err));
        QCOMPARE(run.exitCode, exitCode);
    }

    // set-company changes only what it is given; a refusal says why on stderr and changes nothing.
    // The row read back is company 3's name, tax number and logo (a file's bytes, or none).
    void setCompany_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("before"); // SQL run on the database first
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qlonglong>("nit");
        QTest::addColumn<QString>("logo");
        const QString original = u"Ferretería El Tornillo"_s;
        const QString demoLogo = QStringLiteral(ZE_DEMO_DIR "/logo-empresa-1.png");
        const auto args = [](std::initializer_list<const char *> words) {
            QStringList out{u"set-company"_s, u"--db"_s, u"%DB%"_s};
            for (const char *w : words)
                out << QString::fromUtf8(w);
            return out;
        };
        QTest::newRow("name, NIT and logo") << args({"--company", "3", "--name", "Ferretería El Tornillo S.A.S.",
                                                     "--nit", "901234567", "--logo", ZE_DEMO_DIR "/logo-empresa-1.png"})
                                            << QString() << 0 << u"Empresa 3 actualizada: nombre, NIT, logotipo."_s
                                            << u"Ferretería El Tornillo S.A.S."_s << 901234567LL << demoLogo;
        QTest::newRow("only a ten-digit NIT")
            << args({"--company", "3", "--nit", " 9001234567 "}) << QString() << 0 << u"Empresa 3 actualizada: NIT."_s
            << original << 9001234567LL << QString();
        QTest::newRow("a JPEG logo") << args({"--company", "3", "--logo", "%DIR%/logo.jpg"}) << QString() << 0
                                     << u"Empresa 3 actualizada: logotipo."_s << original << 900555111LL
                                     << u"%DIR%/logo.jpg"_s;
        QTest::newRow("a database made before logos gains the column")
            << args({"--company", "3", "--logo", ZE_DEMO_DIR "/logo-empresa-1.png"})
            << u"ALTER TABLE GN_EMPRE DROP COLUMN BMP_REPO"_s << 0 << u"Empresa 3 actualizada: logotipo."_s << original
            << 900555111LL << demoLogo;
        // Refused: company 3 stays as add-company left it.
        const auto refused = [&](const char *tag, const QStringList &words, int exitCode, const QString &says) {
            QTest::newRow(tag) << words << QString() << exitCode << says << original << 900555111LL << QString();
        };
        refused("unknown company", args({"--company", "99", "--name", "Otra"}), 1,
                u"Error: La empresa 99 no existe."_s);
        refused("NIT with its check digit", args({"--company", "3", "--name", "Otra", "--nit", "900123456-7"}), 1,
                u"Error: El NIT debe ser un número entero positivo de hasta 15 cifras, sin puntos ni dígito de"
                " verificación: \"900123456-7\"."_s);
        refused("NIT zero", args({"--company", "3", "--nit", "0"}), 1,
                u"Error: El NIT debe ser un número entero positivo"_s);
        refused("a text file named .png", args({"--company", "3", "--name", "Otra", "--logo", "%DIR%/texto.png"}), 1,
                u"Error: El logotipo no es una imagen PNG o JPEG válida."_s);
        refused("a PNG whose header is damaged", args({"--company", "3", "--logo", "%DIR%/dañado.png"}), 1,
                u"Error: El logotipo no es una imagen PNG o JPEG válida."_s);
        refused("a logo file that is not there",
                args({"--company", "3", "--nit", "901234567", "--logo", "%DIR%/no-existe.png"}), 1,
                u"Error: No se puede leer el archivo --logo \"%DIR%/no-existe.png\"."_s);
        refused("nothing to change", args({"--company", "3"}), 2, u"Indique qué cambiar: --name, --nit o --logo."_s);
    }
    void setCompany()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, before);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QFETCH(QString, name);
        QFETCH(qlonglong, nit);
        QFETCH(QString, logo);
        QTemporaryDir dir;
        const QString db = dir.filePath(u"caso.sqlite"_s);
        QVERIFY(QFile::copy(m_companyDb, db));
        if (!before.isEmpty())
            QCOMPARE(sqlite(db, before), QVariantList());
        args.replaceInStrings(u"%DB%"_s, db).replaceInStrings(u"%DIR%"_s, m_dir.path());
        says.replace(u"%DIR%"_s, m_dir.path());
        const Run run = server(args);
        QVERIFY2((exitCode == 0 ? run.out : run.err).contains(says), qPrintable(run.out + run.err));
        QCOMPARE(run.exitCode, exitCode);
        const QByteArray bytes = logo.isEmpty() ? QByteArray() : bytesOf(logo.replace(u"%DIR%"_s, m_dir.path()));
        QVERIFY(logo.isEmpty() || !bytes.isEmpty());
        const QVariantList row = sqlite(db, u"SELECT NOM_EMPR, NIT_EMPR, BMP_REPO FROM GN_EMPRE WHERE COD_EMPR = 3"_s);
        QCOMPARE(row.value(0).toString(), name);
        QCOMPARE(row.value(1).toLongLong(), nit);
        QCOMPARE(row.value(2).toByteArray(), bytes);
    }
};

QTEST_GUILESS_MAIN(tst_AdminCommands)
#include "tst_AdminCommands.moc"
