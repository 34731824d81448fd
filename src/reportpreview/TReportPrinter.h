#pragma once

#include <memory>

class QPrinter;
class QWidget;
class TPreparedReport;

// Prints prepared pages at the printer's resolution through the page painter the preview and the
// PDF file use. Each page goes on its own paper size and orientation, unless the user chose a paper
// in the page setup (OnPrinterPaper): then every page goes on that paper, scaled down to fit when it
// is larger, centred. Page numbers are 1-based, as the print dialog shows them.
//
// The dialogs run through the application's prompt service. Printing raises std::runtime_error
// (Spanish message) when the printer cannot be opened.
class TReportPrinter
{
public:
    // A high-resolution printer on the system default printer (see UseDefaultPrinter).
    TReportPrinter();
    ~TReportPrinter();
    TReportPrinter(const TReportPrinter &) = delete;
    TReportPrinter &operator=(const TReportPrinter &) = delete;

    // Owned; kept between prints so the page setup and the printer chosen carry over.
    QPrinter &Printer() const { return *m_printer; }
    bool OnPrinterPaper = false;

    // The page setup dialog on Printer(); accepting it sets OnPrinterPaper. False when cancelled.
    bool PageSetup(QWidget *parent);
    // The print dialog on Printer() (all pages, a range, or currentPage when it is > 0), then the
    // pages chosen. False when cancelled or when the report has no pages.
    bool Exec(const TPreparedReport &report, QWidget *parent, int currentPage = 0);

    // One print without a preview: the dialog on the default printer, then the pages chosen.
    static bool Print(const TPreparedReport &report, QWidget *parent);
    // Pages fromPage..toPage (inclusive, clamped to the report) with no dialog; copies the printer
    // cannot make itself are printed here.
    static void PrintTo(QPrinter &printer, const TPreparedReport &report, int fromPage, int toPage,
                        bool onPrinterPaper = false);
    // Selects QPrinterInfo::defaultPrinter() when the system has one.
    static void UseDefaultPrinter(QPrinter &printer);

private:
    std::unique_ptr<QPrinter> m_printer;
};
