#include "TDtmSoMaleg.h"

#include "SysUtils.h"
#include "TApplication.h"
#include "TSqlText.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TDateTimeField.h"
#include "dataset/TField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TParam.h"
#include "dataset/TParams.h"
#include "dataset/TSmallintField.h"

// The activity counts and the annual goal, run on the scratch dataset QryTemporal with SQL built here.
// Column names are written into the SQL as given: callers pass only the fixed month-flag and goal
// column names.

namespace {

// The condition of the evaluation query that precedes the conditions unified counting reuses.
const QString kUnifiedJoin = QStringLiteral("MA.COD_AREA = AR.COD_AREA");
const QString kUnifiedMarker = kUnifiedJoin + QStringLiteral(" AND");

// The conditions of the evaluation query after the marker and the one character that follows it,
// without an ordering clause. Without the marker, or with nothing after it, the count would be an
// invalid query: it is refused here with a message instead of being sent.
QString unifiedConditions(const QString &sql)
{
    const TSqlText text(sql, TSqlText::TDialect::Either);
    int markerEnd = -1;
    const int start = text.IndexOf(kUnifiedMarker, 0, &markerEnd) < 0 ? int(sql.size()) : markerEnd + 1;
    const int order = text.IndexOf(QStringLiteral("ORDER BY"), start);
    const QString conditions = sql.mid(start, order < 0 ? -1 : order - start);
    if (conditions.trimmed().isEmpty())
        throw Exception(QStringLiteral("No es posible contar las actividades del plan unificado: la consulta de "
                                       "evaluaciones no tiene condiciones después de \"%1\".")
                            .arg(kUnifiedMarker));
    return conditions;
}

// The main query's tables and join conditions: from its FROM to the end of the marker's first
// condition.
QString unifiedJoins(const QString &sql)
{
    const TSqlText text(sql, TSqlText::TDialect::Either);
    const int start = text.IndexOf(QStringLiteral("FROM"));
    int end = -1;
    const int marker = text.IndexOf(kUnifiedMarker);
    const int at = marker < 0 ? -1 : text.IndexOf(kUnifiedJoin, marker, &end);
    if (at < 0 || start < 0 || start > at)
        throw Exception(QStringLiteral("No es posible contar las actividades del plan unificado: la consulta de "
                                       "evaluaciones no tiene la forma esperada."));
    return sql.mid(start, end - start) + QLatin1Char(' ');
}

} // namespace

int TDtmSoMaleg::TotalActiv(const QString &Column)
{
    const int company = Application()->Tag;
    QryTemporal->Close();
    if (!ImprimePlanUnificado()) {
        QryTemporal->SetSQL({QStringLiteral(" SELECT COUNT(") + Column + QStringLiteral(") AS ") + Column +
                             QStringLiteral(" FROM SO_PLASS ") + QStringLiteral(" WHERE COD_EMPR =:PCODEMPR AND ") +
                             Column + QStringLiteral(" =:") + Column +
                             QStringLiteral(" AND   FEC_PROC =:PFECPROC AND RMT_PAMA =:PRMTPAMA ") +
                             QStringLiteral(" AND   RMT_DEPA =:PRMTDEPA AND RMT_ESTA =:PRMTESTA ") +
                             QStringLiteral(" AND   RMT_ITES =:PRMTITES ")});
        SetItemParams(*QryTemporal);
        QryTemporal->ParamByName(Column).SetAsString(QStringLiteral("S"));
        QryTemporal->Open();
        return QryTemporal->FieldByName(Column)->AsInteger();
    }

    // Every activity of the evaluation records the main query selects: inside an EXISTS, the main
    // query's own tables and joins (so its conditions may name any of them: PA., DI., AR. ...) and
    // its own conditions, area included.
    const QString mainSql = QrySoMaleg->CommandText();
    const QString conditions = unifiedConditions(mainSql);
    const QString sql = QStringLiteral("SELECT COUNT(") + Column + QStringLiteral(") AS ") + Column +
                        QStringLiteral(" FROM SO_PLASS A ") + QStringLiteral("WHERE A.COD_EMPR = :P_COD_EMPR ") +
                        QStringLiteral("  AND A.") + Column + QStringLiteral(" =:") + Column +
                        QStringLiteral("  AND EXISTS (SELECT * ") + unifiedJoins(mainSql) +
                        QStringLiteral("                AND A.COD_EMPR = MA.COD_EMPR ") +
                        QStringLiteral("                AND A.FEC_PROC = MA.FEC_PROC ") +
                        QStringLiteral("                AND A.RMT_PAMA = MA.RMT_PAMA ") +
                        QStringLiteral("                AND A.RMT_DEPA = MA.RMT_DEPA ") +
                        QStringLiteral("                AND A.RMT_ESTA = MA.RMT_ESTA ") +
                        QStringLiteral("                AND A.RMT_ITES = MA.RMT_ITES ") +
                        QStringLiteral("                AND A.COD_AREA = MA.COD_AREA ") +
                        QStringLiteral("                AND ") + conditions + QStringLiteral(")");
    QryTemporal->SetCommandText(sql);
    if (TParam *start = QryTemporal->Params().FindParam(QStringLiteral("PDT_ACT_HORA_INIC")))
        start->SetAsDateTime(FechaIniActividad);
    if (TParam *end = QryTemporal->Params().FindParam(QStringLiteral("PDT_ACT_HORA_FINA")))
        end->SetAsDateTime(FechaFinActividad);
    // Any other parameter of the main query's conditions (one the query by example set) keeps the
    // value it has there.
    for (int i = 0; i < QryTemporal->Params().Count(); ++i) {
        TParam &param = QryTemporal->Params().Items(i);
        if (param.Name.startsWith(QStringLiteral("PDT_ACT_HORA_"), Qt::CaseInsensitive))
            continue;
        if (const TParam *own = QrySoMaleg->Params().FindParam(param.Name)) {
            param.DataType = own->DataType;
            param.SetValue(own->Value);
        }
    }
    QryTemporal->ParamByName(QStringLiteral("P_COD_EMPR")).SetAsSmallInt(company);
    QryTemporal->ParamByName(Column).SetAsString(QStringLiteral("S"));
    QryTemporal->Open();
    const int count = QryTemporal->FieldByName(Column)->AsInteger();
    // Without a registered report module the count is returned and accumulated nowhere.
    if (Column.contains(QStringLiteral("PLAN"))) {
        if (RegTotProgr)
            *RegTotProgr += count;
    } else if (Column.contains(QStringLiteral("EJEC"))) {
        if (RegTotEjecu)
            *RegTotEjecu += count;
    }
    return count;
}

double TDtmSoMaleg::MetaAnual(const QString &Column)
{
    QryTemporal->Close();
    QryTemporal->SetSQL({QStringLiteral(" SELECT SUM(") + Column + QStringLiteral(") AS ") + Column +
                         QStringLiteral(" FROM SO_PLASS ") +
                         QStringLiteral(" WHERE COD_EMPR =:PCODEMPR AND FEC_PROC =:PFECPROC ") +
                         QStringLiteral("   AND RMT_PAMA =:PRMTPAMA AND RMT_DEPA =:PRMTDEPA ") +
                         QStringLiteral("   AND RMT_ESTA =:PRMTESTA AND RMT_ITES =:PRMTITES ")});
    SetItemParams(*QryTemporal);
    QryTemporal->Open();
    const int loaded = QrySoPlass->RecordCount();
    if (loaded == 0)
        return 0;
    return double(QryTemporal->FieldByName(Column)->AsInteger()) / double(loaded);
}
