#include "TDtmSoMaleg.h"

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
#include "dataset/TStringField.h"

#include <QApplication>
#include <QMessageBox>
#include <utility>

// What happens after the evaluation records are saved, the handling of refused rows, and how the
// annual plan activities and follow-up rows reach the server.
//
// Decisions of this module where the rules leave a choice:
// - The automatic follow-up flag lasts only for the row the module opens by itself: it is set just
//   before that row is inserted and cleared once the row is posted or refused. Rows the user enters
//   afterwards keep their completion-date check.
// - A follow-up row the user left half typed does not stand in the way of the automatic row: it is
//   put aside, the automatic row is stored, and the half-typed row comes back as it was.
// - The automatic row always carries the saved record's key, even when giving the responsible to the
//   whole cycle reloaded a selection that no longer holds that record.
// - The refresh after a save never throws away what the user typed: a follow-up row or an activity
//   still being edited with changes, or rows the server has not yet taken, keep their dataset as it
//   is (it is not reloaded); an untouched new row is simply cancelled.
// - Activities and follow-up rows are sent to the server as soon as they are posted or deleted, all
//   the changes of the dataset in one transaction; refused rows go to the shared conflict handling.

namespace {

bool editing(const TDataSet &ds)
{
    return ds.State() == dsEdit || ds.State() == dsInsert;
}

// Close, parameters, open; PCODAREA keeps what the last record change gave it. A dataset holding
// input or changes the server has not taken is left as it is.
void refreshDependent(TDtmSoMaleg &dm, SClientDataSet &ds)
{
    if (ds.Active()) {
        if (editing(ds)) {
            if (ds.Modified())
                return;
            ds.Cancel();
        }
        if (ds.ChangeCount() > 0)
            return;
    }
    ds.Close();
    dm.SetItemParams(ds);
    ds.Open();
}

// The key of an evaluation record; follow-up rows carry the same columns.
const QString kRecordKey = QStringLiteral("COD_EMPR;FEC_PROC;RMT_PAMA;RMT_DEPA;RMT_ESTA;RMT_ITES;COD_AREA");

// Clears the automatic follow-up flag when the automatic row is done with, whatever happened.
struct TAutomaticRow
{
    bool &Flag;
    explicit TAutomaticRow(bool &flag) : Flag(flag) { Flag = true; }
    ~TAutomaticRow() { Flag = false; }
};

} // namespace

int TDtmSoMaleg::SaveDependent(SClientDataSet &DataSet)
{
    if (!DataSet.Active() || DataSet.ChangeCount() == 0)
        return 0;
    return DataSet.ApplyUpdates(0);
}

void TDtmSoMaleg::BindPlanAndFollowUp()
{
    QrySoPlass->OnNewRecord = [this](TDataSet &DataSet) { QrySoPlassNewRecord(DataSet); };
    QrySoPlass->AfterEdit = [this](TDataSet &DataSet) { QrySoPlassAfterEdit(DataSet); };
    QrySoPlass->BeforePost = [this](TDataSet &DataSet) { QrySoPlassBeforePost(DataSet); };

    QrySoSemon->OnNewRecord = [this](TDataSet &DataSet) { QrySoSemonNewRecord(DataSet); };
    QrySoSemon->AfterEdit = [this](TDataSet &DataSet) { QrySoSemonAfterEdit(DataSet); };
    QrySoSemon->BeforePost = [this](TDataSet &DataSet) { QrySoSemonBeforePost(DataSet); };
    QrySoSemon->BeforeDelete = [this](TDataSet &DataSet) { QrySoSemonBeforeDelete(DataSet); };
    QrySoSemon->OnCalcFields = [this](TDataSet &DataSet) { QrySoSemonCalcFields(DataSet); };
    QrySoSemonEST_ADOS->OnGetText = [this](TField &f, QString &t, bool d) { QrySoSemonEST_ADOSGetText(f, t, d); };
    QrySoSemonEST_ADOS->OnSetText = [this](TField &f, const QString &t) { QrySoSemonEST_ADOSSetText(f, t); };
    QrySoSemonTIP_ACTI->OnGetText = [this](TField &f, QString &t, bool d) { QrySoSemonTIP_ACTIGetText(f, t, d); };
    QrySoSemonTIP_ACTI->OnSetText = [this](TField &f, const QString &t) { QrySoSemonTIP_ACTISetText(f, t); };
    QrySoSemonPLA_ACCI->OnGetText = [this](TField &f, QString &t, bool d) { QrySoSemonPLA_ACCIGetText(f, t, d); };
    QrySoSemonTEX_SEGU->OnGetText = [this](TField &f, QString &t, bool d) { QrySoSemonTEX_SEGUGetText(f, t, d); };

    for (SClientDataSet *ds : {QrySoPlass, QrySoSemon}) {
        ds->AfterPost = [this, ds](TDataSet &) { SaveDependent(*ds); };
        ds->AfterDelete = [this, ds](TDataSet &) { SaveDependent(*ds); };
        ds->OnReconcileError = [ds](SClientDataSet &DataSet, EReconcileError &E, TUpdateKind UpdateKind,
                                    TReconcileAction &Action) {
            ds->SuiteReconcileError(DataSet, E, UpdateKind, Action);
        };
    }
}

// A refused row goes to the suite's shared conflict handling, which tells the user and decides.
void TDtmSoMaleg::QrySoMalegReconcileError(SClientDataSet &DataSet, EReconcileError &E, TUpdateKind UpdateKind,
                                           TReconcileAction &Action)
{
    QrySoMaleg->SuiteReconcileError(DataSet, E, UpdateKind, Action);
}

// After the evaluation records were sent: the record's follow-up rows and activities are read again,
// a changed responsible may be given to the whole cycle, and a record that has just become "N" gets
// one follow-up row. The record is the current row of QrySoMaleg.
void TDtmSoMaleg::QrySoMalegAfterApplyUpdates(SClientDataSet &, QVariant &OwnerData)
{
    refreshDependent(*this, *QrySoSemon);
    refreshDependent(*this, *QrySoPlass);

    // A save the server refused, in whole or in part, changed nothing to spread: no question about
    // the responsible and no follow-up row for a rating that was not stored.
    const QVariantMap outcome = OwnerData.toMap();
    if (outcome.value(QStringLiteral("ErrorCount")).toInt() > 0 ||
        !outcome.value(QStringLiteral("Committed"), true).toBool())
        return;

    // The saved record, by its key: the reload below may leave it out of the selection (a query by
    // example on the responsible), and its follow-up row must never land on another record.
    const QVariant recordKey = QrySoMaleg->FieldValues(kRecordKey);
    const double responsible = QrySoMalegCOD_RESP->IsNull() ? 0.0 : QrySoMalegCOD_RESP->AsFloat();
    const QString compliance = QrySoMalegIND_CUMP->AsString();
    const QVariant numeral = QrySoMalegNUM_ERAL->Value();
    const QVariant plan = QrySoMalegPLA_ACCI->Value();
    bool stillCurrent = true;
    if (responsible != RespAntesEdicion) {
        const int answer = Application()->Prompts().Message(
            QStringLiteral("¿Desea que este Responsable aplique para todos los registros del ciclo?"),
            QStringLiteral("Confirmación"), QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No,
            QApplication::activeWindow());
        if (answer == QMessageBox::Yes) {
            const QVariantList statement{
                QStringLiteral("UPDATE SO_MALEG SET COD_RESP = :P_COD_RESP WHERE COD_EMPR = :P_COD_EMPR   AND "
                               "FEC_PROC = :P_FEC_PROC   AND RMT_PAMA = :P_RMT_PAMA"),
                responsible, Application()->Tag, QrySoMalegFEC_PROC->AsDateTime(), QrySoMalegRMT_PAMA->AsInteger()};
            if (TDtmSoMalegServer::EjecutarSql(*QrySoMaleg, statement) == 1)
                throw Exception(QStringLiteral("Error editando el Responsable."));
            // Every record of the cycle shows the new responsible; back to the same record, found by
            // its key since the reloaded rows are new ones.
            QrySoMaleg->Close();
            QrySoMaleg->Open();
            stillCurrent = QrySoMaleg->Locate(kRecordKey, recordKey);
        }
    }

    if (compliance != CumpAntesEdicion && compliance == QStringLiteral("N"))
        AbrirSeguimientoAutomatico(recordKey.toList(), numeral, plan, stillCurrent);
}

// The follow-up row of a record that has just become "N", built from the record's key, area,
// numeral and action plan as they were saved. A row the user is still typing is put aside with
// everything typed, so that its own checks neither block this row nor lose it, and is given back
// afterwards in the same state. When the record is no longer current, the row is stored for it all
// the same and the follow-up rows of the current record are shown again.
void TDtmSoMaleg::AbrirSeguimientoAutomatico(const QVariantList &recordKey, const QVariant &numeral,
                                             const QVariant &plan, bool recordIsCurrent)
{
    const TDataSetState pendingState = QrySoSemon->Active() ? QrySoSemon->State() : dsInactive;
    const bool pending = pendingState == dsEdit || pendingState == dsInsert;
    QList<std::pair<TField *, QVariant>> typed;
    if (pending) {
        for (TField *field : QrySoSemon->Fields())
            if (field->FieldKind == fkData)
                typed.append({field, field->Value()});
        QrySoSemon->Cancel();
    }

    {
        TAutomaticRow automatic(SeguimientoAutomatico);
        QrySoSemon->Insert();
        const QStringList keyFields = kRecordKey.split(u';');
        for (int i = 0; i < keyFields.size(); ++i)
            QrySoSemon->FieldByName(keyFields.at(i))->SetValue(recordKey.value(i));
        QrySoSemonCOD_RESP->SetAsFloat(0);
        QrySoSemonFEC_SEGU->SetAsDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));
        QrySoSemonNUM_ERAL->SetValue(numeral);
        QrySoSemonPLA_ACCI->SetValue(plan);
        QrySoSemon->Post();
    }

    if (!recordIsCurrent) {
        // The row the user was typing belonged to the saved record, which is no longer shown.
        QrySoSemon->Close();
        SetItemParams(*QrySoSemon);
        QrySoSemon->ParamByName(QStringLiteral("PCODAREA")).SetAsInteger(QrySoMalegCOD_AREA->AsInteger());
        QrySoSemon->Open();
        return;
    }
    if (!pending)
        return;
    if (pendingState == dsInsert) {
        // The new row already has its key and defaults among the typed values: no second key.
        const TDataSet::TDataSetNotifyEvent newRecord = std::exchange(QrySoSemon->OnNewRecord, nullptr);
        try {
            QrySoSemon->Insert();
        } catch (...) {
            QrySoSemon->OnNewRecord = newRecord;
            throw;
        }
        QrySoSemon->OnNewRecord = newRecord;
    } else {
        QVariant key;
        for (const auto &[field, value] : typed)
            if (field == QrySoSemonRMT_SEMO)
                key = value;
        if (!QrySoSemon->Locate(QStringLiteral("RMT_SEMO"), key))
            return;
        QrySoSemon->Edit();
    }
    for (const auto &[field, value] : typed)
        if (!TRecordStore::SameValue(field->Value(), value))
            field->SetValue(value);
}
