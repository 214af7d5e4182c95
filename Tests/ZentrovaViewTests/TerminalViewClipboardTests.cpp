#include "TerminalViewTestSupport.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

namespace zentrova {
namespace {

TEST(TerminalViewClipboard, APasteCannotEndTheBracketedPasteEarly)
{
    struct Case {
        const char* name;
        bool bracketed;
        QString clipboard;
        std::string sent;
    };
    const std::vector<Case> cases {
        { "plain mode sends the text as it is", false, "ls\x1b[201~\n", "ls\x1b[201~\n" },
        { "bracketed text is wrapped", true, "make\nrm -rf build\n", "\x1b[200~make\nrm -rf build\n\x1b[201~" },
        { "an end marker loses its escape", true, "a\x1b[201~rm -rf ~\r", "\x1b[200~a[201~rm -rf ~\r\x1b[201~" },
        { "C1 controls are dropped", true, QString("x") + QChar(0x9b) + "201~y" + QChar(0x85) + "\u00e9",
          "\x1b[200~x201~y\xc3\xa9\x1b[201~" },
        { "an empty clipboard sends nothing", true, "", "" },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        TerminalView view(nullptr, testFont());
        RecordingViewHost host;
        view.setTerminalDelegate(&host);
        if (test.bracketed)
            feed(view, "\x1b[?2004h");
        QGuiApplication::clipboard()->setText(test.clipboard);
        view.paste();
        EXPECT_EQ(host.sent, test.sent);
    }
}

TEST(TerminalViewClipboard, SelectAllThenCopyTakesTheTerminalsText)
{
    TerminalView view(nullptr, testFont());
    QGuiApplication::clipboard()->setText("before");
    view.copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "") << "nothing selected copies empty text";

    feed(view, "first line\r\nsecond line");
    view.selectAll();
    ASSERT_TRUE(view.selection() && view.selection()->active());
    view.copy();
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.startsWith("first line\nsecond line")) << copied.toStdString();
}

} // namespace
} // namespace zentrova
