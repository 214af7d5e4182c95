// What one pointer move over the terminal view costs: with links highlighting under the pointer,
// every move looks up the link there; in any-event mouse mode every move is also reported.

#include "BenchmarkApplication.h"

#include "ZentrovaView/TerminalView.h"
#include "ZentrovaView/TerminalViewDelegate.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <string>

namespace {

using zentrova::TerminalView;

// Drops the child's bytes: the write is not what is measured.
class QuietHost : public zentrova::TerminalViewDelegate {
public:
    void sizeChanged(TerminalView&, int, int) override { }
    void setTerminalTitle(TerminalView&, const QString&) override { }
    void hostCurrentDirectoryUpdate(TerminalView&, const std::optional<QString>&) override { }
    void send(TerminalView&, std::span<const uint8_t>) override { }
    void scrolled(TerminalView&, double) override { }
    void rangeChanged(TerminalView&, int, int) override { }
};

// A 160 x 48 view whose every row holds URLs and paths.
std::unique_ptr<TerminalView> linkScreen(QuietHost& host)
{
    bench::ensureApplication();
    zentrova::TerminalOptions options;
    options.cols = 160;
    options.rows = 48;
    auto view = std::make_unique<TerminalView>(nullptr, std::nullopt, options);
    view->setTerminalDelegate(&host);
    view->resize(view->getOptimalFrameSize().size());
    for (int row = 0; row < options.rows; row++) {
        std::string line = "see https://example.org/docs/page-" + std::to_string(row) + "?q=1 and /usr/share/doc/pkg/file-"
            + std::to_string(row) + ".txt:12:3 or src/main.cpp and ~/notes/today.md";
        line.resize(size_t(options.cols) - 1, ' ');
        view->terminal().feed(row + 1 < options.rows ? line + "\r\n" : line);
    }
    return view;
}

// Moves the pointer to the next cell of a sweep over the whole screen, so that the link under it
// changes as it would under a real hand.
void moveOverScreen(TerminalView& view, int step)
{
    const QSizeF cell = view.cellDimension().value();
    const int cols = view.terminal().cols;
    const int rows = view.terminal().rows;
    const int index = (step * 7) % (cols * rows);
    const QPointF at((index % cols + 0.5) * cell.width(), (index / cols + 0.5) * cell.height());
    QMouseEvent event(QEvent::MouseMove, at, at, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &event);
}

// Links highlight on hover: each move hit-tests, looks the link up and repaints what changed.
void BM_PointerMoveHoveringLinks(benchmark::State& state)
{
    QuietHost host;
    auto view = linkScreen(host);
    view->setLinkHighlightMode(zentrova::LinkHighlightMode::hover);
    int step = 0;
    for (auto _ : state)
        moveOverScreen(*view, step++);
}
BENCHMARK(BM_PointerMoveHoveringLinks)->Unit(benchmark::kMicrosecond);

// Ctrl held: the preview and the reported link come on top of the highlight.
void BM_PointerMoveWithCtrlOverLinks(benchmark::State& state)
{
    QuietHost host;
    auto view = linkScreen(host);
    QKeyEvent ctrl(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    QCoreApplication::sendEvent(view.get(), &ctrl);
    int step = 0;
    for (auto _ : state)
        moveOverScreen(*view, step++);
}
BENCHMARK(BM_PointerMoveWithCtrlOverLinks)->Unit(benchmark::kMicrosecond);

// Any-event mouse mode with the default link mode: every move is a motion report.
void BM_PointerMoveReportedInAnyEventMode(benchmark::State& state)
{
    QuietHost host;
    auto view = linkScreen(host);
    view->terminal().feed("\x1b[?1003h\x1b[?1006h");
    int step = 0;
    for (auto _ : state)
        moveOverScreen(*view, step++);
}
BENCHMARK(BM_PointerMoveReportedInAnyEventMode)->Unit(benchmark::kMicrosecond);

} // namespace
