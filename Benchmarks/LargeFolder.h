#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace bench {

// A temporary folder of `count` empty files named "file-NNNNNN.txt", made when constructed and
// removed when destroyed. Any failure aborts the run.
class LargeFolder {
public:
    explicit LargeFolder(int count)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "bramblet-bench-XXXXXX").native();
        if (!mkdtemp(pattern.data()))
            std::abort();
        m_path = pattern;
        char name[32];
        for (int i = 0; i < count; ++i) {
            std::snprintf(name, sizeof name, "file-%06d.txt", i);
            const int fd = open((m_path / name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd < 0)
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
