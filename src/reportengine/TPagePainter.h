#pragma once

#include <QByteArray>
#include <QFont>
#include <QRectF>
#include <QHash>
#include <QString>

class QPainter;
struct TPreparedPage;
struct TPrimitive;

// Draws prepared pages: the one painter behind the preview, the printer and the PDF file. The
// painter's origin is the paper's top-left corner; pxPerMm is the device's dots per millimetre at
// the wanted zoom.
class TPagePainter
{
public:
    // Draws a Drawing primitive's encoded content into box (device coordinates) at pxPerMm. The
    // program that prints charts installs one; without it a drawing shows as its frame only.
    using TDrawingPainter = void (*)(QPainter &painter, const QByteArray &drawing, const QRectF &box, double pxPerMm);
    static void SetDrawingPainter(TDrawingPainter painter);

    TPagePainter(QPainter &painter, double pxPerMm, int totalPages);

    // Text matching highlight (case-insensitive) is marked, as the preview's find shows it.
    QString Highlight;

    void Draw(const TPreparedPage &page);
    void Draw(const TPrimitive &item);

private:
    void DrawText(const TPrimitive &item);
    void DrawFrame(const TPrimitive &item);
    const QFont &FontOf(const TPrimitive &item);

    QPainter &m_painter;
    double m_scale;
    double m_fontFactor;
    int m_totalPages;
    QHash<QString, QFont> m_fonts;
};
