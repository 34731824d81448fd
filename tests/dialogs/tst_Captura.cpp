// The capture dialog as the main form's lookup buttons use it, over a lookup provider held in
// memory: showing, the listing asked for, the titles, the searches, how the dialog ends and what
// its acceptance copies into the destination (messages, the Tag guard, the lookup text).
#include "FakeAppServer.h"
#include "SDCOMConnection.h"
#include "ScriptedPrompts.h"
#include "SysUtils.h"
#include "TApplication.h"
#include "TCaptura.h"
#include "controls/TQNavegador.h"
#include "controls/TQPField.h"
#include "controls/TQSDBQbe.h"
#include "controls/TQbeDialog.h"
#include "controls/TQsCmbCodigo.h"
#include "controls/TTolvaneDBgrid.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TField.h"

#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Rows of GN_TERCE. A command with "1=0" returns no rows, a condition UPPER(col) LIKE :P with
// P = "X%" keeps the rows whose column starts with X, and a command naming FALLA fails.
class FakeLookupServer : public FakeAppServer
{
public:
    QStringList Commands;

    SDataPacket GetRecords(const QString &providerName, const QList<SParam> &params,
                           const QString &commandText) override
    {
        Commands << commandText;
        SDataPacket packet = FakeAppServer::GetRecords(providerName, params, commandText);
        if (commandText.contains(QStringLiteral("1=0"))) {
            packet.Rows.clear();
            return packet;
        }
        if (commandText.contains(QStringLiteral("FALLA")))
            throw Exception(QStringLiteral("Tabla FALLA no existe"));
        static const QRegularExpression like(QStringLiteral("UPPER\\((\\w+)\\) LIKE :(\\w+)"));
        const QRegularExpressionMatch m = like.match(commandText);
        if (!m.hasMatch())
            return packet;
        QString prefix;
        for (const SParam &p : params)
            if (p.Name == m.captured(2))
                prefix = p.Value.toString().chopped(1);
        int column = -1;
        for (int c = 0; c < packet.Fields.size(); ++c)
            if (packet.Fields.at(c).Name == m.captured(1))
                column = c;
        QList<QVariantList> kept;
        for (const QVariantList &row : std::as_const(packet.Rows))
            if (column >= 0 && row.at(column).toString().toUpper().startsWith(prefix))
                kept << row;
        packet.Rows = kept;
        return packet;
    }
};

const QStringList kSql{QStringLiteral("SELECT COD_EMPR, COD_TERC, NOM_TERC, APE_TERC FROM GN_TERCE")};
const QStringList kSqlWhere{QStringLiteral(" SELECT COD_EMPR, COD_TERC, NOM_TERC, APE_TERC  FROM GN_TERCE "),
                            QStringLiteral(" where COD_EMPR = 1")};
const QStringList kTitles{QStringLiteral("Empresa"), QStringLiteral("Identificación"), QStringLiteral("Nombres"),
                          QStringLiteral("Apellidos")};
const QStringList kColumns{QStringLiteral("COD_EMPR"), QStringLiteral("COD_TERC"), QStringLiteral("NOM_TERC"),
                           QStringLiteral("APE_TERC")};

} // namespace

class tst_Captura : public QObject
{
    Q_OBJECT

    // A destination record (EMP_ORIG 7, COD_RESP 900) in edit state, a lookup button like the main
    // form's, and the prompt service: `script` plays the user in the dialog, `messages` and
    // `exceptions` collect what was shown.
    std::shared_ptr<FakeLookupServer> server;
    std::unique_ptr<SDCOMConnection> conn;
    std::unique_ptr<SClientDataSet> dest;
    std::unique_ptr<TCaptura> dialog;
    std::unique_ptr<TQPField> boton;
    QStringList messages; // the message boxes' texts, and their icons
    QList<QMessageBox::Icon> icons;
    QStringList exceptions;
    std::function<void(TCaptura &)> script;
    ScriptedPrompts *prompts = nullptr; // answers the criteria dialog; with no answer it is cancelled

    QString destText(const QString &field) const { return dest->FieldByName(field)->AsString(); }
    // A user's double-click: the first click makes the row current, the second arrives as a double-click.
    static void doubleClickRow(TCaptura &d, int row)
    {
        const QPoint at = d.DBGrid1->visualRect(d.DBGrid1->model()->index(row, 1)).center();
        QTest::mouseClick(d.DBGrid1->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(d.DBGrid1->viewport(), Qt::LeftButton, {}, at);
    }
    // A button as the main form's lookups are set up: two variables into EMP_ORIG and COD_RESP.
    void setUpButton(int tag)
    {
        boton->Tag = tag;
        boton->Servidor = conn.get();
        boton->DataSet = dest.get();
        boton->SQL = kSql;
        boton->Variables = {QStringLiteral("COD_EMPR"), QStringLiteral("COD_TERC")};
        boton->Destino = {QStringLiteral("EMP_ORIG"), QStringLiteral("COD_RESP")};
        boton->Titulos = kTitles;
        boton->Titulo = QStringLiteral(" Lista de Empleados");
    }

private slots:
    void init()
    {
        server = std::make_shared<FakeLookupServer>();
        FakeAppServer::Table table;
        for (const auto &[name, type, size] : {std::tuple{QStringLiteral("COD_EMPR"), TFieldType::ftSmallint, 0},
                                               std::tuple{QStringLiteral("COD_TERC"), TFieldType::ftInteger, 0},
                                               std::tuple{QStringLiteral("NOM_TERC"), TFieldType::ftString, 40},
                                               std::tuple{QStringLiteral("APE_TERC"), TFieldType::ftString, 40}}) {
            SFieldDef def;
            def.Name = name;
            def.DataType = type;
            def.Size = size;
            table.Fields << def;
        }
        table.Rows = {{1, 101, QStringLiteral("Ana"), QStringLiteral("Gomez")},
                      {1, 102, QStringLiteral("Mario"), QStringLiteral("Perez")},
                      {1, 103, QStringLiteral("marta"), QStringLiteral("Lopez")},
                      {2, 104, QStringLiteral("MARCOS"), QStringLiteral("Diaz")},
                      {2, 105, QStringLiteral("Beatriz"), QStringLiteral("Rojas")}};
        server->Tables.insert(QStringLiteral("DtsPTemporal"), table);
        conn = std::make_unique<SDCOMConnection>();
        conn->SetAppServer(server);
        dest = std::make_unique<SClientDataSet>(nullptr, QStringLiteral("QrySoMaleg"));
        dest->AddFieldDef(QStringLiteral("EMP_ORIG"), TFieldType::ftSmallint);
        dest->AddFieldDef(QStringLiteral("COD_RESP"), TFieldType::ftInteger);
        dest->CreateDataSet();
        dest->AppendRecord({7, 900});
        dest->Edit();
        dialog = std::make_unique<TCaptura>(nullptr);
        prompts = ScriptedPrompts::Install(); // no test may reach the real criteria dialog
        boton = std::make_unique<TQPField>(nullptr, QStringLiteral("QPFldPrueba"));
        setUpButton(0);
        messages.clear();
        icons.clear();
        exceptions.clear();
        script = nullptr;
        prompts->otherwise = [this](QWidget &window) {
            if (auto *box = qobject_cast<QMessageBox *>(&window)) {
                messages << box->text();
                icons << box->icon();
            } else if (auto *captura = qobject_cast<TCaptura *>(&window); captura && script)
                script(*captura);
            return int(QMessageBox::Ok);
        };
        Application()->ShowException = [this](const QString &message) { exceptions << message; };
        BotonActual = nullptr;
    }
    void cleanup()
    {
        dialog.reset();
        boton.reset();
        dest.reset();
        conn.reset();
        server.reset();
        Application()->ShowException = nullptr;
        Application()->SetPrompts(nullptr);
    }

    void showPreparesTheDialog()
    {
        dest->Cancel();
        QStringList values;
        QString version, caption;
        bool aceptarEnabled = false; // the field chooser and the titles: see titles()
        script = [&](TCaptura &d) {
            version = d.LblVersion->text();
            caption = d.Caption();
            aceptarEnabled = d.BitBtnAceptar->isEnabled();
        };
        dialog->MostrarTodo = true;
        dialog->edtBusqueda->setText(QStringLiteral("resto"));
        dialog->edtValor->setText(QStringLiteral("resto"));
        QVERIFY(!dialog->Capturar(conn.get(), nullptr, kSql, {QStringLiteral("COD_TERC")}, {}, values, kTitles,
                                  QStringLiteral(" Lista de Empleados")));
        const QDate today = QDate::currentDate();
        QCOMPARE(version, QStringLiteral("Versión %1.0 %2")
                              .arg(today.toString(QStringLiteral("yy")), today.toString(QStringLiteral("yyyy"))));
        QCOMPARE(caption, QStringLiteral(" Lista de Empleados"));
        QVERIFY(aceptarEnabled);
        QVERIFY(dialog->edtBusqueda->text().isEmpty() && dialog->edtValor->text().isEmpty());
        QVERIFY(!dialog->CdsTmp->Active() && values.isEmpty() && messages.isEmpty());
    }

    void emptyGridDoubleClick()
    {
        // Tag 1: the criteria are asked for first; the user gives up, so the grid stays empty.
        setUpButton(1);
        boton->Valores = {QStringLiteral("anterior")};
        int modalAfterDoubleClick = -1;
        bool aceptarEnabled = true;
        script = [&](TCaptura &d) {
            QCOMPARE(d.CdsTmp->RecordCount(), 0);
            aceptarEnabled = d.BitBtnAceptar->isEnabled();
            QTest::mouseDClick(d.DBGrid1->viewport(), Qt::LeftButton, {}, QPoint(40, 10));
            d.DBGrid1DblClick(d.DBGrid1);
            modalAfterDoubleClick = d.ModalResult();
            QVERIFY(d.isVisible());
        };
        QVERIFY(!dialog->CapturarBoton(boton.get()));
        QCOMPARE(prompts->asked.first(), QStringLiteral("Consulta por ejemplo"));
        QVERIFY(!aceptarEnabled);
        QCOMPARE(modalAfterDoubleClick, int(mrNone));
        QVERIFY(!AceptadoPorDobleClic);
        QCOMPARE(boton->Valores, QStringList{QStringLiteral("anterior")});
        QCOMPARE(destText(QStringLiteral("COD_RESP")), QStringLiteral("900"));
    }

    void mostrarTodo_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<QStringList>("sql");
        QTest::addColumn<QString>("emptyOpen");
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("listing");
        QTest::newRow("Tag 0, sin WHERE") << 0 << kSql << QStringLiteral(" WHERE 1=0") << 0 << 5 << kSql.first();
        QTest::newRow("Tag 0, con WHERE")
            << 0 << kSqlWhere << QStringLiteral(" AND 1=0") << 0 << 5
            << QStringLiteral(" SELECT COD_EMPR, COD_TERC, NOM_TERC, APE_TERC  FROM GN_TERCE \r\n where COD_EMPR = 1");
        QTest::newRow("Tag 1, sin WHERE") << 1 << kSql << QStringLiteral(" WHERE 1=0") << 1 << 3
                                          << kSql.first() + QStringLiteral(" WHERE UPPER(NOM_TERC) LIKE :QBE1");
        QTest::newRow("Tag 5, con WHERE")
            << 5 << kSqlWhere << QStringLiteral(" AND 1=0") << 1 << 3
            << QStringLiteral(" SELECT COD_EMPR, COD_TERC, NOM_TERC, APE_TERC  FROM GN_TERCE \r\n where COD_EMPR = 1"
                              " AND UPPER(NOM_TERC) LIKE :QBE1");
    }
    void mostrarTodo()
    {
        QFETCH(int, tag);
        QFETCH(QStringList, sql);
        QFETCH(QString, emptyOpen);
        QFETCH(int, asked);
        QFETCH(int, rows);
        QFETCH(QString, listing);
        setUpButton(tag);
        boton->SQL = sql;
        // The criteria dialog comes before the list, when it is asked for at all.
        if (asked)
            prompts->answers.push_back([](QWidget &d) {
                static_cast<TQbeDialog &>(d).SetCriteria(
                    {{QStringLiteral("NOM_TERC"), TQbeOperator::StartsWith, QStringLiteral("ma")}});
                return int(QDialog::Accepted);
            });
        int shownRows = -1;
        script = [&](TCaptura &d) { shownRows = d.DBGrid1->model()->rowCount(); };
        dialog->CapturarBoton(boton.get());
        QCOMPARE(dialog->MostrarTodo, tag == 0);
        QCOMPARE(int(prompts->asked.count(QStringLiteral("Consulta por ejemplo"))), asked);
        QCOMPARE(shownRows, rows);
        QCOMPARE(server->Commands.size(), 2);
        QVERIFY2(server->Commands.at(0).trimmed().endsWith(emptyOpen), qPrintable(server->Commands.at(0)));
        QCOMPARE(server->Commands.at(1).trimmed(), listing.trimmed());
    }

    void titles_data()
    {
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("expectedMessages");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("headings");
        const QString mismatch = QStringLiteral("[Error en TITULOS][Falta definicion de titulos]");
        QTest::newRow("títulos completos") << kTitles << QStringList{} << kTitles << kTitles;
        QTest::newRow("sin títulos") << QStringList{} << QStringList{} << kColumns << kColumns;
        // One message per opening of the result: the empty one and the full listing.
        QTest::newRow("títulos de menos") << QStringList{QStringLiteral("Empresa"), QStringLiteral("Identificación")}
                                          << QStringList{mismatch, mismatch}
                                          << QStringList{QStringLiteral("Empresa"), QStringLiteral("Identificación"),
                                                         QStringLiteral("NOM_TERC"), QStringLiteral("APE_TERC")}
                                          << kColumns;
        QTest::newRow("títulos de más") << kTitles + QStringList{QStringLiteral("Otro")}
                                        << QStringList{mismatch, mismatch} << kTitles << kColumns;
    }
    void titles()
    {
        QFETCH(QStringList, titles);
        QFETCH(QStringList, expectedMessages);
        QFETCH(QStringList, items);
        QFETCH(QStringList, headings);
        boton->Titulos = titles;
        QStringList shownItems, shownCodes, shownHeadings;
        script = [&](TCaptura &d) {
            shownItems = d.CmbCampos->Items();
            shownCodes = d.CmbCampos->Codigos();
            for (int c = 0; c < d.DBGrid1->model()->columnCount(); ++c)
                shownHeadings << d.DBGrid1->model()->headerData(c, Qt::Horizontal).toString();
        };
        dialog->CapturarBoton(boton.get());
        QCOMPARE(messages, expectedMessages);
        QCOMPARE(shownItems, items);
        QCOMPARE(shownCodes, kColumns);
        QCOMPARE(shownHeadings, headings);
        QCOMPARE(TitulosActuales, titles);
    }

    void serverErrorPropagates()
    {
        boton->SQL = {QStringLiteral("SELECT COD_EMPR, COD_TERC, NOM_TERC, APE_TERC FROM FALLA")};
        bool ran = false;
        script = [&](TCaptura &) { ran = true; };
        QString message;
        try {
            dialog->CapturarBoton(boton.get());
        } catch (const Exception &e) {
            message = e.Message();
        }
        QCOMPARE(message, QStringLiteral("Tabla FALLA no existe"));
        QVERIFY(!ran);
        QVERIFY(!dialog->isVisible());
    }

    // How the dialog ends, through its real modal loop: the chosen row reaches the destination and
    // the button on "Aceptar", Enter or a double click; nothing changes on "Cancelar", Escape or
    // closing the window.
    void modalEnds_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("empOrig"); // empty: cancelled
        QTest::addColumn<QString>("codResp");
        QTest::newRow("Aceptar") << QStringLiteral("aceptar") << 1 << QStringLiteral("1") << QStringLiteral("102");
        QTest::newRow("Enter") << QStringLiteral("enter") << 1 << QStringLiteral("1") << QStringLiteral("102");
        QTest::newRow("doble clic") << QStringLiteral("doble") << 3 << QStringLiteral("2") << QStringLiteral("104");
        QTest::newRow("Cancelar") << QStringLiteral("cancelar") << 1 << QString() << QString();
        QTest::newRow("Escape") << QStringLiteral("escape") << 1 << QString() << QString();
        QTest::newRow("cerrar ventana") << QStringLiteral("cerrar") << 1 << QString() << QString();
    }
    void modalEnds()
    {
        QFETCH(QString, action);
        QFETCH(int, row);
        QFETCH(QString, empOrig);
        QFETCH(QString, codResp);
        Application()->SetPrompts(nullptr);
        boton->Valores = {QStringLiteral("anterior")};
        bool wasModal = false;
        int modalResult = -1;
        QTimer::singleShot(0, dialog.get(), [&] {
            wasModal = dialog->isVisible() && dialog->isModal();
            dialog->CdsTmp->SetRecNo(row + 1);
            if (action == QStringLiteral("aceptar"))
                QTest::mouseClick(dialog->BitBtnAceptar, Qt::LeftButton);
            else if (action == QStringLiteral("enter"))
                QTest::keyClick(dialog->edtBusqueda, Qt::Key_Return);
            else if (action == QStringLiteral("doble"))
                doubleClickRow(*dialog, row);
            else if (action == QStringLiteral("cancelar"))
                QTest::mouseClick(dialog->BitBtn2, Qt::LeftButton);
            else if (action == QStringLiteral("escape"))
                QTest::keyClick(dialog.get(), Qt::Key_Escape);
            else
                dialog->close();
            modalResult = dialog->ModalResult();
        });
        const bool accepted = !empOrig.isEmpty();
        QCOMPARE(dialog->CapturarBoton(boton.get()), accepted);
        QVERIFY(wasModal);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(modalResult, accepted && action != QStringLiteral("doble") ? int(mrOk) : int(mrCancel));
        QCOMPARE(AceptadoPorDobleClic, action == QStringLiteral("doble"));
        QCOMPARE(destText(QStringLiteral("EMP_ORIG")), accepted ? empOrig : QStringLiteral("7"));
        QCOMPARE(destText(QStringLiteral("COD_RESP")), accepted ? codResp : QStringLiteral("900"));
        QCOMPARE(boton->Valores, accepted ? (QStringList{empOrig, codResp}) : QStringList(QStringLiteral("anterior")));
        QCOMPARE(BotonActual.data(), boton.get());
        QVERIFY(messages.isEmpty() && exceptions.isEmpty());
        QVERIFY(!dialog->CdsTmp->Active());
    }

    void messagesOfAcceptance_data()
    {
        QTest::addColumn<QStringList>("variables");
        QTest::addColumn<QStringList>("destino");
        QTest::addColumn<QString>("destination"); // "edición", "anotado" or none
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("empOrig");
        QTest::addColumn<QString>("codResp");
        QTest::addColumn<QStringList>("values");
        const auto row = [](const char *name, QStringList variables, QStringList destino, const char *destination,
                            const char *message, const char *empOrig, const char *codResp, QStringList values) {
            QTest::newRow(name) << variables << destino << QString::fromUtf8(destination) << QString::fromUtf8(message)
                                << QString::fromUtf8(empOrig) << QString::fromUtf8(codResp) << values;
        };
        const QString e = QStringLiteral("EMP_ORIG"), r = QStringLiteral("COD_RESP");
        const QString em = QStringLiteral("COD_EMPR"), te = QStringLiteral("COD_TERC");
        row("variable vacía en la línea 2", {te, u"   "_s}, {r, e}, "edición", "[Error en VARIABLES][Linea (2) vacia ]",
            "7", "102", {u"102"_s});
        row("variable vacía en la línea 1", {QString(), te}, {e, r}, "edición",
            "[Error en VARIABLES][Linea (1) vacia ]", "7", "900", {u"anterior"_s});
        row("variable que no está en la consulta", {em, u"cod_xxx "_s}, {e, r}, "edición",
            "[Error en VARIABLES][no existe variable <COD_XXX> en Query ]", "1", "900", {u"1"_s});
        row("destino vacío en la línea 2", {em, te}, {e, u" "_s}, "edición", "[Error en DESTINO][Linea (2) vacia ]",
            "1", "900", {u"1"_s, u"102"_s});
        row("destino que falta en la línea 2", {em, te}, {e}, "edición", "[Error en DESTINO][Linea (2) vacia ]", "1",
            "900", {u"1"_s, u"102"_s});
        row("nombres con blancos y minúsculas", {u" cod_empr"_s, u"Cod_Terc  "_s}, {u"emp_orig "_s, u" cod_resp"_s},
            "edición", "", "1", "102", {u"1"_s, u"102"_s});
        row("sin dataset destino", {te, u"NOM_TERC"_s}, {}, "", "", "7", "900", {u"102"_s, u"Mario"_s});
        // Not in edit state: the values are still given, the destination is left alone.
        row("destino sin editar", {te}, {r}, "anotado", "", "7", "900", {u"102"_s});
    }
    void messagesOfAcceptance()
    {
        QFETCH(QStringList, variables);
        QFETCH(QStringList, destino);
        QFETCH(QString, destination);
        QFETCH(QString, message);
        QFETCH(QString, empOrig);
        QFETCH(QString, codResp);
        QFETCH(QStringList, values);
        QStringList requestValues{QStringLiteral("anterior")};
        bool closed = false;
        script = [&](TCaptura &d) {
            d.CdsTmp->SetRecNo(2);
            d.BitBtnAceptar->click();
            closed = d.ModalResult() == mrOk;
        };
        if (destination == QStringLiteral("anotado"))
            dest->Post();
        dialog->MostrarTodo = true;
        QVERIFY(dialog->Capturar(conn.get(), destination.isEmpty() ? nullptr : dest.get(), kSql, variables, destino,
                                 requestValues, {}, QStringLiteral("Prueba")));
        QVERIFY(closed);
        QCOMPARE(messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(icons, QList<QMessageBox::Icon>(messages.size(), QMessageBox::NoIcon));
        QCOMPARE(destText(QStringLiteral("EMP_ORIG")), empOrig);
        QCOMPARE(destText(QStringLiteral("COD_RESP")), codResp);
        QCOMPARE(requestValues, values);
        QVERIFY(exceptions.isEmpty());
        QCOMPARE(dest->State(), destination == QStringLiteral("anotado") ? dsBrowse : dsEdit);
    }

    void tagGuard_data()
    {
        QTest::addColumn<qintptr>("tag");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<qintptr>("restored");
        QTest::newRow("Tag 0") << qintptr(0) << false << qintptr(0);
        QTest::newRow("Tag 7") << qintptr(7) << false << qintptr(7);
        QTest::newRow("Tag 7, el campo rechaza") << qintptr(7) << true << qintptr(7);
        QTest::newRow("Tag de 17 bits") << qintptr(70000) << false << qintptr(70000 & 0xFFFF);
    }
    void tagGuard()
    {
        QFETCH(qintptr, tag);
        QFETCH(bool, refuse);
        QFETCH(qintptr, restored);
        TField *codResp = dest->FieldByName(QStringLiteral("COD_RESP"));
        codResp->Tag = tag;
        QList<qintptr> seen;
        codResp->OnValidate = [&](TField &f) {
            seen << f.Tag;
            if (refuse)
                throw Exception(QStringLiteral("Responsable no válido"));
        };
        bool closed = false;
        script = [&](TCaptura &d) {
            d.CdsTmp->SetRecNo(3);
            d.BitBtnAceptar->click();
            closed = d.ModalResult() == mrOk;
        };
        dialog->CapturarBoton(boton.get());
        codResp->OnValidate = nullptr;
        QCOMPARE(seen, QList<qintptr>{tag + 1000});
        QCOMPARE(codResp->Tag, restored);
        QVERIFY(closed);
        QCOMPARE(destText(QStringLiteral("COD_RESP")), refuse ? QStringLiteral("900") : QStringLiteral("103"));
        QCOMPARE(exceptions, refuse ? QStringList{QStringLiteral("Responsable no válido")} : QStringList{});
        QCOMPARE(dest->FieldByName(QStringLiteral("EMP_ORIG"))->Tag, qintptr(0));
    }

    void lookUpField_data()
    {
        QTest::addColumn<QString>("lookUpField");
        QTest::addColumn<QString>("lookupText");
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("campo de la consulta")
            << QStringLiteral(" NOM_TERC ") << QStringLiteral("Mario") << QStringList{};
        QTest::newRow("sin campo") << QString() << QString() << QStringList{};
        // Each copied variable looks the field up, so two variables report it twice.
        const QString error = QStringLiteral(" Error de parametrización de componente [QPFldPrueba] campo LookUpField "
                                             "[NOM_XXX] no encontrado en query de consulta ");
        QTest::newRow("campo que no está en la consulta")
            << QStringLiteral("NOM_XXX") << QStringLiteral("previo") << QStringList{error, error};
    }
    void lookUpField()
    {
        QFETCH(QString, lookUpField);
        QFETCH(QString, lookupText);
        QFETCH(QStringList, errors);
        boton->LookUpField = lookUpField;
        boton->LookupText = QStringLiteral("previo");
        script = [&](TCaptura &d) {
            d.CdsTmp->SetRecNo(2);
            d.BitBtnAceptar->click();
        };
        QVERIFY(dialog->CapturarBoton(boton.get()));
        QCOMPARE(boton->LookupText, lookupText);
        QCOMPARE(messages, errors);
        QCOMPARE(icons, QList<QMessageBox::Icon>(messages.size(), QMessageBox::Critical));
        // The copy goes on after the error.
        QCOMPARE(destText(QStringLiteral("COD_RESP")), QStringLiteral("102"));
    }

    // The searches on the column chosen: typing searches as it goes (a text a number column cannot
    // take is refused and empties the value box), the value box searches on its button; choosing a
    // column again empties both boxes.
    void searches_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("startRow");
        QTest::addColumn<QString>("before"); // already in the search box
        QTest::addColumn<QString>("typed");  // empty: the value box's button
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("expectedTerc");
        QTest::addColumn<QString>("expectedText");
        QTest::addColumn<QString>("expectedValor");
        const QString algo = QStringLiteral("algo");
        const auto typing = [&](const char *name, int column, const char *typed, int start, int terc,
                                const char *text) {
            const QString t = QString::fromUtf8(text);
            QTest::newRow(name) << column << start << QString() << QString::fromUtf8(typed) << algo << terc << t
                                << (t == QString::fromUtf8(typed) ? algo : QString());
        };
        typing("texto, prefijo exacto", 2, "Mar", 1, 102, "Mar");
        typing("texto, minúsculas", 2, "mart", 1, 103, "mart");
        typing("texto, mayúsculas", 2, "MARC", 1, 104, "MARC");
        typing("texto, otra columna", 3, "ro", 1, 105, "ro");
        typing("texto sin coincidencia", 2, "zz", 3, 103, "zz");
        typing("número", 1, "104", 1, 104, "104");
        typing("número y letra", 1, "103x", 1, 103, "103");
        typing("letra en número", 1, "a", 2, 102, "");
        typing("número pequeño", 0, "2", 1, 104, "2");
        QTest::newRow("valor, texto") << 2 << 1 << QString() << QString() << QStringLiteral("marc") << 104
                                      << QStringLiteral("marc") << QStringLiteral("marc");
        QTest::newRow("valor, número") << 1 << 1 << QString() << QString() << QStringLiteral("105") << 105
                                       << QStringLiteral("105") << QStringLiteral("105");
        QTest::newRow("valor, texto en número") << 1 << 1 << QStringLiteral("102") << QString() << QStringLiteral("abc")
                                                << 102 << QStringLiteral("102") << QString();
    }
    void searches()
    {
        QFETCH(int, column);
        QFETCH(int, startRow);
        QFETCH(QString, before);
        QFETCH(QString, typed);
        QFETCH(QString, value);
        QFETCH(int, expectedTerc);
        QFETCH(QString, expectedText);
        QFETCH(QString, expectedValor);
        int terc = -1;
        QString text, valor, afterChoice;
        script = [&](TCaptura &d) {
            d.CmbCampos->setCurrentIndex(column);
            emit d.CmbCampos->activated(column);
            d.CdsTmp->SetRecNo(startRow);
            if (!before.isEmpty())
                d.edtBusqueda->setText(before);
            d.edtValor->setText(value);
            if (typed.isEmpty())
                QTest::mouseClick(d.SpeedButton1, Qt::LeftButton);
            else
                QTest::keyClicks(d.edtBusqueda, typed);
            terc = d.CdsTmp->FieldByName(QStringLiteral("COD_TERC"))->AsInteger();
            text = d.edtBusqueda->text();
            valor = d.edtValor->text();
            emit d.CmbCampos->activated(1);
            afterChoice = d.edtBusqueda->text() + d.edtValor->text();
        };
        dialog->CapturarBoton(boton.get());
        QCOMPARE(terc, expectedTerc);
        QCOMPARE(text, expectedText);
        QCOMPARE(valor, expectedValor);
        QVERIFY(afterChoice.isEmpty());
    }
};

QTEST_MAIN(tst_Captura)
#include "tst_Captura.moc"
