#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <vector>

class QDataStream;

// What a prepared page is made of. Geometry is in millimetres from the paper's top-left corner;
// font sizes in points. Text is already broken into lines by the layout, so every output (preview,
// printer, PDF) shows the same lines.
struct TPrimitive
{
    enum Kind : quint8 { Text, Rect, Line, Image, Drawing };
    enum Sides : quint8 { NoSides = 0, LeftSide = 1, TopSide = 2, RightSide = 4, BottomSide = 8, AllSides = 15 };

    Kind kind = Text;
    QRectF rect;              // Text, Rect, Image: the box; Line: from topLeft to bottomRight
    QColor fill;              // Rect and Text: invalid means no fill
    QColor color = Qt::black; // text, line and frame colour
    quint8 frameSides = NoSides;
    double frameWidth = 0.2; // mm

    // Text.
    QStringList lines;
    QString fontFamily;
    double fontSize = 8;
    bool bold = false, italic = false, underline = false;
    quint8 hAlign = 0;     // Qt::AlignLeft 0, 1 right, 2 centre, 3 justify
    quint8 vAlign = 0;     // 0 top, 1 centre, 2 bottom
    double lineHeight = 0; // mm between baselines
    double padding = 0.5;  // mm inside the box
    // The text holds the total-pages macro, filled in when the page is drawn.
    bool totalPagesMacro = false;

    QImage image;
    // Drawing: what to draw, encoded by the drawing's kind (a chart: TChartDrawing), drawn into the box
    // by the drawing painter the program installs.
    QByteArray drawing;
    // In a spooled page, the image's place in the report's table of images (-1: none); the
    // image itself is not written again for every page.
    qint32 imageIndex = -1;
};

// One output page.
struct TPreparedPage
{
    QSizeF paperSize; // mm, as printed (landscape already swapped)
    bool landscape = false;
    std::vector<TPrimitive> items;
    // Entries of the report's outline that start on this page: text, nesting level (0 outermost)
    // and the vertical position they point at (mm).
    struct OutlineEntry
    {
        QString text;
        int level = 0;
        double y = 0;
    };
    std::vector<OutlineEntry> outline;
};

QDataStream &operator<<(QDataStream &out, const TPrimitive &p);
QDataStream &operator>>(QDataStream &in, TPrimitive &p);
QDataStream &operator<<(QDataStream &out, const TPreparedPage &page);
QDataStream &operator>>(QDataStream &in, TPreparedPage &page);

// The placeholder the layout writes where the total number of pages goes.
inline const QString &TotalPagesMacro()
{
    static const QString macro = QStringLiteral("\u0001TP\u0001");
    return macro;
}
