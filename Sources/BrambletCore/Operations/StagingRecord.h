#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace bramblet {

// A small record kept in a staging folder beside its payload, telling a sweep after a kill what
// the payload is: a list of byte strings (paths among them, which never hold a NUL), stored
// NUL-terminated. It is written whole under another name and then renamed, so a kill leaves the
// whole record or none. Failures are the system's errors, naming `shown`.
void writeStagingRecord(int folder, const std::string& name, const std::vector<std::string>& fields,
                        const std::filesystem::path& shown);

// The record `name` in the open staging folder, or nothing when there is none.
std::optional<std::vector<std::string>> readStagingRecord(int folder, const std::string& name);

} // namespace bramblet
