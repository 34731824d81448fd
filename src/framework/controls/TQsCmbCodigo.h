#pragma once

#include <QComboBox>
#include <QStringList>

// A drop-down list whose entries carry codes: Codigos[i] is the code of Items[i].
class TQsCmbCodigo : public QComboBox
{
    Q_OBJECT
public:
    explicit TQsCmbCodigo(QWidget *parent = nullptr, const QString &name = QString());

    QStringList Items() const;
    QStringList Codigos() const { return m_codigos; }
    // Replaces the entries; both lists are taken in step (a missing code is empty).
    void SetItems(const QStringList &items, const QStringList &codigos);
    void Clear();
    void Add(const QString &item, const QString &codigo);

    // The code of the selected entry; empty when none is selected.
    QString Codigo() const;
    // Selects the entry with the code; none when no entry has it. Returns whether one was found.
    bool SetCodigo(const QString &codigo);

private:
    QStringList m_codigos;
};
