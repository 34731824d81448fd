#include "controls/TDBGridDelegate.h"

#include "TApplication.h"
#include "controls/TDBGridModel.h"
#include "controls/TFieldDataLink.h"
#include "controls/TTolvaneDBgrid.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPainter>
#include <QToolTip>

TDBGridDelegate::TDBGridDelegate(TTolvaneDBgrid *grid) : QStyledItemDelegate(grid), m_grid(grid)
{}

void TDBGridDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const bool button = m_grid->HasEllipsis(index.column()) && index.row() == m_grid->GridModel()->CurrentRow();
    if (!button) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem textOption = option;
    textOption.rect.setRight(option.rect.right() - TTolvaneDBgrid::kButtonWidth);
    QStyledItemDelegate::paint(painter, textOption, index);
    QStyleOptionButton b;
    b.rect = QRect(option.rect.right() - TTolvaneDBgrid::kButtonWidth + 1, option.rect.top(),
                   TTolvaneDBgrid::kButtonWidth, option.rect.height());
    b.text = QStringLiteral("…");
    b.state = QStyle::State_Enabled | QStyle::State_Raised;
    QApplication::style()->drawControl(QStyle::CE_PushButton, &b, painter);
}

QWidget *TDBGridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                       const QModelIndex &index) const
{
    const QList<TColumn> columns = m_grid->Columns();
    if (index.column() < columns.size() && !columns.at(index.column()).PickList.isEmpty()) {
        auto *combo = new QComboBox(parent);
        combo->addItems(columns.at(index.column()).PickList);
        return combo;
    }
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto *line = qobject_cast<QLineEdit *>(editor))
        if (const int limit = TFieldDataLink::TextLimit(m_grid->GridModel()->FieldAt(index.column())); limit > 0)
            line->setMaxLength(limit);
    return editor;
}

void TDBGridDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        const QString value = index.data(Qt::EditRole).toString();
        int found = combo->findText(value);
        // A stored code ("P") selects the entry that begins with it ("P - Programado").
        for (int i = 0; found < 0 && !value.isEmpty() && i < combo->count(); ++i)
            if (combo->itemText(i).startsWith(value))
                found = i;
        combo->setCurrentIndex(found);
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void TDBGridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    Application()->Guard([&] {
        if (auto *combo = qobject_cast<QComboBox *>(editor)) {
            if (combo->currentIndex() >= 0)
                model->setData(index, combo->currentText(), Qt::EditRole);
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    });
}

bool TDBGridDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                                const QModelIndex &index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString whole = index.data(Qt::ToolTipRole).toString();
    const QString shown = index.data(Qt::DisplayRole).toString();
    const int room =
        option.rect.width() - 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
    if (!whole.isEmpty() && (whole != shown || option.fontMetrics.horizontalAdvance(shown) > room))
        QToolTip::showText(event->globalPos(), whole, view, option.rect);
    else
        QToolTip::hideText();
    return true;
}
