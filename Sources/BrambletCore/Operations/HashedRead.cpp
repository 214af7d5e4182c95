#include "BrambletCore/Operations/HashedRead.h"

#include "BrambletCore/Operations/PosixFiles.h"
#include "BrambletCore/Remote/Sha256.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace bramblet {

namespace {

// Hashes one block at a time on its own thread. A block handed over must stay unchanged until the
// next `hash` or `hexDigest` returns: both wait for the block before.
class HashThread {
public:
    HashThread()
        : m_thread([this] { run(); })
    {
    }

    // Finishes a block still being hashed before it returns, so its buffer may go afterwards.
    ~HashThread()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    HashThread(const HashThread&) = delete;
    HashThread& operator=(const HashThread&) = delete;

    void hash(std::span<const unsigned char> block)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_block.empty(); });
        m_block = block;
        lock.unlock();
        m_changed.notify_all();
    }

    std::string hexDigest()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_block.empty(); });
        return m_hash.hexDigest().toStdString();
    }

private:
    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return !m_block.empty() || m_stopping; });
            if (m_block.empty())
                return;
            const std::span<const unsigned char> block = m_block;
            lock.unlock();
            m_hash.update(QByteArrayView(block.data(), qsizetype(block.size())));
            lock.lock();
            m_block = {};
            m_changed.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::span<const unsigned char> m_block; // empty when the thread is idle
    bool m_stopping = false;
    Sha256 m_hash;
    std::thread m_thread;
};

} // namespace

std::string readHashing(int fd, off_t expectedSize, std::span<unsigned char> buffer, const std::filesystem::path& path,
                        const std::function<void(std::span<const unsigned char>)>& consume)
{
    if (expectedSize <= off_t(buffer.size())) {
        Sha256 hash;
        while (const size_t count = readChunk(fd, buffer, path)) {
            if (consume)
                consume(buffer.first(count));
            hash.update(QByteArrayView(buffer.data(), qsizetype(count)));
        }
        return hash.hexDigest().toStdString();
    }

    const std::span<unsigned char> halves[2] = { buffer.first(buffer.size() / 2), buffer.subspan(buffer.size() / 2) };
    HashThread hash;
    for (size_t turn = 0;; turn ^= 1) {
        // Safe to fill: handing over the other half waited for this one to be hashed.
        const size_t count = readChunk(fd, halves[turn], path);
        if (count == 0)
            break;
        hash.hash(halves[turn].first(count));
        if (consume)
            consume(halves[turn].first(count));
    }
    return hash.hexDigest();
}

} // namespace bramblet
