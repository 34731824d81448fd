#include "controls/ControlStyle.h"

#include <QColor>
#include <QPalette>
#include <QWidget>

void ControlStyle::ApplyReadOnly(QWidget *control, bool readOnly)
{
    QPalette palette = control->palette();
    palette.setColor(QPalette::Base, readOnly ? QColor(QRgb(kReadOnlyColor)) : QPalette().color(QPalette::Base));
    control->setPalette(palette);
    control->setAutoFillBackground(true);
    control->setFocusPolicy(readOnly ? Qt::ClickFocus : Qt::StrongFocus);
}
