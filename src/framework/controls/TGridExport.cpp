#include "controls/TGridExport.h"

#include "TApplication.h"
#include "TPrompts.h"
#include "TWorkProgress.h"
#include "TXlsxWorkbook.h"
#include "controls/TDBGridModel.h"
#include "controls/TTolvaneDBgrid.h"
#include "dataset/TDataSet.h"
#include "dataset/TField.h"

#include <QHeaderView>

namespace {

// The field's FormatFloat pattern as an Excel number format: "#,##0.00" reads the same in both; a
// pattern whose decimals are all optional ("#,##0.##") would leave Excel a trailing point on whole
// numbers, so such fields get the general format.
QString numberFormat(const TField &field)
{
    const QString pattern = field.DisplayFormat;
    if (pattern.isEmpty())
        return field.DataType() == TFieldType::ftFloat ? QString() : QStringLiteral("0");
    const qsizetype point = pattern.indexOf(QLatin1Char('.'));
    if (point >= 0 && !pattern.mid(point + 1).contains(QLatin1Char('0')))
        return QString();
    return pattern;
}

void writeCell(TXlsxWorkbook &book, int row, int column, TField &field)
{
    if (field.IsNull())
        return;
    if (field.OnGetText) {
        book.WriteText(row, column, field.DisplayText());
        return;
    }
    const TFieldType type = field.DataType();
    if (IsNumericType(type)) {
        book.WriteNumber(row, column, field.AsFloat(), numberFormat(field));
    } else if (type == TFieldType::ftDateTime) {
        const QDateTime moment = field.AsDateTime();
        const bool showsTime = field.DisplayFormat.isEmpty()
                                   ? moment.time() != QTime(0, 0)
                                   : field.DisplayFormat.contains(QLatin1Char('h'), Qt::CaseInsensitive);
        book.WriteDate(row, column, moment, showsTime);
    } else if (type == TFieldType::ftMemo) {
        book.WriteText(row, column, field.AsString());
    } else {
        book.WriteText(row, column, field.DisplayText());
    }
}

} // namespace

bool TGridExport::Export(TTolvaneDBgrid &grid, const QString &fileName, QWidget *progressParent)
{
    TDBGridModel *model = grid.GridModel();
    TDataSet *ds = model->DataSource() ? model->DataSource()->DataSet() : nullptr;
    QList<int> columns;
    QStringList headings;
    for (int c = 0; c < model->columnCount(); ++c) {
        if (grid.isColumnHidden(c) || !model->FieldAt(c))
            continue;
        columns << c;
        headings << model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    TXlsxWorkbook book(fileName);
    book.AddSheet(grid.ExportTitle);
    book.WriteHeadings(0, headings);
    for (int i = 0; i < columns.size(); ++i)
        book.SetColumnWidth(i, std::clamp(grid.columnWidth(columns.at(i)) / 7.0, 8.0, 80.0));
    const int rows = ds && ds->Active() ? model->rowCount() : 0;
    TWorkProgress progress(QStringLiteral("Exportar a Excel"), QStringLiteral("Exportando a Excel…"), progressParent);
    for (int r = 0; r < rows; ++r) {
        if (r % 50 == 0 &&
            !progress.Step(r, rows, QStringLiteral("Exportando a Excel… fila %1 de %2").arg(r + 1).arg(rows)))
            return false;
        ds->PeekRecord(r + 1, [&] {
            for (int i = 0; i < columns.size(); ++i)
                writeCell(book, r + 1, i, *model->FieldAt(columns.at(i)));
        });
    }
    if (!columns.isEmpty())
        book.AutoFilter(0, rows, int(columns.size()) - 1);
    book.Save();
    return true;
}

void TGridExport::ExportAsking(TTolvaneDBgrid &grid)
{
    const QString title = grid.ExportTitle.isEmpty() ? QStringLiteral("Datos") : grid.ExportTitle;
    const QString file = Application()->Prompts().SaveFileName(QStringLiteral("Exportar a Excel"),
                                                               QStringLiteral("Libros de Excel (*.xlsx)"),
                                                               title + QStringLiteral(".xlsx"), grid.window());
    if (!file.isEmpty())
        Export(grid, file, grid.window());
}
