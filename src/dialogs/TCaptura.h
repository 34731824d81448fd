#pragma once

#include "TForm.h"

#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <exception>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class SClientDataSet;
class SDCOMConnection;
class TDataSet;
class TDataSource;
class TField;
class TQNavegador;
class TQPField;
class TQSDBQbe;
class TQsCmbCodigo;
class TTolvaneDBgrid;

// How a modal show ended. Setting a result other than mrNone ends the modal show.
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

// The capture selection dialog. One request hands it a connection, a SELECT statement and the
// parallel lists Variables (query columns) and Destino (fields of the destination dataset); the
// dialog lists the query's rows in CdsTmp, lets the user search them, and on acceptance appends the
// chosen row's values of the variables to Valores and writes them into the destination fields.
// One instance (Captura) serves every lookup of the module; it owns its three lists.
class TCaptura : public TForm
{
    Q_OBJECT
public:
    explicit TCaptura(QObject *owner);
    ~TCaptura() override;

    // Controls, named as in the form's design.
    TQsCmbCodigo *CmbCampos = nullptr;
    QLineEdit *edtBusqueda = nullptr;
    QLineEdit *edtValor = nullptr;
    QToolButton *SpeedButton1 = nullptr;
    TTolvaneDBgrid *DBGrid1 = nullptr;
    TQNavegador *QNavegador1 = nullptr;
    QPushButton *BitBtnAceptar = nullptr;
    QPushButton *BitBtn2 = nullptr;
    TQSDBQbe *QSDBQbe1 = nullptr;
    QPushButton *BitBtn3 = nullptr;
    QWidget *sistemas = nullptr;
    QLabel *ImgTolvane = nullptr;
    QLabel *LblVersion = nullptr;
    QLabel *LblCredito1 = nullptr;
    QLabel *LblCredito2 = nullptr;
    TDataSource *Datos1 = nullptr;
    // Result dataset on provider "DtsPTemporal"; server and command text are set per request.
    SClientDataSet *CdsTmp = nullptr;

    // The request's lists in normalised form (trimmed, upper case) and the values taken.
    QStringList Variables;
    QStringList Destino;
    QStringList Valores;
    // Receives the values; may be empty (then only Valores is filled).
    QPointer<TDataSet> DataSetDestino;
    // List every row as soon as the dialog shows; otherwise ask for query-by-example criteria first.
    bool MostrarTodo = false;

    // Runs one capture. True when the user accepted a row (Aceptar or a double-click). Values is
    // replaced by the taken values only when some were taken. Server errors propagate.
    bool Capturar(SDCOMConnection *Server, TDataSet *DestinationDataSet, const QStringList &SQL,
                  const QStringList &RequestVariables, const QStringList &Destination, QStringList &Values,
                  const QStringList &Titles, const QString &Title);
    // Capturar with a lookup button's settings; its Tag 0 means "list everything at once".
    bool CapturarBoton(TQPField *Button);

    // Event handlers of the form.
    void FormShow(QObject *Sender);
    void CdsTmpAfterOpen(TDataSet &DataSet);
    void Datos1DataChange(QObject *Sender, TField *Field);
    void DBGrid1DblClick(QObject *Sender);
    void CmbCamposClick(QObject *Sender);
    void edtBusquedaKeyPress(QObject *Sender, QChar &Key);
    void edtBusquedaChange(QObject *Sender);
    void SpeedButton1Click(QObject *Sender);
    void BitBtnAceptarClick(QObject *Sender);

    // Modal show: returns the modal result (mrCancel when the window was closed without one).
    int ShowModal();
    int ModalResult() const { return m_modalResult; }
    void SetModalResult(int result);

signals:
    void modalEnded();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateControls();
    void ShowMessage(const QString &text);
    void ShowError(const QString &text);
    // Runs a handler from a Qt signal; a raise goes to the application's exception handling.
    void Guarded(const std::function<void()> &handler);
    // The typed search text as a value of the column's current value's type; false when it does not convert.
    static bool ConvertSearchText(const TField &field, const QString &text, QVariant &value);

    int m_modalResult = mrNone;
    bool m_inShowModal = false;
    bool m_modalRunning = false;
    std::exception_ptr m_showError;
    bool m_restoringSearch = false;
};

// The one instance, created at load and destroyed at unload.
extern TCaptura *Captura;
// State of the current request: the lookup button that asked for it (empty when Capturar was
// called directly), its titles list, whether a double-click accepted the row, and the search text
// before the last key.
extern QPointer<TQPField> BotonActual;
extern QStringList TitulosActuales;
extern bool AceptadoPorDobleClic;
extern QString BusquedaAnterior;
