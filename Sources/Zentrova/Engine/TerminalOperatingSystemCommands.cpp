// Operating-system commands: the current directory and document, hyperlinks, progress reports, the
// clipboard, notifications and inline content. Malformed payloads are dropped without a reply.

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Engine/Base64.h"
#include "Zentrova/Engine/TerminalDelegate.h"
#include "Zentrova/Parser/EscapeSequenceParser.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <charconv>
#include <map>

namespace zentrova {
namespace {

using Bytes = std::span<const uint8_t>;

std::string_view textOf(Bytes bytes)
{
    return { reinterpret_cast<const char*>(bytes.data()), bytes.size() };
}

std::optional<std::string> decodeAscii(Bytes bytes)
{
    if (std::any_of(bytes.begin(), bytes.end(), [](uint8_t byte) { return byte >= 0x80; }))
        return std::nullopt;
    return std::string(textOf(bytes));
}

// A decimal integer with an optional sign; nothing for anything else or a value out of range.
std::optional<int64_t> parseInteger(std::string_view text)
{
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-'))
            return std::nullopt;
    }
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// "auto" or nothing, n% (1-100), npx (1-4095) or n cells (1-199); any other text is auto.
ImageSizeRequest parseImageSize(const std::optional<std::string>& text)
{
    if (!text)
        return {};
    const std::string_view value = *text;
    const struct {
        std::string_view suffix;
        int64_t maximum;
        ImageSizeRequest (*make)(int);
    } units[] = {
        { "%", 100, ImageSizeRequest::percent },
        { "px", 4095, ImageSizeRequest::pixels },
        { "", 199, ImageSizeRequest::cells },
    };
    for (const auto& unit : units) {
        if (!value.ends_with(unit.suffix))
            continue;
        const auto number = parseInteger(value.substr(0, value.size() - unit.suffix.size()));
        if (number && *number >= 1 && *number <= unit.maximum)
            return unit.make(int(*number));
        return {};
    }
    return {};
}

} // namespace

bool Terminal::isValidUtf8(std::span<const uint8_t> bytes)
{
    if (bytes.size() > size_t(INT32_MAX))
        return false;
    const auto length = int32_t(bytes.size());
    int32_t offset = 0;
    while (offset < length) {
        UChar32 scalar;
        U8_NEXT(bytes.data(), offset, length, scalar);
        if (scalar < 0)
            return false;
    }
    return true;
}

std::optional<std::string> Terminal::decodeUtf8(std::span<const uint8_t> bytes)
{
    if (!isValidUtf8(bytes))
        return std::nullopt;
    return std::string(textOf(bytes));
}

std::vector<std::string_view> Terminal::splitKeepingEmpty(std::string_view text, char separator)
{
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (size_t end = text.find(separator); end != std::string_view::npos; end = text.find(separator, start)) {
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    fields.push_back(text.substr(start));
    return fields;
}

void Terminal::registerOscHandler(int64_t code, std::function<void(std::span<const uint8_t>)> handler)
{
    m_parser->oscHandlers[code] = std::move(handler);
}

void Terminal::oscSetCurrentDirectory(std::span<const uint8_t> data)
{
    setHostLocation(data, hostCurrentDirectory, &TerminalDelegate::hostCurrentDirectoryUpdated);
}

void Terminal::oscSetCurrentDocument(std::span<const uint8_t> data)
{
    setHostLocation(data, hostCurrentDocument, &TerminalDelegate::hostCurrentDocumentUpdated);
}

void Terminal::setHostLocation(std::span<const uint8_t> data, std::optional<std::string>& location,
                               void (TerminalDelegate::*updated)(Terminal&))
{
    if (!m_delegate || !m_delegate->isProcessTrusted(*this))
        return;
    // Kept as sent (often a file: URL); the host interprets it.
    auto text = decodeUtf8(data);
    if (!text)
        return;
    location = std::move(text);
    (m_delegate->*updated)(*this);
}

void Terminal::oscHyperlink(std::span<const uint8_t> data)
{
    // ";" alone (no parameters, no URI) closes the link. Anything else opens one with the whole
    // text, so cells printed under two links with equal text still tell the links apart; the text
    // reaches the payload table only when a cell is printed under it.
    if (data.size() == 1 && data[0] == ';') {
        activeHyperlink.reset();
        return;
    }
    activeHyperlink = decodeAscii(data).value_or(std::string());
}

std::optional<ProgressReport> Terminal::parseProgressReport(std::span<const uint8_t> data)
{
    const auto text = decodeAscii(data);
    if (!text)
        return std::nullopt;
    const std::vector<std::string_view> fields = splitKeepingEmpty(*text, ';');
    if (fields.size() < 2 || fields[0] != "4" || fields[1].size() != 1)
        return std::nullopt;
    const auto state = fields[1][0] >= '0' ? progressReportStateFromRawValue(fields[1][0] - '0') : std::nullopt;
    if (!state)
        return std::nullopt;
    if (fields.size() < 3 || fields[2].empty())
        return ProgressReport { *state, *state == ProgressReportState::set ? std::optional<uint8_t>(0) : std::nullopt };
    const auto value = parseInteger(fields[2]);
    if (!value)
        return std::nullopt;
    if (*state == ProgressReportState::remove)
        return ProgressReport { *state, std::nullopt };
    return ProgressReport { *state, uint8_t(std::clamp<int64_t>(*value, 0, 100)) };
}

void Terminal::oscProgressReport(std::span<const uint8_t> data)
{
    const auto report = parseProgressReport(data);
    if (!report) {
        // Other OSC 9 forms (plain messages) are left to whoever replaced the fallback.
        oscFallback(9, data);
        return;
    }
    if (m_delegate)
        m_delegate->progressReport(*this, *report);
}

void Terminal::oscClipboard(std::span<const uint8_t> data)
{
    const auto separator = std::find(data.begin(), data.end(), uint8_t(';'));
    if (separator == data.end())
        return;
    const Bytes content(separator + 1, data.end());
    if (textOf(content) == "?") {
        if (!m_delegate)
            return;
        const auto clipboard = m_delegate->clipboardRead(*this);
        if (!clipboard)
            return;
        std::string selection = decodeAscii(Bytes(data.begin(), separator)).value_or(std::string());
        if (selection.empty())
            selection = "c";
        sendOscReply("52;" + selection + ";" + Base64::encode(*clipboard));
        return;
    }
    // Which selection a write names makes no difference: there is one clipboard.
    const auto decoded = Base64::decode(content);
    if (decoded && m_delegate)
        m_delegate->clipboardCopy(*this, *decoded);
}

void Terminal::oscNotification(std::span<const uint8_t> data)
{
    const auto text = decodeUtf8(data);
    if (!text || !m_delegate)
        return;
    const std::string_view whole = *text;
    const std::vector<std::string_view> fields = splitKeepingEmpty(whole, ';');
    if (fields.size() < 3 || fields[0] != "notify")
        return;
    // The body keeps its own separators.
    const size_t bodyStart = fields[0].size() + fields[1].size() + 2;
    m_delegate->notify(*this, std::string(fields[1]), std::string(whole.substr(bodyStart)));
}

void Terminal::osciTerm2(std::span<const uint8_t> data)
{
    const auto equals = std::find(data.begin(), data.end(), uint8_t('='));
    if (equals == data.end())
        return;
    const auto key = decodeUtf8(Bytes(data.begin(), equals));
    if (!key || !m_delegate)
        return;
    if (*key != "File") {
        m_delegate->iTermContent(*this, data);
        return;
    }
    // File=key=value;key=value:base64 contents
    const auto colon = std::find(equals + 1, data.end(), uint8_t(':'));
    if (colon == data.end())
        return;
    std::map<std::string, std::string, std::less<>> arguments;
    for (std::string_view pair : splitKeepingEmpty(textOf(Bytes(equals + 1, colon)), ';')) {
        const size_t separator = pair.find('=');
        const auto decoded = decodeUtf8(Bytes(reinterpret_cast<const uint8_t*>(pair.data()), pair.size()));
        if (separator == std::string_view::npos || !decoded)
            break;
        arguments[decoded->substr(0, separator)] = decoded->substr(separator + 1);
    }
    const auto argument = [&](std::string_view name) -> std::optional<std::string> {
        const auto found = arguments.find(name);
        return found == arguments.end() ? std::nullopt : std::optional(found->second);
    };
    if (argument("inline") != "1") {
        m_delegate->iTermContent(*this, data);
        return;
    }
    const auto image = Base64::decode(Bytes(colon + 1, data.end()));
    if (!image)
        return;
    const auto preserve = argument("preserveAspectRatio");
    m_delegate->createImage(*this, *image, parseImageSize(argument("width")), parseImageSize(argument("height")),
                            !preserve || *preserve == "1");
}

} // namespace zentrova
