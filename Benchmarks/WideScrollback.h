#pragma once

// A terminal whose scrollback is full of wide rows of words: 10,000 lines of 200 columns, "needle"
// starting every tenth line. The text services (search, selection) are measured over it.

#include "Zentrova/Engine/Terminal.h"

#include <memory>
#include <string>

namespace widescrollback {

inline std::unique_ptr<zentrova::Terminal> makeTerminal()
{
    zentrova::TerminalOptions options;
    options.cols = 200;
    options.rows = 50;
    options.scrollback = 10000;
    auto terminal = std::make_unique<zentrova::Terminal>(nullptr, options);
    const std::string words = "lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod tempor ";
    std::string text;
    for (int line = 0; line < 10000; line++) {
        std::string row = line % 10 == 0 ? "needle " : "";
        while (row.size() < 200)
            row += words;
        row.resize(200);
        text += row;
        text += "\r\n";
    }
    terminal->feed(text);
    return terminal;
}

} // namespace widescrollback
