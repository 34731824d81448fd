#pragma once

#include <QFlags>
#include <QHash>
#include <QWidget>
#include <functional>

class QToolButton;
class TDataSource;

enum TNavigateBtn {
    nbFirst = 0x1,
    nbPrior = 0x2,
    nbNext = 0x4,
    nbLast = 0x8,
    nbInsert = 0x10,
    nbDelete = 0x20,
    nbEdit = 0x40,
    nbPost = 0x80,
    nbCancel = 0x100,
    nbRefresh = 0x200
};
using TNavButtonSet = QFlags<TNavigateBtn>;
Q_DECLARE_OPERATORS_FOR_FLAGS(TNavButtonSet)

// The suite's record navigator: a strip of buttons that move, insert, delete, edit, post and cancel
// on a data source's dataset, each enabled only when its action makes sense in the dataset's state.
class TQNavegador : public QWidget
{
    Q_OBJECT
public:
    explicit TQNavegador(QWidget *parent = nullptr, const QString &name = QString());

    TDataSource *DataSource() const { return m_source; }
    void SetDataSource(TDataSource *source);
    TNavButtonSet VisibleButtons() const { return m_visible; }
    void SetVisibleButtons(TNavButtonSet buttons);
    // Ask "¿Eliminar el registro?" (Sí/No, through the application's prompt service) before a delete.
    bool ConfirmDelete = true;
    // Runs after a button's action completed (the master form applies its changes after a post).
    std::function<void(TNavigateBtn button)> AfterAction;

    QToolButton *Button(TNavigateBtn button) const { return m_buttons.value(button); }
    // Runs a button's action as a click does.
    void BtnClick(TNavigateBtn button);

private:
    void UpdateButtons();

    TDataSource *m_source = nullptr;
    TNavButtonSet m_visible;
    QHash<TNavigateBtn, QToolButton *> m_buttons;
    QList<QMetaObject::Connection> m_connections;
};
