// The module as the host sees it: loaded with dlopen, driven only through its exported functions.

#include "Globals.h"
#include "SysUtils.h"
#include "TApplication.h"
#include "TForm.h"
#include "WideString.h"

#include <QLibrary>
#include <QTest>
#include <QWidget>

namespace {
using LoadDll = uint32_t (*)(int32_t, BSTR, BSTR, BSTR, BSTR, BSTR, BSTR, BSTR, BSTR);
using LoadDllW = uint32_t (*)(int32_t, const char16_t *, const char16_t *, const char16_t *, const char16_t *,
                              const char16_t *, const char16_t *, const char16_t *, const char16_t *);
using Void = void (*)();
using GetBstr = BSTR (*)();
using GetW = void (*)(const char16_t **);
using Resize2 = void (*)(int32_t, int32_t);
using Resize1 = void (*)(int32_t);
using ResizeW = void (*)(QString, QString);

const char16_t *w(const QString &s)
{
    return reinterpret_cast<const char16_t *>(s.utf16());
}

const QString kGuidNet = QStringLiteral("{5D15CC2C-91DE-4C0F-8921-6CE8F5781BF4}");
const QString kNameNet = QStringLiteral("ZErOdadiBD.ZErOdadi");
const QString kToken = QStringLiteral("5c1e07b3a9d24f60");
} // namespace

class tst_ModuleEntryPoints : public QObject
{
    Q_OBJECT

    QLibrary lib;
    LoadDll load = nullptr;
    LoadDllW loadW = nullptr;
    Void unload = nullptr;

    template <typename F> F fn(const char *name)
    {
        auto f = reinterpret_cast<F>(lib.resolve(name));
        if (!f)
            qFatal("missing export %s", name);
        return f;
    }

    uint32_t loadWith(const QString &params, const QString &clientVersion = QStringLiteral("1.0;2026-12-06"))
    {
        return loadW(0, w(QStringLiteral("local")), w(QStringLiteral("ALIAS")), w(QStringLiteral("srv.db")),
                     w(QStringLiteral("ana")), w(QStringLiteral("secreta")), w(QStringLiteral("7")), w(params),
                     w(clientVersion));
    }

    void checkGetters()
    {
        for (auto [name, expected] : {std::pair{"getServerGuidNet", kGuidNet}, std::pair{"getServerNameNet", kNameNet},
                                      std::pair{"getServerPublicT", kToken}}) {
            BSTR b = fn<GetBstr>(name)();
            QCOMPARE(BstrToQString(b), expected);
            QCOMPARE(SysStringLen(b), uint32_t(expected.size()));
            SysFreeString(b);
            const char16_t *text = nullptr;
            fn<GetW>((QByteArray(name) + "W").constData())(&text);
            QVERIFY(text);
            QCOMPARE(QString::fromUtf16(text), expected);
        }
    }

private slots:
    void initTestCase()
    {
        lib.setFileName(qEnvironmentVariable("ZE_MODULE_PATH"));
        QVERIFY2(lib.load(), qPrintable(lib.errorString()));
        load = fn<LoadDll>("QOpLoadDll");
        loadW = fn<LoadDllW>("QOpLoadDllW");
        unload = fn<Void>("QOpUnLoadDll");
    }

    void gettersAnswerBeforeDuringAndAfterLoad()
    {
        checkGetters();
        loadWith(QString());
        checkGetters();
        unload();
        checkGetters();
    }

    void loadCreatesTheFiveObjectsInOrder()
    {
        const int before = Application()->ComponentCount();
        const uint32_t handle = loadWith(QString());
        const QList<QObject *> owned = Application()->Components().mid(before);
        QStringList names;
        for (QObject *o : owned)
            names << o->objectName();
        QCOMPARE(names,
                 (QStringList{QStringLiteral("DtmSoMaleg"), QStringLiteral("DtmReportes"), QStringLiteral("FrmSoMaleg"),
                              QStringLiteral("FrmMemo"), QStringLiteral("Captura")}));
        QWidget *window = FindControl(handle);
        QVERIFY(window);
        QCOMPARE(window->objectName(), QStringLiteral("FrmSoMaleg"));
        QCOMPARE(gStNombProg, QStringLiteral("ZErOdadi"));

        QStringList destroyed;
        for (QObject *o : owned)
            connect(o, &QObject::destroyed, this, [&destroyed, name = o->objectName()] { destroyed << name; });
        unload();
        QCOMPARE(destroyed,
                 (QStringList{QStringLiteral("FrmSoMaleg"), QStringLiteral("FrmMemo"), QStringLiteral("Captura"),
                              QStringLiteral("DtmReportes"), QStringLiteral("DtmSoMaleg")}));
        QCOMPARE(Application()->ComponentCount(), before);
        QVERIFY(!FindControl(handle));
        unload(); // a repeated unload finds nothing left to destroy
    }

    void nativeLoadTakesComWideStrings()
    {
        QList<BSTR> args;
        for (const QString &s : {QStringLiteral("http"), QStringLiteral("A"), QStringLiteral("127.0.0.1:8080"),
                                 QStringLiteral("demo"), QStringLiteral("pw"), QStringLiteral("2"),
                                 QStringLiteral("p1 \"AND MA.COD_AREA = 3\""), QStringLiteral("2.5;2026-01-31")})
            args << QStringToBstr(s);
        const uint32_t handle = load(0, args[0], args[1], args[2], args[3], args[4], args[5], args[6], args[7]);
        for (BSTR b : args)
            SysFreeString(b); // the module kept copies
        QVERIFY(FindControl(handle));
        QCOMPARE((QStringList{gStProtocolo, gStAliasCnx, gStParSrv, gStParUsu, gStParPas, gStParEmp}),
                 (QStringList{QStringLiteral("http"), QStringLiteral("A"), QStringLiteral("127.0.0.1:8080"),
                              QStringLiteral("demo"), QStringLiteral("pw"), QStringLiteral("2")}));
        QCOMPARE(*gSlParams, QStringList{QStringLiteral("p1")});
        QCOMPARE(gStParHpv, QStringLiteral("AND MA.COD_AREA = 3"));
        QCOMPARE(gStVersionCliente, QStringLiteral("2.5"));
        QCOMPARE(gStFechaCliente, QStringLiteral("2026-01-31"));
        unload();
        // The settings stay for the host and its other modules after an unload.
        QCOMPARE(gStParUsu, QStringLiteral("demo"));
    }

    void parameterString_data()
    {
        QTest::addColumn<QString>("params");
        QTest::addColumn<bool>("listCreated");
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("condition");
        const auto row = [](const char *name, const char *params, bool listCreated,
                            std::initializer_list<const char *> words, const char *condition = "") {
            QStringList list;
            for (const char *word : words)
                list << QString::fromUtf8(word);
            QTest::newRow(name) << QString::fromUtf8(params) << listCreated << list << QString::fromUtf8(condition);
        };
        row("empty", "", false, {});
        row("all blanks keep the blank text", "   ", false, {}, "   ");
        row("two words and a quoted condition", "EMP01 NOMINA \"AND MA.COD_EMPR = 1\"", true, {"EMP01", "NOMINA"},
            "AND MA.COD_EMPR = 1");
        row("leading blank gives an empty first entry", " uno dos", true, {"", "uno", "dos"});
        row("quote without its closing quote", "\"abc def", true, {"", "abc", "def"});
        row("quoted words stay one entry", "\"dos palabras\" tres", true, {"dos palabras", "tres"});
        row("two conditions: the first one stays", "\"AND A = 1\" x \"and B = 2\"", true, {"x"}, "AND A = 1");
        row("condition trimmed inside its quotes", "\"  AND X = 2  \"", true, {}, "AND X = 2");
        row("repeated words", "ab abc ab", true, {"ab", "abc", "ab"});
        // Only U+0020 is a blank: tabs, line breaks and non-breaking spaces belong to the words.
        row("tabs and line breaks stay in the words", "\tuno dos\n", true, {"\tuno", "dos\n"});
        row("a lone tab is a word", "\t", true, {"\t"});
        row("non-breaking space kept in the condition", "\"AND A = 1\u00A0\"", true, {}, "AND A = 1\u00A0");
        row("several blanks between words", "uno    dos  ", true, {"uno", "dos"});
    }
    void parameterString()
    {
        QFETCH(QString, params);
        QFETCH(bool, listCreated);
        QFETCH(QStringList, words);
        QFETCH(QString, condition);

        gSlParams = std::make_unique<QStringList>(QStringList{QStringLiteral("previous")});
        const QStringList *previous = gSlParams.get();
        loadWith(params);
        if (listCreated) {
            QVERIFY(gSlParams.get() != previous);
            QCOMPARE(*gSlParams, words);
        } else {
            QCOMPARE(gSlParams.get(), previous);
            QCOMPARE(*gSlParams, QStringList{QStringLiteral("previous")});
        }
        QCOMPARE(gStParHpv, condition);
        unload();
    }

    void parameterStringLimit()
    {
        const QString longest = QStringLiteral("a").repeated(32767);
        loadWith(longest);
        QCOMPARE(*gSlParams, QStringList{longest});
        unload();

        gStParSrv = QStringLiteral("before");
        const int before = Application()->ComponentCount();
        try {
            loadWith(longest + QStringLiteral("b"));
            QFAIL("a parameter string over 32767 characters was taken");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(),
                     QStringLiteral("La cadena de parámetros tiene 32768 caracteres; el máximo es 32767."));
        }
        // Refused before anything was stored or created.
        QCOMPARE(gStParSrv, QStringLiteral("before"));
        QCOMPARE(Application()->ComponentCount(), before);
    }

    void clientVersion_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("date");
        QTest::newRow("version and date")
            << QStringLiteral("3.1.0;2026-12-06") << QStringLiteral("3.1.0") << QStringLiteral("2026-12-06");
        QTest::newRow("no semicolon") << QStringLiteral("3.1.0") << QStringLiteral("3.1.0") << QString();
        QTest::newRow("nothing after it") << QStringLiteral("3.1.0;") << QStringLiteral("3.1.0") << QString();
        QTest::newRow("a third part stays with the date")
            << QStringLiteral("3.1.0;2026-12-06;x") << QStringLiteral("3.1.0") << QStringLiteral("2026-12-06;x");
        QTest::newRow("empty") << QString() << QString() << QString();
    }
    void clientVersion()
    {
        QFETCH(QString, argument);
        QFETCH(QString, version);
        QFETCH(QString, date);
        loadWith(QString(), argument);
        QCOMPARE(gStVersionCliente, version);
        QCOMPARE(gStFechaCliente, date);
        unload();
    }

    void resizeFunctions()
    {
        QWidget *window = FindControl(loadWith(QString()));
        fn<Resize2>("CambiarTamano")(800, 600);
        QCOMPARE(window->size(), QSize(800, 600));
        fn<Resize1>("CambiarAltura")(500);
        QCOMPARE(window->size(), QSize(800, 500));
        fn<ResizeW>("CambiarTamanoW")(QStringLiteral("900"), QStringLiteral("650"));
        QCOMPARE(window->size(), QSize(900, 650));
        for (const auto &[width, height, wrong] : {std::tuple{"12a", "40", "12a"}, std::tuple{"40", "x", "x"}}) {
            try {
                fn<ResizeW>("CambiarTamanoW")(QString::fromLatin1(width), QString::fromLatin1(height));
                QFAIL("no conversion error");
            } catch (const EConvertError &e) {
                QCOMPARE(e.Message(), QStringLiteral("'%1' no es un número entero válido").arg(QLatin1String(wrong)));
            }
        }
        QCOMPARE(window->size(), QSize(900, 650));
        unload();
        fn<Resize2>("CambiarTamano")(10, 10); // no window: nothing to resize
    }
};

QTEST_MAIN(tst_ModuleEntryPoints)
#include "tst_ModuleEntryPoints.moc"
