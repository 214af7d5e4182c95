#pragma once

namespace zentrova {

// Which links a lookup finds: only those written with OSC 8, or also URLs and paths found in the text.
enum class LinkLookupMode { explicitOnly, explicitAndImplicit };

} // namespace zentrova
