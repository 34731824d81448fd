#include "TReportPreview.h"

#include "TApplication.h"
#include "TPdfExport.h"
#include "TPreparedReport.h"
#include "TPreviewPages.h"
#include "TPrompts.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int PageRole = Qt::UserRole;  // outline item: page index (0-based)
constexpr int YRole = Qt::UserRole + 1; // outline item: millimetres below the page's top

QString messageOf(const std::exception &error)
{
    return QString::fromUtf8(error.what());
}

} // namespace

TReportPreview::TReportPreview(const TPreparedReport &report, QWidget *parent) : QDialog(parent), m_report(&report)
{
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setModal(true); // whether the caller runs it with exec() or shows it
    m_pages = new TPreviewPages(this);
    m_outline = new QTreeWidget(this);
    m_outline->setHeaderHidden(true);
    m_outline->setColumnCount(1);
    m_splitter = new QSplitter(this);
    m_splitter->addWidget(m_outline);
    m_splitter->addWidget(m_pages);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({220, 1000});
    m_findBar = new QWidget(this);
    BuildFindBar(m_findBar);
    QWidget *toolBars = BuildToolBars();
    BuildStatusBar();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBars);
    layout->addWidget(m_findBar);
    layout->addWidget(m_splitter, 1);
    layout->addWidget(m_statusBar);

    connect(m_pages, &TPreviewPages::CurrentIndexChanged, this, &TReportPreview::PageShown);
    connect(m_pages, &TPreviewPages::ZoomChanged, this, &TReportPreview::ShowZoom);
    connect(m_outline, &QTreeWidget::itemClicked, this, &TReportPreview::OutlineClicked);
    connect(m_outline, &QTreeWidget::itemActivated, this, &TReportPreview::OutlineClicked);

    resize(1100, 800);
    setWindowState(Qt::WindowMaximized);
    ShowReport(report);
    ShowZoom(m_pages->Zoom());
    m_pages->setFocus(); // arrows, page keys and the wheel scroll the pages from the start
}

TReportPreview::~TReportPreview() = default;

int TReportPreview::PageCount() const
{
    return m_report->PageCount();
}

int TReportPreview::CurrentPage() const
{
    return PageCount() == 0 ? 0 : m_pages->CurrentIndex() + 1;
}

double TReportPreview::Zoom() const
{
    return m_pages->Zoom();
}

void TReportPreview::SetShowEditButton(bool show)
{
    m_showEdit = show;
    m_actEdit->setVisible(show);
}

void TReportPreview::ShowReport(const TPreparedReport &report)
{
    m_report = &report;
    setWindowTitle(QStringLiteral("Vista previa - %1").arg(report.ReportName));
    // One pass over the pages for what the view and the outline need before anything is drawn: the
    // paper sizes and the outline entries. A page that cannot be read keeps the previous page's size
    // and says so when it is drawn.
    std::vector<QSizeF> sizes;
    m_outline->clear();
    std::vector<QTreeWidgetItem *> parents; // the last item of each level
    for (int i = 0; i < report.PageCount(); ++i) {
        std::shared_ptr<const TPreparedPage> page;
        try {
            page = report.Page(i);
        } catch (const std::exception &) {
            sizes.push_back(sizes.empty() ? QSizeF(215.9, 279.4) : sizes.back());
            continue;
        }
        sizes.push_back(page->paperSize);
        for (const TPreparedPage::OutlineEntry &entry : page->outline) {
            const size_t level = size_t(std::clamp(entry.level, 0, int(parents.size())));
            auto *item = level == 0 ? new QTreeWidgetItem(m_outline) : new QTreeWidgetItem(parents[level - 1]);
            item->setText(0, entry.text);
            item->setData(0, PageRole, i);
            item->setData(0, YRole, entry.y);
            parents.resize(level);
            parents.push_back(item);
        }
    }
    m_outline->expandAll();
    const bool hasOutline = m_outline->topLevelItemCount() > 0;
    m_actOutline->setChecked(hasOutline);
    m_outline->setVisible(hasOutline);

    m_match = {};
    m_matchText.clear();
    m_pages->SetHighlight(QString());
    const int count = report.PageCount();
    m_pageBox->setRange(std::min(1, count), count);
    m_pageBox->setEnabled(count > 0);
    m_pageCountLabel->setText(QStringLiteral("de %1").arg(count));
    m_pages->SetReport(&report, std::move(sizes));
    PageShown(m_pages->CurrentIndex());
}

void TReportPreview::PageShown(int index)
{
    const int count = PageCount();
    const int page = count == 0 ? 0 : index + 1;
    {
        const QSignalBlocker blocker(m_pageBox);
        m_pageBox->setValue(page);
    }
    m_pageStatus->setText(QStringLiteral("Página %1 de %2").arg(page).arg(count));
    m_actFirst->setEnabled(page > 1);
    m_actPrevious->setEnabled(page > 1);
    m_actNext->setEnabled(page < count);
    m_actLast->setEnabled(page < count);
}

void TReportPreview::ShowZoom(double percent)
{
    const QString text = QStringLiteral("%1 %").arg(qRound(percent));
    m_zoomBox->setEditText(text);
    m_zoomStatus->setText(QStringLiteral("Zoom: %1").arg(text));
}

void TReportPreview::SetZoom(double percent)
{
    m_pages->SetZoom(percent);
}

void TReportPreview::ZoomIn()
{
    m_pages->ZoomIn();
}

void TReportPreview::ZoomOut()
{
    m_pages->ZoomOut();
}

void TReportPreview::FitWholePage()
{
    m_pages->SetFit(TPreviewPages::WholePage);
}

void TReportPreview::FitPageWidth()
{
    m_pages->SetFit(TPreviewPages::PageWidth);
}

void TReportPreview::ZoomTyped()
{
    QString text = m_zoomBox->currentText();
    text.remove(QLatin1Char('%'));
    bool ok = false;
    double percent = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        percent = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || percent < TPreviewPages::MinZoom || percent > TPreviewPages::MaxZoom) {
        m_statusBar->showMessage(QStringLiteral("Escriba un zoom entre %1 % y %2 %.")
                                     .arg(TPreviewPages::MinZoom)
                                     .arg(TPreviewPages::MaxZoom));
        ShowZoom(Zoom());
        return;
    }
    // Leaving the box unchanged (a page fitted at 87 % shows "87 %") keeps the fit.
    if (qRound(percent) != qRound(Zoom()))
        SetZoom(percent);
}

void TReportPreview::GoToPage(int page)
{
    m_pages->ShowPage(page - 1);
}

void TReportPreview::FirstPage()
{
    GoToPage(1);
}

void TReportPreview::PreviousPage()
{
    GoToPage(CurrentPage() - 1);
}

void TReportPreview::NextPage()
{
    GoToPage(CurrentPage() + 1);
}

void TReportPreview::LastPage()
{
    GoToPage(PageCount());
}

void TReportPreview::AskPage()
{
    if (PageCount() == 0)
        return;
    QInputDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Ir a la página"));
    dialog.setLabelText(QStringLiteral("Número de página (1 a %1):").arg(PageCount()));
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setIntRange(1, PageCount());
    dialog.setIntValue(CurrentPage());
    dialog.setOkButtonText(QStringLiteral("Ir"));
    dialog.setCancelButtonText(QStringLiteral("Cancelar"));
    if (Application()->Prompts().ShowModal(dialog) == QDialog::Accepted)
        GoToPage(dialog.intValue());
}

void TReportPreview::OutlineClicked(QTreeWidgetItem *item)
{
    if (item)
        m_pages->ShowPage(item->data(0, PageRole).toInt(), item->data(0, YRole).toDouble());
}

bool TReportPreview::Find(const QString &text)
{
    m_findEdit->setText(text);
    m_findBar->show();
    return Search(true);
}

bool TReportPreview::FindNext()
{
    return Search(true);
}

bool TReportPreview::FindPrevious()
{
    return Search(false);
}

bool TReportPreview::Search(bool forward)
{
    const QString text = m_findEdit->text();
    if (text.isEmpty()) {
        m_pages->SetHighlight(QString());
        m_statusBar->showMessage(QStringLiteral("Escriba el texto que desea buscar."));
        return false;
    }
    // The same text goes on from the last match; another one starts on the current page.
    const TTextMatch from = text.compare(m_matchText, Qt::CaseInsensitive) == 0 ? m_match : TTextMatch();
    const TReportSearch search(*m_report);
    try {
        m_match = forward ? search.Next(text, from, CurrentPage() - 1) : search.Previous(text, from, CurrentPage() - 1);
    } catch (const std::exception &error) {
        Tell(messageOf(error));
        return false;
    }
    m_matchText = text;
    if (!m_match.Found()) {
        m_pages->SetHighlight(QString());
        m_statusBar->showMessage(QStringLiteral("No se encontró «%1».").arg(text));
        return false;
    }
    m_statusBar->clearMessage();
    m_pages->SetHighlight(text);
    // A little of what stands above the match stays in sight.
    m_pages->ShowPage(m_match.page, std::max(0.0, m_match.y - 20));
    return true;
}

QString TReportPreview::FileBaseName() const
{
    QString name = m_report->ReportName.trimmed();
    for (QChar &c : name)
        if (QStringLiteral("\\/:*?\"<>|").contains(c) || c.unicode() < 32)
            c = QLatin1Char('_');
    return name.isEmpty() ? QStringLiteral("Reporte") : name;
}

bool TReportPreview::ExportPdf(const QString &fileName)
{
    if (PageCount() == 0) {
        Tell(QStringLiteral("El reporte no tiene páginas para exportar."));
        return false;
    }
    QProgressDialog progress(QStringLiteral("Exportando a PDF…"), QStringLiteral("Cancelar"), 0, PageCount(), this);
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    TPdfExport pdf;
    pdf.OnProgress = [&progress](int done, int) {
        progress.setValue(done);
        return !progress.wasCanceled();
    };
    try {
        if (!pdf.Export(*m_report, fileName)) {
            m_statusBar->showMessage(QStringLiteral("Exportación cancelada."));
            return false;
        }
    } catch (const std::exception &error) {
        Tell(messageOf(error));
        return false;
    }
    m_statusBar->showMessage(QStringLiteral("Reporte exportado a %1").arg(QDir::toNativeSeparators(fileName)));
    return true;
}

QString TReportPreview::QuickExport()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        Tell(QStringLiteral("No fue posible usar la carpeta Documentos %1.").arg(QDir::toNativeSeparators(folder)));
        return QString();
    }
    const QDir dir(folder);
    const QString base = FileBaseName();
    QString file = dir.filePath(base + QStringLiteral(".pdf"));
    for (int n = 2; QFileInfo::exists(file); ++n)
        file = dir.filePath(QStringLiteral("%1 (%2).pdf").arg(base).arg(n));
    return ExportPdf(file) ? file : QString();
}

bool TReportPreview::SaveTo(const QString &fileName)
{
    bool saved = false;
    try {
        saved = m_report->Save(fileName);
    } catch (const std::exception &) {
        // A page the spool cannot give back: the file is not written (it is committed only whole).
    }
    if (!saved) {
        Tell(QStringLiteral("No fue posible guardar el archivo %1.").arg(QDir::toNativeSeparators(fileName)));
        return false;
    }
    m_statusBar->showMessage(QStringLiteral("Reporte guardado en %1").arg(QDir::toNativeSeparators(fileName)));
    return true;
}

bool TReportPreview::OpenFile(const QString &fileName)
{
    auto report = std::make_unique<TPreparedReport>();
    bool loaded = false;
    try {
        loaded = report->Load(fileName);
    } catch (const std::exception &) {
        // The pages could not be spooled: the file is not shown either.
    }
    if (!loaded) {
        Tell(QStringLiteral("El archivo %1 no es un reporte preparado o está dañado.")
                 .arg(QFileInfo(fileName).fileName()));
        return false;
    }
    // The report shown until now stays alive until the view has let go of it.
    const std::unique_ptr<TPreparedReport> previous = std::move(m_opened);
    m_opened = std::move(report);
    ShowReport(*m_opened);
    return true;
}

void TReportPreview::Tell(const QString &message)
{
    QMessageBox box(QMessageBox::Warning, windowTitle(), message, QMessageBox::Ok, this);
    Application()->Prompts().ShowModal(box);
}

QString TReportPreview::AskFileName(const QString &title, bool saving, const QString &filter, const QString &suggested)
{
    QFileDialog dialog(this, title);
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(filter);
    dialog.setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    if (!suggested.isEmpty()) {
        dialog.setDefaultSuffix(QFileInfo(suggested).suffix());
        dialog.selectFile(suggested);
    }
    if (Application()->Prompts().ShowModal(dialog) != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

void TReportPreview::Open()
{
    const QString file = AskFileName(QStringLiteral("Abrir reporte preparado"), false,
                                     QStringLiteral("Reportes preparados (*.zrp);;Todos los archivos (*)"), QString());
    if (!file.isEmpty())
        OpenFile(file);
}

void TReportPreview::Save()
{
    const QString file =
        AskFileName(QStringLiteral("Guardar reporte preparado"), true, QStringLiteral("Reportes preparados (*.zrp)"),
                    FileBaseName() + QStringLiteral(".zrp"));
    if (!file.isEmpty())
        SaveTo(file);
}

void TReportPreview::ExportPdfAs()
{
    const QString file = AskFileName(QStringLiteral("Exportar a PDF"), true, QStringLiteral("Documentos PDF (*.pdf)"),
                                     FileBaseName() + QStringLiteral(".pdf"));
    if (!file.isEmpty())
        ExportPdf(file);
}

void TReportPreview::SetWorkbookExport(std::function<bool(const QString &fileName)> write)
{
    QAction *excel = new QAction(QStringLiteral("Exportar a Excel…"), this);
    excel->setObjectName(QStringLiteral("ExportarExcel"));
    excel->setToolTip(QStringLiteral("Exportar las tablas del reporte a un libro de Excel"));
    connect(excel, &QAction::triggered, this, [this, write] {
        const QString file = Application()->Prompts().SaveFileName(QStringLiteral("Exportar a Excel"),
                                                                   QStringLiteral("Libros de Excel (*.xlsx)"),
                                                                   FileBaseName() + QStringLiteral(".xlsx"), this);
        if (file.isEmpty())
            return;
        try {
            if (write(file))
                m_statusBar->showMessage(QStringLiteral("Exportado a %1").arg(QDir::toNativeSeparators(file)), 5000);
        } catch (const std::exception &error) {
            Tell(messageOf(error));
        }
    });
    m_actExport->menu()->addAction(excel);
}

void TReportPreview::Print()
{
    try {
        m_printer.Exec(*m_report, this, CurrentPage());
    } catch (const std::exception &error) {
        Tell(messageOf(error));
    }
}

void TReportPreview::PageSetup()
{
    m_printer.PageSetup(this);
}
