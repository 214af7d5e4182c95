#include "Zentrova/Process/PtyChannel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace zentrova {

std::unique_ptr<PtyChannel> PtyChannel::open(int masterFd, pid_t pid, Listener& listener)
{
    // Through syscall(): glibc 2.36's <sys/pidfd.h> declares pidfd_open without C linkage.
    const int pidFd = int(syscall(SYS_pidfd_open, pid, 0));
    const int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    const int flags = fcntl(masterFd, F_GETFL);
    if (pidFd < 0 || wakeFd < 0 || flags < 0 || fcntl(masterFd, F_SETFL, flags | O_NONBLOCK) < 0) {
        for (int fd : { masterFd, pidFd, wakeFd }) {
            if (fd >= 0)
                close(fd);
        }
        return nullptr;
    }
    return std::unique_ptr<PtyChannel>(new PtyChannel(masterFd, pidFd, wakeFd, listener));
}

PtyChannel::PtyChannel(int masterFd, int pidFd, int wakeFd, Listener& listener)
    : m_masterFd(masterFd)
    , m_pidFd(pidFd)
    , m_wakeFd(wakeFd)
    , m_listener(listener)
    , m_thread([this] { run(); })
{
}

PtyChannel::~PtyChannel()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopRequested = true;
    }
    wake();
    m_thread.join();
    close(m_masterFd);
    close(m_pidFd);
    close(m_wakeFd);
}

void PtyChannel::write(int64_t number, std::vector<uint8_t> bytes)
{
    {
        std::lock_guard lock(m_mutex);
        m_newWrites.push_back({ number, std::move(bytes), 0 });
    }
    wake();
}

void PtyChannel::resumeReading()
{
    {
        std::lock_guard lock(m_mutex);
        m_resumeRequested = true;
    }
    wake();
}

void PtyChannel::wake()
{
    const uint64_t one = 1;
    (void)::write(m_wakeFd, &one, sizeof one);
}

void PtyChannel::run()
{
    std::vector<uint8_t> buffer(readSize);
    std::deque<Write> writes;
    bool paused = false;
    bool outputEnded = false;
    bool hungUp = false;
    bool exitSeen = false;
    bool exitReported = false;

    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopRequested)
                return;
            if (m_resumeRequested) {
                paused = false;
                m_resumeRequested = false;
            }
            for (Write& write : m_newWrites)
                writes.push_back(std::move(write));
            m_newWrites.clear();
        }
        // Once the other side is gone nobody can read what we write.
        if (hungUp || outputEnded)
            failWrites(writes, EIO);
        if (exitSeen && !exitReported && outputEnded) {
            m_listener.childExited();
            exitReported = true;
        }
        if (outputEnded && exitReported)
            return;

        const bool reading = !outputEnded && !paused;
        const short masterEvents = short((reading ? POLLIN : 0) | (writes.empty() ? 0 : POLLOUT));
        // After the exit, read on without waiting until nothing is left, then report the exit.
        const bool drainingAfterExit = exitSeen && !exitReported && reading;
        pollfd fds[] = {
            { m_wakeFd, POLLIN, 0 },
            { exitSeen ? -1 : m_pidFd, POLLIN, 0 },
            // A hung-up master reports POLLHUP whatever it is asked, so it is left out while idle.
            { masterEvents ? m_masterFd : -1, masterEvents, 0 },
        };
        if (poll(fds, 3, drainingAfterExit ? 0 : -1) < 0)
            continue; // EINTR; nothing else can fail with these arguments

        if (fds[0].revents) {
            uint64_t count = 0;
            (void)::read(m_wakeFd, &count, sizeof count);
        }
        if (fds[1].revents)
            exitSeen = true;
        const short masterReady = fds[2].revents;
        if (masterReady & (POLLHUP | POLLERR))
            hungUp = true;
        if (reading && ((masterReady & (POLLIN | POLLHUP | POLLERR)) || drainingAfterExit)) {
            switch (readOnce(buffer)) {
            case ReadResult::data:
                break;
            case ReadResult::full:
                paused = true;
                break;
            case ReadResult::wouldBlock:
                if (exitSeen && !exitReported) {
                    // Something else still holds the terminal open; its output follows the report.
                    m_listener.childExited();
                    exitReported = true;
                }
                break;
            case ReadResult::ended:
                outputEnded = true;
                m_listener.outputEnded();
                break;
            }
        }
        if (masterReady & POLLOUT)
            flushWrites(writes);
    }
}

PtyChannel::ReadResult PtyChannel::readOnce(std::vector<uint8_t>& buffer)
{
    // What is ready now goes out as one chunk, up to a full buffer: a terminal hands over a few
    // KiB per read, and a chunk per read would cost the main queue a pass each.
    std::size_t filled = 0;
    for (;;) {
        const ssize_t count = ::read(m_masterFd, buffer.data() + filled, buffer.size() - filled);
        if (count > 0) {
            filled += std::size_t(count);
            if (filled < buffer.size())
                continue;
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else if (filled == 0) {
            return count < 0 && errno == EAGAIN ? ReadResult::wouldBlock : ReadResult::ended;
        }
        // The end, if that is what stopped us, reads again next time.
        const bool more = m_listener.chunkRead(std::span<const uint8_t>(buffer.data(), filled));
        return more ? ReadResult::data : ReadResult::full;
    }
}

void PtyChannel::flushWrites(std::deque<Write>& writes)
{
    while (!writes.empty()) {
        Write& write = writes.front();
        const ssize_t count = ::write(m_masterFd, write.bytes.data() + write.offset, write.bytes.size() - write.offset);
        if (count >= 0) {
            write.offset += std::size_t(count);
            if (write.offset == write.bytes.size()) {
                m_listener.writeCompleted(write.number, write.offset, 0);
                writes.pop_front();
            }
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN)
            return;
        m_listener.writeCompleted(write.number, write.offset, errno);
        writes.pop_front();
    }
}

void PtyChannel::failWrites(std::deque<Write>& writes, int error)
{
    for (const Write& write : writes)
        m_listener.writeCompleted(write.number, write.offset, error);
    writes.clear();
}

} // namespace zentrova
