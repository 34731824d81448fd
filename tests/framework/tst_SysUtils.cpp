#include "SysUtils.h"
#include "WideString.h"

#include <QTest>

class tst_SysUtils : public QObject
{
    Q_OBJECT
private slots:
    void strToInt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << QStringLiteral("12") << true << 12;
        QTest::newRow("leading blanks") << QStringLiteral("  640") << true << 640;
        QTest::newRow("negative") << QStringLiteral("-5") << true << -5;
        QTest::newRow("plus sign") << QStringLiteral("+7") << true << 7;
        QTest::newRow("max") << QStringLiteral("2147483647") << true << 2147483647;
        QTest::newRow("min") << QStringLiteral("-2147483648") << true << int(-2147483648LL);
        QTest::newRow("letters after digits") << QStringLiteral("12a") << false << 0;
        QTest::newRow("trailing blank") << QStringLiteral("12 ") << false << 0;
        QTest::newRow("empty") << QString() << false << 0;
        QTest::newRow("sign only") << QStringLiteral("-") << false << 0;
        QTest::newRow("overflow") << QStringLiteral("2147483648") << false << 0;
        QTest::newRow("long overflow") << QStringLiteral("99999999999999999999") << false << 0;
        QTest::newRow("hex") << QStringLiteral("0x10") << false << 0;
        QTest::newRow("decimal point") << QStringLiteral("1.5") << false << 0;
    }
    void strToInt()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        if (valid) {
            QCOMPARE(StrToInt(text), value);
            return;
        }
        try {
            StrToInt(text);
            QFAIL("no conversion error");
        } catch (const EConvertError &e) {
            QCOMPARE(e.Message(), QStringLiteral("'%1' no es un número entero válido").arg(text));
        }
    }

    void abortIsSilentKind()
    {
        try {
            Abort();
        } catch (const Exception &e) {
            QVERIFY(dynamic_cast<const EAbort *>(&e));
            QCOMPARE(e.Message(), QStringLiteral("Operation aborted"));
        }
    }

    void bstrLayout_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("ascii") << QStringLiteral("ZErOdadi");
        QTest::newRow("accents") << QStringLiteral("Estándares Mínimos");
        QTest::newRow("embedded null") << QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
    }
    void bstrLayout()
    {
        QFETCH(QString, text);
        BSTR b = QStringToBstr(text);
        QVERIFY(b);
        QCOMPARE(SysStringLen(b), uint32_t(text.size()));
        uint32_t prefix;
        std::memcpy(&prefix, reinterpret_cast<char *>(b) - 4, 4);
        QCOMPARE(prefix, uint32_t(text.size() * 2));
        QCOMPARE(b[text.size()], u'\0');
        QCOMPARE(BstrToQString(b), text);
        SysFreeString(b);
    }

    void nullBstrIsEmpty()
    {
        QCOMPARE(SysStringLen(nullptr), 0u);
        QCOMPARE(BstrToQString(nullptr), QString());
        SysFreeString(nullptr);
        QCOMPARE(SysAllocString(nullptr), nullptr);
    }
};

QTEST_GUILESS_MAIN(tst_SysUtils)
#include "tst_SysUtils.moc"
