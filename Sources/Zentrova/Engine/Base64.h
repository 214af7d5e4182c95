#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zentrova {

// Standard Base64 (alphabet A-Z a-z 0-9 + /, "=" padding, no line breaks), as programs use it to
// carry binary data inside control strings.
struct Base64 {
    static std::string encode(std::span<const uint8_t> data);
    // Nothing unless the text is whole groups of four characters of the alphabet, with at most two
    // "=" at its end; white space and line breaks are not skipped.
    static std::optional<std::vector<uint8_t>> decode(std::span<const uint8_t> text);
};

} // namespace zentrova
