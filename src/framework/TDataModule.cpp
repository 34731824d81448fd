#include "TDataModule.h"

#include "TApplication.h"

TDataModule::TDataModule(QObject *owner, const QString &name) : m_owner(owner)
{
    setObjectName(name);
    if (auto *app = qobject_cast<TApplication *>(owner))
        app->InsertComponent(this);
}

TDataModule::~TDataModule() = default;
