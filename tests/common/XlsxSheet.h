#pragma once

// Reads a sheet of an .xlsx workbook back the way a spreadsheet program sees it, through `unzip -p`
// and a small XML read: every cell by its reference ("B2"), with its text (shared strings resolved),
// whether it is stored as a number (dates are numbers with a date format) and its number format.

#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>

struct XlsxCell
{
    QString text;
    bool number = false;
    QString format; // the number format's pattern; empty: general
};

class XlsxSheet
{
public:
    XlsxSheet(const QString &file, int sheet = 1)
    {
        const QStringList strings = sharedStrings(entry(file, QStringLiteral("xl/sharedStrings.xml")));
        const QStringList formats = cellFormats(entry(file, QStringLiteral("xl/styles.xml")));
        QXmlStreamReader xml(entry(file, QStringLiteral("xl/worksheets/sheet%1.xml").arg(sheet)));
        QString ref, type, style;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QStringLiteral("c")) {
                ref = xml.attributes().value(QStringLiteral("r")).toString();
                type = xml.attributes().value(QStringLiteral("t")).toString();
                style = xml.attributes().value(QStringLiteral("s")).toString();
            } else if (xml.isStartElement() && xml.name() == QStringLiteral("v")) {
                const QString v = xml.readElementText();
                XlsxCell cell;
                cell.number = type.isEmpty() || type == QStringLiteral("n");
                cell.text = type == QStringLiteral("s") ? strings.value(v.toInt()) : v;
                cell.format = formats.value(style.toInt());
                cells.insert(ref, cell);
            } else if (xml.isStartElement() && xml.name() == QStringLiteral("pane")) {
                frozenRows = int(xml.attributes().value(QStringLiteral("ySplit")).toDouble());
            } else if (xml.isStartElement() && xml.name() == QStringLiteral("autoFilter")) {
                filter = xml.attributes().value(QStringLiteral("ref")).toString();
            }
        }
    }

    QMap<QString, XlsxCell> cells;
    int frozenRows = 0;
    QString filter; // the filtered range ("A1:K121"); empty: none

    // The reference of a cell: column from 0, row from 1 ("A1", "AD7").
    static QString Ref(int column, int row)
    {
        QString letters;
        for (int c = column + 1; c > 0; c = (c - 1) / 26)
            letters.prepend(QChar(u'A' + (c - 1) % 26));
        return letters + QString::number(row);
    }
    XlsxCell Cell(int column, int row) const { return cells.value(Ref(column, row)); }
    // The texts of a row, in column order (empty cells left out).
    QStringList Row(int row) const
    {
        QStringList out;
        for (int c = 0; c < 702; ++c)
            if (cells.contains(Ref(c, row)))
                out << cells.value(Ref(c, row)).text;
        return out;
    }
    // The row where some cell reads `text`; 0 when none.
    int RowOf(const QString &text) const
    {
        for (auto it = cells.cbegin(); it != cells.cend(); ++it)
            if (it->text == text)
                return rowOf(it.key());
        return 0;
    }

private:
    static int rowOf(const QString &ref)
    {
        return ref.mid(ref.indexOf(QRegularExpression(QStringLiteral("[0-9]")))).toInt();
    }
    static QByteArray entry(const QString &file, const QString &name)
    {
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file, name});
        unzip.waitForFinished(30000);
        return unzip.readAllStandardOutput();
    }
    static QStringList sharedStrings(const QByteArray &text)
    {
        QStringList out;
        QXmlStreamReader xml(text);
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QStringLiteral("si"))
                out << QString();
            else if (xml.isStartElement() && xml.name() == QStringLiteral("t") && !out.isEmpty())
                out.last() += xml.readElementText();
        }
        return out;
    }
    // The number format of every cell style, by the style's index.
    static QStringList cellFormats(const QByteArray &text)
    {
        QMap<int, QString> patterns{{14, QStringLiteral("m/d/yyyy")}};
        QStringList out;
        bool inCellXfs = false;
        QXmlStreamReader xml(text);
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QStringLiteral("numFmt"))
                patterns.insert(xml.attributes().value(QStringLiteral("numFmtId")).toInt(),
                                xml.attributes().value(QStringLiteral("formatCode")).toString());
            else if (xml.name() == QStringLiteral("cellXfs"))
                inCellXfs = xml.isStartElement();
            else if (inCellXfs && xml.isStartElement() && xml.name() == QStringLiteral("xf"))
                out << patterns.value(xml.attributes().value(QStringLiteral("numFmtId")).toInt());
        }
        return out;
    }
};
