#include "controls/TQsFecha.h"

#include "TApplication.h"
#include "TPrompts.h"
#include "dataset/TDataSet.h"
#include "dataset/TDataSource.h"
#include "dataset/TField.h"

TQsFecha::TQsFecha(QWidget *parent, const QString &name) : QToolButton(parent)
{
    setObjectName(name);
    setText(QStringLiteral("▾"));
    setToolTip(QStringLiteral("Seleccionar fecha"));
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QToolButton::clicked, this, [this] { Application()->Guard([&] { Click(); }); });
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
    const QDate chosen = Application()->Prompts().PickDate(initial, window());
    if (!chosen.isValid())
        return;
    if (ds->State() != dsEdit && ds->State() != dsInsert)
        ds->Edit();
    field->SetAsDateTime(QDateTime(chosen, QTime(0, 0)));
}
