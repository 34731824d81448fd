#pragma once

#include <QList>
#include <QString>
#include <QVariant>

// What travels between a client dataset and an application-server provider. Values are QVariants;
// a null value is an invalid QVariant (QVariant()). Dates are QDateTime, small/int are int, largeint
// (64-bit) is qlonglong, float is double, memo and strings are QString, blobs QByteArray, booleans bool.

enum class TFieldType {
    ftUnknown,
    ftString,
    ftFixedChar,
    ftSmallint,
    ftInteger,
    ftFloat,
    ftDateTime,
    ftMemo,
    ftBlob,
    ftBoolean,
    ftLargeint
};

// Whether values of the type are numbers (compared, aligned and written in SQL as numbers).
constexpr bool IsNumericType(TFieldType t)
{
    return t == TFieldType::ftSmallint || t == TFieldType::ftInteger || t == TFieldType::ftLargeint ||
           t == TFieldType::ftFloat;
}

struct SFieldDef
{
    QString Name;
    TFieldType DataType = TFieldType::ftUnknown;
    int Size = 0;          // characters, for strings
    bool Required = false; // not null
    bool ReadOnly = false;
    bool InKey = false;   // pfInKey: the provider locates rows by these
    bool Hidden = false;  // not shown in grids
    QString DisplayLabel; // empty: the field name
};

struct SParam
{
    QString Name;
    TFieldType DataType = TFieldType::ftUnknown;
    QVariant Value; // null when not assigned
};

struct SDataPacket
{
    QList<SFieldDef> Fields;
    QList<QVariantList> Rows; // each row in the order of Fields
};

enum class TUpdateKind { ukModify, ukInsert, ukDelete };

// One changed row of a change log, values in the order of SDelta::Fields.
// Insert: NewValues only. Delete: OldValues only. Modify: both, and Changed marks the assigned ones.
struct SDeltaRow
{
    TUpdateKind Kind = TUpdateKind::ukModify;
    QVariantList OldValues;
    QVariantList NewValues;
    QList<bool> Changed;
};

struct SDelta
{
    QList<SFieldDef> Fields;
    QList<SDeltaRow> Rows;
};

// A row the provider refused; RowIndex points into SDelta::Rows.
struct SRowError
{
    int RowIndex = -1;
    QString Message;
    // The row as the server holds it now (empty when it no longer exists), for reconcile actions.
    QVariantList CurValues;
};

struct SApplyResult
{
    int ErrorCount = 0;
    bool Committed = true; // false: too many errors, the whole log was rolled back
    QList<SRowError> Errors;
};
