#pragma once

#include "Zentrova/Screen/TerminalOptions.h"

namespace zentrova {

// Options for a terminal of `cols` by `rows`, every other option at its default.
inline TerminalOptions screenSize(int cols, int rows)
{
    TerminalOptions options;
    options.cols = cols;
    options.rows = rows;
    return options;
}

} // namespace zentrova
