#include "Zentrova/Process/LocalProcess.h"

#include "Zentrova/Host/MainQueue.h"
#include "Zentrova/Process/ChildEnvironment.h"
#include "Zentrova/Process/PseudoTerminalHelpers.h"

#include <fmt/core.h>
#include <fmt/ranges.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace zentrova {

namespace {

constexpr int64_t pendingHighWaterBytes = 4'194'304;
constexpr int64_t pendingLowWaterBytes = 1'048'576;
// Consumed chunks after which the queue is compacted, so delivery does not shift it every time.
constexpr std::size_t pendingChunkFlushThreshold = 32;
constexpr std::chrono::nanoseconds pendingTimeSlice { 4'000'000 };

std::optional<int32_t> exitCodeOf(pid_t pid)
{
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) != pid)
        return std::nullopt;
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

} // namespace

LocalProcess::LocalProcess(LocalProcessDelegate* delegate, MainQueue& dispatchQueue)
    : m_delegate(delegate)
    , m_dispatchQueue(dispatchQueue)
    , m_anchor(std::make_shared<LocalProcess*>(this))
{
}

LocalProcess::~LocalProcess()
{
    m_channel.reset();
}

void LocalProcess::startProcess(const std::string& executable, const std::vector<std::string>& args,
                                const std::optional<std::vector<std::string>>& environment,
                                const std::optional<std::string>& execName,
                                const std::optional<std::string>& currentDirectory)
{
    if (m_running)
        return;
    // A child whose output ended earlier may still have its channel.
    closeChannel();

    winsize size = {};
    if (m_delegate)
        size = m_delegate->getWindowSize();
    std::vector<std::string> argv { execName.value_or(executable) };
    argv.insert(argv.end(), args.begin(), args.end());
    const std::vector<std::string> env = environment ? *environment : getEnvironmentVariables("xterm-256color", true);

    const auto child = PseudoTerminalHelpers::forkAndExec(executable, argv, env, currentDirectory, size);
    if (!child)
        return;
    m_channel = PtyChannel::open(child->masterFd, child->pid, *this);
    if (!m_channel) {
        // Without an exit watch the child could never be reported: do not leave it running.
        kill(child->pid, SIGKILL);
        waitpid(child->pid, nullptr, 0);
        return;
    }
    m_running = true;
    m_childfd = child->masterFd;
    m_shellPid = child->pid;
    m_childReaped = false;
    m_watchingExit = true;
}

void LocalProcess::send(std::span<const uint8_t> data)
{
    if (!m_running)
        return;
    const int64_t number = m_sendCount++;
    if (m_debugIO)
        fmt::print("[SEND-{}] Queuing data to client: [{}]\n", number, fmt::join(data, ", "));
    m_channel->write(number, std::vector<uint8_t>(data.begin(), data.end()));
}

void LocalProcess::terminate()
{
    closeChannel();
    m_childfd = -1;
    // Once reaped, the number may already belong to another process.
    if (m_shellPid != 0 && !m_childReaped)
        kill(m_shellPid, SIGTERM);
    m_running = false;
    m_watchingExit = false;
}

void LocalProcess::closeChannel()
{
    // Joining the channel's thread first means nothing is queued behind the clear below.
    m_channel.reset();
    std::lock_guard lock(m_pendingLock);
    m_pendingChunks.clear();
    m_pendingChunkIndex = 0;
    m_pendingBytes = 0;
    m_readSuspendedForBackpressure = false;
}

void LocalProcess::setHostLogging(const std::optional<std::string>& directory)
{
    std::lock_guard lock(m_logLock);
    m_loggingDir = directory;
}

std::optional<std::string> LocalProcess::loggingDir() const
{
    std::lock_guard lock(m_logLock);
    return m_loggingDir;
}

int64_t LocalProcess::pendingBytes() const
{
    std::lock_guard lock(m_pendingLock);
    return m_pendingBytes;
}

bool LocalProcess::chunkRead(std::span<const uint8_t> bytes)
{
    if (m_debugIO) {
        m_totalRead += int64_t(bytes.size());
        fmt::print("[READ] count={} received from host total={}\n", bytes.size(), m_totalRead.load());
    }
    logChunk(bytes);
    return enqueueReceivedData({ ChunkKind::data, std::vector<uint8_t>(bytes.begin(), bytes.end()) });
}

void LocalProcess::outputEnded()
{
    enqueueReceivedData({ ChunkKind::endOfOutput, {} });
}

void LocalProcess::childExited()
{
    enqueueReceivedData({ ChunkKind::exited, {} });
}

void LocalProcess::writeCompleted(int64_t number, std::size_t written, int error)
{
    m_total += int64_t(written);
    if (m_debugIO)
        fmt::print("[SEND-{}] completed bytes={}\n", number, m_total.load());
    if (error != 0)
        fmt::print("Error writing data to the child, errno={}\n", error);
}

void LocalProcess::logChunk(std::span<const uint8_t> bytes)
{
    const std::optional<std::string> directory = loggingDir();
    if (!directory)
        return;
    const std::string path = *directory + "/log-" + std::to_string(m_logFileCounter.load());
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool written = fd >= 0;
    for (std::size_t offset = 0; written && offset < bytes.size();) {
        const ssize_t count = write(fd, bytes.data() + offset, bytes.size() - offset);
        if (count < 0 && errno != EINTR)
            written = false;
        else if (count > 0)
            offset += std::size_t(count);
    }
    const int error = errno;
    if (fd >= 0 && close(fd) != 0 && written)
        written = false;
    if (!written) {
        fmt::print("Got error while logging data dump to {}: {}\n", path, std::strerror(error));
        return;
    }
    ++m_logFileCounter;
}

bool LocalProcess::enqueueReceivedData(Chunk chunk)
{
    bool schedule = false;
    bool keepReading = false;
    {
        std::lock_guard lock(m_pendingLock);
        m_pendingBytes += int64_t(chunk.bytes.size());
        m_pendingChunks.push_back(std::move(chunk));
        if (m_pendingBytes >= pendingHighWaterBytes)
            m_readSuspendedForBackpressure = true;
        schedule = !m_pendingScheduled;
        m_pendingScheduled = true;
        keepReading = m_pendingBytes < pendingHighWaterBytes;
    }
    if (schedule)
        postDrain();
    return keepReading;
}

void LocalProcess::postDrain()
{
    m_dispatchQueue.post([anchor = std::weak_ptr<LocalProcess*>(m_anchor)] {
        LocalProcess* process = nullptr;
        if (const auto locked = anchor.lock())
            process = *locked;
        if (process)
            process->drainReceivedData();
    });
}

void LocalProcess::drainReceivedData()
{
    const std::weak_ptr<LocalProcess*> alive = m_anchor;
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        Chunk chunk;
        bool resume = false;
        {
            std::lock_guard lock(m_pendingLock);
            if (m_pendingChunkIndex == m_pendingChunks.size()) {
                m_pendingChunks.clear();
                m_pendingChunkIndex = 0;
                m_pendingBytes = 0;
                m_pendingScheduled = false;
                return;
            }
            chunk = std::move(m_pendingChunks[m_pendingChunkIndex++]);
            if (m_pendingChunkIndex >= pendingChunkFlushThreshold) {
                m_pendingChunks.erase(m_pendingChunks.begin(), m_pendingChunks.begin() + std::ptrdiff_t(m_pendingChunkIndex));
                m_pendingChunkIndex = 0;
            }
            m_pendingBytes -= int64_t(chunk.bytes.size());
            if (m_readSuspendedForBackpressure && m_pendingBytes <= pendingLowWaterBytes) {
                m_readSuspendedForBackpressure = false;
                resume = true;
            }
        }
        if (resume && m_channel)
            m_channel->resumeReading();
        deliver(chunk, alive);
        if (alive.expired())
            return;
        if (std::chrono::steady_clock::now() - start >= pendingTimeSlice) {
            // Leave the flag set: this pass hands over to the next one, and the host gets a turn.
            postDrain();
            return;
        }
    }
}

void LocalProcess::deliver(Chunk& chunk, const std::weak_ptr<LocalProcess*>& alive)
{
    switch (chunk.kind) {
    case ChunkKind::data:
        if (m_delegate)
            m_delegate->dataReceived(chunk.bytes);
        break;
    case ChunkKind::endOfOutput:
        m_childfd = -1;
        m_running = false;
        break;
    case ChunkKind::exited:
        processTerminated(alive);
        break;
    }
}

void LocalProcess::processTerminated(const std::weak_ptr<LocalProcess*>& alive)
{
    if (!m_watchingExit)
        return;
    m_watchingExit = false;
    const std::optional<int32_t> exitCode = exitCodeOf(m_shellPid);
    m_childReaped = exitCode.has_value();
    if (m_delegate)
        m_delegate->processTerminated(*this, exitCode);
    if (!alive.expired())
        m_running = false;
}

} // namespace zentrova
