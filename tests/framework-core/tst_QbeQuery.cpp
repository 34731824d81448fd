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
        const struct
        {
            const char *tag;
            bool where;
            const char *field;
            O op;
            QString value;
            const char *sql;
            Params params;
            QString refusal;
        } rows[] = {
            {"texto igual, con comilla",
             true,
             "NOMBRE",
             O::Equal,
             u"O'Neil"_qs,
             " AND EMPRESA = 1 AND UPPER(T.NOMBRE) = :QBE1",
             {{u"QBE1"_qs, u"O'NEIL"_qs}},
             {}},
            {"texto contiene",
             true,
             "NOMBRE",
             O::Contains,
             u"fila"_qs,
             " AND EMPRESA = 1 AND UPPER(T.NOMBRE) LIKE :QBE1",
             {{u"QBE1"_qs, u"%FILA%"_qs}},
             {}},
            {"texto empieza por",
             false,
             "NOMBRE",
             O::StartsWith,
             u"a' OR 1=1 --"_qs,
             " WHERE EMPRESA = 1 AND UPPER(T.NOMBRE) LIKE :QBE1",
             {{u"QBE1"_qs, u"A' OR 1=1 --%"_qs}},
             {}},
            {"número",
             false,
             "COD",
             O::GreaterOrEqual,
             u"2"_qs,
             " WHERE EMPRESA = 1 AND T.COD >= :QBE1",
             {{u"QBE1"_qs, 2}},
             {}},
            {"número con miles y coma",
             false,
             "VALOR",
             O::Less,
             u"1.500.000,50"_qs,
             " WHERE EMPRESA = 1 AND T.VALOR < :QBE1",
             {{u"QBE1"_qs, 1500000.5}},
             {}},
            {"punto decimal",
             false,
             "COD",
             O::NotEqual,
             u"2.5"_qs,
             " WHERE EMPRESA = 1 AND T.COD <> :QBE1",
             {{u"QBE1"_qs, 2.5}},
             {}},
            {"fecha igual es el día entero",
             true,
             "FECHA",
             O::Equal,
             u"15/03/2026"_qs,
             " AND EMPRESA = 1 AND (T.FECHA >= :QBE1 AND T.FECHA < :QBE1_SIG)",
             {{u"QBE1"_qs, day}, {u"QBE1_SIG"_qs, next}},
             {}},
            {"fecha mayor es desde el día siguiente",
             true,
             "FECHA",
             O::Greater,
             u"15/03/2026"_qs,
             " AND EMPRESA = 1 AND T.FECHA >= :QBE1_SIG",
             {{u"QBE1"_qs, day}, {u"QBE1_SIG"_qs, next}},
             {}},
            {"fecha menor",
             true,
             "FECHA",
             O::Less,
             u"15/03/2026"_qs,
             " AND EMPRESA = 1 AND T.FECHA < :QBE1",
             {{u"QBE1"_qs, day}},
             {}},
            {"texto que el usuario ve",
             true,
             "IND_CUMP",
             O::Equal,
             u"no cumple"_qs,
             " AND EMPRESA = 1 AND UPPER(T.IND_CUMP) = :QBE1",
             {{u"QBE1"_qs, u"N"_qs}},
             {}},
            {"código guardado",
             true,
             "IND_CUMP",
             O::NotEqual,
             u"x"_qs,
             " AND EMPRESA = 1 AND UPPER(T.IND_CUMP) <> :QBE1",
             {{u"QBE1"_qs, u"X"_qs}},
             {}},
            {"nombre del ciclo",
             true,
             "COD_CICL",
             O::Equal,
             u"Verificar"_qs,
             " AND EMPRESA = 1 AND PA.COD_CICL = :QBE1",
             {{u"QBE1"_qs, 3}},
             {}},
            {"vacío es nulo", true, "NOMBRE", O::Equal, QString(), " AND EMPRESA = 1 AND T.NOMBRE IS NULL", {}, {}},
            {"letras en un número",
             true,
             "COD",
             O::Equal,
             u"dos"_qs,
             "",
             {},
             u"'dos' no es un valor válido para el campo 'Código'."_qs},
            {"contiene en un número",
             true,
             "COD",
             O::Contains,
             u"2"_qs,
             "",
             {},
             u"'2' no es un valor válido para el campo 'Código'."_qs},
            {"fecha imposible",
             true,
             "FECHA",
             O::Equal,
             u"31/02/2026"_qs,
             "",
             {},
             u"'31/02/2026' no es una fecha válida para el campo 'Fecha' (formato dd/MM/yyyy)."_qs},
            {"ciclo desconocido",
             true,
             "COD_CICL",
             O::Equal,
             u"Descansar"_qs,
             "",
             {},
             u"'Descansar' no es un valor válido para el campo 'Ciclo'."_qs},
            {"campo que no se consulta",
             true,
             "CLAVE",
             O::Equal,
             u"1"_qs,
             "",
             {},
             u"No se puede consultar por el campo 'CLAVE'."_qs},
        };
        for (const auto &r : rows)
            QTest::newRow(r.tag) << r.where << QString::fromLatin1(r.field) << r.op << r.value
                                 << QString::fromLatin1(r.sql) << r.params << r.refusal;
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
