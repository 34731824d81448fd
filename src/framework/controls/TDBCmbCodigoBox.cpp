#include "controls/TDBCmbCodigoBox.h"

#include "TApplication.h"
#include "controls/ControlStyle.h"
#include "controls/TFieldDataLink.h"
#include "dataset/TField.h"

TDBCmbCodigoBox::TDBCmbCodigoBox(QWidget *parent, const QString &name)
    : TQsCmbCodigo(parent, name), m_link(new TFieldDataLink(this))
{
    m_link->Load = [this] { Reload(); };
    m_link->Store = [this] {
        const QString code = Codigo();
        if (code.isEmpty())
            m_link->Field()->Clear();
        else
            m_link->Field()->SetAsString(code);
    };
    m_link->StateChanged = [this] { UpdateLook(); };
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int) {
        m_link->UserChanged(true, [this] {
            if (OnChange)
                OnChange(this);
        });
    });
    UpdateLook();
}

TDataSource *TDBCmbCodigoBox::DataSource() const
{
    return m_link->DataSource();
}

void TDBCmbCodigoBox::SetDataSource(TDataSource *source)
{
    m_link->SetDataSource(source);
}

QString TDBCmbCodigoBox::DataField() const
{
    return m_link->FieldName();
}

void TDBCmbCodigoBox::SetDataField(const QString &field)
{
    m_link->SetFieldName(field);
}

TField *TDBCmbCodigoBox::Field() const
{
    return m_link->Field();
}

void TDBCmbCodigoBox::Reload()
{
    const QSignalBlocker block(this);
    TField *f = m_link->Field();
    SetCodigo(f && !f->IsNull() ? f->AsString() : QString());
}

void TDBCmbCodigoBox::UpdateLook()
{
    const bool readOnly = m_link->ReadOnly();
    setEnabled(!readOnly || m_link->Field());
    ControlStyle::ApplyReadOnly(this, readOnly);
}
