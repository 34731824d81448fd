#pragma once

#include "TPreparedPage.h"
#include "TReportExpression.h"

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <map>
#include <memory>
#include <set>
#include <vector>

class TBand;
class TReport;
class TReportView;
class TMemoView;
class IReportDataSet;
class TTextLayout;
struct TDataLevel;

// One run of a report: walks the data bands, lays the bands out on pages and hands the finished
// pages to the report's prepared pages.
class TReportEngine : public TExprContext
{
public:
    explicit TReportEngine(TReport &report);
    ~TReportEngine() override;
    // Raises EReportError; returns false when cancelled through the report's OnProgress.
    bool Run();

    QVariant Variable(const QString &name) override;
    QVariant CallFunction(const QString &upperName, const QVariantList &args) override;
    QVariant AggregateValue(const TExprNode &node) override;

private:
    struct Aggregate
    {
        TExprNode *node = nullptr;
        TBand *counted = nullptr;
        TBand *reset = nullptr;
        double sum = 0, min = 0, max = 0;
        qint64 count = 0;
    };
    struct Cancelled
    {
    };

    void ParseBands();
    TTextTemplate &Template(const QString &text);
    QString Evaluate(const QString &text, const QString &format, bool *totalPages = nullptr);
    QString Format(const QVariant &value, const QString &format) const;

    void StartPage();
    void EndPage();
    void NewPage();
    double FreeSpace() const;
    // Prints a band and its child; returns whether the band itself was visible.
    bool PrintBand(TBand *band, bool checkNewPage = true);
    double LayOut(TBand *band, std::vector<TPrimitive> &out);
    void Accumulate(TBand *band);
    void ResetAggregates(TBand *band);

    void RunLevel(const TDataLevel &level);
    void PrintGroupHeaders(const TDataLevel &level, size_t from, std::vector<QVariant> &values, bool first);
    void PrintGroupFooters(const TDataLevel &level, size_t downTo);
    QVariant Condition(TBand *header);
    const TTextLayout &Layout(const TMemoView &memo);
    struct TChartData ChartData(const class TChartView &chart);

    TReport &m_report;
    QDateTime m_start;
    QLocale m_locale;
    std::vector<std::unique_ptr<TTextTemplate>> m_templates;
    QHash<QString, TTextTemplate *> m_templateByText;
    QHash<TBand *, std::shared_ptr<TExprNode>> m_conditions;
    std::vector<Aggregate> m_aggregates;
    std::map<QString, std::unique_ptr<TTextLayout>> m_layouts;
    QHash<const TMemoView *, const TTextLayout *> m_layoutByMemo;
    QHash<QByteArray, QImage> m_images;
    std::set<TBand *> m_printedOnce;
    std::vector<TBand *> m_reprint; // headers printed again at the top of each new page
    std::unique_ptr<TPreparedPage> m_page;
    double m_y = 0; // mm from the paper's top edge
    int m_pageNo = 0;
    qint64 m_line = 0;
    bool m_pageHasData = false; // something besides the page header and reprinted headers
    bool m_inPageFrame = false;
};
