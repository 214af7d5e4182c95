#include "BrambletCore/Models/ActivityRecord.h"
#include "BrambletCore/Models/ConflictPolicy.h"
#include "BrambletCore/Models/FileAction.h"
#include "BrambletCore/Models/PaneMode.h"
#include "BrambletCore/Models/SortField.h"

#include <gtest/gtest.h>

namespace bramblet {
namespace {

template <typename Enum, size_t Count>
void expectRoundTrip(const std::array<Enum, Count>& cases, const QStringList& strings)
{
    ASSERT_EQ(size_t(strings.size()), Count);
    for (size_t i = 0; i < Count; ++i) {
        SCOPED_TRACE(strings[qsizetype(i)].toStdString());
        EXPECT_EQ(toString(cases[i]), strings[qsizetype(i)]);
        EXPECT_EQ(fromString<Enum>(strings[qsizetype(i)]), cases[i]);
    }
}

TEST(EnumStrings, StoredValuesRoundTripInDeclaredOrder)
{
    expectRoundTrip(allFileActions, { "copy", "move", "rename", "trash", "createFolder" });
    expectRoundTrip(allConflictPolicies, { "ask", "skip", "keepBoth", "replace" });
    expectRoundTrip(allPaneModes, { "list", "grid", "tree" });
    expectRoundTrip(allSortFields, { "name", "size", "modified" });
    expectRoundTrip(allActivityStatuses, { "queued", "running", "completed", "skipped", "cancelled", "failed" });
}

TEST(EnumStrings, LookupIsExactAndCaseSensitive)
{
    EXPECT_EQ(fromString<FileAction>("Copy"), std::nullopt) << "a title is not a stored value";
    EXPECT_EQ(fromString<FileAction>("copy "), std::nullopt);
    EXPECT_EQ(fromString<ConflictPolicy>("keepboth"), std::nullopt);
    EXPECT_EQ(fromString<PaneMode>("columns"), std::nullopt);
    EXPECT_EQ(fromString<SortField>(""), std::nullopt);
    EXPECT_EQ(fromString<ActivityRecord::Status>("done"), std::nullopt);
}

TEST(EnumStrings, FileActionTitles)
{
    QStringList titles;
    for (auto action : allFileActions)
        titles << title(action);
    EXPECT_EQ(titles, QStringList({ "Copy", "Move", "Rename", "Move to Trash", "New Folder" }));
}

} // namespace
} // namespace bramblet
