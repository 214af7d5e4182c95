#include "TerminalReplyFixture.h"

#include "Zentrova/Engine/ZentrovaBuildInfo.h"

#include <functional>

namespace zentrova {
namespace {

using ReportFixture = TerminalReplyFixture;

struct ReplyCase {
    const char* name;
    std::function<void(Terminal&)> setup;
    const char* request;
    std::string reply7;
    std::string reply8;
};

void runReplyCases(TerminalReplyFixture& fixture, std::span<const ReplyCase> cases)
{
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Terminal& terminal = fixture.terminal;
        terminal.resetToInitialState();
        if (c.setup)
            c.setup(terminal);
        EXPECT_EQ(fixture.reply(c.request), c.reply7);
        EXPECT_EQ(fixture.reply8bit(c.request), c.reply8);
    }
}

void placeCursor(Terminal& terminal, int x, int y)
{
    terminal.buffer().setX(x);
    terminal.buffer().setY(y);
}

TEST_F(ReportFixture, DeviceStatusRepliesIn7And8BitForm)
{
    const ReplyCase cases[] = {
        { "status", nullptr, "\x1B[5n", "\x1B[0n", "\x9B" "0n" },
        { "cursor position", [](Terminal& t) { placeCursor(t, 4, 2); }, "\x1B[6n", "\x1B[3;5R", "\x9B" "3;5R" },
        { "origin mode counts from the top margin and never reports row 0",
          [](Terminal& t) {
              t.buffer().setScrollTop(2);
              t.originMode = true;
              placeCursor(t, 0, 2);
          },
          "\x1B[6n", "\x1B[1;1R", "\x9B" "1;1R" },
        { "origin mode subtracts the left margin even without margin mode",
          [](Terminal& t) {
              t.buffer().setMarginLeft(3);
              t.originMode = true;
              placeCursor(t, 5, 0);
          },
          "\x1B[6n", "\x1B[1;3R", "\x9B" "1;3R" },
        { "extended position left of the margin reports column 1",
          [](Terminal& t) {
              t.buffer().setMarginLeft(3);
              t.originMode = t.marginMode = true;
              placeCursor(t, 0, 4);
          },
          "\x1B[?6n", "\x1B[?5;1;1R", "\x9B?5;1;1R" },
        { "extended position without margin mode keeps the column",
          [](Terminal& t) {
              t.buffer().setMarginLeft(3);
              t.originMode = true;
              placeCursor(t, 5, 1);
          },
          "\x1B[?6n", "\x1B[?2;6;1R", "\x9B?2;6;1R" },
        { "printer", nullptr, "\x1B[?15n", "\x1B[?10n", "\x9B?10n" },
        { "user-defined keys", nullptr, "\x1B[?25n", "\x1B[?21n", "\x9B?21n" },
        { "keyboard", nullptr, "\x1B[?26n", "\x1B[?27;1;0;0n", "\x9B?27;1;0;0n" },
        { "locator", nullptr, "\x1B[?55n", "\x1B[?53n", "\x9B?53n" },
        { "locator type", nullptr, "\x1B[?56n", "\x1B[?57;1n", "\x9B?57;1n" },
        { "macro space", nullptr, "\x1B[?62n", "\x1B[0*{", "\x9B" "0*{" },
        { "memory checksum echoes the second parameter", nullptr, "\x1B[?63;7n", "\x1BP7!~0000\x1B\\",
          "\x90" "7!~0000\x9C" },
        { "memory checksum without an id", nullptr, "\x1B[?63n", "\x1BP0!~0000\x1B\\", "\x90" "0!~0000\x9C" },
        { "data integrity", nullptr, "\x1B[?75n", "\x1B[?70n", "\x9B?70n" },
        { "multiple sessions", nullptr, "\x1B[?85n", "\x1B[?83n", "\x9B?83n" },
        { "unknown status", nullptr, "\x1B[7n", "", "" },
        { "unknown private status", nullptr, "\x1B[?99n", "", "" },
        { "other private marker", nullptr, "\x1B[>5n", "", "" },
    };
    runReplyCases(*this, cases);
}

TEST_F(ReportFixture, DeviceAttributesRepliesIn7And8BitForm)
{
    const ReplyCase cases[] = {
        { "primary", nullptr, "\x1B[c", "\x1B[?65;4;1;2;6;21;22;17;28c", "\x9B?65;4;1;2;6;21;22;17;28c" },
        { "primary with 0", nullptr, "\x1B[0c", "\x1B[?65;4;1;2;6;21;22;17;28c", "\x9B?65;4;1;2;6;21;22;17;28c" },
        { "primary without sixel", [](Terminal& t) { t.options.enableSixelReported = false; }, "\x1B[c",
          "\x1B[?65;1;2;6;21;22;17;28c", "\x9B?65;1;2;6;21;22;17;28c" },
        { "a parameter of 1 or more gets nothing", nullptr, "\x1B[1c", "", "" },
        { "secondary", nullptr, "\x1B[>c", "\x1B[>65;20;1c", "\x9B>65;20;1c" },
        { "secondary whatever the name", [](Terminal& t) { t.options.termName = "dumb"; }, "\x1B[>0c",
          "\x1B[>65;20;1c", "\x9B>65;20;1c" },
        { "tertiary is not answered", nullptr, "\x1B[=c", "", "" },
        { "screen", [](Terminal& t) { t.options.termName = "screen-256color"; }, "\x1B[c", "\x1B[?1;2c",
          "\x9B?1;2c" },
        { "rxvt-unicode", [](Terminal& t) { t.options.termName = "rxvt-unicode"; }, "\x1B[c", "\x1B[?1;2c",
          "\x9B?1;2c" },
        { "linux", [](Terminal& t) { t.options.termName = "linux"; }, "\x1B[c", "\x1B[?6c", "\x9B?6c" },
        { "an unknown name gets nothing", [](Terminal& t) { t.options.termName = "vt100"; }, "\x1B[c", "", "" },
    };
    runReplyCases(*this, cases);
}

TEST_F(ReportFixture, VersionReplyIsAlways7BitAndOnlyForParameterZero)
{
    const std::string expected = "\x1BP>|Zentrova+" + std::string(ZentrovaBuildInfo::version()) + ":\x1B\\";
    EXPECT_EQ(reply("\x1B[>q"), expected);
    EXPECT_EQ(reply("\x1B[>0q"), expected);
    EXPECT_EQ(reply8bit("\x1B[>q"), expected);
    EXPECT_EQ(reply("\x1B[>1q"), "");
    EXPECT_EQ(reply("\x1B[>0;0q"), "");
}

TEST(TerminalVersionIdentity, BuildsNameTagBranchAndVersionFromPrintableAscii)
{
    struct Case {
        const char* name;
        std::optional<std::string> tag, branch, version;
        std::string identity;
    };
    const Case cases[] = {
        { "nothing known", std::nullopt, std::nullopt, std::nullopt, "Zentrova:" },
        { "version only", std::nullopt, std::nullopt, "0123456789ab", "Zentrova+0123456789ab:" },
        { "a leading v is dropped from the tag", "v1.2", "main", "abc", "Zentrova 1.2-main+abc:" },
        { "unknown version is left out", "1.0", std::nullopt, "unknown", "Zentrova 1.0:" },
        { "controls and non-ASCII are removed", "1\x1B[0", "ma\xC3\xA9in", "a\nb", "Zentrova 1[0-main+ab:" },
        { "empty after filtering", "\x07", "", "\x01", "Zentrova:" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Terminal::xtVersionIdentity(c.tag, c.branch, c.version), c.identity);
    }
    const std::string longIdentity = Terminal::xtVersionIdentity(std::string(300, 'x'), std::nullopt, std::nullopt);
    EXPECT_EQ(longIdentity.size(), 256u);
    EXPECT_EQ(longIdentity.substr(0, 10), "Zentrova x");
    EXPECT_EQ(longIdentity.back(), ':');
    EXPECT_EQ(Terminal::xtVersionIdentity(std::string(246, 'x'), std::nullopt, std::nullopt).size(), 256u)
        << "exactly 256 bytes stay whole";
}

class UntrustedDelegate final : public RecordingTerminalDelegate {
public:
    bool isProcessTrusted(Terminal&) override { return false; }
};

TEST_F(ReportFixture, RectangleChecksumsOfAKnownScreen)
{
    // Row 1 "AB", row 2 "C", row 3 e + combining acute in one cell; everything else blank (32 each).
    const ReplyCase cases[] = {
        { "two letters", nullptr, "\x1B[1;1;1;1;1;2*y", "\x1BP1!~0083\x1B\\", "\x90" "1!~0083\x9C" },
        { "two by two with a blank cell", nullptr, "\x1B[2;1;1;1;2;2*y", "\x1BP2!~00e6\x1B\\",
          "\x90" "2!~00e6\x9C" },
        { "a cluster adds each of its scalars", nullptr, "\x1B[3;1;3;1;3;1*y", "\x1BP3!~0366\x1B\\",
          "\x90" "3!~0366\x9C" },
        { "blank rows: 32 x width x height", nullptr, "\x1B[4;1;4;1;6;20*y", "\x1BP4!~0780\x1B\\",
          "\x90" "4!~0780\x9C" },
        { "bottom and right default to the screen", nullptr, "\x1B[5;1;1*y", "\x1BP5!~12ac\x1B\\",
          "\x90" "5!~12ac\x9C" },
        { "past the screen is clamped", nullptr, "\x1B[6;1;1;1;99;99*y", "\x1BP6!~12ac\x1B\\",
          "\x90" "6!~12ac\x9C" },
        { "origin mode counts from the margins",
          [](Terminal& t) {
              t.buffer().setScrollTop(1);
              t.originMode = true;
          },
          "\x1B[7;1;1;1;1;1*y", "\x1BP7!~0043\x1B\\", "\x90" "7!~0043\x9C" },
        { "bottom above top is empty", nullptr, "\x1B[8;1;3;1;2;1*y", "\x1BP8!~0000\x1B\\", "\x90" "8!~0000\x9C" },
        // A missing or 0 bottom or right is the last row or column: the reply was 0000.
        { "a zero bottom is the last row", nullptr, "\x1B[9;1;1;1;0;5*y", "\x1BP9!~076c\x1B\\", "\x90" "9!~076c\x9C" },
        { "a zero right is the last column", nullptr, "\x1B[13;1;1;1;1;0*y", "\x1BP13!~02c3\x1B\\",
          "\x90" "13!~02c3\x9C" },
        { "no rectangle: the whole screen", nullptr, "\x1B[10;1*y", "\x1BP10!~12ac\x1B\\", "\x90" "10!~12ac\x9C" },
        { "only the id", nullptr, "\x1B[11*y", "\x1BP11!~12ac\x1B\\", "\x90" "11!~12ac\x9C" },
        { "every corner left empty", nullptr, "\x1B[12;1;;;;*y", "\x1BP12!~12ac\x1B\\", "\x90" "12!~12ac\x9C" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        terminal.resetToInitialState();
        terminal.feed("AB\r\nC\r\ne\xCC\x81");
        if (c.setup)
            c.setup(terminal);
        EXPECT_EQ(reply(c.request), c.reply7);
        EXPECT_EQ(reply8bit(c.request), c.reply8);
    }
}

TEST_F(ReportFixture, RectangleChecksumWrapsAt32BitsAndPrintsEveryDigit)
{
    // 120 cells of U+10FFFF: 0x7F7FF88, more than four hexadecimal digits.
    TerminalOptions options = smallOptions();
    for (int row = 0; row < options.rows; row++) {
        for (int col = 0; col < options.cols; col++)
            terminal.buffer().line(row).setCell(col, CharData(CharData::Null.attribute(), 0x10FFFF, 1));
    }
    EXPECT_EQ(reply("\x1B[1;1;1*y"), "\x1BP1!~7f7ff88\x1B\\");
}

TEST(TerminalRectangleChecksum, AnUntrustedProcessGetsZeroWithItsId)
{
    UntrustedDelegate delegate;
    Terminal terminal(&delegate);
    terminal.feed("AB\x1B[42;1;1;1;1;2*y");
    EXPECT_EQ(delegate.sent, "\x1BP42!~0000\x1B\\");
}

TEST_F(ReportFixture, FocusReportsFollowMode1004)
{
    EXPECT_EQ(reply("\x1B[?1004h"), "\x1B[I") << "switching reporting on reports the current focus";
    delegate.sent.clear();
    terminal.setTerminalFocus(false);
    EXPECT_EQ(delegate.sent, "\x1B[O");
    terminal.feed("\x1B G");
    delegate.sent.clear();
    terminal.setTerminalFocus(true);
    EXPECT_EQ(delegate.sent, "\x9BI");
    terminal.feed("\x1B F\x1B[?1004l");
    delegate.sent.clear();
    terminal.setTerminalFocus(false);
    EXPECT_EQ(delegate.sent, "");
    EXPECT_FALSE(terminal.reportedFocusState);
}

} // namespace
} // namespace zentrova
