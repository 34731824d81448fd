#include "controls/TDBGridModel.h"

#include "dataset/TDataSet.h"
#include "dataset/TDataSource.h"
#include "dataset/TField.h"

TDBGridModel::TDBGridModel(QObject *parent) : QAbstractTableModel(parent)
{}

TDataSet *TDBGridModel::DataSet() const
{
    return m_source && m_source->State() != dsInactive ? m_source->DataSet() : nullptr;
}

void TDBGridModel::SetDataSource(TDataSource *source)
{
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_source = source;
    if (source) {
        m_connections << connect(source, &TDataSource::stateChanged, this, &TDBGridModel::Reload);
        m_connections << connect(source, &TDataSource::dataSetChanged, this, &TDBGridModel::Reload);
        m_connections << connect(source, &TDataSource::recordChanged, this, [this](TField *) {
            const int row = CurrentRow();
            if (row >= 0 && row < m_rows && !m_columns.isEmpty())
                emit dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
        });
    }
    Reload();
}

void TDBGridModel::SetColumns(const QList<TColumn> &columns)
{
    beginResetModel();
    m_columns = columns;
    m_defaultColumns = columns.isEmpty();
    endResetModel();
    if (m_defaultColumns)
        Reload();
}

void TDBGridModel::UseDefaultColumns()
{
    m_columns.clear();
    if (TDataSet *ds = DataSet())
        for (TField *f : ds->Fields())
            if (f->Visible)
                m_columns.append(TColumn{f->FieldName()});
}

TField *TDBGridModel::FieldAt(int column) const
{
    TDataSet *ds = DataSet();
    if (!ds || column < 0 || column >= m_columns.size())
        return nullptr;
    return ds->FindField(m_columns.at(column).FieldName);
}

int TDBGridModel::CurrentRow() const
{
    TDataSet *ds = DataSet();
    return ds && !ds->IsEmpty() ? ds->RecNo() - 1 : -1;
}

void TDBGridModel::Reload()
{
    TDataSet *ds = DataSet();
    const int rows = ds ? ds->RecordCount() : 0;
    const QList<TColumn> before = m_columns;
    if (m_defaultColumns)
        UseDefaultColumns();
    const bool sameShape = rows == m_rows && m_columns.size() == before.size() &&
                           std::equal(m_columns.cbegin(), m_columns.cend(), before.cbegin(),
                                      [](const TColumn &a, const TColumn &b) { return a.FieldName == b.FieldName; });
    if (sameShape) {
        // Same rows and columns (a state change, an edit, a move): repaint, keep the view's cursor.
        if (m_rows > 0 && !m_columns.isEmpty())
            emit dataChanged(index(0, 0), index(m_rows - 1, int(m_columns.size()) - 1));
        emit headerDataChanged(Qt::Horizontal, 0, qMax(0, int(m_columns.size()) - 1));
    } else {
        const QList<TColumn> columns = m_columns;
        m_columns = before;
        beginResetModel();
        m_columns = columns;
        m_rows = rows;
        endResetModel();
    }
    emit currentRowChanged(CurrentRow());
}

int TDBGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int TDBGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant TDBGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() ||
        (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole && role != Qt::TextAlignmentRole))
        return QVariant();
    TDataSet *ds = DataSet();
    TField *field = FieldAt(index.column());
    if (!ds || !field || index.row() >= m_rows)
        return QVariant();
    if (role == Qt::TextAlignmentRole) {
        const bool numeric = IsNumericType(field->DataType());
        return QVariant::fromValue(Qt::AlignVCenter | (numeric ? Qt::AlignRight : Qt::AlignLeft));
    }
    // A memo shows the start of its text (its first line); the tooltip holds the whole text.
    const bool memo = field->DataType() == TFieldType::ftMemo;
    QString text;
    ds->PeekRecord(index.row() + 1,
                   [&] { text = role == Qt::EditRole || memo ? field->Text() : field->DisplayText(); });
    if (role == Qt::DisplayRole && memo) {
        const QString first = text.section(QLatin1Char('\n'), 0, 0).remove(QLatin1Char('\r'));
        text = first.size() < text.trimmed().size() ? first + QStringLiteral(" …") : first;
    }
    return text;
}

bool TDBGridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    TDataSet *ds = DataSet();
    TField *field = FieldAt(index.column());
    if (role != Qt::EditRole || !ds || !field || !(flags(index) & Qt::ItemIsEditable))
        return false;
    if (ds->RecNo() != index.row() + 1)
        ds->SetRecNo(index.row() + 1);
    if (ds->State() == dsBrowse)
        m_source->Edit();
    if (ds->State() != dsEdit && ds->State() != dsInsert)
        return false;
    field->SetText(value.toString());
    emit dataChanged(index, index);
    return true;
}

QVariant TDBGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return QVariant();
    if (section < 0 || section >= m_columns.size())
        return QVariant();
    const TColumn &c = m_columns.at(section);
    if (!c.Title.isEmpty())
        return c.Title;
    // Persistent fields give their labels even while the dataset is closed.
    TDataSet *ds = m_source ? m_source->DataSet() : nullptr;
    if (TField *f = ds ? ds->FindField(c.FieldName) : nullptr)
        return f->DisplayLabel();
    return c.FieldName;
}

Qt::ItemFlags TDBGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    TDataSet *ds = DataSet();
    TField *field = FieldAt(index.column());
    if (ds && field && !ds->ReadOnly && !field->ReadOnly && !field->Calculated() &&
        !m_columns.at(index.column()).ReadOnly && (!m_source || m_source->AutoEdit || ds->State() != dsBrowse))
        f |= Qt::ItemIsEditable;
    return f;
}
