#pragma once

#include <string>

namespace zentrova {

// One match, in buffer coordinates: `row` counts from the oldest line of the active buffer's ring,
// `col` is the first cell and `size` the cells covered from there, across wrapped rows (a wide
// character covers two).
struct SearchResult {
    // The text that matched: the term itself for plain text, the matched text for a regular expression.
    std::string term;
    int col = 0;
    int row = 0;
    int size = 0;

    bool operator==(const SearchResult&) const = default;
};

} // namespace zentrova
