#include "Bramblet/Workspace/WorkspaceController.h"

#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Workspace/EmbeddedTerminalView.h"
#include "Bramblet/Workspace/TerminalPaneController.h"
#include "Bramblet/Workspace/TerminalSession.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "Workspace/FakeDialogs.h"
#include "Workspace/TerminalTestSupport.h"
#include "Workspace/WorkspaceTestSupport.h"

#include <QAbstractButton>
#include <QFile>
#include <QTest>

namespace bramblet {
namespace {

using testing::EnvironmentOverride;

constexpr int timeoutMs = 60000;

// A workspace on a folder with one file, shown, with every session running /bin/sh.
class WorkspaceTerminalTest : public testing::SandboxedDefaultsTest {
protected:
    void SetUp() override
    {
        QFile file(m_folder.filePath("a.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        workspace = std::make_unique<WorkspaceController>(m_folder.path(), m_folder.path(), true, defaults(), dialogs);
        workspace->window()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(workspace->window()));
        ASSERT_TRUE(QTest::qWaitFor([this] { return workspace->left()->visible().size() == 1; }, timeoutMs));
    }

    void TearDown() override
    {
        for (auto* side : { workspace->leftContent(), workspace->rightContent() }) {
            for (const auto& session : side->sessions())
                session->stop();
        }
        workspace->window()->hide();
    }

    std::filesystem::path folder() const { return m_folder.path().toStdString(); }

    EnvironmentOverride shell { "SHELL", "/bin/sh" };
    testing::FakeDialogs dialogs;
    std::unique_ptr<WorkspaceController> workspace;

private:
    QTemporaryDir m_folder;
};

TEST_F(WorkspaceTerminalTest, QuittingAsksOnlyWhileAShellRunsAndStopsThemAll)
{
    EXPECT_TRUE(workspace->confirmTerminalExit());
    EXPECT_TRUE(dialogs.presented.isEmpty()) << "no terminal, no question";

    workspace->leftContent()->open(folder());
    workspace->rightContent()->open(folder());
    TerminalSession* left = workspace->leftContent()->current();
    TerminalSession* right = workspace->rightContent()->current();
    dialogs.runAnswer.button = 0;
    EXPECT_FALSE(workspace->confirmTerminalExit());
    ASSERT_EQ(dialogs.presented.size(), 1);
    const DialogRequest& asked = dialogs.presented[0].request;
    EXPECT_EQ(asked.message, "Close Bramblet and its terminals?");
    EXPECT_EQ(asked.informativeText, "Running terminal commands will be stopped.");
    EXPECT_EQ(asked.buttons, QStringList({ "Cancel", "Close Terminals" }));
    EXPECT_TRUE(left->running() && right->running()) << "Cancel stops nothing";

    dialogs.runAnswer.button = 1;
    EXPECT_TRUE(workspace->confirmTerminalExit());
    EXPECT_FALSE(left->running());
    EXPECT_FALSE(right->running());
    EXPECT_TRUE(workspace->confirmTerminalExit()) << "nothing runs any more";
    EXPECT_EQ(dialogs.presented.size(), 2);
}

TEST_F(WorkspaceTerminalTest, AFocusedTerminalDisarmsTheSelectionsFileCommands)
{
    workspace->left()->selectWhere([](const FileItem&) { return true; });
    auto* trash = workspace->toolbarButton("trashSelection");
    ASSERT_TRUE(QTest::qWaitFor([trash] { return trash->isEnabled(); }, timeoutMs));

    workspace->leftContent()->open(folder());
    ASSERT_TRUE(QTest::qWaitFor([&] { return workspace->focusedTerminal() != nullptr; }, timeoutMs));
    EXPECT_EQ(workspace->focusedTerminal(), workspace->leftContent()->current()->terminal());
    EXPECT_TRUE(QTest::qWaitFor([trash] { return !trash->isEnabled(); }, timeoutMs));
    EXPECT_FALSE(workspace->toolbarButton("copyToOther")->isEnabled());
    workspace->trashSelection();
    EXPECT_TRUE(dialogs.presented.isEmpty()) << "Delete in a terminal trashes nothing";

    workspace->leftContent()->showFiles();
    workspace->leftContent()->focus();
    EXPECT_TRUE(QTest::qWaitFor([trash] { return trash->isEnabled(); }, timeoutMs));
    workspace->trashSelection();
    EXPECT_EQ(dialogs.presented.size(), 1);
}

} // namespace
} // namespace bramblet
