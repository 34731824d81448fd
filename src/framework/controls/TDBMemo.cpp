#include "controls/TDBMemo.h"

#include "TApplication.h"
#include "controls/ControlStyle.h"
#include "controls/TFieldDataLink.h"
#include "dataset/TField.h"

#include <QTextCursor>
#include <algorithm>

TDBMemo::TDBMemo(QWidget *parent, const QString &name) : QPlainTextEdit(parent), m_link(new TFieldDataLink(this))
{
    setObjectName(name);
    setTabChangesFocus(true);
    m_link->Load = [this] {
        TField *f = m_link->Field();
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
        if (m_loading)
            return;
        KeepWithinMaxLength();
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

// Input stops at MaxLength: what was just typed or pasted beyond it is taken back at the cursor, so
// the text never holds more than the field keeps and nothing is cut silently when it is posted.
void TDBMemo::KeepWithinMaxLength()
{
    const int excess = MaxLength > 0 ? int(toPlainText().size()) - MaxLength : 0;
    if (excess <= 0)
        return;
    QTextCursor cursor = textCursor();
    const int end = cursor.position();
    cursor.setPosition(std::max(0, end - excess));
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    m_loading = true;
    cursor.removeSelectedText();
    // A text placed before the cursor moved cannot be taken back there: keep its first MaxLength.
    if (toPlainText().size() > MaxLength)
        setPlainText(toPlainText().left(MaxLength));
    m_loading = false;
    setTextCursor(cursor);
}

void TDBMemo::UpdateLook()
{
    const bool readOnly = m_link->ReadOnly();
    setReadOnly(readOnly);
    ControlStyle::ApplyReadOnly(this, readOnly);
}
