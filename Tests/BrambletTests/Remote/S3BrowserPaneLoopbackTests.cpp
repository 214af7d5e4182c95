// The S3 pane against loopback servers that answer when the test says so: late answers, and a
// download cut off by the user.

#include "Bramblet/Remote/S3BrowserPane.h"

#include "Bramblet/Theme/ColorView.h"

#include "RemotePaneTestSupport.h"
#include "S3HeldServer.h"

#include <QComboBox>
#include <QDir>
#include <QProgressBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace bramblet {
namespace {

using testing::RemotePaneTest;
using testing::S3HeldServer;

class S3BrowserPaneLoopbackTest : public RemotePaneTest {
protected:
    void SetUp() override
    {
        m_tls = testing::loopbackTls();
        if (!m_tls || !testing::hasSessionBus()) {
            BRAMBLET_REQUIRE_SERVICE(false, "The test certificate or the session bus");
        }
    }

    // A saved connection to `server`, its secret in the keychain.
    S3Connection connectionTo(const S3HeldServer& server, const QString& name)
    {
        S3Connection connection { .id = QUuid::createUuid(),
                                  .name = name,
                                  .endpoint = server.endpoint(),
                                  .region = QStringLiteral("us-east-1"),
                                  .bucket = QStringLiteral("bucket"),
                                  .accessKeyID = QStringLiteral("AKID") };
        saveSecret(QStringLiteral("secret"), QString::fromLatin1(Keychain::s3Service), connection.idString());
        return connection;
    }

    std::unique_ptr<S3BrowserPane> makePane(const QList<S3Connection>& connections)
    {
        defaults().setData(S3BrowserPane::connectionsKey, encodeList(connections));
        auto pane = std::make_unique<S3BrowserPane>(defaults(), dialogs, m_tls->client);
        pane->setAnchorWindow(&window);
        return pane;
    }

    static void choose(S3BrowserPane& pane, int index)
    {
        pane.connectionMenu()->setCurrentIndex(index);
        pane.connectionChanged();
    }

    static void selectFirstRow(S3BrowserPane& pane)
    {
        pane.table()->clearSelection();
        pane.table()->selectRow(0);
    }

    bool anyAlert() const
    {
        return std::any_of(dialogs.presented.begin(), dialogs.presented.end(),
                           [](const auto& presented) { return presented.request.message == S3BrowserPane::errorTitle; });
    }

    // A listing of the root holding the one folder "docs/".
    static inline const QByteArray folderListing =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><ListBucketResult><CommonPrefixes><Prefix>docs/</Prefix></CommonPrefixes>"
        "</ListBucketResult>";

    // A pane on `server` showing its root, which holds "docs/".
    std::unique_ptr<S3BrowserPane> paneShowingFolder(S3HeldServer& server)
    {
        auto pane = makePane({ connectionTo(server, QStringLiteral("Only")) });
        EXPECT_TRUE(testing::eventually([&] { return server.requests.size() == 1; }, 30'000));
        server.answer(0, folderListing);
        EXPECT_TRUE(testing::eventually([&] { return textOf(pane->statusLabel()) == QStringLiteral("1 items"); }, 30'000));
        EXPECT_TRUE(pane->objects().value(0).isFolder);
        return pane;
    }

    std::optional<testing::LoopbackTls> m_tls;
};

// A listing that lands after the user chose another connection is dropped; the files on screen
// are downloaded from the bucket they were listed from, even while another connection is chosen.
TEST_F(S3BrowserPaneLoopbackTest, LateListingIsDroppedAndListedFilesKeepTheirBucket)
{
    S3HeldServer first(m_tls->server);
    S3HeldServer second(m_tls->server);
    ASSERT_TRUE(first.listen());
    ASSERT_TRUE(second.listen());
    const auto pane = makePane({ connectionTo(first, QStringLiteral("First")), connectionTo(second, QStringLiteral("Second")) });
    ASSERT_TRUE(testing::eventually([&] { return first.requests.size() == 1; }, 30'000));

    choose(*pane, 1);
    ASSERT_TRUE(testing::eventually([&] { return second.requests.size() == 1; }, 30'000));
    second.answer(0, S3HeldServer::listingWith(QStringLiteral("second.txt"), 3));
    ASSERT_TRUE(testing::eventually([&] { return pane->objects().size() == 1; }, 30'000));
    EXPECT_EQ(pane->objects().first().key, QStringLiteral("second.txt"));

    // The first connection's slow answer comes in now.
    first.answer(0, S3HeldServer::listingWith(QStringLiteral("first.txt"), 5));
    QTest::qWait(500);
    ASSERT_EQ(pane->objects().size(), 1);
    EXPECT_EQ(pane->objects().first().key, QStringLiteral("second.txt"));
    EXPECT_EQ(pane->table()->item(0, 0)->text(), QStringLiteral("second.txt"));
    EXPECT_EQ(textOf(pane->statusLabel()), QStringLiteral("1 items"));

    // Back to the first connection, whose new listing is still on its way: the table shows the
    // second bucket's file, and downloading it asks the second bucket.
    choose(*pane, 0);
    ASSERT_TRUE(testing::eventually([&] { return first.requests.size() == 2; }, 30'000));
    selectFirstRow(*pane);
    pane->downloadSelected();
    QTemporaryDir local;
    dialogs.chooseFolderAnswer(local.path());
    ASSERT_TRUE(testing::eventually([&] { return second.requests.size() == 2; }, 30'000));
    EXPECT_EQ(second.requests.last().line, QByteArrayLiteral("GET /bucket/second.txt HTTP/1.1"));
    EXPECT_EQ(first.requests.size(), 2);
    second.answer(1, "two");
    ASSERT_TRUE(testing::eventually([&] { return textOf(pane->statusLabel()).startsWith(QStringLiteral("Downloaded")); }, 30'000));
    EXPECT_EQ(textOf(pane->statusLabel()), QStringLiteral("Downloaded 1 item to ") + local.path());
    QFile file(local.filePath(QStringLiteral("second.txt")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "two");
    EXPECT_FALSE(anyAlert());
}

// A folder's listing that lands after the user went back up is dropped too.
TEST_F(S3BrowserPaneLoopbackTest, LateListingOfALeftFolderIsDropped)
{
    S3HeldServer server(m_tls->server);
    ASSERT_TRUE(server.listen());
    const auto pane = paneShowingFolder(server);

    pane->table()->setCurrentCell(0, 0);
    pane->openSelected();
    ASSERT_TRUE(testing::eventually([&] { return server.requests.size() == 2; }, 30'000));
    // Going up stops the folder's listing, whose answer lands once the user is back at the root.
    pane->goUp();
    server.answer(1, S3HeldServer::listingWith(QStringLiteral("docs/inner.txt"), 1));
    ASSERT_TRUE(testing::eventually([&] { return server.requests.size() == 3; }, 30'000));
    ASSERT_EQ(pane->objects().size(), 1);
    EXPECT_EQ(pane->objects().first().key, QStringLiteral("docs/"));
    EXPECT_EQ(textOf(pane->statusLabel()), QStringLiteral("Loading…"));
    server.answer(2, folderListing);
    ASSERT_TRUE(testing::eventually([&] { return textOf(pane->statusLabel()) == QStringLiteral("1 items"); }, 30'000));
    ASSERT_EQ(pane->objects().size(), 1);
    EXPECT_EQ(pane->objects().first().key, QStringLiteral("docs/"));
    EXPECT_EQ(pane->prefixStack(), QStringList({ QString() }));
}

// A server that never answers a folder's listing does not keep the user there: going up asks for
// the root at once. A navigation that fails leaves the path on the folder whose rows are shown.
TEST_F(S3BrowserPaneLoopbackTest, NavigatingAwayStopsTheWaitAndAFailedOneKeepsPathAndRowsTogether)
{
    S3HeldServer server(m_tls->server);
    ASSERT_TRUE(server.listen());
    const auto pane = paneShowingFolder(server);

    pane->table()->setCurrentCell(0, 0);
    pane->openSelected();
    ASSERT_TRUE(testing::eventually([&] { return server.requests.size() == 2; }, 30'000));
    // The folder's listing is never answered.
    pane->goUp();
    ASSERT_TRUE(testing::eventually([&] { return server.requests.size() == 3; }, 30'000));
    EXPECT_TRUE(server.requests[2].line.startsWith("GET /bucket/?delimiter=%2F&list-type=2&max-keys=1000&prefix= ")) << server.requests[2].line.toStdString();
    server.answer(2, folderListing);
    ASSERT_TRUE(testing::eventually([&] { return textOf(pane->statusLabel()) == QStringLiteral("1 items"); }, 30'000));

    // Into the folder again, and this time the server fails.
    pane->table()->setCurrentCell(0, 0);
    pane->openSelected();
    ASSERT_TRUE(testing::eventually([&] { return server.requests.size() == 4; }, 30'000));
    EXPECT_EQ(textOf(pane->pathLabel()), QStringLiteral("/bucket/docs/"));
    server.send(3, "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n");
    ASSERT_TRUE(testing::eventually([&] { return textOf(pane->statusLabel()) == QStringLiteral("Could not load listing."); }, 30'000));
    EXPECT_EQ(textOf(pane->pathLabel()), QStringLiteral("/bucket/"));
    EXPECT_EQ(pane->prefixStack(), QStringList({ QString() }));
    ASSERT_EQ(pane->objects().size(), 1);
    EXPECT_EQ(pane->objects().first().key, QStringLiteral("docs/"));
    EXPECT_TRUE(anyAlert());
}

// Cancelling a download under way ends the transfer without an alert, and no partial file is
// left behind.
TEST_F(S3BrowserPaneLoopbackTest, CancelledDownloadShowsProgressAndLeavesNoFile)
{
    S3HeldServer server(m_tls->server);
    ASSERT_TRUE(server.listen());
    const auto pane = makePane({ connectionTo(server, QStringLiteral("Slow")) });
    ASSERT_TRUE(testing::eventually([&] { return server.requests.size() == 1; }, 30'000));
    constexpr qint64 size = 4 << 20;
    server.answer(0, S3HeldServer::listingWith(QStringLiteral("big.bin"), size));
    ASSERT_TRUE(testing::eventually([&] { return pane->objects().size() == 1; }, 30'000));

    selectFirstRow(*pane);
    pane->downloadSelected();
    QTemporaryDir local;
    dialogs.chooseFolderAnswer(local.path());
    ASSERT_TRUE(testing::eventually([&] { return server.requests.size() == 2; }, 30'000));
    EXPECT_TRUE(pane->isTransferring());
    EXPECT_EQ(textOf(pane->progressLabel()), QStringLiteral("Downloading big.bin"));
    server.send(1, "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(size) + "\r\n\r\n" + QByteArray(size / 4, 'x'));
    // Part of the body is on its way; the transfer cannot end before the rest comes.
    QTest::qWait(300);
    EXPECT_TRUE(pane->isTransferring());
    EXPECT_LT(pane->progressBar()->value(), 1000);

    pane->cancelTransfers();
    ASSERT_TRUE(testing::eventually([&] { return !pane->isTransferring(); }, 30'000));
    EXPECT_FALSE(pane->progressBar()->isVisibleTo(pane->contentView()));
    EXPECT_EQ(textOf(pane->statusLabel()), QStringLiteral("Downloaded 0 of 1 item to ") + local.path());
    EXPECT_FALSE(anyAlert());
    EXPECT_TRUE(QDir(local.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

} // namespace
} // namespace bramblet
