#include "BrambletCore/Files/NameIndex.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace bramblet {

namespace {

// "*" + term + "*" as a glob on the name alone, with the glob's own characters escaped, so the
// tool matches the term as literal text anywhere in the name.
std::string containsPattern(const QString& term)
{
    std::string pattern = "*";
    for (const char c : term.toStdString()) {
        if (std::strchr("\\[]*?", c))
            pattern += '\\';
        pattern += c;
    }
    return pattern + '*';
}

// Ours, with the tool's character handling fixed to UTF-8: in the C locale it cannot fold the
// case of, or even read, names outside ASCII.
std::vector<std::string> toolEnvironment()
{
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "LC_ALL=", 7) != 0)
            environment.emplace_back(*entry);
    }
    environment.emplace_back("LC_ALL=C.UTF-8");
    return environment;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> result;
    for (auto& string : strings)
        result.push_back(string.data());
    result.push_back(nullptr);
    return result;
}

// A started tool: its output pipe is closed and the tool reaped on every way out.
class Child {
public:
    Child(pid_t pid, int output)
        : m_pid(pid)
        , m_output(output)
    {
    }
    ~Child()
    {
        if (m_output >= 0)
            close(m_output);
        if (m_pid > 0)
            exitStatus();
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    int output() const { return m_output; }

    int exitStatus()
    {
        close(std::exchange(m_output, -1));
        int status = 0;
        while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) { }
        m_pid = 0;
        return status;
    }

private:
    pid_t m_pid;
    int m_output;
};

} // namespace

bool NameIndex::find(const QString& term, const std::function<void(std::filesystem::path&&)>& found) const
{
    std::vector<std::string> arguments = { tool.native(), "--ignore-case", "--basename", "--null" };
    if (database) {
        arguments.emplace_back("--database");
        arguments.push_back(database->native());
    }
    arguments.emplace_back("--");
    arguments.push_back(containsPattern(term));
    auto environment = toolEnvironment();

    int pipe[2];
    if (pipe2(pipe, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int started = posix_spawn(&pid, tool.c_str(), &actions, nullptr, pointers(arguments).data(),
                                    pointers(environment).data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipe[1]);
    if (started != 0) {
        close(pipe[0]);
        return false;
    }

    Child child(pid, pipe[0]);
    std::string pending;
    char chunk[65536];
    for (;;) {
        const ssize_t count = read(child.output(), chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        // Entries end in NUL, the one byte no path holds; a line break is part of some names.
        const char* end = chunk + count;
        for (const char* start = chunk; start < end;) {
            const char* nul = static_cast<const char*>(std::memchr(start, '\0', size_t(end - start)));
            if (!nul) {
                pending.append(start, end);
                break;
            }
            pending.append(start, nul);
            found(std::filesystem::path(std::move(pending)));
            pending.clear();
            start = nul + 1;
        }
    }
    const int status = child.exitStatus();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace bramblet
