#pragma once

#include "Zentrova/Search/SearchResult.h"

#include <ostream>

namespace zentrova {

// Readable failures: "term" at (col, row), size.
inline void PrintTo(const SearchResult& result, std::ostream* out)
{
    *out << '"' << result.term << "\" at (" << result.col << ", " << result.row << "), size " << result.size;
}

} // namespace zentrova
