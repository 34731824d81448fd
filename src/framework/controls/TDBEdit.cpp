#include "controls/TDBEdit.h"

#include "TApplication.h"
#include "controls/ControlStyle.h"
#include "controls/TFieldDataLink.h"
#include "dataset/TField.h"

#include <QKeyEvent>

TDBEdit::TDBEdit(QWidget *parent, const QString &name) : QLineEdit(parent), m_link(new TFieldDataLink(this))
{
    setObjectName(name);
    m_link->Load = [this] {
        TField *f = m_link->Field();
        // Input stops at what the field keeps; nothing is cut when the text is stored.
        const int limit = TFieldDataLink::TextLimit(f);
        setMaxLength(limit > 0 ? limit : 32767);
        setText(!f ? QString() : (m_link->Editing() ? f->Text() : f->DisplayText()));
        setCursorPosition(0);
        // A read-only edit may be too narrow for its description: the whole text is the tooltip.
        setToolTip(isReadOnly() ? text() : QString());
    };
    m_link->Store = [this] { m_link->Field()->SetText(text()); };
    m_link->StateChanged = [this] { UpdateLook(); };
    connect(this, &QLineEdit::textEdited, this, [this] { m_link->UserChanged(false); });
    UpdateLook();
}

TDataSource *TDBEdit::DataSource() const
{
    return m_link->DataSource();
}

void TDBEdit::SetDataSource(TDataSource *source)
{
    m_link->SetDataSource(source);
}

QString TDBEdit::DataField() const
{
    return m_link->FieldName();
}

void TDBEdit::SetDataField(const QString &field)
{
    m_link->SetFieldName(field);
}

TField *TDBEdit::Field() const
{
    return m_link->Field();
}

void TDBEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    Application()->Guard([&] { m_link->UpdateRecord(); });
}

void TDBEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && m_link->Modified()) {
        m_link->Reset();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_link->UpdateRecord();
        selectAll();
    }
    QLineEdit::keyPressEvent(event);
}

void TDBEdit::SetReadOnlyControl(bool readOnly)
{
    m_readOnlyControl = readOnly;
    UpdateLook();
}

void TDBEdit::UpdateLook()
{
    const bool readOnly = m_readOnlyControl || m_link->ReadOnly();
    setReadOnly(readOnly);
    ControlStyle::ApplyReadOnly(this, readOnly);
    setToolTip(readOnly ? text() : QString());
}
