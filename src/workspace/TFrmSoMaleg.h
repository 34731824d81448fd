#pragma once

#include "TfrmFormaMaestro.h"

class QGroupBox;
class TAdjButton;
class QLabel;
class QSplitter;
class QTabWidget;
class QToolButton;
class TDBCmbCodigoBox;
class TDBEdit;
class TDBMemo;
class TDBRadioGroup;
class TField;
class TQNavegador;
class TQPField;
class TQsFecha;
class TTolvaneDBgrid;

// The module's main window: the evaluation's list in the master frame and, below it, the detail
// view with its three pages "Estándares Mínimos", "Cronograma" and "Plan Anual SGSST". Every data
// control is bound to dtsFrm (the evaluation records) or to the follow-up and annual-plan data
// sources of the evaluation data module.
class TFrmSoMaleg : public TfrmFormaMaestro
{
    Q_OBJECT
public:
    explicit TFrmSoMaleg(QObject *owner);
    ~TFrmSoMaleg() override;

    // The index of the evaluation list: numeral order within each process date.
    static const QString kOrdenNumeral;

    // The current user's code.
    QString CodiUsua() const;
    bool ImprimePlanAnual = false;
    bool ImprimePlanUnificado = false;

    // Handlers.
    void FormCreate(QObject *sender) override;
    void cmbEmpresaChange(QObject *sender) override;
    void SpFiltroFechaClick(QObject *sender) override;
    void dtsFrmStateChange(QObject *sender);
    void DBCmbIND_CUMPChange(QObject *sender);
    void QPFldCOD_RESPClick(QObject *sender);
    void QPFldCOD_RESPAssignSQL(QObject *sender);
    void QPFldCOD_ITGEClick(QObject *sender);
    void QPFldCOD_ITGEAssignSQL(QObject *sender);
    void QPFCodRespClick(QObject *sender);
    void QPFCodRespAssignSQL(QObject *sender);
    void DBGSoSemonEditButtonClick(QObject *sender);
    void btnSoPlassClick(QObject *sender);
    void pnl3Resize(QObject *sender);
    void pnl14Resize(QObject *sender);
    void GenerarRpt(QObject *sender);

    bool ManejaAreas() const { return m_manejaAreas; }
    bool CumpleParcial() const { return m_cumpleParcial; }
    QString SqlBaseMaleg() const { return m_sqlBaseMaleg; }
    QString CamposBaseQbe() const { return m_camposBaseQbe; }

    // The memo editor on a field of the follow-up rows.
    void EditarMemo(TField *field);

    // Detail view.
    QTabWidget *pgcPlanAnual = nullptr;
    QWidget *TabEstMin = nullptr, *TabCronograma = nullptr, *TabSheet1 = nullptr;
    // "Estándares Mínimos".
    QLabel *PnlCiclo = nullptr, *PnlTitEstandar = nullptr, *PnlDesEstandar = nullptr;
    QWidget *PnlFields = nullptr;
    TDBEdit *DBEdtNUM_ERAL = nullptr, *DBEdtDES_ITEM = nullptr, *DBEdtFEC_PROC = nullptr, *DBEdtCOD_AREA = nullptr,
            *DBEdtNOM_AREA = nullptr, *DBEdtCOD_RESP = nullptr, *DBEdtDtfNmbResp = nullptr, *DBEdtDtfApeResp = nullptr,
            *DBEdtFEC_MALE = nullptr, *DBEdit3 = nullptr, *DBEdtDtfCalificacion = nullptr;
    QLabel *LblCOD_AREA = nullptr, *LblTEX_JUST = nullptr, *LblDeshall = nullptr;
    TDBMemo *DBMemMAR_LEGA = nullptr, *DBMemTEX_CRIT = nullptr, *DBMemTEX_MVER = nullptr, *DBMemTEX_EVID = nullptr,
            *DBMemPLA_ACCI = nullptr, *DBMemTEX_JUST = nullptr, *DBMmDesHall = nullptr;
    TDBCmbCodigoBox *DBCmbIND_CUMP = nullptr;
    TQPField *QPFldCOD_RESP = nullptr;
    QGroupBox *GpbAdjuntosBD = nullptr;
    TAdjButton *AdjButton2 = nullptr;
    TQsFecha *QsFEC_MALE = nullptr, *QsFecha1 = nullptr;
    // "Cronograma".
    TDBEdit *DBEdit1 = nullptr, *DBEdit2 = nullptr, *DBEdit4 = nullptr;
    TQPField *QPFldCOD_ITGE = nullptr, *QPFCodResp = nullptr;
    TDBCmbCodigoBox *DBCmbCodigoBox1 = nullptr;
    TDBRadioGroup *DBRadioGroup1 = nullptr;
    QLabel *Panel1 = nullptr;
    TTolvaneDBgrid *DBGSoSemon = nullptr;
    TQNavegador *QNavegador1 = nullptr;
    TQsFecha *QsFecSegu = nullptr, *QsFecCump = nullptr, *QsFecInic = nullptr, *QsFecFina = nullptr;
    // "Plan Anual SGSST".
    TTolvaneDBgrid *dbgrdSoPlass = nullptr;
    QWidget *pnl2 = nullptr, *pnl3 = nullptr, *pnl4 = nullptr, *pnl5 = nullptr, *pnl14 = nullptr, *pnl15 = nullptr,
            *pnl16 = nullptr, *pnl1 = nullptr;
    QSplitter *spl1 = nullptr, *spl2 = nullptr;
    TDBMemo *dbmmoOBJ_ASGS = nullptr, *dbmmoMET_ASGS = nullptr, *dbmmoRES_PONS = nullptr, *dbmmoACT_ASGS = nullptr,
            *dbmmoOBS_VACI = nullptr;
    TDBRadioGroup *DBRGOPCCICL = nullptr, *DBRadioGroup26 = nullptr;
    TDBEdit *dbedtCUM_META = nullptr;
    QLabel *pnl17 = nullptr;
    QList<TDBRadioGroup *> MesesPlaneado, MesesEjecutado;
    TAdjButton *AdjButton1 = nullptr;
    QToolButton *btnSoPlass = nullptr;
    TQNavegador *QNVSoPlass = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The follow-up rows and the plan activities, then the evaluation records.
    QList<SClientDataSet *> DataSetsGuardados() const override;

private:
    void BuildEstMin();
    void BuildCronograma();
    void BuildPlanAnual();
    void BindEvents();
    void LookupClick(TQPField *button, void (TFrmSoMaleg::*assignSql)(QObject *));

    QString m_sqlBaseMaleg;
    QString m_camposBaseQbe;
    bool m_manejaAreas = false;
    bool m_cumpleParcial = false;
};

extern TFrmSoMaleg *FrmSoMaleg;
