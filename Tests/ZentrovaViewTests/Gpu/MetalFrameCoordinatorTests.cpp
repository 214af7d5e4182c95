#include "Gpu/FakeGpuDevices.h"
#include "Support/ManualMainQueue.h"
#include "ZentrovaView/Gpu/MetalFrameCoordinator.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

using namespace std::chrono_literals;
using Status = MetalTrackedCommandBufferStatus;
using Reason = MetalFrameRefusalReason;
using Report = MetalRendererRecoveryReport;

struct CoordinatorFixture : ::testing::Test {
    CoordinatorFixture()
    {
        coordinator = MetalFrameCoordinator::make(queue, {
            .isRetryEligible = [this] { return eligible; },
            .requestDraw = [this](Reason reason) { draws.push_back({ reason, queue.now() }); },
            .requestRecovery = [this](const Report& report) { reports.push_back(report); },
            .becameIdle = [this] { ++idleCalls; },
        });
    }

    MetalFrameCoordinator::Token begin()
    {
        auto token = coordinator->beginFrame();
        EXPECT_TRUE(token);
        return token.value_or(MetalFrameCoordinator::Token {});
    }
    void submit(MetalFrameCoordinator::Token token, Status status = Status::committed, std::optional<std::string> error = {})
    {
        coordinator->didSubmit(token, [this, status] { return probeStatus.value_or(status); },
                               [this, error] { return probeError ? probeError : error; });
    }
    std::vector<std::chrono::milliseconds> drawTimes() const
    {
        std::vector<std::chrono::milliseconds> times;
        for (const auto& draw : draws)
            times.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(draw.at));
        return times;
    }

    struct Draw {
        Reason reason;
        std::chrono::nanoseconds at;
    };
    ManualMainQueue queue;
    bool eligible = true;
    std::vector<Draw> draws;
    std::vector<Report> reports;
    int idleCalls = 0;
    std::optional<Status> probeStatus;
    std::optional<std::string> probeError;
    std::shared_ptr<MetalFrameCoordinator> coordinator;
};

TEST_F(CoordinatorFixture, AFrameRefusedWhileAnotherIsInFlightIsDrawnWhenTheFirstCompletes)
{
    auto first = begin();
    submit(first);
    EXPECT_FALSE(coordinator->beginFrame());
    queue.advance(15ms);
    EXPECT_TRUE(draws.empty());
    queue.advance(1ms);
    ASSERT_EQ(draws.size(), 1u) << "a retry 16 ms later";
    EXPECT_EQ(draws[0].reason, Reason::activeFrame);

    coordinator->complete(first, Status::completed, std::nullopt);
    EXPECT_EQ(idleCalls, 1);
    EXPECT_EQ(draws.size(), 2u) << "the refused frame's redraw";
    EXPECT_FALSE(coordinator->hasActiveFrame());
    EXPECT_TRUE(reports.empty());

    auto second = begin();
    EXPECT_EQ(second.value, first.value + 1);
}

TEST_F(CoordinatorFixture, RetriesBackOffUntilASubmissionResetsThem)
{
    coordinator->refuse(begin(), Reason::missingDrawable);
    EXPECT_EQ(idleCalls, 1);
    queue.advance(990ms);
    EXPECT_EQ(drawTimes(), (std::vector<std::chrono::milliseconds> { 16ms, 49ms, 115ms, 240ms, 490ms, 740ms, 990ms }));
    for (const auto& draw : draws)
        EXPECT_EQ(draw.reason, Reason::missingDrawable);

    // Refusals while the retries run do not add retries of their own.
    coordinator->refuse(begin(), Reason::missingDrawable);
    queue.advance(250ms);
    EXPECT_EQ(draws.size(), 8u);

    submit(begin());
    queue.advance(500ms);
    EXPECT_EQ(draws.size(), 8u) << "a submission ends the retries";

    draws.clear();
    const auto start = queue.now();
    coordinator->refuse(MetalFrameCoordinator::Token { 3 }, Reason::missingCommandBuffer);
    queue.advance(20ms);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].at - start, 16ms) << "the next episode starts from the shortest delay";
}

TEST_F(CoordinatorFixture, RefusalsThatLastASecondAskForRecoveryOncePerEpisode)
{
    coordinator->refuse(begin(), Reason::missingDrawable);
    queue.advance(500ms);
    coordinator->refuse(begin(), Reason::missingRenderEncoder);
    queue.advance(499ms);
    EXPECT_TRUE(reports.empty());
    queue.advance(1ms);
    EXPECT_EQ(reports, (std::vector<Report> { { Reason::missingRenderEncoder, 1.0, std::nullopt, std::nullopt } }));
    queue.advance(3000ms);
    coordinator->refuse(begin(), Reason::missingDrawable);
    queue.advance(3000ms);
    EXPECT_EQ(reports.size(), 1u) << "one report per episode";

    // A submission ends the episode; the next one reports again.
    auto submitted = begin();
    submit(submitted);
    coordinator->complete(submitted, Status::completed, std::nullopt);
    queue.advance(2000ms);
    EXPECT_EQ(reports.size(), 1u);
    coordinator->refuse(begin(), Reason::missingDrawable);
    queue.advance(1000ms);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].reason, Reason::missingDrawable);
}

TEST_F(CoordinatorFixture, TheFrameWatchdogReportsAFrameThatDoesNotComplete)
{
    struct Case {
        const char* name;
        bool submitted;
        std::optional<Status> statusAtWatchdog;
        std::optional<std::string> errorAtWatchdog;
        std::vector<Report> expectedReports;
        bool activeAfter;
    };
    const std::vector<Case> cases {
        { "never submitted", false, std::nullopt, std::nullopt, { { Reason::activeFrame, 1.0, std::nullopt, std::nullopt } }, true },
        { "still running", true, Status::scheduled, std::nullopt, { { Reason::activeFrame, 1.0, Status::scheduled, std::nullopt } }, true },
        { "completed, report late", true, Status::completed, std::nullopt, {}, false },
        { "failed, report late", true, Status::error, "device lost", { { Reason::activeFrame, 1.0, Status::error, "device lost" } }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ManualMainQueue caseQueue;
        std::vector<Report> caseReports;
        int caseIdle = 0;
        std::optional<Status> status;
        std::optional<std::string> error;
        auto coordinator = MetalFrameCoordinator::make(caseQueue, {
            .isRetryEligible = [] { return true; },
            .requestDraw = [](Reason) { },
            .requestRecovery = [&](const Report& report) { caseReports.push_back(report); },
            .becameIdle = [&] { ++caseIdle; },
        });
        auto token = coordinator->beginFrame();
        ASSERT_TRUE(token);
        if (c.submitted)
            coordinator->didSubmit(*token, [&] { return status.value_or(Status::committed); }, [&] { return error; });
        caseQueue.advance(999ms);
        EXPECT_TRUE(caseReports.empty());
        status = c.statusAtWatchdog;
        error = c.errorAtWatchdog;
        caseQueue.advance(1ms);
        EXPECT_EQ(caseReports, c.expectedReports);
        EXPECT_EQ(coordinator->hasActiveFrame(), c.activeAfter);
        EXPECT_EQ(caseIdle, c.activeAfter ? 0 : 1);
        caseQueue.advance(5000ms);
        EXPECT_EQ(caseReports.size(), c.expectedReports.size()) << "recovery at most once per frame";
    }
}

TEST_F(CoordinatorFixture, AFramesWatchdogCountsFromItsOwnStart)
{
    auto first = begin();
    submit(first);
    queue.advance(10ms);
    coordinator->complete(first, Status::completed, std::nullopt);
    queue.advance(490ms);
    auto second = begin();
    submit(second);
    queue.advance(500ms); // a second after the first frame began
    EXPECT_TRUE(reports.empty());
    queue.advance(499ms);
    EXPECT_TRUE(reports.empty());
    queue.advance(1ms);
    EXPECT_EQ(reports, (std::vector<Report> { { Reason::activeFrame, 1.0, Status::committed, std::nullopt } }));
}

TEST_F(CoordinatorFixture, CommandsThatFailAskForRecoveryWithTheirError)
{
    auto token = begin();
    submit(token);
    queue.advance(300ms);
    coordinator->complete(token, Status::error, "GPU hang");
    EXPECT_EQ(reports, (std::vector<Report> { { Reason::activeFrame, 0.3, Status::error, "GPU hang" } }));
    EXPECT_EQ(idleCalls, 1);
    queue.advance(2000ms);
    EXPECT_EQ(reports.size(), 1u) << "the watchdog went with the frame";
}

TEST_F(CoordinatorFixture, AnIneligibleOwnerGetsNoRetriesWatchdogsOrEpisodes)
{
    eligible = false;
    auto token = begin();
    EXPECT_EQ(queue.pending(), 0u) << "no watchdog for a hidden view's frame";
    coordinator->refuse(token, Reason::missingDrawable);
    EXPECT_EQ(queue.pending(), 0u);
    queue.advance(5000ms);
    EXPECT_TRUE(draws.empty());
    EXPECT_TRUE(reports.empty());

    // An episode running when the owner is hidden is dropped at its watchdog, retries stop.
    eligible = true;
    coordinator->refuse(begin(), Reason::missingDrawable);
    eligible = false;
    queue.advance(5000ms);
    EXPECT_TRUE(draws.empty());
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(queue.pending(), 0u);

    // A frame whose watchdog fires while hidden stays without one until the next beginFrame.
    eligible = true;
    auto frame = begin();
    submit(frame);
    eligible = false;
    queue.advance(2000ms);
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(coordinator->hasActiveFrame());
    eligible = true;
    EXPECT_FALSE(coordinator->beginFrame());
    queue.advance(1000ms);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].failureDuration, 3.0);
}

TEST_F(CoordinatorFixture, StaleTokensChangeNothing)
{
    auto old = begin();
    coordinator->complete(old, Status::completed, std::nullopt);
    auto token = begin();
    const size_t pending = queue.pending();
    coordinator->refuse(old, Reason::missingDrawable);
    coordinator->complete(old, Status::error, "old");
    submit(old);
    EXPECT_EQ(queue.pending(), pending);
    EXPECT_EQ(idleCalls, 1);
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(coordinator->hasActiveFrame());
    queue.advance(1000ms);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].commandBufferStatus, std::nullopt) << "the stale submission was not taken";
    coordinator->complete(token, Status::completed, std::nullopt);
    EXPECT_EQ(idleCalls, 2);
}

TEST_F(CoordinatorFixture, InvalidateEndsAnUnsubmittedFrameAndStopsEverything)
{
    coordinator->invalidate();
    EXPECT_EQ(idleCalls, 0) << "no frame, no idle report";

    auto other = MetalFrameCoordinator::make(queue, {
        .isRetryEligible = [] { return true; },
        .requestDraw = [this](Reason reason) { draws.push_back({ reason, queue.now() }); },
        .requestRecovery = [this](const Report& report) { reports.push_back(report); },
        .becameIdle = [this] { ++idleCalls; },
    });
    other->refuse(*other->beginFrame(), Reason::missingDrawable); // an episode with its retry
    ASSERT_TRUE(other->beginFrame());
    idleCalls = 0;
    other->invalidate();
    EXPECT_EQ(idleCalls, 1);
    EXPECT_FALSE(other->hasActiveFrame());
    EXPECT_FALSE(other->beginFrame());
    queue.advance(5000ms);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(draws.size(), 0u);
    EXPECT_EQ(queue.pending(), 0u);
}

TEST_F(CoordinatorFixture, ASubmittedFrameOutlivesInvalidateAndReportsNoError)
{
    auto token = begin();
    submit(token);
    EXPECT_FALSE(coordinator->beginFrame()); // a redraw is pending
    coordinator->invalidate();
    EXPECT_EQ(idleCalls, 0);
    EXPECT_TRUE(coordinator->hasActiveFrame());
    coordinator->complete(token, Status::error, "late");
    EXPECT_EQ(idleCalls, 1);
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(draws.empty()) << "no redraw once invalidated";
}

TEST_F(CoordinatorFixture, AFenceStandsForTheCommandBuffer)
{
    auto fence = std::make_shared<FakeFence>();
    auto token = begin();
    coordinator->didSubmit(token, fence);
    fence->signaled = true;
    queue.advance(1000ms);
    EXPECT_TRUE(reports.empty()) << "a signalled fence at watchdog time completes the frame";
    EXPECT_FALSE(coordinator->hasActiveFrame());

    auto late = begin();
    coordinator->didSubmit(late, std::make_shared<FakeFence>());
    queue.advance(1000ms);
    EXPECT_EQ(reports, (std::vector<Report> { { Reason::activeFrame, 1.0, Status::committed, std::nullopt } }));
}

TEST(MetalFrameCoordinator, CallbacksMayCallBackIntoTheCoordinator)
{
    // Every callback runs with the lock released: a draw request that begins a frame at once and an
    // idle report that looks at the coordinator do not deadlock.
    ManualMainQueue queue;
    std::weak_ptr<MetalFrameCoordinator> weak;
    int began = 0;
    int idle = 0;
    auto coordinator = MetalFrameCoordinator::make(queue, {
        .isRetryEligible = [] { return true; },
        .requestDraw = [&](Reason) { began += weak.lock()->beginFrame().has_value(); },
        .requestRecovery = [](const Report&) { },
        .becameIdle = [&] { idle += !weak.lock()->hasActiveFrame(); },
    });
    weak = coordinator;
    coordinator->refuse(*coordinator->beginFrame(), Reason::missingDrawable);
    queue.advance(16ms);
    EXPECT_EQ(idle, 1);
    EXPECT_EQ(began, 1);
    EXPECT_TRUE(coordinator->hasActiveFrame());
}

TEST(MetalFrameEnums, NamesReadBackAndStatusNumbersMap)
{
    for (auto reason : { Reason::activeFrame, Reason::missingDrawable, Reason::missingRenderPassDescriptor,
                         Reason::missingCommandBuffer, Reason::missingRenderEncoder })
        EXPECT_EQ(metalFrameRefusalReasonFromString(toString(reason)), reason);
    EXPECT_EQ(toString(Reason::missingRenderPassDescriptor), "missingRenderPassDescriptor");
    EXPECT_EQ(metalFrameRefusalReasonFromString("MissingDrawable"), std::nullopt);

    for (auto status : { Status::notEnqueued, Status::enqueued, Status::committed, Status::scheduled, Status::completed, Status::error })
        EXPECT_EQ(metalTrackedCommandBufferStatusFromString(toString(status)), status);
    EXPECT_EQ(toString(Status::notEnqueued), "notEnqueued");
    EXPECT_EQ(metalTrackedCommandBufferStatusFromString(""), std::nullopt);

    struct Case {
        long number;
        Status status;
    };
    for (Case c : { Case { 0, Status::notEnqueued }, Case { 2, Status::committed }, Case { 4, Status::completed },
                    Case { 5, Status::error }, Case { -1, Status::error }, Case { 99, Status::error } })
        EXPECT_EQ(metalTrackedCommandBufferStatusFromNumber(c.number), c.status) << c.number;
}

} // namespace
} // namespace zentrova
