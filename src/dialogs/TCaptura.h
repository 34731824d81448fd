#pragma once

#include "TForm.h"

// The capture selection dialog: lists the rows of a lookup and returns the chosen one.
class TCaptura : public TForm
{
    Q_OBJECT
public:
    explicit TCaptura(QObject *owner);
    ~TCaptura() override;
};

extern TCaptura *Captura;
