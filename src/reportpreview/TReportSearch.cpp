#include "TReportSearch.h"

#include "TPreparedReport.h"

#include <tuple>
#include <vector>

namespace {

auto key(const TTextMatch &m)
{
    return std::tie(m.item, m.line, m.column);
}

// Every occurrence of text on one page, in reading order.
std::vector<TTextMatch> occurrences(const TPreparedPage &page, int pageIndex, const QString &text)
{
    std::vector<TTextMatch> found;
    for (int item = 0; item < int(page.items.size()); ++item) {
        const TPrimitive &p = page.items[size_t(item)];
        if (p.kind != TPrimitive::Text)
            continue;
        // The lines' top as the page painter places them, so the view scrolls to the line itself.
        double top = p.rect.y() + p.padding;
        const double room = p.rect.height() - 2 * p.padding;
        const double textHeight = p.lineHeight * p.lines.size();
        if (p.vAlign == 1)
            top += (room - textHeight) / 2;
        else if (p.vAlign == 2)
            top += room - textHeight;
        for (int line = 0; line < p.lines.size(); ++line) {
            const QString &s = p.lines.at(line);
            for (int at = s.indexOf(text, 0, Qt::CaseInsensitive); at >= 0;
                 at = s.indexOf(text, at + 1, Qt::CaseInsensitive))
                found.push_back({pageIndex, item, line, at, top + line * p.lineHeight});
        }
    }
    return found;
}

} // namespace

TTextMatch TReportSearch::Next(const QString &text, const TTextMatch &from, int fromPage) const
{
    return Step(text, from, fromPage, true);
}

TTextMatch TReportSearch::Previous(const QString &text, const TTextMatch &from, int fromPage) const
{
    return Step(text, from, fromPage, false);
}

TTextMatch TReportSearch::Step(const QString &text, const TTextMatch &from, int fromPage, bool forward) const
{
    const int count = m_report.PageCount();
    if (text.isEmpty() || count == 0)
        return {};
    const int start = from.Found() ? from.page : qBound(0, fromPage, count - 1);
    // With a match to move on from, its own page is read twice: first for what follows it, last
    // (after going round) for what precedes it.
    const int steps = from.Found() ? count + 1 : count;
    for (int k = 0; k < steps; ++k) {
        const int page = ((forward ? start + k : start - k) % count + count) % count;
        const std::vector<TTextMatch> all = occurrences(*m_report.Page(page), page, text);
        if (k == 0 && from.Found()) {
            if (forward) {
                for (const TTextMatch &m : all)
                    if (key(m) > key(from))
                        return m;
            } else {
                for (auto it = all.rbegin(); it != all.rend(); ++it)
                    if (key(*it) < key(from))
                        return *it;
            }
        } else if (!all.empty()) {
            return forward ? all.front() : all.back();
        }
    }
    return {};
}
