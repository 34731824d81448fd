#include "TCaptura.h"

#include "SDCOMConnection.h"
#include "SysUtils.h"
#include "TApplication.h"
#include "TPrompts.h"
#include "TSqlText.h"
#include "controls/TQNavegador.h"
#include "controls/TQPField.h"
#include "controls/TQSDBQbe.h"
#include "controls/TQsCmbCodigo.h"
#include "controls/TTolvaneDBgrid.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TDataSource.h"
#include "dataset/TField.h"
#include "dataset/TFieldFormat.h"

#include <QCloseEvent>
#include <QDate>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QShowEvent>
#include <QToolButton>
#include <utility>

TCaptura *Captura = nullptr;
QPointer<TQPField> BotonActual;
QStringList TitulosActuales;
bool AceptadoPorDobleClic = false;
QString BusquedaAnterior;

namespace {
// Restores a field's Tag when the copy into it ends, however it ends.
class TTagGuard
{
public:
    TTagGuard(TField &field, quint16 saved) : m_field(field), m_saved(saved) {}
    ~TTagGuard() { m_field.Tag = m_saved; }
    TTagGuard(const TTagGuard &) = delete;
    TTagGuard &operator=(const TTagGuard &) = delete;

private:
    TField &m_field;
    quint16 m_saved;
};

bool isEditing(const TDataSet &dataSet)
{
    return dataSet.State() == dsEdit || dataSet.State() == dsInsert;
}
} // namespace

TCaptura::TCaptura(QObject *owner) : TForm(owner, QStringLiteral("Captura"))
{
    setWindowFlag(Qt::Dialog);
    SetCaption(QStringLiteral("Captura"));

    CdsTmp = new SClientDataSet(this, QStringLiteral("CdsTmp"));
    CdsTmp->ProviderName = QStringLiteral("DtsPTemporal");
    CdsTmp->ReadOnly = true;
    CdsTmp->AfterOpen = [this](TDataSet &DataSet) { CdsTmpAfterOpen(DataSet); };
    Datos1 = new TDataSource(this, QStringLiteral("Datos1"));
    Datos1->SetDataSet(CdsTmp);

    CreateControls();

    connect(Datos1, &TDataSource::dataSetChanged, this, [this] { Datos1DataChange(Datos1, nullptr); });
    connect(Datos1, &TDataSource::stateChanged, this, [this] { Datos1DataChange(Datos1, nullptr); });
    connect(Datos1, &TDataSource::recordChanged, this, [this](TField *field) { Datos1DataChange(Datos1, field); });
    DBGrid1->OnDblClick = [this](QObject *Sender) { DBGrid1DblClick(Sender); };
    connect(CmbCampos, &QComboBox::activated, this, [this] { Guarded([this] { CmbCamposClick(CmbCampos); }); });
    connect(edtBusqueda, &QLineEdit::textChanged, this,
            [this] { Guarded([this] { edtBusquedaChange(edtBusqueda); }); });
    edtBusqueda->installEventFilter(this);
    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { Guarded([this] { SpeedButton1Click(SpeedButton1); }); });
    // A button with a modal result sets it before its own handler runs, so the dialog closes even
    // when the handler fails.
    connect(BitBtnAceptar, &QPushButton::clicked, this, [this] {
        m_modalResult = mrOk;
        Guarded([this] { BitBtnAceptarClick(BitBtnAceptar); });
        SetModalResult(mrOk);
    });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
    Datos1DataChange(Datos1, nullptr);
}

TCaptura::~TCaptura()
{
    // The grid and the navigator stop listening before the data source goes.
    DBGrid1->SetDataSource(nullptr);
    QNavegador1->SetDataSource(nullptr);
    CdsTmp->AfterOpen = nullptr;
}

bool TCaptura::Capturar(SDCOMConnection *Server, TDataSet *DestinationDataSet, const QStringList &SQL,
                        const QStringList &RequestVariables, const QStringList &Destination, QStringList &Values,
                        const QStringList &Titles, const QString &Title)
{
    AceptadoPorDobleClic = false;
    Variables.clear();
    Valores.clear();
    Destino.clear();
    Variables.append(RequestVariables);
    Destino.append(Destination);
    DataSetDestino = DestinationDataSet;
    SetCaption(Title);

    CdsTmp->RemoteServer = Server;
    CdsTmp->SetCommandText(QString());
    CdsTmp->SetSQL(SQL);

    QSDBQbe1->SetDataset(CdsTmp);
    TitulosActuales = Titles;

    // A lookup query that already filters takes further conditions with AND.
    const bool hasWhere =
        TSqlText(SQL.join(QLatin1Char('\n')), TSqlText::TDialect::Either).IndexOf(QStringLiteral("WHERE")) >= 0;
    QSDBQbe1->Tag = hasWhere ? 1 : 0;

    // Criteria typed as dates are read with the user's short date format.
    QString dateFormat = TFieldFormat::ShortDateFormat();
    if (dateFormat.trimmed().isEmpty())
        dateFormat = QStringLiteral("dd/MM/yyyy");
    QSDBQbe1->FormatoFecha = dateFormat;
    QSDBQbe1->UsaFormatoFecha = true;
    QSDBQbe1->Inicializar(false);

    // Columns without rows: the grid and the field chooser know the columns before any row is read.
    QSDBQbe1->Qquery(QSDBQbe1->Tag == 0 ? QStringLiteral(" WHERE 1=0") : QStringLiteral(" AND 1=0"));

    DBGrid1->setEnabled(true);
    const int result = ShowModal();

    const bool accepted = result == mrOk || AceptadoPorDobleClic;
    if (!Valores.isEmpty()) {
        Values.clear();
        Values.append(Valores);
    }
    CdsTmp->Close();
    return accepted;
}

bool TCaptura::CapturarBoton(TQPField *Button)
{
    MostrarTodo = Button->Tag == 0;
    BotonActual = Button;
    return Capturar(Button->Servidor, Button->DataSet, Button->SQL, Button->Variables, Button->Destino, Button->Valores,
                    Button->Titulos, Button->Titulo);
}

void TCaptura::FormShow(QObject *Sender)
{
    QSDBQbe1->setAutoRaise(false);
    const QDate today = QDate::currentDate();
    LblVersion->setText(QStringLiteral("Versión ") + today.toString(QStringLiteral("yy")) + QStringLiteral(".0 ") +
                        today.toString(QStringLiteral("yyyy")));

    if (MostrarTodo)
        QSDBQbe1->Qquery(QString());
    else
        QSDBQbe1->Click();

    CmbCampos->Clear();
    const QList<TField *> &fields = CdsTmp->Fields();
    for (int i = 0; i < fields.size(); ++i) {
        const QString name = fields.at(i)->FieldName();
        // Titles short of the columns leave the remaining columns under their own names.
        const QString item = TitulosActuales.isEmpty() ? name : TitulosActuales.value(i, name);
        CmbCampos->Add(item, name);
    }
    CmbCampos->setCurrentIndex(CmbCampos->count() > 0 ? 0 : -1);

    edtBusqueda->clear();
    edtValor->clear();
}

void TCaptura::CdsTmpAfterOpen(TDataSet &DataSet)
{
    const QList<TField *> &fields = DataSet.Fields();
    if (!TitulosActuales.isEmpty() && TitulosActuales.size() != fields.size()) {
        ShowMessage(QStringLiteral("[Error en TITULOS][Falta definicion de titulos]"));
    } else if (!TitulosActuales.isEmpty()) {
        for (int i = 0; i < fields.size(); ++i)
            fields.at(i)->SetDisplayLabel(TitulosActuales.at(i));
    }
    // Makes the grid lay its headings out again with the new labels.
    DBGrid1->resize(DBGrid1->width() + 1, DBGrid1->height());
    DBGrid1->resize(DBGrid1->width() - 1, DBGrid1->height());
    DBGrid1->horizontalHeader()->viewport()->update();
}

void TCaptura::Datos1DataChange(QObject *Sender, TField *Field)
{
    BitBtnAceptar->setEnabled(CdsTmp->Active() && CdsTmp->RecordCount() > 0);
}

void TCaptura::DBGrid1DblClick(QObject *Sender)
{
    if (!CdsTmp->Active() || CdsTmp->RecordCount() < 1)
        return;
    BitBtnAceptarClick(Sender);
    close();
    AceptadoPorDobleClic = true;
}

void TCaptura::CmbCamposClick(QObject *Sender)
{
    edtBusqueda->clear();
    edtValor->clear();
}

void TCaptura::edtBusquedaKeyPress(QObject *Sender, QChar &Key)
{
    BusquedaAnterior = edtBusqueda->text();
}

void TCaptura::edtBusquedaChange(QObject *Sender)
{
    const QString text = edtBusqueda->text();
    if (text.isEmpty())
        return;
    const QString column = CmbCampos->Codigos().value(CmbCampos->currentIndex());
    TField *field = column.isEmpty() || !CdsTmp->Active() ? nullptr : CdsTmp->FindField(column);
    QVariant key;
    if (!field || !ConvertSearchText(*field, text, key)) {
        // The previous text was accepted once; restoring it must not loop when it no longer fits.
        if (!m_restoringSearch) {
            m_restoringSearch = true;
            edtBusqueda->setText(BusquedaAnterior);
            m_restoringSearch = false;
        }
        edtValor->clear();
        return;
    }
    CdsTmp->Locate(field->FieldName(), key, TLocateOptions(loCaseInsensitive) | loPartialKey);
}

bool TCaptura::ConvertSearchText(const TField &field, const QString &text, QVariant &value)
{
    // The type is that of the current value: a null value searches for null.
    if (!field.Value().isValid()) {
        value = QVariant();
        return true;
    }
    switch (field.DataType()) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
    case TFieldType::ftMemo:
        value = text;
        return true;
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger: {
        try {
            value = StrToInt(text);
            return true;
        } catch (const EConvertError &) {
        }
        bool ok = false;
        const double number = TFieldFormat::StrToFloat(text, &ok);
        if (!ok)
            return false;
        value = int(TFieldFormat::Round(number));
        return true;
    }
    case TFieldType::ftLargeint: {
        bool ok = false;
        value = text.trimmed().toLongLong(&ok);
        return ok;
    }
    case TFieldType::ftFloat: {
        bool ok = false;
        const double number = TFieldFormat::StrToFloat(text, &ok);
        value = number;
        return ok;
    }
    case TFieldType::ftDateTime: {
        bool ok = false;
        const QDateTime moment = TFieldFormat::StrToDateTime(text, &ok);
        value = moment;
        return ok;
    }
    case TFieldType::ftBoolean: {
        const QString t = text.trimmed().toLower();
        if (t == QStringLiteral("true") || t == QStringLiteral("false")) {
            value = t == QStringLiteral("true");
            return true;
        }
        bool ok = false;
        const int number = t.toInt(&ok);
        value = number != 0;
        return ok;
    }
    default:
        return false;
    }
}

void TCaptura::SpeedButton1Click(QObject *Sender)
{
    BusquedaAnterior = edtBusqueda->text();
    edtBusqueda->setText(edtValor->text());
}

void TCaptura::BitBtnAceptarClick(QObject *Sender)
{
    for (int i = 0; i < Variables.size(); ++i) {
        const int n = i + 1;
        const QString v = Variables.at(i).toUpper().trimmed();
        if (v.isEmpty()) {
            ShowMessage(QStringLiteral("[Error en VARIABLES][Linea (%1) vacia ]").arg(n));
            return;
        }
        Variables[i] = v;

        if (DataSetDestino) {
            bool found = false;
            for (const TField *f : CdsTmp->Fields()) {
                if (f->FieldName().toUpper().trimmed() == v) {
                    found = true;
                    break;
                }
            }
            if (!found) {
                ShowMessage(QStringLiteral("[Error en VARIABLES][no existe variable <%1> en Query ]").arg(v));
                return;
            }
        }
        const QString value = CdsTmp->FieldByName(v)->AsString();
        Valores.append(value);

        if (!DataSetDestino)
            continue;

        // A missing destination line counts as an empty one.
        const QString d = Destino.value(i).toUpper().trimmed();
        if (i < Destino.size())
            Destino[i] = d;
        if (d.isEmpty()) {
            ShowMessage(QStringLiteral("[Error en DESTINO][Linea (%1) vacia ]").arg(n));
            return;
        }

        if (!isEditing(*DataSetDestino))
            continue;

        if (BotonActual) {
            const QString lookUpField = BotonActual->LookUpField;
            if (lookUpField.isEmpty()) {
                BotonActual->LookupText.clear();
            } else if (TField *lookup = CdsTmp->FindField(lookUpField.trimmed())) {
                BotonActual->LookupText = lookup->AsString();
            } else {
                ShowError(QStringLiteral(" Error de parametrización de componente [") + BotonActual->objectName() +
                          QStringLiteral("] campo LookUpField [") + lookUpField +
                          QStringLiteral("] no encontrado en query de consulta "));
            }
        }

        // Tag + 1000 tells the field's own handlers that the value comes from a lookup.
        TField *target = DataSetDestino->FieldByName(d);
        const quint16 savedTag = quint16(target->Tag);
        TTagGuard guard(*target, savedTag);
        target->Tag = target->Tag + 1000;
        target->SetText(value);
    }
}

int TCaptura::ShowModal()
{
    m_modalResult = mrNone;
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    // FormShow runs inside show(); what it raises (a server error of the lookup query) leaves here.
    m_inShowModal = true;
    m_modalRunning = true;
    m_showError = nullptr;
    const auto running = qScopeGuard([this] { m_modalRunning = false; });
    const auto showAndCheck = [this] {
        show();
        m_inShowModal = false;
        if (m_showError) {
            hide();
            std::rethrow_exception(std::exchange(m_showError, nullptr));
        }
    };
    setWindowModality(Qt::ApplicationModal);
    showAndCheck();
    // The wait goes through the application's prompt service, which may answer in the user's place.
    Application()->Prompts().RunModal(*this, [this] {
        if (m_modalResult == mrNone && isVisible()) {
            QEventLoop loop;
            connect(this, &TCaptura::modalEnded, &loop, &QEventLoop::quit);
            loop.exec(QEventLoop::DialogExec);
        }
    });
    hide();
    if (m_modalResult == mrNone)
        m_modalResult = mrCancel;
    return m_modalResult;
}

void TCaptura::SetModalResult(int result)
{
    m_modalResult = result;
    if (result == mrNone)
        return;
    // The window closes as soon as a modal show has its result.
    if (m_modalRunning)
        hide();
    emit modalEnded();
}

void TCaptura::showEvent(QShowEvent *event)
{
    TForm::showEvent(event);
    if (event->spontaneous())
        return;
    if (!m_inShowModal) {
        Guarded([this] { FormShow(this); });
        return;
    }
    try {
        FormShow(this);
    } catch (...) {
        m_showError = std::current_exception();
    }
}

void TCaptura::closeEvent(QCloseEvent *event)
{
    if (m_modalResult == mrNone)
        m_modalResult = mrCancel;
    TForm::closeEvent(event);
    emit modalEnded();
}

void TCaptura::keyPressEvent(QKeyEvent *event)
{
    // Escape is the cancel button, Enter the default button.
    if (event->key() == Qt::Key_Escape) {
        BitBtn2->click();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (BitBtnAceptar->isEnabled())
            BitBtnAceptar->click();
        return;
    }
    TForm::keyPressEvent(event);
}

bool TCaptura::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edtBusqueda && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent *>(event)->text();
        QChar key = text.isEmpty() ? QChar() : text.at(0);
        Guarded([this, &key] { edtBusquedaKeyPress(edtBusqueda, key); });
    }
    return TForm::eventFilter(watched, event);
}

void TCaptura::Guarded(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (...) {
        Application()->HandleException(std::current_exception());
    }
}

void TCaptura::ShowMessage(const QString &text)
{
    Application()->Prompts().Message(text, Application()->Title, QMessageBox::NoIcon, QMessageBox::Ok, this);
}

void TCaptura::ShowError(const QString &text)
{
    Application()->Prompts().Warn(text, QStringLiteral("Error"), this);
}
