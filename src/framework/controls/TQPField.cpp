#include "controls/TQPField.h"

#include "TApplication.h"

TQPField::TQPField(QWidget *parent, const QString &name) : QToolButton(parent)
{
    setObjectName(name);
    setText(QStringLiteral("…"));
    setToolTip(QStringLiteral("Lista de valores"));
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QToolButton::clicked, this, [this] {
        try {
            Click();
        } catch (...) {
            Application()->HandleException(std::current_exception());
        }
    });
}

void TQPField::Click()
{
    if (OnClick)
        OnClick(this);
}
