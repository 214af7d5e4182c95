// A verified copy (staging, hashing while copying, SHA-256 manifests after, placing) against
// `cp -a` of the same data in the same run, with a warm page cache or (the "Cold" cases) with
// the source's pages dropped before each run. Each iteration times both, on equal terms: each
// run starts after the previous copy was deleted and that deletion reached the disk, and the two
// take turns going first. The counter "vs_cp_a" is the verified copy's time over cp's. The 1 GiB
// cases need 2 GiB of free disk and run only with BRAMBLET_BENCH_1GIB=1 in the environment.

#include "BrambletCore/Concurrency/Cancellation.h"
#include "BrambletCore/Operations/Manifest.h"
#include "BrambletCore/Operations/RequestExecutor.h"

#include <benchmark/benchmark.h>

#include <QProcess>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;

// A scratch folder beside the system's temporary files, removed at exit.
class Scratch {
public:
    Scratch()
    {
        std::string pattern = (fs::temp_directory_path() / "bramblet-copy-bench-XXXXXX").native();
        if (!mkdtemp(pattern.data()))
            std::abort();
        m_path = pattern;
    }
    ~Scratch() { fs::remove_all(m_path); }

    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

void writeFile(const fs::path& path, size_t size, std::mt19937_64& random)
{
    std::string content(size, '\0');
    for (size_t i = 0; i + 8 <= size; i += 8) {
        const uint64_t word = random();
        std::memcpy(content.data() + i, &word, 8);
    }
    std::ofstream(path, std::ios::binary) << content;
}

// 20,000 files of 1 to 64 KiB in 100 folders.
fs::path makeTree(const fs::path& root)
{
    std::mt19937_64 random(7);
    const fs::path tree = root / "tree";
    for (int folder = 0; folder < 100; ++folder) {
        const fs::path dir = tree / ("folder-" + std::to_string(folder));
        fs::create_directories(dir);
        for (int file = 0; file < 200; ++file)
            writeFile(dir / ("file-" + std::to_string(file) + ".bin"), 1024 * (1 + random() % 64), random);
    }
    return tree;
}

fs::path makeLargeFile(const fs::path& root)
{
    std::mt19937_64 random(11);
    const fs::path file = root / "large.bin";
    std::ofstream out(file, std::ios::binary);
    std::string block(1 << 20, '\0');
    for (int i = 0; i < 1024; ++i) {
        for (size_t j = 0; j < block.size(); j += 8) {
            const uint64_t word = random();
            std::memcpy(block.data() + j, &word, 8);
        }
        out << block;
    }
    return file;
}

double secondsOf(const auto& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void copyWithCp(const fs::path& source, const fs::path& destination)
{
    if (QProcess::execute(QStringLiteral("cp"), { QStringLiteral("-a"), QString::fromStdString(source.string()),
                                                  QString::fromStdString(destination.string()) }) != 0)
        std::abort();
}

// Drops the page-cache pages of every file under `root`, so that the next read comes from disk.
void dropFromCache(const fs::path& root)
{
    const auto drop = [](const fs::path& file) {
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    };
    if (fs::is_regular_file(root)) {
        drop(root);
        return;
    }
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            drop(entry.path());
    }
}

void verifiedCopyAgainstCp(benchmark::State& state, const fs::path& source, bool cold)
{
    const fs::path destination = source.parent_path() / "copy";
    const bramblet::RequestExecutor executor;
    const bramblet::Cancellation notCancelled({});
    // Warm the page cache with the source.
    bramblet::Manifest::of(source);
    // The same start for both: no earlier copy, its deletion on disk, the source warm or cold.
    const auto timed = [&](const auto& work) {
        fs::remove_all(destination);
        ::sync();
        if (cold)
            dropFromCache(source);
        return secondsOf(work);
    };
    const auto cpRun = [&] { return timed([&] { copyWithCp(source, destination); }); };
    const auto verifiedRun = [&] {
        return timed([&] {
            executor.execute({ bramblet::FileAction::copy, source, destination, bramblet::ConflictPolicy::ask },
                             notCancelled);
        });
    };
    double verifiedTotal = 0;
    double cpTotal = 0;
    bool cpFirst = true;
    for (auto _ : state) {
        double cp = 0;
        double verified = 0;
        if (cpFirst) {
            cp = cpRun();
            verified = verifiedRun();
        } else {
            verified = verifiedRun();
            cp = cpRun();
        }
        cpFirst = !cpFirst;
        state.SetIterationTime(verified);
        verifiedTotal += verified;
        cpTotal += cp;
    }
    fs::remove_all(destination);
    state.counters["cp_a_seconds"] = cpTotal / double(state.iterations());
    state.counters["vs_cp_a"] = verifiedTotal / cpTotal;
}

void treeOf20000Files(benchmark::State& state)
{
    const Scratch scratch;
    verifiedCopyAgainstCp(state, makeTree(scratch.path()), false);
}
BENCHMARK(treeOf20000Files)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(4);

bool skipWithout1GiB(benchmark::State& state)
{
    if (std::getenv("BRAMBLET_BENCH_1GIB"))
        return false;
    state.SkipWithError("needs 2 GiB of free disk: set BRAMBLET_BENCH_1GIB=1 to run it");
    for (auto _ : state) {
    }
    return true;
}

void oneFileOf1GiB(benchmark::State& state)
{
    if (skipWithout1GiB(state))
        return;
    const Scratch scratch;
    verifiedCopyAgainstCp(state, makeLargeFile(scratch.path()), false);
}
BENCHMARK(oneFileOf1GiB)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(4);

void oneFileOf1GiBCold(benchmark::State& state)
{
    if (skipWithout1GiB(state))
        return;
    const Scratch scratch;
    verifiedCopyAgainstCp(state, makeLargeFile(scratch.path()), true);
}
BENCHMARK(oneFileOf1GiBCold)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(4);

} // namespace
