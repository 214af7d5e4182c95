#include "Zentrova/Screen/BellStyle.h"
#include "Zentrova/Screen/CursorStyle.h"
#include "Zentrova/Screen/TerminalOptions.h"

#include <gtest/gtest.h>

#include <vector>

namespace zentrova {
namespace {

TEST(TerminalOptions, Defaults)
{
    const auto& options = TerminalOptions::Default;
    EXPECT_EQ(options.cols, 80);
    EXPECT_EQ(options.rows, 25);
    EXPECT_EQ(options.termName, "xterm-256color");
    EXPECT_EQ(options.cursorStyle, CursorStyle::blinkBlock);
    EXPECT_EQ(options.scrollback, 500);
    EXPECT_EQ(options.tabStopWidth, 8);
    EXPECT_TRUE(options.enableSixelReported);
    EXPECT_EQ(options.kittyImageCacheLimitBytes, 335544320);
    EXPECT_EQ(options.ansi256PaletteStrategy, Ansi256PaletteStrategy::base16Lab);
    EXPECT_EQ(options.regionalIndicatorWidth, RegionalIndicatorWidth::wide);
    EXPECT_EQ(options.initialBidiState, BidiPresentationState::Default);
    EXPECT_EQ(options.initialBidiState.supportMode, BidiSupportMode::implicit);
    EXPECT_TRUE(options.initialBidiState.autodetectDirection);
    EXPECT_EQ(options.initialBidiState.fallbackDirection, BidiDirection::leftToRight);
    EXPECT_FALSE(options.initialBidiState.boxMirroring);
    EXPECT_EQ(options.maximumBidiParagraphRows(), 500);
    EXPECT_FALSE(options.initialBidiArrowKeySwap);
    EXPECT_EQ(TerminalOptions(), options);
}

TEST(TerminalOptions, BidiParagraphRowsAreAtLeastOne)
{
    struct Case {
        int given;
        int held;
    };
    for (const auto& c : { Case { 0, 1 }, Case { -5, 1 }, Case { 1, 1 }, Case { 2, 2 } }) {
        SCOPED_TRACE(c.given);
        TerminalOptions options;
        options.setMaximumBidiParagraphRows(c.given);
        EXPECT_EQ(options.maximumBidiParagraphRows(), c.held);
    }
}

template <typename Enum>
struct NameCase {
    Enum value;
    const char* tag;
    const char* display;
};

// Each case in order, with both its names, found again by its tag.
template <typename Enum, size_t Count, typename Lookup>
void expectNames(const std::array<Enum, Count>& allCases, const std::vector<NameCase<Enum>>& cases, Lookup fromTagName)
{
    ASSERT_EQ(allCases.size(), cases.size());
    for (size_t i = 0; i < cases.size(); i++) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.tag);
        EXPECT_EQ(allCases[i], c.value);
        EXPECT_EQ(tagName(c.value), c.tag);
        EXPECT_EQ(displayName(c.value), c.display);
        EXPECT_EQ(fromTagName(c.tag), c.value);
    }
}

TEST(TerminalOptions, CursorStyleNames)
{
    expectNames<CursorStyle>(allCursorStyles,
                             {
                                 { CursorStyle::blinkBlock, "blinkBlock", "Blinking Block" },
                                 { CursorStyle::steadyBlock, "steadyBlock", "Steady Block" },
                                 { CursorStyle::blinkUnderline, "blinkUnderline", "Blinking Underline" },
                                 { CursorStyle::steadyUnderline, "steadyUnderline", "Steady Underline" },
                                 { CursorStyle::blinkBar, "blinkBar", "Blinking Bar" },
                                 { CursorStyle::steadyBar, "steadyBar", "Steady Bar" },
                             },
                             cursorStyleFromTagName);
    EXPECT_EQ(cursorStyleFromTagName("SteadyBar"), std::nullopt);
    EXPECT_EQ(cursorStyleFromTagName("Steady Bar"), std::nullopt);
    EXPECT_EQ(cursorStyleFromTagName(""), std::nullopt);
}

TEST(TerminalOptions, BellStyleNames)
{
    expectNames<BellStyle>(allBellStyles,
                           {
                               { BellStyle::none, "none", "None" },
                               { BellStyle::sound, "sound", "Sound" },
                               { BellStyle::visual, "visual", "Visual" },
                               { BellStyle::soundAndVisual, "soundAndVisual", "Sound and Visual" },
                           },
                           bellStyleFromTagName);
    EXPECT_EQ(bellStyleFromTagName("Sound and Visual"), std::nullopt);
    EXPECT_EQ(bellStyleFromTagName("None"), std::nullopt);
}

} // namespace
} // namespace zentrova
