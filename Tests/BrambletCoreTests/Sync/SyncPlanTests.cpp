#include "BrambletCore/Sync/SyncPlan.h"

#include <gtest/gtest.h>

namespace bramblet {
namespace {

TEST(SyncKind, StringValuesRoundTripAndNothingElseParses)
{
    const QStringList strings { "matching", "added", "changed", "missing" };
    ASSERT_EQ(allSyncKinds.size(), size_t(strings.size()));
    for (size_t i = 0; i < allSyncKinds.size(); ++i) {
        SCOPED_TRACE(strings[qsizetype(i)].toStdString());
        EXPECT_EQ(toString(allSyncKinds[i]), strings[qsizetype(i)]);
        EXPECT_EQ(fromString<SyncKind>(strings[qsizetype(i)]), allSyncKinds[i]);
    }
    for (const char* text : { "Added", "missing ", "", "deleted" }) {
        SCOPED_TRACE(text);
        EXPECT_EQ(fromString<SyncKind>(QString::fromUtf8(text)), std::nullopt);
    }
}

SyncEntry entry(const char* path, SyncKind kind)
{
    SyncEntry result;
    result.relativePath = QString::fromUtf8(path);
    result.kind = kind;
    return result;
}

TEST(SyncPlan, ActionableKeepsAddedAndChangedInPlanOrder)
{
    SyncPlan plan;
    plan.entries = { entry("a", SyncKind::added), entry("b", SyncKind::matching), entry("c", SyncKind::changed),
                     entry("d", SyncKind::missing), entry("e", SyncKind::added), entry("f", SyncKind::missing) };
    const auto actionable = plan.actionable();
    ASSERT_EQ(actionable.size(), 3);
    EXPECT_EQ(actionable[0], plan.entries[0]);
    EXPECT_EQ(actionable[1], plan.entries[2]);
    EXPECT_EQ(actionable[2], plan.entries[4]);
    EXPECT_EQ(plan.addedCount(), 2);
    EXPECT_EQ(plan.changedCount(), 1);
    EXPECT_EQ(plan.missingCount(), 2);
    EXPECT_EQ(plan.matchingCount(), 1);
}

} // namespace
} // namespace bramblet
