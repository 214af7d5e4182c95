// Answers to the program's questions: device status (DSR, CPR), device attributes (DA1, DA2), the
// terminal's name and version (XTVERSION) and the checksum of a screen rectangle (DECRQCRA). Every
// reply reaches the host in one send().

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Engine/TerminalDelegate.h"
#include "Zentrova/Engine/ZentrovaBuildInfo.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>

namespace zentrova {
namespace {

// Printable ASCII only, so a name taken from the build cannot smuggle controls into the reply.
std::string printableAscii(const std::optional<std::string>& text)
{
    std::string kept;
    if (text) {
        std::copy_if(text->begin(), text->end(), std::back_inserter(kept),
                     [](char ch) { return ch >= 0x20 && ch <= 0x7E; });
    }
    return kept;
}

constexpr size_t maxIdentityLength = 256;

} // namespace

void Terminal::sendBytes(std::string_view bytes)
{
    if (m_delegate)
        m_delegate->send(*this, std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

void Terminal::cmdDeviceStatus(std::span<const int> pars, std::span<const uint8_t> collect)
{
    const int p0 = pars.empty() ? 0 : pars[0];
    const Buffer& buffer = *m_buffer;
    const std::string_view csi = csiIntroducer();
    if (collect.empty()) {
        if (p0 == 5) {
            sendResponse(csi, "0n");
        } else if (p0 == 6) {
            const int row = std::max(1, buffer.y() + 1 - (originMode ? buffer.scrollTop() : 0));
            const int col = std::max(1, cursorColumn() + 1 - (originMode ? buffer.marginLeft() : 0));
            sendResponse(csi, fmt::format("{};{}R", row, col));
        }
        return;
    }
    if (collect.size() != 1 || collect[0] != '?')
        return;
    switch (p0) {
    case 6: { // DECXCPR
        const int row = buffer.y() + 1 - (originMode ? buffer.scrollTop() : 0);
        const int col = std::max(1, cursorColumn() + 1 - (originMode && marginMode ? buffer.marginLeft() : 0));
        sendResponse(csi, fmt::format("?{};{};1R", row, col));
        return;
    }
    case 15: // printer: none
        sendResponse(csi, "?10n");
        return;
    case 25: // user-defined keys: unlocked
        sendResponse(csi, "?21n");
        return;
    case 26: // keyboard: North American
        sendResponse(csi, "?27;1;0;0n");
        return;
    case 55: // locator: ready
        sendResponse(csi, "?53n");
        return;
    case 56: // locator type: mouse
        sendResponse(csi, "?57;1n");
        return;
    case 62: // macro space: none
        sendResponse(csi, "0*{");
        return;
    case 63: // memory checksum
        sendResponse(dcsIntroducer(), std::to_string(pars.size() >= 2 ? pars[1] : 0), "!~0000", stringTerminator());
        return;
    case 75: // data integrity: ready
        sendResponse(csi, "?70n");
        return;
    case 85: // multiple sessions: not configured
        sendResponse(csi, "?83n");
        return;
    default:
        return;
    }
}

void Terminal::cmdSendDeviceAttributes(std::span<const int> pars, std::span<const uint8_t> collect)
{
    if (!pars.empty() && pars[0] >= 1) {
        if (!silentLog)
            log(fmt::format("SendDeviceAttributes got {} and {}", pars, std::string(collect.begin(), collect.end())));
        return;
    }
    if (collect.size() == 1 && collect[0] == '>') {
        sendResponse(csiIntroducer(), ">65;20;1c");
        return;
    }
    if (!collect.empty())
        return;
    const std::string_view name = options.termName;
    if (name.starts_with("xterm"))
        sendResponse(csiIntroducer(), "?65", options.enableSixelReported ? ";4" : "", ";1;2;6;21;22;17;28c");
    else if (name.starts_with("screen") || name.starts_with("rxvt-unicode"))
        sendResponse(csiIntroducer(), "?1;2c");
    else if (name.starts_with("linux"))
        sendResponse(csiIntroducer(), "?6c");
}

void Terminal::cmdXTVERSION(std::span<const int> pars, std::span<const uint8_t> collect)
{
    if (collect.size() != 1 || collect[0] != '>' || pars.size() != 1 || pars[0] != 0)
        return;
    // Always 7-bit: programs read this reply before they know what the terminal sends.
    const auto text = [](std::optional<std::string_view> value) {
        return value ? std::optional<std::string>(*value) : std::nullopt;
    };
    const std::string identity = xtVersionIdentity(text(ZentrovaBuildInfo::tag), text(ZentrovaBuildInfo::branch),
                                                   std::string(ZentrovaBuildInfo::version()));
    sendResponse("\x1BP>|", identity, "\x1B\\");
}

std::string Terminal::xtVersionIdentity(const std::optional<std::string>& tag, const std::optional<std::string>& branch,
                                        const std::optional<std::string>& version)
{
    std::string identity = "Zentrova";
    std::string tagText = printableAscii(tag);
    if (tagText.starts_with('v'))
        tagText.erase(0, 1);
    if (!tagText.empty())
        identity += " " + tagText;
    if (const std::string branchText = printableAscii(branch); !branchText.empty())
        identity += "-" + branchText;
    if (const std::string versionText = printableAscii(version); !versionText.empty() && versionText != "unknown")
        identity += "+" + versionText;
    identity += ":";
    // Only printable ASCII is left, so bytes and characters count alike.
    if (identity.size() > maxIdentityLength)
        identity = identity.substr(0, maxIdentityLength - 1) + ":";
    return identity;
}

std::optional<std::array<int, 4>> Terminal::getRectangleFromRequest(std::span<const int> pars) const
{
    const size_t count = pars.size();
    int top = std::max(count >= 1 ? pars[0] : 1, 1);
    int left = std::max(count >= 2 ? pars[1] : 1, 1);
    int bottom = count >= 3 && pars[2] >= 0 ? pars[2] : rows;
    int right = count >= 4 && pars[3] >= 0 ? pars[3] : cols;
    bottom = std::min(rows, bottom);
    right = std::min(cols, right);
    if (originMode) {
        top += m_buffer->scrollTop();
        bottom += m_buffer->scrollTop();
        left += m_buffer->marginLeft();
        right += m_buffer->marginLeft();
    }
    if (bottom < top || right < left)
        return std::nullopt;
    return std::array { std::min(top - 1, rows - 1), std::min(left - 1, cols - 1), std::min(bottom - 1, rows - 1),
                        std::min(right - 1, cols - 1) };
}

void Terminal::cmdDECRQCRA(std::span<const int> pars)
{
    const int pid = pars.empty() ? 0 : pars[0];
    std::string checksum = "0000";
    // Top and left default to 1; a bottom or right that is missing or 0 means the last row or
    // column, so CSI Pid ; Pp * y sums the whole screen.
    std::array<int, 4> area { 1, 1, 0, 0 };
    for (size_t i = 2; i < std::min(pars.size(), size_t(6)); i++)
        area[i - 2] = pars[i];
    if (area[2] == 0)
        area[2] = rows;
    if (area[3] == 0)
        area[3] = cols;
    if (m_delegate && m_delegate->isProcessTrusted(*this)) {
        if (const auto rectangle = getRectangleFromRequest(area)) {
            const auto [top, left, bottom, right] = *rectangle;
            uint32_t sum = 0;
            for (int row = top; row <= bottom; row++) {
                const BufferLine& line = m_buffer->line(row + m_buffer->yBase());
                for (int col = left; col <= right; col++) {
                    const uint32_t code = line[col].code(); // past the row end: its last cell
                    if (code == 0) {
                        sum += 32;
                        continue;
                    }
                    for (char32_t scalar : character(code))
                        sum += uint32_t(scalar);
                }
            }
            checksum = fmt::format("{:04x}", sum);
        }
    }
    sendResponse(dcsIntroducer(), std::to_string(pid), "!~", checksum, stringTerminator());
}

} // namespace zentrova
