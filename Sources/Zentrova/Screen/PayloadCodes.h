#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_set>

namespace zentrova {

// The payload codes one terminal created, and when to give back those no cell uses any more. The
// process has only 65534 codes, shared by every terminal, so a stream of hyperlinks must return them.
// Collecting means scanning every cell of both screens, so it runs only once the held codes reach a
// threshold, and the threshold rises with the codes still in use so that a screen full of live links
// is not rescanned for every new one.
class PayloadCodes {
public:
    static constexpr size_t collectionThreshold = 1024;

    PayloadCodes() = default;
    PayloadCodes(const PayloadCodes&) = delete;
    PayloadCodes& operator=(const PayloadCodes&) = delete;
    // The terminal's cells go with it, so every code it holds is released.
    ~PayloadCodes();

    void insert(uint16_t code) { m_codes.insert(code); }
    bool contains(uint16_t code) const { return m_codes.contains(code); }
    size_t size() const { return m_codes.size(); }
    const std::unordered_set<uint16_t>& codes() const { return m_codes; }

    // Whether enough codes are held to make a collection worth its scan.
    bool needsCollection() const { return m_codes.size() >= m_nextCollection; }

    // Releases the held codes that `live` (the codes of every cell and of the link being written) lacks
    // and forgets them. Returns how many were released.
    size_t collect(const std::unordered_set<uint16_t>& live);

private:
    std::unordered_set<uint16_t> m_codes;
    size_t m_nextCollection = collectionThreshold;
};

} // namespace zentrova
