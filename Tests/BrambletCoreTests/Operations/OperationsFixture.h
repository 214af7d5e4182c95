#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <optional>
#include <string>

namespace bramblet {

// A scratch folder for file-operation tests with the Trash and the journal of staging folders
// sandboxed inside it. After every test no staging folder (".bramblet-*") may be left anywhere in
// it, nor a record in the journal.
class OperationsFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A path inside the scratch folder.
    std::filesystem::path at(const std::string& relative) const;

    // Writes `content` to a new file at `relative`, creating missing folders.
    std::filesystem::path writeFile(const std::string& relative, const std::string& content) const;
    static std::string readFile(const std::filesystem::path& path);

    // Every item under the sandboxed Trash's files folder, by name.
    std::vector<std::string> trashedNames() const;

    // Paths of staging folders left anywhere in the scratch folder.
    std::vector<std::filesystem::path> leftStagingFolders() const;

private:
    QTemporaryDir m_dir;
    std::filesystem::path m_root;
    std::optional<QByteArray> m_savedDataHome;
    std::optional<QByteArray> m_savedStateHome;
};

} // namespace bramblet
