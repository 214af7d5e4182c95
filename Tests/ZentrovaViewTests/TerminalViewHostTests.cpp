#include "TerminalViewTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

namespace zentrova {
namespace {

// A host that answers the clipboard and keeps what the terminal copies.
class ClipboardHost : public RecordingViewHost {
public:
    void clipboardCopy(TerminalView&, std::span<const uint8_t> content) override
    {
        copied.assign(content.begin(), content.end());
    }
    std::optional<QByteArray> clipboardRead(TerminalView&) override { return QByteArray("pasted"); }

    std::string copied;
};

TEST(TerminalViewHost, TerminalEventsReachTheHost)
{
    TerminalView view(nullptr, testFont());
    ClipboardHost host;
    view.setTerminalDelegate(&host);
    feed(view, "\x1b]2;build log\x07");
    feed(view, "\x1b]7;file:///tmp/work\x07");
    feed(view, "\x1b[c");
    EXPECT_EQ(host.calls, (std::vector<std::string> { "title build log", "directory file:///tmp/work" }));
    EXPECT_FALSE(host.sent.empty()) << "the device-attributes reply goes to the child through the host";

    view.clipboardCopy(view.terminal(), std::vector<uint8_t> { 'o', 'k' });
    EXPECT_EQ(host.copied, "ok");
    EXPECT_EQ(view.clipboardRead(view.terminal()), (std::vector<uint8_t> { 'p', 'a', 's', 't', 'e', 'd' }));

    const uint8_t typed[] = { 'l', 's', '\r' };
    host.sent.clear();
    view.send(typed);
    EXPECT_EQ(host.sent, "ls\r");
}

TEST(TerminalViewHost, WithoutAHostNothingIsForwarded)
{
    TerminalView view(nullptr, testFont());
    feed(view, "\x1b]2;title\x07\x1b[c\x07");
    EXPECT_EQ(view.clipboardRead(view.terminal()), std::nullopt);
    view.setBellStyle(BellStyle::soundAndVisual);
    view.bell(view.terminal());
    EXPECT_NE(view.findChild<QWidget*>("visualBell"), nullptr) << "the flash needs no host";
}

TEST(TerminalViewHost, TheBellFollowsItsStyle)
{
    struct Case {
        BellStyle style;
        bool sound;
        bool flash;
    };
    for (const Case c : { Case { BellStyle::none, false, false }, Case { BellStyle::sound, true, false },
                          Case { BellStyle::visual, false, true }, Case { BellStyle::soundAndVisual, true, true } }) {
        SCOPED_TRACE(std::string(tagName(c.style)));
        TerminalView view(nullptr, testFont());
        RecordingViewHost host;
        view.setTerminalDelegate(&host);
        view.setBellStyle(c.style);
        feed(view, "\x07");
        EXPECT_EQ(host.calls == std::vector<std::string> { "bell" }, c.sound);
        QWidget* flash = view.findChild<QWidget*>("visualBell");
        EXPECT_EQ(flash != nullptr, c.flash);
        if (flash) {
            EXPECT_EQ(flash->geometry(), view.rect());
            // The flash fades out and goes away after 0.2 s.
            ASSERT_TRUE(QTest::qWaitFor([&] { return view.findChild<QWidget*>("visualBell") == nullptr; }, 2000));
        }
    }
}

TEST(TerminalViewHost, LinksOpenAsUrlsOrExistingFiles)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath("main.cpp");
    QFile(file).open(QIODevice::WriteOnly);
    const QString home = QDir::homePath();
    struct Case {
        QString link;
        std::optional<QUrl> url;
    };
    const Case cases[] = {
        { "https://example.org/a?b=1", QUrl("https://example.org/a?b=1") },
        { file, QUrl::fromLocalFile(file) },
        { file + ":12", QUrl::fromLocalFile(file) },
        { file + ":12:7", QUrl::fromLocalFile(file) },
        { file + ":x", std::nullopt },
        { folder.filePath("missing.cpp:3"), std::nullopt },
        { "~", QUrl::fromLocalFile(home) },
        { "~/no-such-file:3", std::nullopt },
        // Relative names resolve in the current folder; "notes.txt" is not taken for a URL scheme.
        { "notes.txt:12:3", QUrl::fromLocalFile(folder.filePath("notes.txt")) },
        { "notes.txt", QUrl::fromLocalFile(folder.filePath("notes.txt")) },
        { "localhost:8080", std::nullopt },
        // A file link naming this machine is a local file; another machine's stays as it is.
        { "file://" + QSysInfo::machineHostName() + file, QUrl::fromLocalFile(file) },
        { "file://localhost" + file, QUrl::fromLocalFile(file) },
        { "file://elsewhere.example" + file, QUrl("file://elsewhere.example" + file) },
        { "", std::nullopt },
    };
    QFile(folder.filePath("notes.txt")).open(QIODevice::WriteOnly);
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());
    for (const auto& c : cases)
        EXPECT_EQ(TerminalView::defaultLinkURL(c.link), c.url) << c.link.toStdString();
    QDir::setCurrent(previous);
}

} // namespace
} // namespace zentrova
