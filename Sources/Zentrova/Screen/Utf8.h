#pragma once

#include <unicode/utf8.h>

#include <cstdint>
#include <string>

namespace zentrova {

// A code point that UTF-8 can carry: at most U+10FFFF and not a surrogate.
constexpr bool isUnicodeScalar(uint32_t code)
{
    return code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

// Appends the UTF-8 form of a Unicode scalar.
inline void appendUtf8(std::string& out, char32_t scalar)
{
    char bytes[U8_MAX_LENGTH];
    int32_t length = 0;
    U8_APPEND_UNSAFE(bytes, length, UChar32(scalar));
    out.append(bytes, size_t(length));
}

} // namespace zentrova
