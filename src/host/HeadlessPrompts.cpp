#include "HeadlessPrompts.h"

#include <QDialog>
#include <QVariant>

HeadlessPrompts::HeadlessPrompts(int itemIndex) : m_itemIndex(itemIndex)
{}

int HeadlessPrompts::ShowModal(QDialog &dialog)
{
    if (!dialog.property("ItemIndex").isValid())
        return QDialog::Rejected;
    dialog.setProperty("ItemIndex", m_itemIndex);
    return QDialog::Accepted;
}
