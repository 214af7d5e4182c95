#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zentrova {

// The characters a cell cannot hold as one code: grapheme clusters of several scalars and scalars
// beyond U+FFFF. Each gets a code from firstCode up, which cells store in place of a scalar.
//
// The table is bounded: a program printing a stream of distinct clusters would otherwise grow it for
// the life of the terminal. Once `capacity` codes are out, intern() refuses until the owner gives
// back the codes no cell holds any more (retainOnly()); freed codes are handed out again.
class InternedCharacters {
public:
    static constexpr uint32_t firstCode = 0x400001;
    static constexpr size_t capacity = 65536;
    // The most scalars one cell's character holds: marks beyond it are dropped, as a program can
    // send an endless cluster.
    static constexpr size_t maxClusterLength = 16;

    static constexpr bool isInternedCode(uint32_t code) { return code >= firstCode && code < firstCode + capacity; }

    // The cluster's code, a new one when it is not in the table yet; nothing when the table is full.
    std::optional<uint32_t> intern(std::u32string_view cluster);
    // The cluster behind a code, or nothing for a code not handed out.
    const std::u32string* cluster(uint32_t code) const;

    size_t size() const { return m_codes.size(); }
    bool isFull() const { return m_codes.size() == capacity; }
    // Clusters asked for that were not in the table (granted a code or refused) since the last
    // retainOnly(): how much may have changed since the owner last looked for unused codes.
    size_t newClustersSinceCollection() const { return m_newClustersSinceCollection; }

    // Forgets every cluster whose code is not marked in `live` (indexed by code - firstCode) and
    // returns how many codes were freed.
    size_t retainOnly(const std::vector<bool>& live);

private:
    // Keys view the texts in m_clusters, so each cluster is stored once.
    std::unordered_map<std::u32string_view, uint32_t> m_codes;
    // Indexed by code - firstCode; an empty string is a free code. A deque: a text never moves
    // while the table grows.
    std::deque<std::u32string> m_clusters;
    std::vector<uint32_t> m_freeCodes;
    size_t m_newClustersSinceCollection = 0;
};

} // namespace zentrova
