#pragma once

// Shared set-up of the capture dialog's tests: a lookup provider held in memory, a destination
// dataset in edit state, a lookup button like the main form's, and a scripted prompt service
// (script plays the user in the dialog; messages and exceptions collect what was shown).
#include "FakeAppServer.h"
#include "ScriptedPrompts.h"
#include "SDCOMConnection.h"
#include "ScriptedPrompts.h"
#include "SysUtils.h"
#include "TApplication.h"
#include "TCaptura.h"
#include "controls/TQNavegador.h"
#include "controls/TQPField.h"
#include "controls/TQSDBQbe.h"
#include "controls/TQsCmbCodigo.h"
#include "controls/TTolvaneDBgrid.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TField.h"

#include <QDate>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>
#include <functional>
#include <memory>
// The lookup provider: rows of GN_TERCE. A command with "1=0" returns no rows, a condition
// UPPER(col) LIKE :P with P = "X%" keeps the rows whose column starts with X, and a command naming
// FALLA fails.
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
        QString prefix;
        for (const SParam &p : params)
            if (m.hasMatch() && p.Name == m.captured(2))
                prefix = p.Value.toString().chopped(1);
        if (m.hasMatch()) {
            int column = -1;
            for (int c = 0; c < packet.Fields.size(); ++c)
                if (packet.Fields.at(c).Name == m.captured(1))
                    column = c;
            QList<QVariantList> kept;
            for (const QVariantList &row : std::as_const(packet.Rows))
                if (column >= 0 && row.at(column).toString().toUpper().startsWith(prefix))
                    kept << row;
            packet.Rows = kept;
        }
        return packet;
    }
};

inline const QStringList kSql{QStringLiteral("SELECT COD_EMPR, COD_TERC, NOM_TERC, APE_TERC FROM GN_TERCE")};
inline const QStringList kSqlWhere{QStringLiteral(" SELECT COD_EMPR, COD_TERC, NOM_TERC, APE_TERC  FROM GN_TERCE "),
                                   QStringLiteral(" where COD_EMPR = 1")};
inline const QStringList kTitles{QStringLiteral("Empresa"), QStringLiteral("Identificación"), QStringLiteral("Nombres"),
                                 QStringLiteral("Apellidos")};
inline const QStringList kColumns{QStringLiteral("COD_EMPR"), QStringLiteral("COD_TERC"), QStringLiteral("NOM_TERC"),
                                  QStringLiteral("APE_TERC")};

struct TCapturaFixture
{
    std::shared_ptr<FakeLookupServer> server;
    std::unique_ptr<SDCOMConnection> conn;
    std::unique_ptr<SClientDataSet> dest;
    std::unique_ptr<TCaptura> dialog;
    std::unique_ptr<TQPField> boton;
    QList<QPair<QMessageBox::Icon, QString>> messages;
    QStringList exceptions;
    std::function<void(TCaptura &)> script;
    // Answers the query-by-example dialog; with no answer it is cancelled.
    ScriptedPrompts *prompts = nullptr;

    QStringList messageTexts() const
    {
        QStringList texts;
        for (const auto &m : messages)
            texts << m.second;
        return texts;
    }
    static int currentTerc(TCaptura &d) { return d.CdsTmp->FieldByName(QStringLiteral("COD_TERC"))->AsInteger(); }
    QString destText(const QString &field) const { return dest->FieldByName(field)->AsString(); }
    // A user's double-click: the first click makes the row current, the second arrives as a double-click.
    void doubleClickRow(TCaptura &d, int row)
    {
        QWidget *viewport = d.DBGrid1->viewport();
        const QPoint at = d.DBGrid1->visualRect(d.DBGrid1->model()->index(row, 1)).center();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
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

    void MostrarTodo(bool value) { dialog->MostrarTodo = value; }

    void Init()
    {
        server = std::make_shared<FakeLookupServer>();
        FakeAppServer::Table table;
        const auto column = [](const QString &name, TFieldType type, int size) {
            SFieldDef def;
            def.Name = name;
            def.DataType = type;
            def.Size = size;
            return def;
        };
        table.Fields = {column(QStringLiteral("COD_EMPR"), TFieldType::ftSmallint, 0),
                        column(QStringLiteral("COD_TERC"), TFieldType::ftInteger, 0),
                        column(QStringLiteral("NOM_TERC"), TFieldType::ftString, 40),
                        column(QStringLiteral("APE_TERC"), TFieldType::ftString, 40)};
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
        // No test may reach the real criteria dialog.
        prompts = ScriptedPrompts::Install();
        boton = std::make_unique<TQPField>(nullptr, QStringLiteral("QPFldPrueba"));
        setUpButton(0);
        messages.clear();
        exceptions.clear();
        script = nullptr;
        prompts->otherwise = [this](QWidget &window) {
            if (auto *box = qobject_cast<QMessageBox *>(&window))
                messages.append({box->icon(), box->text()});
            else if (auto *captura = qobject_cast<TCaptura *>(&window); captura && script)
                script(*captura);
            return int(QMessageBox::Ok);
        };
        Application()->ShowException = [this](const QString &message) { exceptions << message; };
        BotonActual = nullptr;
    }

    void Cleanup()
    {
        dialog.reset();
        boton.reset();
        dest.reset();
        conn.reset();
        server.reset();
        Application()->ShowException = nullptr;
        Application()->SetPrompts(nullptr);
    }
};
