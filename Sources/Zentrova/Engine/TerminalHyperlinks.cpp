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
    // Collect before the lookup, never between it and the write of the first cell: until then no
    // cell holds the new code, and a collection would release it under the link.
    if (m_payloadCodes.needsCollection())
        garbageCollectPayload();
    auto atom = TinyAtom::lookup(value);
    if (!atom && m_payloadCodes.collectsAfterRefusal()) {
        // The table is full: give back what this terminal's cells no longer hold, and have every
        // other terminal do the same at its next feed.
        TinyAtom::requestCollection();
        garbageCollectPayload();
        atom = TinyAtom::lookup(std::move(value));
    }
    if (!atom) {
        m_payloadCodes.noteRefusal();
        return std::nullopt;
    }
    m_payloadCodes.noteLookup();
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

} // namespace zentrova
