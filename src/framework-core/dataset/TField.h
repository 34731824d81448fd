#pragma once

#include "DataPacket.h"
#include "dataset/DataSetTypes.h"

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <functional>

class TDataSet;

// One column of a dataset, seen through the dataset's current record. A field belongs to exactly one
// dataset: constructing it registers it there and the dataset deletes it (fields created by Open
// are deleted again by Close). Values live in the dataset; the field only knows where.
//
// Assignment (SetValue, SetAs..., SetText) runs the classic sequence: the dataset must be in edit or
// insert mode (or computing calculated fields); a read-only data field refuses; OnValidate runs with
// the new value already readable and may raise to keep the old one; then the value is stored, the
// record is marked modified, calculated fields are recomputed and OnChange runs.
class TField
{
public:
    using TFieldNotifyEvent = std::function<void(TField &Sender)>;
    using TFieldGetTextEvent = std::function<void(TField &Sender, QString &Text, bool DisplayText)>;
    using TFieldSetTextEvent = std::function<void(TField &Sender, const QString &Text)>;

    TField(TDataSet *dataSet, const QString &fieldName, TFieldType dataType, int size = 0, TFieldKind kind = fkData);
    virtual ~TField();
    TField(const TField &) = delete;
    TField &operator=(const TField &) = delete;

    TDataSet *DataSet() const { return m_dataSet; }
    const QString &FieldName() const { return m_fieldName; }
    TFieldType DataType() const { return m_dataType; }
    // Characters for strings; 0 for other types.
    int Size() const { return m_size; }
    // Position in the dataset's Fields().
    int Index() const;
    // Empty label reads as the field name.
    QString DisplayLabel() const { return m_displayLabel.isEmpty() ? m_fieldName : m_displayLabel; }
    void SetDisplayLabel(const QString &label) { m_displayLabel = label; }
    // The name used in messages: the display label.
    QString DisplayName() const { return DisplayLabel(); }
    bool Calculated() const { return FieldKind == fkCalculated || FieldKind == fkInternalCalc; }

    // Plain properties. FieldKind must be set before the dataset opens.
    TFieldKind FieldKind = fkData;
    bool Required = false;
    bool ReadOnly = false;
    bool Visible = true;
    TProviderFlags ProviderFlags = TProviderFlags(pfInWhere) | pfInUpdate;
    qintptr Tag = 0;
    // Numeric fields: a FormatFloat pattern ("0", "#,##0.00"). Date-time fields: a QDateTime pattern.
    QString DisplayFormat;
    QString EditFormat; // empty: DisplayFormat is used for Text as well

    TFieldNotifyEvent OnValidate;
    TFieldNotifyEvent OnChange;
    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;

    bool IsNull() const;
    void Clear();
    // Null is an invalid QVariant.
    QVariant Value() const;
    void SetValue(const QVariant &value);

    virtual QString AsString() const;
    virtual void SetAsString(const QString &value);
    virtual int AsInteger() const;
    virtual void SetAsInteger(int value);
    virtual double AsFloat() const;
    virtual void SetAsFloat(double value);
    virtual QDateTime AsDateTime() const;
    virtual void SetAsDateTime(const QDateTime &value);
    virtual bool AsBoolean() const;
    virtual void SetAsBoolean(bool value);

    // Text for editing and for display: OnGetText when assigned (it fully replaces the formatting),
    // otherwise the field's own formatting with EditFormat / DisplayFormat.
    QString Text() const;
    QString DisplayText() const;
    // OnSetText when assigned, otherwise AsString.
    void SetText(const QString &text);

    // Values of the change log. Inside a reconcile handler they are the refused row's values: the
    // value before the change, the value sent (writable: what raCorrect keeps) and the server's.
    // Elsewhere OldValue is the value before the current record's pending change and CurValue is null.
    QVariant OldValue() const;
    QVariant NewValue() const;
    void SetNewValue(const QVariant &value);
    QVariant CurValue() const;

    // Asks the controls bound to this field to take the focus (TDataSource::focusControl).
    void FocusControl();

protected:
    // The value of the current record in the active buffer.
    const QVariant &Data() const;
    // The assignment sequence described above, with a value already of the stored type.
    void SetData(const QVariant &value);
    // The default text: displayText selects DisplayFormat over EditFormat.
    virtual QString GetText(bool displayText) const;
    [[noreturn]] void RaiseConvertError(const QString &text, const char *kind) const;
    [[noreturn]] void RaiseAccessError(const char *typeName) const;

private:
    friend class TDataSet;
    TDataSet *m_dataSet;
    QString m_fieldName;
    QString m_displayLabel;
    TFieldType m_dataType;
    int m_size;
    bool m_dynamic = false; // created by Open, deleted by Close
    int m_bufferIndex = -1; // data fields: column of the record; calculated: slot of the calc buffer
    int m_lastColumn = -1;  // data fields: the column found at the last open, tried first at the next
};
