#include "PaneTestSupport.h"

#include "Bramblet/Pane/FileTreeView.h"
#include "Bramblet/Pane/PaneContextMenu.h"
#include "Bramblet/Theme/FileCollection.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>

namespace bramblet::testing {
namespace {

const QStringList identifiers = { "open", "explore", "terminal", "preview", "stack", "selectPattern",
                                  "selectKind", "selectTag", "batchRename", "rename", "tags", "compare",
                                  "copy", "move", "share", "trash" };

TEST(PaneContextMenuTest, RowsInTheirOrderWithTheirIdentifiers)
{
    QWidget parent;
    QMenu* menu = PaneContextMenu::make(&parent);
    QStringList shown;
    for (QAction* action : menu->actions())
        shown.append(PaneContextMenu::identifier(action));
    EXPECT_EQ(shown, identifiers);
    EXPECT_EQ(menu->actions()[5]->text(), QStringLiteral("Select by Pattern…"));
    EXPECT_EQ(menu->actions()[15]->text(), QStringLiteral("Move to Trash…"));
}

// The identifiers enabled for each kind of selection.
TEST(PaneContextMenuTest, EnablingFollowsTheSelectionsCountAndKinds)
{
    const FileItem file = makeItem("/f", "a.txt");
    const FileItem other = makeItem("/f", "b.txt");
    const FileItem folder = makeItem("/f", "sub", true);
    const QStringList always = { "selectKind", "selectTag" };
    const QStringList withOne = { "open", "preview", "stack", "selectPattern", "selectKind", "selectTag",
                                  "batchRename", "rename", "tags", "copy", "move", "share", "trash" };
    struct Case {
        const char* name;
        QList<FileItem> selection;
        bool canExplore;
        QStringList enabled;
    };
    const Case cases[] = {
        { "nothing", {}, true, QStringList(always) << "terminal" },
        { "one file", { file }, true, QStringList(withOne) << "terminal" },
        { "one folder", { folder }, true, QStringList(withOne) << "terminal" << "explore" },
        { "one folder, no explore", { folder }, false, QStringList(withOne) << "terminal" },
        { "two files", { file, other }, true, QStringList(withOne) << "compare" },
        { "a file and a folder", { file, folder }, true, withOne },
        { "three files", { file, other, makeItem("/f", "c.txt") }, true, withOne },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList enabled;
        for (const QString& identifier : identifiers) {
            if (PaneContextMenu::isEnabled(identifier, c.selection, c.canExplore))
                enabled.append(identifier);
        }
        QStringList expected = c.enabled;
        std::sort(expected.begin(), expected.end());
        std::sort(enabled.begin(), enabled.end());
        EXPECT_EQ(enabled, expected);
    }
}

// A pane over a real folder with a file and a subfolder, its callbacks recorded.
class PaneContextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree.file(QStringLiteral("a.txt"));
        tree.file(QStringLiteral("b.txt"));
        tree.folder(QStringLiteral("sub"));
        pane = std::make_unique<PaneController>(tree.path(), PaneMode::list);
        pane->activated = [this] { calls.append(QStringLiteral("activated")); };
        pane->contextAction = [this](const QString& identifier) { calls.append(QStringLiteral("action ") + identifier); };
        pane->terminalHere = [this](const std::filesystem::path& folder) {
            calls.append(QStringLiteral("terminal ") + pathString(folder));
        };
        pane->explore = [this](const std::filesystem::path& folder) {
            calls.append(QStringLiteral("explore ") + pathString(folder));
        };
        pane->resize(600, 400);
        pane->show();
        pane->refresh();
        ASSERT_TRUE(eventually([&] { return pane->visible().size() == 3; }));
    }

    void select(const QStringList& names)
    {
        pane->selectWhere([&names](const FileItem& item) { return names.contains(item.name); });
        calls.clear();
    }

    // The menu as it opens: the identifiers of the rows shown and of those enabled.
    std::pair<QStringList, QStringList> openMenu()
    {
        emit pane->contextMenu()->aboutToShow();
        QStringList shown, enabled;
        for (QAction* action : pane->contextMenu()->actions()) {
            if (!action->isVisible())
                continue;
            shown.append(PaneContextMenu::identifier(action));
            if (action->isEnabled())
                enabled.append(PaneContextMenu::identifier(action));
        }
        return { shown, enabled };
    }

    TempTree tree;
    std::unique_ptr<PaneController> pane;
    QStringList calls;
};

TEST_F(PaneContextTest, ExploreIsOfferedOnlyWhereThePaneAllowsIt)
{
    select({ "sub" });
    EXPECT_EQ(openMenu().first.size(), 15);
    EXPECT_FALSE(openMenu().first.contains("explore"));
    pane->canExplore = true;
    const auto [shown, enabled] = openMenu();
    EXPECT_EQ(shown, identifiers);
    EXPECT_TRUE(enabled.contains("explore"));
    // Two files: everything but the folder commands, Compare included.
    select({ "a.txt", "b.txt" });
    EXPECT_EQ(openMenu().second, QStringList({ "open", "preview", "stack", "selectPattern", "selectKind", "selectTag",
                                               "batchRename", "rename", "tags", "compare", "copy", "move", "share",
                                               "trash" }));
}

TEST_F(PaneContextTest, TerminalHereOpensInTheFolderTheSelectionNames)
{
    struct Case {
        QStringList selection;
        QStringList expected;
    };
    const Case cases[] = {
        { {}, { "activated", "terminal " + tree.path() } },
        { { "a.txt" }, { "activated", "terminal " + tree.path() } },
        { { "sub" }, { "activated", "terminal " + (tree / "sub") } },
        { { "a.txt", "sub" }, { "activated" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selection.join(u',').toStdString());
        select(c.selection);
        pane->contextSelected(QStringLiteral("terminal"));
        EXPECT_EQ(calls, c.expected);
    }
}

TEST_F(PaneContextTest, ExploreNeedsOneFolderAndOtherCommandsGoToTheOwner)
{
    pane->canExplore = true;
    select({ "a.txt" });
    pane->contextSelected(QStringLiteral("explore"));
    EXPECT_EQ(calls, QStringList({ "activated" }));

    select({ "sub" });
    pane->contextSelected(QStringLiteral("explore"));
    pane->contextSelected(QStringLiteral("rename"));
    pane->contextSelected(QString());
    EXPECT_EQ(calls, QStringList({ "activated", "explore " + (tree / "sub"), "activated", "action rename", "activated" }));

    pane->canExplore = false;
    calls.clear();
    pane->contextSelected(QStringLiteral("explore"));
    EXPECT_EQ(calls, QStringList({ "activated" }));
}

// Choosing a row of the real menu reaches the owner, from each presentation.
TEST_F(PaneContextTest, EveryPresentationSharesTheMenu)
{
    EXPECT_EQ(pane->table()->menu(), pane->contextMenu());
    EXPECT_EQ(pane->collection()->menu(), pane->contextMenu());
    EXPECT_EQ(pane->tree()->menu(), pane->contextMenu());
    for (PaneMode mode : allPaneModes) {
        SCOPED_TRACE(int(mode));
        pane->setMode(mode);
        select({ "a.txt" });
        EXPECT_EQ(names(pane->selected()), QStringList({ "a.txt" }));
        openMenu();
        pane->contextMenu()->actions()[9]->trigger(); // Rename…
        EXPECT_EQ(calls, QStringList({ "activated", "action rename" }));
    }
}

// The desktop's keys for the context menu open it on the selection as it is, in every
// presentation: Shift+F10 as a key press, the Menu key as the context-menu event the platform makes
// of it.
TEST_F(PaneContextTest, TheMenuKeyAndShiftF10OpenTheMenuOnTheSelection)
{
    for (PaneMode mode : allPaneModes) {
        pane->setMode(mode);
        QAbstractItemView* const views[] = { pane->table(), pane->collection(), pane->tree() };
        QAbstractItemView* view = views[int(mode)];
        for (const bool menuKey : { false, true }) {
            SCOPED_TRACE(::testing::Message() << int(mode) << (menuKey ? " Menu" : " Shift+F10"));
            select({ "b.txt" });
            view->setFocus();
            if (menuKey) {
                // Over another row: a keyboard request never selects by position.
                const QPoint elsewhere = view->visualRect(view->model()->index(0, 0)).center();
                QContextMenuEvent event(QContextMenuEvent::Keyboard, elsewhere, view->viewport()->mapToGlobal(elsewhere));
                QApplication::sendEvent(view->viewport(), &event);
            } else {
                QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier);
            }
            EXPECT_TRUE(eventually([&] { return pane->contextMenu()->isVisible(); }));
            pane->contextMenu()->hide();
            EXPECT_EQ(names(pane->selected()), QStringList({ "b.txt" }));
        }
    }
}

} // namespace
} // namespace bramblet::testing
