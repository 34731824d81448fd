#pragma once

#include <QStringList>

// The months as the plan reports name them: codes of the month-flag columns ("ENE" ... "DIC") and
// the names printed over them ("ENERO" ... "DICIEMBRE"), in calendar order.
namespace TReportMonths {
inline const QStringList &Codes()
{
    static const QStringList codes = {QStringLiteral("ENE"), QStringLiteral("FEB"), QStringLiteral("MAR"),
                                      QStringLiteral("ABR"), QStringLiteral("MAY"), QStringLiteral("JUN"),
                                      QStringLiteral("JUL"), QStringLiteral("AGO"), QStringLiteral("SEP"),
                                      QStringLiteral("OCT"), QStringLiteral("NOV"), QStringLiteral("DIC")};
    return codes;
}
inline const QStringList &Names()
{
    static const QStringList names = {
        QStringLiteral("ENERO"),   QStringLiteral("FEBRERO"),   QStringLiteral("MARZO"),
        QStringLiteral("ABRIL"),   QStringLiteral("MAYO"),      QStringLiteral("JUNIO"),
        QStringLiteral("JULIO"),   QStringLiteral("AGOSTO"),    QStringLiteral("SEPTIEMBRE"),
        QStringLiteral("OCTUBRE"), QStringLiteral("NOVIEMBRE"), QStringLiteral("DICIEMBRE")};
    return names;
}
} // namespace TReportMonths
