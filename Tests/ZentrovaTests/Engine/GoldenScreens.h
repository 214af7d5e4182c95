#pragma once

#include "Zentrova/Screen/TerminalOptions.h"

#include <span>
#include <string>
#include <string_view>

namespace zentrova {

class Terminal;

// One row of a golden-screen table: bytes fed to a fresh 10 x 5 terminal and the screen text and
// cursor they must leave (see ScreenText.h for the notation).
struct GoldenScreenCase {
    std::string name;
    std::string script;
    std::string screen;
    std::string cursor;
};

TerminalOptions tenByFiveScreen();
void expectGoldenScreens(std::span<const GoldenScreenCase> cases);

// Feeds `bytes` in one call, or one call per byte, to show that a split anywhere changes nothing.
void feedWholeOrByteByByte(Terminal& terminal, std::string_view bytes, bool byteByByte);
// Everything a fresh 80 x 25 terminal sends back while `bytes` are fed to it that way.
std::string repliesTo(std::string_view bytes, bool byteByByte);

} // namespace zentrova
