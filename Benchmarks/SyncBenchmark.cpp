// How long a sync plan of two large trees takes, against the floor of merely walking both trees
// with lstat in the same run.

#include "BrambletCore/Sync/SyncService.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <chrono>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// 100 folders, each holding 10 folders of 99 files: 100,100 entries per tree.
constexpr int topFolders = 100;
constexpr int subfolders = 10;
constexpr int filesPerFolder = 99;

void writeFile(const std::string& path, int size, long seconds)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const std::string contents(size_t(size), 'x');
    if (fd < 0 || ::write(fd, contents.data(), contents.size()) != ssize_t(contents.size()))
        std::abort();
    const timespec times[2] = { { seconds, 250 }, { seconds, 250 } };
    ::futimens(fd, times);
    ::close(fd);
}

// The destination differs from the source in about one file in fifty: another size, another
// date, a file only on one side.
void buildTree(const fs::path& root, bool isDestination)
{
    for (int top = 0; top < topFolders; ++top) {
        for (int sub = 0; sub < subfolders; ++sub) {
            const auto folder = root / ("folder " + std::to_string(top)) / ("part " + std::to_string(sub));
            fs::create_directories(folder);
            for (int i = 0; i < filesPerFolder; ++i) {
                const bool changedSize = isDestination && i == 10;
                const bool changedDate = isDestination && i == 20;
                const std::string name = (isDestination && i == 30) ? "only here " : "report ";
                writeFile(folder / (name + std::to_string(i) + ".txt"), changedSize ? 9 : i % 7,
                          1'700'000'000L + (changedDate ? 1 : 0));
            }
        }
    }
}

struct Trees {
    QTemporaryDir dir;
    fs::path source = fs::path(dir.path().toStdString()) / "source";
    fs::path destination = fs::path(dir.path().toStdString()) / "destination";

    Trees()
    {
        buildTree(source, false);
        buildTree(destination, true);
    }
};

const Trees& trees()
{
    static const Trees instance;
    return instance;
}

// The floor: every entry of a tree read with lstat, nothing kept.
long lstatWalk(const std::string& folderPath)
{
    const int fd = ::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = ::fdopendir(fd);
    long count = 0;
    while (const dirent* found = ::readdir(dir)) {
        const std::string_view name = found->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat info;
        ::fstatat(fd, found->d_name, &info, AT_SYMLINK_NOFOLLOW);
        ++count;
        if (S_ISDIR(info.st_mode))
            count += lstatWalk(folderPath + '/' + found->d_name);
    }
    ::closedir(dir);
    return count;
}

long lstatWalkOfBoth(const Trees& both)
{
    return lstatWalk(both.source.native()) + lstatWalk(both.destination.native());
}

void bareLstatWalkOfBothTrees(benchmark::State& state)
{
    const auto& both = trees();
    for (auto _ : state)
        benchmark::DoNotOptimize(lstatWalkOfBoth(both));
}

// Also walks both trees, untimed, right before each plan: the machine's load changes from one
// benchmark to the next, so the ratio is taken between neighbouring runs.
void syncPlanOfBothTrees(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const auto& both = trees();
    bramblet::SyncService service;
    Clock::duration walking {};
    Clock::duration planning {};
    for (auto _ : state) {
        state.PauseTiming();
        const auto walkStart = Clock::now();
        benchmark::DoNotOptimize(lstatWalkOfBoth(both));
        walking += Clock::now() - walkStart;
        state.ResumeTiming();
        const auto planStart = Clock::now();
        benchmark::DoNotOptimize(service.plan(both.source, both.destination).result());
        planning += Clock::now() - planStart;
    }
    state.counters["timesBareWalk"] = double(planning.count()) / double(walking.count());
}

} // namespace

BENCHMARK(bareLstatWalkOfBothTrees)->Unit(benchmark::kMillisecond)->UseRealTime();
// Real time: the plan runs on the service's thread while this one waits.
BENCHMARK(syncPlanOfBothTrees)->Unit(benchmark::kMillisecond)->UseRealTime();
