#include "Zentrova/Engine/ImplicitLinkFinder.h"
#include "Zentrova/Engine/Terminal.h"

#include <algorithm>

namespace zentrova {
namespace {

// The cell position a lookup means, in buffer rows and clamped into the buffer; nothing for an empty one.
std::optional<Position> resolveLinkLocation(const LinkLookupLocation& at, const Buffer& buffer)
{
    const int rowCount = buffer.lines().count();
    if (rowCount == 0)
        return std::nullopt;
    const int row = at.position.row + (at.kind == LinkLookupLocation::Kind::screen ? buffer.yDisp() : 0);
    return Position { std::clamp(at.position.col, 0, buffer.cols() - 1), std::clamp(row, 0, rowCount - 1) };
}

// The payload code of a cell, the right half of a wide character taking that of its left half.
std::optional<uint16_t> payloadCode(const Position& at, Buffer& buffer)
{
    const BufferLine& line = buffer.line(at.row);
    const int limit = std::min(line.count(), buffer.cols());
    if (limit <= 0)
        return std::nullopt;
    const int col = std::clamp(at.col, 0, limit - 1);
    uint16_t code = line[col].payload().code;
    if (code == 0 && line[col].code() == 0 && col > 0 && line[col - 1].width() == 2)
        code = line[col - 1].payload().code;
    return code == 0 ? std::nullopt : std::optional(code);
}

// The OSC 8 link under a cell. It covers the run of cells of its code on this row only: a link that
// wrapped onto the next row is found there as a match of its own.
std::optional<LinkMatch> explicitLinkMatch(const Position& at, Buffer& buffer)
{
    const auto code = payloadCode(at, buffer);
    if (!code)
        return std::nullopt;
    const int limit = std::min(buffer.line(at.row).count(), buffer.cols());
    const int col = std::clamp(at.col, 0, limit - 1);
    int first = col;
    while (first > 0 && payloadCode({ first - 1, at.row }, buffer) == code)
        first--;
    int last = col;
    while (last + 1 < limit && payloadCode({ last + 1, at.row }, buffer) == code)
        last++;
    const std::any value = TinyAtom { *code }.target();
    const auto* text = std::any_cast<std::string>(&value);
    auto uri = text ? Terminal::parseHyperlinkPayload(*text) : std::nullopt;
    if (!uri)
        return std::nullopt;
    const LinkMatch::ColumnRange range { first, last + 1 };
    return LinkMatch { std::move(*uri), at.row, range, true, { { at.row, range } } };
}

} // namespace

std::optional<std::string> Terminal::link(const LinkLookupLocation& at, LinkLookupMode mode)
{
    auto match = linkMatch(at, mode);
    if (!match)
        return std::nullopt;
    return std::move(match->text);
}

std::optional<LinkMatch> Terminal::linkMatch(const LinkLookupLocation& at, LinkLookupMode mode)
{
    const auto position = resolveLinkLocation(at, *m_buffer);
    if (!position)
        return std::nullopt;
    if (auto match = explicitLinkMatch(*position, *m_buffer))
        return match;
    if (mode == LinkLookupMode::explicitOnly)
        return std::nullopt;
    return ImplicitLinkFinder(*this, *m_buffer).implicitLinkMatch(*position);
}

} // namespace zentrova
