// The TrueNAS pane against the loopback TrueNAS server, its key in the Secret Service of the
// test's own session bus.

#include "Bramblet/Remote/TrueNASBrowserPane.h"

#include "Bramblet/Theme/DisplayText.h"

#include "RemotePaneTestSupport.h"
#include "Support/Remote/TestCertificates.h"
#include "Support/Remote/TrueNASTestServer.h"

#include <QJsonDocument>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

namespace bramblet {
namespace {

using testing::TestCertificates;
using testing::TrueNASTestServer;

QJsonObject entry(const QString& name, const QString& type, qint64 size)
{
    return { { "name", name }, { "path", "/mnt/" + name }, { "type", type }, { "size", size } };
}

class TrueNASBrowserPaneTest : public testing::RemotePaneTest {
protected:
    void SetUp() override
    {
        if (!testing::hasSessionBus()) {
            BRAMBLET_REQUIRE_SERVICE(false, "The session bus");
        }
        server.folders["/mnt"] = QJsonArray {
            entry("disk10.img", "FILE", 2000),
            entry("pool10", "DIRECTORY", 4),
            entry("Disk9.img", "FILE", 1),
            entry("link", "SYMLINK", 12),
            entry("pool9", "DIRECTORY", 4),
            entry("Archive", "DIRECTORY", 4),
        };
        server.folders["/mnt/pool9"] = QJsonArray { entry("inner", "FILE", 5) };
    }

    std::unique_ptr<TrueNASBrowserPane> makePane()
    {
        auto pane = std::make_unique<TrueNASBrowserPane>(defaults(), dialogs, TestCertificates::shared().clientTls,
                                                         std::chrono::seconds(20));
        pane->setAnchorWindow(&window);
        return pane;
    }

    // Types the server's address (with surrounding spaces, as pasted) and key, and connects.
    void connectTo(TrueNASBrowserPane& pane, const QString& username = QStringLiteral("admin"))
    {
        forgetSecretLater(QString::fromLatin1(Keychain::trueNASService), server.address());
        pane.addressField()->setText(QStringLiteral("  ") + server.address() + QStringLiteral(" "));
        pane.usernameField()->setText(username);
        pane.apiKeyField()->setText(server.apiKey);
        pane.connectToServer();
    }

    static QStringList names(const TrueNASBrowserPane& pane)
    {
        QStringList names;
        for (const TrueNASItem& item : pane.items())
            names.append(item.name);
        return names;
    }

    static QStringList row(const TrueNASBrowserPane& pane, int index)
    {
        QStringList texts;
        for (int column = 0; column < 3; ++column)
            texts.append(pane.table()->item(index, column)->text());
        return texts;
    }

    TrueNASTestServer server { TestCertificates::shared().serverTls };
};

TEST_F(TrueNASBrowserPaneTest, ConnectingListsMntSortedAndSavesTheConnection)
{
    const auto pane = makePane();
    EXPECT_EQ(textOf(pane->statusLabel()), QStringLiteral("Enter the TrueNAS management address and API key."));
    EXPECT_EQ(pane->pathField()->text(), QStringLiteral("/mnt"));
    pane->pathField()->clear();
    connectTo(*pane);
    EXPECT_EQ(textOf(pane->statusLabel()), QStringLiteral("Connecting…"));
    ASSERT_TRUE(testing::eventually([&] { return textOf(pane->statusLabel()) == QStringLiteral("6 items"); }, 30'000));
    EXPECT_EQ(pane->pathField()->text(), QStringLiteral("/mnt"));
    EXPECT_EQ(names(*pane), QStringList({ "Archive", "pool9", "pool10", "Disk9.img", "disk10.img", "link" }));
    EXPECT_EQ(row(*pane, 0), QStringList({ "Archive", "Folder", "—" }));
    EXPECT_EQ(row(*pane, 4), QStringList({ "disk10.img", "File", DisplayText::fileSizeText(2000) }));
    EXPECT_EQ(row(*pane, 5), QStringList({ "link", "SYMLINK", DisplayText::fileSizeText(12) }));

    // The address is saved trimmed, the key only in the keychain under that address.
    const auto saved = QJsonDocument::fromJson(defaults().data(TrueNASBrowserPane::connectionKey).value_or(QByteArray())).object();
    EXPECT_EQ(saved, (QJsonObject { { "address", server.address() }, { "username", "admin" } }));
    EXPECT_EQ(Keychain::read(QString::fromLatin1(Keychain::trueNASService), server.address()), server.apiKey);
    EXPECT_FALSE(settingsText().contains(server.apiKey)) << settingsText().toStdString();

    // A new pane restores the fields but does not connect by itself.
    const int connections = server.connections;
    const auto restored = makePane();
    EXPECT_EQ(restored->addressField()->text(), server.address());
    EXPECT_EQ(restored->usernameField()->text(), QStringLiteral("admin"));
    EXPECT_EQ(restored->apiKeyField()->text(), server.apiKey);
    EXPECT_FALSE(restored->isConnected());
    QTest::qWait(100);
    EXPECT_EQ(server.connections, connections);
}

TEST_F(TrueNASBrowserPaneTest, MissingInputsAndMissingConnectionAreSaidInTheStatus)
{
    const auto pane = makePane();
    pane->goToPath();
    EXPECT_EQ(textOf(pane->statusLabel()), QStringLiteral("Connect to TrueNAS first."));

    const struct {
        QString address;
        QString key;
    } cases[] = { { QString(), QStringLiteral("key") }, { QStringLiteral("   "), QStringLiteral("key") }, { server.address(), QString() } };
    for (const auto& c : cases) {
        pane->addressField()->setText(c.address);
        pane->apiKeyField()->setText(c.key);
        pane->connectToServer();
        EXPECT_EQ(textOf(pane->statusLabel()), QStringLiteral("Enter a TrueNAS address and API key."));
    }
    EXPECT_EQ(server.connections, 0);
    EXPECT_TRUE(dialogs.presented.isEmpty());
}

TEST_F(TrueNASBrowserPaneTest, RefusedKeySavesNothing)
{
    const auto pane = makePane();
    forgetSecretLater(QString::fromLatin1(Keychain::trueNASService), server.address());
    pane->addressField()->setText(server.address());
    pane->apiKeyField()->setText(QStringLiteral("1-wrongkey"));
    pane->connectToServer();
    ASSERT_TRUE(testing::eventually([&] { return textOf(pane->statusLabel()) != QStringLiteral("Connecting…"); }, 30'000));
    EXPECT_FALSE(pane->isConnected());
    EXPECT_TRUE(pane->items().isEmpty());
    EXPECT_FALSE(defaults().data(TrueNASBrowserPane::connectionKey).has_value());
    EXPECT_FALSE(Keychain::read(QString::fromLatin1(Keychain::trueNASService), server.address()).has_value());
    EXPECT_TRUE(dialogs.presented.isEmpty());
}

TEST_F(TrueNASBrowserPaneTest, OpeningFoldersFilesAndMissingPaths)
{
    const auto pane = makePane();
    connectTo(*pane, QString());
    ASSERT_TRUE(testing::eventually([&] { return pane->items().size() == 6; }, 30'000));

    // A file does nothing.
    pane->table()->setCurrentCell(3, 0);
    pane->openSelected();
    EXPECT_EQ(textOf(pane->statusLabel()), QStringLiteral("6 items"));

    pane->table()->setCurrentCell(1, 0);
    pane->openSelected();
    ASSERT_TRUE(testing::eventually([&] { return textOf(pane->statusLabel()) == QStringLiteral("1 items"); }, 30'000));
    EXPECT_EQ(pane->pathField()->text(), QStringLiteral("/mnt/pool9"));

    // A failed listing empties the table, says why, and keeps what the user typed.
    pane->pathField()->setText(QStringLiteral("/mnt/nowhere"));
    pane->goToPath();
    ASSERT_TRUE(testing::eventually([&] { return textOf(pane->statusLabel()) != QStringLiteral("Loading…"); }, 30'000));
    EXPECT_TRUE(textOf(pane->statusLabel()).contains(QStringLiteral("Method call error"))) << textOf(pane->statusLabel()).toStdString();
    EXPECT_TRUE(pane->items().isEmpty());
    EXPECT_EQ(pane->table()->rowCount(), 0);
    EXPECT_EQ(pane->pathField()->text(), QStringLiteral("/mnt/nowhere"));
}

// Of two listings in flight, only the last asked for is shown, whichever lands last.
TEST_F(TrueNASBrowserPaneTest, ListingOvertakenByALaterOneIsDropped)
{
    const auto pane = makePane();
    connectTo(*pane);
    ASSERT_TRUE(testing::eventually([&] { return pane->items().size() == 6; }, 30'000));

    QList<QJsonObject> held;
    server.onRequest = [&](const QJsonObject& request) {
        if (request.value("params").toArray().at(0) == "/mnt/pool9")
            held.append(request);
        else
            server.answer(request);
    };
    pane->pathField()->setText(QStringLiteral("/mnt/pool9"));
    pane->goToPath();
    ASSERT_TRUE(testing::eventually([&] { return held.size() == 1; }, 30'000));
    pane->pathField()->setText(QStringLiteral("/mnt"));
    pane->goToPath();
    ASSERT_TRUE(testing::eventually([&] { return textOf(pane->statusLabel()) == QStringLiteral("6 items"); }, 30'000));
    server.answer(held.first());
    QTest::qWait(300);
    EXPECT_EQ(pane->items().size(), 6);
    EXPECT_EQ(pane->pathField()->text(), QStringLiteral("/mnt"));
}

} // namespace
} // namespace bramblet
