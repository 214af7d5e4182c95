// A window state of many tabs per side, restored the way a normal start restores it: the time
// from the workspace's construction to its first refreshed chrome with the window shown, and the
// cost of one click on a tab of a side's tab strip until the chrome has refreshed and saved again.

#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Workspace/AlertDialog.h"
#include "Bramblet/Workspace/SavedState.h"
#include "Bramblet/Workspace/TerminalPaneController.h"
#include "Bramblet/Workspace/WorkspaceController.h"
#include "Bramblet/Workspace/WorkspaceDefaults.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "BenchmarkApplication.h"
#include "PaneBenchmarkSupport.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QJsonDocument>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <memory>

namespace {

using bench::Clock;
using bench::milliseconds;
using bench::spinUntil;

// A settings file whose window state holds `count` tabs per side, each on a folder of its own.
class SavedTabs {
public:
    explicit SavedTabs(int count)
    {
        bramblet::SavedState state;
        for (int index = 0; index < count; ++index) {
            const QString name = QStringLiteral("folder-%1").arg(index, 5, 10, QLatin1Char('0'));
            QDir(m_folder.path()).mkdir(name);
            const bramblet::TabSnapshot tab(m_folder.filePath(name), bramblet::PaneMode::list);
            state.left.append(tab);
            state.right.append(tab);
        }
        state.favorites = { m_folder.path() };
        bramblet::WorkspaceDefaults(settingsFile())
            .setData(bramblet::WorkspaceDefaults::workspaceKey,
                     QJsonDocument(state.toJson()).toJson(QJsonDocument::Compact));
    }

    QString settingsFile() const { return m_folder.filePath(QStringLiteral("settings.ini")); }
    QString folder() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
};

// A workspace restored from `saved`, shown, with its first chrome refresh done.
struct RestoredWorkspace {
    explicit RestoredWorkspace(const SavedTabs& saved)
        : defaults(saved.settingsFile())
    {
        workspace = std::make_unique<bramblet::WorkspaceController>(saved.folder(), saved.folder(), false, defaults,
                                                                    dialogs);
        QObject::connect(workspace.get(), &bramblet::WorkspaceController::refreshed, [this] { ++refreshes; });
        workspace->window()->show();
        if (!QTest::qWaitForWindowExposed(workspace->window()))
            std::abort();
        spinUntil([this] { return refreshes > 0; });
        QCoreApplication::processEvents();
    }

    // Clicks a tab of the left strip and waits until the chrome has refreshed and what it queued ran.
    // The strip of the offscreen screen's narrow window shows one tab at a time, so the click is the
    // signal the strip sends when a tab is pressed.
    void click(int index)
    {
        QTabBar* strip = workspace->leftContent()->tabStrip();
        const int before = refreshes;
        emit strip->tabBarClicked(index);
        spinUntil([&] { return refreshes > before; });
        QCoreApplication::processEvents();
    }

    bramblet::WorkspaceDefaults defaults;
    bramblet::AlertPresenter dialogs;
    std::unique_ptr<bramblet::WorkspaceController> workspace;
    int refreshes = 0;
};

void TabRestoreStart(benchmark::State& state)
{
    bench::ensureApplication();
    const SavedTabs saved(int(state.range(0)));
    for (auto _ : state) {
        RestoredWorkspace restored(saved);
        state.PauseTiming();
        if (restored.workspace->leftContent()->tabStrip()->count() != state.range(0))
            state.SkipWithError("the tabs were not restored");
        restored.workspace.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(TabRestoreStart)->Arg(250)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(3);

void TabRestoreClick(benchmark::State& state)
{
    bench::ensureApplication();
    const SavedTabs saved(int(state.range(0)));
    RestoredWorkspace restored(saved);
    int index = 0;
    for (auto _ : state) {
        index = 1 - index; // the first two tabs, both in view
        restored.click(index);
        if (restored.workspace->left()->activeTabIndex() != index)
            state.SkipWithError("the click did not switch the tab");
    }
}
BENCHMARK(TabRestoreClick)->Arg(250)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->MinTime(2);

} // namespace
