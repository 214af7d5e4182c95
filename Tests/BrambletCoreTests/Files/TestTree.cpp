#include "Files/TestTree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace bramblet {

namespace {

void require(bool ok, const std::string& what)
{
    if (!ok)
        throw std::runtime_error("test tree: " + what + ": " + std::strerror(errno));
}

} // namespace

TestTree::TestTree()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "bramblet-tree-XXXXXX").native();
    require(mkdtemp(pattern.data()) != nullptr, "temporary folder");
    m_root = pattern;
    // Reachable by the unprivileged user of runAsNobody(), so denials come from the entry tested.
    require(chmod(m_root.c_str(), 0755) == 0, "chmod root");
}

TestTree::~TestTree()
{
    // Not QDir: it cannot name entries whose names are not UTF-8, and would leave them behind.
    std::error_code error;
    std::filesystem::remove_all(m_root, error);
    EXPECT_FALSE(error) << "removing " << m_root << ": " << error.message();
}

std::filesystem::path TestTree::file(const std::string& relative, const std::string& content)
{
    const auto path = m_root / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream stream(path, std::ios::binary);
    stream << content;
    require(bool(stream), "write " + relative);
    return path;
}

std::filesystem::path TestTree::folder(const std::string& relative)
{
    const auto path = m_root / relative;
    std::filesystem::create_directories(path);
    return path;
}

std::filesystem::path TestTree::symlink(const std::string& relative, const std::string& target)
{
    const auto path = m_root / relative;
    std::filesystem::create_directories(path.parent_path());
    require(::symlink(target.c_str(), path.c_str()) == 0, "symlink " + relative);
    return path;
}

void TestTree::setTags(const std::string& relative, const std::string& value)
{
    const auto path = m_root / relative;
    require(setxattr(path.c_str(), "user.xdg.tags", value.data(), value.size(), 0) == 0, "setxattr " + relative);
}

void TestTree::setMode(const std::string& relative, int mode)
{
    require(chmod((m_root / relative).c_str(), mode_t(mode)) == 0, "chmod " + relative);
}

void TestTree::setModified(const std::string& relative, long long secondsSinceEpoch)
{
    const timespec times[2] = { { 0, UTIME_OMIT }, { time_t(secondsSinceEpoch), 0 } };
    require(utimensat(AT_FDCWD, (m_root / relative).c_str(), times, AT_SYMLINK_NOFOLLOW) == 0,
            "utimensat " + relative);
}

bool runAsNobody(const std::function<void()>& work)
{
    if (geteuid() != 0) {
        work();
        return true;
    }
    const passwd* nobody = getpwnam("nobody");
    if (!nobody || setegid(nobody->pw_gid) != 0)
        return false;
    if (seteuid(nobody->pw_uid) != 0) {
        EXPECT_EQ(setegid(0), 0);
        return false;
    }
    // Every thread of the process changes identity, the service's executor included.
    struct Restore {
        ~Restore()
        {
            EXPECT_EQ(seteuid(0), 0);
            EXPECT_EQ(setegid(0), 0);
        }
    } restore;
    work();
    return true;
}

} // namespace bramblet
