#pragma once

#include "Zentrova/Process/LocalProcessDelegate.h"
#include "Zentrova/Process/PtyChannel.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zentrova {

class MainQueue;

// One child program on a new pseudo-terminal. Its output is read on the channel's thread, queued,
// and handed to the delegate on the main queue in passes of at most 4 ms, so a flood never freezes
// the host; reading pauses once 4 MiB wait and resumes when no more than 1 MiB wait, so the queue
// never grows without bound. Everything but the channel's thread runs on the main queue's thread.
// The main queue's post() must accept work from the channel's thread, and the queue must outlive
// the process.
class LocalProcess final : private PtyChannel::Listener {
public:
    LocalProcess(LocalProcessDelegate* delegate, MainQueue& dispatchQueue);
    // Stops reading and closes the terminal; the child is not signalled.
    ~LocalProcess() override;

    LocalProcess(const LocalProcess&) = delete;
    LocalProcess& operator=(const LocalProcess&) = delete;

    // Starts `executable` with argv[0] = `execName` (the executable path without one) followed by
    // `args`, in `currentDirectory` when given, with `environment` as its whole environment (the
    // default child environment without one). Does nothing while running. A failure to start leaves
    // the process not running; a program that cannot be run exits with 127.
    void startProcess(const std::string& executable, const std::vector<std::string>& args,
                      const std::optional<std::vector<std::string>>& environment = std::nullopt,
                      const std::optional<std::string>& execName = std::nullopt,
                      const std::optional<std::string>& currentDirectory = std::nullopt);

    // Writes the bytes to the child behind earlier ones; dropped when not running.
    void send(std::span<const uint8_t> data);

    // Closes the terminal, drops output not yet delivered, sends SIGTERM to the child (unless its
    // exit was already reported) and stops watching it: no exit report follows and the caller reaps
    // the child.
    void terminate();

    // A folder that receives a copy of every chunk read, as "log-0", "log-1", ...; nullopt turns it off.
    void setHostLogging(const std::optional<std::string>& directory);

    // From a successful start until the exit is reported, the output ends, or terminate().
    bool running() const { return m_running; }
    // The master descriptor while running, else -1.
    int32_t childfd() const { return m_childfd; }
    // The child's process id from a successful start on (it stays after the end); 0 before.
    int32_t shellPid() const { return m_shellPid; }

    LocalProcessDelegate* delegate() const { return m_delegate; }
    void setDelegate(LocalProcessDelegate* delegate) { m_delegate = delegate; }
    MainQueue& dispatchQueue() const { return m_dispatchQueue; }

    // Traces every write and read on standard output.
    bool debugIO() const { return m_debugIO; }
    void setDebugIO(bool debugIO) { m_debugIO = debugIO; }

    int64_t sendCount() const { return m_sendCount; }
    int64_t total() const { return m_total; }
    int64_t totalRead() const { return m_totalRead; }
    int64_t logFileCounter() const { return m_logFileCounter; }
    std::optional<std::string> loggingDir() const;
    // Bytes read and not yet delivered.
    int64_t pendingBytes() const;

private:
    enum class ChunkKind : uint8_t { data, endOfOutput, exited };
    struct Chunk {
        ChunkKind kind = ChunkKind::data;
        std::vector<uint8_t> bytes;
    };

    bool chunkRead(std::span<const uint8_t> bytes) override;
    void outputEnded() override;
    void childExited() override;
    void writeCompleted(int64_t number, std::size_t written, int error) override;

    void logChunk(std::span<const uint8_t> bytes);
    bool enqueueReceivedData(Chunk chunk);
    void postDrain();
    void drainReceivedData();
    void deliver(Chunk& chunk, const std::weak_ptr<LocalProcess*>& alive);
    void processTerminated(const std::weak_ptr<LocalProcess*>& alive);
    void closeChannel();

    LocalProcessDelegate* m_delegate;
    MainQueue& m_dispatchQueue;
    // Posted work holds this weakly and does nothing once the process is gone.
    const std::shared_ptr<LocalProcess*> m_anchor;

    bool m_running = false;
    int32_t m_childfd = -1;
    int32_t m_shellPid = 0;
    bool m_watchingExit = false;
    bool m_childReaped = false;
    int64_t m_sendCount = 0;
    std::atomic<bool> m_debugIO = false;
    std::atomic<int64_t> m_total = 0;
    std::atomic<int64_t> m_totalRead = 0;
    std::atomic<int64_t> m_logFileCounter = 0;

    mutable std::mutex m_logLock; // guards m_loggingDir
    std::optional<std::string> m_loggingDir;

    mutable std::mutex m_pendingLock; // guards the five fields below
    std::vector<Chunk> m_pendingChunks;
    std::size_t m_pendingChunkIndex = 0;
    bool m_pendingScheduled = false;
    int64_t m_pendingBytes = 0;
    bool m_readSuspendedForBackpressure = false;

    std::unique_ptr<PtyChannel> m_channel;
};

} // namespace zentrova
