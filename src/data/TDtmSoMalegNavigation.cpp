#include "TDtmSoMaleg.h"

#include "SysUtils.h"
#include "TApplication.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TDateTimeField.h"
#include "dataset/TFieldFormat.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TParam.h"
#include "dataset/TSmallintField.h"
#include "dataset/TStringField.h"

#include <QStringList>

// Record navigation: the activity date range taken when the evaluation opens, and what every change
// of the current record does (title bars, the six dependent datasets, the annual plan goal rows).
// Also the registrations through which the main form and the report module, built on this library,
// take part in it.

namespace {

const QStringList &monthCodes()
{
    static const QStringList codes = {
        QStringLiteral("ENE"), QStringLiteral("FEB"), QStringLiteral("MAR"), QStringLiteral("ABR"),
        QStringLiteral("MAY"), QStringLiteral("JUN"), QStringLiteral("JUL"), QStringLiteral("AGO"),
        QStringLiteral("SEP"), QStringLiteral("OCT"), QStringLiteral("NOV"), QStringLiteral("DIC"),
    };
    return codes;
}

// A date parameter of the filter. A date-time value is taken as it is, milliseconds included, so the
// counts that reuse the range see the same last moment as the evaluation query (23:59:59.999); a
// text is read in the locale's short date format and raises EConvertError when it is no date.
QDateTime dateParam(const SClientDataSet &ds, const QString &name)
{
    const TParam &param = ds.ParamByName(name);
    if (param.Value.typeId() == QMetaType::QDateTime)
        return param.AsDateTime();
    const QString text = param.AsString();
    bool ok = false;
    const QDateTime value = TFieldFormat::StrToDateTime(text, &ok);
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' no es una fecha válida").arg(text));
    return value;
}

} // namespace

void TDtmSoMaleg::RegistrarFormaPrincipal(QObject *form, const bool *imprimePlanAnual, const bool *imprimePlanUnificado,
                                          TTitulosWriter titulos)
{
    RegImprimePlanAnual = imprimePlanAnual;
    RegImprimePlanUnificado = imprimePlanUnificado;
    RegTitulos = std::move(titulos);
    connect(form, &QObject::destroyed, this, [this] {
        RegImprimePlanAnual = nullptr;
        RegImprimePlanUnificado = nullptr;
        RegTitulos = nullptr;
    });
}

void TDtmSoMaleg::RegistrarTotalesUnificados(QObject *reports, int *totProgr, int *totEjecu, TEjecMensual ejecMensual)
{
    RegTotProgr = totProgr;
    RegTotEjecu = totEjecu;
    RegEjecMensual = std::move(ejecMensual);
    connect(reports, &QObject::destroyed, this, [this] {
        RegTotProgr = nullptr;
        RegTotEjecu = nullptr;
        RegEjecMensual = nullptr;
    });
}

bool TDtmSoMaleg::ImprimePlanAnual() const
{
    return RegImprimePlanAnual && *RegImprimePlanAnual;
}

bool TDtmSoMaleg::ImprimePlanUnificado() const
{
    return RegImprimePlanUnificado && *RegImprimePlanUnificado;
}

void TDtmSoMaleg::QrySoMalegAfterOpen(TDataSet &)
{
    // The activity dates, when the query has them as parameters (the dataset read them from its text).
    const TParams &params = QrySoMaleg->Params();
    if (params.FindParam(QStringLiteral("PDT_ACT_HORA_INIC")))
        FechaIniActividad = dateParam(*QrySoMaleg, QStringLiteral("PDT_ACT_HORA_INIC"));
    if (params.FindParam(QStringLiteral("PDT_ACT_HORA_FINA")))
        FechaFinActividad = dateParam(*QrySoMaleg, QStringLiteral("PDT_ACT_HORA_FINA"));
}

void TDtmSoMaleg::SetItemParams(SClientDataSet &ds)
{
    ds.ParamByName(QStringLiteral("PCODEMPR")).SetAsSmallInt(Application()->Tag);
    ds.ParamByName(QStringLiteral("PFECPROC")).SetAsDateTime(QrySoMalegFEC_PROC->AsDateTime());
    ds.ParamByName(QStringLiteral("PRMTPAMA")).SetAsInteger(QrySoMalegRMT_PAMA->AsInteger());
    ds.ParamByName(QStringLiteral("PRMTDEPA")).SetAsInteger(QrySoMalegRMT_DEPA->AsInteger());
    ds.ParamByName(QStringLiteral("PRMTESTA")).SetAsInteger(QrySoMalegRMT_ESTA->AsInteger());
    ds.ParamByName(QStringLiteral("PRMTITES")).SetAsInteger(QrySoMalegRMT_ITES->AsInteger());
}

void TDtmSoMaleg::QrySoMalegAfterScroll(TDataSet &)
{
    // Percentages in the general format with the locale's decimal separator (a null one is empty).
    if (RegTitulos)
        RegTitulos(QrySoMalegCOD_CICL->AsString() + QStringLiteral(". ") + QrySoMalegDtfNmbCicl->AsString().toUpper(),
                   QStringLiteral("ESTÁNDAR ") + QrySoMalegDES_ESTA->AsString().toUpper() + QStringLiteral(" (") +
                       QrySoMalegPOR_ESTA->AsString() + QStringLiteral("%)"),
                   QStringLiteral("Estándar: ") + QrySoMalegDES_ESTA_1->AsString() + QStringLiteral(" (") +
                       QrySoMalegPOR_ESTA_1->AsString() + QStringLiteral("%)"));

    // Every reopen closes first: a follow-up row still being inserted is dropped with the old record.
    const auto reopen = [this](SClientDataSet *ds, bool withArea) {
        ds->Close();
        SetItemParams(*ds);
        if (withArea)
            ds->ParamByName(QStringLiteral("PCODAREA")).SetAsInteger(QrySoMalegCOD_AREA->AsInteger());
        ds->Open();
    };
    reopen(QrySoSemon, true);
    for (SClientDataSet *ds : {QrySoPlass, QrySoPlanear, QrySoHacer, QrySoActuar, QrySoVerificar})
        reopen(ds, false);

    CdsCumplEjecu->EmptyDataSet();
    CdsSeguiCumpli->EmptyDataSet();
    if (!ImprimePlanAnual())
        return;

    // The goal is shown whole, halves rounded away from zero; the yearly percentage is rounded with
    // halves to the even neighbour; the monthly ones are kept as computed.
    bool ok = false;
    MetaAnualActual = TFieldFormat::StrToFloat(
        TFieldFormat::FormatFloat(QStringLiteral("0"), MetaAnual(QStringLiteral("CUM_META"))), &ok);
    int executed = 0;
    int planned = 0;
    for (const QString &month : monthCodes())
        executed += TotalActiv(month + QStringLiteral("_EJEC"));
    for (const QString &month : monthCodes())
        planned += TotalActiv(month + QStringLiteral("_PLAN"));

    CdsCumplEjecu->Append();
    CdsCumplEjecuCUM_PLIM->Clear();
    CdsCumplEjecuCUM_META->SetAsFloat(MetaAnualActual);
    CdsCumplEjecuPOR_CUMP->SetAsFloat(
        planned == 0 ? 0.0 : double(TFieldFormat::Round(double(executed) * 100.0 / double(planned))));
    CdsCumplEjecu->Post();

    for (const QString &month : monthCodes()) {
        const int monthPlanned = TotalActiv(month + QStringLiteral("_PLAN"));
        const int monthExecuted = TotalActiv(month + QStringLiteral("_EJEC"));
        CdsSeguiCumpli->Append();
        CdsSeguiCumpliCUM_PLIM->SetAsString(month);
        CdsSeguiCumpliCUM_META->SetAsFloat(MetaAnualActual);
        CdsSeguiCumpliPOR_CUMP->SetAsFloat(RegEjecMensual ? RegEjecMensual(monthPlanned, monthExecuted) : 0.0);
        CdsSeguiCumpli->Post();
    }
}
