// One file-core operation as a whole command, to be timed from outside against the system's own
// tools on the same data (`cp -a`, `find -iname`):
//     bramblet_fileop copy SOURCE DESTINATION   a verified copy, as the operations queue runs it
//     bramblet_fileop search ROOT QUERY         the search's folder walk (no index), printing the count
// Exits 0 on success, 1 on failure (printed), 2 on bad arguments.

#include "BrambletCore/Concurrency/Cancellation.h"
#include "BrambletCore/Files/FileSearch.h"
#include "BrambletCore/Operations/RequestExecutor.h"

#include <cstdio>
#include <cstring>
#include <exception>

int main(int argc, char** argv)
{
    using namespace bramblet;
    if (argc != 4)
        return 2;
    const Cancellation notCancelled({});
    try {
        if (std::strcmp(argv[1], "copy") == 0) {
            const FileOutcome outcome = RequestExecutor().execute(
                { FileAction::copy, argv[2], argv[3], ConflictPolicy::ask }, notCancelled);
            return outcome.kind == FileOutcome::Kind::completed ? 0 : 1;
        }
        if (std::strcmp(argv[1], "search") == 0) {
            const NameIndex noIndex { "/nonexistent/index-tool", std::nullopt };
            const auto found = searchFolder(noIndex, argv[2], QString::fromUtf8(argv[3]), true, notCancelled);
            std::printf("%lld\n", static_cast<long long>(found.size()));
            return 0;
        }
    } catch (const std::exception& failure) {
        std::printf("failure %s\n", failure.what());
        return 1;
    }
    return 2;
}
