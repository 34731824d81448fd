#pragma once

#include <QString>

class QWidget;
class TTolvaneDBgrid;

// A data grid written to an Excel workbook as the user sees it: one sheet named after the grid's
// ExportTitle, the visible columns in their order with their headings (frozen, with a filter), one
// row per record. Number fields are written as numbers (with the field's display pattern) and
// date-time fields as dates — with the time when the field shows it — unless the field translates
// its value into a text (a state shown as "Programado"), which is written as shown; memos keep
// their whole text. Reading the records never moves the dataset's cursor.
class TGridExport
{
public:
    // Writes `fileName` (replacing an earlier file); a long export shows its progress and may be
    // cancelled: false then, and no file is left. A failure raises Exception.
    static bool Export(TTolvaneDBgrid &grid, const QString &fileName, QWidget *progressParent = nullptr);
    // "Exportar a Excel…": asks for the file through the prompt service, then exports.
    static void ExportAsking(TTolvaneDBgrid &grid);
};
