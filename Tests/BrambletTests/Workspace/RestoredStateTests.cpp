#include "Bramblet/Workspace/RestoredState.h"

#include "Workspace/WorkspaceTestSupport.h"

namespace bramblet {
namespace {

using RestoredStateTest = testing::SandboxedDefaultsTest;

const QSet<QString> builtInPlaces { QStringLiteral("/home/me"), QStringLiteral("/home/me/Desktop") };

TEST_F(RestoredStateTest, WindowStateFollowsTheRestoreRules)
{
    struct Case {
        const char* name;
        QList<TabSnapshot> left;
        QList<TabSnapshot> right;
        int leftIndex, rightIndex, active;
        QStringList favorites;
        bool restores;
        int expectedLeftIndex, expectedRightIndex, expectedActive;
        QStringList expectedFavorites;
    };
    const QList<TabSnapshot> two { tab("/a"), tab("/b") };
    const QList<TabSnapshot> one { tab("/c") };
    const Case cases[] = {
        { "indexes clamped into the tab lists", two, one, 7, -1, 1, {}, true, 1, 0, 1, {} },
        { "an active side other than 1 is side 0", two, one, 0, 0, 2, {}, true, 0, 0, 0, {} },
        { "built-in places leave the favourites, repeats stay", two, one, 0, 0, 0,
          { "/home/me", "/x", "/home/me/Desktop", "/x", "/home/me/Desktop/y" }, true, 0, 0, 0,
          { "/x", "/x", "/home/me/Desktop/y" } },
        { "an empty right side restores nothing at all", two, {}, 1, 0, 1, { "/x" }, false, 0, 0, 0, {} },
        { "an empty left side restores nothing at all", {}, one, 0, 0, 1, { "/x" }, false, 0, 0, 0, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SavedState saved { c.left, c.right, c.leftIndex, c.rightIndex, c.favorites, { 1, 2, 3 }, c.active };
        store(WorkspaceDefaults::workspaceKey, saved.toJson());
        const auto restored = RestoredState::read(defaults(), builtInPlaces);
        ASSERT_EQ(restored.window.has_value(), c.restores);
        if (!c.restores)
            continue;
        EXPECT_EQ(restored.window->left, c.left);
        EXPECT_EQ(restored.window->right, c.right);
        EXPECT_EQ(restored.window->leftIndex, c.expectedLeftIndex);
        EXPECT_EQ(restored.window->rightIndex, c.expectedRightIndex);
        EXPECT_EQ(restored.window->active, c.expectedActive);
        EXPECT_EQ(restored.window->favorites, c.expectedFavorites);
        // Widths come back as stored, three of them too; the layout decides what to use.
        EXPECT_EQ(restored.window->widths, QList<double>({ 1, 2, 3 }));
    }
}

TEST_F(RestoredStateTest, MissingOrUnreadableValuesRestoreNothingKeyByKey)
{
    const auto nothing = RestoredState::read(defaults(), builtInPlaces);
    EXPECT_FALSE(nothing.window);
    EXPECT_TRUE(nothing.records.isEmpty());
    EXPECT_TRUE(nothing.workspaces.isEmpty());
    EXPECT_TRUE(nothing.syncConfigs.isEmpty());

    defaults().setData(WorkspaceDefaults::workspaceKey, "{\"left\":");
    defaults().setData(WorkspaceDefaults::workspacesKey, R"([{"name":"only a name"}])");
    defaults().setData(WorkspaceDefaults::syncConfigsKey,
                       R"([{"name":"a","source":"/s","destination":"/d"},{"name":"b"}])");
    defaults().setData(WorkspaceDefaults::activitiesKey, "{}");
    const auto unreadable = RestoredState::read(defaults(), builtInPlaces);
    EXPECT_FALSE(unreadable.window);
    EXPECT_TRUE(unreadable.workspaces.isEmpty());
    EXPECT_TRUE(unreadable.syncConfigs.isEmpty()) << "one bad entry spoils the whole list";
    EXPECT_TRUE(unreadable.records.isEmpty());
}

TEST_F(RestoredStateTest, ListsComeBackInStoredOrder)
{
    const QList<SavedWorkspace> workspaces { { "One", { tab("/1") }, { tab("/2") }, 0, 0, 1 },
                                             { "Two", { tab("/3") }, { tab("/4") }, 0, 0, 0 } };
    const QList<SyncConfig> configs { { "b", "/s2", "/d2" }, { "a", "/s1", "/d1" } };
    defaults().setData(WorkspaceDefaults::workspacesKey, encodeList(workspaces));
    defaults().setData(WorkspaceDefaults::syncConfigsKey, encodeList(configs));
    const auto restored = RestoredState::read(defaults(), builtInPlaces);
    EXPECT_EQ(restored.workspaces, workspaces);
    EXPECT_EQ(restored.syncConfigs, configs);
}

TEST_F(RestoredStateTest, UnfinishedRequestsComeBackCancelledWithTheInterruptedMessage)
{
    QList<ActivityRecord> records;
    for (const auto status : allActivityStatuses) {
        ActivityRecord record(FileAction::copy, "/src/" + toString(status), "/dst");
        record.status = status;
        record.message = "was " + toString(status);
        records.append(record);
    }
    defaults().setData(WorkspaceDefaults::activitiesKey, encodeList(records));

    const auto restored = RestoredState::read(defaults(), builtInPlaces);
    ASSERT_EQ(restored.records.size(), records.size());
    for (qsizetype index = 0; index < records.size(); ++index) {
        const auto& before = records[index];
        const auto& after = restored.records[index];
        SCOPED_TRACE(toString(before.status).toStdString());
        EXPECT_EQ(after.id(), before.id());
        EXPECT_EQ(after.source(), before.source());
        EXPECT_EQ(after.date(), before.date());
        const bool unfinished =
            before.status == ActivityRecord::Status::queued || before.status == ActivityRecord::Status::running;
        EXPECT_EQ(after.status, unfinished ? ActivityRecord::Status::cancelled : before.status);
        EXPECT_EQ(after.message, unfinished ? interruptedMessage : before.message);
    }
}

TEST_F(RestoredStateTest, TheLogKeepsItsLastHundredRecordsWhenRead)
{
    QList<ActivityRecord> records;
    for (int index = 0; index < 150; ++index) {
        ActivityRecord record(FileAction::copy, QStringLiteral("/src/%1").arg(index), "/dst");
        record.status = ActivityRecord::Status::completed;
        records.append(record);
    }
    defaults().setData(WorkspaceDefaults::activitiesKey, encodeList(records));
    const auto restored = RestoredState::read(defaults(), builtInPlaces);
    EXPECT_EQ(restored.records, records.mid(50));
}

} // namespace
} // namespace bramblet
