#include "dataset/SClientDataSet.h"

#include "IAppServer.h"
#include "SDCOMConnection.h"
#include "SysUtils.h"
#include "dataset/TField.h"

#include <QDateTime>
#include <QSet>

SClientDataSet::TReconcileErrorHook SClientDataSet::ReconcileErrorHook;

namespace {

// Brings a value from the server to the type the column stores.
QVariant normalized(const QVariant &value, TFieldType type)
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    const int id = value.typeId();
    switch (type) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
        return id == QMetaType::Int ? value : QVariant(value.toInt());
    case TFieldType::ftLargeint:
        return id == QMetaType::LongLong ? value : QVariant(value.toLongLong());
    case TFieldType::ftFloat:
        return id == QMetaType::Double ? value : QVariant(value.toDouble());
    case TFieldType::ftDateTime:
        if (id == QMetaType::QDateTime)
            return value;
        if (id == QMetaType::QDate)
            return value.toDate().startOfDay();
        if (id == QMetaType::QString)
            return QDateTime::fromString(value.toString(), Qt::ISODate);
        return value.toDateTime();
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
    case TFieldType::ftMemo:
        return id == QMetaType::QString ? value : QVariant(value.toString());
    case TFieldType::ftBoolean:
        return id == QMetaType::Bool ? value : QVariant(value.toBool());
    default:
        return value;
    }
}

} // namespace

SClientDataSet::SClientDataSet(QObject *owner, const QString &name) : TDataSet(owner, name)
{}

SClientDataSet::~SClientDataSet() = default;

void SClientDataSet::AddFieldDef(const QString &name, TFieldType dataType, int size, bool required)
{
    SFieldDef def;
    def.Name = name;
    def.DataType = dataType;
    def.Size = size;
    def.Required = required;
    FieldDefs << def;
}

void SClientDataSet::CreateDataSet()
{
    CheckInactive();
    QList<SFieldDef> columns = FieldDefs;
    if (columns.isEmpty()) {
        for (const TField *field : Fields()) {
            if (field->FieldKind != fkData)
                continue;
            SFieldDef def;
            def.Name = field->FieldName();
            def.DataType = field->DataType();
            def.Size = field->Size();
            def.Required = field->Required;
            columns << def;
        }
    }
    if (columns.isEmpty())
        throw EDatabaseError(QStringLiteral("Field definitions required"));
    m_createColumns = columns;
    m_creating = true;
    try {
        Open();
    } catch (...) {
        m_creating = false;
        throw;
    }
    m_creating = false;
}

void SClientDataSet::SetCommandText(const QString &text)
{
    // The same text again keeps its parameters as they are: nothing to read anew (a count asked
    // many times over writes the same text each time).
    if (text == m_commandText && !text.isEmpty())
        return;
    m_commandText = text;
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    m_sql = lines.split(u'\n');
    if (!m_sql.isEmpty() && m_sql.last().isEmpty())
        m_sql.removeLast();
    m_params.ParseSQL(text);
}

void SClientDataSet::SetSQL(const QStringList &lines)
{
    if (lines == m_sql && !lines.isEmpty())
        return;
    m_sql = lines;
    m_commandText.clear();
    for (const QString &line : lines)
        m_commandText += line + QStringLiteral("\r\n");
    m_params.ParseSQL(m_commandText);
}

IAppServer &SClientDataSet::Server() const
{
    if (!RemoteServer)
        throw EDatabaseError(QStringLiteral("Missing data provider or data packet"));
    return RemoteServer->AppServer();
}

void SClientDataSet::LoadPacket(const SDataPacket &packet)
{
    m_store.Reset(packet.Fields);
    const int columns = int(packet.Fields.size());
    QVariantList values;
    for (const QVariantList &row : packet.Rows) {
        values = row;
        for (int i = 0; i < columns && i < values.size(); ++i)
            values[i] = normalized(values.at(i), packet.Fields.at(i).DataType);
        m_store.AppendRow(values);
    }
}

void SClientDataSet::InternalOpen()
{
    if (m_creating) {
        m_store.Reset(m_createColumns);
        return;
    }
    if (ProviderName.isEmpty())
        throw EDatabaseError(QStringLiteral("Missing data provider or data packet"));
    LoadPacket(Server().GetRecords(ProviderName, m_params.ToList(), m_commandText));
}

void SClientDataSet::InternalRefresh()
{
    if (ProviderName.isEmpty())
        return;
    if (ChangeCount() > 0)
        throw EDatabaseError(QStringLiteral("Must apply updates before refreshing data"));
    const TBookmark bookmark = GetBookmark();
    const int position = RecNo() - 1;
    const SDataPacket packet = Server().GetRecords(ProviderName, m_params.ToList(), m_commandText);
    const QList<SFieldDef> &columns = m_store.Columns();
    bool sameLayout = packet.Fields.size() == columns.size();
    for (int i = 0; sameLayout && i < columns.size(); ++i)
        sameLayout = packet.Fields.at(i).Name.compare(columns.at(i).Name, Qt::CaseInsensitive) == 0;
    if (!sameLayout)
        throw EDatabaseError(QStringLiteral("The provider's fields changed; close and reopen the dataset"));
    LoadPacket(packet);
    RestoreIndex();
    const int found = BookmarkPos(bookmark);
    SetPosition(found >= 0 ? found : position);
}

int SClientDataSet::ApplyUpdates(int MaxErrors)
{
    CheckBrowseMode();
    if (ChangeCount() == 0)
        return 0;
    ReconcileMessages.clear();
    SDelta delta;
    delta.Fields = BoundColumns();
    const int columns = m_store.ColumnCount();
    std::vector<quint32> rowSlots;
    rowSlots.reserve(size_t(m_log.Count()));
    delta.Rows.reserve(m_log.Count());
    for (const TChangeLog::TChange &change : m_log.Entries()) {
        if (change.Slot == TRecordStore::NoSlot)
            continue;
        const QVariant *current = m_store.Row(change.Slot);
        SDeltaRow row;
        row.Kind = change.Kind;
        switch (change.Kind) {
        case TUpdateKind::ukInsert:
            row.NewValues = QVariantList(current, current + columns);
            break;
        case TUpdateKind::ukModify:
            row.OldValues = QVariantList(change.Original.begin(), change.Original.end());
            row.NewValues = QVariantList(current, current + columns);
            row.Changed.reserve(columns);
            for (int i = 0; i < columns; ++i)
                row.Changed << !TRecordStore::SameValue(change.Original[size_t(i)], current[i]);
            break;
        case TUpdateKind::ukDelete:
            if (int(change.Original.size()) == columns)
                row.OldValues = QVariantList(change.Original.begin(), change.Original.end());
            else
                row.OldValues = QVariantList(current, current + columns);
            break;
        }
        delta.Rows << std::move(row);
        rowSlots.push_back(change.Slot);
    }
    QVariant ownerData;
    if (BeforeApplyUpdates)
        BeforeApplyUpdates(*this, ownerData);
    const quint64 generation = m_store.Generation();
    const SApplyResult result = Server().ApplyUpdates(ProviderName, delta, MaxErrors);
    // Unless a before-apply handler set it, the after-apply handler learns how the save went.
    if (!ownerData.isValid())
        ownerData = QVariantMap{{QStringLiteral("ErrorCount"), result.ErrorCount},
                                {QStringLiteral("Committed"), result.Committed}};
    // The server has answered: whatever the after-apply handler raises, the log must still learn
    // which rows were stored, or the next save would send them again.
    std::exception_ptr afterError;
    if (AfterApplyUpdates) {
        try {
            AfterApplyUpdates(*this, ownerData);
        } catch (...) {
            afterError = std::current_exception();
        }
    }
    Reconcile(delta, rowSlots, result, MaxErrors, generation);
    if (afterError)
        std::rethrow_exception(afterError);
    return result.ErrorCount;
}

void SClientDataSet::Reconcile(const SDelta &delta, const std::vector<quint32> &rowSlots, const SApplyResult &result,
                               int maxErrors, quint64 generation)
{
    // An after-apply handler that closed or reopened the dataset took the log with it; the refused
    // rows are still reported, but there is nothing left to act on.
    const bool detached = !Active() || generation != m_store.Generation();
    if (result.Errors.isEmpty()) {
        if (result.Committed && !detached) {
            MergeChangeLog();
            Resync();
        }
        return;
    }
    const quint32 current = detached ? TRecordStore::NoSlot : CurrentSlot();
    if (!detached && result.Committed) {
        QSet<int> refused;
        for (const SRowError &error : result.Errors)
            refused.insert(error.RowIndex);
        for (int i = 0; i < delta.Rows.size(); ++i)
            if (!refused.contains(i))
                AcceptSlot(rowSlots[size_t(i)]);
    }
    int index = 0;
    for (const SRowError &error : result.Errors) {
        if (error.RowIndex < 0 || error.RowIndex >= delta.Rows.size())
            continue;
        const SDeltaRow &row = delta.Rows.at(error.RowIndex);
        // The provider skips refused rows while fewer than MaxErrors have failed, then aborts.
        TReconcileAction action = maxErrors == -1 || index < maxErrors ? raSkip : raAbort;
        ++index;
        EReconcileError e(error.Message, ProviderName);
        TReconcileRow context{row.OldValues, row.NewValues, error.CurValues};
        if (OnReconcileError) {
            m_reconcileRow = &context;
            try {
                OnReconcileError(*this, e, row.Kind, action);
            } catch (...) {
                m_reconcileRow = nullptr;
                HandleApplicationException(std::current_exception());
                action = raAbort;
            }
            m_reconcileRow = nullptr;
        } else {
            action = raSkip;
        }
        if (!detached)
            ApplyAction(rowSlots[size_t(error.RowIndex)], row, context, action);
        if (action == raAbort)
            break;
    }
    if (!detached) {
        SetCurrentSlot(current);
        Resync();
    }
}

void SClientDataSet::ApplyAction(quint32 slot, const SDeltaRow &row, const TReconcileRow &context,
                                 TReconcileAction action)
{
    if (!m_log.Find(slot))
        return;
    switch (action) {
    case raSkip:
    case raAbort:
        return;
    case raCancel:
        RevertSlot(slot);
        return;
    case raCorrect:
        if (row.Kind != TUpdateKind::ukDelete)
            OverwriteSlot(slot, context.New, false);
        return;
    case raMerge:
        if (row.Kind == TUpdateKind::ukModify && !context.Cur.isEmpty()) {
            QVariantList merged = context.Cur;
            for (int i = 0; i < merged.size(); ++i)
                if (row.Changed.value(i))
                    merged[i] = context.New.value(i);
            OverwriteSlot(slot, merged, false);
        }
        AcceptSlot(slot);
        return;
    case raRefresh:
        if (context.Cur.isEmpty()) {
            if (row.Kind == TUpdateKind::ukDelete)
                AcceptSlot(slot);
            else
                DropSlot(slot);
            return;
        }
        if (row.Kind == TUpdateKind::ukDelete) {
            m_log.Remove(slot);
            OverwriteSlot(slot, context.Cur, true);
        } else {
            OverwriteSlot(slot, context.Cur, false);
            m_log.Remove(slot);
        }
        return;
    }
}

void SClientDataSet::SuiteReconcileError(TDataSet &DataSet, EReconcileError &E, TUpdateKind UpdateKind,
                                         TReconcileAction &Action)
{
    Action = raCancel;
    ReconcileMessages << E.Message();
    if (ReconcileErrorHook)
        ReconcileErrorHook(DataSet, E, UpdateKind, Action);
}
