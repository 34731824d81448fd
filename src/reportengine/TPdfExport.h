#pragma once

#include <QString>
#include <functional>

class TPreparedReport;

// Writes prepared pages to a PDF file: text stays text, fonts are embedded, the document's title is
// the report's name and its creator this program.
class TPdfExport
{
public:
    QString Creator = QStringLiteral("ZErOdadi");
    int Resolution = 1200;
    // Called after each page with (pages done, pages in all); returning false cancels the export,
    // and the unfinished file is removed.
    std::function<bool(int done, int total)> OnProgress;

    // Returns false when cancelled; raises std::runtime_error (Spanish message) when the file cannot
    // be written.
    bool Export(const TPreparedReport &report, const QString &fileName) const;
};
