#pragma once

#include <filesystem>

namespace bramblet {

// Replace exchanges the verified copy in the staging folder with the existing item in one step;
// the displaced item then waits in the staging folder, under the copy's old name, for its place in
// the Trash. Before the exchange a note in the staging folder records the target and which file
// the copy is, so that a sweep after a kill can tell what the payload is.

// Writes the note for the copy now at `payload` in the open staging folder `folder`, which is to
// replace `target`. Failures are the system's errors.
void noteDisplacement(int folder, const std::filesystem::path& payload, const std::filesystem::path& target);

// Finishes what a Replace killed after the exchange left in the staging folder `staging`, open and
// locked as `folder`: the displaced item goes to the Trash as the item that stood at the target
// (or back under the target's name, or a numbered one, when there is no Trash for it). A payload
// that is still the copy is left for the sweep to remove. Never throws; problems are logged.
void finishKilledReplace(int folder, const std::filesystem::path& staging);

} // namespace bramblet
