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
        mark->setZValue(1000); // above the bars and lines
        const double width = metrics.horizontalAdvance(mark->text());
        mark->setPos(chart.mapFromScene(QPointF(at.x() - width / 2, at.y() - metrics.height() - TChartRenderer::Resolution * 0.5)));
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

void TChartRenderer::Install()
{
    TPagePainter::SetDrawingPainter([](QPainter &painter, const QByteArray &drawing, const QRectF &box, double pxPerMm) {
        Paint(painter, drawing, box, pxPerMm);
    });
}

void TChartRenderer::Paint(QPainter &painter, const QByteArray &drawing, const QRectF &box, double)
{
    const TChartDrawing chart = TChartDrawing::Decode(drawing);
    if (!chart.SizeMm.isEmpty())
        Paint(painter, chart, box);
}

void TChartRenderer::Paint(QPainter &painter, const TChartDrawing &view, const QRectF &box)
{
    const TChartData &data = view.Data;
    const QSizeF size(view.SizeMm.width() * Resolution, view.SizeMm.height() * Resolution);
    QGraphicsScene scene;
    auto *chart = new QChart;
    scene.addItem(chart);
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

    double top = 0;
    for (const QList<double> &values : data.Values)
        for (double v : values)
            top = std::max(top, v);
    auto *axisY = new QValueAxis;
    // Room above the highest bar for its mark.
    axisY->setRange(0, top > 0 ? top * 1.15 : 1);
    axisY->setLabelsFont(sceneFont(view.LabelFontSize));
    axisY->setLabelsColor(Qt::black);
    axisY->setLabelFormat(QStringLiteral("%.0f"));
    axisY->setTickCount(6);
    axisY->applyNiceNumbers();
    chart->addAxis(axisY, Qt::AlignLeft);

    auto *bars = new QBarSeries;
    bool anyBars = false;
    for (size_t i = 0; i < view.SeriesList.size(); ++i) {
        const TChartLook::Series &s = view.SeriesList[i];
        const QList<double> values = i < data.Values.size() ? data.Values[i] : QList<double>();
        if (s.Line) {
            auto *line = new QLineSeries;
            line->setName(s.Title);
            for (int p = 0; p < values.size(); ++p)
                line->append(p, values[p]);
            QPen pen(s.Color);
            pen.setWidthF(0.5 * Resolution);
            line->setPen(pen);
            line->setPointsVisible(true);
            chart->addSeries(line);
            line->attachAxis(axisX);
            line->attachAxis(axisY);
            continue;
        }
        auto *set = new QBarSet(s.Title);
        for (double v : values)
            *set << v;
        set->setColor(s.Color);
        set->setBorderColor(s.Color.darker(130));
        // Marks in black outside the bar's end, readable against the bar and the white page.
        set->setLabelColor(Qt::black);
        set->setLabelFont(sceneFont(view.LabelFontSize));
        bars->append(set);
        anyBars = true;
    }
    if (anyBars) {
        chart->addSeries(bars);
        bars->attachAxis(axisX);
        bars->attachAxis(axisY);
    } else {
        delete bars;
    }

    // A chart never shown keeps a collapsed layout unless it is sized and laid out in its scene.
    chart->resize(size);
    scene.setSceneRect(QRectF(QPointF(0, 0), size));
    chart->layout()->activate();
    AddMarks(*chart, view, anyBars ? bars : nullptr);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, box, QRectF(QPointF(0, 0), size), Qt::IgnoreAspectRatio);
}
