#pragma once

#include "TBand.h"
#include "TReportObjects.h"

#include <QRectF>

// Small helpers for writing report definitions: a memo placed in one call.
namespace TReportLayout {
struct MemoStyle
{
    double size = 8;
    bool bold = false;
    TMemoView::HAlign align = TMemoView::haLeft;
    TMemoView::VAlign valign = TMemoView::vaCenter;
    quint8 frame = 0;
    QColor fill = QColor();
    TMemoView::Stretch stretch = TMemoView::smDontStretch;
};

// A memo at box (mm, relative to the band) with the text and style given.
TMemoView *Memo(TBand *band, const QString &name, const QRectF &box, const QString &text, const MemoStyle &style = {});
} // namespace TReportLayout
