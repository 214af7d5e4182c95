#pragma once

#include <cstdint>
#include <span>

namespace zentrova {

// Receives one device-control string. The parser creates a handler when the string's final byte
// arrives, calls hook() once, put() for each slice of payload in order, and unhook() at the string
// terminator. A string cancelled part-way (SUB, a C1 control, a byte with no place in it, or a
// payload over the size cap) gets no unhook(), so a handler acts on its data only in unhook(); the
// parser lets go of it then, after putting the payload that came before the cut.
// The slices point into the caller's buffer and are valid only during the call.
class DcsHandler {
public:
    virtual ~DcsHandler() = default;

    // collect: private marker and intermediate bytes; parameters: at least one (0 when omitted);
    // flag: the final byte.
    virtual void hook(std::span<const uint8_t> collect, std::span<const int> parameters, uint8_t flag) = 0;
    virtual void put(std::span<const uint8_t> data) = 0;
    virtual void unhook() = 0;
};

} // namespace zentrova
