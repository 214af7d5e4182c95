// The view's management of its GPU renderer, on fake surfaces driven through the real frame
// coordinator: no GL needed.

#include "FakeMetalSurface.h"
#include "Gpu/LogCapture.h"
#include "Support/ManualMainQueue.h"
#include "TerminalViewTestSupport.h"
#include "ZentrovaView/CaretView.h"
#include "ZentrovaView/Gpu/MetalView.h"
#include "ZentrovaView/TerminalViewNotificationCenter.h"

#include <QTest>

#include <gtest/gtest.h>

namespace zentrova {
namespace {

using namespace std::chrono_literals;
using State = MetalRendererStatus::State;

struct TerminalViewMetal : ::testing::Test {
    TerminalViewMetal()
    {
        view.setDisplayQueue(queue);
        view.setMetalSurfaceFactory(factory);
        QObject::connect(&TerminalViewNotificationCenter::defaultCenter(), &TerminalViewNotificationCenter::notification,
                         &view, [this](const QString& name, TerminalView* object) {
                             if (name == TerminalViewNotificationCenter::metalRendererStatusDidChange && object == &view)
                                 states.push_back(view.metalRendererStatus().state);
                         });
    }

    FakeMetalSurface* current() const { return dynamic_cast<FakeMetalSurface*>(view.metalSurface()); }
    // Runs what the surfaces posted to the queue.
    void settle() { queue.advance(0ms); }
    void requestRecovery(FakeMetalSurface& surface)
    {
        view.metalRendererRequiresRecovery(surface, { MetalFrameRefusalReason::missingDrawable, 1.25, std::nullopt, std::nullopt });
    }

    ManualMainQueue queue;
    FakeMetalSurfaceFactory factory;
    TerminalView view { nullptr, testFont(), TerminalOptions::Default, QSize(640, 400) };
    std::vector<State> states;
};

TEST_F(TerminalViewMetal, SwitchingOnPutsASurfaceInTheViewThatDrawsTheCursorUntilSwitchedOff)
{
    view.setUseMetal(true);
    ASSERT_TRUE(current());
    EXPECT_TRUE(view.isUsingMetalRenderer());
    EXPECT_EQ(view.metalView()->parentWidget(), &view);
    EXPECT_EQ(view.metalView()->geometry(), view.rect());
    EXPECT_TRUE(view.caretView()->isHidden());
    EXPECT_EQ(view.metalRendererStatus(), (MetalRendererStatus { State::waitingForFirstFrame, 0, std::nullopt }));

    // Switching on again changes nothing.
    FakeMetalSurface* surface = current();
    view.setUseMetal(true);
    EXPECT_EQ(current(), surface);

    // The caret stays hidden while the cursor moves; the renderer draws it.
    feed(view, "\r\nab");
    view.updateDisplay();
    EXPECT_TRUE(view.caretView()->isHidden());

    surface->present();
    settle();
    EXPECT_EQ(view.metalRendererStatus().state, State::healthy);
    EXPECT_EQ(view.metalRendererStatus().presentedFrameCount, 1u);
    ASSERT_TRUE(view.metalRendererStatus().lastFramePresentedAt);

    view.setUseMetal(false);
    EXPECT_FALSE(view.metalView());
    EXPECT_FALSE(view.isUsingMetalRenderer());
    EXPECT_FALSE(view.caretView()->isHidden());
    // Switching off keeps the count and the date.
    EXPECT_EQ(view.metalRendererStatus().state, State::disabled);
    EXPECT_EQ(view.metalRendererStatus().presentedFrameCount, 1u);
    EXPECT_TRUE(view.metalRendererStatus().lastFramePresentedAt);
    EXPECT_EQ(states, (std::vector { State::waitingForFirstFrame, State::healthy, State::disabled }));

    // Off again: no change, no notification. On again: the count starts over.
    view.setUseMetal(false);
    EXPECT_EQ(states.size(), 3u);
    view.setUseMetal(true);
    EXPECT_EQ(view.metalRendererStatus(), (MetalRendererStatus { State::waitingForFirstFrame, 0, std::nullopt }));
}

// The report of presented frames runs on the queue; frames presented before it runs each count, and
// each is announced.
TEST_F(TerminalViewMetal, FramesPresentedBeforeTheirReportRunsAreEachCounted)
{
    view.setUseMetal(true);
    FakeMetalSurface* surface = current();
    ASSERT_TRUE(surface);
    surface->present();
    surface->present();
    surface->present();
    EXPECT_EQ(view.metalRendererStatus().presentedFrameCount, 0u) << "not reported inside the presentation";
    settle();
    EXPECT_EQ(view.metalRendererStatus().presentedFrameCount, 3u);
    EXPECT_EQ(states, (std::vector { State::waitingForFirstFrame, State::healthy, State::healthy, State::healthy }));

    // A surface dropped before its report runs reports nothing.
    surface->present();
    view.setUseMetal(false);
    settle();
    EXPECT_EQ(view.metalRendererStatus().presentedFrameCount, 3u);
}

TEST_F(TerminalViewMetal, AFailureToSwitchOnLeavesProcessorDrawing)
{
    struct Case {
        const char* name;
        bool device;
        std::optional<MetalError::Kind> failure;
        MetalError::Kind expected;
        const char* text;
    } cases[] = {
        { "no device", false, std::nullopt, MetalError::Kind::deviceUnavailable, "No Metal device is available." },
        { "renderer error", true, MetalError::Kind::shaderCompilationFailed, MetalError::Kind::shaderCompilationFailed,
          "Failed to compile Metal shader source: injected" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        factory.device = c.device;
        factory.failure = c.failure;
        try {
            view.setUseMetal(true);
            ADD_FAILURE() << "no error";
        } catch (const MetalError& error) {
            EXPECT_EQ(error.kind(), c.expected);
            EXPECT_STREQ(error.what(), c.text);
        }
        EXPECT_FALSE(view.isUsingMetalRenderer());
        EXPECT_FALSE(view.metalView());
        EXPECT_EQ(view.metalRendererStatus().state, State::disabled);
        EXPECT_TRUE(states.empty());
    }
}

TEST_F(TerminalViewMetal, ASecondFailureWithin30SecondsOfAReplacementFallsBackToTheProcessor)
{
    const LogCapture log;
    view.setUseMetal(true);
    FakeMetalSurface* first = current();
    first->present();
    settle();

    requestRecovery(*first);
    FakeMetalSurface* second = current();
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->immediateDraws, 1);
    EXPECT_EQ(view.metalRendererStatus().state, State::recovering);
    EXPECT_EQ(view.metalRendererStatus().presentedFrameCount, 1u);
    EXPECT_EQ(LogCapture::count("Zentrova Metal recovery reason=missingDrawable duration=1.250 status=none error=none "
                                "action=replace-metal"),
              1);

    queue.advance(10s);
    requestRecovery(*second);
    EXPECT_FALSE(view.metalView());
    EXPECT_FALSE(view.isUsingMetalRenderer());
    EXPECT_FALSE(view.caretView()->isHidden());
    EXPECT_TRUE(view.autoFillBackground());
    EXPECT_EQ(LogCapture::count("Zentrova Metal recovery reason=missingDrawable duration=1.250 status=none error=none "
                                "action=core-graphics"),
              1);
    EXPECT_EQ(LogCapture::count("Zentrova: Metal renderer rebind failed; falling back to CoreGraphics: Failed to "
                                "create Metal command queue."),
              1);
    EXPECT_EQ(view.metalRendererStatus().presentedFrameCount, 1u);
    EXPECT_EQ(states, (std::vector { State::waitingForFirstFrame, State::healthy, State::recovering,
                                     State::fellBackToCoreGraphics }));
}

TEST_F(TerminalViewMetal, TheThirtySecondRuleCountsFromTheLastReplacementAndStartsOverWhenSwitchedOn)
{
    struct Case {
        std::chrono::milliseconds gap;
        bool replaces;
    } cases[] = { { 29'999ms, false }, { 30'000ms, true }, { 45'000ms, true } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gap.count());
        view.setUseMetal(false);
        view.setUseMetal(true);
        requestRecovery(*current());
        queue.advance(c.gap);
        requestRecovery(*current());
        EXPECT_EQ(view.isUsingMetalRenderer(), c.replaces);
        EXPECT_EQ(view.metalRendererStatus().state, c.replaces ? State::recovering : State::fellBackToCoreGraphics);
    }

    // After falling back, switching on again forgets the replacement a moment ago.
    view.setUseMetal(false);
    view.setUseMetal(true);
    requestRecovery(*current());
    requestRecovery(*current());
    ASSERT_FALSE(view.isUsingMetalRenderer());
    view.setUseMetal(true);
    requestRecovery(*current());
    EXPECT_TRUE(view.isUsingMetalRenderer());
    EXPECT_EQ(view.metalRendererStatus().state, State::recovering);
}

TEST_F(TerminalViewMetal, ARendererRetiredMidFrameStaysUntilTheFrameCompletes)
{
    view.setUseMetal(true);
    FakeMetalSurface* busy = current();
    const auto token = busy->submitFrame();
    const QPointer<QWidget> busyWidget = busy;
    requestRecovery(*busy);

    ASSERT_EQ(view.retiredMetalRenderers().size(), 1u);
    EXPECT_EQ(view.retiredMetalRenderers().front().get(), busy);
    EXPECT_TRUE(busy->isHidden());
    EXPECT_FALSE(busy->hasDelegate());
    EXPECT_FALSE(busy->frameCoordinator().beginFrame()); // invalidated
    settle();
    EXPECT_EQ(view.retiredMetalRenderers().size(), 1u);

    busy->frameCoordinator().complete(token, MetalTrackedCommandBufferStatus::completed, std::nullopt);
    settle();
    EXPECT_TRUE(view.retiredMetalRenderers().empty());
    EXPECT_FALSE(busyWidget);

    // Idle, or with a frame admitted but never submitted: released at once.
    FakeMetalSurface* idle = current();
    const QPointer<QWidget> idleWidget = idle;
    idle->frameCoordinator();
    queue.advance(40s);
    requestRecovery(*idle);
    EXPECT_TRUE(view.retiredMetalRenderers().empty());
    EXPECT_FALSE(idleWidget);

    FakeMetalSurface* admitted = current();
    const QPointer<QWidget> admittedWidget = admitted;
    ASSERT_TRUE(admitted->frameCoordinator().beginFrame());
    view.setUseMetal(false);
    EXPECT_TRUE(view.retiredMetalRenderers().empty());
    EXPECT_FALSE(admittedWidget);
    settle();
}

TEST_F(TerminalViewMetal, CallsFromARendererNoLongerCurrentChangeNothing)
{
    view.setUseMetal(true);
    FakeMetalSurface* old = current();
    old->submitFrame(); // kept while its frame is in flight
    requestRecovery(*old);
    FakeMetalSurface* replacement = current();
    const auto before = states.size();

    old->present();
    settle();
    requestRecovery(*old);
    EXPECT_EQ(current(), replacement);
    EXPECT_EQ(view.metalRendererStatus().state, State::recovering);
    EXPECT_EQ(states.size(), before);

    // Nor do calls once GPU drawing is off (the surface kept by its frame in flight).
    replacement->submitFrame();
    view.setUseMetal(false);
    ASSERT_EQ(view.retiredMetalRenderers().size(), 2u);
    replacement->present();
    settle();
    EXPECT_EQ(view.metalRendererStatus().state, State::disabled);
}

TEST_F(TerminalViewMetal, TheSameWindowKeepsTheRendererAndANewWindowRebindsIt)
{
    QWidget first;
    first.resize(700, 450);
    view.setParent(&first);
    first.show();
    view.setUseMetal(true);
    FakeMetalSurface* bound = current();
    bound->present();
    settle();

    view.hide();
    view.show();
    EXPECT_EQ(current(), bound);
    EXPECT_EQ(view.metalRendererStatus().state, State::healthy);

    QWidget second;
    second.resize(700, 450);
    view.setParent(&second);
    second.show();
    view.show();
    FakeMetalSurface* rebound = current();
    ASSERT_TRUE(rebound);
    EXPECT_NE(rebound, bound);
    EXPECT_EQ(rebound->immediateDraws, 1);
    EXPECT_EQ(view.metalRendererStatus().state, State::recovering);

    rebound->present();
    settle();
    EXPECT_EQ(view.metalRendererStatus().state, State::healthy);
    EXPECT_EQ(view.metalRendererStatus().presentedFrameCount, 2u);
    view.setParent(nullptr);
}

TEST_F(TerminalViewMetal, AFailedRebindFallsBackWithTheRenderersError)
{
    const LogCapture log;
    QWidget first;
    view.setParent(&first);
    first.show();
    view.setUseMetal(true);

    QWidget second;
    view.setParent(&second);
    factory.failure = MetalError::Kind::atlasUnavailable;
    second.show();
    view.show();
    EXPECT_FALSE(view.isUsingMetalRenderer());
    EXPECT_EQ(view.metalRendererStatus().state, State::fellBackToCoreGraphics);
    EXPECT_EQ(LogCapture::count("Zentrova: Metal renderer rebind failed; falling back to CoreGraphics: Failed to "
                                "create the glyph atlas."),
              1);
    view.setParent(nullptr);
}

// The coordinator's own road to recovery: refusals that go on for a second while the view could draw.
TEST_F(TerminalViewMetal, RefusedFramesForASecondReplaceTheRenderer)
{
    view.show();
    view.setUseMetal(true);
    if (!QTest::qWaitForWindowExposed(&view) || !view.isMetalRendererEligibleForRetry())
        GTEST_SKIP() << "the platform does not expose the window";
    FakeMetalSurface* failing = current();
    const auto token = failing->frameCoordinator().beginFrame();
    ASSERT_TRUE(token);
    failing->frameCoordinator().refuse(*token, MetalFrameRefusalReason::missingRenderPassDescriptor);
    queue.advance(1000ms);
    EXPECT_NE(current(), failing);
    EXPECT_EQ(view.metalRendererStatus().state, State::recovering);
}

TEST_F(TerminalViewMetal, EligibilityForRetryNeedsAShownViewWithASize)
{
    EXPECT_FALSE(view.isMetalRendererEligibleForRetry()); // off
    view.setUseMetal(true);
    EXPECT_FALSE(view.isMetalRendererEligibleForRetry()); // not shown
    view.show();
    if (!QTest::qWaitForWindowExposed(&view))
        GTEST_SKIP() << "the platform does not expose the window";
    EXPECT_TRUE(view.isMetalRendererEligibleForRetry());
    view.resize(0, 400);
    EXPECT_FALSE(view.isMetalRendererEligibleForRetry());
    view.resize(640, 400);
    view.showMinimized();
    EXPECT_FALSE(view.isMetalRendererEligibleForRetry());
}

TEST_F(TerminalViewMetal, SizeChangesCloseTogetherOnlyQueuePacedFrames)
{
    if (!TerminalView::metalLiveResizeThrottleEnabled())
        GTEST_SKIP() << "ZENTROVA_METAL_LIVE_RESIZE_THROTTLE turns throttling off here";
    view.show();
    view.setUseMetal(true);
    FakeMetalSurface& surface = *current();
    queue.advance(200ms); // past the size change of showing
    const int before = surface.displayRequests;
    view.resize(600, 400);
    EXPECT_EQ(surface.displayRequests, before + 1); // a lone change draws at once
    queue.advance(50ms);
    view.resize(560, 380);
    view.resize(520, 360);
    EXPECT_EQ(surface.displayRequests, before + 1); // within 100 ms: one paced frame waits
    EXPECT_EQ(view.metalView()->size(), QSize(520, 360));
    queue.advance(17ms);
    EXPECT_EQ(surface.displayRequests, before + 2);
    queue.advance(200ms);
    view.resize(600, 400);
    EXPECT_EQ(surface.displayRequests, before + 3);
}

TEST(TerminalViewMetalThrottle, OnlyExactSpellingsOfFalseTurnItOff)
{
    struct Case {
        const char* value;
        bool enabled;
    } cases[] = { { nullptr, true }, { "0", false },   { "false", false }, { "FALSE", false },
                  { "False", true }, { "fALSE", true }, { "", true },       { "1", true },
                  { "no", true },    { " 0", true } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(absent)");
        EXPECT_EQ(TerminalView::metalLiveResizeThrottleEnabled(c.value), c.enabled);
    }
}

// The offscreen platform has no GL: switching on fails for real and leaves the view as it was.
TEST(TerminalViewMetalGl, WithoutGlSwitchingOnThrowsDeviceUnavailable)
{
    if (GlMetalSurfaceFactory::shared().deviceAvailable())
        GTEST_SKIP() << "this platform has GL";
    TerminalView view(nullptr, testFont(), TerminalOptions::Default, QSize(320, 200));
    EXPECT_THROW(
        {
            try {
                view.setUseMetal(true);
            } catch (const MetalError& error) {
                EXPECT_EQ(error.kind(), MetalError::Kind::deviceUnavailable);
                throw;
            }
        },
        MetalError);
    EXPECT_FALSE(view.isUsingMetalRenderer());
    EXPECT_FALSE(view.metalView());
    EXPECT_EQ(view.metalRendererStatus().state, MetalRendererStatus::State::disabled);
}

} // namespace
} // namespace zentrova
