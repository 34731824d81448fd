#include "SysUtils.h"
#include "WideString.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class tst_SysUtils : public QObject
{
    Q_OBJECT
private slots:
    void strToInt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << u"12"_s << true << 12;
        QTest::newRow("leading blanks") << u"  640"_s << true << 640;
        QTest::newRow("negative") << u"-5"_s << true << -5;
        QTest::newRow("plus sign") << u"+7"_s << true << 7;
        QTest::newRow("max") << u"2147483647"_s << true << 2147483647;
        QTest::newRow("min") << u"-2147483648"_s << true << int(-2147483648LL);
        QTest::newRow("letters after digits") << u"12a"_s << false << 0;
        QTest::newRow("trailing blank") << u"12 "_s << false << 0;
        QTest::newRow("empty") << QString() << false << 0;
        QTest::newRow("sign only") << u"-"_s << false << 0;
        QTest::newRow("overflow") << u"2147483648"_s << false << 0;
        QTest::newRow("long overflow") << u"99999999999999999999"_s << false << 0;
        QTest::newRow("hex") << u"0x10"_s << false << 0;
        QTest::newRow("decimal point") << u"1.5"_s << false << 0;
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
            QCOMPARE(e.Message(), u"'%1' no es un número entero válido"_s.arg(text));
        }
    }

    void bstrLayout_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("ascii") << u"ZErOdadi"_s;
        QTest::newRow("accents") << u"Estándares Mínimos"_s;
        QTest::newRow("embedded null") << QString(u"a"_s + QChar(0) + u"b"_s);
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
