#pragma once

namespace zentrova {

// An image attached to a row by the image protocols (sixel, inline and kitty images alike). The
// screen model keeps, copies and drops lists of them and reads no member.
class TerminalImage {
public:
    virtual ~TerminalImage() = default;
};

} // namespace zentrova
