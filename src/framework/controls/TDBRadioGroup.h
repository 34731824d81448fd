#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QGridLayout;
class TDataSource;
class TField;
class TFieldDataLink;

// A captioned group of options bound to a field: Values[i] is the code stored for Items[i]. The
// options are laid out in Columns columns, filled column by column like the classic control.
class TDBRadioGroup : public QGroupBox
{
    Q_OBJECT
public:
    explicit TDBRadioGroup(QWidget *parent = nullptr, const QString &name = QString());

    void SetItems(const QStringList &items, const QStringList &values, int columns = 1);
    QStringList Items() const { return m_items; }
    QStringList Values() const { return m_values; }
    int Columns() const { return m_columns; }
    int ItemIndex() const;

    TDataSource *DataSource() const;
    void SetDataSource(TDataSource *source);
    QString DataField() const;
    void SetDataField(const QString &field);
    TField *Field() const;

private:
    void Reload();
    void UpdateLook();
    TFieldDataLink *m_link;
    QButtonGroup *m_buttons;
    QGridLayout *m_grid;
    QStringList m_items;
    QStringList m_values;
    int m_columns = 1;
};
