// Runs one file request in a process of its own, so that tests can kill it in the middle of the
// request or run it without root's privileges.
//
// Usage: bramblet_copy_child <source> <destination> [--unprivileged] [--action NAME] [--policy NAME]
//                            [--kill-at STEP]
// The action (default "copy") and policy (default "ask") by their stored names; STEP is a
// RequestExecutor::Step by its number: on reaching it the process kills itself with SIGKILL, as
// a crash or a power cut would end it there. Prints the outcome or the failure on standard
// output. Exits 0 when the request completed, 1 when it failed, 2 on bad arguments, 77 when it
// was asked to drop privileges and could not.

#include "BrambletCore/Concurrency/Cancellation.h"
#include "BrambletCore/Operations/RequestExecutor.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>

namespace {

bool dropRootPrivileges()
{
    if (::geteuid() != 0)
        return true;
    const passwd* nobody = ::getpwnam("nobody");
    return nobody && ::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0 && ::setuid(nobody->pw_uid) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace bramblet;
    if (argc < 3)
        return 2;
    FileRequest request { FileAction::copy, argv[1], argv[2], ConflictPolicy::ask };
    std::optional<int> killAt;
    for (int i = 3; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--unprivileged") == 0) {
            if (!dropRootPrivileges())
                return 77;
        } else if (std::strcmp(argv[i], "--action") == 0 && hasValue) {
            const auto action = fromString<FileAction>(QString::fromLatin1(argv[++i]));
            if (!action)
                return 2;
            request.action = *action;
        } else if (std::strcmp(argv[i], "--policy") == 0 && hasValue) {
            const auto policy = fromString<ConflictPolicy>(QString::fromLatin1(argv[++i]));
            if (!policy)
                return 2;
            request.conflict = *policy;
        } else if (std::strcmp(argv[i], "--kill-at") == 0 && hasValue) {
            killAt = std::atoi(argv[++i]);
        } else {
            return 2;
        }
    }
    const RequestExecutor executor([&](RequestExecutor::Step step) {
        if (killAt && static_cast<int>(step) == *killAt)
            ::raise(SIGKILL);
    });
    try {
        const FileOutcome outcome = executor.execute(request, Cancellation({}));
        std::printf("outcome %d %s\n", static_cast<int>(outcome.kind), outcome.url.c_str());
        return outcome.kind == FileOutcome::Kind::completed ? 0 : 1;
    } catch (const std::exception& failure) {
        std::printf("failure %s\n", failure.what());
        return 1;
    }
}
