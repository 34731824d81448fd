#include "TTextLayout.h"

#include <QFontMetricsF>
#include <QImage>
#include <QRegularExpression>

namespace {

// A device of 720 dots per inch: one point is ten dots.
const QImage &measureDevice()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32);
        const int dotsPerMeter = int(720 / 0.0254 + 0.5);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return device;
}

constexpr double kDotToMm = 25.4 / 720.0;

} // namespace

TTextLayout::TTextLayout(const QFont &font) : m_font(font), m_metrics(m_font, &measureDevice())
{
    m_lineHeight = m_metrics.lineSpacing() * kDotToMm;
    m_ascent = m_metrics.ascent() * kDotToMm;
}

double TTextLayout::Advance(const QString &text) const
{
    // Reports print the same short texts again and again (marks, totals, headings): each is
    // measured once. Long texts are seldom repeated and not kept.
    if (text.size() > 64)
        return m_metrics.horizontalAdvance(text);
    return m_advances.Get(text, [&] { return m_metrics.horizontalAdvance(text); });
}

double TTextLayout::Width(const QString &text) const
{
    return Advance(text) * kDotToMm;
}

QStringList TTextLayout::Break(const QString &text, double widthMm, bool wordWrap) const
{
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList paragraphs = normalized.split(QLatin1Char('\n'));
    if (!wordWrap || widthMm <= 0)
        return paragraphs;

    const QFontMetricsF &fm = m_metrics;
    const double limit = widthMm / kDotToMm;
    QStringList lines;
    for (const QString &paragraph : paragraphs) {
        if (Advance(paragraph) <= limit) {
            lines << paragraph;
            continue;
        }
        const QStringList words = paragraph.split(QLatin1Char(' '));
        QString line;
        for (QString word : words) {
            const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (Advance(candidate) <= limit) {
                line = candidate;
                continue;
            }
            if (!line.isEmpty())
                lines << line;
            // A word wider than the box is cut between letters.
            while (fm.horizontalAdvance(word) > limit && word.size() > 1) {
                int n = 1;
                while (n < word.size() && fm.horizontalAdvance(word.left(n + 1)) <= limit)
                    ++n;
                lines << word.left(n);
                word = word.mid(n);
            }
            line = word;
        }
        lines << line;
    }
    return lines;
}
