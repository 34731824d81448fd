#include "TChartPainter.h"

#include "TChartRenderer.h"
#include "TChartView.h"
#include "TReportFont.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kPadding = 5;       // ticks' length
constexpr double kLabelGap = 3;      // between a category tick's end and its label
constexpr double kFigureGap = 1;     // between a value tick's end and its figure
constexpr double kMargin = 10;       // around the chart
constexpr double kLegendGap = 11.5;  // between the plot's labels and the legend
constexpr double kLegendBottom = 29; // from the legend's middle to the chart's bottom
constexpr double kMarkerGap = 3.5;   // between a legend marker and its text
constexpr double kEntryGap = 8.5;    // between legend entries
constexpr double kAxisPen = 1;       // the axes' lines
constexpr double kGridPen = 1;       // the value axis' grid
constexpr double kBarPen = 1;        // a bar's border
constexpr double kLineWidth = 0.5 * TChartRenderer::Resolution;
const QColor kAxisColor(0xd6, 0xd6, 0xd6);
const QColor kGridColor(0xe2, 0xe2, 0xe2);

// A category label broken into lines of at most `width` characters, at spaces where it can.
QStringList wrapped(const QString &label, int width)
{
    if (width <= 0 || label.size() <= width)
        return {label};
    QStringList lines;
    QString line;
    for (const QString &word : label.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
            lines << line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

const QLocale &numbers()
{
    static const QLocale locale(QLocale::Spanish, QLocale::Colombia);
    return locale;
}

// A value mark as the module writes numbers: no group separator, the locale's decimal comma, no
// trailing zeros.
QString markText(double value)
{
    return numbers().toString(value, 'g', 10).remove(QLatin1Char('.'));
}

// A figure of the value axis: whole numbers, grouped as the locale groups them.
QString axisText(double value)
{
    return numbers().toString(value, 'f', 0);
}

double niceNumber(double x, bool ceiling)
{
    const double z = std::pow(10.0, std::floor(std::log10(x)));
    double q = x / z;
    if (ceiling)
        q = q <= 1 ? 1 : q <= 2 ? 2 : q <= 5 ? 5 : 10;
    else
        q = q < 1.5 ? 1 : q < 3 ? 2 : q < 7 ? 5 : 10;
    return q * z;
}

} // namespace

// What a chart's look fixes: its size, fonts, legend entries and category labels.
struct TChartPainter::TLook
{
    QSizeF size;
    int titleFont = 0, labelFont = 0;
    struct Entry
    {
        QString text;
        QColor color, border;
    };
    std::vector<Entry> legend; // lines first, then bars, as series were listed
    std::vector<QStringList> categories;
    int categoryLines = 0;
};

TChartPainter::TChartPainter() = default;
TChartPainter::~TChartPainter() = default;

void TChartPainter::ValueAxis(double top, double &axisTop, int &ticks)
{
    // Room above the highest bar for its mark; six ticks made round.
    const double max = top > 0 ? top * 1.15 : 1;
    const double range = niceNumber(max, true);
    const double step = niceNumber(range / 5, false);
    const double steps = std::ceil(max / step);
    ticks = int(steps) + 1;
    axisTop = steps * step;
}

const TChartPainter::TShaped &TChartPainter::Shaped(int font, const QString &text)
{
    return m_shaped.Get({font, text}, [&] { return TPagePainter::Shape(text, m_fonts[size_t(font)]); });
}

void TChartPainter::DrawText(QPainter &painter, int font, const QString &text, const QPointF &baselineStart)
{
    for (const QGlyphRun &run : Shaped(font, text).runs)
        painter.drawGlyphRun(baselineStart, run);
}

const TChartPainter::TLook &TChartPainter::LookOf(const TChartDrawing &chart)
{
    TChartDrawing look = chart;
    look.Data.Values.clear();
    const QByteArray key = look.Encode();
    auto it = m_looks.find(key);
    if (it != m_looks.end())
        return *it->second;
    if (m_looks.size() >= 64)
        m_looks.clear();
    auto fontOf = [this](double points, bool bold) {
        const int pixels = std::max(1, int(std::lround(points * 25.4 / 72.0 * TChartRenderer::Resolution)));
        for (size_t i = 0; i < m_fonts.size(); ++i)
            if (m_fonts[i].pixelSize() == pixels && m_fonts[i].bold() == bold)
                return int(i);
        QFont font = TReportFont::Make(QStringLiteral("Tahoma"), 10, bold, false, false);
        font.setPixelSize(pixels);
        const QFontMetricsF metrics(font);
        m_fonts.push_back(font);
        m_ascents.push_back(metrics.ascent());
        m_heights.push_back(metrics.height());
        return int(m_fonts.size()) - 1;
    };
    auto made = std::make_unique<TLook>();
    made->size =
        QSizeF(chart.SizeMm.width() * TChartRenderer::Resolution, chart.SizeMm.height() * TChartRenderer::Resolution);
    made->titleFont = fontOf(chart.TitleFontSize, chart.TitleBold);
    made->labelFont = fontOf(chart.LabelFontSize, false);
    for (int pass = 0; pass < 2; ++pass)
        for (const TChartLook::Series &s : chart.SeriesList)
            if (s.Line == (pass == 0))
                made->legend.push_back({s.Title, s.Color, s.Line ? s.Color : s.Color.darker(130)});
    for (const QString &c : chart.Data.Categories) {
        made->categories.push_back(c.trimmed().isEmpty() ? QStringList() : wrapped(c, chart.CategoryLineWidth));
        made->categoryLines = std::max(made->categoryLines, int(made->categories.back().size()));
    }
    return *m_looks.emplace(key, std::move(made)).first->second;
}

void TChartPainter::Paint(QPainter &painter, const QByteArray &drawing, const QRectF &box, double)
{
    const TChartDrawing chart = TChartDrawing::Decode(drawing);
    if (chart.SizeMm.isEmpty())
        return;
    const TLook &look = LookOf(chart);
    const double width = look.size.width(), height = look.size.height();
    const int label = look.labelFont;
    const double labelHeight = m_heights[size_t(label)], labelAscent = m_ascents[size_t(label)];

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.topLeft());
    painter.scale(box.width() / width, box.height() / height);

    // The value axis' figures, whose width sets where the plot starts.
    double top = 0;
    for (const QList<double> &values : chart.Data.Values)
        for (double v : values)
            top = std::max(top, v);
    double axisTop = 1;
    int ticks = 2;
    ValueAxis(top, axisTop, ticks);
    QStringList figures;
    double figuresWidth = 0;
    for (int t = 0; t < ticks; ++t) {
        figures << axisText(axisTop * t / (ticks - 1));
        figuresWidth = std::max(figuresWidth, Shaped(label, figures.back()).width);
    }

    // The title above, the legend below or at the right, the category labels under the plot.
    const double lineStep = m_fonts[size_t(label)].pixelSize();
    double plotTop = kMargin + labelHeight / 2;
    if (!chart.Title.isEmpty()) {
        const TShaped &title = Shaped(look.titleFont, chart.Title);
        painter.setPen(Qt::black);
        DrawText(painter, look.titleFont, chart.Title,
                 QPointF((width - title.width) / 2, kMargin + m_ascents[size_t(look.titleFont)]));
        plotTop += m_heights[size_t(look.titleFont)];
    }
    const double marker = std::round(labelHeight * 0.55);
    double legendWidth = 0, legendRight = 0;
    for (const TLook::Entry &e : look.legend) {
        const double entry = marker + kMarkerGap + Shaped(label, e.text).width;
        legendWidth += entry + (legendWidth > 0 ? kEntryGap : 0);
        legendRight = std::max(legendRight, entry);
    }
    double plotBottom = height - kMargin;
    double plotRight = width - kMargin;
    if (!look.legend.empty()) {
        if (chart.LegendBelow)
            plotBottom = height - kLegendBottom - labelHeight / 2 - kLegendGap;
        else
            plotRight -= legendRight + kLegendGap;
    }
    if (chart.CategoryAxisVisible)
        plotBottom -= kLabelGap + look.categoryLines * lineStep;
    const double plotLeft = kMargin + 1.5 + figuresWidth + kFigureGap + kPadding;
    const QRectF plot(QPointF(plotLeft, plotTop), QPointF(plotRight, plotBottom));

    // Legend: a marker in the series' colour and its title.
    painter.setFont(m_fonts[size_t(label)]);
    if (!look.legend.empty()) {
        QPointF at = chart.LegendBelow
                         ? QPointF((width - legendWidth) / 2, height - kLegendBottom - labelHeight / 2)
                         : QPointF(width - legendRight - kMargin,
                                   (plot.top() + plot.bottom()) / 2 - look.legend.size() * labelHeight / 2);
        for (const TLook::Entry &e : look.legend) {
            painter.setPen(QPen(e.border, 1));
            painter.setBrush(e.color);
            painter.drawRect(QRectF(at.x(), at.y() + (labelHeight - marker) / 2, marker, marker));
            painter.setPen(Qt::black);
            DrawText(painter, label, e.text, QPointF(at.x() + marker + kMarkerGap, at.y() + labelAscent));
            if (chart.LegendBelow)
                at.rx() += marker + kMarkerGap + Shaped(label, e.text).width + kEntryGap;
            else
                at.ry() += labelHeight;
        }
    }

    // The value axis: grid, ticks and figures; then the axes' lines.
    const auto yOf = [&](double v) { return plot.bottom() - v / axisTop * plot.height(); };
    for (int t = 0; t < ticks; ++t) {
        const double y = yOf(axisTop * t / (ticks - 1));
        if (t > 0) {
            painter.setPen(QPen(kGridColor, kGridPen));
            painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        }
        painter.setPen(QPen(kAxisColor, kAxisPen));
        painter.drawLine(QPointF(plot.left() - kPadding, y), QPointF(plot.left(), y));
        painter.setPen(Qt::black);
        const double w = Shaped(label, figures[t]).width;
        DrawText(painter, label, figures[t],
                 QPointF(plot.left() - kPadding - kFigureGap - w, y - labelHeight / 2 + labelAscent));
    }
    const int categories = std::max<int>(1, int(chart.Data.Categories.size()));
    const double step = plot.width() / categories;
    painter.setPen(QPen(kAxisColor, kAxisPen));
    painter.drawLine(plot.topLeft(), plot.bottomLeft());
    if (chart.CategoryAxisVisible) {
        painter.drawLine(plot.bottomLeft(), plot.bottomRight());
        for (int c = 0; c <= categories; ++c)
            painter.drawLine(QPointF(plot.left() + c * step, plot.bottom()),
                             QPointF(plot.left() + c * step, plot.bottom() + kPadding));
        painter.setPen(Qt::black);
        for (size_t c = 0; c < look.categories.size(); ++c) {
            const QStringList &lines = look.categories[c];
            double blockWidth = 0;
            for (const QString &l : lines)
                blockWidth = std::max(blockWidth, Shaped(label, l).width);
            const double x = plot.left() + (double(c) + 0.5) * step - blockWidth / 2;
            for (int l = 0; l < lines.size(); ++l)
                DrawText(painter, label, lines[l], QPointF(x, plot.bottom() + kLabelGap + l * lineStep + labelAscent));
        }
    }

    // Bars side by side in half of each category, then lines through the categories' middles, then
    // the value marks in black just above every bar and point, zero values included.
    int barSets = 0;
    for (const TChartLook::Series &s : chart.SeriesList)
        barSets += s.Line ? 0 : 1;
    struct Mark
    {
        QPointF at;
        double value;
    };
    std::vector<Mark> marks;
    int set = 0;
    for (size_t i = 0; i < chart.SeriesList.size(); ++i) {
        const TChartLook::Series &s = chart.SeriesList[i];
        if (s.Line)
            continue;
        const QList<double> values = i < chart.Data.Values.size() ? chart.Data.Values[i] : QList<double>();
        const double barWidth = step / 2 / barSets;
        painter.setPen(QPen(s.Color.darker(130), kBarPen));
        painter.setBrush(s.Color);
        for (int p = 0; p < values.size() && p < categories; ++p) {
            const double x = plot.left() + p * step + step / 4 + set * barWidth;
            const double y = yOf(values[p]);
            if (y < plot.bottom())
                painter.drawRect(QRectF(x, y, barWidth, plot.bottom() - y));
            if (s.ShowMarks)
                marks.push_back({QPointF(x + barWidth / 2, y), values[p]});
        }
        ++set;
    }
    for (size_t i = 0; i < chart.SeriesList.size(); ++i) {
        const TChartLook::Series &s = chart.SeriesList[i];
        if (!s.Line)
            continue;
        const QList<double> values = i < chart.Data.Values.size() ? chart.Data.Values[i] : QList<double>();
        QPolygonF points;
        for (int p = 0; p < values.size() && p < categories; ++p)
            points << QPointF(plot.left() + (p + 0.5) * step, yOf(values[p]));
        painter.setPen(QPen(s.Color, kLineWidth, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(points);
        painter.setPen(Qt::NoPen);
        painter.setBrush(s.Color);
        for (int p = 0; p < points.size(); ++p) {
            painter.drawEllipse(points[p], kLineWidth * 1.45, kLineWidth * 1.45);
            if (s.ShowMarks)
                marks.push_back({points[p], values[p]});
        }
    }
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    for (const Mark &m : marks) {
        const QString text = markText(m.value);
        const double w = Shaped(label, text).width;
        DrawText(painter, label, text,
                 QPointF(m.at.x() - w / 2, m.at.y() - labelHeight - TChartRenderer::Resolution * 0.5 + labelAscent));
    }
    painter.restore();
}
