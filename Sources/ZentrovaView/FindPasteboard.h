#pragma once

#include <QString>

namespace zentrova {

// The term the last find used, shared by every terminal view of the application, so that a find
// started in one view can go on in another with find next. The desktop has no clipboard of its own
// for it. Main thread only.
class FindPasteboard {
public:
    // Empty until a term is written.
    static QString string();
    static void setString(const QString& term);
};

} // namespace zentrova
