#pragma once

namespace zentrova {

// A window operation or report asked for with CSI ... t, handed to the host.
struct WindowManipulationCommand {
    enum class Kind {
        moveWindowTo, // first = x, second = y
        resizeWindowTo, // first = width, second = height (pixels)
        resizeTo, // first = cols, second = rows
        resizeTerminal, // first = cols, second = rows
        resizeToLines, // first = lines
        deiconifyWindow,
        iconifyWindow,
        bringToFront,
        sendToBack,
        refreshWindow,
        restoreMaximizedWindow,
        maximizeWindow,
        maximizeWindowVertically,
        maximizeWindowHorizontally,
        undoFullScreen,
        switchToFullScreen,
        toggleFullScreen,
        reportTerminalState,
        reportTerminalPosition,
        reportTextAreaPosition,
        reportTextAreaPixelDimension,
        reportTerminalWindowPixelDimension,
        reportSizeOfScreenInPixels,
        reportCellSizeInPixels,
        reportTextAreaCharacters,
        reportScreenSizeCharacters,
        reportIconLabel,
        reportWindowTitle,
    };

    Kind kind = Kind::refreshWindow;
    int first = 0;
    int second = 0;

    bool operator==(const WindowManipulationCommand&) const = default;
};

} // namespace zentrova
