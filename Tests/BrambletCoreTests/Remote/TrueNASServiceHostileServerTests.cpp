// The client against WebSocket servers that misbehave on purpose where a WebSocket library would
// not let them: every case ends within its limits with a clear message, and the client takes no
// more of an endless stream than its bounds allow.

#include "BrambletCore/Remote/TrueNASService.h"

#include "BrambletCore/Remote/TrueNASError.h"

#include "Support/Remote/HostileTrueNASServer.h"
#include "Support/Remote/TestCertificates.h"
#include "Support/Remote/TestServices.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

namespace bramblet {
namespace {

using Misbehaviour = testing::HostileTrueNASServer::Misbehaviour;
using namespace std::chrono_literals;

// Short, for the cases that wait for it; long enough for the others to reach their own limits
// first in a build with sanitizers.
constexpr auto shortTimeout = 1500ms;
constexpr auto longTimeout = 20s;

// What the server may have handed to the connection besides what the client took: what the
// kernel holds on the way (on a loopback connection the receiving side's buffer alone may grow to
// 32 MB) and what both sockets buffer.
constexpr qint64 inFlight = 48 << 20;

TEST(TrueNASServiceHostileServer, EveryMisbehaviourEndsInTimeWithAClearMessage)
{
    const std::string tooLarge = "TrueNAS sent a message larger than 16 MB; the connection was closed.";
    const std::string timedOut = "TrueNAS did not answer in time.";
    const struct {
        const char* name;
        Misbehaviour misbehaviour;
        std::string failure;
        // The most frame bytes the server may have sent before the client left; -1: the client
        // stays connected, and the server sends little.
        qint64 maxBytesSent;
        TrueNASService::Duration callTimeout;
        // The call ends within this. Taking 16 MB over TLS is slow in a build with sanitizers.
        std::chrono::milliseconds within;
    } cases[] = {
        { "huge frame", Misbehaviour::hugeFrame, tooLarge, 1024, longTimeout, 3s },
        { "endless binary message", Misbehaviour::endlessMessage, tooLarge, TrueNASService::maxMessageBytes + inFlight,
          longTimeout, 15s },
        { "endless text message", Misbehaviour::endlessTextMessage, tooLarge, TrueNASService::maxMessageBytes + inFlight,
          longTimeout, 15s },
        { "ping flood", Misbehaviour::pingFlood, "TrueNAS stopped reading what this computer sends; the connection was closed.",
          TrueNASService::maxUnsentBytes + inFlight, longTimeout, 10s },
        { "dribbled reply", Misbehaviour::dribbledReply, timedOut, -1, shortTimeout, shortTimeout + 2s },
        { "silence", Misbehaviour::silence, timedOut, -1, shortTimeout, shortTimeout + 2s },
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        testing::HostileTrueNASServer server(testing::TestCertificates::shared().serverTls, entry.misbehaviour);
        ASSERT_TRUE(server.listen());
        auto connecting = TrueNASService::connect(server.address(), {}, QStringLiteral("1-key"),
                                                  testing::TestCertificates::shared().clientTls, entry.callTimeout);
        ASSERT_TRUE(testing::eventually([&] { return connecting.isFinished(); }, 20'000));
        const auto service = connecting.takeResult();
        ASSERT_TRUE(service);

        QElapsedTimer clock;
        clock.start();
        auto listing = service->listDirectory(QStringLiteral("/mnt"));
        // The server runs on this thread's event loop.
        ASSERT_TRUE(testing::eventually([&] { return listing.isFinished(); }, 30'000));
        const qint64 elapsed = clock.elapsed();
        try {
            listing.waitForFinished();
            ADD_FAILURE() << "the misbehaviour went unnoticed";
        } catch (const TrueNASError& error) {
            EXPECT_EQ(error.what(), entry.failure);
        }
        EXPECT_EQ(server.calls, 1);
        EXPECT_LT(elapsed, entry.within.count());
        if (entry.maxBytesSent >= 0) {
            ASSERT_TRUE(testing::eventually([&] { return server.clientLeft; }, 5'000));
            EXPECT_LT(server.bytesSent, entry.maxBytesSent);
        }
        ::testing::Test::RecordProperty(std::string(entry.name) + " bytesSent", std::to_string(server.bytesSent));
        ::testing::Test::RecordProperty(std::string(entry.name) + " milliseconds", std::to_string(elapsed));
    }
}

} // namespace
} // namespace bramblet
