#pragma once

#include <QString>
#include <QStringList>

// One column of a data grid: the field it shows and how its cells are edited.
enum TColumnButtonStyle { cbsAuto, cbsEllipsis, cbsNone };

struct TColumn
{
    QString FieldName;
    int Width = 0; // pixels; 0 = default width
    QString Title; // empty: the field's display label
    TColumnButtonStyle ButtonStyle = cbsAuto;
    QStringList PickList; // non-empty: the cell offers these entries; the stored value is the entry's text
    bool ReadOnly = false;
};
