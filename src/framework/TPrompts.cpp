#include "TPrompts.h"

#include <QDialog>

int TPrompts::ShowModal(QDialog &dialog)
{
    return dialog.exec();
}
