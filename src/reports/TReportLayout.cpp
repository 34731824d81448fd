#include "TReportLayout.h"

TMemoView *TReportLayout::Memo(TBand *band, const QString &name, const QRectF &box, const QString &text,
                               const MemoStyle &style)
{
    TMemoView *memo = band->Add<TMemoView>(name);
    memo->Left = box.left();
    memo->Top = box.top();
    memo->Width = box.width();
    memo->Height = box.height();
    memo->Text = text;
    memo->FontSize = style.size;
    memo->Bold = style.bold;
    memo->HorzAlign = style.align;
    memo->VertAlign = style.valign;
    memo->FrameSides = style.frame;
    memo->Fill = style.fill;
    memo->StretchMode = style.stretch;
    return memo;
}
