#pragma once

#include <filesystem>

namespace bramblet {

// The hidden folder ".bramblet-<UUID>" in which a copy is built beside its destination, on the
// destination's own volume, before it takes its final name. It lives exactly as long as this
// object: the destructor removes it with everything in it, on every way out of a request. A
// removal that fails is written to the log and changes nothing else.
class StagingFolder {
public:
    // Creates the folder in `parent` (missing parents are not created); system errors as they come.
    explicit StagingFolder(const std::filesystem::path& parent);
    ~StagingFolder();

    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // Where the copy under construction goes.
    std::filesystem::path payload() const { return m_path / "payload"; }

    static constexpr std::string_view namePrefix = ".bramblet-";

private:
    std::filesystem::path m_path;
};

} // namespace bramblet
