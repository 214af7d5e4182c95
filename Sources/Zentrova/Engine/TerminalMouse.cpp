// Pointer and focus reports: the view turns an event into button flags and a 0-based cell, the
// terminal encodes it for the protocol the program chose and sends it.

#include "Zentrova/Engine/Terminal.h"

#include <algorithm>
#include <string>

namespace zentrova {
namespace {

constexpr int releaseCode = 3;
constexpr int motionFlag = 32;

bool sendsModifiers(MouseMode mode)
{
    return mode == MouseMode::vt200 || mode == MouseMode::buttonEventTracking || mode == MouseMode::anyEvent;
}

} // namespace

int Terminal::encodeButton(int button, bool release, bool shift, bool meta, bool control) const
{
    int flags = 0;
    if (release) {
        flags = releaseCode;
    } else {
        switch (button) {
        case 1:
            flags = 1;
            break;
        case 2:
            flags = 2;
            break;
        case 4:
            flags = 64;
            break;
        case 5:
            flags = 65;
            break;
        default: // button 3 and any other
            flags = 0;
            break;
        }
    }
    if (sendsModifiers(m_mouseMode)) {
        flags += shift ? 4 : 0;
        flags += meta ? 8 : 0;
        flags += control ? 16 : 0;
    }
    return flags;
}

void Terminal::sendEvent(int buttonFlags, int x, int y, int pixelX, int pixelY)
{
    const std::string_view csi = csiIntroducer();
    // The SGR forms tell a release by their final byte and report the modifiers with it.
    const bool release = (buttonFlags & 0x23) == releaseCode;
    const int sgrButton = release ? buttonFlags & ~0x23 : buttonFlags;
    const char sgrFinal = release ? 'm' : 'M';
    switch (mouseProtocol) {
    case MouseProtocolEncoding::x10: {
        // One byte per value: whatever lies past 255 reports 255.
        const auto capped = [](int value) { return uint8_t(std::min(value, 255)); };
        sendResponse(csi, "M", capped(buttonFlags + 32), capped(x + 33), capped(y + 33));
        return;
    }
    case MouseProtocolEncoding::utf8: {
        std::vector<uint8_t> data;
        encodeMouseUtf(data, buttonFlags + 32);
        encodeMouseUtf(data, x + 33);
        encodeMouseUtf(data, y + 33);
        sendResponse(csi, "M", std::span<const uint8_t>(data));
        return;
    }
    case MouseProtocolEncoding::sgr:
        sendResponse(csi, "<", std::to_string(sgrButton), ";", std::to_string(x + 1), ";", std::to_string(y + 1),
                     uint8_t(sgrFinal));
        return;
    case MouseProtocolEncoding::urxvt:
        sendResponse(csi, std::to_string(buttonFlags + 32), ";", std::to_string(x + 1), ";", std::to_string(y + 1), "M");
        return;
    case MouseProtocolEncoding::sgrPixel:
        sendResponse(csi, "<", std::to_string(sgrButton), ";", std::to_string(pixelX), ";", std::to_string(pixelY),
                     uint8_t(sgrFinal));
        return;
    }
}

void Terminal::sendMotion(int buttonFlags, int x, int y, int pixelX, int pixelY)
{
    sendEvent(buttonFlags + motionFlag, x, y, pixelX, pixelY);
}

void Terminal::encodeMouseUtf(std::vector<uint8_t>& data, int ch)
{
    // 2047 is the largest value the two-byte form holds; it is sent as a single 0 byte, and
    // anything larger saturates to the two-byte form of 2047.
    if (ch < 128) {
        data.push_back(uint8_t(ch));
    } else if (ch == 2047) {
        data.push_back(0);
    } else {
        const int value = std::min(ch, 2047);
        data.push_back(uint8_t(0xC0 | value >> 6));
        data.push_back(uint8_t(0x80 | (value & 0x3F)));
    }
}

void Terminal::setTerminalFocus(bool focused)
{
    reportedFocusState = focused;
    if (sendFocus)
        sendFocusReport();
}

void Terminal::sendFocusReport()
{
    sendResponse(csiIntroducer(), reportedFocusState ? "I" : "O");
}

} // namespace zentrova
