#pragma once

#include <QApplication>

namespace bench {

// Widgets need an application; the benchmarks run headless.
inline void ensureApplication()
{
    if (QApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = { name, nullptr };
    new QApplication(argc, argv); // lives until the process ends
}

} // namespace bench
