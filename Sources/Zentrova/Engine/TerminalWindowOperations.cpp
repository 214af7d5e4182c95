// Window operations (CSI Ps ; Ps ; Ps t). The terminal owns no window: moves, resizes and the like go
// to the host; the size and title reports and the title stacks are the terminal's own.

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Engine/TerminalDelegate.h"
#include "Zentrova/Screen/HexDigit.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <initializer_list>

namespace zentrova {
namespace {

using Kind = WindowManipulationCommand::Kind;

// The commands the host carries out without an answer, by their exact parameter lists.
struct PlainWindowCommand {
    int request;
    std::optional<int> variant;
    Kind kind;

    bool matches(std::span<const int> pars) const
    {
        return pars.size() == (variant ? 2u : 1u) && pars[0] == request && (!variant || pars[1] == *variant);
    }
};

const PlainWindowCommand plainWindowCommands[] = {
    { 1, {}, Kind::deiconifyWindow },
    { 2, {}, Kind::iconifyWindow },
    { 5, {}, Kind::bringToFront },
    { 6, {}, Kind::sendToBack },
    { 7, {}, Kind::refreshWindow },
    { 9, 0, Kind::restoreMaximizedWindow },
    { 9, 1, Kind::maximizeWindow },
    { 9, 2, Kind::maximizeWindowVertically },
    { 9, 3, Kind::maximizeWindowHorizontally },
    { 10, 0, Kind::undoFullScreen },
    { 10, 1, Kind::switchToFullScreen },
    { 10, 2, Kind::toggleFullScreen },
};

// A program pushes once when it starts and pops when it ends, so real nesting stays at a few
// levels; the cap keeps a program that pushes in a loop from growing the stacks without bound. A
// push onto a full stack drops the oldest entry, so the innermost programs still get their titles
// back.
void pushTitle(std::vector<std::string>& stack, const std::string& title)
{
    if (stack.size() >= Terminal::maxTitleStackDepth)
        stack.erase(stack.begin());
    stack.push_back(title);
}

std::optional<std::string> popTitle(std::vector<std::string>& stack)
{
    if (stack.empty())
        return std::nullopt;
    std::string title = std::move(stack.back());
    stack.pop_back();
    return title;
}

} // namespace

void Terminal::cmdWindowOptions(std::span<const int> pars)
{
    if (!m_delegate)
        return;
    const auto is = [&](std::initializer_list<int> expected) { return std::ranges::equal(pars, expected); };
    const int p0 = pars.empty() ? 0 : pars[0];

    for (const auto& command : plainWindowCommands) {
        if (command.matches(pars)) {
            m_delegate->windowCommand(*this, { command.kind });
            return;
        }
    }
    if (pars.size() == 3 && (p0 == 3 || p0 == 4 || p0 == 8)) {
        // 4 (pixels) and 8 (characters) name the height first; the commands take the width first.
        WindowManipulationCommand command { Kind::moveWindowTo, pars[1], pars[2] };
        if (p0 != 3)
            command = { p0 == 4 ? Kind::resizeWindowTo : Kind::resizeTerminal, pars[2], pars[1] };
        m_delegate->windowCommand(*this, command);
        return;
    }
    if (is({ 14 }) || is({ 14, 2 }) || is({ 15 }) || is({ 16 })) {
        reportPixelSize(p0);
        return;
    }
    if (is({ 18 }) || is({ 19 })) {
        if (p0 == 19 && sendWindowCommandReply(Kind::reportScreenSizeCharacters))
            return;
        sendResponse(csiIntroducer(), fmt::format("{};{};{}t", p0 - 10, rows, cols));
        return;
    }
    if (is({ 20 }) || is({ 21 })) {
        // Titles come from the program itself; echoing them into its input would let text it
        // printed be typed back as commands, so they are answered only where the host allows it,
        // and then only to a trusted process.
        if (!m_delegate->allowsTitleReports(*this) || !m_delegate->isProcessTrusted(*this))
            return;
        const std::string& title = p0 == 20 ? iconTitle : terminalTitle;
        sendOscReply((p0 == 20 ? "L" : "l") + titleForReport(title));
        return;
    }
    if ((p0 == 22 || p0 == 23) && (is({ p0, 0 }) || is({ p0, 0, 0 }) || is({ p0, 1 }) || is({ p0, 2 }))) {
        // 1 names the icon title, 2 the window title, 0 both.
        const bool icon = pars[1] != 2;
        const bool window = pars[1] != 1;
        if (p0 == 22) {
            if (icon)
                pushTitle(terminalIconStack, iconTitle);
            if (window)
                pushTitle(terminalTitleStack, terminalTitle);
            return;
        }
        if (const auto title = window ? popTitle(terminalTitleStack) : std::nullopt)
            setTitle(*title);
        if (const auto title = icon ? popTitle(terminalIconStack) : std::nullopt)
            setIconTitle(*title);
        return;
    }
    if (!silentLog)
        log(fmt::format("Unhandled Window command: {}", pars));
}

void Terminal::reportPixelSize(int request)
{
    const Kind kind = request == 14 ? Kind::reportTextAreaPixelDimension
        : request == 15             ? Kind::reportSizeOfScreenInPixels
                                    : Kind::reportCellSizeInPixels;
    if (sendWindowCommandReply(kind))
        return;
    const auto [cellWidth, cellHeight] = m_delegate->cellSizeInPixels(*this).value_or(std::pair { 10, 16 });
    if (request == 16)
        sendResponse(csiIntroducer(), fmt::format("6;{};{}t", cellHeight, cellWidth));
    else
        sendResponse(csiIntroducer(), fmt::format("{};{};{}t", request == 15 ? 5 : 4, rows * cellHeight, cols * cellWidth));
}

bool Terminal::sendWindowCommandReply(WindowManipulationCommand::Kind kind)
{
    const auto bytes = m_delegate->windowCommand(*this, { kind });
    if (!bytes)
        return false;
    if (!bytes->empty())
        sendResponse(std::span<const uint8_t>(*bytes));
    return true;
}

std::string Terminal::titleFromPayload(std::span<const uint8_t> data) const
{
    if (!xtermTitleSetHex)
        return decodeUtf8(data).value_or(std::string());
    // Two hexadecimal digits per byte of the UTF-8 title; anything else gives the empty title, as
    // invalid UTF-8 does.
    if (data.size() % 2 != 0)
        return {};
    std::vector<uint8_t> bytes;
    bytes.reserve(data.size() / 2);
    for (size_t i = 0; i < data.size(); i += 2) {
        const int high = hexDigit(data[i]);
        const int low = hexDigit(data[i + 1]);
        if (high < 0 || low < 0)
            return {};
        bytes.push_back(uint8_t(high * 16 + low));
    }
    return decodeUtf8(bytes).value_or(std::string());
}

std::string Terminal::titleForReport(const std::string& title) const
{
    if (!xtermTitleQueryHex)
        return title;
    std::string hex;
    hex.reserve(title.size() * 2);
    for (unsigned char byte : title)
        hex += fmt::format("{:02X}", byte);
    return hex;
}

} // namespace zentrova
