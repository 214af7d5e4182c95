#include "Bramblet/Theme/ActivatableStack.h"
#include "Bramblet/Theme/ImageView.h"
#include "Bramblet/Theme/Theme.h"

#include "Theme/ThemeTestSupport.h"

#include <QBoxLayout>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace bramblet {
namespace {

using testing::pixelAt;
using testing::render;
using testing::sameColor;

TEST(ThemeFont, IsTheDesktopUiFontAtTheGivenSizeAndWeight)
{
    const QString family = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    struct Case {
        qreal size;
        QFont::Weight weight;
        int pixels;
    };
    const Case cases[] = {
        { 12, QFont::Normal, 12 }, { 13, QFont::DemiBold, 13 }, { 15, QFont::Bold, 15 }, { 10, QFont::Medium, 10 },
        { 12.6, QFont::Light, 13 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const QFont font = Theme::font(c.size, c.weight);
        EXPECT_EQ(font.family(), family);
        EXPECT_EQ(font.pixelSize(), c.pixels);
        EXPECT_EQ(font.weight(), c.weight);
    }
}

TEST(ThemeSymbols, PlaceNamesMapExactly)
{
    struct Case {
        const char* place;
        const char* symbol;
    };
    const Case cases[] = {
        { "Home", "house.fill" },          { "Download", "arrow.down.circle.fill" }, { "Disk", "externaldrive.fill" },
        { "Search", "magnifyingglass" },   { "Settings", "gearshape.fill" },         { "Browser", "network" },
        { "Folder", "folder.fill" },       { "home", "folder.fill" },                { "", "folder.fill" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.place);
        EXPECT_EQ(Theme::symbolName(c.place), c.symbol);
    }
}

TEST(ThemeSymbols, EverySymbolTheApplicationUsesHasAnImage)
{
    // Offscreen there is no icon theme, so these come from the bundled drawings.
    const char* symbols[] = {
        "arrow.clockwise", "arrow.down.circle.fill", "arrow.down.doc", "arrow.up", "arrow.up.doc", "chevron.down",
        "chevron.left", "chevron.right", "chevron.up", "doc", "externaldrive.fill", "eye", "folder",
        "folder.badge.plus", "folder.fill", "gearshape.fill", "house.fill", "list.bullet", "list.bullet.indent",
        "magnifyingglass", "network", "plus", "questionmark.square", "sidebar.left", "sidebar.right",
        "square.grid.2x2", "star", "terminal.fill", "trash", "xmark",
    };
    for (const char* name : symbols) {
        SCOPED_TRACE(name);
        const QIcon icon = Theme::systemSymbol(name);
        ASSERT_FALSE(icon.isNull());
        const QImage image = icon.pixmap(QSize(32, 32)).toImage();
        ASSERT_FALSE(image.isNull());
        int covered = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                covered += image.pixelColor(x, y).alpha() > 128;
        }
        EXPECT_GT(covered, 20); // a real drawing, not an empty image
        EXPECT_LT(covered, 32 * 32);
    }
    EXPECT_TRUE(Theme::systemSymbol("no.such.symbol").isNull());
}

TEST(ThemeImages, BundledIconsLoadAndMissingOnesFallBackToTheQuestionMark)
{
    ASSERT_TRUE(Theme::iconImage("Folder").has_value());
    ASSERT_TRUE(Theme::iconImage("Search").has_value());
    EXPECT_FALSE(Theme::iconImage("Missing").has_value());
    EXPECT_FALSE(Theme::iconImage("folder").has_value()); // names are exact

    std::unique_ptr<ImageView> search(Theme::icon("Search", 56));
    EXPECT_EQ(search->size(), QSize(56, 56));
    EXPECT_EQ(search->minimumSize(), QSize(56, 56));
    EXPECT_FALSE(search->isTemplate());
    EXPECT_TRUE(search->accessibleName().isEmpty());
    // Drawn in its own colours, scaled to fill the view: the amber ring crosses the middle left.
    const QImage searchImage = render(*search);
    bool amber = false;
    for (int x = 0; x < 28 && !amber; ++x) {
        const QColor c = searchImage.pixelColor(x, 24);
        amber = c.alpha() > 200 && c.red() > 200 && c.blue() < 80;
    }
    EXPECT_TRUE(amber);

    std::unique_ptr<ImageView> missing(Theme::icon("Missing", 24, "Unknown"));
    EXPECT_TRUE(missing->isTemplate());
    EXPECT_EQ(missing->icon().cacheKey(), Theme::systemSymbol("questionmark.square").cacheKey());
    EXPECT_EQ(missing->accessibleName(), "Unknown");
}

class ThemeSymbolView : public testing::AppearanceTest {};

TEST_F(ThemeSymbolView, IsTintedPrimaryInEachAppearance)
{
    std::unique_ptr<ImageView> home(Theme::symbol("Home", 32, "Home"));
    EXPECT_EQ(home->size(), QSize(32, 32));
    EXPECT_EQ(home->accessibleName(), "Home");
    EXPECT_EQ(home->tint(), Theme::primary());
    EXPECT_EQ(home->icon().cacheKey(), Theme::systemSymbol("house.fill").cacheKey());

    const QPointF insideTheHouse(10, 22); // the wall beside the door
    ApplicationAppearance::shared().setAppearance(Appearance::light);
    EXPECT_TRUE(sameColor(pixelAt(render(*home), insideTheHouse.x(), insideTheHouse.y()), Theme::deepBlue().light()));
    ApplicationAppearance::shared().setAppearance(Appearance::dark);
    EXPECT_TRUE(sameColor(pixelAt(render(*home), insideTheHouse.x(), insideTheHouse.y()), Qt::white));

    // Untinted, a symbol takes the label colour; a full-colour image ignores any tint.
    home->setTint(std::nullopt);
    EXPECT_TRUE(sameColor(pixelAt(render(*home), insideTheHouse.x(), insideTheHouse.y()),
                          Theme::systemColor(Theme::SystemColor::label).resolved()));
    home->setIcon(*Theme::iconImage("Folder"), false);
    home->setTint(QColor(Qt::red));
    const QColor folder = pixelAt(render(*home), 16, 24);
    EXPECT_GT(folder.blue(), folder.red());
}

TEST(ThemeStack, ArrangesViewsInOrderWithTheAxisAlignment)
{
    auto* first = new QLabel("one");
    auto* second = new QLabel("two");
    std::unique_ptr<StackView> row(Theme::stack({ first, second }, Qt::Horizontal, 12));
    QBoxLayout* layout = row->boxLayout();
    EXPECT_EQ(row->orientation(), Qt::Horizontal);
    EXPECT_EQ(layout->spacing(), 12);
    EXPECT_EQ(layout->contentsMargins(), QMargins());
    ASSERT_EQ(layout->count(), 2);
    EXPECT_EQ(layout->itemAt(0)->widget(), first);
    EXPECT_EQ(layout->itemAt(1)->widget(), second);
    EXPECT_EQ(layout->itemAt(0)->alignment(), Qt::AlignVCenter);

    // Turning the stack re-aligns what it holds, and later views get the same alignment.
    row->setOrientation(Qt::Vertical);
    auto* third = new QLabel("three");
    row->addArrangedSubview(third);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(layout->itemAt(i)->alignment(), Qt::AlignLeft);

    // Laid out: leading edge, in order, `spacing` apart.
    row->resize(200, 200);
    layout->activate();
    EXPECT_EQ(first->x(), 0);
    EXPECT_EQ(second->y(), first->geometry().bottom() + 1 + 12);

    std::unique_ptr<ActivatableStack> header(Theme::activatableStack({ new QLabel("x") }, Qt::Vertical, 4));
    EXPECT_EQ(header->orientation(), Qt::Vertical);
    EXPECT_EQ(header->boxLayout()->spacing(), 4);
    EXPECT_EQ(header->boxLayout()->count(), 1);
}

TEST(ThemePin, FillsTheContainerInsideTheInset)
{
    QWidget container;
    auto* wide = new QWidget;
    auto* inset = new QWidget;
    Theme::pin(wide, &container, 0);
    Theme::pin(inset, &container, 8);
    EXPECT_EQ(wide->parentWidget(), &container);
    EXPECT_EQ(inset->parentWidget(), &container);
    container.resize(200, 100);
    container.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&container));
    EXPECT_EQ(wide->geometry(), QRect(0, 0, 200, 100));
    EXPECT_EQ(inset->geometry(), QRect(8, 8, 184, 84));
    container.resize(300, 50);
    QCoreApplication::processEvents();
    EXPECT_EQ(inset->geometry(), QRect(8, 8, 284, 34));
}

TEST(ThemePrimaryActionButton, IsOrangeWithAWhiteTitleAndRunsItsAction)
{
    auto target = std::make_unique<QObject>();
    int runs = 0;
    std::unique_ptr<QPushButton> button(Theme::primaryActionButton("Start Sync", target.get(), [&] { ++runs; }));
    EXPECT_EQ(button->text(), "Start Sync");
    EXPECT_EQ(button->font().pixelSize(), 15);
    EXPECT_EQ(button->font().weight(), QFont::DemiBold);
    button->resize(button->sizeHint());
    ASSERT_GT(button->width(), 40);

    const QImage image = render(*button);
    const int middle = button->height() / 2;
    EXPECT_TRUE(sameColor(image.pixelColor(4, middle), QColor(251, 133, 0)));
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0); // rounded corner
    bool whiteTitle = false;
    for (int x = 0; x < image.width() && !whiteTitle; ++x)
        whiteTitle = image.pixelColor(x, middle) == QColor(Qt::white);
    EXPECT_TRUE(whiteTitle);

    QTest::mouseClick(button.get(), Qt::LeftButton);
    EXPECT_EQ(runs, 1);
    // The action lives as long as its target.
    target.reset();
    QTest::mouseClick(button.get(), Qt::LeftButton);
    EXPECT_EQ(runs, 1);

    // No action: a button that does nothing when clicked.
    std::unique_ptr<QPushButton> plain(Theme::primaryActionButton("Stack"));
    QTest::mouseClick(plain.get(), Qt::LeftButton);
}

} // namespace
} // namespace bramblet
