#include "TCatalogueImporter.h"

#include "EAppServerError.h"
#include "TCsvReader.h"
#include "TDatabase.h"
#include "TSqlTransaction.h"

#include <QDateTime>
#include <QHash>
#include <QSqlQuery>

namespace {

const char *const kRequired[] = {"ciclo_cod",
                                 "ciclo_nombre",
                                 "estandar_titulo",
                                 "estandar_porcentaje",
                                 "subestandar_descripcion",
                                 "subestandar_porcentaje",
                                 "numeral",
                                 "item_descripcion",
                                 "valor_item"};
const char *const kOptional[] = {"marco_legal", "criterio", "modo_verificacion"};

[[noreturn]] void refuse(int line, const QString &message)
{
    throw EAppServerError(400, QStringLiteral("Línea %1: %2").arg(line).arg(message));
}

struct SItem
{
    int Line;
    QString Numeral, Description, Legal, Criterion, Verification;
    double Value;
};
struct SDescription
{
    QString Text;
    double Percent;
    QList<SItem> Items;
};
struct SStandard
{
    QString Title;
    double Percent;
    QList<SDescription> Descriptions;
};
struct SCycle
{
    int Code;
    QString Name;
    QList<SStandard> Standards;
};

double number(const SCsvRecord &r, int column, const char *name)
{
    QString t = r.Fields.at(column).trimmed();
    if (!t.contains(QLatin1Char('.')))
        t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok)
        refuse(r.Line, QStringLiteral("\"%1\" no es un número: \"%2\".").arg(QLatin1String(name), r.Fields.at(column)));
    return v;
}

QString text(const SCsvRecord &r, int column, const char *name, int maxLength, bool required)
{
    if (column < 0)
        return QString();
    const QString t = r.Fields.at(column).trimmed();
    if (required && t.isEmpty())
        refuse(r.Line, QStringLiteral("falta el valor de \"%1\".").arg(QLatin1String(name)));
    if (maxLength > 0 && t.size() > maxLength)
        refuse(r.Line, QStringLiteral("\"%1\" tiene más de %2 caracteres.").arg(QLatin1String(name)).arg(maxLength));
    return t;
}

template <typename T, typename Pred> T &findOrAdd(QList<T> &list, Pred pred, T fresh)
{
    for (T &x : list)
        if (pred(x))
            return x;
    list.append(std::move(fresh));
    return list.last();
}

// The optional columns of a supplementary catalogue by numeral; lines without a numeral are skipped.
QHash<QString, QStringList> supplementColumns(const QString &csv)
{
    QHash<QString, QStringList> out;
    const QList<SCsvRecord> records = TCsvReader::Parse(csv);
    if (records.isEmpty())
        return out;
    QHash<QString, int> column;
    for (int i = 0; i < records.first().Fields.size(); ++i)
        column.insert(records.first().Fields.at(i).trimmed().toLower(), i);
    const int numeral = column.value(QStringLiteral("numeral"), -1);
    if (numeral < 0)
        return out;
    for (int r = 1; r < records.size(); ++r) {
        const QStringList &fields = records.at(r).Fields;
        QStringList values;
        for (const char *name : kOptional)
            values << fields.value(column.value(QLatin1String(name), -1)).trimmed();
        out.insert(fields.value(numeral).trimmed(), values);
    }
    return out;
}

} // namespace

TCatalogueImporter::TCatalogueImporter(TDatabase &db) : m_db(db)
{}

QList<QPair<int, QString>> TCatalogueImporter::ParseAreas(const QString &location)
{
    QList<QPair<int, QString>> out;
    for (const QString &part : location.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int colon = int(part.indexOf(QLatin1Char(':')));
        bool ok = false;
        const int code = colon > 0 ? part.left(colon).trimmed().toInt(&ok) : 0;
        const QString name = part.mid(colon + 1).trimmed();
        if (!ok || name.isEmpty() || name.size() > 60)
            return {};
        out << qMakePair(code, name);
    }
    return out;
}

void TCatalogueImporter::WriteLevelBands(TDatabase &db, int company)
{
    struct Band
    {
        int code;
        const char *name;
        QVariant low;
        const char *lowIn;
        QVariant high;
        const char *highIn;
        const char *action;
    };
    const Band bands[] = {
        {1, "CRÍTICO", QVariant(), "N", 60.0, "N",
         "1. Realizar y tener a disposición del Ministerio del Trabajo un Plan de Mejoramiento de inmediato. "
         "2. Enviar a la Administradora de Riesgos Laborales un reporte de avances en un término máximo de tres (3) "
         "meses después de la autoevaluación de los Estándares Mínimos. 3. Seguimiento anual y plan de visita a la "
         "empresa por parte del Ministerio del Trabajo."},
        {2, "MODERADAMENTE ACEPTABLE", 60.0, "S", 85.0, "S",
         "1. Realizar y tener a disposición del Ministerio del Trabajo un Plan de Mejoramiento. 2. Enviar a la "
         "Administradora de Riesgos Laborales un reporte de avances en un término máximo de seis (6) meses después "
         "de la autoevaluación de los Estándares Mínimos. 3. Plan de visita por parte del Ministerio del Trabajo."},
        {3, "ACEPTABLE", 85.0, "N", QVariant(), "N",
         "1. Mantener la calificación y las evidencias a disposición del Ministerio del Trabajo, e incluir en el "
         "Plan Anual de Trabajo las mejoras detectadas."},
    };
    db.Run(QStringLiteral("DELETE FROM GN_DITEM WHERE COD_EMPR = ? AND TIP_ITEM = 4"), {company});
    for (const Band &b : bands)
        db.Run(
            QStringLiteral("INSERT INTO GN_DITEM (COD_EMPR, TIP_ITEM, COD_ITEM, DES_ITEM, OBS_ERVA, LIM_INFE, INC_INFE,"
                           " LIM_SUPE, INC_SUPE) VALUES (?, 4, ?, ?, ?, ?, ?, ?, ?)"),
            {company, double(b.code), QString::fromUtf8(b.name), QString::fromUtf8(b.action), b.low,
             QString::fromLatin1(b.lowIn), b.high, QString::fromLatin1(b.highIn)});
}

SCatalogueSummary TCatalogueImporter::Import(const SCatalogueImport &job)
{
    const QList<SCsvRecord> records = TCsvReader::Parse(job.Csv);
    if (records.isEmpty())
        throw EAppServerError(400, QStringLiteral("Línea 1: el archivo está vacío; se requiere el encabezado."));
    QHash<QString, int> column;
    const SCsvRecord &header = records.first();
    for (int i = 0; i < header.Fields.size(); ++i)
        column.insert(header.Fields.at(i).trimmed().toLower(), i);
    for (const char *name : kRequired)
        if (!column.contains(QLatin1String(name)))
            refuse(header.Line, QStringLiteral("falta la columna \"%1\" en el encabezado.").arg(QLatin1String(name)));
    auto col = [&](const char *name) { return column.value(QLatin1String(name), -1); };
    const QHash<QString, QStringList> supplement = supplementColumns(job.Supplement);

    QList<SCycle> cycles;
    QHash<QString, int> numerals;
    int itemCount = 0;
    for (int r = 1; r < records.size(); ++r) {
        const SCsvRecord &rec = records.at(r);
        if (rec.Fields.size() != header.Fields.size())
            refuse(
                rec.Line,
                QStringLiteral("se esperaban %1 columnas y hay %2.").arg(header.Fields.size()).arg(rec.Fields.size()));
        bool ok = false;
        const int cycleCode = rec.Fields.at(col("ciclo_cod")).trimmed().toInt(&ok);
        if (!ok || cycleCode < 1 || cycleCode > 4)
            refuse(rec.Line,
                   QStringLiteral("\"ciclo_cod\" debe ser 1, 2, 3 o 4: \"%1\".").arg(rec.Fields.at(col("ciclo_cod"))));
        const QString cycleName = text(rec, col("ciclo_nombre"), "ciclo_nombre", 60, true);
        const QString title = text(rec, col("estandar_titulo"), "estandar_titulo", 255, true);
        const double titlePercent = number(rec, col("estandar_porcentaje"), "estandar_porcentaje");
        const QString description = text(rec, col("subestandar_descripcion"), "subestandar_descripcion", 255, true);
        const double descriptionPercent = number(rec, col("subestandar_porcentaje"), "subestandar_porcentaje");
        SItem item{rec.Line,
                   text(rec, col("numeral"), "numeral", 20, true),
                   text(rec, col("item_descripcion"), "item_descripcion", 255, true),
                   text(rec, col("marco_legal"), "marco_legal", 255, false),
                   text(rec, col("criterio"), "criterio", 0, false),
                   text(rec, col("modo_verificacion"), "modo_verificacion", 0, false),
                   number(rec, col("valor_item"), "valor_item")};
        if (const auto extra = supplement.constFind(item.Numeral); extra != supplement.constEnd()) {
            QString *const own[] = {&item.Legal, &item.Criterion, &item.Verification}; // kOptional's order
            for (int k = 0; k < 3; ++k)
                if (own[k]->isEmpty())
                    *own[k] = extra->value(k);
            if (item.Legal.size() > 255)
                refuse(rec.Line, QStringLiteral("\"marco_legal\" tiene más de 255 caracteres."));
        }
        if (numerals.contains(item.Numeral))
            refuse(rec.Line, QStringLiteral("el numeral \"%1\" ya aparece en la línea %2.")
                                 .arg(item.Numeral)
                                 .arg(numerals.value(item.Numeral)));
        numerals.insert(item.Numeral, rec.Line);

        SCycle &cycle = findOrAdd(
            cycles, [&](const SCycle &c) { return c.Code == cycleCode; }, SCycle{cycleCode, cycleName, {}});
        SStandard &standard = findOrAdd(
            cycle.Standards, [&](const SStandard &s) { return s.Title == title; }, SStandard{title, titlePercent, {}});
        SDescription &desc = findOrAdd(
            standard.Descriptions, [&](const SDescription &d) { return d.Text == description; },
            SDescription{description, descriptionPercent, {}});
        desc.Items << item;
        ++itemCount;
    }
    if (itemCount == 0)
        throw EAppServerError(400, QStringLiteral("Línea 2: el archivo no tiene ítems."));

    const QVariant from = job.ValidFrom.startOfDay();
    const QVariant to = job.ValidTo.isValid() ? QVariant(job.ValidTo.startOfDay()) : QVariant();
    const QVariant processDate = job.ProcessDate.startOfDay();
    const QVariant now = QDateTime::currentDateTime();
    const int company = job.Company;

    SCatalogueSummary summary;
    TSqlTransaction tx(m_db, TSqlTransaction::TMode::Write);
    {
        QSqlQuery q = m_db.Run(QStringLiteral("SELECT COUNT(*) FROM GN_EMPRE WHERE COD_EMPR = ?"), {company});
        if (!q.next() || q.value(0).toInt() == 0)
            throw EAppServerError(400, QStringLiteral("La empresa %1 no existe.").arg(company));
    }
    QList<int> areas;
    for (const auto &a : job.Areas) {
        m_db.Run(QStringLiteral("DELETE FROM SO_AREAS WHERE COD_EMPR = ? AND COD_AREA = ?"), {company, a.first});
        m_db.Run(QStringLiteral("INSERT INTO SO_AREAS (COD_EMPR, COD_AREA, NOM_AREA) VALUES (?, ?, ?)"),
                 {company, a.first, a.second});
        areas << a.first;
    }
    if (areas.isEmpty()) {
        {
            QSqlQuery q = m_db.Run(QStringLiteral("SELECT COD_AREA FROM SO_AREAS WHERE COD_EMPR = ? ORDER BY COD_AREA"),
                                   {company});
            while (q.next())
                areas << q.value(0).toInt();
        }
        if (areas.isEmpty()) {
            m_db.Run(QStringLiteral("INSERT INTO SO_AREAS (COD_EMPR, COD_AREA, NOM_AREA) VALUES (?, 1, ?)"),
                     {company, QStringLiteral("General")});
            areas << 1;
        }
    }
    WriteLevelBands(m_db, company);

    int nextCycle = 1;
    {
        QSqlQuery q =
            m_db.Run(QStringLiteral("SELECT COALESCE(MAX(RMT_PAMA), 0) FROM SO_PAMAL WHERE COD_EMPR = ?"), {company});
        if (q.next())
            nextCycle = q.value(0).toInt() + 1;
    }
    for (const SCycle &c : cycles) {
        const int pama = nextCycle++;
        m_db.Run(QStringLiteral("INSERT INTO SO_PAMAL (COD_EMPR, RMT_PAMA, COD_CICL, DES_PAMA, FEC_INIC, FEC_FINA) "
                                "VALUES (?, ?, ?, ?, ?, ?)"),
                 {company, pama, c.Code, c.Name, from, to});
        ++summary.Cycles;
        int depa = 0;
        for (const SStandard &s : c.Standards) {
            ++depa;
            ++summary.Standards;
            m_db.Run(QStringLiteral("INSERT INTO SO_DEPAM (COD_EMPR, RMT_PAMA, RMT_DEPA, RMT_ESTA, DES_ESTA, POR_ESTA) "
                                    "VALUES (?, ?, ?, 0, ?, ?)"),
                     {company, pama, depa, s.Title, s.Percent});
            int esta = 0;
            for (const SDescription &d : s.Descriptions) {
                ++esta;
                m_db.Run(QStringLiteral("INSERT INTO SO_DEPAM (COD_EMPR, RMT_PAMA, RMT_DEPA, RMT_ESTA, DES_ESTA, "
                                        "POR_ESTA) VALUES (?, ?, ?, ?, ?, ?)"),
                         {company, pama, depa, esta, d.Text, d.Percent});
                int ites = 0;
                for (const SItem &i : d.Items) {
                    ++ites;
                    ++summary.Items;
                    m_db.Run(QStringLiteral(
                                 "INSERT INTO SO_DIPAM (COD_EMPR, RMT_PAMA, RMT_DEPA, RMT_ESTA, RMT_ITES, NUM_ERAL, "
                                 "DES_ITEM,"
                                 " VAL_ITEM, MAR_LEGA, TEX_CRIT, TEX_MVER) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                             {company, pama, depa, esta, ites, i.Numeral, i.Description, i.Value,
                              i.Legal.isEmpty() ? QVariant() : QVariant(i.Legal),
                              i.Criterion.isEmpty() ? QVariant() : QVariant(i.Criterion),
                              i.Verification.isEmpty() ? QVariant() : QVariant(i.Verification)});
                    for (int area : std::as_const(areas)) {
                        m_db.Run(
                            QStringLiteral("INSERT INTO SO_MALEG (ACT_USUA, ACT_HORA, ACT_ESTA, COD_EMPR, FEC_PROC, "
                                           "RMT_PAMA, RMT_DEPA,"
                                           " RMT_ESTA, RMT_ITES, COD_AREA) VALUES (?, ?, 'A', ?, ?, ?, ?, ?, ?, ?)"),
                            {QStringLiteral("IMPORTA"), now, company, processDate, pama, depa, esta, ites, area});
                        ++summary.Records;
                    }
                }
            }
        }
    }
    tx.Commit();
    if (m_db.IsPostgres()) {
        // Fresh statistics: without them the planner joins the evaluation tables badly.
        m_db.Exec(QStringLiteral("ANALYZE SO_MALEG, SO_PAMAL, SO_DEPAM, SO_DIPAM, SO_AREAS, GN_DITEM"));
    }
    return summary;
}
