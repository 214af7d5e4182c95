#include "TerminalViewTestSupport.h"

#include "ZentrovaView/FindPasteboard.h"
#include "ZentrovaView/TerminalFindBarView.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>

namespace zentrova {
namespace {

TEST(TerminalViewFindCommands, ValidationFollowsActionTagAndSelection)
{
    struct Case {
        const char* action;
        int tag;
        bool withoutSelection;
        bool withSelection;
    };
    const std::vector<Case> cases {
        { "performFindPanelAction:", 1, true, true },
        { "performFindPanelAction:", 2, true, true },
        { "performFindPanelAction:", 3, true, true },
        { "performFindPanelAction:", 7, false, true },
        { "performFindPanelAction:", 11, false, false },
        { "performFindPanelAction:", 0, false, false },
        { "performTextFinderAction:", 1, true, true },
        { "performTextFinderAction:", 7, false, true },
        { "performTextFinderAction:", 11, true, true },
        { "performTextFinderAction:", 13, true, true },
        { "performTextFinderAction:", 14, false, false },
        { "performTextFinderAction:", 4, false, false },
        { "paste:", 0, true, true },
        { "selectAll:", 0, true, true },
        { "copy:", 0, false, true },
        { "cut:", 0, false, false },
        { "", 0, false, false },
    };
    TerminalView view(nullptr, testFont());
    feed(view, "text");
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.action) + " " + std::to_string(test.tag));
        if (view.selection())
            view.selection()->selectNone();
        EXPECT_EQ(view.validateUserInterfaceItem({ test.action, test.tag }), test.withoutSelection);
        view.selectAll();
        EXPECT_EQ(view.validateUserInterfaceItem({ test.action, test.tag }), test.withSelection);
    }
}

TEST(TerminalViewFindCommands, TheMenuHearsWhenTheSelectionChanges)
{
    TerminalView view(nullptr, testFont());
    QSignalSpy changed(&view, &TerminalView::menuStateChanged);
    view.selectAll();
    EXPECT_GE(changed.count(), 1);
    changed.clear();
    view.selection()->selectNone();
    EXPECT_EQ(changed.count(), 1);
}

TEST(TerminalViewFindCommands, UseSelectionForFindTakesOnlyASelectedText)
{
    TerminalView view(nullptr, testFont());
    feed(view, "alpha beta\r\nbeta");
    FindPasteboard::setString("beta");

    // Nothing selected: the application's term stays and the bar opens with it.
    view.performFindPanelAction(FindCommandTag::useSelectionForFind);
    EXPECT_EQ(FindPasteboard::string(), "beta");
    ASSERT_NE(view.findBar(), nullptr);
    EXPECT_EQ(view.findBar()->searchField()->text(), "beta");
    EXPECT_EQ(view.selection()->start(), (Position { 6, 0 }));

    // A selection: it becomes the term.
    view.selection()->setSelection({ 0, 0 }, { 5, 0 });
    view.performFindPanelAction(FindCommandTag::useSelectionForFind);
    EXPECT_EQ(FindPasteboard::string(), "alpha");
    EXPECT_EQ(view.findBar()->searchField()->text(), "alpha");
}

TEST(TerminalViewFindCommands, FindNextWithTheBarHiddenUsesTheApplicationsTerm)
{
    TerminalView view(nullptr, testFont());
    feed(view, "one two one");
    FindPasteboard::setString({});
    view.performFindPanelAction(FindCommandTag::findNext);
    EXPECT_FALSE(view.selection() && view.selection()->active()) << "no term, no search";

    FindPasteboard::setString("one");
    view.performFindPanelAction(FindCommandTag::findNext);
    EXPECT_EQ(view.findBar(), nullptr) << "the bar is not needed for it";
    ASSERT_TRUE(view.selection() && view.selection()->active());
    EXPECT_EQ(view.selection()->start(), (Position { 0, 0 }));
    view.performFindPanelAction(FindCommandTag::findNext);
    EXPECT_EQ(view.selection()->start(), (Position { 8, 0 }));
    view.performFindPanelAction(FindCommandTag::findPrevious);
    EXPECT_EQ(view.selection()->start(), (Position { 0, 0 }));

    // Shown, the bar's field is the term; hidden again, the application's term is.
    view.showFindBar(false);
    view.findBar()->searchField()->setText("two");
    view.performTextFinderAction(FindCommandTag::findNext);
    EXPECT_EQ(view.selection()->start(), (Position { 4, 0 }));
    EXPECT_EQ(FindPasteboard::string(), "two");
    view.performTextFinderAction(FindCommandTag::hideFindBar);
    EXPECT_TRUE(view.findBar()->isHidden());
    FindPasteboard::setString("one");
    view.performFindPanelAction(FindCommandTag::findNext);
    EXPECT_EQ(view.selection()->start(), (Position { 8, 0 }));
}

} // namespace
} // namespace zentrova
