#pragma once

#include "dataset/DataSetTypes.h"

#include <QMetaType>
#include <QObject>

class TDataSet;
class TField;

// recordChanged carries a TField pointer through queued connections and QSignalSpy.
Q_DECLARE_OPAQUE_POINTER(TField *)
Q_DECLARE_METATYPE(TField *)

// The link between a dataset and its data-aware controls. Controls connect to the signals:
// stateChanged when the dataset changes state (open, close, edit, insert, browse), dataSetChanged
// when the current record moved or the rows changed (controls reload), recordChanged when a value of
// the current record changed (field is null for the whole record), updateData when the dataset is
// about to post and controls must write their pending text into the fields, focusControl when a
// field asks its control to take the focus (a required field left empty at Post).
// While the dataset's controls are disabled only updateData and focusControl are delivered.
class TDataSource : public QObject
{
    Q_OBJECT
public:
    explicit TDataSource(QObject *owner = nullptr, const QString &name = QString());
    ~TDataSource() override;

    TDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TDataSet *dataSet);
    // Inactive when there is no dataset.
    TDataSetState State() const;
    // When false the controls see an inactive dataset and get no notifications.
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    // Edit() puts a browsing dataset into edit mode only when AutoEdit is set.
    bool AutoEdit = true;
    void Edit();

signals:
    void stateChanged();
    void dataSetChanged();
    void recordChanged(TField *field);
    void updateData();
    void focusControl(TField *field);

private:
    friend class TDataSet;
    void Deliver(int what, TField *field);

    TDataSet *m_dataSet = nullptr;
    bool m_enabled = true;
};
