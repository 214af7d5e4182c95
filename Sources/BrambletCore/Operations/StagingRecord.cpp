#include "BrambletCore/Operations/StagingRecord.h"

#include "BrambletCore/Files/SystemError.h"
#include "BrambletCore/Operations/FileDescriptor.h"
#include "BrambletCore/Operations/PosixFiles.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

namespace bramblet {

void writeStagingRecord(int folder, const std::string& name, const std::vector<std::string>& fields,
                        const std::filesystem::path& shown)
{
    std::string bytes;
    for (const std::string& field : fields)
        bytes += field + '\0';
    const std::string partial = name + ".part";
    const FileDescriptor file(::openat(folder, partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.get() < 0 || !writeAll(file.get(), bytes) || ::renameat(folder, partial.c_str(), folder, name.c_str()) != 0)
        throw systemError(errno, QStringLiteral("Couldn’t write in the folder"), shown);
}

std::optional<std::vector<std::string>> readStagingRecord(int folder, const std::string& name)
{
    const FileDescriptor file(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0)
        return std::nullopt;
    std::string bytes;
    char chunk[65536];
    for (ssize_t count; (count = ::read(file.get(), chunk, sizeof chunk)) != 0;) {
        if (count < 0 && errno != EINTR)
            return std::nullopt;
        if (count > 0)
            bytes.append(chunk, size_t(count));
    }
    std::vector<std::string> fields;
    for (size_t start = 0, end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
        fields.push_back(bytes.substr(start, end - start));
    return fields;
}

} // namespace bramblet
