#include "TReportDBDataSet.h"

#include "dataset/TDataSet.h"
#include "dataset/TField.h"

namespace {

// The text a report shows for a field: its display text, but a long text's own words rather than
// the "(memo)" a grid shows for it.
QString TextOf(const TField &field)
{
    return field.DataType() == TFieldType::ftMemo ? field.AsString() : field.DisplayText();
}

} // namespace

TReportDBDataSet::TReportDBDataSet(const QString &userName, TDataSet *dataSet, bool movesCursor)
    : m_userName(userName), m_dataSet(dataSet), m_movesCursor(movesCursor)
{}

void TReportDBDataSet::First()
{
    if (m_movesCursor) {
        m_dataSet->First();
        return;
    }
    m_recNo = 1;
    m_eof = IsEmpty();
    Load();
}

void TReportDBDataSet::Next()
{
    if (m_movesCursor) {
        m_dataSet->Next();
        return;
    }
    if (m_recNo < m_dataSet->RecordCount()) {
        ++m_recNo;
        Load();
    } else {
        m_eof = true; // the last row stays readable, as at the end of a dataset
    }
}

void TReportDBDataSet::Prior()
{
    if (m_movesCursor) {
        m_dataSet->Prior();
        return;
    }
    m_eof = false;
    if (m_recNo > 1) {
        --m_recNo;
        Load();
    }
}

bool TReportDBDataSet::Eof() const
{
    if (m_movesCursor)
        return !m_dataSet->Active() || m_dataSet->Eof();
    return m_eof;
}

bool TReportDBDataSet::IsEmpty() const
{
    return !m_dataSet->Active() || m_dataSet->IsEmpty();
}

bool TReportDBDataSet::HasField(const QString &field) const
{
    return m_dataSet->FindField(field) != nullptr;
}

int TReportDBDataSet::Column(const QString &field) const
{
    const TField *f = m_dataSet->FindField(field);
    return f ? f->Index() : -1;
}

void TReportDBDataSet::Load()
{
    m_values.assign(size_t(m_dataSet->FieldCount()), QVariant());
    m_texts = QStringList();
    if (m_eof)
        return;
    m_dataSet->PeekRecord(m_recNo, [this] {
        const auto &fields = m_dataSet->Fields();
        for (int i = 0; i < fields.size(); ++i) {
            m_values[size_t(i)] = fields[i]->Value();
            m_texts << TextOf(*fields[i]);
        }
    });
}

QVariant TReportDBDataSet::Value(const QString &field) const
{
    if (m_movesCursor) {
        const TField *f = m_dataSet->FindField(field);
        return f && m_dataSet->Active() && !m_dataSet->IsEmpty() ? f->Value() : QVariant();
    }
    const int column = Column(field);
    return column >= 0 && size_t(column) < m_values.size() ? m_values[size_t(column)] : QVariant();
}

QString TReportDBDataSet::DisplayText(const QString &field) const
{
    if (m_movesCursor) {
        const TField *f = m_dataSet->FindField(field);
        return f && m_dataSet->Active() && !m_dataSet->IsEmpty() ? TextOf(*f) : QString();
    }
    const int column = Column(field);
    return column >= 0 && column < m_texts.size() ? m_texts.at(column) : QString();
}
