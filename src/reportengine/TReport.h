#pragma once

#include "TBand.h"
#include "TPreparedReport.h"

#include <QHash>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

class IReportDataSet;

// A report stops with this error: a name it cannot resolve, an expression it cannot read, a failure of
// a callback. The message is Spanish and names the report.
class EReportError : public std::runtime_error
{
public:
    explicit EReportError(const QString &message) : std::runtime_error(message.toStdString()), Message(message) {}
    QString Message;
};

// A data band with what hangs on it: its header and footer, its group chain (outer group first) and
// the detail data bands printed for each of its rows.
struct TDataLevel
{
    TBand *Data = nullptr;
    TBand *Header = nullptr;
    TBand *Footer = nullptr;
    struct Group
    {
        TBand *Header = nullptr;
        TBand *Footer = nullptr;
    };
    std::vector<Group> Groups;
    std::vector<TDataLevel> Details;
};

// The report's one page template.
struct TReportPage
{
    QSizeF PaperSize{215.9, 279.4}; // mm, portrait width x height
    bool Landscape = false;
    double LeftMargin = 10, TopMargin = 10, RightMargin = 10, BottomMargin = 10;
    TBand *PageHeader = nullptr;
    TBand *PageFooter = nullptr;
    TBand *ReportTitle = nullptr;
    TBand *ReportSummary = nullptr;
    std::vector<TDataLevel> Masters;

    QSizeF Paper() const { return Landscape ? PaperSize.transposed() : PaperSize; }
};

// A banded report: its definition (page, bands, objects), the datasets it reads and the callbacks
// of the program that prints it. PrepareReport walks the data and produces PreparedPages.
//
// Expressions in memo texts go between brackets: [QrySoMaleg."DES_ITEM"] (the field's display
// text), [<QrySoMaleg."VAL_ITEM"> * 2] (its value inside an expression), report variables asked
// through OnGetValue every time they are used, numbers, 'texts', + - * /, comparisons,
// SUM/COUNT/AVG/MIN/MAX(expr, DataBand) in footers, Uppercase, Lowercase, Trim, [PAGE#],
// [TOTALPAGES#], [DATE], [TIME], [LINE#] and the functions registered with AddFunction.
class TReport
{
public:
    explicit TReport(const QString &name);
    ~TReport();
    TReport(const TReport &) = delete;
    TReport &operator=(const TReport &) = delete;

    QString Name; // shown in messages and as the document's title
    TReportPage Page;

    // Bands are owned by the report.
    TBand *NewBand(TBand::Kind kind, const QString &name);
    TBand *FindBand(const QString &name) const;
    const std::vector<std::unique_ptr<TBand>> &Bands() const { return m_bands; }
    TReportView *FindObject(const QString &name) const;
    template <typename T> T *Object(const QString &name) const { return dynamic_cast<T *>(FindObject(name)); }

    // Datasets are not owned; a dataset is known by its user name.
    void RegisterDataSet(IReportDataSet *dataSet);
    IReportDataSet *FindDataSet(const QString &userName) const;

    // Asked for every name that is no field and no system variable; leaving Value invalid means the
    // name is unknown.
    std::function<void(const QString &name, QVariant &value)> OnGetValue;
    // Functions registered with AddFunction("function Name(A: Extended): String"); called with the
    // name in upper case.
    void AddFunction(const QString &declaration);
    bool HasFunction(const QString &upperName) const { return m_functions.contains(upperName); }
    std::function<QVariant(const QString &upperName, const QVariantList &params)> OnUserFunction;
    // Text of a value in a memo: format is the memo's DisplayFormat. The default writes numbers with
    // the locale's decimal point and dates as dd/MM/yyyy.
    std::function<QString(const QVariant &value, const QString &format)> FormatValue;
    // Called after every finished page with the count so far; returning false cancels the run.
    std::function<bool(int pages)> OnProgress;

    // Runs the report. Raises EReportError; returns false when OnProgress cancelled it.
    bool PrepareReport(bool clearLastReport = true);
    TPreparedReport &PreparedPages() { return m_prepared; }
    const TPreparedReport &PreparedPages() const { return m_prepared; }

    QString DefaultFormat(const QVariant &value, const QString &format) const;

private:
    std::vector<std::unique_ptr<TBand>> m_bands;
    QHash<QString, IReportDataSet *> m_dataSets;
    QHash<QString, QString> m_functions;
    TPreparedReport m_prepared;
};
