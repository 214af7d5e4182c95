// Sixel images (DCS q ... ST): the string is collected whole and decoded at its terminator, then
// handed to the host, which places it at the cursor.

#include "Zentrova/Engine/Terminal.h"

#include "Zentrova/Engine/TerminalDelegate.h"
#include "Zentrova/Graphics/SixelDecoder.h"
#include "Zentrova/Parser/DcsHandler.h"

namespace zentrova {
namespace {

class SixelDcsHandler final : public DcsHandler {
public:
    explicit SixelDcsHandler(Terminal& terminal)
        : m_terminal(terminal)
    {
    }

    // The aspect ratio and background parameters are not used.
    void hook(std::span<const uint8_t>, std::span<const int>, uint8_t) override { m_data.clear(); }

    // The parser caps a string's payload, which bounds what is kept here.
    void put(std::span<const uint8_t> data) override { m_data.insert(m_data.end(), data.begin(), data.end()); }

    void unhook() override
    {
        auto image = decodeSixel(m_data, m_terminal.defaultAnsiColors);
        m_data = {};
        if (image && m_terminal.delegate())
            m_terminal.delegate()->createImageFromBitmap(m_terminal, image->pixels, image->width, image->height);
    }

private:
    Terminal& m_terminal;
    std::vector<uint8_t> m_data;
};

} // namespace

std::unique_ptr<DcsHandler> Terminal::makeSixelDcsHandler()
{
    return std::make_unique<SixelDcsHandler>(*this);
}

} // namespace zentrova
