#pragma once

namespace zentrova {

// How a term is matched. An absent options value behaves as all false.
struct SearchOptions {
    bool caseSensitive = false;
    // The term is an ICU regular expression instead of literal text.
    bool regex = false;
    // A match counts only when no word character touches it on either side.
    bool wholeWord = false;

    bool operator==(const SearchOptions&) const = default;
};

} // namespace zentrova
