#pragma once

#include "Zentrova/Process/LocalProcess.h"
#include "Zentrova/Process/LocalProcessDelegate.h"
#include "ZentrovaView/QtMainQueue.h"
#include "ZentrovaView/TerminalView.h"
#include "ZentrovaView/TerminalViewDelegate.h"

#include <optional>
#include <string>
#include <vector>

namespace zentrova {

class LocalProcessTerminalViewDelegate;

// A terminal view bound to one child program on a pseudo-terminal: the child's output is fed to the
// terminal (and so paced like any other feed), the view's bytes go to the child, and the
// pseudo-terminal's window size follows the grid. The view is its own terminal-view delegate and its
// own process delegate; what the host needs it passes on to `processDelegate`. Main thread only.
class LocalProcessTerminalView : public TerminalView, public TerminalViewDelegate, public LocalProcessDelegate {
    Q_OBJECT

public:
    // Nothing runs until startProcess().
    explicit LocalProcessTerminalView(QWidget* parent = nullptr, const std::optional<QFont>& font = std::nullopt,
                                      const TerminalOptions& options = TerminalOptions::Default,
                                      QSize initialSize = {});
    // Releases the terminal without signalling the child: stopping it is the host's business.
    ~LocalProcessTerminalView() override;

    LocalProcess& process() { return m_process; }
    // Not owned; the host clears it before it goes. Reports are dropped while it is null.
    LocalProcessTerminalViewDelegate* processDelegate() const { return m_processDelegate; }
    void setProcessDelegate(LocalProcessTerminalViewDelegate* delegate) { m_processDelegate = delegate; }

    // Starts the child with the grid's size unless one runs; see LocalProcess::startProcess.
    virtual void startProcess(const std::string& executable, const std::vector<std::string>& args,
                              const std::optional<std::vector<std::string>>& environment = std::nullopt,
                              const std::optional<std::string>& execName = std::nullopt,
                              const std::optional<std::string>& currentDirectory = std::nullopt);
    // Closes the terminal and sends the child SIGTERM; no end report follows, and the caller reaps it.
    virtual void terminate();
    // From a successful start until the child's exit is reported or terminate(). Unlike the process's
    // own flag it stays true when the child closed its side of the terminal but still runs, so the
    // host still hangs it up.
    bool running() const { return m_running; }
    virtual void setHostLogging(const std::optional<std::string>& directory);

    // Whether the child may read the clipboard (an OSC 52 query). Off by default: any program, a
    // remote one or a file that is merely shown included, could otherwise learn the clipboard
    // behind the user's back. Writes are always taken.
    bool allowsClipboardRead() const { return m_allowsClipboardRead; }
    void setAllowsClipboardRead(bool allow) { m_allowsClipboardRead = allow; }

    // TerminalViewDelegate.
    using TerminalView::bell;
    using TerminalView::clipboardCopy;
    using TerminalView::clipboardRead;
    using TerminalView::iTermContent;
    using TerminalView::scrolled;
    using TerminalView::send;
    using TerminalView::setTerminalTitle;
    using TerminalView::sizeChanged;
    void sizeChanged(TerminalView& source, int newCols, int newRows) override;
    void setTerminalTitle(TerminalView& source, const QString& title) override;
    void hostCurrentDirectoryUpdate(TerminalView& source, const std::optional<QString>& directory) override;
    void send(TerminalView& source, std::span<const uint8_t> data) override;
    void scrolled(TerminalView& source, double position) override;
    void rangeChanged(TerminalView& source, int startY, int endY) override;
    void clipboardCopy(TerminalView& source, std::span<const uint8_t> content) override;
    std::optional<QByteArray> clipboardRead(TerminalView& source) override;

    // LocalProcessDelegate.
    void processTerminated(LocalProcess& source, std::optional<int32_t> exitCode) override;
    void dataReceived(std::span<const uint8_t> slice) override;
    // Rows and columns, and the text area in device pixels (zero while the cell size is unknown);
    // each field clamped to the 16 bits it holds.
    winsize getWindowSize() override;

private:
    LocalProcessTerminalViewDelegate* m_processDelegate = nullptr;
    bool m_running = false;
    bool m_allowsClipboardRead = false;
    // Declared before the process: its reader thread posts into the queue until the process is gone.
    QtMainQueue m_processQueue { this };
    LocalProcess m_process { this, m_processQueue };
};

} // namespace zentrova
