#include "TReportEngine.h"

#include "IReportDataSet.h"
#include "TChartView.h"
#include "TReport.h"
#include "TReportFont.h"
#include "TTextLayout.h"

#include <QImage>
#include <algorithm>
#include <cmath>

namespace {

bool isFooterKind(TBand::Kind kind)
{
    return kind == TBand::Footer || kind == TBand::GroupFooter || kind == TBand::PageFooter ||
           kind == TBand::ReportSummary;
}

// Every band a level holds, for finding which data band a footer counts by default.
void collectLevels(const std::vector<TDataLevel> &levels, std::vector<const TDataLevel *> &out)
{
    for (const TDataLevel &level : levels) {
        out.push_back(&level);
        collectLevels(level.Details, out);
    }
}

} // namespace

TReportEngine::TReportEngine(TReport &report)
    : m_report(report), m_start(QDateTime::currentDateTime()), m_locale(QLocale::Spanish, QLocale::Colombia)
{}

TReportEngine::~TReportEngine() = default;

bool TReportEngine::Run()
{
    ParseBands();
    try {
        StartPage();
        for (const TDataLevel &level : m_report.Page.Masters)
            RunLevel(level);
        if (TBand *summary = m_report.Page.ReportSummary)
            PrintBand(summary);
        EndPage();
    } catch (const Cancelled &) {
        m_report.PreparedPages().Clear();
        return false;
    }
    return true;
}

// Every memo text and group condition is read once, before the first row; aggregates are tied to
// the data band they count and to the footer that resets them.
void TReportEngine::ParseBands()
{
    std::vector<const TDataLevel *> levels;
    collectLevels(m_report.Page.Masters, levels);
    auto levelOf = [&](TBand *band) -> const TDataLevel * {
        for (const TDataLevel *level : levels) {
            if (level->Data == band || level->Header == band || level->Footer == band)
                return level;
            for (const auto &group : level->Groups)
                if (group.Header == band || group.Footer == band)
                    return level;
        }
        return nullptr;
    };
    auto parseBand = [&](TBand *band) {
        if (!band)
            return;
        for (const auto &view : band->Objects) {
            auto *memo = dynamic_cast<TMemoView *>(view.get());
            if (!memo)
                continue;
            std::vector<TExprNode *> found;
            auto tpl = TReportExpression::ParseTemplate(m_report, memo->Text, &found);
            for (TExprNode *node : found) {
                Aggregate agg;
                agg.node = node;
                node->aggregateId = int(m_aggregates.size());
                if (!node->bandName.isEmpty()) {
                    agg.counted = m_report.FindBand(node->bandName);
                } else if (const TDataLevel *level = levelOf(band)) {
                    agg.counted = level->Data;
                } else if (!m_report.Page.Masters.empty()) {
                    agg.counted = m_report.Page.Masters.front().Data;
                }
                if (isFooterKind(band->BandKind) && band->BandKind != TBand::ReportSummary)
                    agg.reset = band;
                m_aggregates.push_back(agg);
            }
            m_templateByText.insert(memo->Text, tpl.get());
            m_templates.push_back(std::move(tpl));
        }
        if (band->BandKind == TBand::GroupHeader)
            m_conditions.insert(band, std::shared_ptr<TExprNode>(
                                          TReportExpression::Parse(m_report, band->Condition, nullptr).release()));
    };
    // Every band of the report, children chosen at print time included.
    for (const auto &band : m_report.Bands())
        parseBand(band.get());
    for (const auto &level : levels)
        if (!level->Data->DataSet.isEmpty() && !m_report.FindDataSet(level->Data->DataSet))
            throw EReportError(QStringLiteral("El reporte \"%1\" usa el conjunto de datos desconocido \"%2\" en la "
                                              "banda \"%3\".")
                                   .arg(m_report.Name, level->Data->DataSet, level->Data->Name));
}

TTextTemplate &TReportEngine::Template(const QString &text)
{
    // Texts set while the report runs (a band event filling a cell) are read once each.
    if (TTextTemplate *tpl = m_templateByText.value(text))
        return *tpl;
    auto tpl = TReportExpression::ParseTemplate(m_report, text, nullptr);
    TTextTemplate *raw = tpl.get();
    m_templateByText.insert(text, raw);
    m_templates.push_back(std::move(tpl));
    return *raw;
}

QString TReportEngine::Format(const QVariant &value, const QString &format) const
{
    if (value.typeId() == QMetaType::Double && std::isnan(value.toDouble()))
        return QStringLiteral("—");
    if (m_report.FormatValue)
        return m_report.FormatValue(value, format);
    return m_report.DefaultFormat(value, format);
}

QString TReportEngine::Evaluate(const QString &text, const QString &format, bool *totalPages)
{
    TTextTemplate &tpl = Template(text);
    if (tpl.constant)
        return text;
    QString result;
    for (const TTextTemplate::Part &part : tpl.parts) {
        if (!part.expr && !part.totalPages) {
            result += part.literal;
        } else if (part.totalPages) {
            result += TotalPagesMacro();
            if (totalPages)
                *totalPages = true;
        } else if (part.fieldText) {
            result += part.expr->dataSet->DisplayText(part.expr->name);
        } else {
            result += Format(TReportExpression::Evaluate(*part.expr, *this), format);
        }
    }
    return result;
}

QVariant TReportEngine::Variable(const QString &name)
{
    const QString upper = name.toUpper();
    if (upper == QStringLiteral("PAGE#") || upper == QStringLiteral("PAGE"))
        return m_pageNo;
    if (upper == QStringLiteral("DATE"))
        return m_start.date();
    if (upper == QStringLiteral("TIME"))
        return m_start.time();
    if (upper == QStringLiteral("LINE#") || upper == QStringLiteral("LINE"))
        return m_line;
    QVariant value;
    if (m_report.OnGetValue)
        m_report.OnGetValue(name, value);
    if (!value.isValid())
        throw EReportError(
            QStringLiteral("El reporte \"%1\" usa la variable desconocida \"%2\".").arg(m_report.Name, name));
    return value;
}

QVariant TReportEngine::CallFunction(const QString &upperName, const QVariantList &args)
{
    if (!m_report.OnUserFunction)
        throw EReportError(QStringLiteral("El reporte \"%1\" no tiene quién responda la función \"%2\".")
                               .arg(m_report.Name, upperName));
    return m_report.OnUserFunction(upperName, args);
}

QVariant TReportEngine::AggregateValue(const TExprNode &node)
{
    if (node.aggregateId < 0)
        throw EReportError(
            QStringLiteral("El reporte \"%1\" usa %2 fuera de una banda de pie.").arg(m_report.Name, node.name));
    const Aggregate &agg = m_aggregates.at(size_t(node.aggregateId));
    if (node.name == QStringLiteral("COUNT"))
        return agg.count;
    if (node.name == QStringLiteral("AVG"))
        return agg.count ? agg.sum / double(agg.count) : 0.0;
    if (node.name == QStringLiteral("MIN"))
        return agg.count ? agg.min : 0.0;
    if (node.name == QStringLiteral("MAX"))
        return agg.count ? agg.max : 0.0;
    return agg.sum;
}

void TReportEngine::Accumulate(TBand *band)
{
    for (Aggregate &agg : m_aggregates) {
        if (agg.counted != band)
            continue;
        if (agg.node->name == QStringLiteral("COUNT")) {
            ++agg.count;
            continue;
        }
        const QVariant v = TReportExpression::Evaluate(*agg.node->args.at(0), *this);
        if (!v.isValid())
            continue; // nulls are ignored
        const double x = TReportExpression::ToDouble(v);
        agg.min = agg.count ? std::min(agg.min, x) : x;
        agg.max = agg.count ? std::max(agg.max, x) : x;
        agg.sum += x;
        ++agg.count;
    }
}

void TReportEngine::ResetAggregates(TBand *band)
{
    for (Aggregate &agg : m_aggregates)
        if (agg.reset == band) {
            agg.sum = agg.min = agg.max = 0;
            agg.count = 0;
        }
}

double TReportEngine::FreeSpace() const
{
    const TReportPage &page = m_report.Page;
    double bottom = page.Paper().height() - page.BottomMargin;
    if (page.PageFooter && page.PageFooter->Visible)
        bottom -= page.PageFooter->Height;
    return bottom - m_y;
}

void TReportEngine::StartPage()
{
    const TReportPage &page = m_report.Page;
    m_page = std::make_unique<TPreparedPage>();
    m_page->paperSize = page.Paper();
    m_page->landscape = page.Landscape;
    m_y = page.TopMargin;
    ++m_pageNo;
    m_inPageFrame = true;
    if (m_pageNo == 1 && page.ReportTitle)
        PrintBand(page.ReportTitle, false);
    if (page.PageHeader)
        PrintBand(page.PageHeader, false);
    for (TBand *header : std::vector<TBand *>(m_reprint))
        PrintBand(header, false);
    m_inPageFrame = false;
    m_pageHasData = false;
}

void TReportEngine::EndPage()
{
    const TReportPage &page = m_report.Page;
    if (TBand *footer = page.PageFooter) {
        m_inPageFrame = true;
        m_y = page.Paper().height() - page.BottomMargin - footer->Height;
        PrintBand(footer, false);
        ResetAggregates(footer);
        m_inPageFrame = false;
    }
    m_report.PreparedPages().AddPage(std::move(*m_page));
    m_page.reset();
    if (m_report.OnProgress && !m_report.OnProgress(m_report.PreparedPages().PageCount()))
        throw Cancelled();
}

void TReportEngine::NewPage()
{
    EndPage();
    StartPage();
}

bool TReportEngine::PrintBand(TBand *band, bool checkNewPage)
{
    if (band->OnBeforePrint)
        band->OnBeforePrint(*band);
    if (!band->Visible) {
        if (band->ChildBand && band->PrintChildIfInvisible)
            PrintBand(band->ChildBand, checkNewPage);
        return false;
    }
    const bool firstTime = m_printedOnce.insert(band).second;
    if (checkNewPage && band->StartNewPage && m_pageHasData) {
        const bool skipFirst = band->BandKind == TBand::MasterData || band->BandKind == TBand::DetailData ||
                               band->BandKind == TBand::GroupHeader;
        if (!(skipFirst && firstTime))
            NewPage();
    }
    // A band is never shorter than designed: one that cannot fit as designed goes to the next page
    // before it is laid out, so its expressions are asked once (each may be a query).
    if (!m_inPageFrame && band->Height > FreeSpace() && m_pageHasData)
        NewPage();
    std::vector<TPrimitive> items;
    double height = LayOut(band, items);
    if (!m_inPageFrame && height > FreeSpace() && m_pageHasData) {
        NewPage();
        items.clear();
        height = LayOut(band, items);
    }
    for (TPrimitive &item : items) {
        item.rect.translate(0, m_y);
        m_page->items.push_back(std::move(item));
    }
    if (!band->OutlineText.isEmpty())
        m_page->outline.push_back({Evaluate(band->OutlineText, QString()).simplified(), band->OutlineLevel, m_y});
    m_y += height;
    if (!m_inPageFrame)
        m_pageHasData = true;
    if (band->ChildBand)
        PrintBand(band->ChildBand, checkNewPage);
    return true;
}

// Lays the band's objects out from the band's top; returns the band's height.
double TReportEngine::LayOut(TBand *band, std::vector<TPrimitive> &out)
{
    struct Placed
    {
        TReportView *view;
        TPrimitive prim;
        double top, height, growth;
        bool maxHeight;
    };
    std::vector<Placed> placed;
    const double left = m_report.Page.LeftMargin;
    for (const auto &owned : band->Objects) {
        TReportView *view = owned.get();
        if (view->OnBeforePrint)
            view->OnBeforePrint(*view);
        if (!view->Visible)
            continue;
        Placed p{view, TPrimitive(), view->Top, view->Height, 0, false};
        p.prim.rect = QRectF(left + view->Left, 0, view->Width, view->Height);
        p.prim.frameSides = view->FrameSides;
        p.prim.frameWidth = view->FrameWidth;
        p.prim.color = view->FrameColor;
        p.prim.fill = view->Fill;
        switch (view->ViewKind()) {
        case TReportView::Memo: {
            auto *memo = static_cast<TMemoView *>(view);
            bool totalPages = false;
            const QString text = Evaluate(memo->Text, memo->DisplayFormat, &totalPages);
            const TTextLayout &layout = Layout(*memo);
            const QFont &font = layout.Font();
            p.prim.kind = TPrimitive::Text;
            p.prim.fontFamily = font.family();
            p.prim.fontSize = memo->FontSize;
            p.prim.bold = memo->Bold;
            p.prim.italic = memo->Italic;
            p.prim.underline = memo->Underline;
            p.prim.hAlign = quint8(memo->HorzAlign);
            p.prim.vAlign = quint8(memo->VertAlign);
            p.prim.lineHeight = layout.LineHeight();
            p.prim.totalPagesMacro = totalPages;
            p.prim.lines = layout.Break(text, view->Width - 2 * p.prim.padding, memo->WordWrap);
            if (text.isEmpty())
                p.prim.lines.clear();
            p.prim.color = memo->FontColor;
            const double needed = p.prim.lines.size() * layout.LineHeight() + 2 * p.prim.padding;
            if (memo->StretchMode == TMemoView::smActualHeight && needed > view->Height) {
                p.growth = needed - view->Height;
                p.height = needed;
            } else if (memo->StretchMode == TMemoView::smDontStretch && needed > view->Height + 0.01) {
                // A memo that does not stretch shows the lines that fit.
                const int fit = std::max(1, int((view->Height - 2 * p.prim.padding) / layout.LineHeight() + 0.01));
                while (p.prim.lines.size() > fit)
                    p.prim.lines.removeLast();
            }
            p.maxHeight = memo->StretchMode == TMemoView::smMaxHeight;
            if (p.prim.frameSides != TPrimitive::NoSides)
                p.prim.color = memo->FontColor;
            break;
        }
        case TReportView::Picture: {
            auto *picture = static_cast<TPictureView *>(view);
            p.prim.kind = TPrimitive::Image;
            if (IReportDataSet *ds = m_report.FindDataSet(picture->DataSet)) {
                if (!ds->HasField(picture->DataField))
                    throw EReportError(QStringLiteral("El reporte \"%1\" usa el campo desconocido \"%2\" de \"%3\" en "
                                                      "la imagen \"%4\".")
                                           .arg(m_report.Name, picture->DataField, picture->DataSet, picture->Name));
                // Each picture is decoded once per run: the same image on every page is one image
                // in the PDF too.
                const QByteArray data = ds->Value(picture->DataField).toByteArray();
                auto known = m_images.find(data);
                if (known == m_images.end())
                    known = m_images.insert(data, QImage::fromData(data));
                p.prim.image = *known;
            } else {
                throw EReportError(QStringLiteral("El reporte \"%1\" usa el conjunto de datos desconocido \"%2\" en la "
                                                  "imagen \"%3\".")
                                       .arg(m_report.Name, picture->DataSet, picture->Name));
            }
            break;
        }
        case TReportView::Line:
            p.prim.kind = TPrimitive::Line;
            p.prim.frameWidth = view->FrameWidth;
            break;
        case TReportView::Chart: {
            auto *chart = static_cast<TChartView *>(view);
            p.prim.kind = TPrimitive::Drawing;
            p.prim.drawing = TChartDrawing::From(*chart, ChartData(*chart)).Encode();
            break;
        }
        }
        placed.push_back(std::move(p));
    }

    // A grown object pushes down the objects that lie below it and overlap it horizontally.
    std::vector<size_t> order(placed.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return placed[a].top < placed[b].top; });
    std::vector<double> shift(placed.size(), 0);
    for (size_t oi = 0; oi < order.size(); ++oi) {
        Placed &p = placed[order[oi]];
        for (size_t pj = 0; pj < oi; ++pj) {
            const Placed &q = placed[order[pj]];
            const double qBottom = q.top + q.view->Height;
            const bool below = qBottom <= p.top + 0.01;
            const bool overlaps = q.view->Left < p.view->Left + p.view->Width - 0.01 &&
                                  p.view->Left < q.view->Left + q.view->Width - 0.01;
            if (below && overlaps && q.growth + shift[order[pj]] > shift[order[oi]])
                shift[order[oi]] = q.growth + shift[order[pj]];
        }
        p.top += shift[order[oi]];
    }
    double height = band->Height;
    if (band->Stretched)
        for (const Placed &p : placed)
            height = std::max(height, p.top + p.height);
    for (Placed &p : placed) {
        if (p.maxHeight)
            p.height = std::max(p.height, height - p.top);
        if (p.prim.kind == TPrimitive::Line)
            p.prim.rect = QRectF(left + p.view->Left, p.top, p.view->Width, p.view->Height);
        else
            p.prim.rect = QRectF(left + p.view->Left, p.top, p.view->Width, p.height);
        out.push_back(std::move(p.prim));
    }
    return height;
}

const TTextLayout &TReportEngine::Layout(const TMemoView &memo)
{
    // A memo keeps its font for the whole run (band events change texts, fills and visibility):
    // each memo finds its layout directly after its first print, without building a key.
    if (const TTextLayout *known = m_layoutByMemo.value(&memo))
        return *known;
    // One measuring layout per font of the report.
    const QString key = QStringLiteral("%1|%2|%3%4%5")
                            .arg(memo.FontName)
                            .arg(memo.FontSize)
                            .arg(memo.Bold)
                            .arg(memo.Italic)
                            .arg(memo.Underline);
    auto it = m_layouts.find(key);
    if (it == m_layouts.end())
        it = m_layouts
                 .emplace(key, std::make_unique<TTextLayout>(TReportFont::Make(memo.FontName, memo.FontSize, memo.Bold,
                                                                               memo.Italic, memo.Underline)))
                 .first;
    m_layoutByMemo.insert(&memo, it->second.get());
    return *it->second;
}

TChartData TReportEngine::ChartData(const TChartView &chart)
{
    IReportDataSet *ds = m_report.FindDataSet(chart.DataSet);
    if (!ds)
        throw EReportError(QStringLiteral("El reporte \"%1\" usa el conjunto de datos desconocido \"%2\" en el "
                                          "gráfico \"%3\".")
                               .arg(m_report.Name, chart.DataSet, chart.Name));
    QStringList fields;
    if (!chart.CategoryField.isEmpty())
        fields << chart.CategoryField;
    for (const TChartView::Series &series : chart.SeriesList)
        fields << series.ValueField;
    for (const QString &field : fields)
        if (!ds->HasField(field))
            throw EReportError(QStringLiteral("El reporte \"%1\" usa el campo desconocido \"%2\" de \"%3\" en el "
                                              "gráfico \"%4\".")
                                   .arg(m_report.Name, field, chart.DataSet, chart.Name));
    TChartData data;
    data.Values.resize(chart.SeriesList.size());
    for (ds->First(); !ds->Eof(); ds->Next()) {
        data.Categories << (chart.CategoryField.isEmpty() ? QString() : ds->DisplayText(chart.CategoryField));
        for (size_t i = 0; i < chart.SeriesList.size(); ++i)
            data.Values[i] << TReportExpression::ToDouble(ds->Value(chart.SeriesList[i].ValueField));
    }
    return data;
}

QVariant TReportEngine::Condition(TBand *header)
{
    return TReportExpression::Evaluate(*m_conditions.value(header), *this);
}

void TReportEngine::PrintGroupHeaders(const TDataLevel &level, size_t from, std::vector<QVariant> &values, bool first)
{
    // When one header of the run starts a new page, the page break comes before the first header
    // printed, so the outer headings stay with the group they open.
    bool breakPage = false;
    if (!first)
        for (size_t i = from; i < level.Groups.size(); ++i) {
            TBand *h = level.Groups[i].Header;
            breakPage = breakPage || (h->StartNewPage && h->Visible && m_printedOnce.count(h));
        }
    // Headings are kept with the first row they announce: when the headers and a row of the data
    // band's usual height do not fit, they all go to the next page.
    double needed = level.Data->Height + (level.Data->ChildBand ? level.Data->ChildBand->Height : 0);
    for (size_t i = from; i < level.Groups.size(); ++i) {
        const TBand *h = level.Groups[i].Header;
        if (h->Visible)
            needed += h->Height + (h->ChildBand ? h->ChildBand->Height : 0);
    }
    if (m_pageHasData && (breakPage || needed > FreeSpace()))
        NewPage();
    for (size_t i = from; i < level.Groups.size(); ++i) {
        TBand *h = level.Groups[i].Header;
        values[i] = Condition(h);
        std::erase(m_reprint, h);
        PrintBand(h, false);
        m_printedOnce.insert(h);
        if (h->ReprintOnNewPage)
            m_reprint.push_back(h);
    }
}

void TReportEngine::PrintGroupFooters(const TDataLevel &level, size_t downTo)
{
    for (size_t i = level.Groups.size(); i-- > downTo;) {
        std::erase(m_reprint, level.Groups[i].Header);
        if (TBand *footer = level.Groups[i].Footer) {
            PrintBand(footer);
            ResetAggregates(footer);
        }
    }
}

void TReportEngine::RunLevel(const TDataLevel &level)
{
    TBand *data = level.Data;
    IReportDataSet *ds = data->DataSet.isEmpty() ? nullptr : m_report.FindDataSet(data->DataSet);
    if (!ds && data->RowCount <= 0)
        return; // a data band with neither dataset nor rows is not printed
    std::vector<QVariant> values(level.Groups.size());
    int rows = 0;
    auto atEnd = [&] { return ds ? ds->Eof() : rows >= data->RowCount; };
    if (ds)
        ds->First();
    bool printed = false;
    while (!atEnd()) {
        if (!printed) {
            if (level.Header) {
                PrintBand(level.Header);
                if (level.Header->ReprintOnNewPage)
                    m_reprint.push_back(level.Header);
            }
            PrintGroupHeaders(level, 0, values, true);
        } else {
            size_t changed = level.Groups.size();
            for (size_t i = 0; i < level.Groups.size(); ++i)
                if (Condition(level.Groups[i].Header) != values[i]) {
                    changed = i;
                    break;
                }
            if (changed < level.Groups.size()) {
                // The footers see the last row of the group that ends.
                ds->Prior();
                PrintGroupFooters(level, changed);
                ds->Next();
                PrintGroupHeaders(level, changed, values, false);
            }
        }
        printed = true;
        ++m_line;
        if (PrintBand(data))
            Accumulate(data);
        for (const TDataLevel &detail : level.Details)
            RunLevel(detail);
        if (ds)
            ds->Next();
        else
            ++rows;
    }
    if (!printed)
        return;
    PrintGroupFooters(level, 0);
    if (level.Header)
        std::erase(m_reprint, level.Header);
    if (level.Footer) {
        PrintBand(level.Footer);
        ResetAggregates(level.Footer);
    }
}
