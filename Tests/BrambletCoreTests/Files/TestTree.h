#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace bramblet {

// A real folder tree in a fresh temporary folder, built one entry per call. Paths given to it
// are relative to root(); parents are created as needed. Any failure aborts the test.
class TestTree {
public:
    TestTree();
    ~TestTree();

    TestTree(const TestTree&) = delete;
    TestTree& operator=(const TestTree&) = delete;

    const std::filesystem::path& root() const { return m_root; }
    std::filesystem::path operator/(const std::string& relative) const { return m_root / relative; }

    std::filesystem::path file(const std::string& relative, const std::string& content = {});
    std::filesystem::path folder(const std::string& relative);
    std::filesystem::path symlink(const std::string& relative, const std::string& target);
    // Sets the extended attribute "user.xdg.tags" to `value` as given.
    void setTags(const std::string& relative, const std::string& value);
    // The permission bits; the modification time in seconds since 1970.
    void setMode(const std::string& relative, int mode);
    void setModified(const std::string& relative, long long secondsSinceEpoch);

private:
    std::filesystem::path m_root;
};

// Runs `work` with the effective user and group of "nobody", so that permission bits apply
// even when the tests run as root; restores them afterwards. Returns false, having done
// nothing, when the process may not switch.
bool runAsNobody(const std::function<void()>& work);

} // namespace bramblet
