// The client against servers that are broken, slow or hostile on purpose: every case ends within
// its limits with a clear message, takes no more of an endless answer than it needs, and never
// lets a broken download replace the user's file.

#include "BrambletCore/Remote/S3Service.h"

#include "BrambletCore/Remote/S3Error.h"

#include "Support/Remote/HostileS3Server.h"
#include "Support/Remote/TestServices.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

namespace bramblet {
namespace {

using Misbehaviour = testing::HostileS3Server::Misbehaviour;
using namespace std::chrono_literals;

// Short enough that no case waits long; the drip (a byte every 50 ms) never falls silent.
constexpr S3Limits testLimits { .silence = 1000ms,
                                .deadline = 2500ms,
                                .rateWindow = 700ms,
                                .minimumBytesPerWindow = 1024,
                                .errorBodyBytes = 64 * 1024,
                                .listingBodyBytes = 1024 * 1024 };

enum class Operation { list, download };

// What the client may take of an endless answer: its own bound, plus what the network layer
// and both sockets' buffers hold on the way.
constexpr qint64 inFlight = 16 << 20;

TEST(S3ServiceHostileServer, EveryMisbehaviourEndsInTimeWithAClearMessage)
{
    const auto tls = testing::loopbackTls();
    BRAMBLET_REQUIRE_SERVICE(tls, "The test certificate");
    const QString pleaseText = QStringLiteral("Please esaeler reduce your request rate. ");

    const struct {
        Misbehaviour misbehaviour;
        Operation operation;
        S3Error::Kind kind;
        QString text; // the whole message, or its beginning when it ends in "*"
        qint64 maxBodyBytesSent; // -1: the answer is small
    } cases[] = {
        { Misbehaviour::invalidChunkSize, Operation::download, S3Error::Kind::invalidAnswer,
          "The server did not say how long the file is, so the download could not be checked. The local file was left as it was.", -1 },
        { Misbehaviour::noLength, Operation::download, S3Error::Kind::invalidAnswer,
          "The server did not say how long the file is, so the download could not be checked. The local file was left as it was.", -1 },
        { Misbehaviour::shortBody, Operation::download, S3Error::Kind::transport, "*", -1 },
        { Misbehaviour::endlessErrorBody, Operation::list, S3Error::Kind::badResponse, "S3 request failed (403): AccessDenied*", inFlight },
        { Misbehaviour::endlessErrorBody, Operation::download, S3Error::Kind::badResponse, "S3 request failed (403): AccessDenied*", inFlight },
        { Misbehaviour::hostileErrorText, Operation::list, S3Error::Kind::badResponse,
          "S3 request failed (503): Slow Down: " + pleaseText + QString(300 - pleaseText.size(), u'x') + u'…', -1 },
        { Misbehaviour::htmlErrorPage, Operation::list, S3Error::Kind::badResponse, "S3 request failed (502): 502 Bad Gateway [2Jyawetag", -1 },
        { Misbehaviour::endlessListing, Operation::list, S3Error::Kind::invalidAnswer,
          "The server's answer is far larger than a listing can be.", testLimits.listingBodyBytes + inFlight },
        { Misbehaviour::overfullListing, Operation::list, S3Error::Kind::invalidAnswer, "The server listed more than the 1000 entries asked for.", -1 },
        { Misbehaviour::brokenListing, Operation::list, S3Error::Kind::invalidAnswer, "The server's listing could not be read: *", -1 },
        { Misbehaviour::htmlPage, Operation::list, S3Error::Kind::invalidAnswer, "The server's answer is not a bucket listing.", -1 },
        { Misbehaviour::drip, Operation::list, S3Error::Kind::timedOut, "The server did not answer in time.", -1 },
        { Misbehaviour::drip, Operation::download, S3Error::Kind::timedOut, "The transfer became too slow and was stopped.", -1 },
        { Misbehaviour::silence, Operation::list, S3Error::Kind::timedOut, "The server did not answer in time.", -1 },
        { Misbehaviour::silence, Operation::download, S3Error::Kind::timedOut, "The transfer became too slow and was stopped.", -1 },
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(::testing::PrintToString(int(entry.misbehaviour)) + (entry.operation == Operation::list ? " list" : " download"));
        testing::HostileS3Server server(tls->server, entry.misbehaviour);
        ASSERT_TRUE(server.listen());
        QTemporaryDir local;
        const QString target = local.filePath("precious.txt");
        {
            QFile file(target);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("keep me");
        }
        auto service = std::make_unique<S3Service>(
            S3Connection { .id = QUuid::createUuid(),
                           .name = QStringLiteral("hostile"),
                           .endpoint = server.endpoint(),
                           .region = QStringLiteral("us-east-1"),
                           .bucket = QStringLiteral("bucket"),
                           .accessKeyID = QStringLiteral("AKID") },
            QStringLiteral("secret"), tls->client, [] { return std::chrono::system_clock::now(); }, testLimits);
        QElapsedTimer clock;
        clock.start();
        const QFuture<void> future = entry.operation == Operation::list
            ? QFuture<void>(service->list(QString()))
            : service->download(QStringLiteral("object"), target.toStdString());
        // The server runs on this thread's event loop.
        ASSERT_TRUE(testing::eventually([&] { return future.isFinished(); }, 20'000));
        const qint64 elapsed = clock.elapsed();
        try {
            QFuture<void>(future).waitForFinished();
            ADD_FAILURE() << "the misbehaviour went unnoticed";
        } catch (const S3Error& error) {
            EXPECT_EQ(error.kind(), entry.kind) << error.what();
            if (entry.text.endsWith(u'*'))
                EXPECT_TRUE(error.errorDescription().startsWith(entry.text.chopped(1))) << error.what();
            else
                EXPECT_EQ(error.errorDescription().toStdString(), entry.text.toStdString());
            EXPECT_LE(error.errorDescription().size(), 400);
        }
        // Every limit here is at most 2.5 s.
        EXPECT_LT(elapsed, 8'000);
        if (entry.maxBodyBytesSent >= 0) {
            ASSERT_TRUE(testing::eventually([&] { return server.clientHungUp; }, 5'000));
            EXPECT_LT(server.bodyBytesSent, entry.maxBodyBytesSent);
        }
        ::testing::Test::RecordProperty(QStringLiteral("case%1-%2-bodyBytesSent").arg(int(entry.misbehaviour)).arg(int(entry.operation)).toStdString(),
                                        QString::number(server.bodyBytesSent).toStdString());
        if (entry.operation == Operation::download) {
            QFile file(target);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), "keep me");
            EXPECT_EQ(QDir(local.path()).entryList(QDir::Files | QDir::Hidden), QStringList({ "precious.txt" }));
        }
    }
}

} // namespace
} // namespace bramblet
