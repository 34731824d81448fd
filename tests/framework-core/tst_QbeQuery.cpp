// The query by example without any window: criteria -> SQL text and parameter values. Every value
// the user types travels as a parameter; a value that does not fit its field is refused with a
// Spanish message naming the field.
#include "SysUtils.h"
#include "TQbeQuery.h"

#include <QDateTime>
#include <QTest>

using Params = QMap<QString, QVariant>;
Q_DECLARE_METATYPE(TQbeOperator)

class tst_QbeQuery : public QObject
{
    Q_OBJECT
private slots:
    void build_data()
    {
        QTest::addColumn<bool>("hasWhere");
        QTest::addColumn<QString>("field");
        QTest::addColumn<TQbeOperator>("op");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("sql");     // what follows the base SQL
        QTest::addColumn<Params>("params");   // the criterion's parameters
        QTest::addColumn<QString>("refusal"); // or the message of the refusal
        using O = TQbeOperator;
        const QDateTime day(QDate(2026, 3, 15), QTime(0, 0)), next(QDate(2026, 3, 16), QTime(0, 0));
        // expected: what follows the base SQL after its standing condition, or the refusal;
        // param and following: the values of :QBE1 and :QBE1_SIG.
        const struct
        {
            const char *tag;
            bool where;
            const char *field;
            O op;
            const char *value, *expected;
            QVariant param = {}, following = {};
        } rows[] = {
            {"texto igual, con comilla", true, "NOMBRE", O::Equal, "O'Neil", " UPPER(T.NOMBRE) = :QBE1", u"O'NEIL"_qs},
            {"texto contiene", true, "NOMBRE", O::Contains, "fila", " UPPER(T.NOMBRE) LIKE :QBE1", u"%FILA%"_qs},
            {"texto empieza por", false, "NOMBRE", O::StartsWith, "a' OR 1=1 --", " UPPER(T.NOMBRE) LIKE :QBE1",
             u"A' OR 1=1 --%"_qs},
            {"número", false, "COD", O::GreaterOrEqual, "2", " T.COD >= :QBE1", 2},
            {"número con miles y coma", false, "VALOR", O::Less, "1.500.000,50", " T.VALOR < :QBE1", 1500000.5},
            {"punto decimal", false, "COD", O::NotEqual, "2.5", " T.COD <> :QBE1", 2.5},
            {"fecha igual es el día entero", true, "FECHA", O::Equal, "15/03/2026",
             " (T.FECHA >= :QBE1 AND T.FECHA < :QBE1_SIG)", day, next},
            {"fecha mayor es desde el día siguiente", true, "FECHA", O::Greater, "15/03/2026", " T.FECHA >= :QBE1_SIG",
             day, next},
            {"fecha menor", true, "FECHA", O::Less, "15/03/2026", " T.FECHA < :QBE1", day},
            {"texto que el usuario ve", true, "IND_CUMP", O::Equal, "no cumple", " UPPER(T.IND_CUMP) = :QBE1", u"N"_qs},
            {"código guardado", true, "IND_CUMP", O::NotEqual, "x", " UPPER(T.IND_CUMP) <> :QBE1", u"X"_qs},
            {"nombre del ciclo", true, "COD_CICL", O::Equal, "Verificar", " PA.COD_CICL = :QBE1", 3},
            {"vacío es nulo", true, "NOMBRE", O::Equal, nullptr, " T.NOMBRE IS NULL"},
            {"letras en un número", true, "COD", O::Equal, "dos",
             "'dos' no es un valor válido para el campo 'Código'."},
            {"contiene en un número", true, "COD", O::Contains, "2",
             "'2' no es un valor válido para el campo 'Código'."},
            {"fecha imposible", true, "FECHA", O::Equal, "31/02/2026",
             "'31/02/2026' no es una fecha válida para el campo 'Fecha' (formato dd/MM/yyyy)."},
            {"ciclo desconocido", true, "COD_CICL", O::Equal, "Descansar",
             "'Descansar' no es un valor válido para el campo 'Ciclo'."},
            {"campo que no se consulta", true, "CLAVE", O::Equal, "1", "No se puede consultar por el campo 'CLAVE'."},
        };
        for (const auto &r : rows) {
            const QString expected = QString::fromUtf8(r.expected);
            const bool refused = !expected.startsWith(u' ');
            Params params;
            if (r.param.isValid())
                params.insert(u"QBE1"_qs, r.param);
            if (r.following.isValid())
                params.insert(u"QBE1_SIG"_qs, r.following);
            QTest::newRow(r.tag) << r.where << QString::fromLatin1(r.field) << r.op << QString::fromUtf8(r.value)
                                 << (refused
                                         ? QString()
                                         : (r.where ? u" AND"_qs : u" WHERE"_qs) + u" EMPRESA = 1 AND"_qs + expected)
                                 << params << (refused ? expected : QString());
        }
    }
    void build()
    {
        QFETCH(bool, hasWhere);
        QFETCH(QString, field);
        QFETCH(TQbeOperator, op);
        QFETCH(QString, value);
        QFETCH(QString, sql);
        QFETCH(Params, params);
        QFETCH(QString, refusal);
        // A comma, a FROM or an AS in a literal or a comment is not the select list's.
        const QString base =
            u"SELECT T.COD, 'de, FROM y' /* , T.Z AS COD */ AS TXT, T.NOMBRE AS NOMBRE, T.VALOR, T.IND_CUMP,"
            " PA.COD_CICL, T.FECHA\r\nFROM TABLA T\r\n"_qs;
        TQbeQuery query;
        query.SetBaseSql(base);
        query.BaseHasWhere = hasWhere;
        query.UpperCase = true;
        query.Fields = {{u"COD"_qs, u"Código"_qs, TFieldType::ftInteger, {}},
                        {u"NOMBRE"_qs, u"Nombre"_qs, TFieldType::ftString, {}},
                        {u"VALOR"_qs, u"Valor"_qs, TFieldType::ftFloat, {}},
                        {u"IND_CUMP"_qs,
                         u"Cumplimiento"_qs,
                         TFieldType::ftFixedChar,
                         {{u"Cumple Totalmente"_qs, u"C"_qs}, {u"No Cumple"_qs, u"N"_qs}}},
                        {u"COD_CICL"_qs,
                         u"Ciclo"_qs,
                         TFieldType::ftInteger,
                         {{u"Planear"_qs, u"1"_qs}, {u"Verificar"_qs, u"3"_qs}}},
                        {u"FECHA"_qs, u"Fecha"_qs, TFieldType::ftDateTime, {}}};
        query.SetCondition(u"empresa"_qs, u"EMPRESA = 1"_qs);
        query.ParamValues.insert(u"PEMPRESA"_qs, 1);
        try {
            const TQbeStatement statement = query.Build({{field, op, value}});
            QVERIFY2(refusal.isEmpty(), "a value that does not fit was taken");
            QCOMPARE(statement.Sql, base.trimmed() + sql);
            Params expected = params;
            expected.insert(u"PEMPRESA"_qs, 1); // the standing conditions' values go along
            QCOMPARE(statement.Params, expected);
            QVERIFY(value.isEmpty() || !statement.Sql.contains(value));
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), refusal);
        }
    }
};

QTEST_GUILESS_MAIN(tst_QbeQuery)
#include "tst_QbeQuery.moc"
