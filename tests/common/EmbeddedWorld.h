#pragma once

// The evaluation module over a real application server: a SQLite database built by the test program
// — the schema and the demonstration world (two companies, their people and management axes, an
// evaluation of the sample catalogue dated 2026-02-02 with ratings, plan activities and follow-up
// rows, user "demo") — served in process through the "local" transport, as the desktop connects.
// The database is built once per program; each EmbeddedDatabase works on its own copy, so tests never
// see each other's saves. EmbeddedWorld adds a data module connected to it.

#include "AppServerTransports.h"
#include "Globals.h"
#include "RecordingAppServer.h"
#include "ScriptedPrompts.h"
#include "SDCOMConnection.h"
#include "SysUtils.h"
#include "TAppServerEngine.h"
#include "TApplication.h"
#include "TDemoWorld.h"
#include "TDtmSoMaleg.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TDateTimeField.h"
#include "dataset/TField.h"
#include "dataset/TFixedCharField.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TMemoField.h"
#include "dataset/TSmallintField.h"
#include "dataset/TStringField.h"

#include <QMessageBox>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <memory>

// The message of the Exception `action` raises; empty when it raises none.
template <class Action> QString ErrorOf(Action action)
{
    try {
        action();
    } catch (const Exception &e) {
        return e.Message();
    }
    return QString();
}

class EmbeddedDatabase
{
public:
    // The process date of the demonstration evaluation.
    static QDateTime ProcessDate() { return QDateTime(QDate(2026, 2, 2), QTime(0, 0)); }

    // Item 1.1.1 of company 1 in area 1 (cycle 1, value 0.5): rated "C" with responsible 1010203040
    // and axis 1, two plan activities, no follow-up rows. As a condition on the evaluation query's
    // MA columns, and as a WHERE clause on the tables keyed like SO_MALEG.
    static QString FirstItem()
    {
        return QStringLiteral("MA.COD_EMPR = 1 AND MA.RMT_PAMA = 1 AND MA.RMT_DEPA = 1 AND MA.RMT_ESTA = 1"
                              " AND MA.RMT_ITES = 1 AND MA.COD_AREA = 1");
    }
    static QString FirstItemWhere() { return QStringLiteral(" WHERE ") + FirstItem().remove(QStringLiteral("MA.")); }

    // Opens a data module's evaluation records picked by the condition on the MA columns, in key
    // order, the condition joined to the main query as the query by example joins it.
    static void OpenEvaluation(TDtmSoMaleg &dm, const QString &condition, const QVariantMap &dates = {})
    {
        SClientDataSet *q = dm.QrySoMaleg;
        q->Close();
        const QString marker = QStringLiteral("MA.COD_AREA = AR.COD_AREA");
        const QString sql = q->CommandText();
        q->SetSQL(
            {sql.left(sql.indexOf(marker) + marker.size()) + QStringLiteral(" AND ") + condition +
             QStringLiteral(" ORDER BY MA.COD_EMPR, MA.RMT_PAMA, MA.RMT_DEPA, MA.RMT_ESTA, MA.RMT_ITES, MA.COD_AREA")});
        for (auto it = dates.cbegin(); it != dates.cend(); ++it)
            q->ParamByName(it.key()).SetAsDateTime(it.value().toDateTime());
        q->Open();
    }

    std::shared_ptr<TAppServerEngine> engine;

    EmbeddedDatabase()
    {
        RegisterAppServerTransports();
        m_location = m_dir.filePath(QStringLiteral("mundo.sqlite"));
        Template().Database().Run(QStringLiteral("VACUUM INTO ?"), {m_location});
        engine = TAppServerEngine::ForDatabase(m_location);
    }
    ~EmbeddedDatabase() { engine->Database().CloseConnection(); }

    const QString &Location() const { return m_location; }

    // A client of the database, signed in as the module signs in.
    std::unique_ptr<SDCOMConnection> Connect(const QString &user = QStringLiteral("demo"),
                                             const QString &password = QStringLiteral("demo")) const
    {
        auto c = std::make_unique<SDCOMConnection>();
        c->Protocol = QStringLiteral("local");
        c->Server = m_location;
        c->User = user;
        c->Password = password;
        return c;
    }

    // Straight SQL on the database, for arranging a case and for reading what a save stored.
    void Exec(const QString &sql, const QVariantList &values = {}) { engine->Database().Run(sql, values); }
    QVariant Value(const QString &sql, const QVariantList &values = {})
    {
        QSqlQuery q = engine->Database().Run(sql, values);
        return q.next() ? q.value(0) : QVariant();
    }
    QList<QVariantList> Rows(const QString &sql, const QVariantList &values = {})
    {
        QSqlQuery q = engine->Database().Run(sql, values);
        QList<QVariantList> rows;
        while (q.next()) {
            QVariantList row;
            for (int c = 0; c < q.record().count(); ++c)
                row << q.value(c);
            rows << row;
        }
        return rows;
    }

private:
    // The demonstration database, built once per test program.
    static TAppServerEngine &Template()
    {
        static QTemporaryDir dir;
        static std::shared_ptr<TAppServerEngine> engine = [] {
            auto e = std::make_shared<TAppServerEngine>(dir.filePath(QStringLiteral("plantilla.sqlite")));
            e->CreateSchema();
            TDemoWorld(e->Database()).Build();
            return e;
        }();
        return *engine;
    }

    QTemporaryDir m_dir;
    QString m_location;
};

class EmbeddedWorld : public EmbeddedDatabase
{
public:
    // The module's connection: through `server`, which records what is asked of the real one.
    std::unique_ptr<SDCOMConnection> connection;
    std::shared_ptr<RecordingAppServer> server;
    std::unique_ptr<TDtmSoMaleg> dm;
    // The module's message boxes: what they said ("caption: text"), their icon and buttons, and the
    // button they get.
    QStringList asked;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    int answer = QMessageBox::No;

    // Signs in as "demo"; `codiUsua` is the user the module stamps on its changes.
    explicit EmbeddedWorld(const QString &codiUsua = QStringLiteral("demo"))
    {
        Application()->Tag = 1;
        gStCodiUsua = codiUsua;
        m_real = Connect();
        server = std::make_shared<RecordingAppServer>(m_real->AppServer());
        connection = std::make_unique<SDCOMConnection>();
        connection->SetAppServer(server);
        dm = std::make_unique<TDtmSoMaleg>(nullptr);
        dm->SetRemoteServer(connection.get());
        ScriptedPrompts::Install()->otherwise = [this](QWidget &dialog) {
            if (auto *box = qobject_cast<QMessageBox *>(&dialog)) {
                asked << box->windowTitle() + QStringLiteral(": ") + box->text();
                icon = box->icon();
                buttons = box->standardButtons();
            }
            return answer;
        };
    }
    ~EmbeddedWorld()
    {
        Application()->SetPrompts(nullptr);
        dm.reset();
        connection.reset();
        m_real.reset();
    }

    // Opens the evaluation records of company 1, or those the condition picks.
    void Open(const QString &condition = QStringLiteral("MA.COD_EMPR = 1"), const QVariantMap &dates = {})
    {
        OpenEvaluation(*dm, condition, dates);
    }

private:
    std::unique_ptr<SDCOMConnection> m_real;
};
