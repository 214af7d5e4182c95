#include "Bramblet/Theme/Theme.h"
#include "Bramblet/Theme/ToolbarAccentButton.h"

#include "Theme/ThemeTestSupport.h"

#include <QApplication>
#include <QEnterEvent>
#include <QGraphicsDropShadowEffect>
#include <QTest>

namespace bramblet {
namespace {

using testing::sameColor;

// A symbol button in an active window, as the toolbar has them.
class ToolbarAccentButtonTest : public testing::AppearanceTest {
protected:
    void SetUp() override
    {
        QPalette white = window.palette();
        white.setColor(QPalette::Window, Qt::white);
        window.setPalette(white);
        window.setAutoFillBackground(true);
        button = new ToolbarAccentButton(&window);
        button->setIcon(Theme::systemSymbol("star"));
        button->setGeometry(10, 10, 28, 28);
        window.resize(48, 48);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void enter()
    {
        QEnterEvent event(QPointF(14, 14), QPointF(24, 24), button->mapToGlobal(QPointF(14, 14)));
        QApplication::sendEvent(button, &event);
    }

    void leave()
    {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(button, &event);
    }

    // The button over its white window. The glow is a graphics effect, which grab() draws and
    // render() into an image does not.
    QImage shot() { return button->grab().toImage(); }
    // Lit, the accent backdrop shows in a corner away from the symbol; unlit, the window does.
    QColor backdrop() { return shot().pixelColor(3, 14); }
    static bool isWhite(const QColor& color) { return color == QColor(Qt::white); }
    bool glowing() { return button->graphicsEffect()->isEnabled(); }

    QWidget window;
    ToolbarAccentButton* button = nullptr;
};

TEST_F(ToolbarAccentButtonTest, StartsUnlitInCyan)
{
    EXPECT_EQ(button->accentColor(), Theme::cyan());
    EXPECT_FALSE(button->hovering());
    EXPECT_FALSE(button->pressing());
    EXPECT_TRUE(isWhite(backdrop()));
    EXPECT_FALSE(glowing());
}

TEST_F(ToolbarAccentButtonTest, LightsWhileHoveredPressedOrChecked)
{
    const QColor cyan = Theme::cyan().resolved();
    enter();
    EXPECT_TRUE(button->hovering());
    EXPECT_TRUE(glowing());
    const QColor lit = backdrop();
    EXPECT_FALSE(isWhite(lit));
    EXPECT_GT(lit.blue(), lit.red()); // cyan-tinted
    auto* glow = qobject_cast<QGraphicsDropShadowEffect*>(button->graphicsEffect());
    ASSERT_NE(glow, nullptr);
    EXPECT_TRUE(sameColor(glow->color(), QColor(cyan.red(), cyan.green(), cyan.blue(), 166), 1)); // opacity 0.65
    EXPECT_EQ(glow->blurRadius(), 7);
    EXPECT_EQ(glow->offset(), QPointF(0, 0));

    leave();
    EXPECT_FALSE(button->hovering());
    EXPECT_TRUE(isWhite(backdrop()));
    EXPECT_FALSE(glowing());

    // Lit while the mouse button is down, whatever the pointer does meanwhile.
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(14, 14));
    EXPECT_TRUE(button->pressing());
    EXPECT_TRUE(glowing());
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(14, 14));
    EXPECT_FALSE(button->pressing());
    EXPECT_FALSE(glowing());
}

TEST_F(ToolbarAccentButtonTest, ACheckedToggleStaysLitAfterThePointerLeaves)
{
    button->setCheckable(true);
    enter();
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(14, 14));
    ASSERT_TRUE(button->isChecked());
    leave();
    EXPECT_TRUE(glowing());
    EXPECT_FALSE(isWhite(backdrop()));

    // Clicking it off goes dark as soon as the pointer is gone.
    enter();
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(14, 14));
    ASSERT_FALSE(button->isChecked());
    leave();
    EXPECT_FALSE(glowing());
    EXPECT_TRUE(isWhite(backdrop()));
}

TEST_F(ToolbarAccentButtonTest, StateSetFromCodeShowsOnceTheAccentIsSetAgain)
{
    button->setCheckable(true);
    button->setChecked(true);
    EXPECT_FALSE(glowing());
    const AdaptiveColor purple = Theme::systemColor(Theme::SystemColor::purple);
    button->setAccentColor(purple);
    EXPECT_EQ(button->accentColor(), purple);
    EXPECT_TRUE(glowing());
    const QColor lit = backdrop();
    EXPECT_GT(lit.red(), lit.green()); // purple-tinted now

    // The glow keeps a resolved colour: it follows a switch of appearance.
    ApplicationAppearance::shared().setAppearance(Appearance::dark);
    const QColor darkPurple = purple.resolved(Appearance::dark);
    const QColor glow = qobject_cast<QGraphicsDropShadowEffect*>(button->graphicsEffect())->color();
    EXPECT_EQ(QColor(glow.red(), glow.green(), glow.blue()), darkPurple);
}

TEST_F(ToolbarAccentButtonTest, TintsItsSymbolOrTitleWithTheLook)
{
    // The star's outline crosses the middle of its top edge: its darkest pixel there.
    const auto starOnTop = [&] {
        const QImage image = shot();
        QColor darkest(Qt::white);
        for (int y = 4; y < 14; ++y) {
            const QColor c = image.pixelColor(14, y);
            if (c.lightness() < darkest.lightness())
                darkest = c;
        }
        return darkest;
    };
    const QColor unlit = starOnTop();
    ASSERT_FALSE(isWhite(unlit));
    EXPECT_LE(std::abs(unlit.red() - unlit.blue()), 2); // the grey of the secondary label colour
    enter();
    const QColor lit = starOnTop();
    EXPECT_GT(lit.blue(), lit.red() + 40);
    EXPECT_GT(lit.green(), lit.red() + 40);

    // A title button draws its text in the same colours.
    ToolbarAccentButton title(&window);
    title.setText("Copy →");
    title.resize(title.sizeHint());
    EXPECT_GT(title.width(), 20);
    const QImage image = title.grab().toImage();
    bool drewText = false;
    for (int x = 0; x < image.width() && !drewText; ++x) {
        for (int y = 0; y < image.height() && !drewText; ++y)
            drewText = !isWhite(image.pixelColor(x, y));
    }
    EXPECT_TRUE(drewText);
}

} // namespace
} // namespace bramblet
