#pragma once

#include "controls/TColumn.h"

#include <QTableView>
#include <functional>

class TDBGridModel;
class TDataSource;
class TField;

// The suite's data grid: one row per record, columns by field with titles from the display labels,
// alternating row colours, the current record highlighted and followed. Columns with an ellipsis
// button show it on the current row; a click on it (or Ctrl+Enter) runs OnEditButtonClick.
// Columns with a pick list edit through a drop-down of its entries. Its context menu offers
// "Exportar a Excel…".
class TTolvaneDBgrid : public QTableView
{
    Q_OBJECT
public:
    explicit TTolvaneDBgrid(QWidget *parent = nullptr, const QString &name = QString());

    TDataSource *DataSource() const;
    void SetDataSource(TDataSource *source);
    QList<TColumn> Columns() const;
    void SetColumns(const QList<TColumn> &columns);
    TDBGridModel *GridModel() const { return m_model; }

    // The column of the focused cell and its field.
    int SelectedIndex() const;
    TField *SelectedField() const;

    // The sheet and suggested file name of "Exportar a Excel…", the grid's context-menu entry
    // (TGridExport).
    QString ExportTitle;

    std::function<void(QObject *Sender)> OnEditButtonClick;
    std::function<void(QObject *Sender)> OnDblClick;

    // Width of the ellipsis button drawn at the right of a cell.
    static constexpr int kButtonWidth = 20;
    bool HasEllipsis(int column) const;
    // A click on a column's title sorts the rows by its field through the dataset's index, a second
    // click the other way round; the title shows the order. Columns without a stored field (looked
    // up, calculated) do not sort.
    void SortByColumn(int column);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void ApplyWidths();
    void ShowSortIndicator();
    void FollowDataSet(int row);
    void FireEditButton();

    TDBGridModel *m_model;
    bool m_following = false;
};
