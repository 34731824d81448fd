#pragma once

#include "controls/TQsCmbCodigo.h"

#include <functional>

class TDataSource;
class TField;
class TFieldDataLink;

// A coded drop-down list bound to a field: shows the entry whose code the field holds and stores
// the chosen entry's code in the field as soon as the user picks it.
class TDBCmbCodigoBox : public TQsCmbCodigo
{
    Q_OBJECT
public:
    explicit TDBCmbCodigoBox(QWidget *parent = nullptr, const QString &name = QString());

    TDataSource *DataSource() const;
    void SetDataSource(TDataSource *source);
    QString DataField() const;
    void SetDataField(const QString &field);
    TField *Field() const;
    // Runs after the user picked an entry and its code was stored.
    std::function<void(QObject *Sender)> OnChange;
    // Shows the field's value again (after the entries were rebuilt).
    void Reload();

private:
    void UpdateLook();
    TFieldDataLink *m_link;
};
