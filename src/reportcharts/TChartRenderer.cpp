#include "TChartRenderer.h"

#include "TChartView.h"
#include "TPagePainter.h"
#include "TReportFont.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QFontMetricsF>
#include <QLegend>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

namespace {

// A font of `points` points in the scene's units.
QFont sceneFont(double points, bool bold = false)
{
    QFont font = TReportFont::Make(QStringLiteral("Tahoma"), 10, bold, false, false);
    font.setPixelSize(std::max(1, int(std::lround(points * 25.4 / 72.0 * TChartRenderer::Resolution))));
    return font;
}

// A label broken into lines of at most `width` characters, at spaces where it can.
QString wrapped(const QString &label, int width)
{
    if (width <= 0 || label.size() <= width)
        return label;
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
    // Axis labels are rich text: a line break is a tag.
    return lines.join(QStringLiteral("<br>"));
}

} // namespace

namespace {

QString markText(double value)
{
    // As the module writes numbers: no group separator, the locale's decimal comma, no trailing zeros.
    return QLocale(QLocale::Spanish, QLocale::Colombia).toString(value, 'g', 10).remove(QLatin1Char('.'));
}

// Value marks in black just above every bar and line point, zero values included, so each value
// reads against the white page whatever the bar's colour.
void AddMarks(QChart &chart, const TChartDrawing &view, QBarSeries *bars)
{
    const QFont font = sceneFont(view.LabelFontSize);
    const QFontMetricsF metrics(font);
    auto place = [&](const QPointF &at, double value) {
        auto *mark = new QGraphicsSimpleTextItem(markText(value), &chart);
        mark->setFont(font);
        mark->setBrush(Qt::black);
        mark->setZValue(1000);  // above the bars and lines
        mark->setData(0, true); // a value mark, replaced with the values
        const double width = metrics.horizontalAdvance(mark->text());
        mark->setPos(chart.mapFromScene(
            QPointF(at.x() - width / 2, at.y() - metrics.height() - TChartRenderer::Resolution * 0.5)));
    };
    int barIndex = 0;
    const int barSets = bars ? int(bars->count()) : 0;
    for (size_t i = 0; i < view.SeriesList.size(); ++i) {
        const TChartLook::Series &s = view.SeriesList[i];
        const QList<double> values = i < view.Data.Values.size() ? view.Data.Values[i] : QList<double>();
        if (s.Line) {
            for (int p = 0; p < values.size() && s.ShowMarks; ++p)
                place(chart.mapToPosition(QPointF(p, values[p]), chart.series().at(int(i))), values[p]);
            continue;
        }
        const int set = barIndex++;
        if (!s.ShowMarks || !bars)
            continue;
        // Bars of a category share barWidth of it, side by side in series order.
        const double width = bars->barWidth();
        for (int p = 0; p < values.size(); ++p) {
            const double x = p - width / 2 + (set + 0.5) * width / barSets;
            place(chart.mapToPosition(QPointF(x, values[p]), bars), values[p]);
        }
    }
}

} // namespace

namespace {

// One chart in its scene, built for one look (kind and titles of the series, categories, size,
// fonts) and given new values for each drawing of that look: a report prints the same two charts
// for every record.
class TChartScene
{
public:
    explicit TChartScene(const TChartDrawing &view);
    // Takes the values of view (a drawing of this scene's look) and draws the chart into box.
    void Paint(QPainter &painter, const TChartDrawing &view, const QRectF &box);

private:
    QGraphicsScene m_scene;
    QChart *m_chart = nullptr;
    QValueAxis *m_axisY = nullptr;
    QBarSeries *m_bars = nullptr;
    std::vector<QLineSeries *> m_lines; // by series; null for a bar series
    std::vector<QBarSet *> m_sets;      // by series; null for a line series
    QSizeF m_size;
};

TChartScene::TChartScene(const TChartDrawing &view)
{
    const TChartData &data = view.Data;
    m_size =
        QSizeF(view.SizeMm.width() * TChartRenderer::Resolution, view.SizeMm.height() * TChartRenderer::Resolution);
    m_chart = new QChart;
    m_scene.addItem(m_chart);
    QChart *chart = m_chart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setBackgroundVisible(false);
    chart->setBackgroundRoundness(0);
    chart->setPlotAreaBackgroundVisible(false);
    chart->setDropShadowEnabled(false);
    chart->setMargins(QMargins(0, 0, 0, 0));
    // Value marks and axis numbers as the module writes numbers.
    chart->setLocalizeNumbers(true);
    chart->setLocale(QLocale(QLocale::Spanish, QLocale::Colombia));
    chart->setTitle(view.Title);
    chart->setTitleFont(sceneFont(view.TitleFontSize, view.TitleBold));
    chart->setTitleBrush(Qt::black);
    chart->legend()->setAlignment(view.LegendBelow ? Qt::AlignBottom : Qt::AlignRight);
    chart->legend()->setFont(sceneFont(view.LabelFontSize));
    chart->legend()->setLabelColor(Qt::black);

    QStringList categories;
    // An empty category would show its number: a blank stands for it.
    for (const QString &c : data.Categories)
        categories << (c.trimmed().isEmpty() ? QStringLiteral(" ") : wrapped(c, view.CategoryLineWidth));
    auto *axisX = new QBarCategoryAxis;
    axisX->append(categories.isEmpty() ? QStringList() : categories);
    axisX->setLabelsFont(sceneFont(view.LabelFontSize));
    axisX->setLabelsColor(Qt::black);
    axisX->setGridLineVisible(false);
    axisX->setTruncateLabels(false);
    axisX->setVisible(view.CategoryAxisVisible);
    chart->addAxis(axisX, Qt::AlignBottom);

    m_axisY = new QValueAxis;
    m_axisY->setLabelsFont(sceneFont(view.LabelFontSize));
    m_axisY->setLabelsColor(Qt::black);
    m_axisY->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(m_axisY, Qt::AlignLeft);

    auto *bars = new QBarSeries;
    for (const TChartLook::Series &s : view.SeriesList) {
        if (s.Line) {
            auto *line = new QLineSeries;
            line->setName(s.Title);
            QPen pen(s.Color);
            pen.setWidthF(0.5 * TChartRenderer::Resolution);
            line->setPen(pen);
            line->setPointsVisible(true);
            chart->addSeries(line);
            line->attachAxis(axisX);
            line->attachAxis(m_axisY);
            m_lines.push_back(line);
            m_sets.push_back(nullptr);
            continue;
        }
        auto *set = new QBarSet(s.Title);
        set->setColor(s.Color);
        set->setBorderColor(s.Color.darker(130));
        // Marks in black outside the bar's end, readable against the bar and the white page.
        set->setLabelColor(Qt::black);
        set->setLabelFont(sceneFont(view.LabelFontSize));
        bars->append(set);
        m_lines.push_back(nullptr);
        m_sets.push_back(set);
    }
    if (bars->count() > 0) {
        chart->addSeries(bars);
        bars->attachAxis(axisX);
        bars->attachAxis(m_axisY);
        m_bars = bars;
    } else {
        delete bars;
    }
    // A chart never shown keeps a collapsed layout unless it is sized and laid out in its scene.
    chart->resize(m_size);
    m_scene.setSceneRect(QRectF(QPointF(0, 0), m_size));
}

void TChartScene::Paint(QPainter &painter, const TChartDrawing &view, const QRectF &box)
{
    const TChartData &data = view.Data;
    double top = 0;
    for (const QList<double> &values : data.Values)
        for (double v : values)
            top = std::max(top, v);
    // Room above the highest bar for its mark.
    m_axisY->setRange(0, top > 0 ? top * 1.15 : 1);
    m_axisY->setTickCount(6);
    m_axisY->applyNiceNumbers();
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const QList<double> values = qsizetype(i) < data.Values.size() ? data.Values[qsizetype(i)] : QList<double>();
        if (QLineSeries *line = m_lines[i]) {
            QList<QPointF> points;
            points.reserve(values.size());
            for (int p = 0; p < values.size(); ++p)
                points << QPointF(p, values[p]);
            line->replace(points);
        } else if (QBarSet *set = m_sets[i]) {
            if (set->count() == values.size()) {
                for (int p = 0; p < values.size(); ++p)
                    set->replace(p, values[p]);
            } else {
                set->remove(0, set->count());
                for (double v : values)
                    *set << v;
            }
        }
    }
    // The previous drawing's value marks give way to this one's.
    for (QGraphicsItem *mark : m_chart->childItems())
        if (mark->data(0).toBool())
            delete mark;
    m_chart->layout()->activate();
    AddMarks(*m_chart, view, m_bars);
    painter.setRenderHint(QPainter::Antialiasing);
    m_scene.render(&painter, box, QRectF(QPointF(0, 0), m_size), Qt::IgnoreAspectRatio);
}

// The charts of one page painter, by look.
class TChartPainter : public TPagePainter::TDrawingPainter
{
public:
    void Paint(QPainter &painter, const QByteArray &drawing, const QRectF &box, double) override
    {
        const TChartDrawing chart = TChartDrawing::Decode(drawing);
        if (chart.SizeMm.isEmpty())
            return;
        TChartDrawing look = chart;
        look.Data.Values.clear();
        const QByteArray key = look.Encode();
        auto it = m_scenes.find(key);
        if (it == m_scenes.end()) {
            if (m_scenes.size() >= 16)
                m_scenes.clear();
            it = m_scenes.emplace(key, std::make_unique<TChartScene>(chart)).first;
        }
        it->second->Paint(painter, chart, box);
    }

private:
    std::map<QByteArray, std::unique_ptr<TChartScene>> m_scenes;
};

} // namespace

void TChartRenderer::Install()
{
    TPagePainter::SetDrawingPainter(
        []() -> std::unique_ptr<TPagePainter::TDrawingPainter> { return std::make_unique<TChartPainter>(); });
}
