// One main for every test executable.
//
// CTest's test discovery runs each binary with --gtest_list_tests at build time, outside the test
// environment (no QT_QPA_PLATFORM, no display). Listing must therefore happen before a
// QApplication exists; only a real run creates one, so widget and event-loop tests have it.

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
