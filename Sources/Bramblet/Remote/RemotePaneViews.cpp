#include "Bramblet/Remote/RemotePaneViews.h"

#include "Bramblet/Inspector/ThemedLabel.h"
#include "Bramblet/Theme/StackView.h"
#include "Bramblet/Theme/Theme.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QTableWidget>

namespace bramblet::RemotePaneViews {

QTableWidget* listingTable(const QStringList& titles, const QList<int>& widths, QAbstractItemView::SelectionMode selection)
{
    auto* table = new QTableWidget(0, int(titles.size()));
    table->setHorizontalHeaderLabels(titles);
    for (int column = 0; column < widths.size(); ++column)
        table->setColumnWidth(column, widths[column]);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(28);
    table->setShowGrid(false);
    table->setFrameShape(QFrame::NoFrame);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(selection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setTextElideMode(Qt::ElideMiddle);
    // The pane's own colour shows through, in whichever appearance is in effect.
    table->viewport()->setAutoFillBackground(false);
    return table;
}

int chosenRow(const QTableWidget& table)
{
    if (table.currentRow() >= 0)
        return table.currentRow();
    const QModelIndexList selected = table.selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

StackView* row(const QList<QWidget*>& views, const QMargins& insets)
{
    StackView* stack = Theme::stack(views, Qt::Horizontal, 8);
    stack->boxLayout()->setContentsMargins(insets);
    return stack;
}

void fillWithColumn(QWidget* container, const QList<QWidget*>& views, QWidget* stretching)
{
    StackView* column = Theme::stack(views, Qt::Vertical, 0);
    for (QWidget* view : views)
        column->boxLayout()->setAlignment(view, {});
    column->boxLayout()->setStretchFactor(stretching, 1);
    Theme::pin(column, container, 0);
}

ThemedLabel* statusLabel(const QString& text)
{
    auto* label = new ThemedLabel(text, Theme::font(12, QFont::Normal), Theme::systemColor(Theme::SystemColor::secondaryLabel));
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return label;
}

} // namespace bramblet::RemotePaneViews
