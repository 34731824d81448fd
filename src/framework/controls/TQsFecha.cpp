#include "controls/TQsFecha.h"

#include "TApplication.h"
#include "dataset/TDataSet.h"
#include "dataset/TDataSource.h"
#include "dataset/TField.h"

#include <QCalendarWidget>
#include <QDialog>
#include <QDialogButtonBox>
#include <QVBoxLayout>

TQsFecha::TQsFecha(QWidget *parent, const QString &name) : QToolButton(parent)
{
    setObjectName(name);
    setText(QStringLiteral("▾"));
    setToolTip(QStringLiteral("Seleccionar fecha"));
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QToolButton::clicked, this, [this] {
        Application()->Guard([&] { Click(); });
    });
}

void TQsFecha::Click()
{
    TDataSet *ds = DataSource ? DataSource->DataSet() : nullptr;
    if (!ds || !ds->Active())
        return;
    TField *field = ds->FieldByName(DatField);
    if (field->ReadOnly)
        return;
    const QDate initial = field->IsNull() ? QDate::currentDate() : field->AsDateTime().date();
    const QDate chosen = PickDate ? PickDate(initial) : AskDate(initial);
    if (!chosen.isValid())
        return;
    if (ds->State() != dsEdit && ds->State() != dsInsert)
        ds->Edit();
    field->SetAsDateTime(QDateTime(chosen, QTime(0, 0)));
}

QDate TQsFecha::AskDate(const QDate &initial)
{
    QDialog dialog(window());
    dialog.setWindowTitle(QStringLiteral("Fecha"));
    auto *calendar = new QCalendarWidget(&dialog);
    calendar->setSelectedDate(initial);
    calendar->setGridVisible(true);
    auto *buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("Aceptar"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(calendar, &QCalendarWidget::activated, &dialog, &QDialog::accept);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(calendar);
    layout->addWidget(buttons);
    return dialog.exec() == QDialog::Accepted ? calendar->selectedDate() : QDate();
}
