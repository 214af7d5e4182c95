#include "PointerDriver.h"
#include "TerminalViewTestSupport.h"

#include "Zentrova/Screen/BufferLine.h"
#include "ZentrovaView/LocalProcessTerminalView.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace zentrova {
namespace {

constexpr Qt::KeyboardModifiers none = Qt::NoModifier;
constexpr Qt::KeyboardModifier ctrl = Qt::ControlModifier;

std::string osc8(const std::string& params, const std::string& uri, const std::string& text)
{
    return "\x1b]8;" + params + ";" + uri + "\x1b\\" + text + "\x1b]8;;\x1b\\";
}

class LinkHost : public RecordingViewHost {
public:
    void requestOpenLink(TerminalView&, const QString& link, const QHash<QString, QString>& params) override
    {
        opened.push_back(link.toStdString());
        lastParams = params;
    }
    std::vector<std::string> opened;
    QHash<QString, QString> lastParams;
};

struct LinkFixture {
    LinkFixture()
    {
        TerminalOptions options;
        options.cols = 40;
        options.rows = 10;
        view = std::make_unique<TerminalView>(nullptr, testFont(), options);
        view->setTerminalDelegate(&host);
        view->resize(view->getOptimalFrameSize().size());
        pointer = std::make_unique<PointerDriver>(*view);
    }
    Position at(int col, int screenRow) { return { col, view->terminal().buffer().yDisp() + screenRow }; }
    // A row as the layout draws it: "_" under cells drawn as links, "." elsewhere.
    std::string underlined(int screenRow)
    {
        Buffer& buffer = view->terminal().buffer();
        const int row = buffer.yDisp() + screenRow;
        std::string mask(size_t(view->terminal().cols), '.');
        for (const ViewLineSegment& segment : view->buildAttributedString(row, buffer.line(row), view->terminal().cols).segments) {
            for (const ViewLineRun& run : segment.runs) {
                if (!run.style.zentrovaUnderlineStyle)
                    continue;
                for (int unit = run.start; unit < run.start + run.length; unit++) {
                    const int col = segment.cellColumn(segment.cellOrdinal(unit));
                    for (int c = col; c < col + segment.columnWidth; c++)
                        mask[size_t(c)] = '_';
                }
            }
        }
        return mask;
    }
    void key(QEvent::Type type)
    {
        QKeyEvent event(type, Qt::Key_Control, type == QEvent::KeyPress ? ctrl : none);
        QCoreApplication::sendEvent(view.get(), &event);
    }

    LinkHost host;
    std::unique_ptr<TerminalView> view;
    std::unique_ptr<PointerDriver> pointer;
};

TEST(TerminalViewLinks, HyperlinkPayloadsSplitIntoUrlAndParameters)
{
    using Params = QHash<QString, QString>;
    struct Case {
        const char* payload;
        std::optional<TerminalView::LinkAndParams> expected;
    };
    const Case cases[] = {
        { "id=7:lang=en;https://x.org/a", TerminalView::LinkAndParams { "https://x.org/a", Params { { "id", "7" }, { "lang", "en" } } } },
        // The URL runs to the end: a ";" in it is part of it.
        { "id=7;https://x.org/a;b=c", TerminalView::LinkAndParams { "https://x.org/a;b=c", Params { { "id", "7" } } } },
        { "https://x.org/a", std::nullopt },
        { "=orphan:k=v;u", TerminalView::LinkAndParams { "u", Params { { "k", "v" } } } },
        { "a=b=c:;u", TerminalView::LinkAndParams { "u", Params {} } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(TerminalView::urlAndParamsFrom(c.payload), c.expected) << c.payload;
}

TEST(TerminalViewLinks, ClicksOpenWhatTheHighlightModeShows)
{
    // A URL typed as text at columns 0-22, an OSC 8 link "docs" at columns 30-33.
    const std::string row = "https://plain.example/p" + std::string(7, ' ') + osc8("id=d1", "https://osc.example/d", "docs");
    struct Case {
        const char* name;
        LinkHighlightMode mode;
        int col;
        Qt::KeyboardModifiers held;
        const char* opened;
    };
    const Case cases[] = {
        { "always: plain text", LinkHighlightMode::always, 3, none, "" },
        { "always: OSC 8", LinkHighlightMode::always, 31, none, "https://osc.example/d" },
        { "always with Ctrl: no Ctrl", LinkHighlightMode::alwaysWithModifier, 31, none, "" },
        { "always with Ctrl: Ctrl", LinkHighlightMode::alwaysWithModifier, 31, ctrl, "https://osc.example/d" },
        { "hover: plain text", LinkHighlightMode::hover, 3, none, "https://plain.example/p" },
        { "hover with Ctrl: no Ctrl", LinkHighlightMode::hoverWithModifier, 3, none, "" },
        { "hover with Ctrl: Ctrl", LinkHighlightMode::hoverWithModifier, 3, ctrl, "https://plain.example/p" },
        { "hover with Ctrl: OSC 8", LinkHighlightMode::hoverWithModifier, 31, ctrl, "https://osc.example/d" },
        { "between the links", LinkHighlightMode::hover, 26, none, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinkFixture f;
        f.view->setLinkHighlightMode(c.mode);
        feed(*f.view, row);
        f.pointer->click(f.pointer->cell(c.col, 0), c.held);
        EXPECT_EQ(f.host.opened.empty() ? "" : f.host.opened.back(), c.opened);
        if (std::string(c.opened) == "https://osc.example/d") {
            EXPECT_EQ(f.host.lastParams, (QHash<QString, QString> { { "id", "d1" } }));
        }
    }
}

TEST(TerminalViewLinks, TheRightHalfOfAWideLinkedCharacterIsTheLink)
{
    LinkFixture f;
    f.view->setLinkHighlightMode(LinkHighlightMode::always);
    feed(*f.view, "ab" + osc8("", "https://wide.example/", "漢字"));
    EXPECT_EQ(f.view->payloadString(f.at(3, 0)), ";https://wide.example/");
    EXPECT_EQ(f.view->payloadString(f.at(5, 0)), ";https://wide.example/");
    EXPECT_EQ(f.view->payloadString(f.at(1, 0)), std::nullopt);
    f.pointer->click(f.pointer->cell(3, 0));
    EXPECT_EQ(f.host.opened, std::vector<std::string> { "https://wide.example/" });
    EXPECT_EQ(f.underlined(0).substr(0, 8), "..____..");
}

TEST(TerminalViewLinks, HoveringRepaintsOnlyTheRowsOfTheOldAndNewLink)
{
    LinkFixture f;
    f.view->setLinkHighlightMode(LinkHighlightMode::hover);
    feed(*f.view, "\r\n\r\n\r\n" + osc8("", "https://three.example/", "three") + "\r\n\r\n\r\n\r\nsee https://seven.example/x");
    Terminal& terminal = f.view->terminal();
    const auto dirtyRows = [&] {
        auto range = terminal.getUpdateRange();
        terminal.clearUpdateRange();
        return range;
    };

    f.pointer->move(f.pointer->cell(2, 3));
    ASSERT_EQ(f.view->linkHighlightRange(), (TerminalView::LinkRowRanges { { 3, { 0, 5 } } }));
    EXPECT_EQ(f.underlined(3).substr(0, 7), "_____..");
    dirtyRows();
    f.pointer->move(f.pointer->cell(4, 3));
    EXPECT_EQ(dirtyRows(), std::nullopt) << "the same link";

    f.pointer->move(f.pointer->cell(10, 7));
    EXPECT_EQ(dirtyRows(), (std::pair { 3, 7 }));
    EXPECT_EQ(f.view->linkHighlightRange(), (TerminalView::LinkRowRanges { { 7, { 4, 27 } } }));
    EXPECT_EQ(f.underlined(3).substr(0, 7), ".......");

    f.pointer->move(f.pointer->cell(30, 5));
    EXPECT_EQ(dirtyRows(), (std::pair { 7, 7 }));
    EXPECT_EQ(f.view->linkHighlightRange(), std::nullopt);

    // Leaving the always mode's links alone: hovering highlights nothing there.
    f.view->setLinkHighlightMode(LinkHighlightMode::always);
    f.pointer->move(f.pointer->cell(10, 7));
    EXPECT_EQ(f.view->linkHighlightRange(), std::nullopt);
}

TEST(TerminalViewLinks, CtrlPreviewsAndHighlightsTheLinkUnderThePointer)
{
    LinkFixture f;
    feed(*f.view, osc8("", "https://preview.example/<b>x</b>", "here") + " and https://implicit.example/");
    f.pointer->move(f.pointer->cell(1, 0));
    EXPECT_EQ(f.view->linkHighlightRange(), std::nullopt) << "no highlight without Ctrl";
    EXPECT_FALSE(f.view->hasMouseTracking());

    f.key(QEvent::KeyPress);
    EXPECT_TRUE(f.view->commandActive());
    EXPECT_TRUE(f.view->hasMouseTracking()) << "moves are needed while Ctrl is held";
    f.pointer->move(f.pointer->cell(1, 0));
    ASSERT_TRUE(f.view->urlPreview());
    EXPECT_EQ(f.view->urlPreview()->text(), "https://preview.example/<b>x</b>");
    EXPECT_EQ(f.view->urlPreview()->geometry().bottomLeft(), QPoint(0, f.view->height() - 1));
    EXPECT_EQ(f.view->lastReportedLink(), "https://preview.example/<b>x</b>");
    EXPECT_EQ(f.underlined(0).substr(0, 6), "____..");

    f.pointer->move(f.pointer->cell(15, 0));
    EXPECT_EQ(f.view->lastReportedLink(), "https://implicit.example/");
    EXPECT_EQ(f.underlined(0).substr(0, 12), ".........___");

    f.key(QEvent::KeyRelease);
    EXPECT_FALSE(f.view->commandActive());
    EXPECT_FALSE(f.view->urlPreview());
    EXPECT_EQ(f.view->linkHighlightRange(), std::nullopt);
    EXPECT_EQ(f.view->lastReportedLink(), std::nullopt);
    EXPECT_FALSE(f.view->hasMouseTracking());
}

// Takes the URLs the desktop would be asked to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public Q_SLOTS:
    void open(const QUrl& url) { urls.push_back(url); }

public:
    std::vector<QUrl> urls;
};

// `ls --hyperlink=always` on a real pseudo-terminal, and a Ctrl-click on a name it listed.
TEST(TerminalViewLinks, CtrlClickOnAFileListedByLsOpensIt)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile(folder.filePath("notes.txt")).open(QIODevice::WriteOnly);
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");

    TerminalOptions options;
    options.cols = 40;
    options.rows = 10;
    LocalProcessTerminalView view(nullptr, testFont(), options);
    view.startProcess("/bin/ls", { "--hyperlink=always", "-1" }, std::vector<std::string> { "PATH=/usr/bin:/bin", "LANG=C.UTF-8" },
                      std::nullopt, folder.path().toStdString());
    const auto listedAt = [&]() -> std::optional<int> {
        BufferLine* line = view.terminal().getLine(0);
        const size_t found = line ? line->translateToString(true).find("notes.txt") : std::string::npos;
        return found == std::string::npos ? std::nullopt : std::optional(int(found));
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return listedAt().has_value(); }, 10000));

    PointerDriver pointer(view);
    pointer.click(pointer.cell(*listedAt() + 2, 0), ctrl);
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.urls.size(), 1u);
    EXPECT_EQ(catcher.urls[0].scheme(), "file");
    EXPECT_EQ(catcher.urls[0].host(), "") << "the desktop's opener wants no host name for a local file";
    EXPECT_EQ(QFileInfo(catcher.urls[0].path()).canonicalFilePath(), QFileInfo(folder.filePath("notes.txt")).canonicalFilePath());
}

} // namespace
} // namespace zentrova

#include "TerminalViewLinkTests.moc"
