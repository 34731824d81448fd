#pragma once

#include "TReportObjects.h"

#include <QColor>
#include <QList>
#include <QSizeF>
#include <QStringList>
#include <vector>

// How a chart looks: its title, legend, axis and series. The chart view of a report and the chart a
// prepared page keeps share it.
struct TChartLook
{
    struct Series
    {
        QString Title;      // shown in the legend
        QString ValueField; // the field of each row giving the point's value
        QColor Color;
        bool Line = false; // a line through the points instead of bars
        bool ShowMarks = true;
    };

    std::vector<Series> SeriesList;
    QString Title;
    bool TitleBold = true;
    double TitleFontSize = 11;
    bool LegendBelow = true;
    bool CategoryAxisVisible = true;
    // Category labels longer than this many characters are broken into lines (0: never).
    int CategoryLineWidth = 0;
    double LabelFontSize = 8; // category labels, value marks and the legend
};

// A chart drawn from a report dataset: one category and one point per row, in the dataset's order.
class TChartView : public TReportView, public TChartLook
{
public:
    explicit TChartView(const QString &name) : TReportView(Chart, name) {}

    QString DataSet;
    QString CategoryField; // empty: the category axis has no labels
};

// The rows a chart view read, ready for drawing.
struct TChartData
{
    QStringList Categories;
    std::vector<QList<double>> Values; // one list per series, a value per category
};

// What a prepared page keeps of a chart: its look, its rows and its size, encoded in the Drawing
// primitive so every output draws it again as vectors.
struct TChartDrawing : TChartLook
{
    QSizeF SizeMm;
    TChartData Data;

    static TChartDrawing From(const TChartView &view, const TChartData &data);
    QByteArray Encode() const;
    // An empty drawing when the bytes are not a chart.
    static TChartDrawing Decode(const QByteArray &bytes);
};
