#pragma once

#include <QByteArray>
#include <QRectF>

class QPainter;
struct TChartDrawing;

// Draws the charts of prepared pages straight into the page's painter (TChartPainter), so every
// output (preview, printer, PDF) gets vectors and real text: bars, lines, value marks, title, legend
// and axis labels. The chart is laid out in a frame of Resolution units per millimetre and mapped
// onto its box.
class TChartRenderer
{
public:
    static constexpr double Resolution = 4; // scene units per millimetre

    // Makes the page painter draw charts with this renderer; a page painter keeps what it worked
    // out for a chart's look, and the texts it shaped, for the next drawings.
    static void Install();
};
