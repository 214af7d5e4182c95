#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace bench {

// A temporary folder of `count` files named "file-NNNNNN<extension>", each holding `content`,
// made when constructed and removed when destroyed; with a `subfolder` name, the files are in that
// folder inside the temporary one. Any failure aborts the run.
class LargeFolder {
public:
    explicit LargeFolder(int count, const std::string& extension = ".txt", const std::string& content = {},
                         const std::string& subfolder = {})
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "bramblet-bench-XXXXXX").native();
        if (!mkdtemp(pattern.data()))
            std::abort();
        m_path = pattern;
        const std::filesystem::path files = subfolder.empty() ? m_path : m_path / subfolder;
        std::error_code error;
        std::filesystem::create_directories(files, error);
        if (error)
            std::abort();
        char name[32];
        for (int i = 0; i < count; ++i) {
            std::snprintf(name, sizeof name, "file-%06d", i);
            const int fd = open((files / (name + extension)).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd < 0 || write(fd, content.data(), content.size()) != ssize_t(content.size()))
                std::abort();
            close(fd);
        }
    }
    ~LargeFolder() { std::filesystem::remove_all(m_path); }

    LargeFolder(const LargeFolder&) = delete;
    LargeFolder& operator=(const LargeFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace bench
