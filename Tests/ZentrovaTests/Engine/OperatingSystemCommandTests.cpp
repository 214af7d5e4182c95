// Operating-system commands: what each one hands the host, what it answers, and the hyperlink road
// from OSC 8 to the payload codes of printed cells.

#include "RecordingTerminalDelegate.h"

#include "Zentrova/Engine/Base64.h"
#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Parser/EscapeSequenceParser.h"
#include "Zentrova/Screen/TinyAtom.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

namespace zentrova {
namespace {

std::string describe(const ImageSizeRequest& size)
{
    static constexpr const char* kinds[] = { "cells", "px", "%", "auto" };
    const char* kind = kinds[int(size.kind)];
    return size.kind == ImageSizeRequest::Kind::automatic ? kind : fmt::format("{}{}", size.value, kind);
}

std::string textOf(std::span<const uint8_t> bytes)
{
    return { bytes.begin(), bytes.end() };
}

// Writes down the host calls of the operating-system commands, one line each.
class OscRecordingDelegate : public RecordingTerminalDelegate {
public:
    void hostCurrentDirectoryUpdated(Terminal& source) override
    {
        events.push_back("directory:" + source.hostCurrentDirectory.value_or("(none)"));
    }
    void hostCurrentDocumentUpdated(Terminal& source) override
    {
        events.push_back("document:" + source.hostCurrentDocument.value_or("(none)"));
    }
    void clipboardCopy(Terminal&, std::span<const uint8_t> content) override
    {
        events.push_back("copy:" + textOf(content));
    }
    std::optional<std::vector<uint8_t>> clipboardRead(Terminal&) override
    {
        events.push_back("read");
        return clipboard;
    }
    void notify(Terminal&, const std::string& title, const std::string& body) override
    {
        events.push_back("notify:" + title + "|" + body);
    }
    void progressReport(Terminal&, const ProgressReport& report) override
    {
        events.push_back(fmt::format("progress:{}:{}", int(report.state),
                                     report.progress ? std::to_string(*report.progress) : "none"));
    }
    void iTermContent(Terminal&, std::span<const uint8_t> content) override
    {
        events.push_back("content:" + textOf(content));
    }
    void createImage(Terminal&, std::span<const uint8_t> data, const ImageSizeRequest& width,
                     const ImageSizeRequest& height, bool preserveAspectRatio) override
    {
        events.push_back(fmt::format("image:{}:{}:{}:{}", textOf(data), describe(width), describe(height),
                                     preserveAspectRatio));
    }

    std::optional<std::vector<uint8_t>> clipboard;
};

struct OscFixture : testing::Test {
    OscFixture()
    {
        TerminalOptions options;
        options.cols = 20;
        options.rows = 5;
        terminal = std::make_unique<Terminal>(&delegate, options);
        terminal->parser().oscHandlerFallback = [this](int64_t code, std::span<const uint8_t> data) {
            delegate.events.push_back(fmt::format("fallback:{}:{}", code, textOf(data)));
        };
    }

    // The host calls and the reply that one OSC string (payload after "ESC ]", ended by BEL) causes.
    std::pair<std::vector<std::string>, std::string> run(const std::string& osc)
    {
        delegate.events.clear();
        delegate.sent.clear();
        terminal->feed("\x1b]" + osc + "\x07");
        return { delegate.events, delegate.sent };
    }

    CharData cell(int col, int row) { return terminal->getCharData(col, row).value(); }

    OscRecordingDelegate delegate;
    std::unique_ptr<Terminal> terminal;
};

using Events = std::vector<std::string>;

TEST_F(OscFixture, EachCommandCallsTheHostOrIsDropped)
{
    delegate.clipboard = std::vector<uint8_t> { 'x', 'y', 'z' };
    const struct Case {
        std::string osc;
        Events events;
        std::string reply = "";
    } cases[] = {
        // Titles: invalid UTF-8 gives the empty title.
        { "2;caf\xc3\xa9", { "title:caf\xc3\xa9" } },
        { "1;bad\xc3", { "iconTitle:" } },
        // Directory and document are kept as sent.
        { "7;file://host/tmp/a%20b", { "directory:file://host/tmp/a%20b" } },
        { "6;file:///home/u/notes.txt", { "document:file:///home/u/notes.txt" } },
        { "7;\xff\xfe", {} },
        // Progress: "4;state[;value]".
        { "9;4;1;42", { "progress:1:42" } },
        { "9;4;1", { "progress:1:0" } },
        { "9;4;1;", { "progress:1:0" } },
        { "9;4;3", { "progress:3:none" } },
        { "9;4;2;250", { "progress:2:100" } },
        { "9;4;4;-7", { "progress:4:0" } },
        { "9;4;0;60", { "progress:0:none" } },
        { "9;4;10", { "fallback:9:4;10" } },
        { "9;4;5", { "fallback:9:4;5" } },
        { "9;4;1;half", { "fallback:9:4;1;half" } },
        { "9;4", { "fallback:9:4" } },
        { "9;Build finished", { "fallback:9:Build finished" } },
        // Clipboard writes decode Base64; whatever selection they name, there is one clipboard.
        { "52;c;aGVsbG8=", { "copy:hello" } },
        { "52;p;aGk=", { "copy:hi" } },
        { "52;;", { "copy:" } },
        { "52;c;aGVsbG8", {} },
        { "52;c;aGk= ", {} },
        { "52;c", {} },
        // Queries answer with the selection named (c when none) and the contents in Base64.
        { "52;c;?", { "read" }, "\x1b]52;c;eHl6\x1b\\" },
        { "52;;?", { "read" }, "\x1b]52;c;eHl6\x1b\\" },
        { "52;s0;?", { "read" }, "\x1b]52;s0;eHl6\x1b\\" },
        // Notifications: "notify;title;body", the body keeping its own separators.
        { "777;notify;Done;3 of 4;ok", { "notify:Done|3 of 4;ok" } },
        { "777;notify;Done;", { "notify:Done|" } },
        { "777;notify;Done", {} },
        { "777;alert;a;b", {} },
        { "777;notify;a;b\xff", {} },
        // Inline content: anything but an inline file goes to the host whole.
        { "1337;SetUserVar=name=dmFsdWU=", { "content:SetUserVar=name=dmFsdWU=" } },
        { "1337;ClearScrollback", {} },
        { "1337;File=name=eC5wbmc=;inline=0:aGk=", { "content:File=name=eC5wbmc=;inline=0:aGk=" } },
        { "1337;File=size=2:aGk=", { "content:File=size=2:aGk=" } },
        { "1337;File=:aGk=", { "content:File=:aGk=" } },
        { "1337;File=inline=1", {} },
        { "1337;File=inline=1:not base64", {} },
        { "1337;File=name=eC5wbmc=;inline=1:aGk=", { "image:hi:auto:auto:true" } },
        { "1337;File=inline=0;inline=1:aGk=", { "image:hi:auto:auto:true" } },
        { "1337;File=inline=1;width=12;height=50%:aGk=", { "image:hi:12cells:50%:true" } },
        { "1337;File=inline=1;width=640px;height=auto;preserveAspectRatio=0:aGk=", { "image:hi:640px:auto:false" } },
        { "1337;File=inline=1;width=200;height=101%:aGk=", { "image:hi:auto:auto:true" } },
        { "1337;File=inline=1;width=4096px;height=0:aGk=", { "image:hi:auto:auto:true" } },
        { "1337;File=inline=1;width=wide;preserveAspectRatio=1:aGk=", { "image:hi:auto:auto:true" } },
        // Reading the arguments stops at the first one without "=".
        { "1337;File=inline=1;junk;width=5:aGk=", { "image:hi:auto:auto:true" } },
        { "1337;File=junk;inline=1:aGk=", { "content:File=junk;inline=1:aGk=" } },
        // Codes without a meaning here reach the fallback.
        { "113;x", { "fallback:113:x" } },
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.osc);
        const auto [events, reply] = run(each.osc);
        EXPECT_EQ(events, each.events);
        EXPECT_EQ(reply, each.reply);
    }
}

TEST_F(OscFixture, ClipboardRepliesFollowTheIntroducerSettingAndNeedContents)
{
    delegate.clipboard = std::vector<uint8_t> { 0xFF, 0x00, 'a' };
    terminal->feed("\x1b G");
    EXPECT_EQ(run("52;c;?\x1b\\").second, "\x9d" "52;c;/wBh\x9c") << "ST even when the query ended with BEL";
    terminal->feed("\x1b F");
    delegate.clipboard.reset();
    EXPECT_EQ(run("52;c;?"), (std::pair { Events { "read" }, std::string() })) << "an empty clipboard answers nothing";
}

TEST_F(OscFixture, DirectoryAndDocumentOnlyFromATrustedProcess)
{
    terminal->feed("\x1b]7;file:///first\x07");
    delegate.trusted = false;
    EXPECT_EQ(run("7;file:///second").first, Events {});
    EXPECT_EQ(run("6;file:///doc").first, Events {});
    EXPECT_EQ(terminal->hostCurrentDirectory, "file:///first");
    EXPECT_EQ(terminal->hostCurrentDocument, std::nullopt);

    delegate.trusted = true;
    terminal->feed("\x1b" "c");
    EXPECT_EQ(terminal->hostCurrentDirectory, std::nullopt) << "a full reset forgets the directory";
}

TEST_F(OscFixture, ARegisteredHandlerReplacesTheBuiltInOne)
{
    std::string received;
    terminal->registerOscHandler(7, [&](std::span<const uint8_t> data) { received = textOf(data); });
    EXPECT_EQ(run("7;file:///tmp").first, Events {});
    EXPECT_EQ(received, "file:///tmp");
    EXPECT_EQ(terminal->hostCurrentDirectory, std::nullopt);
}

TEST_F(OscFixture, WithoutAHostNothingIsStoredOrReported)
{
    terminal->setDelegate(nullptr);
    terminal->feed("\x1b]7;file:///tmp\x07\x1b]52;c;?\x07\x1b]1337;File=inline=1:aGk=\x07");
    EXPECT_EQ(terminal->hostCurrentDirectory, std::nullopt) << "no host to ask whether the process is trusted";
}

TEST_F(OscFixture, CellsPrintedUnderALinkCarryOneCodeForItsWholeText)
{
    const size_t codesBefore = TinyAtom::usedCount();
    // Past the end of the row, so the link continues on the wrapped row.
    terminal->feed("a\x1b]8;id=7;https://example.org/x\x1b\\" "bcdefghijklmnopqrstu\x1b]8;;\x1b\\v");
    EXPECT_EQ(TinyAtom::usedCount(), codesBefore + 1);
    EXPECT_FALSE(cell(0, 0).hasPayload());
    const TinyAtom link = cell(1, 0).payload();
    ASSERT_NE(link.code, 0);
    for (const auto& [col, row] : { std::pair { 19, 0 }, { 0, 1 } }) {
        SCOPED_TRACE(fmt::format("{},{}", col, row));
        EXPECT_EQ(cell(col, row).payload(), link);
    }
    EXPECT_FALSE(cell(1, 1).hasPayload()) << "\"v\" follows the end of the link";
    EXPECT_TRUE(terminal->payloadCodes().contains(link.code));
    const auto text = std::any_cast<std::string>(link.target());
    EXPECT_EQ(text, "id=7;https://example.org/x");
    EXPECT_EQ(Terminal::parseHyperlinkPayload(text), "https://example.org/x");
}

TEST_F(OscFixture, EachLinkTakesItsOwnCodeAndOnlyOnceSomethingIsPrinted)
{
    const size_t codesBefore = TinyAtom::usedCount();
    terminal->feed("\x1b]8;;https://a\x07\x1b]8;;\x07");
    EXPECT_EQ(TinyAtom::usedCount(), codesBefore) << "a link with no text takes no code";
    EXPECT_EQ(terminal->activeHyperlink, std::nullopt);

    // Equal texts still make two links, told apart by their codes.
    terminal->feed("\x1b]8;;https://a\x07x\x1b]8;;https://a\x07y");
    EXPECT_EQ(TinyAtom::usedCount(), codesBefore + 2);
    EXPECT_NE(cell(0, 0).payload(), cell(1, 0).payload());
}

TEST_F(OscFixture, OnlyASemicolonAloneClosesALink)
{
    // Parameters with an empty URI open a link whose URI is empty.
    terminal->feed("\x1b]8;id=1;\x07x");
    const auto text = std::any_cast<std::string>(cell(0, 0).getPayload());
    EXPECT_EQ(text, "id=1;");
    EXPECT_EQ(Terminal::parseHyperlinkPayload(text), "");
    EXPECT_TRUE(terminal->activeHyperlink.has_value());

    terminal->feed("\x1b]8;;\x07y");
    EXPECT_FALSE(cell(1, 0).hasPayload());
}

TEST_F(OscFixture, SoftAndFullResetsCloseTheLink)
{
    for (const char* reset : { "\x1b[!p", "\x1b" "c" }) {
        SCOPED_TRACE(reset + 1);
        terminal->feed(std::string("\x1b]8;;https://a\x07") + reset + "z");
        EXPECT_EQ(terminal->activeHyperlink, std::nullopt);
        EXPECT_FALSE(cell(terminal->getCursorLocation().first - 1, terminal->getCursorLocation().second).hasPayload());
    }
}

TEST(HyperlinkPayload, TheUriIsWhatFollowsTheFirstSemicolon)
{
    const struct {
        const char* text;
        std::optional<std::string> uri;
    } cases[] = {
        { "id=1;https://a/b;c", "https://a/b;c" },
        { ";file:///tmp", "file:///tmp" },
        { "id=1;", "" },
        { "no separator", std::nullopt },
    };
    for (const auto& each : cases)
        EXPECT_EQ(Terminal::parseHyperlinkPayload(each.text), each.uri) << each.text;
}

TEST(Base64, EncodesAndDecodesTheStandardForm)
{
    const struct {
        std::string data;
        std::string text;
    } cases[] = {
        { "", "" },
        { "f", "Zg==" },
        { "fo", "Zm8=" },
        { "foo", "Zm9v" },
        { "foob", "Zm9vYg==" },
        { std::string("\xfb\xff\x00", 3), "+/8A" },
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.text);
        const std::span data(reinterpret_cast<const uint8_t*>(each.data.data()), each.data.size());
        EXPECT_EQ(Base64::encode(data), each.text);
        const auto decoded = Base64::decode(std::span(reinterpret_cast<const uint8_t*>(each.text.data()), each.text.size()));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(std::string(decoded->begin(), decoded->end()), each.data);
    }
    for (const std::string bad : { "Zg", "Zg=", "Z===", "====", "Zg==Zg==", "Zm9v\n", "Zm-_", "Zm=v" }) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(Base64::decode(std::span(reinterpret_cast<const uint8_t*>(bad.data()), bad.size())), std::nullopt);
    }
}

} // namespace
} // namespace zentrova
