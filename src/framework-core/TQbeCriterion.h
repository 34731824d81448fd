#pragma once

#include <QString>

// One condition entered in the query-by-example dialog: field, operator and value as typed.
struct TQbeCriterion
{
    QString Field;
    QString Operator; // "=", "<>", ">", ">=", "<", "<=", "contiene", "empieza por"
    QString Value;
};
