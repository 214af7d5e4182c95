#pragma once

#include "Zentrova/Engine/TerminalDelegate.h"

#include <string>
#include <vector>

namespace zentrova {

// A terminal host that writes down the calls it gets, one line each ("bell", "title:text"), and
// keeps what the terminal sends. The calls it does not record keep their defaults.
class RecordingTerminalDelegate : public TerminalDelegate {
public:
    void send(Terminal& source, std::span<const uint8_t> data) override;
    void setTerminalTitle(Terminal& source, const std::string& title) override;
    void setTerminalIconTitle(Terminal& source, const std::string& title) override;
    void scrolled(Terminal& source, int yDisp) override;
    void linefeed(Terminal& source) override;
    void bell(Terminal& source) override;
    void mouseModeChanged(Terminal& source) override;
    void colorChanged(Terminal& source, std::optional<int> idx) override;
    void setForegroundColor(Terminal& source, const Color& color) override;
    void setBackgroundColor(Terminal& source, const Color& color) override;
    void showCursor(Terminal& source) override;
    void hideCursor(Terminal& source) override;
    void synchronizedOutputChanged(Terminal& source, bool active) override;
    void bufferActivated(Terminal& source) override;
    // Answers `trusted`.
    bool isProcessTrusted(Terminal& source) override;
    // Answers `titleReports`.
    bool allowsTitleReports(Terminal& source) override;

    // The recorded calls of one kind ("bell", "title:..." lines start with it).
    int count(const std::string& prefix) const;

    std::vector<std::string> events;
    std::string sent;
    // Assign the colour back to the terminal from inside setForegroundColor, as some hosts do.
    bool echoForeground = false;
    bool trusted = true;
    bool titleReports = true;
};

} // namespace zentrova
