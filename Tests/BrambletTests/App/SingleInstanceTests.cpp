#include "Bramblet/App/SingleInstance.h"

#include "App/ProgramTestSupport.h"
#include "Bramblet/App/AppDelegate.h"
#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Workspace/WorkspaceController.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "BrambletCore/Models/FileFailure.h"
#include "Workspace/FakeDialogs.h"
#include "Bramblet/Workspace/WorkspaceDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QUrl>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace bramblet {
namespace {

class SingleInstanceTest : public testing::ProgramTest {
protected:
    QString folder(const QString& name) const
    {
        QDir(m_folders.path()).mkpath(name);
        return m_folders.filePath(name);
    }
    QString missing() const { return m_folders.filePath("missing"); }
    QString folders() const { return m_folders.path(); }

private:
    QTemporaryDir m_folders;
};

// A socket file as a crashed instance leaves it: bound once, nothing listens on it any more.
void leaveDeadSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(path));
}

TEST_F(SingleInstanceTest, AStartWhileTheInstanceRunsHandsItsFolderOverAndEnds)
{
    auto instance = SingleInstance::claim(instanceFolder());
    ASSERT_TRUE(instance);
    WorkspaceDefaults defaults(runtime() + "/settings.ini");
    testing::FakeDialogs dialogs;
    AppDelegate delegate(defaults, dialogs);
    delegate.applicationDidFinishLaunching({ "bramblet", "--left", folder("a"), "--right", folder("b") });
    instance->setReceiver([&delegate](const QStringList& paths) { delegate.openHandedOverFolders(paths); });
    auto* workspace = delegate.workspace();

    struct Case {
        const char* name;
        QStringList arguments;
        QString left;        // where the left pane is afterwards
        int active;          // the active side afterwards
        QString diagnostics; // what the start says on standard error
    };
    const Case cases[] = {
        { "a folder relative to where it starts", { "c" }, folder("c"), 0, {} },
        { "the left folder", { "--left", folder("d") }, folder("d"), 0, {} },
        { "a file URL from the desktop", { QUrl::fromLocalFile(folder("e f")).toString() }, folder("e f"), 0, {} },
        { "a folder that is not there", { missing() }, folder("e f"), 1,
          QString("bramblet: \u201c%1\u201d is not an existing folder; it is not opened.\n").arg(missing()) },
        { "no folder", {}, folder("e f"), 1, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        workspace->activatePane(1);
        workspace->window()->showMinimized();
        const auto program = start(c.arguments, folders());
        ASSERT_TRUE(ended(*program));
        EXPECT_EQ(program->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program->exitCode(), 0);
        EXPECT_EQ(QString::fromLocal8Bit(program->readAllStandardError()), c.diagnostics);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !(workspace->window()->windowState() & Qt::WindowMinimized); }))
            << "the window is brought back";
        EXPECT_TRUE(workspace->window()->isVisible());
        EXPECT_EQ(workspace->left()->activeTab().path, c.left);
        EXPECT_EQ(workspace->activeIndex(), c.active);
    }
    EXPECT_TRUE(QDir(configuration()).isEmpty()) << "the starts that handed over wrote no settings";
    workspace->window()->hide();
}

TEST_F(SingleInstanceTest, LeftoversOfAnEndedInstanceDoNotStopAStart)
{
    const QString socket = instanceFolder() + "/instance.socket";
    struct Case {
        const char* name;
        std::function<void()> leave;
    };
    QLocalServer impostor;
    const Case cases[] = {
        { "the socket of a crashed instance", [&] { leaveDeadSocket(socket); } },
        { "a plain file by the socket's name", [&] { QFile(socket).open(QIODevice::WriteOnly); } },
        { "a listener that holds no lock", [&] { ASSERT_TRUE(impostor.listen(socket)); } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(QDir().mkpath(instanceFolder()));
        QFile(instanceFolder() + "/instance.lock").open(QIODevice::WriteOnly); // left, but no one holds it
        c.leave();
        auto instance = SingleInstance::claim(instanceFolder());
        ASSERT_TRUE(instance);
        QList<QStringList> received;
        instance->setReceiver([&received](const QStringList& paths) { received.append(paths); });

        const auto program = start({ folder("x") });
        ASSERT_TRUE(ended(*program));
        EXPECT_EQ(program->exitCode(), 0) << program->readAllStandardError().toStdString();
        EXPECT_EQ(received, QList<QStringList> { { folder("x") } });
        EXPECT_FALSE(impostor.hasPendingConnections()) << "the leftover listener is never talked to";
    }
}

TEST_F(SingleInstanceTest, OneProcessHoldsTheInstanceAtATime)
{
    auto first = SingleInstance::claim(instanceFolder());
    ASSERT_TRUE(first);
    EXPECT_FALSE(SingleInstance::claim(instanceFolder())) << "held by the first";
    first.reset();
    EXPECT_TRUE(SingleInstance::claim(instanceFolder())) << "free once the first is gone";

    // A folder someone else could have prepared is not used.
    ASSERT_TRUE(QDir().mkpath(runtime() + "/elsewhere"));
    ASSERT_EQ(::symlink("elsewhere", QFile::encodeName(runtime() + "/link").constData()), 0);
    EXPECT_THROW(SingleInstance::claim(runtime() + "/link"), FileFailure);
    EXPECT_TRUE(QDir(runtime() + "/elsewhere").isEmpty());
}

TEST_F(SingleInstanceTest, TwoStartsAtOnceMakeOneWindow)
{
    const auto one = start({ "--left", folder("one") });
    const auto two = start({ "--left", folder("two") });
    ASSERT_TRUE(QTest::qWaitFor([&] { return one->state() == QProcess::NotRunning || two->state() == QProcess::NotRunning; },
                                60000));
    QProcess& handedOver = one->state() == QProcess::NotRunning ? *one : *two;
    QProcess& running = &handedOver == one.get() ? *two : *one;
    EXPECT_EQ(handedOver.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(handedOver.exitCode(), 0) << handedOver.readAllStandardError().toStdString();
    EXPECT_FALSE(QTest::qWaitFor([&] { return running.state() == QProcess::NotRunning; }, 2000))
        << "the instance keeps its window";
    running.kill();
    ASSERT_TRUE(ended(running));
}

} // namespace
} // namespace bramblet
