#include "TSchemaCatalog.h"

namespace {

constexpr TFieldType Str = TFieldType::ftString;
constexpr TFieldType Chr = TFieldType::ftFixedChar;
constexpr TFieldType Sml = TFieldType::ftSmallint;
constexpr TFieldType Int = TFieldType::ftInteger;
constexpr TFieldType Lng = TFieldType::ftLargeint;
constexpr TFieldType Flt = TFieldType::ftFloat;
constexpr TFieldType Dtm = TFieldType::ftDateTime;
constexpr TFieldType Mem = TFieldType::ftMemo;
constexpr TFieldType Blb = TFieldType::ftBlob;

SColumnDef col(const char *name, TFieldType type, int size = 0, bool required = false)
{
    return SColumnDef{QString::fromLatin1(name), type, size, required};
}

SColumnDef req(const char *name, TFieldType type, int size = 0)
{
    return col(name, type, size, true);
}

// Several columns of one type, names separated by blanks.
void cols(QList<SColumnDef> &out, const char *names, TFieldType type, int size, bool required)
{
    const QStringList list = QString::fromLatin1(names).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &name : list)
        out.append(SColumnDef{name, type, size, required});
}

QStringList keys(const char *names)
{
    return QString::fromLatin1(names).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QList<SColumnDef> audit()
{
    return {req("ACT_USUA", Str, 8), req("ACT_HORA", Dtm), req("ACT_ESTA", Chr, 1)};
}

const char *const kMonths[] = {"ENE", "FEB", "MAR", "ABR", "MAY", "JUN", "JUL", "AGO", "SEP", "OCT", "NOV", "DIC"};

} // namespace

const SColumnDef *STableDef::Column(const QString &name) const
{
    for (const SColumnDef &c : Columns)
        if (c.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

const TSchemaCatalog &TSchemaCatalog::Instance()
{
    static const TSchemaCatalog catalog;
    return catalog;
}

TSchemaCatalog::TSchemaCatalog()
{
    // Companies and the general catalogues. A company carries its short name, its tax number (without
    // the check digit) and the logo its reports print (PNG or JPEG bytes).
    Add({QStringLiteral("GN_EMPRE"),
         {req("COD_EMPR", Sml), col("INI_EMPR", Str, 20), req("NOM_EMPR", Str, 60), col("BMP_REPO", Blb),
          col("NIT_EMPR", Lng), col("PAI_EMPR", Sml), req("GRU_EMPR", Chr, 1), col("COD_DIFL", Sml)},
         keys("COD_EMPR"),
         {},
         false});
    Add({QStringLiteral("GN_TERCE"),
         {req("COD_EMPR", Sml), req("COD_TERC", Flt), col("NOM_TERC", Chr, 40), col("APE_TERC", Chr, 40),
          col("DCE_MAIL", Chr, 50)},
         keys("COD_EMPR COD_TERC"),
         {keys("COD_TERC")},
         false});
    // Item type 4 rows are score bands: LIM_INFE/LIM_SUPE bound the total, INC_INFE/INC_SUPE ("S"/"N")
    // say whether the bound itself belongs to the band; a null bound is open.
    Add({QStringLiteral("GN_DITEM"),
         {req("COD_EMPR", Sml), req("TIP_ITEM", Sml), req("COD_ITEM", Flt), req("DES_ITEM", Str, 50),
          col("OBS_ERVA", Mem), col("LIM_INFE", Flt), col("INC_INFE", Chr, 1), col("LIM_SUPE", Flt),
          col("INC_SUPE", Chr, 1)},
         keys("COD_EMPR TIP_ITEM COD_ITEM"),
         {},
         false});
    Add({QStringLiteral("GN_DIGIF"),
         {req("COD_VARI", Str, 10), req("COD_PAIS", Sml), req("COD_EMPR", Sml), col("VAL_VARI", Str, 20),
          req("TIP_DATO", Chr, 1), col("DES_VARI", Str, 100)},
         keys("COD_VARI COD_PAIS COD_EMPR"),
         {},
         false,
         true});

    // The company's occupational-health parameters: one row per company.
    {
        QList<SColumnDef> c{req("ACT_USUA", Chr, 8), req("ACT_HORA", Dtm), req("ACT_ESTA", Chr, 1),
                            req("COD_EMPR", Sml), col("COR_EMPL", Str, 60)};
        cols(c,
             "VAL_IAFP OCP_HABT PER_MONA INV_IPSE PRM_GERN PRM_SEGR PRM_HIGI HAB_ADIC HAB_EVID HAB_CNTL "
             "HAB_RECM HAB_OBSV HAB_RINT UTI_CARG UTI_SECC TIP_LEDE DIG_OCHA HAB_DEPA",
             Chr, 1, true);
        cols(c, "COD_DEMI COD_DEMP COD_DEMV COD_DEMF", Sml, 0, false);
        cols(c, "CAL_PINT ORI_GENP PER_FUCA SAN_DISC COM_PERA COM_INSA", Chr, 1, false);
        cols(c, "MIN_FICN MIN_POCT", Int, 0, false);
        cols(c, "COD_TIPC", Sml, 0, false);
        cols(c, "PER_EXPU", Chr, 1, true);
        cols(c,
             "HAB_MAQU HAB_INEL HAB_MATE HAB_AMBI HAB_INDI HAB_OTRA HAB_ACTO HAB_COND HAB_ORGA HAB_ACTI "
             "HAB_FATR HAB_FAPE HAB_INVE ACT_MECO UTI_CCOS UTI_LOCC UTI_GLOB UTI_NIPA UTI_CENT UTI_PROC "
             "UTI_AREA HAB_CSTE VAL_IPAC",
             Chr, 1, false);
        cols(c, "CAS_CONT", Int, 0, false);
        cols(c, "TIP_ARIN", Chr, 1, true);
        cols(c, "PAR_NIVE DEP_VOTA VOT_NIAR ASO_NIVE", Chr, 1, false);
        cols(c, "TIP_APLI", Chr, 2, false);
        cols(c, "VUL_PERS VUL_RECU VUL_SIST", Str, 16, false);
        cols(c, "IND_CARG IND_CENP IND_ROLE", Chr, 1, false);
        cols(c,
             "VIG_AUDI VIG_VISU VIG_OSTE VIG_CARD VIG_RESP VIG_PSIC VIG_ESVI VIG_ERGO VIG_BIOL VIG_RADI "
             "VIG_CONS",
             Chr, 1, true);
        cols(c, "VIG_AGQU MAN_AREA", Chr, 1, false);
        Add({QStringLiteral("SO_PARAM"), c, keys("COD_EMPR"), {}, false});
    }

    // The evaluation plan: cycles, standards (title row RMT_ESTA = 0 and description rows), items.
    Add({QStringLiteral("SO_PAMAL"),
         {req("COD_EMPR", Sml), req("RMT_PAMA", Int), req("COD_CICL", Int), col("DES_PAMA", Str, 60),
          req("FEC_INIC", Dtm), col("FEC_FINA", Dtm)},
         keys("COD_EMPR RMT_PAMA"),
         {},
         false});
    Add({QStringLiteral("SO_DEPAM"),
         {req("COD_EMPR", Sml), req("RMT_PAMA", Int), req("RMT_DEPA", Int), req("RMT_ESTA", Int),
          req("DES_ESTA", Str, 255), col("POR_ESTA", Flt)},
         keys("COD_EMPR RMT_PAMA RMT_DEPA RMT_ESTA"),
         {},
         false});
    Add({QStringLiteral("SO_DIPAM"),
         {req("COD_EMPR", Sml), req("RMT_PAMA", Int), req("RMT_DEPA", Int), req("RMT_ESTA", Int), req("RMT_ITES", Int),
          req("NUM_ERAL", Str, 20), req("DES_ITEM", Str, 255), req("VAL_ITEM", Flt), col("MAR_LEGA", Str, 255),
          col("TEX_CRIT", Mem), col("TEX_MVER", Mem)},
         keys("COD_EMPR RMT_PAMA RMT_DEPA RMT_ESTA RMT_ITES"),
         {},
         false});
    Add({QStringLiteral("SO_AREAS"),
         {req("COD_EMPR", Sml), req("COD_AREA", Int), req("NOM_AREA", Str, 60)},
         keys("COD_EMPR COD_AREA"),
         {},
         false});

    {
        QList<SColumnDef> c = audit();
        c << req("COD_EMPR", Sml) << req("FEC_PROC", Dtm) << col("CAS_CONT", Int) << req("RMT_PAMA", Int)
          << req("RMT_DEPA", Int) << req("RMT_ESTA", Int) << req("RMT_ITES", Int) << col("IND_CUMP", Chr, 1)
          << col("TEX_JUST", Mem) << col("TEX_EVID", Mem) << col("PLA_ACCI", Mem) << col("EMP_ORIG", Sml)
          << col("COD_RESP", Flt) << col("FEC_MALE", Dtm) << col("COD_ITGE", Flt) << col("FEC_FINC", Dtm)
          << col("TIP_ACTI", Chr, 1) << col("EST_CONT", Chr, 1) << col("VAL_PRES", Flt) << col("TIP_ITEM", Sml)
          << req("COD_AREA", Int) << col("OBJ_ASGS", Str, 255) << col("MET_ASGS", Str, 255) << col("DES_HALL", Mem)
          << col("ADJ_GUID", Str, 36);
        Add({QStringLiteral("SO_MALEG"),
             c,
             keys("COD_EMPR FEC_PROC RMT_PAMA RMT_DEPA RMT_ESTA RMT_ITES COD_AREA"),
             {keys("COD_EMPR FEC_PROC RMT_PAMA"), keys("COD_EMPR COD_RESP")},
             false});
    }
    {
        QList<SColumnDef> c = audit();
        c << req("COD_EMPR", Sml) << req("RMT_SEMO", Int) << req("FEC_PROC", Dtm) << req("RMT_PAMA", Int)
          << req("RMT_DEPA", Int) << req("RMT_ESTA", Int) << req("RMT_ITES", Int) << col("SEG_MIEN", Str, 255)
          << req("FEC_SEGU", Dtm) << req("COD_RESP", Flt) << col("TEX_SEGU", Mem) << col("FEC_CUMP", Dtm)
          << req("COD_AREA", Int) << col("NUM_ERAL", Str, 20) << col("PLA_ACCI", Mem) << col("TIP_ACTI", Chr, 1)
          << col("FEC_INIC", Dtm) << col("FEC_FINA", Dtm) << col("EST_ADOS", Chr, 1);
        Add({QStringLiteral("SO_SEMON"),
             c,
             keys("COD_EMPR RMT_SEMO"),
             // The second serves an item's follow-ups of an area in their order: without it SQLite
             // walks the key's order through all of the company's follow-ups.
             {keys("COD_EMPR FEC_PROC RMT_PAMA RMT_DEPA RMT_ESTA RMT_ITES COD_AREA"),
              keys("COD_EMPR FEC_PROC RMT_PAMA RMT_DEPA RMT_ESTA RMT_ITES COD_AREA RMT_SEMO")},
             false});
    }
    {
        QList<SColumnDef> c = audit();
        c << req("COD_EMPR", Sml) << req("FEC_PROC", Dtm) << req("RMT_PAMA", Int) << req("RMT_DEPA", Int)
          << req("RMT_ESTA", Int) << req("RMT_ITES", Int) << req("OPC_CICL", Chr, 1) << col("ACT_ASGS", Str, 255);
        for (const char *m : kMonths) {
            c << col(QByteArray(m).append("_PLAN").constData(), Chr, 1);
            c << col(QByteArray(m).append("_EJEC").constData(), Chr, 1);
        }
        c << col("RES_PONS", Str, 255) << col("REC_URSO", Chr, 1) << col("OBS_VACI", Str, 255) << col("CUM_META", Int)
          << col("ADJ_GUID", Str, 36) << req("COD_AREA", Int) << req("RMT_PLAS", Int);
        // The item index serves the per-item goals; one index per month flag serves the
        // company-wide counts of the unified plan. The item's keys followed by every month flag
        // answer an item's month counts (48 to 168 of them per printed record) from
        // the index alone, without reading the rows.
        QList<QStringList> idx{keys("COD_EMPR FEC_PROC RMT_PAMA RMT_DEPA RMT_ESTA RMT_ITES OPC_CICL")};
        QStringList itemMonths = keys("COD_EMPR FEC_PROC RMT_PAMA RMT_DEPA RMT_ESTA RMT_ITES");
        for (const char *m : kMonths) {
            idx << QStringList{QStringLiteral("COD_EMPR"), QString::fromLatin1(m) + QStringLiteral("_PLAN")};
            idx << QStringList{QStringLiteral("COD_EMPR"), QString::fromLatin1(m) + QStringLiteral("_EJEC")};
            itemMonths << QString::fromLatin1(m) + QStringLiteral("_PLAN")
                       << QString::fromLatin1(m) + QStringLiteral("_EJEC");
        }
        idx << itemMonths;
        // An item's activities in their order (the activity lists reopened with every record): without
        // it SQLite walks the key's order through all of the company's activities.
        idx << keys("COD_EMPR FEC_PROC RMT_PAMA RMT_DEPA RMT_ESTA RMT_ITES RMT_PLAS");
        Add({QStringLiteral("SO_PLASS"), c, keys("COD_EMPR RMT_PLAS"), idx, false});
    }

    // The server's own tables.
    Add({QStringLiteral("SV_USUAR"),
         {req("NOM_USUA", Str, 30), req("CLA_HASH", Str, 255), col("COD_USUA", Str, 8), req("FEC_CREA", Dtm)},
         keys("NOM_USUA"),
         {},
         true});
    Add({QStringLiteral("SV_USEMP"),
         {req("NOM_USUA", Str, 30), req("COD_EMPR", Sml)},
         keys("NOM_USUA COD_EMPR"),
         {},
         true});
    // Files attached to records, by the record's attachment identifier (ADJ_GUID); the content is kept
    // as base64 text so that both databases store it alike.
    Add({QStringLiteral("SV_ADJUN"),
         {req("COD_EMPR", Sml), req("ADJ_GUID", Str, 36), req("RMT_ARCH", Int), req("NOM_TABL", Str, 30),
          req("NOM_ARCH", Str, 255), req("TAM_ARCH", Int), req("CON_ARCH", Mem), req("ACT_USUA", Str, 30),
          req("ACT_HORA", Dtm)},
         keys("COD_EMPR ADJ_GUID RMT_ARCH"),
         {},
         true});
    Add({QStringLiteral("SV_CONTA"),
         {req("COD_EMPR", Sml), req("NOM_TABL", Str, 30), req("NOM_COLU", Str, 30), req("ULT_VALO", Int)},
         keys("COD_EMPR NOM_TABL NOM_COLU"),
         {},
         true});
    // PostgreSQL: the companies each connection of the users' role may see, by server process id
    // (written by the server's own connection, read by the row policies through SV_EMPRESAS()).
    Add({QStringLiteral("SV_PERMI"),
         {req("NUM_PROC", Int), req("COD_EMPR", Sml)},
         keys("NUM_PROC COD_EMPR"),
         {},
         true});
    // Signed-in sessions of the HTTP service, shared by every server process on the database: only the
    // SHA-256 of each token, its user and the last use (seconds since the epoch, UTC).
    Add({QStringLiteral("SV_SESIO"),
         {req("HAS_TOKE", Str, 64), req("NOM_USUA", Str, 30), req("FEC_USOS", Lng)},
         keys("HAS_TOKE"),
         {keys("NOM_USUA")},
         true});
    // Failed sign-ins, shared by every server process on the database: per user ("U user") and per
    // address ("A address") the failures in a row and the moment before which no attempt is checked
    // (seconds since the epoch, UTC); "C address user" marks an address the user signed in from.
    Add({QStringLiteral("SV_INTEN"),
         {req("CLA_INTE", Str, 300), req("NUM_FALL", Int), req("FEC_HAST", Lng)},
         keys("CLA_INTE"),
         {},
         true});
    // PostgreSQL: the login of the users' role, created with the schema.
    Add({QStringLiteral("SV_ROLES"), {req("NOM_ROLE", Str, 63), req("CLA_ROLE", Str, 64)}, keys("NOM_ROLE"), {}, true});
}

void TSchemaCatalog::Add(STableDef table)
{
    for (const SColumnDef &c : table.Columns)
        if (!table.Internal && !m_anyColumn.contains(c.Name))
            m_anyColumn.insert(c.Name, c);
    m_byName.insert(table.Name, int(m_tables.size()));
    m_tables.append(std::move(table));
}

const STableDef *TSchemaCatalog::Table(const QString &name) const
{
    const auto it = m_byName.constFind(name.trimmed().toUpper());
    return it == m_byName.cend() ? nullptr : &m_tables.at(*it);
}

const SColumnDef *TSchemaCatalog::AnyColumn(const QString &name) const
{
    const auto it = m_anyColumn.constFind(name.toUpper());
    return it == m_anyColumn.cend() ? nullptr : &*it;
}

QString TSchemaCatalog::SqlType(const SColumnDef &column)
{
    switch (column.DataType) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
        // Fixed-length codes are stored as VARCHAR too: CHAR(n) pads on PostgreSQL and not on SQLite.
        return QStringLiteral("VARCHAR(%1)").arg(column.Size);
    case TFieldType::ftSmallint:
        return QStringLiteral("SMALLINT");
    case TFieldType::ftInteger:
        return QStringLiteral("INTEGER");
    case TFieldType::ftLargeint:
        return QStringLiteral("BIGINT");
    case TFieldType::ftFloat:
        return QStringLiteral("DOUBLE PRECISION");
    case TFieldType::ftDateTime:
        return QStringLiteral("TIMESTAMP");
    case TFieldType::ftBoolean:
        return QStringLiteral("BOOLEAN");
    // PostgreSQL's binary type. SQLite takes any type name; bytes bound as a blob stay a blob there.
    case TFieldType::ftBlob:
        return QStringLiteral("BYTEA");
    case TFieldType::ftMemo:
    case TFieldType::ftUnknown:
        break;
    }
    return QStringLiteral("TEXT");
}

QString TSchemaCatalog::AddColumnDdl(const STableDef &table, const SColumnDef &column)
{
    return QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(table.Name, column.Name, SqlType(column));
}

QStringList TSchemaCatalog::Ddl() const
{
    QStringList out;
    for (const STableDef &t : m_tables) {
        QStringList lines;
        for (const SColumnDef &c : t.Columns)
            lines << QStringLiteral("  %1 %2%3")
                         .arg(c.Name, SqlType(c), c.Required ? QStringLiteral(" NOT NULL") : QString());
        lines << QStringLiteral("  CONSTRAINT PK_%1 PRIMARY KEY (%2)").arg(t.Name, t.Key.join(QStringLiteral(", ")));
        out << QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (\n%2\n)").arg(t.Name, lines.join(QStringLiteral(",\n")));
        int n = 0;
        for (QStringList idx : t.Indexes) {
            ++n;
            // Every index of a table with company rows holds COD_EMPR: where SQLite checks what an
            // index alone can tell before reading the row, the SQLite guard's company filter is among
            // those checks, and comes first (docs/security.md). Such an index replaces the one of
            // the same place that lacked it.
            QString suffix;
            if (t.CompanyRows() && !idx.contains(QStringLiteral("COD_EMPR"))) {
                out << QStringLiteral("DROP INDEX IF EXISTS IX_%1_%2").arg(t.Name).arg(n);
                idx << QStringLiteral("COD_EMPR");
                suffix = QStringLiteral("E");
            }
            out << QStringLiteral("CREATE INDEX IF NOT EXISTS IX_%1_%2%3 ON %1 (%4)")
                       .arg(t.Name)
                       .arg(n)
                       .arg(suffix, idx.join(QStringLiteral(", ")));
        }
    }
    return out;
}
