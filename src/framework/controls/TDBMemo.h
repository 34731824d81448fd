#pragma once

#include <QPlainTextEdit>

class TDataSource;
class TField;
class TFieldDataLink;

// A multi-line text bound to a field (memo fields and long strings). MaxLength 0 means no limit;
// otherwise typing and pasting stop at MaxLength characters.
class TDBMemo : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TDBMemo(QWidget *parent = nullptr, const QString &name = QString());

    TDataSource *DataSource() const;
    void SetDataSource(TDataSource *source);
    QString DataField() const;
    void SetDataField(const QString &field);
    TField *Field() const;
    int MaxLength = 0;

protected:
    void focusOutEvent(QFocusEvent *event) override;

private:
    void UpdateLook();
    void KeepWithinMaxLength();
    TFieldDataLink *m_link;
    bool m_loading = false;
};
