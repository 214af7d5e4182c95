#pragma once

#include <string>
#include <vector>

namespace zentrova {

// A link found under a cell: its text (the URI of an OSC 8 link, or the matched URL or path) and the
// cells it covers, per row, top down.
struct LinkMatch {
    // Columns lowerBound up to, not including, upperBound.
    struct ColumnRange {
        int lowerBound = 0;
        int upperBound = 0;
        bool operator==(const ColumnRange&) const = default;
    };
    struct RowRange {
        int row = 0;
        ColumnRange range;
        bool operator==(const RowRange&) const = default;
    };

    std::string text;
    // The buffer row asked about and the columns the link covers on it.
    int row = 0;
    ColumnRange range;
    bool isExplicit = false;
    std::vector<RowRange> rowRanges;

    bool operator==(const LinkMatch&) const = default;
};

} // namespace zentrova
