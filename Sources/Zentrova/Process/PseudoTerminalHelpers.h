#pragma once

#include <sys/ioctl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zentrova {

// Stand-alone pieces of running a program on a pseudo-terminal.
class PseudoTerminalHelpers {
public:
    struct Child {
        int32_t pid = 0;
        int32_t masterFd = -1;

        bool operator==(const Child&) const = default;
    };

    // Forks `executable` on a new pseudo-terminal of `desiredWindowSize`. `args` is the whole
    // argument vector (the caller supplies argv[0]) and `env` the whole environment. The child
    // starts with an empty signal mask, default signal dispositions and no descriptors beyond the
    // terminal, changes to `currentDirectory` when given (a failure is ignored) and exits with 127
    // when the program cannot be run. The master descriptor is close-on-exec. Nothing when the
    // pseudo-terminal cannot be made.
    static std::optional<Child> forkAndExec(const std::string& executable, const std::vector<std::string>& args,
                                            const std::vector<std::string>& env,
                                            const std::optional<std::string>& currentDirectory,
                                            const winsize& desiredWindowSize);

    // Sets the window size of the terminal behind `masterPtyDescriptor`; the ioctl's result.
    static int32_t setWinSize(int32_t masterPtyDescriptor, const winsize& windowSize);

    struct Available {
        int32_t status = 0;
        int32_t size = 0;
    };

    // The count of bytes ready to read on `fd`, with the ioctl's result as status.
    static Available availableBytes(int32_t fd);
};

} // namespace zentrova
