// The preview window over a prepared report built by hand: 42 pages (the last ones spooled), one of
// them landscape legal, with an outline; what the user sees after each action, and the files the
// preview and the printer write. With ZE_SCREENSHOT_DIR set, the window is saved there as preview.png.

#include "TApplication.h"
#include "TPreparedReport.h"
#include "TPreviewPages.h"
#include "ScriptedPrompts.h"
#include "TReportPreview.h"
#include "TReportPrinter.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

using namespace Qt::Literals::StringLiterals;

class tst_ReportPreview : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    TPreparedReport m_report;
    std::unique_ptr<TReportPreview> m_preview;
    ScriptedPrompts *m_prompts = nullptr; // answers the file dialogs, keeps the messages

    static TPrimitive text(double y, const QString &line)
    {
        return {
            .rect = QRectF(15, y, 180, 8), .lines = {line}, .fontFamily = u"Tahoma"_s, .fontSize = 11, .lineHeight = 5};
    }
    QAction *action(const QString &text) const
    {
        const auto all = m_preview->findChildren<QAction *>();
        return *std::find_if(all.begin(), all.end(), [&](QAction *a) { return a->text() == text; });
    }
    // The status bar as it reads: the message, "Página X de N" and the zoom.
    QString status() const
    {
        QStringList parts{m_preview->StatusBar()->currentMessage()};
        for (const QLabel *label : m_preview->StatusBar()->findChildren<QLabel *>())
            parts << label->text();
        return parts.join(u'|');
    }
    int highlightedPixels() const // the find's yellow on the pages shown
    {
        const QImage shot = m_preview->Pages()->viewport()->grab().toImage();
        int count = 0;
        for (int i = 0; i < shot.width() * shot.height(); ++i) {
            const QColor c = shot.pixelColor(i % shot.width(), i / shot.width());
            count += c.red() > 235 && c.green() > 200 && c.blue() < 150;
        }
        return count;
    }
    static QString run(const QString &program, const QStringList &args)
    {
        QProcess process;
        process.start(program, args);
        process.waitForFinished(30000);
        return QString::fromUtf8(process.readAllStandardOutput()).simplified();
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Colombia));
        // The icons a desktop session provides, for the screenshot.
        QIcon::setThemeSearchPaths({u"/usr/share/icons"_s});
        QIcon::setThemeName(u"Adwaita"_s);
        m_report.ReportName = u"Plan Anual SGSST"_s;
        for (int n = 1; n <= TPreparedReport::MemoryPages + 2; ++n) {
            TPreparedPage page{.paperSize = QSizeF(215.9, 279.4)};
            page.items = {text(200, u"Página %1 de %2"_s.arg(n).arg(TotalPagesMacro())), text(30, u"Hoja %1"_s.arg(n))};
            page.items[0].totalPagesMacro = true;
            if (n == 1) {
                page.items.push_back(text(50, u"Calificación del estándar: ficha técnica"_s));
                page.outline = {{u"Planear"_s, 0, 10}, {u"Recursos"_s, 1, 50}};
            } else if (n == 2 || n == 5) {
                page.items.push_back(text(120, u"Capítulo %1"_s.arg(n)));
            } else if (n == 3) {
                page.paperSize = QSizeF(355.6, 215.9);
                page.landscape = true;
                page.items.push_back(text(60, u"Plan anual en papel oficio"_s));
                page.outline = {{u"Hacer"_s, 0, 60}};
            } else if (n == 42) {
                page.items.push_back(text(150, u"Resumen final"_s));
                page.outline = {{u"Actuar"_s, 0, 150}};
            }
            m_report.AddPage(std::move(page));
        }
        QVERIFY(m_report.Spooled());
        m_prompts = ScriptedPrompts::Install();
        m_preview = std::make_unique<TReportPreview>(m_report);
        m_preview->setWindowState(Qt::WindowNoState);
        m_preview->resize(1100, 800);
        m_preview->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_preview.get()));
    }

    void opensAtRealSize()
    {
        QCOMPARE(m_preview->windowTitle(), u"Vista previa - Plan Anual SGSST"_s);
        QCOMPARE(status(), u"|Página 1 de 42|Zoom: 100 %"_s);
        QTreeWidget *outline = m_preview->OutlineTree();
        QVERIFY(outline->isVisible());
        QCOMPARE(outline->topLevelItemCount(), 3);
        QCOMPARE(outline->topLevelItem(0)->child(0)->text(0), u"Recursos"_s);
        const double pxPerMm = m_preview->Pages()->viewport()->logicalDpiX() / 25.4;
        QVERIFY(qAbs(m_preview->Pages()->PageRect(0).width() - 215.9 * pxPerMm) <= 1);
        QWidget *edit = m_preview->ToolBar()->widgetForAction(action(u"Editar"_s));
        QVERIFY(!edit->isVisible());
        m_preview->setProperty("ShowEditButton", true);
        QTRY_VERIFY(edit->isVisible());
        QVERIFY(!edit->isEnabled());
    }

    void navigation_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("button"); // or an entry of the outline; none: scroll down to the page
        QTest::addColumn<int>("page");
        QTest::newRow("siguiente") << 1 << u"Página siguiente"_s << 2;
        QTest::newRow("anterior") << 5 << u"Página anterior"_s << 4;
        QTest::newRow("primera") << 30 << u"Primera página"_s << 1;
        QTest::newRow("última, del archivo temporal") << 3 << u"Última página"_s << 42;
        QTest::newRow("desplazando hasta la hoja 10") << 1 << QString() << 10;
        QTest::newRow("esquema, Actuar") << 1 << u"Actuar"_s << 42;
        QTest::newRow("esquema, Recursos") << 30 << u"Recursos"_s << 1;
    }
    void navigation()
    {
        QFETCH(int, from);
        QFETCH(QString, button);
        QFETCH(int, page);
        m_preview->GoToPage(from);
        QScrollBar *bar = m_preview->Pages()->verticalScrollBar();
        QTreeWidget *outline = m_preview->OutlineTree();
        const auto entries = outline->findItems(button, Qt::MatchExactly | Qt::MatchRecursive);
        if (button.isEmpty())
            bar->setValue(bar->value() + m_preview->Pages()->PageRect(page - 1).top());
        else if (!entries.isEmpty())
            QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualItemRect(entries[0]).center());
        else
            action(button)->trigger();
        QCOMPARE(m_preview->CurrentPage(), page);
        QVERIFY(status().contains(u"Página %1 de 42"_s.arg(page)));
    }

    void find_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QList<int>>("pages"); // after the search, then after each button; 20: not found
        QTest::newRow("mayúsculas y tildes, dando la vuelta") << u"CALIFICACIÓN"_s << QStringList() << QList<int>{1};
        QTest::newRow("del archivo temporal") << u"resumen final"_s << QStringList() << QList<int>{42};
        QTest::newRow("siguiente y anterior")
            << u"capítulo"_s << QStringList{u"Siguiente"_s, u"Siguiente"_s, u"Anterior"_s} << QList<int>{2, 5, 2, 5};
        QTest::newRow("no está") << u"inexistente"_s << QStringList() << QList<int>{20};
    }
    void find()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, buttons);
        QFETCH(QList<int>, pages);
        m_preview->GoToPage(20);
        const bool found = pages.first() != 20;
        QCOMPARE(m_preview->Find(text), found);
        QList<int> shown{m_preview->CurrentPage()};
        for (const QString &button : buttons) {
            action(button)->trigger();
            shown << m_preview->CurrentPage();
        }
        QCOMPARE(shown, pages);
        QCOMPARE(highlightedPixels() > 20, found);
        QCOMPARE(m_preview->StatusBar()->currentMessage(), found ? QString() : u"No se encontró «%1»."_s.arg(text));
    }

    void zoom_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<double>("zoom"); // 0: the landscape page fits as the button says
        QTest::newRow("acercar") << u"Acercar"_s << 125.0;
        QTest::newRow("alejar") << u"Alejar"_s << 75.0;
        QTest::newRow("100 %") << u"100 %"_s << 100.0;
        QTest::newRow("página completa") << u"Página completa"_s << 0.0;
        QTest::newRow("ancho de página") << u"Ancho de página"_s << 0.0;
    }
    void zoom()
    {
        QFETCH(QString, button);
        QFETCH(double, zoom);
        m_preview->GoToPage(3);
        m_preview->SetZoom(zoom == 100 ? 150 : 100);
        action(button)->trigger();
        QCOMPARE(m_preview->CurrentPage(), 3);
        const QRect page = m_preview->Pages()->PageRect(2), view = m_preview->Pages()->viewport()->rect();
        if (zoom > 0)
            QCOMPARE(m_preview->Zoom(), zoom);
        else if (button == u"Página completa"_s)
            QVERIFY(view.contains(page) && page.width() > view.width() - 40);
        else
            QVERIFY(qAbs(page.width() - view.width()) <= 30);
        QVERIFY(status().endsWith(u"Zoom: %1 %"_s.arg(qRound(m_preview->Zoom()))));
    }
    void zoomTypedOrWheeled()
    {
        QLineEdit *box = m_preview->findChild<QComboBox *>()->lineEdit();
        for (const QString &typed : {u"150"_s, u"900"_s}) {
            box->setText(typed);
            emit box->editingFinished();
        }
        QCOMPARE(status(), u"Escriba un zoom entre 10 % y 800 %.|Página 3 de 42|Zoom: 150 %"_s);
        QCOMPARE(box->text(), u"150 %"_s);
        QWidget *viewport = m_preview->Pages()->viewport();
        QWheelEvent wheel({50, 50}, viewport->mapToGlobal(QPointF(50, 50)), {}, {0, -240}, Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
        QCOMPARE(m_preview->Zoom(), 100.0);
    }

    void exportsPdf()
    {
        const QString file = m_dir.filePath(u"plan.pdf"_s);
        QVERIFY(m_preview->ExportPdf(file));
        QCOMPARE(m_preview->StatusBar()->currentMessage(), u"Reporte exportado a %1"_s.arg(file));
        QCOMPARE(run(u"pdftotext"_s, {u"-l"_s, u"1"_s, file, u"-"_s}),
                 u"Hoja 1 Calificación del estándar: ficha técnica Página 1 de 42"_s);
        QCOMPARE(run(u"pdftotext"_s, {u"-f"_s, u"42"_s, file, u"-"_s}), u"Hoja 42 Resumen final Página 42 de 42"_s);

        qputenv("HOME", m_dir.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(u"config"_s).toUtf8());
        const QString documents = m_dir.filePath(u"Documents/"_s);
        QCOMPARE(m_preview->QuickExport(), documents + u"Plan Anual SGSST.pdf"_s);
        QCOMPARE(m_preview->QuickExport(), documents + u"Plan Anual SGSST (2).pdf"_s);
        QCOMPARE(m_preview->StatusBar()->currentMessage(),
                 u"Reporte exportado a %1Plan Anual SGSST (2).pdf"_s.arg(documents));
    }
    void printsEachPageOnItsPaper()
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_dir.filePath(u"impreso.pdf"_s));
        TReportPrinter::PrintTo(printer, m_report, 2, 3);
        const QString info = run(u"pdfinfo"_s, {u"-l"_s, u"2"_s, printer.outputFileName()});
        QVERIFY(info.contains(u"Pages: 2 Encrypted"_s));
        QVERIFY(info.contains(u"Page 1 size: 612 x 792 pts (letter) Page 1 rot: 0 Page 2 size: 1008 x 612 pts"_s));
        QCOMPARE(run(u"pdftotext"_s, {printer.outputFileName(), u"-"_s}),
                 u"Hoja 2 Capítulo 2 Página 2 de 42 Hoja 3 Plan anual en papel oficio Página 3 de 42"_s);
    }

    // A file that is not a prepared report leaves the pages shown; a saved one replaces them.
    void openFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QVERIFY(m_preview->SaveTo(m_dir.filePath(u"plan.zrp"_s)));
        QFile saved(m_dir.filePath(u"plan.zrp"_s));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray whole = saved.readAll();
        QTest::newRow("otro archivo") << QByteArray("%PDF-1.4 no es un reporte");
        QTest::newRow("cortado") << whole.left(whole.size() / 2);
        QTest::newRow("guardado") << whole;
    }
    void openFile()
    {
        QFETCH(QByteArray, content);
        QFile file(m_dir.filePath(u"dañado.zrp"_s));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close();
        m_prompts->answers.push_back(ScriptedPrompts::SaveAs(file.fileName()));
        m_prompts->asked.clear();
        m_preview->GoToPage(2);
        action(u"Abrir"_s)->trigger();
        const bool whole = QTest::currentDataTag() == "guardado"_ba;
        QCOMPARE(m_prompts->asked.value(1),
                 whole ? QString() : u"El archivo dañado.zrp no es un reporte preparado o está dañado."_s);
        QCOMPARE(m_preview->CurrentPage(), whole ? 1 : 2);
        QCOMPARE(m_preview->windowTitle(), u"Vista previa - Plan Anual SGSST"_s);
        QVERIFY(m_preview->Find(u"resumen final"_s) && m_preview->CurrentPage() == 42 && m_preview->PageCount() == 42);
    }

    void screenshot()
    {
        const QString dir = qEnvironmentVariable("ZE_SCREENSHOT_DIR");
        if (dir.isEmpty())
            QSKIP("ZE_SCREENSHOT_DIR not set");
        m_preview->SetZoom(100);
        QVERIFY(m_preview->Find(u"ficha"_s));
        QVERIFY(m_preview->grab().save(QDir(dir).filePath(u"preview.png"_s)));
    }
};

QTEST_MAIN(tst_ReportPreview)
#include "tst_ReportPreview.moc"
