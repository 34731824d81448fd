#pragma once

#include <QString>

class QWidget;
class TDtmReportes;
class TReport;
class TWorkProgress;
class TXlsxWorkbook;

// A report of the report data module as an Excel workbook that keeps the report's tables, read from
// the data the report prints (after its dispatch prepared it), with numbers and dates typed:
// - "Tabla Valores": one row per evaluation record with its group columns (cycle, standard, area for
//   companies that manage areas, sub-standard), value, compliance and score; then, with areas, each
//   area's total and level; then the total and the evaluation level.
// - the two charts: their table of reachable and obtained scores per cycle or standard.
// - "Plan Anual SGSST": one row per plan activity with its record's numeral, item, objective and goal,
//   and the month marks (1 planned or executed, 0 not), the month totals below.
// - "Plan Anual SGSST Unificado": the planned and executed activities and the compliance of every
//   month, and the annual totals.
class TReportWorkbook
{
public:
    explicit TReportWorkbook(TDtmReportes &reports);

    // Writes the workbook of `report` into fileName (replacing an earlier file). A long export shows
    // its progress; false when cancelled (no file is left). A failure raises Exception.
    bool Write(const TReport &report, const QString &fileName, QWidget *parent);

private:
    bool ValuesTable(TXlsxWorkbook &book, TWorkProgress &progress);
    void ChartTable(TXlsxWorkbook &book, bool byCycle);
    bool AnnualPlan(TXlsxWorkbook &book, TWorkProgress &progress);
    void UnifiedPlan(TXlsxWorkbook &book);

    TDtmReportes &m_reports;
};
