#pragma once

namespace zentrova {

// Columns a regional-indicator symbol takes: wide keeps the two its width rule gives, narrow prints
// it in one.
enum class RegionalIndicatorWidth { wide, narrow };

} // namespace zentrova
