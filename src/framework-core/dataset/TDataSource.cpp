#include "dataset/TDataSource.h"

#include "dataset/TDataSet.h"

TDataSource::TDataSource(QObject *owner, const QString &name) : QObject(owner)
{
    setObjectName(name);
    static const int registered = qRegisterMetaType<TField *>();
    Q_UNUSED(registered);
}

TDataSource::~TDataSource()
{
    if (m_dataSet)
        m_dataSet->RemoveSource(this);
}

void TDataSource::SetDataSet(TDataSet *dataSet)
{
    if (m_dataSet == dataSet)
        return;
    if (m_dataSet)
        m_dataSet->RemoveSource(this);
    m_dataSet = dataSet;
    if (m_dataSet)
        m_dataSet->AddSource(this);
    emit stateChanged();
    emit dataSetChanged();
}

TDataSetState TDataSource::State() const
{
    return m_dataSet && m_enabled ? m_dataSet->State() : dsInactive;
}

void TDataSource::SetEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    emit stateChanged();
    emit dataSetChanged();
}

void TDataSource::Edit()
{
    if (AutoEdit && m_dataSet && m_dataSet->State() == dsBrowse)
        m_dataSet->Edit();
}

void TDataSource::Deliver(int what, TField *field)
{
    if (!m_enabled)
        return;
    if (what & TDataSet::nUpdate)
        emit updateData();
    if (what & TDataSet::nState)
        emit stateChanged();
    if (what & TDataSet::nDataSet)
        emit dataSetChanged();
    if (what & TDataSet::nRecord)
        emit recordChanged(field);
    if (what & TDataSet::nFocus)
        emit focusControl(field);
}
