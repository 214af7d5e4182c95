// A steady frame (nothing changed since the last, as for a cursor blink) reuses the draw data of the
// frame before: the pass into the same DrawData allocates nothing; nor does the frame's way through
// the coordinator, its watchdog on the Qt queue included. (The surface's polling of the frame's fence
// needs a GL context, so it is not counted here.)

#include "Gpu/RendererTestSupport.h"
#include "ZentrovaView/Gpu/MetalFrameCoordinator.h"
#include "ZentrovaView/QtMainQueue.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

TEST(MetalSteadyFrame, ASecondIdenticalPassAllocatesNothingInEitherBufferingMode)
{
    struct Case {
        const char* name;
        MetalBufferingMode mode;
        const char* cursorStyle;
    };
    const Case cases[] = {
        { "per row, block cursor over a character", MetalBufferingMode::perRowPersistent, "\x1b[2 q" },
        { "aggregated, block cursor over a character", MetalBufferingMode::perFrameAggregated, "\x1b[2 q" },
        { "per row, bar cursor", MetalBufferingMode::perRowPersistent, "\x1b[6 q" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RendererFixture fixture;
        fixture.view.setMetalBufferingMode(c.mode);
        fixture.view.setCaretViewTracksFocus(false); // drawn focused: the block with its character
        // Colours, a decoration, wide and box-drawing cells; the cursor left on the "o" of "two".
        feed(fixture.view, std::string(c.cursorStyle) + "\x1b[42mone\x1b[m \x1b[4mline\x1b[m\r\n\x1b[1;31m漢字 ─┼─\x1b[m\r\ntwo\x1b[D");
        auto& renderer = *fixture.renderer;
        DrawData data;
        renderer.buildDrawDataPass(1, data);
        ASSERT_FALSE(data.cursorColorVertices.empty());
        const bool blockCursor = c.cursorStyle[2] == '2';
        EXPECT_EQ(data.cursorGlyphVerticesGray.empty(), !blockCursor) << "the character under a block is drawn";
        const DrawData first = data;

        const size_t before = allocationcounter::count();
        renderer.buildDrawDataPass(1, data);
        EXPECT_EQ(allocationcounter::count() - before, 0u);
        EXPECT_EQ(renderer.rowsBuiltLastPass(), 0);
        // The same frame all the same.
        EXPECT_EQ(data.rows.size(), first.rows.size());
        EXPECT_EQ(data.frame.has_value(), first.frame.has_value());
        if (data.frame) {
            EXPECT_EQ(static_cast<const RowDrawData&>(*data.frame), static_cast<const RowDrawData&>(*first.frame));
        }
        EXPECT_EQ(data.cursorColorVertices, first.cursorColorVertices);
        EXPECT_EQ(data.cursorGlyphVerticesGray, first.cursorGlyphVerticesGray);
    }
}

TEST(MetalSteadyFrame, FramesThroughTheCoordinatorOnTheQtQueueAllocateNothing)
{
    QObject context;
    QtMainQueue queue(&context);
    auto coordinator = MetalFrameCoordinator::make(queue, {
        .isRetryEligible = [] { return true; },
        .requestDraw = [](MetalFrameRefusalReason) { },
        .requestRecovery = [](const MetalRendererRecoveryReport&) { },
        .becameIdle = [] { },
    });
    const auto fence = std::make_shared<FakeFence>();
    int completed = 0;
    const auto frame = [&] {
        const auto token = coordinator->beginFrame();
        if (!token)
            return;
        fence->signaled = false;
        coordinator->didSubmit(*token, fence);
        fence->signaled = true;
        coordinator->complete(*token, MetalTrackedCommandBufferStatus::completed, std::nullopt);
        completed++;
    };
    frame();
    const size_t before = allocationcounter::count();
    for (int i = 0; i < 100; ++i)
        frame();
    EXPECT_EQ(allocationcounter::count() - before, 0u);
    EXPECT_EQ(completed, 101);
}

// The frame loop arms its fence poll and its presentation report on every frame.
TEST(MetalSteadyFrame, AQtQueueTimerArmedAgainAndFiredAllocatesNothing)
{
    QObject context;
    QtMainQueue queue(&context);
    int fired = 0;
    const std::unique_ptr<MainQueue::Timer> timer = queue.makeTimer([&] { fired++; });
    const auto cycle = [&] {
        const int target = fired + 1;
        timer->start(std::chrono::milliseconds(0));
        timer->start(std::chrono::milliseconds(0)); // armed afresh while armed
        while (fired < target)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    cycle();
    const size_t before = allocationcounter::count();
    for (int i = 0; i < 50; ++i)
        cycle();
    EXPECT_EQ(allocationcounter::count() - before, 0u);
    EXPECT_EQ(fired, 51);
}

} // namespace
} // namespace zentrova
