#pragma once

#include <QAbstractItemView>
#include <QList>
#include <QMargins>
#include <QStringList>

class QTableWidget;
class QWidget;

namespace bramblet {

class StackView;
class ThemedLabel;

// The views both remote browser panes are built of.
namespace RemotePaneViews {

// A listing table: the given column titles and widths, whole rows selected, nothing editable, rows
// 28 high, on the colour of the view it is placed in, middle-truncated texts.
QTableWidget* listingTable(const QStringList& titles, const QList<int>& widths, QAbstractItemView::SelectionMode selection);

// The row a double click or the selection points at: the current row, else the first selected
// one; -1 for none.
int chosenRow(const QTableWidget& table);

// A horizontal stack with spacing 8 and the given edge insets.
StackView* row(const QList<QWidget*>& views, const QMargins& insets);

// Fills `container` with a vertical stack of `views`, each as wide as the container; `stretching`
// takes the spare height.
void fillWithColumn(QWidget* container, const QList<QWidget*>& views, QWidget* stretching);

// A status-style label: font 12, the secondary label colour, truncated in the middle, never
// widening its row.
ThemedLabel* statusLabel(const QString& text = {});

} // namespace RemotePaneViews
} // namespace bramblet
