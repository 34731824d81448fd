#pragma once

// A small world for the annual plan, follow-up and saving rules: an in-memory application server
// with one provider table per remote dataset of the evaluation data module, three evaluation records
// (items 1 and 2 of cycle 10, item 3 of cycle 20, all of company 1), a person, and the server
// operations GenerarRMT (one counter per table), EjecutarSql (applies the responsible update to the
// records) and BuscarFechaServidor.

#include "FakeAppServer.h"
#include "Globals.h"
#include "SDCOMConnection.h"
#include "TApplication.h"
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

#include <QDateTime>
#include <memory>

struct PlanFollowUpWorld
{
    std::shared_ptr<FakeAppServer> server = std::make_shared<FakeAppServer>();
    std::unique_ptr<SDCOMConnection> connection = std::make_unique<SDCOMConnection>();
    std::unique_ptr<TDtmSoMaleg> dm;
    QHash<QString, int> issued;         // GenerarRMT: last number per table
    QList<QVariantList> sqlCalls;        // EjecutarSql: the statement arrays received
    bool sqlFails = false;
    const QDateTime procDate = QDateTime(QDate(2026, 1, 15), QTime(0, 0));

    static int col(const FakeAppServer::Table &t, const QString &name)
    {
        for (int i = 0; i < t.Fields.size(); ++i)
            if (t.Fields.at(i).Name == name)
                return i;
        return -1;
    }
    static QVariant param(const QList<SParam> &params, const QString &name)
    {
        for (const SParam &p : params)
            if (p.Name.compare(name, Qt::CaseInsensitive) == 0)
                return p.Value;
        return QVariant();
    }
    static FakeAppServer::Table tableLike(TDataSet *ds, const QString &keyField)
    {
        FakeAppServer::Table t;
        for (TField *f : ds->Fields())
            if (!f->Calculated())
                t.Fields << SFieldDef{f->FieldName(), f->DataType(), f->Size(), false, false, f->FieldName() == keyField};
        return t;
    }
    QVariantList rowOf(const QString &provider, const QVariantMap &values) const
    {
        QVariantList row;
        for (const SFieldDef &f : server->Tables[provider].Fields)
            row << values.value(f.Name);
        return row;
    }
    FakeAppServer::Table &table(const QString &provider) { return server->Tables[provider]; }
    QVariant value(const QString &provider, int row, const QString &column)
    {
        return table(provider).Rows.at(row).at(col(table(provider), column));
    }

    PlanFollowUpWorld()
    {
        Application()->Tag = 1;
        gStCodiUsua = QStringLiteral("ana");
        connection->SetAppServer(server);
        dm = std::make_unique<TDtmSoMaleg>(nullptr);
        dm->SetRemoteServer(connection.get());
        const QHash<QString, QString> keys{{QStringLiteral("QrySoMaleg"), QStringLiteral("RMT_ITES")},
                                           {QStringLiteral("QrySoSemon"), QStringLiteral("RMT_SEMO")},
                                           {QStringLiteral("QrySoPlass"), QStringLiteral("RMT_PLAS")}};
        for (SClientDataSet *ds : dm->findChildren<SClientDataSet *>())
            if (!ds->ProviderName.isEmpty())
                server->Tables.insert(ds->ProviderName, tableLike(ds, keys.value(ds->objectName())));

        const QString maleg = QStringLiteral("DtsPSoMaleg");
        for (const auto &[item, cycle] : {std::pair{1, 10}, std::pair{2, 10}, std::pair{3, 20}})
            table(maleg).Rows << rowOf(maleg, {{QStringLiteral("ACT_USUA"), QStringLiteral("demo")},
                                               {QStringLiteral("ACT_HORA"), procDate},
                                               {QStringLiteral("ACT_ESTA"), QStringLiteral("A")},
                                               {QStringLiteral("COD_EMPR"), 1},
                                               {QStringLiteral("FEC_PROC"), procDate},
                                               {QStringLiteral("RMT_PAMA"), cycle},
                                               {QStringLiteral("COD_CICL"), 1},
                                               {QStringLiteral("FEC_INIC"), QDateTime(QDate(2020, 1, 1), QTime(0, 0))},
                                               {QStringLiteral("RMT_DEPA"), 1},
                                               {QStringLiteral("RMT_ESTA"), 1},
                                               {QStringLiteral("RMT_ITES"), item},
                                               {QStringLiteral("NUM_ERAL"), QStringLiteral("1.1.%1").arg(item)},
                                               {QStringLiteral("DES_ITEM"), QStringLiteral("Ítem %1").arg(item)},
                                               {QStringLiteral("VAL_ITEM"), 0.5},
                                               {QStringLiteral("IND_CUMP"), QStringLiteral("C")},
                                               {QStringLiteral("PLA_ACCI"), QStringLiteral("Capacitar brigadistas")},
                                               {QStringLiteral("COD_RESP"), 11.0},
                                               {QStringLiteral("COD_AREA"), 4},
                                               {QStringLiteral("NOM_AREA"), QStringLiteral("Planta")}});

        const QString terce = QStringLiteral("DtsPGnTerce");
        table(terce).Rows << rowOf(terce, {{QStringLiteral("NOM_TERC"), QStringLiteral("Lucía")},
                                           {QStringLiteral("APE_TERC"), QStringLiteral("Rendón")}});
        table(terce).Filter = [](const QVariantList &, const QList<SParam> &params) {
            return param(params, QStringLiteral("PFLCOD_TERC")).toDouble() == 55.0;
        };
        const QString valResp = QStringLiteral("DtsPValResp");
        table(valResp).Rows << QVariantList{55.0} << QVariantList{11.0};
        table(valResp).Filter = [](const QVariantList &row, const QList<SParam> &params) {
            return row.at(0).toDouble() == param(params, QStringLiteral("P_COD_EMPL")).toDouble();
        };
        // Dependent rows of the item named by the parameters.
        for (const QString &provider : {QStringLiteral("DtsPSoSemon"), QStringLiteral("DtsPSoPlass")}) {
            const int itemCol = col(table(provider), QStringLiteral("RMT_ITES"));
            table(provider).Filter = [itemCol](const QVariantList &row, const QList<SParam> &params) {
                const QVariant item = param(params, QStringLiteral("PRMTITES"));
                return !item.isValid() || row.at(itemCol).toInt() == item.toInt();
            };
        }

        server->Methods.insert(QStringLiteral("BuscarFechaServidor"),
                               [](QVariantList &) { return QVariant(QDateTime::currentDateTime()); });
        server->Methods.insert(QStringLiteral("GenerarRMT"), [this](QVariantList &args) {
            const QVariantList a = args.at(0).toList();
            return QVariant(++issued[a.at(1).toString()]);
        });
        server->Methods.insert(QStringLiteral("EjecutarSql"), [this](QVariantList &args) {
            const QVariantList a = args.at(0).toList();
            sqlCalls << a;
            if (sqlFails)
                return QVariant(1);
            FakeAppServer::Table &t = table(QStringLiteral("DtsPSoMaleg"));
            for (QVariantList &row : t.Rows)
                if (row.at(col(t, QStringLiteral("COD_EMPR"))) == a.at(2) &&
                    row.at(col(t, QStringLiteral("FEC_PROC"))).toDateTime() == a.at(3).toDateTime() &&
                    row.at(col(t, QStringLiteral("RMT_PAMA"))).toInt() == a.at(4).toInt())
                    row[col(t, QStringLiteral("COD_RESP"))] = a.at(1);
            return QVariant(0);
        });
    }
    ~PlanFollowUpWorld()
    {
        TDtmSoMaleg::MessageBoxHook = nullptr;
        dm.reset();
    }

    // Opens the evaluation records on item 1 and its dependent datasets.
    void openItem()
    {
        dm->QrySoMaleg->Open();
        dm->QrySoMaleg->First();
        for (SClientDataSet *ds : {dm->QrySoSemon, dm->QrySoPlass})
            if (!ds->Active()) {
                ds->ParamByName(QStringLiteral("PRMTITES")).SetAsInteger(dm->QrySoMalegRMT_ITES->AsInteger());
                ds->Open();
            }
    }
};
