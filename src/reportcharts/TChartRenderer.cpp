#include "TChartRenderer.h"

#include "TChartPainter.h"

void TChartRenderer::Install()
{
    TPagePainter::SetDrawingPainter(
        []() -> std::unique_ptr<TPagePainter::TDrawingPainter> { return std::make_unique<TChartPainter>(); });
}
