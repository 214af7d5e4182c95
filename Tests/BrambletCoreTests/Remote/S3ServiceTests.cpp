// The client against a real S3-compatible server over HTTPS (started by
// scripts/with-test-services.sh). That server does not check signatures; the signing is proven
// by the signature tests.

#include "BrambletCore/Remote/S3Service.h"

#include "BrambletCore/Remote/S3Error.h"

#include "Support/Remote/TestServices.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFutureWatcher>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime (GCC ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace bramblet {
namespace {

// Waits for the future, rethrowing its failure.
template <typename T>
T await(QFuture<T> future)
{
    future.waitForFinished();
    if constexpr (!std::is_void_v<T>)
        return future.result();
}

// Runs `operation` and returns the S3Error it fails with.
template <typename T>
S3Error failureOf(QFuture<T> future)
{
    try {
        await(future);
    } catch (const S3Error& error) {
        return error;
    }
    ADD_FAILURE() << "the operation succeeded";
    return S3Error::transport(QString());
}

// Bytes of heap in use by the whole process (with the address sanitizer: not counting freed blocks
// it holds back).
size_t liveHeapBytes()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    // Blocks this large are always mapped on their own, so hblkhd sees them from any thread.
    const auto info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

// Waits for the future and returns how far the heap grew above where it stood before.
template <typename T>
size_t heapGrowthUntilFinished(QFuture<T> future, size_t baseline)
{
    size_t peak = baseline;
    while (!future.isFinished()) {
        peak = std::max(peak, liveHeapBytes());
        QThread::msleep(1);
    }
    await(future);
    return peak - baseline;
}

QStringList keysOf(const QList<S3Object>& objects)
{
    QStringList keys;
    for (const auto& object : objects)
        keys << object.key;
    return keys;
}

class S3ServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = testing::s3TestServer();
        BRAMBLET_REQUIRE_SERVICE(server, "The S3 test server");
        ASSERT_TRUE(local.isValid());
        // Tests run at the same time against one bucket, each in a folder of its own.
        prefix = QStringLiteral("test-") + QUuid::createUuid().toString(QUuid::WithoutBraces) + u'/';
        service = std::make_unique<S3Service>(connectionTo(server->endpoint), QStringLiteral("S3RVER"), server->tls);
    }

    S3Connection connectionTo(const QString& endpoint, const QString& accessKeyID = QStringLiteral("S3RVER")) const
    {
        return { .id = QUuid::createUuid(),
                 .name = QStringLiteral("test server"),
                 .endpoint = endpoint,
                 .region = QStringLiteral("us-east-1"),
                 .bucket = server->bucket,
                 .accessKeyID = accessKeyID };
    }

    std::filesystem::path localFile(const QString& name, const QByteArray& contents)
    {
        const QString path = local.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
        return path.toStdString();
    }

    static QByteArray contentsOf(const std::filesystem::path& path)
    {
        QFile file(QString::fromStdString(path.string()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    std::optional<testing::S3TestServer> server;
    QTemporaryDir local;
    QString prefix;
    std::unique_ptr<S3Service> service;
};

TEST_F(S3ServiceTest, ListsFoldersFirstThenFilesAndDropsFolderMarkers)
{
    await(service->upload(localFile("b", "bbbb"), prefix + "b.txt"));
    await(service->upload(localFile("a", "a"), prefix + "a.txt"));
    await(service->createFolder(prefix + "z"));
    await(service->upload(localFile("inner", "x"), prefix + "sub/inner.txt"));
    await(service->createFolder(prefix)); // the marker of the listed folder itself

    const auto objects = await(service->list(prefix));
    ASSERT_EQ(keysOf(objects), QStringList({ prefix + "sub/", prefix + "z/", prefix + "a.txt", prefix + "b.txt" }));
    EXPECT_TRUE(objects[0].isFolder);
    EXPECT_EQ(objects[0].size, 0);
    EXPECT_EQ(objects[0].modified, std::nullopt);
    EXPECT_FALSE(objects[3].isFolder);
    EXPECT_EQ(objects[3].size, 4);
    ASSERT_TRUE(objects[3].modified.has_value());
    EXPECT_LT(std::chrono::abs(*objects[3].modified - std::chrono::system_clock::now()), std::chrono::minutes(5));

    EXPECT_TRUE(keysOf(await(service->list(QString()))).contains(prefix));
    EXPECT_EQ(keysOf(await(service->list(prefix + "sub/"))), QStringList({ prefix + "sub/inner.txt" }));
}

TEST_F(S3ServiceTest, KeysThatNeedEncodingGoUpComeDownAndGo)
{
    const QString names[] = { "with space.txt", "plus+sign.txt", "cost$.txt", "naïve 日本語.txt",
                              "deep/er/file.txt", "a&b=c;d@e,f.txt" };
    for (const auto& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray contents = "contents of " + name.toUtf8();
        await(service->upload(localFile("up", contents), prefix + name));
        const auto target = local.filePath("down").toStdString();
        await(service->download(prefix + name, target));
        EXPECT_EQ(contentsOf(target), contents);
    }
    const QStringList listed = keysOf(await(service->list(prefix)));
    for (const auto& name : names)
        EXPECT_TRUE(name.contains(u'/') || listed.contains(prefix + name)) << name.toStdString();
    EXPECT_EQ(keysOf(await(service->list(prefix + "deep/er/"))), QStringList({ prefix + "deep/er/file.txt" }));

    for (const auto& name : names)
        await(service->deleteObject(prefix + name));
    EXPECT_TRUE(await(service->list(prefix)).isEmpty());
}

TEST_F(S3ServiceTest, NewFolderKeyEndsInExactlyOneSlash)
{
    await(service->createFolder(prefix + "docs"));
    await(service->createFolder(prefix + "docs/"));
    await(service->createFolder(prefix + "more/"));
    EXPECT_EQ(keysOf(await(service->list(prefix))), QStringList({ prefix + "docs/", prefix + "more/" }));
    EXPECT_TRUE(await(service->list(prefix + "docs/")).isEmpty());
}

TEST_F(S3ServiceTest, OnePageHoldsTheFirstThousandEntries)
{
    const auto empty = localFile("empty", {});
    QList<QFuture<void>> uploads;
    for (int i = 0; i < 1001; ++i)
        uploads << service->upload(empty, prefix + QStringLiteral("file-%1").arg(i, 4, 10, QChar(u'0')));
    for (auto& upload : uploads)
        await(upload);

    const auto objects = await(service->list(prefix));
    ASSERT_EQ(objects.size(), 1000);
    EXPECT_EQ(objects.first().key, prefix + "file-0000");
    EXPECT_EQ(objects.last().key, prefix + "file-0999");
}

// Bodies stream between the file and the network: neither direction holds a whole file.
TEST_F(S3ServiceTest, LargeTransfersKeepMemoryFlat)
{
    constexpr qint64 fileSize = 64 << 20;
    constexpr size_t allowedGrowth = 16 << 20;
    const auto source = localFile("large", {});
    QByteArray block(1 << 20, Qt::Uninitialized);
    QCryptographicHash sent(QCryptographicHash::Sha256);
    {
        QFile file(QString::fromStdString(source.string()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (qint64 written = 0; written < fileSize; written += block.size()) {
            for (qsizetype i = 0; i < block.size(); i += 4096)
                block[i] = char(written / block.size() + i / 4096);
            file.write(block);
            sent.addData(block);
        }
    }
    block.clear();
    block.squeeze();

    const size_t baseline = liveHeapBytes();
    EXPECT_LT(heapGrowthUntilFinished(service->upload(source, prefix + "large.bin"), baseline), allowedGrowth);
    const std::filesystem::path target = local.filePath("large copy").toStdString();
    EXPECT_LT(heapGrowthUntilFinished(service->download(prefix + "large.bin", target), baseline), allowedGrowth);

    QFile copy(QString::fromStdString(target.string()));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    QCryptographicHash received(QCryptographicHash::Sha256);
    received.addData(&copy);
    EXPECT_EQ(copy.size(), fileSize);
    EXPECT_EQ(received.result(), sent.result());
}

// The server's error document reaches the user as its code and message, not as raw XML.
TEST_F(S3ServiceTest, RefusalReachesTheErrorWithTheServersCodeAndMessage)
{
    // This server accepts any signature but refuses an access key it does not know.
    S3Service stranger(connectionTo(server->endpoint, QStringLiteral("NOT-A-KEY")), QStringLiteral("wrong"), server->tls);
    const S3Error error = failureOf(stranger.list(prefix));
    EXPECT_EQ(error.kind(), S3Error::Kind::badResponse);
    EXPECT_EQ(error.status(), 403);
    const QString text = error.errorDescription();
    EXPECT_TRUE(text.startsWith("S3 request failed (403): InvalidAccessKeyId: The ")) << text.toStdString();
    EXPECT_FALSE(text.contains(u'<')) << text.toStdString();
}

TEST_F(S3ServiceTest, RequestsCarryTheTimeOfTheClientsClock)
{
    using namespace std::chrono;
    const Date stopped = sys_days(2013y / May / 24);
    S3Service late(connectionTo(server->endpoint), QStringLiteral("S3RVER"), server->tls, [=] { return stopped; });
    const S3Error error = failureOf(late.list(prefix));
    EXPECT_EQ(error.status(), 403);
    EXPECT_TRUE(error.errorDescription().startsWith("S3 request failed (403): RequestTimeTooSkewed: ")) << error.what();
}

TEST_F(S3ServiceTest, FailedDownloadLeavesTheTargetUntouched)
{
    const auto target = localFile("precious.txt", "keep me");
    const S3Error missing = failureOf(service->download(prefix + "missing.txt", target));
    EXPECT_EQ(missing.status(), 404);
    EXPECT_TRUE(missing.errorDescription().startsWith("S3 request failed (404): ")) << missing.what();
    EXPECT_TRUE(missing.errorDescription().contains("NoSuchKey")) << missing.what();
    EXPECT_EQ(contentsOf(target), "keep me");

    // A target that cannot be written is the file system's own error.
    await(service->upload(localFile("source", "new"), prefix + "present.txt"));
    const S3Error unwritable = failureOf(service->download(prefix + "present.txt", local.filePath("no/such/dir/f").toStdString()));
    EXPECT_EQ(unwritable.kind(), S3Error::Kind::localFile);

    // Nothing but the files this test made: no temporary file stays behind.
    EXPECT_EQ(QDir(local.path()).entryList(QDir::Files), QStringList({ "precious.txt", "source" }));

    await(service->download(prefix + "present.txt", target));
    EXPECT_EQ(contentsOf(target), "new");
}

TEST_F(S3ServiceTest, UploadOfAnUnreadableFileSendsNothing)
{
    const S3Error error = failureOf(service->upload(local.filePath("absent").toStdString(), prefix + "absent"));
    EXPECT_EQ(error.kind(), S3Error::Kind::localFile);
    EXPECT_STREQ(error.what(), "No such file or directory");
    EXPECT_TRUE(await(service->list(prefix)).isEmpty());
}

TEST_F(S3ServiceTest, TransportFailuresKeepTheirOwnDescription)
{
    // Nothing listens on port 1; the default trust store does not know the test certificate.
    S3Service unreachable(connectionTo(QStringLiteral("127.0.0.1:1")), QStringLiteral("S3RVER"), server->tls);
    const S3Error refused = failureOf(unreachable.list(QString()));
    EXPECT_EQ(refused.kind(), S3Error::Kind::transport);
    EXPECT_STREQ(refused.what(), "Connection refused");

    S3Service untrusting(connectionTo(server->endpoint), QStringLiteral("S3RVER"));
    const S3Error untrusted = failureOf(untrusting.list(QString()));
    EXPECT_EQ(untrusted.kind(), S3Error::Kind::transport);
    EXPECT_TRUE(QString::fromUtf8(untrusted.what()).contains("SSL", Qt::CaseInsensitive)) << untrusted.what();
}

TEST_F(S3ServiceTest, CallersContinueOnTheirThreadInCallOrder)
{
    QObject context;
    QStringList events;
    const Qt::HANDLE caller = QThread::currentThreadId();
    bool everyHandlerOnCaller = true;
    const auto note = [&](const QString& event) {
        everyHandlerOnCaller = everyHandlerOnCaller && QThread::currentThreadId() == caller;
        events << event;
    };
    const auto file = localFile("f", "data");
    service->upload(file, prefix + "f").then(&context, [&] { note("uploaded"); });
    service->list(prefix).then(&context, [&](const QList<S3Object>& objects) { note(QStringLiteral("listed %1").arg(objects.size())); });
    service->download(prefix + "gone", local.filePath("gone").toStdString())
        .then(&context, [&] { note("downloaded"); })
        .onFailed(&context, [&](const S3Error& error) { note(QStringLiteral("failed %1").arg(error.status())); });
    service->deleteObject(prefix + "f").then(&context, [&] { note("deleted"); });
    service->list(prefix).then(&context, [&](const QList<S3Object>& objects) { note(QStringLiteral("listed %1").arg(objects.size())); });

    ASSERT_TRUE(QTest::qWaitFor([&] { return events.size() == 5; }, 30'000)) << events.size();
    EXPECT_EQ(events, QStringList({ "uploaded", "listed 1", "failed 404", "deleted", "listed 0" }));
    EXPECT_TRUE(everyHandlerOnCaller);
}

TEST_F(S3ServiceTest, DestroyingTheClientDropsWhatIsQueued)
{
    QList<QFuture<QList<S3Object>>> pending;
    for (int i = 0; i < 20; ++i)
        pending << service->list(prefix);
    service.reset();
    for (auto& future : pending) {
        future.waitForFinished(); // settled one way or the other, never left hanging
        EXPECT_TRUE(future.isFinished());
    }
    EXPECT_TRUE(pending.last().isCanceled());
}

TEST_F(S3ServiceTest, TransfersReportProgressAndStopWhenCancelled)
{
    const auto big = localFile("big", QByteArray(64 << 20, 'p'));
    QList<int> values;
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::progressValueChanged, [&values](int value) { values << value; });
    auto upload = service->upload(big, prefix + "whole.bin");
    watcher.setFuture(upload);
    ASSERT_TRUE(testing::eventually([&] { return upload.isFinished() && !values.isEmpty() && values.last() == S3Service::progressScale; }, 120'000));
    EXPECT_NO_THROW(upload.waitForFinished());
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));

    // Cancelled once under way: the future ends cancelled, not failed.
    values.clear();
    auto cancelled = service->upload(big, prefix + "cancelled.bin");
    watcher.setFuture(cancelled);
    ASSERT_TRUE(testing::eventually([&] { return !values.isEmpty() && values.last() > 0; }, 60'000));
    ASSERT_FALSE(cancelled.isFinished()) << "too fast to cancel";
    cancelled.cancel();
    ASSERT_TRUE(testing::eventually([&] { return cancelled.isFinished(); }, 60'000));
    EXPECT_TRUE(cancelled.isCanceled());
    EXPECT_NO_THROW(cancelled.waitForFinished());

    // Cancelled while waiting its turn: never sent, and the calls behind it go on.
    auto first = service->upload(localFile("first", "1"), prefix + "first.txt");
    auto queued = service->upload(localFile("queued", "2"), prefix + "queued.txt");
    queued.cancel();
    const QStringList keys = keysOf(await(service->list(prefix)));
    EXPECT_TRUE(first.isFinished());
    EXPECT_TRUE(keys.contains(prefix + "first.txt")) << keys.join(u' ').toStdString();
    EXPECT_FALSE(keys.contains(prefix + "queued.txt")) << keys.join(u' ').toStdString();
}

TEST(S3ServiceWithoutServer, EndpointThatMakesNoUrlFailsBeforeSending)
{
    S3Service service({ .id = QUuid::createUuid(),
                        .name = QStringLiteral("bad"),
                        .endpoint = QStringLiteral("host/with/path"),
                        .region = QStringLiteral("us-east-1"),
                        .bucket = QStringLiteral("b"),
                        .accessKeyID = QStringLiteral("AKID") },
                      QStringLiteral("secret"));
    QObject context;
    QString message;
    service.createFolder(QStringLiteral("x")).onFailed(&context, [&](const S3Error& error) {
        message = error.errorDescription();
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !message.isEmpty(); }, 5000));
    EXPECT_EQ(message, "S3 request failed (-1): Invalid URL");
}

} // namespace
} // namespace bramblet
