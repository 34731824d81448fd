#pragma once

#include <QString>

// How a criterion compares a field with its value.
enum class TQbeOperator { Equal, NotEqual, Greater, GreaterOrEqual, Less, LessOrEqual, Contains, StartsWith };

// One condition of a query by example: field, operator and the value as the user typed it.
struct TQbeCriterion
{
    QString Field;
    TQbeOperator Operator = TQbeOperator::Equal;
    QString Value;

    bool operator==(const TQbeCriterion &) const = default;
};
