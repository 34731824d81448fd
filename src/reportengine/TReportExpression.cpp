#include "TReportExpression.h"

#include "IReportDataSet.h"
#include "TReport.h"

#include <QDateTime>
#include <cmath>

namespace {

const QStringList &aggregateNames()
{
    static const QStringList names = {QStringLiteral("SUM"), QStringLiteral("COUNT"), QStringLiteral("AVG"),
                                      QStringLiteral("MIN"), QStringLiteral("MAX")};
    return names;
}

const QStringList &builtinFunctions()
{
    static const QStringList names = {QStringLiteral("UPPERCASE"), QStringLiteral("LOWERCASE"), QStringLiteral("TRIM"),
                                      QStringLiteral("LENGTH"), QStringLiteral("IIF")};
    return names;
}

// Recursive-descent reader of one expression.
class Parser
{
public:
    Parser(const TReport &report, const QString &text, std::vector<TExprNode *> *aggregates)
        : m_report(report), m_text(text), m_aggregates(aggregates)
    {}

    std::unique_ptr<TExprNode> ParseAll()
    {
        auto node = ParseOr();
        SkipSpaces();
        if (m_pos < m_text.size())
            Fail(QStringLiteral("sobra \"%1\"").arg(m_text.mid(m_pos)));
        return node;
    }

    [[noreturn]] void Fail(const QString &why) const
    {
        throw EReportError(
            QStringLiteral("El reporte \"%1\" no puede leer la expresión \"%2\": %3.").arg(m_report.Name, m_text, why));
    }

private:
    using Node = std::unique_ptr<TExprNode>;

    static Node Make(TExprNode::Op op)
    {
        auto n = std::make_unique<TExprNode>();
        n->op = op;
        return n;
    }
    static Node Binary(TExprNode::Op op, Node a, Node b)
    {
        auto n = Make(op);
        n->args.push_back(std::move(a));
        n->args.push_back(std::move(b));
        return n;
    }

    void SkipSpaces()
    {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
            ++m_pos;
    }
    bool Peek(const QString &s)
    {
        SkipSpaces();
        return m_text.mid(m_pos, s.size()).compare(s, Qt::CaseInsensitive) == 0;
    }
    bool Take(const QString &s)
    {
        if (!Peek(s))
            return false;
        m_pos += int(s.size());
        return true;
    }
    bool TakeWord(const QString &word)
    {
        SkipSpaces();
        const int end = m_pos + int(word.size());
        if (m_text.mid(m_pos, word.size()).compare(word, Qt::CaseInsensitive) != 0)
            return false;
        if (end < m_text.size() && (m_text.at(end).isLetterOrNumber() || m_text.at(end) == QLatin1Char('_')))
            return false;
        m_pos = end;
        return true;
    }

    Node ParseOr()
    {
        Node left = ParseAnd();
        while (TakeWord(QStringLiteral("or")))
            left = Binary(TExprNode::Or, std::move(left), ParseAnd());
        return left;
    }
    Node ParseAnd()
    {
        Node left = ParseComparison();
        while (TakeWord(QStringLiteral("and")))
            left = Binary(TExprNode::And, std::move(left), ParseComparison());
        return left;
    }
    Node ParseComparison()
    {
        Node left = ParseAdditive();
        static const std::pair<const char *, TExprNode::Op> ops[] = {{"<>", TExprNode::Ne}, {"<=", TExprNode::Le},
                                                                     {">=", TExprNode::Ge}, {"=", TExprNode::Eq},
                                                                     {"<", TExprNode::Lt},  {">", TExprNode::Gt}};
        for (const auto &[text, op] : ops)
            if (Take(QString::fromLatin1(text)))
                return Binary(op, std::move(left), ParseAdditive());
        return left;
    }
    Node ParseAdditive()
    {
        Node left = ParseTerm();
        for (;;) {
            if (Take(QStringLiteral("+")))
                left = Binary(TExprNode::Add, std::move(left), ParseTerm());
            else if (Take(QStringLiteral("-")))
                left = Binary(TExprNode::Sub, std::move(left), ParseTerm());
            else
                return left;
        }
    }
    Node ParseTerm()
    {
        Node left = ParseUnary();
        for (;;) {
            if (Take(QStringLiteral("*")))
                left = Binary(TExprNode::Mul, std::move(left), ParseUnary());
            else if (Take(QStringLiteral("/")))
                left = Binary(TExprNode::Div, std::move(left), ParseUnary());
            else
                return left;
        }
    }
    Node ParseUnary()
    {
        if (Take(QStringLiteral("-"))) {
            auto n = Make(TExprNode::Neg);
            n->args.push_back(ParseUnary());
            return n;
        }
        if (TakeWord(QStringLiteral("not"))) {
            auto n = Make(TExprNode::Not);
            n->args.push_back(ParseUnary());
            return n;
        }
        return ParsePrimary();
    }

    Node ParsePrimary()
    {
        SkipSpaces();
        if (m_pos >= m_text.size())
            Fail(QStringLiteral("falta un valor al final"));
        const QChar c = m_text.at(m_pos);
        if (c == QLatin1Char('(')) {
            ++m_pos;
            Node inner = ParseOr();
            if (!Take(QStringLiteral(")")))
                Fail(QStringLiteral("falta \")\""));
            return inner;
        }
        if (c == QLatin1Char('\'')) {
            ++m_pos;
            QString s;
            for (;;) {
                if (m_pos >= m_text.size())
                    Fail(QStringLiteral("un texto no termina"));
                if (m_text.at(m_pos) == QLatin1Char('\'')) {
                    if (m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == QLatin1Char('\'')) {
                        s += QLatin1Char('\'');
                        m_pos += 2;
                        continue;
                    }
                    ++m_pos;
                    break;
                }
                s += m_text.at(m_pos++);
            }
            auto n = Make(TExprNode::Const);
            n->value = s;
            return n;
        }
        if (c.isDigit()) {
            const int start = m_pos;
            while (m_pos < m_text.size() && (m_text.at(m_pos).isDigit() || m_text.at(m_pos) == QLatin1Char('.')))
                ++m_pos;
            bool ok = false;
            const QString digits = m_text.mid(start, m_pos - start);
            auto n = Make(TExprNode::Const);
            if (digits.contains(QLatin1Char('.')))
                n->value = digits.toDouble(&ok);
            else
                n->value = digits.toLongLong(&ok);
            if (!ok)
                Fail(QStringLiteral("\"%1\" no es un número").arg(digits));
            return n;
        }
        if (c == QLatin1Char('<')) {
            // <Dataset."FIELD"> or <Variable>: the value of the name.
            const int end = int(m_text.indexOf(QLatin1Char('>'), m_pos + 1));
            if (end < 0)
                Fail(QStringLiteral("falta \">\""));
            const QString inner = m_text.mid(m_pos + 1, end - m_pos - 1).trimmed();
            m_pos = end + 1;
            return Name(inner);
        }
        if (c.isLetter() || c == QLatin1Char('_')) {
            const int start = m_pos;
            while (m_pos < m_text.size() &&
                   (m_text.at(m_pos).isLetterOrNumber() || m_text.at(m_pos) == QLatin1Char('_') ||
                    m_text.at(m_pos) == QLatin1Char('#')))
                ++m_pos;
            QString ident = m_text.mid(start, m_pos - start);
            if (m_text.mid(m_pos, 2) == QStringLiteral(".\"")) {
                const int close = int(m_text.indexOf(QLatin1Char('"'), m_pos + 2));
                if (close < 0)
                    Fail(QStringLiteral("falta la comilla que cierra el campo"));
                const QString full = m_text.mid(start, close + 1 - start);
                m_pos = close + 1;
                return Name(full);
            }
            if (Peek(QStringLiteral("(")))
                return Call(ident);
            if (ident.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0 ||
                ident.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0) {
                auto n = Make(TExprNode::Const);
                n->value = ident.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0;
                return n;
            }
            return Name(ident);
        }
        Fail(QStringLiteral("no se esperaba \"%1\"").arg(c));
    }

    Node Name(const QString &name)
    {
        const int split = int(name.indexOf(QStringLiteral(".\"")));
        if (split < 0) {
            auto n = Make(TExprNode::Var);
            n->name = name;
            return n;
        }
        const QString alias = name.left(split).trimmed();
        QString field = name.mid(split + 2);
        if (field.endsWith(QLatin1Char('"')))
            field.chop(1);
        IReportDataSet *ds = m_report.FindDataSet(alias);
        if (!ds)
            throw EReportError(QStringLiteral("El reporte \"%1\" usa el conjunto de datos desconocido \"%2\" en la "
                                              "expresión \"%3\".")
                                   .arg(m_report.Name, alias, m_text));
        if (!ds->HasField(field))
            throw EReportError(QStringLiteral("El reporte \"%1\" usa el campo desconocido \"%2\" de \"%3\" en la "
                                              "expresión \"%4\".")
                                   .arg(m_report.Name, field, alias, m_text));
        auto n = Make(TExprNode::Field);
        n->dataSet = ds;
        n->name = field;
        return n;
    }

    Node Call(const QString &ident)
    {
        const QString upper = ident.toUpper();
        Take(QStringLiteral("("));
        std::vector<Node> args;
        if (!Take(QStringLiteral(")"))) {
            const bool aggregate = aggregateNames().contains(upper);
            for (;;) {
                // The band argument of an aggregate is a band's name, not an expression.
                if (aggregate && (!args.empty() || upper == QStringLiteral("COUNT"))) {
                    SkipSpaces();
                    const int start = m_pos;
                    while (m_pos < m_text.size() && m_text.at(m_pos) != QLatin1Char(',') &&
                           m_text.at(m_pos) != QLatin1Char(')'))
                        ++m_pos;
                    auto band = Make(TExprNode::Const);
                    band->value = m_text.mid(start, m_pos - start).trimmed();
                    args.push_back(std::move(band));
                } else {
                    args.push_back(ParseOr());
                }
                if (Take(QStringLiteral(")")))
                    break;
                if (!Take(QStringLiteral(",")))
                    Fail(QStringLiteral("falta \",\" o \")\" en la llamada a %1").arg(ident));
            }
        }
        if (aggregateNames().contains(upper)) {
            auto n = Make(TExprNode::Aggregate);
            n->name = upper;
            const size_t bandArg = upper == QStringLiteral("COUNT") ? 0 : 1;
            if (args.size() <= bandArg && upper != QStringLiteral("COUNT"))
                Fail(QStringLiteral("%1 necesita la expresión y la banda").arg(ident));
            if (args.size() > bandArg) {
                n->bandName = args[bandArg]->value.toString();
                if (!m_report.FindBand(n->bandName))
                    throw EReportError(QStringLiteral("El reporte \"%1\" usa la banda desconocida \"%2\" en la "
                                                      "expresión \"%3\".")
                                           .arg(m_report.Name, n->bandName, m_text));
            }
            if (upper != QStringLiteral("COUNT"))
                n->args.push_back(std::move(args[0]));
            if (m_aggregates)
                m_aggregates->push_back(n.get());
            return n;
        }
        if (!builtinFunctions().contains(upper) && !m_report.HasFunction(upper))
            throw EReportError(QStringLiteral("El reporte \"%1\" usa la función desconocida \"%2\" en la expresión "
                                              "\"%3\".")
                                   .arg(m_report.Name, ident, m_text));
        auto n = Make(TExprNode::Call);
        n->name = upper;
        n->args = std::move(args);
        return n;
    }

    const TReport &m_report;
    QString m_text;
    std::vector<TExprNode *> *m_aggregates;
    int m_pos = 0;
};

bool isText(const QVariant &v)
{
    return v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QChar;
}

int compare(const QVariant &a, const QVariant &b)
{
    using namespace TReportExpression;
    if (IsNumber(a) && IsNumber(b)) {
        const double x = ToDouble(a), y = ToDouble(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.typeId() == QMetaType::QDateTime || a.typeId() == QMetaType::QDate)
        return a.toDateTime() < b.toDateTime() ? -1 : (a.toDateTime() > b.toDateTime() ? 1 : 0);
    return QString::compare(a.toString(), b.toString());
}

} // namespace

bool TReportExpression::IsNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

double TReportExpression::ToDouble(const QVariant &value)
{
    if (!value.isValid())
        return 0;
    if (isText(value)) {
        QString s = value.toString().trimmed();
        s.replace(QLatin1Char(','), QLatin1Char('.'));
        return s.toDouble();
    }
    return value.toDouble();
}

std::unique_ptr<TTextTemplate> TReportExpression::ParseTemplate(const TReport &report, const QString &text,
                                                                std::vector<TExprNode *> *aggregates)
{
    auto tpl = std::make_unique<TTextTemplate>();
    QString literal;
    int i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('[')) {
            literal += c;
            ++i;
            continue;
        }
        // The bracket ends at its matching ']', skipping quoted texts.
        int depth = 0, j = i;
        QChar quote;
        for (; j < text.size(); ++j) {
            const QChar d = text.at(j);
            if (!quote.isNull()) {
                if (d == quote)
                    quote = QChar();
                continue;
            }
            if (d == QLatin1Char('\'') || d == QLatin1Char('"'))
                quote = d;
            else if (d == QLatin1Char('['))
                ++depth;
            else if (d == QLatin1Char(']') && --depth == 0)
                break;
        }
        if (j >= text.size())
            throw EReportError(QStringLiteral("El reporte \"%1\" no puede leer la expresión \"%2\": falta \"]\".")
                                   .arg(report.Name, text.mid(i)));
        if (!literal.isEmpty()) {
            TTextTemplate::Part part;
            part.literal = literal;
            tpl->parts.push_back(std::move(part));
            literal.clear();
        }
        TTextTemplate::Part part;
        part.source = text.mid(i + 1, j - i - 1).trimmed();
        if (part.source.compare(QStringLiteral("TOTALPAGES#"), Qt::CaseInsensitive) == 0) {
            part.totalPages = true;
        } else {
            Parser parser(report, part.source, aggregates);
            part.expr = parser.ParseAll();
            part.fieldText = part.expr->op == TExprNode::Field;
        }
        tpl->constant = false;
        tpl->parts.push_back(std::move(part));
        i = j + 1;
    }
    if (!literal.isEmpty()) {
        TTextTemplate::Part part;
        part.literal = literal;
        tpl->parts.push_back(std::move(part));
    }
    return tpl;
}

std::unique_ptr<TExprNode> TReportExpression::Parse(const TReport &report, const QString &expression,
                                                    std::vector<TExprNode *> *aggregates)
{
    Parser parser(report, expression, aggregates);
    return parser.ParseAll();
}

QVariant TReportExpression::Evaluate(const TExprNode &node, TExprContext &context)
{
    auto arg = [&](size_t i) { return Evaluate(*node.args.at(i), context); };
    switch (node.op) {
    case TExprNode::Const:
        return node.value;
    case TExprNode::Field:
        return node.dataSet->Value(node.name);
    case TExprNode::Var:
        return context.Variable(node.name);
    case TExprNode::Neg: {
        const QVariant v = arg(0);
        return v.typeId() == QMetaType::Double ? QVariant(-v.toDouble()) : QVariant(-v.toLongLong());
    }
    case TExprNode::Not:
        return !arg(0).toBool();
    case TExprNode::Add: {
        const QVariant a = arg(0), b = arg(1);
        if (isText(a) || isText(b))
            return a.toString() + b.toString();
        if (a.typeId() == QMetaType::Double || b.typeId() == QMetaType::Double)
            return ToDouble(a) + ToDouble(b);
        return a.toLongLong() + b.toLongLong();
    }
    case TExprNode::Sub: {
        const QVariant a = arg(0), b = arg(1);
        if (a.typeId() == QMetaType::Double || b.typeId() == QMetaType::Double)
            return ToDouble(a) - ToDouble(b);
        return a.toLongLong() - b.toLongLong();
    }
    case TExprNode::Mul: {
        const QVariant a = arg(0), b = arg(1);
        if (a.typeId() == QMetaType::Double || b.typeId() == QMetaType::Double)
            return ToDouble(a) * ToDouble(b);
        return a.toLongLong() * b.toLongLong();
    }
    case TExprNode::Div: {
        const double divisor = ToDouble(arg(1));
        // Not a number: the memo prints a dash instead of a figure.
        if (divisor == 0)
            return std::nan("");
        return ToDouble(arg(0)) / divisor;
    }
    case TExprNode::Eq:
        return compare(arg(0), arg(1)) == 0;
    case TExprNode::Ne:
        return compare(arg(0), arg(1)) != 0;
    case TExprNode::Lt:
        return compare(arg(0), arg(1)) < 0;
    case TExprNode::Gt:
        return compare(arg(0), arg(1)) > 0;
    case TExprNode::Le:
        return compare(arg(0), arg(1)) <= 0;
    case TExprNode::Ge:
        return compare(arg(0), arg(1)) >= 0;
    case TExprNode::And:
        return arg(0).toBool() && arg(1).toBool();
    case TExprNode::Or:
        return arg(0).toBool() || arg(1).toBool();
    case TExprNode::Aggregate:
        return context.AggregateValue(node);
    case TExprNode::Call: {
        QVariantList args;
        for (size_t i = 0; i < node.args.size(); ++i)
            args << arg(i);
        if (node.name == QStringLiteral("UPPERCASE"))
            return args.value(0).toString().toUpper();
        if (node.name == QStringLiteral("LOWERCASE"))
            return args.value(0).toString().toLower();
        if (node.name == QStringLiteral("TRIM"))
            return args.value(0).toString().trimmed();
        if (node.name == QStringLiteral("LENGTH"))
            return qlonglong(args.value(0).toString().size());
        if (node.name == QStringLiteral("IIF"))
            return args.value(0).toBool() ? args.value(1) : args.value(2);
        return context.CallFunction(node.name, args);
    }
    }
    return {};
}
