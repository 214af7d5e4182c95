// The colour commands: palette entries (OSC 4, 104), the default foreground and background and the
// cursor colour (OSC 10, 11, 12, 110, 111, 112). Queries are answered in xcolor form and always end with ST.

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Engine/TerminalDelegate.h"
#include "Zentrova/Parser/EscapeSequenceParser.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace zentrova {
namespace {

using Bytes = std::span<const uint8_t>;

std::vector<Bytes> nonEmptyItems(Bytes data)
{
    std::vector<Bytes> items;
    size_t start = 0;
    while (start <= data.size()) {
        const auto end = size_t(std::find(data.begin() + ptrdiff_t(start), data.end(), ';') - data.begin());
        if (end > start)
            items.push_back(data.subspan(start, end - start));
        start = end + 1;
    }
    return items;
}

} // namespace

void Terminal::sendOscReply(const std::string& text)
{
    if (!m_delegate)
        return;
    std::vector<uint8_t> reply;
    if (cc.send8bit)
        reply.push_back(0x9D);
    else
        reply.insert(reply.end(), { 0x1B, ']' });
    reply.insert(reply.end(), text.begin(), text.end());
    if (cc.send8bit)
        reply.push_back(0x9C);
    else
        reply.insert(reply.end(), { 0x1B, '\\' });
    m_delegate->send(*this, reply);
}

void Terminal::oscChangeOrQueryColorIndex(std::span<const uint8_t> data)
{
    size_t position = 0;
    while (position < data.size()) {
        const auto rest = data.subspan(position);
        const auto separator = size_t(std::find(rest.begin(), rest.end(), ';') - rest.begin());
        if (separator == rest.size())
            return;
        // A bad index ends the command; the pairs before it stay applied.
        const auto index = EscapeSequenceParser::parseDecimal(rest.first(separator));
        if (!index || *index > 255)
            return;
        position += separator + 1;
        if (position < data.size() && data[position] == '?') {
            sendOscReply("4;" + std::to_string(*index) + ";" + ansiColors[size_t(*index)].formatAsXcolor());
            position++;
            if (position < data.size() && data[position] == ';')
                position++;
            continue;
        }
        const auto specStart = data.subspan(position);
        const auto length = size_t(std::find(specStart.begin(), specStart.end(), ';') - specStart.begin());
        if (const auto color = Color::parseColor(specStart.first(length))) {
            ansiColors[size_t(*index)] = *color;
            if (m_delegate)
                m_delegate->colorChanged(*this, int(*index));
        }
        position += length + 1;
    }
}

void Terminal::oscSetColors(std::span<const uint8_t> data, int startAt)
{
    const auto [foreground, background]
        = m_delegate ? m_delegate->getColors(*this) : std::pair(m_foregroundColor, m_backgroundColor);
    const std::vector<Bytes> items = nonEmptyItems(data);
    for (size_t k = 0; k < items.size(); k++) {
        const int number = startAt + int(k);
        if (number > 2)
            break;
        if (items[k][0] == '?') {
            const Color& answer = number == 0 ? foreground
                : number == 1                 ? background
                                              : m_cursorColor.value_or(foreground);
            sendOscReply(std::to_string(number + 10) + ";" + answer.formatAsXcolor());
            continue;
        }
        const auto color = Color::parseColor(items[k]);
        if (!color)
            continue;
        if (number < 2) {
            auto& before = m_defaultColorsBeforeProgram[size_t(number)];
            if (!before)
                before = number == 0 ? foreground : background;
            setDefaultColorFromProgram(number, *color);
        } else {
            setCursorColor(*color);
            if (m_delegate)
                m_delegate->setCursorColor(*this, *color);
        }
    }
}

void Terminal::setDefaultColorFromProgram(int number, const Color& color)
{
    if (number == 0) {
        setForegroundColor(color);
        if (m_delegate)
            m_delegate->setForegroundColor(*this, color);
    } else {
        setBackgroundColor(color);
        if (m_delegate)
            m_delegate->setBackgroundColor(*this, color);
    }
}

void Terminal::oscResetDefaultColor(int number)
{
    auto& before = m_defaultColorsBeforeProgram[size_t(number)];
    if (!before)
        return;
    const Color color = *before;
    before.reset();
    setDefaultColorFromProgram(number, color);
}

void Terminal::oscResetColor(std::span<const uint8_t> data)
{
    if (data.empty()) {
        resetAllColors();
        return;
    }
    if (std::any_of(data.begin(), data.end(), [](uint8_t byte) { return byte >= 0x80; }))
        return;
    for (const Bytes item : nonEmptyItems(data)) {
        const char* first = reinterpret_cast<const char*>(item.data());
        const char* last = first + item.size();
        int index = 0;
        const auto [end, error] = std::from_chars(first, last, index);
        if (error == std::errc::result_out_of_range)
            continue;
        // An item that is no number resets entry 0, as the sequence has always done.
        if (error != std::errc() || end != last)
            index = 0;
        if (index < 0 || index > 255)
            continue;
        ansiColors[size_t(index)] = defaultAnsiColors[size_t(index)];
        if (m_delegate)
            m_delegate->colorChanged(*this, index);
    }
}

void Terminal::resetAllColors()
{
    ansiColors = defaultAnsiColors;
    if (m_delegate)
        m_delegate->colorChanged(*this, std::nullopt);
}

} // namespace zentrova
