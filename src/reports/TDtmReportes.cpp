#include "TDtmReportes.h"

TDtmReportes *DtmReportes = nullptr;

TDtmReportes::TDtmReportes(QObject *owner) : TDataModule(owner, QStringLiteral("DtmReportes")) {}

TDtmReportes::~TDtmReportes() = default;
