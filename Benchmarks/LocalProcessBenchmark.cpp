// How fast a child's output gets off a pseudo-terminal. The ceiling is the terminal itself: a
// reader that discards what a raw-mode terminal delivers. Against it stands LocalProcess with a
// delegate that discards what it is handed on the main queue, so the figures are the read loop's,
// queue's and pacing's own, and a headless terminal that parses and prints all of it onto a screen
// with a full scrollback. All run the same child writing text lines; the headless terminal's share
// of the raw drain rate taken just before it is reported as ofRawDrain.

#include "Zentrova/Engine/HeadlessTerminal.h"
#include "Zentrova/Host/MainQueue.h"
#include "Zentrova/Process/LocalProcess.h"
#include "Zentrova/Process/PseudoTerminalHelpers.h"

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <string>

namespace {

using zentrova::LocalProcess;
using zentrova::PseudoTerminalHelpers;

constexpr int64_t outputSize = 64 * 1024 * 1024;
const winsize windowSize { 50, 160, 0, 0 };

const std::vector<std::string> childArgs {
    "-c", "stty raw -echo; yes 'drwxr-xr-x  12 user  staff   384 Mar  3 10:42 Documents and other things' | "
          "/usr/bin/head -c " + std::to_string(outputSize)
};

// The benchmark's thread is the main thread: it runs what is posted until told to stop.
class BlockingMainQueue final : public zentrova::MainQueue {
public:
    void post(std::function<void()> work) override
    {
        std::lock_guard lock(m_mutex);
        m_work.push_back(std::move(work));
        m_posted.notify_one();
    }

    std::shared_ptr<Handle> postAfter(std::chrono::milliseconds, std::function<void()>) override
    {
        std::abort(); // neither the process nor the terminal delays work for this output
    }

    std::chrono::nanoseconds now() const override { return std::chrono::steady_clock::now().time_since_epoch(); }

    void runUntil(const bool& done)
    {
        while (!done) {
            std::unique_lock lock(m_mutex);
            m_posted.wait(lock, [this] { return !m_work.empty(); });
            std::function<void()> work = std::move(m_work.front());
            m_work.pop_front();
            lock.unlock();
            work();
        }
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_work;
};

class DiscardingDelegate final : public zentrova::LocalProcessDelegate {
public:
    explicit DiscardingDelegate(const LocalProcess& process)
        : m_process(process)
    {
    }

    void processTerminated(LocalProcess&, std::optional<int32_t>) override { ended = true; }
    void dataReceived(std::span<const uint8_t> slice) override
    {
        received += int64_t(slice.size());
        peakWaiting = std::max(peakWaiting, m_process.pendingBytes());
    }
    winsize getWindowSize() override { return windowSize; }

    bool ended = false;
    int64_t received = 0;
    int64_t peakWaiting = 0;

private:
    const LocalProcess& m_process;
};

// Bytes per second of the last raw drain run, the ceiling the others are compared with.
double rawDrainRate = 0;

void BM_RawPtyDrain(benchmark::State& state)
{
    std::vector<std::string> argv { "/bin/sh" };
    argv.insert(argv.end(), childArgs.begin(), childArgs.end());
    std::vector<uint8_t> buffer(131072);
    const auto began = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const auto child = PseudoTerminalHelpers::forkAndExec("/bin/sh", argv, {}, std::nullopt, windowSize);
        if (!child) {
            state.SkipWithError("no pseudo-terminal");
            return;
        }
        int64_t received = 0;
        // A pty master reads EIO, not end-of-file, once the child side is closed.
        for (ssize_t count; (count = read(child->masterFd, buffer.data(), buffer.size())) > 0;)
            received += count;
        close(child->masterFd);
        waitpid(child->pid, nullptr, 0);
        if (received != outputSize)
            state.SkipWithError("short output");
    }
    state.SetBytesProcessed(state.iterations() * outputSize);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - began;
    rawDrainRate = double(state.iterations() * outputSize) / took.count();
}
BENCHMARK(BM_RawPtyDrain)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LocalProcessDelivery(benchmark::State& state)
{
    int64_t peakWaiting = 0;
    for (auto _ : state) {
        BlockingMainQueue queue;
        LocalProcess process(nullptr, queue);
        DiscardingDelegate delegate(process);
        process.setDelegate(&delegate);
        process.startProcess("/bin/sh", childArgs);
        queue.runUntil(delegate.ended);
        peakWaiting = std::max(peakWaiting, delegate.peakWaiting);
        if (delegate.received != outputSize)
            state.SkipWithError("short output");
    }
    state.SetBytesProcessed(state.iterations() * outputSize);
    state.counters["peakWaitingKiB"] = double(peakWaiting) / 1024;
}
BENCHMARK(BM_LocalProcessDelivery)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HeadlessTerminalFeed(benchmark::State& state)
{
    zentrova::TerminalOptions options;
    options.cols = windowSize.ws_col;
    options.rows = windowSize.ws_row;
    const auto began = std::chrono::steady_clock::now();
    for (auto _ : state) {
        BlockingMainQueue queue;
        bool ended = false;
        std::optional<int32_t> exitCode;
        zentrova::HeadlessTerminal headless(queue, options, [&](std::optional<int32_t> code) {
            exitCode = code;
            ended = true;
        });
        headless.process().startProcess("/bin/sh", childArgs);
        queue.runUntil(ended);
        if (exitCode != 0)
            state.SkipWithError("child failed");
    }
    state.SetBytesProcessed(state.iterations() * outputSize);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - began;
    if (rawDrainRate > 0)
        state.counters["ofRawDrain"] = double(state.iterations() * outputSize) / took.count() / rawDrainRate;
}
BENCHMARK(BM_HeadlessTerminalFeed)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
