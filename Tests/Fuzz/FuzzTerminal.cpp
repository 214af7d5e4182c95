// What a child program can write to a terminal: the bytes go through the whole engine at one size,
// then, after a resize (which reflows), at another; the screen is read back as text and links are
// looked up at the end, as a view and a click would.
//
// Input: four bytes give the two sizes, a fifth where the stream is cut; the rest is the output.

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Engine/TerminalDelegate.h"

#include <cstddef>
#include <cstdint>
#include <span>

using namespace zentrova;

namespace {

// Replies are dropped; everything else keeps the delegate's own behaviour.
class SilentDelegate final : public TerminalDelegate {
public:
    void send(Terminal&, std::span<const uint8_t>) override {}
};

int sizeFrom(uint8_t byte, int span)
{
    return 1 + byte % span;
}

void lookUpLinks(Terminal& terminal)
{
    const auto [cols, rows] = terminal.getDims();
    const auto [cursorCol, cursorRow] = terminal.getCursorLocation();
    const Position places[] = { { 0, 0 }, { cursorCol, cursorRow }, { cols - 1, rows - 1 }, { cols / 2, rows / 2 } };
    for (const Position& place : places) {
        terminal.link(LinkLookupLocation::screen(place), LinkLookupMode::explicitAndImplicit);
        terminal.linkMatch(LinkLookupLocation::screen(place), LinkLookupMode::explicitOnly);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 5)
        return 0;
    SilentDelegate delegate;
    TerminalOptions options;
    options.cols = sizeFrom(data[0], 100);
    options.rows = sizeFrom(data[1], 40);
    options.scrollback = 100;
    Terminal terminal(&delegate, options);

    const std::span<const uint8_t> output(data + 5, size - 5);
    const size_t cut = output.size() * data[4] / 255;
    terminal.feed(output.first(cut));
    terminal.resize(sizeFrom(data[2], 100), sizeFrom(data[3], 40));
    terminal.feed(output.subspan(cut));

    terminal.getBufferAsData();
    terminal.getBufferAsData(Terminal::BufferKind::normal);
    terminal.getText({ 0, 0 }, { terminal.getDims().first, terminal.buffer().lines().count() - 1 });
    lookUpLinks(terminal);
    return 0;
}
