#include "Zentrova/Screen/TinyAtom.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <unordered_map>

namespace zentrova {
namespace {

struct AtomTable {
    std::mutex lock;
    std::unordered_map<uint16_t, std::any> values;
    uint16_t lastUsed = 0;
    // Released codes, oldest first: reusing the longest-free code first keeps a code that was just
    // given back unused for as long as possible.
    std::deque<uint16_t> released;
};

AtomTable& table()
{
    static AtomTable instance;
    return instance;
}

// Read by every terminal on every feed, so kept outside the table's lock.
std::atomic<uint64_t> requestedCollections { 0 };

void releaseLocked(AtomTable& atoms, uint16_t code)
{
    if (code != 0 && atoms.values.erase(code) != 0)
        atoms.released.push_back(code);
}

} // namespace

std::optional<TinyAtom> TinyAtom::lookup(std::any value)
{
    auto& atoms = table();
    std::lock_guard guard(atoms.lock);
    uint16_t code;
    if (!atoms.released.empty()) {
        code = atoms.released.front();
        atoms.released.pop_front();
    } else if (atoms.lastUsed < maxCode) {
        code = ++atoms.lastUsed;
    } else {
        return std::nullopt;
    }
    atoms.values.emplace(code, std::move(value));
    return TinyAtom { code };
}

void TinyAtom::release(std::span<const uint16_t> codes)
{
    auto& atoms = table();
    std::lock_guard guard(atoms.lock);
    for (auto code : codes)
        releaseLocked(atoms, code);
}

void TinyAtom::release(uint16_t code)
{
    release(std::span<const uint16_t>(&code, 1));
}

std::any TinyAtom::target() const
{
    if (code == 0)
        return {};
    auto& atoms = table();
    std::lock_guard guard(atoms.lock);
    auto found = atoms.values.find(code);
    return found == atoms.values.end() ? std::any() : found->second;
}

void TinyAtom::requestCollection()
{
    requestedCollections.fetch_add(1, std::memory_order_relaxed);
}

uint64_t TinyAtom::collectionRequests()
{
    return requestedCollections.load(std::memory_order_relaxed);
}

size_t TinyAtom::usedCount()
{
    auto& atoms = table();
    std::lock_guard guard(atoms.lock);
    return atoms.values.size();
}

} // namespace zentrova
