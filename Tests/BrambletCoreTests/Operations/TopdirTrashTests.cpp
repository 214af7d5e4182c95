// The Trash at the top of another file system, as for an item on a USB stick: /dev/shm stands in
// for such a volume, being a file system of its own on every Linux machine.

#include "BrambletCore/Operations/Trash.h"
#include "OperationsFixture.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <vector>

namespace bramblet {
namespace {

namespace fs = std::filesystem;

const fs::path volume = "/dev/shm";

class TopdirTrashTest : public OperationsFixture {
protected:
    void SetUp() override
    {
        OperationsFixture::SetUp();
        // The volume's Trash folders are shared by every test process on the machine (CTest runs these
        // tests side by side): one test at a time, or one sees the other's shared Trash or loses its
        // own Trash to the other's clean-up.
        m_lock = ::open((volume / "bramblet-trash-test.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_lock >= 0)
            ::flock(m_lock, LOCK_EX);
        struct stat volumeStatus;
        struct stat homeStatus;
        if (::stat(volume.c_str(), &volumeStatus) != 0 || ::access(volume.c_str(), W_OK) != 0
            || ::stat(at("data").c_str(), &homeStatus) != 0 || volumeStatus.st_dev == homeStatus.st_dev)
            GTEST_SKIP() << volume << " is not a writable file system apart from the test folder";
        ASSERT_TRUE(m_place.isValid());
        m_trash = volume / (".Trash-" + std::to_string(::getuid()));
        m_trashExisted = fs::exists(m_trash);
    }

    void TearDown() override
    {
        // Only what this test put on the shared volume goes.
        std::error_code ignored;
        for (const fs::path& trashed : m_trashed) {
            fs::remove_all(m_trash / "files" / trashed, ignored);
            fs::remove(m_trash / "info" / (trashed.native() + ".trashinfo"), ignored);
        }
        if (!m_trashExisted && !m_trash.empty())
            fs::remove_all(m_trash, ignored);
        if (m_madeSharedTrash)
            fs::remove_all(volume / ".Trash", ignored);
        if (m_lock >= 0)
            ::close(m_lock);
        OperationsFixture::TearDown();
    }

    fs::path place() const { return fs::path(m_place.path().toStdString()); }

    QTemporaryDir m_place { QString::fromStdString((volume / "bramblet-trash-test-XXXXXX").native()) };
    fs::path m_trash;
    bool m_trashExisted = false;
    bool m_madeSharedTrash = false;
    std::vector<fs::path> m_trashed;
    int m_lock = -1;
};

TEST_F(TopdirTrashTest, AnItemOnAnotherVolumeGoesToThatVolumesTrashAndIsRestoredByTheDesktopsTools)
{
    const std::string name = "rate 50%41.txt";
    const fs::path item = place() / name;
    {
        std::ofstream(item, std::ios::binary) << "on the stick";
    }
    moveToTrash(item);
    m_trashed.push_back(name);

    EXPECT_FALSE(fs::exists(item));
    EXPECT_TRUE(fs::is_empty(at("data"))) << "nothing crosses to the home Trash";
    EXPECT_EQ(readFile(m_trash / "files" / name), "on the stick");
    struct stat trashStatus;
    ASSERT_EQ(::lstat(m_trash.c_str(), &trashStatus), 0);
    EXPECT_EQ(trashStatus.st_mode & 0777, 0700u);
    // The record's path is relative to the top of the volume.
    const std::string relative = item.lexically_relative(volume).native();
    EXPECT_NE(readFile(m_trash / "info" / (name + ".trashinfo")).find("\nPath=" + trashInfoPath(relative) + "\n"),
              std::string::npos);

    QProcess restore;
    restore.setWorkingDirectory(QString::fromStdString(place().native()));
    restore.start("trash-restore", { QString::fromStdString(place().native() + "/") });
    ASSERT_TRUE(restore.waitForStarted()) << "trash-restore (package trash-cli) must be installed";
    restore.write("0\n");
    restore.closeWriteChannel();
    ASSERT_TRUE(restore.waitForFinished());
    EXPECT_EQ(restore.exitCode(), 0) << restore.readAllStandardError().toStdString();
    EXPECT_EQ(readFile(item), "on the stick") << restore.readAllStandardOutput().toStdString();
    EXPECT_FALSE(fs::exists(m_trash / "files" / name));
}

// An administrator's shared ".Trash" is used when it is a real sticky folder; a link by that name,
// which anyone could have made to lead elsewhere, is passed over.
TEST_F(TopdirTrashTest, ASharedTrashCountsOnlyAsARealStickyFolder)
{
    const fs::path shared = volume / ".Trash";
    if (fs::exists(fs::symlink_status(shared)))
        GTEST_SKIP() << shared << " exists already: it is not ours to change";
    const fs::path decoy = place() / "decoy";
    fs::create_directory(decoy);
    fs::create_directory_symlink(decoy, shared);
    m_madeSharedTrash = true;
    std::ofstream(place() / "first.txt") << "first";
    moveToTrash(place() / "first.txt");
    m_trashed.push_back("first.txt");
    fs::remove(shared);
    EXPECT_TRUE(fs::exists(m_trash / "files/first.txt"));
    EXPECT_TRUE(fs::is_empty(decoy));

    ASSERT_TRUE(fs::create_directory(shared));
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    std::ofstream(place() / "second.txt") << "second";
    moveToTrash(place() / "second.txt");
    const fs::path own = shared / std::to_string(::getuid());
    EXPECT_EQ(readFile(own / "files/second.txt"), "second");
    EXPECT_TRUE(fs::exists(own / "info/second.txt.trashinfo"));
}

} // namespace
} // namespace bramblet
