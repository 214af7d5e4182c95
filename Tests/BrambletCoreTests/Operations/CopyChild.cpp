// Runs one copy request in a process of its own, so that tests can kill it in the middle of the
// copy or run it without root's privileges.
//
// Usage: bramblet_copy_child <source> <destination> [--unprivileged]
// Prints the outcome or the failure on standard output. Exits 0 when the copy completed, 1 when
// it failed, 77 when it was asked to drop privileges and could not.

#include "BrambletCore/Concurrency/Cancellation.h"
#include "BrambletCore/Operations/RequestExecutor.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <exception>

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
    if (argc < 3)
        return 2;
    if (argc > 3 && std::strcmp(argv[3], "--unprivileged") == 0 && !dropRootPrivileges())
        return 77;
    try {
        const bramblet::FileRequest request { bramblet::FileAction::copy, argv[1], argv[2], bramblet::ConflictPolicy::ask };
        const bramblet::FileOutcome outcome = bramblet::RequestExecutor().execute(request, bramblet::Cancellation({}));
        std::printf("outcome %d %s\n", static_cast<int>(outcome.kind), outcome.url.c_str());
        return outcome.kind == bramblet::FileOutcome::Kind::completed ? 0 : 1;
    } catch (const std::exception& failure) {
        std::printf("failure %s\n", failure.what());
        return 1;
    }
}
