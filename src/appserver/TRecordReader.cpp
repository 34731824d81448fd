#include "TRecordReader.h"
#include "TRecent.h"

#include "EAppServerError.h"
#include "TDatabase.h"
#include "TProviderCatalog.h"
#include "TSchemaCatalog.h"
#include "TSqlText.h"
#include "TPgStatement.h"
#include "TSqliteReader.h"
#include "TSqlTransaction.h"
#include "TClientStatement.h"
#include "TDateTimeText.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlField>
#include <QSqlRecord>
#include <algorithm>
#include <optional>

namespace {

TFieldType typeOfValue(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return TFieldType::ftInteger;
    case QMetaType::Double:
    case QMetaType::Float:
        return TFieldType::ftFloat;
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        return TFieldType::ftDateTime;
    case QMetaType::Bool:
        return TFieldType::ftBoolean;
    case QMetaType::QByteArray:
        return TFieldType::ftBlob;
    default:
        return TFieldType::ftString;
    }
}

// The field of a result column the provider does not declare: the driver's type when it knows one
// (PostgreSQL), else the schema's declaration of a column of that name, else the values' own type.
SFieldDef inferField(const QString &name, QMetaType driverType, const QList<QVariantList> &rows, int column)
{
    SFieldDef f;
    f.Name = name;
    std::optional<TFieldType> valueType;
    for (const QVariantList &r : rows)
        if (r.at(column).isValid() && !r.at(column).isNull()) {
            valueType = typeOfValue(r.at(column));
            break;
        }
    const TFieldType driver = typeOfValue(QVariant(driverType, nullptr));
    QString base = name;
    static const QRegularExpression suffix(QStringLiteral("_\\d+$"));
    const SColumnDef *declared = TSchemaCatalog::Instance().AnyColumn(name);
    if (!declared && base.contains(suffix))
        declared = TSchemaCatalog::Instance().AnyColumn(base.remove(suffix));
    if (driver != TFieldType::ftString && driverType.isValid()) {
        f.DataType = driver;
        if (declared && IsNumericType(declared->DataType) && IsNumericType(driver)) {
            if (declared->DataType == TFieldType::ftFloat || driver == TFieldType::ftFloat)
                f.DataType = TFieldType::ftFloat;
            else
                f.DataType =
                    declared->DataType == TFieldType::ftLargeint ? TFieldType::ftLargeint : TFieldType::ftInteger;
        }
    } else if (declared && !(valueType && IsNumericType(*valueType) && !IsNumericType(declared->DataType))) {
        f.DataType = declared->DataType;
        f.Size = declared->Size;
    } else {
        f.DataType = valueType.value_or(TFieldType::ftString);
    }
    if (f.DataType == TFieldType::ftSmallint)
        f.DataType = declared && declared->DataType == TFieldType::ftSmallint ? TFieldType::ftSmallint : f.DataType;
    return f;
}

} // namespace

TRecordReader::TRecordReader(TDatabase &db, const QSet<int> &companies) : m_db(db), m_companies(companies)
{}

QString TRecordReader::CompanyList(const QSet<int> &companies)
{
    QList<int> list(companies.begin(), companies.end());
    std::sort(list.begin(), list.end());
    QStringList text;
    for (int c : list)
        text << QString::number(c);
    return text.isEmpty() ? QStringLiteral("NULL") : text.join(QStringLiteral(", "));
}

void TRecordReader::CheckClientQuery(const TSqlText &sql)
{
    if (sql.MultipleStatements() || sql.Unterminated())
        throw EAppServerError(400, QStringLiteral("El texto de comando debe ser una sola sentencia."));
    const QString first = sql.FirstKeyword();
    if (first != QStringLiteral("SELECT") && first != QStringLiteral("WITH"))
        throw EAppServerError(400, QStringLiteral("El texto de comando solo puede consultar datos (SELECT)."));
}

QVariantList TRecordReader::BindValues(const QStringList &names, const QList<SParam> &params)
{
    QVariantList values;
    for (const QString &n : names) {
        QVariant v;
        for (const SParam &p : params)
            if (p.Name.size() == n.size() && (p.Name == n || p.Name.compare(n, Qt::CaseInsensitive) == 0)) {
                v = p.Value;
                if (p.DataType == TFieldType::ftDateTime && v.typeId() == QMetaType::QString)
                    v = TDateTimeText::Parse(v.toString());
                break;
            }
        values << v;
    }
    return values;
}

SDataPacket TRecordReader::Read(const SProviderDef &provider, const QList<SParam> &params, const QString &commandText)
{
    const bool clientText = !commandText.trimmed().isEmpty();
    if (clientText && !provider.TakesCommandText)
        throw EAppServerError(400, QStringLiteral("El proveedor %1 no admite texto de comando.").arg(provider.Name));
    QString text = clientText ? commandText : provider.Sql;
    if (text.trimmed().isEmpty())
        throw EAppServerError(400, QStringLiteral("El proveedor %1 necesita un texto de comando.").arg(provider.Name));
    if (!clientText)
        text.replace(QStringLiteral("{COMPANIES}"), CompanyList(m_companies));
    // Every statement runs on the user's connection: which rows of which tables it may read is the
    // database's decision (row policies, or the SQLite guard's views), the same for the provider's
    // own text as for a client's.
    const TSqlText &sql = Scanned(text, m_db.IsPostgres() ? TSqlText::TDialect::Postgres : TSqlText::TDialect::Sqlite);
    if (clientText)
        CheckClientQuery(sql);

    auto declaredField = [&](const QString &name) -> const SFieldDef * {
        for (const SFieldDef &f : provider.Fields)
            if (f.Name == name)
                return &f;
        return nullptr;
    };
    QList<QVariantList> raw;
    QStringList names;
    QList<QMetaType> driverTypes;
    QList<bool> converted; // values already of the field's type
    QList<const SFieldDef *> declared;
    QHash<QString, int> seen;
    auto uniqueName = [&](const QString &column) {
        QString n = column.toUpper();
        const int dup = seen.value(n, 0);
        seen.insert(n, dup + 1);
        return dup > 0 ? n + QStringLiteral("_%1").arg(dup) : n;
    };
    const QVariantList values = BindValues(sql.ParamNames(), params);
    // Only a client's text can ask for an unbounded answer; the providers' own queries are the module's.
    const int maxRows = clientText ? m_db.ClientMaxRows() : 0;
    {
        // Client text runs read-only: the guard refuses writes (SQLite), a READ ONLY transaction (PostgreSQL).
        std::optional<TClientStatement> client;
        if (clientText)
            client.emplace(m_db, TDatabase::TClientMode::Read);
        std::optional<TSqlTransaction> readOnly;
        if (clientText && m_db.IsPostgres()) {
            readOnly.emplace(m_db, TSqlTransaction::TMode::ReadOnly);
            m_db.Exec(QStringLiteral("SET LOCAL statement_timeout = %1").arg(m_db.ClientMilliseconds()));
        }
        if (!m_db.IsPostgres()) {
            auto describe = [&](int, const QString &column) {
                TSqliteReader::SColumn c;
                c.Name = uniqueName(column);
                c.Declared = declaredField(c.Name);
                c.Type = c.Declared ? c.Declared->DataType : TFieldType::ftUnknown;
                return c;
            };
            // Client text and the providers' own statements are authorized under different rules.
            TSqliteReader::SResult result = TSqliteReader::Read(m_db.Connection(), sql.Positional(), values, describe,
                                                                &provider, clientText ? TSqliteReader::kClientKind : 0,
                                                                maxRows, clientText ? m_db.ClientMaxBytes() : 0);
            raw = std::move(result.Rows);
            for (const TSqliteReader::SColumn &c : *result.Columns) {
                names << c.Name;
                driverTypes << QMetaType();
                converted << bool(c.Declared);
                declared << c.Declared;
            }
        } else if (clientText) {
            // One statement by construction: the extended protocol refuses a text holding two.
            TPgStatement::SResult result =
                TPgStatement::Run(m_db.Connection(), sql.Positional(), values, maxRows, m_db.ClientMaxBytes());
            for (int i = 0; i < result.Names.size(); ++i) {
                names << uniqueName(result.Names.at(i));
                driverTypes << result.Types.at(i);
                converted << false;
                declared << declaredField(names.last());
            }
            raw = std::move(result.Rows);
        } else {
            QSqlQuery q(m_db.Connection());
            QString error;
            if (!m_db.Execute(q, text, values, &error))
                throw EAppServerError(500, error);
            const QSqlRecord rec = q.record();
            for (int i = 0; i < rec.count(); ++i) {
                names << uniqueName(rec.fieldName(i));
                driverTypes << rec.field(i).metaType();
                converted << false;
                declared << declaredField(names.last());
            }
            while (q.next()) {
                QVariantList row;
                row.reserve(rec.count());
                for (int i = 0; i < rec.count(); ++i)
                    row << q.value(i);
                raw << row;
            }
        }
        if (readOnly)
            readOnly->Commit();
    }

    SDataPacket packet;
    packet.Fields.reserve(names.size());
    for (int i = 0; i < names.size(); ++i)
        packet.Fields << (declared.at(i) ? *declared.at(i) : inferField(names.at(i), driverTypes.at(i), raw, i));
    // The rows move into the packet, converted in place, instead of being copied value by value
    // (25 200 QVariant copies and as many destructions for the 600-record evaluation).
    packet.Rows.reserve(raw.size());
    for (QVariantList &r : raw) {
        for (int i = 0; i < r.size(); ++i)
            if (!converted.at(i))
                r[i] = TDatabase::FromDb(r.at(i), packet.Fields.at(i).DataType);
        packet.Rows << std::move(r);
    }
    if (!provider.MainTable.isEmpty() && !HasOrderBy(sql))
        SortByKey(packet);
    return packet;
}

const TSqlText &TRecordReader::Scanned(const QString &text, TSqlText::TDialect dialect)
{
    // The texts this thread scanned lately: a count asked again and again sends the same text.
    thread_local TRecent<QString, TSqlText> sqlite(256), postgres(256);
    TRecent<QString, TSqlText> &texts = dialect == TSqlText::TDialect::Postgres ? postgres : sqlite;
    return texts.Get(text, [&] { return TSqlText(text, dialect); });
}

bool TRecordReader::HasOrderBy(const TSqlText &sql)
{
    for (int i = 0; i + 1 < sql.WordCount(); ++i)
        if (sql.Word(i).compare(u"ORDER", Qt::CaseInsensitive) == 0 &&
            sql.Word(i + 1).compare(u"BY", Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void TRecordReader::SortByKey(SDataPacket &packet)
{
    // Rows of a table's provider come in the order of the table's key, as a database clustered on
    // its key hands them out, whatever plan the database chose for the joins.
    QList<int> key;
    for (int i = 0; i < packet.Fields.size(); ++i)
        if (packet.Fields.at(i).InKey)
            key << i;
    if (key.isEmpty())
        return;
    std::stable_sort(packet.Rows.begin(), packet.Rows.end(), [&key](const QVariantList &a, const QVariantList &b) {
        for (int c : key) {
            const QPartialOrdering order = QVariant::compare(a.at(c), b.at(c));
            if (order == QPartialOrdering::Less)
                return true;
            if (order == QPartialOrdering::Greater)
                return false;
        }
        return false;
    });
}
