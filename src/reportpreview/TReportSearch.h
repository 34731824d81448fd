#pragma once

#include <QString>

class TPreparedReport;

// Where a searched text stands in a prepared report: page index (0-based), text primitive, line of
// that primitive and character in the line. y is the line's top on its page, in millimetres.
struct TTextMatch
{
    int page = -1;
    int item = 0;
    int line = 0;
    int column = 0;
    double y = 0;

    bool Found() const { return page >= 0; }
};

// Finds text in the lines of a prepared report's text primitives, case-insensitively, one occurrence
// after another in reading order (page, primitive, line, column), wrapping around at either end.
// Reads pages through TPreparedReport::Page, so a spooled report is read back page by page; the
// report must outlive the search.
class TReportSearch
{
public:
    explicit TReportSearch(const TPreparedReport &report) : m_report(report) {}

    // The first occurrence after `from`; with a `from` that is not found, the first occurrence at or
    // after the start of page `fromPage`. Not found when the text stands nowhere (or is empty).
    TTextMatch Next(const QString &text, const TTextMatch &from, int fromPage = 0) const;
    // The last occurrence before `from`, the same way backwards.
    TTextMatch Previous(const QString &text, const TTextMatch &from, int fromPage = 0) const;

private:
    TTextMatch Step(const QString &text, const TTextMatch &from, int fromPage, bool forward) const;

    const TPreparedReport &m_report;
};
