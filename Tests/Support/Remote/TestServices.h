#pragma once

#include <QSslConfiguration>
#include <QString>
#include <QTest>

#include <optional>

namespace bramblet::testing {

// The peers that scripts/with-test-services.sh starts for the tests. A test whose peer is missing
// fails under that script (BRAMBLET_TEST_SERVICES is set) and is skipped in a plain run.
bool servicesExpected();

#define BRAMBLET_REQUIRE_SERVICE(available, what)                                                            \
    do {                                                                                                       \
        if (!(available)) {                                                                                    \
            if (::bramblet::testing::servicesExpected())                                                       \
                GTEST_FAIL() << what << " is missing although scripts/with-test-services.sh started the peers"; \
            GTEST_SKIP() << what << " is missing: run the tests under scripts/with-test-services.sh";          \
        }                                                                                                      \
    } while (false)

struct S3TestServer {
    QString endpoint; // "127.0.0.1:<port>"
    QString bucket;
    // Trusts the server's certificate, made for the test run.
    QSslConfiguration tls;
};

std::optional<S3TestServer> s3TestServer();

// A certificate for 127.0.0.1 with its key, for TLS servers that tests run on the loopback
// interface themselves: `server` presents it, `client` trusts it.
struct LoopbackTls {
    QSslConfiguration server;
    QSslConfiguration client;
};

std::optional<LoopbackTls> loopbackTls();

// A session bus to reach a Secret Service on.
bool hasSessionBus();

// Turns the event loop until `condition` holds: true then, false once `milliseconds` have passed.
// (Qt Test's QTRY_ macros report to Qt Test alone, so under GoogleTest their failures go unseen.)
template <typename Condition>
bool eventually(Condition condition, int milliseconds = 30'000)
{
    return QTest::qWaitFor(condition, milliseconds);
}

} // namespace bramblet::testing
