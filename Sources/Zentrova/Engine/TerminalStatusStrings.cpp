// Status-string requests (DCS $ q ... ST, DECRQSS) and the kitty keyboard flags that each screen
// keeps with a stack of earlier values (CSI = u, CSI > u, CSI < u, CSI ? u).

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Parser/DcsHandler.h"

#include <fmt/format.h>

#include <algorithm>

namespace zentrova {
namespace {

// The longest request served is two bytes; anything far longer is answered as unknown without
// being kept, so a program cannot make the terminal hold a large string for nothing.
constexpr size_t maxStatusRequestLength = 64;

// Collects one DCS $ q request and answers it at the string terminator.
class StatusStringRequest final : public DcsHandler {
public:
    explicit StatusStringRequest(Terminal& terminal)
        : m_terminal(terminal)
    {
    }

    void hook(std::span<const uint8_t>, std::span<const int>, uint8_t) override
    {
        m_data.clear();
        m_overflowed = false;
    }

    void put(std::span<const uint8_t> data) override
    {
        if (m_overflowed || data.size() > maxStatusRequestLength - m_data.size()) {
            m_overflowed = true;
            m_data.clear();
            return;
        }
        m_data.append(data.begin(), data.end());
    }

    void unhook() override
    {
        const bool ascii = std::all_of(m_data.begin(), m_data.end(), [](char byte) { return uint8_t(byte) < 0x80; });
        m_terminal.answerStatusString(ascii && !m_overflowed ? m_data : std::string());
    }

private:
    Terminal& m_terminal;
    std::string m_data;
    bool m_overflowed = false;
};

int maskedFlags(int value)
{
    return value & KittyKeyboardFlags::knownMask;
}

} // namespace

std::unique_ptr<DcsHandler> Terminal::makeStatusStringDcsHandler()
{
    return std::make_unique<StatusStringRequest>(*this);
}

void Terminal::answerStatusString(std::string_view request)
{
    std::optional<std::string> body;
    if (request == "\"q") { // DECSCA
        body = "\"q";
    } else if (request == "\"p") { // DECSCL
        body = "65;1\"p";
    } else if (request == "r") { // DECSTBM
        body = fmt::format("{};{}r", m_buffer->scrollTop() + 1, m_buffer->scrollBottom() + 1);
    } else if (request == "m") { // SGR
        body = curAttr.toSgr();
    } else if (request == "s") { // DECSLRM
        body = fmt::format("{};{}s", m_buffer->marginLeft() + 1, m_buffer->marginRight() + 1);
    } else if (request == " q") { // DECSCUSR: the shape in force, numbered as DECSCUSR sets it
        body = fmt::format("{} q", int(options.cursorStyle) + 1);
    } else if (!silentLog) {
        log(fmt::format("Unknown DCS + {}", request));
    }
    sendResponse(dcsIntroducer(), body ? "1" : "0", "$r", body.value_or(""), stringTerminator());
}

Terminal::KeyboardModeState& Terminal::keyboardModeState()
{
    return isCurrentBufferAlternate() ? keyboardModeAlt : keyboardModeNormal;
}

KittyKeyboardFlags Terminal::keyboardEnhancementFlags() const
{
    return isCurrentBufferAlternate() ? keyboardModeAlt.flags : keyboardModeNormal.flags;
}

bool Terminal::handleKittyKeyboardProtocol(std::span<const int> pars, std::span<const uint8_t> collect)
{
    if (collect.size() != 1)
        return false;
    KeyboardModeState& state = keyboardModeState();
    const int p0 = pars.empty() ? 0 : pars[0];
    switch (collect[0]) {
    case '=': {
        const int value = maskedFlags(p0);
        const int mode = pars.size() >= 2 ? pars[1] : 1;
        if (mode == 1)
            state.flags.rawValue = value;
        else if (mode == 2)
            state.flags.rawValue |= value;
        else if (mode == 3)
            state.flags.rawValue &= ~value;
        return true;
    }
    case '>':
        if (state.stack.size() >= KeyboardModeState::maxStackDepth)
            state.stack.erase(state.stack.begin(), state.stack.end() - (KeyboardModeState::maxStackDepth - 1));
        state.stack.push_back(state.flags);
        state.flags.rawValue = maskedFlags(p0);
        return true;
    case '<': {
        const size_t count = p0 >= 2 ? size_t(p0) : 1;
        if (state.stack.size() < count) {
            state.stack.clear();
            state.flags = {};
        } else {
            state.flags = state.stack[state.stack.size() - count];
            state.stack.resize(state.stack.size() - count);
        }
        return true;
    }
    case '?':
        sendResponse(csiIntroducer(), fmt::format("?{}u", state.flags.rawValue));
        return true;
    default:
        return false;
    }
}

} // namespace zentrova
