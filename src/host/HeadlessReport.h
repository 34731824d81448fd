#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// The report output without a user (tolvane-host --report N --pdf FILE --xlsx FILE): the module's
// report dispatch runs as the print button runs it, with the chooser answered by HeadlessPrompts,
// and printing writes the PDF file (TApplication::PrintToPdfFile) and the Excel workbook
// (TApplication::PrintToXlsxFile) it is given; an empty name writes none. What the module would have shown is
// collected instead: exception messages, and the texts of message boxes, which are closed as they
// open (a progress dialog is left to run). From Run on, and until the object goes (so also while
// the module unloads), nothing waits for a user; the destructor gives the application object back
// its own prompt service and exception display.
class HeadlessReport : public QObject
{
    Q_OBJECT
public:
    HeadlessReport(int option, const QString &pdfFile, const QString &xlsxFile = QString());
    ~HeadlessReport() override;

    // Clicks the print button of the module window (a TfrmFormaMaestro). True when every file was
    // written and nothing was raised; Messages() holds what message boxes said and, on failure, why.
    // The files are removed first, so an earlier one never passes for this run's.
    bool Run(QWidget *moduleWindow);
    QStringList Messages() const { return m_messages; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int m_option;
    QStringList m_files; // the PDF file, then the workbook, when given
    QStringList m_messages;
    int m_raised = 0; // exceptions shown so far
    bool m_installed = false;
    std::function<void(const QString &)> m_showException;
};
