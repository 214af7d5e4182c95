#include "TerminalViewTestSupport.h"

#include "ZentrovaView/ColorBridge.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

// The style of the first cell after the bytes are fed to a fresh view.
struct StyledCell {
    std::unique_ptr<TerminalView> view = std::make_unique<TerminalView>(nullptr, testFont());

    CellStyle styleAfter(std::string_view bytes, bool withUrl = false)
    {
        feed(*view, "\x1b[H");
        feed(*view, bytes);
        feed(*view, "X");
        const auto cell = view->terminal().getCharData(0, 0);
        return cell ? view->getAttributes(*cell, withUrl) : CellStyle {};
    }

    QColor palette(int index) const { return makeQColor(view->terminal().ansiColors[size_t(index)]); }
};

TEST(TerminalViewColors, PaletteIndexesFollowBoldBrightnessInverseAndDim)
{
    StyledCell cells;
    const QColor fg = cells.view->nativeForegroundColor();
    const QColor bg = cells.view->nativeBackgroundColor();
    struct Case {
        const char* sgr;
        bool brightColors;
        QColor foreground;
        QColor background;
        FontVariant font;
    };
    const Case cases[] = {
        { "\x1b[0;31m", true, cells.palette(1), bg, FontVariant::normal },
        // Bold brightens indexes 0-6; white (7) and everything above stays.
        { "\x1b[0;1;31m", true, cells.palette(9), bg, FontVariant::bold },
        { "\x1b[0;1;30m", true, cells.palette(8), bg, FontVariant::bold },
        { "\x1b[0;1;37m", true, cells.palette(7), bg, FontVariant::bold },
        { "\x1b[0;1;38;5;200m", true, cells.palette(200), bg, FontVariant::bold },
        // Without bright colours only the bright half of the base colours falls back (drawn bold); the
        // cube and the grey ramp keep their index.
        { "\x1b[0;91m", false, cells.palette(1), bg, FontVariant::bold },
        { "\x1b[0;38;5;15m", false, cells.palette(7), bg, FontVariant::bold },
        { "\x1b[0;38;5;200m", false, cells.palette(200), bg, FontVariant::bold },
        { "\x1b[0;38;5;232m", false, cells.palette(232), bg, FontVariant::bold },
        { "\x1b[0;31m", false, cells.palette(1), bg, FontVariant::normal },
        { "\x1b[0;3;1m", true, fg, bg, FontVariant::boldItalic },
        // Inverse: the colours change sides and a default colour becomes the other default.
        { "\x1b[0;7m", true, bg, fg, FontVariant::normal },
        { "\x1b[0;7;31;42m", true, cells.palette(2), cells.palette(1), FontVariant::normal },
        { "\x1b[0;7;31m", true, bg, cells.palette(1), FontVariant::normal },
        { "\x1b[0;38;2;10;20;30;48;2;200;100;0m", true, QColor(10, 20, 30), QColor(200, 100, 0), FontVariant::normal },
        // Dim blends the foreground halfway to the background.
        { "\x1b[0;2;31;47m", true, dimmedColor(cells.palette(1), cells.palette(7)), cells.palette(7), FontVariant::normal },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.sgr + 1) + (c.brightColors ? " bright" : " no bright"));
        cells.view->setUseBrightColors(c.brightColors);
        const CellStyle style = cells.styleAfter(c.sgr);
        EXPECT_EQ(style.foreground, c.foreground) << style.foreground.name().toStdString();
        EXPECT_EQ(style.background, c.background) << style.background.name().toStdString();
        EXPECT_EQ(style.font, c.font);
    }
}

TEST(TerminalViewColors, UnderlinesStrikethroughAndLinkCells)
{
    StyledCell cells;
    struct Case {
        const char* sgr;
        int underlineStyle;
        std::optional<uint8_t> ownStyle;
    };
    const Case cases[] = {
        { "\x1b[0m", 0, std::nullopt },      { "\x1b[0;4m", platformUnderlineSingle, 1 },
        { "\x1b[0;4:2m", 9, 2 },             { "\x1b[0;4:3m", platformUnderlineSingle, 3 },
        { "\x1b[0;4:4m", 257, 4 },           { "\x1b[0;4:5m", 513, 5 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sgr + 1);
        const CellStyle style = cells.styleAfter(c.sgr);
        EXPECT_EQ(style.underlineStyle, c.underlineStyle);
        EXPECT_EQ(style.zentrovaUnderlineStyle, c.ownStyle);
        EXPECT_EQ(style.underlineColor, std::nullopt);
        EXPECT_EQ(style.strikethroughStyle, 0);
    }
    const CellStyle colored = cells.styleAfter("\x1b[0;4:3;58;5;2;9;31m");
    EXPECT_EQ(colored.underlineColor, cells.palette(2));
    EXPECT_EQ(colored.strikethroughStyle, 1);
    EXPECT_EQ(colored.strikethroughColor, cells.palette(1));

    // A link cell always shows a single underline in its foreground colour and the dashed style, over
    // its own underline; the plain style of the same cell is unchanged by the link lookup.
    for (const char* sgr : { "\x1b[0;31m", "\x1b[0;4:3;58;5;2;31m" }) {
        SCOPED_TRACE(sgr + 1);
        const CellStyle link = cells.styleAfter(sgr, true);
        EXPECT_EQ(link.underlineStyle, platformUnderlineSingle);
        EXPECT_EQ(link.underlineColor, cells.palette(1));
        EXPECT_EQ(link.zentrovaUnderlineStyle, uint8_t(UnderlineStyle::dashed));
        EXPECT_EQ(link.foreground, cells.palette(1));
    }
    EXPECT_EQ(cells.styleAfter("\x1b[0;4:3;58;5;2;31m").zentrovaUnderlineStyle, uint8_t(3));
}

TEST(TerminalViewColors, ReverseVideoSwapsTheDefaultAndCaretColours)
{
    StyledCell cells;
    TerminalView& view = *cells.view;
    const QColor fg = view.nativeForegroundColor();
    const QColor bg = view.nativeBackgroundColor();
    EXPECT_EQ(view.effectiveCaretColor(), fg);
    EXPECT_EQ(view.effectiveCaretTextColor(), bg);
    EXPECT_EQ(cells.styleAfter("\x1b[0m").foreground, fg);

    feed(view, "\x1b[?5h");
    EXPECT_EQ(view.effectiveNativeForegroundColor(), bg);
    EXPECT_EQ(view.effectiveNativeBackgroundColor(), fg);
    EXPECT_EQ(view.effectiveCaretColor(), bg);
    EXPECT_EQ(view.effectiveCaretTextColor(), fg);
    EXPECT_EQ(view.palette().color(QPalette::Window), fg);
    // Cached styles were dropped when the mode changed.
    const CellStyle reversed = cells.styleAfter("\x1b[0m");
    EXPECT_EQ(reversed.foreground, bg);
    EXPECT_EQ(reversed.background, fg);

    view.setCaretColor(Qt::red);
    view.setCaretTextColor(QColor(Qt::blue));
    EXPECT_EQ(view.effectiveCaretColor(), QColor(Qt::red));
    EXPECT_EQ(view.effectiveCaretTextColor(), QColor(Qt::blue));
    // No text colour is the default again; the caret colour, once set, stays.
    view.setCaretTextColor(std::nullopt);
    EXPECT_EQ(view.effectiveCaretTextColor(), fg);
    EXPECT_EQ(view.effectiveCaretColor(), QColor(Qt::red));
    view.setCursorColor(std::nullopt, std::nullopt);
    EXPECT_EQ(view.effectiveCaretColor(), bg);

    feed(view, "\x1b[?5l");
    EXPECT_EQ(cells.styleAfter("\x1b[0m").foreground, fg);
}

TEST(TerminalViewColors, DefaultColoursFromTheProgramReachStylesAndBackground)
{
    StyledCell cells;
    TerminalView& view = *cells.view;
    EXPECT_EQ(cells.styleAfter("\x1b[0m").foreground, makeQColor(Color::defaultForeground));
    feed(view, "\x1b]10;rgb:ffff/1234/0000\x1b\\\x1b]11;#00ff00\x1b\\");
    EXPECT_EQ(view.nativeForegroundColor(), QColor::fromRgba64(0xFFFF, 0x1234, 0));
    EXPECT_EQ(view.nativeBackgroundColor(), QColor(0, 255, 0));
    EXPECT_EQ(view.palette().color(QPalette::Window), QColor(0, 255, 0));
    const CellStyle style = cells.styleAfter("\x1b[0m");
    EXPECT_EQ(style.foreground, QColor::fromRgba64(0xFFFF, 0x1234, 0));
    EXPECT_EQ(style.background, QColor(0, 255, 0));

    // A palette entry changed by the program is drawn in its new colour.
    EXPECT_EQ(cells.styleAfter("\x1b[0;31m").foreground, cells.palette(1));
    feed(view, "\x1b]4;1;rgb:0101/0202/0303\x1b\\");
    EXPECT_EQ(cells.styleAfter("\x1b[0;31m").foreground, QColor::fromRgba64(0x0101, 0x0202, 0x0303));
}

TEST(TerminalViewColors, HostColoursKeepTheirAlphaAndReachTheTerminal)
{
    TerminalView view(nullptr, testFont());
    view.setNativeForegroundColor(QColor(255, 0, 0));
    EXPECT_EQ(view.terminal().foregroundColor(), (Color { 0xFFFF, 0, 0 }));
    EXPECT_EQ(view.nativeForegroundColor(), QColor(255, 0, 0));
    struct Case {
        double opacity;
        double stored;
    };
    for (const Case c : { Case { 0.5, 0.5 }, Case { 1.5, 1 }, Case { -1, 0 } }) {
        view.setBackgroundOpacity(c.opacity);
        EXPECT_NEAR(view.backgroundOpacity(), c.stored, 0.01) << c.opacity;
    }
    view.configureNativeColors();
    EXPECT_EQ(view.nativeForegroundColor(), QPalette().color(QPalette::Text));
    EXPECT_EQ(view.terminal().backgroundColor(), getTerminalColor(QPalette().color(QPalette::Base)));
    view.setScrollSensitivity(0);
    EXPECT_EQ(view.scrollSensitivity(), 0.05);
}

TEST(TerminalViewColors, InstalledBaseColoursReplaceThePalette)
{
    StyledCell cells;
    std::vector<Color> base(16, Color { 0x1111, 0x2222, 0x3333 });
    base[1] = Color { 0xAAAA, 0, 0 };
    EXPECT_EQ(cells.styleAfter("\x1b[0;31m").foreground, makeQColor(Color::terminalAppColors()[1]));
    cells.view->installColors(base);
    EXPECT_EQ(cells.styleAfter("\x1b[0;31m").foreground, QColor::fromRgba64(0xAAAA, 0, 0));
    // Any other count leaves the palette alone.
    cells.view->installColors(std::vector<Color>(3, Color { 0, 0, 0 }));
    EXPECT_EQ(cells.styleAfter("\x1b[0;31m").foreground, QColor::fromRgba64(0xAAAA, 0, 0));
}

TEST(TerminalViewColors, CachesStayBoundedUnderDistinctTrueColours)
{
    StyledCell cells;
    TerminalView& view = *cells.view;
    for (int i = 0; i < 10000; i++) {
        const std::string sgr = "\x1b[0;38;2;" + std::to_string(i % 256) + ";" + std::to_string(i / 256) + ";7m";
        const CellStyle style = cells.styleAfter(sgr, i % 2 == 1);
        ASSERT_EQ(style.foreground, QColor(i % 256, i / 256, 7)) << i;
        const auto sizes = view.cacheSizes();
        ASSERT_LE(sizes.attributes, 4096u);
        ASSERT_LE(sizes.urlAttributes, 4096u);
        ASSERT_LE(sizes.trueColors, 4096u);
    }
    EXPECT_GT(view.cacheSizes().trueColors, 0u);
}

TEST(ColorBridge, ChannelsKeepSixteenBitsAndClampOutOfRangeValues)
{
    EXPECT_EQ(makeQColor(Color { 0xFFFF, 0xFFFF, 0xFFFF }), QColor(Qt::white));
    EXPECT_EQ(makeQColor(Color { 0xFFFF, 0xFFFF, 0xFFFF }).alpha(), 255);
    struct Case {
        const char* name;
        QColor color;
        Color terminal;
    };
    const Case cases[] = {
        { "white", Qt::white, { 0xFFFF, 0xFFFF, 0xFFFF } },
        { "16-bit channels", QColor::fromRgba64(0x1234, 0xABCD, 0x0001), { 0x1234, 0xABCD, 0x0001 } },
        { "extended range", QColor::fromRgbF(1.5f, -0.25f, 0.5f).toExtendedRgb(), { 0xFFFF, 0, 0x7FFF } },
        { "another spec", QColor::fromHsv(0, 255, 255), { 0xFFFF, 0, 0 } },
        { "invalid", QColor(), Color::defaultForeground },
    };
    for (const auto& c : cases)
        EXPECT_EQ(getTerminalColor(c.color), c.terminal) << c.name;

    const QColor grey = dimmedColor(QColor(255, 255, 255, 200), Qt::black);
    EXPECT_EQ(grey.rgba64(), QRgba64::fromRgba64(0x7FFF, 0x7FFF, 0x7FFF, QColor(255, 255, 255, 200).rgba64().alpha()));
    EXPECT_EQ(dimmedColor(Qt::white, QColor()), QColor(Qt::white));
}

} // namespace
} // namespace zentrova
