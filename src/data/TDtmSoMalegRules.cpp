#include "TDtmSoMaleg.h"

#include "dataset/SClientDataSet.h"
#include "dataset/TField.h"

// The rules of the evaluation records: calculated names and score, the edit refusal, the audit
// stamp, the refusal of new records and of unknown responsibles, and the record navigation.

void TDtmSoMaleg::QrySoMalegAfterOpen(TDataSet &)
{}

void TDtmSoMaleg::QrySoMalegAfterScroll(TDataSet &)
{}

void TDtmSoMaleg::QrySoMalegBeforeEdit(TDataSet &)
{}

void TDtmSoMaleg::QrySoMalegAfterEdit(TDataSet &)
{}

void TDtmSoMaleg::QrySoMalegBeforePost(TDataSet &)
{}

void TDtmSoMaleg::QrySoMalegCalcFields(TDataSet &)
{}

void TDtmSoMaleg::QrySoMalegNewRecord(TDataSet &)
{}

void TDtmSoMaleg::QrySoMalegIND_CUMPValidate(TField &)
{}

void TDtmSoMaleg::QrySoMalegCOD_RESPValidate(TField &)
{}

void TDtmSoMaleg::QrySoMalegEST_CONTChange(TField &)
{}
