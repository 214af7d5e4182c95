#include "Bramblet/Theme/SquareCheckbox.h"
#include "Bramblet/Theme/Theme.h"

#include "Theme/ThemeTestSupport.h"

#include <QTest>

namespace bramblet {
namespace {

using testing::pixelAt;
using testing::render;
using testing::sameColor;

TEST(SquareCheckbox, IsASixteenPointToggle)
{
    SquareCheckbox box;
    EXPECT_EQ(box.size(), QSize(16, 16));
    EXPECT_EQ(box.minimumSize(), QSize(16, 16));
    EXPECT_EQ(box.maximumSize(), QSize(16, 16));
    EXPECT_TRUE(box.text().isEmpty());
    EXPECT_FALSE(box.isChecked());
    QTest::mouseClick(&box, Qt::LeftButton);
    EXPECT_TRUE(box.isChecked());
    QTest::mouseClick(&box, Qt::LeftButton);
    EXPECT_FALSE(box.isChecked());
    box.setEnabled(false);
    QTest::mouseClick(&box, Qt::LeftButton);
    EXPECT_FALSE(box.isChecked());
}

TEST(SquareCheckbox, DrawsEachStateWithItsColours)
{
    const QColor tertiary = Theme::systemColor(Theme::SystemColor::tertiaryLabel).resolved();
    const QColor quaternary = Theme::systemColor(Theme::SystemColor::quaternaryLabel).resolved();
    const QColor clear(0, 0, 0, 0);
    // Probes, in the box's 16-unit space: the fill away from the check mark, the middle vertex of
    // the check mark, and the left edge of the outline (the square is inset by 1).
    const QPointF fill(12, 12), checkVertex(6.9, 11.9), outline(1, 8);
    struct Case {
        const char* name;
        bool checked;
        bool enabled;
        QColor atFill;
        QColor atCheck;
        QColor atOutline;
    };
    const Case cases[] = {
        { "on", true, true, Theme::cyan().resolved(), Qt::white, Theme::cyan().resolved() },
        { "on, disabled", true, false, quaternary, Qt::white, quaternary },
        { "off", false, true, clear, clear, tertiary },
        { "off, disabled", false, false, clear, clear, quaternary },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SquareCheckbox box;
        box.setChecked(c.checked);
        box.setEnabled(c.enabled);
        const QImage image = render(box, 4);
        EXPECT_TRUE(sameColor(pixelAt(image, fill.x(), fill.y()), c.atFill, 4));
        EXPECT_TRUE(sameColor(pixelAt(image, checkVertex.x(), checkVertex.y()), c.atCheck, 4));
        // The outline is a thin antialiased stroke: compare its hue, not its exact coverage.
        const QColor edge = pixelAt(image, outline.x(), outline.y());
        EXPECT_GT(edge.alpha(), 0);
        EXPECT_TRUE(sameColor(QColor(edge.red(), edge.green(), edge.blue()),
                              QColor(c.atOutline.red(), c.atOutline.green(), c.atOutline.blue()), 4));
        EXPECT_EQ(pixelAt(image, 0.1, 0.1).alpha(), 0); // the rounded corner stays clear
    }
}

} // namespace
} // namespace bramblet
