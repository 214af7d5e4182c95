#pragma once

#include "Zentrova/Engine/ImageSizeRequest.h"
#include "Zentrova/Engine/ProgressReport.h"
#include "Zentrova/Engine/WindowManipulationCommand.h"
#include "Zentrova/Screen/Color.h"
#include "Zentrova/Screen/CursorStyle.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace zentrova {

class Terminal;

// How a terminal talks to its host: replies to the child, titles, bell, colours, clipboard,
// notifications, progress and images. Every call names the calling terminal. Only send() must be
// implemented; the others have defaults (most do nothing). The terminal keeps a plain pointer to
// its delegate and never owns it.
class TerminalDelegate {
public:
    virtual ~TerminalDelegate() = default;

    virtual void showCursor(Terminal& source);
    virtual void hideCursor(Terminal& source);
    virtual void setTerminalTitle(Terminal& source, const std::string& title);
    virtual void setTerminalIconTitle(Terminal& source, const std::string& title);
    // Bytes to send back as the reply, or nothing. For the size reports (CSI 14, 15, 16 and 19 t)
    // nothing lets the terminal answer from its own grid; an empty reply answers nothing at all,
    // as a host does before it knows its cell size.
    virtual std::optional<std::vector<uint8_t>> windowCommand(Terminal& source, const WindowManipulationCommand& command);
    virtual void sizeChanged(Terminal& source);
    // Bytes for the child process: one call per reply.
    virtual void send(Terminal& source, std::span<const uint8_t> data) = 0;
    virtual void scrolled(Terminal& source, int yDisp);
    virtual void linefeed(Terminal& source);
    virtual void bufferActivated(Terminal& source);
    virtual void synchronizedOutputChanged(Terminal& source, bool active);
    virtual void bell(Terminal& source);
    virtual void selectionChanged(Terminal& source);
    // Whether the process may use the features that reach outside the terminal; true by default.
    virtual bool isProcessTrusted(Terminal& source);
    // Whether the icon and window title reports (CSI 20 t, CSI 21 t) are answered; false by default.
    // A title is whatever the program (or a file it printed) set, so its report types that text
    // into the program's input.
    virtual bool allowsTitleReports(Terminal& source);
    // (width, height) of a cell in pixels, when the host knows it.
    virtual std::optional<std::pair<int, int>> cellSizeInPixels(Terminal& source);
    virtual void mouseModeChanged(Terminal& source);
    virtual void cursorStyleChanged(Terminal& source, CursorStyle newStyle);
    virtual void hostCurrentDirectoryUpdated(Terminal& source);
    virtual void hostCurrentDocumentUpdated(Terminal& source);
    // A palette entry changed; nothing means all of them.
    virtual void colorChanged(Terminal& source, std::optional<int> idx);
    // The defaults store the colour in the terminal.
    virtual void setForegroundColor(Terminal& source, const Color& color);
    virtual void setBackgroundColor(Terminal& source, const Color& color);
    virtual void setCursorColor(Terminal& source, const std::optional<Color>& color);
    // (foreground, background); the default answers the terminal's own.
    virtual std::pair<Color, Color> getColors(Terminal& source);
    virtual void iTermContent(Terminal& source, std::span<const uint8_t> content);
    virtual void clipboardCopy(Terminal& source, std::span<const uint8_t> content);
    virtual std::optional<std::vector<uint8_t>> clipboardRead(Terminal& source);
    virtual void notify(Terminal& source, const std::string& title, const std::string& body);
    virtual void progressReport(Terminal& source, const ProgressReport& report);
    // RGBA pixels, width x height.
    virtual void createImageFromBitmap(Terminal& source, std::vector<uint8_t>& bytes, int width, int height);
    // An encoded image file with the size asked for along each axis.
    virtual void createImage(Terminal& source, std::span<const uint8_t> data, const ImageSizeRequest& width,
                             const ImageSizeRequest& height, bool preserveAspectRatio);
};

} // namespace zentrova
