#include "TDtmSoMaleg.h"

#include "SDCOMConnection.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TFieldFormat.h"

TDtmSoMaleg *DtmSoMaleg = nullptr;

TDtmSoMaleg::TDtmSoMaleg(QObject *owner)
    : TDataModule(owner, QStringLiteral("DtmSoMaleg")), FechaIniActividad(TFieldFormat::DoubleToDateTime(0)),
      FechaFinActividad(TFieldFormat::DoubleToDateTime(0))
{
    // Declaration order is the order of the module's components (and of its QObject children).
    DefineQrySoMaleg();
    DefineLookups();
    DefineQrySoParam();
    DefineQrySoSemon();
    DefineQrySoPlass();
    QrySoPlanear = DefineCyclePlan(QStringLiteral("QrySoPlanear"), QStringLiteral("DtsPSoPlanear"));
    QrySoHacer = DefineCyclePlan(QStringLiteral("QrySoHacer"), QStringLiteral("DtsPSoHacer"));
    QrySoActuar = DefineCyclePlan(QStringLiteral("QrySoActuar"), QStringLiteral("DtsPSoActuar"));
    QrySoVerificar = DefineCyclePlan(QStringLiteral("QrySoVerificar"), QStringLiteral("DtsPSoVerificar"));
    DefineDataSources();
    DefineGoalDataSets();
    DataModuleCreate(this);
}

TDtmSoMaleg::~TDtmSoMaleg() = default;

SClientDataSet *TDtmSoMaleg::NewRemoteDataSet(const QString &name, const QString &providerName)
{
    auto *dataSet = new SClientDataSet(this, name);
    dataSet->ProviderName = providerName;
    dataSet->Company = 0;
    dataSet->SAuditFields = false;
    return dataSet;
}

void TDtmSoMaleg::SetRemoteServer(SDCOMConnection *connection)
{
    for (SClientDataSet *dataSet : findChildren<SClientDataSet *>(Qt::FindDirectChildrenOnly))
        if (!dataSet->ProviderName.isEmpty())
            dataSet->RemoteServer = connection;
}

void TDtmSoMaleg::DataModuleCreate(QObject *)
{
    SeguimientoAutomatico = false;
    QrySoMaleg->AfterScroll = [this](TDataSet &DataSet) { QrySoMalegAfterScroll(DataSet); };
    BindPlanAndFollowUp();
}
