#include "Bramblet/Theme/FileCollection.h"
#include "Bramblet/Theme/FileTable.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

namespace bramblet {
namespace {

std::unique_ptr<QStandardItemModel> makeModel(int rows, int columns)
{
    auto model = std::make_unique<QStandardItemModel>(rows, columns);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column)
            model->setItem(row, column, new QStandardItem(QStringLiteral("item %1.%2").arg(row).arg(column)));
    }
    return model;
}

QList<int> selectedRows(const QAbstractItemView& view)
{
    QList<int> rows;
    for (const QModelIndex& index : view.selectionModel()->selectedIndexes()) {
        if (!rows.contains(index.row()))
            rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void select(QAbstractItemView& view, const QList<int>& rows)
{
    view.clearSelection();
    for (int row : rows)
        view.selectionModel()->select(view.model()->index(row, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void rightClick(QAbstractItemView& view, QPoint position,
                QContextMenuEvent::Reason reason = QContextMenuEvent::Mouse)
{
    QContextMenuEvent event(reason, position, view.viewport()->mapToGlobal(position));
    QApplication::sendEvent(view.viewport(), &event);
}

// What both file views share: activation, the key handler first, and the menu.
template <class View>
class FileViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.setModel(model.get());
        view.setSelectionMode(QAbstractItemView::ExtendedSelection);
        view.resize(400, 300);
        view.activated = [this] { ++activations; };
    }

    std::unique_ptr<QStandardItemModel> model = makeModel(4, 2);
    View view;
    int activations = 0;
};

using FileViews = ::testing::Types<FileTable, FileCollection>;
TYPED_TEST_SUITE(FileViewTest, FileViews);

TYPED_TEST(FileViewTest, InteractionsActivateBeforeTheyAreHandled)
{
    auto& view = this->view;
    const QPoint onSecond = view.visualRect(view.model()->index(1, 0)).center();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, onSecond);
    EXPECT_EQ(this->activations, 1);
    EXPECT_EQ(selectedRows(view), QList<int>({ 1 }));

    QFocusEvent byMouse(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(&view, &byMouse);
    EXPECT_EQ(this->activations, 2);
    // Focus coming back with the window or from a closed menu is not a new interaction.
    QFocusEvent withWindow(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(&view, &withWindow);
    QFocusEvent fromPopup(QEvent::FocusIn, Qt::PopupFocusReason);
    QApplication::sendEvent(&view, &fromPopup);
    EXPECT_EQ(this->activations, 2);

    rightClick(view, onSecond);
    EXPECT_EQ(this->activations, 3);

    // A right press alone changes nothing: the context menu that follows it decides.
    const QPoint onFirst = view.visualRect(view.model()->index(0, 0)).center();
    QTest::mousePress(view.viewport(), Qt::RightButton, {}, onFirst);
    QTest::mouseRelease(view.viewport(), Qt::RightButton, {}, onFirst);
    EXPECT_EQ(selectedRows(view), QList<int>({ 1 }));
}

TYPED_TEST(FileViewTest, KeyHandlerSeesEveryKeyFirst)
{
    auto& view = this->view;
    view.setCurrentIndex(view.model()->index(0, 0));
    QList<int> seen;
    bool consume = true;
    view.keyHandler = [&](QKeyEvent* event) {
        seen.append(event->key());
        return consume;
    };
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(view.currentIndex().row(), 0); // consumed
    consume = false;
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(view.currentIndex().row(), 1); // handled as usual
    EXPECT_EQ(seen, QList<int>({ Qt::Key_Down, Qt::Key_Down }));
}

TYPED_TEST(FileViewTest, ContextMenuShowsTheViewsMenu)
{
    auto& view = this->view;
    const QPoint onFirst = view.visualRect(view.model()->index(0, 0)).center();
    rightClick(view, onFirst); // no menu: only the selection changes
    EXPECT_EQ(selectedRows(view), QList<int>({ 0 }));

    QMenu menu;
    menu.addAction("Open");
    int shown = 0;
    QObject::connect(&menu, &QMenu::aboutToShow, [&] { ++shown; });
    view.setMenu(&menu);
    EXPECT_EQ(view.menu(), &menu);
    rightClick(view, onFirst);
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(menu.isVisible());
    menu.close();
}

// The right-click rules, the same in both views: outside the selection selects only the item, on a
// selected item keeps the whole selection, on empty space clears it.
TYPED_TEST(FileViewTest, RightClickSelectsByItsRules)
{
    struct Case {
        const char* name;
        QList<int> before;
        int target; // -1: empty space below the items
        QList<int> after;
    };
    const Case cases[] = {
        { "on one of several selected", { 1, 3 }, 3, { 1, 3 } },
        { "on an unselected item", { 1, 3 }, 2, { 2 } },
        { "on empty space", { 1, 3 }, -1, {} },
        { "on an item with nothing selected", {}, 0, { 0 } },
        { "on empty space with nothing selected", {}, -1, {} },
    };
    auto& view = this->view;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        select(view, c.before);
        const QPoint position = c.target < 0 ? QPoint(395, 295) : view.visualRect(view.model()->index(c.target, 0)).center();
        ASSERT_EQ(view.indexAt(position).isValid(), c.target >= 0);
        rightClick(view, position);
        EXPECT_EQ(selectedRows(view), c.after);
        if (c.target >= 0 && !c.before.contains(c.target)) {
            EXPECT_EQ(view.currentIndex().row(), c.target); // keyboard moves on from the clicked item
        }
    }

    // The menu key acts on the selection as it is, wherever the pointer is.
    select(view, { 1, 3 });
    rightClick(view, QPoint(395, 295), QContextMenuEvent::Keyboard);
    EXPECT_EQ(selectedRows(view), QList<int>({ 1, 3 }));
}

TEST(FileTable, SelectsWholeRowsAndARowSpansTheWidth)
{
    auto model = makeModel(3, 2);
    FileTable table;
    table.setModel(model.get());
    table.setColumnWidth(0, 80);
    table.setColumnWidth(1, 80);
    table.resize(400, 200);
    EXPECT_EQ(table.selectionBehavior(), QAbstractItemView::SelectRows);

    // Past the last column there is no cell, but the row is still there.
    const int y = table.visualRect(model->index(2, 0)).center().y();
    rightClick(table, QPoint(300, y));
    EXPECT_EQ(selectedRows(table), QList<int>({ 2 }));
    EXPECT_TRUE(table.selectionModel()->isRowSelected(2, {}));
}

TEST(FileCollection, ReportsTheRightClickSelectionThroughTheSelectionModel)
{
    auto model = makeModel(4, 1);
    FileCollection grid;
    grid.setModel(model.get());
    grid.setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid.resize(400, 300);
    select(grid, { 0, 1 });
    QSignalSpy changes(grid.selectionModel(), &QItemSelectionModel::selectionChanged);

    rightClick(grid, grid.visualRect(model->index(2, 0)).center());
    ASSERT_EQ(changes.count(), 1);
    const auto selected = changes.at(0).at(0).value<QItemSelection>().indexes();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.front().row(), 2);
    EXPECT_EQ(changes.at(0).at(1).value<QItemSelection>().indexes().size(), 2);

    rightClick(grid, QPoint(395, 295));
    ASSERT_EQ(changes.count(), 2);
    const auto deselected = changes.at(1).at(1).value<QItemSelection>().indexes();
    ASSERT_EQ(deselected.size(), 1);
    EXPECT_EQ(deselected.front().row(), 2);

    rightClick(grid, QPoint(395, 295)); // nothing left to clear: nothing to report
    EXPECT_EQ(changes.count(), 2);
}

} // namespace
} // namespace bramblet
