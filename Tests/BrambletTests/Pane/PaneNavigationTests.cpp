#include "PaneTestSupport.h"

#include "Bramblet/Pane/FileTreeView.h"
#include "Bramblet/Pane/ModeControl.h"
#include "Bramblet/Pane/PathControl.h"

namespace bramblet::testing {
namespace {

// A pane over a real folder: the root holds folders "alpha" (with "a.txt") and "beta" (with
// "b.txt").
class PaneNavigationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree.file(QStringLiteral("alpha/a.txt"));
        tree.file(QStringLiteral("beta/b.txt"));
        pane = std::make_unique<PaneController>(tree.path(), PaneMode::list);
        pane->activated = [this] { ++activations; };
        pane->resize(600, 400);
        pane->show();
        pane->refresh();
        ASSERT_TRUE(shows({ "alpha", "beta" }));
    }

    ::testing::AssertionResult shows(const QStringList& expected)
    {
        return eventually([&] { return names(pane->visible()) == expected; })
            << " showing " << names(pane->visible()).join(u',').toStdString();
    }

    TempTree tree;
    std::unique_ptr<PaneController> pane;
    int activations = 0;
};

TEST_F(PaneNavigationTest, BackAndForwardKeepEachTabsOwnHistory)
{
    EXPECT_FALSE(pane->backButton()->isEnabled());
    EXPECT_FALSE(pane->forwardButton()->isEnabled());

    pane->navigate(pathFromString(tree / QStringLiteral("alpha")));
    ASSERT_TRUE(shows({ "a.txt" }));
    EXPECT_TRUE(pane->backButton()->isEnabled());
    EXPECT_FALSE(pane->forwardButton()->isEnabled());

    // A second tab opens at the same folder with a history of its own.
    pane->addTab();
    ASSERT_EQ(pane->tabs().size(), 2);
    EXPECT_EQ(pane->activeTabIndex(), 1);
    EXPECT_EQ(pane->activeTab().history, QStringList({ tree / QStringLiteral("alpha") }));
    EXPECT_FALSE(pane->backButton()->isEnabled());
    pane->navigate(pathFromString(tree / QStringLiteral("alpha/../beta/")));
    ASSERT_TRUE(shows({ "b.txt" }));
    EXPECT_EQ(pane->activeTab().path, tree / QStringLiteral("beta"));

    pane->back();
    ASSERT_TRUE(shows({ "a.txt" }));
    EXPECT_TRUE(pane->forwardButton()->isEnabled());
    pane->forward();
    ASSERT_TRUE(shows({ "b.txt" }));

    // The first tab still has its own two entries.
    pane->closeTab();
    ASSERT_TRUE(shows({ "a.txt" }));
    pane->back();
    ASSERT_TRUE(shows({ "alpha", "beta" }));
    EXPECT_EQ(pane->activeTab().historyIndex, 0);
    EXPECT_EQ(pane->activeTab().history.size(), 2);
    pane->goToParent();
    EXPECT_EQ(pane->activeTab().path, QFileInfo(tree.path()).path());
    EXPECT_EQ(activations, 6); // addTab, back, forward, closeTab, back, goToParent
}

TEST_F(PaneNavigationTest, BackAtTheStartOfTheHistoryStillReloads)
{
    tree.file(QStringLiteral("new.txt"));
    pane->back();
    EXPECT_TRUE(shows({ "alpha", "beta", "new.txt" }));
}

TEST_F(PaneNavigationTest, NavigatingToTheShownFolderKeepsHistorySelectionAndFilter)
{
    pane->navigate(pathFromString(tree / QStringLiteral("alpha")));
    ASSERT_TRUE(shows({ "a.txt" }));
    pane->selectAll();
    const TabSnapshot before = pane->activeTab();
    tree.file(QStringLiteral("alpha/c.txt"));
    pane->navigate(pathFromString(tree / QStringLiteral("alpha")));
    ASSERT_TRUE(shows({ "a.txt", "c.txt" }));
    EXPECT_EQ(pane->activeTab().history, before.history);
    EXPECT_EQ(pane->activeTab().selectedPaths, QSet<QString>({ tree / QStringLiteral("alpha/a.txt") }));
    EXPECT_EQ(activations, 0); // navigate() itself is no user gesture
}

TEST_F(PaneNavigationTest, ANewTabStartsWithoutFilterSelectionOrHistory)
{
    pane->navigate(pathFromString(tree / QStringLiteral("alpha")));
    ASSERT_TRUE(shows({ "a.txt" }));
    pane->selectAll();
    pane->setFilter(QStringLiteral("a"));
    pane->addTab();
    const TabSnapshot& tab = pane->activeTab();
    EXPECT_EQ(tab.path, tree / QStringLiteral("alpha"));
    EXPECT_EQ(tab.history.size(), 1);
    EXPECT_TRUE(tab.filter.isEmpty());
    EXPECT_TRUE(tab.selectedPaths.isEmpty());
    EXPECT_EQ(tab.scroll, 0);
    EXPECT_TRUE(shows({ "a.txt" }));
}

TEST_F(PaneNavigationTest, ClosingATabActivatesTheOneThatFollowedOrTheNewLast)
{
    struct Case {
        const char* name;
        int tabs;
        int active;
        int expectedActive;
        QString expectedPath; // of the tab made active
    };
    const QString root = tree.path();
    const QString alpha = tree / QStringLiteral("alpha");
    const QString beta = tree / QStringLiteral("beta");
    const Case cases[] = {
        { "one tab: nothing happens", 1, 0, 0, root },
        { "last of three: the new last", 3, 2, 1, alpha },
        { "first of three: the former second", 3, 0, 0, alpha },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString paths[] = { root, alpha, beta };
        QList<TabSnapshot> tabs;
        for (int i = 0; i < c.tabs; ++i)
            tabs.append(TabSnapshot(paths[i], PaneMode::list));
        pane->setTabs(tabs, c.active);
        activations = 0;
        pane->closeTab();
        EXPECT_EQ(pane->tabs().size(), std::max(1, c.tabs - 1));
        EXPECT_EQ(pane->activeTabIndex(), c.expectedActive);
        EXPECT_EQ(pane->activeTab().path, c.expectedPath);
        EXPECT_EQ(activations, c.tabs > 1 ? 1 : 0);
    }
}

TEST_F(PaneNavigationTest, PathControlAndModeControlDriveThePane)
{
    pane->navigate(pathFromString(tree / QStringLiteral("alpha")));
    ASSERT_TRUE(shows({ "a.txt" }));
    emit pane->pathControl()->pathClicked(tree.path());
    EXPECT_TRUE(shows({ "alpha", "beta" }));
    EXPECT_EQ(activations, 1);

    int changes = 0;
    pane->changed = [&] { ++changes; };
    pane->modeControl()->setSelectedSegment(-1);
    pane->switchViewMode();
    EXPECT_EQ(pane->activeTab().mode, PaneMode::tree);
    EXPECT_EQ(pane->modeControl()->selectedSegment(), int(PaneMode::tree));
    EXPECT_EQ(activations, 2);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(pane->tree()->isVisible());
    EXPECT_FALSE(pane->table()->isVisible());
}

} // namespace
} // namespace bramblet::testing
