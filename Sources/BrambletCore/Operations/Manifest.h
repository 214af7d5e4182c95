#pragma once

#include <exception>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace bramblet {

// The fingerprints of a whole tree, keyed by path relative to its root: "" for the root itself,
// "/docs" and "/docs/a.txt" below it. A regular file's fingerprint is the SHA-256 of its content
// in lower-case hexadecimal, a folder's is "directory", a symbolic link's is "link:" followed by
// its stored target (links are never followed). Any other kind of item (device, socket, named
// pipe) makes the manifest fail with FileFailure::unsupportedItem. The root's own name is not
// part of it, so a tree and its copy under another name have equal manifests; permissions,
// dates and extended attributes are not part of it either.
struct ManifestAttempt;

class Manifest {
public:
    using Entries = std::map<std::string, std::string>;

    explicit Manifest(Entries entries = {});

    // The manifest of the tree at `root`; throws its first failure.
    static Manifest of(const std::filesystem::path& root);

    // Manifests of several independent trees, in the order of `roots`. File contents are hashed
    // on all cores at once, each file in chunks of at most 1 MiB, so memory stays flat whatever
    // the file sizes. A failure in one tree does not stop the others.
    static std::vector<ManifestAttempt> ofEach(const std::vector<std::filesystem::path>& roots);

    const Entries& entries() const { return m_entries; }

    bool operator==(const Manifest&) const = default;

private:
    Entries m_entries;
};

// The outcome of building one manifest: the manifest, or the first failure met on the way.
struct ManifestAttempt {
    std::optional<Manifest> manifest;
    std::exception_ptr failure;

    // The manifest, or the failure thrown.
    const Manifest& get() const;
};

} // namespace bramblet
