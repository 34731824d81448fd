#include "TDtmSoMaleg.h"

TDtmSoMaleg *DtmSoMaleg = nullptr;

TDtmSoMaleg::TDtmSoMaleg(QObject *owner) : TDataModule(owner, QStringLiteral("DtmSoMaleg"))
{
    DataModuleCreate(this);
}

TDtmSoMaleg::~TDtmSoMaleg() = default;

void TDtmSoMaleg::DataModuleCreate(QObject *) {}
