#include "Bramblet/Theme/ApplicationAppearance.h"
#include "Bramblet/Theme/ColorView.h"
#include "Bramblet/Theme/Theme.h"

#include "Theme/ThemeTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

namespace bramblet {
namespace {

using testing::AppearanceTest;
using testing::pixelAt;
using testing::render;
using testing::sameColor;

class ApplicationAppearanceTest : public AppearanceTest {};

TEST_F(ApplicationAppearanceTest, ExplicitChoicesInstallTheirPaletteAndAnnounceTheSwitch)
{
    auto& appearance = ApplicationAppearance::shared();
    appearance.setAppearance(std::nullopt);
    ASSERT_EQ(appearance.effectiveAppearance(), Appearance::light); // the offscreen platform is light
    QSignalSpy changed(&appearance, &ApplicationAppearance::effectiveAppearanceChanged);

    appearance.setAppearance(Appearance::dark);
    EXPECT_EQ(appearance.appearance(), Appearance::dark);
    EXPECT_EQ(appearance.effectiveAppearance(), Appearance::dark);
    // Alerts and the Operations window are the panes' deep blue, not black.
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), Theme::deepBlue().light());
    EXPECT_EQ(QApplication::palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(QApplication::palette().color(QPalette::Base), Theme::deepBlue().light());
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<Appearance>(), Appearance::dark);

    // Choosing the look already in effect announces nothing.
    appearance.setAppearance(Appearance::dark);
    EXPECT_EQ(changed.count(), 1);

    appearance.setAppearance(Appearance::light);
    EXPECT_EQ(appearance.effectiveAppearance(), Appearance::light);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(QApplication::palette().color(QPalette::WindowText), Theme::deepBlue().light());
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(ApplicationAppearanceTest, SystemChoiceFollowsThePlatformPaletteUntilAnExplicitChoice)
{
    auto& appearance = ApplicationAppearance::shared();
    appearance.setAppearance(std::nullopt);
    const QColor platformWindow = QApplication::palette().color(QPalette::Window);
    QSignalSpy changed(&appearance, &ApplicationAppearance::effectiveAppearanceChanged);

    // The platform switching to a dark palette.
    QPalette dark = QApplication::palette();
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    QApplication::setPalette(dark);
    EXPECT_EQ(appearance.effectiveAppearance(), Appearance::dark);
    EXPECT_EQ(changed.count(), 1);

    // An explicit light choice overrides the dark platform; going back to the system restores the
    // platform's own palette.
    appearance.setAppearance(Appearance::light);
    EXPECT_EQ(appearance.effectiveAppearance(), Appearance::light);
    appearance.setAppearance(std::nullopt);
    EXPECT_FALSE(appearance.appearance().has_value());
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), platformWindow);
    EXPECT_EQ(appearance.effectiveAppearance(), Appearance::light);
}

// The colour a shown window really carries on screen, which changes only when it repaints.
QColor onScreen(QWidget& window, QPoint position)
{
    const QPixmap shot = window.screen()->grabWindow(window.winId());
    return shot.toImage().pixelColor(position * shot.devicePixelRatio());
}

TEST_F(ApplicationAppearanceTest, ShownColorViewRepaintsWithTheNewColour)
{
    ColorView view(Theme::pane());
    // A palette of its own shields a window from application palette changes; its colour views
    // must follow the appearance all the same.
    view.setPalette(QPalette(Qt::gray));
    auto* rule = new ColorView(Theme::border(), false, &view);
    rule->setGeometry(0, 0, 120, 3);
    view.resize(120, 80);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const QPoint middle(60, 40);
    const QPoint onRule(60, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return onScreen(view, middle) == QColor(Qt::white); }));
    EXPECT_EQ(onScreen(view, onRule), QColor(225, 230, 233));

    ApplicationAppearance::shared().setAppearance(Appearance::dark);
    EXPECT_TRUE(QTest::qWaitFor([&] { return onScreen(view, middle) == Theme::deepBlue().light(); }));
    EXPECT_EQ(onScreen(view, onRule), QColor(33, 73, 92));

    // Setting a colour repaints too.
    view.setColor(QColor(200, 10, 10));
    EXPECT_TRUE(QTest::qWaitFor([&] { return onScreen(view, middle) == QColor(200, 10, 10); }, 60000));
}

TEST_F(ApplicationAppearanceTest, RoundedColorViewClipsItsCornersAndItsChildren)
{
    ColorView view(Theme::sidebar(), true);
    view.resize(100, 60);
    auto* child = new QLabel(&view);
    child->setAutoFillBackground(true);
    QPalette red = child->palette();
    red.setColor(QPalette::Window, Qt::red);
    child->setPalette(red);
    Theme::pin(child, &view, 0);
    view.layout()->activate();
    ASSERT_EQ(child->geometry(), view.rect());

    const QImage image = render(view, 2);
    EXPECT_EQ(pixelAt(image, 0.5, 0.5).alpha(), 0);  // outside the rounded corner
    EXPECT_EQ(pixelAt(image, 99.5, 59.5).alpha(), 0);
    EXPECT_TRUE(sameColor(pixelAt(image, 50, 30), Qt::red));
    EXPECT_TRUE(sameColor(pixelAt(image, 50, 0.5), Qt::red)); // straight edges are not clipped

    ColorView clear(QColor(0, 0, 0, 0));
    clear.resize(20, 20);
    EXPECT_EQ(pixelAt(render(clear), 10, 10).alpha(), 0);
}

} // namespace
} // namespace bramblet
