// The primary selection of the X11 desktop: a mouse selection sets it and a middle click pastes it.
// The offscreen platform has none, so these run on the GL tests' display and skip without one.

#include "ChildProcessSupport.h"
#include "PointerDriver.h"
#include "TerminalViewTestSupport.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>

namespace zentrova {
namespace {

// A child that shows "alpha beta" and then echoes every byte it reads visibly (ESC as "^["), with
// bracketed pastes turned on when asked.
class PrimarySelectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QGuiApplication::clipboard()->supportsSelection())
            GTEST_SKIP() << "this platform has no primary selection";
        view.resize(640, 400);
        view.show();
    }

    void TearDown() override { endChild(view); }

    void startEcho(bool bracketed)
    {
        const std::string script = std::string("printf 'alpha beta\\r\\n") + (bracketed ? "\\033[?2004h" : "")
            + "'; stty raw -echo; exec cat -v";
        view.startProcess("/bin/sh", { "-c", script }, std::vector<std::string> { "PATH=/usr/bin:/bin", "LANG=C.UTF-8" });
        ASSERT_TRUE(waitForScreen("alpha beta\n"));
    }

    bool waitForScreen(const std::string& text)
    {
        return QTest::qWaitFor([&] { return screenText(view).find(text) != std::string::npos; }, 10000);
    }

    void selectBeta()
    {
        pointer.press(pointer.cell(6, 0));
        pointer.drag(pointer.cell(8, 0));
        pointer.drag(pointer.cell(10, 0));
        pointer.release(pointer.cell(10, 0));
    }

    LocalProcessTerminalView view { nullptr, testFont() };
    PointerDriver pointer { view };
};

TEST_F(PrimarySelectionTest, AMouseSelectionIsPastedByAMiddleClickAsABracketedPaste)
{
    startEcho(true);
    QGuiApplication::clipboard()->setText("before", QClipboard::Selection);
    selectBeta();
    EXPECT_EQ(QGuiApplication::clipboard()->text(QClipboard::Selection), "beta");
    EXPECT_NE(QGuiApplication::clipboard()->text(QClipboard::Clipboard), "beta") << "the clipboard is Copy's alone";

    pointer.middleClick(pointer.cell(3, 2));
    EXPECT_TRUE(waitForScreen("^[[200~beta^[[201~")) << screenText(view);
}

// The middle click takes the road Ctrl+Shift+V takes: an ESC in the text cannot end the paste early.
TEST_F(PrimarySelectionTest, APastedEndMarkerIsTakenOut)
{
    startEcho(true);
    QGuiApplication::clipboard()->setText("x\x1b[201~y", QClipboard::Selection);
    pointer.middleClick(pointer.cell(3, 2));
    EXPECT_TRUE(waitForScreen("^[[200~x[201~y^[[201~")) << screenText(view);
}

// A program that takes the mouse gets the middle button as a report, not a paste; Shift takes the
// button back for the user.
TEST_F(PrimarySelectionTest, AProgramThatTakesTheMouseGetsTheMiddleClick)
{
    startEcho(false);
    QGuiApplication::clipboard()->setText("pasted", QClipboard::Selection);
    feed(view, "\x1b[?1000h\x1b[?1006h");
    pointer.middleClick(pointer.cell(3, 2));
    // The press names the middle button; the engine reports every release alike.
    EXPECT_TRUE(waitForScreen("^[[<1;4;3M^[[<")) << screenText(view);
    EXPECT_TRUE(waitForScreen(";4;3m")) << screenText(view);
    EXPECT_EQ(screenText(view).find("pasted"), std::string::npos);

    pointer.middleClick(pointer.cell(3, 2), Qt::ShiftModifier);
    EXPECT_TRUE(waitForScreen("pasted")) << screenText(view);
}

} // namespace
} // namespace zentrova
