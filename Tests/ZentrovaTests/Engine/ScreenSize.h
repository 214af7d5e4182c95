#pragma once

#include "Zentrova/Screen/TerminalOptions.h"

namespace zentrova {

// Options for a terminal of `cols` by `rows` with that much scrollback, every other option at its
// default.
inline TerminalOptions screenSize(int cols, int rows, int scrollback = TerminalOptions().scrollback)
{
    TerminalOptions options;
    options.cols = cols;
    options.rows = rows;
    options.scrollback = scrollback;
    return options;
}

} // namespace zentrova
