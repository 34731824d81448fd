#include "TReport.h"

#include "IReportDataSet.h"
#include "TReportEngine.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <cmath>

TReport::TReport(const QString &name) : Name(name)
{}

TReport::~TReport() = default;

TBand *TReport::NewBand(TBand::Kind kind, const QString &name)
{
    m_bands.push_back(std::make_unique<TBand>(kind, name));
    return m_bands.back().get();
}

TBand *TReport::FindBand(const QString &name) const
{
    for (const auto &band : m_bands)
        if (band->Name.compare(name, Qt::CaseInsensitive) == 0)
            return band.get();
    return nullptr;
}

TReportView *TReport::FindObject(const QString &name) const
{
    for (const auto &band : m_bands)
        if (TReportView *view = band->FindObject(name))
            return view;
    return nullptr;
}

void TReport::RegisterDataSet(IReportDataSet *dataSet)
{
    m_dataSets.insert(dataSet->UserName().toUpper(), dataSet);
}

IReportDataSet *TReport::FindDataSet(const QString &userName) const
{
    return m_dataSets.value(userName.toUpper());
}

void TReport::AddFunction(const QString &declaration)
{
    static const QRegularExpression re(QStringLiteral("^\\s*function\\s+(\\w+)"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(declaration);
    if (!m.hasMatch())
        throw EReportError(
            QStringLiteral("El reporte \"%1\" no puede registrar la función \"%2\".").arg(Name, declaration));
    m_functions.insert(m.captured(1).toUpper(), declaration);
}

bool TReport::PrepareReport(bool clearLastReport)
{
    if (clearLastReport)
        m_prepared.Clear();
    m_prepared.ReportName = Name;
    TReportEngine engine(*this);
    return engine.Run();
}

QString TReport::DefaultFormat(const QVariant &value, const QString &) const
{
    const QLocale locale(QLocale::Spanish, QLocale::Colombia);
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return QString();
    case QMetaType::Double:
    case QMetaType::Float: {
        const double v = value.toDouble();
        if (v == std::floor(v) && std::abs(v) < 1e15)
            return QString::number(qint64(v));
        QString text = locale.toString(v, 'g', 15);
        return text.remove(locale.groupSeparator());
    }
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("HH:mm:ss"));
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        return dt.time() == QTime(0, 0) ? dt.toString(QStringLiteral("dd/MM/yyyy"))
                                        : dt.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    }
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("Verdadero") : QStringLiteral("Falso");
    default:
        return value.toString();
    }
}
