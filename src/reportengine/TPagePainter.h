#pragma once

#include "TRecent.h"

#include <QByteArray>
#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QRectF>
#include <QString>
#include <memory>
#include <vector>

class QPainter;
class QPaintDevice;
struct TPreparedPage;
struct TPrimitive;

// Draws prepared pages: the one painter behind the preview, the printer and the PDF file. The
// painter's origin is the paper's top-left corner; pxPerMm is the device's dots per millimetre at
// the wanted zoom.
class TPagePainter
{
public:
    // Draws a Drawing primitive's encoded content into box (device coordinates) at pxPerMm. The
    // program that prints charts installs a maker of them; without it a drawing shows as its frame
    // only. Each page painter makes its own when it meets its first drawing and keeps it while it
    // lives, so a drawing painter may keep what it built for the next drawing of the same look.
    class TDrawingPainter
    {
    public:
        virtual ~TDrawingPainter() = default;
        virtual void Paint(QPainter &painter, const QByteArray &drawing, const QRectF &box, double pxPerMm) = 0;
    };
    using TDrawingPainterMaker = std::unique_ptr<TDrawingPainter> (*)();
    static void SetDrawingPainter(TDrawingPainterMaker maker);

    // One page painter serves every page drawn with the same painter (a whole PDF file): the texts
    // it shaped and the drawings it built are kept for the next pages.
    TPagePainter(QPainter &painter, double pxPerMm, int totalPages);
    ~TPagePainter();

    // Text matching highlight (case-insensitive) is marked, as the preview's find shows it.
    QString Highlight;

    void Draw(const TPreparedPage &page);
    void Draw(const TPrimitive &item);

    // A line of text shaped once in a font: its glyphs at their places from the line's baseline
    // start, and its width. Pages repeat the same texts over and over (headings, marks, totals).
    struct TShaped
    {
        QList<QGlyphRun> runs;
        double width = 0;
    };
    // Shapes text as one line in font, measured for device (null: the font's own units).
    static TShaped Shape(const QString &text, const QFont &font, QPaintDevice *device = nullptr);

private:
    void DrawText(const TPrimitive &item);
    void DrawFrame(const TPrimitive &item);
    // The font of a text primitive, as an index into m_fonts.
    int FontOf(const TPrimitive &item);
    const TShaped &Shaped(int font, const QString &text);

    QPainter &m_painter;
    double m_scale;
    double m_fontFactor;
    int m_totalPages;
    struct TFontEntry
    {
        QString family;
        double size;
        bool bold, italic, underline;
        QFont font;
        double ascent;
    };
    std::vector<TFontEntry> m_fonts;
    TRecent<std::pair<int, QString>, TShaped> m_shaped{50000}; // by font index and text
    std::unique_ptr<TDrawingPainter> m_drawings;
};
