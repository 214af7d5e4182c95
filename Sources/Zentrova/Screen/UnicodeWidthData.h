#pragma once

#include "Zentrova/Screen/UnicodeUtil.h"

#include <array>

namespace zentrova {

// The range tables behind character widths.
struct UnicodeWidthData {
    // Code points two columns wide.
    static const std::array<UnicodeUtil::LH, 123> eastAsianWide;
    // Characters whose presentation a following VS15 (U+FE0E) or VS16 (U+FE0F) changes.
    static const std::array<UnicodeUtil::LH, 183> emojiVs16Base;
};

} // namespace zentrova
