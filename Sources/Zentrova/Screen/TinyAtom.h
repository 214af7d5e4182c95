#pragma once

#include <any>
#include <cstdint>
#include <optional>
#include <span>

namespace zentrova {

// A 16-bit handle by which a cell refers to a payload (the hyperlink it was written under), kept in
// one locked table shared by every terminal of the process. Codes run from 1 to 65534; 0 means none.
// A released code is handed out again, so only release codes that no cell holds any more (see
// PayloadCodes, which collects them).
struct TinyAtom {
    uint16_t code = 0;

    static constexpr uint16_t maxCode = 0xFFFE;

    // Stores `value` under a free code; nothing when all 65534 codes are in use. Equal values are not
    // shared: each call takes its own code.
    static std::optional<TinyAtom> lookup(std::any value);

    // Drops the entries of the given codes; 0 and codes not in use are ignored.
    static void release(std::span<const uint16_t> codes);
    static void release(uint16_t code);
    void release() const { release(code); }

    // The payload, or an empty value for code 0 or a released code.
    std::any target() const;

    // Codes currently in use, for tests and diagnostics.
    static size_t usedCount();

    // The table is shared by every terminal, and a terminal can only tell which of its own codes its
    // cells still hold. A holder that found the table full asks all holders to give back their unused
    // codes; each sees the request count change and collects at its next chance, on its own thread.
    static void requestCollection();
    static uint64_t collectionRequests();

    bool operator==(const TinyAtom&) const = default;
};

} // namespace zentrova
