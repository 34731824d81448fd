#include "controls/TQsCmbCodigo.h"

TQsCmbCodigo::TQsCmbCodigo(QWidget *parent, const QString &name) : QComboBox(parent)
{
    setObjectName(name);
}

QStringList TQsCmbCodigo::Items() const
{
    QStringList items;
    for (int i = 0; i < count(); ++i)
        items << itemText(i);
    return items;
}

void TQsCmbCodigo::SetItems(const QStringList &items, const QStringList &codigos)
{
    const QSignalBlocker block(this);
    clear();
    m_codigos.clear();
    for (qsizetype i = 0; i < items.size(); ++i)
        Add(items.at(i), codigos.value(i));
    setCurrentIndex(-1);
}

void TQsCmbCodigo::Clear()
{
    const QSignalBlocker block(this);
    clear();
    m_codigos.clear();
}

void TQsCmbCodigo::Add(const QString &item, const QString &codigo)
{
    addItem(item);
    m_codigos << codigo;
}

QString TQsCmbCodigo::Codigo() const
{
    return m_codigos.value(currentIndex());
}

bool TQsCmbCodigo::SetCodigo(const QString &codigo)
{
    const int index = int(m_codigos.indexOf(codigo));
    setCurrentIndex(index);
    return index >= 0;
}
