#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <span>
#include <string>

namespace bramblet {

// Reads an open file to its end through `buffer`, hands every chunk read to `consume` on the
// calling thread, and returns the SHA-256 of exactly the bytes read, in lower-case hexadecimal.
//
// A file larger than the buffer (by `expectedSize`, its size when it was looked at) is hashed on a
// thread of its own while the next chunk is read and the last one consumed: the buffer's halves
// take turns, so such a file costs the time of the slower of reading and hashing, not their sum.
// Read errors are thrown naming `path`; whatever `consume` throws goes through unchanged.
std::string readHashing(int fd, off_t expectedSize, std::span<unsigned char> buffer, const std::filesystem::path& path,
                        const std::function<void(std::span<const unsigned char>)>& consume = {});

} // namespace bramblet
