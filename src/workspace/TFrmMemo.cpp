#include "TFrmMemo.h"

TFrmMemo *FrmMemo = nullptr;

TFrmMemo::TFrmMemo(QObject *owner) : TForm(owner, QStringLiteral("FrmMemo"))
{
    setWindowFlag(Qt::Dialog);
    SetCaption(QStringLiteral("FrmMemo"));
}

TFrmMemo::~TFrmMemo() = default;
