#pragma once

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Engine/TerminalDelegate.h"
#include "Zentrova/Process/LocalProcess.h"
#include "Zentrova/Process/LocalProcessDelegate.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zentrova {

class MainQueue;

// A terminal bound to a child process with no view: for tools and tests that run a program inside
// the emulator and read its screen. The child's output is parsed on `queue` as it is delivered;
// nothing else synchronises the terminal, so read it and feed it only on that queue's thread.
// The child is not started here: start it through process().
class HeadlessTerminal final : public TerminalDelegate, public LocalProcessDelegate {
public:
    struct Image {
        std::vector<uint8_t> bytes;
        int width = 0;
        int height = 0;
    };

    // `queue` delivers the child's output and runs the terminal's time-outs; it must outlive this.
    // `onEnd` gets the child's exit code (nothing when it could not be collected) once it exits.
    HeadlessTerminal(MainQueue& queue, const TerminalOptions& options,
                     std::function<void(std::optional<int32_t>)> onEnd = {});
    HeadlessTerminal(const HeadlessTerminal&) = delete;
    HeadlessTerminal& operator=(const HeadlessTerminal&) = delete;

    Terminal& terminal() { return m_terminal; }
    LocalProcess& process() { return m_process; }
    MainQueue& queue() const { return m_queue; }
    // Every bitmap the terminal asked to show, in order; nothing is drawn.
    const std::vector<Image>& images() const { return m_images; }
    // The current directory the child last reported (OSC 7), as it sent it; nothing until then.
    const std::optional<std::string>& dir() const { return m_dir; }

    // New scrollback for the main screen (none: no history), kept in the terminal's options.
    void changeScrollback(std::optional<int> lines);

    // User input for the child, written behind earlier input; dropped while the child is not running.
    void send(std::span<const uint8_t> data);
    void send(std::string_view text);

    // LocalProcessDelegate
    void processTerminated(LocalProcess& source, std::optional<int32_t> exitCode) override;
    void dataReceived(std::span<const uint8_t> slice) override;
    // The terminal's rows and columns, with 16 x 16 pixels for the text area.
    winsize getWindowSize() override;

    // TerminalDelegate: the terminal's replies go to the child as they are.
    void send(Terminal& source, std::span<const uint8_t> data) override;
    void createImageFromBitmap(Terminal& source, std::vector<uint8_t>& bytes, int width, int height) override;
    void hostCurrentDirectoryUpdated(Terminal& source) override;

private:
    MainQueue& m_queue;
    std::function<void(std::optional<int32_t>)> m_onEnd;
    std::vector<Image> m_images;
    std::optional<std::string> m_dir;
    // Declared after the terminal so that the child's output stops before the terminal goes.
    Terminal m_terminal;
    LocalProcess m_process;
};

} // namespace zentrova
