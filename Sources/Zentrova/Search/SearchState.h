#pragma once

#include "Zentrova/Search/SearchOptions.h"

#include <optional>
#include <string>

namespace zentrova {

// What the previous find asked for: a find with the same term steps on from the current match, a
// changed term searches again where the current match starts.
struct SearchState {
    std::optional<std::string> cachedSearchTerm;
    std::optional<SearchOptions> lastSearchOptions;
};

} // namespace zentrova
