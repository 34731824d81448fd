#pragma once

#include <QObject>

// A non-visual container of datasets and data sources, owned by a component owner.
class TDataModule : public QObject
{
    Q_OBJECT
public:
    // Registers the data module with its owner (usually the application object).
    explicit TDataModule(QObject *owner, const QString &name);
    ~TDataModule() override;

    QObject *Owner() const { return m_owner; }

private:
    QObject *m_owner;
};
