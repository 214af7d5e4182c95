#pragma once

#include "Zentrova/Screen/Ansi256PaletteStrategy.h"
#include "Zentrova/Screen/CursorStyle.h"
#include "Zentrova/Screen/RegionalIndicatorWidth.h"
#include "Zentrova/Text/BidiPresentationState.h"

#include <cstdint>
#include <string>

namespace zentrova {

// What a host hands a new terminal. The member defaults are the defaults.
struct TerminalOptions {
    int cols = 80;
    int rows = 25;
    bool convertEol = false; // initial line-feed mode: a line feed also returns to column 0
    std::string termName = "xterm-256color";
    CursorStyle cursorStyle = CursorStyle::blinkBlock;
    bool screenReaderMode = false;
    int scrollback = 500;
    int tabStopWidth = 8;
    bool enableSixelReported = true;
    int64_t kittyImageCacheLimitBytes = 335544320; // 320 MiB of stored kitty images
    Ansi256PaletteStrategy ansi256PaletteStrategy = Ansi256PaletteStrategy::base16Lab;
    RegionalIndicatorWidth regionalIndicatorWidth = RegionalIndicatorWidth::wide;
    BidiPresentationState initialBidiState = BidiPresentationState::Default;
    bool initialBidiArrowKeySwap = false;

    static const TerminalOptions Default;

    // The largest paragraph, in rows, that the bidi layout treats as one; values below 1 become 1.
    int maximumBidiParagraphRows() const { return m_maximumBidiParagraphRows; }
    void setMaximumBidiParagraphRows(int rows) { m_maximumBidiParagraphRows = rows < 1 ? 1 : rows; }

    bool operator==(const TerminalOptions&) const = default;

private:
    int m_maximumBidiParagraphRows = 500;
};

inline const TerminalOptions TerminalOptions::Default {};

} // namespace zentrova
