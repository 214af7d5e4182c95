#pragma once

#include <algorithm>
#include <limits>
#include <vector>

namespace zentrova {

// A vertical stretch of device pixels, y up as the framebuffer has it: what a row's or the cursor's
// records cover. Empty while nothing was added.
struct PixelSpan {
    float bottom = std::numeric_limits<float>::infinity();
    float top = -std::numeric_limits<float>::infinity();

    bool empty() const { return !(bottom < top); }
    void add(float y0, float y1)
    {
        bottom = std::min({ bottom, y0, y1 });
        top = std::max({ top, y0, y1 });
    }
    void add(const PixelSpan& span)
    {
        if (!span.empty())
            add(span.bottom, span.top);
    }
    // Whether anything in the span can reach a pixel row of [y0, y1).
    bool reaches(int y0, int y1) const { return !empty() && bottom < float(y1) && top > float(y0); }
    bool operator==(const PixelSpan&) const = default;

    // Adds what the records cover: a cell from its corner over its size, a vertex at its position.
    template <class Record>
    void addRecords(const std::vector<Record>& records)
    {
        for (const Record& record : records) {
            if constexpr (requires { record.size; })
                add(record.position[1], record.position[1] + record.size[1]);
            else
                add(record.position[1], record.position[1]);
        }
    }
};

} // namespace zentrova
