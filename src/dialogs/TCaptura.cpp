#include "TCaptura.h"

TCaptura *Captura = nullptr;

TCaptura::TCaptura(QObject *owner) : TForm(owner, QStringLiteral("Captura"))
{
    setWindowFlag(Qt::Dialog);
    SetCaption(QStringLiteral("Captura"));
}

TCaptura::~TCaptura() = default;
