#include "Bramblet/App/AppDelegate.h"

#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Settings/SettingsWindowController.h"
#include "Bramblet/Theme/ApplicationAppearance.h"
#include "Bramblet/Updater/UpdateController.h"
#include "Bramblet/Workspace/SavedState.h"
#include "Bramblet/Workspace/WorkspaceController.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "Bramblet/Workspace/TerminalPaneController.h"
#include "Workspace/FakeDialogs.h"
#include "Workspace/TerminalTestSupport.h"
#include "Workspace/WorkspaceTestSupport.h"

#include <QDir>
#include <QFile>
#include <QApplication>
#include <QIcon>
#include <QLineEdit>
#include <QMainWindow>
#include <QScreen>
#include <QTest>

#include <memory>

namespace bramblet {
namespace {

class AppDelegateTest : public testing::SandboxedDefaultsTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(m_folders.path()).mkpath("a"));
        ASSERT_TRUE(QDir(m_folders.path()).mkpath("b"));
        QFile file(folder("file.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    void TearDown() override { ApplicationAppearance::shared().setAppearance(std::nullopt); }

    QString folder(const QString& name) const { return m_folders.filePath(name); }

    void launch(AppDelegate& delegate, QStringList extra = {})
    {
        delegate.applicationDidFinishLaunching(QStringList { "bramblet", "--left", folder("a"), "--right", folder("b") }
                                               + extra);
    }

    testing::FakeDialogs dialogs;

private:
    QTemporaryDir m_folders;
};

TEST_F(AppDelegateTest, AppearanceChoiceIsExactAndStoredOnChange)
{
    struct Case {
        const char* stored;
        std::optional<Appearance> applied;
    };
    const Case cases[] = {
        { "Light", Appearance::light }, { "Dark", Appearance::dark }, { "dark", std::nullopt },
        { "System", std::nullopt },     { nullptr, std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(none)");
        WorkspaceDefaults store(fileIn(QString::fromUtf8(c.stored ? c.stored : "none") + ".ini"));
        if (c.stored)
            store.setString(WorkspaceDefaults::appearanceKey, c.stored);
        AppDelegate delegate(store, dialogs);
        EXPECT_EQ(delegate.appearanceChoice(), c.stored ? QString(c.stored) : QString("System"));
        delegate.applyAppearance();
        EXPECT_EQ(ApplicationAppearance::shared().appearance(), c.applied);
    }

    AppDelegate delegate(defaults(), dialogs);
    delegate.changeAppearance("Dark");
    EXPECT_EQ(defaults().string(WorkspaceDefaults::appearanceKey), "Dark");
    EXPECT_EQ(ApplicationAppearance::shared().effectiveAppearance(), Appearance::dark);
    EXPECT_FALSE(QIcon(AppDelegate::iconResource(Appearance::dark)).availableSizes().isEmpty());
    EXPECT_FALSE(QIcon(AppDelegate::iconResource(Appearance::light)).availableSizes().isEmpty());
}

TEST_F(AppDelegateTest, LaunchOpensTheCommandLineFoldersAndHandedFolderGoesLeft)
{
    AppDelegate delegate(defaults(), dialogs);
    launch(delegate, { folder("file.txt"), folder("b"), folder("a") });
    auto* workspace = delegate.workspace();
    ASSERT_TRUE(workspace);
    EXPECT_TRUE(workspace->window()->isVisible());
    EXPECT_EQ(workspace->right()->activeTab().path, folder("b"));
    EXPECT_EQ(workspace->left()->activeTab().path, folder("b")) << "the first folder, after skipping a file";
    EXPECT_EQ(workspace->activeIndex(), 0);

    workspace->activatePane(1);
    delegate.openFolders({ folder("file.txt"), folder("missing") });
    EXPECT_EQ(workspace->activeIndex(), 1) << "a list without folders changes nothing";
    EXPECT_EQ(workspace->left()->activeTab().path, folder("b"));
}

TEST_F(AppDelegateTest, TemporaryLaunchIgnoresTheSavedStateAndQuitWritesNothing)
{
    SavedState saved;
    saved.left = { tab(folder("b")) };
    saved.right = { tab(folder("a")) };
    store(WorkspaceDefaults::workspaceKey, saved.toJson());
    const auto before = defaults().data(WorkspaceDefaults::workspaceKey);

    AppDelegate delegate(defaults(), dialogs);
    launch(delegate, { "--temporary" });
    EXPECT_TRUE(delegate.workspace()->isTransient());
    EXPECT_EQ(delegate.workspace()->left()->activeTab().path, folder("a"));
    EXPECT_TRUE(delegate.applicationShouldTerminate());
    EXPECT_EQ(defaults().data(WorkspaceDefaults::workspaceKey), before);
}

TEST_F(AppDelegateTest, QuitIsRefusedWhileARequestRunsAndSavesOtherwise)
{
    AppDelegate delegate(defaults(), dialogs);
    EXPECT_TRUE(delegate.applicationShouldTerminate()) << "no workspace yet";
    launch(delegate);
    delegate.workspace()->setProcessing(true);
    EXPECT_FALSE(delegate.applicationShouldTerminate());
    ASSERT_EQ(dialogs.presented.size(), 1);
    EXPECT_EQ(dialogs.presented[0].request.message, "A file operation is still running");
    EXPECT_EQ(dialogs.presented[0].request.informativeText,
              "Let the current item finish before quitting. Pending work can be cancelled in Operations.");
    EXPECT_FALSE(dialogs.presented[0].completion) << "modal to the application, not a sheet";
    EXPECT_FALSE(defaults().data(WorkspaceDefaults::workspaceKey));

    delegate.workspace()->setProcessing(false);
    EXPECT_TRUE(delegate.applicationShouldTerminate());
    EXPECT_TRUE(defaults().data(WorkspaceDefaults::workspaceKey)) << "the window state is saved before quitting";
}

// The delegate ends the way it ends when the program quits, several times over: with the focus in
// the filter field, in a running terminal, and while a file request runs (an update being installed
// lets the program go). Deleting the window moves the focus; a handler that reaches a member the
// delegate already destroyed is a report of the sanitizers, which fails the run.
TEST_F(AppDelegateTest, QuittingEndsCleanlyWhereverTheFocusIsAndWhileARequestRuns)
{
    testing::EnvironmentOverride shell("SHELL", "/bin/sh");
    QFile big(folder("big.bin"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.write(QByteArray(8 << 20, 'x')));
    big.close();
    dialogs.runAnswer.button = 1; // "Close Terminals"
    enum class Quit { focusInFilter, focusInTerminal, requestRunning };
    for (const Quit quit : { Quit::focusInFilter, Quit::focusInTerminal, Quit::requestRunning }) {
        SCOPED_TRACE(int(quit));
        for (int cycle = 0; cycle < 3; ++cycle) {
            auto delegate = std::make_unique<AppDelegate>(defaults(), dialogs);
            launch(*delegate);
            WorkspaceController* workspace = delegate->workspace();
            ASSERT_TRUE(QTest::qWaitForWindowActive(workspace->window()));
            switch (quit) {
            case Quit::focusInFilter:
                workspace->focusFilter();
                QTest::keyClicks(workspace->filter(), "a");
                ASSERT_EQ(QApplication::focusWidget(), workspace->filter());
                break;
            case Quit::focusInTerminal:
                workspace->leftContent()->open(folder("a").toStdString());
                ASSERT_TRUE(QTest::qWaitFor([workspace] { return workspace->focusedTerminal() != nullptr; }));
                break;
            case Quit::requestRunning:
                workspace->enqueue({ { FileAction::copy, folder("big.bin").toStdString(),
                                       folder("b/big.bin").toStdString() } });
                ASSERT_TRUE(workspace->processing());
                EXPECT_FALSE(delegate->applicationShouldTerminate());
                delegate->updater()->willInstallUpdate();
                break;
            }
            ASSERT_TRUE(delegate->applicationShouldTerminate());
            delegate.reset();
            QTest::qWait(10); // whatever the teardown left queued runs now
        }
    }
}

TEST_F(AppDelegateTest, QuitIsImmediateOnceAnUpdateInstalls)
{
    AppDelegate delegate(defaults(), dialogs);
    launch(delegate);
    ASSERT_TRUE(delegate.updater());
    delegate.workspace()->setProcessing(true);
    delegate.updater()->checkForUpdates(delegate.workspace()->window());
    const auto told = dialogs.presented.size();
    EXPECT_FALSE(delegate.applicationShouldTerminate()) << "a check is no installation";
    EXPECT_EQ(dialogs.presented.size(), told + 1);

    delegate.updater()->willInstallUpdate();
    EXPECT_TRUE(delegate.updater()->sessionInProgress());
    EXPECT_TRUE(delegate.applicationShouldTerminate()) << "even while a request runs";
    EXPECT_EQ(dialogs.presented.size(), told + 1) << "no alert";
    EXPECT_FALSE(defaults().data(WorkspaceDefaults::workspaceKey)) << "the window state is not saved";
}

TEST_F(AppDelegateTest, SettingsWindowOpensOnceAndKeepsItsController)
{
    AppDelegate plain(defaults(), dialogs);
    launch(plain);
    EXPECT_FALSE(plain.settingsController()) << "made on first use only";

    AppDelegate delegate(defaults(), dialogs);
    launch(delegate, { "--debug-settings" });
    SettingsWindowController* settings = delegate.settingsController();
    ASSERT_TRUE(settings);
    EXPECT_TRUE(settings->window()->isVisible());
    EXPECT_EQ(settings->selectedItemIdentifier(), "general");
    delegate.showS3Settings();
    EXPECT_EQ(delegate.settingsController(), settings);
    EXPECT_EQ(settings->selectedItemIdentifier(), "s3");
    delegate.showTrueNASSettings();
    EXPECT_EQ(settings->window()->windowTitle(), "TrueNAS");
    settings->window()->close();
    EXPECT_FALSE(settings->window()->isVisible());
    delegate.showSettings();
    EXPECT_EQ(delegate.settingsController(), settings);
    EXPECT_TRUE(settings->window()->isVisible());
    EXPECT_EQ(settings->selectedItemIdentifier(), "truenas") << "the last tab stays";

    settings->appearanceChanged(2);
    EXPECT_EQ(delegate.appearanceChoice(), "Dark");
    EXPECT_EQ(defaults().string(WorkspaceDefaults::appearanceKey), "Dark");
    EXPECT_EQ(ApplicationAppearance::shared().effectiveAppearance(), Appearance::dark);

    settings->connectToServer();
    EXPECT_EQ(dialogs.presented.last().request.message, "Connect to Server");
    EXPECT_EQ(dialogs.presented.last().window, settings->window()) << "on the settings window";
    settings->window()->hide();
}

// The window takes its tab's size before it is placed, so every tab opens centred on the screen.
TEST_F(AppDelegateTest, SettingsWindowOpensCentredAtTheSizeOfItsTab)
{
    AppDelegate delegate(defaults(), dialogs);
    launch(delegate);
    const auto centred = [&delegate] {
        const QMainWindow* window = delegate.settingsController()->window();
        const QPoint offset = window->frameGeometry().center() - window->screen()->availableGeometry().center();
        return ::testing::Message() << "offset " << offset.x() << ", " << offset.y() << " at " << window->width() << " x "
                                    << window->height();
    };
    const auto isCentred = [&delegate] {
        const QMainWindow* window = delegate.settingsController()->window();
        const QPoint offset = window->frameGeometry().center() - window->screen()->availableGeometry().center();
        return std::abs(offset.x()) <= 1 && std::abs(offset.y()) <= 1;
    };
    struct Case {
        const char* tab;
        std::function<void()> open;
    };
    const Case cases[] = {
        { "general", [&delegate] { delegate.showSettings(); } },
        { "s3", [&delegate] { delegate.showS3Settings(); } },
        { "samba", [&delegate] { delegate.presentSettings(SettingsWindowController::sambaID); } },
        { "truenas", [&delegate] { delegate.showTrueNASSettings(); } },
        { "samba", [&delegate] {
             delegate.settingsController()->selectTab(SettingsWindowController::sambaID);
             delegate.settingsController()->window()->close();
             delegate.showSettings(); // the tab chosen last, reopened
         } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tab);
        c.open();
        EXPECT_EQ(delegate.settingsController()->selectedItemIdentifier(), c.tab);
        EXPECT_TRUE(isCentred()) << centred();
    }
    delegate.settingsController()->window()->hide();
}

TEST_F(AppDelegateTest, CheckForUpdatesAnswersOnTheSettingsWindowInFront)
{
    AppDelegate delegate(defaults(), dialogs);
    launch(delegate);
    QMainWindow* settings = delegate.presentSettings()->window();
    ASSERT_TRUE(QTest::qWaitForWindowActive(settings));
    delegate.checkForUpdates();
    ASSERT_FALSE(dialogs.presented.isEmpty());
    EXPECT_EQ(dialogs.presented.last().request.message, "This build doesn\u2019t check for updates");
    EXPECT_EQ(dialogs.presented.last().window, settings);
    settings->hide();
}

} // namespace
} // namespace bramblet
