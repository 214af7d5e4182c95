#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zentrova {

// The text of one row within an extracted logical line.
struct LineFragment {
    std::optional<std::string> text;
    int line = 0;     // the row it came from
    int location = 0; // the column where the text starts
    int length = 0;   // characters of `text`

    bool operator==(const LineFragment&) const = default;
};

// One logical line of extracted text: a fragment per row it spans.
class Line {
public:
    const std::vector<LineFragment>& fragments() const { return m_fragments; }
    void setFragments(std::vector<LineFragment> fragments) { m_fragments = std::move(fragments); }

    // The sum of the lengths of the fragments added.
    int length() const { return m_length; }

    void add(LineFragment fragment);

    // "[]" when empty, else "<fragments>/<length>: [" followed by "<text>][" per fragment.
    std::string debugDescription() const;

private:
    std::vector<LineFragment> m_fragments;
    int m_length = 0;
};

} // namespace zentrova
