#include "BrambletCore/Operations/TreeCopier.h"

#include "BrambletCore/Models/FileFailure.h"
#include "BrambletCore/Operations/Manifest.h"
#include "OperationsFixture.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <fstream>
#include <system_error>

namespace bramblet {
namespace {

namespace fs = std::filesystem;

struct stat statusOf(const fs::path& path)
{
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status;
}

class TreeCopierTest : public OperationsFixture {};

TEST_F(TreeCopierTest, CopiesFoldersWholeAndLinksAsLinksWithTheirMetadata)
{
    writeFile("src/a.txt", "alpha");
    writeFile("src/sub/deep/b.txt", std::string(3 << 20, 'b'));
    writeFile("src/empty-file", "");
    fs::create_directory(at("src/empty-folder"));
    fs::create_symlink("sub/deep/b.txt", at("src/link"));
    fs::create_symlink("/no/such/target", at("src/dangling"));
    ::chmod(at("src/a.txt").c_str(), 0751);
    const timespec old[2] = { { 1000000000, 5 }, { 1200000000, 7 } };
    ::utimensat(AT_FDCWD, at("src/a.txt").c_str(), old, 0);
    const bool xattrs = ::setxattr(at("src/a.txt").c_str(), "user.xdg.tags", "Red,Work", 8, 0) == 0;
    // A read-only folder still receives its contents.
    ::chmod(at("src/sub/deep").c_str(), 0555);

    const Manifest taken = TreeCopier::copy(at("src"), at("dst"));

    // The manifest taken while copying is the source's, and the copy's.
    EXPECT_EQ(taken, Manifest::of(at("src")));
    EXPECT_EQ(Manifest::of(at("dst")), taken);
    EXPECT_EQ(readFile(at("dst/a.txt")), "alpha");
    const struct stat copied = statusOf(at("dst/a.txt"));
    EXPECT_EQ(copied.st_mode & 07777, 0751u);
    EXPECT_EQ(copied.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(copied.st_mtim.tv_nsec, 7);
    EXPECT_EQ(statusOf(at("dst/sub/deep")).st_mode & 07777, 0555u);
    EXPECT_TRUE(S_ISLNK(statusOf(at("dst/link")).st_mode));
    EXPECT_EQ(fs::read_symlink(at("dst/dangling")), "/no/such/target");
    if (xattrs) {
        char tags[32] = {};
        EXPECT_EQ(::getxattr(at("dst/a.txt").c_str(), "user.xdg.tags", tags, sizeof tags), 8);
        EXPECT_STREQ(tags, "Red,Work");
    }
    ::chmod(at("src/sub/deep").c_str(), 0755);
    ::chmod(at("dst/sub/deep").c_str(), 0755);
}

TEST_F(TreeCopierTest, CopiesAcrossFileSystemsByReadingAndWriting)
{
    QTemporaryDir memory(QStringLiteral("/dev/shm/bramblet-copy-XXXXXX"));
    struct stat shm {};
    if (!memory.isValid() || ::stat(memory.path().toLocal8Bit().constData(), &shm) != 0
        || shm.st_dev == statusOf(at("")).st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm to copy from";
    const fs::path source = fs::path(memory.path().toStdString()) / "big";
    std::string content;
    for (int i = 0; content.size() < (2u << 20) + 3; ++i)
        content += std::to_string(i * 7919) + "\n";
    { std::ofstream(source, std::ios::binary) << content; }

    TreeCopier::copy(source, at("copy"));
    EXPECT_EQ(readFile(at("copy")), content);
}

TEST_F(TreeCopierTest, RefusesSpecialItemsAndExistingDestinations)
{
    ASSERT_EQ(::mkfifo(at("pipe").c_str(), 0600), 0);
    try {
        TreeCopier::copy(at("pipe"), at("pipe-copy"));
        ADD_FAILURE() << "a named pipe was copied";
    } catch (const FileFailure& failure) {
        EXPECT_EQ(failure.kind(), FileFailure::Kind::unsupportedItem);
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(at("pipe-copy"))));

    writeFile("a", "new");
    writeFile("b", "old");
    try {
        TreeCopier::copy(at("a"), at("b"));
        ADD_FAILURE() << "an existing file was overwritten";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::file_exists);
    }
    EXPECT_EQ(readFile(at("b")), "old");
}

} // namespace
} // namespace bramblet
