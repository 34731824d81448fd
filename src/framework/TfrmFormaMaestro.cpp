#include "TfrmFormaMaestro.h"

#include "SDCOMConnection.h"

#include <QVBoxLayout>

TfrmFormaMaestro::TfrmFormaMaestro(QObject *owner, const QString &name, QWidget *parent)
    : TForm(owner, name, parent)
{
    DCOMCnction = new SDCOMConnection(this, QStringLiteral("DCOMCnction"));
    m_frameLayout = new QVBoxLayout(this);
    m_frameLayout->setContentsMargins(0, 0, 0, 0);
    m_frameLayout->setSpacing(0);
}

TfrmFormaMaestro::~TfrmFormaMaestro() = default;

void TfrmFormaMaestro::FormCreate(QObject *) {}

void TfrmFormaMaestro::cmbEmpresaChange(QObject *) {}

void TfrmFormaMaestro::SpFiltroFechaClick(QObject *) {}

void TfrmFormaMaestro::CambiarTamano(int width, int height)
{
    resize(width, height);
}

void TfrmFormaMaestro::CambiarAltura(int height)
{
    resize(width(), height);
}

void TfrmFormaMaestro::QvAsignarRptPreview(QObject *&report, int)
{
    m_rptPreview = report;
}
