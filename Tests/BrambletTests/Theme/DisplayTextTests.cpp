#include "Bramblet/Theme/DisplayText.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace bramblet {
namespace {

using namespace Qt::StringLiterals;

// The texts depend on the user's locale; these run in a locale that groups digits.
class DisplayTextTest : public testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(m_saved); }

private:
    QLocale m_saved;
};

TEST_F(DisplayTextTest, CountsAndSizesUseTheSingularForOneAndGroupDigits)
{
    struct Case {
        qint64 number;
        QString count;
        QString size;
    };
    const Case cases[] = {
        { 0, u"0 items"_s, u"0 bytes"_s },
        { 1, u"1 item"_s, u"1 byte"_s },
        { 2, u"2 items"_s, u"2 bytes"_s },
        { 100000, u"100,000 items"_s, u"100.0 kB"_s },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(DisplayText::countText(c.number, u"item"_s, u"items"_s), c.count);
        EXPECT_EQ(DisplayText::fileSizeText(c.number), c.size);
    }
}

TEST_F(DisplayTextTest, GroupingFollowsTheLocale)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(DisplayText::countText(100000, u"item"_s, u"items"_s), u"100.000 items"_s);
}

TEST(DisplayText, VisibleNameShowsControlCharactersOnOneLine)
{
    struct Case {
        QString name;
        QString shown;
    };
    const Case cases[] = {
        { u"plain name.txt"_s, u"plain name.txt"_s },
        { u"two\nlines"_s, u"two\u240Alines"_s },
        { u"tab\tand\rreturn"_s, u"tab\u2409and\u240Dreturn"_s },
        { u"esc\x1b[31m"_s, u"esc\u241B[31m"_s },
        { u"del\x7f"_s, u"del\u2421"_s },
        { u"next\u0085line"_s, u"next\uFFFDline"_s },
        // Format characters and emoji are ordinary text.
        { u"family-\U0001F468\u200D\U0001F469.jpg"_s, u"family-\U0001F468\u200D\U0001F469.jpg"_s },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(DisplayText::visibleName(c.name), c.shown);
        EXPECT_FALSE(DisplayText::visibleName(c.name).contains(u'\n'));
    }
}

TEST(DisplayText, MiddleElisionKeepsBothEndsAndWholeCharacters)
{
    EXPECT_EQ(DisplayText::middleElided(u"short.txt"_s, 9), u"short.txt"_s);
    EXPECT_EQ(DisplayText::middleElided(u"abcdefghij.txt"_s, 9), u"abcd\u2026.txt"_s);
    EXPECT_EQ(DisplayText::middleElided(u"abcdef"_s, 2), u"a\u2026"_s);
    // A family emoji is one character of five code points; it is kept whole or dropped whole.
    const QString family = u"\U0001F468\u200D\U0001F469\u200D\U0001F467"_s;
    EXPECT_EQ(DisplayText::middleElided(family + u"xxxxxxxx"_s + family, 5), family + u"x\u2026x"_s + family);
    EXPECT_EQ(DisplayText::middleElided(QString(300, u'n'), 41).size(), 41);
}

} // namespace
} // namespace bramblet
