#pragma once

#include "TRecent.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QStringList>

// Measures report text in millimetres and breaks it into lines. Measurements are taken at ten times
// the size and scaled back, so they do not depend on the screen the program runs on.
class TTextLayout
{
public:
    explicit TTextLayout(const QFont &font);

    const QFont &Font() const { return m_font; }
    double LineHeight() const { return m_lineHeight; }
    double Ascent() const { return m_ascent; }
    double Width(const QString &text) const;
    // Lines of text in a box widthMm wide: explicit line breaks are kept; with wordWrap, words go to
    // the next line when they do not fit, and a word longer than the box is cut between letters.
    QStringList Break(const QString &text, double widthMm, bool wordWrap) const;

private:
    double Advance(const QString &text) const; // in the measuring font's dots

    QFont m_font;
    QFontMetricsF m_metrics;
    double m_lineHeight = 0;
    double m_ascent = 0;
    mutable TRecent<QString, double> m_advances{4096};
};
