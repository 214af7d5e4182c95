#include "BrambletCore/Models/JsonDecoding.h"
#include "BrambletCore/Models/TabSnapshot.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

namespace bramblet {
namespace {

TabSnapshot tabWithState()
{
    TabSnapshot tab("/a", PaneMode::grid);
    tab.filter = "rep";
    tab.selectedPaths = { "/a/x" };
    tab.scroll = 120;
    return tab;
}

TEST(TabSnapshot, NewTab)
{
    const TabSnapshot tab("/home/me", PaneMode::tree);
    EXPECT_EQ(tab.path, "/home/me");
    EXPECT_EQ(tab.history, QStringList { "/home/me" });
    EXPECT_EQ(tab.historyIndex, 0);
    EXPECT_EQ(tab.mode, PaneMode::tree);
    EXPECT_EQ(tab.sort, SortField::name);
    EXPECT_FALSE(tab.descending);
    EXPECT_TRUE(tab.filter.isEmpty());
    EXPECT_TRUE(tab.selectedPaths.isEmpty());
    EXPECT_EQ(tab.scroll, 0);
}

TEST(TabSnapshot, NavigateToCurrentPathChangesNothing)
{
    auto tab = tabWithState();
    const auto before = tab;
    tab.navigate("/a");
    EXPECT_EQ(tab, before);
    tab.navigate("/a/");
    EXPECT_EQ(tab.history, QStringList({ "/a", "/a/" })) << "a trailing slash is another path";
}

TEST(TabSnapshot, NavigateDropsForwardHistoryAndClearsViewState)
{
    auto tab = tabWithState();
    tab.sort = SortField::size;
    tab.descending = true;
    tab.navigate("/b");
    tab.navigate("/c");
    tab.goBack();
    tab.goBack();
    EXPECT_EQ(tab.path, "/a");
    tab.selectedPaths = { "/a/y" };
    tab.navigate("/d");
    EXPECT_EQ(tab.history, QStringList({ "/a", "/d" }));
    EXPECT_EQ(tab.historyIndex, 1);
    EXPECT_TRUE(tab.selectedPaths.isEmpty());
    EXPECT_TRUE(tab.filter.isEmpty());
    EXPECT_EQ(tab.scroll, 0);
    EXPECT_EQ(tab.mode, PaneMode::grid);
    EXPECT_EQ(tab.sort, SortField::size);
    EXPECT_TRUE(tab.descending);

    const auto atEnd = tab;
    tab.goForward();
    EXPECT_EQ(tab, atEnd);
}

TEST(TabSnapshot, BackAndForwardKeepTheFilterAndStopAtTheEnds)
{
    auto tab = tabWithState();
    const auto atStart = tab;
    tab.goBack();
    EXPECT_EQ(tab, atStart) << "back at the first entry keeps even the selection";

    tab.navigate("/b");
    tab.filter = "keep";
    tab.selectedPaths = { "/b/1" };
    tab.scroll = 40;
    tab.goBack();
    EXPECT_EQ(tab.path, "/a");
    EXPECT_EQ(tab.filter, "keep");
    EXPECT_TRUE(tab.selectedPaths.isEmpty());
    EXPECT_EQ(tab.scroll, 0);
    EXPECT_TRUE(tab.canGoForward());
    tab.goForward();
    EXPECT_EQ(tab.path, "/b");
    EXPECT_EQ(tab.historyIndex, 1);
    EXPECT_FALSE(tab.canGoForward());
}

TEST(TabSnapshot, OperationsOnABrokenDecodedHistoryStayInBounds)
{
    auto tab = tabWithState();
    tab.history.clear();
    tab.historyIndex = 5;
    tab.goBack();
    tab.goForward();
    tab.navigate("/z");
    EXPECT_EQ(tab.history, QStringList({ "/a", "/z" }));
    EXPECT_EQ(tab.historyIndex, 1);

    tab.historyIndex = -3;
    tab.goBack();
    EXPECT_EQ(tab.historyIndex, 0);
}

TEST(TabSnapshot, JsonRoundTrip)
{
    auto tab = tabWithState();
    tab.navigate("/b");
    tab.selectedPaths = { "/b/one", "/b/two" };
    tab.sort = SortField::modified;
    tab.descending = true;
    tab.scroll = 12.5;

    const auto object = tab.toJson();
    EXPECT_EQ(object.keys().size(), 9);
    EXPECT_EQ(object["mode"].toString(), "grid");
    EXPECT_EQ(object["sort"].toString(), "modified");

    const auto text = QJsonDocument(object).toJson(QJsonDocument::Compact);
    EXPECT_EQ(TabSnapshot::fromJson(QJsonDocument::fromJson(text).object()), tab);
}

TEST(TabSnapshot, DecodingRequiresEveryKeyWithItsType)
{
    const auto valid = tabWithState().toJson();
    for (const auto& key : valid.keys()) {
        SCOPED_TRACE(key.toStdString());
        auto missing = valid;
        missing.remove(key);
        EXPECT_THROW(TabSnapshot::fromJson(missing), JsonDecodeError);
    }

    struct Case {
        const char* key;
        QJsonValue value;
    };
    const Case wrong[] = {
        { "mode", "columns" },
        { "sort", "date" },
        { "historyIndex", 1.5 },
        { "historyIndex", "0" },
        { "descending", 0 },
        { "scroll", "0" },
        { "history", QJsonArray { "/a", 3 } },
        { "selectedPaths", "/a/x" },
        { "path", QJsonValue::Null },
    };
    for (const auto& c : wrong) {
        SCOPED_TRACE(c.key);
        auto object = valid;
        object[c.key] = c.value;
        EXPECT_THROW(TabSnapshot::fromJson(object), JsonDecodeError);
    }

    auto extra = valid;
    extra["unknown"] = true;
    EXPECT_EQ(TabSnapshot::fromJson(extra), tabWithState()) << "unknown keys are ignored";
    EXPECT_THROW(TabSnapshot::fromJson(QJsonArray {}), JsonDecodeError);
}

} // namespace
} // namespace bramblet
