#pragma once

#include <QAbstractScrollArea>
#include <QSizeF>
#include <QString>
#include <memory>
#include <vector>

class TPreparedReport;
struct TPreparedPage;

// The pages of a prepared report one under the other on a grey ground, each as white paper with a
// light shadow. At 100 % a page has its real size on the screen (the screen's logical dots per
// millimetre). Pages are read and drawn only when they come into sight, while painting; the last
// few read are kept, so a spooled report of hundreds of pages scrolls without reading them all.
// Page indexes here are 0-based, as TPreparedReport numbers them.
class TPreviewPages : public QAbstractScrollArea
{
    Q_OBJECT
public:
    enum Fit { NoFit, WholePage, PageWidth };
    static constexpr double MinZoom = 10;  // percent
    static constexpr double MaxZoom = 800; // percent

    explicit TPreviewPages(QWidget *parent = nullptr);
    ~TPreviewPages() override;

    // The report is not owned and must outlive the view (or the next SetReport). paperSizes holds
    // each page's size in millimetres, as printed; the view shows the first page.
    void SetReport(const TPreparedReport *report, std::vector<QSizeF> paperSizes);

    double Zoom() const { return m_zoom; }
    // Clamped to [MinZoom, MaxZoom]; ends any fit. The point of the pages under anchor (viewport
    // pixels; the viewport's centre when anchor is null) stays under it.
    void SetZoom(double percent, QPoint anchor = QPoint());
    void ZoomIn();
    void ZoomOut();
    // Zooms so that the current page fits whole, or its width fits; kept while the view is resized,
    // until the zoom is set again.
    void SetFit(Fit fit);
    Fit CurrentFit() const { return m_fit; }

    int CurrentIndex() const { return m_current; }
    // Scrolls so that the point yMm below the top of the page stands at the top of the view.
    void ShowPage(int index, double yMm = 0);
    // Text marked on every page, case-insensitively; empty marks nothing.
    void SetHighlight(const QString &text);
    QString Highlight() const { return m_highlight; }
    // Where the page stands, in viewport pixels.
    QRect PageRect(int index) const;

    // The zoom steps in and out go through, in percent.
    static double NextZoomStep(double percent, int direction);

signals:
    void CurrentIndexChanged(int index);
    void ZoomChanged(double percent);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    double PxPerMm() const;
    void Relayout();
    void Rezoom(double percent, QPoint anchor);
    void ApplyFit();
    void UpdateCurrent();
    int PageAt(int documentY) const;
    int PageLeft(int index) const;
    std::shared_ptr<const TPreparedPage> ReadPage(int index) const;

    const TPreparedReport *m_report = nullptr;
    std::vector<QSizeF> m_paperMm;
    std::vector<int> m_top;      // document pixels, at the current zoom
    std::vector<QSize> m_sizePx; // at the current zoom
    int m_documentWidth = 0;
    int m_documentHeight = 0;
    double m_zoom = 100;
    Fit m_fit = NoFit;
    int m_current = 0;
    bool m_placing = false; // scrolling on purpose: the current page is already set
    int m_wheelDelta = 0;   // eighths of a degree not yet turned into zoom steps
    QString m_highlight;
    // Pages read lately, newest last (index, page).
    mutable std::vector<std::pair<int, std::shared_ptr<const TPreparedPage>>> m_cache;
};
