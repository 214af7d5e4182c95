#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>

namespace zentrova {

// What the print path remembers about joining: (cell code << 32 | scalar) -> the code of the two
// joined (0: they are not one character), and (0 << 32 | scalar) -> the code of a lone scalar
// beyond the basic plane. Emoji text asks for every scalar, so a small direct-mapped table of the
// latest answers stands in front of the map: a hit costs one multiply and one compare.
class JoinedCodes {
public:
    std::optional<uint32_t> find(uint64_t key)
    {
        Entry& recent = m_recent[slot(key)];
        if (recent.key == key)
            return recent.code;
        const auto found = m_codes.find(key);
        if (found == m_codes.end())
            return std::nullopt;
        recent = { key, found->second };
        return found->second;
    }

    void remember(uint64_t key, uint32_t code)
    {
        // A key already known keeps its code, as in the map alone.
        const auto [entry, inserted] = m_codes.emplace(key, code);
        m_recent[slot(key)] = { key, entry->second };
    }

    size_t size() const { return m_codes.size(); }

    void clear()
    {
        m_codes.clear();
        m_recent.fill(Entry {});
    }

private:
    // No real key has every bit set: cell codes and scalars stay far below 2^32 - 1.
    static constexpr uint64_t emptyKey = ~uint64_t(0);
    static constexpr int slotBits = 8;

    struct Entry {
        uint64_t key = emptyKey;
        uint32_t code = 0;
    };

    static size_t slot(uint64_t key) { return size_t((key * 0x9E3779B97F4A7C15ULL) >> (64 - slotBits)); }

    std::unordered_map<uint64_t, uint32_t> m_codes;
    std::array<Entry, size_t(1) << slotBits> m_recent {};
};

} // namespace zentrova
