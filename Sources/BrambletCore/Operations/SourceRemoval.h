#pragma once

#include <filesystem>
#include <functional>

namespace bramblet {

class Manifest;

// Removes a moved item's source once its verified copy `manifest` is in place at `target`.
//
// The source is first taken out of sight in one rename, into a staging folder on its own volume,
// with a record of where it came from, where its copy went and the copy's manifest; deleting it
// from there can be cut short without leaving a partial source where the whole one was. Every item
// that can be removed is removed. What cannot be removed is put back under the source's name (a
// numbered one when that was taken meanwhile), never left hidden, and the request fails with a
// message that says the copy is complete, which items stayed and where. A source that cannot be
// taken away at all (a read-only volume, a folder the user may not change) fails with the same
// opening and the system's reason. `hidden` is called once the source is out of sight.
void removeMovedSource(const std::filesystem::path& source, const std::filesystem::path& target,
                       const Manifest& manifest, const std::function<void()>& hidden);

// Finishes what a move killed after hiding its source left in the staging folder `staging`, open
// and locked as `folder`: the hidden source is removed when its copy is still complete at the
// destination (or its removal had begun), and put back under its name otherwise. Nothing for a
// staging folder that holds no moved source. Never throws; problems are logged.
void finishKilledMove(int folder, const std::filesystem::path& staging);

} // namespace bramblet
