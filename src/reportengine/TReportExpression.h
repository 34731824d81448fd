#pragma once

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

class IReportDataSet;
class TReport;

// A parsed expression of a memo, evaluated against the rows the engine stands on.
struct TExprNode
{
    enum Op { Const, Field, Var, Neg, Not, Add, Sub, Mul, Div, Eq, Ne, Lt, Gt, Le, Ge, And, Or, Call, Aggregate };
    Op op = Const;
    QVariant value;                    // Const
    IReportDataSet *dataSet = nullptr; // Field
    QString name;                      // Field: the field; Var: the variable; Call/Aggregate: upper-case name
    QString bandName;                  // Aggregate: the data band counted
    int aggregateId = -1;              // Aggregate: the engine's accumulator
    std::vector<std::unique_ptr<TExprNode>> args;
};

// What evaluation asks of the run.
class TExprContext
{
public:
    virtual ~TExprContext() = default;
    // System variables and report variables; raises EReportError for an unknown name.
    virtual QVariant Variable(const QString &name) = 0;
    virtual QVariant CallFunction(const QString &upperName, const QVariantList &args) = 0;
    virtual QVariant AggregateValue(const TExprNode &node) = 0;
};

// Memo text: literal parts and bracketed expressions.
struct TTextTemplate
{
    struct Part
    {
        QString literal;
        std::unique_ptr<TExprNode> expr; // null: literal
        QString source;                  // the bracket's text, for messages
        bool fieldText = false;          // the whole bracket is Dataset."FIELD": its display text
        bool totalPages = false;         // the whole bracket is TOTALPAGES#
    };
    std::vector<Part> parts;
    bool constant = true; // no expression at all
};

namespace TReportExpression {
// Parses memo text; raises EReportError naming the report and the expression. Aggregates found are
// appended to aggregates (they are counted by the engine).
std::unique_ptr<TTextTemplate> ParseTemplate(const TReport &report, const QString &text,
                                             std::vector<TExprNode *> *aggregates);
std::unique_ptr<TExprNode> Parse(const TReport &report, const QString &expression,
                                 std::vector<TExprNode *> *aggregates);
QVariant Evaluate(const TExprNode &node, TExprContext &context);
// Numbers of both kinds read as a double; text that is a number too.
double ToDouble(const QVariant &value);
bool IsNumber(const QVariant &value);
} // namespace TReportExpression
