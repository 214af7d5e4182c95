#pragma once

#include <string_view>

namespace zentrova {

// Whether the scalars form exactly one user-perceived character (extended grapheme cluster).
bool isSingleGraphemeCluster(std::u32string_view scalars);

} // namespace zentrova
