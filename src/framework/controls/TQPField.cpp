#include "controls/TQPField.h"

#include "TApplication.h"

TQPField::TQPField(QWidget *parent, const QString &name) : QToolButton(parent)
{
    setObjectName(name);
    setText(QStringLiteral("…"));
    setToolTip(QStringLiteral("Lista de valores"));
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QToolButton::clicked, this, [this] { Application()->Guard([&] { Click(); }); });
}

void TQPField::Click()
{
    if (OnClick)
        OnClick(this);
}
