#pragma once

#include <cstdint>

namespace zentrova {

// The value of one hexadecimal digit of either case, or -1 for any other byte.
constexpr int hexDigit(uint8_t byte)
{
    if (byte >= '0' && byte <= '9')
        return byte - '0';
    if (byte >= 'a' && byte <= 'f')
        return byte - 'a' + 10;
    if (byte >= 'A' && byte <= 'F')
        return byte - 'A' + 10;
    return -1;
}

} // namespace zentrova
