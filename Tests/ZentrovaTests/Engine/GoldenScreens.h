#pragma once

#include "Zentrova/Screen/TerminalOptions.h"

#include <optional>
#include <span>
#include <string>

namespace zentrova {

// One row of a golden-screen table: bytes fed to a fresh terminal (10 x 5 unless the row names
// another size) and the screen text and cursor they must leave (see ScreenText.h for the notation),
// and, when given, the bytes the terminal must send back.
struct GoldenScreenCase {
    std::string name;
    std::string script;
    std::string screen;
    std::string cursor;
    std::optional<std::string> reply = std::nullopt;
    int cols = 10;
    int rows = 5;
};

enum class GoldenFeed {
    whole,
    // Also fed one byte at a time, which must leave the same screen, cursor and reply.
    wholeAndByteByByte,
};

TerminalOptions tenByFiveScreen();
void expectGoldenScreens(std::span<const GoldenScreenCase> cases, GoldenFeed feed = GoldenFeed::whole);

} // namespace zentrova
