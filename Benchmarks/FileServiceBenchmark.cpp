// Listing a large folder against the floor the system sets: reading the same folder with bare
// getdents64 and one statx per entry. The service should stay within twice the floor.

#include "BrambletCore/Files/FileSearch.h"
#include "BrambletCore/Files/FileService.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

constexpr int entryCount = 100'000;

// One folder of empty files, made once per run and removed at exit.
class LargeFolder {
public:
    LargeFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "bramblet-bench-XXXXXX").native();
        if (!mkdtemp(pattern.data()))
            std::abort();
        m_path = pattern;
        char name[32];
        for (int i = 0; i < entryCount; ++i) {
            std::snprintf(name, sizeof name, "file-%06d.txt", i);
            const int fd = open((m_path / name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd < 0)
                std::abort();
            close(fd);
        }
    }
    ~LargeFolder() { std::filesystem::remove_all(m_path); }

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

const std::filesystem::path& largeFolder()
{
    static const LargeFolder folder;
    return folder.path();
}

struct LinuxDirent64 {
    ino64_t inode;
    off64_t offset;
    unsigned short length;
    unsigned char type;
    char name[];
};

void BareGetdentsAndStatx(benchmark::State& state)
{
    const auto& folder = largeFolder();
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        long count = 0;
        for (;;) {
            const long read = syscall(SYS_getdents64, fd, buffer.data(), buffer.size());
            if (read <= 0)
                break;
            for (long at = 0; at < read;) {
                const auto* entry = reinterpret_cast<const LinuxDirent64*>(buffer.data() + at);
                struct statx attributes;
                if (entry->name[0] != '.'
                    && statx(fd, entry->name, AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &attributes) == 0)
                    ++count;
                at += entry->length;
            }
        }
        close(fd);
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations() * entryCount);
}

void FileServiceList(benchmark::State& state)
{
    const auto& folder = largeFolder();
    bramblet::FileService service;
    for (auto _ : state)
        benchmark::DoNotOptimize(service.list(folder).result());
    state.SetItemsProcessed(state.iterations() * entryCount);
}

// The search with no index to ask: the walk alone, keeping one match in a thousand.
void FileSearchWalk(benchmark::State& state)
{
    const auto& folder = largeFolder();
    const bramblet::NameIndex noIndex { "/nonexistent/plocate", std::nullopt };
    const bramblet::Cancellation notCancelled({});
    for (auto _ : state)
        benchmark::DoNotOptimize(bramblet::searchFolder(noIndex, folder, QStringLiteral("999."), false, notCancelled));
    state.SetItemsProcessed(state.iterations() * entryCount);
}

} // namespace

BENCHMARK(BareGetdentsAndStatx)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FileServiceList)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FileSearchWalk)->Unit(benchmark::kMillisecond)->UseRealTime();
