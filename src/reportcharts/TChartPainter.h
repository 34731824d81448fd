#pragma once

#include "TPagePainter.h"
#include "TRecent.h"

#include <QColor>
#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>

struct TChartDrawing;

// Draws a report chart straight with the page's painter: title, value axis with its grid, category
// axis with its ticks, bars, lines with their points, value marks and legend, laid out in a frame of
// TChartRenderer::Resolution units per millimetre and mapped onto the chart's box. What depends only
// on the look (fonts, legend, category labels) is worked out once per look and kept; each text is
// shaped once per font and its glyphs drawn again wherever it repeats.
class TChartPainter : public TPagePainter::TDrawingPainter
{
public:
    TChartPainter();
    ~TChartPainter() override;
    void Paint(QPainter &painter, const QByteArray &drawing, const QRectF &box, double pxPerMm) override;

    // The value axis of a chart whose values reach top: its highest figure and its number of
    // ticks, from zero up in equal steps of round numbers (1, 2 or 5 times a power of ten).
    static void ValueAxis(double top, double &axisTop, int &ticks);

private:
    using TShaped = TPagePainter::TShaped;
    struct TLook;

    const TShaped &Shaped(int font, const QString &text);
    const TLook &LookOf(const TChartDrawing &chart);
    void DrawText(QPainter &painter, int font, const QString &text, const QPointF &baselineStart);

    std::vector<QFont> m_fonts;
    std::vector<double> m_ascents, m_heights;
    TRecent<std::pair<int, QString>, TShaped> m_shaped{20000}; // by font index and text
    std::map<QByteArray, std::unique_ptr<TLook>> m_looks;
};
