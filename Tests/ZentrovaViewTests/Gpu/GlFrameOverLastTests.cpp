// A GPU frame drawn over the last one, where only some rows or the cursor changed, leaves the picture a
// frame drawn whole leaves; what changes the whole view draws everything.

#include "Gpu/GlSurfaceSupport.h"
#include "ZentrovaView/Gpu/MetalTerminalRenderer.h"

#include <gtest/gtest.h>

#include <functional>

namespace zentrova {
namespace {

struct GlFrameOverLast : ::testing::Test {
    void SetUp() override
    {
        if (!glSurfacesAvailable())
            GTEST_SKIP() << "no GL on this platform";
    }
};

// The picture after one more frame, drawn once nothing is in flight.
QImage drawnFrame(TerminalView& view)
{
    MetalView& surface = glSurface(view);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !surface.frameCoordinator().hasActiveFrame(); }, glFrameWaitMs));
    surface.drawNow();
    return gpuFrame(view);
}

int differentPixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return a.width() * a.height();
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

TEST_F(GlFrameOverLast, LeavesThePictureOfAWholeFrame)
{
    struct Change {
        const char* name;
        // Fed after the common screen, before the first frame.
        const char* setUp;
        std::function<void(QWidget& window, TerminalView& view)> apply;
        // Whether the change is drawn in full.
        bool drawnWhole;
    };
    const auto feedChange = [](const char* bytes) {
        return [bytes](QWidget&, TerminalView& view) { feed(view, bytes); };
    };
    const Change changes[] = {
        { "two rows rewritten", "", feedChange("\x1b[2;3Hnew \x1b[45mtext\x1b[m\x1b[4;1H\x1b[2K\xe2\x94\x80\xe2\x94\x80 "),
          false },
        { "the cursor moved", "", feedChange("\x1b[7;20H"), false },
        { "the cursor hidden", "", feedChange("\x1b[?25l"), false },
        // Accents stacked above their cells reach into the row above, which is drawn again.
        { "the row above stacked accents rewritten",
          "\x1b[10;1HA\xcc\x81\xcc\x81\xcc\x81 e\xcc\x82\xcc\x82\xcc\x82 \xc3\x85\xcc\x8a",
          feedChange("\x1b[9;1H\x1b[44m  blue  \x1b[m"), false },
        { "everything selected", "", [](QWidget&, TerminalView& view) { view.selectAll(); }, true },
        { "the background colour", "", [](QWidget&, TerminalView& view) { view.setNativeBackgroundColor(QColor(40, 10, 60)); },
          true },
        { "scrolled a line", "", feedChange("\x1b[99;1H\n"), true },
        { "a larger font", "",
          [](QWidget&, TerminalView& view) {
              QFont font = testFont();
              font.setPointSizeF(15);
              view.setFont(font);
          },
          true },
        { "resized", "",
          [](QWidget& window, TerminalView& view) {
              window.resize(400, 260);
              view.resize(400, 260);
          },
          true },
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        ShownTerminalView shown(QSize(480, 300));
        ASSERT_TRUE(shown.exposed());
        TerminalView& view = shown.view;
        view.setUseMetal(true);
        feedScreen(view);
        feed(view, change.setUp);
        view.updateDisplay();
        const QImage before = gpuFrame(view);
        MetalView& surface = glSurface(view);
        ASSERT_NE(surface.renderer(), nullptr);
        MetalTerminalRenderer& renderer = *surface.renderer();
        const int wholeFrames = renderer.wholeFrameCount();

        change.apply(shown.window, view);
        view.updateDisplay();
        const QImage over = drawnFrame(view);
        EXPECT_GT(differentPixels(over, before), 0) << "the change does not show";
        EXPECT_EQ(renderer.wholeFrameCount() > wholeFrames, change.drawnWhole);

        renderer.clearRowCache(); // the next frame builds and draws every row
        const QImage whole = drawnFrame(view);
        EXPECT_EQ(differentPixels(over, whole), 0);
    }
}

} // namespace
} // namespace zentrova
