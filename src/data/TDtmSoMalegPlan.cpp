#include "TDtmSoMaleg.h"

#include "Globals.h"
#include "SysUtils.h"
#include "TApplication.h"
#include "TDtmSoMalegServer.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TDateTimeField.h"
#include "dataset/TFixedCharField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TSmallintField.h"
#include "dataset/TStringField.h"

// The rules of the annual plan activities (QrySoPlass): the defaults of a new activity, the audit
// stamp of an edited one, and the checks and key assignment before a post.

namespace {

const char16_t *const monthCodes[] = {u"ENE", u"FEB", u"MAR", u"ABR", u"MAY", u"JUN",
                                      u"JUL", u"AGO", u"SEP", u"OCT", u"NOV", u"DIC"};

} // namespace

// A new activity belongs to the evaluation record current when it is created. Its key stays empty
// until the first post, so a new activity that is cancelled consumes no number.
void TDtmSoMaleg::QrySoPlassNewRecord(TDataSet &DataSet)
{
    QrySoPlassCOD_EMPR->SetAsInteger(Application()->Tag);
    QrySoPlassACT_ESTA->SetAsString(QStringLiteral("A"));
    QrySoPlassACT_HORA->SetAsDateTime(QDateTime::currentDateTime());
    QrySoPlassACT_USUA->SetAsString(gStCodiUsua);
    QrySoPlassFEC_PROC->SetValue(QrySoMalegFEC_PROC->Value());
    QrySoPlassRMT_PAMA->SetValue(QrySoMalegRMT_PAMA->Value());
    QrySoPlassRMT_DEPA->SetValue(QrySoMalegRMT_DEPA->Value());
    QrySoPlassRMT_ESTA->SetValue(QrySoMalegRMT_ESTA->Value());
    QrySoPlassRMT_ITES->SetValue(QrySoMalegRMT_ITES->Value());
    QrySoPlassCOD_AREA->SetValue(QrySoMalegCOD_AREA->Value());
    const QString no = QStringLiteral("N");
    for (const char16_t *month : monthCodes) {
        const QString code = QString::fromUtf16(month);
        DataSet.FieldByName(code + QStringLiteral("_EJEC"))->SetAsString(no);
        DataSet.FieldByName(code + QStringLiteral("_PLAN"))->SetAsString(no);
    }
}

void TDtmSoMaleg::QrySoPlassAfterEdit(TDataSet &)
{
    QrySoPlassCOD_EMPR->SetAsInteger(Application()->Tag);
    QrySoPlassACT_ESTA->SetAsString(QStringLiteral("M"));
    QrySoPlassACT_HORA->SetAsDateTime(QDateTime::currentDateTime());
    QrySoPlassACT_USUA->SetAsString(gStCodiUsua);
}

// The cycle option is checked before the resources; the key is requested only once both are there,
// and only for a new activity: an edited one keeps its number. A failing request leaves the activity
// in insert state without a key, ready to be posted again.
void TDtmSoMaleg::QrySoPlassBeforePost(TDataSet &DataSet)
{
    if (QrySoPlassOPC_CICL->IsNull())
        throw Exception(QStringLiteral(" Por favor seleccione un ciclo...  "));
    if (QrySoPlassREC_URSO->IsNull())
        throw Exception(QStringLiteral("Por favor seleccione un recurso..."));
    if (DataSet.State() == dsInsert)
        QrySoPlassRMT_PLAS->SetAsInteger(TDtmSoMalegServer::GenerarRMT(
            *QrySoPlass, Application()->Tag, QStringLiteral("SO_PLASS"), QStringLiteral("RMT_PLAS")));
}
