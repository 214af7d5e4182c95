#include "Bramblet/Workspace/ServerConnection.h"

#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Workspace/WorkspaceController.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "Pane/PaneTestSupport.h"
#include "Workspace/FakeDialogs.h"
#include "Workspace/WorkspaceTestSupport.h"

#include <QDir>
#include <QFile>
#include <QWidget>

#include <optional>

namespace bramblet {
namespace {

using testing::eventually;

TEST(ServerAddressTest, AcceptsTheShareSchemesInAnyCaseAndNothingElse)
{
    struct Case {
        const char* text;
        bool accepted;
    };
    const Case cases[] = {
        { "smb://server/share", true },     { "afp://server", true },
        { "ftp://server", true },           { "FTPS://server/dir", true },
        { "webdav://server/path", true },   { "WebDAVs://server/path", true },
        { "  smb://server/share ", true },  { "http://server", false },
        { "server/share", false },          { "", false },
        { "smb2://server", false },         { "file:///etc", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(serverAddress(QString::fromUtf8(c.text)).has_value(), c.accepted);
    }
}

TEST(ServerAddressTest, WebDavAddressesAreMountedUnderTheDesktopsSchemeNames)
{
    EXPECT_EQ(mountAddress(QUrl("WEBDAV://host/path")).toString(), "dav://host/path");
    EXPECT_EQ(mountAddress(QUrl("webdavs://host/path")).toString(), "davs://host/path");
    EXPECT_EQ(mountAddress(QUrl("SMB://host/share")).toString(), "smb://host/share");
    EXPECT_EQ(localPathOfInfo("display name: share on host\nlocal path: /run/user/1000/gvfs/smb-share:server=host,share=share\nuri: smb://host/share/\n"),
              "/run/user/1000/gvfs/smb-share:server=host,share=share");
    EXPECT_EQ(localPathOfInfo("display name: x\nuri: ftp://host/\n"), std::nullopt);
}

// A stand-in for gio: it records its arguments and answers "info" as told.
class GioServerConnectionTest : public ::testing::Test {
protected:
    QString script(const QString& infoAnswer, int infoStatus)
    {
        const QString path = m_folder.filePath("gio");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("#!/bin/sh\necho \"$@\" >> '%1'\nif [ \"$1\" = info ]; then printf '%2'; exit %3; fi\nexit 1\n")
                       .arg(log(), infoAnswer)
                       .arg(infoStatus)
                       .toUtf8());
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    QString log() const { return m_folder.filePath("calls"); }

    QStringList calls() const
    {
        QFile file(log());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    // Runs the connection and waits for its answer.
    std::optional<QString> connect(const QString& gio, const QUrl& address)
    {
        std::optional<std::optional<QString>> answer;
        QObject context;
        gioServerConnection(gio)(address, &context, [&answer](const std::optional<QString>& folder) { answer = folder; });
        EXPECT_TRUE(eventually([&answer] { return answer.has_value(); }));
        return answer.value_or(std::nullopt);
    }

private:
    QTemporaryDir m_folder;
};

TEST_F(GioServerConnectionTest, MountsThenTakesTheLocalPathOfTheMountEvenWhenMountedAlready)
{
    // The stand-in's mount fails, as gio's does for an address that is mounted already.
    const QString gio = script("local path: /run/user/1000/gvfs/dav:host=server\\n", 0);
    EXPECT_EQ(connect(gio, QUrl("webdav://server/path")), "/run/user/1000/gvfs/dav:host=server");
    EXPECT_EQ(calls(), QStringList({ "mount dav://server/path", "info dav://server/path" }));
}

TEST_F(GioServerConnectionTest, NoMountFolderAndAMissingGioAreFailures)
{
    EXPECT_EQ(connect(script("", 2), QUrl("smb://server/share")), std::nullopt);
    EXPECT_EQ(connect(script("uri: smb://server/share\\n", 0), QUrl("smb://server/share")), std::nullopt);
    EXPECT_EQ(connect("/nonexistent/gio", QUrl("smb://server/share")), std::nullopt);
}

// A workspace whose server connections go to a fake that answers as the test says.
class ConnectToServerTest : public testing::SandboxedDefaultsTest {
protected:
    void SetUp() override
    {
        workspace = std::make_unique<WorkspaceController>(m_folder.path(), m_folder.path(), true, defaults(), dialogs);
        workspace->setServerConnectionRunner(
            [this](const QUrl& address, QObject*, std::function<void(const std::optional<QString>&)> done) {
                addresses.append(address);
                done(mountFolder);
            });
    }

    // Opens the sheet and answers it with `button` and `text`.
    void connectWith(int button, const QString& text, QWidget* presenting = nullptr)
    {
        workspace->connectToServer(presenting);
        dialogs.answer(button, text);
    }

    QString folder() const { return m_folder.path(); }

    testing::FakeDialogs dialogs;
    std::unique_ptr<WorkspaceController> workspace;
    QList<QUrl> addresses;
    std::optional<QString> mountFolder;

private:
    QTemporaryDir m_folder;
};

TEST_F(ConnectToServerTest, AsksForAnAddressAndShowsTheMountedShareInTheActivePane)
{
    ASSERT_TRUE(QDir(folder()).mkdir("share"));
    mountFolder = folder() + "/share";
    workspace->activatePane(1);
    connectWith(0, "SMB://server/share");
    const auto& asked = dialogs.presented.first();
    EXPECT_EQ(asked.window, workspace->window());
    EXPECT_EQ(asked.request.message, "Connect to Server");
    EXPECT_TRUE(asked.request.informativeText.startsWith("Enter an address for an SMB, AFP, FTP, or WebDAV server. The desktop will mount it"));
    EXPECT_EQ(asked.request.text, "smb://");
    EXPECT_EQ(asked.request.accessoryName, "Server address");
    EXPECT_EQ(asked.request.accessoryToolTip, "e.g. smb://server/share, ftp://server, webdav://server/path");
    EXPECT_EQ(asked.request.buttons, QStringList({ "Connect", "Cancel" }));
    EXPECT_EQ(addresses, QList<QUrl> { QUrl("smb://server/share") });
    EXPECT_EQ(workspace->right()->activeTab().path, folder() + "/share");
    EXPECT_EQ(dialogs.presented.size(), 1);
}

TEST_F(ConnectToServerTest, RefusedSchemesAndRefusedMountsSayWhy)
{
    struct Case {
        const char* typed;
        bool reachesSystem;
        const char* message;
    };
    const Case cases[] = {
        { "http://server", false, "Enter an address starting with smb://, afp://, ftp://, or webdav(s)://" },
        { "server/share", false, "Enter an address starting with smb://, afp://, ftp://, or webdav(s)://" },
        { "ftps://server", true, "The system could not open this server address." },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        addresses.clear();
        connectWith(0, QString::fromUtf8(c.typed));
        EXPECT_EQ(addresses.size(), c.reachesSystem ? 1 : 0);
        EXPECT_EQ(dialogs.presented.last().request.informativeText, QString::fromUtf8(c.message));
    }
    EXPECT_EQ(workspace->left()->activeTab().path, folder());

    const auto shown = dialogs.presented.size();
    QWidget settings;
    connectWith(1, "smb://server", &settings);
    EXPECT_EQ(dialogs.presented.last().window, &settings);
    EXPECT_EQ(dialogs.presented.size(), shown + 1) << "Cancel does nothing";
}

} // namespace
} // namespace bramblet
