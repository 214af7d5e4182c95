#pragma once

#include "ZentrovaView/LocalProcessTerminalViewDelegate.h"

#include <QPointer>
#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace bramblet {

class EmbeddedTerminalView;

// One login shell on a pseudo-terminal, shown in its own terminal view. The session owns the view
// (wherever it is placed) and hears the view's reports. Sessions are never restarted. Main thread only.
class TerminalSession final : public zentrova::LocalProcessTerminalViewDelegate {
public:
    explicit TerminalSession(const std::filesystem::path& directory);
    ~TerminalSession() override;

    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;

    // Null only once Qt deleted the view with a parent it was placed in.
    EmbeddedTerminalView* terminal() const;
    const std::filesystem::path& directory() const { return m_directory; }
    // The folder's name, fixed for the life of the session.
    const QString& title() const { return m_title; }
    // The shell ended by itself.
    bool exited() const { return m_exited; }
    // The session's state changed (it started or ended).
    std::function<void()> changed;

    // Starts the login shell in the session's folder.
    void start();
    // Hangs up the terminal's foreground job and the shell, terminates the shell and reaps it on a
    // worker thread. Nothing when the shell no longer runs.
    void stop();
    // The shell runs: started, not ended by itself and not stopped.
    bool running() const;

    // The shell to start: $SHELL when it names an executable file, else the first executable of
    // "/bin/zsh" and the account's shell, else "/bin/sh".
    static std::string shellPath();
    // This process's environment with the terminal's identity set, as NAME=value entries.
    static std::vector<std::string> shellEnvironment();

    // LocalProcessTerminalViewDelegate.
    void sizeChanged(zentrova::LocalProcessTerminalView& source, int newCols, int newRows) override;
    void setTerminalTitle(zentrova::LocalProcessTerminalView& source, const QString& title) override;
    void hostCurrentDirectoryUpdate(zentrova::TerminalView& source, const std::optional<QString>& directory) override;
    void processTerminated(zentrova::TerminalView& source, std::optional<int32_t> exitCode) override;

private:
    // A plain pointer guarded against Qt deleting the view with a parent it was placed in.
    QPointer<EmbeddedTerminalView> m_terminal;
    std::filesystem::path m_directory;
    QString m_title;
    bool m_exited = false;
};

} // namespace bramblet
