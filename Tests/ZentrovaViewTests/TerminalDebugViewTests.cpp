#include "TerminalViewTestSupport.h"

#include "ZentrovaView/TerminalDebugView.h"

#include <gtest/gtest.h>

#include <QPaintEvent>
#include <QRegion>

namespace zentrova {
namespace {

TEST(TerminalDebugView, ListsRingRowsAndEmptySlots)
{
    TerminalOptions options;
    options.cols = 6;
    options.rows = 3;
    TerminalView view(nullptr, testFont(), options);
    TerminalDebugView overlay(nullptr, &view);
    EXPECT_EQ(view.debug(), &overlay);
    feed(view, "ab\x1b[1;31mcd\x1b[0me\r\n12");

    Buffer& buffer = view.terminal().buffer();
    const auto first = overlay.getDebugString(&buffer.line(0), 6, "[000:000]DB", false, 0);
    EXPECT_EQ(first.text, "[000:000]DBabcde ");
    // The prefix, then one range per run of equal attribute: "ab", "cd", "e ".
    ASSERT_EQ(first.formats.size(), 4);
    EXPECT_EQ(first.formats[1].start, 11);
    EXPECT_EQ(first.formats[1].length, 2);
    EXPECT_EQ(first.formats[2].length, 2);
    EXPECT_EQ(first.formats[3].length, 2);
    EXPECT_EQ(overlay.getDebugString(nullptr, 6, "[009:009]  ", false, 0).text, "[009:009]  <empty>");
    EXPECT_EQ(overlay.getDebugString(nullptr, 6, "p", true, 0).formats[0].format.foreground().color(), QColor(Qt::red));

    overlay.update();
    EXPECT_EQ(overlay.statusLine(), QString("x: 2 y: 1 yDisp: 0 yBase: 0 clc: %1 startIndex: 0").arg(buffer.lines().maxLength()));
    overlay.resize(300, 200);
    EXPECT_FALSE(overlay.grab().isNull());
}

TEST(TerminalDebugView, PaintEventsListTheirRectangles)
{
    QRegion region(QRect(0, 0, 10, 10));
    region += QRect(20, 30, 5, 5);
    const QPaintEvent event(region);
    EXPECT_EQ(rectsBeingDrawn(event), (QList<QRect> { QRect(0, 0, 10, 10), QRect(20, 30, 5, 5) }));
}

} // namespace
} // namespace zentrova
