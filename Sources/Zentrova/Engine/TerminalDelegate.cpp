#include "Zentrova/Engine/TerminalDelegate.h"

#include "Zentrova/Engine/Terminal.h"

namespace zentrova {

void TerminalDelegate::showCursor(Terminal&) { }
void TerminalDelegate::hideCursor(Terminal&) { }
void TerminalDelegate::setTerminalTitle(Terminal&, const std::string&) { }
void TerminalDelegate::setTerminalIconTitle(Terminal&, const std::string&) { }

std::optional<std::vector<uint8_t>> TerminalDelegate::windowCommand(Terminal&, const WindowManipulationCommand&)
{
    return std::nullopt;
}

void TerminalDelegate::sizeChanged(Terminal&) { }
void TerminalDelegate::scrolled(Terminal&, int) { }
void TerminalDelegate::linefeed(Terminal&) { }
void TerminalDelegate::bufferActivated(Terminal&) { }
void TerminalDelegate::synchronizedOutputChanged(Terminal&, bool) { }
void TerminalDelegate::bell(Terminal&) { }
void TerminalDelegate::selectionChanged(Terminal&) { }
bool TerminalDelegate::isProcessTrusted(Terminal&) { return true; }
bool TerminalDelegate::allowsTitleReports(Terminal&) { return false; }
std::optional<std::pair<int, int>> TerminalDelegate::cellSizeInPixels(Terminal&) { return std::nullopt; }
void TerminalDelegate::mouseModeChanged(Terminal&) { }
void TerminalDelegate::cursorStyleChanged(Terminal&, CursorStyle) { }
void TerminalDelegate::hostCurrentDirectoryUpdated(Terminal&) { }
void TerminalDelegate::hostCurrentDocumentUpdated(Terminal&) { }
void TerminalDelegate::colorChanged(Terminal&, std::optional<int>) { }

void TerminalDelegate::setForegroundColor(Terminal& source, const Color& color)
{
    source.setForegroundColor(color);
}

void TerminalDelegate::setBackgroundColor(Terminal& source, const Color& color)
{
    source.setBackgroundColor(color);
}

void TerminalDelegate::setCursorColor(Terminal& source, const std::optional<Color>& color)
{
    source.setCursorColor(color);
}

std::pair<Color, Color> TerminalDelegate::getColors(Terminal& source)
{
    return { source.foregroundColor(), source.backgroundColor() };
}

void TerminalDelegate::iTermContent(Terminal&, std::span<const uint8_t>) { }
void TerminalDelegate::clipboardCopy(Terminal&, std::span<const uint8_t>) { }
std::optional<std::vector<uint8_t>> TerminalDelegate::clipboardRead(Terminal&) { return std::nullopt; }
void TerminalDelegate::notify(Terminal&, const std::string&, const std::string&) { }
void TerminalDelegate::progressReport(Terminal&, const ProgressReport&) { }
void TerminalDelegate::createImageFromBitmap(Terminal&, std::vector<uint8_t>&, int, int) { }

void TerminalDelegate::createImage(Terminal&, std::span<const uint8_t>, const ImageSizeRequest&,
                                   const ImageSizeRequest&, bool)
{
}

} // namespace zentrova
