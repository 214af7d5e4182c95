#pragma once

#include <cstdint>

namespace zentrova {

// Which links the view reports to its host.
enum class LinkReporting : uint8_t { none, explicit_, implicit };

// When links are underlined.
enum class LinkHighlightMode : uint8_t { hover, hoverWithModifier, always, alwaysWithModifier };

// Whether the view honours the rows' bidirectional state or draws every row left to right.
enum class BidiHostPolicy : uint8_t { respectTerminal, legacyLeftToRight };

// How the GPU renderer keeps its vertex data.
enum class MetalBufferingMode : uint8_t { perRowPersistent, perFrameAggregated };

// The scroll bar's look. Qt has no overlay scroll bars, so both styles are a bar beside the text, as
// wide as the widget style's scroll bar.
enum class ScrollerStyle : uint8_t { legacy, overlay };

} // namespace zentrova
