// A rename as the user meets it: from the request handed to the operations queue to the new name
// shown in the pane, with everything in between (copy, verification, flush, removal of the source,
// the panes' reload). Counters: the time until the new name is shown, and until it is also the
// selected row (when it does not become selected within a second, the turn counts as not kept).

#include "Bramblet/Pane/PaneController.h"
#include "Bramblet/Pane/PaneListModel.h"
#include "Bramblet/Workspace/DialogPresenter.h"
#include "Bramblet/Workspace/WorkspaceController.h"
#include "Bramblet/Workspace/WorkspaceDefaults.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "BrambletCore/Files/FileService.h"
#include "BenchmarkApplication.h"
#include "PaneBenchmarkSupport.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

using bench::Clock;
using bench::milliseconds;
using bench::spinUntil;

// The benchmark asks nothing of the user.
class NoDialogs : public bramblet::DialogPresenter {
public:
    void present(QWidget*, const bramblet::DialogRequest&, Completion) override { }
    bramblet::DialogAnswer run(QWidget*, const bramblet::DialogRequest&) override { return {}; }
    void chooseFolder(QWidget*, const QString&, FolderCompletion) override { }
    void chooseFiles(QWidget*, FilesCompletion) override { }
};

bool shows(const bramblet::PaneController& pane, const QString& name)
{
    const auto& items = pane.listModel()->items();
    return std::any_of(items.begin(), items.end(), [&name](const bramblet::FileItem& item) { return item.name == name; });
}

// Spins until `done` holds or `limit` has passed; whether it holds.
bool spinFor(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    const auto end = Clock::now() + limit;
    while (!done() && Clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

bool selects(const bramblet::PaneController& pane, const QString& name)
{
    const auto selected = pane.selected();
    return selected.size() == 1 && selected.first().name == name;
}

// A small text file renamed back and forth in a folder of 50 such files, in a workspace whose
// log is stored as in a normal run.
void RenameToPane(benchmark::State& state)
{
    bench::ensureApplication();
    QTemporaryDir folder;
    QTemporaryDir settings;
    for (int index = 0; index < 50; ++index) {
        QFile file(folder.filePath(QStringLiteral("note-%1.txt").arg(index)));
        if (!file.open(QIODevice::WriteOnly) || file.write("A few words of text.\n") < 0)
            state.SkipWithError("could not write the folder");
    }
    bramblet::WorkspaceDefaults defaults(settings.filePath(QStringLiteral("settings.ini")));
    NoDialogs dialogs;
    bramblet::WorkspaceController workspace(folder.path(), folder.path(), false, defaults, dialogs);
    workspace.window()->show();
    bramblet::PaneController& pane = *workspace.left();
    spinUntil([&pane] { return pane.visible().size() == 50; });
    const QString names[] = { QStringLiteral("note-0.txt"), QStringLiteral("renamed note.txt") };
    pane.selectWhere([&names](const bramblet::FileItem& item) { return item.name == names[0]; });

    double shown = 0;
    double selected = 0;
    int kept = 0;
    int turn = 0;
    for (auto _ : state) {
        const QString& from = names[turn % 2];
        const QString& to = names[(turn + 1) % 2];
        const auto start = Clock::now();
        workspace.enqueue({ { bramblet::FileAction::rename, bramblet::pathFromString(folder.filePath(from)),
                              bramblet::pathFromString(folder.filePath(to)), bramblet::ConflictPolicy::ask } });
        spinUntil([&pane, &to] { return shows(pane, to); });
        shown += milliseconds(Clock::now() - start);
        state.PauseTiming();
        if (spinFor([&pane, &to] { return selects(pane, to); }, std::chrono::seconds(1))) {
            selected += milliseconds(Clock::now() - start);
            ++kept;
        } else {
            // The next turn starts from the item selected again.
            pane.selectWhere([&to](const bramblet::FileItem& item) { return item.name == to; });
        }
        spinUntil([&workspace] { return !workspace.processing(); });
        state.ResumeTiming();
        ++turn;
    }
    state.counters["shown_ms"] = shown / double(state.iterations());
    state.counters["selected_ms"] = kept ? selected / kept : 0;
    state.counters["kept_selected"] = double(kept) / double(state.iterations());
}

// The two parts of the above on their own: the verified rename in the file service, and a pane
// listing the folder again until it shows the new name.
void RenameParts(benchmark::State& state)
{
    bench::ensureApplication();
    QTemporaryDir folder;
    for (int index = 0; index < 50; ++index) {
        QFile file(folder.filePath(QStringLiteral("note-%1.txt").arg(index)));
        if (!file.open(QIODevice::WriteOnly) || file.write("A few words of text.\n") < 0)
            state.SkipWithError("could not write the folder");
    }
    bramblet::FileService service;
    bramblet::PaneController pane(folder.path(), bramblet::PaneMode::list);
    pane.show();
    pane.refresh();
    spinUntil([&pane] { return pane.visible().size() == 50; });
    const QString names[] = { QStringLiteral("note-0.txt"), QStringLiteral("renamed note.txt") };
    double executed = 0;
    double listed = 0;
    int turn = 0;
    for (auto _ : state) {
        const QString& to = names[(turn + 1) % 2];
        const auto start = Clock::now();
        service.execute({ bramblet::FileAction::rename, bramblet::pathFromString(folder.filePath(names[turn % 2])),
                          bramblet::pathFromString(folder.filePath(to)), bramblet::ConflictPolicy::ask })
            .waitForFinished();
        const auto renamed = Clock::now();
        pane.refresh();
        spinUntil([&pane, &to] { return shows(pane, to); });
        executed += milliseconds(renamed - start);
        listed += milliseconds(Clock::now() - renamed);
        ++turn;
    }
    state.counters["execute_ms"] = executed / double(state.iterations());
    state.counters["refresh_ms"] = listed / double(state.iterations());
}

} // namespace

BENCHMARK(RenameToPane)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(RenameParts)->Unit(benchmark::kMillisecond)->Iterations(20);
