// The client against a miniature TrueNAS server on a loopback secure WebSocket, with a
// certificate authority made for the test run.

#include "BrambletCore/Remote/TrueNASService.h"

#include "BrambletCore/Remote/TrueNASError.h"

#include "Support/Remote/TestCertificates.h"
#include "Support/Remote/TrueNASTestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QTcpServer>
#include <QTest>

namespace bramblet {
namespace {

using namespace std::chrono_literals;
using testing::TestCertificates;
using testing::TrueNASTestServer;
using ::testing::HasSubstr;

// Turns the event loop, which the server needs, until the future is done; rethrows its failure.
// A call that never finishes fails the test (blocking on it would stop the server too).
template <typename T>
T awaited(QFuture<T> future)
{
    if (!QTest::qWaitFor([&] { return future.isFinished(); }, 20'000))
        throw std::runtime_error("the call never finished");
    return future.takeResult();
}

// The text of the call's failure (std::string, so that a mismatch prints readably).
template <typename T>
std::string failureOf(QFuture<T> future)
{
    try {
        awaited(future);
    } catch (const TrueNASError& error) {
        return error.what();
    }
    ADD_FAILURE() << "the call succeeded";
    return {};
}

// Turns the event loop until `done` holds.
bool eventually(const std::function<bool()>& done)
{
    return QTest::qWaitFor(done, 20'000);
}

QJsonObject entry(const QString& name, const QString& path, const QString& type, qint64 size)
{
    return { { "name", name }, { "path", path }, { "type", type }, { "size", size } };
}

class TrueNASServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.folders["/mnt"] = QJsonArray {
            entry("tank", "/mnt/tank", "DIRECTORY", 4),
            // Sizes past 4 GiB, and keys the client did not ask for, as a real server may send.
            QJsonObject { { "name", "disk.img" }, { "path", "/mnt/disk.img" }, { "type", "FILE" },
                          { "size", qint64(5) << 32 }, { "mode", 33188 }, { "acl", false } },
            entry("link", "/mnt/link", "SYMLINK", 9),
        };
        server.folders["/mnt/tank"] = QJsonArray {};
    }

    std::unique_ptr<TrueNASService> connected(const QString& username = {}, TrueNASService::Duration timeout = 20s)
    {
        return awaited(TrueNASService::connect(server.address(), username, server.apiKey, tls(), timeout));
    }

    static QSslConfiguration tls() { return TestCertificates::shared().clientTls; }

    TrueNASTestServer server { TestCertificates::shared().serverTls };
};

TEST_F(TrueNASServiceTest, LogsInWithTheKeyAloneAndListsAFolderInTheServersOrder)
{
    const auto service = connected();
    ASSERT_TRUE(service);
    EXPECT_EQ(server.requestUrl.path().toStdString(), "/api/current");
    ASSERT_EQ(server.requests.size(), 1);
    EXPECT_EQ(server.requests[0], (QJsonObject { { "jsonrpc", "2.0" }, { "id", 1 }, { "method", "auth.login_with_api_key" },
                                                 { "params", QJsonArray { server.apiKey } } }));

    const QList<TrueNASItem> items = awaited(service->listDirectory("/mnt"));
    EXPECT_EQ(items, (QList<TrueNASItem> { { "tank", "/mnt/tank", "DIRECTORY", 4 },
                                           { "disk.img", "/mnt/disk.img", "FILE", qint64(5) << 32 },
                                           { "link", "/mnt/link", "SYMLINK", 9 } }));
    ASSERT_EQ(server.requests.size(), 2);
    EXPECT_EQ(server.requests[1],
              (QJsonObject { { "jsonrpc", "2.0" },
                             { "id", 2 },
                             { "method", "filesystem.listdir" },
                             { "params", QJsonArray { "/mnt", QJsonArray(), QJsonObject { { "select", QJsonArray { "name", "path", "type", "size" } } } } } }));
    EXPECT_EQ(server.binaryRequests, QList<bool>({ true, true }));

    EXPECT_TRUE(awaited(service->listDirectory("/mnt/tank")).isEmpty());
    EXPECT_EQ(server.requests.last().value("id"), 3);
    EXPECT_EQ(server.connections, 1);
}

TEST_F(TrueNASServiceTest, LogsInAsAUserWithThePlainKeyMechanism)
{
    const auto service = connected(server.username);
    ASSERT_TRUE(service);
    ASSERT_EQ(server.requests.size(), 1);
    EXPECT_EQ(server.requests[0].value("method"), "auth.login_ex");
    EXPECT_EQ(server.requests[0].value("params"),
              (QJsonArray { QJsonObject { { "mechanism", "API_KEY_PLAIN" }, { "username", server.username }, { "api_key", server.apiKey } } }));
    EXPECT_EQ(awaited(service->listDirectory("/mnt")).size(), 3);
}

TEST_F(TrueNASServiceTest, OnlyHttpsAddressesWithAHostOpenASocket)
{
    const QString port = QString::number(server.port());
    const std::string addressNeeded = "Enter the TrueNAS HTTPS address, for example https://truenas.local.";
    struct Case {
        QString address;
        std::string failure; // empty: connects, and the server sees the query
        std::string query;
    };
    const Case cases[] = {
        { "http://127.0.0.1:" + port, addressNeeded, {} },
        { "wss://127.0.0.1:" + port, addressNeeded, {} },
        { "127.0.0.1:" + port, addressNeeded, {} },
        { "truenas.local", addressNeeded, {} },
        { " https://127.0.0.1:" + port, addressNeeded, {} }, // used as typed: the pane trims
        { "https://", addressNeeded, {} },
        { "https:///mnt", addressNeeded, {} },
        { "https://127.0.0.1:" + port, {}, {} },
        // The port stays, the path is replaced, the query goes along.
        { "HTTPS://127.0.0.1:" + port + "/ui/dashboard?lang=en#top", {}, "lang=en" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        const int connectionsBefore = server.connections;
        auto future = TrueNASService::connect(c.address, {}, server.apiKey, tls());
        if (!c.failure.empty()) {
            EXPECT_EQ(failureOf(future), c.failure);
            EXPECT_EQ(server.connections, connectionsBefore);
            continue;
        }
        EXPECT_TRUE(awaited(future));
        EXPECT_EQ(server.connections, connectionsBefore + 1);
        EXPECT_EQ(server.requestUrl.path().toStdString(), "/api/current");
        EXPECT_EQ(server.requestUrl.query().toStdString(), c.query);
    }
}

// Every failed login closes the socket with 1001 (going away) and no reason.
TEST_F(TrueNASServiceTest, RefusedLoginsCloseTheSocketAsGoingAway)
{
    struct Case {
        const char* name;
        QString username;
        std::function<void(qint64 id)> answer; // empty: the server's own answer to a wrong key
        std::string failure;
    };
    const Case cases[] = {
        { "wrong key alone", {}, {}, "TrueNAS rejected the API key." },
        { "wrong key for a user", "admin", {}, "TrueNAS rejected the API key." },
        { "other response type", "admin",
          [&](qint64 id) { server.send(server.result(id, QJsonObject { { "response_type", "OTP_REQUIRED" } })); },
          "TrueNAS rejected the API key." },
        { "error object", {},
          [&](qint64 id) { server.send(server.error(id, QJsonObject { { "code", -32001 }, { "message", "Too many attempts" } })); },
          "Too many attempts" },
        { "user login result is not an object", "admin", [&](qint64 id) { server.send(server.result(id, "SUCCESS")); },
          "\"result\" is not an object" },
        { "user login result without a type", "admin", [&](qint64 id) { server.send(server.result(id, QJsonObject())); },
          "\"response_type\" is missing" },
        { "key login result is not a boolean", {}, [&](qint64 id) { server.send(server.result(id, 1)); },
          "\"result\" is not a boolean" },
        { "key login result is null", {}, [&](qint64 id) { server.send(server.result(id, QJsonValue::Null)); },
          "\"result\" is not a boolean" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.answer)
            server.onRequest = [&](const QJsonObject& request) { c.answer(request.value("id").toInteger()); };
        else
            server.onRequest = [&](const QJsonObject& request) { server.answer(request); };
        const std::string failure = failureOf(TrueNASService::connect(server.address(), c.username, "1-wrongkey", tls()));
        EXPECT_EQ(failure, c.failure);
        ASSERT_TRUE(eventually([&] { return server.closeCode.has_value(); }));
        EXPECT_EQ(*server.closeCode, QWebSocketProtocol::CloseCodeGoingAway);
        EXPECT_EQ(server.closeReason.toStdString(), "");
    }
}

// The pane waits on its own thread; failures arrive there as TrueNASError.
TEST_F(TrueNASServiceTest, CallersContinueOnTheirOwnThreadWithTheError)
{
    QObject context;
    const Qt::HANDLE caller = QThread::currentThreadId();
    QString outcome;
    bool onCaller = false;
    TrueNASService::connect(server.address(), {}, "1-wrongkey", tls())
        .then(&context, [&](std::unique_ptr<TrueNASService>) { outcome = "connected"; })
        .onFailed(&context, [&](const TrueNASError& error) {
            onCaller = QThread::currentThreadId() == caller;
            outcome = error.errorDescription();
        });
    ASSERT_TRUE(eventually([&] { return !outcome.isEmpty(); }));
    EXPECT_EQ(outcome, "TrueNAS rejected the API key.");
    EXPECT_TRUE(onCaller);
}

TEST_F(TrueNASServiceTest, RepliesAreReadAsTheProtocolAllows)
{
    const auto service = connected();
    ASSERT_TRUE(service);
    QJsonParseError parseError;
    QJsonDocument::fromJson("{\"id\": 2, \"result\": [", &parseError);
    const std::string truncatedJson = parseError.errorString().toStdString();

    struct Case {
        const char* name;
        QByteArray reply; // "ID" stands for the request's id
        std::string failure; // empty: an empty listing
        bool binary = false;
    };
    const Case cases[] = {
        { "text message", R"({"jsonrpc":"2.0","id":ID,"result":[]})", {} },
        { "binary message", R"({"jsonrpc":"2.0","id":ID,"result":[]})", {}, true },
        { "id written as a whole float", R"({"id":ID.0,"result":[]})", {} },
        { "error of another type is passed over", R"({"id":ID,"error":"busy","result":[]})", {} },
        { "server's error message", R"({"id":ID,"error":{"code":-32001,"message":"Method call error","data":{"errname":"ENOENT"}}})",
          "Method call error" },
        { "error without a message", R"({"id":ID,"error":{}})", "Request failed." },
        { "error message that is no string", R"({"id":ID,"error":{"message":7}})", "Request failed." },
        { "neither error nor result", R"({"jsonrpc":"2.0","id":ID})", "TrueNAS returned no result." },
        { "another id", R"({"id":1000,"result":[]})", "TrueNAS returned an invalid response." },
        // (A message with no id at all is a notification: see NotificationsWhileACallWaitsArePassedOver.)
        { "null id", R"({"id":null,"result":[]})", "TrueNAS returned an invalid response." },
        { "id as text", R"({"id":"ID","result":[]})", "TrueNAS returned an invalid response." },
        { "fractional id", R"({"id":ID.5,"result":[]})", "TrueNAS returned an invalid response." },
        { "id as boolean", R"({"id":true,"result":[]})", "TrueNAS returned an invalid response." },
        { "array reply", R"([{"id":ID,"result":[]}])", "TrueNAS returned an invalid response." },
        { "bare number reply", "ID", "TrueNAS returned an invalid response." },
        { "malformed JSON", R"({"id": 2, "result": [)", truncatedJson },
        { "empty message", "", "illegal value" },
        { "null result", R"({"id":ID,"result":null})", "\"result\" is not an array" },
        { "object result", R"({"id":ID,"result":{"name":"a","path":"/a","type":"FILE","size":1}})", "\"result\" is not an array" },
        { "entry that is no object", R"({"id":ID,"result":["a"]})", "\"entry\" is not an object" },
        { "entry without size", R"({"id":ID,"result":[{"name":"a","path":"/a","type":"FILE","size":1},{"name":"b","path":"/b","type":"FILE"}]})",
          "\"size\" is missing" },
        { "size as text", R"({"id":ID,"result":[{"name":"a","path":"/a","type":"FILE","size":"1"}]})", "\"size\" is not an integer" },
        { "fractional size", R"({"id":ID,"result":[{"name":"a","path":"/a","type":"FILE","size":1.5}]})", "\"size\" is not an integer" },
        { "null name", R"({"id":ID,"result":[{"name":null,"path":"/a","type":"FILE","size":1}]})", "\"name\" is not a string" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.onRequest = [&](const QJsonObject& request) {
            QByteArray reply = c.reply;
            reply.replace("ID", QByteArray::number(request.value("id").toInteger()));
            c.binary ? server.sendBinary(reply) : server.sendText(reply);
        };
        auto listing = service->listDirectory("/mnt");
        if (c.failure.empty())
            EXPECT_TRUE(awaited(listing).isEmpty());
        else
            EXPECT_EQ(failureOf(listing), c.failure);
    }
    // No failure closed the socket.
    server.onRequest = [&](const QJsonObject& request) { server.answer(request); };
    EXPECT_EQ(awaited(service->listDirectory("/mnt")).size(), 3);
    EXPECT_EQ(server.connections, 1);
    EXPECT_FALSE(server.closeCode.has_value());
}

TEST_F(TrueNASServiceTest, AFolderTheServerDoesNotKnowFailsWithItsMessage)
{
    const auto service = connected();
    ASSERT_TRUE(service);
    EXPECT_EQ(failureOf(service->listDirectory("/mnt/missing")), "Method call error");
}

// Overlapping calls: the server answers the last request first.
TEST_F(TrueNASServiceTest, EachCallGetsItsOwnReplyInWhateverOrderTheyCome)
{
    const auto service = connected();
    ASSERT_TRUE(service);
    QList<QJsonObject> held;
    server.onRequest = [&](const QJsonObject& request) {
        held.append(request);
        if (held.size() < 3)
            return;
        for (auto it = held.rbegin(); it != held.rend(); ++it) {
            const QString path = it->value("params").toArray().at(0).toString();
            server.send(server.result(it->value("id").toInteger(), QJsonArray { entry("in " + path, path + "/x", "FILE", 1) }));
        }
    };
    auto first = service->listDirectory("/a");
    auto second = service->listDirectory("/b");
    auto third = service->listDirectory("/c");
    EXPECT_EQ(awaited(first).value(0).name.toStdString(), "in /a");
    EXPECT_EQ(awaited(second).value(0).name.toStdString(), "in /b");
    EXPECT_EQ(awaited(third).value(0).name.toStdString(), "in /c");
}

// A reply no call can claim fails the call that has waited longest; the others wait on.
TEST_F(TrueNASServiceTest, AReplyThatNamesNoCallFailsTheOldestWaitingCall)
{
    const auto service = connected();
    ASSERT_TRUE(service);
    QList<qint64> ids;
    server.onRequest = [&](const QJsonObject& request) {
        ids.append(request.value("id").toInteger());
        if (ids.size() == 2) {
            server.sendText("not json");
            server.send(server.result(ids[1], QJsonArray()));
        }
    };
    auto first = service->listDirectory("/a");
    auto second = service->listDirectory("/b");
    EXPECT_TRUE(awaited(second).isEmpty());
    EXPECT_EQ(failureOf(first), "illegal value");
}

// Real servers send notifications of their own (messages without an id) at any time.
TEST_F(TrueNASServiceTest, NotificationsWhileACallWaitsArePassedOver)
{
    const auto service = connected();
    ASSERT_TRUE(service);
    server.onRequest = [&](const QJsonObject& request) {
        server.sendText(R"({"jsonrpc":"2.0","method":"collection_update","params":{"msg":"changed","collection":"core.get_jobs"}})");
        server.answer(request);
    };
    EXPECT_EQ(awaited(service->listDirectory("/mnt")).size(), 3);
}

// What a server says is shown cleaned of control and direction characters, and cut short.
TEST_F(TrueNASServiceTest, ServerErrorTextIsCleanedAndCut)
{
    const auto service = connected();
    ASSERT_TRUE(service);
    const QString flood = QStringLiteral("Disk\x1b[2J\r\n\u202Edeliaf\u202C ") + QString(1 << 20, u'x');
    server.onRequest = [&](const QJsonObject& request) {
        server.send(server.error(request.value("id").toInteger(), QJsonObject { { "code", 1 }, { "message", flood } }));
    };
    const std::string text = failureOf(service->listDirectory("/mnt"));
    EXPECT_EQ(text, ("Disk [2J deliaf " + QString(300 - 16, u'x') + u'…').toStdString());
}

// A message past the client's limit ends the connection with a clear reason, not as if the
// server had closed it.
TEST_F(TrueNASServiceTest, AMessageOverTheLimitClosesTheConnectionWithTooMuchData)
{
    const auto service = connected();
    ASSERT_TRUE(service);
    server.onRequest = [&](const QJsonObject&) { server.sendBinary(QByteArray(TrueNASService::maxMessageBytes + 1, ' ')); };
    EXPECT_EQ(failureOf(service->listDirectory("/mnt")), "TrueNAS sent a message larger than 16 MB; the connection was closed.");
    ASSERT_TRUE(eventually([&] { return server.closeCode.has_value(); }));
    EXPECT_EQ(*server.closeCode, QWebSocketProtocol::CloseCodeTooMuchData);
}

TEST_F(TrueNASServiceTest, ACallTheServerNeverAnswersTimesOutAndItsLateReplyIsDropped)
{
    // Long enough for the login on a busy machine.
    const auto service = connected({}, 1500ms);
    ASSERT_TRUE(service);
    QList<qint64> ids;
    server.onRequest = [&](const QJsonObject& request) {
        ids.append(request.value("id").toInteger());
        if (ids.size() == 2) {
            // The late answer to the first call comes before the answer to this one.
            server.send(server.result(ids[0], QJsonArray { entry("late", "/late", "FILE", 1) }));
            server.send(server.result(ids[1], QJsonArray { entry("own", "/own", "FILE", 1) }));
        }
    };
    EXPECT_EQ(failureOf(service->listDirectory("/slow")), "TrueNAS did not answer in time.");
    EXPECT_EQ(awaited(service->listDirectory("/mnt")).value(0).name.toStdString(), "own");
    EXPECT_FALSE(server.closeCode.has_value());
}

TEST_F(TrueNASServiceTest, ALoginThatIsNeverAnsweredTimesOut)
{
    server.onRequest = [](const QJsonObject&) {};
    // Long enough for the handshake on a busy machine, so that there is a socket to close.
    EXPECT_EQ(failureOf(TrueNASService::connect(server.address(), {}, server.apiKey, tls(), 1500ms)),
              "TrueNAS did not answer in time.");
    ASSERT_TRUE(eventually([&] { return server.closeCode.has_value(); }));
    EXPECT_EQ(*server.closeCode, QWebSocketProtocol::CloseCodeGoingAway);

    // A peer that takes the connection and never begins the TLS handshake.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    const QString address = QStringLiteral("https://127.0.0.1:%1").arg(silent.serverPort());
    EXPECT_EQ(failureOf(TrueNASService::connect(address, {}, server.apiKey, tls(), 300ms)), "TrueNAS did not answer in time.");
}

TEST_F(TrueNASServiceTest, ConnectionFailuresKeepTheirOwnDescription)
{
    // Nothing listens on port 1.
    EXPECT_EQ(failureOf(TrueNASService::connect("https://127.0.0.1:1", {}, server.apiKey, tls())), "Connection refused");

    // Verification stays on: the default trust store does not know the test authority, and the
    // certificate names 127.0.0.1, not localhost.
    const std::string untrusted = failureOf(TrueNASService::connect(server.address(), {}, server.apiKey));
    EXPECT_THAT(untrusted, HasSubstr("certificate"));
    const std::string otherName = failureOf(
        TrueNASService::connect(QStringLiteral("https://localhost:%1").arg(server.port()), {}, server.apiKey, tls()));
    EXPECT_THAT(otherName, HasSubstr("host name"));
    EXPECT_TRUE(server.requests.isEmpty());
}

TEST_F(TrueNASServiceTest, AServerThatGoesAwayFailsTheWaitingCallAndEveryLaterOne)
{
    const auto service = connected();
    ASSERT_TRUE(service);
    server.onRequest = [&](const QJsonObject&) { server.closeConnection(); };
    const std::string gone = failureOf(service->listDirectory("/mnt"));
    EXPECT_EQ(gone, "TrueNAS closed the connection.");
    server.onRequest = [&](const QJsonObject& request) { server.answer(request); };
    EXPECT_EQ(failureOf(service->listDirectory("/mnt")), gone);
    EXPECT_EQ(server.requests.size(), 2);
}

TEST_F(TrueNASServiceTest, DroppingTheClientEndsWaitingCallsAndSaysGoingAway)
{
    auto service = connected();
    ASSERT_TRUE(service);
    server.onRequest = [](const QJsonObject&) {};
    auto pending = service->listDirectory("/mnt");
    ASSERT_TRUE(eventually([&] { return server.requests.size() == 2; }));
    service.reset();
    EXPECT_TRUE(pending.isFinished());
    EXPECT_TRUE(pending.isCanceled());
    ASSERT_TRUE(eventually([&] { return server.closeCode.has_value(); }));
    EXPECT_EQ(*server.closeCode, QWebSocketProtocol::CloseCodeGoingAway);
}

} // namespace
} // namespace bramblet
