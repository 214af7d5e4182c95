#pragma once

#include "Zentrova/Screen/TerminalOptions.h"

#include <span>
#include <string>

namespace zentrova {

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

} // namespace zentrova
