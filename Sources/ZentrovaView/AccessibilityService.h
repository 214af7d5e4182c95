#pragma once

namespace zentrova {

// The view's accessibility support. It holds no state yet; every terminal view owns one so that the
// accessibility code has a single place to grow.
class AccessibilityService { };

} // namespace zentrova
