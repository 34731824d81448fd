// Fields of the client dataset: the assignment sequence, text handlers, required fields, null
// conversions and conversion errors, display formats.
#include "SysUtils.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TBlobField.h"
#include "dataset/TBooleanField.h"
#include "dataset/TDateTimeField.h"
#include "dataset/TFieldFormat.h"
#include "dataset/TFixedCharField.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TLargeintField.h"
#include "dataset/TMemoField.h"
#include "dataset/TSmallintField.h"
#include "dataset/TStringField.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// An in-memory dataset with one field of each kind and one empty (all null) record in edit mode.
struct Record
{
    SClientDataSet DataSet{nullptr, u"CdsRecord"_s};
    TStringField *Text = new TStringField(&DataSet, u"TEXT"_s, 5);
    TFixedCharField *Code = new TFixedCharField(&DataSet, u"CODE"_s, 1);
    TSmallintField *Small = new TSmallintField(&DataSet, u"SMALL"_s);
    TIntegerField *Number = new TIntegerField(&DataSet, u"NUMBER"_s);
    TFloatField *Amount = new TFloatField(&DataSet, u"AMOUNT"_s);
    TDateTimeField *Moment = new TDateTimeField(&DataSet, u"MOMENT"_s);
    TMemoField *Notes = new TMemoField(&DataSet, u"NOTES"_s);
    TBlobField *Data = new TBlobField(&DataSet, u"DATA"_s);
    TBooleanField *Flag = new TBooleanField(&DataSet, u"FLAG"_s);
    TLargeintField *Nit = new TLargeintField(&DataSet, u"NIT"_s);

    Record()
    {
        DataSet.CreateDataSet();
        DataSet.Append();
        Text->SetAsString(u"x"_s);
        DataSet.Post();
        DataSet.Edit();
        Text->Clear();
    }
    TField *ByName(const QString &name) { return DataSet.FieldByName(name); }
};

QString raised(const std::function<void()> &action)
{
    try {
        action();
    } catch (const Exception &e) {
        return e.Message();
    }
    return QString();
}

} // namespace

class tst_dataset_fields : public QObject
{
    Q_OBJECT
private slots:
    void nullConversions_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("asInteger"); // a number, or the error message
        QTest::addColumn<QString>("asFloat");

        QTest::newRow("string") << u"TEXT"_s << u"'' no es un número entero válido"_s << u"'' no es un número válido"_s;
        QTest::newRow("integer") << u"NUMBER"_s << u"0"_s << u"0"_s;
        QTest::newRow("small") << u"SMALL"_s << u"0"_s << u"0"_s;
        QTest::newRow("largeint") << u"NIT"_s << u"0"_s << u"0"_s;
        QTest::newRow("float") << u"AMOUNT"_s << u"0"_s << u"0"_s;
    }
    void nullConversions()
    {
        QFETCH(QString, field);
        QFETCH(QString, asInteger);
        QFETCH(QString, asFloat);
        Record record;
        TField *f = record.ByName(field);
        QVERIFY(f->IsNull());
        QVERIFY(!f->Value().isValid());
        QCOMPARE(f->AsString(), QString());
        QString text;
        const QString intError = raised([&] { text = QString::number(f->AsInteger()); });
        QCOMPARE(intError.isEmpty() ? text : intError, asInteger);
        const QString floatError = raised([&] { text = QString::number(f->AsFloat()); });
        QCOMPARE(floatError.isEmpty() ? text : floatError, asFloat);
    }

    void assignments_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("setter"); // String, Integer, Float, Value; AsInteger: Value, then read back
        QTest::addColumn<QVariant>("input");
        QTest::addColumn<QString>("asString"); // or the error message
        QTest::addColumn<bool>("isNull");
        const struct
        {
            const char *tag, *field, *setter;
            QVariant input;
            const char *asString;
            bool isNull;
        } rows[] = {
            {"integer from text", "NUMBER", "String", u"42"_s, "42", false},
            {"integer bad text", "NUMBER", "String", u"4x"_s,
             "'4x' no es un valor entero válido para el campo 'NUMBER'", true},
            {"integer empty text clears", "NUMBER", "String", QString(), "", true},
            {"integer from float rounds to even", "NUMBER", "Float", 2.5, "2", false},
            {"integer from 3.5", "NUMBER", "Float", 3.5, "4", false},
            {"small out of range", "SMALL", "Integer", 40000,
             "40000 no es un valor válido para el campo 'SMALL': admite de -32768 a 32767", true},
            {"small in range", "SMALL", "Integer", -32768, "-32768", false},
            {"largeint from text", "NIT", "String", u"9001234567"_s, "9001234567", false},
            {"largeint bad text", "NIT", "String", u"900123456-7"_s,
             "'900123456-7' no es un valor entero válido para el campo 'NIT'", true},
            {"largeint from a 64-bit value", "NIT", "Value", qlonglong(8006543210), "8006543210", false},
            {"largeint as integer out of range", "NIT", "AsInteger", qlonglong(8006543210),
             "8006543210 no es un valor válido para el campo 'NIT': admite de -2147483648 a 2147483647", false},
            {"float from text", "AMOUNT", "String", u"2.75"_s, "2.75", false},
            {"float bad text", "AMOUNT", "String", u"dos"_s,
             "'dos' no es un valor numérico válido para el campo 'AMOUNT'", true},
            {"float general format", "AMOUNT", "Float", 0.1 + 0.2, "0.3", false},
            {"string cut to size", "TEXT", "String", u"abcdefgh"_s, "abcde", false},
            {"string empty is null", "TEXT", "String", QString(), "", true},
            {"string from integer", "TEXT", "Integer", 12, "12", false},
            {"fixed char", "CODE", "String", u"NX"_s, "N", false},
            {"value: text into integer", "NUMBER", "Value", u"7"_s, "7", false},
            {"value: double into integer", "NUMBER", "Value", 6.5, "6", false},
            {"value: null", "AMOUNT", "Value", QVariant(), "", true},
            {"date from value", "MOMENT", "Value", QDateTime(QDate(2024, 3, 9), QTime(0, 0)), "9 Mar 2024", false},
            {"date and time", "MOMENT", "String", u"2024-03-09T14:05:00"_s, "9 Mar 2024 14:05:00", false},
            {"date bad text", "MOMENT", "String", u"ayer"_s, "'ayer' no es una fecha y hora válida", true},
            {"boolean from text", "FLAG", "String", u"t"_s, "True", false},
            {"boolean bad text", "FLAG", "String", u"si"_s,
             "'si' no es un valor lógico (S o N) válido para el campo 'FLAG'", true},
            {"memo", "NOTES", "String", u"largo texto"_s, "largo texto", false},
            {"blob", "DATA", "String", u"bytes"_s, "bytes", false},
            {"integer as date refused", "NUMBER", "Value", QDateTime::currentDateTime(),
             "Cannot access field 'NUMBER' as type DateTime", true},
        };
        for (const auto &r : rows)
            QTest::newRow(r.tag) << QString::fromLatin1(r.field) << QString::fromLatin1(r.setter) << r.input
                                 << QString::fromUtf8(r.asString) << r.isNull;
    }
    void assignments()
    {
        QFETCH(QString, field);
        QFETCH(QString, setter);
        QFETCH(QVariant, input);
        QFETCH(QString, asString);
        QFETCH(bool, isNull);
        QLocale::setDefault(QLocale::c());
        Record record;
        TField *f = record.ByName(field);
        const QString error = raised([&] {
            if (setter == u"String")
                f->SetAsString(input.toString());
            else if (setter == u"Integer")
                f->SetAsInteger(input.toInt());
            else if (setter == u"Float")
                f->SetAsFloat(input.toDouble());
            else
                f->SetValue(input);
            if (setter == u"AsInteger")
                f->AsInteger();
        });
        QCOMPARE(error.isEmpty() ? f->AsString() : error, asString);
        QCOMPARE(f->IsNull(), isNull);
    }

    void validateSeesNewValueAndCanRefuse()
    {
        Record record;
        record.Number->SetAsInteger(1);
        QList<int> seen;
        int changes = 0;
        record.Number->OnValidate = [&](TField &f) {
            seen << f.AsInteger();
            if (f.AsInteger() < 0)
                throw Exception(u"El valor no puede ser negativo"_s);
        };
        record.Number->OnChange = [&](TField &) { ++changes; };
        record.Number->SetAsInteger(5);
        QCOMPARE(record.Number->AsInteger(), 5);
        QCOMPARE(raised([&] { record.Number->SetAsInteger(-3); }), u"El valor no puede ser negativo"_s);
        QCOMPARE(record.Number->AsInteger(), 5); // the old value stays
        QCOMPARE(seen, (QList<int>{5, -3}));
        QCOMPARE(changes, 1); // no OnChange for the refused value
    }

    void changeFiresOnEveryAssignment()
    {
        Record record;
        int changes = 0;
        record.Text->OnChange = [&](TField &) { ++changes; };
        record.Text->SetAsString(u"a"_s);
        record.Text->SetAsString(u"a"_s);
        QCOMPARE(changes, 2);
        QVERIFY(record.DataSet.Modified());
    }

    void getTextAndSetText()
    {
        Record record;
        record.Code->SetAsString(u"N"_s);
        QList<bool> displayFlags;
        record.Code->OnGetText = [&](TField &f, QString &text, bool displayText) {
            displayFlags << displayText;
            QVERIFY(text.isEmpty());
            text = f.AsString() == u"N" ? u"No Cumple"_s : f.AsString();
        };
        QCOMPARE(record.Code->DisplayText(), u"No Cumple"_s);
        QCOMPARE(record.Code->Text(), u"No Cumple"_s);
        QCOMPARE(record.Code->AsString(), u"N"_s); // AsString never asks OnGetText
        QCOMPARE(displayFlags, (QList<bool>{true, false}));

        record.Code->OnSetText = [](TField &f, const QString &text) { f.SetAsString(text.left(1).toUpper()); };
        record.Code->SetText(u"cumple"_s);
        QCOMPARE(record.Code->AsString(), u"C"_s);
        record.Code->SetAsString(u"p"_s); // AsString bypasses OnSetText
        QCOMPARE(record.Code->AsString(), u"p"_s);

        // Memos and blobs show a marker in grids and their content when edited.
        QCOMPARE(record.Notes->DisplayText(), u"(memo)"_s);
        record.Notes->SetAsString(u"hola"_s);
        QCOMPARE(record.Notes->DisplayText(), u"(MEMO)"_s);
        QCOMPARE(record.Notes->Text(), u"hola"_s);
        record.Notes->SetText(u"línea 1\nlínea 2"_s);
        record.DataSet.Post();
        QCOMPARE(record.Notes->AsString(), u"línea 1\nlínea 2"_s);
        record.DataSet.Edit();
        QCOMPARE(record.Data->DisplayText(), u"(blob)"_s);
    }

    void readOnlyAndStateChecks()
    {
        Record record;
        record.Number->ReadOnly = true;
        record.Number->SetDisplayLabel(u"Número"_s);
        QCOMPARE(raised([&] { record.Number->SetAsInteger(1); }), u"Field 'Número' cannot be modified"_s);
        record.DataSet.Cancel();
        QCOMPARE(raised([&] { record.Text->SetAsString(u"a"_s); }), u"Dataset not in edit or insert mode"_s);
        record.DataSet.Close();
        QCOMPARE(raised([&] { record.Text->SetAsString(u"a"_s); }), u"Dataset not in edit or insert mode"_s);
        QVERIFY(record.Text->IsNull());
        QCOMPARE(raised([&] { record.DataSet.FieldByName(u"nada"_s); }), u"Field 'nada' not found"_s);
    }

    void requiredCheckedAfterBeforePost()
    {
        Record record;
        record.Number->Required = true;
        record.Amount->Required = true;
        record.Amount->SetDisplayLabel(u"Presupuesto"_s);
        record.Number->SetAsInteger(1);
        // BeforePost runs first and may still fill a required field.
        bool fill = false;
        record.DataSet.BeforePost = [&](TDataSet &) {
            if (fill)
                record.Amount->SetAsFloat(3);
        };
        QCOMPARE(raised([&] { record.DataSet.Post(); }), u"Field 'Presupuesto' must have a value"_s);
        QCOMPARE(record.DataSet.State(), dsEdit);
        fill = true;
        record.DataSet.Post();
        QCOMPARE(record.DataSet.State(), dsBrowse);
        QCOMPARE(record.Amount->AsFloat(), 3.0);

        // A read-only required field is not checked.
        record.DataSet.Edit();
        record.Number->ReadOnly = true;
        record.Number->Required = true;
        record.DataSet.BeforePost = nullptr;
        record.DataSet.Append();
        record.Amount->SetAsFloat(1);
        record.DataSet.Post();
        QCOMPARE(record.DataSet.RecordCount(), 2);
    }

    void displayFormats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");

        QTest::newRow("0 rounds half up") << u"0"_s << 2.5 << u"3"_s;
        QTest::newRow("0 negative half") << u"0"_s << -2.5 << u"-3"_s;
        QTest::newRow("0.00 of 0.125") << u"0.00"_s << 0.125 << u"0.13"_s;
        QTest::newRow("0.00 of 2.675 (stored below)") << u"0.00"_s << 2.675 << u"2.67"_s;
        QTest::newRow("no -0") << u"0"_s << -0.4 << u"0"_s;
        QTest::newRow("grouping") << u"#,##0.00"_s << 1234567.891 << u"1,234,567.89"_s;
        QTest::newRow("optional decimals") << u"0.##"_s << 1.5 << u"1.5"_s;
        QTest::newRow("optional decimals dropped") << u"0.##"_s << 2.0 << u"2"_s;
        QTest::newRow("literal") << u"0 \"%\""_s << 45.0 << u"45 %"_s;
        QTest::newRow("negative section") << u"0;(0)"_s << -7.0 << u"(7)"_s;
        QTest::newRow("zero section") << u"0;-0;cero"_s << 0.0 << u"cero"_s;
    }
    void displayFormats()
    {
        QFETCH(QString, format);
        QFETCH(double, value);
        QFETCH(QString, text);
        QLocale::setDefault(QLocale::c());
        Record record;
        record.Amount->DisplayFormat = format;
        record.Amount->SetAsFloat(value);
        QCOMPARE(record.Amount->DisplayText(), text);
        QCOMPARE(TFieldFormat::FormatFloat(format, value), text);
    }

    void bankersRounding()
    {
        Record record;
        for (const auto &[value, rounded] : {std::pair{2.5, 2}, std::pair{3.5, 4}, std::pair{-2.5, -2}}) {
            record.Amount->SetAsFloat(value);
            QCOMPARE(record.Amount->AsInteger(), rounded);
        }
        // Text of a string field as a boolean: T, t, Y or y first.
        record.Text->SetAsString(u"yes"_s);
        QVERIFY(record.Text->AsBoolean());
        record.Text->SetAsString(u"No"_s);
        QVERIFY(!record.Text->AsBoolean());
    }

    void colombianLocale()
    {
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Colombia));
        Record record;
        record.Amount->SetAsString(u"2,75"_s);
        QCOMPARE(record.Amount->AsFloat(), 2.75);
        QCOMPARE(record.Amount->AsString(), u"2,75"_s);
        // Thousands as written in Colombia; a lone point with fewer than three digits after it stays
        // a decimal point.
        for (const auto &[typed, value] :
             {std::pair{u"1.500.000,50"_s, 1500000.5}, std::pair{u"-12.345"_s, -12345.0}, std::pair{u"1.5"_s, 1.5}}) {
            record.Amount->SetAsString(typed);
            QCOMPARE(record.Amount->AsFloat(), value);
        }
        QCOMPARE(raised([&] { record.Amount->SetAsString(u"1.500.00,5"_s); }),
                 u"'1.500.00,5' no es un valor numérico válido para el campo 'AMOUNT'"_s);
        record.Amount->Currency = true;
        record.Amount->SetAsString(u"1.500.000,50"_s);
        QCOMPARE(record.Amount->DisplayText(), u"1.500.000,50"_s);
        record.Amount->Currency = false;
        record.Amount->DisplayFormat = u"#,##0.0"_s;
        record.Amount->SetAsFloat(1234.56);
        QCOMPARE(record.Amount->DisplayText(), u"1.234,6"_s);
        // A tax number reads as plain digits, in its text and in its value.
        record.Nit->SetAsString(u"900123456"_s);
        QCOMPARE(record.Nit->DisplayText(), u"900123456"_s);
        QCOMPARE(record.Nit->Value().toString(), u"900123456"_s);
        QCOMPARE(record.Nit->Value().typeId(), QMetaType::LongLong);
        record.Moment->SetAsDateTime(QDateTime(QDate(2024, 3, 9), QTime(8, 30)));
        const QString text = record.Moment->AsString();
        QCOMPARE(text, u"9/03/2024 08:30:00"_s);
        record.Moment->Clear();
        record.Moment->SetAsString(text);
        QCOMPARE(record.Moment->AsDateTime(), QDateTime(QDate(2024, 3, 9), QTime(8, 30)));
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_GUILESS_MAIN(tst_dataset_fields)
#include "tst_dataset_fields.moc"
