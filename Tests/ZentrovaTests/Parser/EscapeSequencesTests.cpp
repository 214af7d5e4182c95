#include "Zentrova/Parser/EscapeSequences.h"

#include <gtest/gtest.h>

#include <string>

namespace zentrova {
namespace {

std::string text(const EscapeSequences::Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

TEST(EscapeSequences, CursorHomeAndEndKeysFollowApplicationMode)
{
    struct Case {
        const char* name;
        EscapeSequences::Bytes app;
        EscapeSequences::Bytes normal;
        char final;
    };
    const Case cases[] = {
        { "up", EscapeSequences::moveUpApp(), EscapeSequences::moveUpNormal(), 'A' },
        { "down", EscapeSequences::moveDownApp(), EscapeSequences::moveDownNormal(), 'B' },
        { "right", EscapeSequences::moveRightApp(), EscapeSequences::moveRightNormal(), 'C' },
        { "left", EscapeSequences::moveLeftApp(), EscapeSequences::moveLeftNormal(), 'D' },
        { "home", EscapeSequences::moveHomeApp(), EscapeSequences::moveHomeNormal(), 'H' },
        { "end", EscapeSequences::moveEndApp(), EscapeSequences::moveEndNormal(), 'F' },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(text(c.app), std::string("\x1bO") + c.final);
        EXPECT_EQ(text(c.normal), std::string("\x1b[") + c.final);
    }
}

TEST(EscapeSequences, EditingKeysAndPasteMarkers)
{
    EXPECT_EQ(EscapeSequences::cmdDel(), EscapeSequences::Bytes { 0x7F }) << "DEL, not BS";
    EXPECT_EQ(text(EscapeSequences::cmdDelKey()), "\x1b[3~");
    EXPECT_EQ(text(EscapeSequences::cmdInsert()), "\x1b[2~");
    EXPECT_EQ(text(EscapeSequences::cmdPageUp()), "\x1b[5~");
    EXPECT_EQ(text(EscapeSequences::cmdPageDown()), "\x1b[6~");
    EXPECT_EQ(text(EscapeSequences::cmdBackTab()), "\x1b[Z");
    EXPECT_EQ(text(EscapeSequences::controlLeft()), "\x1b[1;5D");
    EXPECT_EQ(text(EscapeSequences::emacsForward()), "\x1b"
                                                     "f");
    EXPECT_EQ(text(EscapeSequences::bracketedPasteStart()), "\x1b[200~");
    EXPECT_EQ(text(EscapeSequences::bracketedPasteEnd()), "\x1b[201~");
}

TEST(EscapeSequences, FunctionKeysSkipSixteenAndTwentyTwo)
{
    const char* expected[] = { "\x1bOP", "\x1bOQ", "\x1bOR", "\x1bOS", "\x1b[15~", "\x1b[17~",
                               "\x1b[18~", "\x1b[19~", "\x1b[20~", "\x1b[21~", "\x1b[23~", "\x1b[24~" };
    for (int i = 0; i < EscapeSequences::functionKeyCount; ++i) {
        SCOPED_TRACE("F" + std::to_string(i + 1));
        EXPECT_EQ(text(EscapeSequences::cmdF(i)), expected[i]);
    }
    EXPECT_TRUE(EscapeSequences::cmdF(-1).empty());
    EXPECT_TRUE(EscapeSequences::cmdF(12).empty());
}

TEST(EscapeSequences, EmbedderCanRemapAndReadersGetCopies)
{
    const auto original = EscapeSequences::cmdF(0);
    auto copy = EscapeSequences::cmdF(0);
    copy.push_back('x');
    EXPECT_EQ(EscapeSequences::cmdF(0), original) << "changing a read copy must not change the table";

    EscapeSequences::setCmdF(0, { 'F', '1' });
    EXPECT_EQ(text(EscapeSequences::cmdF(0)), "F1");
    EscapeSequences::setCmdF(0, original);

    const auto ret = EscapeSequences::cmdRet();
    EscapeSequences::setCmdRet({ '\r', '\n' });
    EXPECT_EQ(text(EscapeSequences::cmdRet()), "\r\n");
    EscapeSequences::setCmdRet(ret);
}

} // namespace
} // namespace zentrova
