#include "TDtmSoMaleg.h"

#include "SysUtils.h"
#include "TApplication.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TField.h"
#include "dataset/TStringField.h"

QString TDtmSoMaleg::VerDigiFlags(const QString &VariableCode)
{
    const int company = Application()->Tag;
    QryTemporal->Close();
    QryTemporal->SetSQL({QStringLiteral(" SELECT PAI_EMPR, COD_DIFL"), QStringLiteral("  FROM GN_EMPRE"),
                         QStringLiteral(" WHERE COD_EMPR = :PSMCOD_EMPR")});
    QryTemporal->ParamByName(QStringLiteral("PSMCOD_EMPR")).SetAsSmallInt(company);
    QryTemporal->Open();
    const qint16 country = qint16(QryTemporal->FieldByName(QStringLiteral("PAI_EMPR"))->AsInteger());
    TField *flagCompany = QryTemporal->FieldByName(QStringLiteral("COD_DIFL"));
    const qint16 flagCompanyCode = flagCompany->IsNull() ? qint16(company) : qint16(flagCompany->AsInteger());
    QryTemporal->Close();

    QString value;
    try {
        QryGnDigif->Close();
        QryGnDigif->ParamByName(QStringLiteral("PCODVARI")).SetAsString(VariableCode);
        QryGnDigif->ParamByName(QStringLiteral("PCODPAIS")).SetAsSmallInt(country);
        QryGnDigif->ParamByName(QStringLiteral("PCODEMPR")).SetAsSmallInt(flagCompanyCode);
        QryGnDigif->Open();
        value = QryGnDigif->IsEmpty() ? QStringLiteral("N") : QryGnDigifVAL_VARI->AsString().trimmed();
    } catch (const std::exception &e) {
        QString reason;
        if (const auto *ex = dynamic_cast<const Exception *>(&e))
            reason = ex->Message();
        else
            reason = QString::fromUtf8(e.what());
        QString quoted = VariableCode;
        quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
        throw Exception(QStringLiteral("Error leyendo DIGIFLAG '%1': %2").arg(quoted, reason));
    }
    QryGnDigif->Close();
    return value;
}
