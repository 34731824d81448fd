#pragma once

#include <QFlags>

// The small vocabulary shared by datasets, fields and data sources. The enumerators keep their
// classic names (dsBrowse, fkData, pfInKey ...) so that rules read the way they were written.

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsOpening };

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

// How the provider uses a field when it writes a change back.
enum TProviderFlag { pfInUpdate = 0x1, pfInWhere = 0x2, pfInKey = 0x4, pfHidden = 0x8 };
using TProviderFlags = QFlags<TProviderFlag>;
Q_DECLARE_OPERATORS_FOR_FLAGS(TProviderFlags)

enum TLocateOption { loCaseInsensitive = 0x1, loPartialKey = 0x2 };
using TLocateOptions = QFlags<TLocateOption>;
Q_DECLARE_OPERATORS_FOR_FLAGS(TLocateOptions)

// What to do with a row the server refused (see SClientDataSet::ApplyUpdates).
enum TReconcileAction { raSkip, raAbort, raMerge, raCorrect, raCancel, raRefresh };
