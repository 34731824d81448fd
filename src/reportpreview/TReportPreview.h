#pragma once

#include "TReportPrinter.h"
#include "TReportSearch.h"

#include <QDialog>
#include <QStyle>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QSplitter;
class QStatusBar;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class TPreparedReport;
class TPreviewPages;

// The preview window of a prepared report: its pages at 100 % (the paper's real size on the
// screen), a toolbar (print, open, save, export, find, outline, zoom, page setup, tools, the
// disabled edit button, the page navigator, close), a find bar, the outline beside the pages and a
// status bar with "Página X de N" and the zoom.
//
// The pages are never changed. The window shows the report it was given, which must outlive it,
// until the user opens a saved one, which the window then owns. Page numbers here are 1-based, as
// the navigator shows them. The dialogs it opens (files, printing, page setup, going to a page,
// messages) run through Application()->Prompts(); each public method below does its work without
// a dialog, and the toolbar's actions call them once the dialog is answered.
class TReportPreview : public QDialog
{
    Q_OBJECT
    // Whether the edit button is in the toolbar at all; it is always disabled (prepared pages cannot
    // be edited). Off by default.
    Q_PROPERTY(bool ShowEditButton READ ShowEditButton WRITE SetShowEditButton)

public:
    explicit TReportPreview(const TPreparedReport &report, QWidget *parent = nullptr);
    ~TReportPreview() override;

    const TPreparedReport &Report() const { return *m_report; }
    int PageCount() const;
    int CurrentPage() const;
    double Zoom() const;
    bool ShowEditButton() const { return m_showEdit; }
    void SetShowEditButton(bool show);

    TPreviewPages *Pages() const { return m_pages; }
    QTreeWidget *OutlineTree() const { return m_outline; }
    QStatusBar *StatusBar() const { return m_statusBar; }
    QToolBar *ToolBar() const { return m_toolBar; } // the main bar, without the navigator
    TReportPrinter &Printer() { return m_printer; }

    // Adds "Exportar a Excel…" to the export menu: it asks for the file (TPrompts::SaveFileName) and
    // hands it to `write`, which writes the report's tables there (false: cancelled); what it raises
    // is shown in a message and the preview stays.
    void SetWorkbookExport(std::function<bool(const QString &fileName)> write);

public slots:
    void SetZoom(double percent);
    void ZoomIn();
    void ZoomOut();
    void FitWholePage();
    void FitPageWidth();

    void GoToPage(int page); // clamped to the report's pages
    void FirstPage();
    void PreviousPage();
    void NextPage();
    void LastPage();

    // Searches the pages' text, case-insensitively: the next occurrence when text is what the find
    // bar searched last, else the first one from the current page on. The match's page is shown and
    // the text marked; "No se encontró «text»." goes to the status bar when it stands nowhere.
    bool Find(const QString &text);
    bool FindNext();
    bool FindPrevious();

    // Writes the pages to a PDF file with a cancellable progress dialog; a cancelled export leaves no
    // file. False when cancelled or when the file cannot be written (a message says so).
    bool ExportPdf(const QString &fileName);
    // Writes "<report name>.pdf" into the user's Documents folder, numbered when the name is taken,
    // and says where in the status bar. Returns the file written, empty when it failed.
    QString QuickExport();
    // A prepared report file (".zrp"). OpenFile shows the pages of the file; a file that is not one
    // is refused with a message and the pages shown stay.
    bool SaveTo(const QString &fileName);
    bool OpenFile(const QString &fileName);

private slots:
    // The toolbar's actions that ask something first.
    void Print();
    void Open();
    void Save();
    void ExportPdfAs();
    void PageSetup();
    void AskPage();
    void ZoomTyped();
    void PageShown(int index);
    void OutlineClicked(QTreeWidgetItem *item);

private:
    QWidget *BuildToolBars(); // the main bar and the page navigator, in one row
    void BuildFindBar(QWidget *bar);
    void ShowFindBar();
    void BuildStatusBar();
    // keys: shortcuts in portable text, separated by "; " (the first one shows in the tooltip);
    // themeIcons: names of the icon theme to try, separated by spaces.
    QAction *NewAction(const QString &text, const QString &toolTip, const QString &keys, const char *themeIcons,
                       QStyle::StandardPixmap fallback = QStyle::SP_CustomBase);
    void ShowReport(const TPreparedReport &report);
    bool Search(bool forward);
    void ShowZoom(double percent);
    void Tell(const QString &message);
    // The file the user picks in a file dialog; empty when cancelled. suggested is a file name
    // (its suffix is the default one) or empty.
    QString AskFileName(const QString &title, bool saving, const QString &filter, const QString &suggested);
    QString FileBaseName() const;

    const TPreparedReport *m_report;
    std::unique_ptr<TPreparedReport> m_opened; // a report the user opened from a file
    TReportPrinter m_printer;
    TTextMatch m_match;
    QString m_matchText;
    bool m_showEdit = false;

    TPreviewPages *m_pages = nullptr;
    QTreeWidget *m_outline = nullptr;
    QSplitter *m_splitter = nullptr;
    QToolBar *m_toolBar = nullptr;
    QWidget *m_findBar = nullptr;
    QLineEdit *m_findEdit = nullptr;
    QComboBox *m_zoomBox = nullptr;
    QSpinBox *m_pageBox = nullptr;
    QLabel *m_pageCountLabel = nullptr;
    QStatusBar *m_statusBar = nullptr;
    QLabel *m_pageStatus = nullptr;
    QLabel *m_zoomStatus = nullptr;
    QAction *m_actEdit = nullptr;
    QAction *m_actExport = nullptr; // holds the export menu
    QAction *m_actOutline = nullptr;
    QAction *m_actFirst = nullptr;
    QAction *m_actPrevious = nullptr;
    QAction *m_actNext = nullptr;
    QAction *m_actLast = nullptr;
};
