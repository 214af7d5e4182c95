#include "RecordingTerminalDelegate.h"
#include "ScreenSize.h"

#include "Zentrova/Engine/Terminal.h"

#include <gtest/gtest.h>

#include <limits>

namespace zentrova {
namespace {

std::string osc133(const std::string& payload)
{
    return "\x1b]133;" + payload + "\x07";
}

std::span<const uint8_t> bytes(std::string_view text)
{
    return { reinterpret_cast<const uint8_t*>(text.data()), text.size() };
}

const SemanticPromptPointerSnapshot plainClick { false, false, 1, true };

struct ShellIntegrationFixture : testing::Test {
    Buffer& buffer() { return terminal.buffer(); }
    int cursorRow() { return buffer().y() + buffer().yBase(); }
    // A prompt "$ " with the given options, then `input` typed and echoed.
    void prompt(const std::string& options, const std::string& input)
    {
        terminal.feed(osc133("A" + options) + "$ " + osc133("B") + input);
        delegate.sent.clear();
    }

    RecordingTerminalDelegate delegate;
    Terminal terminal { &delegate, screenSize(20, 5) };
};

TEST_F(ShellIntegrationFixture, OptionParsing)
{
    struct Case {
        const char* payload;
        std::vector<SemanticMark> marks; // on the cursor row, group taken from the buffer
        SemanticPromptClickMode clickMode;
    } cases[] = {
        { "A", { { SemanticPromptKind::initial, 0, 1 } }, SemanticPromptClickMode::none },
        { "A;k=x", {}, SemanticPromptClickMode::none },
        { "A;foo;k=r", { { SemanticPromptKind::right, 3, 0 } }, SemanticPromptClickMode::none },
        { "AB", {}, SemanticPromptClickMode::none },
        { "", {}, SemanticPromptClickMode::none },
        { "A;cl=v", { { SemanticPromptKind::initial, 0, 1 } },
          SemanticPromptClickMode::cursorKeys(SemanticPromptCursorClickMode::conservativeVertical) },
        { "A;cl=q", {}, SemanticPromptClickMode::none },
        { "A;cl=m;click_events=2", { { SemanticPromptKind::initial, 0, 1 } }, SemanticPromptClickMode::clickEventsRelative },
        { "A;click_events=1;click_events=0", { { SemanticPromptKind::initial, 0, 1 } }, SemanticPromptClickMode::none },
        { "A;click_events=5", {}, SemanticPromptClickMode::none },
        { "A;special_key=2", {}, SemanticPromptClickMode::none },
        { "A;k=s;k=i", { { SemanticPromptKind::initial, 0, 1 } }, SemanticPromptClickMode::none },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.payload);
        RecordingTerminalDelegate recorder;
        Terminal fresh(&recorder, screenSize(20, 5));
        fresh.feed("abc" + osc133(c.payload));
        Buffer& active = fresh.buffer();
        EXPECT_EQ(active.line(active.y() + active.yBase()).semanticMarks(), c.marks);
        EXPECT_EQ(active.semanticClickMode, c.clickMode);
    }
}

TEST_F(ShellIntegrationFixture, PromptStartsOnAFreshLineAndTracksZones)
{
    terminal.feed("out" + osc133("A") + "$ " + osc133("B") + "ls" + osc133("C") + "\r\nfile");
    EXPECT_EQ(buffer().line(1).semanticMarks(), (std::vector<SemanticMark> { { SemanticPromptKind::initial, 0, 1 } }));
    EXPECT_EQ(terminal.semanticContent({ 0, 0 }), SemanticContent::none);
    EXPECT_EQ(terminal.semanticContent({ 0, 1 }), SemanticContent::prompt(SemanticPromptKind::initial));
    EXPECT_EQ(terminal.semanticContent({ 2, 1 }), SemanticContent::input);
    EXPECT_EQ(terminal.semanticContent({ 0, 2 }), SemanticContent::output);
    EXPECT_EQ(terminal.semanticContent({ 20, 1 }), std::nullopt);
    EXPECT_EQ(buffer().semanticInput, SemanticInputState::submitted);
    EXPECT_EQ(terminal.activeSemanticPromptOrigin(), (Position { 0, 1 }));
    EXPECT_EQ(terminal.semanticRowKind(1), SemanticPromptKind::initial);
}

TEST_F(ShellIntegrationFixture, IgnoredOnTheAlternateScreen)
{
    terminal.activateAltBuffer();
    terminal.feed(osc133("A"));
    EXPECT_TRUE(buffer().line(cursorRow()).semanticMarks().empty());
    EXPECT_EQ(buffer().semanticInput, SemanticInputState::submitted) << "set by the switch, not by the prompt";
    EXPECT_EQ(buffer().semanticGroupCounter, 0u);
}

TEST_F(ShellIntegrationFixture, UserInputScannerNoticesSubmission)
{
    struct Case {
        const char* input;
        bool submitted;
    } cases[] = {
        { "ls\r", true },
        { "ls\n", true },
        { "ls", false },
        { "\x1b[200~ls\r\x1b[201~", false },
        { "\x1b[13;1:3u", false },
        { "\x1b[13u", true },
        { "\x1b[13;5u", true },
        { "\x1b[13;1:1u", true },
        { "\x1b[14u", false },
        { "\x1bOM", true },
        { "\x1bOA", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.input)));
        RecordingTerminalDelegate recorder;
        Terminal fresh(&recorder, screenSize(20, 5));
        fresh.feed(osc133("A") + "$ " + osc133("B"));
        fresh.sendUserInput(bytes(c.input));
        EXPECT_EQ(fresh.buffer().semanticInput, c.submitted ? SemanticInputState::submitted : SemanticInputState::armed);
        EXPECT_EQ(recorder.sent, c.input) << "the bytes go on unchanged";
    }
}

TEST_F(ShellIntegrationFixture, ClickMovesTheCursorWithKeysPerMode)
{
    struct Case {
        const char* options;
        bool applicationCursor;
        const char* sent;
    } cases[] = {
        { ";cl=line", false, "\x1b[D\x1b[D\x1b[D" },
        { ";cl=m", true, "\x1bOD\x1bOD\x1bOD" },
        { ";cl=line;special_key=1", false, "\x1b[1;1u\x1b[1;1u\x1b[1;1u" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        RecordingTerminalDelegate recorder;
        Terminal fresh(&recorder, screenSize(20, 5));
        fresh.applicationCursor = c.applicationCursor;
        fresh.feed(osc133(std::string("A") + c.options) + "$ " + osc133("B") + "hello");
        recorder.sent.clear();
        EXPECT_TRUE(fresh.handleSemanticPromptClick({ 4, 0 }, {}, plainClick));
        EXPECT_EQ(recorder.sent, c.sent);
    }
}

TEST_F(ShellIntegrationFixture, ClickForwardAndOnTheRightHalfOfAWideCharacter)
{
    prompt(";cl=line", "a漢b");
    buffer().setX(2); // on "a"
    EXPECT_TRUE(terminal.handleSemanticPromptClick({ 4, 0 }, {}));
    EXPECT_EQ(delegate.sent, "\x1b[C") << "the right half of 漢 stands for 漢";
    delegate.sent.clear();
    EXPECT_FALSE(terminal.handleSemanticPromptClick({ 2, 0 }, {})) << "already there";
    EXPECT_EQ(delegate.sent, "");
}

TEST_F(ShellIntegrationFixture, ClickAcrossLogicalLines)
{
    struct Case {
        const char* mode;
        const char* sent;
    } cases[] = {
        { "v", "\x1b[D\x1b[D\x1b[A\x1b[C" },
        { "m", "\x1b[D\x1b[D\x1b[D\x1b[D" },
        { "line", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        RecordingTerminalDelegate recorder;
        Terminal fresh(&recorder, screenSize(20, 5));
        fresh.feed(osc133(std::string("A;cl=") + c.mode) + "$ " + osc133("B") + "ab\r\n" + osc133("A;k=c") + "> "
                   + osc133("B") + "cd");
        recorder.sent.clear();
        // From the end of "cd" to "b" on the line above.
        EXPECT_EQ(fresh.handleSemanticPromptClick({ 3, 0 }, {}), *c.sent != '\0');
        EXPECT_EQ(recorder.sent, c.sent);
    }
}

TEST_F(ShellIntegrationFixture, ClickEventsReportAbsoluteAndRelativeRows)
{
    terminal.feed("x\r\ny\r\n");
    prompt(";click_events=1", "hello");
    EXPECT_TRUE(terminal.handleSemanticPromptClick({ 4, 2 }, {}));
    EXPECT_EQ(delegate.sent, "\x1b[<0;5;3M");

    RecordingTerminalDelegate recorder;
    Terminal relative(&recorder, screenSize(20, 5));
    relative.feed("x\r\ny\r\n" + osc133("A;click_events=2") + "$ " + osc133("B") + "hello");
    recorder.sent.clear();
    EXPECT_TRUE(relative.handleSemanticPromptClick({ 4, 2 }, {}));
    EXPECT_EQ(recorder.sent, "\x1b[<0;5;0M");
}

TEST_F(ShellIntegrationFixture, OnlyPlainSingleClicksWhileArmedAreRouted)
{
    prompt(";cl=line", "hello");
    struct Case {
        const char* name;
        SemanticPromptClickBehavior behavior;
        SemanticPromptClickModifiers modifiers;
        SemanticPromptPointerSnapshot snapshot;
        bool routed;
    } cases[] = {
        { "plain", SemanticPromptClickBehavior::enabled, {}, plainClick, true },
        { "shift held", SemanticPromptClickBehavior::enabled, SemanticPromptClickModifiers::shift, plainClick, false },
        { "double click", SemanticPromptClickBehavior::enabled, {}, { false, false, 2, true }, false },
        { "after a drag", SemanticPromptClickBehavior::enabled, {}, { false, true, 1, true }, false },
        { "selection", SemanticPromptClickBehavior::enabled, {}, { true, false, 1, true }, false },
        { "not eligible", SemanticPromptClickBehavior::enabled, {}, { false, false, 1, false }, false },
        { "disabled", SemanticPromptClickBehavior::disabled, {}, plainClick, false },
        { "exact modifiers",
          SemanticPromptClickBehavior::requireModifier(SemanticPromptClickModifiers::shift | SemanticPromptClickModifiers::command),
          SemanticPromptClickModifiers::shift | SemanticPromptClickModifiers::command, plainClick, true },
        { "too few modifiers",
          SemanticPromptClickBehavior::requireModifier(SemanticPromptClickModifiers::shift | SemanticPromptClickModifiers::command),
          SemanticPromptClickModifiers::shift, plainClick, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        terminal.semanticPromptClickBehavior = c.behavior;
        EXPECT_EQ(terminal.mightRouteSemanticPromptClick(c.modifiers, c.snapshot), c.routed);
        delegate.sent.clear();
        EXPECT_EQ(terminal.handleSemanticPromptClick({ 3, 0 }, c.modifiers, c.snapshot), c.routed);
        EXPECT_EQ(delegate.sent.empty(), !c.routed);
    }

    terminal.semanticPromptClickBehavior = SemanticPromptClickBehavior::enabled;
    terminal.sendUserInput(bytes("\r"));
    EXPECT_FALSE(terminal.mightRouteSemanticPromptClick({}, plainClick)) << "submitted, no longer armed";
    EXPECT_FALSE(terminal.handleSemanticPromptClick({ 3, 0 }, {}));
}

TEST_F(ShellIntegrationFixture, ScreenSwitchSubmitsAndResetClearsMarks)
{
    prompt(";cl=line", "vim");
    terminal.activateAltBuffer();
    EXPECT_EQ(terminal.normalBuffer().semanticInput, SemanticInputState::submitted);
    EXPECT_EQ(terminal.normalBuffer().semanticContent, SemanticContent::output);
    EXPECT_EQ(terminal.altBuffer().semanticContent, SemanticContent::none);
    terminal.activateNormalBuffer(false);

    terminal.resetSemanticPromptState(true);
    EXPECT_TRUE(buffer().line(0).semanticMarks().empty());
    EXPECT_EQ(buffer().semanticClickMode, SemanticPromptClickMode::none);
    EXPECT_EQ(buffer().semanticInput, SemanticInputState::idle);
    EXPECT_EQ(terminal.activeSemanticPromptOrigin(), std::nullopt);
}

TEST_F(ShellIntegrationFixture, NewPromptOpensAGroupUnlessTheSameRowIsReused)
{
    terminal.feed(osc133("A"));
    const uint64_t first = buffer().activeSemanticGroupID;
    terminal.feed(osc133("A")); // redrawn in place: the same group
    EXPECT_EQ(buffer().activeSemanticGroupID, first);
    terminal.feed(osc133("N")); // always a new group
    EXPECT_EQ(buffer().activeSemanticGroupID, first + 1);
    terminal.feed("$ " + osc133("B") + "ls" + osc133("C") + "\r\n" + osc133("A"));
    EXPECT_EQ(buffer().activeSemanticGroupID, first + 2);
    EXPECT_EQ(terminal.activeSemanticPromptOrigin(), (Position { 0, 1 }));
}

TEST_F(ShellIntegrationFixture, StartRowFollowsScrollingAndRebindsWhenItLeaves)
{
    prompt("", "ls");
    BufferLine* start = &buffer().line(0);
    terminal.feed("\r\n\r\n\r\n\r\n\r\n");
    EXPECT_EQ(buffer().semanticPromptStartRow(), 0) << "the row moved into the scrollback with its mark";
    EXPECT_EQ(terminal.bufferLine(0), start);
    EXPECT_EQ(terminal.semanticRow(*start, start->recycleGeneration()), 0);
    EXPECT_EQ(terminal.semanticRow(*start, start->recycleGeneration() + 1), std::nullopt);

    Buffer& screen = buffer();
    screen.line(3).setSemanticMark(SemanticPromptKind::secondary, 0, screen.activeSemanticGroupID);
    start->destroySemanticState();
    EXPECT_EQ(screen.semanticPromptStartRow(), 3) << "rebound to the other opening mark of the group";
    screen.line(3).destroySemanticState();
    EXPECT_EQ(screen.semanticPromptStartRow(), std::nullopt);
    EXPECT_EQ(screen.semanticPromptStartLine, nullptr);
}

TEST_F(ShellIntegrationFixture, BufferMarkOperations)
{
    Buffer& screen = buffer();
    screen.beginSemanticPromptGroup(-1);
    EXPECT_EQ(screen.semanticGroupCounter, 0u);
    EXPECT_EQ(screen.activeSemanticGroupID, 0u);

    screen.semanticGroupCounter = std::numeric_limits<uint64_t>::max();
    screen.beginSemanticPromptGroup(1);
    EXPECT_EQ(screen.activeSemanticGroupID, 1u) << "0 is never handed out";
    screen.setSemanticMark(SemanticPromptKind::initial, 1, 99);
    screen.setSemanticMark(SemanticPromptKind::right, 1, 10);
    screen.setSemanticMark(SemanticPromptKind::initial, 1, 4);
    EXPECT_EQ(screen.semanticPromptMarks(1), (std::vector<SemanticPromptAnchor> {
                                                  { { 4, 1 }, SemanticPromptKind::initial },
                                                  { { 10, 1 }, SemanticPromptKind::right } }));
    EXPECT_TRUE(screen.semanticPromptMarks(99).empty());

    screen.line(2).setIsWrapped(true);
    EXPECT_EQ(screen.semanticRowKind(2), SemanticPromptKind::continuation) << "soft-wrapped below the prompt";
    screen.line(3).setSemanticHardContinuationGroup(7);
    EXPECT_EQ(screen.semanticRowKind(3), std::nullopt) << "a hard break of another group";
    screen.line(3).setSemanticHardContinuationGroup(1);
    EXPECT_EQ(screen.semanticRowKind(3), SemanticPromptKind::continuation);
    EXPECT_TRUE(screen.rowContinuesActiveGroupHard(3));

    screen.line(3).setSemanticMark(SemanticPromptKind::secondary, 2, 1);
    EXPECT_EQ(screen.semanticPromptRelativeOrigin({ 5, 3 }), (Position { 2, 3 }));
    EXPECT_EQ(screen.semanticPromptRelativeOrigin({ 1, 3 }), (Position { 4, 1 })) << "left of the secondary mark";
    EXPECT_EQ(screen.semanticPromptRelativeOrigin({ 0, 0 }), (Position { 4, 1 })) << "above the prompt";
}

TEST_F(ShellIntegrationFixture, OriginMarkCopiedToAnotherRowTakesTheStartWithIt)
{
    prompt("", "ls");
    Buffer& screen = buffer();
    screen.line(2).setSemanticMark(SemanticPromptKind::initial, 7, 42);
    screen.line(2).setSemanticMark(SemanticPromptKind::right, 9, 42);
    screen.line(2).copyFrom(screen.line(0), 0, 0, 5);
    EXPECT_EQ(screen.line(2).semanticMarks(), (std::vector<SemanticMark> { { SemanticPromptKind::initial, 0, 1 },
                                                                            { SemanticPromptKind::right, 9, 42 } }))
        << "the origin mark replaces the row's own initial mark";
    EXPECT_TRUE(screen.line(0).semanticMarks().empty()) << "marks move with their cells";
    EXPECT_EQ(screen.semanticPromptStartLine.get(), &screen.line(2));
    EXPECT_EQ(terminal.activeSemanticPromptOrigin(), (Position { 0, 2 }));

    // A mark that is not the origin does not displace one of its kind.
    screen.line(3).setSemanticMark(SemanticPromptKind::right, 1, 5);
    screen.line(2).copyFrom(screen.line(3), 0, 12, 4);
    EXPECT_EQ(screen.line(2).semanticMarks()[1], (SemanticMark { SemanticPromptKind::right, 9, 42 }));
}

} // namespace
} // namespace zentrova
