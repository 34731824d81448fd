#pragma once

#include <QStyledItemDelegate>

class TTolvaneDBgrid;

// Paints the ellipsis buttons of a grid, gives pick-list columns a drop-down editor and shows a cut
// cell's whole text as its tooltip.
class TDBGridDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit TDBGridDelegate(TTolvaneDBgrid *grid);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    // A cell's tooltip is its whole text, shown only where the cell cuts it.
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

private:
    TTolvaneDBgrid *m_grid;
};
