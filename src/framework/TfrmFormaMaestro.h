#pragma once

#include "TForm.h"

#include <QDate>
#include <functional>
#include <utility>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QScrollArea;
class QSplitter;
class QToolButton;
class QVBoxLayout;
class QWidget;
class SClientDataSet;
class SDCOMConnection;
class TDBEdit;
class TDataSet;
class TDataSource;
class TQNavegador;
class TQSDBQbe;
class TQsCmbCodigo;
class TTolvaneDBgrid;

// The suite's master form: the frame every module window derives from. From top to bottom: the
// logo and menu strip (company selector, report buttons, query by example, date filter, navigator,
// save), the list grid DBGFrm over the form's dataset with the detail scroll box ScBFrm below it,
// the audit strip and the status strip.
//
// Derived forms build their detail view into ScBFrm, then call FormCreate at the end of their own
// construction; their handlers call the master's handler of the same name at a fixed point of their
// own sequence. The form's dataset is dtsFrm's; it is reopened on the selected company through the
// query by example DBQbe1.
class TfrmFormaMaestro : public TForm
{
    Q_OBJECT
public:
    explicit TfrmFormaMaestro(QObject *owner, const QString &name, QWidget *parent = nullptr);
    ~TfrmFormaMaestro() override;

    // Frame and menu strip.
    QWidget *GridPanel1 = nullptr;
    QLabel *PnlTolvane = nullptr;
    QLabel *ImgTolvane = nullptr;
    QWidget *PnlMenu = nullptr;
    QToolButton *spbReporte = nullptr;
    QToolButton *spbPreview = nullptr;
    QToolButton *SpFiltroFecha = nullptr;
    QToolButton *spbGrabar = nullptr;
    QToolButton *NotasTolvane = nullptr;
    TQSDBQbe *DBQbe1 = nullptr;
    TQNavegador *QNvgdrFrm = nullptr;
    TQsCmbCodigo *cmbEmpresa = nullptr;
    QMenuBar *MMnFrm = nullptr;
    QMenu *Archivo1 = nullptr;
    QAction *Imprimir1 = nullptr;
    QAction *Imprimir3 = nullptr;
    // List and detail.
    QWidget *PnlFrmPrncpal = nullptr;
    QWidget *Panel2 = nullptr;
    QSplitter *PnlGrdFrm = nullptr;
    TTolvaneDBgrid *DBGFrm = nullptr;
    QScrollArea *ScBFrm = nullptr;
    // Audit and status strips.
    QWidget *pnlAuditor = nullptr;
    QLabel *Label14 = nullptr;
    QLabel *Label16 = nullptr;
    TDBEdit *DBEUsuario = nullptr;
    TDBEdit *DBEFecha = nullptr;
    QLabel *PnlStatus = nullptr;
    // Shown while the user's query-by-example criteria are in force: "Filtro: ..." and "Quitar filtro".
    QWidget *PnlFiltro = nullptr;
    QLabel *LblFiltro = nullptr;
    QToolButton *BtnQuitarFiltro = nullptr;
    // Where Enter or F2 in the list takes the keyboard (the detail view's first control when null).
    QWidget *CampoDetalle = nullptr;
    // Non-visual parts.
    TDataSource *dtsFrm = nullptr;
    TDataSource *DtsGnEmpre = nullptr;
    SClientDataSet *CdsGnEmpre = nullptr;
    SDCOMConnection *DCOMCnction = nullptr;

    // Creation: connects to the application server when a transport for the start-up protocol is
    // available, lists the companies the user may open, selects the start-up company (or the
    // first) and runs the company change.
    virtual void FormCreate(QObject *sender);
    // The selected company becomes the application's Tag, and the form's dataset is reopened on it
    // through DBQbe1: after the base SQL, the condition "<alias>.COD_EMPR = <company>" and the
    // condition of the parameter string (gStParHpv, without its leading AND, in parentheses).
    virtual void cmbEmpresaChange(QObject *sender);
    // Asks for a range of ACT_HORA dates and reopens the form's dataset filtered by it through the
    // parameters PDT_ACT_HORA_INIC and PDT_ACT_HORA_FINA; "Quitar filtro" removes it.
    virtual void SpFiltroFechaClick(QObject *sender);
    // Resizes the window; the host calls it when its workspace changes size.
    virtual void CambiarTamano(int width, int height);
    virtual void CambiarAltura(int height);
    // Registers the report container the form previews and prints through.
    virtual void QvAsignarRptPreview(QObject *&report, int index);
    QObject *RptPreview() const { return m_rptPreview; }

    // The save action: posts a pending edit of the form's dataset and applies its cached changes.
    // Rows the server refuses go through the dataset's reconcile handling; returns the number of
    // refused rows.
    int Grabar();

    // Whether a dataset the form saves holds input being typed or changes the server has not taken.
    bool CambiosPendientes() const;
    // Before the form's work is left (closing, another company, the host's unload): with pending
    // changes asks "¿Desea guardar los cambios?" through the application's prompt service. "Sí"
    // posts and applies every dataset the form saves, "No" cancels and discards their changes; both
    // return true unless the save failed (a refused row or a rule that raised: its message is shown,
    // the changes stay). "Cancelar", offered when `cancelable`, returns false. Without "Cancelar"
    // (the unload cannot be refused) whatever could not be saved is discarded and true is returned.
    bool ConfirmarCambios(bool cancelable = true);

    // The company the selector shows: its code, or -1.
    int EmpresaSeleccionada() const;

protected:
    // Closing asks ConfirmarCambios first; "Cancelar" or a failed save keeps the form open.
    void closeEvent(QCloseEvent *event) override;
    // The datasets ConfirmarCambios saves or discards, in saving order; the form's dataset by
    // default. Derived forms put their detail datasets before it.
    virtual QList<SClientDataSet *> DataSetsGuardados() const;

private:
    void BuildFrame();
    void BuildShortcuts();
    bool GuardarTodo();
    void DescartarTodo();
    void UpdateStatus();
    QString MainAlias() const;

    QObject *m_rptPreview = nullptr;
    QVBoxLayout *m_frameLayout = nullptr;
};
