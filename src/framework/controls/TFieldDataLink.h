#pragma once

#include "dataset/DataSetTypes.h"
#include "dataset/TDataSource.h"

#include <QObject>
#include <QPointer>
#include <functional>

class TDataSet;
class TDataSource;
class TField;

// Binds one control to one field of a data source. The control supplies two callbacks: Load shows
// the field's current value, Store writes the control's pending text into the field. The link tells
// the control when to do either, and whether it may edit.
class TFieldDataLink : public QObject
{
    Q_OBJECT
public:
    explicit TFieldDataLink(QObject *control);

    TDataSource *DataSource() const { return m_source; }
    void SetDataSource(TDataSource *source);
    const QString &FieldName() const { return m_fieldName; }
    void SetFieldName(const QString &name);

    // The most characters an editor of the field may take: a text field's size, or 0 (no limit)
    // for other fields and for texts the field translates (OnSetText: "Programado" stores "P").
    static int TextLimit(const TField *field);

    TDataSet *DataSet() const;
    // The bound field, or nullptr while the dataset is closed or has no such field.
    TField *Field() const;
    bool Active() const;
    bool Editing() const;
    // True when the control may not change the field: no field, a read-only or calculated field,
    // or a read-only dataset.
    bool ReadOnly() const;

    // The user started changing the control: puts the dataset into edit mode (through the data
    // source's AutoEdit) and marks the control as holding a pending value. Returns false when the
    // field cannot be edited now.
    bool Edit();
    bool Modified() const { return m_modified; }
    // Writes a pending value into the field now (controls call it when they lose focus).
    void UpdateRecord();
    // Drops a pending value and shows the field again.
    void Reset();
    // The user changed the control: enters edit mode and, with storeNow, writes the value at once
    // and then runs after. A refusal (read-only, an edit refused, a value the field rejects) puts
    // the field's value back in the control and is reported to the user. Returns whether the change
    // was taken.
    bool UserChanged(bool storeNow, const std::function<void()> &after = nullptr);

    std::function<void()> Load;
    std::function<void()> Store;
    // Called whenever editability may have changed (state change, field bound or unbound).
    std::function<void()> StateChanged;

private:
    void Refresh();

    QPointer<TDataSource> m_source;
    QString m_fieldName;
    bool m_modified = false;
    bool m_storing = false;
    bool m_entering = false;
    QList<QMetaObject::Connection> m_connections;
};
