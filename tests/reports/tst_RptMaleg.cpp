// The report dispatch and the values table, printed from the main window over the demo world (and a
// 2018 evaluation added to it) through the in-process application server. Output is checked through
// the text of the PDF written and through the cells of the prepared pages.

#include "ReportWorld.h"
#include "TFrmReports.h"
#include "TReport.h"
#include "TReportPreview.h"
#include "XlsxSheet.h"
#include "dataset/TFieldFormat.h"

#include <QAction>
#include <QToolBar>
#include <QTest>
#include <map>

class tst_RptMaleg : public QObject
{
    Q_OBJECT

    std::unique_ptr<ReportWorld> world;

    static SClientDataSet *maleg() { return DtmSoMaleg->QrySoMaleg; }

    // The cells of the prepared row whose first cell reads `numeral`, left to right.
    static QStringList rowCells(const QString &numeral)
    {
        const TPreparedReport &pages = DtmReportes->frxRptMaleg->PreparedPages();
        for (int i = 0; i < pages.PageCount(); ++i) {
            const auto page = pages.Page(i);
            for (const TPrimitive &p : page->items) {
                if (p.kind != TPrimitive::Text || p.lines.join(QString()) != numeral)
                    continue;
                std::map<double, QString> cells;
                for (const TPrimitive &q : page->items)
                    if (q.kind == TPrimitive::Text && qAbs(q.rect.y() - p.rect.y()) < 0.01)
                        cells[q.rect.x()] = q.lines.join(QLatin1Char(' '));
                QStringList row;
                for (const auto &[x, text] : cells)
                    row << text;
                return row;
            }
        }
        return {};
    }

    static QRegularExpression AreaHeading()
    {
        return QRegularExpression(QStringLiteral("^[ \\t]*AREA[ \\t]*$"), QRegularExpression::MultilineOption);
    }
    static qsizetype areaHeadings(const QString &text) { return text.count(AreaHeading()); }
    // The blocks of records of one area within one standard of one cycle.
    static qsizetype areaBlocks()
    {
        QSet<QString> blocks;
        for (maleg()->First(); !maleg()->Eof(); maleg()->Next())
            blocks << maleg()->FieldByName(QStringLiteral("RMT_PAMA"))->AsString() + QLatin1Char('/') +
                          maleg()->FieldByName(QStringLiteral("RMT_DEPA"))->AsString() + QLatin1Char('/') +
                          maleg()->FieldByName(QStringLiteral("COD_AREA"))->AsString();
        return blocks.size();
    }

private slots:
    void initTestCase() { world = std::make_unique<ReportWorld>(); }
    void cleanupTestCase() { world.reset(); }

    void valuesTable_data()
    {
        QTest::addColumn<int>("company");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("areas");
        QTest::newRow("areas") << 1 << QStringLiteral("Industrias Andinas del Valle S.A.S.")
                               << QStringList{QStringLiteral("1 Planta"), QStringLiteral("2 Oficinas")};
        QTest::newRow("no areas") << 2 << QString() << QStringList();
    }
    void valuesTable()
    {
        QFETCH(int, company);
        QFETCH(QString, name);
        QFETCH(QStringList, areas);
        world->SelectCompany(company);
        const QString text = world->Print(0);
        for (const char *expected : {"NIT: ", "Sistema de Gestión de la Seguridad y Salud en el Trabajo",
                                     "ESTÁNDARES MÍNIMOS SG-SST", "TABLA DE VALORES Y CALIFICACIÓN", "CICLO",
                                     "1. PLANEAR", "ESTÁNDAR", "1.1.1", "CALIFICACIÓN DE LA EMPRESA O CONTRATANTE",
                                     "TOTALES", "EL NIVEL DE SU EVALUACIÓN ES:", "FIRMA DEL EMPLEADOR O CONTRATANTE",
                                     "FIRMA DEL RESPONSABLE DE LA EJECUCIÓN SG-SST", "Usuario: demo",
                                     "Tolvane: ZErOdadi", "Página: 1", "Recursos financieros, técnicos"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
        if (!name.isEmpty())
            QVERIFY(text.contains(name));

        // The total and the level are those of the records printed.
        double total = 0;
        for (maleg()->First(); !maleg()->Eof(); maleg()->Next())
            total += DtmSoMaleg->QrySoMalegDtfCalificacion->AsFloat();
        maleg()->First();
        const QString level = DtmSoMaleg->EvalCriterio(total);
        QVERIFY(!level.isEmpty());
        const QRegularExpression totals(
            QStringLiteral("TOTALES\\s+%1\\s")
                .arg(QRegularExpression::escape(TFieldFormat::FormatFloat(QStringLiteral("#,##0.##"), total))));
        QVERIFY2(totals.match(text).hasMatch(), qPrintable(text.right(1500)));
        QVERIFY(text.contains(level));

        // Each cycle is one group: the records come in the order of their key unless told otherwise.
        QCOMPARE(text.count(
                     QRegularExpression(QStringLiteral("^[ \\t]*CICLO[ \\t]*$"), QRegularExpression::MultilineOption)),
                 4);

        // Areas: a heading for every area of every standard, each opening its own page (under the
        // headings of a new standard or cycle); none without areas.
        QCOMPARE(areaHeadings(text), areas.isEmpty() ? 0 : areaBlocks());
        for (const QString &page : text.split(QLatin1Char('\f'), Qt::SkipEmptyParts)) {
            const qsizetype at = page.indexOf(AreaHeading());
            if (at >= 0)
                QVERIFY(!page.left(at).contains(QStringLiteral("NUMERAL")));
        }
        for (const QString &area : areas)
            QVERIFY(text.contains(area));
        if (areas.isEmpty())
            QVERIFY(!text.contains(QStringLiteral("Planta")));

        // Each area closes with its own total and level, before the report's; the area totals add up
        // to the report's total.
        QMap<QString, double> byArea;
        for (maleg()->First(); !maleg()->Eof(); maleg()->Next())
            byArea[maleg()->FieldByName(QStringLiteral("COD_AREA"))->AsString() + QLatin1Char(' ') +
                   maleg()->FieldByName(QStringLiteral("NOM_AREA"))->AsString()] +=
                DtmSoMaleg->QrySoMalegDtfCalificacion->AsFloat();
        maleg()->First();
        QCOMPARE(text.count(QStringLiteral("TOTAL ÁREA")), areas.size());
        QCOMPARE(text.count(QStringLiteral("NIVEL DEL ÁREA:")), areas.size());
        double sum = 0;
        for (const QString &area : areas) {
            QVERIFY(byArea.contains(area));
            const double points = byArea.value(area);
            sum += points;
            const QRegularExpression line(
                QStringLiteral("TOTAL ÁREA %1\\s+%2\\s+NIVEL DEL ÁREA:\\s+%3")
                    .arg(QRegularExpression::escape(area),
                         QRegularExpression::escape(TFieldFormat::FormatFloat(QStringLiteral("#,##0.##"), points)),
                         QRegularExpression::escape(DtmSoMaleg->EvalCriterio(points))));
            const QRegularExpressionMatch found = line.match(text);
            QVERIFY2(found.hasMatch(), qPrintable(text.right(1500)));
            QVERIFY(found.capturedStart() < text.lastIndexOf(QStringLiteral("TOTALES")));
        }
        if (!areas.isEmpty())
            QCOMPARE(qRound(sum * 100), qRound(total * 100));
    }

    // Sub-standard score: the group's scores as a percentage of its weight.
    void subStandardScore()
    {
        world->SelectCompany(1);
        world->Print(0);
        // The first group printed: the lowest cycle, standard, area and sub-standard.
        auto key = [] {
            QList<int> k;
            for (const char *f : {"RMT_PAMA", "RMT_DEPA", "COD_AREA", "RMT_ESTA"})
                k << maleg()->FieldByName(QString::fromLatin1(f))->AsInteger();
            return k;
        };
        QList<int> first;
        for (maleg()->First(); !maleg()->Eof(); maleg()->Next())
            if (first.isEmpty() || key() < first)
                first = key();
        double sum = 0, weight = 0;
        for (maleg()->First(); !maleg()->Eof(); maleg()->Next())
            if (key() == first) {
                sum += DtmSoMaleg->QrySoMalegDtfCalificacion->AsFloat();
                weight = DtmSoMaleg->QrySoMalegPOR_ESTA_1->AsFloat();
            }
        const QStringList cells = rowCells(QStringLiteral("CALIFICACIÓN DE LA EMPRESA O CONTRATANTE"));
        QCOMPARE(cells.value(1), TFieldFormat::FormatFloat(QStringLiteral("#,##0.##"), sum / (weight / 100)));
    }

    // The column set follows the year of the process date; the compliance cells follow the code.
    void columnsAndComplianceCells_data()
    {
        QTest::addColumn<QDate>("processDate");
        QTest::addColumn<QStringList>("headings");
        QTest::addColumn<QStringList>("absent");
        QTest::newRow("2018") << QDate(2018, 3, 1)
                              << QStringList{QStringLiteral("CUMPLIMIENTO"), QStringLiteral("CALIFICACIÓN"),
                                             QStringLiteral("JUSTIFICACIÓN")}
                              << QStringList{QStringLiteral("SATISFACTORIAMENTE"), QStringLiteral("APLICA")};
        QTest::newRow("2026") << QDate(2026, 2, 2)
                              << QStringList{QStringLiteral("SATISFACTORIAMENTE"), QStringLiteral("APLICA")}
                              << QStringList{QStringLiteral("JUSTIFICACIÓN")};
    }
    void columnsAndComplianceCells()
    {
        QFETCH(QDate, processDate);
        QFETCH(QStringList, headings);
        QFETCH(QStringList, absent);
        // Six items of company 2 get C, N, J, X, P and no code.
        const QStringList codes = {QStringLiteral("C"), QStringLiteral("N"), QStringLiteral("J"),
                                   QStringLiteral("X"), QStringLiteral("P"), QString()};
        const QString year = QString::number(processDate.year());
        world->Exec(
            QStringLiteral("UPDATE SO_MALEG SET IND_CUMP = NULL WHERE COD_EMPR = 2 AND substr(FEC_PROC, 1, 4) = ?"),
            {year});
        for (int i = 0; i < codes.size(); ++i)
            world->Exec(
                QStringLiteral("UPDATE SO_MALEG SET IND_CUMP = ? WHERE COD_EMPR = 2 AND substr(FEC_PROC, 1, 4) = ?"
                               " AND RMT_ITES = ?"),
                {codes[i].isEmpty() ? QVariant() : QVariant(codes[i]), year, i + 1});
        world->SelectCompany(2, processDate);
        const QString text = world->Print(0);
        for (const QString &h : headings)
            QVERIFY2(text.contains(h), qPrintable(h));
        for (const QString &h : absent)
            QVERIFY2(!text.contains(h), qPrintable(h));

        for (maleg()->First(); !maleg()->Eof(); maleg()->Next()) {
            const int item = maleg()->FieldByName(QStringLiteral("RMT_ITES"))->AsInteger();
            if (item > codes.size())
                continue;
            const QString code = codes[item - 1];
            const QString numeral = maleg()->FieldByName(QStringLiteral("NUM_ERAL"))->AsString().trimmed();
            const QString value = maleg()->FieldByName(QStringLiteral("VAL_ITEM"))->DisplayText();
            const QStringList cells = rowCells(numeral);
            QCOMPARE(cells.size(), 7);
            if (processDate.year() >= 2019) {
                const QStringList compliance = cells.mid(4);
                const QStringList expected = {code == QStringLiteral("C") ? value : QString(),
                                              code == QStringLiteral("N") ? QStringLiteral("0") : QString(),
                                              code == QStringLiteral("J") || code == QStringLiteral("X") ? value
                                                                                                         : QString()};
                QCOMPARE(compliance, expected);
            } else {
                QCOMPARE(cells.value(4), maleg()->FieldByName(QStringLiteral("DtfNmbCump"))->DisplayText());
                QCOMPARE(cells.value(5), DtmSoMaleg->QrySoMalegDtfCalificacion->DisplayText());
            }
        }
    }

    // The preview button shows, at 100 %, the same pages the print button prints.
    void previewAndPrintPrepareTheSameData()
    {
        world->SelectCompany(1);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("tabla.xlsx"));
        world->Print(0);
        auto pageTexts = [](const TPreparedReport &pages) {
            QStringList texts;
            for (int i = 0; i < pages.PageCount(); ++i)
                for (const TPrimitive &p : pages.Page(i)->items)
                    if (p.kind == TPrimitive::Text && !p.lines.join(QString()).startsWith(QStringLiteral("Hora:")))
                        texts << p.lines.join(QLatin1Char(' '));
            return texts;
        };
        const QStringList printed = pageTexts(DtmReportes->frxRptMaleg->PreparedPages());
        QStringList previewed;
        double zoom = 0;
        bool editShown = false, editEnabled = true;
        world->prompts->answers.push_back(ScriptedPrompts::Choose(0));
        world->prompts->answers.push_back([&](QWidget &dialog) {
            auto &preview = dynamic_cast<TReportPreview &>(dialog);
            previewed = pageTexts(preview.Report());
            zoom = preview.Zoom();
            const QString shots = qEnvironmentVariable("ZE_SCREENSHOT_DIR");
            if (!shots.isEmpty()) {
                preview.resize(1400, 900);
                preview.show();
                preview.FitPageWidth();
                QCoreApplication::processEvents();
                preview.grab().save(QDir(shots).filePath(QStringLiteral("vista-previa-tabla-valores.png")));
            }
            for (QAction *action : preview.ToolBar()->actions())
                if (action->text() == QStringLiteral("Editar")) {
                    editShown = action->isVisible();
                    editEnabled = action->isEnabled();
                }
            world->prompts->answers.push_front(ScriptedPrompts::SaveAs(file));
            for (QAction *action : preview.findChildren<QAction *>())
                if (action->text() == QStringLiteral("Exportar a Excel…"))
                    action->trigger();
            return int(QDialog::Rejected);
        });
        FrmSoMaleg->GenerarRpt(FrmSoMaleg->Imprimir3);
        QCOMPARE(previewed, printed);
        QCOMPARE(zoom, 100.0);
        QVERIFY(editShown && !editEnabled);

        // Its export menu writes the values table as a workbook: one row per record with its group
        // columns, then each area's total and level, the total and the level.
        const XlsxSheet sheet(file);
        const QStringList headings{
            QStringLiteral("CICLO"),        QStringLiteral("ESTÁNDAR"),     QStringLiteral("% ESTÁNDAR"),
            QStringLiteral("ÁREA"),         QStringLiteral("SUBESTÁNDAR"),  QStringLiteral("% SUBESTÁNDAR"),
            QStringLiteral("NUMERAL"),      QStringLiteral("DESCRIPCIÓN"),  QStringLiteral("FECHA"),
            QStringLiteral("VALOR"),        QStringLiteral("CUMPLIMIENTO"), QStringLiteral("CALIFICACIÓN"),
            QStringLiteral("JUSTIFICACIÓN")};
        QCOMPARE(sheet.Row(1), headings);
        QCOMPARE(sheet.frozenRows, 1);
        // The rows come in the report's order (cycle, standard, area, sub-standard, item); each record
        // once, found by its area and numeral.
        const int records = maleg()->RecordCount();
        QCOMPARE(records, 120);
        QStringList printedOrder;
        for (int row = 2; row <= records + 1; ++row)
            printedOrder << sheet.Cell(3, row).text + QLatin1Char('|') + sheet.Cell(6, row).text;
        QCOMPARE(printedOrder.mid(0, 3),
                 (QStringList{QStringLiteral("1 Planta|1.1.1"), QStringLiteral("1 Planta|1.1.2"),
                              QStringLiteral("1 Planta|1.1.3")}));
        double total = 0;
        QMap<int, double> byArea;
        for (maleg()->First(); !maleg()->Eof(); maleg()->Next()) {
            const QString key = maleg()->FieldByName(QStringLiteral("COD_AREA"))->AsString() + QLatin1Char(' ') +
                                maleg()->FieldByName(QStringLiteral("NOM_AREA"))->AsString() + QLatin1Char('|') +
                                maleg()->FieldByName(QStringLiteral("NUM_ERAL"))->AsString();
            QCOMPARE(printedOrder.count(key), 1);
            const int row = int(printedOrder.indexOf(key)) + 2;
            QVERIFY(sheet.Cell(8, row).number && sheet.Cell(9, row).number);
            QCOMPARE(sheet.Cell(9, row).text.toDouble(), maleg()->FieldByName(QStringLiteral("VAL_ITEM"))->AsFloat());
            const double score = DtmSoMaleg->QrySoMalegDtfCalificacion->AsFloat();
            QCOMPARE(sheet.Cell(11, row).text.toDouble(), score);
            total += score;
            byArea[maleg()->FieldByName(QStringLiteral("COD_AREA"))->AsInteger()] += score;
        }
        maleg()->First();
        for (int area : {1, 2}) {
            const int at = sheet.RowOf(QStringLiteral("TOTAL ÁREA %1 %2")
                                           .arg(area)
                                           .arg(area == 1 ? QStringLiteral("Planta") : QStringLiteral("Oficinas")));
            QVERIFY(at > records + 1);
            QCOMPARE(sheet.Cell(11, at).text.toDouble(), byArea.value(area));
            QCOMPARE(sheet.Cell(12, at).text, DtmSoMaleg->EvalCriterio(byArea.value(area)));
        }
        const int totals = sheet.RowOf(QStringLiteral("TOTALES"));
        QVERIFY(totals > records + 1);
        QVERIFY(sheet.Cell(11, totals).number);
        QCOMPARE(qRound(sheet.Cell(11, totals).text.toDouble() * 100), qRound(total * 100));
        QCOMPARE(sheet.Cell(11, totals + 1).text, DtmSoMaleg->EvalCriterio(total));
    }

    void dispatchFlagsAndInvalidOption()
    {
        world->SelectCompany(2);
        // The annual plan raises its flag; a cancelled chooser afterwards clears it.
        world->prompts->answers.push_back(ScriptedPrompts::Choose(3));
        try {
            FrmSoMaleg->GenerarRpt(FrmSoMaleg->spbReporte);
        } catch (const Exception &) {
        }
        QVERIFY(FrmSoMaleg->ImprimePlanAnual);
        // No answer: the chooser is cancelled.
        FrmSoMaleg->GenerarRpt(FrmSoMaleg->spbReporte);
        QVERIFY(!FrmSoMaleg->ImprimePlanAnual && !FrmSoMaleg->ImprimePlanUnificado);

        world->prompts->answers.push_back(ScriptedPrompts::Choose(-1));
        try {
            FrmSoMaleg->GenerarRpt(FrmSoMaleg->spbPreview);
            QFAIL("no message");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("Debe Seleccionar una Opción Válida!!"));
        }
        QVERIFY(!FrmSoMaleg->ImprimePlanAnual && !FrmSoMaleg->ImprimePlanUnificado);
        QCOMPARE(world->prompts->asked.last(), QStringLiteral("Reportes"));
        QTRY_VERIFY(FrmSoMaleg->findChildren<TFrmReports *>().isEmpty());
    }

    // With areas the report reads the records in the groups' order, then the query gets its own
    // order clause back, written as it was.
    void orderClauseReplacedAndRestored()
    {
        world->SelectCompany(1);
        const QString own = maleg()->CommandText() + QStringLiteral(" order by MA.RMT_ITES desc");
        maleg()->Close();
        maleg()->SetCommandText(own);
        maleg()->Open();
        const QString text = world->Print(0);
        QCOMPARE(maleg()->CommandText(), own);
        // In the groups' order each area forms one block: two area headings, not one per record.
        QCOMPARE(areaHeadings(text), areaBlocks());
        world->SelectCompany(1);
    }
};

QTEST_MAIN(tst_RptMaleg)
#include "tst_RptMaleg.moc"
