#pragma once

#include "TForm.h"

// The memo editor dialog used by the follow-up grid's long-text cells.
class TFrmMemo : public TForm
{
    Q_OBJECT
public:
    explicit TFrmMemo(QObject *owner);
    ~TFrmMemo() override;
};

extern TFrmMemo *FrmMemo;
