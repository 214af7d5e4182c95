// The main of the GL tests and the X11 primary selection's.
//
// GL and the primary selection need a window system: the tests run on the xcb platform on the
// display named by BRAMBLET_TEST_GL_DISPLAY (the test script starts a virtual one) or DISPLAY.
// Without a display they run on the offscreen platform, which has neither, and skip.

#include <gtest/gtest.h>

#include <QApplication>

#include <dlfcn.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    const QByteArray display = qEnvironmentVariableIsEmpty("BRAMBLET_TEST_GL_DISPLAY") ? qgetenv("DISPLAY")
                                                                                      : qgetenv("BRAMBLET_TEST_GL_DISPLAY");
    if (display.isEmpty()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else {
        qputenv("DISPLAY", display);
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    // Mesa unloads its driver when the window system's connection closes, before the leak check at
    // exit: the driver's own caches would then be reported from an unknown module, past the reach of
    // the suppressions that name it. Held here, it stays loaded.
    dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_NOW | RTLD_NODELETE);
    // Widgets too: the GPU surface is a widget inside the terminal view.
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
