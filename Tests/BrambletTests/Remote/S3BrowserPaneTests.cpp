// The S3 pane against the S3-compatible server of scripts/with-test-services.sh, its secrets in
// the Secret Service of the test's own session bus.

#include "Bramblet/Remote/S3BrowserPane.h"

#include "Bramblet/Theme/ColorView.h"
#include "BrambletCore/Remote/S3Service.h"

#include "RemotePaneTestSupport.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QProgressBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace bramblet {
namespace {

using testing::RemotePaneTest;

class S3BrowserPaneTest : public RemotePaneTest {
protected:
    void SetUp() override
    {
        m_server = testing::s3TestServer();
        if (!m_server || !testing::hasSessionBus()) {
            BRAMBLET_REQUIRE_SERVICE(false, "The S3 test server or the session bus");
        }
    }

    std::unique_ptr<S3BrowserPane> makePane()
    {
        auto pane = std::make_unique<S3BrowserPane>(defaults(), dialogs, m_server->tls);
        pane->setAnchorWindow(&window);
        return pane;
    }

    // Adds a connection to the test server through the two sheets, as the user does. Each test
    // works under a folder of its own in the shared bucket.
    void addThroughSheets(S3BrowserPane& pane, const QString& name, const QString& secret = QStringLiteral("S3RVER"))
    {
        pane.manageConnections();
        dialogs.answer(0);
        ASSERT_EQ(dialogs.presented.last().request.message, QStringLiteral("Add S3 Connection"));
        DialogAnswer answer;
        answer.button = 0;
        answer.texts = { name, m_server->endpoint, QStringLiteral("us-east-1"), m_server->bucket, QStringLiteral("S3RVER"), secret };
        dialogs.answer(answer);
        if (!pane.connections().isEmpty())
            forgetSecretLater(QString::fromLatin1(Keychain::s3Service), pane.connections().last().idString());
    }

    // Waits until the listing of the current folder has landed.
    static void awaitListing(const S3BrowserPane& pane)
    {
        ASSERT_TRUE(testing::eventually([&] { return textOf(pane.statusLabel()).endsWith(QStringLiteral(" items")); }, 30'000));
    }

    static int rowOf(const S3BrowserPane& pane, const QString& name)
    {
        for (int row = 0; row < pane.objects().size(); ++row) {
            if (pane.objects()[row].name() == name)
                return row;
        }
        return -1;
    }

    static void selectRows(S3BrowserPane& pane, const QList<int>& rows)
    {
        pane.table()->clearSelection();
        for (const int row : rows)
            pane.table()->selectionModel()->select(pane.table()->model()->index(row, 0),
                                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    QList<QString> alertTexts() const
    {
        QList<QString> texts;
        for (const auto& presented : dialogs.presented) {
            if (presented.request.message == S3BrowserPane::errorTitle)
                texts.append(presented.request.informativeText);
        }
        return texts;
    }

    // A direct client of the test bucket, for setting up and checking objects.
    std::unique_ptr<S3Service> directClient() const
    {
        return std::make_unique<S3Service>(S3Connection { .id = QUuid::createUuid(),
                                                          .name = QStringLiteral("direct"),
                                                          .endpoint = m_server->endpoint,
                                                          .region = QStringLiteral("us-east-1"),
                                                          .bucket = m_server->bucket,
                                                          .accessKeyID = QStringLiteral("S3RVER") },
                                           QStringLiteral("S3RVER"), m_server->tls);
    }

    // A folder name no other test run uses.
    static QString uniqueFolder() { return QStringLiteral("pane-") + QUuid::createUuid().toString(QUuid::WithoutBraces); }

    std::optional<testing::S3TestServer> m_server;
};

QByteArray sha256Of(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    hash.addData(&file);
    return hash.result();
}

TEST_F(S3BrowserPaneTest, WithoutConnectionsOnlyTheConnectionsSheetAnswers)
{
    const auto pane = makePane();
    EXPECT_EQ(textOf(pane->statusLabel()), QStringLiteral("Add a connection to get started."));
    pane->goUp();
    pane->refresh();
    pane->newFolder();
    pane->uploadFiles();
    pane->downloadSelected();
    pane->deleteSelected();
    EXPECT_TRUE(dialogs.presented.isEmpty());
    EXPECT_TRUE(dialogs.fileChoosers.isEmpty());
    EXPECT_TRUE(dialogs.folderChoosers.isEmpty());

    pane->manageConnections();
    ASSERT_EQ(dialogs.presented.size(), 1);
    const DialogRequest& sheet = dialogs.presented.last().request;
    EXPECT_EQ(sheet.message, QStringLiteral("S3 Connections"));
    EXPECT_EQ(sheet.informativeText, QStringLiteral("No saved connections yet."));
    EXPECT_EQ(sheet.buttons, QStringList({ QStringLiteral("Add New…"), QStringLiteral("Close") }));
    EXPECT_EQ(sheet.accessory, DialogRequest::Accessory::none);
    dialogs.answer(1);
    EXPECT_EQ(dialogs.presented.size(), 1);
    EXPECT_TRUE(pane->connections().isEmpty());
}

TEST_F(S3BrowserPaneTest, AddedConnectionIsSavedWithItsSecretInTheKeychainOnly)
{
    // The server takes any secret; this one is told apart from every other saved text.
    const QString secret = QStringLiteral("pane-secret-7f3a");
    {
        const auto pane = makePane();
        addThroughSheets(*pane, QStringLiteral("Test bucket"), secret);
        const DialogRequest& form = dialogs.presented.last().request;
        ASSERT_EQ(form.fields.size(), 6);
        for (int index = 0; index < 6; ++index)
            EXPECT_EQ(form.fields[index].secure, index == 5) << index;
        EXPECT_EQ(form.fields[5].placeholder, QStringLiteral("Secret Access Key"));

        ASSERT_EQ(pane->connections().size(), 1);
        const S3Connection added = pane->connections().first();
        EXPECT_EQ(added.name, QStringLiteral("Test bucket"));
        EXPECT_EQ(added.endpoint, m_server->endpoint);
        EXPECT_EQ(Keychain::read(QString::fromLatin1(Keychain::s3Service), added.idString()), secret);
        EXPECT_TRUE(pane->hasService());
        awaitListing(*pane);
        EXPECT_EQ(textOf(pane->pathLabel()), u'/' + m_server->bucket + u'/');
        EXPECT_EQ(pane->connectionMenu()->currentText(), QStringLiteral("Test bucket"));
    }
    const QString stored = settingsText();
    EXPECT_TRUE(stored.contains(QStringLiteral("Test bucket"))) << stored.toStdString();
    EXPECT_FALSE(stored.contains(secret)) << stored.toStdString();

    // A new pane reads the saved list and opens the first connection at once.
    const auto reopened = makePane();
    ASSERT_EQ(reopened->connections().size(), 1);
    EXPECT_TRUE(reopened->hasService());
    awaitListing(*reopened);
}

TEST_F(S3BrowserPaneTest, AnEmptyFieldStoresNothingAndSpacesCountAsFilled)
{
    const auto pane = makePane();
    const QStringList full = { QStringLiteral("name"), m_server->endpoint, QStringLiteral("us-east-1"), m_server->bucket,
                               QStringLiteral("S3RVER"), QStringLiteral("S3RVER") };
    for (int empty = 0; empty < 6; ++empty) {
        SCOPED_TRACE(empty);
        pane->addConnection();
        DialogAnswer answer;
        answer.button = 0;
        answer.texts = full;
        answer.texts[empty].clear();
        dialogs.answer(answer);
        EXPECT_EQ(dialogs.presented.last().request.message, S3BrowserPane::errorTitle);
        EXPECT_EQ(dialogs.presented.last().request.informativeText, QStringLiteral("Fill in every field."));
        EXPECT_TRUE(pane->connections().isEmpty());
    }
    EXPECT_FALSE(defaults().data(S3BrowserPane::connectionsKey).has_value());

    pane->addConnection();
    DialogAnswer cancelled;
    cancelled.button = 1;
    cancelled.texts = full;
    dialogs.answer(cancelled);
    EXPECT_TRUE(pane->connections().isEmpty());

    pane->addConnection();
    DialogAnswer spaced;
    spaced.button = 0;
    spaced.texts = full;
    spaced.texts[0] = QStringLiteral("   ");
    dialogs.answer(spaced);
    ASSERT_EQ(pane->connections().size(), 1);
    forgetSecretLater(QString::fromLatin1(Keychain::s3Service), pane->connections().first().idString());
    EXPECT_EQ(pane->connections().first().name, QStringLiteral("   "));
}

// An endpoint the client could not use is refused at the sheet, saying what to change; an
// "https://" before the host and a "/" after it are dropped.
TEST_F(S3BrowserPaneTest, TheSheetRefusesEndpointsTheClientCannotUse)
{
    const auto pane = makePane();
    const struct {
        QString typed;
        QString problem; // empty: saved as `saved`
        QString saved;
    } cases[] = {
        { QStringLiteral("http://127.0.0.1:9000"), QStringLiteral("S3 connections use HTTPS only. Enter the endpoint without \"http://\"."), {} },
        { QStringLiteral("ftp://host"), QStringLiteral("S3 connections use HTTPS only. Enter the endpoint without \"ftp://\"."), {} },
        { QStringLiteral("https://http://host"), QStringLiteral("S3 connections use HTTPS only. Enter the endpoint without \"http://\"."), {} },
        { QStringLiteral("host/bucket"), QStringLiteral("Enter the endpoint as a host name with an optional port, without a path. "
                                                        "The bucket name goes in its own field."), {} },
        { QStringLiteral("https://host:9000/bucket/"), QStringLiteral("Enter the endpoint as a host name with an optional port, without a path. "
                                                                      "The bucket name goes in its own field."), {} },
        { QStringLiteral("host?x=1"), QStringLiteral("Enter the endpoint as a host name with an optional port, without a path. "
                                                     "The bucket name goes in its own field."), {} },
        { QStringLiteral("my host"), QStringLiteral("The endpoint cannot contain spaces."), {} },
        { QStringLiteral(" host"), QStringLiteral("The endpoint cannot contain spaces."), {} },
        { QStringLiteral("user@host"), QStringLiteral("\"user@host\" is not a host name with an optional port."), {} },
        { QStringLiteral("host:port"), QStringLiteral("\"host:port\" is not a host name with an optional port."), {} },
        { QStringLiteral("HTTPS://") + m_server->endpoint + u'/', {}, m_server->endpoint },
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.typed.toStdString());
        pane->addConnection();
        DialogAnswer answer;
        answer.button = 0;
        answer.texts = { QStringLiteral("name"), entry.typed, QStringLiteral("us-east-1"), m_server->bucket, QStringLiteral("S3RVER"),
                         QStringLiteral("S3RVER") };
        dialogs.answer(answer);
        if (entry.problem.isEmpty()) {
            ASSERT_EQ(pane->connections().size(), 1);
            forgetSecretLater(QString::fromLatin1(Keychain::s3Service), pane->connections().first().idString());
            EXPECT_EQ(pane->connections().first().endpoint, entry.saved);
            awaitListing(*pane);
        } else {
            EXPECT_EQ(dialogs.presented.last().request.message, S3BrowserPane::errorTitle);
            EXPECT_EQ(dialogs.presented.last().request.informativeText.toStdString(), entry.problem.toStdString());
            EXPECT_TRUE(pane->connections().isEmpty());
        }
    }
}

TEST_F(S3BrowserPaneTest, MissingSecretLeavesThePaneWithoutClientAndSaysSo)
{
    const S3Connection saved { .id = QUuid::createUuid(),
                               .name = QStringLiteral("Orphan"),
                               .endpoint = m_server->endpoint,
                               .region = QStringLiteral("us-east-1"),
                               .bucket = m_server->bucket,
                               .accessKeyID = QStringLiteral("S3RVER") };
    defaults().setData(S3BrowserPane::connectionsKey, encodeList(QList<S3Connection> { saved }));
    const auto pane = makePane();
    EXPECT_EQ(pane->activeConnection(), saved);
    EXPECT_FALSE(pane->hasService());
    EXPECT_EQ(textOf(pane->statusLabel()), QStringLiteral("No secret key saved for Orphan. Edit it in Connections…"));
    pane->newFolder();
    EXPECT_TRUE(dialogs.presented.isEmpty());
}

TEST_F(S3BrowserPaneTest, UnreadableSavedListStartsEmpty)
{
    defaults().setData(S3BrowserPane::connectionsKey, QByteArrayLiteral("[{\"id\":\"not a uuid\"}]"));
    const auto pane = makePane();
    EXPECT_TRUE(pane->connections().isEmpty());
    EXPECT_EQ(textOf(pane->statusLabel()), QStringLiteral("Add a connection to get started."));
}

// The user's whole round: a folder, an upload into it, a download back, a deletion.
TEST_F(S3BrowserPaneTest, BrowseUploadDownloadAndDeleteARealBucket)
{
    const auto pane = makePane();
    addThroughSheets(*pane, QStringLiteral("Round trip"));
    awaitListing(*pane);

    const QString folder = uniqueFolder();
    pane->newFolder();
    EXPECT_EQ(dialogs.presented.last().request.informativeText, QStringLiteral("Create in /") + m_server->bucket + u'/');
    dialogs.answer(0, folder);
    ASSERT_TRUE(testing::eventually([&] { return rowOf(*pane, folder) >= 0; }, 30'000));
    awaitListing(*pane);
    const int folderRow = rowOf(*pane, folder);
    EXPECT_EQ(pane->table()->item(folderRow, 1)->text(), QStringLiteral("—"));

    pane->table()->setCurrentCell(folderRow, 0);
    pane->openSelected();
    EXPECT_EQ(pane->prefixStack(), QStringList({ QString(), folder + u'/' }));
    awaitListing(*pane);
    EXPECT_EQ(textOf(pane->pathLabel()), u'/' + m_server->bucket + u'/' + folder + u'/');
    EXPECT_EQ(textOf(pane->statusLabel()), QStringLiteral("0 items"));

    // Big enough to take several progress steps.
    QTemporaryDir local;
    const QString source = local.filePath(QStringLiteral("payload 1.bin"));
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray block(1 << 20, Qt::Uninitialized);
        for (int index = 0; index < 24; ++index) {
            for (qsizetype at = 0; at < block.size(); ++at)
                block[at] = char((at * 7 + index) & 0xff);
            file.write(block);
        }
    }
    pane->uploadFiles();
    ASSERT_EQ(dialogs.fileChoosers.size(), 1);
    dialogs.chooseFilesAnswer({ source });
    EXPECT_TRUE(pane->isTransferring());
    EXPECT_TRUE(pane->progressBar()->isVisibleTo(pane->contentView()));
    EXPECT_EQ(textOf(pane->progressLabel()), QStringLiteral("Uploading payload 1.bin"));
    ASSERT_TRUE(testing::eventually([&] { return !pane->isTransferring(); }, 60'000));
    EXPECT_FALSE(pane->progressBar()->isVisibleTo(pane->contentView()));
    awaitListing(*pane);
    EXPECT_TRUE(alertTexts().isEmpty()) << alertTexts().join(u'\n').toStdString();
    const int fileRow = rowOf(*pane, QStringLiteral("payload 1.bin"));
    ASSERT_GE(fileRow, 0);
    EXPECT_EQ(pane->objects()[fileRow].key, folder + QStringLiteral("/payload 1.bin"));
    EXPECT_EQ(pane->objects()[fileRow].size, 24 << 20);

    const QString target = local.filePath(QStringLiteral("back"));
    ASSERT_TRUE(QDir().mkpath(target));
    selectRows(*pane, { fileRow });
    pane->downloadSelected();
    ASSERT_EQ(dialogs.folderChoosers.size(), 1);
    dialogs.chooseFolderAnswer(target);
    ASSERT_TRUE(testing::eventually([&] { return textOf(pane->statusLabel()).startsWith(QStringLiteral("Downloaded")); }, 60'000));
    EXPECT_EQ(textOf(pane->statusLabel()), QStringLiteral("Downloaded 1 item to ") + target);
    EXPECT_EQ(sha256Of(QDir(target).filePath(QStringLiteral("payload 1.bin"))), sha256Of(source));

    selectRows(*pane, { fileRow });
    pane->deleteSelected();
    EXPECT_EQ(dialogs.presented.last().request.message, QStringLiteral("Delete 1 item from S3?"));
    dialogs.answer(0);
    ASSERT_TRUE(testing::eventually([&] { return pane->objects().isEmpty() && textOf(pane->statusLabel()) == QStringLiteral("0 items"); }, 30'000));

    pane->goUp();
    EXPECT_EQ(pane->prefixStack(), QStringList({ QString() }));
    awaitListing(*pane);
    pane->goUp();
    EXPECT_EQ(pane->prefixStack(), QStringList({ QString() }));
    EXPECT_TRUE(alertTexts().isEmpty()) << alertTexts().join(u'\n').toStdString();
}

TEST_F(S3BrowserPaneTest, DownloadStatusCountsOnlyTheFilesThatArrived)
{
    const QString folder = uniqueFolder();
    QTemporaryDir local;
    const QString source = local.filePath(QStringLiteral("source.txt"));
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("content");
    }
    const auto client = directClient();
    for (const QString& name : { QStringLiteral("a.txt"), QStringLiteral("b.txt") })
        client->upload(source.toStdString(), folder + u'/' + name).waitForFinished();

    const auto pane = makePane();
    addThroughSheets(*pane, QStringLiteral("Counting"));
    awaitListing(*pane);
    pane->table()->setCurrentCell(rowOf(*pane, folder), 0);
    pane->openSelected();
    awaitListing(*pane);
    ASSERT_EQ(pane->objects().size(), 2);

    // Selecting only folders, or nothing, is refused with the pane's own messages.
    selectRows(*pane, {});
    pane->downloadSelected();
    pane->deleteSelected();
    EXPECT_EQ(alertTexts(), QList<QString>({ QStringLiteral("Select one or more files to download."),
                                             QStringLiteral("Select one or more files to delete. Folders can't be deleted here yet.") }));

    // b.txt disappears behind the pane's back.
    client->deleteObject(folder + QStringLiteral("/b.txt")).waitForFinished();
    selectRows(*pane, { 0, 1 });
    pane->downloadSelected();
    dialogs.chooseFolderAnswer(local.path());
    ASSERT_TRUE(testing::eventually([&] { return textOf(pane->statusLabel()).startsWith(QStringLiteral("Downloaded")); }, 30'000));
    EXPECT_EQ(textOf(pane->statusLabel()), QStringLiteral("Downloaded 1 of 2 items to ") + local.path());
    const auto alerts = alertTexts();
    ASSERT_EQ(alerts.size(), 3);
    EXPECT_TRUE(alerts.last().startsWith(QStringLiteral("Could not download b.txt: S3 request failed (404)"))) << alerts.last().toStdString();
    EXPECT_TRUE(QFile::exists(local.filePath(QStringLiteral("a.txt"))));
    EXPECT_FALSE(QFile::exists(local.filePath(QStringLiteral("b.txt"))));
}

TEST_F(S3BrowserPaneTest, RemovingConnectionsDeletesOnlyTheirOwnSecrets)
{
    const auto pane = makePane();
    addThroughSheets(*pane, QStringLiteral("First"));
    addThroughSheets(*pane, QStringLiteral("Second"));
    ASSERT_EQ(pane->connections().size(), 2);
    awaitListing(*pane);
    const S3Connection first = pane->connections()[0];
    const S3Connection second = pane->connections()[1];
    const QString service = QString::fromLatin1(Keychain::s3Service);

    pane->manageConnections();
    const DialogRequest& sheet = dialogs.presented.last().request;
    EXPECT_EQ(sheet.items, QStringList({ QStringLiteral("First"), QStringLiteral("Second") }));
    EXPECT_EQ(sheet.buttons, QStringList({ QStringLiteral("Add New…"), QStringLiteral("Remove"), QStringLiteral("Close") }));
    dialogs.answer(1, {}, 0);
    EXPECT_EQ(pane->connections(), QList<S3Connection>({ second }));
    EXPECT_FALSE(Keychain::read(service, first.idString()).has_value());
    EXPECT_TRUE(Keychain::read(service, second.idString()).has_value());
    EXPECT_EQ(pane->activeConnection(), second);
    awaitListing(*pane);

    pane->manageConnections();
    dialogs.answer(1, {}, 0);
    EXPECT_TRUE(pane->connections().isEmpty());
    EXPECT_FALSE(Keychain::read(service, second.idString()).has_value());
    EXPECT_FALSE(pane->hasService());
    EXPECT_FALSE(pane->activeConnection().has_value());
    EXPECT_TRUE(pane->objects().isEmpty());
    EXPECT_EQ(pane->table()->rowCount(), 0);
    EXPECT_EQ(decodeList<S3Connection>(*defaults().data(S3BrowserPane::connectionsKey)), QList<S3Connection>());
}

} // namespace
} // namespace bramblet
