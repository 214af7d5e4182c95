#include "Bramblet/Theme/Theme.h"

#include "Theme/ThemeTestSupport.h"

namespace bramblet {
namespace {

using testing::AppearanceTest;

QColor alpha(QColor color, float value)
{
    color.setAlphaF(value);
    return color;
}

class ThemeColors : public AppearanceTest {};

TEST_F(ThemeColors, EveryMemberHasItsValueInBothAppearances)
{
    const QColor deepBlue(2, 48, 71);
    struct Case {
        const char* member;
        const AdaptiveColor& (*color)();
        const char* name; // empty: a fixed colour
        QColor light;
        QColor dark;
    };
    const Case cases[] = {
        { "deepBlue", Theme::deepBlue, "", deepBlue, deepBlue },
        { "cyanBase", Theme::cyanBase, "", QColor(33, 158, 188), QColor(33, 158, 188) },
        { "orangeBase", Theme::orangeBase, "", QColor(251, 133, 0), QColor(251, 133, 0) },
        { "cyan", Theme::cyan, "", QColor(33, 158, 188), QColor(33, 158, 188) },
        { "amber", Theme::amber, "", QColor(251, 133, 0), QColor(251, 133, 0) },
        { "window", Theme::window, "window", Qt::white, Qt::black },
        { "terminal", Theme::terminal, "terminal", Qt::white, Qt::black },
        { "sidebar", Theme::sidebar, "sidebar", QColor(241, 243, 244), deepBlue },
        { "pane", Theme::pane, "pane", Qt::white, deepBlue },
        { "border", Theme::border, "border", QColor(225, 230, 233), QColor(33, 73, 92) },
        { "muted", Theme::muted, "muted", QColor(78, 110, 126), QColor(179, 191, 198) },
        { "primary", Theme::primary, "primary", deepBlue, Qt::white },
        { "controlSelection", Theme::controlSelection, "controlSelection", alpha(QColor(33, 158, 188), 0.12f),
          alpha(QColor(33, 158, 188), 0.16f) },
    };
    auto& appearance = ApplicationAppearance::shared();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.member);
        const AdaptiveColor& color = c.color();
        EXPECT_EQ(color.name(), QString::fromLatin1(c.name));
        EXPECT_EQ(color.resolved(Appearance::light).rgba(), c.light.rgba());
        EXPECT_EQ(color.resolved(Appearance::dark).rgba(), c.dark.rgba());
        // Each member is built once and shared.
        EXPECT_EQ(&c.color(), &color);

        appearance.setAppearance(Appearance::light);
        EXPECT_EQ(color.resolved().rgba(), c.light.rgba());
        appearance.setAppearance(Appearance::dark);
        EXPECT_EQ(color.resolved().rgba(), c.dark.rgba());
    }
    // The accents are the base colours themselves, not copies.
    EXPECT_EQ(&Theme::cyan(), &Theme::cyanBase());
    EXPECT_EQ(&Theme::amber(), &Theme::orangeBase());
}

TEST(AdaptiveColor, FixedNamedAndTranslucentVariants)
{
    const AdaptiveColor fixed(QColor(10, 20, 30));
    EXPECT_TRUE(fixed.name().isEmpty());
    EXPECT_EQ(fixed.resolved(Appearance::light), fixed.resolved(Appearance::dark));
    EXPECT_EQ(AdaptiveColor().resolved(Appearance::light).alpha(), 0);

    const AdaptiveColor named = Theme::adaptive("paper", Qt::white, Qt::black);
    EXPECT_EQ(named.name(), "paper");
    EXPECT_EQ(named.resolved(Appearance::light), QColor(Qt::white));
    EXPECT_EQ(named.resolved(Appearance::dark), QColor(Qt::black));

    // A translucent variant keeps both values and the name; only alpha changes.
    const AdaptiveColor faint = named.withAlpha(0.25);
    EXPECT_EQ(faint.name(), "paper");
    EXPECT_EQ(faint.resolved(Appearance::light).rgba(), qRgba(255, 255, 255, 64));
    EXPECT_EQ(faint.resolved(Appearance::dark).rgba(), qRgba(0, 0, 0, 64));
}

TEST(ThemeTags, NamesInMenuOrderAndColoursByExactName)
{
    EXPECT_EQ(Theme::tagNames(), QStringList({ "Red", "Orange", "Yellow", "Green", "Blue", "Purple", "Gray" }));

    using Theme::SystemColor;
    struct Case {
        const char* tag;
        SystemColor expected;
    };
    const Case cases[] = {
        { "Red", SystemColor::red },       { "Orange", SystemColor::orange }, { "Yellow", SystemColor::yellow },
        { "Green", SystemColor::green },   { "Blue", SystemColor::blue },     { "Purple", SystemColor::purple },
        { "Gray", SystemColor::gray },     { "red", SystemColor::gray },      { "RED", SystemColor::gray },
        { "Red ", SystemColor::gray },     { "", SystemColor::gray },         { "Work", SystemColor::gray },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tag);
        EXPECT_EQ(Theme::tagColor(c.tag), Theme::systemColor(c.expected));
    }
    // Distinct tags are told apart by colour.
    QSet<QRgb> seen;
    for (const QString& tag : Theme::tagNames())
        seen.insert(Theme::tagColor(tag).resolved(Appearance::light).rgb());
    EXPECT_EQ(seen.size(), Theme::tagNames().size());
}

} // namespace
} // namespace bramblet
