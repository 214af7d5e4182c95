#include "TerminalReplyFixture.h"

namespace zentrova {
namespace {

using MouseFixture = TerminalReplyFixture;
using Encoding = MouseProtocolEncoding;

struct MouseCase {
    const char* name;
    Encoding encoding;
    int flags;
    bool motion;
    int x, y;
    std::string bytes; // after the CSI introducer
};

const char* encodingMode(Encoding encoding)
{
    switch (encoding) {
    case Encoding::x10:
        return "\x1B[?1006l";
    case Encoding::utf8:
        return "\x1B[?1005h";
    case Encoding::sgr:
        return "\x1B[?1006h";
    case Encoding::urxvt:
        return "\x1B[?1015h";
    case Encoding::sgrPixel:
        return "\x1B[?1016h";
    }
    return "";
}

std::string report(Terminal& terminal, RecordingTerminalDelegate& delegate, const MouseCase& c)
{
    terminal.feed(encodingMode(c.encoding));
    delegate.sent.clear();
    // Pixel positions are made distinct from the cells so the pixel encoding shows which it used.
    if (c.motion)
        terminal.sendMotion(c.flags, c.x, c.y, c.x * 7 + 1, c.y * 13 + 2);
    else
        terminal.sendEvent(c.flags, c.x, c.y, c.x * 7 + 1, c.y * 13 + 2);
    return delegate.sent;
}

TEST_F(MouseFixture, EveryEncodingForPressReleaseMotionAndWheel)
{
    using namespace std::string_literals;
    const int shift = 4, meta = 8, control = 16;
    const MouseCase cases[] = {
        // x10: three bytes, each value + 32 (coordinates + 33), capped at 255.
        { "x10 left press at the origin", Encoding::x10, 0, false, 0, 0, "M !!" },
        { "x10 release with shift and control", Encoding::x10, 3 + shift + control, false, 1, 2, "M7\"#" },
        { "x10 wheel up", Encoding::x10, 64, false, 10, 5, "M`+&" },
        { "x10 wheel down with meta", Encoding::x10, 65 + meta, false, 0, 0, "Mi!!" },
        { "x10 motion with the left button", Encoding::x10, 0, true, 0, 0, "M@!!" },
        { "x10 column 221 is the last exact one", Encoding::x10, 0, false, 221, 0, "M \xFE!"s },
        { "x10 column 222 and beyond report 255", Encoding::x10, 0, false, 222, 300, "M \xFF\xFF"s },
        { "x10 a large button value is capped too", Encoding::x10, 240, false, 0, 0, "M\xFF!!"s },
        // utf8: values from 128 in two-byte UTF-8; 2047 is a single 0; larger saturate.
        { "utf8 left press", Encoding::utf8, 0, false, 0, 0, "M !!" },
        { "utf8 last single byte and first two-byte value", Encoding::utf8, 0, false, 94, 95, "M \x7F\xC2\x80"s },
        { "utf8 column 300", Encoding::utf8, 0, false, 300, 0, "M \xC5\x8D!"s },
        { "utf8 2047 is the zero byte", Encoding::utf8, 0, false, 2014, 0, "M \x00!"s },
        { "utf8 past 2047 saturates", Encoding::utf8, 0, false, 2015, 5000, "M \xDF\xBF\xDF\xBF"s },
        { "utf8 motion with control", Encoding::utf8, control, true, 1, 1, "MP\"\"" },
        // sgr: decimal, 1-based, release told by the final byte.
        { "sgr left press", Encoding::sgr, 0, false, 0, 0, "<0;1;1M" },
        { "sgr release", Encoding::sgr, 3, false, 0, 0, "<0;1;1m" },
        { "sgr release keeps the modifiers", Encoding::sgr, 3 + control, false, 4, 5, "<16;5;6m" },
        { "sgr right press with shift and meta", Encoding::sgr, 2 + shift + meta, false, 9, 9, "<14;10;10M" },
        { "sgr motion", Encoding::sgr, 0, true, 2, 3, "<32;3;4M" },
        { "sgr motion without a button is not a release", Encoding::sgr, 3, true, 2, 3, "<35;3;4M" },
        { "sgr wheel down", Encoding::sgr, 65, false, 0, 0, "<65;1;1M" },
        { "sgr has no coordinate limit", Encoding::sgr, 0, false, 2999, 2048, "<0;3000;2049M" },
        // urxvt: decimal button + 32, no release distinction.
        { "urxvt left press", Encoding::urxvt, 0, false, 0, 0, "32;1;1M" },
        { "urxvt release", Encoding::urxvt, 3, false, 0, 0, "35;1;1M" },
        { "urxvt motion with shift", Encoding::urxvt, shift, true, 1, 0, "68;2;1M" },
        { "urxvt wheel up, large coordinates", Encoding::urxvt, 64, false, 2999, 300, "96;3000;301M" },
        // sgrPixel: the pixel position as given.
        { "sgrPixel press", Encoding::sgrPixel, 0, false, 2, 3, "<0;15;41M" },
        { "sgrPixel release", Encoding::sgrPixel, 3, false, 2, 3, "<0;15;41m" },
        { "sgrPixel motion", Encoding::sgrPixel, 1, true, 300, 0, "<33;2101;2M" },
        { "sgrPixel wheel with control", Encoding::sgrPixel, 64 + control, false, 0, 0, "<80;1;2M" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(report(terminal, delegate, c), "\x1B[" + c.bytes);
        terminal.feed("\x1B G");
        EXPECT_EQ(report(terminal, delegate, c), "\x9B" + c.bytes) << "8-bit introducer";
        terminal.feed("\x1B F");
    }
}

TEST_F(MouseFixture, ButtonFlagsAddModifiersOnlyInModesThatReportThem)
{
    struct Case {
        const char* mode;
        int button;
        bool release, shift, meta, control;
        int flags;
    };
    const Case cases[] = {
        { "\x1B[?1000h", 1, false, false, false, false, 1 },
        { "\x1B[?1000h", 2, false, false, false, false, 2 },
        { "\x1B[?1000h", 3, false, false, false, false, 0 },
        { "\x1B[?1000h", 4, false, false, false, false, 64 },
        { "\x1B[?1000h", 5, false, false, false, false, 65 },
        { "\x1B[?1000h", 9, false, false, false, false, 0 },
        { "\x1B[?1000h", 1, true, false, false, false, 3 },
        { "\x1B[?1000h", 1, false, true, true, true, 29 },
        { "\x1B[?1002h", 5, false, true, false, false, 69 },
        { "\x1B[?1003h", 2, true, false, true, true, 27 },
        { "\x1B[?9h", 1, false, true, true, true, 1 },
        { "\x1B[?9h", 4, true, true, false, false, 3 },
        { "\x1B[?1003l", 2, false, true, true, true, 2 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode + 1 << " button " << c.button);
        terminal.feed(c.mode);
        EXPECT_EQ(terminal.encodeButton(c.button, c.release, c.shift, c.meta, c.control), c.flags);
    }
}

TEST_F(MouseFixture, CellFormOfSendEventUsesTheCellAsThePixelPosition)
{
    terminal.feed("\x1B[?1016h");
    delegate.sent.clear();
    terminal.sendEvent(0, 4, 7);
    EXPECT_EQ(delegate.sent, "\x1B[<0;4;7M");
}

} // namespace
} // namespace zentrova
