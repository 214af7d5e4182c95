#include "Zentrova/Process/PseudoTerminalHelpers.h"

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <unistd.h>

namespace zentrova {

namespace {

// execve's view of a list of strings; the pointers borrow from `strings`.
std::vector<char*> cStringArray(const std::vector<std::string>& strings)
{
    std::vector<char*> array;
    array.reserve(strings.size() + 1);
    for (const std::string& string : strings)
        array.push_back(const_cast<char*>(string.c_str()));
    array.push_back(nullptr);
    return array;
}

// Runs in the forked child, where only async-signal-safe calls are allowed. The parent's threads
// may have blocked or ignored signals, and ignored ones would survive exec; its other descriptors
// (other terminals' masters among them) must not reach the program.
[[noreturn]] void execInChild(const char* executable, char* const* argv, char* const* envp, const char* directory)
{
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    for (int signal = 1; signal < NSIG; ++signal)
        sigaction(signal, &byDefault, nullptr);
    close_range(STDERR_FILENO + 1, ~0U, 0);
    if (directory)
        (void)chdir(directory);
    execve(executable, argv, envp);
    _exit(127);
}

} // namespace

std::optional<PseudoTerminalHelpers::Child> PseudoTerminalHelpers::forkAndExec(
    const std::string& executable, const std::vector<std::string>& args, const std::vector<std::string>& env,
    const std::optional<std::string>& currentDirectory, const winsize& desiredWindowSize)
{
    // Everything the child needs is built before the fork: it must not allocate.
    const std::vector<char*> argv = cStringArray(args);
    const std::vector<char*> envp = cStringArray(env);
    const char* directory = currentDirectory ? currentDirectory->c_str() : nullptr;

    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, &desiredWindowSize);
    if (pid < 0)
        return std::nullopt;
    if (pid == 0)
        execInChild(executable.c_str(), argv.data(), envp.data(), directory);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    return Child { pid, master };
}

int32_t PseudoTerminalHelpers::setWinSize(int32_t masterPtyDescriptor, const winsize& windowSize)
{
    return ioctl(masterPtyDescriptor, TIOCSWINSZ, &windowSize);
}

PseudoTerminalHelpers::Available PseudoTerminalHelpers::availableBytes(int32_t fd)
{
    int size = 0;
    const int status = ioctl(fd, FIONREAD, &size);
    return { status, size };
}

} // namespace zentrova
