#include "Zentrova/Engine/HeadlessTerminal.h"

#include <algorithm>
#include <utility>

namespace zentrova {

HeadlessTerminal::HeadlessTerminal(MainQueue& queue, const TerminalOptions& options,
                                   std::function<void(std::optional<int32_t>)> onEnd)
    : m_queue(queue)
    , m_onEnd(std::move(onEnd))
    , m_terminal(this, options, &queue)
    , m_process(this, queue)
{
}

void HeadlessTerminal::send(std::span<const uint8_t> data)
{
    // Through the terminal, so that shell integration sees the user submit a command line; the
    // terminal hands the bytes back through send(Terminal&, ...) to the child.
    m_terminal.sendUserInput(data);
}

void HeadlessTerminal::send(std::string_view text)
{
    send(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void HeadlessTerminal::changeScrollback(std::optional<int> lines)
{
    m_terminal.changeScrollback(lines);
}

void HeadlessTerminal::processTerminated(LocalProcess&, std::optional<int32_t> exitCode)
{
    if (m_onEnd)
        m_onEnd(exitCode);
}

void HeadlessTerminal::dataReceived(std::span<const uint8_t> slice)
{
    m_terminal.feed(slice);
}

winsize HeadlessTerminal::getWindowSize()
{
    const auto field = [](int value) { return static_cast<unsigned short>(std::clamp(value, 0, 65535)); };
    return { field(m_terminal.rows), field(m_terminal.cols), 16, 16 };
}

void HeadlessTerminal::send(Terminal&, std::span<const uint8_t> data)
{
    m_process.send(data);
}

void HeadlessTerminal::createImageFromBitmap(Terminal&, std::vector<uint8_t>& bytes, int width, int height)
{
    m_images.push_back({ bytes, width, height });
}

void HeadlessTerminal::hostCurrentDirectoryUpdated(Terminal& source)
{
    m_dir = source.hostCurrentDirectory;
}

} // namespace zentrova
