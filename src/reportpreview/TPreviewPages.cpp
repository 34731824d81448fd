#include "TPreviewPages.h"

#include "TPagePainter.h"
#include "TPreparedReport.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <array>

namespace {

constexpr int Gap = 12;         // pixels of grey around and between pages, at every zoom
constexpr int ShadowOffset = 3; // pixels the shadow stands off the paper
constexpr size_t CachedPages = 8;
constexpr std::array<double, 12> ZoomSteps{10, 25, 50, 75, 100, 125, 150, 200, 300, 400, 600, 800};

} // namespace

TPreviewPages::TPreviewPages(QWidget *parent) : QAbstractScrollArea(parent)
{
    // Always there, so fitting a page's width never makes the bar come and go.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->setSingleStep(40);
    horizontalScrollBar()->setSingleStep(40);
}

TPreviewPages::~TPreviewPages() = default;

void TPreviewPages::SetReport(const TPreparedReport *report, std::vector<QSizeF> paperSizes)
{
    m_report = report;
    m_paperMm = std::move(paperSizes);
    m_cache.clear();
    m_current = 0;
    Relayout();
    if (m_fit != NoFit)
        ApplyFit();
    ShowPage(0);
    emit CurrentIndexChanged(0);
}

double TPreviewPages::PxPerMm() const
{
    return viewport()->logicalDpiX() / 25.4 * m_zoom / 100;
}

void TPreviewPages::Relayout()
{
    const double px = PxPerMm();
    const size_t count = m_paperMm.size();
    m_top.resize(count);
    m_sizePx.resize(count);
    int y = Gap, widest = 0;
    for (size_t i = 0; i < count; ++i) {
        m_sizePx[i] = QSize(qRound(m_paperMm[i].width() * px), qRound(m_paperMm[i].height() * px));
        m_top[i] = y;
        y += m_sizePx[i].height() + Gap;
        widest = std::max(widest, m_sizePx[i].width());
    }
    m_documentWidth = widest + 2 * Gap;
    m_documentHeight = y;
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, m_documentWidth - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setRange(0, std::max(0, m_documentHeight - view.height()));
    verticalScrollBar()->setPageStep(view.height());
    viewport()->update();
}

int TPreviewPages::PageAt(int documentY) const
{
    if (m_top.empty())
        return -1;
    const auto after = std::upper_bound(m_top.begin(), m_top.end(), documentY);
    return std::max(0, int(after - m_top.begin()) - 1);
}

int TPreviewPages::PageLeft(int index) const
{
    const int width = std::max(m_documentWidth, viewport()->width());
    return (width - m_sizePx[size_t(index)].width()) / 2 - horizontalScrollBar()->value();
}

QRect TPreviewPages::PageRect(int index) const
{
    if (index < 0 || index >= int(m_top.size()))
        return {};
    return QRect(QPoint(PageLeft(index), m_top[size_t(index)] - verticalScrollBar()->value()), m_sizePx[size_t(index)]);
}

double TPreviewPages::NextZoomStep(double percent, int direction)
{
    if (direction > 0) {
        for (const double step : ZoomSteps)
            if (step > percent + 0.5)
                return step;
        return MaxZoom;
    }
    for (auto it = ZoomSteps.rbegin(); it != ZoomSteps.rend(); ++it)
        if (*it < percent - 0.5)
            return *it;
    return MinZoom;
}

void TPreviewPages::ZoomIn()
{
    SetZoom(NextZoomStep(m_zoom, 1));
}

void TPreviewPages::ZoomOut()
{
    SetZoom(NextZoomStep(m_zoom, -1));
}

void TPreviewPages::SetZoom(double percent, QPoint anchor)
{
    m_fit = NoFit;
    Rezoom(percent, anchor);
}

void TPreviewPages::Rezoom(double percent, QPoint anchor)
{
    percent = std::clamp(percent, MinZoom, MaxZoom);
    if (anchor.isNull())
        anchor = viewport()->rect().center();
    // The anchor's place on its page, as fractions of the page, before and after.
    const int y = verticalScrollBar()->value() + anchor.y();
    const int index = PageAt(y);
    const double fy = index >= 0 ? double(y - m_top[size_t(index)]) / std::max(1, m_sizePx[size_t(index)].height()) : 0;
    const double fx =
        double(horizontalScrollBar()->value() + anchor.x()) / std::max(m_documentWidth, viewport()->width());
    const bool changed = !qFuzzyCompare(percent, m_zoom);
    m_zoom = percent;
    m_placing = true;
    Relayout();
    if (index >= 0) {
        verticalScrollBar()->setValue(m_top[size_t(index)] + qRound(fy * m_sizePx[size_t(index)].height()) -
                                      anchor.y());
        horizontalScrollBar()->setValue(qRound(fx * std::max(m_documentWidth, viewport()->width())) - anchor.x());
    }
    m_placing = false;
    if (changed)
        emit ZoomChanged(m_zoom);
}

void TPreviewPages::SetFit(Fit fit)
{
    m_fit = fit;
    ApplyFit();
}

void TPreviewPages::ApplyFit()
{
    if (m_fit == NoFit || m_paperMm.empty())
        return;
    const QSizeF paper = m_paperMm[size_t(m_current)] * (viewport()->logicalDpiX() / 25.4 / 100);
    // One pixel to spare, so rounding never makes the page a pixel too large.
    const double byWidth = (viewport()->width() - 2 * Gap - 1) / paper.width();
    const double byHeight = (viewport()->height() - 2 * Gap - 1) / paper.height();
    if (m_fit == WholePage) {
        Rezoom(std::min(byWidth, byHeight), QPoint());
        ShowPage(m_current);
    } else {
        Rezoom(byWidth, QPoint());
    }
}

void TPreviewPages::ShowPage(int index, double yMm)
{
    if (m_top.empty())
        return;
    index = std::clamp(index, 0, int(m_top.size()) - 1);
    // Across, the page is centred when it fits and shown from its left edge when it does not.
    const int width = m_sizePx[size_t(index)].width();
    const int view = viewport()->width();
    const int left = (std::max(m_documentWidth, view) - width) / 2;
    m_placing = true;
    verticalScrollBar()->setValue(m_top[size_t(index)] - Gap + qRound(yMm * PxPerMm()));
    horizontalScrollBar()->setValue(width + 2 * Gap <= view ? left + width / 2 - view / 2 : left - Gap);
    m_placing = false;
    viewport()->update();
    if (index != m_current) {
        m_current = index;
        emit CurrentIndexChanged(index);
    }
}

void TPreviewPages::SetHighlight(const QString &text)
{
    if (text == m_highlight)
        return;
    m_highlight = text;
    viewport()->update();
}

void TPreviewPages::UpdateCurrent()
{
    if (m_top.empty())
        return;
    // The page that takes most of the view.
    const int top = verticalScrollBar()->value();
    const int bottom = top + viewport()->height();
    int best = m_current, bestHeight = -1;
    for (int i = PageAt(top); i < int(m_top.size()) && m_top[size_t(i)] < bottom; ++i) {
        const int seen =
            std::min(bottom, m_top[size_t(i)] + m_sizePx[size_t(i)].height()) - std::max(top, m_top[size_t(i)]);
        if (seen > bestHeight) {
            best = i;
            bestHeight = seen;
        }
    }
    if (best != m_current) {
        m_current = best;
        emit CurrentIndexChanged(best);
    }
}

void TPreviewPages::scrollContentsBy(int dx, int dy)
{
    viewport()->scroll(dx, dy);
    if (!m_placing)
        UpdateCurrent();
}

void TPreviewPages::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (m_fit != NoFit)
        ApplyFit();
    else
        Relayout();
}

void TPreviewPages::wheelEvent(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    // A notch is 120 eighths of a degree; touchpads send less at a time.
    m_wheelDelta += event->angleDelta().y();
    const int steps = m_wheelDelta / 120;
    m_wheelDelta -= steps * 120;
    double zoom = m_zoom;
    for (int i = 0; i < std::abs(steps); ++i)
        zoom = NextZoomStep(zoom, steps);
    if (steps != 0)
        SetZoom(zoom, event->position().toPoint());
    event->accept();
}

std::shared_ptr<const TPreparedPage> TPreviewPages::ReadPage(int index) const
{
    const auto hit = std::find_if(m_cache.begin(), m_cache.end(), [index](const auto &e) { return e.first == index; });
    if (hit != m_cache.end()) {
        std::rotate(hit, hit + 1, m_cache.end());
        return m_cache.back().second;
    }
    auto page = m_report->Page(index);
    if (m_cache.size() == CachedPages)
        m_cache.erase(m_cache.begin());
    m_cache.emplace_back(index, page);
    return page;
}

void TPreviewPages::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QRect exposed = event->rect();
    painter.fillRect(exposed, QColor(128, 128, 128));
    if (!m_report || m_top.empty())
        return;
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    const int scroll = verticalScrollBar()->value();
    const int total = int(m_top.size());
    const double pxPerMm = PxPerMm();
    for (int i = PageAt(scroll + exposed.top()); i < total && m_top[size_t(i)] - scroll <= exposed.bottom(); ++i) {
        const QRect paper = PageRect(i);
        if (!paper.adjusted(0, 0, ShadowOffset, ShadowOffset).intersects(exposed))
            continue;
        painter.fillRect(paper.translated(ShadowOffset, ShadowOffset), QColor(0, 0, 0, 70));
        painter.fillRect(paper, Qt::white);
        painter.save();
        painter.setClipRect(paper.intersected(exposed));
        painter.translate(paper.topLeft());
        try {
            const auto page = ReadPage(i);
            TPagePainter pagePainter(painter, pxPerMm, total);
            pagePainter.Highlight = m_highlight;
            pagePainter.Draw(*page);
        } catch (const std::exception &) {
            painter.setPen(Qt::red);
            painter.drawText(QRect(QPoint(0, 0), paper.size()), Qt::AlignCenter,
                             QStringLiteral("No fue posible leer la página %1.").arg(i + 1));
        }
        painter.restore();
    }
}
