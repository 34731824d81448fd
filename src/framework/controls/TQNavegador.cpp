#include "controls/TQNavegador.h"

#include "TApplication.h"
#include "TPrompts.h"
#include "dataset/TDataSet.h"
#include "dataset/TDataSource.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QToolButton>

namespace {
struct ButtonInfo
{
    TNavigateBtn button;
    const char16_t *glyph;
    const char16_t *hint;
};
const ButtonInfo kButtons[] = {
    {nbFirst, u"|◀", u"Primero"},    {nbPrior, u"◀", u"Anterior"},  {nbNext, u"▶", u"Siguiente"},
    {nbLast, u"▶|", u"Último"},      {nbInsert, u"+", u"Insertar"}, {nbDelete, u"−", u"Eliminar"},
    {nbEdit, u"✎", u"Modificar"},    {nbPost, u"✔", u"Grabar"},     {nbCancel, u"✖", u"Cancelar"},
    {nbRefresh, u"⟳", u"Refrescar"},
};
} // namespace

TQNavegador::TQNavegador(QWidget *parent, const QString &name) : QWidget(parent)
{
    setObjectName(name);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    for (const ButtonInfo &info : kButtons) {
        auto *b = new QToolButton(this);
        b->setText(QString::fromUtf16(info.glyph));
        b->setToolTip(QString::fromUtf16(info.hint));
        b->setAutoRaise(true);
        b->setMinimumWidth(26);
        layout->addWidget(b);
        m_buttons.insert(info.button, b);
        const TNavigateBtn which = info.button;
        connect(b, &QToolButton::clicked, this, [this, which] { Application()->Guard([&] { BtnClick(which); }); });
    }
    layout->addStretch();
    SetVisibleButtons(nbFirst | nbPrior | nbNext | nbLast | nbInsert | nbDelete | nbEdit | nbPost | nbCancel |
                      nbRefresh);
}

void TQNavegador::SetDataSource(TDataSource *source)
{
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_source = source;
    if (source) {
        m_connections << connect(source, &TDataSource::stateChanged, this, &TQNavegador::UpdateButtons);
        m_connections << connect(source, &TDataSource::dataSetChanged, this, &TQNavegador::UpdateButtons);
        m_connections << connect(source, &QObject::destroyed, this, [this] {
            m_source = nullptr;
            UpdateButtons();
        });
    }
    UpdateButtons();
}

void TQNavegador::SetVisibleButtons(TNavButtonSet buttons)
{
    m_visible = buttons;
    for (auto it = m_buttons.cbegin(); it != m_buttons.cend(); ++it)
        it.value()->setVisible(buttons.testFlag(it.key()));
}

void TQNavegador::BtnClick(TNavigateBtn button)
{
    TDataSet *ds = m_source ? m_source->DataSet() : nullptr;
    if (!ds || !ds->Active())
        return;
    switch (button) {
    case nbFirst:
        ds->First();
        break;
    case nbPrior:
        ds->Prior();
        break;
    case nbNext:
        ds->Next();
        break;
    case nbLast:
        ds->Last();
        break;
    case nbInsert:
        ds->Insert();
        break;
    case nbEdit:
        ds->Edit();
        break;
    case nbPost:
        ds->Post();
        break;
    case nbCancel:
        ds->Cancel();
        break;
    case nbRefresh:
        ds->Refresh();
        break;
    case nbDelete: {
        const QString question = QStringLiteral("¿Eliminar el registro?");
        bool agreed = true;
        if (ConfirmDelete)
            agreed = Application()->Prompts().Question(question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No,
                                                       this) == QMessageBox::Yes;
        if (!agreed)
            return;
        ds->Delete();
        break;
    }
    }
    UpdateButtons();
    if (AfterAction)
        AfterAction(button);
}

void TQNavegador::UpdateButtons()
{
    TDataSet *ds = m_source ? m_source->DataSet() : nullptr;
    const TDataSetState state = m_source ? m_source->State() : dsInactive;
    const bool browsing = state == dsBrowse;
    const bool editing = state == dsEdit || state == dsInsert;
    const bool hasRows = ds && state != dsInactive && !ds->IsEmpty();
    const bool canModify = ds && !ds->ReadOnly;
    const bool atStart = !hasRows || ds->Bof() || ds->RecNo() <= 1;
    const bool atEnd = !hasRows || ds->Eof() || ds->RecNo() >= ds->RecordCount();
    m_buttons[nbFirst]->setEnabled(browsing && !atStart);
    m_buttons[nbPrior]->setEnabled(browsing && !atStart);
    m_buttons[nbNext]->setEnabled(browsing && !atEnd);
    m_buttons[nbLast]->setEnabled(browsing && !atEnd);
    m_buttons[nbInsert]->setEnabled(canModify && state != dsInactive);
    m_buttons[nbDelete]->setEnabled(canModify && hasRows);
    m_buttons[nbEdit]->setEnabled(canModify && browsing && hasRows);
    m_buttons[nbPost]->setEnabled(canModify && editing);
    m_buttons[nbCancel]->setEnabled(canModify && editing);
    m_buttons[nbRefresh]->setEnabled(browsing);
}
