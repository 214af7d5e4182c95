#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Models/FileItem.h"
#include "BrambletCore/Models/FileOutcome.h"

#include <gtest/gtest.h>

namespace bramblet {
namespace {

FileItem file(const char* path)
{
    FileItem item;
    item.url = path;
    item.name = pathString(item.url.filename());
    return item;
}

TEST(FileItem, KindText)
{
    struct Case {
        const char* path;
        bool directory;
        bool link;
        const char* kind;
    };
    const Case cases[] = {
        { "/t/link-to-folder", false, true, "Symbolic link" },
        { "/t/photos.jpeg", false, true, "Symbolic link" }, // a link is a link whatever its name says
        { "/t/Music", true, false, "Folder" },
        { "/t/My.app", true, false, "Folder" },
        { "/t/README", false, false, "Document" },
        { "/t/.profile", false, false, "Document" },
        { "/t/.config.yml", false, false, "YML document" },
        { "/t/photo.jpeg", false, false, "JPEG document" },
        { "/t/archive.tar.gz", false, false, "GZ document" },
        { "/t/trailing.", false, false, "Document" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        auto item = file(c.path);
        item.isDirectory = c.directory;
        item.isSymbolicLink = c.link;
        EXPECT_EQ(item.kind(), QString::fromUtf8(c.kind));
    }
}

TEST(FileItem, IdentityIsThePathButEqualityIsEveryField)
{
    auto a = file("/t/report.pdf");
    auto b = a;
    EXPECT_EQ(a, b);
    EXPECT_EQ(qHash(a), qHash(b));

    b.size = 10;
    EXPECT_NE(a, b);
    EXPECT_EQ(a.id(), b.id());
    EXPECT_EQ(a.id(), "/t/report.pdf");

    b = a;
    b.modified = Date {};
    EXPECT_NE(a, b) << "an absent date differs from a present one";
    b = a;
    b.permissions = 0;
    EXPECT_NE(a, b) << "absent permissions differ from 0";
    b = a;
    b.tags = { "Red", "Blue" };
    a.tags = { "Blue", "Red" };
    EXPECT_NE(a, b) << "tags compare in order";
}

TEST(FileFailure, FixedTexts)
{
    using Kind = FileFailure::Kind;
    const std::pair<Kind, const char*> cases[] = {
        { Kind::invalidName, "Use a name without slashes or control characters." },
        { Kind::sameLocation, "Source and destination refer to the same item." },
        { Kind::nestedDestination, "A folder cannot be copied or moved inside itself." },
        { Kind::missingSource, "The source item no longer exists. Refresh this folder." },
        { Kind::unsupportedItem, "This special filesystem item cannot be copied." },
        { Kind::verificationFailed, "The copy could not be verified. The original was preserved." },
        { Kind::cancelled, "Cancelled before this item started. Completed items were kept." },
    };
    for (const auto& [kind, text] : cases) {
        SCOPED_TRACE(text);
        const FileFailure failure(kind);
        EXPECT_EQ(failure.kind(), kind);
        EXPECT_EQ(failure.errorDescription(), QString::fromUtf8(text));
        EXPECT_STREQ(failure.what(), text);
    }
    const auto system = FileFailure::system(QStringLiteral("Disk full – “x” not written"));
    EXPECT_EQ(system.kind(), Kind::system);
    EXPECT_EQ(system.errorDescription(), QStringLiteral("Disk full – “x” not written"));
}

TEST(FileOutcome, EqualWhenSameCaseAndUrl)
{
    EXPECT_EQ(FileOutcome::completed("/a"), FileOutcome::completed("/a"));
    EXPECT_NE(FileOutcome::completed("/a"), FileOutcome::skipped("/a"));
    EXPECT_NE(FileOutcome::conflict("/a"), FileOutcome::conflict("/b"));
}

} // namespace
} // namespace bramblet
