#include "ZentrovaView/TerminalViewNotificationCenter.h"

namespace zentrova {

TerminalViewNotificationCenter& TerminalViewNotificationCenter::defaultCenter()
{
    static TerminalViewNotificationCenter center;
    return center;
}

} // namespace zentrova
