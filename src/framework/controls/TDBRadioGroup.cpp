#include "controls/TDBRadioGroup.h"

#include "TApplication.h"
#include "controls/TFieldDataLink.h"
#include "dataset/TField.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

TDBRadioGroup::TDBRadioGroup(QWidget *parent, const QString &name)
    : QGroupBox(parent), m_link(new TFieldDataLink(this)), m_buttons(new QButtonGroup(this)),
      m_grid(new QGridLayout(this))
{
    setObjectName(name);
    m_grid->setContentsMargins(6, 4, 6, 4);
    m_grid->setVerticalSpacing(2);
    m_link->Load = [this] { Reload(); };
    m_link->Store = [this] {
        const int index = ItemIndex();
        if (index < 0)
            m_link->Field()->Clear();
        else
            m_link->Field()->SetAsString(m_values.value(index));
    };
    m_link->StateChanged = [this] { UpdateLook(); };
    connect(m_buttons, &QButtonGroup::idClicked, this, [this](int) { m_link->UserChanged(true); });
}

void TDBRadioGroup::SetItems(const QStringList &items, const QStringList &values, int columns)
{
    for (QAbstractButton *b : m_buttons->buttons()) {
        m_buttons->removeButton(b);
        delete b;
    }
    m_items = items;
    m_values = values;
    m_columns = qMax(1, columns);
    const int rows = int((items.size() + m_columns - 1) / m_columns);
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items.at(i), this);
        m_buttons->addButton(button, i);
        m_grid->addWidget(button, rows ? i % rows : 0, rows ? i / rows : 0);
    }
    Reload();
    UpdateLook();
}

int TDBRadioGroup::ItemIndex() const
{
    return m_buttons->checkedId();
}

TDataSource *TDBRadioGroup::DataSource() const
{
    return m_link->DataSource();
}

void TDBRadioGroup::SetDataSource(TDataSource *source)
{
    m_link->SetDataSource(source);
}

QString TDBRadioGroup::DataField() const
{
    return m_link->FieldName();
}

void TDBRadioGroup::SetDataField(const QString &field)
{
    m_link->SetFieldName(field);
}

TField *TDBRadioGroup::Field() const
{
    return m_link->Field();
}

void TDBRadioGroup::Reload()
{
    TField *f = m_link->Field();
    const int index = f && !f->IsNull() ? int(m_values.indexOf(f->AsString())) : -1;
    // An exclusive group cannot be emptied by unchecking; lift exclusivity for that moment.
    m_buttons->setExclusive(false);
    for (QAbstractButton *b : m_buttons->buttons())
        b->setChecked(m_buttons->id(b) == index);
    m_buttons->setExclusive(true);
}

void TDBRadioGroup::UpdateLook()
{
    const bool readOnly = m_link->ReadOnly();
    for (QAbstractButton *b : m_buttons->buttons())
        b->setEnabled(!readOnly);
}
