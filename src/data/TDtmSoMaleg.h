#pragma once

#include "TDataModule.h"

// The evaluation data module: every dataset of the evaluation, the rules that run on them, and the
// rule state. Created by the module's load before the main form.
class TDtmSoMaleg : public TDataModule
{
    Q_OBJECT
public:
    explicit TDtmSoMaleg(QObject *owner);
    ~TDtmSoMaleg() override;

    void DataModuleCreate(QObject *sender);
};

extern TDtmSoMaleg *DtmSoMaleg;
