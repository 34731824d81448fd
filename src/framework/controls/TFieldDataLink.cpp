#include "controls/TFieldDataLink.h"

#include "TApplication.h"

#include "dataset/TDataSet.h"
#include "dataset/TDataSource.h"
#include "dataset/TField.h"
#include "dataset/TStringField.h"

TFieldDataLink::TFieldDataLink(QObject *control) : QObject(control)
{}

void TFieldDataLink::SetDataSource(TDataSource *source)
{
    if (m_source == source)
        return;
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_source = source;
    if (source) {
        m_connections << connect(source, &TDataSource::stateChanged, this, [this] {
            if (!Editing() && !m_entering)
                m_modified = false;
            if (StateChanged)
                StateChanged();
            Refresh();
        });
        m_connections << connect(source, &TDataSource::dataSetChanged, this, [this] {
            if (m_entering)
                return;
            m_modified = false;
            Refresh();
        });
        m_connections << connect(source, &TDataSource::recordChanged, this, [this](TField *field) {
            if (!m_storing && !m_entering && (!field || field == Field())) {
                m_modified = false;
                Refresh();
            }
        });
        m_connections << connect(source, &TDataSource::updateData, this, [this] { UpdateRecord(); });
        m_connections << connect(source, &QObject::destroyed, this, [this] {
            m_connections.clear();
            if (StateChanged)
                StateChanged();
        });
    }
    if (StateChanged)
        StateChanged();
    Refresh();
}

void TFieldDataLink::SetFieldName(const QString &name)
{
    m_fieldName = name;
    if (StateChanged)
        StateChanged();
    Refresh();
}

TDataSet *TFieldDataLink::DataSet() const
{
    return m_source ? m_source->DataSet() : nullptr;
}

TField *TFieldDataLink::Field() const
{
    TDataSet *ds = DataSet();
    if (!ds || !Active() || m_fieldName.isEmpty())
        return nullptr;
    return ds->FindField(m_fieldName);
}

bool TFieldDataLink::Active() const
{
    return m_source && m_source->State() != dsInactive;
}

bool TFieldDataLink::Editing() const
{
    const TDataSetState s = m_source ? m_source->State() : dsInactive;
    return s == dsEdit || s == dsInsert;
}

bool TFieldDataLink::ReadOnly() const
{
    TField *f = Field();
    return !f || f->ReadOnly || f->Calculated() || DataSet()->ReadOnly;
}

bool TFieldDataLink::Edit()
{
    if (ReadOnly())
        return false;
    if (!Editing()) {
        // Entering edit mode notifies every control; this one keeps what the user just typed.
        m_entering = true;
        try {
            m_source->Edit();
        } catch (...) {
            m_entering = false;
            throw;
        }
        m_entering = false;
    }
    m_modified = Editing();
    return m_modified;
}

void TFieldDataLink::UpdateRecord()
{
    if (!m_modified || !Store || !Field())
        return;
    m_storing = true;
    try {
        Store();
    } catch (...) {
        m_storing = false;
        throw;
    }
    m_storing = false;
    m_modified = false;
}

void TFieldDataLink::Reset()
{
    m_modified = false;
    Refresh();
}

void TFieldDataLink::Refresh()
{
    if (Load && !m_storing && !m_entering)
        Load();
}

bool TFieldDataLink::UserChanged(bool storeNow, const std::function<void()> &after)
{
    try {
        if (!Edit()) {
            Reset();
            return false;
        }
        if (storeNow) {
            UpdateRecord();
            if (after)
                after();
        }
        return true;
    } catch (...) {
        Reset();
        Application()->HandleException(std::current_exception());
        return false;
    }
}

int TFieldDataLink::TextLimit(const TField *field)
{
    const auto *text = dynamic_cast<const TStringField *>(field);
    return text && !text->OnSetText && text->Size() > 0 ? text->Size() : 0;
}
