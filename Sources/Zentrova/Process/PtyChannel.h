#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace zentrova {

// The descriptors of one child on a pseudo-terminal and the thread that serves them: it reads the
// child's output, writes the bytes sent to it in order, and watches for its exit. The channel owns
// the master descriptor: only its thread reads and writes it, and it is closed only after the thread
// has been joined, so no late write can reach a descriptor number the process has reused.
class PtyChannel {
public:
    static constexpr std::size_t readSize = 131072;

    // Called on the channel's thread.
    class Listener {
    public:
        virtual ~Listener() = default;
        // Bytes the child wrote; false pauses reading until resumeReading().
        virtual bool chunkRead(std::span<const uint8_t> bytes) = 0;
        // The terminal's other side is closed (a pty master reads EIO then, not end-of-file).
        virtual void outputEnded() = 0;
        // The child has exited; everything it wrote before exiting has been passed on first.
        virtual void childExited() = 0;
        // One write finished: `written` bytes went out; `error` is the errno that stopped it, or 0.
        virtual void writeCompleted(int64_t number, std::size_t written, int error) = 0;
    };

    // Takes `masterFd` (closed on failure too) and starts serving it for the child `pid`; nothing
    // when the exit watch or the wake-up descriptor cannot be made.
    static std::unique_ptr<PtyChannel> open(int masterFd, pid_t pid, Listener& listener);

    // Stops the thread, then closes the descriptors. The child is not signalled.
    ~PtyChannel();

    PtyChannel(const PtyChannel&) = delete;
    PtyChannel& operator=(const PtyChannel&) = delete;

    // Queues `bytes` behind the earlier writes; `number` comes back in writeCompleted().
    void write(int64_t number, std::vector<uint8_t> bytes);
    void resumeReading();

private:
    struct Write {
        int64_t number = 0;
        std::vector<uint8_t> bytes;
        std::size_t offset = 0;
    };
    enum class ReadResult { data, full, wouldBlock, ended };

    PtyChannel(int masterFd, int pidFd, int wakeFd, Listener& listener);

    void run();
    ReadResult readOnce(std::vector<uint8_t>& buffer);
    void flushWrites(std::deque<Write>& writes);
    void failWrites(std::deque<Write>& writes, int error);
    void wake();

    const int m_masterFd;
    const int m_pidFd;
    const int m_wakeFd;
    Listener& m_listener;

    std::mutex m_mutex; // guards the three fields below
    std::deque<Write> m_newWrites;
    bool m_resumeRequested = false;
    bool m_stopRequested = false;

    std::thread m_thread;
};

} // namespace zentrova
