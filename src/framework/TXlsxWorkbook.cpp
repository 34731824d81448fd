#include "TXlsxWorkbook.h"

#include "SysUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <xlsxwriter.h>

namespace {

// Excel keeps at most 32 767 characters in a cell.
constexpr int kCellCharacters = 32767;

lxw_datetime toLxw(const QDateTime &moment)
{
    const QDate d = moment.date();
    const QTime t = moment.time();
    return lxw_datetime{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second() + t.msec() / 1000.0};
}

} // namespace

TXlsxWorkbook::TXlsxWorkbook(const QString &fileName) : m_fileName(fileName)
{
    const QFileInfo target(fileName);
    const QFileInfo folder(target.absolutePath());
    if (!folder.isDir() || !folder.isWritable())
        throw Exception(
            QStringLiteral("No se puede escribir el libro de Excel %1: la carpeta %2 no existe o no admite escritura.")
                .arg(fileName, QDir::toNativeSeparators(folder.absoluteFilePath())));
    m_temporary = target.absoluteDir().filePath(QStringLiteral(".~%1.tmp").arg(target.fileName()));
    QFile::remove(m_temporary);
    lxw_workbook_options options{};
    options.tmpdir = nullptr;
    m_book = workbook_new_opt(QFile::encodeName(m_temporary).constData(), &options);
    if (!m_book)
        throw Exception(QStringLiteral("No fue posible crear el libro de Excel %1.").arg(fileName));
}

TXlsxWorkbook::~TXlsxWorkbook()
{
    if (!m_book)
        return;
    // Abandoned: closing is the only way to free the workbook; what it writes is removed.
    workbook_close(m_book);
    QFile::remove(m_temporary);
}

void TXlsxWorkbook::AddSheet(const QString &title)
{
    static const QRegularExpression forbidden(QStringLiteral("[\\[\\]:*?/\\\\]"));
    QString base = QString(title).replace(forbidden, QStringLiteral(" ")).simplified().left(31);
    if (base.isEmpty())
        base = QStringLiteral("Hoja");
    QString name = base;
    for (int n = 2; m_sheetNames.contains(name, Qt::CaseInsensitive); ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n);
        name = base.left(31 - int(suffix.size())) + suffix;
    }
    m_sheetNames << name;
    m_sheet = workbook_add_worksheet(m_book, name.toUtf8().constData());
    if (!m_sheet)
        throw Exception(QStringLiteral("No fue posible agregar la hoja \"%1\" al libro de Excel.").arg(name));
}

lxw_format *TXlsxWorkbook::Format(const QString &numberFormat, bool bold, bool heading)
{
    const QString key = QStringLiteral("%1|%2|%3").arg(numberFormat).arg(bold).arg(heading);
    if (lxw_format *known = m_formats.value(key))
        return known;
    lxw_format *format = workbook_add_format(m_book);
    if (!numberFormat.isEmpty())
        format_set_num_format(format, numberFormat.toUtf8().constData());
    if (bold || heading)
        format_set_bold(format);
    if (heading) {
        format_set_bg_color(format, 0xF2F2F2);
        format_set_bottom(format, LXW_BORDER_THIN);
        format_set_text_wrap(format);
        format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    }
    m_formats.insert(key, format);
    return format;
}

void TXlsxWorkbook::WriteHeadings(int row, const QStringList &headings, bool freeze)
{
    for (int c = 0; c < headings.size(); ++c)
        worksheet_write_string(m_sheet, lxw_row_t(row), lxw_col_t(c), headings.at(c).toUtf8().constData(),
                               Format(QString(), true, true));
    if (freeze)
        worksheet_freeze_panes(m_sheet, lxw_row_t(row + 1), 0);
}

void TXlsxWorkbook::WriteText(int row, int column, const QString &text, bool bold)
{
    if (text.isEmpty())
        return;
    worksheet_write_string(m_sheet, lxw_row_t(row), lxw_col_t(column), text.left(kCellCharacters).toUtf8().constData(),
                           bold ? Format(QString(), true) : nullptr);
}

void TXlsxWorkbook::WriteNumber(int row, int column, double value, const QString &numberFormat, bool bold)
{
    worksheet_write_number(m_sheet, lxw_row_t(row), lxw_col_t(column), value,
                           numberFormat.isEmpty() && !bold ? nullptr : Format(numberFormat, bold));
}

void TXlsxWorkbook::WriteDate(int row, int column, const QDateTime &value, bool withTime)
{
    if (!value.isValid())
        return;
    lxw_datetime moment = toLxw(value);
    worksheet_write_datetime(
        m_sheet, lxw_row_t(row), lxw_col_t(column), &moment,
        Format(withTime ? QStringLiteral("dd/mm/yyyy hh:mm") : QStringLiteral("dd/mm/yyyy"), false));
}

void TXlsxWorkbook::Write(int row, int column, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
        WriteNumber(row, column, value.toDouble(), QStringLiteral("0"));
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        WriteNumber(row, column, value.toDouble());
        return;
    case QMetaType::QDate:
        WriteDate(row, column, value.toDate().startOfDay());
        return;
    case QMetaType::QDateTime: {
        const QDateTime moment = value.toDateTime();
        WriteDate(row, column, moment, moment.time() != QTime(0, 0));
        return;
    }
    default:
        WriteText(row, column, value.toString());
    }
}

void TXlsxWorkbook::SetColumnWidth(int column, double characters)
{
    worksheet_set_column(m_sheet, lxw_col_t(column), lxw_col_t(column), characters, nullptr);
}

void TXlsxWorkbook::AutoFilter(int firstRow, int lastRow, int lastColumn)
{
    worksheet_autofilter(m_sheet, lxw_row_t(firstRow), 0, lxw_row_t(std::max(firstRow, lastRow)),
                         lxw_col_t(lastColumn));
}

void TXlsxWorkbook::Save()
{
    if (m_sheetNames.isEmpty())
        AddSheet(QStringLiteral("Hoja1"));
    const lxw_error error = workbook_close(m_book);
    m_book = nullptr;
    if (error != LXW_NO_ERROR) {
        QFile::remove(m_temporary);
        QString reason = QString::fromUtf8(lxw_strerror(error));
        while (reason.endsWith(QLatin1Char('.')))
            reason.chop(1);
        throw Exception(QStringLiteral("No fue posible escribir el libro de Excel %1 (%2).").arg(m_fileName, reason));
    }
    if ((QFile::exists(m_fileName) && !QFile::remove(m_fileName)) || !QFile::rename(m_temporary, m_fileName)) {
        QFile::remove(m_temporary);
        throw Exception(QStringLiteral("No fue posible reemplazar %1.").arg(m_fileName));
    }
}
