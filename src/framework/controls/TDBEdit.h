#pragma once

#include <QLineEdit>

class TDataSource;
class TField;
class TFieldDataLink;

// A one-line edit bound to a field: shows the field's display text while browsing and its edit
// text while editing; typing puts the dataset into edit mode; the text goes into the field when
// the edit loses focus, on Enter, or when the dataset posts.
class TDBEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TDBEdit(QWidget *parent = nullptr, const QString &name = QString());

    TDataSource *DataSource() const;
    void SetDataSource(TDataSource *source);
    QString DataField() const;
    void SetDataField(const QString &field);
    TField *Field() const;
    // The control's own read-only setting, on top of the field's.
    bool ReadOnlyControl() const { return m_readOnlyControl; }
    void SetReadOnlyControl(bool readOnly);

protected:
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void UpdateLook();
    TFieldDataLink *m_link;
    bool m_readOnlyControl = false;
};
