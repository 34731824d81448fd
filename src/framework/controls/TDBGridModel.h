#pragma once

#include "controls/TColumn.h"
#include "dataset/TDataSource.h"

#include <QAbstractTableModel>
#include <QPointer>

class TDataSet;
class TDataSource;
class TField;

// The rows of a dataset as a table model: one row per record in the dataset's order, one column per
// TColumn. Reading a cell never moves the dataset's cursor and fires no dataset event. Writing a cell
// moves to its record, puts the dataset into edit mode and sets the field's text.
class TDBGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit TDBGridModel(QObject *parent = nullptr);

    TDataSource *DataSource() const { return m_source; }
    void SetDataSource(TDataSource *source);
    QList<TColumn> Columns() const { return m_columns; }
    void SetColumns(const QList<TColumn> &columns);
    // One column per visible field of the open dataset (used when no columns were given).
    void UseDefaultColumns();

    TField *FieldAt(int column) const;
    int CurrentRow() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

signals:
    // The dataset's current record moved to this row (-1: none).
    void currentRowChanged(int row);

private:
    void Reload();
    TDataSet *DataSet() const;

    QPointer<TDataSource> m_source;
    QList<TColumn> m_columns;
    bool m_defaultColumns = true;
    int m_rows = 0;
    QList<QMetaObject::Connection> m_connections;
};
