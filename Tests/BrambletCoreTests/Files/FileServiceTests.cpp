#include "BrambletCore/Files/FileService.h"
#include "BrambletCore/Files/ItemAttributes.h"
#include "BrambletCore/Files/SystemError.h"

#include "Files/TestTree.h"

#include <gtest/gtest.h>

#include <QObject>
#include <QTest>

#include <dirent.h>
#include <map>
#include <string>
#include <vector>

namespace bramblet {
namespace {

std::map<std::string, FileItem> byName(const QList<FileItem>& items)
{
    std::map<std::string, FileItem> map;
    for (const auto& item : items)
        map[item.url.filename().native()] = item;
    return map;
}

TEST(FileService, ListsEveryDirectChildAsItIs)
{
    TestTree tree;
    tree.file("report.txt", "hello");
    tree.setMode("report.txt", 0640);
    tree.setModified("report.txt", 1'000'000'000);
    tree.file("Docs/inside.txt");
    tree.file(".profile", "x");
    tree.folder(".config");
    tree.symlink("link-to-file", "report.txt");
    tree.symlink("link-to-folder", "Docs");
    tree.symlink("dangling", "nowhere");
    tree.file("tagged.txt");
    tree.setTags("tagged.txt", "Red,Work");
    tree.file("two\nlines.txt", "abc");
    tree.file("bad\xff.txt");

    FileService service;
    const auto items = byName(service.list(tree.root()).result());

    struct Case {
        const char* name;
        bool directory;
        bool link;
        bool hidden;
        qint64 size;
        QStringList tags;
    };
    const Case cases[] = {
        { "report.txt", false, false, false, 5, {} },
        { "Docs", true, false, false, 0, {} },
        { ".profile", false, false, true, 1, {} },
        { ".config", true, false, true, 0, {} },
        // Links are reported as links, never as what they point at.
        { "link-to-file", false, true, false, qint64(std::string("report.txt").size()), {} },
        { "link-to-folder", false, true, false, 4, {} },
        { "dangling", false, true, false, 7, {} },
        { "tagged.txt", false, false, false, 0, { "Red", "Work" } },
        { "two\nlines.txt", false, false, false, 3, {} },
        { "bad\xff.txt", false, false, false, 0, {} },
    };
    ASSERT_EQ(items.size(), std::size(cases)) << "direct children only, dot files included";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(items.count(c.name));
        const auto& item = items.at(c.name);
        EXPECT_EQ(item.url, tree.root() / c.name);
        EXPECT_EQ(item.isDirectory, c.directory);
        EXPECT_EQ(item.isSymbolicLink, c.link);
        EXPECT_EQ(item.isHidden, c.hidden);
        EXPECT_EQ(item.size, c.size);
        EXPECT_EQ(item.tags, c.tags);
        EXPECT_TRUE(item.modified.has_value());
        EXPECT_TRUE(item.permissions.has_value());
    }
    EXPECT_EQ(items.at("two\nlines.txt").name, QStringLiteral("two\nlines.txt"));
    // The name is for display; the URL keeps the bytes, so the file can still be opened.
    EXPECT_EQ(items.at("bad\xff.txt").name, QStringLiteral("bad\uFFFD.txt"));
    EXPECT_EQ(items.at("report.txt").permissions, 0640);
    EXPECT_EQ(items.at("report.txt").modified, Date(std::chrono::seconds(1'000'000'000)));
}

TEST(FileService, LargeFolderComesWholeInTheFileSystemsOrder)
{
    // Large enough to be read in several slices at once.
    TestTree tree;
    for (int i = 0; i < 9000; ++i)
        tree.file("f" + std::to_string(i));
    std::vector<std::string> expected;
    DIR* directory = opendir(tree.root().c_str());
    ASSERT_NE(directory, nullptr);
    while (const dirent* entry = readdir(directory)) {
        if (entry->d_name != std::string(".") && entry->d_name != std::string(".."))
            expected.emplace_back(entry->d_name);
    }
    closedir(directory);

    FileService service;
    std::vector<std::string> listed;
    for (const auto& item : service.list(tree.root()).result())
        listed.push_back(item.url.filename().native());
    EXPECT_EQ(listed, expected);
}

TEST(FileService, ItemAtReadsTheEntryItselfAndOnlyTheAskedKeys)
{
    TestTree tree;
    const auto before = std::chrono::system_clock::now() - std::chrono::seconds(2);
    tree.file("Docs/notes.txt", "12345678");
    tree.setModified("Docs/notes.txt", 86400);
    tree.setTags("Docs/notes.txt", "Blue");
    tree.symlink("link", "Docs");
    FileService service;

    const auto file = service.itemAt(tree / "Docs/notes.txt", listingKeys);
    EXPECT_EQ(file.modified, Date(std::chrono::hours(24)));
    // Birth time where the file system keeps one: just now, not the modification date set above.
    if (file.created) {
        EXPECT_GT(*file.created, before);
        EXPECT_LT(*file.created, std::chrono::system_clock::now() + std::chrono::seconds(2));
    }

    const auto link = service.itemAt(tree / "link", listingKeys);
    EXPECT_TRUE(link.isSymbolicLink);
    EXPECT_FALSE(link.isDirectory);

    const auto folder = service.itemAt(tree.root() / "Docs/", listingKeys);
    EXPECT_EQ(folder.name, QStringLiteral("Docs"));
    EXPECT_EQ(folder.url, tree.root() / "Docs/") << "kept as given";
    EXPECT_TRUE(folder.isDirectory);

    const auto bare = service.itemAt(tree / "Docs/notes.txt", ResourceKeys());
    EXPECT_FALSE(bare.modified.has_value());
    EXPECT_FALSE(bare.created.has_value());
    EXPECT_EQ(bare.size, 0);
    EXPECT_TRUE(bare.tags.isEmpty());
    EXPECT_TRUE(bare.permissions.has_value()) << "permission bits come with every item";
}

TEST(FileService, TagsAttributeOfAnyLength)
{
    struct Case {
        const char* name;
        QByteArray value;
        QStringList tags;
    };
    const QByteArray longTag(300, 'x');
    const Case cases[] = {
        { "two", "Red,Work", { "Red", "Work" } },
        { "empty names left out", ",Red,,Work,", { "Red", "Work" } },
        { "empty", "", {} },
        { "utf-8", "Gr\xc3\xbcn", { QStringLiteral("Grün") } },
        { "longer than the first buffer", longTag + ",b", { QString::fromLatin1(longTag), "b" } },
    };
    TestTree tree;
    FileService service;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(tagsFromAttribute(c.value), c.tags);
        tree.file(c.name);
        tree.setTags(c.name, c.value.toStdString());
        EXPECT_EQ(service.itemAt(tree / c.name, listingKeys).tags, c.tags);
    }
}

TEST(FileService, ListingSomethingThatIsNotAReadableFolderFailsWithTheSystemsError)
{
    TestTree tree;
    tree.file("plain.txt");
    struct Case {
        const char* name;
        std::errc error;
        const char* reason;
    };
    const Case cases[] = {
        { "missing", std::errc::no_such_file_or_directory, "No such file or directory" },
        { "plain.txt", std::errc::not_a_directory, "Not a directory" },
    };
    FileService service;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            service.list(tree / c.name).result();
            ADD_FAILURE() << "listed";
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code(), c.error);
            const QString text = QString::fromUtf8(error.what());
            EXPECT_TRUE(text.contains(pathString(tree / c.name))) << error.what();
            EXPECT_TRUE(text.endsWith(QString::fromUtf8(c.reason))) << error.what();
        }
    }
    EXPECT_THROW(service.itemAt(tree / "missing", listingKeys), std::system_error);
}

TEST(FileService, ListingFailureReachesTheCallersFailureHandler)
{
    TestTree tree;
    FileService service;
    QObject context;
    std::optional<std::error_code> caught;
    service.list(tree / "missing")
        .then(&context, [](const QList<FileItem>&) { ADD_FAILURE() << "a failed listing has no result"; })
        .onFailed(&context, [&](const std::system_error& error) { caught = error.code(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return caught.has_value(); }, 5000));
    EXPECT_EQ(*caught, std::errc::no_such_file_or_directory);
}

TEST(FileService, UnreadableFolderFailsWithPermissionDeniedNotAnEmptyList)
{
    TestTree tree;
    tree.file("Private/secret.txt");
    tree.setMode("Private", 0);
    FileService service;
    const bool ran = runAsNobody([&] {
        try {
            const auto items = service.list(tree / "Private").result();
            ADD_FAILURE() << "listed " << items.size() << " items";
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code(), std::errc::permission_denied) << error.what();
        }
        EXPECT_THROW(service.itemAt(tree / "Private/secret.txt", listingKeys), std::system_error);
    });
    tree.setMode("Private", 0755);
    if (!ran)
        GTEST_SKIP() << "running as root and cannot switch to the user nobody, so permission bits do not apply";
}

} // namespace
} // namespace bramblet
