#include "Bramblet/Workspace/TerminalPaneController.h"

#include "Bramblet/Inspector/ThemedLabel.h"
#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Workspace/EmbeddedTerminalView.h"
#include "Bramblet/Workspace/TerminalSession.h"
#include "Workspace/FakeDialogs.h"
#include "Workspace/TerminalTestSupport.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

namespace bramblet {
namespace {

using testing::EnvironmentOverride;
using testing::sendText;

constexpr int timeoutMs = 20000;

// One side in a window of its own, its file pane on a temporary folder with three subfolders, and
// every session running /bin/sh.
class TerminalPaneControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : { "a", "src", "c" })
            ASSERT_TRUE(QDir(m_folder.path()).mkpath(name));
        files = new PaneController(m_folder.path(), PaneMode::list);
        side = new TerminalPaneController(files);
        side->setDialogs(&dialogs);
        QVBoxLayout* layout = new QVBoxLayout(&window);
        layout->addWidget(side);
        window.resize(900, 700);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void TearDown() override
    {
        for (const auto& session : side->sessions())
            session->stop();
    }

    QString root() const { return m_folder.path(); }
    std::filesystem::path folder(const char* name) const { return m_folder.filePath(name).toStdString(); }

    QStringList pickerTitles() const
    {
        QStringList titles;
        for (int index = 0; index < side->picker()->count(); ++index)
            titles.append(side->picker()->itemText(index));
        return titles;
    }

    EnvironmentOverride shell { "SHELL", "/bin/sh" };
    testing::FakeDialogs dialogs;
    QWidget window;
    PaneController* files = nullptr;
    TerminalPaneController* side = nullptr;

private:
    QTemporaryDir m_folder;
};

TEST_F(TerminalPaneControllerTest, TheTerminalModeOpensOneSessionAtTheActiveTabAndLaterShowsIt)
{
    int activations = 0;
    side->activated = [&] { ++activations; };
    side->modeButton(TerminalPaneController::terminalMode)->click();
    ASSERT_EQ(side->sessions().size(), 1u);
    EXPECT_EQ(side->current()->directory(), std::filesystem::path(root().toStdString()));
    EXPECT_TRUE(side->terminalRegion()->isVisible());
    EXPECT_FALSE(files->isVisible());
    EXPECT_EQ(side->status()->fullText(), "SHELL ACTIVE");
    EXPECT_EQ(side->path()->fullText(), "Started in " + root());
    EXPECT_GE(activations, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return side->focusedTerminal() == side->current()->terminal(); }, timeoutMs));

    side->modeButton(TerminalPaneController::filesMode)->click();
    EXPECT_TRUE(files->isVisible());
    EXPECT_FALSE(side->terminalRegion()->isVisible());
    EXPECT_FALSE(side->status()->isVisible());
    EXPECT_EQ(side->focusedTerminal(), nullptr) << "a hidden terminal has no say";

    side->modeButton(TerminalPaneController::terminalMode)->click();
    EXPECT_EQ(side->sessions().size(), 1u) << "the existing session is shown again";
    EXPECT_TRUE(side->current()->terminal()->isVisible());
}

TEST_F(TerminalPaneControllerTest, PickerTitlesCountSessionsAndMarkEndedOnes)
{
    for (const char* name : { "a", "src", "c" })
        side->open(folder(name));
    side->open(folder("missing"));
    ASSERT_EQ(side->sessions().size(), 3u) << "a folder that does not exist opens nothing";
    sendText(*side->sessions()[1]->terminal(), "exit\r");
    ASSERT_TRUE(QTest::qWaitFor([&] { return side->sessions()[1]->exited(); }, timeoutMs));
    EXPECT_EQ(pickerTitles(), QStringList({ "1 \u00b7 a", "2 \u00b7 src \u00b7 ended", "3 \u00b7 c" }));
    EXPECT_EQ(side->picker()->currentIndex(), 2);
    EXPECT_EQ(side->status()->fullText(), "SHELL ACTIVE");

    side->changeSession(1);
    EXPECT_EQ(side->status()->fullText(), "SESSION ENDED");
    EXPECT_EQ(side->path()->fullText(), "Started in " + QString::fromStdString(folder("src").string()));
    EXPECT_TRUE(side->sessions()[1]->terminal()->isVisible());
    EXPECT_FALSE(side->sessions()[2]->terminal()->isVisible());
}

TEST_F(TerminalPaneControllerTest, ClosingAsksOnlyWhileTheShellRuns)
{
    for (const char* name : { "a", "src", "c" })
        side->open(folder(name));
    side->changeSession(1);
    TerminalSession* second = side->current();

    side->closeSession();
    ASSERT_EQ(dialogs.presented.size(), 1);
    const DialogRequest& asked = dialogs.presented[0].request;
    EXPECT_EQ(asked.message, "Close this terminal session?");
    EXPECT_EQ(asked.informativeText, "The shell and any running command in this session will be stopped.");
    EXPECT_EQ(asked.buttons, QStringList({ "Cancel", "Close Session" }));
    EXPECT_EQ(dialogs.presented[0].window, &window);
    dialogs.answer(0);
    ASSERT_EQ(side->sessions().size(), 3u) << "Cancel keeps the session";
    EXPECT_TRUE(second->running());

    side->closeSession();
    const pid_t shellPid = second->terminal()->process().shellPid();
    dialogs.answer(1);
    ASSERT_EQ(side->sessions().size(), 2u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return kill(shellPid, 0) != 0; }, timeoutMs)) << "the shell was stopped";
    EXPECT_EQ(side->current()->title(), "c") << "the session that followed becomes current";
    EXPECT_EQ(side->picker()->itemText(side->picker()->currentIndex()), "2 \u00b7 c");

    // An ended session goes without a question.
    sendText(*side->current()->terminal(), "exit\r");
    ASSERT_TRUE(QTest::qWaitFor([&] { return side->current()->exited(); }, timeoutMs));
    side->closeSession();
    EXPECT_EQ(dialogs.presented.size(), 2);
    ASSERT_EQ(side->sessions().size(), 1u);
    EXPECT_EQ(side->current()->title(), "a");

    // The last session closed, the side shows its files again.
    side->closeSession();
    dialogs.answer(1);
    EXPECT_TRUE(side->sessions().empty());
    EXPECT_EQ(side->mode(), TerminalPaneController::filesMode);
    EXPECT_TRUE(files->isVisible());
    EXPECT_FALSE(side->terminalRegion()->isVisible());
}

TEST_F(TerminalPaneControllerTest, ANewSessionStartsWhereTheCurrentOneStarted)
{
    side->open(folder("src"));
    sendText(*side->current()->terminal(), "cd /\r");
    side->newSessionButton()->click();
    ASSERT_EQ(side->sessions().size(), 2u);
    EXPECT_EQ(side->current()->directory(), folder("src"));
}

TEST_F(TerminalPaneControllerTest, TheHeaderTabsFollowTheFilePanesTabs)
{
    ASSERT_EQ(side->tabStrip()->count(), 1);
    files->navigate(folder("src"));
    files->addTab();
    side->updateTabStrip();
    ASSERT_EQ(side->tabStrip()->count(), 2);
    EXPECT_EQ(side->tabStrip()->tabText(1), "src");
    EXPECT_EQ(side->tabStrip()->currentIndex(), 1);

    QTest::mouseClick(side->tabStrip(), Qt::LeftButton, {}, side->tabStrip()->tabRect(0).center());
    EXPECT_EQ(files->activeTabIndex(), 0);
    files->closeTab();
    side->updateTabStrip();
    EXPECT_EQ(side->tabStrip()->count(), 1);
}

TEST_F(TerminalPaneControllerTest, TheHeaderTabsMatchThePanesTabsAfterEveryKindOfChange)
{
    const auto tab = [this](const QString& name) { return TabSnapshot(root() + "/" + name, PaneMode::list); };
    struct Step {
        const char* name;
        std::function<void()> change;
        QStringList titles;
        int current;
    };
    const Step steps[] = {
        { "restored", [&] { files->setTabs({ tab("a"), tab("b"), tab("c"), tab("d") }, 3); }, { "a", "b", "c", "d" }, 3 },
        { "a tab in the middle closed", [&] { files->cycleTab(-2); files->closeTab(); }, { "a", "c", "d" }, 1 },
        { "the middle tab navigated, its \"&\" no mnemonic", [&] { files->navigate(folder("a") / "R&D"); },
          { "a", "R&&D", "d" }, 1 },
        { "a tab added at the end", [&] { files->addTab(); }, { "a", "R&&D", "d", "R&&D" }, 3 },
        { "others put before and in place of the last ones", [&] {
              files->setTabs({ tab("x"), tab("a"), tab("y"), tab("z"), tab("d") }, 0);
          }, { "x", "a", "y", "z", "d" }, 0 },
        { "the first tab only", [&] { files->setTabs({ tab("x") }, 0); }, { "x" }, 0 },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.change();
        side->updateTabStrip();
        QStringList titles;
        for (int index = 0; index < side->tabStrip()->count(); ++index) {
            titles.append(side->tabStrip()->tabText(index));
            EXPECT_EQ(side->tabStrip()->tabToolTip(index), files->tabs()[index].path);
        }
        EXPECT_EQ(titles, step.titles);
        EXPECT_EQ(side->tabStrip()->currentIndex(), step.current);
    }
}

} // namespace
} // namespace bramblet
