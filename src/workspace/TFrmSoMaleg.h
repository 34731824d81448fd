#pragma once

#include "TfrmFormaMaestro.h"

class QTabWidget;

// The module's main window: the evaluation's list and its three-page detail view in the suite's
// master frame.
class TFrmSoMaleg : public TfrmFormaMaestro
{
    Q_OBJECT
public:
    explicit TFrmSoMaleg(QObject *owner);
    ~TFrmSoMaleg() override;

    void FormCreate(QObject *sender) override;

    // The current user's code.
    QString CodiUsua() const;

    bool ImprimePlanAnual = false;
    bool ImprimePlanUnificado = false;

    QTabWidget *pgcPlanAnual = nullptr;
};

extern TFrmSoMaleg *FrmSoMaleg;
