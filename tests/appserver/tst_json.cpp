// The JSON of a provider open, written and read without a QJsonDocument tree (TJsonCodec::WritePacket
// and ReadPacket): the bytes must be those QJsonDocument writes, and the values read those
// QJsonDocument + TJsonCodec::ToPacket give (or the same refusal), for awkward values and for texts
// other writers may send. Over HTTP, an independent client (cpp-httplib) must read the same rows.
#include "EAppServerError.h"
#include "TAppServerFixture.h"
#include "TDateTimeText.h"
#include "TJsonCodec.h"
#include "TJsonPacketReader.h"
#include "TJsonRequestReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstring>
#include <httplib.h>
#include <limits>
#include <random>

using namespace Qt::Literals::StringLiterals;

namespace {

// The packet as text: every field with its attributes, every value with its type; doubles to the
// last digit (so -0.0 differs from 0.0), bytes in base 64.
QString dump(const SDataPacket &p)
{
    QString out;
    for (const SFieldDef &f : p.Fields)
        out += u"%1 %2 %3 %4%5%6%7\n"_s.arg(f.Name)
                   .arg(int(f.DataType))
                   .arg(f.Size)
                   .arg(f.Required)
                   .arg(f.InKey)
                   .arg(f.ReadOnly)
                   .arg(f.Hidden);
    for (const QVariantList &row : p.Rows) {
        for (const QVariant &v : row)
            out += QString::fromLatin1(v.typeName()) + u'(' +
                   (v.typeId() == QMetaType::Double       ? QString::number(v.toDouble(), 'g', 17)
                    : v.typeId() == QMetaType::QByteArray ? QString::fromLatin1(v.toByteArray().toBase64())
                    : v.typeId() == QMetaType::QDateTime  ? v.toDateTime().toString(Qt::ISODateWithMs)
                                                          : v.toString()) +
                   u')';
        out += u'\n';
    }
    return out;
}

// What reading a text gives, as text: the packet, or the refusal's message; fast: TJsonCodec's own
// reader, else QJsonDocument's tree and TJsonCodec::ToPacket.
QString reading(const QByteArray &json, bool fast)
{
    try {
        return dump(fast ? TJsonCodec::ReadPacket(json) : TJsonCodec::ToPacket(QJsonDocument::fromJson(json).object()));
    } catch (const EAppServerError &e) {
        return u"rechazo: "_s + e.Message();
    }
}

// Each awkward character after runs of 0 to 17 plain ones, so it falls on every position of the
// blocks the writer and the reader scan at a time.
QString awkwardAtEveryOffset()
{
    const QString awkward[] = {u"\""_s, u"\\"_s, u"\n"_s, QString(QChar(1)), u"ñ"_s, u"😀"_s, QString(QChar(0x7f)),
                               u"€"_s};
    QString s;
    for (const QString &a : awkward)
        for (int run = 0; run < 18; ++run)
            s += QString(run, QLatin1Char('x')) + a;
    return s;
}

QString everyControlCharacter()
{
    QString s;
    for (char16_t c = 1; c < 0x20; ++c)
        s += QChar(c);
    return s + QChar(0x7f);
}

// The fields of the hand-written texts, in the server's form.
const char *const kFields = R"([{"key":true,"name":"N","required":true,"size":0,"type":"integer"},)"
                            R"({"key":false,"name":"F","required":false,"size":0,"type":"float"},)"
                            R"({"key":false,"name":"S","required":false,"size":20,"type":"string"},)"
                            R"({"key":false,"name":"D","required":false,"size":0,"type":"datetime"},)"
                            R"({"key":false,"name":"B","required":false,"size":0,"type":"boolean"},)"
                            R"({"key":false,"name":"X","required":false,"size":0,"type":"blob"}])";

QByteArray packetText(const char *rows)
{
    return QByteArray(R"({"fields":)") + kFields + R"(,"rows":)" + rows + '}';
}

} // namespace

class TstJson : public QObject
{
    Q_OBJECT
    TAppServerFixture m_fx;

private slots:
    void initTestCase() { m_fx.Init(u"json"_s); }
    void cleanupTestCase() { m_fx.Cleanup(); }

    // One awkward value between two plain ones: written as QJsonDocument writes it, read back as
    // QJsonDocument reads it. direct: the reader takes it without QJsonDocument's help; same: the
    // value read back is the value written. One exception, asLikeDocument false: QJsonDocument
    // drops a U+FEFF that opens a text (it takes it for a byte order mark); the reader keeps it.
    void values_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("direct");
        QTest::addColumn<bool>("same");
        QTest::addColumn<bool>("asLikeDocument");
        const int str = int(TFieldType::ftString), memo = int(TFieldType::ftMemo), chr = int(TFieldType::ftFixedChar);
        const int itg = int(TFieldType::ftInteger), sml = int(TFieldType::ftSmallint), flt = int(TFieldType::ftFloat);
        const int dtm = int(TFieldType::ftDateTime), blb = int(TFieldType::ftBlob), bln = int(TFieldType::ftBoolean);
        const int lng = int(TFieldType::ftLargeint);
        const double inf = std::numeric_limits<double>::infinity();
        QString longMemo;
        for (int i = 0; i < 2000; ++i)
            longMemo += u"Línea %1: \"cita\" \\ tab\t€😀\n"_s.arg(i);
        QByteArray everyByte;
        for (int b = 0; b < 256; ++b)
            everyByte += char(b);
        const QDateTime noon(QDate(2026, 6, 1), QTime(13, 45, 7, 89));

        const struct
        {
            const char *tag;
            int type;
            QVariant value;
            bool direct, same, asLikeDocument = true;
        } rows[] = {
            {"texto vacío", str, QString(QLatin1String("")), true, true},
            {"texto nulo", str, QVariant(), true, true},
            {"comillas y barras", str, u"a\"b\\c/d\"\""_s, true, true},
            {"controles", str, everyControlCharacter(), true, true},
            {"carácter cero", str, QString(QChar(0)) + u"x"_s, true, true},
            {"acentos", str, u"Área de Producción: ñÑ ü ¿¡ €"_s, true, true},
            {"fuera del plano básico", str, u"😀 🇨🇴 𝄞"_s, true, true},
            {"raros en toda posición", memo, awkwardAtEveryOffset(), true, true},
            {"marca de orden al inicio", str, QString(QChar(0xfeff)) + u"texto"_s, true, true, false},
            {"no caracteres", str, QString(QChar(0xfffe)) + QChar(0xffff) + QChar(0x2028) + QChar(0xfeff), true, true},
            {"suplente suelto", str, QString(QChar(0xd800)) + u"x"_s + QChar(0xdc00), false, false},
            {"espacios de relleno", chr, u"S   "_s, true, true},
            {"memo largo", memo, longMemo, true, true},
            {"número en un texto", str, 12345.5, true, false},
            {"entero cero", itg, 0, true, true},
            {"entero negativo", itg, -1, true, true},
            {"entero máximo", itg, std::numeric_limits<int>::max(), true, true},
            {"entero mínimo", itg, std::numeric_limits<int>::min(), true, true},
            {"entero nulo", itg, QVariant(), true, true},
            {"smallint", sml, -32768, true, true},
            {"entero largo", lng, QVariant(qlonglong(9001234567)), true, true},
            {"entero largo negativo", lng, QVariant(-qlonglong(1) << 53), true, true},
            {"entero largo nulo", lng, QVariant(), true, true},
            {"flotante cero", flt, 0.0, true, true},
            {"menos cero", flt, -0.0, true, false},
            {"diez a la 21", flt, 1e21, true, true},
            {"máximo", flt, std::numeric_limits<double>::max(), true, true},
            {"empate fijo", flt, 0.00015, true, true},
            {"mínimo normal", flt, std::numeric_limits<double>::min(), true, true},
            {"entero de 64 bits", flt, QVariant(qlonglong(1) << 60), true, false},
            {"no es número", flt, std::nan(""), true, false},
            {"infinito", flt, inf, true, false},
            {"menos infinito", flt, -inf, true, false},
            {"flotante nulo", flt, QVariant(), true, true},
            {"fecha", dtm, QDateTime(QDate(2026, 2, 2), QTime(0, 0)), true, true},
            {"fecha con milisegundos", dtm, noon, true, true},
            {"fin de siglo", dtm, QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59, 999)), true, true},
            {"año de dos cifras", dtm, QDateTime(QDate(50, 1, 2), QTime(3, 4, 5, 6)), true, true},
            {"fecha nula", dtm, QVariant(), true, true},
            {"fecha no válida", dtm, QDateTime(), false, false},
            {"binario vacío", blb, QByteArray(""), true, true},
            {"todos los bytes", blb, everyByte, true, true},
            {"binario nulo", blb, QVariant(), true, true},
            {"verdadero", bln, true, true, true},
            {"falso", bln, false, true, true},
            {"booleano nulo", bln, QVariant(), true, true},
        };
        for (const auto &r : rows)
            QTest::newRow(r.tag) << r.type << r.value << r.direct << r.same << r.asLikeDocument;
    }
    void values()
    {
        QFETCH(int, type);
        QFETCH(QVariant, value);
        QFETCH(bool, direct);
        QFETCH(bool, same);
        QFETCH(bool, asLikeDocument);
        SDataPacket packet;
        packet.Fields = {SFieldDef{u"ID"_s, TFieldType::ftInteger, 0, false, false, true},
                         SFieldDef{u"VALOR"_s, TFieldType(type), 0, false, false, false, true}, // hidden
                         SFieldDef{u"FIN"_s, TFieldType::ftString, 10, false, true}};           // read-only
        packet.Rows = {{1, value, u"fin"_s}, {2, QVariant(), u"otro"_s}};

        const QByteArray written = TJsonCodec::WritePacket(packet);
        QCOMPARE(written, QJsonDocument(TJsonCodec::FromPacket(packet)).toJson(QJsonDocument::Compact));

        QCOMPARE(reading(written, true) == reading(written, false), asLikeDocument);
        SDataPacket direct_;
        QCOMPARE(TJsonPacketReader::Read(written, direct_), direct);
        if (same)
            QCOMPARE(reading(written, true), dump(packet));
    }

    // Texts another writer may send: read as QJsonDocument reads them, or refused with the same
    // message. direct: read without QJsonDocument's help.
    void texts_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("direct");
        const QByteArray plain =
            packetText(R"([[1,2.5,"a","2026-01-02T03:04:05.006",true,"aG9sYQ=="],[2,null,null,null,null,null]])");
        const struct
        {
            const char *tag;
            QByteArray json;
            bool direct;
        } rows[] = {
            {"compacto", plain, true},
            {"indentado", QJsonDocument::fromJson(plain).toJson(QJsonDocument::Indented), true},
            {"espacios en todas partes",
             " { \"fields\" : " + QByteArray(kFields) +
                 " ,\r\n\t\"rows\" : [ [ 1 , 2 , \"a\" , null , false , \"\" ] ] } ",
             true},
            {"filas antes que campos", QByteArray(R"({"rows":[[1,2,"a",null,true,""]],"fields":)") + kFields + '}',
             false},
            {"sin filas", QByteArray(R"({"fields":)") + kFields + '}', true},
            {"filas vacías", packetText("[]"), true},
            {"escapes", packetText("[[1,0,\"\\u00e9\\u00C9\\/\\\"\\\\\\b\\f\\n\\r\\t\",null,null,null]]"), true},
            {"par suplente escapado", packetText(R"([[1,0,"\ud83d\ude00",null,null,null]])"), true},
            {"suplente suelto escapado", packetText(R"([[1,0,"\ud800",null,null,null]])"), false},
            {"escape no válido", packetText(R"([[1,0,"\x",null,null,null]])"), false},
            {"utf-8 sobrelargo", packetText("[[1,0,\"\xc0\xaf\",null,null,null]]"), false},
            {"utf-8 de suplente", packetText("[[1,0,\"\xed\xa0\x80\",null,null,null]]"), false},
            {"utf-8 fuera de rango", packetText("[[1,0,\"\xf4\x90\x80\x80\",null,null,null]]"), false},
            {"utf-8 cortado", packetText("[[1,0,\"\xc3\",null,null,null]]"), false},
            {"control sin escapar",
             packetText("[[1,0,\"a\x01"
                        "b\",null,null,null]]"),
             false},
            {"número en un texto", packetText(R"([[1,0,12.5,null,null,null]])"), true},
            {"entero con decimales", packetText(R"([[2.7,0,"",null,null,null]])"), true},
            {"menos cero", packetText(R"([[-0,-0,"",null,null,null],[1,-0.0,"",null,null,null]])"), true},
            {"exponentes",
             packetText(R"([[1,1E2,"",null,null,null],[2,1e-2,"",null,null,null],[3,1.5E+3,"",null,null,null]])"),
             true},
            {"entero enorme",
             packetText(
                 R"([[1,123456789012345678901234,"",null,null,null],[2,9223372036854775807,"",null,null,null]])"),
             true},
            {"fuera de rango", packetText(R"([[1,1e400,"",null,null,null]])"), false},
            {"número laxo", packetText(R"([[1,1.,"",null,null,null],[2,.5,"",null,null,null]])"), false},
            {"cero a la izquierda", packetText(R"([[1,012,"",null,null,null]])"), false},
            {"fechas cortas",
             packetText(R"([[1,0,"","2026-01-02",null,null],[2,0,"","2026-01-02 03:04",null,null],)"
                        R"([3,0,"","2026-01-02T03:04:05.1",null,null],[4,0,"","2026-01-02T03:04:05",null,null]])"),
             true},
            {"fechas repetidas",
             packetText(
                 R"([[1,0,"","2026-01-02T00:00:00.000",null,null],[2,0,"","2026-01-02T00:00:00.000",null,null],)"
                 R"([3,0,"","2026-01-03T00:00:00.000",null,null],[4,0,"","2026-01-02T00:00:00.000",null,null]])"),
             true},
            {"fecha con espacios", packetText(R"([[1,0,""," 2026-01-02T03:04:05 ",null,null]])"), true},
            {"fecha con zona", packetText(R"([[1,0,"","2026-01-02T03:04:05Z",null,null]])"), true},
            {"fecha escapada", packetText(R"([[1,0,"","2026\u002d01-02",null,null]])"), true},
            {"fecha imposible", packetText(R"([[1,0,"","2026-02-30T00:00:00.000",null,null]])"), false},
            {"fecha como número", packetText(R"([[1,0,"",20260102,null,null]])"), false},
            {"booleano como número", packetText(R"([[1,0,"",null,1,null]])"), false},
            {"base64 escapado", packetText(R"([[1,0,"",null,null,"a\/b="]])"), false},
            {"texto como número", packetText(R"([["1",0,"",null,null,null]])"), false},
            {"fila corta", packetText("[[1]]"), false},
            {"fila larga", packetText(R"([[1,0,"",null,null,null,7]])"), false},
            {"fila que no es arreglo", packetText("[5]"), false},
            {"clave de más", packetText("[]").chopped(1) + R"(,"otra":1})", false},
            {"campos repetidos", QByteArray(R"({"fields":)") + kFields + R"(,"fields":)" + kFields + '}', false},
            {"basura al final", plain + " x", false},
            {"tipo desconocido",
             R"({"fields":[{"name":"U","type":"unknown"}],"rows":[["2026-01-02T03:04"],[7],[2.5]]})", false},
            {"tipo en mayúsculas", R"({"fields":[{"name":"U","type":"FLOAT"}],"rows":[[7]]})", true},
            {"campo sin nombre", R"({"fields":[{"type":"float"}],"rows":[]})", false},
            {"sin campos", R"({"rows":[]})", false},
            {"no es objeto", "[1]", false},
            {"vacío", "", false},
        };
        for (const auto &r : rows)
            QTest::newRow(r.tag) << r.json << r.direct;
    }
    void texts()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, direct);
        QCOMPARE(reading(json, true), reading(json, false));
        SDataPacket packet;
        QCOMPARE(TJsonPacketReader::Read(json, packet), direct);
    }

    // The body of a provider open read straight: the parameters and text QJsonDocument and ToParams
    // give, or false (the server then reads it through QJsonDocument). direct: read straight.
    void openRequests_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("direct");
        const struct
        {
            const char *tag;
            const char *json;
            bool direct;
        } rows[] = {
            {"como la escribe el cliente",
             R"({"params":{"PCODEMPR":1,"PFECPROC":"2026-06-01T00:00:00.000","PRMTPAMA":3},)"
             R"("types":{"PCODEMPR":"smallint","PFECPROC":"datetime","PRMTPAMA":"integer"},)"
             R"("commandText":"SELECT 1 FROM X WHERE A = :PCODEMPR"})",
             true},
            {"sin tipos ni texto, desordenado", R"({ "params" : { "B" : 2.5e1 , "A" : null , "C" : true } })", true},
            {"texto nulo y tipos vacíos", R"({"params":{},"types":{},"commandText":null})", true},
            {"escapes y acentos",
             "{\"params\":{\"T\":\"Coordinaci\xc3\xb3n "
             "\\u00e9\\\"\\\\\\/\\n\\ud83d\\ude00\"},\"types\":{\"T\":\"string\"}}",
             true},
            {"números al límite", R"({"params":{"A":9223372036854775807,"B":123456789012345678901,"C":-0}})", true},
            {"tipo desconocido", R"({"params":{"A":"2026-01-02T03:04"},"types":{"A":"otro"}})", true},
            {"tipo para otro nombre", R"({"params":{"A":7},"types":{"B":"string"}})", true},
            {"cuerpo vacío", "{}", true},
            {"nombre repetido", R"({"params":{"A":1,"A":2}})", false},
            {"valor que es objeto", R"({"params":{"A":{"x":1}}})", false},
            {"clave de más", R"({"params":{},"otra":1})", false},
            {"texto que es número", R"({"commandText":5})", false},
            {"suplente suelto", R"({"params":{"A":"\ud800"}})", false},
            {"utf-8 cortado", "{\"params\":{\"A\":\"\xc3\"}}", false},
            {"marca de orden al inicio", "{\"params\":{\"A\":\"\xef\xbb\xbfx\"}}", false},
            {"basura al final", R"({"params":{}} x)", false},
        };
        for (const auto &r : rows)
            QTest::newRow(r.tag) << QByteArray(r.json) << r.direct;
    }
    void openRequests()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, direct);
        QList<SParam> params;
        QString text;
        QCOMPARE(TJsonRequestReader::ReadOpen(json, params, text), direct);
        if (!direct)
            return;
        const QJsonObject body = QJsonDocument::fromJson(json).object();
        const QList<SParam> expected =
            TJsonCodec::ToParams(body.value(QStringLiteral("params")), body.value(QStringLiteral("types")));
        QCOMPARE(text, body.value(QStringLiteral("commandText")).toString());
        QCOMPARE(params.size(), expected.size());
        for (qsizetype i = 0; i < params.size(); ++i) {
            QCOMPARE(params[i].Name, expected[i].Name);
            QCOMPARE(params[i].DataType, expected[i].DataType);
            QCOMPARE(params[i].Value.typeId(), expected[i].Value.typeId());
            QCOMPARE(params[i].Value, expected[i].Value);
        }
    }

    // The one date-time parser against Qt's reading (QDateTime::fromString, ISO 8601 with
    // milliseconds) of the same text: listed awkward texts, then random ones of the fixed forms
    // its fast path reads, with impossible days, hours and separators mixed in.
    void dates_data()
    {
        QTest::addColumn<QByteArrayList>("texts");
        // Separated by '|': the blanks around some belong to the text.
        QTest::newRow("listados") << QByteArray("2026-01-02|2026-01-02T03:04|2026-01-02 03:04|2026-01-02T03:04:05|"
                                                "2026-01-02 03:04:05.1|2026-01-02T03:04:05.12|2026-01-02T03:04:05.123|"
                                                "2026-01-02T03:04:05.1234| 2026-01-02T03:04 |\t2026-01-02\n|2024-02-29|"
                                                "2026-02-29|2026-13-01|2026-00-10|0050-01-02T03:04:05.006|"
                                                "2026-01-02T24:00|2026-01-02T23:60|2026-01-02T03:04:60|"
                                                "2026-01-02T03:04Z|2026-01-02T03:04:05+05:00|2026-01-02T03:04:05.|"
                                                "2026-1-02|2026/01/02|2026-01-02X03:04|20260102|| |2026-01-02T03|"
                                                "2026-01-02T03:04:05.-12|+2026-01-02|2026-01-0a")
                                         .split('|');
        QTest::newRow("al azar") << QByteArrayList();
    }
    void dates()
    {
        QFETCH(QByteArrayList, texts);
        if (texts.isEmpty()) {
            std::mt19937 random(20261206);
            const char separators[] = {'T', ' ', 'T', 'x'};
            for (int i = 0; i < 20000; ++i) {
                const int form = int(random() % 5);
                QByteArray t = QByteArray::number(1900 + random() % 200).rightJustified(4, '0') + '-' +
                               QByteArray::number(1 + random() % 13).rightJustified(2, '0') + '-' +
                               QByteArray::number(1 + random() % 31).rightJustified(2, '0');
                if (form > 0)
                    t += separators[random() % 4] + QByteArray::number(random() % 25).rightJustified(2, '0') + ':' +
                         QByteArray::number(random() % 61).rightJustified(2, '0');
                if (form > 1)
                    t += ':' + QByteArray::number(random() % 61).rightJustified(2, '0');
                if (form > 2)
                    t += '.' + QByteArray::number(random() % 1000).rightJustified(3, '0').left(1 + int(random() % 3));
                texts << t;
            }
        }
        for (const QByteArray &t : texts) {
            const QString text = QString::fromLatin1(t);
            const QDateTime qt = QDateTime::fromString(text.trimmed(), Qt::ISODateWithMs);
            QCOMPARE(TDateTimeText::Parse(QByteArrayView(t)), qt);
            QCOMPARE(TDateTimeText::Parse(QStringView(text)), qt);
            QCOMPARE(TDateTimeText::Parse(QByteArrayView(t)), qt); // again, from the recent moments
        }
    }

    // Doubles of every magnitude: the same text as QJsonDocument, and the same double read back.
    void numbers_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("bits al azar") << 0;
        QTest::newRow("binarios pequeños") << 1;
        QTest::newRow("decimales") << 2;
        QTest::newRow("potencias de diez") << 3;
        QTest::newRow("enteros grandes") << 4;
    }
    void numbers()
    {
        QFETCH(int, kind);
        std::mt19937_64 random(20261206 + kind);
        SDataPacket packet;
        packet.Fields = {SFieldDef{u"F"_s, TFieldType::ftFloat}};
        while (packet.Rows.size() < 20000) {
            double d = 0;
            switch (kind) {
            case 0: {
                const quint64 bits = random();
                std::memcpy(&d, &bits, sizeof d);
                break;
            }
            case 1:
                d = std::ldexp(double(random() % 100000000), int(random() % 120) - 60);
                break;
            case 2:
                d = double(qint64(random() % 2000000000) - 1000000000) / std::pow(10.0, int(random() % 12));
                break;
            case 3:
                d = double(random() % 1000) * std::pow(10.0, int(random() % 40) - 20);
                break;
            default:
                d = double(random() >> (random() % 64)) * (random() % 2 ? 1 : -1);
                break;
            }
            if (std::isfinite(d))
                packet.Rows.append(QVariantList{d});
        }
        const QByteArray written = TJsonCodec::WritePacket(packet);
        QCOMPARE(written, QJsonDocument(TJsonCodec::FromPacket(packet)).toJson(QJsonDocument::Compact));
        SDataPacket direct;
        QVERIFY(TJsonPacketReader::Read(written, direct));
        QCOMPARE(reading(written, true), reading(written, false));
        for (QVariantList &row : packet.Rows)
            if (row.at(0).toDouble() == 0)
                row[0] = 0.0; // -0 travels as 0
        QCOMPARE(reading(written, true), dump(packet));
    }

    // Awkward texts stored in the database reach both clients unchanged: the module's transport and an
    // independent HTTP client parsing with QJsonDocument.
    void overHttp_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<double>("code");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("memo");
        for (const QString &b : TAppServerFixture::Backends()) {
            QTest::newRow(qPrintable(b + u"/comillas"_s))
                << b << 901.5 << u"\"Eje\" \\ barra / final"_s << u"{\"no\":[\"es JSON\"]}\r\n\t-"_s;
            QTest::newRow(qPrintable(b + u"/unicode"_s))
                << b << 0.1 << u"Área Ñandú €"_s << u"😀 🇨🇴 "_s + QChar(0x2028) + QChar(0xfeff);
            QTest::newRow(qPrintable(b + u"/controles"_s)) << b << 123456.789
                                                           << QStringLiteral("a\x01"
                                                                             "b\x1f"
                                                                             "c\x7f")
                                                           << everyControlCharacter();
            QTest::newRow(qPrintable(b + u"/vacío"_s)) << b << 1e-7 << u" "_s << QString();
        }
    }
    void overHttp()
    {
        QFETCH(QString, backend);
        QFETCH(double, code);
        QFETCH(QString, name);
        QFETCH(QString, memo);
        QVERIFY2(m_fx.Error(backend).isEmpty(), qPrintable(m_fx.Error(backend)));
        TAppServerFixture::SBackend &b = m_fx.Backend(backend);
        b.Engine->Database().Run(
            QStringLiteral(
                "INSERT INTO GN_DITEM (COD_EMPR, TIP_ITEM, COD_ITEM, DES_ITEM, OBS_ERVA) VALUES (1, 9, ?, ?, ?)"),
            {code, name, memo.isNull() ? QVariant() : QVariant(memo)});
        const QList<SParam> params{{u"P_COD_EMPR"_s, TFieldType::ftSmallint, 1},
                                   {u"P_TIP_ITEM"_s, TFieldType::ftSmallint, 9},
                                   {u"P_COD_ITEM"_s, TFieldType::ftFloat, code}};
        ZE_OPEN(local, m_fx, backend, u"local"_s);
        ZE_OPEN(remote, m_fx, backend, u"http"_s);
        const SDataPacket expected = local->GetRecords(u"DtsPGnDitem"_s, params, {});
        QCOMPARE(expected.Rows.size(), 1);
        QCOMPARE(expected.Rows.at(0).at(1).toString(), name);
        QCOMPARE(expected.Rows.at(0).at(2), memo.isNull() ? QVariant() : QVariant(memo));
        QCOMPARE(dump(remote->GetRecords(u"DtsPGnDitem"_s, params, {})), dump(expected));

        httplib::Client client("127.0.0.1", b.Port);
        client.set_tcp_nodelay(true);
        const auto session = client.Post("/v1/session", R"({"user":"demo","password":"demo"})", "application/json");
        QVERIFY(session && session->status == 200);
        const std::string token = QJsonDocument::fromJson(QByteArray::fromStdString(session->body))
                                      .object()
                                      .value(u"token"_s)
                                      .toString()
                                      .toStdString();
        const QByteArray body = QJsonDocument(QJsonObject{{u"params"_s, TJsonCodec::FromParams(params)}}).toJson();
        const httplib::Headers headers{{"Authorization", "Bearer " + token}};
        const auto open =
            client.Post("/v1/providers/DtsPGnDitem/open", headers, body.toStdString(), "application/json");
        QVERIFY(open && open->status == 200);
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(open->body), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonArray row = doc.object().value(u"rows"_s).toArray().at(0).toArray();
        QCOMPARE(row.at(0).toDouble(), code);
        QCOMPARE(row.at(1).toString(), name);
        QCOMPARE(row.at(2).isNull(), memo.isNull());
        QCOMPARE(row.at(2).toString(), memo);
        QCOMPARE(dump(TJsonCodec::ToPacket(doc.object())), dump(expected));
    }
};

QTEST_GUILESS_MAIN(TstJson)
#include "tst_json.moc"
