// The banded report engine on rows held by the test: group breaks, aggregates, page breaks and
// reprinted headers, child bands, growing memos, cancelling and unknown names. A group opening its
// own page is seen in the values table and the annual plan (tst_RptMaleg, tst_RptGraficas), the
// total pages and the spool in the preview (tst_ReportPreview).

#include "IReportDataSet.h"
#include "TReport.h"

#include <QGuiApplication>
#include <QTest>

namespace {

QStringList S(std::initializer_list<const char *> items)
{
    QStringList list;
    for (const char *item : items)
        list << QString::fromUtf8(item);
    return list;
}

// Rows of named values, walked as a report dataset walks a table.
class Rows : public IReportDataSet
{
public:
    Rows(QStringList fields, QList<QVariantList> rows) : m_fields(std::move(fields)), m_rows(std::move(rows)) {}
    QString UserName() const override { return QStringLiteral("T"); }
    void First() override
    {
        m_pos = 0;
        m_eof = m_rows.isEmpty();
    }
    void Next() override
    {
        if (m_pos + 1 < m_rows.size())
            ++m_pos;
        else
            m_eof = true;
    }
    void Prior() override
    {
        m_eof = false;
        m_pos = std::max(0, m_pos - 1);
    }
    bool Eof() const override { return m_eof; }
    bool IsEmpty() const override { return m_rows.isEmpty(); }
    bool HasField(const QString &f) const override { return m_fields.contains(f); }
    QVariant Value(const QString &f) const override { return m_rows.value(m_pos).value(int(m_fields.indexOf(f))); }
    QString DisplayText(const QString &f) const override { return Value(f).toString(); }

private:
    QStringList m_fields;
    QList<QVariantList> m_rows;
    int m_pos = 0;
    bool m_eof = true;
};

TMemoView *memo(TBand *band, const QString &text, double top = 0, double height = 5, double left = 0,
                double width = 100)
{
    TMemoView *m = band->Add<TMemoView>(QStringLiteral("M%1").arg(band->Objects.size()));
    m->Left = left;
    m->Top = top;
    m->Width = width;
    m->Height = height;
    m->Text = text;
    return m;
}

// The texts of every page, top to bottom, a page starting with "#<n>".
QStringList texts(const TReport &report)
{
    QStringList out;
    const TPreparedReport &pages = report.PreparedPages();
    for (int i = 0; i < pages.PageCount(); ++i) {
        out << QStringLiteral("#%1").arg(i + 1);
        for (const TPrimitive &p : pages.Page(i)->items)
            if (p.kind == TPrimitive::Text && !p.lines.isEmpty())
                out << p.lines.join(QLatin1Char(' '));
    }
    return out;
}

// A report over T with one group on G: header "H <G>", rows "<N>", footer with the group's sum and
// count, and a final footer with the whole sum.
struct GroupedReport
{
    Rows rows;
    TReport report{QStringLiteral("Prueba")};
    TBand *data, *groupHeader, *groupFooter, *footer, *pageHeader;

    explicit GroupedReport(QList<QVariantList> values)
        : rows({QStringLiteral("G"), QStringLiteral("N"), QStringLiteral("V")}, std::move(values))
    {
        report.RegisterDataSet(&rows);
        report.Page.PaperSize = QSizeF(100, 80);
        pageHeader = report.NewBand(TBand::PageHeader, QStringLiteral("PageHeader1"));
        memo(pageHeader, QStringLiteral("Página [PAGE#] de [TOTALPAGES#]"));
        report.Page.PageHeader = pageHeader;
        groupHeader = report.NewBand(TBand::GroupHeader, QStringLiteral("GroupHeader1"));
        groupHeader->Condition = QStringLiteral("T.\"G\"");
        memo(groupHeader, QStringLiteral("H [T.\"G\"]"));
        data = report.NewBand(TBand::MasterData, QStringLiteral("MasterData1"));
        data->DataSet = QStringLiteral("T");
        memo(data, QStringLiteral("[T.\"N\"]"));
        groupFooter = report.NewBand(TBand::GroupFooter, QStringLiteral("GroupFooter1"));
        memo(groupFooter, QStringLiteral("S [SUM(<T.\"V\">,MasterData1)] C [COUNT(MasterData1)] L [T.\"G\"]"));
        footer = report.NewBand(TBand::Footer, QStringLiteral("Footer1"));
        memo(footer, QStringLiteral("Total [SUM(<T.\"V\">,MasterData1)]"));
        TDataLevel level;
        level.Data = data;
        level.Footer = footer;
        level.Groups = {{groupHeader, groupFooter}};
        report.Page.Masters.push_back(level);
    }
};

QList<QVariantList> numbered(const QStringList &groups)
{
    QList<QVariantList> rows;
    for (int i = 0; i < groups.size(); ++i)
        rows << QVariantList{groups[i], QStringLiteral("r%1").arg(i + 1), i + 1};
    return rows;
}

} // namespace

class tst_ReportEngine : public QObject
{
    Q_OBJECT

private slots:
    void groupsEndWhereTheirConditionChanges_data()
    {
        QTest::addColumn<QStringList>("groups");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("three groups") << S({"A", "A", "B", "C", "C", "C"})
                                      << S({"#1", "Página 1 de \u0001TP\u0001", "H A", "r1", "r2", "S 3 C 2 L A", "H B",
                                            "r3", "S 3 C 1 L B", "H C", "r4", "r5", "r6", "S 15 C 3 L C", "Total 21"});
        QTest::newRow("one row") << S({"A"})
                                 << S({"#1", "Página 1 de \u0001TP\u0001", "H A", "r1", "S 1 C 1 L A", "Total 1"});
        QTest::newRow("a group per row") << S({"A", "B"})
                                         << S({"#1", "Página 1 de \u0001TP\u0001", "H A", "r1", "S 1 C 1 L A", "H B",
                                               "r2", "S 2 C 1 L B", "Total 3"});
        QTest::newRow("no rows") << S({}) << S({"#1", "Página 1 de \u0001TP\u0001"});
    }
    void groupsEndWhereTheirConditionChanges()
    {
        QFETCH(QStringList, groups);
        QFETCH(QStringList, expected);
        GroupedReport r(numbered(groups));
        r.report.Page.PaperSize = QSizeF(100, 400);
        QVERIFY(r.report.PrepareReport());
        QCOMPARE(texts(r.report), expected);
    }

    void aPageBreakReprintsThePageHeaderAndMarkedHeaders()
    {
        GroupedReport r(numbered(QStringList(12, QStringLiteral("A"))));
        r.groupHeader->ReprintOnNewPage = true;
        QVERIFY(r.report.PrepareReport());
        const QStringList all = texts(r.report);
        // 80 mm paper, 10 mm margins: 12 rows of 5 mm do not fit on one page.
        QVERIFY(r.report.PreparedPages().PageCount() >= 2);
        const qsizetype second = all.indexOf(QStringLiteral("#2"));
        QCOMPARE(all.mid(second, 3), (S({"#2", "Página 2 de \u0001TP\u0001", "H A"})));
        QCOMPARE(all.count(QStringLiteral("S 78 C 12 L A")), 1);
        // Without the mark the group header is not repeated.
        GroupedReport plain(numbered(QStringList(12, QStringLiteral("A"))));
        QVERIFY(plain.report.PrepareReport());
        QCOMPARE(texts(plain.report).count(QStringLiteral("H A")), 1);
    }

    void aChildFollowsTheVisibilityItsParentSet()
    {
        GroupedReport r(numbered(S({"A", "B", "A"})));
        r.report.Page.PaperSize = QSizeF(100, 400);
        TBand *child = r.report.NewBand(TBand::Child, QStringLiteral("Child1"));
        memo(child, QStringLiteral("hijo de [T.\"N\"]"));
        TBand *other = r.report.NewBand(TBand::Child, QStringLiteral("Child2"));
        memo(other, QStringLiteral("otro de [T.\"N\"]"));
        r.data->OnBeforePrint = [&](TBand &band) {
            const bool a = r.rows.Value(QStringLiteral("G")) == QStringLiteral("A");
            child->Visible = a;
            other->Visible = !a;
            band.ChildBand = a ? child : other;
        };
        QVERIFY(r.report.PrepareReport());
        const QStringList all = texts(r.report);
        QVERIFY(all.contains(QStringLiteral("hijo de r1")));
        QVERIFY(all.contains(QStringLiteral("otro de r2")));
        QVERIFY(all.contains(QStringLiteral("hijo de r3")));
        QVERIFY(!all.contains(QStringLiteral("otro de r1")) && !all.contains(QStringLiteral("hijo de r2")));
    }

    void aGrowingMemoPushesTheObjectsBelowIt()
    {
        GroupedReport r(numbered(S({"A"})));
        r.report.Page.PaperSize = QSizeF(100, 400);
        r.data->Stretched = true;
        TMemoView *grows = memo(r.data, QStringLiteral("palabra ").repeated(60), 5, 5, 0, 40);
        grows->StretchMode = TMemoView::smActualHeight;
        memo(r.data, QStringLiteral("debajo"), 10, 5, 0, 40);
        memo(r.data, QStringLiteral("al lado"), 10, 5, 50, 40);
        QVERIFY(r.report.PrepareReport());
        const auto page = r.report.PreparedPages().Page(0);
        auto find = [&](const QString &start) {
            for (const TPrimitive &p : page->items)
                if (p.kind == TPrimitive::Text && p.lines.join(QLatin1Char(' ')).startsWith(start))
                    return p.rect;
            return QRectF();
        };
        const QRectF grown = find(QStringLiteral("palabra")), below = find(QStringLiteral("debajo")),
                     beside = find(QStringLiteral("al lado"));
        QVERIFY(grown.height() > 10);
        QVERIFY(below.top() >= grown.bottom() - 0.01);
        QCOMPARE(beside.top(), grown.top() + 5); // not under the memo: stays where it was
        // The band grew too: the group footer starts below the pushed memo.
        QVERIFY(find(QStringLiteral("S 1")).top() >= below.bottom() - 0.01);
    }

    void cancellingStopsTheRun()
    {
        GroupedReport r(numbered(QStringList(100, QStringLiteral("A"))));
        r.report.OnProgress = [](int pages) { return pages < 2; };
        QVERIFY(!r.report.PrepareReport());
        QCOMPARE(r.report.PreparedPages().PageCount(), 0);
    }

    void anUnknownNameStopsTheReport_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, const char *text, const char *message) {
            QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(message);
        };
        row("dataset", "[X.\"N\"]",
            "El reporte \"Prueba\" usa el conjunto de datos desconocido \"X\" en la expresión \"X.\"N\"\".");
        row("field", "[T.\"ZZ\"]",
            "El reporte \"Prueba\" usa el campo desconocido \"ZZ\" de \"T\" en la expresión \"T.\"ZZ\"\".");
        row("function", "[Foo(1)]",
            "El reporte \"Prueba\" usa la función desconocida \"Foo\" en la expresión \"Foo(1)\".");
        row("variable", "[gNada + 1]", "El reporte \"Prueba\" usa la variable desconocida \"gNada\".");
        row("syntax", "[1 +]", "El reporte \"Prueba\" no puede leer la expresión \"1 +\": falta un valor al final.");
    }
    void anUnknownNameStopsTheReport()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        GroupedReport r(numbered(S({"A"})));
        memo(r.data, text, 0, 5, 0, 50);
        try {
            r.report.PrepareReport();
            QFAIL("the report ran");
        } catch (const EReportError &e) {
            QCOMPARE(e.Message, message);
        }
    }

    void expressionsAndVariables()
    {
        GroupedReport r(numbered(S({"A"})));
        r.report.AddFunction(QStringLiteral("function Doble(X: Extended): String"));
        r.report.OnUserFunction = [](const QString &name, const QVariantList &args) {
            return name == QStringLiteral("DOBLE") ? QVariant(args.value(0).toDouble() * 2) : QVariant();
        };
        int asked = 0;
        r.report.OnGetValue = [&](const QString &name, QVariant &value) {
            if (name == QStringLiteral("gNombre")) {
                ++asked;
                value = QStringLiteral("ana");
            }
        };
        memo(r.data, QStringLiteral("[Uppercase(gNombre)] [Doble(<T.\"V\"> / 4)] [(2 + 3) * 2] [7 / 0] ['a' + 'b']"), 0,
             5, 0, 90);
        QVERIFY(r.report.PrepareReport());
        QVERIFY2(texts(r.report).contains(QStringLiteral("ANA 0,5 10 — ab")),
                 qPrintable(texts(r.report).join(QLatin1Char('|'))));
        QCOMPARE(asked, 1);
    }
};

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    tst_ReportEngine test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_ReportEngine.moc"
