#pragma once

#include <QByteArray>
#include <QRectF>

class QPainter;
struct TChartDrawing;

// Draws the charts of prepared pages with Qt Charts, straight into the page's painter, so every
// output (preview, printer, PDF) gets vectors and real text: bars, lines, value marks, title, legend
// and axis labels. The chart is laid out in a scene of Resolution units per millimetre and mapped
// onto its box. Needs a QApplication (the charts are graphics widgets).
class TChartRenderer
{
public:
    static constexpr double Resolution = 4; // scene units per millimetre

    // Makes the page painter draw charts with this renderer; a page painter keeps each chart it
    // built for the next drawing of the same look, changing only its values.
    static void Install();
};
