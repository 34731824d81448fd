#include "TPagePainter.h"

#include "TPreparedPage.h"
#include "TReportFont.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <QPaintDevice>
#include <QPainter>

namespace {
TPagePainter::TDrawingPainterMaker s_drawingPainter = nullptr;
}

void TPagePainter::SetDrawingPainter(TDrawingPainterMaker maker)
{
    s_drawingPainter = maker;
}

TPagePainter::~TPagePainter() = default;

TPagePainter::TPagePainter(QPainter &painter, double pxPerMm, int totalPages)
    : m_painter(painter), m_scale(pxPerMm), m_totalPages(totalPages)
{
    // A font's point size is turned into dots at the device's logical resolution; the zoom asks for
    // pxPerMm * 25.4 dots per inch instead.
    const int dpi = painter.device() ? painter.device()->logicalDpiY() : 96;
    m_fontFactor = pxPerMm * 25.4 / (dpi > 0 ? dpi : 96);
}

void TPagePainter::Draw(const TPreparedPage &page)
{
    for (const TPrimitive &item : page.items)
        Draw(item);
}

void TPagePainter::Draw(const TPrimitive &item)
{
    const QRectF box(item.rect.x() * m_scale, item.rect.y() * m_scale, item.rect.width() * m_scale,
                     item.rect.height() * m_scale);
    switch (item.kind) {
    case TPrimitive::Rect:
        if (item.fill.isValid())
            m_painter.fillRect(box, item.fill);
        DrawFrame(item);
        break;
    case TPrimitive::Line: {
        QPen pen(item.color, std::max(item.frameWidth * m_scale, 0.5));
        m_painter.setPen(pen);
        m_painter.drawLine(box.topLeft(), box.bottomRight());
        break;
    }
    case TPrimitive::Image: {
        if (item.image.isNull())
            break;
        // Centred in its box, keeping its proportions.
        QSizeF size = item.image.size();
        size.scale(box.size(), Qt::KeepAspectRatio);
        const QRectF target(box.center().x() - size.width() / 2, box.center().y() - size.height() / 2, size.width(),
                            size.height());
        m_painter.drawImage(target, item.image);
        DrawFrame(item);
        break;
    }
    case TPrimitive::Drawing:
        if (!m_drawings && s_drawingPainter)
            m_drawings = s_drawingPainter();
        if (m_drawings) {
            m_painter.save();
            m_drawings->Paint(m_painter, item.drawing, box, m_scale);
            m_painter.restore();
        }
        DrawFrame(item);
        break;
    case TPrimitive::Text:
        if (item.fill.isValid())
            m_painter.fillRect(box, item.fill);
        DrawText(item);
        DrawFrame(item);
        break;
    }
}

void TPagePainter::DrawFrame(const TPrimitive &item)
{
    if (item.frameSides == TPrimitive::NoSides)
        return;
    const QRectF r(item.rect.x() * m_scale, item.rect.y() * m_scale, item.rect.width() * m_scale,
                   item.rect.height() * m_scale);
    QPen pen(item.color, std::max(item.frameWidth * m_scale, 0.5));
    pen.setCapStyle(Qt::SquareCap);
    m_painter.setPen(pen);
    if (item.frameSides == TPrimitive::AllSides) {
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(r);
        return;
    }
    if (item.frameSides & TPrimitive::LeftSide)
        m_painter.drawLine(r.topLeft(), r.bottomLeft());
    if (item.frameSides & TPrimitive::TopSide)
        m_painter.drawLine(r.topLeft(), r.topRight());
    if (item.frameSides & TPrimitive::RightSide)
        m_painter.drawLine(r.topRight(), r.bottomRight());
    if (item.frameSides & TPrimitive::BottomSide)
        m_painter.drawLine(r.bottomLeft(), r.bottomRight());
}

int TPagePainter::FontOf(const TPrimitive &item)
{
    for (size_t i = 0; i < m_fonts.size(); ++i) {
        const TFontEntry &f = m_fonts[i];
        if (f.size == item.fontSize && f.bold == item.bold && f.italic == item.italic &&
            f.underline == item.underline && f.family == item.fontFamily)
            return int(i);
    }
    QFont font =
        TReportFont::Make(item.fontFamily, item.fontSize * m_fontFactor, item.bold, item.italic, item.underline);
    const double ascent = QFontMetricsF(font, m_painter.device()).ascent();
    m_fonts.push_back({item.fontFamily, item.fontSize, item.bold, item.italic, item.underline, font, ascent});
    return int(m_fonts.size()) - 1;
}

const TPagePainter::TShaped &TPagePainter::Shaped(int font, const QString &text)
{
    return m_shaped.Get({font, text}, [&] { return Shape(text, m_fonts[size_t(font)].font, m_painter.device()); });
}

TPagePainter::TShaped TPagePainter::Shape(const QString &text, const QFont &font, QPaintDevice *device)
{
    TShaped shaped;
    QTextLayout layout(text, font, device);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid())
        line.setLineWidth(1e9);
    layout.endLayout();
    if (line.isValid()) {
        shaped.width = line.naturalTextWidth();
        // The runs come placed on a baseline at the line's ascent: moved to a baseline at 0.
        for (QGlyphRun run : layout.glyphRuns()) {
            QList<QPointF> positions = run.positions();
            for (QPointF &p : positions)
                p.ry() -= line.ascent();
            run.setPositions(positions);
            shaped.runs << run;
        }
    }
    return shaped;
}

void TPagePainter::DrawText(const TPrimitive &item)
{
    if (item.lines.isEmpty())
        return;
    const int fontIndex = FontOf(item);
    const QFont &font = m_fonts[size_t(fontIndex)].font;
    const double ascent = m_fonts[size_t(fontIndex)].ascent;
    m_painter.setFont(font);
    m_painter.setPen(item.color);
    const double pad = item.padding * m_scale;
    const double left = item.rect.x() * m_scale + pad;
    const double width = item.rect.width() * m_scale - 2 * pad;
    const double lineHeight = item.lineHeight * m_scale;
    const double textHeight = lineHeight * item.lines.size();
    double top = item.rect.y() * m_scale + pad;
    const double room = item.rect.height() * m_scale - 2 * pad;
    if (item.vAlign == 1)
        top += (room - textHeight) / 2;
    else if (item.vAlign == 2)
        top += room - textHeight;

    for (int i = 0; i < item.lines.size(); ++i) {
        QString line = item.lines.at(i);
        if (item.totalPagesMacro)
            line.replace(TotalPagesMacro(), QString::number(m_totalPages));
        const double baseline = top + i * lineHeight + ascent;
        const bool lastLine = i == item.lines.size() - 1;
        if (item.hAlign == 3 && !lastLine && line.contains(QLatin1Char(' '))) {
            // Justified: the room left is shared among the gaps between words.
            const QFontMetricsF fm(font, m_painter.device());
            const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            double wordsWidth = 0;
            for (const QString &w : words)
                wordsWidth += fm.horizontalAdvance(w);
            const double gap = words.size() > 1 ? (width - wordsWidth) / (words.size() - 1) : 0;
            double x = left;
            for (const QString &w : words) {
                m_painter.drawText(QPointF(x, baseline), w);
                x += fm.horizontalAdvance(w) + gap;
            }
        } else {
            const TShaped &shaped = Shaped(fontIndex, line);
            double x = left;
            if (item.hAlign == 1 || item.hAlign == 2)
                x = item.hAlign == 1 ? left + width - shaped.width : left + (width - shaped.width) / 2;
            if (!Highlight.isEmpty()) {
                const QFontMetricsF fm(font, m_painter.device());
                for (int at = line.indexOf(Highlight, 0, Qt::CaseInsensitive); at >= 0;
                     at = line.indexOf(Highlight, at + 1, Qt::CaseInsensitive)) {
                    const double hx = x + fm.horizontalAdvance(line.left(at));
                    m_painter.fillRect(QRectF(hx, baseline - fm.ascent(),
                                              fm.horizontalAdvance(line.mid(at, Highlight.size())), fm.height()),
                                       QColor(255, 230, 0, 160));
                }
            }
            for (const QGlyphRun &run : shaped.runs)
                m_painter.drawGlyphRun(QPointF(x, baseline), run);
        }
    }
}
