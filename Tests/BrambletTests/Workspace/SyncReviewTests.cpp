#include "Bramblet/Workspace/SyncReview.h"

#include <gtest/gtest.h>

namespace bramblet {
namespace {

namespace fs = std::filesystem;

const fs::path sourceRoot = "/src";
const fs::path destinationRoot = "/dst";

SyncEntry entry(const QString& path, SyncKind kind, bool isDirectory = false, bool destinationIsDirectory = false)
{
    SyncEntry result;
    result.relativePath = path;
    result.source = sourceRoot / path.toStdString();
    result.destination = destinationRoot / path.toStdString();
    result.kind = kind;
    result.isDirectory = isDirectory;
    result.destinationIsDirectory = destinationIsDirectory;
    return result;
}

SyncPlan plan(QList<SyncEntry> entries)
{
    return { sourceRoot, destinationRoot, std::move(entries) };
}

const QString promise =
    QStringLiteral("\n\nOnly additions and changes will be copied. Destination-only items will not be deleted.");

TEST(SyncReview, TextCountsTheKindsAndListsTheFirstTwelveActionableEntries)
{
    QList<SyncEntry> entries { entry("kept", SyncKind::matching), entry("old", SyncKind::missing) };
    for (int index = 1; index <= 20; ++index)
        entries.append(entry(QStringLiteral("f%1").arg(index, 2, 10, QChar(u'0')),
                             index % 4 == 0 ? SyncKind::changed : SyncKind::added));
    const auto review = SyncReview::of(plan(entries));

    QString expected = QStringLiteral("15 additions, 5 changes, 1 destination-only items.\n\n");
    for (int index = 1; index <= 12; ++index) {
        expected += QStringLiteral("%1: f%2\n").arg(index % 4 == 0 ? "Changed" : "Added").arg(index, 2, 10, QChar(u'0'));
    }
    expected += QStringLiteral("\u2026and 8 more") + promise;
    EXPECT_EQ(review.informativeText.toStdString(), expected.toStdString());
    EXPECT_EQ(review.requests.size(), 20);

    // Exactly twelve: all listed, nothing "more".
    const auto twelve = SyncReview::of(plan(entries.mid(0, 14)));
    EXPECT_TRUE(twelve.informativeText.contains("Added: f11\nChanged: f12" + promise));
    EXPECT_FALSE(twelve.informativeText.contains(u'\u2026'));
}

TEST(SyncReview, NothingToCopyCountsTheDestinationOnlyItems)
{
    const struct {
        qsizetype missing;
        const char* expected;
    } cases[] = {
        { 0, "The two folders have no additions or changes to copy. 0 destination-only items remain untouched." },
        { 1, "The two folders have no additions or changes to copy. 1 destination-only item remain untouched." },
        { 3, "The two folders have no additions or changes to copy. 3 destination-only items remain untouched." },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.missing);
        EXPECT_EQ(SyncReview::nothingToCopy(c.missing).toStdString(), c.expected);
    }
}

TEST(SyncReview, RequestsReplaceAndPutFoldersFirstInPlanOrder)
{
    const auto review = SyncReview::of(plan({
        entry("a.txt", SyncKind::added),
        entry("b", SyncKind::changed, true), // a folder replacing a file
        entry("c.txt", SyncKind::changed),
        entry("d", SyncKind::missing),
        entry("sub", SyncKind::added, true),
        entry("sub/x", SyncKind::added),
    }));
    QStringList order;
    for (const auto& request : review.requests) {
        EXPECT_EQ(request.action, FileAction::copy);
        EXPECT_EQ(request.conflict, ConflictPolicy::replace);
        EXPECT_EQ(request.destination, destinationRoot / request.source.lexically_relative(sourceRoot))
            << "the full path of the item to create";
        order << QString::fromStdString(request.source.lexically_relative(sourceRoot).string());
    }
    EXPECT_EQ(order, QStringList({ "b", "sub", "a.txt", "c.txt", "sub/x" }));
    EXPECT_TRUE(review.skipped.isEmpty());
}

// Replacing a destination folder with a file would send the folder to the Trash with whatever
// only the destination holds inside it.
TEST(SyncReview, AFileOverAFolderIsSkippedAndShownWithTheReason)
{
    const auto review = SyncReview::of(plan({
        entry("a.txt", SyncKind::added),
        entry("photos", SyncKind::changed, false, true),
        entry("photos/mine.jpg", SyncKind::missing),
        entry("report", SyncKind::changed, true, false), // a folder over a file is copied
    }));
    ASSERT_EQ(review.skipped.size(), 1);
    EXPECT_EQ(review.skipped[0].relativePath, "photos");
    QStringList copied;
    for (const auto& request : review.requests)
        copied << QString::fromStdString(request.source.filename().string());
    EXPECT_EQ(copied, QStringList({ "report", "a.txt" }));
    EXPECT_EQ(review.informativeText.toStdString(),
              ("1 additions, 2 changes, 1 destination-only items.\n\n"
               "Added: a.txt\nChanged: photos (skipped)\nChanged: report\n\n"
               "Skipped, because a file would replace a folder and everything in it:\nphotos"
               + promise)
                  .toStdString());
}

} // namespace
} // namespace bramblet
