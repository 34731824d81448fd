#pragma once

#include "dataset/TField.h"

#include <QString>

// Declaring a persistent field in one line: the field is constructed on its dataset (which takes it),
// then given its display label and its flags. Used by the data modules to declare their datasets'
// fields in the order the datasets present them.
namespace FieldDefinition {

enum TFieldFlag : unsigned {
    None = 0,
    Required = 0x1, // not null
    ReadOnly = 0x2, // the user cannot change it (a joined or server-kept column)
    Hidden = 0x4,   // not shown in grids
    Key = 0x8,      // the provider locates rows by it (pfInKey)
};

template <class F> F *Define(F *field, const QString &displayLabel = QString(), unsigned flags = None)
{
    field->SetDisplayLabel(displayLabel);
    field->Required = (flags & Required) != 0;
    field->ReadOnly = (flags & ReadOnly) != 0;
    field->Visible = (flags & Hidden) == 0;
    if (flags & Key)
        field->ProviderFlags |= pfInKey;
    return field;
}

} // namespace FieldDefinition
