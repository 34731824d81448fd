#include "controls/TTolvaneDBgrid.h"

#include "TApplication.h"
#include "controls/TDBGridDelegate.h"
#include "controls/TDBGridModel.h"
#include "controls/TGridExport.h"
#include "dataset/TDataSet.h"
#include "dataset/TDataSource.h"
#include "dataset/TField.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

TTolvaneDBgrid::TTolvaneDBgrid(QWidget *parent, const QString &name)
    : QTableView(parent), m_model(new TDBGridModel(this))
{
    setObjectName(name);
    setModel(m_model);
    setItemDelegate(new TDBGridDelegate(this));
    setAlternatingRowColors(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(14);
    horizontalHeader()->setHighlightSections(false);
    setStyleSheet(QStringLiteral("QTableView { alternate-background-color: #EEF3FA; }"));
    auto *exportAction = new QAction(QStringLiteral("Exportar a Excel…"), this);
    exportAction->setObjectName(QStringLiteral("ExportarExcel"));
    connect(exportAction, &QAction::triggered, this,
            [this] { Application()->Guard([this] { TGridExport::ExportAsking(*this); }); });
    addAction(exportAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(m_model, &TDBGridModel::currentRowChanged, this, &TTolvaneDBgrid::FollowDataSet);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TTolvaneDBgrid::ApplyWidths);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TTolvaneDBgrid::ShowSortIndicator);
    connect(m_model, &QAbstractItemModel::headerDataChanged, this, &TTolvaneDBgrid::ShowSortIndicator);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorClearable(true);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TTolvaneDBgrid::SortByColumn);
}

void TTolvaneDBgrid::SortByColumn(int column)
{
    TField *field = m_model->FieldAt(column);
    TDataSet *ds = field ? field->DataSet() : nullptr;
    if (!ds || field->FieldKind != fkData) {
        ShowSortIndicator();
        return;
    }
    const bool descending =
        ds->IndexFieldNames().compare(field->FieldName(), Qt::CaseInsensitive) == 0 && !ds->IndexDescending();
    Application()->Guard([&] { ds->SetIndexFieldNames(field->FieldName(), descending); });
    ShowSortIndicator();
}

void TTolvaneDBgrid::ShowSortIndicator()
{
    QHeaderView *header = horizontalHeader();
    TDataSet *ds = m_model->DataSource() ? m_model->DataSource()->DataSet() : nullptr;
    const QString index = ds ? ds->IndexFieldNames() : QString();
    for (int i = 0; !index.contains(u';') && i < m_model->columnCount(); ++i)
        if (TField *f = m_model->FieldAt(i); f && f->FieldName().compare(index, Qt::CaseInsensitive) == 0) {
            header->setSortIndicatorShown(true);
            header->setSortIndicator(i, ds->IndexDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
            return;
        }
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setSortIndicatorShown(false);
}

TDataSource *TTolvaneDBgrid::DataSource() const
{
    return m_model->DataSource();
}

void TTolvaneDBgrid::SetDataSource(TDataSource *source)
{
    m_model->SetDataSource(source);
}

QList<TColumn> TTolvaneDBgrid::Columns() const
{
    return m_model->Columns();
}

void TTolvaneDBgrid::SetColumns(const QList<TColumn> &columns)
{
    m_model->SetColumns(columns);
    ApplyWidths();
}

int TTolvaneDBgrid::SelectedIndex() const
{
    return currentIndex().isValid() ? currentIndex().column() : 0;
}

TField *TTolvaneDBgrid::SelectedField() const
{
    return m_model->FieldAt(SelectedIndex());
}

bool TTolvaneDBgrid::HasEllipsis(int column) const
{
    const QList<TColumn> columns = m_model->Columns();
    return column >= 0 && column < columns.size() && columns.at(column).ButtonStyle == cbsEllipsis;
}

void TTolvaneDBgrid::ApplyWidths()
{
    const QList<TColumn> columns = m_model->Columns();
    // A column is never narrower than its title (with room for the sort arrow): titles are not cut.
    const QFontMetrics metrics = horizontalHeader()->fontMetrics();
    for (int i = 0; i < columns.size(); ++i) {
        int title = 0;
        for (const QString &line : m_model->headerData(i, Qt::Horizontal).toString().split(u'\n'))
            title = std::max(title, metrics.horizontalAdvance(line) + 28);
        setColumnWidth(i, std::max(columns.at(i).Width > 0 ? columns.at(i).Width : 100, title));
    }
}

void TTolvaneDBgrid::FollowDataSet(int row)
{
    if (row < 0)
        return;
    m_following = true;
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    setCurrentIndex(m_model->index(row, column));
    // The current record stays in sight, a row just inserted included.
    scrollTo(currentIndex());
    m_following = false;
    viewport()->update();
}

void TTolvaneDBgrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (m_following || !current.isValid() || current.row() == previous.row())
        return;
    TDataSet *ds = m_model->DataSource() ? m_model->DataSource()->DataSet() : nullptr;
    if (!ds || !ds->Active() || ds->RecNo() == current.row() + 1)
        return;
    try {
        ds->SetRecNo(current.row() + 1);
    } catch (...) {
        Application()->HandleException(std::current_exception());
        FollowDataSet(m_model->CurrentRow());
    }
    viewport()->update();
}

void TTolvaneDBgrid::FireEditButton()
{
    if (!OnEditButtonClick)
        return;
    Application()->Guard([&] { OnEditButtonClick(this); });
}

void TTolvaneDBgrid::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    QTableView::mousePressEvent(event);
    if (index.isValid() && HasEllipsis(index.column()) && index.row() == m_model->CurrentRow()) {
        const QRect cell = visualRect(index);
        if (event->position().x() >= cell.right() - kButtonWidth)
            FireEditButton();
    }
}

void TTolvaneDBgrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (OnDblClick) {
        Application()->Guard([&] { OnDblClick(this); });
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void TTolvaneDBgrid::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & Qt::ControlModifier) && HasEllipsis(SelectedIndex())) {
        FireEditButton();
        return;
    }
    QTableView::keyPressEvent(event);
}
