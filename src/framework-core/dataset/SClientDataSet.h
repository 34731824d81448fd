#pragma once

#include "dataset/EReconcileError.h"
#include "dataset/TDataSet.h"
#include "dataset/TParams.h"

#include <QStringList>
#include <functional>

class IAppServer;
class SDCOMConnection;

// The suite's client dataset. With a ProviderName it reads its rows from that provider of the
// application server behind RemoteServer (Open sends Params and CommandText), caches edits in its
// change log and sends them back with ApplyUpdates. Without one it is an in-memory dataset:
// CreateDataSet makes it from FieldDefs (or from its persistent fields), and Close discards it.
//
// Fields: when no persistent data field has been declared, Open creates one field per column of the
// provider; otherwise each persistent field is matched with its column by name, ignoring case.
class SClientDataSet : public TDataSet
{
    Q_OBJECT
public:
    using TRemoteEvent = std::function<void(SClientDataSet &Sender, QVariant &OwnerData)>;
    using TReconcileErrorEvent = std::function<void(SClientDataSet &DataSet, EReconcileError &E, TUpdateKind UpdateKind,
                                                    TReconcileAction &Action)>;
    // The UI's part of SuiteReconcileError: shows the refused row's error and may change the action.
    using TReconcileErrorHook = std::function<void(TDataSet &DataSet, const EReconcileError &E, TUpdateKind UpdateKind,
                                                   TReconcileAction &Action)>;

    explicit SClientDataSet(QObject *owner = nullptr, const QString &name = QString());
    ~SClientDataSet() override;

    QString ProviderName;
    SDCOMConnection *RemoteServer = nullptr;
    QString SMainTable;
    int Company = 0;
    bool SAuditFields = false;

    // Columns for CreateDataSet.
    QList<SFieldDef> FieldDefs;
    void AddFieldDef(const QString &name, TFieldType dataType, int size = 0, bool required = false);
    // Creates an empty in-memory dataset and opens it (open events included).
    void CreateDataSet();

    // CommandText and SQL are one text: SQL holds its lines, CommandText the lines each followed by
    // CR LF. Setting either re-reads the ':name' parameters, keeping values of those that remain.
    QString CommandText() const { return m_commandText; }
    void SetCommandText(const QString &text);
    QStringList SQL() const { return m_sql; }
    void SetSQL(const QStringList &lines);

    TParams &Params() { return m_params; }
    const TParams &Params() const { return m_params; }
    TParam &ParamByName(const QString &name) const { return m_params.ParamByName(name); }

    // Sends the change log to the provider (after posting a pending edit). Nothing happens and 0 is
    // returned when there are no changes. Otherwise: BeforeApplyUpdates -> the server applies ->
    // AfterApplyUpdates -> OnReconcileError once per refused row (in the server's order) -> resync.
    // Rows the server accepted leave the log (all of them are kept when it rolled back). Returns
    // the number of refused rows.
    int ApplyUpdates(int MaxErrors);

    // The framework's shared conflict handling: cancels the row's change, keeps the message in
    // ReconcileMessages and lets the UI hook report it (the hook may choose another action).
    void SuiteReconcileError(TDataSet &DataSet, EReconcileError &E, TUpdateKind UpdateKind, TReconcileAction &Action);
    static TReconcileErrorHook ReconcileErrorHook;
    // Messages kept by SuiteReconcileError since the last ApplyUpdates began.
    QStringList ReconcileMessages;

    TRemoteEvent BeforeApplyUpdates;
    // Runs after the server answered and before refused rows are reconciled. OwnerData, unless
    // BeforeApplyUpdates set it, is a map with "ErrorCount" (rows refused) and "Committed" (false
    // when the server rolled the whole save back).
    TRemoteEvent AfterApplyUpdates;
    TReconcileErrorEvent OnReconcileError;

protected:
    void InternalOpen() override;
    void InternalRefresh() override;

private:
    IAppServer &Server() const;
    void LoadPacket(const SDataPacket &packet);
    void Reconcile(const SDelta &delta, const std::vector<quint32> &rowSlots, const SApplyResult &result, int maxErrors,
                   quint64 generation);
    void ApplyAction(quint32 slot, const SDeltaRow &row, const TReconcileRow &context, TReconcileAction action);

    QString m_commandText;
    QStringList m_sql;
    TParams m_params;
    QList<SFieldDef> m_createColumns;
    bool m_creating = false;
};

// The module's plain in-memory datasets are the same class.
using TClientDataSet = SClientDataSet;
