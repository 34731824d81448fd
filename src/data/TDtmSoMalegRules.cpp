#include "TDtmSoMaleg.h"

#include "Globals.h"
#include "SDCOMConnection.h"
#include "SysUtils.h"
#include "TApplication.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TDateTimeField.h"
#include "dataset/TField.h"
#include "dataset/TFieldFormat.h"
#include "dataset/TFixedCharField.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TMemoField.h"
#include "dataset/TSmallintField.h"
#include "dataset/TStringField.h"

#include <QDate>

// The rules of the evaluation records: calculated names and score, the edit refusal, the audit
// stamp, the refusal of new records and of unknown responsibles, and the evaluation criterion.
// Record navigation (after open, after scroll) is in TDtmSoMalegNavigation.cpp.

namespace {

// Today at midnight as a day count, the way the validity dates are compared.
double todayAsDays()
{
    return TFieldFormat::DateTimeToDouble(QDateTime(QDate::currentDate(), QTime(0, 0)));
}

// The name shown for a compliance code. A "P" record (complies partly) shows "Cumple Parcialmente",
// the text under which the main form's compliance list offers that code; codes "J" and "X" are
// shown as plain "No Aplica" for process years from 2019 on.
QString complianceName(const QString &code, int processYear)
{
    if (code.isEmpty())
        return QString();
    const QChar first = code.at(0);
    QString name;
    if (first == u'C')
        name = QStringLiteral("Cumple Totalmente");
    else if (first == u'J')
        name = QStringLiteral("No Aplica - Justifica");
    else if (first == u'N')
        name = QStringLiteral("No Cumple");
    else if (first == u'X')
        name = QStringLiteral("No Aplica - No Justifica");
    else if (first == u'P')
        name = QStringLiteral("Cumple Parcialmente");
    if (processYear > 2018 && (first == u'J' || first == u'X'))
        name = QStringLiteral("No Aplica");
    return name;
}

} // namespace

QString TDtmSoMaleg::NombreCiclo(int code)
{
    switch (code) {
    case 1:
        return QStringLiteral("Planear");
    case 2:
        return QStringLiteral("Hacer");
    case 3:
        return QStringLiteral("Verificar");
    case 4:
        return QStringLiteral("Actuar");
    default:
        return QString();
    }
}

QString TDtmSoMaleg::EvalCriterio(long double pExTotal)
{
    // Without a current record there is no company whose bands could hold the total: the level is
    // empty, as it is when no band does, and nothing is asked.
    if (QrySoMalegCOD_EMPR->IsNull())
        return QString();
    QryGnDitem->Close();
    QryGnDitem->ParamByName(QStringLiteral("P_COD_EMPR")).SetAsSmallInt(QrySoMalegCOD_EMPR->AsInteger());
    QryGnDitem->ParamByName(QStringLiteral("P_TIP_ITEM")).SetAsSmallInt(4);
    QryGnDitem->ParamByName(QStringLiteral("P_COD_ITEM")).SetAsFloat(double(pExTotal));
    QryGnDitem->Open();
    return QryGnDitem->IsEmpty() ? QString() : QryGnDitemDES_ITEM->AsString();
}

void TDtmSoMaleg::QrySoMalegCalcFields(TDataSet &)
{
    // Names looked up under an earlier loading of the rows are forgotten before any is shown.
    if (m_nombresCarga != QrySoMaleg->RowsGeneration()) {
        m_nombresResp.clear();
        m_nombresItge.clear();
        m_nombresCarga = QrySoMaleg->RowsGeneration();
    }

    QrySoMalegDtfNmbCicl->Clear();
    if (!QrySoMalegCOD_CICL->IsNull())
        QrySoMalegDtfNmbCicl->SetAsString(NombreCiclo(QrySoMalegCOD_CICL->AsInteger()));

    QrySoMalegDtfNmbCump->Clear();
    if (!QrySoMalegIND_CUMP->IsNull()) {
        const QString name =
            complianceName(QrySoMalegIND_CUMP->AsString(), QrySoMalegFEC_PROC->AsDateTime().date().year());
        if (!name.isEmpty())
            QrySoMalegDtfNmbCump->SetAsString(name);
    }

    // The responsible's names, asked of the server once per code and loading of the rows; a code the
    // server does not know shows the texts of QryGnTerce's empty result.
    QrySoMalegDtfNmbResp->Clear();
    QrySoMalegDtfApeResp->Clear();
    if (!QrySoMalegCOD_RESP->IsNull()) {
        const double code = QrySoMalegCOD_RESP->AsFloat();
        auto known = m_nombresResp.constFind(code);
        if (known == m_nombresResp.cend()) {
            QryGnTerce->Close();
            QryGnTerce->ParamByName(QStringLiteral("PFLCOD_TERC")).SetAsFloat(code);
            QryGnTerce->Open();
            known = m_nombresResp.insert(code, {QryGnTerceNOM_TERC->AsString(), QryGnTerceAPE_TERC->AsString()});
        }
        QrySoMalegDtfNmbResp->SetAsString(known->Nombres);
        QrySoMalegDtfApeResp->SetAsString(known->Apellidos);
    }

    // The management axis (item type 5 of the record's company), likewise once per company and code;
    // an axis the server does not know leaves the name null.
    QrySoMalegDtfNmbItge->Clear();
    if (!QrySoMalegCOD_ITGE->IsNull()) {
        const std::pair<int, double> key{QrySoMalegCOD_EMPR->AsInteger(), QrySoMalegCOD_ITGE->AsFloat()};
        auto known = m_nombresItge.constFind(key);
        if (known == m_nombresItge.cend()) {
            QryGnDitem->Close();
            QryGnDitem->ParamByName(QStringLiteral("P_COD_EMPR")).SetAsSmallInt(key.first);
            QryGnDitem->ParamByName(QStringLiteral("P_TIP_ITEM")).SetAsSmallInt(5);
            QryGnDitem->ParamByName(QStringLiteral("P_COD_ITEM")).SetAsFloat(key.second);
            QryGnDitem->Open();
            known = m_nombresItge.insert(
                key, QryGnDitem->IsEmpty() ? std::nullopt : std::optional<QString>(QryGnDitemDES_ITEM->AsString()));
        }
        if (known->has_value())
            QrySoMalegDtfNmbItge->SetAsString(**known);
    }

    // The score: the item's value when it complies (or is not applicable, justified where the code
    // asks for it), half of it when it complies partly, 0 for any other code, null when unrated.
    QrySoMalegDtfCalificacion->Clear();
    const QString code = QrySoMalegIND_CUMP->AsString();
    if (code == QStringLiteral("C") || code == QStringLiteral("X") ||
        (code == QStringLiteral("J") && QrySoMalegTEX_JUST->AsString().length() > 0))
        QrySoMalegDtfCalificacion->SetAsFloat(QrySoMalegVAL_ITEM->AsFloat());
    else if (code == QStringLiteral("P"))
        QrySoMalegDtfCalificacion->SetAsFloat(QrySoMalegVAL_ITEM->AsFloat() / 2.0);
    else if (!QrySoMalegIND_CUMP->IsNull())
        QrySoMalegDtfCalificacion->SetAsFloat(0);
}

void TDtmSoMaleg::QrySoMalegBeforeEdit(TDataSet &)
{
    // A cycle whose start has come may be edited whatever its end; one that has not started only
    // while an end date lies ahead.
    const double today = todayAsDays();
    if (today < QrySoMalegFEC_INIC->AsFloat() &&
        (QrySoMalegFEC_FINA->IsNull() || today > QrySoMalegFEC_FINA->AsFloat()))
        throw Exception(QStringLiteral("No Es Posible Modificar. No Se Encuentra Vigente!!"));
    RespAntesEdicion = QrySoMalegCOD_RESP->AsFloat();
    CumpAntesEdicion = QrySoMalegIND_CUMP->AsString();
}

void TDtmSoMaleg::QrySoMalegAfterEdit(TDataSet &DataSet)
{
    if (DataSet.State() == dsEdit || DataSet.State() == dsInsert) {
        QrySoMalegACT_USUA->SetAsString(gStCodiUsua);
        QVariantList args;
        const QVariant now = QrySoMaleg->RemoteServer->Call(QStringLiteral("BuscarFechaServidor"), args);
        // The server's moment arrives as a date-time, or as a classic day count from older servers.
        if (now.typeId() == QMetaType::Double)
            QrySoMalegACT_HORA->SetAsDateTime(TFieldFormat::DoubleToDateTime(now.toDouble()));
        else
            QrySoMalegACT_HORA->SetAsDateTime(now.toDateTime());
        QrySoMalegACT_ESTA->SetAsString(DataSet.State() == dsEdit ? QStringLiteral("M") : QStringLiteral("A"));
    }
    QrySoMalegFEC_MALE->SetAsDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));
    QrySoMalegTIP_ITEM->SetAsInteger(5);
}

void TDtmSoMaleg::QrySoMalegBeforePost(TDataSet &)
{}

void TDtmSoMaleg::QrySoMalegNewRecord(TDataSet &DataSet)
{
    // Evaluation records are created outside the module: the insert is dropped as soon as it begins.
    DataSet.Cancel();
}

void TDtmSoMaleg::QrySoMalegIND_CUMPValidate(TField &)
{}

void TDtmSoMaleg::QrySoMalegCOD_RESPValidate(TField &Sender)
{
    if (Sender.IsNull()) {
        QrySoMalegEMP_ORIG->Clear();
        return;
    }
    if (QrySoMalegEMP_ORIG->IsNull())
        QrySoMalegEMP_ORIG->SetAsInteger(Application()->Tag);
    QryValResp->Close();
    QryValResp->ParamByName(QStringLiteral("P_COD_EMPR")).SetAsSmallInt(QrySoMalegEMP_ORIG->AsInteger());
    QryValResp->ParamByName(QStringLiteral("P_COD_EMPL")).SetAsFloat(Sender.AsFloat());
    QryValResp->Open();
    if (QryValResp->IsEmpty())
        throw Exception(QStringLiteral("El Responsable no existe en QGnTerce."));
}

void TDtmSoMaleg::QrySoMalegEST_CONTChange(TField &)
{}
