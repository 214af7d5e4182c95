#pragma once

#include <cstdint>

namespace zentrova {

// Which pointer events the program in the terminal asked to receive.
enum class MouseMode : uint8_t { off, x10, vt200, buttonEventTracking, anyEvent };

// How pointer reports are encoded on the wire.
enum class MouseProtocolEncoding : uint8_t { x10, utf8, sgr, urxvt, sgrPixel };

} // namespace zentrova
