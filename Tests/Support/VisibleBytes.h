#pragma once

#include <string>
#include <string_view>

namespace zentrova {

// Bytes for the child written so a failed comparison can be read: ESC as "ESC ", other controls and
// bytes past ASCII as "<hex>".
inline std::string visibleBytes(std::string_view bytes)
{
    constexpr char hex[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char c : bytes) {
        if (c == 0x1B)
            out += "ESC ";
        else if (c < 32 || c >= 127)
            out += { '<', hex[c >> 4], hex[c & 15], '>' };
        else
            out += char(c);
    }
    return out;
}

} // namespace zentrova
