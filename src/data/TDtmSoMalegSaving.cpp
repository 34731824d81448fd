#include "TDtmSoMaleg.h"

#include "SysUtils.h"
#include "TApplication.h"
#include "TDtmSoMalegServer.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TDateTimeField.h"
#include "dataset/TFixedCharField.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TMemoField.h"
#include "dataset/TStringField.h"

#include <QApplication>
#include <QMessageBox>

// What happens after the evaluation records are saved, the handling of refused rows, and how the
// annual plan activities and follow-up rows reach the server.
//
// Decisions of this module where the rules leave a choice:
// - The automatic follow-up flag lasts only for the row the module opens by itself: it is set just
//   before that row is inserted and cleared once the row is posted or refused. Rows the user enters
//   afterwards keep their completion-date check.
// - The refresh after a save never throws away what the user typed: a follow-up row or an activity
//   still being edited with changes, or rows the server has not yet taken, keep their dataset as it
//   is (it is not reloaded); an untouched new row is simply cancelled.
// - Activities and follow-up rows are sent to the server as soon as they are posted or deleted, all
//   the changes of the dataset in one transaction; refused rows go to the shared conflict handling.

std::function<int(const QString &, const QString &, int, int)> TDtmSoMaleg::MessageBoxHook;

int TDtmSoMaleg::ShowMessageBox(const QString &Text, const QString &Caption, int Buttons, int Icon)
{
    if (MessageBoxHook)
        return MessageBoxHook(Text, Caption, Buttons, Icon);
    QMessageBox box(QMessageBox::Icon(Icon), Caption, Text, QMessageBox::StandardButtons(Buttons),
                    QApplication::activeWindow());
    return box.exec();
}

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

    const double responsible = QrySoMalegCOD_RESP->IsNull() ? 0.0 : QrySoMalegCOD_RESP->AsFloat();
    if (responsible != RespAntesEdicion) {
        const int answer = ShowMessageBox(
            QStringLiteral("¿Desea que este Responsable aplique para todos los registros del ciclo?"),
            QStringLiteral("Confirmación"), QMessageBox::Yes | QMessageBox::No, QMessageBox::NoIcon);
        if (answer == QMessageBox::Yes) {
            const QVariantList statement{
                QStringLiteral("UPDATE SO_MALEG SET COD_RESP = :P_COD_RESP WHERE COD_EMPR = :P_COD_EMPR   AND "
                               "FEC_PROC = :P_FEC_PROC   AND RMT_PAMA = :P_RMT_PAMA"),
                responsible, Application()->Tag, QrySoMalegFEC_PROC->AsDateTime(), QrySoMalegRMT_PAMA->AsInteger()};
            if (TDtmSoMalegServer::EjecutarSql(*QrySoMaleg, statement) == 1)
                throw Exception(QStringLiteral("Error editando el Responsable."));
            // Every record of the cycle shows the new responsible; back to the same record.
            TBookmark record = QrySoMaleg->GetBookmark();
            QrySoMaleg->Close();
            QrySoMaleg->Open();
            if (QrySoMaleg->BookmarkValid(record))
                QrySoMaleg->GotoBookmark(record);
        }
    }

    const QString compliance = QrySoMalegIND_CUMP->AsString();
    if (compliance != CumpAntesEdicion && compliance == QStringLiteral("N")) {
        // A row the user is still typing goes first, with its own checks.
        if (QrySoSemon->Active())
            QrySoSemon->CheckBrowseMode();
        TAutomaticRow automatic(SeguimientoAutomatico);
        QrySoSemon->Insert();
        QrySoSemonCOD_RESP->SetAsFloat(0);
        QrySoSemonFEC_SEGU->SetAsDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));
        QrySoSemonCOD_AREA->SetValue(QrySoMalegCOD_AREA->Value());
        QrySoSemonNUM_ERAL->SetValue(QrySoMalegNUM_ERAL->Value());
        QrySoSemonPLA_ACCI->SetValue(QrySoMalegPLA_ACCI->Value());
        QrySoSemon->Post();
    }
}
