#pragma once

#include "DataPacket.h"
#include "dataset/DataSetTypes.h"
#include "dataset/TBookmark.h"
#include "dataset/TChangeLog.h"
#include "dataset/TRecordStore.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QVariant>
#include <functional>
#include <unordered_map>
#include <vector>

class TField;
class TDataSource;

// A cursor over rows held in memory, with the classic states, events and event order. The rows come
// from a subclass (SClientDataSet reads them from a provider or creates them empty); edits are
// cached in a change log until the subclass applies or merges them.
//
// Buffering: the current record is buffered, so OnCalcFields runs each time a record becomes current
// (open, every move, the resync after Post/Cancel/Delete/Refresh, Locate), at Edit, and after a data
// field changes while AutoCalcFields is set. The calculated values of every other record a reader
// fetched (PeekRecord, as grids paint) are kept like a record buffer keeps them: they are worked out
// again only when that record changes (post, delete, revert, reconcile) or the rows are reloaded or
// refreshed, so repainting an unchanged grid runs no OnCalcFields.
//
// Events are plain callbacks. A callback that raises (EAbort included) interrupts the operation at
// that point; what has happened by then stays as described for each operation.
class TDataSet : public QObject
{
    Q_OBJECT
public:
    using TDataSetNotifyEvent = std::function<void(TDataSet &DataSet)>;

    explicit TDataSet(QObject *owner = nullptr, const QString &name = QString());
    ~TDataSet() override;

    QString Name() const { return objectName(); }
    TDataSetState State() const { return m_state; }
    bool Active() const { return m_state != dsInactive && m_state != dsOpening; }
    void SetActive(bool active);
    // Set by a field assignment in edit/insert mode; every state change clears it.
    bool Modified() const { return m_modified; }

    // BeforeOpen -> rows fetched, fields bound, OnCalcFields for the current record -> dsBrowse ->
    // AfterOpen -> AfterScroll when not empty. A raise in BeforeOpen leaves the dataset closed.
    void Open();
    // BeforeClose -> dsInactive (a pending edit is dropped without events) -> rows released ->
    // AfterClose.
    void Close();

    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);
    bool Bof() const { return m_bof; }
    bool Eof() const { return m_eof; }
    // 1-based; 0 on an empty dataset.
    int RecNo() const;
    void SetRecNo(int recNo);
    int RecordCount() const;
    bool IsEmpty() const;

    void Insert();
    void Append();
    // Insert or append, assign values to Fields() in order (an invalid QVariant leaves the field as
    // OnNewRecord set it) and post without the required-field check: BeforeInsert -> BeforeScroll ->
    // OnNewRecord -> AfterInsert -> BeforePost -> AfterPost; no AfterScroll.
    void InsertRecord(const QVariantList &values);
    void AppendRecord(const QVariantList &values);
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    void Refresh();
    // Posts a modified pending edit, cancels an untouched one.
    void CheckBrowseMode();
    // Lets controls write pending text into the fields; raises outside edit/insert mode.
    void UpdateRecord();

    // keyFields separated by ';'; keyValues is a QVariantList when there are several. The first match
    // in the current order wins. loPartialKey: prefix match on the last key field when it is a
    // string; loCaseInsensitive: string comparison ignoring case.
    bool Locate(const QString &keyFields, const QVariant &keyValues, TLocateOptions options = {});

    TBookmark GetBookmark() const;
    void GotoBookmark(const TBookmark &bookmark);
    void FreeBookmark(TBookmark &bookmark) { bookmark = TBookmark(); }
    bool BookmarkValid(const TBookmark &bookmark) const;

    // Nested; while disabled, data sources get no notifications. The last EnableControls tells them
    // the whole dataset changed.
    // Runs read with record recNo (1-based) standing in as the current record, without moving the
    // cursor and without events; its calculated fields are those kept for it, computed the first
    // time it is read and again after it changed. Grids paint rows this way. The current record being edited is read
    // from its edit buffer. Out of range: nothing runs.
    void PeekRecord(int recNo, const std::function<void()> &read);

    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    const QList<TField *> &Fields() const { return m_fields; }
    int FieldCount() const { return int(m_fields.size()); }
    // Case-insensitive. FieldByName raises "Field '<name>' not found".
    TField *FindField(const QString &fieldName) const;
    TField *FieldByName(const QString &fieldName) const;
    // Values of several fields (';'-separated) of the current record; a list when more than one.
    QVariant FieldValues(const QString &fieldNames) const;

    // ';'-separated field names; ascending (or descending on every field), case-sensitive, kept
    // live as records are posted and across reopening.
    QString IndexFieldNames() const { return m_indexFieldNames; }
    bool IndexDescending() const { return m_indexDescending; }
    void SetIndexFieldNames(const QString &names, bool descending = false);

    // Pending changes of the change log (rows inserted, modified or deleted since the last merge).
    int ChangeCount() const { return m_log.Count(); }
    // The current data becomes the baseline.
    void MergeChangeLog();
    // Every pending change is undone.
    void CancelUpdates();
    // Undoes the pending change of the current record.
    void RevertRecord();

    bool ReadOnly = false;
    bool AutoCalcFields = true;
    // False: every Post and Delete is merged at once.
    bool LogChanges = true;

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent OnNewRecord, OnCalcFields;

    // Removes every row and the change log (in-memory use).
    void EmptyDataSet();

    // Approximate bytes held by the rows and the change log.
    size_t MemoryBytes() const { return m_store.MemoryBytes(); }

    // Changes every time the rows are dropped or loaded anew (Open, Close, EmptyDataSet, a Refresh that
    // re-reads them from the provider) and never takes the same value twice in the process; steady
    // while the rows are browsed or edited.
    // Lets a handler keep what it worked out for one loading of the rows and no longer.
    quint64 RowsGeneration() const { return m_store.Generation(); }

protected:
    // Fills m_store (Reset, then AppendRow per row); called inside Open, before fields are bound.
    virtual void InternalOpen() = 0;
    // Releases what InternalOpen acquired; m_store is reset afterwards by Close.
    virtual void InternalClose() {}
    // Re-reads the rows (Refresh); the default keeps them.
    virtual void InternalRefresh() {}
    // Creates a field for a column when the dataset has no persistent data fields.
    virtual TField *CreateField(const SFieldDef &def);

    // Column layout of the open dataset, with each bound field's pfInKey folded into InKey.
    QList<SFieldDef> BoundColumns() const;
    void CheckActive() const;
    void CheckInactive() const;
    // Recomputes the current record's calculated fields and tells the controls.
    void Resync();
    // The slot of the current record, TRecordStore::NoSlot when empty.
    quint32 CurrentSlot() const;
    void SetCurrentSlot(quint32 slot);
    // Re-sorts the rows by IndexFieldNames after they were reloaded.
    void RestoreIndex();
    // Moves to pos (clamped) without events.
    void SetPosition(int pos);
    // Position of a bookmarked record, -1 when it is gone.
    int BookmarkPos(const TBookmark &bookmark) const;

    // Undo (raCancel) or accept (applied, raMerge) the logged change of one slot.
    void RevertSlot(quint32 slot);
    void AcceptSlot(quint32 slot);
    // Replaces a slot's values; a deleted slot is put back in the order.
    void OverwriteSlot(quint32 slot, const QVariantList &values, bool reinstate);
    void DropSlot(quint32 slot);

    // Reconcile context read by TField::OldValue/NewValue/CurValue.
    struct TReconcileRow
    {
        QVariantList Old, New, Cur;
    };
    TReconcileRow *m_reconcileRow = nullptr;

    TRecordStore m_store;
    TChangeLog m_log;

private:
    friend class TField;
    friend class TDataSource;

    void SetState(TDataSetState state);
    void BindFields();
    void ReleaseFields();
    void CalculateFields();
    void GetCalcFields();
    // The kept calculated values of the rows (see Buffering above).
    std::vector<QVariant> *KeptCalcFields(quint32 slot);
    void ForgetCalcFields(quint32 slot);
    void ForgetCalcFields();
    void CheckCanModify() const;
    void CheckRequiredFields();
    void InternalPost();
    void DoInsert(bool append, bool scrollEvent = true);
    void DoInsertRecord(bool append, const QVariantList &values);
    void ScrollTo(int pos);
    void Fire(const TDataSetNotifyEvent &event)
    {
        if (event)
            event(*this);
    }
    bool Matches(quint32 slot, const std::vector<TField *> &fields, const QVariantList &values,
                 TLocateOptions options) const;
    std::vector<TField *> KeyFields() const;
    void ClampPosition();
    std::vector<int> IndexColumns() const;

    // Called by fields.
    const QVariant &FieldData(const TField &field) const;
    void StoreFieldData(TField &field, const QVariant &value);
    void RegisterField(TField *field);
    void UnregisterField(TField *field);

    // Data-source notifications.
    enum TNotify { nState = 1, nDataSet = 2, nRecord = 4, nUpdate = 8, nFocus = 16 };
    void Notify(int what, TField *field = nullptr);
    void AddSource(TDataSource *source);
    void RemoveSource(TDataSource *source);

    TDataSetState m_state = dsInactive;
    bool m_modified = false;
    bool m_editing = false; // field values come from m_editBuffer
    bool m_bof = true;
    bool m_eof = true;
    int m_pos = -1;       // current position in the order, -1 when empty
    int m_insertPos = -1; // where the record being inserted goes
    int m_disableCount = 0;
    int m_pendingNotify = 0;
    QList<TField *> m_fields;
    mutable QHash<QString, TField *> m_fieldsByName; // case-folded names; rebuilt when empty
    std::vector<TField *> m_calcFields;
    std::vector<QVariant> m_editBuffer;
    std::vector<QVariant> m_calcBuffer;
    std::unordered_map<quint32, std::vector<QVariant>> m_keptCalc; // per slot
    quint64 m_keptCalcGeneration = 0;                              // of m_store they belong to
    const TField *m_validating = nullptr;                          // its OnValidate is running: reads see the new value
    QVariant m_validatingValue;
    QString m_indexFieldNames;
    bool m_indexDescending = false;
    QList<TDataSource *> m_sources;
};
