#include "Zentrova/Engine/Terminal.h"

namespace zentrova {

std::optional<TinyAtom> Terminal::resolveActiveHyperlink()
{
    if (!activeHyperlink)
        return std::nullopt;
    if (const auto* atom = std::get_if<TinyAtom>(&*activeHyperlink))
        return *atom;
    if (const auto* text = std::get_if<std::string>(&*activeHyperlink)) {
        if (auto atom = makePayload(*text)) {
            activeHyperlink = *atom;
            return atom;
        }
        activeHyperlink = UnavailableHyperlink {};
    }
    return std::nullopt;
}

std::optional<TinyAtom> Terminal::makePayload(std::any value)
{
    auto atom = TinyAtom::lookup(std::move(value));
    if (atom)
        holdPayloadCode(atom->code);
    return atom;
}

std::optional<std::string> Terminal::parseHyperlinkPayload(std::string_view text)
{
    const size_t separator = text.find(';');
    if (separator == std::string_view::npos)
        return std::nullopt;
    return std::string(text.substr(separator + 1));
}

Buffer::PayloadResolver Terminal::hyperlinkResolver()
{
    if (!activeHyperlink)
        return {};
    return [this] { return resolveActiveHyperlink(); };
}

} // namespace zentrova
