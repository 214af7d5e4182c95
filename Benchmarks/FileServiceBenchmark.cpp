// Listing a large folder against the floor the system sets: reading the same folder with bare
// getdents64 and one statx per entry. The service should stay within twice the floor.

#include "BrambletCore/Files/FileSearch.h"
#include "BrambletCore/Files/FileService.h"

#include "LargeFolder.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

constexpr int entryCount = 100'000;

const std::filesystem::path& largeFolder()
{
    static const bench::LargeFolder folder(entryCount);
    return folder.path();
}

struct LinuxDirent64 {
    ino64_t inode;
    off64_t offset;
    unsigned short length;
    unsigned char type;
    char name[];
};

// The floor: every entry read with getdents64 and one statx, nothing kept.
long bareListing(const std::filesystem::path& folder, std::vector<char>& buffer)
{
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
    return count;
}

void BareGetdentsAndStatx(benchmark::State& state)
{
    const auto& folder = largeFolder();
    std::vector<char> buffer(1 << 20);
    for (auto _ : state)
        benchmark::DoNotOptimize(bareListing(folder, buffer));
    state.SetItemsProcessed(state.iterations() * entryCount);
}

// Also reads the folder bare, untimed, right before each listing: the machine's load changes
// from one benchmark to the next, so the ratio is taken between neighbouring runs.
void FileServiceList(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const auto& folder = largeFolder();
    std::vector<char> buffer(1 << 20);
    bramblet::FileService service;
    Clock::duration bare {};
    Clock::duration listing {};
    for (auto _ : state) {
        state.PauseTiming();
        const auto bareStart = Clock::now();
        benchmark::DoNotOptimize(bareListing(folder, buffer));
        bare += Clock::now() - bareStart;
        state.ResumeTiming();
        const auto listStart = Clock::now();
        benchmark::DoNotOptimize(service.list(folder).result());
        listing += Clock::now() - listStart;
    }
    state.SetItemsProcessed(state.iterations() * entryCount);
    state.counters["timesBareLoop"] = double(listing.count()) / double(bare.count());
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

// The same walk with a wildcard query, which matches every name as a whole.
void FileSearchWalkWildcard(benchmark::State& state)
{
    const auto& folder = largeFolder();
    const bramblet::NameIndex noIndex { "/nonexistent/plocate", std::nullopt };
    const bramblet::Cancellation notCancelled({});
    for (auto _ : state)
        benchmark::DoNotOptimize(
            bramblet::searchFolder(noIndex, folder, QStringLiteral("*999.t?t"), false, notCancelled));
    state.SetItemsProcessed(state.iterations() * entryCount);
}

} // namespace

BENCHMARK(BareGetdentsAndStatx)->Unit(benchmark::kMillisecond)->UseRealTime();
// Real time: the listing runs on the service's thread while this one waits.
BENCHMARK(FileServiceList)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FileSearchWalk)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FileSearchWalkWildcard)->Unit(benchmark::kMillisecond)->UseRealTime();
