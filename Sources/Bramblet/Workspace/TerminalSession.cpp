#include "Bramblet/Workspace/TerminalSession.h"

#include "Bramblet/Workspace/EmbeddedTerminalView.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QProcessEnvironment>
#include <QTextBoundaryFinder>

#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace bramblet {

namespace {

constexpr int toolTipLength = 240;

bool isExecutableFile(const QString& path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isExecutable();
}

// The first `count` user-perceived characters of `text`.
QString leadingCharacters(const QString& text, int count)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int taken = 0;
    while (taken < count && finder.toNextBoundary() != -1)
        ++taken;
    return taken < count ? text : text.left(finder.position());
}

} // namespace

TerminalSession::TerminalSession(const std::filesystem::path& directory)
    : m_terminal(new EmbeddedTerminalView)
    , m_directory(directory)
    , m_title(QString::fromStdString(directory.filename().string()))
{
    m_terminal->resize(480, 600);
    m_terminal->setProcessDelegate(this);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(13);
    font.setWeight(QFont::Normal);
    m_terminal->setFont(font);
    m_terminal->updateColors();
    m_terminal->setAccessibleName(QStringLiteral("Terminal in ") + m_title);
}

TerminalSession::~TerminalSession()
{
    if (m_terminal) {
        m_terminal->setProcessDelegate(nullptr);
        delete m_terminal.data();
    }
}

EmbeddedTerminalView* TerminalSession::terminal() const
{
    return m_terminal;
}

std::string TerminalSession::shellPath()
{
    const QString shell = qEnvironmentVariable("SHELL");
    if (isExecutableFile(shell))
        return shell.toStdString();
    // The login shell of the desktop this once came from; most Linux accounts name their own.
    if (isExecutableFile(QStringLiteral("/bin/zsh")))
        return "/bin/zsh";
    if (const passwd* account = getpwuid(getuid()); account && account->pw_shell) {
        const QString accountShell = QString::fromLocal8Bit(account->pw_shell);
        if (isExecutableFile(accountShell))
            return accountShell.toStdString();
    }
    return "/bin/sh";
}

std::vector<std::string> TerminalSession::shellEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TERM"), QStringLiteral("xterm-256color"));
    environment.insert(QStringLiteral("COLORTERM"), QStringLiteral("truecolor"));
    environment.insert(QStringLiteral("TERM_PROGRAM"), QStringLiteral("Bramblet"));
    environment.insert(QStringLiteral("TERM_PROGRAM_VERSION"), QStringLiteral("0.1.0"));
    std::vector<std::string> entries;
    for (const QString& entry : environment.toStringList())
        entries.push_back(entry.toStdString());
    return entries;
}

void TerminalSession::start()
{
    m_terminal->startProcess(shellPath(), { "-l" }, shellEnvironment(), std::nullopt, m_directory.string());
    if (changed)
        changed();
}

bool TerminalSession::running() const
{
    return m_terminal && m_terminal->running() && !m_exited;
}

void TerminalSession::stop()
{
    if (!m_terminal || !m_terminal->running())
        return;
    zentrova::LocalProcess& process = m_terminal->process();
    // The terminal is gone once the shell closed its side; the shell itself still gets its hang-up.
    if (process.childfd() >= 0) {
        if (const pid_t group = tcgetpgrp(process.childfd()); group > 0)
            kill(-group, SIGHUP);
    }
    const pid_t pid = process.shellPid();
    if (pid > 0)
        kill(pid, SIGHUP);
    m_terminal->terminate();
    if (pid > 0) {
        std::thread([pid] {
            while (waitpid(pid, nullptr, 0) == -1 && errno == EINTR) {
            }
        }).detach();
    }
}

void TerminalSession::sizeChanged(zentrova::LocalProcessTerminalView&, int, int) { }

void TerminalSession::setTerminalTitle(zentrova::LocalProcessTerminalView&, const QString& title)
{
    m_terminal->setToolTip(leadingCharacters(title, toolTipLength));
}

void TerminalSession::hostCurrentDirectoryUpdate(zentrova::TerminalView&, const std::optional<QString>&) { }

void TerminalSession::processTerminated(zentrova::TerminalView&, std::optional<int32_t>)
{
    m_exited = true;
    if (changed)
        changed();
}

} // namespace bramblet
