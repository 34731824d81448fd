#include "TDtmSoMaleg.h"

#include "Globals.h"
#include "SysUtils.h"
#include "TApplication.h"
#include "TDtmSoMalegServer.h"
#include "TPrompts.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TDateTimeField.h"
#include "dataset/TFixedCharField.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TMemoField.h"
#include "dataset/TSmallintField.h"
#include "dataset/TStringField.h"

#include <QApplication>
#include <QMessageBox>

// The rules of the follow-up and monitoring rows (QrySoSemon): defaults and key of a new row, audit
// stamp, completion-date check, delete confirmation, the responsible's names and the texts of the
// state, action-type and memo columns.

namespace {

// A one-character code, the text shown for it, and the text the grid's pick list enters.
struct TCodeText
{
    const char16_t *Code;
    const char16_t *Shown;
    const char16_t *Entered;
};

const TCodeText states[] = {
    {u"P", u"Programado", u"P - Programado"}, {u"S", u"En Proceso", u"S - En Proceso"},
    {u"E", u"Ejecutado", u"E - Ejecutado"},   {u"C", u"Cancelado", u"C - Cancelado"},
    {u"R", u"Rechazado", u"R - Rechazado"},   {u"A", u"Aprobado", u"A - Aprobado"},
    {u"Z", u"Aplazado", u"Z - Aplazado"},
};

const TCodeText actionTypes[] = {
    {u"N", u"Acción Mejora", u"N - Acción Mejora"},
    {u"C", u"Acción Correctiva", u"C - Acción Correctiva"},
    {u"P", u"Acción Preventiva", u"P - Acción Preventiva"},
    {u"O", u"Otra", u"O - Otra"},
};

// Display and edit text alike: the text of the stored code's first character; empty for a null or
// an unknown code.
template <size_t N> QString shownText(const TField &field, const TCodeText (&table)[N])
{
    if (field.IsNull())
        return QString();
    const QString first = field.AsString().left(1);
    for (const TCodeText &entry : table)
        if (first == QString::fromUtf16(entry.Code))
            return QString::fromUtf16(entry.Shown);
    return QString();
}

// Only an exact entry text (case and blanks included) stores its code; anything else is ignored.
template <size_t N> void storeEntered(TField &field, const QString &text, const TCodeText (&table)[N])
{
    for (const TCodeText &entry : table)
        if (text == QString::fromUtf16(entry.Entered)) {
            field.SetAsString(QString::fromUtf16(entry.Code));
            return;
        }
}

// Memos show at most their first 255 characters in the grid.
constexpr int memoTextLength = 255;

} // namespace

// The key is requested at once, so a row cancelled before its post still consumes a number; a
// failing request raises out of the insert and no row is added.
void TDtmSoMaleg::QrySoSemonNewRecord(TDataSet &)
{
    const int company = Application()->Tag;
    QrySoSemonCOD_EMPR->SetAsInteger(company);
    QrySoSemonACT_ESTA->SetAsString(QStringLiteral("A"));
    QrySoSemonACT_HORA->SetAsDateTime(QDateTime::currentDateTime());
    QrySoSemonACT_USUA->SetAsString(gStCodiUsua);
    QrySoSemonFEC_PROC->SetValue(QrySoMalegFEC_PROC->Value());
    QrySoSemonRMT_PAMA->SetValue(QrySoMalegRMT_PAMA->Value());
    QrySoSemonRMT_DEPA->SetValue(QrySoMalegRMT_DEPA->Value());
    QrySoSemonRMT_ESTA->SetValue(QrySoMalegRMT_ESTA->Value());
    QrySoSemonRMT_ITES->SetValue(QrySoMalegRMT_ITES->Value());
    QrySoSemonRMT_SEMO->SetAsInteger(
        TDtmSoMalegServer::GenerarRMT(*QrySoSemon, company, QStringLiteral("SO_SEMON"), QStringLiteral("RMT_SEMO")));
    QrySoSemonCOD_AREA->SetValue(QrySoMalegCOD_AREA->Value());
}

void TDtmSoMaleg::QrySoSemonAfterEdit(TDataSet &)
{
    QrySoSemonCOD_EMPR->SetAsInteger(Application()->Tag);
    QrySoSemonACT_ESTA->SetAsString(QStringLiteral("M"));
    QrySoSemonACT_HORA->SetAsDateTime(QDateTime::currentDateTime());
    QrySoSemonACT_USUA->SetAsString(gStCodiUsua);
}

// A row the module opens by itself after a save (SeguimientoAutomatico set) posts without a
// completion date; every row the user enters needs one.
void TDtmSoMaleg::QrySoSemonBeforePost(TDataSet &)
{
    if (QrySoSemonFEC_CUMP->IsNull() && !SeguimientoAutomatico)
        throw Exception(QStringLiteral("Debe Ingresar ") + QrySoSemonFEC_CUMP->DisplayLabel());
    // A range that ends before it starts is a typing mistake that would put the row in the wrong
    // place of the plan: refused, naming both dates.
    const std::pair<TDateTimeField *, TDateTimeField *> ranges[] = {{QrySoSemonFEC_SEGU, QrySoSemonFEC_CUMP},
                                                                    {QrySoSemonFEC_INIC, QrySoSemonFEC_FINA}};
    for (const auto &[start, end] : ranges)
        if (!start->IsNull() && !end->IsNull() && end->AsDateTime().date() < start->AsDateTime().date())
            throw Exception(QStringLiteral("La fecha \"%1\" (%2) es anterior a la fecha \"%3\" (%4).")
                                .arg(end->DisplayLabel().trimmed(), end->DisplayText(), start->DisplayLabel().trimmed(),
                                     start->DisplayText()));
}

void TDtmSoMaleg::QrySoSemonBeforeDelete(TDataSet &)
{
    const int answer = Application()->Prompts().Message(
        QStringLiteral("Eliminar Registro ?"), QStringLiteral("Confirmación"), QMessageBox::Question,
        QMessageBox::Ok | QMessageBox::Cancel, QApplication::activeWindow());
    if (answer != QMessageBox::Ok)
        Abort();
}

// One lookup per calculated row with a responsible; no cache.
void TDtmSoMaleg::QrySoSemonCalcFields(TDataSet &)
{
    QrySoSemonDtfNomResponsable->Clear();
    QrySoSemonDtfApeResponsable->Clear();
    if (QrySoSemonCOD_RESP->IsNull())
        return;
    QryGnTerce->Close();
    QryGnTerce->ParamByName(QStringLiteral("PFLCOD_TERC")).SetAsFloat(QrySoSemonCOD_RESP->AsFloat());
    QryGnTerce->Open();
    if (QryGnTerce->IsEmpty())
        return;
    QrySoSemonDtfNomResponsable->SetAsString(QryGnTerceNOM_TERC->AsString());
    QrySoSemonDtfApeResponsable->SetAsString(QryGnTerceAPE_TERC->AsString());
}

void TDtmSoMaleg::QrySoSemonEST_ADOSGetText(TField &Sender, QString &Text, bool)
{
    Text = shownText(Sender, states);
}

void TDtmSoMaleg::QrySoSemonEST_ADOSSetText(TField &Sender, const QString &Text)
{
    storeEntered(Sender, Text, states);
}

void TDtmSoMaleg::QrySoSemonTIP_ACTIGetText(TField &Sender, QString &Text, bool)
{
    Text = shownText(Sender, actionTypes);
}

void TDtmSoMaleg::QrySoSemonTIP_ACTISetText(TField &Sender, const QString &Text)
{
    storeEntered(Sender, Text, actionTypes);
}

void TDtmSoMaleg::QrySoSemonPLA_ACCIGetText(TField &Sender, QString &Text, bool)
{
    Text = Sender.AsString().left(memoTextLength);
}

void TDtmSoMaleg::QrySoSemonTEX_SEGUGetText(TField &Sender, QString &Text, bool)
{
    Text = Sender.AsString().left(memoTextLength);
}
