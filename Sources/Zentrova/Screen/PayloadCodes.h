#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_set>

namespace zentrova {

// The payload codes one terminal created, and when to give back those no cell uses any more. The
// process has only 65534 codes, shared by every terminal, so a stream of hyperlinks must return them.
// Collecting means scanning every cell of both screens, so it runs once the held codes reach a
// threshold, which rises with the codes still in use so that a screen full of live links is not
// rescanned for every new one; and whenever the table is full, since then the threshold may never
// be reached (other terminals hold the rest, or over half the codes are live here).
class PayloadCodes {
public:
    static constexpr size_t collectionThreshold = 1024;

    PayloadCodes();
    PayloadCodes(const PayloadCodes&) = delete;
    PayloadCodes& operator=(const PayloadCodes&) = delete;
    // The terminal's cells go with it, so every code it holds is released.
    ~PayloadCodes();

    void insert(uint16_t code) { m_codes.insert(code); }
    bool contains(uint16_t code) const { return m_codes.contains(code); }
    size_t size() const { return m_codes.size(); }
    const std::unordered_set<uint16_t>& codes() const { return m_codes; }

    // Whether enough codes are held to make a collection worth its scan, or some holder found the
    // table full since this one last collected.
    bool needsCollection() const;

    // A lookup found the table full. Whether to collect and try again now: after a collection that
    // left the table full, the next ones wait for collectionThreshold more refusals, so a stream of
    // links on a screen whose codes are all live does not rescan it for each.
    bool collectsAfterRefusal() const { return m_refusalsToSkip == 0; }
    void noteRefusal();
    void noteLookup() { m_refusalsToSkip = 0; }

    // Releases the held codes that `live` (the codes of every cell and of the link being written) lacks
    // and forgets them. Returns how many were released.
    size_t collect(const std::unordered_set<uint16_t>& live);

private:
    std::unordered_set<uint16_t> m_codes;
    size_t m_nextCollection = collectionThreshold;
    uint64_t m_seenRequests = 0;
    size_t m_refusalsToSkip = 0;
};

} // namespace zentrova
