#include "controls/TDBMemo.h"

#include "TApplication.h"
#include "controls/ControlStyle.h"
#include "controls/TFieldDataLink.h"
#include "dataset/TField.h"

TDBMemo::TDBMemo(QWidget *parent, const QString &name) : QPlainTextEdit(parent), m_link(new TFieldDataLink(this))
{
    setObjectName(name);
    setTabChangesFocus(true);
    m_link->Load = [this] {
        TField *f = m_link->Field();
        // Without a limit of its own the memo takes what its field keeps.
        if (MaxLength <= 0 || MaxLength == m_fieldLimit)
            MaxLength = m_fieldLimit = TFieldDataLink::TextLimit(f);
        m_loading = true;
        setPlainText(f ? f->AsString() : QString());
        m_loading = false;
    };
    m_link->Store = [this] {
        QString text = toPlainText();
        if (MaxLength > 0)
            text.truncate(MaxLength);
        m_link->Field()->SetAsString(text);
    };
    m_link->StateChanged = [this] { UpdateLook(); };
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_loading)
            m_link->UserChanged(false);
    });
    UpdateLook();
}

TDataSource *TDBMemo::DataSource() const
{
    return m_link->DataSource();
}

void TDBMemo::SetDataSource(TDataSource *source)
{
    m_link->SetDataSource(source);
}

QString TDBMemo::DataField() const
{
    return m_link->FieldName();
}

void TDBMemo::SetDataField(const QString &field)
{
    m_link->SetFieldName(field);
}

TField *TDBMemo::Field() const
{
    return m_link->Field();
}

void TDBMemo::focusOutEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusOutEvent(event);
    Application()->Guard([&] { m_link->UpdateRecord(); });
}

void TDBMemo::UpdateLook()
{
    const bool readOnly = m_link->ReadOnly();
    setReadOnly(readOnly);
    ControlStyle::ApplyReadOnly(this, readOnly);
}
