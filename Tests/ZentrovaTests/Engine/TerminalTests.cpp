#include "RecordingTerminalDelegate.h"
#include "ScreenText.h"

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Screen/TinyAtom.h"

#include <gtest/gtest.h>

#include <vector>

namespace zentrova {
namespace {

TerminalOptions withSize(int cols, int rows)
{
    TerminalOptions options;
    options.cols = cols;
    options.rows = rows;
    return options;
}

TEST(Terminal, ConstructionSettlesSizeAndModes)
{
    RecordingTerminalDelegate delegate;
    Terminal tiny(&delegate, withSize(1, 0));
    EXPECT_EQ(tiny.getDims(), std::pair(2, 1));
    EXPECT_EQ(tiny.buffer().lines().count(), 1);
    EXPECT_TRUE(tiny.wraparound);
    EXPECT_TRUE(tiny.buffer().wraparound);
    EXPECT_TRUE(tiny.alternateScrollMode);
    EXPECT_EQ(delegate.count("mouseModeChanged"), 1) << "reported even though the mode was already off";
    EXPECT_FALSE(tiny.isCurrentBufferAlternate());
    EXPECT_EQ(tiny.altBuffer().lines().count(), 0) << "the alternate screen is filled when first shown";
    EXPECT_EQ(tiny.ansiColors.size(), 256u);
    EXPECT_EQ(tiny.currentAttribute(), CharData::Null.attribute());
}

TEST(Terminal, InstallPaletteTakesExactlySixteenColours)
{
    Terminal terminal(nullptr);
    const std::vector<Color> before = terminal.installedColors();
    for (size_t count : { 15u, 17u }) {
        terminal.installPalette(std::vector<Color>(count, Color::rgb8(1, 2, 3)));
        EXPECT_EQ(terminal.installedColors(), before);
    }
    terminal.installPalette(std::vector<Color>(16, Color::rgb8(1, 2, 3)));
    EXPECT_EQ(terminal.ansiColors[5], Color::rgb8(1, 2, 3));
}

TEST(Terminal, DefaultColoursReachTheDelegateAndThePalette)
{
    RecordingTerminalDelegate delegate;
    TerminalOptions options;
    options.ansi256PaletteStrategy = Ansi256PaletteStrategy::xterm;
    Terminal terminal(&delegate, options);
    delegate.events.clear();
    terminal.setBackgroundColor(Color::rgb8(10, 10, 10));
    EXPECT_EQ(delegate.events, (std::vector<std::string> { "setBackgroundColor" }))
        << "the xterm palette does not follow the background";

    delegate.events.clear();
    terminal.setAnsi256PaletteStrategy(Ansi256PaletteStrategy::base16Lab);
    terminal.setBackgroundColor(Color::rgb8(20, 20, 20));
    EXPECT_EQ(delegate.events, (std::vector<std::string> { "colorChanged:all", "setBackgroundColor", "colorChanged:all" }));

    // A host that assigns the colour back from its callback is not called again.
    delegate.events.clear();
    delegate.echoForeground = true;
    terminal.setForegroundColor(Color::rgb8(200, 200, 200));
    EXPECT_EQ(delegate.count("setForegroundColor"), 1);
    EXPECT_EQ(terminal.foregroundColor(), Color::rgb8(200, 200, 200));
}

// The delegate's defaults store colours in the terminal and answer with its own.
TEST(Terminal, DelegateDefaults)
{
    struct MinimalHost : TerminalDelegate {
        void send(Terminal&, std::span<const uint8_t>) override { }
    } host;
    Terminal terminal(&host);
    host.setForegroundColor(terminal, Color::rgb8(1, 1, 1));
    host.setCursorColor(terminal, Color::rgb8(2, 2, 2));
    EXPECT_EQ(terminal.foregroundColor(), Color::rgb8(1, 1, 1));
    EXPECT_EQ(terminal.cursorColor(), Color::rgb8(2, 2, 2));
    EXPECT_EQ(host.getColors(terminal), std::pair(Color::rgb8(1, 1, 1), terminal.backgroundColor()));
    EXPECT_TRUE(host.isProcessTrusted(terminal));
    EXPECT_FALSE(host.cellSizeInPixels(terminal));
    EXPECT_FALSE(host.clipboardRead(terminal));
    EXPECT_FALSE(host.windowCommand(terminal, { WindowManipulationCommand::Kind::reportWindowTitle }));
}

TEST(Terminal, CursorVisibilityIsReportedOnChange)
{
    RecordingTerminalDelegate delegate;
    Terminal terminal(&delegate);
    delegate.events.clear();
    terminal.hideCursor();
    terminal.hideCursor();
    terminal.showCursor();
    terminal.showCursor();
    EXPECT_EQ(delegate.events, (std::vector<std::string> { "hideCursor", "showCursor" }));
}

TEST(Terminal, ResetSetupGivesAFreshMainScreen)
{
    RecordingTerminalDelegate delegate;
    Terminal terminal(&delegate, withSize(10, 3));
    terminal.feed("abc\r\ndef");
    terminal.insertMode = true;
    terminal.curAttr.fg = Attribute::Color::ansi256(3);
    terminal.setup(true);
    EXPECT_EQ(screenText(terminal), "");
    EXPECT_EQ(cursorText(terminal), "0,0");
    EXPECT_FALSE(terminal.insertMode);
    EXPECT_EQ(terminal.curAttr, CharData::Null.attribute());
    terminal.feed("x");
    EXPECT_EQ(screenText(terminal), "x");
}

// Link payload codes are shared by the whole process: the ones no cell holds go back.
TEST(Terminal, PayloadCodesNoCellHoldsAreReleased)
{
    const size_t usedBefore = TinyAtom::usedCount();
    {
        Terminal terminal(nullptr, withSize(10, 3));
        const auto kept = TinyAtom::lookup(std::string("https://kept.example"));
        const auto dropped = TinyAtom::lookup(std::string("https://dropped.example"));
        ASSERT_TRUE(kept && dropped);
        terminal.buffer().insertAsciiRun(std::span(reinterpret_cast<const uint8_t*>("link"), 4),
                                         terminal.curAttr, [&] { return kept; });
        terminal.holdPayloadCode(kept->code);
        terminal.holdPayloadCode(dropped->code);
        terminal.garbageCollectPayload();
        EXPECT_TRUE(terminal.payloadCodes().contains(kept->code));
        EXPECT_FALSE(terminal.payloadCodes().contains(dropped->code));
        EXPECT_FALSE(dropped->target().has_value());
        EXPECT_TRUE(kept->target().has_value());

        // Enough codes taken collect by themselves.
        for (size_t i = 0; i < PayloadCodes::collectionThreshold; i++)
            terminal.makePayload(int(i));
        EXPECT_LT(terminal.payloadCodes().size(), PayloadCodes::collectionThreshold);
        EXPECT_TRUE(terminal.payloadCodes().contains(kept->code));
    }
    EXPECT_EQ(TinyAtom::usedCount(), usedBefore) << "the terminal gives back what it held";
}

struct ControlsFixture : testing::Test {
    RecordingTerminalDelegate delegate;
    Terminal terminal { &delegate, withSize(10, 4) };
};

TEST_F(ControlsFixture, LineFeedModeAlsoReturnsTheCarriage)
{
    terminal.lineFeedMode = true;
    terminal.feed("abc\ndef");
    EXPECT_EQ(screenText(terminal), "abc|def");
}

TEST_F(ControlsFixture, LineFeedOnTheLastRowBelowTheScrollRegionStays)
{
    terminal.buffer().setScrollBottom(1);
    terminal.buffer().setY(3);
    terminal.feed("\n\nx");
    EXPECT_EQ(cursorText(terminal), "1,3");
    EXPECT_EQ(terminal.buffer().yBase(), 0) << "nothing scrolled";
}

TEST_F(ControlsFixture, LineFeedInAScrollRegionBelowTheTopKeepsTheScrollback)
{
    terminal.feed("top\r\n1\r\n2\r\n3");
    terminal.buffer().setScrollTop(1);
    terminal.buffer().setScrollBottom(2);
    terminal.buffer().setY(2);
    terminal.feed("\n");
    EXPECT_EQ(screenText(terminal), "top|2||3");
    EXPECT_EQ(terminal.buffer().lines().count(), 4);
}

TEST_F(ControlsFixture, ScrollInsideLeftAndRightMargins)
{
    terminal.feed("abcdefghij\r\nklmnopqrst\r\nuvwxyz");
    terminal.marginMode = true;
    terminal.buffer().setMarginLeft(2);
    terminal.buffer().setMarginRight(5);
    terminal.buffer().setScrollBottom(2);
    terminal.buffer().setY(2);
    terminal.buffer().setX(3);
    terminal.feed("\n");
    EXPECT_EQ(screenText(terminal), "abmnopghij|klwxyzqrst|uv");
    // Outside the margins on the bottom row nothing moves.
    terminal.buffer().setX(8);
    terminal.feed("\n");
    EXPECT_EQ(cursorText(terminal), "8,2");
}

TEST_F(ControlsFixture, ReverseWrapBackspaceReturnsToTheRowAbove)
{
    terminal.feed("0123456789ab");
    terminal.buffer().setX(0);
    terminal.feed("\b");
    EXPECT_EQ(cursorText(terminal), "0,1") << "reverse wrap is off";
    terminal.reverseWraparound = true;
    terminal.feed("\b");
    EXPECT_EQ(cursorText(terminal), "9,0");
    EXPECT_FALSE(terminal.buffer().line(1).isWrapped());
    terminal.feed("\r\n\n\b");
    EXPECT_EQ(cursorText(terminal), "0,2") << "the row is no continuation";
}

TEST_F(ControlsFixture, CarriageReturnWithMargins)
{
    terminal.marginMode = true;
    terminal.buffer().setMarginLeft(3);
    terminal.buffer().setX(6);
    terminal.feed("\r");
    EXPECT_EQ(cursorText(terminal), "3,0");
    terminal.buffer().setX(1);
    terminal.feed("\r");
    EXPECT_EQ(cursorText(terminal), "0,0") << "left of the margin goes to column 0";
}

} // namespace
} // namespace zentrova
