#include "OperationsFixture.h"

#include <QtGlobal>

#include <fstream>
#include <sstream>

namespace bramblet {

namespace fs = std::filesystem;

void OperationsFixture::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    m_root = fs::path(m_dir.path().toStdString());
    // Trashed items land in this test's own folder, never in a real user's Trash.
    if (qEnvironmentVariableIsSet("XDG_DATA_HOME"))
        m_savedDataHome = qgetenv("XDG_DATA_HOME");
    fs::create_directory(m_root / "data");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((m_root / "data").string()));
    // So is the journal of staging folders.
    if (qEnvironmentVariableIsSet("XDG_STATE_HOME"))
        m_savedStateHome = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString((m_root / "state").string()));
}

void OperationsFixture::TearDown()
{
    for (const fs::path& left : leftStagingFolders())
        ADD_FAILURE() << "staging folder left behind: " << left;
    std::error_code error;
    for (fs::directory_iterator it(m_root / "state/Bramblet/staging", error), end; !error && it != end; it.increment(error))
        ADD_FAILURE() << "staging journal record left behind: " << it->path();
    for (const auto& [name, saved] : { std::pair { "XDG_DATA_HOME", m_savedDataHome }, { "XDG_STATE_HOME", m_savedStateHome } }) {
        if (saved)
            qputenv(name, *saved);
        else
            qunsetenv(name);
    }
}

fs::path OperationsFixture::at(const std::string& relative) const
{
    return m_root / relative;
}

fs::path OperationsFixture::writeFile(const std::string& relative, const std::string& content) const
{
    const fs::path path = at(relative);
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::string OperationsFixture::readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::string> OperationsFixture::trashedNames() const
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(m_root / "data/Trash/files", error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    return names;
}

std::vector<fs::path> OperationsFixture::leftStagingFolders() const
{
    std::vector<fs::path> left;
    std::error_code error;
    for (fs::recursive_directory_iterator it(m_root, fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error)) {
        if (it->path().filename().string().starts_with(".bramblet-"))
            left.push_back(it->path());
    }
    return left;
}

} // namespace bramblet
