#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// An Excel workbook (.xlsx) written through libxlsxwriter: sheets of typed cells — numbers and dates
// are stored as numbers and dates with a display format, not as text — a bold heading row that
// stays in sight while scrolling, and a filter on a table. Rows and columns count from 0.
//
// The workbook is built in a temporary file beside the target; Save puts it in place (replacing an
// earlier file of that name), so a failed or abandoned export never leaves a half-written file.
class TXlsxWorkbook
{
public:
    explicit TXlsxWorkbook(const QString &fileName);
    ~TXlsxWorkbook(); // without Save the temporary file goes and the target is untouched
    TXlsxWorkbook(const TXlsxWorkbook &) = delete;
    TXlsxWorkbook &operator=(const TXlsxWorkbook &) = delete;

    // A new sheet, which the writes below fill. The title is cut to Excel's 31 characters, without the
    // characters a sheet name cannot hold, and numbered when a sheet already has it.
    void AddSheet(const QString &title);

    // Bold headings on grey in row `row` from column 0; freeze keeps the rows up to it in sight.
    void WriteHeadings(int row, const QStringList &headings, bool freeze = true);
    void WriteText(int row, int column, const QString &text, bool bold = false);
    // numberFormat: an Excel pattern ("#,##0.00"); empty: the general format.
    void WriteNumber(int row, int column, double value, const QString &numberFormat = QString(), bool bold = false);
    void WriteDate(int row, int column, const QDateTime &value, bool withTime = false);
    // By the value's type: numbers, QDate/QDateTime, anything else as its text; a null value leaves
    // the cell empty.
    void Write(int row, int column, const QVariant &value);

    void SetColumnWidth(int column, double characters);
    // A filter on the table whose heading row is firstRow.
    void AutoFilter(int firstRow, int lastRow, int lastColumn);

    // Writes the file. A failure raises Exception with a Spanish message naming the file.
    void Save();

private:
    lxw_format *Format(const QString &numberFormat, bool bold, bool heading = false);

    QString m_fileName;
    QString m_temporary;
    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    QStringList m_sheetNames;
    QHash<QString, lxw_format *> m_formats;
};
