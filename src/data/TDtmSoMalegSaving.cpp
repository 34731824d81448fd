#include "TDtmSoMaleg.h"

#include "dataset/SClientDataSet.h"

// What happens after the evaluation records are saved, and the handling of refused rows.

// A refused row goes to the suite's shared conflict handling, which tells the user and decides.
void TDtmSoMaleg::QrySoMalegReconcileError(SClientDataSet &DataSet, EReconcileError &E, TUpdateKind UpdateKind,
                                          TReconcileAction &Action)
{
    QrySoMaleg->SuiteReconcileError(DataSet, E, UpdateKind, Action);
}

void TDtmSoMaleg::QrySoMalegAfterApplyUpdates(SClientDataSet &, QVariant &)
{}
