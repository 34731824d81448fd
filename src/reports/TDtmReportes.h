#pragma once

#include "TDataModule.h"

// The report data module: report chooser dispatch, report definitions and their data.
class TDtmReportes : public TDataModule
{
    Q_OBJECT
public:
    explicit TDtmReportes(QObject *owner);
    ~TDtmReportes() override;
};

extern TDtmReportes *DtmReportes;
