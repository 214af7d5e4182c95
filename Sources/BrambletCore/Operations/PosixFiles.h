#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace bramblet {

// The stored target text of the symbolic link at `link`; system errors as they come.
std::string readLinkTarget(const std::filesystem::path& link);

// Reads the next chunk of an open file into `buffer`: the number of bytes read, 0 at its end.
// Interrupted reads are retried; other errors are thrown, naming `path`.
size_t readChunk(int fd, std::span<unsigned char> buffer, const std::filesystem::path& path);

// Writes all of `bytes` to an open file, retrying interrupted writes; false on failure (errno
// tells why).
bool writeAll(int fd, std::string_view bytes);

// The names in a folder (hidden ones included, "." and ".." left out) in the order the file
// system gives them; system errors as they come.
std::vector<std::string> folderEntryNames(const std::filesystem::path& folder);

} // namespace bramblet
