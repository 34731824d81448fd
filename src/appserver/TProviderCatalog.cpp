#include "TProviderCatalog.h"

#include "TSchemaCatalog.h"

namespace {

SFieldDef fieldOf(const QString &table, const QString &column, bool key = false)
{
    const STableDef *t = TSchemaCatalog::Instance().Table(table);
    const SColumnDef *c = t ? t->Column(column) : nullptr;
    Q_ASSERT(c);
    SFieldDef f;
    f.Name = column;
    if (c) {
        f.DataType = c->DataType;
        f.Size = c->Size;
        f.Required = c->Required;
    }
    f.InKey = key;
    return f;
}

QList<SFieldDef> fieldsOf(const QString &table, const QStringList &columns, const QStringList &keyColumns = {})
{
    QList<SFieldDef> out;
    for (const QString &c : columns)
        out << fieldOf(table, c, keyColumns.contains(c));
    return out;
}

SFieldDef textField(const char *name, int size)
{
    SFieldDef f;
    f.Name = QString::fromLatin1(name);
    f.DataType = TFieldType::ftString;
    f.Size = size;
    return f;
}

QStringList split(const char *names)
{
    return QString::fromLatin1(names).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QStringList names(const QList<SFieldDef> &fields)
{
    QStringList out;
    for (const SFieldDef &f : fields)
        out << f.Name;
    return out;
}

SParam param(const char *name, TFieldType type)
{
    return SParam{QString::fromLatin1(name), type, QVariant()};
}

QList<SParam> itemParams()
{
    return {param("PCODEMPR", TFieldType::ftSmallint), param("PFECPROC", TFieldType::ftDateTime),
            param("PRMTPAMA", TFieldType::ftInteger),  param("PRMTDEPA", TFieldType::ftInteger),
            param("PRMTESTA", TFieldType::ftInteger),  param("PRMTITES", TFieldType::ftInteger)};
}

const QString kItemFilter =
    QStringLiteral(" WHERE COD_EMPR = :PCODEMPR AND FEC_PROC = :PFECPROC AND RMT_PAMA = :PRMTPAMA"
                   " AND RMT_DEPA = :PRMTDEPA AND RMT_ESTA = :PRMTESTA AND RMT_ITES = :PRMTITES");

QString selectOf(const QList<SFieldDef> &fields, const QString &table)
{
    return QStringLiteral("SELECT %1 FROM %2").arg(names(fields).join(QStringLiteral(", ")), table);
}

} // namespace

const TProviderCatalog &TProviderCatalog::Instance()
{
    static const TProviderCatalog catalog;
    return catalog;
}

QString TProviderCatalog::EvaluationSql()
{
    static const char *const lines[] = {
        "SELECT MA.ACT_USUA, MA.ACT_HORA, MA.ACT_ESTA, MA.COD_EMPR, MA.FEC_PROC, MA.CAS_CONT,",
        "       MA.RMT_PAMA, PA.COD_CICL, PA.FEC_INIC, PA.FEC_FINA, MA.RMT_DEPA, DT.DES_ESTA,",
        "       DT.POR_ESTA, MA.RMT_ESTA, DE.DES_ESTA, DE.POR_ESTA, MA.RMT_ITES,",
        "       DI.NUM_ERAL, DI.DES_ITEM, DI.VAL_ITEM, DI.MAR_LEGA, DI.TEX_CRIT, DI.TEX_MVER, MA.IND_CUMP,",
        "       MA.TEX_JUST, MA.TEX_EVID, MA.PLA_ACCI, MA.EMP_ORIG, MA.COD_RESP, MA.FEC_MALE,",
        "       MA.COD_ITGE, MA.FEC_FINC, MA.TIP_ACTI, MA.EST_CONT, MA.VAL_PRES, MA.TIP_ITEM,",
        "       MA.COD_AREA, AR.NOM_AREA, MA.OBJ_ASGS, MA.MET_ASGS, MA.DES_HALL,  MA.ADJ_GUID",
        "FROM SO_MALEG MA, SO_PAMAL PA, SO_DEPAM DT, SO_DEPAM DE, SO_DIPAM DI, SO_AREAS AR",
        "WHERE MA.COD_EMPR = PA.COD_EMPR",
        "  AND MA.RMT_PAMA = PA.RMT_PAMA",
        "  AND MA.COD_EMPR = DT.COD_EMPR",
        "  AND MA.RMT_PAMA = DT.RMT_PAMA",
        "  AND MA.RMT_DEPA = DT.RMT_DEPA",
        "  AND DT.RMT_ESTA = 0",
        "  AND MA.COD_EMPR = DE.COD_EMPR",
        "  AND MA.RMT_PAMA = DE.RMT_PAMA",
        "  AND MA.RMT_DEPA = DE.RMT_DEPA",
        "  AND MA.RMT_ESTA = DE.RMT_ESTA",
        "  AND MA.COD_EMPR = DI.COD_EMPR",
        "  AND MA.RMT_PAMA = DI.RMT_PAMA",
        "  AND MA.RMT_DEPA = DI.RMT_DEPA",
        "  AND MA.RMT_ESTA = DI.RMT_ESTA",
        "  AND MA.RMT_ITES = DI.RMT_ITES",
        "  AND MA.COD_EMPR = AR.COD_EMPR",
        "  AND MA.COD_AREA = AR.COD_AREA",
    };
    QString sql;
    for (const char *l : lines)
        sql += QString::fromLatin1(l) + QStringLiteral("\r\n");
    return sql;
}

TProviderCatalog::TProviderCatalog()
{
    const QString maleg = QStringLiteral("SO_MALEG");
    {
        // The evaluation records: MA columns are SO_MALEG's own and the only ones written back.
        struct Col
        {
            const char *name;
            const char *table;
            bool readOnly;
            bool key;
            bool hidden;
        };
        static const Col cols[] = {
            {"ACT_USUA", "SO_MALEG", false, false, false},  {"ACT_HORA", "SO_MALEG", false, false, false},
            {"ACT_ESTA", "SO_MALEG", false, false, false},  {"COD_EMPR", "SO_MALEG", false, true, false},
            {"FEC_PROC", "SO_MALEG", true, true, false},    {"CAS_CONT", "SO_MALEG", false, false, true},
            {"RMT_PAMA", "SO_MALEG", true, true, false},    {"COD_CICL", "SO_PAMAL", true, false, false},
            {"FEC_INIC", "SO_PAMAL", true, false, false},   {"FEC_FINA", "SO_PAMAL", true, false, false},
            {"RMT_DEPA", "SO_MALEG", true, true, false},    {"DES_ESTA", "SO_DEPAM", true, false, false},
            {"POR_ESTA", "SO_DEPAM", true, false, false},   {"RMT_ESTA", "SO_MALEG", true, true, false},
            {"DES_ESTA_1", "SO_DEPAM", true, false, false}, {"POR_ESTA_1", "SO_DEPAM", true, false, false},
            {"RMT_ITES", "SO_MALEG", true, true, false},    {"NUM_ERAL", "SO_DIPAM", true, false, false},
            {"DES_ITEM", "SO_DIPAM", true, false, false},   {"VAL_ITEM", "SO_DIPAM", true, false, false},
            {"MAR_LEGA", "SO_DIPAM", true, false, false},   {"TEX_CRIT", "SO_DIPAM", true, false, false},
            {"TEX_MVER", "SO_DIPAM", true, false, false},   {"IND_CUMP", "SO_MALEG", false, false, false},
            {"TEX_JUST", "SO_MALEG", false, false, false},  {"TEX_EVID", "SO_MALEG", false, false, false},
            {"PLA_ACCI", "SO_MALEG", false, false, false},  {"EMP_ORIG", "SO_MALEG", false, false, false},
            {"COD_RESP", "SO_MALEG", false, false, false},  {"FEC_MALE", "SO_MALEG", false, false, false},
            {"COD_ITGE", "SO_MALEG", false, false, false},  {"FEC_FINC", "SO_MALEG", false, false, false},
            {"TIP_ACTI", "SO_MALEG", false, false, false},  {"EST_CONT", "SO_MALEG", false, false, false},
            {"VAL_PRES", "SO_MALEG", false, false, false},  {"TIP_ITEM", "SO_MALEG", false, false, true},
            {"COD_AREA", "SO_MALEG", false, true, false},   {"NOM_AREA", "SO_AREAS", false, false, false},
            {"OBJ_ASGS", "SO_MALEG", false, false, false},  {"MET_ASGS", "SO_MALEG", false, false, false},
            {"DES_HALL", "SO_MALEG", false, false, false},  {"ADJ_GUID", "SO_MALEG", false, false, false},
        };
        SProviderDef d;
        d.Name = QStringLiteral("DtsPSoMaleg");
        d.Sql = EvaluationSql();
        d.TakesCommandText = true;
        d.MainTable = maleg;
        for (const Col &c : cols) {
            QString column = QString::fromLatin1(c.name);
            if (column.endsWith(QStringLiteral("_1")))
                column.chop(2);
            SFieldDef f = fieldOf(QString::fromLatin1(c.table), column, c.key);
            f.Name = QString::fromLatin1(c.name);
            f.ReadOnly = c.readOnly;
            f.Hidden = c.hidden;
            d.Fields << f;
            if (QLatin1String(c.table) == QLatin1String("SO_MALEG"))
                d.WritableFields << f.Name;
        }
        Add(d);
    }

    Add({QStringLiteral("DtsPBiEmple"),
         {param("P_COD_EMPR", TFieldType::ftSmallint), param("P_COD_EMPL", TFieldType::ftFloat)},
         {textField("NOM_EMPL", 40), textField("APE_EMPL", 40)},
         QStringLiteral("SELECT NOM_TERC AS NOM_EMPL, APE_TERC AS APE_EMPL FROM GN_TERCE"
                        " WHERE COD_EMPR = :P_COD_EMPR AND COD_TERC = :P_COD_EMPL"),
         false,
         {},
         {}});
    Add({QStringLiteral("DtsPValResp"),
         {param("P_COD_EMPR", TFieldType::ftSmallint), param("P_COD_EMPL", TFieldType::ftFloat)},
         fieldsOf(QStringLiteral("GN_TERCE"), split("COD_TERC")),
         QStringLiteral("SELECT COD_TERC FROM GN_TERCE WHERE COD_EMPR = :P_COD_EMPR AND COD_TERC = :P_COD_EMPL"),
         false,
         {},
         {}});
    // Item type 4 is the evaluation level: the band whose bounds hold the total passed as P_COD_ITEM.
    Add({QStringLiteral("DtsPGnDitem"),
         {param("P_COD_EMPR", TFieldType::ftSmallint), param("P_TIP_ITEM", TFieldType::ftSmallint),
          param("P_COD_ITEM", TFieldType::ftFloat)},
         fieldsOf(QStringLiteral("GN_DITEM"), split("COD_ITEM DES_ITEM OBS_ERVA")),
         QStringLiteral(
             "SELECT COD_ITEM, DES_ITEM, OBS_ERVA FROM GN_DITEM"
             " WHERE COD_EMPR = :P_COD_EMPR AND TIP_ITEM = :P_TIP_ITEM"
             "   AND ((TIP_ITEM <> 4 AND COD_ITEM = :P_COD_ITEM)"
             "     OR (TIP_ITEM = 4"
             "         AND (LIM_INFE IS NULL OR LIM_INFE < :P_COD_ITEM OR (INC_INFE = 'S' AND LIM_INFE = :P_COD_ITEM))"
             "         AND (LIM_SUPE IS NULL OR LIM_SUPE > :P_COD_ITEM OR (INC_SUPE = 'S' AND LIM_SUPE = "
             ":P_COD_ITEM))))"
             " ORDER BY COD_ITEM"),
         false,
         {},
         {}});
    // A person by code alone: looked up among the companies of the signed-in user.
    Add({QStringLiteral("DtsPGnTerce"),
         {param("PFLCOD_TERC", TFieldType::ftFloat)},
         fieldsOf(QStringLiteral("GN_TERCE"), split("NOM_TERC APE_TERC DCE_MAIL")),
         QStringLiteral("SELECT NOM_TERC, APE_TERC, DCE_MAIL FROM GN_TERCE"
                        " WHERE COD_TERC = :PFLCOD_TERC AND COD_EMPR IN ({COMPANIES}) ORDER BY COD_EMPR"),
         false,
         {},
         {}});
    Add({QStringLiteral("DtsPTemporal"), {}, {}, QString(), true, {}, {}});
    // Digit flags are read for the flag company (GN_EMPRE.COD_DIFL), which need not be one the user
    // may open: configuration, not company data.
    Add({QStringLiteral("DtsPGnDigif"),
         {param("PCODVARI", TFieldType::ftString), param("PCODPAIS", TFieldType::ftSmallint),
          param("PCODEMPR", TFieldType::ftSmallint)},
         fieldsOf(QStringLiteral("GN_DIGIF"), split("VAL_VARI TIP_DATO")),
         QStringLiteral("SELECT VAL_VARI, TIP_DATO FROM GN_DIGIF"
                        " WHERE COD_VARI = :PCODVARI AND COD_PAIS = :PCODPAIS AND COD_EMPR = :PCODEMPR"),
         false,
         {},
         {}});
    {
        const STableDef *t = TSchemaCatalog::Instance().Table(QStringLiteral("SO_PARAM"));
        QStringList cols;
        for (const SColumnDef &c : t->Columns)
            cols << c.Name;
        const QList<SFieldDef> fields = fieldsOf(t->Name, cols);
        Add({QStringLiteral("DtsPSoParam"),
             {param("P_COD_EMPR", TFieldType::ftSmallint)},
             fields,
             selectOf(fields, t->Name) + QStringLiteral(" WHERE COD_EMPR = :P_COD_EMPR"),
             false,
             {},
             {}});
    }
    {
        const QString semon = QStringLiteral("SO_SEMON");
        const QList<SFieldDef> fields = fieldsOf(
            semon,
            split("ACT_USUA ACT_HORA ACT_ESTA COD_EMPR RMT_SEMO FEC_PROC RMT_PAMA RMT_DEPA RMT_ESTA RMT_ITES SEG_MIEN "
                  "FEC_SEGU COD_RESP TEX_SEGU FEC_CUMP COD_AREA NUM_ERAL PLA_ACCI TIP_ACTI FEC_INIC FEC_FINA EST_ADOS"),
            split("COD_EMPR RMT_SEMO"));
        QList<SParam> params = itemParams();
        params << param("PCODAREA", TFieldType::ftInteger);
        Add({QStringLiteral("DtsPSoSemon"), params, fields,
             selectOf(fields, semon) + kItemFilter + QStringLiteral(" AND COD_AREA = :PCODAREA ORDER BY RMT_SEMO"),
             false, semon, names(fields)});
    }
    {
        const QString plass = QStringLiteral("SO_PLASS");
        const STableDef *t = TSchemaCatalog::Instance().Table(plass);
        QStringList cols;
        for (const SColumnDef &c : t->Columns)
            cols << c.Name;
        const QList<SFieldDef> fields = fieldsOf(plass, cols, split("COD_EMPR RMT_PLAS"));
        Add({QStringLiteral("DtsPSoPlass"), itemParams(), fields,
             selectOf(fields, plass) + kItemFilter + QStringLiteral(" ORDER BY RMT_PLAS"), false, plass, cols});

        // The per-cycle lists of the annual plan report: goal last, cycle option optional, no key.
        QStringList cycleCols = cols;
        cycleCols.removeAll(QStringLiteral("CUM_META"));
        cycleCols << QStringLiteral("CUM_META");
        QList<SFieldDef> cycleFields = fieldsOf(plass, cycleCols);
        for (SFieldDef &f : cycleFields)
            if (f.Name == QStringLiteral("OPC_CICL"))
                f.Required = false;
        static const char *const cycles[][2] = {
            {"DtsPSoPlanear", "P"}, {"DtsPSoHacer", "H"}, {"DtsPSoActuar", "A"}, {"DtsPSoVerificar", "V"}};
        for (const auto &c : cycles)
            Add({QString::fromLatin1(c[0]),
                 itemParams(),
                 cycleFields,
                 selectOf(cycleFields, plass) + kItemFilter +
                     QStringLiteral(" AND OPC_CICL = '%1' ORDER BY RMT_PLAS").arg(QLatin1String(c[1])),
                 false,
                 {},
                 {}});
    }
    // The companies the signed-in user may open: the company selector, and the page header of the
    // reports (short name, name, logo, tax number).
    {
        const QList<SFieldDef> fields = fieldsOf(
            QStringLiteral("GN_EMPRE"),
            split("COD_EMPR INI_EMPR NOM_EMPR BMP_REPO NIT_EMPR PAI_EMPR GRU_EMPR COD_DIFL"), split("COD_EMPR"));
        Add({QStringLiteral("DtsPGnEmpre"),
             {},
             fields,
             selectOf(fields, QStringLiteral("GN_EMPRE")) +
                 QStringLiteral(" WHERE COD_EMPR IN ({COMPANIES}) ORDER BY COD_EMPR"),
             false,
             {},
             {}});
    }
}

void TProviderCatalog::Add(SProviderDef def)
{
    m_byName.insert(def.Name.toUpper(), int(m_defs.size()));
    m_defs.append(std::move(def));
}

const SProviderDef *TProviderCatalog::Find(const QString &name) const
{
    const auto it = m_byName.constFind(name.trimmed().toUpper());
    return it == m_byName.cend() ? nullptr : &m_defs.at(*it);
}

QStringList TProviderCatalog::Names() const
{
    QStringList out;
    for (const SProviderDef &d : m_defs)
        out << d.Name;
    return out;
}
